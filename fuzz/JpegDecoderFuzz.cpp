// libFuzzer target: any bytes given to the decoder give a picture or a
// JpegError, never a crash, leak or hang. A decoded picture is encoded again
// so the encoder sees odd sizes and cuts too.
#include <cstddef>
#include <cstdint>

#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"

namespace {
// Small enough that libFuzzer's memory limit never trips on a legal file.
constexpr std::size_t kFuzzBudget = std::size_t{64} << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const pictavo::Picture picture = pictavo::decodeJpegMemory(data, size, kFuzzBudget);
        if (!picture.isNull() && picture.width() <= 512 && picture.height() <= 512) {
            const int quality = size > 0 ? data[size - 1] % 100 + 1 : 90;
            const pictavo::Rect cut{-3, picture.height() / 3, picture.width() / 2 + 5,
                                    picture.height() + 2};
            pictavo::encodeJpeg(picture, cut, quality);
        }
    } catch (const pictavo::JpegError&) {
    }
    return 0;
}
