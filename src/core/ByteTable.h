#pragma once

// Maps every byte through a table of 256 entries. The colour adjustments of
// a photograph are table lookups over tens of millions of bytes; processors
// that can look up 64 bytes in one step do so, others one at a time, with the
// same result.

#include <array>
#include <cstddef>
#include <cstdint>

namespace pictavo {

using ByteTable = std::array<std::uint8_t, 256>;

// out[i] = table[in[i]] for i < count. `in` and `out` may be the same
// buffer, but must not overlap otherwise.
void MapBytes(const std::uint8_t* in, std::uint8_t* out, std::size_t count, const ByteTable& table);

}  // namespace pictavo
