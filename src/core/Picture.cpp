#include "core/Picture.h"

#include <sys/mman.h>

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

namespace pictavo {

namespace {
std::ptrdiff_t strideFor(long long width) {
    return static_cast<std::ptrdiff_t>((width * Picture::kBytesPerPixel + 3) / 4 * 4);
}

// A photograph's raster is tens of megabytes. Backed by 2 MiB pages, the
// kernel takes one fault per 2 MiB instead of one per 4 KiB the first time
// the raster is written, which is a large part of a decode's time.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kMapThreshold = std::size_t{4} << 20;
}  // namespace

Picture::Storage Picture::allocate(std::size_t bytes) {
    if (bytes == 0) {
        return {};
    }
    if (bytes < kMapThreshold) {
        return Storage(new std::uint8_t[bytes]);
    }
    const std::size_t mapped = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* data = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) {
        throw std::bad_alloc();
    }
    madvise(data, mapped, MADV_HUGEPAGE);
    return Storage(static_cast<std::uint8_t*>(data), PictureRelease{mapped});
}

void PictureRelease::operator()(std::uint8_t* data) const noexcept {
    if (mappedBytes != 0) {
        munmap(data, mappedBytes);
    } else {
        delete[] data;
    }
}

std::size_t Picture::bytesNeeded(long long width, long long height) {
    if (width < 0 || height < 0 || width > std::numeric_limits<int>::max() ||
        height > std::numeric_limits<int>::max()) {
        return 0;
    }
    const unsigned long long stride = static_cast<unsigned long long>(strideFor(width));
    const unsigned long long h = static_cast<unsigned long long>(height);
    if (h != 0 && stride > std::numeric_limits<std::size_t>::max() / h) {
        return 0;
    }
    return static_cast<std::size_t>(stride * h);
}

Picture::Picture(int width, int height) {
    if (width < 0 || height < 0) {
        throw std::length_error("Picture size must not be negative");
    }
    const std::size_t bytes = bytesNeeded(width, height);
    if (bytes == 0 && width != 0 && height != 0) {
        throw std::length_error("Picture is too large");
    }
    m_width = width;
    m_height = height;
    m_stride = strideFor(width);
    m_data = allocate(bytes);
}

Picture::Picture(const Picture& other)
    : m_width(other.m_width), m_height(other.m_height), m_stride(other.m_stride) {
    const std::size_t bytes = other.byteCount();
    m_data = allocate(bytes);
    if (bytes != 0) {
        std::memcpy(m_data.get(), other.m_data.get(), bytes);
    }
}

Picture& Picture::operator=(const Picture& other) {
    if (this != &other) {
        Picture copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Picture::Picture(Picture&& other) noexcept
    : m_width(std::exchange(other.m_width, 0)),
      m_height(std::exchange(other.m_height, 0)),
      m_stride(std::exchange(other.m_stride, 0)),
      m_data(std::move(other.m_data)) {}

Picture& Picture::operator=(Picture&& other) noexcept {
    m_width = std::exchange(other.m_width, 0);
    m_height = std::exchange(other.m_height, 0);
    m_stride = std::exchange(other.m_stride, 0);
    m_data = std::move(other.m_data);
    return *this;
}

void Picture::fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    for (int y = 0; y < m_height; ++y) {
        std::uint8_t* p = scanLine(y);
        for (int x = 0; x < m_width; ++x) {
            p[0] = blue;
            p[1] = green;
            p[2] = red;
            p += kBytesPerPixel;
        }
    }
}

}  // namespace pictavo
