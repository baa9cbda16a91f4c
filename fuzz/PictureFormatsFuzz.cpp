// libFuzzer targets for the decoders of the other picture formats: libheif
// behind our HEIF decode (PICTAVO_FUZZ_HEIF) or Qt's PNG, TIFF and WebP
// readers behind ours. Any bytes give a picture or a JpegError, never a
// crash, leak or hang; a picture is 24-bit, within the budget, and its kept
// metadata is what a cut may carry.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/PictureFile.h"

namespace {

// Small, so that a header claiming a huge picture is refused at once.
constexpr std::size_t kBudget = std::size_t{64} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The options come from the input, so each path is tried.
    const pictavo::DecodeOptions options{size % 2 == 1, size % 3 == 1};
    try {
#ifdef PICTAVO_FUZZ_HEIF
        const pictavo::DecodedJpeg decoded =
            pictavo::decodeHeifMemory(data, size, options, kBudget);
#else
        const pictavo::DecodedJpeg decoded =
            pictavo::decodeImageReaderMemory(data, size, options, kBudget);
#endif
        if (decoded.picture.isNull() || decoded.picture.byteCount() > kBudget ||
            (!options.keepMetadata && !decoded.metadata.empty())) {
            std::fprintf(stderr, "a decoded picture breaks its promises\n");
            std::abort();
        }
    } catch (const pictavo::JpegError&) {
    }
    return 0;
}
