#include "core/Orientation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
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

INSTANTIATE_TEST_SUITE_P(Tags, EveryOrientation, ::testing::ValuesIn(kStored),
                         [](const auto& p) { return "tag" + std::to_string(p.param.tag); });

TEST(Orientation, TagsOutsideOneToEightMeanNormal) {
    for (long tag : {0L, 9L, -6L, 65542L}) {
        EXPECT_EQ(orientationFromTag(tag), Orientation::Normal) << tag;
    }
}

}  // namespace
