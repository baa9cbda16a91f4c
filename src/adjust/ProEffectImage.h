#pragma once

// The pixel operations behind the adjustment toolbar. Each is one pass over a
// picture in place, exact to the byte: signed integer arithmetic, division
// truncating toward zero, results clamped to 0..255. Amounts are not
// validated; any integer gives the formula's result.

#include "adjust/RedEyeTuning.h"

namespace pictavo {

class Picture;
struct Rect;

// c' = clamp(c + (A * (255 - c)) / 255) for every channel.
void BrightnessFilter(Picture& picture, int amount);
// d = (|127 - c| * A) / 255; c' = clamp(c + d) above 127, clamp(c - d) else.
void ContrastFilter(Picture& picture, int amount);
// g = (blue + green + red) / 3; c' = clamp(g + ((c - g) * A) / 255).
void SaturationFilter(Picture& picture, int amount);
// The amounts of the three colour adjustments; these values change nothing.
struct ColourAmounts {
    int brightness = 0;
    int contrast = 0;
    int saturation = 255;
};
// `into` becomes `source` with brightness, then contrast, then saturation
// applied: the same bytes as the three filters one after the other, in one
// pass. `into` keeps its raster when it has the right size and is shared with
// nobody. `into` and `source` must be different objects.
void AdjustColours(const Picture& source, Picture& into, const ColourAmounts& amounts);
// Replaces every channel inside the rectangle (corners in any order, all
// bounds inclusive, clipped to the picture less its outermost pixel frame)
// by the sum of its four edge neighbours shifted right by 2. Rows from the
// top, pixels from the left, in place: the upper and left neighbours are
// already smoothed when a pixel is computed.
void AntiAliasRect(Picture& picture, int left, int top, int right, int bottom);
// Smooths everything but the outermost pixel frame; a picture under 3 pixels
// wide or high is left as it is.
void AntiAliasFilter(Picture& picture);
// Desaturates the pixels of `rect` (inclusive bounds, clipped to the picture)
// whose redness 4 - 4 * max(green, blue) / red is above the tuning's
// sensitivity. A reversed rectangle changes nothing.
void RedEyeFilter(Picture& picture, const Rect& rect, const RedEyeTuning& tuning);

}  // namespace pictavo
