#pragma once

// The print sizes a run can be cut for, and how sharp a cut prints at one:
// pixels per inch along the long side, and whether that is enough.

#include <span>
#include <string_view>

#include "crop/FrameGeometry.h"

namespace pictavo::print {

struct PrintSize {
    std::string_view name;  // as offered and stored, UTF-8: "10 × 15 cm"
    // The sides in tenths of a millimetre, which holds the inch sizes exactly.
    int shortSide = 0;
    int longSide = 0;

    // The frame ratio that fits the print: long side over short side.
    long double ratio() const { return static_cast<long double>(longSide) / shortSide; }
};

// The sizes offered, smallest first; "no print size" is not among them.
std::span<const PrintSize> printSizes();

// The size of that name; null for any other name ("None", one no longer
// offered, an empty one).
const PrintSize* findPrintSize(std::string_view name);

// Below 200 pixels per inch a print looks soft up close, below 150 at any
// distance.
enum class Sharpness { Sharp, Soft, VerySoft };

struct Readout {
    int ppi = 0;
    Sharpness sharpness = Sharpness::Sharp;
    friend bool operator==(const Readout&, const Readout&) = default;
};

// How a cut of `cut` pixels prints at `size`: the cut's long side over the
// print's long side in inches, rounded down.
Readout printReadout(frame::Size cut, const PrintSize& size);

}  // namespace pictavo::print
