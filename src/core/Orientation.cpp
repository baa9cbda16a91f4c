#include "core/Orientation.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pictavo {

namespace {

constexpr int kBytes = Picture::kBytesPerPixel;

// Rows of a picture handed to placeRows at once by orientedPicture.
constexpr int kStripRows = 16;

// A turned strip writes a short run into thousands of upright rows, each a
// cache miss the hardware cannot foresee; asking for the run this many
// columns ahead keeps the misses overlapping instead of one after another.
constexpr int kAhead = 16;
constexpr int kCacheLine = 64;

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

void copyPixel(const std::uint8_t* from, std::uint8_t* to) {
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Writes `count` pixels to `out`, pixel i read from pixelAt(i). Four pixels
// at a time are read as words and written as one 8-byte and one 4-byte
// store: byte copies were most of the time of turning a photo. Each read
// takes a byte after its pixel, so the caller makes sure that byte lies
// inside the raster.
template <typename PixelAt>
void writeRun(std::uint8_t* out, int count, PixelAt pixelAt) {
    int i = 0;
    if constexpr (kLittleEndian) {
        for (; i + 4 <= count; i += 4, out += 4 * kBytes) {
            const std::uint64_t p0 = load32(pixelAt(i)) & 0xFFFFFFu;
            const std::uint64_t p1 = load32(pixelAt(i + 1)) & 0xFFFFFFu;
            const std::uint64_t p2 = load32(pixelAt(i + 2)) & 0xFFFFFFu;
            const std::uint32_t p3 = load32(pixelAt(i + 3));
            const std::uint64_t low = p0 | p1 << 24 | p2 << 48;
            const std::uint32_t high = static_cast<std::uint32_t>(p2 >> 16) | p3 << 8;
            std::memcpy(out, &low, sizeof low);
            std::memcpy(out + 8, &high, sizeof high);
        }
    }
    for (; i < count; ++i, out += kBytes) {
        copyPixel(pixelAt(i), out);
    }
}

void prefetchRun(const std::uint8_t* run, int bytes) {
    for (int b = 0; b < bytes; b += kCacheLine) {
        __builtin_prefetch(run + b, 1);
    }
    __builtin_prefetch(run + bytes - 1, 1);
}

// A stored row written right to left.
void copyReversed(const std::uint8_t* from, std::uint8_t* to, int width) {
    if (width <= 0) {
        return;
    }
    const std::uint8_t* last = from + static_cast<std::ptrdiff_t>(width - 1) * kBytes;
    // The rightmost pixel has no byte after it in the row.
    copyPixel(last, to);
    writeRun(to + kBytes, width - 1, [last](int i) { return last - (i + 1) * kBytes; });
}

}  // namespace

Orientation orientationFromTag(long value) {
    return value >= 1 && value <= 8 ? static_cast<Orientation>(value) : Orientation::Normal;
}

bool swapsSides(Orientation orientation) {
    return static_cast<int>(orientation) >= static_cast<int>(Orientation::Transpose);
}

void placeRows(const std::uint8_t* const* rows, int firstRow, int count, int storedWidth,
               int storedHeight, Orientation orientation, Picture& upright) {
    if (count <= 0 || storedWidth <= 0) {
        return;
    }
    const bool mirrorX =
        orientation == Orientation::MirrorHorizontal || orientation == Orientation::Rotate180 ||
        orientation == Orientation::Transverse || orientation == Orientation::Rotate270;
    const bool mirrorY =
        orientation == Orientation::Rotate180 || orientation == Orientation::MirrorVertical ||
        orientation == Orientation::Rotate90 || orientation == Orientation::Transverse;
    std::uint8_t* const base = upright.scanLine(0);
    const std::ptrdiff_t stride = upright.bytesPerLine();
    if (!swapsSides(orientation)) {
        const std::size_t rowBytes = static_cast<std::size_t>(storedWidth) * kBytes;
        for (int r = 0; r < count; ++r) {
            const int y = firstRow + r;
            std::uint8_t* target = base + (mirrorY ? storedHeight - 1 - y : y) * stride;
            if (mirrorX) {
                copyReversed(rows[r], target, storedWidth);
            } else {
                std::memcpy(target, rows[r], rowBytes);
            }
        }
        return;
    }
    // Stored column x becomes upright row x (or its mirror), stored row y
    // upright column y (or its mirror). The strip's rows are taken in the
    // order they land in an upright row, so each upright row gets one run
    // written left to right.
    const std::uint8_t* source[kMaxPlacedRows];
    for (int i = 0; i < count; ++i) {
        source[i] = rows[mirrorY ? count - 1 - i : i];
    }
    const int firstColumn = mirrorY ? storedHeight - firstRow - count : firstRow;
    std::uint8_t* const runs = base + static_cast<std::ptrdiff_t>(firstColumn) * kBytes;
    auto uprightRow = [&](int x) { return runs + (mirrorX ? storedWidth - 1 - x : x) * stride; };
    // The last stored column has no byte after it in its rows.
    const int wide = storedWidth - 1;
    const int runBytes = count * kBytes;
    for (int x = 0; x < wide; ++x) {
        const std::ptrdiff_t from = static_cast<std::ptrdiff_t>(x) * kBytes;
        if (x + kAhead < storedWidth) {
            prefetchRun(uprightRow(x + kAhead), runBytes);
        }
        writeRun(uprightRow(x), count, [&source, from](int i) { return source[i] + from; });
    }
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(wide) * kBytes;
    std::uint8_t* out = uprightRow(wide);
    for (int i = 0; i < count; ++i, out += kBytes) {
        copyPixel(source[i] + last, out);
    }
}

Picture orientedPicture(const Picture& stored, Orientation orientation) {
    const bool swap = swapsSides(orientation);
    Picture upright(swap ? stored.height() : stored.width(),
                    swap ? stored.width() : stored.height());
    const std::uint8_t* rows[kStripRows];
    for (int y = 0; y < stored.height(); y += kStripRows) {
        const int count = std::min(kStripRows, stored.height() - y);
        for (int r = 0; r < count; ++r) {
            rows[r] = stored.scanLine(y + r);
        }
        placeRows(rows, y, count, stored.width(), stored.height(), orientation, upright);
    }
    return upright;
}

}  // namespace pictavo
