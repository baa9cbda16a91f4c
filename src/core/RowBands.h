#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>

#include "core/Picture.h"

namespace pictavo {

// Runs work(firstRow, endRow) over bands of [0, rows) that together cover
// every row once, on several threads when the picture is large enough to pay
// for them. The work must not throw and must only touch its own rows; a
// picture it writes must be detached before (scanLine then only reads).
void ForEachRowBand(int rows, int width, const std::function<void(int, int)>& work);

// Runs rowWork(in, out) over every row of `picture` in row bands: `in` holds
// the row's bytes, `out` takes the new ones and may be the same row, so the
// work reads a pixel before it writes it. A picture that shares its raster
// gets the result in a fresh raster, so the copy costs no pass of its own.
template <typename RowWork>
void TransformRows(Picture& picture, RowWork rowWork) {
    if (picture.isNull()) {
        return;
    }
    const int width = picture.width();
    const int height = picture.height();
    if (picture.isDetached()) {
        ForEachRowBand(height, width, [&](int first, int end) {
            for (int y = first; y < end; ++y) {
                std::uint8_t* row = picture.scanLine(y);
                rowWork(row, row, width);
            }
        });
        return;
    }
    const Picture source = picture;
    Picture result(width, height);
    ForEachRowBand(height, width, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            rowWork(source.scanLine(y), result.scanLine(y), width);
        }
    });
    picture = std::move(result);
}

// Runs rowWork(in, out) over every row of `source` in row bands, `out` being
// the same row of `into`, which is first made the source's size with
// Picture::reuseAs. `into` must be another object than `source`.
template <typename RowWork>
void TransformRowsInto(const Picture& source, Picture& into, RowWork rowWork) {
    const int width = source.width();
    const int height = source.height();
    into.reuseAs(width, height);
    if (source.isNull()) {
        return;
    }
    // Detached: the writable rows are taken without a copy, from any thread.
    std::uint8_t* const out = into.scanLine(0);
    const std::ptrdiff_t stride = into.bytesPerLine();
    ForEachRowBand(height, width, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            rowWork(source.scanLine(y), out + y * stride, width);
        }
    });
}

// `into` becomes a copy of `source` that shares nothing with it, in
// `into`'s own raster when that fits as TransformRowsInto says.
inline void CopyPixels(const Picture& source, Picture& into) {
    TransformRowsInto(source, into, [](const std::uint8_t* in, std::uint8_t* out, int width) {
        std::memcpy(out, in, static_cast<std::size_t>(width) * Picture::kBytesPerPixel);
    });
}

}  // namespace pictavo
