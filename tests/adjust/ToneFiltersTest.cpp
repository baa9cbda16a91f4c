#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "adjust/ProEffectImage.h"
#include "core/Picture.h"

using pictavo::Picture;

namespace {

struct Bgr {
    int blue, green, red;
    friend bool operator==(const Bgr&, const Bgr&) = default;
};

Picture onePixel(Bgr px) {
    Picture p(1, 1);
    p.fill(static_cast<std::uint8_t>(px.blue), static_cast<std::uint8_t>(px.green),
           static_cast<std::uint8_t>(px.red));
    return p;
}

Bgr pixelOf(const Picture& p) {
    const std::uint8_t* q = p.scanLine(0);
    return {q[0], q[1], q[2]};
}

// The formulas as written, in 64 bits so that no amount overflows; C++
// division truncates toward zero.
int clampByte(long long v) {
    return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v));
}

int brightness(int c, long long a) {
    return clampByte(c + a * (255 - c) / 255);
}

int contrast(int c, long long a) {
    const long long d = std::llabs(127 - c) * a / 255;
    return clampByte(c > 127 ? c + d : c - d);
}

int saturation(int c, int grey, long long a) {
    return clampByte(grey + (c - grey) * a / 255);
}

const std::vector<int> kAmounts = {INT_MIN, -1000, -300, -256, -255, -254, -128,   -100, -50,
                                   -2,      -1,    0,    1,    2,    50,   100,    127,  128,
                                   200,     254,   255,  256,  300,  1000, INT_MAX};

// 1024 x 1024 pixels: every pair of blue and green, with red cycling through
// every value against them, so each channel value meets a wide range of grey
// values, and the picture is large enough to be split across threads.
const Picture& colours() {
    static const Picture picture = [] {
        Picture p(1024, 1024);
        for (int y = 0; y < 1024; ++y) {
            std::uint8_t* row = p.scanLine(y);
            for (int x = 0; x < 1024; ++x) {
                const int i = y * 1024 + x;
                row[3 * x] = static_cast<std::uint8_t>(i);
                row[3 * x + 1] = static_cast<std::uint8_t>(i >> 8);
                row[3 * x + 2] = static_cast<std::uint8_t>(i * 7 + (i >> 16) * 85);
            }
        }
        return p;
    }();
    return picture;
}

// Counts the pixels whose filtered value differs from `expected` of the
// pixel's input values (and reports the first).
template <typename Expected>
int mismatches(const Picture& before, const Picture& after, Expected expected) {
    int count = 0;
    for (int y = 0; y < before.height(); ++y) {
        const std::uint8_t* in = before.scanLine(y);
        const std::uint8_t* out = after.scanLine(y);
        for (int x = 0; x < before.width(); ++x, in += 3, out += 3) {
            const Bgr want = expected(in);
            const Bgr got{out[0], out[1], out[2]};
            if (got != want && count++ == 0) {
                ADD_FAILURE() << "input " << int(in[0]) << "," << int(in[1]) << "," << int(in[2])
                              << " gives " << got.blue << "," << got.green << "," << got.red
                              << ", expected " << want.blue << "," << want.green << "," << want.red;
            }
        }
    }
    return count;
}

}  // namespace

TEST(ToneFilters, Examples) {
    struct Case {
        const char* what;
        void (*filter)(Picture&, int);
        Bgr in;
        int amount;
        Bgr out;
    };
    const Case cases[] = {
        {"brighter", pictavo::BrightnessFilter, {100, 100, 100}, 50, {130, 130, 130}},
        {"darker", pictavo::BrightnessFilter, {100, 100, 100}, -50, {70, 70, 70}},
        {"black clamps", pictavo::BrightnessFilter, {0, 0, 0}, -50, {0, 0, 0}},
        {"white stays", pictavo::BrightnessFilter, {255, 255, 255}, -255, {255, 255, 255}},
        {"darkest", pictavo::BrightnessFilter, {200, 100, 127}, -255, {145, 0, 0}},
        {"full white", pictavo::BrightnessFilter, {0, 1, 254}, 255, {255, 255, 255}},
        {"truncates", pictavo::BrightnessFilter, {100, 100, 100}, -1, {100, 100, 100}},
        {"contrast up", pictavo::ContrastFilter, {200, 50, 127}, 100, {228, 20, 127}},
        {"pivot", pictavo::ContrastFilter, {128, 128, 128}, 100, {128, 128, 128}},
        {"contrast down", pictavo::ContrastFilter, {200, 50, 50}, -100, {172, 80, 80}},
        {"full contrast", pictavo::ContrastFilter, {200, 128, 0}, 255, {255, 129, 0}},
        {"flat", pictavo::ContrastFilter, {0, 128, 255}, -255, {127, 127, 127}},
        {"saturation", pictavo::SaturationFilter, {10, 100, 200}, 100, {67, 102, 141}},
        {"grey", pictavo::SaturationFilter, {10, 100, 200}, 0, {103, 103, 103}},
        {"unchanged", pictavo::SaturationFilter, {10, 100, 200}, 255, {10, 100, 200}},
        {"stronger", pictavo::SaturationFilter, {10, 100, 200}, 510, {0, 97, 255}},
    };
    for (const Case& c : cases) {
        Picture p = onePixel(c.in);
        c.filter(p, c.amount);
        EXPECT_EQ(pixelOf(p), c.out) << c.what;
    }
}

