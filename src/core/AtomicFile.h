#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace pictavo {

// A failed file operation; the message carries the operating system's text.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes `size` bytes to a temporary file in the target's folder and renames
// it over `path`. On failure no temporary file is left and an existing file at
// `path` is untouched. Throws FileError.
void writeFileAtomic(const std::string& path, const void* data, std::size_t size);

// Byte copy of `source` to `dest` by the same replace-by-rename; the copy
// keeps the source's modification time. The source is only read.
void copyFileAtomic(const std::string& source, const std::string& dest);

}  // namespace pictavo
