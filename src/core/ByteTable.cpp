#include "core/ByteTable.h"

#include "core/WideVectors.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define PICTAVO_HAVE_VBMI_PATH 1
#endif

namespace pictavo {

namespace {

void mapBytesPlain(const std::uint8_t* in, std::uint8_t* out, std::size_t count,
                   const ByteTable& table) {
#pragma GCC unroll 8
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = table[in[i]];
    }
}

#ifdef PICTAVO_HAVE_VBMI_PATH
// Two 128-entry lookups of 64 bytes each (the low seven bits pick the entry),
// and the top bit of each byte chooses between them.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void mapBytesVbmi(const std::uint8_t* in,
                                                                         std::uint8_t* out,
                                                                         std::size_t count,
                                                                         const ByteTable& table) {
    const __m512i t0 = _mm512_loadu_si512(table.data());
    const __m512i t1 = _mm512_loadu_si512(table.data() + 64);
    const __m512i t2 = _mm512_loadu_si512(table.data() + 128);
    const __m512i t3 = _mm512_loadu_si512(table.data() + 192);
    std::size_t i = 0;
    for (; i + 64 <= count; i += 64) {
        const __m512i index = _mm512_loadu_si512(in + i);
        const __m512i low = _mm512_permutex2var_epi8(t0, index, t1);
        const __m512i high = _mm512_permutex2var_epi8(t2, index, t3);
        _mm512_storeu_si512(out + i, _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high));
    }
    mapBytesPlain(in + i, out + i, count - i, table);
}

#endif

}  // namespace

void MapBytes(const std::uint8_t* in, std::uint8_t* out, std::size_t count,
              const ByteTable& table) {
#ifdef PICTAVO_HAVE_VBMI_PATH
    if (haveWideByteLookup()) {
        mapBytesVbmi(in, out, count, table);
        return;
    }
#endif
    mapBytesPlain(in, out, count, table);
}

}  // namespace pictavo
