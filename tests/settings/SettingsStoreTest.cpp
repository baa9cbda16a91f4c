#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "settings/StoreError.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

using pictavo::RegRoot;
using pictavo::SettingsStore;
using pictavo::StoreError;

namespace {

const QString kPath = QStringLiteral("Software\\Vornholt\\Pictavo2");
constexpr auto RW = SettingsStore::Access::ReadWrite;
constexpr auto RO = SettingsStore::Access::ReadOnly;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const StoreError& e) {
        return e.what();
    }
    return "no error";
}

class SettingsStoreTest : public ::testing::Test {
protected:
    pictavo::test::TempDir dir;
    QString file = QString::fromStdString(dir.file("Vornholt/Pictavo2.reg"));
};

}  // namespace

TEST(SettingsStoreLocations, FollowXdgVariables) {
    qputenv("XDG_CONFIG_HOME", "/u/conf");
    qputenv("XDG_CONFIG_DIRS", "/m/one:/m/two");
    EXPECT_EQ(SettingsStore::standardFilePath(RegRoot::CurrentUser),
              QStringLiteral("/u/conf/Vornholt/Pictavo2.reg"));
    EXPECT_EQ(SettingsStore::standardFilePath(RegRoot::LocalMachine),
              QStringLiteral("/m/one/Vornholt/Pictavo2.reg"));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_DIRS");
    EXPECT_EQ(SettingsStore::standardFilePath(RegRoot::CurrentUser),
              QDir::homePath() + QStringLiteral("/.config/Vornholt/Pictavo2.reg"));
    EXPECT_EQ(SettingsStore::standardFilePath(RegRoot::LocalMachine),
              QStringLiteral("/etc/xdg/Vornholt/Pictavo2.reg"));
}

TEST_F(SettingsStoreTest, WritesTheLayoutOthersCanRead) {
    SettingsStore store(file, RegRoot::CurrentUser, kPath, RW);
    EXPECT_FALSE(store.keyPathExists());
    store.writeString(QStringLiteral("Options"), QStringLiteral("FormVersion"),
                      QStringLiteral("0"));
    store.writeString(QStringLiteral("Options"), QStringLiteral("08/12/2026"), QStringLiteral("4"));
    store.writeInteger(QStringLiteral("RedEye"), QStringLiteral("RedEyeSaturation"), 50);
    EXPECT_FALSE(QFile::exists(file)) << "nothing is written before close";
    store.close();
    EXPECT_EQ(readAll(file),
              QByteArray("Windows Registry Editor Version 5.00\n\n"
                         "[HKEY_CURRENT_USER\\Software\\Vornholt\\Pictavo2\\Options]\n"
                         "\"FormVersion\"=\"0\"\n\"08/12/2026\"=\"4\"\n\n"
                         "[HKEY_CURRENT_USER\\Software\\Vornholt\\Pictavo2\\RedEye]\n"
                         "\"RedEyeSaturation\"=dword:00000032\n"));
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".lock")));
}

TEST_F(SettingsStoreTest, ReadsAbsentValuesAndReportsOtherTypes) {
    writeAll(file,
             "Windows Registry Editor Version 5.00\n\n"
             "[HKEY_LOCAL_MACHINE\\Software\\Vornholt\\Pictavo2\\Language]\n"
             "\"FormVersion\"=dword:00000000\n\"m_lblStart_Caption\"=\"Los!\"\n"
             "\"Bin\"=hex:00\n");
    SettingsStore store(file, RegRoot::LocalMachine, kPath, RO);
    EXPECT_TRUE(store.keyPathExists());
    EXPECT_EQ(store.readString(QStringLiteral("Language"), QStringLiteral("m_lblStart_Caption")),
              QStringLiteral("Los!"));
    EXPECT_EQ(store.readString(QStringLiteral("Language"), QStringLiteral("absent"),
                               QStringLiteral("def")),
              QStringLiteral("def"));
    EXPECT_EQ(store.readString(QStringLiteral("Nowhere"), QStringLiteral("x")), std::nullopt);
    EXPECT_EQ(errorOf([&] {
                  store.readString(QStringLiteral("Language"), QStringLiteral("FormVersion"));
              }),
              "Invalid data type for 'FormVersion'");
    EXPECT_EQ(
        errorOf([&] { store.readInteger(QStringLiteral("Language"), QStringLiteral("Bin")); }),
        "Invalid data type for 'Bin'");
    EXPECT_EQ(store.readInteger(QStringLiteral("Language"), QStringLiteral("FormVersion")), 0);
    // A user-side file holds no machine-wide keys, whatever it says elsewhere.
    SettingsStore user(file, RegRoot::CurrentUser, kPath, RO);
    EXPECT_FALSE(user.keyPathExists());
}

