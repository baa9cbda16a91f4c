#include "core/JpegEncoder.h"

#include <gtest/gtest.h>

#include <string>

#include "core/JpegDecoder.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace pictavo;
using namespace pictavo::test;

namespace {

// Busy pixels: the pattern plus noise, so every coefficient and table entry
// matters.
Picture busyPicture(int width, int height) {
    Picture p = fixturePicture(width, height);
    unsigned seed = 12345;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = p.scanLine(y);
        for (int i = 0; i < width * 3; ++i) {
            seed = seed * 1103515245u + 12345u;
            row[i] = static_cast<std::uint8_t>(row[i] + ((seed >> 16) % 41) - 20);
        }
    }
    return p;
}

// What the library's own tool writes for the same pixels.
std::vector<std::uint8_t> cjpegBytes(const TempDir& dir, const Picture& picture, const Rect& area,
                                     int quality) {
    std::vector<std::uint8_t> bytes = cjpegReference(picture, area, quality, dir.path());
    EXPECT_FALSE(bytes.empty());
    return bytes;
}

class EncodeMatchesCjpeg : public testing::TestWithParam<int> {};

TEST_P(EncodeMatchesCjpeg, WholePicture) {
    TempDir dir;
    const Picture picture = busyPicture(67, 45);
    const Rect all{0, 0, 67, 45};
    EXPECT_EQ(encodeJpeg(picture, all, GetParam()), cjpegBytes(dir, picture, all, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Qualities, EncodeMatchesCjpeg, testing::Values(1, 37, 90, 100));

TEST(JpegEncoder, CutsMatchCjpegAndAreBlackOutsideThePicture) {
    TempDir dir;
    const Picture picture = busyPicture(80, 60);
    const Rect cuts[] = {
        {10, 5, 73, 50},      // inside
        {-7, 20, 50, 71},     // over the left and bottom edges
        {60, -9, 95, 30},     // over the right and top edges
        {-5, -5, 85, 65},     // around the whole picture
        {100, 100, 120, 110}  // beside it: all black
    };
    for (const Rect& cut : cuts) {
        EXPECT_EQ(encodeJpeg(picture, cut, 90), cjpegBytes(dir, picture, cut, 90))
            << cut.left << "," << cut.top << "," << cut.right << "," << cut.bottom;
    }
}

// A grey source still gives a three-component colour file.
TEST(JpegEncoder, GreyPicturesAreWrittenWithThreeComponents) {
    TempDir dir;
    JpegFixtureOptions o;
    o.colour = JpegFixtureOptions::Colour::Grey;
    const Picture grey = decodeJpegFile(writeJpegFixture(dir.path(), "g.jpg", o));
    const std::vector<std::uint8_t> out =
        encodeJpeg(grey, Rect{0, 0, grey.width(), grey.height()}, 80);
    const std::size_t sof = findStartOfFrame(out);
    ASSERT_NE(sof, std::string::npos);
    EXPECT_EQ(out[sof + 1], 0xC0);  // baseline
    EXPECT_EQ(out[sof + 9], 3);
    EXPECT_EQ(std::string(out.begin() + 6, out.begin() + 11), std::string("JFIF\0", 5));
}

TEST(JpegEncoder, RefusesWhatCannotBeEncoded) {
    const Picture picture = busyPicture(8, 8);
    EXPECT_THROW(encodeJpeg(picture, Rect{0, 0, 8, 8}, 0), JpegError);
    EXPECT_THROW(encodeJpeg(picture, Rect{0, 0, 8, 8}, 101), JpegError);
    EXPECT_THROW(encodeJpeg(picture, Rect{4, 0, 4, 8}, 90), JpegError);
    EXPECT_THROW(encodeJpeg(picture, Rect{0, 8, 8, 0}, 90), JpegError);
    EXPECT_THROW(encodeJpeg(picture, Rect{-2147483647 - 1, 0, 2147483647, 8}, 90), JpegError);
    EXPECT_THROW(encodeJpeg(Picture(), Rect{0, 0, 0, 0}, 90), JpegError);
}

TEST(JpegEncoder, WritesTheFileAndReplacesAnOldOne) {
    TempDir dir;
    const Picture picture = busyPicture(30, 20);
    writeBytes(dir.file("out.jpg"), {'o', 'l', 'd'});
    writeJpegFile(picture, Rect{0, 0, 30, 20}, 75, dir.file("out.jpg"));
    EXPECT_EQ(readBytes(dir.file("out.jpg")), encodeJpeg(picture, Rect{0, 0, 30, 20}, 75));
}

}  // namespace