TEST(ToneFilters, EveryChannelValueFollowsTheFormulaForEveryAmount) {
    const Picture& input = colours();
    // Filtered in place, and as a copy that still shares the input's pixels
    // (its result goes to a raster of its own).
    const auto check = [&input](void (*filter)(Picture&, int), int a, auto expected) {
        Picture own = input;
        own.detach();
        filter(own, a);
        EXPECT_EQ(0, mismatches(input, own, expected));
        Picture shared = input;
        filter(shared, a);
        EXPECT_EQ(0, mismatches(input, shared, expected));
    };
    for (const int a : kAmounts) {
        SCOPED_TRACE(a);
        check(pictavo::BrightnessFilter, a, [a](const std::uint8_t* in) {
            return Bgr{brightness(in[0], a), brightness(in[1], a), brightness(in[2], a)};
        });
        check(pictavo::ContrastFilter, a, [a](const std::uint8_t* in) {
            return Bgr{contrast(in[0], a), contrast(in[1], a), contrast(in[2], a)};
        });
        check(pictavo::SaturationFilter, a, [a](const std::uint8_t* in) {
            const int g = (in[0] + in[1] + in[2]) / 3;
            return Bgr{saturation(in[0], g, a), saturation(in[1], g, a), saturation(in[2], g, a)};
        });
    }
}

TEST(ToneFilters, AdjustColoursGivesTheThreeFiltersInTheirOrderInOnePass) {
    // An odd width, so rows end off the wide steps.
    Picture input(333, 40);
    for (int y = 0; y < input.height(); ++y) {
        std::copy_n(colours().scanLine(y * 25), 3 * input.width(), input.scanLine(y));
    }
    struct Case {
        int brightness, contrast, saturation;
    } const cases[] = {{45, 0, 255}, {0, -70, 255}, {45, 95, 255},    {-30, 60, 100},
                       {0, 0, 254},  {0, 0, 0},     {300, -300, 1000}};
    Picture into;
    for (const Case& c : cases) {
        Picture want = input;
        pictavo::BrightnessFilter(want, c.brightness);
        pictavo::ContrastFilter(want, c.contrast);
        pictavo::SaturationFilter(want, c.saturation);
        // The last result is written over when nothing else holds it; one
        // still held elsewhere keeps its pixels.
        const Picture held = c.saturation == 100 ? into : Picture();
        const Picture heldCopy = [&] {
            Picture p = held;
            p.detach();
            return p;
        }();
        const std::uint8_t* const before = into.isNull() ? nullptr : into.scanLine(0);
        pictavo::AdjustColours(input, into, {c.brightness, c.contrast, c.saturation});
        EXPECT_EQ(0, mismatches(want, into,
                                [](const std::uint8_t* in) {
                                    return Bgr{in[0], in[1], in[2]};
                                }))
            << c.brightness << " " << c.contrast << " " << c.saturation;
        if (!held.isNull()) {
            EXPECT_EQ(0, mismatches(heldCopy, held, [](const std::uint8_t* in) {
                          return Bgr{in[0], in[1], in[2]};
                      }));
        } else if (before) {
            EXPECT_EQ(into.scanLine(0), before);
        }
    }
}

TEST(ToneFilters, EmptyPicturesAndTheInputCopyAreLeftAlone) {
    for (const auto& [w, h] : {std::pair{0, 0}, std::pair{0, 5}, std::pair{7, 0}}) {
        Picture p(w, h);
        pictavo::BrightnessFilter(p, 100);
        pictavo::ContrastFilter(p, 100);
        pictavo::SaturationFilter(p, 100);
        pictavo::AntiAliasFilter(p);
        EXPECT_EQ(p.width(), w);
        EXPECT_EQ(p.height(), h);
    }
    // The toolbar filters a copy of its untouched picture: the original keeps
    // its pixels although the copy shared them.
    const Picture original = onePixel({10, 100, 200});
    Picture adjusted = original;
    pictavo::BrightnessFilter(adjusted, 50);
    EXPECT_EQ(pixelOf(original), (Bgr{10, 100, 200}));
    EXPECT_EQ(pixelOf(adjusted), (Bgr{58, 130, 210}));
}
