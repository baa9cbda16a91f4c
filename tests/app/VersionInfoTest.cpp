#include "app/TVersionInfo.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <functional>
#include <span>

#include "ElfFixture.h"
#include "app/VersionRecord.h"
#include "app/VersionRecordBuilder.h"
#include "support/TempDir.h"

using namespace pictavo;
using VersionRecordBuilder::Block;

namespace {

std::vector<std::uint8_t> programRecord(const std::string& fileVersion = "2.0.1.0") {
    return VersionRecordBuilder::Serialize(
        VersionRecordBuilder::ProgramRecord({2, 0, 1, 0}, fileVersion, 0x0419, 0x04e3));
}

class VersionInfoFiles : public ::testing::Test {
protected:
    QString write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const QString path = QString::fromStdString(m_tmp.file(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return path;
    }
    QString versionOfElfWith(const std::vector<std::uint8_t>& record, test::ElfLayout layout = {}) {
        const auto elf = test::MakeElf(
            {{".text", {1, 2, 3}}, {std::string(VersionRecord::kSectionName), record}}, layout);
        return TVersionInfo(write("program", elf)).FileVersionText();
    }

    test::TempDir m_tmp;
};

}  // namespace

TEST(OurProgram, CarriesItsVersionInItsOwnFile) {
    EXPECT_EQ(TVersionInfo(QStringLiteral(PICTAVO_EXECUTABLE)).FileVersionText(),
              QStringLiteral("2.0.1.0"));
}

// Every input the version fuzzer was seeded with or found stays handled,
// read as it reads them: as a file that may carry the record, and as a
// record on its own. The two seeds carry the program's record.
TEST(VersionCorpus, EveryFileReadsAsTheFuzzerReadsIt) {
    int versions = 0;
    for (const QString& name :
         QDir(QStringLiteral(PICTAVO_VERSION_CORPUS)).entryList(QDir::Files)) {
        const QString path = QStringLiteral(PICTAVO_VERSION_CORPUS "/") + name;
        versions += TVersionInfo(path).FileVersionText().isEmpty() ? 0 : 1;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray data = file.readAll();
        const std::span<const std::uint8_t> bytes(
            reinterpret_cast<const std::uint8_t*>(data.data()),
            static_cast<std::size_t>(data.size()));
        const std::uint32_t size = VersionRecord::RecordSize(bytes);
        versions += VersionRecord::FileVersionText(bytes.first(size), size != 0).empty() ? 0 : 1;
    }
    EXPECT_GE(versions, 2);
}

TEST_F(VersionInfoFiles, ReadsTheRecordFromEitherClassAndByteOrder) {
    for (const bool b64 : {true, false}) {
        for (const bool bigEndian : {false, true}) {
            EXPECT_EQ(versionOfElfWith(programRecord("7.7 (string)"), {b64, bigEndian}),
                      QStringLiteral("7.7 (string)"))
                << b64 << bigEndian;
        }
    }
}

// The string under the translation wins; without it the fixed numbers do.
TEST_F(VersionInfoFiles, FallsBackToTheFixedVersionNumbers) {
    const auto stringTable = [](Block& root) -> Block& { return root.children[0].children[0]; };
    const struct {
        const char* what;
        std::function<void(Block&)> change;
        const char* expected;
    } cases[] = {
        {"as built", [](Block&) {}, "from the string"},
        {"empty FileVersion",
         [&](Block& r) {
             stringTable(r).children[0] = VersionRecordBuilder::TextBlock("FileVersion", "");
         },
         "2.0.1.0"},
        {"FileVersion missing",
         [&](Block& r) {
             stringTable(r).children[0] = VersionRecordBuilder::TextBlock("ProductName", "x");
         },
         "2.0.1.0"},
        {"no translation", [](Block& r) { r.children.pop_back(); }, "2.0.1.0"},
        {"translation too short",
         [](Block& r) {
             r.children[1].children[0].value.resize(2);
             r.children[1].children[0].valueLength = 2;
         },
         "2.0.1.0"},
        {"table under another translation", [&](Block& r) { stringTable(r).key = "040904B0"; },
         "2.0.1.0"},
        {"keys in other case",
         [&](Block& r) {
             r.children[0].key = "stringfileinfo";
             stringTable(r).children[0].key = "FILEVERSION";
         },
         "from the string"},
        {"high numbers keep their order",
         [&](Block& r) {
             stringTable(r).children.clear();
             const std::uint8_t fixed[] = {0xff, 0xff, 0x01, 0x00, 0x03, 0x00, 0x02, 0x00};
             std::copy(std::begin(fixed), std::end(fixed), r.value.begin() + 8);
         },
         "1.65535.2.3"},
        {"no string, fixed info without its signature",
         [&](Block& r) {
             stringTable(r).children.clear();
             r.value[0] = 0;
         },
         ""},
        {"no string, fixed info too short",
         [&](Block& r) {
             stringTable(r).children.clear();
             r.value.resize(48);
             r.valueLength = 48;
         },
         ""},
    };
    for (const auto& c : cases) {
        Block root =
            VersionRecordBuilder::ProgramRecord({2, 0, 1, 0}, "from the string", 0x0419, 0x04e3);
        c.change(root);
        EXPECT_EQ(versionOfElfWith(VersionRecordBuilder::Serialize(root)),
                  QString::fromLatin1(c.expected))
            << c.what;
    }
}

TEST_F(VersionInfoFiles, ARecordCutShortAtAnyLengthReadsAsNone) {
    const auto record = programRecord();
    for (std::size_t n = 0; n < record.size(); ++n) {
        const std::vector<std::uint8_t> cut(record.begin(), record.begin() + n);
        EXPECT_EQ(VersionRecord::RecordSize(cut), 0u) << n;
        ASSERT_EQ(versionOfElfWith(cut), QString()) << n;
    }
    // Bytes after a whole record are no harm.
    auto longer = record;
    longer.resize(record.size() + 13, 0xee);
    EXPECT_EQ(versionOfElfWith(longer), QStringLiteral("2.0.1.0"));
}

TEST_F(VersionInfoFiles, LengthsThatPointOutsideMakeTheRecordDamaged) {
    const auto record = programRecord();
    // Offsets of the length words: the root, StringFileInfo (after the root's
    // 40-byte head and 52-byte fixed info) and the FileVersion string's value.
    const struct {
        const char* what;
        std::size_t at;
        std::uint16_t value;
    } cases[] = {
        {"root longer than the section", 0, 0xfff0},
        {"root too short for its header", 0, 4},
        {"child longer than its parent", 92, 0x7000},
        {"child of length zero", 92, 0},
        {"string value past its block", 92 + 36 + 24 + 2, 0x4000},
        {"key without its end", 0, 20},
        {"string table just past the record's end", 128,
         static_cast<std::uint16_t>(record.size() - 128 + 2)},
    };
    for (const auto& c : cases) {
        // Bytes follow the record in its section, so a length that reaches
        // past the record still points at readable bytes.
        auto damaged = record;
        damaged.resize(record.size() + 16, 0);
        damaged[c.at] = static_cast<std::uint8_t>(c.value & 0xff);
        damaged[c.at + 1] = static_cast<std::uint8_t>(c.value >> 8);
        EXPECT_EQ(versionOfElfWith(damaged), QString()) << c.what;
    }
}

TEST_F(VersionInfoFiles, AnyOtherFileHasNoVersion) {
    const auto elfWithout = test::MakeElf({{".text", {1, 2, 3}}});
    auto tableOutside =
        test::MakeElf({{std::string(VersionRecord::kSectionName), programRecord()}});
    tableOutside[0x2c] = 1;  // section header table 4 GiB further on, past the end
    auto nameTableOutside =
        test::MakeElf({{std::string(VersionRecord::kSectionName), programRecord()}});
    nameTableOutside[0x3e] = 9;  // name table index beyond the table
    // The name table ends just before the zero that ends the record's name.
    auto nameCut = test::MakeElf({{std::string(VersionRecord::kSectionName), programRecord()}});
    const std::size_t headers = nameCut[0x28] | (std::size_t{nameCut[0x29]} << 8);
    nameCut[headers + 64 * 2 + 32] =
        static_cast<std::uint8_t>(VersionRecord::kSectionName.size() + 1);
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"script.sh", {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n'}},
        {"notes.exe", {'M', 'Z', ' ', 't', 'e', 'x', 't', '\n'}},
        {"empty", {}},
        {"no-section", elfWithout},
        {"table-outside", tableOutside},
        {"names-outside", nameTableOutside},
        {"names-cut", nameCut},
        {"head-only", std::vector<std::uint8_t>(elfWithout.begin(), elfWithout.begin() + 20)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TVersionInfo(write(c.name, c.bytes)).FileVersionText(), QString()) << c.name;
    }
    EXPECT_EQ(TVersionInfo(QString::fromStdString(m_tmp.file("missing"))).FileVersionText(),
              QString());
    EXPECT_EQ(TVersionInfo(QString::fromStdString(m_tmp.path())).FileVersionText(), QString());
}
