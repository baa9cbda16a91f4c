#include "crop/ViewGeometry.h"

#include <gtest/gtest.h>

using pictavo::centred;
using pictavo::Extent;
using pictavo::fitView;
using pictavo::panned;
using pictavo::ViewBox;
using pictavo::viewStep;
using pictavo::zoomed;

namespace {

const Extent kScreen4x3{1024, 768};

}  // namespace

TEST(ViewFit, ThreeTwoLandscapeOnFourThreeScreenOverhangsBothSides) {
    for (const Extent image : {Extent{3000, 2000}, Extent{6000, 4000}, Extent{1536, 1024}}) {
        const auto fit = fitView(kScreen4x3, image, kScreen4x3);
        EXPECT_EQ(fit.view, (ViewBox{-64, 0, 1152, 768})) << image.width;
        EXPECT_EQ(fit.aspect, 1.5L);
        EXPECT_EQ(fit.scale, static_cast<long double>(image.height) / 768);
    }
}

TEST(ViewFit, PictureWithTheScreensAspectFillsTheScreen) {
    const auto fit = fitView(kScreen4x3, {4000, 3000}, kScreen4x3);
    EXPECT_EQ(fit.view, (ViewBox{0, 0, 1024, 768}));
    const auto wide = fitView({1280, 800}, {1920, 1200}, {1280, 800});
    EXPECT_EQ(wide.view, (ViewBox{0, 0, 1280, 800}));
    EXPECT_EQ(wide.scale, 1.5L);
}

TEST(ViewFit, PortraitAndSquareTakeTheScreenHeight) {
    const auto portrait = fitView(kScreen4x3, {2000, 3000}, kScreen4x3);
    EXPECT_EQ(portrait.view, (ViewBox{256, 0, 512, 768}));
    const auto square = fitView({1280, 800}, {500, 500}, {1280, 800});
    EXPECT_EQ(square.view, (ViewBox{240, 0, 800, 800}));
    EXPECT_EQ(square.scale, 500.0L / 800);
    // 3000 x 4001: width Trunc(768 * 3000 / 4001) = 575, left (1024 - 575) div 2.
    const auto odd = fitView(kScreen4x3, {3000, 4001}, kScreen4x3);
    EXPECT_EQ(odd.view, (ViewBox{224, 0, 575, 768}));
}

TEST(ViewFit, LandscapeNarrowerThanTheScreenIsCentredWithTruncatedHeight) {
    // 1280 x 800 screen, 4:3 picture: width Ceil(800 * 4 / 3) = 1067, height
    // Trunc(1067 * 3 / 4) = 800.
    const auto fit = fitView({1280, 800}, {4000, 3000}, {1280, 800});
    EXPECT_EQ(fit.view, (ViewBox{106, 0, 1067, 800}));
    // 7:5 on 1024 x 768: Ceil(768 * 1.4) = 1076 (1075.2 rounded up), Trunc(1076 / 1.4) = 768.
    const auto seven = fitView(kScreen4x3, {700, 500}, kScreen4x3);
    EXPECT_EQ(seven.view, (ViewBox{-26, 0, 1076, 768}));
}

TEST(ViewFit, CentresInTheClientNotTheScreen) {
    const auto fit = fitView(kScreen4x3, {3000, 2000}, {688, 453});
    EXPECT_EQ(fit.view, (ViewBox{(688 - 1152) / 2, (453 - 768) / 2, 1152, 768}));
    EXPECT_EQ(fit.view.left, -232);  // div truncates toward zero: -464 / 2
    EXPECT_EQ(fit.view.top, -157);   // -315 / 2 = -157.5 -> -157
}

TEST(ViewFit, DegeneratePicturesGiveNoDivisionByZero) {
    const auto empty = fitView(kScreen4x3, {0, 0}, kScreen4x3);
    EXPECT_EQ(empty.view.width, 0);
    const auto sliver = fitView(kScreen4x3, {1, 65000}, kScreen4x3);
    EXPECT_EQ(sliver.view.width, 0);
    EXPECT_EQ(sliver.view.height, 768);
    const auto ribbon = fitView(kScreen4x3, {65000, 1}, kScreen4x3);
    EXPECT_LE(ribbon.view.width, pictavo::kMaxViewExtent);
    EXPECT_GT(ribbon.scale, 0);
}

TEST(ViewZoom, StepIsATenthOfThePictureWidthTruncated) {
    EXPECT_EQ(viewStep(3000), 300);
    EXPECT_EQ(viewStep(3009), 300);
    EXPECT_EQ(viewStep(9), 0);
}

TEST(ViewZoom, ZoomInGrowsWithoutBoundAndStaysCentred) {
    const Extent client{1024, 768};
    ViewBox view{-64, 0, 1152, 768};
    const int step = viewStep(3000);
    for (int i = 1; i <= 40; ++i) {
        const ViewBox next = zoomed(view, step, 1.5L, client);
        EXPECT_EQ(next.width, view.width + 450);
        EXPECT_EQ(next.height, view.height + 300);
        EXPECT_EQ(next.left, (1024 - next.width) / 2);
        EXPECT_EQ(next.top, (768 - next.height) / 2);
        view = next;
    }
    EXPECT_EQ(view.width, 1152 + 40 * 450);
}

