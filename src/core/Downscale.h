#pragma once

// A picture shrunk to an exact size for the screen, written straight in the
// screen's 32-bit pixel layout.

#include <cstddef>
#include <cstdint>

#include "core/Picture.h"

namespace pictavo {

// Writes `source` shrunk to width x height, each at least 1 and at most the
// source's own, as 32-bit pixels 0xffRRGGBB in native byte order (the layout
// of QImage::Format_RGB32): row y starts at out + y * outStride. Each output
// pixel is the mean of the source area it covers, a source pixel on the
// area's edge counting by the part of it inside; at the source's own size
// the pixels are copied unchanged. Runs on several threads for large
// pictures. Throws std::invalid_argument for a size out of range and
// std::bad_alloc when memory is short.
void downscaleToRgb32(const Picture& source, int width, int height, std::uint8_t* out,
                      std::ptrdiff_t outStride);

}  // namespace pictavo
