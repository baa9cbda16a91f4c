#pragma once

// The codec's handling of the metadata segments, on libjpeg's structures.

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstdint>
#include <vector>

#include "core/JpegMetadata.h"

namespace pictavo {

// Asks libjpeg to keep the segments the options need (before the header is
// read): the EXIF segment for turning, all of them for keeping.
void keepMarkers(j_decompress_ptr info, bool exif, bool all);

// The first APP1 segment that is an EXIF block, empty when there is none.
std::vector<std::uint8_t> exifSegment(j_decompress_ptr info);

// The XMP packets and comments libjpeg kept, as they are.
void collectXmpAndComments(j_decompress_ptr info, JpegMetadata& metadata);

// The metadata as it goes into a written picture of width x height: the EXIF
// block made true for it (or dropped when it cannot be), the colour profile
// only when it describes RGB, which is what is written.
JpegMetadata metadataForPicture(const JpegMetadata& source, int width, int height);

// Writes prepared metadata right after the encoder's JFIF header. Call
// within the encoder's setjmp frame.
void writeMarkers(j_compress_ptr info, const JpegMetadata& metadata);

}  // namespace pictavo
