#include "core/Orientation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"
#include "support/ExifFixtures.h"
#include "support/JpegFixtures.h"

using namespace pictavo;
using namespace pictavo::test;

namespace {

// A picture drawn as a grid of letters, each letter a square block of one
// colour. Upright, the photo reads "abc" over "def".
const std::vector<std::string> kUpright = {"abc", "def"};

struct Stored {
    int tag;
    std::vector<std::string> rows;  // how the camera stored the upright photo
};

const Stored kStored[] = {
    {1, {"abc", "def"}},     {2, {"cba", "fed"}},     {3, {"fed", "cba"}},
    {4, {"def", "abc"}},     {5, {"ad", "be", "cf"}}, {6, {"cf", "be", "ad"}},
    {7, {"fc", "eb", "da"}}, {8, {"da", "eb", "fc"}},
};

Rgb colourOf(char letter) {
    static const Rgb colours[] = {{230, 20, 20},  {20, 200, 40},  {30, 40, 220},
                                  {240, 220, 30}, {20, 200, 210}, {120, 30, 160}};
    return colours[letter - 'a'];
}

Picture drawGrid(const std::vector<std::string>& rows, int block) {
    Picture picture(static_cast<int>(rows[0].size()) * block,
                    static_cast<int>(rows.size()) * block);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const Rgb c = colourOf(rows[y / block][x / block]);
            std::uint8_t* p = picture.scanLine(y) + 3 * x;
            p[0] = c.blue;
            p[1] = c.green;
            p[2] = c.red;
        }
    }
    return picture;
}

// Every block's centre is within `tolerance` of its letter's colour.
::testing::AssertionResult showsGrid(const Picture& picture, const std::vector<std::string>& rows,
                                     int block, int tolerance) {
    if (picture.width() != static_cast<int>(rows[0].size()) * block ||
        picture.height() != static_cast<int>(rows.size()) * block) {
        return ::testing::AssertionFailure()
               << "size " << picture.width() << " x " << picture.height();
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const int x = static_cast<int>(c) * block + block / 2;
            const int y = static_cast<int>(r) * block + block / 2;
            const std::uint8_t* p = picture.scanLine(y) + 3 * x;
            const Rgb want = colourOf(rows[r][c]);
            if (std::abs(p[0] - want.blue) > tolerance || std::abs(p[1] - want.green) > tolerance ||
                std::abs(p[2] - want.red) > tolerance) {
                return ::testing::AssertionFailure() << "block " << rows[r][c] << " wrong";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

class EveryOrientation : public ::testing::TestWithParam<Stored> {};

TEST_P(EveryOrientation, TurnsTheStoredPictureUpright) {
    const Stored& s = GetParam();
    const Picture stored = drawGrid(s.rows, 5);
    EXPECT_TRUE(showsGrid(orientedPicture(stored, orientationFromTag(s.tag)), kUpright, 5, 0));
}

// The decoder turns a tagged file as it reads it, strip by strip; a block of
// 40 pixels spans several strips and a strip ends inside a block.
TEST_P(EveryOrientation, TaggedFileDecodesUpright) {
    const Stored& s = GetParam();
    const Picture stored = drawGrid(s.rows, 40);
    ExifFixture exif;
    exif.orientation = s.tag;
    const std::vector<std::uint8_t> file =
        withSegments(encodeJpeg(stored, {0, 0, stored.width(), stored.height()}, 95),
                     {{0xE1, makeExifBlock(exif)}});
    const DecodedJpeg upright =
        decodeJpegMemory(file.data(), file.size(), {.upright = true, .keepMetadata = false});
    EXPECT_TRUE(showsGrid(upright.picture, kUpright, 40, 6));
    EXPECT_EQ(upright.turned, orientationFromTag(s.tag));
    EXPECT_EQ(upright.metadata.turned, s.tag != 1);
    // Without the option the stored rows come as they are.
    EXPECT_TRUE(showsGrid(decodeJpegMemory(file.data(), file.size()), s.rows, 40, 6));
}

// Where the pixel stored at (x, y) of a width x height picture is seen
// upright, as {column, row}.
std::pair<int, int> landing(int tag, int x, int y, int width, int height) {
    switch (tag) {
        case 2:
            return {width - 1 - x, y};
        case 3:
            return {width - 1 - x, height - 1 - y};
        case 4:
            return {x, height - 1 - y};
        case 5:
            return {y, x};
        case 6:
            return {height - 1 - y, x};
        case 7:
            return {height - 1 - y, width - 1 - x};
        case 8:
            return {y, width - 1 - x};
        default:
            return {x, y};
    }
}

// Each pixel names its own place, so a pixel put one off shows.
Picture numberedPicture(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = picture.scanLine(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x * 7 + y * 13);
        }
    }
    return picture;
}

// `upright` holds every pixel of `stored` where the tag puts it, exactly.
::testing::AssertionResult turnedExactly(const Picture& stored, int tag, const Picture& upright) {
    const bool swap = tag >= 5;
    if (upright.width() != (swap ? stored.height() : stored.width()) ||
        upright.height() != (swap ? stored.width() : stored.height())) {
        return ::testing::AssertionFailure()
               << "size " << upright.width() << " x " << upright.height();
    }
    for (int y = 0; y < stored.height(); ++y) {
        for (int x = 0; x < stored.width(); ++x) {
            const auto [u, v] = landing(tag, x, y, stored.width(), stored.height());
            if (std::memcmp(stored.scanLine(y) + 3 * x, upright.scanLine(v) + 3 * u, 3) != 0) {
                return ::testing::AssertionFailure()
                       << "stored pixel " << x << ", " << y << " not at " << u << ", " << v;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Sizes that end strips and the four-pixel groups the rows are copied in
// part way, and pictures one pixel wide or high.
const std::pair<int, int> kOddSizes[] = {{83, 70}, {1, 37}, {37, 1}, {4, 17}};

TEST_P(EveryOrientation, EveryPixelLandsWhereTheTagSays) {
    const int tag = GetParam().tag;
    for (const auto& [width, height] : kOddSizes) {
        const Picture stored = numberedPicture(width, height);
        EXPECT_TRUE(turnedExactly(stored, tag, orientedPicture(stored, orientationFromTag(tag))))
            << width << " x " << height;
    }
}

// Turned as decoded, a file gives exactly the pixels of its stored decode
// turned afterwards.
TEST_P(EveryOrientation, DecodingUprightTurnsEveryPixel) {
    const int tag = GetParam().tag;
    for (const auto& [width, height] : kOddSizes) {
        ExifFixture exif;
        exif.orientation = tag;
        const Picture drawn = numberedPicture(width, height);
        const std::vector<std::uint8_t> file = withSegments(
            encodeJpeg(drawn, {0, 0, width, height}, 90), {{0xE1, makeExifBlock(exif)}});
        const Picture stored = decodeJpegMemory(file.data(), file.size());
        const DecodedJpeg upright =
            decodeJpegMemory(file.data(), file.size(), {.upright = true, .keepMetadata = false});
        EXPECT_TRUE(turnedExactly(stored, tag, upright.picture)) << width << " x " << height;
    }
}

INSTANTIATE_TEST_SUITE_P(Tags, EveryOrientation, ::testing::ValuesIn(kStored),
                         [](const auto& p) { return "tag" + std::to_string(p.param.tag); });

TEST(Orientation, TagsOutsideOneToEightMeanNormal) {
    for (long tag : {0L, 9L, -6L, 65542L}) {
        EXPECT_EQ(orientationFromTag(tag), Orientation::Normal) << tag;
    }
}

}  // namespace
