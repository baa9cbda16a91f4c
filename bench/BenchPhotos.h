#pragma once

#include <string>

#include "core/Picture.h"

namespace pictavo::bench {

// Files the codec benchmarks work on, made once from a real photograph of
// build/photos (tools/fetch-photos.sh) into the build's bench-cache folder.
struct BenchFiles {
    std::string photo24;  // a 6000 x 4000 JPEG at quality 92
    std::string cutPpm;   // the 4000 x 2667 cut of it, as PPM for cjpeg
    std::string scratch;  // a file the benchmarks may overwrite
};

// Throws std::runtime_error when no photograph is there.
BenchFiles prepareBenchFiles();

// Bilinear resize to width x height.
Picture resizeBilinear(const Picture& source, int width, int height);

}  // namespace pictavo::bench
