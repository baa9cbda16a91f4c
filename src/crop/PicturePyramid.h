#pragma once

// Halved copies of a picture for drawing it small: the view draws from the
// smallest copy that is still at least as large as itself, so no paint ever
// scales the full picture.

#include <vector>

#include "core/Picture.h"

namespace pictavo {

// A picture of half the width and height (at least 1 x 1), each pixel the
// rounded mean of the 2 x 2 pixels it covers. An odd last row or column is
// dropped, except in a picture one pixel wide or high.
Picture halved(const Picture& source);
// The same into `into`, which keeps its raster when that has the right size
// and is shared with nobody.
void halveInto(const Picture& source, Picture& into);

class PicturePyramid {
public:
    // Starts over with `source`, which must outlive its use here (until the
    // next reset). nullptr empties the pyramid. `halvings`, if given, are the
    // first successive halvings of the source, made elsewhere ahead of time.
    // A source of the same size as the last one (the same photograph
    // adjusted) gets its halvings in the rasters of the last one's.
    void reset(const Picture* source, std::vector<Picture> halvings = {});

    const Picture* source() const { return m_source; }

    // The smallest of the source and its halvings that is at least
    // width x height; the source itself when the request is as large as it or
    // larger. Halvings are made on first use and kept.
    const Picture& levelFor(int width, int height);

    // Halvings made so far.
    int halvingsMade() const { return static_cast<int>(m_levels.size()); }

private:
    const Picture* m_source = nullptr;
    int m_sourceWidth = 0;
    int m_sourceHeight = 0;
    std::vector<Picture> m_levels;
    // The last source's halvings, to be written over.
    std::vector<Picture> m_spares;
};

}  // namespace pictavo
