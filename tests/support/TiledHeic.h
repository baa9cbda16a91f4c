#pragma once

// A HEIC file laid out as phones write their photos: a 'grid' item over
// hidden HEVC tiles of one size, each tile coded by libheif's own encoder.
// heif-enc cannot write tiles, and libheif decodes a grid's tiles on several
// threads, so only such a file shows how long a phone's photo takes.

#include <libheif/heif.h>

#include <memory>
#include <string>

#include "core/Picture.h"

namespace pictavo::test {

using HeifImage = std::unique_ptr<heif_image, decltype(&heif_image_release)>;
using HeifHandle = std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)>;

// The width x height area of `picture` from (left, top) as an 8-bit RGB
// libheif image; rows and columns past the picture's edges repeat its last
// ones.
HeifImage heifImageOf(const Picture& picture, int left, int top, int width, int height);

// `image` coded into `context` by libheif's HEVC encoder at `quality`, with
// `options` (nullptr: libheif's own).
HeifHandle encodeHevc(heif_context* context, const heif_image* image, int quality,
                      const heif_encoding_options* options = nullptr);

// `picture` written to `path` as a grid of tileSize x tileSize tiles at the
// given HEVC quality. The right and bottom tiles hang over the picture (their
// extra pixels repeat its last column and row); the grid crops them off.
// These throw std::runtime_error when libheif fails.
void writeTiledHeic(const std::string& path, const Picture& picture, int tileSize,
                    int quality = 90);

}  // namespace pictavo::test