TEST_F(SettingsStoreTest, DeletesASectionWithItsSubkeysOnly) {
    writeAll(file,
             "Windows Registry Editor Version 5.00\n\n"
             "[HKEY_CURRENT_USER\\Software\\Vornholt\\Pictavo2\\Language.L]\n\"Count\"=\"9\"\n\n"
             "[HKEY_CURRENT_USER\\Software\\Vornholt\\Pictavo2\\Language.L\\Child]\n\"A\"=\"1\"\n\n"
             "[HKEY_CURRENT_USER\\Software\\Vornholt\\Pictavo2\\Language.Lx]\n\"B\"=\"2\"\n");
    {
        SettingsStore store(file, RegRoot::CurrentUser, kPath, RW);
        store.deleteSection(QStringLiteral("Language.L"));
        store.deleteSection(QStringLiteral("Absent"));
        EXPECT_FALSE(store.sectionExists(QStringLiteral("Language.L")));
        store.writeString(QStringLiteral("Language.L"), QStringLiteral("Count"),
                          QStringLiteral("1"));
        store.close();
    }
    SettingsStore again(file, RegRoot::CurrentUser, kPath, RO);
    EXPECT_EQ(again.readString(QStringLiteral("Language.L"), QStringLiteral("Count")),
              QStringLiteral("1"));
    EXPECT_FALSE(again.sectionExists(QStringLiteral("Language.L\\Child")));
    EXPECT_EQ(again.readString(QStringLiteral("Language.Lx"), QStringLiteral("B")),
              QStringLiteral("2"));
}

TEST_F(SettingsStoreTest, UnchangedFileIsNotRewritten) {
    {
        SettingsStore store(file, RegRoot::CurrentUser, kPath, RW);
        store.writeString(QStringLiteral("Options"), QStringLiteral("A"), QStringLiteral("1"));
        store.close();
    }
    const QByteArray handEdited = readAll(file) + "; kept as the translator left it\n";
    writeAll(file, handEdited);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    SettingsStore store(file, RegRoot::CurrentUser, kPath, RW);
    store.writeString(QStringLiteral("Options"), QStringLiteral("A"), QStringLiteral("1"));
    store.close();
    EXPECT_EQ(readAll(file), handEdited);
    // A real change keeps the file's permissions.
    SettingsStore change(file, RegRoot::CurrentUser, kPath, RW);
    change.writeString(QStringLiteral("Options"), QStringLiteral("A"), QStringLiteral("2"));
    change.close();
    EXPECT_TRUE(QFile::permissions(file).testFlag(QFile::ReadGroup));
    EXPECT_FALSE(QFile::permissions(file).testFlag(QFile::ReadOther));
}

TEST_F(SettingsStoreTest, DamagedFileReadsAsEmptyAndIsKeptBesideWhenReplaced) {
    const QByteArray garbage("not a settings file\n\"m_edRatio_Value\"=\"9\"\n");
    writeAll(file, garbage);
    SettingsStore store(file, RegRoot::CurrentUser, kPath, RW);
    EXPECT_TRUE(store.damaged());
    EXPECT_EQ(store.readString(QStringLiteral("Options"), QStringLiteral("m_edRatio_Value")),
              std::nullopt);
    store.writeString(QStringLiteral("Options"), QStringLiteral("m_edRatio_Value"),
                      QStringLiteral("1.5"));
    store.close();
    EXPECT_EQ(readAll(file + QStringLiteral(".damaged")), garbage);
    SettingsStore again(file, RegRoot::CurrentUser, kPath, RO);
    EXPECT_FALSE(again.damaged());
    EXPECT_EQ(again.readString(QStringLiteral("Options"), QStringLiteral("m_edRatio_Value")),
              QStringLiteral("1.5"));
}

TEST_F(SettingsStoreTest, TwoInstancesLastSaveWinsAndOthersValuesStay) {
    SettingsStore first(file, RegRoot::CurrentUser, kPath, RW);
    SettingsStore second(file, RegRoot::CurrentUser, kPath, RW);
    first.writeString(QStringLiteral("Options"), QStringLiteral("Shared"), QStringLiteral("first"));
    first.writeString(QStringLiteral("Options"), QStringLiteral("OnlyFirst"), QStringLiteral("1"));
    second.writeString(QStringLiteral("Options"), QStringLiteral("Shared"),
                       QStringLiteral("second"));
    second.writeString(QStringLiteral("Options"), QStringLiteral("OnlySecond"),
                       QStringLiteral("2"));
    second.close();
    first.close();
    SettingsStore read(file, RegRoot::CurrentUser, kPath, RO);
    EXPECT_EQ(read.readString(QStringLiteral("Options"), QStringLiteral("Shared")),
              QStringLiteral("first"));
    EXPECT_EQ(read.readString(QStringLiteral("Options"), QStringLiteral("OnlyFirst")),
              QStringLiteral("1"));
    EXPECT_EQ(read.readString(QStringLiteral("Options"), QStringLiteral("OnlySecond")),
              QStringLiteral("2"));
}

