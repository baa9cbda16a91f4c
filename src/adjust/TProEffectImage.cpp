#include "adjust/TProEffectImage.h"

#include <stdexcept>

#include "adjust/ProEffectImage.h"
#include "core/Picture.h"

namespace pictavo {

// Every operation works on Bitmap in place. Running brightness, contrast,
// saturation or the red-eye correction on a copy and copying it back gives
// the same bytes (each output pixel depends only on the same input pixel and
// nothing else reads the picture meanwhile), at the cost of two copies.

Picture& TProEffectImage::bitmap() const {
    if (!Bitmap) {
        throw std::logic_error("TProEffectImage has no picture");
    }
    return *Bitmap;
}

void TProEffectImage::Brightness(int amount) {
    BrightnessFilter(bitmap(), amount);
}

void TProEffectImage::Contrast(int amount) {
    ContrastFilter(bitmap(), amount);
}

void TProEffectImage::Saturation(int amount) {
    SaturationFilter(bitmap(), amount);
}

void TProEffectImage::AntiAlias() {
    AntiAliasFilter(bitmap());
}

void TProEffectImage::Colours(const Picture& source, const ColourAmounts& amounts) {
    AdjustColours(source, bitmap(), amounts);
}

void TProEffectImage::ReduceRedEye(const Rect& rect) {
    RedEyeFilter(bitmap(), rect, Tuning);
}

}  // namespace pictavo
