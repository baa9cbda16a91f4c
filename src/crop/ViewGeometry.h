#pragma once

// Where the crop window's picture view lies and how big it is: fitting a
// picture to the screen, zooming, panning and centring. Integer steps truncate
// toward zero and ratios are extended-precision (long double), so a picture
// lands on the same pixel on every machine.

#include <cstdint>

namespace pictavo {

struct Extent {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const Extent&, const Extent&) = default;
};

// The view's rectangle in the window's client coordinates. It may be larger
// than the window and its left/top may be negative.
struct ViewBox {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    std::int64_t right() const { return std::int64_t{left} + width; }
    std::int64_t bottom() const { return std::int64_t{top} + height; }
    friend bool operator==(const ViewBox&, const ViewBox&) = default;
};

// The result of fitting a picture: the view, and the two ratios the window
// keeps for the frame.
struct Fit {
    ViewBox view;
    long double aspect = 0;  // image width / image height
    long double scale = 0;   // source pixels per screen pixel at fit
};

// The largest width or height a view may take. A widget cannot be larger, so
// zooming stops here rather than letting the view and its geometry disagree.
inline constexpr std::int32_t kMaxViewExtent = 16777215;

// The pan and zoom step of a picture: a tenth of its width, in screen pixels.
std::int32_t viewStep(std::int32_t imageWidth);

// Fits a picture of `image` size: the view starts at the screen's size, takes
// the picture's aspect at the screen's height, and is centred in `client`.
// The picture is shown at the full screen height (within a pixel), so a
// picture wider than the screen's aspect extends past both sides.
Fit fitView(Extent screen, Extent image, Extent client);

// `view` with its size kept, centred in `client`.
ViewBox centred(ViewBox view, Extent client);

// One zoom step (positive grows). Refused (the view is returned unchanged)
// when either side would fall below half the client's, or grow past
// kMaxViewExtent. Otherwise the new view is centred.
ViewBox zoomed(ViewBox view, std::int32_t step, long double aspect, Extent client);

// One pan step; each of dx, dy is 0 or ± the step. A move that would bring a
// hidden edge no further into sight is refused on that axis: left (dx < 0)
// while the right edge is not beyond the client, right (dx > 0) while the left
// edge is at or right of 0, and the same vertically. A step is never
// shortened, so an edge may pass the window's edge once.
ViewBox panned(ViewBox view, std::int32_t dx, std::int32_t dy, Extent client);

}  // namespace pictavo
