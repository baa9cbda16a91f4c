#include "app/FolderListing.h"
#include "app/WalkNames.h"

#include <gtest/gtest.h>

#include <QByteArrayList>
#include <QDir>
#include <QFile>

#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace WalkNames;

// Which names the walk takes: ".jpg" and ".jpeg" in any letter case, and with
// the option on the other formats' names too.
TEST(IsPictureName, TakesJpegNamesAndMoreFormatsOnlyWhenAsked) {
    const struct {
        const char* name;
        bool jpeg;  // also what is taken with the option off
        bool more;  // taken with the option on
    } cases[] = {
        {"IMG_1.JPG", true, true},    {"b.Jpeg", true, true},       {"a.jpg", true, true},
        {"x.jPEg", true, true},       {".jpg", true, true},         {"a.b.c.JPG", true, true},
        {"photo.JPEG", true, true},   {"\xc3\xa4.jpg", true, true}, {"caf\xe9.JPG", true, true},
        {"\xff\xfe.jpg", true, true}, {"a.jpe", false, false},      {"a.jfif", false, false},
        {"jpg", false, false},        {"a.jpgx", false, false},     {"a.", false, false},
        {"", false, false},           {"a.jpg ", false, false},     {"a jpg", false, false},
        {"a.jp\xc7", false, false},   {"a.png", false, true},       {"a.jpg.png", false, true},
        {"IMG_1.HEIC", false, true},  {"a.heif", false, true},      {"a.Png", false, true},
        {"a.TIF", false, true},       {"a.tiff", false, true},      {"a.WebP", false, true},
        {".png", false, true},        {"a.gif", false, false},      {"a.heic.txt", false, false},
        {"a.tiffx", false, false},    {"heic", false, false},       {"a.pn", false, false},
        {"a.cr2", false, false},      {"a.JPEG", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsJpegName(QByteArray(c.name)), c.jpeg) << c.name;
        EXPECT_EQ(IsPictureName(QByteArray(c.name), false), c.jpeg) << c.name;
        EXPECT_EQ(IsPictureName(QByteArray(c.name), true), c.more) << c.name;
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
        // Names keep their bytes, UTF-8 or not.
        {"/photos", "/prints", "/photos", "caf\xe9.jpg", "/prints/_caf\xe9.jpg"},
        {"/photos", "/prints", "/photos/\xff\xfe", "x.jpg", "/prints/\xff\xfe_x.jpg"},
        // The cut is a JPEG whatever the source: a.HEIC and a.jpg keep two cuts.
        {"/photos", "/prints", "/photos", "IMG_0001.HEIC", "/prints/_IMG_0001.HEIC.jpg"},
        {"/photos", "/prints", "/photos/scans", "a.tiff", "/prints/scans_a.tiff.jpg"},
        {"/photos", "/prints", "/photos", "a.webp", "/prints/_a.webp.jpg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MakeDestPath(QByteArray(c.source), QByteArray(c.dest), QByteArray(c.folder),
                               QByteArray(c.name))
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
    EXPECT_EQ(JoinPath("/", "a"), QByteArray("/a"));
    EXPECT_EQ(JoinPath("/p", "a"), QByteArray("/p/a"));
}

TEST(WalkNames, ResumeNumberIsThePositionOfTheImageOnScreen) {
    EXPECT_EQ(ResumeText(0), QString());
    EXPECT_EQ(ResumeText(1), QString());  // stopped on the first image
    EXPECT_EQ(ResumeText(2), QStringLiteral("1"));
    EXPECT_EQ(ResumeText(3), QStringLiteral("2"));
}

TEST(FolderListing, SortsByNameWithAsciiLettersFoldedThenByteByByte) {
    QByteArrayList names = {"b.jpg", "A.jpg",    "a_1.jpg",      "aB.jpg", ".hidden.jpg",
                            "_x",    "a.jpg",    "\xc3\xa4.jpg", "Z",      "10.jpg",
                            "9.jpg", "\xe4.jpg", "\xff.jpg"};
    std::sort(names.begin(), names.end(), [](const QByteArray& x, const QByteArray& y) {
        return FolderListing::CompareNames(x, y) < 0;
    });
    // "_" (0x5F) sorts after the upper-case letters; "A" and "a" are equal when
    // folded and then ordered by their bytes; "ä" in UTF-8 and in Latin-1 and
    // other bytes that are no UTF-8 come last, by their bytes.
    const QByteArrayList expected = {".hidden.jpg",  "10.jpg",   "9.jpg",   "A.jpg", "a.jpg",
                                     "aB.jpg",       "a_1.jpg",  "b.jpg",   "Z",     "_x",
                                     "\xc3\xa4.jpg", "\xe4.jpg", "\xff.jpg"};
    EXPECT_EQ(names, expected);
}

TEST(FolderListing, ReadsFilesAndFoldersInterleavedHiddenIncluded) {
    pictavo::test::TempDir tmp;
    const QString root = QString::fromStdString(tmp.path());
    QDir dir(root);
    ASSERT_TRUE(dir.mkdir(QStringLiteral("B_sub")));
    ASSERT_TRUE(dir.mkdir(QStringLiteral("a")));
    for (const char* name : {"c.jpg", ".dot.jpg", "b.JPG", "B.txt", "caf\xe9.jpg"}) {
        pictavo::test::writeBytes(tmp.file(name), {});
    }
    const QList<FolderEntry> entries = FolderListing::Read(QFile::encodeName(root));
    QByteArrayList names;
    QList<bool> dirs;
    for (const FolderEntry& e : entries) {
        names << e.name;
        dirs << e.isDir;
    }
    EXPECT_EQ(names,
              (QByteArrayList{".dot.jpg", "a", "b.JPG", "B.txt", "B_sub", "c.jpg", "caf\xe9.jpg"}));
    EXPECT_EQ(dirs, (QList<bool>{false, true, false, false, true, false, false}));
    EXPECT_TRUE(FolderListing::Read(QFile::encodeName(root) + "/missing").isEmpty());
}
