#include "core/Orientation.h"

#include <algorithm>
#include <cstring>

namespace pictavo {

namespace {

constexpr int kBytes = Picture::kBytesPerPixel;

// Rows of a picture handed to placeRows at once by orientedPicture.
constexpr int kStripRows = 16;

void copyReversed(const std::uint8_t* from, std::uint8_t* to, int width) {
    const std::uint8_t* p = from + static_cast<std::ptrdiff_t>(width - 1) * kBytes;
    for (int x = 0; x < width; ++x, p -= kBytes, to += kBytes) {
        to[0] = p[0];
        to[1] = p[1];
        to[2] = p[2];
    }
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
    const bool mirrorX =
        orientation == Orientation::MirrorHorizontal || orientation == Orientation::Rotate180 ||
        orientation == Orientation::Transverse || orientation == Orientation::Rotate270;
    const bool mirrorY =
        orientation == Orientation::Rotate180 || orientation == Orientation::MirrorVertical ||
        orientation == Orientation::Rotate90 || orientation == Orientation::Transverse;
    if (!swapsSides(orientation)) {
        const std::size_t rowBytes = static_cast<std::size_t>(storedWidth) * kBytes;
        for (int r = 0; r < count; ++r) {
            const int y = firstRow + r;
            std::uint8_t* target = upright.scanLine(mirrorY ? storedHeight - 1 - y : y);
            if (mirrorX) {
                copyReversed(rows[r], target, storedWidth);
            } else if (rowBytes != 0) {
                std::memcpy(target, rows[r], rowBytes);
            }
        }
        return;
    }
    // Stored column x becomes upright row x (or its mirror), stored row y
    // upright column y (or its mirror). The strip's rows stay in the cache
    // while each of its columns is written out as a short run.
    const int firstColumn = mirrorY ? storedHeight - 1 - firstRow : firstRow;
    const std::ptrdiff_t step = mirrorY ? -kBytes : kBytes;
    for (int x = 0; x < storedWidth; ++x) {
        std::uint8_t* out = upright.scanLine(mirrorX ? storedWidth - 1 - x : x) +
                            static_cast<std::ptrdiff_t>(firstColumn) * kBytes;
        const std::ptrdiff_t from = static_cast<std::ptrdiff_t>(x) * kBytes;
        for (int r = 0; r < count; ++r, out += step) {
            const std::uint8_t* p = rows[r] + from;
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
        }
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
