#include "core/JpegDecoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "core/CmykToBgr.h"
#include "core/ExifBlock.h"
#include "core/JpegErrorManager.h"
#include "core/JpegMarkers.h"

// clang-format off
#include <jerror.h>
// clang-format on

namespace pictavo {

namespace {

constexpr std::size_t kMaxBudget = std::size_t{2} << 30;

// A real progressive file has about ten scans. Thousands of scans make
// libjpeg pass over the whole coefficient buffer again and again, which turns
// a small crafted file into minutes of work.
constexpr int kMaxScans = 500;

// libjpeg reads into rows handed over a few at a time.
constexpr int kRowsPerCall = 4;

// A picture that is turned is decoded this many rows at a time into a strip,
// which is then placed. Sixteen rows are what libjpeg makes at once from the
// usual 4:2:0 photo, and a strip of a 24-megapixel photo then stays in the
// second-level cache until it is placed; 64 rows did not, and turning took
// half as long again.
constexpr int kStripRows = 16;
static_assert(kStripRows <= kMaxPlacedRows);

// The library's state for one decode; destroyed on every path.
struct Decompressor {
    jpeg_decompress_struct info{};
    JpegErrorManager errors{};
    jpeg_progress_mgr progress{};
    std::FILE* file = nullptr;
    bool created = false;

