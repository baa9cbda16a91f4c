#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/Orientation.h"

namespace pictavo {

struct ExifBlockState;

// A photo's EXIF block (the payload of its APP1 segment: "Exif", two zero
// bytes and a TIFF structure), read and written by libexif. A block in which
// libexif finds anything wrong (a loop between directories, an offset or a
// count past the end, a block cut short, nothing in it) is refused as a
// whole: a damaged block neither turns a picture nor is half carried into a
// written file.
class ExifBlock {
public:
    static std::optional<ExifBlock> parse(const std::uint8_t* data, std::size_t size);

    ExifBlock(ExifBlock&&) noexcept;
    ExifBlock& operator=(ExifBlock&&) noexcept;
    ~ExifBlock();

    // Normal when the block has no orientation or one outside 1 to 8.
    Orientation orientation() const;

    // The block for a written picture of width x height: orientation 1 when
    // the pixels were turned upright, no thumbnail (it shows the whole
    // photo), the pixel dimensions those of the written picture. The
    // maker's own data is kept unless libexif found it damaged. Empty when
    // the result cannot be made, would say nothing (the first directory
    // held only sizes that could not be set) or would not fit in one APP1
    // segment.
    std::vector<std::uint8_t> forPicture(int width, int height, bool turned);

private:
    explicit ExifBlock(std::unique_ptr<ExifBlockState> state);
    std::unique_ptr<ExifBlockState> m_state;
};

}  // namespace pictavo
