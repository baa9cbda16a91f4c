#include "crop/FrameGeometry.h"

#include <gtest/gtest.h>

#include <array>

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
    // The frame kept inside pictures more elongated than the ratio.
    bool inside = false;
};

class CropSizeTest : public ::testing::TestWithParam<CropCase> {};

TEST_P(CropSizeTest, SizeAndCentredStart) {
    const CropCase& c = GetParam();
    const Size crop = calcCropSize(c.width, c.height, c.ratio, c.inside);
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
        CropCase{4000, 3000, 1.33L, {4000, 3008}, {0, -4, 4000, 3004}},
        // Kept inside: a picture wider than the ratio gets a frame of its
        // height; a portrait one narrower than 1 : ratio one of its width.
        CropCase{3000, 1000, 1.5L, {1500, 1000}, {750, 0, 2250, 1000}, true},
        CropCase{1000, 3000, 1.5L, {1000, 1500}, {0, 750, 1000, 2250}, true},
        // 16:9 at 1.5; 625 / 2 rounds toward zero.
        CropCase{4000, 2250, 1.5L, {3375, 2250}, {312, 0, 3687, 2250}, true},
        // One row short of the ratio: the longest side that still gives 1999
        // rows by the ratio (2999 / 1.5 would need 2000).
        CropCase{3000, 1999, 1.5L, {2998, 1999}, {1, 0, 2999, 1999}, true},
        // 2000 x 1.4 is a hair below 2800 in extended precision; the frame
        // still gets the 2800 that gives 2000 rows.
        CropCase{4000, 2000, 1.4L, {2800, 2000}, {600, 0, 3400, 2000}, true},
        // Pictures within the ratio are framed as without it.
        CropCase{4000, 3000, 1.5L, {4000, 2667}, {0, 166, 4000, 2833}, true},
        CropCase{3000, 4000, 1.5L, {2667, 4000}, {166, 0, 2833, 4000}, true}));

// The frame kept inside slides across the picture, its strips the sides cut.
TEST(MoveFrame, FrameInsideSlidesAcrossAndShowsTheSidesCut) {
    struct Case {
        Size image;
        Rect first;
        Rect last;
        std::array<Rect, 2> stripsAtStart;  // B, then A
    };
    const Case cases[] = {
        {{3000, 1000},
         {0, 0, 1500, 1000},
         {1500, 0, 3000, 1000},
         {Rect{2250, 0, 3000, 1000}, Rect{0, 0, 750, 1000}}},
        {{1000, 3000},
         {0, 0, 1000, 1500},
         {0, 1500, 1000, 3000},
         {Rect{0, 2250, 1000, 3000}, Rect{0, 0, 1000, 750}}},
    };
    for (const Case& c : cases) {
        const Size crop = calcCropSize(c.image.width, c.image.height, 1.5L, true);
        const Rect start = centredFrame(c.image, crop);
        EXPECT_EQ(frameStrips(start, crop, c.image), c.stripsAtStart);
        EXPECT_EQ(moveFrame(start, -10000, -10000, c.image), c.first);
        EXPECT_EQ(moveFrame(start, 10000, 10000, c.image), c.last);
    }
}

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
