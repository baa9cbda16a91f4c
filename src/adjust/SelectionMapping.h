#pragma once

#include "core/Rect.h"

namespace pictavo {

// Where the crop window shows the picture: the view's top left in the
// window's client area and its size (the picture is stretched to it).
struct ViewPlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Maps the selection tool's rectangle (client coordinates, all bounds
// inclusive) onto a width x height picture shown in `view`: relative to the
// view, scaled by (picture extent - 1) / (view extent - 1) per axis, each
// bound rounded up (-2.5 gives -2). Not clipped: the rectangle may reach
// outside the picture or be reversed. A view of one pixel or less across
// maps that axis to 0; results beyond 32 bits are held at the limits.
Rect selectionToPicture(const Rect& client, int pictureWidth, int pictureHeight,
                        const ViewPlacement& view);

}  // namespace pictavo
