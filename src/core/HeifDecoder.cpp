// HEIF pictures (the photos of many phones) through libheif.

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/ExifBlock.h"
#include "core/PictureFile.h"

namespace pictavo {

namespace {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
    void operator()(const heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
    void operator()(const heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

void check(const heif_error& error) {
    if (error.code != heif_error_Ok) {
        throw JpegError(std::string("The HEIF file cannot be decoded: ") +
                        (error.message ? error.message : "unknown error"));
    }
}

// A HEIF file's EXIF item starts with the offset of the TIFF header after
// its first four bytes; a JPEG carries the same structure after "Exif\0\0".
std::vector<std::uint8_t> exifPayload(const heif_image_handle* handle) {
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1) {
        return {};
    }
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size < 4) {
        return {};
    }
    std::vector<std::uint8_t> item(size);
    if (heif_image_handle_get_metadata(handle, id, item.data()).code != heif_error_Ok) {
        return {};
    }
    const std::uint32_t offset = (std::uint32_t{item[0]} << 24) | (std::uint32_t{item[1]} << 16) |
                                 (std::uint32_t{item[2]} << 8) | std::uint32_t{item[3]};
    if (offset > size - 4) {
        return {};
    }
    std::vector<std::uint8_t> payload{'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), item.begin() + 4 + offset, item.end());
    // Kept only when libexif reads it whole, as a JPEG's block is.
    if (!ExifBlock::parse(payload.data(), payload.size())) {
        return {};
    }
    return payload;
}

std::vector<std::uint8_t> iccProfile(const heif_image_handle* handle) {
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) {
        return {};
    }
    std::vector<std::uint8_t> icc(heif_image_handle_get_raw_color_profile_size(handle));
    if (icc.empty() ||
        heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok) {
        return {};
    }
    return icc;
}

}  // namespace

DecodedJpeg decodeHeifMemory(const std::uint8_t* data, std::size_t size,
                             const DecodeOptions& options, std::size_t budgetBytes) {
    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context) {
        throw JpegError("The HEIF file cannot be decoded: out of memory");
    }
    // A phone's photo is a grid of tiles (48 for 12 megapixels), which
    // libheif decodes on up to four threads of its own by default; a machine
    // with more cores gets one thread for each.
    constexpr unsigned kLibraryDefaultThreads = 4;
    const unsigned cores = std::thread::hardware_concurrency();
    if (cores > kLibraryDefaultThreads) {
        heif_context_set_max_decoding_threads(context.get(), static_cast<int>(cores));
    }
    check(heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr));
    heif_image_handle* rawHandle = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &rawHandle));
    const std::unique_ptr<const heif_image_handle, HandleRelease> handle(rawHandle);

    // Refused from the header, before anything is decoded.
    const long long width = heif_image_handle_get_width(handle.get());
    const long long height = heif_image_handle_get_height(handle.get());
    const std::size_t bytes = Picture::bytesNeeded(width, height);
    if (width <= 0 || height <= 0 || bytes == 0 || bytes > budgetBytes) {
        throw JpegError("The picture is too large to load (" + std::to_string(width) + " x " +
                        std::to_string(height) + " pixels)");
    }

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const bool premultiplied = heif_image_handle_is_premultiplied_alpha(handle.get()) != 0;
    const std::unique_ptr<heif_decoding_options, OptionsFree> decoding(
        heif_decoding_options_alloc());
    // Photos of 10 bits and more come out at 8, as a print takes them.
    decoding->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    check(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            decoding.get()));
    const std::unique_ptr<const heif_image, ImageRelease> image(rawImage);
    const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || w <= 0 || h <= 0 ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8 ||
        Picture::bytesNeeded(w, h) > budgetBytes) {
        throw JpegError("The HEIF file cannot be decoded: unexpected pixel layout");
    }

    DecodedJpeg result;
    result.picture = Picture(w, h);
    const int step = alpha ? 4 : 3;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = plane + static_cast<std::ptrdiff_t>(y) * stride;
        std::uint8_t* out = result.picture.scanLine(y);
        for (int x = 0; x < w; ++x, in += step, out += 3) {
            if (!alpha) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                continue;
            }
            // Laid over white: a print has no transparency.
            const unsigned a = in[3];
            for (int c = 0; c < 3; ++c) {
                const unsigned v = in[2 - c];
                out[c] = premultiplied
                             ? static_cast<std::uint8_t>(std::min(255u, v + 255u - a))
                             : static_cast<std::uint8_t>((v * a + 255u * (255u - a) + 127u) / 255u);
            }
        }
    }
    if (options.keepMetadata) {
        result.metadata.exif = exifPayload(handle.get());
        result.metadata.icc = iccProfile(handle.get());
        // libheif has turned the pixels as the file says; the EXIF
        // orientation no longer applies to them.
        result.metadata.turned = true;
    }
    return result;
}

}  // namespace pictavo
