#pragma once

#include <cstdint>
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

}  // namespace pictavo
