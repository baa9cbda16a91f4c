#include "crop/PrintSize.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace pictavo::print {

namespace {

constexpr int kTenthsPerInch = 254;

constexpr int cm(int centimetres) {
    return centimetres * 100;
}

constexpr int inches(int whole) {
    return whole * kTenthsPerInch;
}

// Every ratio here is at least 4:3 (15 × 20 cm is the squarest), the least
// the frame accepts.
constexpr std::array kSizes{
    PrintSize{"9 \u00d7 13 cm", cm(9), cm(13)},
    PrintSize{"10 \u00d7 15 cm", cm(10), cm(15)},
    PrintSize{"13 \u00d7 18 cm", cm(13), cm(18)},
    PrintSize{"15 \u00d7 20 cm", cm(15), cm(20)},
    PrintSize{"20 \u00d7 30 cm", cm(20), cm(30)},
    PrintSize{"30 \u00d7 45 cm", cm(30), cm(45)},
    PrintSize{"A4", 2100, 2970},
    PrintSize{"4 \u00d7 6 in", inches(4), inches(6)},
    PrintSize{"5 \u00d7 7 in", inches(5), inches(7)},
};

constexpr int kSoftBelow = 200;
constexpr int kVerySoftBelow = 150;

}  // namespace

std::span<const PrintSize> printSizes() {
    return kSizes;
}

const PrintSize* findPrintSize(std::string_view name) {
    const auto* found = std::find_if(kSizes.begin(), kSizes.end(),
                                     [name](const PrintSize& size) { return size.name == name; });
    return found == kSizes.end() ? nullptr : found;
}

Readout printReadout(frame::Size cut, const PrintSize& size) {
    const std::int64_t longPixels = std::max(cut.width, cut.height);
    // In whole numbers: pixels × 254 tenths of a millimetre per inch over the
    // side in tenths, so the result is exactly rounded down.
    const auto ppi = static_cast<int>(longPixels * kTenthsPerInch / size.longSide);
    const Sharpness sharpness = ppi < kVerySoftBelow ? Sharpness::VerySoft
                                : ppi < kSoftBelow   ? Sharpness::Soft
                                                     : Sharpness::Sharp;
    return {ppi, sharpness};
}

}  // namespace pictavo::print
