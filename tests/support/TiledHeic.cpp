#include "support/TiledHeic.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

namespace pictavo::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

void check(const heif_error& error) {
    if (error.code != heif_error_Ok) {
        throw std::runtime_error(std::string("libheif: ") + error.message);
    }
}

// ---- Reading the boxes of libheif's own one-image file.

std::uint64_t readBig(const Bytes& b, std::size_t& at, int size) {
    if (at + size > b.size()) {
        throw std::runtime_error("tile file: a box runs past its end");
    }
    std::uint64_t v = 0;
    for (int i = 0; i < size; ++i) {
        v = (v << 8) | b[at++];
    }
    return v;
}

struct Box {
    std::string type;
    std::size_t start;    // of the whole box
    std::size_t payload;  // after the header
    std::size_t end;
};

// The boxes between `from` and `to`; 64-bit and to-the-end sizes are not
// needed for the small files libheif writes.
std::vector<Box> boxes(const Bytes& b, std::size_t from, std::size_t to) {
    std::vector<Box> found;
    while (from + 8 <= to) {
        std::size_t at = from;
        const std::size_t size = readBig(b, at, 4);
        if (size < 8 || from + size > to) {
            throw std::runtime_error("tile file: bad box size");
        }
        found.push_back(
            {std::string(b.begin() + from + 4, b.begin() + from + 8), from, from + 8, from + size});
        from += size;
    }
    return found;
}

const Box& child(const std::vector<Box>& list, const std::string& type) {
    const auto it =
        std::find_if(list.begin(), list.end(), [&](const Box& x) { return x.type == type; });
    if (it == list.end()) {
        throw std::runtime_error("tile file: no " + type + " box");
    }
    return *it;
}

struct Tile {
    std::vector<Bytes> properties;  // whole boxes, in association order
    std::vector<bool> essential;
    Bytes data;  // the coded picture
};

Tile parseTileFile(const Bytes& file) {
    const std::vector<Box> top = boxes(file, 0, file.size());
    const Box& meta = child(top, "meta");
    const std::vector<Box> inMeta = boxes(file, meta.payload + 4, meta.end);  // after version/flags
    std::size_t at = child(inMeta, "pitm").payload + 4;
    const std::uint32_t item = readBig(file, at, 2);

    Tile tile;
    const Box& iprp = child(inMeta, "iprp");
    const std::vector<Box> inIprp = boxes(file, iprp.payload, iprp.end);
    const std::vector<Box> ipco =
        boxes(file, child(inIprp, "ipco").payload, child(inIprp, "ipco").end);
    const Box& ipma = child(inIprp, "ipma");
    at = ipma.payload;
    const int version = file[at];
    const bool wideIndex = (file[at + 3] & 1) != 0;
    at += 4;
    for (std::uint64_t entries = readBig(file, at, 4); entries > 0; --entries) {
        const std::uint64_t id = readBig(file, at, version < 1 ? 2 : 4);
        for (int n = static_cast<int>(readBig(file, at, 1)); n > 0; --n) {
            const std::uint64_t v = readBig(file, at, wideIndex ? 2 : 1);
            const std::uint64_t index = v & (wideIndex ? 0x7fff : 0x7f);
            if (id != item || index == 0) {
                continue;
            }
            if (index > ipco.size()) {
                throw std::runtime_error("tile file: ipma names a missing property");
            }
            const Box& p = ipco[index - 1];
            tile.properties.emplace_back(file.begin() + p.start, file.begin() + p.end);
            tile.essential.push_back((v >> (wideIndex ? 15 : 7)) != 0);
        }
    }

    // iloc: the item's extents, at file offsets (construction method 0).
    at = child(inMeta, "iloc").payload;
    const int ilocVersion = file[at];
    at += 4;
    const int sizes = static_cast<int>(readBig(file, at, 2));
    const int offsetSize = sizes >> 12, lengthSize = (sizes >> 8) & 15,
              baseSize = (sizes >> 4) & 15;
    const int indexSize = ilocVersion >= 1 ? sizes & 15 : 0;
    for (std::uint64_t items = readBig(file, at, ilocVersion < 2 ? 2 : 4); items > 0; --items) {
        const std::uint64_t id = readBig(file, at, ilocVersion < 2 ? 2 : 4);
        if (ilocVersion >= 1 && (readBig(file, at, 2) & 15) != 0) {
            throw std::runtime_error("tile file: data not at file offsets");
        }
        at += 2;  // data_reference_index
        const std::uint64_t base = readBig(file, at, baseSize);
        for (std::uint64_t extents = readBig(file, at, 2); extents > 0; --extents) {
            at += indexSize;
            const std::uint64_t offset = base + readBig(file, at, offsetSize);
            const std::uint64_t length = readBig(file, at, lengthSize);
            if (offset + length > file.size()) {
                throw std::runtime_error("tile file: data past the end");
            }
            if (id == item) {
                tile.data.insert(tile.data.end(), file.begin() + offset,
                                 file.begin() + offset + length);
            }
        }
    }
    if (tile.data.empty()) {
        throw std::runtime_error("tile file: no coded data");
    }
    return tile;
}

