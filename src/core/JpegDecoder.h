#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "core/JpegMetadata.h"
#include "core/Orientation.h"
#include "core/Picture.h"

namespace pictavo {

// A file that cannot be read or decoded. The message is libjpeg's own text
// where it has one, or the operating system's.
class JpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The most bytes a decoded 24-bit raster may take: about 2 GiB, less where the
// machine has less memory available.
std::size_t defaultDecodeBudget();

// Decodes a whole JPEG file at full scale into a 24-bit picture, with
// libjpeg's default decompression parameters (so the pixels equal djpeg's).
// Grey files become grey 24-bit pictures; CMYK and YCCK files are converted.
// Orientation metadata is not applied (see DecodeOptions). Throws JpegError.
Picture decodeJpegFile(const std::string& path, std::size_t budgetBytes = defaultDecodeBudget());
// The same, decoding into `recycled` when it already has the file's size, as
// the photos of one camera do. Reusing its memory spares the kernel handing
// out and clearing a fresh raster, about a third of the time of a
// 24-megapixel decode. A picture of another size is freed first.
Picture decodeJpegFileReusing(const std::string& path, Picture recycled,
                              std::size_t budgetBytes = defaultDecodeBudget());
Picture decodeJpegMemory(const std::uint8_t* data, std::size_t size,
                         std::size_t budgetBytes = defaultDecodeBudget());

// What a decode does besides the pixels; both off, it is the decode above.
struct DecodeOptions {
    // Turn the picture as its EXIF orientation says, so it comes up upright.
    bool upright = false;
    // Keep the metadata a written cut may carry.
    bool keepMetadata = false;
    friend bool operator==(const DecodeOptions&, const DecodeOptions&) = default;
};

struct DecodedJpeg {
    Picture picture;
    // What was done to the stored rows (Normal unless turned upright).
    Orientation turned = Orientation::Normal;
    // Empty unless kept; a damaged EXIF block is neither applied nor kept.
    JpegMetadata metadata;
};

// The decode with options. `recycled` is reused as decodeJpegFileReusing
// does when it has the upright picture's size.
DecodedJpeg decodeJpeg(const std::string& path, const DecodeOptions& options,
                       Picture recycled = Picture(),
                       std::size_t budgetBytes = defaultDecodeBudget());
DecodedJpeg decodeJpegMemory(const std::uint8_t* data, std::size_t size,
                             const DecodeOptions& options,
                             std::size_t budgetBytes = defaultDecodeBudget());

// What the decode with `options` finds besides the pixels, read from the
// header alone: the turn it would apply and the metadata it would keep.
// Throws JpegError.
struct JpegHeaderFacts {
    Orientation turned = Orientation::Normal;
    JpegMetadata metadata;
};
JpegHeaderFacts readJpegHeaderFacts(const std::uint8_t* data, std::size_t size,
                                    const DecodeOptions& options);

// Opens a picture file for reading and returns its descriptor, the caller's
// to close. Only a regular file counts, and a FIFO named like a picture
// cannot block the open. Throws JpegError naming the file.
int openPictureFile(const std::string& path);

}  // namespace pictavo
