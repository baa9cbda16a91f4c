#pragma once

#include <cstdint>

#include "core/Picture.h"

namespace pictavo {

// How a camera stored a photo, as the EXIF orientation tag numbers it: what
// must be done to the stored rows to see the picture upright.
enum class Orientation : int {
    Normal = 1,
    MirrorHorizontal = 2,
    Rotate180 = 3,
    MirrorVertical = 4,
    Transpose = 5,  // mirror along the top-left to bottom-right diagonal
    Rotate90 = 6,   // clockwise
    Transverse = 7,
    Rotate270 = 8,
};

// The orientation a tag value means; anything outside 1 to 8 is Normal.
Orientation orientationFromTag(long value);

// Turning by a quarter swaps width and height.
bool swapsSides(Orientation orientation);

// The most rows placeRows takes at once.
inline constexpr int kMaxPlacedRows = 64;

// Places `count` (at most kMaxPlacedRows) stored rows, starting at stored row
// `firstRow` of a picture stored as `storedWidth` x `storedHeight`, into
// `upright` (already of the upright size) where the orientation puts them.
// Each row is storedWidth pixels of three bytes. A decoder hands its rows over
// a strip at a time, so a picture is turned without a second raster.
void placeRows(const std::uint8_t* const* rows, int firstRow, int count, int storedWidth,
               int storedHeight, Orientation orientation, Picture& upright);

// The stored picture turned upright.
Picture orientedPicture(const Picture& stored, Orientation orientation);

}  // namespace pictavo
