#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "core/FileCalls.h"

namespace pictavo {

// A failed file operation; the message carries the operating system's text.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes `size` bytes to a temporary file in the target's folder, syncs it,
// renames it over `path` and syncs the folder, so after a crash the target is
// either the old file or the whole new one. On failure no temporary file is
// left and an existing file at `path` is untouched. Throws FileError.
void writeFileAtomic(const std::string& path, const void* data, std::size_t size,
                     const FileCalls& calls = FileCalls::system());
// The same for data held in pieces, written one after the other.
void writeFileAtomic(const std::string& path, std::span<const std::span<const std::uint8_t>> pieces,
                     const FileCalls& calls = FileCalls::system());

// The same for data made while it is written: a temporary file beside `path`
// takes what write() is given, commit() syncs it and puts it in place as
// writeFileAtomic does; destroyed uncommitted, it removes the temporary file
// and leaves `path` as it was. Throws FileError.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path,
                              const FileCalls& calls = FileCalls::system());
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(const void* data, std::size_t size);
    void commit();

private:
    struct Temp;
    std::unique_ptr<Temp> m_temp;
};

// Byte copy of `source` to `dest` by the same replace-by-rename; the copy
// keeps the source's modification time. The source is only read.
void copyFileAtomic(const std::string& source, const std::string& dest,
                    const FileCalls& calls = FileCalls::system());

// Removes what writes into `folder` left behind when the program was killed
// before their rename: regular files named as this writer names its temporary
// files and last changed before `before`. Links, folders and other names are
// never touched; whatever cannot be read or removed stays. Returns the number
// of files removed.
int removeStaleTempFiles(const std::string& folder, std::chrono::system_clock::time_point before);

}  // namespace pictavo
