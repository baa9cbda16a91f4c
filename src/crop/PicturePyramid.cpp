#include "crop/PicturePyramid.h"

#include <algorithm>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "core/LetGo.h"
#include "core/RowBands.h"
#include "core/WideVectors.h"

namespace pictavo {

namespace {

// One output row from two source rows. `next` is the byte offset of the
// right-hand pixel of each pair (0 for a one-pixel-wide source). The rows
// never overlap, which lets the compiler keep values in registers.
template <int next>
void halveRow(const std::uint8_t* __restrict a, const std::uint8_t* __restrict b,
              std::uint8_t* __restrict out, int width) {
    for (int x = 0; x < width; ++x) {
        const unsigned b0 = a[0] + a[next] + b[0] + b[next] + 2;
        const unsigned g0 = a[1] + a[next + 1] + b[1] + b[next + 1] + 2;
        const unsigned r0 = a[2] + a[next + 2] + b[2] + b[next + 2] + 2;
        out[0] = static_cast<std::uint8_t>(b0 >> 2);
        out[1] = static_cast<std::uint8_t>(g0 >> 2);
        out[2] = static_cast<std::uint8_t>(r0 >> 2);
        a += 6;
        b += 6;
        out += 3;
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PICTAVO_HAVE_WIDE_HALVING 1
// GCC 12 warns about the deliberately undefined upper halves inside its own
// vector headers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// Ten output pixels a step: the two rows' 20 source pixels are added as
// 16-bit words, and each output channel picks its pair of sums (source
// bytes 2j - j % 3 and 3 further) out of them. The same bytes as halveRow.
__attribute__((target("avx512f,avx512bw,avx512vl"))) void halveRowWide(const std::uint8_t* a,
                                                                       const std::uint8_t* b,
                                                                       std::uint8_t* out, int width,
                                                                       int sourceBytes) {
    alignas(64) std::uint16_t firstOf[32];
    alignas(64) std::uint16_t secondOf[32];
    for (int j = 0; j < 32; ++j) {
        const int k = j < 30 ? j : 29;
        firstOf[j] = static_cast<std::uint16_t>(2 * k - k % 3);
        secondOf[j] = static_cast<std::uint16_t>(2 * k - k % 3 + 3);
    }
    const __m512i first = _mm512_load_si512(firstOf);
    const __m512i second = _mm512_load_si512(secondOf);
    const __m512i two = _mm512_set1_epi16(2);
    constexpr __mmask32 kThirty = 0x3FFFFFFF;
    int x = 0;
    // Each step reads 64 bytes of each row and uses the first 60.
    for (; x + 10 <= width && 6 * x + 64 <= sourceBytes; x += 10) {
        const __m512i rowA = _mm512_loadu_si512(a + 6 * x);
        const __m512i rowB = _mm512_loadu_si512(b + 6 * x);
        const __m512i low = _mm512_add_epi16(_mm512_cvtepu8_epi16(_mm512_castsi512_si256(rowA)),
                                             _mm512_cvtepu8_epi16(_mm512_castsi512_si256(rowB)));
        const __m512i high =
            _mm512_add_epi16(_mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(rowA, 1)),
                             _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(rowB, 1)));
        const __m512i sum =
            _mm512_add_epi16(_mm512_add_epi16(_mm512_permutex2var_epi16(low, first, high),
                                              _mm512_permutex2var_epi16(low, second, high)),
                             two);
        _mm256_mask_storeu_epi8(out + 3 * x, kThirty,
                                _mm512_cvtepi16_epi8(_mm512_srli_epi16(sum, 2)));
    }
    halveRow<Picture::kBytesPerPixel>(a + 6 * x, b + 6 * x, out + 3 * x, width - x);
}

#pragma GCC diagnostic pop

#endif

// Halves a row of pixel pairs, fast where the processor allows.
void halvePairs(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out, int width,
                int sourceBytes) {
#ifdef PICTAVO_HAVE_WIDE_HALVING
    if (haveWideVectors()) {
        halveRowWide(a, b, out, width, sourceBytes);
        return;
    }
#endif
    (void)sourceBytes;
    halveRow<Picture::kBytesPerPixel>(a, b, out, width);
}

}  // namespace

Picture halved(const Picture& source) {
    Picture result;
    halveInto(source, result);
    return result;
}

void halveInto(const Picture& source, Picture& into) {
    if (source.isNull()) {
        into = Picture();
        return;
    }
    const int w = std::max(1, source.width() / 2);
    const int h = std::max(1, source.height() / 2);
    into.reuseAs(w, h);
    // A source one pixel high pairs that row with itself, and one pixel wide
    // that column.
    const bool pairRows = source.height() > 1;
    const bool pairColumns = source.width() > 1;
    const int sourceBytes = source.width() * Picture::kBytesPerPixel;
    // Detached: the writable rows are taken without a copy, from any thread.
    std::uint8_t* const out = into.scanLine(0);
    const std::ptrdiff_t stride = into.bytesPerLine();
    ForEachRowBand(h, source.width(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const std::uint8_t* a = source.scanLine(2 * y);
            const std::uint8_t* b = pairRows ? source.scanLine(2 * y + 1) : a;
            if (pairColumns) {
                halvePairs(a, b, out + y * stride, w, sourceBytes);
            } else {
                halveRow<0>(a, b, out + y * stride, w);
            }
        }
    });
}

void PicturePyramid::reset(const Picture* source, std::vector<Picture> halvings) {
    // The caller may pass the same object, now holding another picture.
    const bool sameSize = source && m_source && source->width() == m_sourceWidth &&
                          source->height() == m_sourceHeight;
    // What is not kept is freed on another thread, which takes a while for
    // tens of megabytes.
    letGo(std::exchange(m_spares, sameSize ? std::move(m_levels) : std::vector<Picture>{}));
    m_source = source;
    m_sourceWidth = source ? source->width() : 0;
    m_sourceHeight = source ? source->height() : 0;
    letGo(std::exchange(m_levels, source ? std::move(halvings) : std::vector<Picture>{}));
}

const Picture& PicturePyramid::levelFor(int width, int height) {
    if (!m_source) {
        throw std::logic_error("PicturePyramid has no picture");
    }
    const Picture* best = m_source;
    for (std::size_t i = 0;; ++i) {
        if (best->width() <= 1 && best->height() <= 1) {
            return *best;
        }
        // Would the next halving still cover the request?
        if (best->width() / 2 < width || best->height() / 2 < height) {
            return *best;
        }
        if (i == m_levels.size()) {
            Picture level = i < m_spares.size() ? std::move(m_spares[i]) : Picture();
            halveInto(*best, level);
            m_levels.push_back(std::move(level));
        }
        best = &m_levels[i];
    }
}

}  // namespace pictavo
