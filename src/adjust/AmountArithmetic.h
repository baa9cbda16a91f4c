#pragma once

#include <algorithm>
#include <cstdint>

namespace pictavo {

inline std::uint8_t ClampByte(int v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Amounts are not validated, but a product such as A * (255 - c) must not
// overflow. Beyond this magnitude every channel that moves at all already
// moves past 0 or 255 (|A| / 255 > 510), so bounding the amount leaves every
// result as the formula gives it with unbounded integers.
inline int BoundedAmount(int amount) {
    constexpr int kLimit = 1 << 20;
    return std::clamp(amount, -kLimit, kLimit);
}

}  // namespace pictavo
