#pragma once

// Cutting a JPEG file without decoding it: libjpeg-turbo copies the coded
// blocks of the cut (and turns them, when the photo is to be shown upright),
// so the cut keeps the source's quality to the last bit. That is possible only
// when the cut's top-left corner lies on the grid of the file's coding blocks
// (the iMCU: 8 or 16 pixels each way), the cut lies inside the picture and a
// turn moves no partial block to the picture's top or left edge.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/JpegDecoder.h"
#include "core/Rect.h"

namespace pictavo {

// The block grid of a file as the decode with the same options shows it
// (turned upright when it turns the picture; a turn by a quarter puts the
// corner on the larger block size both ways).
struct LosslessGrid {
    int blockWidth = 0;
    int blockHeight = 0;
    int width = 0;  // the picture as shown
    int height = 0;
    friend bool operator==(const LosslessGrid&, const LosslessGrid&) = default;
};

// The grid a lossless cut of `jpeg` lies on, none when the file cannot be cut
// so: damaged, CMYK, YCCK or RGB coded (their cuts are re-encoded as colour
// photos), a sampling libjpeg-turbo does not name, or a turn that is not
// perfect.
std::optional<LosslessGrid> losslessGrid(std::span<const std::uint8_t> jpeg,
                                         const DecodeOptions& options);

// The cut `area` (in the picture as the decode with `options` shows it) of
// `jpeg`, its coded blocks copied: the same bytes as `jpegtran [-rotate or
// -flip ...] -crop WxH+X+Y -copy none`, followed by the metadata a re-encoded
// cut would carry when `options.keepMetadata`. None when it is not possible:
// the area is off the grid or not wholly inside the picture, or the file is
// refused by the grid's rules or by the library (a warning included); the
// caller then re-encodes.
std::optional<std::vector<std::uint8_t>> losslessCut(std::span<const std::uint8_t> jpeg,
                                                     const Rect& area,
                                                     const DecodeOptions& options);

}  // namespace pictavo
