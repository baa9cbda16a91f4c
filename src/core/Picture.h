#pragma once

#include <QExplicitlySharedDataPointer>
#include <QSharedData>

#include <cstddef>
#include <cstdint>

namespace pictavo {

// A 24-bit raster: each pixel is three bytes in the order blue, green, red
// (the layout of QImage::Format_BGR888). Rows are reached through scanLine();
// callers never assume that rows are adjacent.
//
// Copies are independent but share their raster until one of them is written:
// a photograph's raster is tens of megabytes, and the crop window, the picture
// decoded ahead and the adjustments each keep a copy that mostly stays as it
// is. The first non-const access (scanLine, fill) of a shared picture gives it
// a raster of its own, so a row pointer taken from the non-const scanLine must
// not be kept across a copy of the picture, and one from the const scanLine
// only until the picture is next written. Sharing is thread-safe; using one
// Picture object from two threads at once is not.
class Picture {
public:
    static constexpr int kBytesPerPixel = 3;

    Picture() = default;
    // Allocates an uninitialised width x height raster. Throws
    // std::length_error when the size is negative or the byte count would
    // overflow, std::bad_alloc when memory is short.
    Picture(int width, int height);
    Picture(const Picture& other) = default;
    Picture& operator=(const Picture& other) = default;
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
        detach();
        return m_bits + static_cast<std::ptrdiff_t>(y) * m_stride;
    }
    const std::uint8_t* scanLine(int y) const {
        return m_bits + static_cast<std::ptrdiff_t>(y) * m_stride;
    }

    // Whether no other picture shares this one's raster.
    bool isDetached() const { return !m_raster || m_raster->ref.loadAcquire() == 1; }
    // Whether this and `other` show the very same raster (a copy not yet
    // written): they are then the same picture.
    bool sharesRasterWith(const Picture& other) const {
        return !isNull() && m_bits == other.m_bits && m_width == other.m_width &&
               m_height == other.m_height;
    }
    // Whether the picture is width x height with a raster nobody else
    // shares, so it can be written over as it is.
    bool isWritableAs(int width, int height) const {
        return isDetached() && m_width == width && m_height == height;
    }
    // Makes the picture width x height with a raster of its own: the one it
    // has when isWritableAs, otherwise a new, uninitialised one. A raster
    // written again costs no page faults; a fresh one of a photograph's size
    // costs about as much as a pass over it.
    void reuseAs(int width, int height) {
        if (!isWritableAs(width, height)) {
            *this = Picture(width, height);
        }
    }
    // Gives the picture a raster of its own (a copy) if it shares one.
    void detach() {
        if (!isDetached()) {
            detachCopy();
        }
    }

    // Writes every pixel; a shared raster is replaced without being copied.
    void fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

    // Bytes a width x height raster needs, or 0 when the size is invalid or
    // the count does not fit in size_t.
    static std::size_t bytesNeeded(long long width, long long height);

private:
    // The bytes of a raster: large ones are mapped pages, small ones come
    // from new[]. Copying one copies the bytes.
    struct Raster : QSharedData {
        explicit Raster(std::size_t byteCount);
        Raster(const Raster& other);
        Raster& operator=(const Raster&) = delete;
        ~Raster();
        std::uint8_t* bits = nullptr;
        std::size_t bytes = 0;
        std::size_t mappedBytes = 0;
    };

    void detachCopy();
    void adopt(Raster* raster);

    int m_width = 0;
    int m_height = 0;
    std::ptrdiff_t m_stride = 0;
    QExplicitlySharedDataPointer<Raster> m_raster;
    // m_raster's bits, kept here so a row costs no indirection.
    std::uint8_t* m_bits = nullptr;
};

}  // namespace pictavo
