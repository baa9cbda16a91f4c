// libFuzzer target: any bytes given to the decoder give a picture or a
// JpegError, never a crash, leak or hang. The decode turns the picture by its
// EXIF orientation and keeps its metadata, and a decoded picture is encoded
// again with that metadata, so the encoder sees odd sizes and cuts too. The
// bytes are also read as an EXIF block on their own, as libexif gets one,
// and as an XMP packet whose orientation is set upright.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/ExifBlock.h"
#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"
#include "core/XmpOrientation.h"

namespace {
// Small enough that libFuzzer's memory limit never trips on a legal file.
constexpr std::size_t kFuzzBudget = std::size_t{64} << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (std::optional<pictavo::ExifBlock> block = pictavo::ExifBlock::parse(data, size)) {
        const int orientation = static_cast<int>(block->orientation());
        block->forPicture(orientation * 7, 65535 + orientation, orientation % 2 == 0);
    }
    pictavo::xmpForUprightPixels(std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        const pictavo::DecodedJpeg decoded =
            pictavo::decodeJpegMemory(data, size, {true, true}, kFuzzBudget);
        const pictavo::Picture& picture = decoded.picture;
        if (!picture.isNull() && picture.width() <= 512 && picture.height() <= 512) {
            const int quality = size > 0 ? data[size - 1] % 100 + 1 : 90;
            const pictavo::Rect cut{-3, picture.height() / 3, picture.width() / 2 + 5,
                                    picture.height() + 2};
            pictavo::encodeJpeg(picture, cut, quality, &decoded.metadata);
        }
    } catch (const pictavo::JpegError&) {
    }
    return 0;
}
