#pragma once

// Writing what the user decided on: the cut or the whole working picture as
// a JPEG file, or the untouched source file as a byte copy. Every write goes
// to a temporary file that replaces the destination only when complete.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/JpegDecoder.h"
#include "core/JpegMetadata.h"
#include "core/Picture.h"
#include "core/Rect.h"

class MessageList;

namespace pictavo::saving {

// The frame for a cut, the whole picture otherwise.
Rect savedArea(bool cut, const Rect& frame, int imageWidth, int imageHeight);

// Encodes `area` of `picture` at `quality` into `dest`, with the source's
// `metadata` when given. Where the area lies outside the picture the file is
// black. Refuses to replace `source` itself, the photo the picture came
// from. Throws std::runtime_error.
void writePicture(const Picture& picture, const Rect& area, int quality, const std::string& source,
                  const std::string& dest, const JpegMetadata* metadata = nullptr);

// What tells a file unchanged since it was read: its size and modification
// time, as the decoding ahead compares them.
struct FileStamp {
    long long size = 0;
    long long modifiedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
// The file's stamp; none when it cannot be read as a regular file.
std::optional<FileStamp> fileStamp(const std::string& path);
// The file's bytes when it still has `stamp`; none otherwise.
std::optional<std::vector<std::uint8_t>> readUnchanged(const std::string& path,
                                                       const FileStamp& stamp);

// The cut `area` copied from the coded blocks of `jpeg`, the source file's
// bytes as they were decoded with `options`, when the file and the area allow
// it (see LosslessCut.h); otherwise encoded as writePicture does, which is
// also what happens without `jpeg`. The same refusal and atomic write either
// way. Returns whether the blocks were copied.
bool writeCut(const Picture& picture, const Rect& area, int quality, const std::string& source,
              const std::string& dest, const JpegMetadata* metadata,
              const std::vector<std::uint8_t>* jpeg, const DecodeOptions& options);

// Byte copy of `source` to `dest`. On failure throws std::runtime_error with
// the message list's entry 6 ("Can't copy file %s to %s") for both paths.
void copyUncut(const std::string& source, const std::string& dest, const MessageList& messages);

// Something exists at `path` (a link counts by what it leads to).
bool fileExists(const std::string& path);

// The two paths name the same existing file (also through links).
bool sameFile(const std::string& a, const std::string& b);

}  // namespace pictavo::saving
