#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>

#include "adjust/ProEffectImage.h"
#include "core/Picture.h"

using pictavo::Picture;

namespace {

Picture zeros(int w, int h) {
    Picture p(w, h);
    p.fill(0, 0, 0);
    return p;
}

Picture noise(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    Picture p(w, h);
    for (int y = 0; y < h; ++y) {
        for (int i = 0; i < 3 * w; ++i) {
            p.scanLine(y)[i] = static_cast<std::uint8_t>(random());
        }
    }
    return p;
}

std::uint8_t& at(Picture& p, int x, int y, int k) {
    return p.scanLine(y)[3 * x + k];
}

// The smoothing as written: corners ordered, clipped to the interior, then
// every channel in place from the top left.
void plainAntiAlias(Picture& p, int l, int t, int r, int b) {
    if (r < l)
        std::swap(l, r);
    if (b < t)
        std::swap(t, b);
    l = std::max(1, l);
    t = std::max(1, t);
    r = std::min(p.width() - 2, r);
    b = std::min(p.height() - 2, b);
    for (int y = t; y <= b; ++y) {
        for (int x = l; x <= r; ++x) {
            for (int k = 0; k < 3; ++k) {
                at(p, x, y, k) =
                    static_cast<std::uint8_t>((at(p, x, y - 1, k) + at(p, x, y + 1, k) +
                                               at(p, x - 1, y, k) + at(p, x + 1, y, k)) >>
                                              2);
            }
        }
    }
}

bool samePixels(const Picture& a, const Picture& b) {
    for (int y = 0; y < a.height(); ++y) {
        for (int i = 0; i < 3 * a.width(); ++i) {
            if (a.scanLine(y)[i] != b.scanLine(y)[i]) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

TEST(AntiAlias, SmallPictures) {
    // 3 x 3: only the centre changes, and the centre's own value is ignored.
    Picture p = zeros(3, 3);
    at(p, 1, 0, 0) = 10;
    at(p, 1, 2, 0) = 20;
    at(p, 0, 1, 0) = 30;
    at(p, 2, 1, 0) = 41;
    at(p, 1, 1, 0) = 255;
    pictavo::AntiAliasFilter(p);
    EXPECT_EQ(at(p, 1, 1, 0), (10 + 20 + 30 + 41) >> 2);
    EXPECT_EQ(at(p, 0, 1, 0), 30);

    // 4 x 3: the second pixel uses the first one's smoothed value.
    Picture q = zeros(4, 3);
    at(q, 0, 1, 2) = 200;
    pictavo::AntiAliasFilter(q);
    EXPECT_EQ(at(q, 1, 1, 2), 50);
    EXPECT_EQ(at(q, 2, 1, 2), 12);
    EXPECT_EQ(at(q, 0, 1, 2), 200);
    EXPECT_EQ(at(q, 1, 1, 1), 0);

    for (const auto& [w, h] : {std::pair{2, 5}, std::pair{5, 2}, std::pair{1, 1}}) {
        Picture small = noise(w, h, 7);
        const Picture before = small;
        pictavo::AntiAliasFilter(small);
        EXPECT_TRUE(samePixels(small, before)) << w << " x " << h;
    }
}

TEST(AntiAlias, MatchesThePlainInPlaceLoop) {
    struct Case {
        int w, h, left, top, right, bottom;
    } const cases[] = {
        {37, 23, 0, 0, 37, 23},        // the whole picture
        {37, 23, 30, 15, 5, 4},        // reversed corners
        {37, 23, -10, -10, 100, 100},  // beyond the picture
        {37, 23, 8, 9, 8, 9},          // one pixel
        {37, 23, 40, 3, 50, 9},        // right of the picture: nothing
        {3, 40, 0, 0, 3, 40},          // one column
        {301, 5, 0, 0, 301, 5},
        // Large enough to be smoothed in bands of columns side by side.
        {700, 400, 0, 0, 700, 400},
        {1100, 300, 5, 290, 1090, 5},
    };
    for (const Case& c : cases) {
        const Picture input = noise(c.w, c.h, static_cast<unsigned>(c.w * 31 + c.left));
        Picture want = input;
        plainAntiAlias(want, c.left, c.top, c.right, c.bottom);
        Picture got = input;
        pictavo::AntiAliasRect(got, c.left, c.top, c.right, c.bottom);
        EXPECT_TRUE(samePixels(got, want)) << c.w << " x " << c.h << " (" << c.left << ", " << c.top
                                           << ", " << c.right << ", " << c.bottom << ")";
    }
}
