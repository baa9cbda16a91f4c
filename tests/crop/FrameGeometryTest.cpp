#include "crop/FrameGeometry.h"

#include <gtest/gtest.h>

using pictavo::Point;
using pictavo::Rect;
using namespace pictavo::frame;

namespace {

struct CropCase {
    int width;
    int height;
    long double ratio;
    Size crop;
    Rect start;
};

class CropSizeTest : public ::testing::TestWithParam<CropCase> {};

TEST_P(CropSizeTest, SizeAndCentredStart) {
    const CropCase& c = GetParam();
    const Size crop = calcCropSize(c.width, c.height, c.ratio);
    EXPECT_EQ(crop, c.crop);
    EXPECT_EQ(centredFrame({c.width, c.height}, crop), c.start);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, CropSizeTest,
    ::testing::Values(
        // 333 / 2 rounds toward zero.
        CropCase{4000, 3000, 1.5L, {4000, 2667}, {0, 166, 4000, 2833}},
        CropCase{3000, 2000, 1.5L, {3000, 2000}, {0, 0, 3000, 2000}},
        CropCase{2000, 3000, 1.5L, {2000, 3000}, {0, 0, 2000, 3000}},
        CropCase{3000, 4000, 1.5L, {2667, 4000}, {166, 0, 2833, 4000}},
        // Square pictures get a full-width frame that slides vertically.
        CropCase{1000, 1000, 1.5L, {1000, 667}, {0, 166, 1000, 833}},
        // Cut taller than the picture: the start is negative, -500 toward zero.
        CropCase{3000, 1000, 1.5L, {3000, 2000}, {0, -500, 3000, 1500}},
        CropCase{3001, 1000, 1.5L, {3001, 2001}, {0, -500, 3001, 1501}},
        // 2800 / 1.4 is 2000 in extended precision; in double it is a hair
        // above and would ceil to 2001.
        CropCase{2800, 2000, 1.4L, {2800, 2000}, {0, 0, 2800, 2000}},
        CropCase{2000, 2800, 1.4L, {2000, 2800}, {0, 0, 2000, 2800}},
        // Portrait narrower than 1 : ratio, across its width.
        CropCase{1000, 3000, 1.5L, {2000, 3000}, {-500, 0, 1500, 3000}},
        // 1.33 is the smallest ratio; Ceil(4000 / 1.33) = 3008 (3007.5...).
        CropCase{4000, 3000, 1.33L, {4000, 3008}, {0, -4, 4000, 3004}}));

TEST(MoveFrame, SlidesAlongTheFreeAxisOnly) {
    const Size image{4000, 3000};
    const Rect start{0, 166, 4000, 2833};
    EXPECT_EQ(moveFrame(start, 25, 10, image), (Rect{0, 176, 4000, 2843}));
    EXPECT_EQ(moveFrame(start, -25, -10, image), (Rect{0, 156, 4000, 2823}));
}

TEST(MoveFrame, DraggingPastAnEdgeLeavesItTouchingThatEdge) {
    const Size image{4000, 3000};
    Rect frame{0, 166, 4000, 2833};
    frame = moveFrame(frame, 0, 10000, image);
    EXPECT_EQ(frame, (Rect{0, 333, 4000, 3000}));
    EXPECT_EQ(moveFrame(frame, 0, 1, image), frame);
    frame = moveFrame(frame, 0, -10000, image);
    EXPECT_EQ(frame, (Rect{0, 0, 4000, 2667}));
    EXPECT_EQ(moveFrame(frame, 0, -1, image), frame);

    const Size portrait{3000, 4000};
    Rect side{166, 0, 2833, 4000};
    side = moveFrame(side, 5000, 7, portrait);
    EXPECT_EQ(side, (Rect{333, 0, 3000, 4000}));
    side = moveFrame(side, -5000, -7, portrait);
    EXPECT_EQ(side, (Rect{0, 0, 2667, 4000}));
}

TEST(MoveFrame, CutTallerThanThePictureEndsOnTheBottomEdge) {
    const Size image{3000, 1000};
    const Rect start = centredFrame(image, calcCropSize(3000, 1000, 1.5L));
    ASSERT_EQ(start.top, -500);
    for (int dy : {-7, 0, 1, 400}) {
        EXPECT_EQ(moveFrame(start, 0, dy, image), (Rect{0, -1000, 3000, 1000})) << dy;
    }
}

TEST(MouseDelta, CeilOfDistanceOverScale) {
    EXPECT_EQ(mouseDelta(100, 2.0L), 50);
    EXPECT_EQ(mouseDelta(-1, 2.0L), 0);
    EXPECT_EQ(mouseDelta(1, 2.0L), 1);
    EXPECT_EQ(mouseDelta(-3, 2.0L), -1);
    EXPECT_EQ(mouseDelta(0, 2.0L), 0);
    // Small pictures: the frame moves faster than the mouse.
    EXPECT_EQ(mouseDelta(3, 0.5L), 6);
    // 3000 / 800 = 3.75: 7 / 3.75 = 1.87 -> 2; -7 / 3.75 -> -1.
    EXPECT_EQ(mouseDelta(7, 3000.0L / 800), 2);
    EXPECT_EQ(mouseDelta(-7, 3000.0L / 800), -1);
    // An exact multiple in extended precision is not pushed up by rounding.
    EXPECT_EQ(mouseDelta(30, 3.0L), 10);
    EXPECT_EQ(mouseDelta(3, 3000.0L / 1000), 1);
}

TEST(FollowMouse, FirstMovementOnlyRecordsThePosition) {
    Point last;
    Rect frame{0, 500, 2000, 1500};
    const Size image{2000, 2000};
    EXPECT_FALSE(followMouse({300, 200}, last, true, frame, image, 2.0L));
    EXPECT_EQ(last, (Point{300, 200}));
    EXPECT_EQ(frame, (Rect{0, 500, 2000, 1500}));

    // Scale 2: 100 screen pixels down move 50 source pixels, 1 up nothing, 1 down 1.
    EXPECT_TRUE(followMouse({300, 300}, last, true, frame, image, 2.0L));
    EXPECT_EQ(frame.top, 550);
    EXPECT_TRUE(followMouse({300, 299}, last, true, frame, image, 2.0L));
    EXPECT_EQ(frame.top, 550);
    EXPECT_EQ(last, (Point{300, 299}));
    EXPECT_TRUE(followMouse({300, 300}, last, true, frame, image, 2.0L));
    EXPECT_EQ(frame.top, 551);
}

TEST(FollowMouse, FrozenFrameKeepsTheLastPositionForTheNextImage) {
    Point last{100, 100};
    Rect frame{0, 500, 2000, 1500};
    const Size image{2000, 2000};
    EXPECT_FALSE(followMouse({100, 160}, last, false, frame, image, 1.0L));
    EXPECT_EQ(last, (Point{100, 100}));
    EXPECT_EQ(frame.top, 500);
    // Next image: the whole distance since the last processed movement applies.
    EXPECT_TRUE(followMouse({100, 170}, last, true, frame, image, 1.0L));
    EXPECT_EQ(frame.top, 570);
}

TEST(FollowMouse, NothingBeforeTheFirstImage) {
    Point last{10, 10};
    Rect frame;  // right edge 0: no image yet
    EXPECT_FALSE(followMouse({20, 20}, last, true, frame, {0, 0}, 1.0L));
    EXPECT_EQ(last, (Point{10, 10}));
}

TEST(FrameStrips, VerticalFrameGivesBelowThenAbove) {
    const Size image{4000, 3000};
    const auto strips = frameStrips({0, 166, 4000, 2833}, {4000, 2667}, image);
    EXPECT_EQ(strips[0], (Rect{0, 2833, 4000, 3000}));
    EXPECT_EQ(strips[1], (Rect{0, 0, 4000, 166}));
}

TEST(FrameStrips, HorizontalFrameGivesRightThenLeft) {
    const Size image{3000, 4000};
    const auto strips = frameStrips({100, 0, 2767, 4000}, {2667, 4000}, image);
    EXPECT_EQ(strips[0], (Rect{2767, 0, 3000, 4000}));
    EXPECT_EQ(strips[1], (Rect{0, 0, 100, 4000}));
}

TEST(FrameStrips, StripsWithoutAreaAreEmpty) {
    // Touching the top edge: no strip above.
    auto strips = frameStrips({0, 0, 4000, 2667}, {4000, 2667}, {4000, 3000});
    EXPECT_TRUE(strips[1].isEmpty());
    EXPECT_FALSE(strips[0].isEmpty());
    // Frame equal to the picture.
    strips = frameStrips({0, 0, 3000, 2000}, {3000, 2000}, {3000, 2000});
    EXPECT_TRUE(strips[0].isEmpty());
    EXPECT_TRUE(strips[1].isEmpty());
    // Cut taller than the picture, at its start and after moving.
    for (const Rect frame : {Rect{0, -500, 3000, 1500}, Rect{0, -1000, 3000, 1000}}) {
        strips = frameStrips(frame, {3000, 2000}, {3000, 1000});
        EXPECT_TRUE(strips[0].isEmpty());
        EXPECT_TRUE(strips[1].isEmpty());
    }
    // Portrait narrower than 1 : ratio.
    strips = frameStrips({-500, 0, 1500, 3000}, {2000, 3000}, {1000, 3000});
    EXPECT_TRUE(strips[0].isEmpty());
    EXPECT_TRUE(strips[1].isEmpty());
}

}  // namespace
