#include "adjust/ProEffectImage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "adjust/AmountArithmetic.h"
#include "adjust/RowBands.h"
#include "core/Picture.h"

namespace pictavo {

namespace {

using ByteTable = std::array<std::uint8_t, 256>;

// Brightness and contrast depend only on the channel value, so one table per
// call gives the formula's bytes at a lookup each.
void applyTable(Picture& picture, const ByteTable& table) {
    TransformRows(picture, [&table](const std::uint8_t* in, std::uint8_t* out, int width) {
        const int bytes = width * Picture::kBytesPerPixel;
#pragma GCC unroll 8
        for (int i = 0; i < bytes; ++i) {
            out[i] = table[in[i]];
        }
    });
}

}  // namespace

void BrightnessFilter(Picture& picture, int amount) {
    const int a = BoundedAmount(amount);
    ByteTable table;
    for (int c = 0; c < 256; ++c) {
        table[c] = ClampByte(c + a * (255 - c) / 255);
    }
    applyTable(picture, table);
}

void ContrastFilter(Picture& picture, int amount) {
    const int a = BoundedAmount(amount);
    ByteTable table;
    for (int c = 0; c < 256; ++c) {
        const int d = std::abs(127 - c) * a / 255;
        table[c] = ClampByte(c > 127 ? c + d : c - d);
    }
    applyTable(picture, table);
}

void SaturationFilter(Picture& picture, int amount) {
    const int a = BoundedAmount(amount);
    // Each channel's result depends only on the channel and the pixel's grey
    // value: one table over both, and one of the grey value of every sum.
    std::array<std::uint8_t, 766> greyOf;
    for (int sum = 0; sum < 766; ++sum) {
        greyOf[sum] = static_cast<std::uint8_t>(sum / 3);
    }
    std::vector<std::uint8_t> result(256 * 256);
    for (int g = 0; g < 256; ++g) {
        for (int c = 0; c < 256; ++c) {
            result[g * 256 + c] = ClampByte(g + (c - g) * a / 255);
        }
    }
    TransformRows(picture, [&](const std::uint8_t* in, std::uint8_t* out, int width) {
#pragma GCC unroll 4
        for (int x = 0; x < width; ++x) {
            const int blue = in[0];
            const int green = in[1];
            const int red = in[2];
            const std::uint8_t* of = result.data() + greyOf[blue + green + red] * 256;
            out[0] = of[blue];
            out[1] = of[green];
            out[2] = of[red];
            in += Picture::kBytesPerPixel;
            out += Picture::kBytesPerPixel;
        }
    });
}

void AntiAliasRect(Picture& picture, int left, int top, int right, int bottom) {
    if (right < left) {
        std::swap(left, right);
    }
    if (bottom < top) {
        std::swap(top, bottom);
    }
    left = std::max(1, left);
    top = std::max(1, top);
    right = std::min(picture.width() - 2, right);
    bottom = std::min(picture.height() - 2, bottom);
    if (right < left || bottom < top) {
        return;
    }
    picture.detach();
    constexpr int kPx = Picture::kBytesPerPixel;
    const int first = left * kPx;
    const int count = (right - left + 1) * kPx;
    // Per row, the upper (already smoothed), lower and right (both still
    // input) neighbours are summed ahead in one pass the compiler can
    // vectorise; what remains in order is adding the left neighbour, which
    // is the value just computed.
    std::vector<std::uint16_t> sums(static_cast<std::size_t>(count));
    std::uint8_t* up = picture.scanLine(top - 1) + first;
    std::uint8_t* row = picture.scanLine(top) + first;
    for (int y = top; y <= bottom; ++y) {
        const std::uint8_t* down = picture.scanLine(y + 1) + first;
        std::uint16_t* s = sums.data();
        for (int i = 0; i < count; ++i) {
            s[i] = static_cast<std::uint16_t>(up[i] + down[i] + row[i + kPx]);
        }
        unsigned blue = row[-3];
        unsigned green = row[-2];
        unsigned red = row[-1];
        for (int i = 0; i < count; i += kPx) {
            blue = (s[i] + blue) >> 2;
            green = (s[i + 1] + green) >> 2;
            red = (s[i + 2] + red) >> 2;
            row[i] = static_cast<std::uint8_t>(blue);
            row[i + 1] = static_cast<std::uint8_t>(green);
            row[i + 2] = static_cast<std::uint8_t>(red);
        }
        up = row;
        row = picture.scanLine(y + 1) + first;
    }
}

void AntiAliasFilter(Picture& picture) {
    AntiAliasRect(picture, 0, 0, picture.width(), picture.height());
}

}  // namespace pictavo
