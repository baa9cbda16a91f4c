// libFuzzer target for the EXIF block alone, without a JPEG around it, so it
// runs thousands of times faster than the decoder's target: any bytes give a
// block or none, never a crash, leak or hang, and a block written for a
// picture reads back whole, upright when its pixels were turned.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "core/ExifBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<pictavo::ExifBlock> block = pictavo::ExifBlock::parse(data, size);
    if (!block) {
        return 0;
    }
    const int orientation = static_cast<int>(block->orientation());
    const bool turned = size % 2 == 0;
    const std::vector<std::uint8_t> written =
        block->forPicture(orientation * 7 + 1, 65535 + orientation, turned);
    if (written.empty()) {
        return 0;
    }
    const std::optional<pictavo::ExifBlock> again =
        pictavo::ExifBlock::parse(written.data(), written.size());
    if (!again || (turned && again->orientation() != pictavo::Orientation::Normal)) {
        std::fprintf(stderr, "the written block does not read back %s\n",
                     again ? "upright" : "at all");
        std::abort();
    }
    return 0;
}
