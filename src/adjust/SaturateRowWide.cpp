#include "adjust/SaturateRowWide.h"

#include "core/WideVectors.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define PICTAVO_HAVE_WIDE_SATURATION 1
#endif

namespace pictavo {

#ifdef PICTAVO_HAVE_WIDE_SATURATION

namespace {

constexpr int kPixelsPerStep = 21;  // 63 of the 64 bytes of a vector

// GCC 12 warns about the deliberately undefined upper halves inside its own
// vector headers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wpsabi"

// The saturated value of each of 32 channels, given all 64 of the step.
__attribute__((target("avx512f,avx512bw,avx512vl"), always_inline)) inline __m512i saturateWords(
    __m512i channels, __m512i low, __m512i high, const __m512i* index, __m512i a) {
    const __m512i third = _mm512_set1_epi16(static_cast<short>(0xAAAB));
    const __m512i by255 = _mm512_set1_epi16(static_cast<short>(0x8081));
    const __m512i zero = _mm512_setzero_si512();
    const __m512i sum =
        _mm512_add_epi16(_mm512_add_epi16(_mm512_permutex2var_epi16(low, index[0], high),
                                          _mm512_permutex2var_epi16(low, index[1], high)),
                         _mm512_permutex2var_epi16(low, index[2], high));
    // sum / 3 and, below, |c - grey| * A / 255: exact for every 16-bit value.
    const __m512i grey = _mm512_srli_epi16(_mm512_mulhi_epu16(sum, third), 1);
    const __m512i d = _mm512_sub_epi16(channels, grey);
    const __m512i product = _mm512_mullo_epi16(_mm512_abs_epi16(d), a);
    const __m512i q = _mm512_srli_epi16(_mm512_mulhi_epu16(product, by255), 7);
    // Division truncates toward zero: the quotient takes the sign of d.
    const __mmask32 negative = _mm512_cmplt_epi16_mask(d, zero);
    const __m512i moved = _mm512_mask_sub_epi16(_mm512_add_epi16(grey, q), negative, grey, q);
    return _mm512_min_epi16(_mm512_max_epi16(moved, zero), _mm512_set1_epi16(255));
}

// Every channel as a 16-bit word; for each, the sum of its pixel's three
// channels is gathered from the words of that pixel (word 3p + k of the 64).
__attribute__((target("avx512f,avx512bw,avx512vl"))) int saturateWide(const std::uint8_t* in,
                                                                      std::uint8_t* out, int width,
                                                                      int amount) {
    alignas(64) std::uint16_t channelOf[3][64];
    for (int j = 0; j < 64; ++j) {
        const int pixel = j < 63 ? j / 3 : 20;
        for (int k = 0; k < 3; ++k) {
            channelOf[k][j] = static_cast<std::uint16_t>(3 * pixel + k);
        }
    }
    const __m512i lowIndex[3] = {_mm512_load_si512(channelOf[0]), _mm512_load_si512(channelOf[1]),
                                 _mm512_load_si512(channelOf[2])};
    const __m512i highIndex[3] = {_mm512_load_si512(channelOf[0] + 32),
                                  _mm512_load_si512(channelOf[1] + 32),
                                  _mm512_load_si512(channelOf[2] + 32)};
    const __m512i a = _mm512_set1_epi16(static_cast<short>(amount));
    constexpr __mmask64 kSixtyThree = ~__mmask64{0} >> 1;

    const int bytes = 3 * width;
    const auto fits = [&](int x) { return x + kPixelsPerStep <= width && 3 * x + 64 <= bytes; };
    if (!fits(0)) {
        return 0;
    }
    int x = 0;
    __m512i v = _mm512_loadu_si512(in);
    for (;;) {
        const __m512i low = _mm512_cvtepu8_epi16(_mm512_castsi512_si256(v));
        const __m512i high = _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(v, 1));
        const __m256i outLow = _mm512_cvtepi16_epi8(saturateWords(low, low, high, lowIndex, a));
        const __m256i outHigh = _mm512_cvtepi16_epi8(saturateWords(high, low, high, highIndex, a));
        // The next step is read before this one is written: in place, a read
        // right behind a masked write would wait for the write to finish.
        const int next = x + kPixelsPerStep;
        const bool more = fits(next);
        const __m512i following = more ? _mm512_loadu_si512(in + 3 * next) : v;
        _mm512_mask_storeu_epi8(out + 3 * x, kSixtyThree,
                                _mm512_inserti64x4(_mm512_castsi256_si512(outLow), outHigh, 1));
        x = next;
        if (!more) {
            break;
        }
        v = following;
    }
    return x;
}

#pragma GCC diagnostic pop

}  // namespace

int SaturateRowWide(const std::uint8_t* in, std::uint8_t* out, int width, int amount) {
    if (amount < 0 || amount > 255 || !haveWideVectors()) {
        return 0;
    }
    return saturateWide(in, out, width, amount);
}

#else

int SaturateRowWide(const std::uint8_t*, std::uint8_t*, int, int) {
    return 0;
}

#endif

}  // namespace pictavo
