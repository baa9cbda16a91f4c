#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/JpegDecoder.h"

namespace pictavo {

// What a file's name says it holds: its extension (from the last ".")
// compared with ASCII letters in any case.
enum class PictureKind {
    None,
    Jpeg,         // ".jpg", ".jpeg"
    Heif,         // ".heic", ".heif": through libheif
    ImageReader,  // ".png", ".tif", ".tiff", ".webp": through Qt's image readers
};
PictureKind pictureKindOfName(std::string_view name);

// Decodes the picture at `path` by what its name says: a HEIF file through
// libheif, a PNG, TIFF or WebP file through Qt's readers, anything else as a
// JPEG file exactly as decodeJpeg does. The other formats come out as a JPEG
// does: 24 bits, alpha laid over white, the same memory budget refusing them
// from their header; they never reuse `recycled`. Throws JpegError.
DecodedJpeg decodePicture(const std::string& path, const DecodeOptions& options,
                          Picture recycled = Picture(),
                          std::size_t budgetBytes = defaultDecodeBudget());

// The primary image of a HEIF file with the transformations it asks for
// (rotation, mirroring, cropping) applied, 8 bits per channel. With
// keepMetadata, its EXIF block (as a JPEG's APP1 payload, to be written with
// orientation 1: the pixels are already turned) and its ICC profile.
DecodedJpeg decodeHeifMemory(const std::uint8_t* data, std::size_t size,
                             const DecodeOptions& options,
                             std::size_t budgetBytes = defaultDecodeBudget());

// A PNG, TIFF or WebP file through Qt's image readers. 16-bit and palette
// pictures become 24-bit; with keepMetadata, the ICC profile the reader
// gives; with upright, the reader's own orientation (a TIFF's tag).
DecodedJpeg decodeImageReaderMemory(const std::uint8_t* data, std::size_t size,
                                    const DecodeOptions& options,
                                    std::size_t budgetBytes = defaultDecodeBudget());

}  // namespace pictavo
