#include "settings/RegDocument.h"

#include <gtest/gtest.h>

using pictavo::RegDocument;
using pictavo::RegValue;

namespace {

const QString kOptions = QStringLiteral("HKEY_CURRENT_USER\\Software\\Vornholt\\Pictavo2\\Options");

RegDocument parseOk(const char* text) {
    std::optional<RegDocument> doc = RegDocument::parse(QByteArray(text));
    EXPECT_TRUE(doc.has_value()) << text;
    return doc.value_or(RegDocument());
}

RegValue stringValue(const QString& name, const QString& text) {
    RegValue v;
    v.name = name;
    v.text = text;
    return v;
}

}  // namespace

TEST(RegDocument, ReadsStringsDwordsAndEscapes) {
    RegDocument doc = parseOk(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Vornholt\\Pictavo2\\Options]\r\n"
        "\"m_edSource_Text\"=\"/home/anna/Photos/Holiday \\\"2006\\\"\"\r\n"
        "\"Info\"=\"a\\\\b\\r\\nc\\x01\"\r\n"
        "\"08/12/2026\"=\"4\"\r\n"
        "\"RedEyeSaturation\"=dword:0000002A\r\n"
        "@=\"default\"\r\n");
    const pictavo::RegKey* key = doc.key(kOptions.toLower());  // keys compare without case
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->find(QStringLiteral("m_edsource_text"))->text,
              QStringLiteral("/home/anna/Photos/Holiday \"2006\""));
    EXPECT_EQ(key->find(QStringLiteral("Info"))->text, QStringLiteral("a\\b\r\nc\x01"));
    EXPECT_EQ(key->find(QStringLiteral("08/12/2026"))->text, QStringLiteral("4"));
    const RegValue* dword = key->find(QStringLiteral("RedEyeSaturation"));
    EXPECT_EQ(dword->type, RegValue::Type::Dword);
    EXPECT_EQ(dword->dword, 42u);
    EXPECT_EQ(key->find(QString())->text, QStringLiteral("default"));
}

TEST(RegDocument, UnknownTypesAndLinesAreKeptAsTheyWere) {
    const QByteArray text =
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\Software\\X]\n"
        "\"Bin\"=hex:01,02,\\\n  03,04\n"
        "\"Multi\"=hex(7):41,00,00,00\n"
        "\"BadEscape\"=\"C:\\Temp\"\n"
        "\"Unterminated\"=\"abc\n"
        "\"Big\"=dword:123456789\n"
        "\"NineDigits\"=dword:00000002a\n"
        "; a translator's note\n"
        "\"Fine\"=\"ok\"\n";
    RegDocument doc = parseOk(text.constData());
    const pictavo::RegKey* key = doc.key(QStringLiteral("HKEY_CURRENT_USER\\Software\\X"));
    ASSERT_NE(key, nullptr);
    // Nine hex digits are no dword even when the number would fit in one.
    for (const char* name : {"Bin", "Multi", "BadEscape", "Unterminated", "Big", "NineDigits"}) {
        ASSERT_NE(key->find(QString::fromUtf8(name)), nullptr) << name;
        EXPECT_EQ(key->find(QString::fromUtf8(name))->type, RegValue::Type::Other) << name;
    }
    EXPECT_EQ(key->find(QStringLiteral("Fine"))->text, QStringLiteral("ok"));
    // Written back, every line survives and the result reads the same again.
    const QByteArray out = doc.serialize();
    for (const char* line : {"\"Bin\"=hex:01,02,\\\n  03,04\n", "\"Multi\"=hex(7):41,00,00,00\n",
                             "\"BadEscape\"=\"C:\\Temp\"\n", "; a translator's note\n"}) {
        EXPECT_TRUE(out.contains(line)) << line << "\n" << out.constData();
    }
    EXPECT_EQ(RegDocument::parse(out)->serialize(), out);
}

