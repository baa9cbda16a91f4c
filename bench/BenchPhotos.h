#pragma once

// Large real photographs for the benchmarks: 6000 x 4000 (24-megapixel) JPEG
// files made once from the photographs that tools/fetch-photos.sh unpacks,
// kept in a cache folder under build/ (never in the repository).

#include <string>
#include <vector>

namespace pictavo::bench {

// Up to `count` different 6000 x 4000 files at quality 92, each a photograph
// scaled to cover that size and cut around its centre (fewer when fewer
// photographs are there). Made on first use. Photographs come from
// $PICTAVO_PHOTOS, else build/photos of the source tree.
std::vector<std::string> photos24mp(int count);

// Up to `count` different 4032 x 3024 HEIC files, as phones write them: the
// same photographs as photos24mp(count) gives, scaled to cover that size and
// stored as a grid of 512 x 512 HEVC tiles at quality 90. Made on first use;
// throws std::runtime_error when libheif cannot make them.
std::vector<std::string> heicPhotos12mp(int count);

// A fresh empty folder beside the cache folder, for written cuts.
std::string scratchFolder(const std::string& name);

// Files the codec benchmarks work on.
struct BenchFiles {
    std::string photo24;  // a 6000 x 4000 JPEG at quality 92
    std::string cutPpm;   // the 4000 x 2667 cut of it, as PPM for cjpeg
    std::string scratch;  // a file the benchmarks may overwrite
};

// Throws std::runtime_error when no photograph is there.
BenchFiles prepareBenchFiles();

}  // namespace pictavo::bench
