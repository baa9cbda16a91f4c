#include "crop/PicturePyramid.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace pictavo {

Picture halved(const Picture& source) {
    if (source.isNull()) {
        return Picture();
    }
    const int w = std::max(1, source.width() / 2);
    const int h = std::max(1, source.height() / 2);
    // A source one pixel wide (high) pairs that column (row) with itself.
    const int nextColumn = source.width() > 1 ? Picture::kBytesPerPixel : 0;
    const bool pairRows = source.height() > 1;
    Picture result(w, h);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* a = source.scanLine(2 * y);
        const std::uint8_t* b = pairRows ? source.scanLine(2 * y + 1) : a;
        std::uint8_t* out = result.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int i = 6 * x;
            const int j = i + nextColumn;
            for (int c = 0; c < 3; ++c) {
                out[3 * x + c] =
                    static_cast<std::uint8_t>((a[i + c] + a[j + c] + b[i + c] + b[j + c] + 2) >> 2);
            }
        }
    }
    return result;
}

void PicturePyramid::reset(const Picture* source) {
    m_source = source;
    m_levels.clear();
}

const Picture& PicturePyramid::levelFor(int width, int height) {
    if (!m_source) {
        throw std::logic_error("PicturePyramid has no picture");
    }
    const Picture* best = m_source;
    for (std::size_t i = 0;; ++i) {
        if (best->width() <= 1 && best->height() <= 1) {
            return *best;
        }
        // Would the next halving still cover the request?
        if (best->width() / 2 < width || best->height() / 2 < height) {
            return *best;
        }
        if (i == m_levels.size()) {
            m_levels.push_back(halved(*best));
        }
        best = &m_levels[i];
    }
}

}  // namespace pictavo
