#include "crop/PicturePyramid.h"

#include <gtest/gtest.h>

using pictavo::halved;
using pictavo::Picture;
using pictavo::PicturePyramid;

namespace {

Picture gradient(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            p.scanLine(y)[3 * x] = static_cast<std::uint8_t>(x * 7 + y);
            p.scanLine(y)[3 * x + 1] = static_cast<std::uint8_t>(y * 5);
            p.scanLine(y)[3 * x + 2] = static_cast<std::uint8_t>(255 - x);
        }
    }
    return p;
}

}  // namespace

TEST(Halved, EachPixelIsTheRoundedMeanOfItsTwoByTwoBlock) {
    // Widths around the ten-pixel steps of the wide path and its tail.
    for (const int width : {7, 22, 23, 41, 131}) {
        const Picture src = gradient(width, 5);
        const Picture half = halved(src);
        ASSERT_EQ(half.width(), width / 2);
        ASSERT_EQ(half.height(), 2);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < width / 2; ++x) {
                for (int c = 0; c < 3; ++c) {
                    const int sum =
                        src.scanLine(2 * y)[6 * x + c] + src.scanLine(2 * y)[6 * x + 3 + c] +
                        src.scanLine(2 * y + 1)[6 * x + c] + src.scanLine(2 * y + 1)[6 * x + 3 + c];
                    ASSERT_EQ(half.scanLine(y)[3 * x + c], (sum + 2) / 4)
                        << width << ": " << x << "," << y << "," << c;
                }
            }
        }
    }
}

TEST(Halved, OnePixelWideOrHighPicturesPairTheLineWithItself) {
    Picture column(1, 4);
    column.fill(0, 0, 0);
    column.scanLine(0)[0] = 10;
    column.scanLine(1)[0] = 21;
    const Picture c = halved(column);
    ASSERT_EQ(c.width(), 1);
    ASSERT_EQ(c.height(), 2);
    EXPECT_EQ(c.scanLine(0)[0], 16);  // (10 + 10 + 21 + 21 + 2) / 4
    Picture dot(1, 1);
    dot.fill(9, 8, 7);
    const Picture d = halved(dot);
    ASSERT_EQ(d.width(), 1);
    EXPECT_EQ(d.scanLine(0)[2], 7);
    EXPECT_TRUE(halved(Picture()).isNull());
}

TEST(PicturePyramid, ChoosesTheSmallestLevelThatStillCoversTheRequest) {
    const Picture src = gradient(600, 400);
    PicturePyramid pyramid;
    pyramid.reset(&src);
    EXPECT_EQ(&pyramid.levelFor(600, 400), &src);
    EXPECT_EQ(&pyramid.levelFor(2000, 100), &src);  // larger than the source
    EXPECT_EQ(pyramid.halvingsMade(), 0);
    const Picture& quarter = pyramid.levelFor(150, 100);
    EXPECT_EQ(quarter.width(), 150);
    EXPECT_EQ(quarter.height(), 100);
    EXPECT_EQ(pyramid.halvingsMade(), 2);
    const Picture& half = pyramid.levelFor(151, 60);
    EXPECT_EQ(half.width(), 300);
    // Levels are kept, not made again.
    EXPECT_EQ(&pyramid.levelFor(150, 100), &quarter);
    EXPECT_EQ(pyramid.halvingsMade(), 2);
    // A tiny request stops at 1 x 1.
    EXPECT_EQ(pyramid.levelFor(0, 0).width(), 1);
    pyramid.reset(nullptr);
    EXPECT_EQ(pyramid.halvingsMade(), 0);
    EXPECT_THROW(pyramid.levelFor(1, 1), std::logic_error);
}
