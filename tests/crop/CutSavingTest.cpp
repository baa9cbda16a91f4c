#include "crop/CutSaving.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QStringList>

#include "core/JpegDecoder.h"
#include "settings/MessageList.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace pictavo;
using namespace pictavo::test;

namespace {

MessageList cropMessages() {
    return MessageList(
        {QStringLiteral("Invalid Ratio specified. Must be grater than 1,3."),
         QStringLiteral("Invalid Compression quality specified. Must be from 1 to 100."),
         QStringLiteral("Saving "),
         QStringLiteral("File with the same name already exists, overwrite?"),
         QStringLiteral("Overwrite confirmation"), QStringLiteral("Can't load file %s"),
         QStringLiteral("Can't copy file %s to %s"), QStringLiteral("Please wait...")});
}

std::vector<std::uint8_t> cjpeg(const Picture& picture, const Rect& area, int quality,
                                const TempDir& dir) {
    return cjpegReference(picture, area, quality, dir.path());
}

}  // namespace

TEST(CutSaving, SavedAreaIsTheFrameOrTheWholePicture) {
    const Rect frame{0, 166, 4000, 2833};
    EXPECT_EQ(saving::savedArea(true, frame, 4000, 3000), frame);
    EXPECT_EQ(saving::savedArea(false, frame, 4000, 3000), (Rect{0, 0, 4000, 3000}));
}

TEST(CutSaving, CutEqualsTheReferenceEncoderOnTheSameRectangle) {
    TempDir dir;
    const Picture picture = fixturePicture(96, 64);
    const Rect frame{0, 10, 96, 53};
    for (int quality : {100, 75, 12}) {
        const std::string dest = dir.file("cut" + std::to_string(quality) + ".jpg");
        saving::writePicture(picture, frame, quality, dir.file("none.jpg"), dest);
        const auto want = cjpeg(picture, frame, quality, dir);
        ASSERT_FALSE(want.empty()) << "cjpeg failed";
        EXPECT_EQ(readBytes(dest), want) << quality;
    }
}

TEST(CutSaving, CutTallerThanThePictureIsBlackOutsideIt) {
    TempDir dir;
    // 3000 x 1000 at ratio 1.5 scaled down by 20: 150 x 50, cut 150 x 100.
    const Picture picture = fixturePicture(150, 50);
    const Rect frame{0, -50, 150, 50};
    const std::string dest = dir.file("tall.jpg");
    saving::writePicture(picture, frame, 90, dir.file("none.jpg"), dest);
    EXPECT_EQ(readBytes(dest), cjpeg(picture, frame, 90, dir));
    const Picture back = decodeJpegFile(dest);
    ASSERT_EQ(back.width(), 150);
    ASSERT_EQ(back.height(), 100);
    EXPECT_LE(back.scanLine(10)[75 * 3 + 1], 4);
    EXPECT_GE(back.scanLine(90)[75 * 3 + 1], 100);  // green rises downward
}

TEST(CutSaving, ReplacesAnEarlierFileButNeverTheSource) {
    TempDir dir;
    const Picture picture = fixturePicture(32, 24);
    const std::string source = writeJpegFixture(dir.path(), "photo.jpg", {});
    const std::string dest = dir.file("_photo.jpg");
    writeBytes(dest, {1, 2, 3});
    saving::writePicture(picture, {0, 0, 32, 24}, 80, source, dest);
    EXPECT_GT(readBytes(dest).size(), 3u);

    const auto original = readBytes(source);
    const std::string link = dir.file("link.jpg");
    ASSERT_EQ(::symlink(source.c_str(), link.c_str()), 0);
    EXPECT_THROW(saving::writePicture(picture, {0, 0, 16, 24}, 80, source, link),
                 std::runtime_error);
    EXPECT_EQ(readBytes(source), original);
}

