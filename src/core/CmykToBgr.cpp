#include "core/CmykToBgr.h"

namespace pictavo {

namespace {
// a * b / 255, rounded.
std::uint8_t scale(unsigned a, unsigned b) {
    const unsigned t = a * b + 128;
    return static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
}
}  // namespace

void cmykToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, int width, bool adobeInverted) {
    const unsigned flip = adobeInverted ? 0 : 255;
    for (int x = 0; x < width; ++x) {
        // With 255 meaning no ink, each channel is the light the ink lets
        // through times what the black lets through.
        const unsigned c = cmyk[0] ^ flip;
        const unsigned m = cmyk[1] ^ flip;
        const unsigned y = cmyk[2] ^ flip;
        const unsigned k = cmyk[3] ^ flip;
        bgr[0] = scale(y, k);
        bgr[1] = scale(m, k);
        bgr[2] = scale(c, k);
        cmyk += 4;
        bgr += 3;
    }
}

}  // namespace pictavo
