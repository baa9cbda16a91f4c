#pragma once

// A raster made on a worker thread, its pages already written once, for a
// picture that will be needed soon. A photograph's raster is tens of
// megabytes, and the kernel's first touch of that much memory can take as
// long as the work done in it; done ahead, it costs the next step nothing.

#include <future>

#include "core/Picture.h"

namespace pictavo {

class RasterAhead {
public:
    RasterAhead() = default;
    RasterAhead(const RasterAhead&) = delete;
    RasterAhead& operator=(const RasterAhead&) = delete;
    // Waits for a raster still being made.
    ~RasterAhead() = default;

    // Starts making a width x height raster, unless one of that size is made
    // or being made already.
    void prepare(int width, int height);
    // The raster made ahead if it is width x height (waiting for it if it is
    // still being made), otherwise an empty picture; either way nothing is
    // kept. A raster that could not be made gives an empty picture too.
    Picture take(int width, int height);
    // Lets go of a raster made or being made, without waiting for it.
    void drop();

private:
    std::future<Picture> m_raster;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace pictavo