// A cut of the file's coded blocks where they allow one, the re-encoded cut
// (at the quality, of the picture shown) where they do not.
TEST(CutSaving, CutCopiesTheBlocksOrIsReencodedWhenItCannot) {
    TempDir dir;
    const auto photo = makeJpegFixture({.width = 96, .height = 64});
    auto cutShort = photo;
    cutShort.resize(photo.size() * 2 / 3);
    const auto cmyk = makeJpegFixture(
        {.width = 96, .height = 64, .colour = JpegFixtureOptions::Colour::AdobeCmyk});
    const struct {
        const char* name;
        const std::vector<std::uint8_t>* jpeg;
        Rect area;
        bool copied;
    } cases[] = {
        {"on the grid", &photo, {16, 16, 96, 64}, true},
        {"off the grid", &photo, {8, 16, 88, 64}, false},
        {"outside the picture", &photo, {0, -16, 96, 48}, false},
        {"CMYK", &cmyk, {16, 16, 96, 64}, false},
        {"cut short", &cutShort, {16, 16, 96, 64}, false},
        {"no bytes", nullptr, {16, 16, 96, 64}, false},
    };
    const std::string source = dir.file("source.jpg");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto& bytes = c.jpeg ? *c.jpeg : photo;
        writeBytes(source, bytes);
        const Picture shown = decodeJpegMemory(bytes.data(), bytes.size());
        const std::string dest = dir.file("cut.jpg");
        EXPECT_EQ(saving::writeCut(shown, c.area, 80, source, dest, nullptr, c.jpeg, {}), c.copied);
        const auto want =
            c.copied ? jpegtranReference(bytes, c.area, dir.path()) : cjpeg(shown, c.area, 80, dir);
        ASSERT_FALSE(want.empty());
        EXPECT_EQ(readBytes(dest), want);
    }
    // Copied or not, the source is never written over, nor a file left
    // behind where the folder is missing.
    const auto original = readBytes(source);
    const std::string link = dir.file("link.jpg");
    ASSERT_EQ(::symlink(source.c_str(), link.c_str()), 0);
    const Picture shown = decodeJpegMemory(photo.data(), photo.size());
    EXPECT_THROW(saving::writeCut(shown, {16, 16, 96, 64}, 80, source, link, nullptr, &photo, {}),
                 std::runtime_error);
    EXPECT_EQ(readBytes(source), original);
    EXPECT_THROW(saving::writeCut(shown, {16, 16, 96, 64}, 80, source, dir.file("no/such/a.jpg"),
                                  nullptr, &photo, {}),
                 std::runtime_error);
    EXPECT_NE(::access(dir.file("no").c_str(), F_OK), 0);
}

TEST(CutSaving, UncutCopyIsByteIdenticalAndKeepsTheSource) {
    TempDir dir;
    JpegFixtureOptions o;
    o.width = 80;
    o.height = 60;
    o.progressive = true;
    const std::string source = writeJpegFixture(dir.path(), "a.JPG", o);
    const auto original = readBytes(source);
    const std::string dest = dir.file("_a.JPG");
    writeBytes(dest, {9, 9});
    saving::copyUncut(source, dest, cropMessages());
    EXPECT_EQ(readBytes(dest), original);
    EXPECT_EQ(readBytes(source), original);
}

TEST(CutSaving, FailedCopyNamesBothPathsAndLeavesTheTargetAlone) {
    TempDir dir;
    const std::string source = writeJpegFixture(dir.path(), "a.jpg", {});
    const std::string missing = dir.file("gone.jpg");
    try {
        saving::copyUncut(missing, dir.file("_gone.jpg"), cropMessages());
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Can't copy file " + missing + " to " + dir.file("_gone.jpg"));
    }
    EXPECT_NE(::access(dir.file("_gone.jpg").c_str(), F_OK), 0);

    // Into a folder that does not exist.
    const std::string nowhere = dir.file("no/such/folder/_a.jpg");
    try {
        saving::copyUncut(source, nowhere, cropMessages());
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Can't copy file " + source + " to " + nowhere);
    }
    // Onto itself.
    EXPECT_THROW(saving::copyUncut(source, source, cropMessages()), std::runtime_error);
}
