#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "adjust/ProEffectImage.h"
#include "adjust/TProEffectImage.h"
#include "core/Picture.h"
#include "core/Rect.h"

using pictavo::Picture;
using pictavo::Rect;
using pictavo::RedEyeTuning;

namespace {

struct Bgr {
    int blue, green, red;
    friend bool operator==(const Bgr&, const Bgr&) = default;
};

Picture filled(int w, int h, Bgr px) {
    Picture p(w, h);
    p.fill(static_cast<std::uint8_t>(px.blue), static_cast<std::uint8_t>(px.green),
           static_cast<std::uint8_t>(px.red));
    return p;
}

Bgr at(const Picture& p, int x, int y) {
    const std::uint8_t* q = p.scanLine(y) + 3 * x;
    return {q[0], q[1], q[2]};
}

Bgr reduced(Bgr in, RedEyeTuning tuning = {}) {
    Picture p = filled(1, 1, in);
    pictavo::RedEyeFilter(p, {0, 0, 0, 0}, tuning);
    return at(p, 0, 0);
}

constexpr Bgr kRed{50, 60, 200};
constexpr Bgr kCorrected{93, 95, 122};

}  // namespace

TEST(RedEyeFilter, WhichPixelsAreCorrectedAndHow) {
    struct Case {
        const char* what;
        Bgr in;
        RedEyeTuning tuning;
        Bgr out;
    } const cases[] = {
        {"example", kRed, {}, kCorrected},
        {"again: no longer red enough", kCorrected, {}, kCorrected},
        {"redness just above 1", {191, 0, 255}, {}, {156, 119, 168}},
        {"redness just below 1", {192, 0, 255}, {}, {192, 0, 255}},
        {"green decides too", {0, 191, 255}, {}, {119, 156, 168}},
        {"redness exactly 1", {150, 150, 200}, {}, {150, 150, 200}},
        {"exactly 1, lower sensitivity", {150, 150, 200}, {50, 0.99f}, {163, 163, 172}},
        // 4 - 240 / 200 is 2.8 only once rounded to single precision.
        {"redness equal to a sensitivity of 2.8", kRed, {50, 2.8f}, kRed},
        {"no red at all", {0, 0, 0}, {-1000, -100.0f}, {0, 0, 0}},
        {"saturation 0 is grey", kRed, {0, 1.0f}, {103, 103, 103}},
        {"saturation 255 keeps it", kRed, {255, 1.0f}, kRed},
        {"huge saturation clamps", kRed, {INT_MAX, 1.0f}, {0, 0, 255}},
        {"negative saturation", kRed, {-255, 1.0f}, {156, 146, 6}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(reduced(c.in, c.tuning), c.out) << c.what;
    }
}

TEST(RedEyeFilter, OnlyThePixelsOfTheRectangleInsideThePictureChange) {
    struct Case {
        Rect rect;
        Rect changed;  // inclusive; right < left when nothing changes
    } const cases[] = {
        {{1, 1, 2, 3}, {1, 1, 2, 3}},
        {{-5, -5, 100, 100}, {0, 0, 4, 3}},
        {{3, -2, 3, 0}, {3, 0, 3, 0}},
        {{4, 3, 4, 3}, {4, 3, 4, 3}},
        {{3, 1, 2, 3}, {0, 0, -1, -1}},  // reversed horizontally
        {{1, 3, 2, 1}, {0, 0, -1, -1}},  // reversed vertically
        {{5, 0, 9, 3}, {0, 0, -1, -1}},  // right of the picture
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 4, 3}},
    };
    for (const Case& c : cases) {
        Picture p = filled(5, 4, kRed);
        pictavo::TProEffectImage effects;
        effects.Bitmap = &p;
        effects.ReduceRedEye(c.rect);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 5; ++x) {
                const bool inside = x >= c.changed.left && x <= c.changed.right &&
                                    y >= c.changed.top && y <= c.changed.bottom;
                EXPECT_EQ(at(p, x, y), inside ? kCorrected : kRed)
                    << "(" << c.rect.left << ", " << c.rect.top << ", " << c.rect.right << ", "
                    << c.rect.bottom << ") at " << x << ", " << y;
            }
        }
    }
}
