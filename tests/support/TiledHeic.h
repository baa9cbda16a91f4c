#pragma once

// A HEIC file laid out as phones write their photos: a 'grid' item over
// hidden HEVC tiles of one size, each tile coded by libheif's own encoder.
// heif-enc cannot write tiles, and libheif decodes a grid's tiles on several
// threads, so only such a file shows how long a phone's photo takes.

#include <string>

#include "core/Picture.h"

namespace pictavo::test {

// `picture` written to `path` as a grid of tileSize x tileSize tiles at the
// given HEVC quality. The right and bottom tiles hang over the picture (their
// extra pixels repeat its last column and row); the grid crops them off.
// Throws std::runtime_error when libheif fails.
void writeTiledHeic(const std::string& path, const Picture& picture, int tileSize,
                    int quality = 90);

}  // namespace pictavo::test
