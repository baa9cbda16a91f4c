#include "core/RasterAhead.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "core/LetGo.h"

namespace pictavo {

void RasterAhead::prepare(int width, int height) {
    if (m_raster.valid() && m_width == width && m_height == height) {
        return;
    }
    drop();
    try {
        m_raster = std::async(std::launch::async, [width, height] {
            Picture raster(width, height);
            for (int y = 0; y < height; ++y) {
                std::memset(raster.scanLine(y), 0, static_cast<std::size_t>(raster.bytesPerLine()));
            }
            return raster;
        });
    } catch (const std::system_error&) {
        return;  // no thread to be had: the raster is made when needed
    }
    m_width = width;
    m_height = height;
}

Picture RasterAhead::take(int width, int height) {
    if (!m_raster.valid()) {
        return Picture();
    }
    const bool fits = m_width == width && m_height == height;
    try {
        Picture raster = m_raster.get();
        return fits ? std::move(raster) : Picture();
    } catch (const std::bad_alloc&) {
        return Picture();
    } catch (const std::length_error&) {
        return Picture();
    }
}

void RasterAhead::drop() {
    if (m_raster.valid()) {
        // Waited for and freed on another thread.
        letGo(std::exchange(m_raster, {}));
    }
}

}  // namespace pictavo
