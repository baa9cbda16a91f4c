#pragma once

// Metadata segments for test photos, built byte by byte so that damaged
// blocks can be made as precisely as sound ones.

#include <cstdint>
#include <string>
#include <vector>

namespace pictavo::test {

// A little-endian EXIF block as a phone writes one: the first directory
// (camera model, orientation), the EXIF directory (date taken, pixel
// dimensions) and, with a thumbnail, the second directory pointing at it.
struct ExifFixture {
    int orientation = 0;  // 0: no orientation tag
    std::string model = "Pictavo Test Phone";
    std::string dateTaken = "2024:06:01 12:34:56";
    int pixelWidth = 0;  // 0: no pixel dimensions
    int pixelHeight = 0;
    std::vector<std::uint8_t> thumbnail;  // empty: none
    bool thumbnailResolution = false;     // with a thumbnail: its resolution too
};
std::vector<std::uint8_t> makeExifBlock(const ExifFixture& fixture);

// Blocks libexif can only read in part. Each has orientation 6.
enum class ExifDamage {
    Loop,           // the EXIF directory points back at itself
    OffsetPastEnd,  // the model's text lies beyond the end of the block
    Truncated,      // the block stops inside the EXIF directory
};
std::vector<std::uint8_t> damagedExifBlock(ExifDamage damage);

// An ICC profile of `size` bytes (at least 128) whose header names the data
// colour space `space` ("RGB ", "GRAY", "CMYK"); the rest is a pattern.
std::vector<std::uint8_t> makeIccProfile(const std::string& space, std::size_t size);

struct Segment {
    int marker;  // 0xE1 for APP1 and so on
    std::vector<std::uint8_t> payload;
};
// The profile as APP2 segments of at most 65519 bytes of profile each.
std::vector<Segment> iccSegments(const std::vector<std::uint8_t>& profile);
// An APP1 XMP packet.
Segment xmpSegment(const std::string& packet);

// `jpeg` with `segments` inserted after its JFIF header.
std::vector<std::uint8_t> withSegments(const std::vector<std::uint8_t>& jpeg,
                                       const std::vector<Segment>& segments);

// The payloads of the segments with `marker` in a JPEG file, in order, up
// to the first scan.
std::vector<std::vector<std::uint8_t>> segmentsOf(const std::vector<std::uint8_t>& jpeg,
                                                  int marker);

}  // namespace pictavo::test
