#pragma once

// The cropping frame's arithmetic, in source-picture pixels: its size from the
// ratio, its centred start, how it follows the mouse and where the strips
// outside it lie. Pure functions, so the window only forwards to them.

#include <array>

#include "core/Rect.h"

namespace pictavo::frame {

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// The cut's size: a landscape or square picture gets a frame of its full
// width and height Ceil(width / ratio); a portrait one a frame of its full
// height and width Ceil(height / ratio). The cut may be larger than the
// picture across the sliding axis when the picture is more elongated than the
// ratio.
//
// With `inside`, a picture more elongated than the ratio (the frame above
// would be taller, or wider, than the picture) gets instead the largest frame
// of the ratio that fits in it: the picture's full height (landscape) or
// width (portrait), and the longest side L for which Ceil(L / ratio) is that
// span (Trunc(span × ratio)), so it is never more elongated than the ratio,
// as above. Other pictures are framed as without it.
Size calcCropSize(int imageWidth, int imageHeight, long double ratio, bool inside = false);

// The frame centred on the picture (offsets rounded toward zero, so a cut
// taller than the picture starts at a negative top).
Rect centredFrame(Size image, Size crop);

// The frame moved by (dx, dy) source pixels and then kept on the picture: the
// top-left is clamped to 0 first, then the far edges to the picture's size.
// A cut larger than the picture therefore ends with its far edge on the
// picture's far edge.
Rect moveFrame(const Rect& frame, int dx, int dy, Size image);

// The frame with its left and top edges moved back onto a grid of blocks of
// `block` pixels, as a cut that copies a file's coded blocks must start; its
// size stays. An edge before the picture's start stays where it is (such a
// cut is never made by copying blocks).
Rect snapToGrid(const Rect& frame, Size block);

// Source pixels moved for a mouse movement of `screenDistance` screen pixels:
// Ceil(distance / scale) in extended precision. A movement right or down thus
// always moves the frame; one left or up by less than `scale` does not.
int mouseDelta(int screenDistance, long double scale);

// One mouse movement to screen position `cursor`. The first one ever (while
// `lastMouse` is (0, 0)) only records the position. Otherwise, while the frame
// tracks and an image is shown, the frame moves by the distance since
// `lastMouse` over `scale` and `lastMouse` becomes `cursor`; when it does not
// track, `lastMouse` stays, so the next image's first movement applies the
// whole distance since then. Returns true when the frame was moved.
bool followMouse(Point cursor, Point& lastMouse, bool tracking, Rect& frame, Size image,
                 long double scale);

// The two strips outside the frame, in painting order: strip B (right of or
// below the frame) first, then strip A (left of or above it). A strip without
// area comes back empty; a non-empty strip lies inside the picture.
std::array<Rect, 2> frameStrips(const Rect& frame, Size crop, Size image);

// `area` intersected with the picture; empty (all zero) when they do not meet.
Rect clipToImage(const Rect& area, Size image);

}  // namespace pictavo::frame