    Decompressor() = default;
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    ~Decompressor() {
        if (created) {
            jpeg_destroy_decompress(&info);
        }
        if (file) {
            std::fclose(file);
        }
    }
};

void limitScans(j_common_ptr common) {
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > kMaxScans) {
        failJpeg(common, "The JPEG file has too many scans");
    }
}

bool isCmyk(const jpeg_decompress_struct& info) {
    return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
}

// The setjmp frames below hold only pointers and integers: a longjmp from
// libjpeg skips no destructor. They return false with the text in
// errors.message.

bool readHeader(Decompressor* d, const std::uint8_t* data, std::size_t size,
                const DecodeOptions* options) {
    if (setjmp(d->errors.jump)) {
        return false;
    }
    d->created = true;
    jpeg_create_decompress(&d->info);
    d->progress.progress_monitor = limitScans;
    d->info.progress = &d->progress;
    if (d->file) {
        jpeg_stdio_src(&d->info, d->file);
    } else {
        jpeg_mem_src(&d->info, data, static_cast<unsigned long>(size));
    }
    keepMarkers(&d->info, options->upright, options->keepMetadata);
    jpeg_read_header(&d->info, TRUE);
    // libjpeg turns grey, YCbCr and RGB files straight into our pixel layout;
    // it cannot turn CMYK into RGB, so those come as CMYK and we convert.
    d->info.out_color_space = isCmyk(d->info) ? JCS_CMYK : JCS_EXT_BGR;
    return true;
}

// Reads `count` rows into `rows`, CMYK ones through `cmykRow`.
void readRows(jpeg_decompress_struct* info, JSAMPROW* rows, int count, std::uint8_t* cmykRow,
              int width, bool adobe) {
    const JDIMENSION end = info->output_scanline + static_cast<JDIMENSION>(count);
    while (info->output_scanline < end) {
        const int i = count - static_cast<int>(end - info->output_scanline);
        if (cmykRow) {
            JSAMPROW row = cmykRow;
            jpeg_read_scanlines(info, &row, 1);
            cmykToBgr(cmykRow, rows[i], width, adobe);
        } else {
            jpeg_read_scanlines(info, rows + i, static_cast<JDIMENSION>(count - i));
        }
    }
}

bool readPixels(Decompressor* d, Picture* picture, std::uint8_t* cmykRow, Orientation orientation,
                std::uint8_t* strip) {
    if (setjmp(d->errors.jump)) {
        return false;
    }
    jpeg_decompress_struct* info = &d->info;
    jpeg_start_decompress(info);
    const int components = cmykRow ? 4 : 3;
    const bool swap = swapsSides(orientation);
    const int width = swap ? picture->height() : picture->width();
    const int height = swap ? picture->width() : picture->height();
    if (info->output_width != static_cast<JDIMENSION>(width) ||
        info->output_height != static_cast<JDIMENSION>(height) ||
        info->output_components != components) {
        failJpeg(reinterpret_cast<j_common_ptr>(info), "Unexpected JPEG output format");
    }
    const bool adobe = info->saw_Adobe_marker;
    if (orientation != Orientation::Normal) {
        const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(width) * 3;
        JSAMPROW rows[kStripRows];
        for (int i = 0; i < kStripRows; ++i) {
            rows[i] = strip + i * stride;
        }
        while (info->output_scanline < info->output_height) {
            const int y = static_cast<int>(info->output_scanline);
            const int count = std::min(kStripRows, height - y);
            readRows(info, rows, count, cmykRow, width, adobe);
            placeRows(rows, y, count, width, height, orientation, *picture);
        }
        return true;
    }
    while (info->output_scanline < info->output_height) {
        const int y = static_cast<int>(info->output_scanline);
        if (cmykRow) {
            JSAMPROW row = cmykRow;
            jpeg_read_scanlines(info, &row, 1);
            cmykToBgr(cmykRow, picture->scanLine(y), picture->width(), adobe);
            continue;
        }
        JSAMPROW rows[kRowsPerCall];
        const int count = std::min(kRowsPerCall, picture->height() - y);
        for (int i = 0; i < count; ++i) {
            rows[i] = picture->scanLine(y + i);
        }
        jpeg_read_scanlines(info, rows, static_cast<JDIMENSION>(count));
    }
    return true;
}

// libjpeg puts the profile together from its segments; a profile whose
// segments do not fit together is left out with a warning.
bool readIcc(Decompressor* d, JOCTET** icc, unsigned int* length) {
    if (setjmp(d->errors.jump)) {
        return false;
    }
    return jpeg_read_icc_profile(&d->info, icc, length) != 0;
}

bool finish(Decompressor* d) {
    if (setjmp(d->errors.jump)) {
        return false;
    }
    jpeg_finish_decompress(&d->info);
    return true;
}

[[noreturn]] void throwLibraryError(const Decompressor& d) {
    throw JpegError(d.errors.message[0] ? d.errors.message : "The JPEG file cannot be decoded");
}

std::string systemText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

JpegError tooLarge(long long width, long long height) {
    return JpegError("The picture is too large to load (" + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels)");
}

// What libjpeg kept of the metadata: the orientation to apply and what the
// options keep.
Orientation takeMetadata(Decompressor& d, const DecodeOptions& options, JpegMetadata& metadata) {
    Orientation orientation = Orientation::Normal;
    if (options.upright || options.keepMetadata) {
        std::vector<std::uint8_t> exif = exifSegment(&d.info);
        if (std::optional<ExifBlock> block = ExifBlock::parse(exif.data(), exif.size())) {
            if (options.upright) {
                orientation = block->orientation();
            }
            if (options.keepMetadata) {
                metadata.exif = std::move(exif);
            }
        }
    }
    if (options.keepMetadata) {
        collectXmpAndComments(&d.info, metadata);
        JOCTET* icc = nullptr;
        unsigned int length = 0;
        const bool read = readIcc(&d, &icc, &length);
        if (read && icc) {
            metadata.icc.assign(icc, icc + length);
        }
        std::free(icc);
    }
    metadata.turned = orientation != Orientation::Normal;
    return orientation;
}

DecodedJpeg decode(Decompressor& d, const std::uint8_t* data, std::size_t size, std::size_t budget,
                   Picture recycled, const DecodeOptions& options) {
    installJpegErrorManager(reinterpret_cast<j_common_ptr>(&d.info), &d.errors);
    if (!readHeader(&d, data, size, &options)) {
        throwLibraryError(d);
    }
    const long long width = d.info.image_width;
    const long long height = d.info.image_height;
    const std::size_t bytes = Picture::bytesNeeded(width, height);
    if ((bytes == 0 && width != 0 && height != 0) || bytes > budget) {
        throw tooLarge(width, height);
    }
    // What libjpeg itself may allocate for large buffers (the coefficients of
    // a progressive file) comes out of the same budget.
    const std::size_t rest = std::max<std::size_t>(budget - bytes, 1);
    d.info.mem->max_memory_to_use =
        static_cast<long>(std::min<std::size_t>(rest, std::numeric_limits<long>::max()));

    DecodedJpeg result;
    result.turned = takeMetadata(d, options, result.metadata);
    const bool swap = swapsSides(result.turned);
    const long long uprightWidth = swap ? height : width;
    const long long uprightHeight = swap ? width : height;
    // A raster another picture still shares would be copied before being
    // overwritten; a fresh one costs less.
    if (recycled.width() != uprightWidth || recycled.height() != uprightHeight ||
        !recycled.isDetached()) {
        recycled = Picture();
        recycled = Picture(static_cast<int>(uprightWidth), static_cast<int>(uprightHeight));
    }
    Picture picture = std::move(recycled);
    std::vector<std::uint8_t> cmykRow;
    if (isCmyk(d.info)) {
        cmykRow.resize(static_cast<std::size_t>(width) * 4);
    }
    std::vector<std::uint8_t> strip;
    if (result.turned != Orientation::Normal) {
        strip.resize(static_cast<std::size_t>(width) * 3 * kStripRows);
    }
    if (!readPixels(&d, &picture, cmykRow.empty() ? nullptr : cmykRow.data(), result.turned,
                    strip.data())) {
        // libjpeg asks for a swap file when its share of the budget is spent.
        if (d.errors.pub.msg_code == JERR_NO_BACKING_STORE) {
            throw tooLarge(width, height);
        }
        throwLibraryError(d);
    }
    // Every row is in the picture; a fault in what follows the last scan does
    // not take it away from the user.
    finish(&d);
    result.picture = std::move(picture);
    return result;
}

// Opens a photo for reading; the file is the caller's to close.
std::FILE* openPhoto(const std::string& path) {
    const int fd = openPictureFile(path);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        throw JpegError("Cannot open " + path + ": " + systemText(error));
    }
    return file;
}

}  // namespace

