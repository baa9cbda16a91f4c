#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/JpegMetadata.h"
#include "core/Picture.h"
#include "core/Rect.h"

namespace pictavo {

// Encodes the rectangle `area` of `picture` as a baseline JFIF file with three
// components: jpeg_set_defaults, jpeg_set_quality(quality, TRUE), JDCT_FLOAT,
// no metadata unless `metadata` is given. The parts of `area` outside the
// picture come out black; no pixel outside the picture is read. Throws
// JpegError.
//
// With `metadata`, its parts follow the JFIF header, made true for the
// written picture (see metadataForPicture in JpegMarkers.h); a part that
// cannot be carried is left out and never stops the encode.
std::vector<std::uint8_t> encodeJpeg(const Picture& picture, const Rect& area, int quality,
                                     const JpegMetadata* metadata = nullptr);

// The same, written to `path` atomically (see AtomicFile.h). Throws
// JpegError or FileError; on failure any existing file at `path` is intact.
void writeJpegFile(const Picture& picture, const Rect& area, int quality, const std::string& path,
                   const JpegMetadata* metadata = nullptr);

}  // namespace pictavo
