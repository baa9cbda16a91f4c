#include "core/Downscale.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/RowBands.h"

namespace pictavo {

namespace {

// Rows are summed first, into 16-bit words holding 256 times the mean. Up to
// three rows to an output row, as on the way to the screen, the weights are
// out of 256, which keeps the sums within 16 bits, added many at a time.
// More rows to an output row would add up the rounding of so many small
// weights: they are summed out of 65536 in 32 bits, then scaled down.
// Columns are then summed out of 32768, which keeps that sum within 31 bits.
constexpr int kFewRows = 3;
constexpr std::uint32_t kRowOne = 256;
constexpr std::uint32_t kManyRowsOne = 65536;
constexpr std::uint32_t kColumnOne = 32768;
constexpr int kShift = 23;  // log2(kRowOne * kColumnOne)

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

// sums[i] = the weighted sum of rows[0..count)[i], for `bytes` bytes, with
// weights out of 256: one pass for up to three rows.
void sumFewRows(const std::uint8_t* const* rows, const std::uint32_t* weights, int count,
                std::uint16_t* __restrict sums, int bytes) {
    const std::uint8_t* __restrict a = rows[0];
    const std::uint8_t* __restrict b = rows[count > 1 ? 1 : 0];
    const std::uint8_t* __restrict c = rows[count > 2 ? 2 : 0];
    const auto wa = static_cast<std::uint16_t>(weights[0]);
    const auto wb = static_cast<std::uint16_t>(count > 1 ? weights[1] : 0);
    const auto wc = static_cast<std::uint16_t>(count > 2 ? weights[2] : 0);
    for (int i = 0; i < bytes; ++i) {
        sums[i] = static_cast<std::uint16_t>(wa * a[i] + wb * b[i] + wc * c[i]);
    }
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
    constexpr std::uint32_t scale = kManyRowsOne / kRowOne;
    for (int i = 0; i < bytes; ++i) {
        sums[i] = static_cast<std::uint16_t>((wide[i] + scale / 2) / scale);
    }
}

inline std::uint32_t pixelOf(std::uint32_t blue, std::uint32_t green, std::uint32_t red) {
    constexpr std::uint32_t half = 1u << (kShift - 1);
    return 0xff000000u | ((red + half) >> kShift) << 16 | ((green + half) >> kShift) << 8 |
           ((blue + half) >> kShift);
}

// One output row from the row sums, `Count` taps a pixel (0: taps.count).
template <int Count>
void sumColumns(const std::uint16_t* __restrict sums, const Taps& taps, std::uint32_t* out,
                int width) {
    const int count = Count > 0 ? Count : taps.count;
    const int* first = taps.first.data();
    const std::uint32_t* weights = taps.weights.data();
    for (int x = 0; x < width; ++x) {
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
    std::atomic<bool> short_of_memory{false};
    ForEachRowBand(height, source.width(), [&](int firstRow, int endRow) {
        std::vector<std::uint16_t> sums;
        std::vector<std::uint32_t> wide;
        std::vector<const std::uint8_t*> lines;
        try {
            sums.resize(static_cast<std::size_t>(bytes));
            wide.resize(fewRows ? 0 : static_cast<std::size_t>(bytes));
            lines.resize(static_cast<std::size_t>(rows.count));
        } catch (const std::bad_alloc&) {
            short_of_memory = true;
            return;
        }
        for (int y = firstRow; y < endRow; ++y) {
            for (int k = 0; k < rows.count; ++k) {
                lines[static_cast<std::size_t>(k)] = source.scanLine(rows.first[y] + k);
            }
            const std::uint32_t* weights = rows.weights.data() + y * rows.count;
            if (fewRows) {
                sumFewRows(lines.data(), weights, rows.count, sums.data(), bytes);
            } else {
                sumManyRows(lines.data(), weights, rows.count, wide.data(), sums.data(), bytes);
            }
            auto* row = reinterpret_cast<std::uint32_t*>(out + y * outStride);
            switch (columns.count) {
                case 1:
                    sumColumns<1>(sums.data(), columns, row, width);
                    break;
                case 2:
                    sumColumns<2>(sums.data(), columns, row, width);
                    break;
                case 3:
                    sumColumns<3>(sums.data(), columns, row, width);
                    break;
                default:
                    sumColumns<0>(sums.data(), columns, row, width);
                    break;
            }
        }
    });
    if (short_of_memory) {
        throw std::bad_alloc();
    }
}

}  // namespace pictavo
