#include "core/Downscale.h"

#include <algorithm>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/RowBands.h"
#include "core/WideVectors.h"

namespace pictavo {

namespace {

// Rows are summed first, into 16-bit words holding 128 times the mean. Up to
// three rows to an output row, as on the way to the screen, the weights are
// out of 256, which keeps the sums within 16 bits, added many at a time.
// More rows to an output row would add up the rounding of so many small
// weights: they are summed out of 65536 in 32 bits instead. Columns are then
// summed out of 16384; both kinds of sum fit signed 16- and 32-bit words.
constexpr int kFewRows = 3;
constexpr std::uint32_t kRowOne = 256;
constexpr std::uint32_t kManyRowsOne = 65536;
constexpr std::uint32_t kSumOne = 128;
constexpr std::uint32_t kColumnOne = 16384;
constexpr int kShift = 21;  // log2(kSumOne * kColumnOne)

// Which source pixels along one axis make each output pixel, and by how much.
struct Taps {
    // Source pixels per output pixel (some of them may weigh nothing).
    int count = 0;
    // The first of them, for each output pixel.
    std::vector<int> first;
    // count weights per output pixel, summing to `one`.
    std::vector<std::uint32_t> weights;
};

// Output pixel k of m covers [k n, (k + 1) n) on an axis where each of the n
// source pixels is m long. Each weight is the difference of the rounded
// covered fraction at the pixel's two edges, so the weights of an output
// pixel sum to exactly `one`.
// The most source pixels one of m output pixels covers.
int tapCount(int n, int m) {
    const std::int64_t sn = n;
    const std::int64_t sm = m;
    int count = 1;
    for (std::int64_t k = 0; k < sm; ++k) {
        const std::int64_t first = k * sn / sm;
        const std::int64_t last = ((k + 1) * sn - 1) / sm;
        count = std::max(count, static_cast<int>(last - first + 1));
    }
    return count;
}

Taps tapsFor(int n, int m, std::uint32_t one) {
    Taps taps;
    taps.first.resize(static_cast<std::size_t>(m));
    const std::int64_t sn = n;
    const std::int64_t sm = m;
    const int count = tapCount(n, m);
    taps.count = count;
    taps.weights.assign(static_cast<std::size_t>(m) * static_cast<std::size_t>(count), 0);
    for (std::int64_t k = 0; k < sm; ++k) {
        const std::int64_t low = k * sn;
        const std::int64_t high = low + sn;
        const std::int64_t first = low / sm;
        const std::int64_t last = (high - 1) / sm;
        // Near the far edge the taps start earlier, with leading weights of
        // 0, so no output pixel reads past the source.
        const std::int64_t start = std::min<std::int64_t>(first, sn - count);
        const auto covered = [&](std::int64_t p) { return ((p - low) * one * 2 + sn) / (2 * sn); };
        for (std::int64_t i = first; i <= last; ++i) {
            const std::int64_t weight =
                covered(std::min((i + 1) * sm, high)) - covered(std::max(i * sm, low));
            taps.weights[static_cast<std::size_t>(k * count + i - start)] =
                static_cast<std::uint32_t>(weight);
        }
        taps.first[static_cast<std::size_t>(k)] = static_cast<int>(start);
    }
    return taps;
}

// sums[i] = the weighted sum of rows[0..count)[i] with weights out of 256,
// halved, for `bytes` bytes: one pass for up to three rows.
__attribute__((always_inline)) inline void sumFewRowsLoop(const std::uint8_t* const* rows,
                                                          const std::uint32_t* weights, int count,
                                                          std::uint16_t* __restrict sums,
                                                          int bytes) {
    const std::uint8_t* __restrict a = rows[0];
    const std::uint8_t* __restrict b = rows[count > 1 ? 1 : 0];
    const std::uint8_t* __restrict c = rows[count > 2 ? 2 : 0];
    const auto wa = static_cast<std::uint16_t>(weights[0]);
    const auto wb = static_cast<std::uint16_t>(count > 1 ? weights[1] : 0);
    const auto wc = static_cast<std::uint16_t>(count > 2 ? weights[2] : 0);
    for (int i = 0; i < bytes; ++i) {
        sums[i] = static_cast<std::uint16_t>(
            static_cast<std::uint16_t>(wa * a[i] + wb * b[i] + wc * c[i] + 1) >> 1);
    }
}

void sumFewRows(const std::uint8_t* const* rows, const std::uint32_t* weights, int count,
                std::uint16_t* sums, int bytes) {
    sumFewRowsLoop(rows, weights, count, sums, bytes);
}

// The same with weights out of 65536, through `wide`, for any number of rows.
void sumManyRows(const std::uint8_t* const* rows, const std::uint32_t* weights, int count,
                 std::uint32_t* __restrict wide, std::uint16_t* __restrict sums, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        wide[i] = 0;
    }
    for (int r = 0; r < count; ++r) {
        const std::uint8_t* __restrict row = rows[r];
        const std::uint32_t weight = weights[r];
        for (int i = 0; i < bytes; ++i) {
            wide[i] += weight * row[i];
        }
    }
    constexpr std::uint32_t scale = kManyRowsOne / kSumOne;
    for (int i = 0; i < bytes; ++i) {
        sums[i] = static_cast<std::uint16_t>((wide[i] + scale / 2) / scale);
    }
}

inline std::uint32_t pixelOf(std::uint32_t blue, std::uint32_t green, std::uint32_t red) {
    constexpr std::uint32_t half = 1u << (kShift - 1);
    return 0xff000000u | ((red + half) >> kShift) << 16 | ((green + half) >> kShift) << 8 |
           ((blue + half) >> kShift);
}

// Output pixels [from, width) of a row from the row sums, `Count` taps a
// pixel (0: taps.count).
template <int Count>
void sumColumns(const std::uint16_t* __restrict sums, const Taps& taps, std::uint32_t* out,
                int from, int width) {
    const int count = Count > 0 ? Count : taps.count;
    const int* first = taps.first.data();
    const std::uint32_t* weights = taps.weights.data();
    for (int x = from; x < width; ++x) {
        const std::uint16_t* in = sums + 3 * first[x];
        const std::uint32_t* w = weights + x * count;
        std::uint32_t blue = 0;
        std::uint32_t green = 0;
        std::uint32_t red = 0;
        for (int k = 0; k < count; ++k) {
            blue += w[k] * in[3 * k];
            green += w[k] * in[3 * k + 1];
            red += w[k] * in[3 * k + 2];
        }
        out[x] = pixelOf(blue, green, red);
    }
}

// Output pixels [from, width) of a row, by the plain loop for the taps.
void sumColumnsFrom(const std::uint16_t* sums, const Taps& taps, std::uint32_t* out, int from,
                    int width) {
    switch (taps.count) {
        case 1:
            sumColumns<1>(sums, taps, out, from, width);
            break;
        case 2:
            sumColumns<2>(sums, taps, out, from, width);
            break;
        case 3:
            sumColumns<3>(sums, taps, out, from, width);
            break;
        default:
            sumColumns<0>(sums, taps, out, from, width);
            break;
    }
}

// Row sums are read 32 words at a time from where a group of output pixels
// starts: the rows get this many words more.
constexpr int kSumsPadding = 32;

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PICTAVO_HAVE_WIDE_DOWNSCALE 1

// Four output pixels from the 32 row sums that start at their first tap:
// for each pair of taps, which of the 32 words go with each pixel's blue,
// green, red and (weightless) fourth channel, and their weights. Made when
// every group's taps fall within its 32 words, as they do for up to four
// taps a pixel and less than twice as many source pixels as output pixels.
struct alignas(64) ColumnGroup {
    std::uint16_t index[2][32];
    std::int16_t weight[2][32];
};

std::vector<ColumnGroup> columnGroups(const Taps& taps, int width) {
    std::vector<ColumnGroup> groups;
    if (taps.count > 4) {
        return groups;
    }
    groups.resize(static_cast<std::size_t>(width / 4));
    for (std::size_t g = 0; g < groups.size(); ++g) {
        ColumnGroup& group = groups[g];
        const int start = taps.first[4 * g];
        for (int pair = 0; pair < 2; ++pair) {
            for (int lane = 0; lane < 32; ++lane) {
                const int pixel = lane / 8;  // within the group
                const int channel = lane / 2 % 4;
                const int tap = 2 * pair + lane % 2;
                const int x = static_cast<int>(4 * g) + pixel;
                const bool used = channel < 3 && tap < taps.count;
                const int word = used ? 3 * (taps.first[x] - start + tap) + channel : 0;
                if (word >= 32) {
                    return {};
                }
                group.index[pair][lane] = static_cast<std::uint16_t>(word);
                group.weight[pair][lane] = static_cast<std::int16_t>(
                    used ? taps.weights[static_cast<std::size_t>(x * taps.count + tap)] : 0);
            }
        }
    }
    return groups;
}

// GCC 12 warns about the deliberately undefined upper halves inside its own
// vector headers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

__attribute__((target("avx512f,avx512bw,avx512vl"))) void sumFewRowsWide(
    const std::uint8_t* const* rows, const std::uint32_t* weights, int count, std::uint16_t* sums,
    int bytes) {
    sumFewRowsLoop(rows, weights, count, sums, bytes);
}

// The groups' output pixels, the same bytes as sumColumns: the sums fit in
// signed 16-bit words and the weighted sums in signed 32-bit ones.
__attribute__((target("avx512f,avx512bw,avx512vl"))) void sumColumnsWide(
    const std::uint16_t* sums, const std::vector<ColumnGroup>& groups, const int* first,
    std::uint32_t* out) {
    const __m512i half = _mm512_set1_epi32(1 << (kShift - 1));
    const __m512i opaque = _mm512_set4_epi32(255, 0, 0, 0);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const ColumnGroup& group = groups[g];
        const __m512i in = _mm512_loadu_si512(sums + 3 * first[4 * g]);
        const __m512i low =
            _mm512_madd_epi16(_mm512_permutexvar_epi16(_mm512_load_si512(group.index[0]), in),
                              _mm512_load_si512(group.weight[0]));
        const __m512i high =
            _mm512_madd_epi16(_mm512_permutexvar_epi16(_mm512_load_si512(group.index[1]), in),
                              _mm512_load_si512(group.weight[1]));
        const __m512i pixels = _mm512_or_si512(
            _mm512_srli_epi32(_mm512_add_epi32(_mm512_add_epi32(low, high), half), kShift), opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * g), _mm512_cvtepi32_epi8(pixels));
    }
}

