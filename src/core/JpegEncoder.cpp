#include "core/JpegEncoder.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <span>

#include "core/AtomicFile.h"
#include "core/JpegDecoder.h"
#include "core/JpegErrorManager.h"
#include "core/JpegMarkers.h"

namespace pictavo {

namespace {

// The encoded bytes, in pieces that are added as the library fills them: a
// cut's memory follows what is written, whatever its pixel count (a thin
// photograph turned upright gives a huge, mostly black cut of few bytes).
using Pieces = std::vector<std::vector<std::uint8_t>>;

constexpr std::size_t kFirstPiece = std::size_t{64} << 10;
constexpr std::size_t kLargestPiece = std::size_t{8} << 20;
// The one piece a file written as it is encoded goes through.
constexpr std::size_t kFilePiece = std::size_t{256} << 10;

// The library's state for one encode; destroyed on every path. The output
// grows in `pieces`, which outlive every setjmp frame.
struct Compressor {
    jpeg_compress_struct info{};
    JpegErrorManager errors{};
    jpeg_destination_mgr destination{};
    Pieces pieces;
    std::size_t filled = 0;  // bytes in every piece but the last
    // When set, the bytes go to this file as each piece fills, and the piece
    // is used again: a cut's bytes are never all held in memory. A failed
    // write is kept here and thrown once libjpeg is left.
    AtomicFileWriter* file = nullptr;
    std::exception_ptr fileError;
    bool created = false;

