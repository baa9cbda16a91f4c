#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace pictavo {

// Random access to the bytes of a file or of a buffer. A read succeeds only
// when every byte asked for lies inside the source.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    virtual bool read(std::uint64_t offset, void* out, std::size_t length) const = 0;

    // True when [offset, offset + length) lies inside [0, total), without overflow.
    static bool within(std::uint64_t offset, std::uint64_t length, std::uint64_t total) {
        return offset <= total && length <= total - offset;
    }
};

// A buffer seen as a file.
class MemoryByteSource : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::uint64_t size() const override { return m_bytes.size(); }
    bool read(std::uint64_t offset, void* out, std::size_t length) const override {
        if (!within(offset, length, m_bytes.size())) {
            return false;
        }
        if (length > 0) {
            std::memcpy(out, m_bytes.data() + offset, length);
        }
        return true;
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

}  // namespace pictavo
