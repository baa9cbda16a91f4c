#include "support/ExifFixtures.h"

#include <algorithm>
#include <stdexcept>

namespace pictavo::test {

namespace {

enum Type : std::uint16_t { kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

struct Entry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::vector<std::uint8_t> value;  // little-endian
};

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    put16(out, at, v & 0xFFFF);
    put16(out, at + 2, v >> 16);
}

Entry shortEntry(std::uint16_t tag, int v) {
    return {tag, kShort, 1, {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}};
}

Entry longEntry(std::uint16_t tag, std::uint32_t v) {
    std::vector<std::uint8_t> bytes(4);
    put32(bytes, 0, v);
    return {tag, kLong, 1, bytes};
}

Entry rationalEntry(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) {
    std::vector<std::uint8_t> bytes(8);
    put32(bytes, 0, numerator);
    put32(bytes, 4, denominator);
    return {tag, kRational, 1, bytes};
}

Entry asciiEntry(std::uint16_t tag, const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return {tag, kAscii, static_cast<std::uint32_t>(bytes.size()), bytes};
}

std::size_t padded(std::size_t n) {
    return n + (n & 1);
}

std::size_t directorySize(const std::vector<Entry>& entries) {
    std::size_t size = 2 + 12 * entries.size() + 4;
    for (const Entry& e : entries) {
        if (e.value.size() > 4) {
            size += padded(e.value.size());
        }
    }
    return size;
}

// Writes a directory at TIFF offset `at` (the block's bytes start 6 before
// the TIFF header), its long values right after it.
void writeDirectory(std::vector<std::uint8_t>& out, std::size_t at,
                    const std::vector<Entry>& entries, std::uint32_t next) {
    const std::size_t base = 6;
    out.resize(std::max(out.size(), base + at + directorySize(entries)));
    put16(out, base + at, static_cast<std::uint32_t>(entries.size()));
    std::size_t data = at + 2 + 12 * entries.size() + 4;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const std::size_t slot = base + at + 2 + 12 * i;
        put16(out, slot, e.tag);
        put16(out, slot + 2, e.type);
        put32(out, slot + 4, e.count);
        if (e.value.size() <= 4) {
            std::copy(e.value.begin(), e.value.end(), out.begin() + slot + 8);
        } else {
            put32(out, slot + 8, static_cast<std::uint32_t>(data));
            std::copy(e.value.begin(), e.value.end(), out.begin() + base + data);
            data += padded(e.value.size());
        }
    }
    put32(out, base + at + 2 + 12 * entries.size(), next);
}

struct Layout {
    std::vector<Entry> first, exif, second;
};

std::vector<std::uint8_t> assemble(Layout layout, const std::vector<std::uint8_t>& thumbnail) {
    // Pointers take their place first, their values once the sizes are known.
    layout.first.push_back(longEntry(0x8769, 0));
    const std::size_t described = layout.second.size();
    if (!thumbnail.empty()) {
        layout.second.push_back(longEntry(0x0201, 0));
        layout.second.push_back(longEntry(0x0202, 0));
    }
    const std::uint32_t first = 8;
    const auto exif = static_cast<std::uint32_t>(first + directorySize(layout.first));
    const auto second = static_cast<std::uint32_t>(exif + directorySize(layout.exif));
    const auto thumb = static_cast<std::uint32_t>(second + directorySize(layout.second));
    layout.first.back() = longEntry(0x8769, exif);
    if (!thumbnail.empty()) {
        layout.second[described] = longEntry(0x0201, thumb);
        layout.second[described + 1] =
            longEntry(0x0202, static_cast<std::uint32_t>(thumbnail.size()));
    }
    std::vector<std::uint8_t> out = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0, 0, 0, 0};
    put32(out, 10, first);
    writeDirectory(out, first, layout.first, thumbnail.empty() ? 0 : second);
    writeDirectory(out, exif, layout.exif, 0);
    if (!thumbnail.empty()) {
        writeDirectory(out, second, layout.second, 0);
        out.resize(6 + thumb);
        out.insert(out.end(), thumbnail.begin(), thumbnail.end());
    }
    return out;
}

Layout layoutOf(const ExifFixture& f) {
    Layout layout;
    layout.first.push_back(asciiEntry(0x0110, f.model));
    if (f.orientation != 0) {
        layout.first.push_back(shortEntry(0x0112, f.orientation));
    }
    layout.exif.push_back(asciiEntry(0x9003, f.dateTaken));
    if (f.pixelWidth != 0) {
        layout.exif.push_back(longEntry(0xA002, static_cast<std::uint32_t>(f.pixelWidth)));
        layout.exif.push_back(shortEntry(0xA003, f.pixelHeight));
    }
    if (f.thumbnailResolution && !f.thumbnail.empty()) {
        layout.second = {rationalEntry(0x011A, 72, 1), rationalEntry(0x011B, 72, 1),
                         shortEntry(0x0128, 2)};
    }
    return layout;
}

}  // namespace

