#include "core/JpegMarkers.h"

#include <cstring>
#include <optional>
#include <string_view>

#include "core/ExifBlock.h"

namespace pictavo {

namespace {

constexpr int kApp1 = JPEG_APP0 + 1;
constexpr int kApp2 = JPEG_APP0 + 2;
constexpr unsigned kWholeSegment = 0xFFFF;

constexpr std::string_view kExifName{"Exif\0\0", 6};
constexpr std::string_view kXmpNames[] = {
    {"http://ns.adobe.com/xap/1.0/\0", 29},
    {"http://ns.adobe.com/xmp/extension/\0", 35},
};

bool startsWith(const jpeg_marker_struct& marker, std::string_view name) {
    return marker.data_length >= name.size() &&
           std::memcmp(marker.data, name.data(), name.size()) == 0;
}

std::vector<std::uint8_t> bytesOf(const jpeg_marker_struct& marker) {
    return {marker.data, marker.data + marker.data_length};
}

// The profile header's data colour space (bytes 16 to 19).
bool describesRgb(const std::vector<std::uint8_t>& icc) {
    return icc.size() >= 128 && std::memcmp(icc.data() + 16, "RGB ", 4) == 0;
}

}  // namespace

void keepMarkers(j_decompress_ptr info, bool exif, bool all) {
    if (exif || all) {
        jpeg_save_markers(info, kApp1, kWholeSegment);
    }
    if (all) {
        jpeg_save_markers(info, kApp2, kWholeSegment);
        jpeg_save_markers(info, JPEG_COM, kWholeSegment);
    }
}

std::vector<std::uint8_t> exifSegment(j_decompress_ptr info) {
    for (const jpeg_marker_struct* m = info->marker_list; m; m = m->next) {
        if (m->marker == kApp1 && startsWith(*m, kExifName)) {
            return bytesOf(*m);
        }
    }
    return {};
}

void collectXmpAndComments(j_decompress_ptr info, JpegMetadata& metadata) {
    for (const jpeg_marker_struct* m = info->marker_list; m; m = m->next) {
        if (m->marker == JPEG_COM) {
            metadata.comments.push_back(bytesOf(*m));
            continue;
        }
        if (m->marker != kApp1) {
            continue;
        }
        for (std::string_view name : kXmpNames) {
            if (startsWith(*m, name)) {
                metadata.xmp.push_back(bytesOf(*m));
                break;
            }
        }
    }
}

JpegMetadata metadataForPicture(const JpegMetadata& source, int width, int height) {
    JpegMetadata out;
    if (!source.exif.empty()) {
        if (std::optional<ExifBlock> block =
                ExifBlock::parse(source.exif.data(), source.exif.size())) {
            out.exif = block->forPicture(width, height, source.turned);
        }
    }
    // The file is written as RGB: a grey or CMYK profile would misdescribe it.
    if (describesRgb(source.icc)) {
        out.icc = source.icc;
    }
    out.xmp = source.xmp;
    out.comments = source.comments;
    return out;
}

void writeMarkers(j_compress_ptr info, const JpegMetadata& metadata) {
    auto write = [info](int code, const std::vector<std::uint8_t>& bytes) {
        jpeg_write_marker(info, code, bytes.data(), static_cast<unsigned>(bytes.size()));
    };
    if (!metadata.exif.empty()) {
        write(kApp1, metadata.exif);
    }
    for (const auto& packet : metadata.xmp) {
        write(kApp1, packet);
    }
    if (!metadata.icc.empty()) {
        jpeg_write_icc_profile(info, metadata.icc.data(),
                               static_cast<unsigned>(metadata.icc.size()));
    }
    for (const auto& comment : metadata.comments) {
        write(JPEG_COM, comment);
    }
}

}  // namespace pictavo
