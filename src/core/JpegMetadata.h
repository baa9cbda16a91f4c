#pragma once

#include <cstdint>
#include <vector>

namespace pictavo {

// What a photo carries besides its pixels and what a written cut may keep of
// it: the date and camera (EXIF), the colour profile (ICC), the XMP packets
// and the comments. Each part is kept whole or not at all.
struct JpegMetadata {
    // The APP1 payload from "Exif" on; only a block libexif reads whole.
    std::vector<std::uint8_t> exif;
    // The whole ICC profile, put together from its APP2 segments.
    std::vector<std::uint8_t> icc;
    // APP1 payloads of XMP packets (the main one and its extensions).
    std::vector<std::vector<std::uint8_t>> xmp;
    // COM payloads.
    std::vector<std::vector<std::uint8_t>> comments;
    // The pixels were turned upright, so the EXIF orientation no longer
    // applies to them.
    bool turned = false;

    bool empty() const { return exif.empty() && icc.empty() && xmp.empty() && comments.empty(); }
};

}  // namespace pictavo
