#pragma once

#include <string>

#include "app/ByteSource.h"

namespace pictavo {

// The bytes of a regular file, read on demand. Anything else (a folder, a
// pipe, a file that cannot be opened) is an empty source.
class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(const std::string& path);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    std::uint64_t size() const override { return m_size; }
    bool read(std::uint64_t offset, void* out, std::size_t length) const override;

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

}  // namespace pictavo
