#include "crop/PicturePyramid.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <utility>

namespace pictavo {

namespace {

// One output row from two source rows. `next` is the byte offset of the
// right-hand pixel of each pair (0 for a one-pixel-wide source). The rows
// never overlap, which lets the compiler keep values in registers.
template <int next>
void halveRow(const std::uint8_t* __restrict a, const std::uint8_t* __restrict b,
              std::uint8_t* __restrict out, int width) {
    for (int x = 0; x < width; ++x) {
        const unsigned b0 = a[0] + a[next] + b[0] + b[next] + 2;
        const unsigned g0 = a[1] + a[next + 1] + b[1] + b[next + 1] + 2;
        const unsigned r0 = a[2] + a[next + 2] + b[2] + b[next + 2] + 2;
        out[0] = static_cast<std::uint8_t>(b0 >> 2);
        out[1] = static_cast<std::uint8_t>(g0 >> 2);
        out[2] = static_cast<std::uint8_t>(r0 >> 2);
        a += 6;
        b += 6;
        out += 3;
    }
}

}  // namespace

Picture halved(const Picture& source) {
    if (source.isNull()) {
        return Picture();
    }
    const int w = std::max(1, source.width() / 2);
    const int h = std::max(1, source.height() / 2);
    // A source one pixel high pairs that row with itself, and one pixel wide
    // that column.
    const bool pairRows = source.height() > 1;
    Picture result(w, h);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* a = source.scanLine(2 * y);
        const std::uint8_t* b = pairRows ? source.scanLine(2 * y + 1) : a;
        if (source.width() > 1) {
            halveRow<Picture::kBytesPerPixel>(a, b, result.scanLine(y), w);
        } else {
            halveRow<0>(a, b, result.scanLine(y), w);
        }
    }
    return result;
}

void PicturePyramid::reset(const Picture* source, std::vector<Picture> halvings) {
    m_source = source;
    m_levels = source ? std::move(halvings) : std::vector<Picture>{};
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
