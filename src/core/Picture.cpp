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

Picture::Raster::Raster(std::size_t byteCount) : bytes(byteCount) {
    if (bytes == 0) {
        return;
    }
    if (bytes < kMapThreshold) {
        bits = new std::uint8_t[bytes];
        return;
    }
    const std::size_t mapped = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* data = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) {
        throw std::bad_alloc();
    }
    madvise(data, mapped, MADV_HUGEPAGE);
    // The last huge page is only partly used (up to 2 MiB of a raster of
    // 72 MB): in small pages, only the bytes the raster has are resident.
    if (const std::size_t whole = bytes / kHugePage * kHugePage; whole != mapped) {
        madvise(static_cast<std::uint8_t*>(data) + whole, mapped - whole, MADV_NOHUGEPAGE);
    }
    bits = static_cast<std::uint8_t*>(data);
    mappedBytes = mapped;
}

Picture::Raster::Raster(const Raster& other) : Raster(other.bytes) {
    if (bytes != 0) {
        std::memcpy(bits, other.bits, bytes);
    }
}

Picture::Raster::~Raster() {
    if (mappedBytes != 0) {
        munmap(bits, mappedBytes);
    } else {
        delete[] bits;
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
    adopt(bytes != 0 ? new Raster(bytes) : nullptr);
    m_width = width;
    m_height = height;
    m_stride = strideFor(width);
}

Picture::Picture(Picture&& other) noexcept
    : m_width(std::exchange(other.m_width, 0)),
      m_height(std::exchange(other.m_height, 0)),
      m_stride(std::exchange(other.m_stride, 0)),
      m_raster(std::move(other.m_raster)),
      m_bits(std::exchange(other.m_bits, nullptr)) {}

Picture& Picture::operator=(Picture&& other) noexcept {
    m_width = std::exchange(other.m_width, 0);
    m_height = std::exchange(other.m_height, 0);
    m_stride = std::exchange(other.m_stride, 0);
    m_raster = std::move(other.m_raster);
    other.m_raster.reset();
    m_bits = std::exchange(other.m_bits, nullptr);
    return *this;
}

void Picture::adopt(Raster* raster) {
    m_raster.reset(raster);
    m_bits = raster ? raster->bits : nullptr;
}

void Picture::detachCopy() {
    adopt(new Raster(*m_raster));
}

void Picture::fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    if (!isDetached()) {
        adopt(new Raster(m_raster->bytes));  // every byte is written below
    }
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
