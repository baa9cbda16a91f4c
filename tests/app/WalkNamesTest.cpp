#include "app/FolderListing.h"
#include "app/WalkNames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include "support/TempDir.h"

using namespace WalkNames;

TEST(IsJpegName, TakesJpgAndJpegInAnyCaseOnly) {
    const struct {
        const char* name;
        bool jpeg;
    } cases[] = {
        {"IMG_1.JPG", true}, {"b.Jpeg", true},     {"a.jpg", true},
        {"x.jPEg", true},    {".jpg", true},       {"a.b.c.JPG", true},
        {"a.jpe", false},    {"a.jfif", false},    {"a.png", false},
        {"jpg", false},      {"a.jpg.png", false}, {"a.jpgx", false},
        {"a.", false},       {"", false},          {"a.jpg ", false},
        {"a jpg", false},    {"photo.JPEG", true}, {"\xc3\xa4.jpg", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsJpegName(QString::fromUtf8(c.name)), c.jpeg) << c.name;
    }
}

TEST(MakeDestPath, FlattensTheRelativeFolderIntoTheName) {
    const struct {
        const char* source;
        const char* dest;
        const char* folder;
        const char* name;
        const char* expected;
    } cases[] = {
        {"/photos", "/prints", "/photos", "IMG_0001.JPG", "/prints/_IMG_0001.JPG"},
        {"/photos", "/prints", "/photos/2006/May", "IMG_0002.jpg", "/prints/2006_May_IMG_0002.jpg"},
        {"/photos", "/prints/", "/photos/a", "x.jpg", "/prints/a_x.jpg"},
        {"/", "/prints", "/", "x.jpg", "/prints/_x.jpg"},
        {"/", "/prints", "/home/ann", "x.jpg", "/prints/home_ann_x.jpg"},
        {"/photos/", "/prints", "/photos/2006", "x.jpg", "/prints/2006_x.jpg"},
        {"/photos/", "/prints", "/photos/", "x.jpg", "/prints/_x.jpg"},
        {"/photos", "/", "/photos/a", "x.jpg", "/a_x.jpg"},
        {"/photos", "/prints", "/photos/a\\b", "Mixed.Case.JPEG", "/prints/a_b_Mixed.Case.JPEG"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MakeDestPath(QString::fromUtf8(c.source), QString::fromUtf8(c.dest),
                               QString::fromUtf8(c.folder), QString::fromUtf8(c.name))
                      .toStdString(),
                  c.expected)
            << c.folder << " " << c.name;
    }
}

TEST(WalkNames, ChosenFolderKeepsOnlyTheRootSeparator) {
    EXPECT_EQ(NormaliseChosenFolder(QStringLiteral("/a/b/")), QStringLiteral("/a/b"));
    EXPECT_EQ(NormaliseChosenFolder(QStringLiteral("/a/b//")), QStringLiteral("/a/b"));
    EXPECT_EQ(NormaliseChosenFolder(QStringLiteral("/a/b")), QStringLiteral("/a/b"));
    EXPECT_EQ(NormaliseChosenFolder(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(NormaliseChosenFolder(QStringLiteral("//")), QStringLiteral("/"));
    EXPECT_EQ(JoinPath(QStringLiteral("/"), QStringLiteral("a")), QStringLiteral("/a"));
    EXPECT_EQ(JoinPath(QStringLiteral("/p"), QStringLiteral("a")), QStringLiteral("/p/a"));
}

TEST(WalkNames, ResumeNumberIsThePositionOfTheImageOnScreen) {
    EXPECT_EQ(ResumeText(0), QString());
    EXPECT_EQ(ResumeText(1), QString());  // stopped on the first image
    EXPECT_EQ(ResumeText(2), QStringLiteral("1"));
    EXPECT_EQ(ResumeText(3), QStringLiteral("2"));
}

TEST(FolderListing, SortsByNameWithAsciiLettersFoldedThenByteByByte) {
    QStringList names = {QStringLiteral("b.jpg"),       QStringLiteral("A.jpg"),
                         QStringLiteral("a_1.jpg"),     QStringLiteral("aB.jpg"),
                         QStringLiteral(".hidden.jpg"), QStringLiteral("_x"),
                         QStringLiteral("a.jpg"),       QString::fromUtf8("\xc3\xa4.jpg"),
                         QStringLiteral("Z"),           QStringLiteral("10.jpg"),
                         QStringLiteral("9.jpg")};
    std::sort(names.begin(), names.end(), [](const QString& x, const QString& y) {
        return FolderListing::CompareNames(x, y) < 0;
    });
    // "_" (0x5F) sorts after the upper-case letters; "A" and "a" are equal when
    // folded and then ordered by their bytes; the UTF-8 "ä" comes last.
    const QStringList expected = {
        QStringLiteral(".hidden.jpg"), QStringLiteral("10.jpg"),         QStringLiteral("9.jpg"),
        QStringLiteral("A.jpg"),       QStringLiteral("a.jpg"),          QStringLiteral("aB.jpg"),
        QStringLiteral("a_1.jpg"),     QStringLiteral("b.jpg"),          QStringLiteral("Z"),
        QStringLiteral("_x"),          QString::fromUtf8("\xc3\xa4.jpg")};
    EXPECT_EQ(names, expected);
}

TEST(FolderListing, ReadsFilesAndFoldersInterleavedHiddenIncluded) {
    pictavo::test::TempDir tmp;
    const QString root = QString::fromStdString(tmp.path());
    QDir dir(root);
    ASSERT_TRUE(dir.mkdir(QStringLiteral("B_sub")));
    ASSERT_TRUE(dir.mkdir(QStringLiteral("a")));
    for (const char* name : {"c.jpg", ".dot.jpg", "b.JPG", "B.txt"}) {
        QFile f(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QList<FolderEntry> entries = FolderListing::Read(root);
    QStringList names;
    QList<bool> dirs;
    for (const FolderEntry& e : entries) {
        names << e.name;
        dirs << e.isDir;
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral(".dot.jpg"), QStringLiteral("a"),
                                  QStringLiteral("b.JPG"), QStringLiteral("B.txt"),
                                  QStringLiteral("B_sub"), QStringLiteral("c.jpg")}));
    EXPECT_EQ(dirs, (QList<bool>{false, true, false, false, true, false}));
    EXPECT_TRUE(FolderListing::Read(root + QStringLiteral("/missing")).isEmpty());
}
