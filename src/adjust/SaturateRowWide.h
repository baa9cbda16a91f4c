#pragma once

#include <cstdint>

namespace pictavo {

// Saturates the first pixels of a row 21 at a time, with the same bytes as
// the saturation formula, where the processor has 64-byte vectors and the
// amount is within 0..255. Returns how many pixels it did (maybe none); the
// caller does the rest. `in` may be `out`.
int SaturateRowWide(const std::uint8_t* in, std::uint8_t* out, int width, int amount);

}  // namespace pictavo
