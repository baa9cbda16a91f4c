#include "adjust/ProEffectImage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "adjust/AmountArithmetic.h"
#include "adjust/SaturateRowWide.h"
#include "core/ByteTable.h"
#include "core/Picture.h"
#include "core/RowBands.h"

namespace pictavo {

namespace {

// Brightness and contrast depend only on the channel value, so a table per
// amount gives the formula's bytes at a lookup each.
ByteTable brightnessTable(int amount) {
    const int a = BoundedAmount(amount);
    ByteTable table;
    for (int c = 0; c < 256; ++c) {
        table[c] = ClampByte(c + a * (255 - c) / 255);
    }
    return table;
}

ByteTable contrastTable(int amount) {
    const int a = BoundedAmount(amount);
    ByteTable table;
    for (int c = 0; c < 256; ++c) {
        const int d = std::abs(127 - c) * a / 255;
        table[c] = ClampByte(c > 127 ? c + d : c - d);
    }
    return table;
}

// A channel's saturated value depends only on the channel and the pixel's
// grey value: one table over both, and one of the grey value of every sum.
class SaturationTables {
public:
    explicit SaturationTables(int amount) : m_result(256 * 256) {
        const int a = BoundedAmount(amount);
        for (int sum = 0; sum < 766; ++sum) {
            m_greyOf[sum] = static_cast<std::uint8_t>(sum / 3);
        }
        for (int g = 0; g < 256; ++g) {
            for (int c = 0; c < 256; ++c) {
                m_result[g * 256 + c] = ClampByte(g + (c - g) * a / 255);
            }
        }
    }

    // Saturates one pixel's blue, green and red into out.
    void apply(int blue, int green, int red, std::uint8_t* out) const {
        const std::uint8_t* of = m_result.data() + m_greyOf[blue + green + red] * 256;
        out[0] = of[blue];
        out[1] = of[green];
        out[2] = of[red];
    }

private:
    std::array<std::uint8_t, 766> m_greyOf;
    std::vector<std::uint8_t> m_result;
};

struct TableRows {
    const ByteTable& table;
    void operator()(const std::uint8_t* in, std::uint8_t* out, int width) const {
        MapBytes(in, out, static_cast<std::size_t>(width) * Picture::kBytesPerPixel, table);
    }
};

// Each channel through `first` when given, then the pixel saturated.
struct SaturationRows {
    const ByteTable* first;
    const SaturationTables& saturation;
    int amount;
    void operator()(const std::uint8_t* in, std::uint8_t* out, int width) const {
        if (first) {
            MapBytes(in, out, static_cast<std::size_t>(width) * Picture::kBytesPerPixel, *first);
            in = out;
        }
        const int done = SaturateRowWide(in, out, width, amount);
        in += done * Picture::kBytesPerPixel;
        out += done * Picture::kBytesPerPixel;
#pragma GCC unroll 4
        for (int x = done; x < width; ++x) {
            saturation.apply(in[0], in[1], in[2], out);
            in += Picture::kBytesPerPixel;
            out += Picture::kBytesPerPixel;
        }
    }
};

}  // namespace

void BrightnessFilter(Picture& picture, int amount) {
    const ByteTable table = brightnessTable(amount);
    TransformRows(picture, TableRows{table});
}

void ContrastFilter(Picture& picture, int amount) {
    const ByteTable table = contrastTable(amount);
    TransformRows(picture, TableRows{table});
}

void SaturationFilter(Picture& picture, int amount) {
    const SaturationTables tables(amount);
    TransformRows(picture, SaturationRows{nullptr, tables, BoundedAmount(amount)});
}

void AdjustColours(const Picture& source, Picture& into, const ColourAmounts& amounts) {
    // Brightness and contrast compose into one table; saturation then only
    // needs the pixel's three table values.
    const ByteTable brightness = brightnessTable(amounts.brightness);
    const ByteTable contrast = contrastTable(amounts.contrast);
    ByteTable both;
    for (int c = 0; c < 256; ++c) {
        both[c] = contrast[brightness[c]];
    }
    // At 255 saturation leaves every channel as it is.
    if (amounts.saturation == 255) {
        TransformRowsInto(source, into, TableRows{both});
        return;
    }
    const SaturationTables tables(amounts.saturation);
    TransformRowsInto(source, into,
                      SaturationRows{&both, tables, BoundedAmount(amounts.saturation)});
}

}  // namespace pictavo