std::vector<std::uint8_t> makeExifBlock(const ExifFixture& fixture) {
    return assemble(layoutOf(fixture), fixture.thumbnail);
}

std::vector<std::uint8_t> damagedExifBlock(ExifDamage damage) {
    ExifFixture fixture;
    fixture.orientation = 6;
    Layout layout = layoutOf(fixture);
    std::vector<std::uint8_t> block;
    switch (damage) {
        case ExifDamage::Loop: {
            // The EXIF directory starts right after the first one.
            const auto exif = static_cast<std::uint32_t>(8 + directorySize(layout.first) +
                                                         12);  // + the pointer entry
            layout.exif.push_back(longEntry(0x8769, exif));
            return assemble(layout, {});
        }
        case ExifDamage::OffsetPastEnd:
            block = assemble(layout, {});
            // The model is the first entry of the first directory.
            put32(block, 6 + 8 + 2 + 8, static_cast<std::uint32_t>(block.size() + 100));
            return block;
        case ExifDamage::Truncated:
            block = assemble(layout, {});
            block.resize(6 + 8 + directorySize(layout.first) + 12 + 6);
            return block;
    }
    throw std::logic_error("unknown damage");
}

std::vector<std::uint8_t> makeIccProfile(const std::string& space, std::size_t size) {
    std::vector<std::uint8_t> profile(std::max<std::size_t>(size, 128));
    for (std::size_t i = 128; i < profile.size(); ++i) {
        profile[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    const auto n = static_cast<std::uint32_t>(profile.size());
    profile[0] = static_cast<std::uint8_t>(n >> 24);
    profile[1] = static_cast<std::uint8_t>(n >> 16);
    profile[2] = static_cast<std::uint8_t>(n >> 8);
    profile[3] = static_cast<std::uint8_t>(n);
    std::copy_n(space.begin(), std::min<std::size_t>(4, space.size()), profile.begin() + 16);
    std::copy_n("XYZ acsp", 8, profile.begin() + 20);
    std::copy_n("acsp", 4, profile.begin() + 36);
    return profile;
}

std::vector<Segment> iccSegments(const std::vector<std::uint8_t>& profile) {
    constexpr std::size_t kPerSegment = 65519;
    const std::size_t count = (profile.size() + kPerSegment - 1) / kPerSegment;
    std::vector<Segment> segments;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = "ICC_PROFILE";
        Segment s{0xE2, {name.begin(), name.end()}};
        s.payload.push_back(0);
        s.payload.push_back(static_cast<std::uint8_t>(i + 1));
        s.payload.push_back(static_cast<std::uint8_t>(count));
        const std::size_t from = i * kPerSegment;
        const std::size_t to = std::min(profile.size(), from + kPerSegment);
        s.payload.insert(s.payload.end(), profile.begin() + from, profile.begin() + to);
        segments.push_back(std::move(s));
    }
    return segments;
}

Segment xmpSegment(const std::string& packet) {
    const std::string name = "http://ns.adobe.com/xap/1.0/";
    Segment s{0xE1, {name.begin(), name.end()}};
    s.payload.push_back(0);
    s.payload.insert(s.payload.end(), packet.begin(), packet.end());
    return s;
}

std::vector<std::uint8_t> withSegments(const std::vector<std::uint8_t>& jpeg,
                                       const std::vector<Segment>& segments) {
    // SOI, then the JFIF APP0 segment when there is one.
    std::size_t at = 2;
    if (jpeg.size() > 6 && jpeg[2] == 0xFF && jpeg[3] == 0xE0) {
        at = 4 + (static_cast<std::size_t>(jpeg[4]) << 8 | jpeg[5]);
    }
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(at));
    for (const Segment& s : segments) {
        const std::size_t length = s.payload.size() + 2;
        out.insert(out.end(),
                   {0xFF, static_cast<std::uint8_t>(s.marker),
                    static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
        out.insert(out.end(), s.payload.begin(), s.payload.end());
    }
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
    return out;
}

std::vector<std::vector<std::uint8_t>> segmentsOf(const std::vector<std::uint8_t>& jpeg,
                                                  int marker) {
    std::vector<std::vector<std::uint8_t>> found;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
        const std::size_t length = static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (length < 2 || at + 2 + length > jpeg.size()) {
            break;
        }
        if (jpeg[at + 1] == marker) {
            found.emplace_back(jpeg.begin() + static_cast<std::ptrdiff_t>(at + 4),
                               jpeg.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
        }
        at += 2 + length;
    }
    return found;
}

}  // namespace pictavo::test