TEST(RegDocument, DamagedFilesAreRefused) {
    const char* damaged[] = {
        "[HKEY_CURRENT_USER\\Software\\X]\n\"A\"=\"1\"\n",      // no header
        "Windows Registry Editor Version 5.00\n\"A\"=\"1\"\n",  // value outside a key
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\X\n",
        "Windows Registry Editor Version 5.00\n\n[]\n\"A\"=\"1\"\n",  // a key without a name
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n\"A\"=\"\xC3\x28\"\n",
        "\x89PNG\r\n\x1a\n",
    };
    for (const char* text : damaged) {
        EXPECT_FALSE(RegDocument::parse(QByteArray(text)).has_value()) << text;
    }
    EXPECT_FALSE(RegDocument::parse(QByteArray("Windows Registry Editor Version 5.00\n\0x", 40))
                     .has_value());
    // UTF-16 text that has no UTF-8 form (a NUL, a lone surrogate, half a unit).
    const QByteArray utf16 =
        QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(u"REGEDIT4\n[K]\n"), 26);
    for (const QByteArray& tail : {QByteArray("\0\0", 2),
                                   QByteArray("\x00\xD8"
                                              "A\0",
                                              4),
                                   QByteArray("A")}) {
        EXPECT_FALSE(RegDocument::parse(utf16 + tail).has_value()) << tail.toHex().constData();
    }
    EXPECT_TRUE(RegDocument::parse(utf16 + QByteArray("A\0", 2)).has_value());
    // A truncated file (a crash of someone else's tool) still gives what it holds.
    RegDocument cut = parseOk(
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n\"A\"=\"1\"\n\"B\"=\"tr");
    EXPECT_EQ(cut.key(QStringLiteral("HKEY_CURRENT_USER\\X"))->find(QStringLiteral("A"))->text,
              QStringLiteral("1"));
    EXPECT_TRUE(RegDocument::parse(QByteArray()).value().isEmpty());
    EXPECT_TRUE(RegDocument::parse("\n  \n").value().isEmpty());
}

TEST(RegDocument, AwkwardNamesAndTextsSurviveARoundTrip) {
    const QStringList awkward = {
        QStringLiteral("08/12/2026"),
        QStringLiteral("quote \" and back\\slash"),
        QStringLiteral("line\r\nbreak\n"),
        QStringLiteral("tab\tbell\x07 del\x7f"),
        QStringLiteral("Größe – 写真 ✓"),
        QStringLiteral("="),
        QStringLiteral("[not a key]"),
        QStringLiteral(" blanks "),
        QString(),
    };
    RegDocument doc;
    pictavo::RegKey& key = doc.ensureKey(kOptions);
    for (qsizetype i = 0; i < awkward.size(); ++i) {
        key.set(stringValue(awkward[i].isEmpty() ? QStringLiteral("empty") : awkward[i],
                            awkward[(i + 1) % awkward.size()]));
    }
    const QByteArray out = doc.serialize();
    std::optional<RegDocument> back = RegDocument::parse(out);
    ASSERT_TRUE(back.has_value()) << out.constData();
    const pictavo::RegKey* read = back->key(kOptions);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->values.size(), awkward.size());
    for (qsizetype i = 0; i < awkward.size(); ++i) {
        EXPECT_EQ(read->values[i].name, key.values[i].name);
        EXPECT_EQ(read->values[i].text, key.values[i].text);
    }
    // One line per value: nothing in a text can break the file's structure.
    EXPECT_EQ(out.count('\n'), 3 + awkward.size());
}

TEST(RegDocument, OutputIsTidyAndStable) {
    RegDocument doc;
    const QString base = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Vornholt\\Pictavo2\\");
    doc.ensureKey(base + QStringLiteral("Language.m_strhMessagesFM_Strings"))
        .set(stringValue(QStringLiteral("Count"), QStringLiteral("0")));
    pictavo::RegKey& lang = doc.ensureKey(base + QStringLiteral("Language"));
    lang.set(stringValue(QStringLiteral("FormVersion"), QStringLiteral("0")));
    lang.set(stringValue(QStringLiteral("Flags"), QStringLiteral("0")));
    lang.set(stringValue(QStringLiteral("formversion"), QStringLiteral("1")));  // in place
    RegValue dword;
    dword.name = QStringLiteral("N");
    dword.type = RegValue::Type::Dword;
    dword.dword = 0xFFFFFFFF;
    lang.set(dword);
    EXPECT_EQ(doc.serialize(),
              QByteArray("Windows Registry Editor Version 5.00\n\n"
                         "[HKEY_LOCAL_MACHINE\\Software\\Vornholt\\Pictavo2\\Language]\n"
                         "\"FormVersion\"=\"1\"\n\"Flags\"=\"0\"\n\"N\"=dword:ffffffff\n\n"
                         "[HKEY_LOCAL_MACHINE\\Software\\Vornholt\\Pictavo2\\Language."
                         "m_strhMessagesFM_Strings]\n\"Count\"=\"0\"\n"));
}