std::size_t defaultDecodeBudget() {
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        unsigned long long kib = 0;
        if (std::sscanf(line.c_str(), "MemAvailable: %llu kB", &kib) == 1) {
            // Leave room for the copies the program makes of a picture.
            const unsigned long long usable = kib / 2 * 1024;
            return static_cast<std::size_t>(std::min<unsigned long long>(usable, kMaxBudget));
        }
    }
    return kMaxBudget;
}

Picture decodeJpegMemory(const std::uint8_t* data, std::size_t size, std::size_t budgetBytes) {
    return decodeJpegMemory(data, size, DecodeOptions{}, budgetBytes).picture;
}

DecodedJpeg decodeJpegMemory(const std::uint8_t* data, std::size_t size,
                             const DecodeOptions& options, std::size_t budgetBytes) {
    Decompressor d;
    return decode(d, data, size, budgetBytes, Picture(), options);
}

JpegHeaderFacts readJpegHeaderFacts(const std::uint8_t* data, std::size_t size,
                                    const DecodeOptions& options) {
    Decompressor d;
    installJpegErrorManager(reinterpret_cast<j_common_ptr>(&d.info), &d.errors);
    if (!readHeader(&d, data, size, &options)) {
        throwLibraryError(d);
    }
    JpegHeaderFacts facts;
    facts.turned = takeMetadata(d, options, facts.metadata);
    return facts;
}

Picture decodeJpegFile(const std::string& path, std::size_t budgetBytes) {
    return decodeJpeg(path, DecodeOptions{}, Picture(), budgetBytes).picture;
}

Picture decodeJpegFileReusing(const std::string& path, Picture recycled, std::size_t budgetBytes) {
    return decodeJpeg(path, DecodeOptions{}, std::move(recycled), budgetBytes).picture;
}

DecodedJpeg decodeJpeg(const std::string& path, const DecodeOptions& options, Picture recycled,
                       std::size_t budgetBytes) {
    Decompressor d;
    d.file = openPhoto(path);
    DecodedJpeg decoded = decode(d, nullptr, 0, budgetBytes, std::move(recycled), options);
    if (std::ferror(d.file)) {
        throw JpegError("Cannot read " + path + ": " + systemText(EIO));
    }
    return decoded;
}

int openPictureFile(const std::string& path) {
    // O_NONBLOCK so that a FIFO named like a photo cannot block the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        throw JpegError("Cannot open " + path + ": " + systemText(errno));
    }
    struct stat st {};
    const int statError = ::fstat(fd, &st) != 0 ? errno : 0;
    if (statError != 0 || !S_ISREG(st.st_mode)) {
        // A folder, device or pipe named like a photo is not one.
        const int error = statError ? statError : (S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        ::close(fd);
        throw JpegError("Cannot open " + path + ": " + systemText(error));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace pictavo
