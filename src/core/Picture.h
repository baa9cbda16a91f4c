#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace pictavo {

// Frees a picture's raster: large rasters are mapped pages, small ones come
// from new[].
struct PictureRelease {
    std::size_t mappedBytes = 0;
    void operator()(std::uint8_t* data) const noexcept;
};

// A 24-bit raster: each pixel is three bytes in the order blue, green, red
// (the layout of QImage::Format_BGR888). Rows are reached through scanLine();
// callers never assume that rows are adjacent. Copies are independent.
class Picture {
public:
    static constexpr int kBytesPerPixel = 3;

    Picture() = default;
    // Allocates an uninitialised width x height raster. Throws
    // std::length_error when the size is negative or the byte count would
    // overflow, std::bad_alloc when memory is short.
    Picture(int width, int height);
    Picture(const Picture& other);
    Picture& operator=(const Picture& other);
    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;
    ~Picture() = default;

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isNull() const { return m_width == 0 || m_height == 0; }
    // Rows are padded to a multiple of four bytes so a QImage can wrap them.
    std::ptrdiff_t bytesPerLine() const { return m_stride; }
    std::size_t byteCount() const { return static_cast<std::size_t>(m_stride) * m_height; }

    std::uint8_t* scanLine(int y) {
        return m_data.get() + static_cast<std::ptrdiff_t>(y) * m_stride;
    }
    const std::uint8_t* scanLine(int y) const {
        return m_data.get() + static_cast<std::ptrdiff_t>(y) * m_stride;
    }

    void fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

    // Bytes a width x height raster needs, or 0 when the size is invalid or
    // the count does not fit in size_t.
    static std::size_t bytesNeeded(long long width, long long height);

private:
    using Storage = std::unique_ptr<std::uint8_t[], PictureRelease>;
    static Storage allocate(std::size_t bytes);

    int m_width = 0;
    int m_height = 0;
    std::ptrdiff_t m_stride = 0;
    Storage m_data;
};

}  // namespace pictavo
