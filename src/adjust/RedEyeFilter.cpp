#include <algorithm>
#include <cstdint>

#include "adjust/AmountArithmetic.h"
#include "adjust/ProEffectImage.h"
#include "core/Picture.h"
#include "core/Rect.h"

namespace pictavo {

void RedEyeFilter(Picture& picture, const Rect& rect, const RedEyeTuning& tuning) {
    if (rect.right < rect.left || rect.bottom < rect.top) {
        return;
    }
    // The selection may reach past the picture when it is shown zoomed or
    // the mouse left it; only the pixels inside are looked at.
    const int left = std::max(0, rect.left);
    const int top = std::max(0, rect.top);
    const int right = std::min(picture.width() - 1, rect.right);
    const int bottom = std::min(picture.height() - 1, rect.bottom);
    const int s = BoundedAmount(tuning.saturation);
    for (int y = top; y <= bottom; ++y) {
        std::uint8_t* p = picture.scanLine(y) + left * Picture::kBytesPerPixel;
        for (int x = left; x <= right; ++x, p += Picture::kBytesPerPixel) {
            const int b = p[0];
            const int g = p[1];
            const int r = p[2];
            if (r == 0) {
                continue;
            }
            // Rounded to single precision before the strict comparison:
            // R 200 with max(G, B) 150 gives exactly 1 and is left alone.
            const float redness = static_cast<float>(4.0 - (std::max(g, b) * 4.0) / r);
            if (!(redness > tuning.redSensitivity)) {
                continue;
            }
            const int grey = (r + g + b) / 3;
            p[0] = ClampByte(grey + (b - grey) * s / 255);
            p[1] = ClampByte(grey + (g - grey) * s / 255);
            p[2] = ClampByte(grey + (r - grey) * s / 255);
        }
    }
}

}  // namespace pictavo