    Compressor() = default;
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    ~Compressor() {
        if (created) {
            jpeg_destroy_compress(&info);
        }
    }
};

Compressor* compressorOf(j_compress_ptr info) {
    return static_cast<Compressor*>(info->client_data);
}

// Adds a piece of `size` bytes for libjpeg to write into, without letting an
// exception pass through libjpeg's C frames.
void startPiece(j_compress_ptr info, std::size_t size) {
    Compressor* c = compressorOf(info);
    try {
        c->pieces.emplace_back(size);
    } catch (const std::exception&) {
        failJpeg(reinterpret_cast<j_common_ptr>(info), "Not enough memory to encode the picture");
    }
    info->dest->next_output_byte = c->pieces.back().data();
    info->dest->free_in_buffer = size;
}

// Adds a piece about as large as what is written so far, so there are few
// of them.
void addPiece(j_compress_ptr info) {
    startPiece(info, std::clamp(compressorOf(info)->filled, kFirstPiece, kLargestPiece));
}

// Writes the first `size` bytes of the piece to the file and starts it over.
void writeOut(j_compress_ptr info, std::size_t size) {
    Compressor* c = compressorOf(info);
    bool written = false;
    try {
        c->file->write(c->pieces.back().data(), size);
        written = true;
    } catch (...) {
        c->fileError = std::current_exception();
    }
    // Out of the handler before leaving libjpeg by its jump.
    if (!written) {
        failJpeg(reinterpret_cast<j_common_ptr>(info), "The file cannot be written");
    }
    info->dest->next_output_byte = c->pieces.back().data();
    info->dest->free_in_buffer = c->pieces.back().size();
}

void startOutput(j_compress_ptr info) {
    if (compressorOf(info)->file) {
        startPiece(info, kFilePiece);
    } else {
        addPiece(info);
    }
}

// Called when the last piece is full.
boolean growOutput(j_compress_ptr info) {
    Compressor* c = compressorOf(info);
    if (c->file) {
        writeOut(info, c->pieces.back().size());
        return TRUE;
    }
    c->filled += c->pieces.back().size();
    addPiece(info);
    return TRUE;
}

void endOutput(j_compress_ptr info) {
    Compressor* c = compressorOf(info);
    std::vector<std::uint8_t>& last = c->pieces.back();
    if (c->file) {
        writeOut(info, last.size() - info->dest->free_in_buffer);
        return;
    }
    last.resize(last.size() - info->dest->free_in_buffer);
}

// Fills `row` with the part of picture row y that lies in [left, left+width),
// black elsewhere.
void composeRow(const Picture& picture, long long y, long long left, long long width,
                std::uint8_t* row) {
    std::memset(row, 0, static_cast<std::size_t>(width) * 3);
    if (y < 0 || y >= picture.height()) {
        return;
    }
    const long long from = std::max(left, 0LL);
    const long long to = std::min(left + width, static_cast<long long>(picture.width()));
    if (from < to) {
        std::memcpy(row + (from - left) * 3, picture.scanLine(static_cast<int>(y)) + from * 3,
                    static_cast<std::size_t>(to - from) * 3);
    }
}

// The setjmp frame: only pointers and integers live here.
bool compress(Compressor* c, const Picture* picture, const Rect* area, int quality,
              std::uint8_t* spareRow, const JpegMetadata* metadata) {
    if (setjmp(c->errors.jump)) {
        return false;
    }
    jpeg_compress_struct* info = &c->info;
    c->created = true;
    jpeg_create_compress(info);
    info->client_data = c;
    c->destination.init_destination = startOutput;
    c->destination.empty_output_buffer = growOutput;
    c->destination.term_destination = endOutput;
    info->dest = &c->destination;

    const long long left = area->left;
    const long long width = static_cast<long long>(area->right) - area->left;
    info->image_width = static_cast<JDIMENSION>(width);
    info->image_height = static_cast<JDIMENSION>(static_cast<long long>(area->bottom) - area->top);
    info->input_components = 3;
    info->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    info->dct_method = JDCT_FLOAT;
    jpeg_start_compress(info, TRUE);
    if (metadata) {
        writeMarkers(info, *metadata);
    }

    const bool inColumns = left >= 0 && left + width <= picture->width();
    while (info->next_scanline < info->image_height) {
        const long long y = area->top + static_cast<long long>(info->next_scanline);
        JSAMPROW row = spareRow;
        if (inColumns && y >= 0 && y < picture->height()) {
            // libjpeg only reads the rows it is given.
            row = const_cast<std::uint8_t*>(picture->scanLine(static_cast<int>(y)) + left * 3);
        } else {
            composeRow(*picture, y, left, width, spareRow);
        }
        jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

void checkEncodable(const Rect& area, int quality) {
    if (quality < 1 || quality > 100) {
        throw JpegError("The JPEG quality must be from 1 to 100");
    }
    const long long width = static_cast<long long>(area.right) - area.left;
    const long long height = static_cast<long long>(area.bottom) - area.top;
    if (width <= 0 || height <= 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) {
        throw JpegError("Cannot encode a picture of " + std::to_string(width) + " x " +
                        std::to_string(height) + " pixels as JPEG");
    }
}

// The encoded file in the pieces it was written in; with `file`, written
// there instead (the pieces are then of no use).
Pieces encodePieces(const Picture& picture, const Rect& area, int quality,
                    const JpegMetadata* metadata, AtomicFileWriter* file = nullptr) {
    checkEncodable(area, quality);
    const long long width = static_cast<long long>(area.right) - area.left;
    const long long height = static_cast<long long>(area.bottom) - area.top;
    Compressor c;
    c.file = file;
    installJpegErrorManager(reinterpret_cast<j_common_ptr>(&c.info), &c.errors);
    std::vector<std::uint8_t> spareRow(static_cast<std::size_t>(width) * 3);
    std::optional<JpegMetadata> carried;
    if (metadata && !metadata->empty()) {
        carried = metadataForPicture(*metadata, static_cast<int>(width), static_cast<int>(height));
    }
    if (!compress(&c, &picture, &area, quality, spareRow.data(), carried ? &*carried : nullptr)) {
        if (c.fileError) {
            std::rethrow_exception(c.fileError);
        }
        throw JpegError(c.errors.message[0] ? c.errors.message : "The picture cannot be encoded");
    }
    return std::move(c.pieces);
}

}  // namespace

std::vector<std::uint8_t> encodeJpeg(const Picture& picture, const Rect& area, int quality,
                                     const JpegMetadata* metadata) {
    Pieces pieces = encodePieces(picture, area, quality, metadata);
    if (pieces.size() == 1) {
        return std::move(pieces.front());
    }
    std::size_t size = 0;
    for (const auto& piece : pieces) {
        size += piece.size();
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size);
    for (auto& piece : pieces) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
        std::vector<std::uint8_t>().swap(piece);
    }
    return bytes;
}

void writeJpegFile(const Picture& picture, const Rect& area, int quality, const std::string& path,
                   const JpegMetadata* metadata) {
    // Written as it is encoded: the file's bytes are never all held at once
    // (a cut of a large photograph at the highest quality is tens of
    // megabytes).
    checkEncodable(area, quality);
    AtomicFileWriter file(path);
    encodePieces(picture, area, quality, metadata, &file);
    file.commit();
}

}  // namespace pictavo