TEST(ViewZoom, WidthGrowsByTheTruncatedAspectStep) {
    // 4:3 picture 1000 wide: step 100, width grows by Trunc(100 * 4/3) = 133.
    const ViewBox view = zoomed({0, 0, 1024, 768}, 100, 1000.0L / 750, {1024, 768});
    EXPECT_EQ(view, (ViewBox{(1024 - 1157) / 2, -50, 1157, 868}));
    // Zooming out truncates toward zero too: -133, not -134.
    const ViewBox out = zoomed(view, -100, 1000.0L / 750, {1024, 768});
    EXPECT_EQ(out, (ViewBox{(1024 - 1024) / 2, 0, 1024, 768}));
    // 16:9, where rounding would differ: 100 * 16 / 9 = 177.8 adds 177 and
    // takes away 177 (rounding: 178 both ways).
    const ViewBox wide{0, 0, 1600, 900};
    EXPECT_EQ(zoomed(wide, 100, 1600.0L / 900, {1280, 720}).width, 1777);
    EXPECT_EQ(zoomed(wide, -100, 1600.0L / 900, {1280, 720}).width, 1423);
}

TEST(ViewZoom, ZoomOutStopsBeforeEitherSideFallsBelowHalfTheClient) {
    const Extent client{1024, 768};
    ViewBox view{-64, 0, 1152, 768};
    const int step = -viewStep(3000);  // -300 high, -450 wide
    view = zoomed(view, step, 1.5L, client);
    EXPECT_EQ(view, (ViewBox{(1024 - 702) / 2, 150, 702, 468}));
    // Next: 252 x 168, both below half: refused, nothing moves.
    EXPECT_EQ(zoomed(view, step, 1.5L, client), view);
    // Height alone reaching exactly half is allowed: 768 - 384 = 384.
    const ViewBox tall{0, 0, 2000, 768};
    EXPECT_EQ(zoomed(tall, -384, 1.0L, client).height, 384);
    EXPECT_EQ(zoomed(tall, -385, 1.0L, client), tall);
    // Width alone below half refuses as well.
    const ViewBox narrow{100, 0, 600, 2000};
    EXPECT_EQ(zoomed(narrow, -100, 1.0L, client), narrow);
}

TEST(ViewZoom, GrowthStopsAtTheLargestWidgetExtent) {
    const ViewBox huge{0, 0, pictavo::kMaxViewExtent - 100, 1000};
    EXPECT_EQ(zoomed(huge, 100, 1.5L, {1024, 768}), huge);
}

TEST(ViewPan, RefusesMovesThatBringNothingIntoSight) {
    const Extent client{1280, 800};
    // A picture narrower than the screen and centred: no horizontal pan at all.
    const ViewBox narrow{106, 0, 1067, 800};
    EXPECT_EQ(panned(narrow, -400, 0, client), narrow);
    EXPECT_EQ(panned(narrow, 400, 0, client), narrow);
    EXPECT_EQ(panned(narrow, 0, -400, client), narrow);
    EXPECT_EQ(panned(narrow, 0, 400, client), narrow);
    // Left edge exactly at 0: right refused, left allowed when the right edge overhangs.
    const ViewBox atLeft{0, 0, 2000, 800};
    EXPECT_EQ(panned(atLeft, 300, 0, client), atLeft);
    EXPECT_EQ(panned(atLeft, -300, 0, client), (ViewBox{-300, 0, 2000, 800}));
}

TEST(ViewPan, AStepCarriesAnEdgePastTheWindowOnceThenStops) {
    const Extent client{1024, 768};
    ViewBox view{-64, -100, 1152, 1000};
    view = panned(view, 300, 0, client);
    EXPECT_EQ(view.left, 236);  // not shortened to 0
    EXPECT_EQ(panned(view, 300, 0, client), view);
    view = panned(view, -300, 0, client);
    view = panned(view, -300, 0, client);
    EXPECT_EQ(view.left, -364);  // right edge 788: next left step refused
    EXPECT_EQ(panned(view, -300, 0, client), view);
    // Vertically the same rules, independently of the horizontal ones.
    view = panned(view, 0, -300, client);
    EXPECT_EQ(view.top, -400);
    EXPECT_EQ(panned(view, 0, -300, client), view);  // bottom 600 <= 768
    view = panned(view, 0, 300, client);
    view = panned(view, 0, 300, client);
    EXPECT_EQ(view.top, 200);
    EXPECT_EQ(panned(view, 0, 300, client), view);
}

TEST(ViewCentre, DivTruncatesTowardZero) {
    EXPECT_EQ(centred({5, 5, 1153, 769}, {1024, 768}), (ViewBox{-64, 0, 1153, 769}));
    EXPECT_EQ(centred({0, 0, 101, 101}, {1024, 768}), (ViewBox{461, 333, 101, 101}));
}
