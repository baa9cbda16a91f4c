#pragma once

// The reference for written cuts: libjpeg's own cjpeg, run on the same
// rectangle of the same pixels (black outside the picture) with the options
// the program's encoder must match.

#include <cstdint>
#include <string>
#include <vector>

#include "core/Picture.h"
#include "core/Rect.h"

namespace pictavo::test {

// `cjpeg -quality Q -dct float -baseline` of `area` of `picture`; empty when
// cjpeg could not be run. `scratch` is a folder for the intermediate files.
std::vector<std::uint8_t> cjpegReference(const Picture& picture, const Rect& area, int quality,
                                         const std::string& scratch);

}  // namespace pictavo::test