// ---- Encoding one tile through libheif.

heif_error appendTo(heif_context*, const void* data, size_t size, void* out) {
    auto* bytes = static_cast<Bytes*>(out);
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes->insert(bytes->end(), p, p + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

Bytes encodeTile(const Picture& picture, int left, int top, int size, int quality) {
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                              &heif_context_free);
    encodeHevc(context.get(), heifImageOf(picture, left, top, size, size).get(), quality);
    Bytes file;
    heif_writer writer{1, &appendTo};
    check(heif_context_write(context.get(), &writer, &file));
    return file;
}

// ---- Writing the grid file.

void put(Bytes& b, std::uint64_t v, int size) {
    for (int i = size - 1; i >= 0; --i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void put(Bytes& b, const char* fourcc) {
    b.insert(b.end(), fourcc, fourcc + 4);
}

void put(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

Bytes box(const char* type, const Bytes& payload) {
    Bytes b;
    b.reserve(payload.size() + 8);
    put(b, payload.size() + 8, 4);
    put(b, type);
    put(b, payload);
    return b;
}

Bytes fullBox(const char* type, int version, int flags, const Bytes& payload) {
    Bytes b;
    b.reserve(payload.size() + 4);
    put(b, version, 1);
    put(b, flags, 3);
    put(b, payload);
    return box(type, b);
}

}  // namespace

HeifImage heifImageOf(const Picture& picture, int left, int top, int width, int height) {
    heif_image* raw = nullptr;
    check(heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &raw));
    HeifImage image(raw, &heif_image_release);
    check(heif_image_add_plane(image.get(), heif_channel_interleaved, width, height, 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = picture.scanLine(std::min(top + y, picture.height() - 1));
        std::uint8_t* out = plane + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* bgr = in + 3 * std::min(left + x, picture.width() - 1);
            out[3 * x] = bgr[2];
            out[3 * x + 1] = bgr[1];
            out[3 * x + 2] = bgr[0];
        }
    }
    return image;
}

HeifHandle encodeHevc(heif_context* context, const heif_image* image, int quality,
                      const heif_encoding_options* options) {
    heif_encoder* rawEncoder = nullptr;
    check(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &rawEncoder));
    const std::unique_ptr<heif_encoder, decltype(&heif_encoder_release)> encoder(
        rawEncoder, &heif_encoder_release);
    check(heif_encoder_set_lossy_quality(encoder.get(), quality));
    heif_image_handle* handle = nullptr;
    check(heif_context_encode_image(context, image, encoder.get(), options, &handle));
    return HeifHandle(handle, &heif_image_handle_release);
}

void writeTiledHeic(const std::string& path, const Picture& picture, int tileSize, int quality) {
    const int columns = (picture.width() + tileSize - 1) / tileSize;
    const int rows = (picture.height() + tileSize - 1) / tileSize;
    const int tiles = columns * rows;
    if (picture.width() > 0xffff || picture.height() > 0xffff || columns > 256 || rows > 256 ||
        tiles + 1 > 0xffff) {
        throw std::runtime_error("writeTiledHeic: picture too large for a grid");
    }

    // Item 1 is the grid, items 2... its tiles in row order. Equal property
    // boxes (the hvcC of like tiles, the tiles' ispe) are stored once.
    std::vector<Bytes> ipco;
    auto property = [&](const Bytes& p) {
        const auto it = std::find(ipco.begin(), ipco.end(), p);
        if (it != ipco.end()) {
            return static_cast<int>(it - ipco.begin()) + 1;
        }
        ipco.push_back(p);
        return static_cast<int>(ipco.size());
    };
    Bytes outputSize;
    put(outputSize, picture.width(), 4);
    put(outputSize, picture.height(), 4);
    std::vector<std::vector<std::uint16_t>> associations(tiles + 1);
    associations[0].push_back(
        static_cast<std::uint16_t>(property(fullBox("ispe", 0, 0, outputSize))));

    Bytes grid;  // the grid's descriptor: version 0, 16-bit sizes
    put(grid, 0, 2);
    put(grid, rows - 1, 1);
    put(grid, columns - 1, 1);
    put(grid, picture.width(), 2);
    put(grid, picture.height(), 2);
    std::vector<Bytes> data{grid};
    for (int t = 0; t < tiles; ++t) {
        Tile tile = parseTileFile(
            encodeTile(picture, t % columns * tileSize, t / columns * tileSize, tileSize, quality));
        for (std::size_t i = 0; i < tile.properties.size(); ++i) {
            const int index = property(tile.properties[i]);
            associations[t + 1].push_back(
                static_cast<std::uint16_t>(index | (tile.essential[i] ? 0x8000 : 0)));
        }
        data.push_back(std::move(tile.data));
    }

    auto metaBox = [&](std::uint64_t mdatPayload) {
        // pre_defined, 'pict', reserved, an empty name.
        const Bytes hdlr{0, 0, 0, 0, 'p', 'i', 'c', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        Bytes pitm;
        put(pitm, 1, 2);
        Bytes iinf;
        put(iinf, tiles + 1, 2);
        for (int id = 1; id <= tiles + 1; ++id) {
            Bytes infe;
            infe.reserve(9);
            put(infe, id, 2);
            put(infe, 0, 2);
            put(infe, id == 1 ? "grid" : "hvc1");
            infe.push_back(0);
            put(iinf, fullBox("infe", 2, id == 1 ? 0 : 1, infe));  // tiles hidden
        }
        Bytes dimg;
        put(dimg, 1, 2);
        put(dimg, tiles, 2);
        for (int id = 2; id <= tiles + 1; ++id) {
            put(dimg, id, 2);
        }
        Bytes properties;
        for (const Bytes& p : ipco) {
            put(properties, p);
        }
        Bytes ipma;
        put(ipma, tiles + 1, 4);
        for (int id = 1; id <= tiles + 1; ++id) {
            put(ipma, id, 2);
            put(ipma, associations[id - 1].size(), 1);
            for (std::uint16_t a : associations[id - 1]) {
                put(ipma, a, 2);
            }
        }
        Bytes iloc;
        put(iloc, 0x4400, 2);  // 32-bit offsets and lengths, no base offset
        put(iloc, tiles + 1, 2);
        std::uint64_t offset = mdatPayload;
        for (int id = 1; id <= tiles + 1; ++id) {
            put(iloc, id, 2);
            put(iloc, 0, 2);  // data_reference_index: this file
            put(iloc, 1, 2);
            put(iloc, offset, 4);
            put(iloc, data[id - 1].size(), 4);
            offset += data[id - 1].size();
        }
        Bytes iprp = box("ipco", properties);
        put(iprp, fullBox("ipma", 0, 1, ipma));
        Bytes meta = fullBox("hdlr", 0, 0, hdlr);
        put(meta, fullBox("pitm", 0, 0, pitm));
        put(meta, fullBox("iinf", 0, 0, iinf));
        put(meta, fullBox("iref", 0, 0, box("dimg", dimg)));
        put(meta, box("iprp", iprp));
        put(meta, fullBox("iloc", 0, 0, iloc));
        return fullBox("meta", 0, 0, meta);
    };

    Bytes ftyp;
    put(ftyp, "heic");
    put(ftyp, 0, 4);
    put(ftyp, "mif1");
    put(ftyp, "heic");
    Bytes file = box("ftyp", ftyp);
    const std::uint64_t mdatPayload = file.size() + metaBox(0).size() + 8;
    put(file, metaBox(mdatPayload));
    Bytes mdat;
    for (const Bytes& d : data) {
        put(mdat, d);
    }
    if (file.size() + 8 + mdat.size() > 0xffffffffu) {
        throw std::runtime_error("writeTiledHeic: file too large");
    }
    put(file, box("mdat", mdat));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    if (!out.flush()) {
        throw std::runtime_error("Cannot write " + path);
    }
}

}  // namespace pictavo::test