#pragma GCC diagnostic pop

#endif

}  // namespace

void downscaleToRgb32(const Picture& source, int width, int height, std::uint8_t* out,
                      std::ptrdiff_t outStride) {
    if (width < 1 || height < 1 || width > source.width() || height > source.height()) {
        throw std::invalid_argument("downscaleToRgb32: size out of range");
    }
    const bool fewRows = tapCount(source.height(), height) <= kFewRows;
    const Taps rows = tapsFor(source.height(), height, fewRows ? kRowOne : kManyRowsOne);
    const Taps columns = tapsFor(source.width(), width, kColumnOne);
    const int bytes = source.width() * Picture::kBytesPerPixel;
#ifdef PICTAVO_HAVE_WIDE_DOWNSCALE
    const bool wide = haveWideVectors();
    const std::vector<ColumnGroup> groups =
        wide ? columnGroups(columns, width) : std::vector<ColumnGroup>();
#endif
    std::atomic<bool> shortOfMemory{false};
    ForEachRowBand(height, source.width(), [&](int firstRow, int endRow) {
        std::vector<std::uint16_t> sums;
        std::vector<std::uint32_t> manySums;
        std::vector<const std::uint8_t*> lines;
        try {
            sums.assign(static_cast<std::size_t>(bytes + kSumsPadding), 0);
            manySums.resize(fewRows ? 0 : static_cast<std::size_t>(bytes));
            lines.resize(static_cast<std::size_t>(rows.count));
        } catch (const std::bad_alloc&) {
            shortOfMemory = true;
            return;
        }
        for (int y = firstRow; y < endRow; ++y) {
            for (int k = 0; k < rows.count; ++k) {
                lines[static_cast<std::size_t>(k)] = source.scanLine(rows.first[y] + k);
            }
            const std::uint32_t* weights = rows.weights.data() + y * rows.count;
            auto* row = reinterpret_cast<std::uint32_t*>(out + y * outStride);
#ifdef PICTAVO_HAVE_WIDE_DOWNSCALE
            if (wide) {
                if (fewRows) {
                    sumFewRowsWide(lines.data(), weights, rows.count, sums.data(), bytes);
                } else {
                    sumManyRows(lines.data(), weights, rows.count, manySums.data(), sums.data(),
                                bytes);
                }
                sumColumnsWide(sums.data(), groups, columns.first.data(), row);
                sumColumnsFrom(sums.data(), columns, row, static_cast<int>(4 * groups.size()),
                               width);
                continue;
            }
#endif
            if (fewRows) {
                sumFewRows(lines.data(), weights, rows.count, sums.data(), bytes);
            } else {
                sumManyRows(lines.data(), weights, rows.count, manySums.data(), sums.data(), bytes);
            }
            sumColumnsFrom(sums.data(), columns, row, 0, width);
        }
    });
    if (shortOfMemory) {
        throw std::bad_alloc();
    }
}

}  // namespace pictavo
