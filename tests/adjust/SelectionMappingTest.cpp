#include <gtest/gtest.h>

#include <limits>

#include "adjust/SelectionMapping.h"

using pictavo::Rect;
using pictavo::ViewPlacement;

namespace {

struct Case {
    const char* what;
    Rect client;
    int pictureWidth;
    int pictureHeight;
    ViewPlacement view;
    Rect expected;
};

class SelectionMappingTest : public testing::TestWithParam<Case> {};

TEST_P(SelectionMappingTest, MapsTheToolRectangleOntoThePicture) {
    const Case& c = GetParam();
    EXPECT_EQ(pictavo::selectionToPicture(c.client, c.pictureWidth, c.pictureHeight, c.view),
              c.expected)
        << c.what;
}

constexpr int kMax = std::numeric_limits<int>::max();

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionMappingTest,
    testing::Values(
        // fx = 2999 / 1023, fy = 1999 / 682: 100 -> 293.17 -> 294, 139 -> 407.5 -> 408.
        Case{"fitted 3000 x 2000",
             {100, 142, 139, 181},
             3000,
             2000,
             {0, 42, 1024, 683},
             {294, 294, 408, 408}},
        // Zoomed in and panned: the view starts left of and above the window.
        Case{"zoomed and panned", {0, 0, 9, 9}, 100, 100, {-100, -50, 199, 199}, {50, 25, 55, 30}},
        // Ceil rounds toward the larger value: -1 * 2.5 = -2.5 gives -2.
        Case{"left of the view", {-1, 10, 0, 10}, 6, 6, {0, 10, 3, 3}, {-2, 0, 0, 0}},
        Case{"reversed stays reversed",
             {50, 50, 40, 40},
             100,
             100,
             {0, 0, 100, 100},
             {50, 50, 40, 40}},
        // A view without span along an axis has no scale to map with.
        Case{"view one pixel wide", {0, 0, 5, 5}, 1, 400, {0, 0, 1, 400}, {0, 0, 0, 5}},
        Case{"empty view", {3, 3, 8, 8}, 1, 1, {0, 0, 0, 0}, {0, 0, 0, 0}},
        Case{"far outside a tiny view",
             {kMax - 1, 0, kMax, 0},
             65535,
             10,
             {-kMax, 0, 2, 10},
             {kMax, 0, kMax, 0}}));

}  // namespace