TEST(RegDocument, RemovingATreeTakesItsSubkeysButNotItsSiblings) {
    RegDocument doc;
    const QString base = QStringLiteral("HKEY_CURRENT_USER\\S\\");
    for (const char* path : {"Language", "Language\\Sub", "Language\\Sub\\Deeper",
                             "Language.m_strhMessages_Strings", "Languages"}) {
        doc.ensureKey(base + QString::fromUtf8(path));
    }
    EXPECT_TRUE(doc.removeTree(base + QStringLiteral("LANGUAGE")));
    EXPECT_EQ(doc.paths(), QStringList({base + QStringLiteral("Language.m_strhMessages_Strings"),
                                        base + QStringLiteral("Languages")}));
    EXPECT_FALSE(doc.removeTree(base + QStringLiteral("Language")));
    EXPECT_TRUE(doc.exists(QStringLiteral("HKEY_CURRENT_USER\\S")));
    EXPECT_FALSE(doc.exists(QStringLiteral("HKEY_CURRENT_USER\\S\\Language")));
}

// Whatever a file holds, writing it back gives a file that reads as the same
// document, so a save never changes what it did not write.
TEST(RegDocument, WrittenFilesReadBackTheSame) {
    const char* files[] = {
        // data cut after a "\" with the key's other lines after it
        "REGEDIT4\n[K]\n\"A\"=hex:01,\\\n\n  indented note\n\"B\"=hex:02,\\\n",
        // a continuation line and a value after it
        "REGEDIT4\n[K]\n\"A\"=hex:01,\\\n  02\n\"B\"=\"b\"\n",
        // line ends with a CR too many
        "REGEDIT4\r\n[K]\r\r\n\"A\"=\"1\"\r\r\n; note\r\r\n",
        // a name without its opening quote is no value line
        "REGEDIT4\n[K]\nn\"=\\\n\"\"=\"empty name\"\n",
    };
    for (const char* text : files) {
        const RegDocument first = parseOk(text);
        const QByteArray written = first.serialize();
        const std::optional<RegDocument> second = RegDocument::parse(written);
        ASSERT_TRUE(second.has_value()) << written.constData();
        EXPECT_TRUE(*second == first) << text << "\n---\n" << written.constData();
        EXPECT_EQ(second->serialize(), written);
    }
    const RegDocument lastDocument = parseOk(files[3]);
    const pictavo::RegKey* key = lastDocument.key(QStringLiteral("K"));
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->values.size(), 1);
    EXPECT_EQ(key->otherLines, QStringList{QStringLiteral("n\"=\\")});
}

// A key of many values (a runaway tally, a file someone generated) reads in
// one pass: searching the key for every line would take hours here.
TEST(RegDocument, AKeyOfManyValuesReadsInOnePass) {
    constexpr int kValues = 300000;
    QByteArray text = "REGEDIT4\n[K]\n";
    for (int i = 0; i < kValues; ++i) {
        text += "\"v" + QByteArray::number(i) + "\"=\"" + QByteArray::number(i) + "\"\n";
    }
    text += "\"V7\"=\"again\"\n";
    const RegDocument doc = parseOk(text.constData());
    const pictavo::RegKey* key = doc.key(QStringLiteral("K"));
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values.size(), kValues);
    EXPECT_EQ(key->values[7].name, QStringLiteral("v7"));
    EXPECT_EQ(key->values[7].text, QStringLiteral("again"));
    EXPECT_EQ(key->values.back().text, QString::number(kValues - 1));
}