TEST_F(SettingsStoreTest, ConcurrentSavesNeverInterleave) {
    // Every writer counts its own value up; a lost or torn write shows as a
    // wrong count or an unreadable file.
    constexpr int kWriters = 4;
    constexpr int kRounds = 25;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([this, w] {
            const QString name = QStringLiteral("writer %1").arg(w);
            for (int r = 1; r <= kRounds; ++r) {
                SettingsStore store(file, RegRoot::CurrentUser, kPath, RW);
                store.writeString(QStringLiteral("Options"), name, QString::number(r));
                store.writeString(QStringLiteral("Options"), QStringLiteral("long"),
                                  QString(2000, QChar(u'a' + w)));
                store.close();
            }
        });
    }
    for (auto& t : writers) {
        t.join();
    }
    SettingsStore read(file, RegRoot::CurrentUser, kPath, RO);
    ASSERT_FALSE(read.damaged());
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_EQ(read.readString(QStringLiteral("Options"), QStringLiteral("writer %1").arg(w)),
                  QString::number(kRounds));
    }
    const QString longText = read.readString(QStringLiteral("Options"), QStringLiteral("long"), {});
    EXPECT_EQ(longText.size(), 2000);
    EXPECT_EQ(longText.count(longText.front()), 2000);
    EXPECT_EQ(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files),
              QStringList{QStringLiteral("Pictavo2.reg")});
}

// As a user who may not write the machine-wide folder (run again as "nobody"
// when the tests run as root).
TEST(SettingsStoreUnprivileged, UnwritableFolderFailsAtTheFirstWrite) {
    const QString given = qEnvironmentVariable("PICTAVO_READONLY_DIR");
    if (given.isEmpty()) {
        pictavo::test::SharedReadOnlyDir shared;
        ASSERT_FALSE(shared.path().isEmpty());
        QString output;
        const int code = pictavo::test::runSelfAsNobody(
            {QStringLiteral("--gtest_filter=SettingsStoreUnprivileged.*")},
            QStringLiteral("PICTAVO_READONLY_DIR"), shared.path(), &output);
        if (code == -1) {
            if (::geteuid() == 0) {
                GTEST_SKIP() << "no setpriv to drop root";
            }
            QFile::setPermissions(shared.path(), QFile::ReadOwner | QFile::ExeOwner);
            qputenv("PICTAVO_READONLY_DIR", shared.path().toLocal8Bit());
        } else {
            EXPECT_EQ(code, 0) << output.toStdString();
            EXPECT_FALSE(QFileInfo::exists(shared.path() + QStringLiteral("/Vornholt")));
            return;
        }
    }
    const QString dirPath = qEnvironmentVariable("PICTAVO_READONLY_DIR");
    ASSERT_NE(::access(QFile::encodeName(dirPath).constData(), W_OK), 0);
    SettingsStore store(dirPath + QStringLiteral("/Vornholt/Pictavo2.reg"), RegRoot::LocalMachine,
                        kPath, RW);
    EXPECT_EQ(errorOf([&] {
                  store.writeString(QStringLiteral("Language"), QStringLiteral("FormVersion"),
                                    QStringLiteral("0"));
              }),
              "Failed to create key Language");
    EXPECT_NO_THROW(store.close());
}

TEST_F(SettingsStoreTest, ReadOnlyFileFailsAtTheFirstWrite) {
    writeAll(file, "Windows Registry Editor Version 5.00\n");
    QFile::setPermissions(file, QFile::ReadOwner);
    if (::access(QFile::encodeName(file).constData(), W_OK) == 0) {
        GTEST_SKIP() << "root may write anywhere";
    }
    SettingsStore store(file, RegRoot::LocalMachine, kPath, RW);
    EXPECT_EQ(errorOf([&] { store.deleteSection(QStringLiteral("Nothing")); }), "no error");
    EXPECT_EQ(errorOf([&] {
                  store.writeString(QStringLiteral("Language.m_strhMessages_Strings"),
                                    QStringLiteral("Count"), QStringLiteral("8"));
              }),
              "Failed to create key Language.m_strhMessages_Strings");
}

