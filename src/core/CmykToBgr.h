#pragma once

#include <cstdint>

namespace pictavo {

// Turns one row of CMYK pixels (4 bytes each) into blue, green, red.
// `adobeInverted`: the file carries an Adobe marker, whose applications store
// 255 for no ink; other files store the amount of ink.
void cmykToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, int width, bool adobeInverted);

}  // namespace pictavo
