#include "crop/ViewGeometry.h"

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace {

std::int32_t clampExtent(long double value) {
    return static_cast<std::int32_t>(std::clamp<long double>(value, 0, kMaxViewExtent));
}

}  // namespace

std::int32_t viewStep(std::int32_t imageWidth) {
    return imageWidth / 10;
}

Fit fitView(Extent screen, Extent image, Extent client) {
    Fit fit;
    if (image.width <= 0 || image.height <= 0) {
        fit.view = centred(ViewBox{}, client);
        return fit;
    }
    std::int32_t w = screen.width;
    std::int32_t h = screen.height;
    // The view is as high as the screen and, unless the picture has exactly
    // the screen's aspect, wide enough for the picture at that height.
    const long double inv = static_cast<long double>(image.height) / image.width;
    if (w != 0 && inv != static_cast<long double>(h) / w) {
        w = clampExtent(std::ceil(h / inv));
    }
    fit.aspect = static_cast<long double>(image.width) / image.height;
    if (fit.aspect > 1) {
        h = clampExtent(std::trunc(w / fit.aspect));
    } else {
        w = clampExtent(std::trunc(h * fit.aspect));
    }
    fit.scale = h > 0 ? static_cast<long double>(image.height) / h : 0;
    fit.view = centred(ViewBox{0, 0, w, h}, client);
    return fit;
}

ViewBox centred(ViewBox view, Extent client) {
    view.left = static_cast<std::int32_t>((std::int64_t{client.width} - view.width) / 2);
    view.top = static_cast<std::int32_t>((std::int64_t{client.height} - view.height) / 2);
    return view;
}

ViewBox zoomed(ViewBox view, std::int32_t step, long double aspect, Extent client) {
    const auto dw = static_cast<std::int64_t>(std::trunc(step * aspect));
    const std::int64_t width = view.width + dw;
    const std::int64_t height = std::int64_t{view.height} + step;
    if (width < client.width / 2 || height < client.height / 2) {
        return view;
    }
    if (width > kMaxViewExtent || height > kMaxViewExtent) {
        return view;
    }
    return centred(
        ViewBox{0, 0, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)}, client);
}

ViewBox panned(ViewBox view, std::int32_t dx, std::int32_t dy, Extent client) {
    if (view.right() <= client.width && dx < 0) {
        dx = 0;
    }
    if (view.bottom() <= client.height && dy < 0) {
        dy = 0;
    }
    if (view.left >= 0 && dx > 0) {
        dx = 0;
    }
    if (view.top >= 0 && dy > 0) {
        dy = 0;
    }
    view.left += dx;
    view.top += dy;
    return view;
}

}  // namespace pictavo