TEST_F(SettingsStoreTest, ReadOnlySessionNeverWrites) {
    SettingsStore store(file, RegRoot::LocalMachine, kPath, RO);
    EXPECT_EQ(
        errorOf([&] { store.writeString(QStringLiteral("Language"), QStringLiteral("A"), {}); }),
        "Failed to create key Language");
    store.close();
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(file).absolutePath()));
}

// Something other than a regular file at the store's path: the store comes up
// at once, reads as empty, and leaves the thing alone.
TEST_F(SettingsStoreTest, OnlyRegularFilesAreOpened) {
    struct Case {
        const char* what;
        std::function<bool(const QString&)> make;
        std::function<bool(const QString&)> stillThere;
    };
    const Case cases[] = {
        {"fifo", [](const QString& p) { return ::mkfifo(QFile::encodeName(p), 0600) == 0; },
         [](const QString& p) {
             struct stat st {};
             return ::lstat(QFile::encodeName(p), &st) == 0 && S_ISFIFO(st.st_mode);
         }},
        {"folder", [](const QString& p) { return QDir().mkpath(p); },
         [](const QString& p) { return QFileInfo(p).isDir(); }},
        {"link to a device",
         [](const QString& p) { return QFile::link(QStringLiteral("/dev/zero"), p); },
         [](const QString& p) { return QFileInfo(p).symLinkTarget() == u"/dev/zero"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir().mkpath(QFileInfo(file).absolutePath());
        ASSERT_TRUE(c.make(file));
        auto opened = std::async(std::launch::async, [this] {
            SettingsStore store(file, RegRoot::CurrentUser, kPath, RW);
            const bool empty = !store.keyPathExists() && store.damaged();
            return empty ? errorOf([&] {
                store.writeString(QStringLiteral("Options"), QStringLiteral("A"), {});
            })
                         : std::string("not read as damaged");
        });
        if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "opening blocked";
            // A writer end lets a blocked reader of the FIFO go on.
            ::close(::open(QFile::encodeName(file), O_WRONLY | O_NONBLOCK));
        }
        EXPECT_EQ(opened.get(), "Failed to create key Options");
        EXPECT_TRUE(c.stillThere(file));
        EXPECT_EQ(QDir(QFileInfo(file).absolutePath())
                      .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("Pictavo2.reg")});
        QDir(file).removeRecursively();
        QFile::remove(file);
    }
}

TEST_F(SettingsStoreTest, SomethingElseAtTheLockPathIsNoLock) {
    const QString lock = file + QStringLiteral(".lock");
    const struct {
        const char* what;
        std::function<bool(const QString&)> make;
        std::function<bool(const QString&)> stillThere;
    } cases[] = {
        {"fifo", [](const QString& p) { return ::mkfifo(QFile::encodeName(p), 0600) == 0; },
         [](const QString& p) {
             struct stat st {};
             return ::lstat(QFile::encodeName(p), &st) == 0 && S_ISFIFO(st.st_mode);
         }},
        {"folder", [](const QString& p) { return QDir().mkpath(p); },
         [](const QString& p) { return QFileInfo(p).isDir(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir().mkpath(QFileInfo(file).absolutePath());
        ASSERT_TRUE(c.make(lock));
        auto saved = std::async(std::launch::async, [this] {
            SettingsStore store(file, RegRoot::CurrentUser, kPath, RW);
            return errorOf([&] {
                store.writeString(QStringLiteral("Options"), QStringLiteral("A"), {});
                store.close();
            });
        });
        if (saved.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "saving blocked";
            ::close(::open(QFile::encodeName(lock), O_WRONLY | O_NONBLOCK));
        }
        EXPECT_EQ(saved.get(), "Failed to create key Options");
        EXPECT_TRUE(c.stillThere(lock));
        EXPECT_FALSE(QFileInfo::exists(file));
        QDir(lock).removeRecursively();
        QFile::remove(lock);
    }
}

TEST_F(SettingsStoreTest, UnreadableFileIsNeverReplaced) {
    QDir().mkpath(file);  // a folder where the file should be: exists, cannot be read
    SettingsStore store(file, RegRoot::CurrentUser, kPath, RW);
    EXPECT_EQ(store.readString(QStringLiteral("Options"), QStringLiteral("A")), std::nullopt);
    EXPECT_EQ(errorOf([&] {
                  store.writeString(QStringLiteral("Options"), QStringLiteral("A"),
                                    QStringLiteral("1"));
              }),
              "Failed to create key Options");
    EXPECT_TRUE(QFileInfo(file).isDir());
}
