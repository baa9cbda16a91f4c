#include "crop/FrameGeometry.h"

#include <algorithm>
#include <cmath>

namespace pictavo::frame {

namespace {

int ceilQuotient(long double numerator, long double denominator) {
    return static_cast<int>(std::ceil(numerator / denominator));
}

// The longest side whose frame by the ratio has `shortSide`: the largest L
// with Ceil(L / ratio) <= shortSide. Trunc(shortSide × ratio) up to the last
// bit; the neighbours are checked with the same division the frame's size
// uses, so the two agree whatever the rounding of the product, and the inside
// frame is exactly the frame a picture of the cut's own size would get.
int longSideFor(int shortSide, long double ratio, int limit) {
    int side = static_cast<int>(std::min<long double>(std::trunc(shortSide * ratio), limit));
    while (side < limit && ceilQuotient(side + 1, ratio) <= shortSide)
        ++side;
    while (side > 1 && ceilQuotient(side, ratio) > shortSide)
        --side;
    return side;
}

}  // namespace

Size calcCropSize(int imageWidth, int imageHeight, long double ratio, bool inside) {
    const long double aspect = static_cast<long double>(imageWidth) / imageHeight;
    if (aspect >= 1) {
        const int height = ceilQuotient(imageWidth, ratio);
        // Taller than the picture exactly when width / ratio exceeds its
        // height, and then height × ratio is below the width: the frame fits.
        if (inside && height > imageHeight)
            return {longSideFor(imageHeight, ratio, imageWidth), imageHeight};
        return {imageWidth, height};
    }
    const int width = ceilQuotient(imageHeight, ratio);
    if (inside && width > imageWidth)
        return {imageWidth, longSideFor(imageWidth, ratio, imageHeight)};
    return {width, imageHeight};
}

Rect centredFrame(Size image, Size crop) {
    // Integer division truncates toward zero, as the frame's start is defined.
    const int left = (image.width - crop.width) / 2;
    const int top = (image.height - crop.height) / 2;
    return {left, top, left + crop.width, top + crop.height};
}

Rect moveFrame(const Rect& frame, int dx, int dy, Size image) {
    const int cropWidth = frame.width();
    const int cropHeight = frame.height();
    int left = std::max(frame.left + dx, 0);
    int top = std::max(frame.top + dy, 0);
    int right = left + cropWidth;
    int bottom = top + cropHeight;
    if (right > image.width) {
        right = image.width;
        left = right - cropWidth;
    }
    if (bottom > image.height) {
        bottom = image.height;
        top = bottom - cropHeight;
    }
    return {left, top, right, bottom};
}

Rect snapToGrid(const Rect& frame, Size block) {
    if (block.width <= 0 || block.height <= 0)
        return frame;
    const int left = frame.left >= 0 ? frame.left - frame.left % block.width : frame.left;
    const int top = frame.top >= 0 ? frame.top - frame.top % block.height : frame.top;
    return {left, top, left + frame.width(), top + frame.height()};
}

int mouseDelta(int screenDistance, long double scale) {
    return ceilQuotient(screenDistance, scale);
}

bool followMouse(Point cursor, Point& lastMouse, bool tracking, Rect& frame, Size image,
                 long double scale) {
    if (lastMouse == Point{}) {
        lastMouse = cursor;
        return false;
    }
    if (!tracking || frame.right <= 0)
        return false;
    const int dx = mouseDelta(cursor.x - lastMouse.x, scale);
    const int dy = mouseDelta(cursor.y - lastMouse.y, scale);
    frame = moveFrame(frame, dx, dy, image);
    lastMouse = cursor;
    return true;
}

Rect clipToImage(const Rect& area, Size image) {
    const Rect clipped{std::max(area.left, 0), std::max(area.top, 0),
                       std::min(area.right, image.width), std::min(area.bottom, image.height)};
    return clipped.isEmpty() ? Rect{} : clipped;
}

std::array<Rect, 2> frameStrips(const Rect& frame, Size crop, Size image) {
    Rect a;
    Rect b;
    if (crop.height == image.height) {
        // Full-height frame sliding horizontally: left and right of it.
        a = {0, 0, frame.left, frame.bottom};
        b = {frame.right, 0, image.width, frame.bottom};
    } else {
        // Full-width frame sliding vertically: above and below it.
        a = {0, 0, frame.right, frame.top};
        b = {0, frame.bottom, frame.right, image.height};
    }
    return {clipToImage(b, image), clipToImage(a, image)};
}

}  // namespace pictavo::frame
