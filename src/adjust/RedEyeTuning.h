#pragma once

namespace pictavo {

// How the red-eye correction decides and corrects: a pixel is corrected when
// its redness is above redSensitivity, and keeps saturation/255 of its
// distance from its grey value.
struct RedEyeTuning {
    int saturation = 50;
    float redSensitivity = 1.0f;
};

}  // namespace pictavo
