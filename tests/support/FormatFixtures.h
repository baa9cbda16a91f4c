#pragma once

// Pictures in the other formats the walk can take, made with Debian's own
// tools (ImageMagick's convert, libheif's heif-enc and heif-convert) from
// the JPEG fixtures' pattern, and decoded by those tools for comparison.

#include <cstdint>
#include <string>
#include <vector>

#include "core/Picture.h"

namespace pictavo::test {

// The pattern (fixturePicture) of width x height written to `folder`/`name`:
// a HEIC or HEIF name through heif-enc (`args` are heif-enc's options), any
// other through `convert` (`args` go between the input and the output).
// Returns the path; throws when the tool fails.
std::string writeFormatFixture(const std::string& folder, const std::string& name, int width,
                               int height, const std::vector<std::string>& args = {});

// A HEIF file written through libheif itself: `picture` stored with the
// given turn (libheif's heif_orientation, 1 to 8: irot and imir boxes), and
// an EXIF block and an ICC profile when not empty.
void writeHeifWithLibrary(const std::string& path, const Picture& picture, int orientation,
                          const std::vector<std::uint8_t>& exif = {},
                          const std::vector<std::uint8_t>& icc = {});

// The file as the tools decode it into 8-bit RGB: heif-convert for a HEIF
// file, ImageMagick for the others (transparency laid over white).
// `scratch` holds the intermediate files.
Picture toolDecode(const std::string& path, const std::string& scratch);

// The ICC profile ImageMagick finds in the file; empty when none.
std::vector<std::uint8_t> toolIccProfile(const std::string& path, const std::string& scratch);

// The largest difference of any channel of two pictures of one size; -1 when
// the sizes differ.
int largestDifference(const Picture& a, const Picture& b);

}  // namespace pictavo::test
