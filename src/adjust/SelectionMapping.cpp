#include "adjust/SelectionMapping.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace pictavo {

namespace {

// Picture pixels per view pixel along one axis, spanning first to last pixel.
double factor(int pictureExtent, int viewExtent) {
    const double viewSpan = static_cast<double>(viewExtent) - 1.0;
    if (viewSpan <= 0.0) {
        return 0.0;
    }
    return (static_cast<double>(pictureExtent) - 1.0) / viewSpan;
}

std::int32_t ceilTo32(double value) {
    const double up = std::ceil(value);
    if (up >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (up <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(up);
}

}  // namespace

Rect selectionToPicture(const Rect& client, int pictureWidth, int pictureHeight,
                        const ViewPlacement& view) {
    const double fx = factor(pictureWidth, view.width);
    const double fy = factor(pictureHeight, view.height);
    // In double: a client coordinate minus the view's position may pass 32 bits.
    const auto x = [&](std::int32_t v) {
        return ceilTo32((static_cast<double>(v) - view.left) * fx);
    };
    const auto y = [&](std::int32_t v) {
        return ceilTo32((static_cast<double>(v) - view.top) * fy);
    };
    return {x(client.left), y(client.top), x(client.right), y(client.bottom)};
}

}  // namespace pictavo
