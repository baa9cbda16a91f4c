#pragma once

#include "adjust/ProEffectImage.h"
#include "adjust/RedEyeTuning.h"

namespace pictavo {

class Picture;
struct Rect;

// Applies one adjustment to the picture it points at; the caller sets Bitmap
// before each call and keeps ownership. Throws std::logic_error when Bitmap
// is not set.
class TProEffectImage {
public:
    Picture* Bitmap = nullptr;
    // The red-eye values read when the toolbar was created.
    RedEyeTuning Tuning;

    void Brightness(int amount);
    void Contrast(int amount);
    void Saturation(int amount);
    void AntiAlias();
    // Bitmap becomes `source` with brightness, contrast and saturation
    // applied in that order, in one pass; Bitmap's raster is reused when it
    // fits and nothing else shares it.
    void Colours(const Picture& source, const ColourAmounts& amounts);
    // rect in picture coordinates, all bounds inclusive.
    void ReduceRedEye(const Rect& rect);

private:
    Picture& bitmap() const;
};

}  // namespace pictavo
