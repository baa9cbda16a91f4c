#include "core/JpegMarkers.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/ExifBlock.h"
#include "core/XmpOrientation.h"

namespace pictavo {

namespace {

constexpr int kApp1 = JPEG_APP0 + 1;
constexpr int kApp2 = JPEG_APP0 + 2;
constexpr unsigned kWholeSegment = 0xFFFF;

constexpr std::string_view kExifName{"Exif\0\0", 6};
constexpr std::string_view kXmpName{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kXmpExtensionName{"http://ns.adobe.com/xmp/extension/\0", 35};
constexpr std::string_view kXmpNames[] = {kXmpName, kXmpExtensionName};
// An extension segment's name is followed by the packet's checksum (32
// characters), its whole length and this chunk's offset (4 bytes each).
constexpr std::size_t kXmpExtensionHeader = kXmpExtensionName.size() + 32 + 4 + 4;

bool startsWith(const jpeg_marker_struct& marker, std::string_view name) {
    return marker.data_length >= name.size() &&
           std::memcmp(marker.data, name.data(), name.size()) == 0;
}

bool startsWith(const std::vector<std::uint8_t>& bytes, std::string_view name) {
    return bytes.size() >= name.size() && std::memcmp(bytes.data(), name.data(), name.size()) == 0;
}

// The XMP segments for pixels that were turned upright, so that none of them
// tells a viewer to turn the pixels again. A main packet gets orientation 1,
// or is left out when that cannot be done safely. The extension chunks of a
// packet too large for one segment cannot be changed (a checksum of the whole
// is recorded in the main packet), so they are left out if they mention an
// orientation at all.
std::vector<std::vector<std::uint8_t>> xmpForTurnedPixels(
    const std::vector<std::vector<std::uint8_t>>& segments) {
    std::string extensions;
    for (const auto& s : segments) {
        if (startsWith(s, kXmpExtensionName)) {
            extensions.append(
                s.begin() + static_cast<std::ptrdiff_t>(std::min(s.size(), kXmpExtensionHeader)),
                s.end());
        }
    }
    const bool keepExtensions = extensions.find("Orientation") == std::string::npos;
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& s : segments) {
        if (!startsWith(s, kXmpName)) {
            if (keepExtensions) {
                out.push_back(s);
            }
            continue;
        }
        const std::string_view packet(reinterpret_cast<const char*>(s.data()) + kXmpName.size(),
                                      s.size() - kXmpName.size());
        if (std::optional<std::string> upright = xmpForUprightPixels(packet)) {
            std::vector<std::uint8_t> segment(s.begin(), s.begin() + kXmpName.size());
            segment.insert(segment.end(), upright->begin(), upright->end());
            out.push_back(std::move(segment));
        }
    }
    return out;
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
    out.xmp = source.turned ? xmpForTurnedPixels(source.xmp) : source.xmp;
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
