#include "core/Downscale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

using pictavo::downscaleToRgb32;
using pictavo::Picture;

namespace {

// Noise: neighbours differ as much as they can, which shows any weight that
// is off.
Picture noise(int w, int h, std::uint32_t seed) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = p.scanLine(y);
        for (int i = 0; i < 3 * w; ++i) {
            seed = seed * 1664525u + 1013904223u;
            row[i] = static_cast<std::uint8_t>(seed >> 24);
        }
    }
    return p;
}

std::vector<std::uint32_t> shrink(const Picture& source, int w, int h) {
    // Rows a few pixels longer than needed: the stride is honoured.
    const int stride = w + 3;
    std::vector<std::uint32_t> out(static_cast<std::size_t>(stride) * h, 0x12345678u);
    downscaleToRgb32(source, w, h, reinterpret_cast<std::uint8_t*>(out.data()),
                     static_cast<std::ptrdiff_t>(stride) * 4);
    std::vector<std::uint32_t> packed;
    for (int y = 0; y < h; ++y) {
        packed.insert(packed.end(), out.begin() + y * stride, out.begin() + y * stride + w);
        // Nothing is written past a row's last pixel.
        EXPECT_EQ(out[static_cast<std::size_t>(y * stride + w)], 0x12345678u);
    }
    return packed;
}

// Channel c (0 blue, 1 green, 2 red) of output pixel (x, y): the mean of the
// source over the area the pixel covers, each source pixel weighed by the
// part of it inside.
double areaMean(const Picture& source, int w, int h, int x, int y, int c) {
    const double sx = static_cast<double>(source.width()) / w;
    const double sy = static_cast<double>(source.height()) / h;
    double sum = 0;
    for (int j = 0; j < source.height(); ++j) {
        const double cy = std::min(j + 1.0, (y + 1) * sy) - std::max<double>(j, y * sy);
        if (cy <= 0) {
            continue;
        }
        for (int i = 0; i < source.width(); ++i) {
            const double cx = std::min(i + 1.0, (x + 1) * sx) - std::max<double>(i, x * sx);
            if (cx > 0) {
                sum += cx * cy * source.scanLine(j)[3 * i + c];
            }
        }
    }
    return sum / (sx * sy);
}

}  // namespace

TEST(Downscale, EachPixelIsTheMeanOfTheAreaItCovers) {
    struct Case {
        int sourceWidth, sourceHeight, width, height;
    } const cases[] = {
        {40, 30, 20, 15},      // halved
        {37, 23, 20, 12},      // a 24-megapixel photograph on a 4K screen is about this
        {50, 40, 41, 39},      // barely smaller
        {300, 5, 7, 5},        // many columns to a pixel, rows kept
        {5, 200, 5, 3},        // many rows to a pixel, columns kept
        {1, 9, 1, 4},          // one pixel wide
        {9, 1, 4, 1},          // one pixel high
        {13, 11, 1, 1},        // the mean of everything
        {700, 600, 523, 410},  // large enough to be shared among threads
    };
    for (const Case& c : cases) {
        const Picture source = noise(c.sourceWidth, c.sourceHeight, 7u + c.width);
        const std::vector<std::uint32_t> out = shrink(source, c.width, c.height);
        int worst = 0;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const std::uint32_t pixel = out[static_cast<std::size_t>(y * c.width + x)];
                ASSERT_EQ(pixel >> 24, 0xffu);
                for (int ch = 0; ch < 3; ++ch) {
                    const int got = static_cast<int>((pixel >> (8 * ch)) & 0xff);
                    const double want = areaMean(source, c.width, c.height, x, y, ch);
                    worst =
                        std::max(worst, static_cast<int>(std::ceil(std::abs(got - want) - 0.5)));
                }
            }
        }
        // One step off at most where the exact mean is not a whole number.
        EXPECT_LE(worst, 1) << c.sourceWidth << "x" << c.sourceHeight << " to " << c.width << "x"
                            << c.height;
    }
}

TEST(Downscale, AtItsOwnSizeAtHalfOrOfOneColourThePixelsAreExact) {
    const Picture source = noise(31, 17, 3);
    const std::vector<std::uint32_t> same = shrink(source, 31, 17);
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 31; ++x) {
            const std::uint8_t* px = source.scanLine(y) + 3 * x;
            ASSERT_EQ(same[static_cast<std::size_t>(y * 31 + x)],
                      0xff000000u | std::uint32_t{px[2]} << 16 | std::uint32_t{px[1]} << 8 | px[0]);
        }
    }
    // At half size each pixel is the mean of its 2 x 2 block, a half rounded
    // up, as the view's halvings are.
    const Picture even = noise(30, 16, 5);
    const std::vector<std::uint32_t> half = shrink(even, 15, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 15; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int sum =
                    even.scanLine(2 * y)[6 * x + c] + even.scanLine(2 * y)[6 * x + 3 + c] +
                    even.scanLine(2 * y + 1)[6 * x + c] + even.scanLine(2 * y + 1)[6 * x + 3 + c];
                ASSERT_EQ(half[static_cast<std::size_t>(y * 15 + x)] >> (8 * c) & 0xff,
                          static_cast<std::uint32_t>((sum + 2) / 4))
                    << x << "," << y << "," << c;
            }
        }
    }
    for (const std::uint8_t level : {0, 1, 128, 254, 255}) {
        Picture flat(97, 61);
        flat.fill(level, static_cast<std::uint8_t>(255 - level), level);
        const std::uint32_t want =
            0xff000000u | std::uint32_t{level} << 16 | std::uint32_t(255 - level) << 8 | level;
        for (const std::uint32_t pixel : shrink(flat, 29, 23)) {
            ASSERT_EQ(pixel, want) << int{level};
        }
    }
}

TEST(Downscale, RefusesToEnlargeOrToShrinkToNothing) {
    const Picture source = noise(8, 6, 1);
    std::vector<std::uint32_t> out(100);
    auto* bytes = reinterpret_cast<std::uint8_t*>(out.data());
    EXPECT_THROW(downscaleToRgb32(source, 9, 6, bytes, 36), std::invalid_argument);
    EXPECT_THROW(downscaleToRgb32(source, 8, 7, bytes, 32), std::invalid_argument);
    EXPECT_THROW(downscaleToRgb32(source, 0, 6, bytes, 32), std::invalid_argument);
    EXPECT_THROW(downscaleToRgb32(Picture(), 1, 1, bytes, 4), std::invalid_argument);
}
