#include "core/JpegDecoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "core/CmykToBgr.h"
#include "core/JpegErrorManager.h"

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

bool readHeader(Decompressor* d, const std::uint8_t* data, std::size_t size) {
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
    jpeg_read_header(&d->info, TRUE);
    // libjpeg turns grey, YCbCr and RGB files straight into our pixel layout;
    // it cannot turn CMYK into RGB, so those come as CMYK and we convert.
    d->info.out_color_space = isCmyk(d->info) ? JCS_CMYK : JCS_EXT_BGR;
    return true;
}

bool readPixels(Decompressor* d, Picture* picture, std::uint8_t* cmykRow) {
    if (setjmp(d->errors.jump)) {
        return false;
    }
    jpeg_decompress_struct* info = &d->info;
    jpeg_start_decompress(info);
    const int components = cmykRow ? 4 : 3;
    if (info->output_width != static_cast<JDIMENSION>(picture->width()) ||
        info->output_height != static_cast<JDIMENSION>(picture->height()) ||
        info->output_components != components) {
        failJpeg(reinterpret_cast<j_common_ptr>(info), "Unexpected JPEG output format");
    }
    const bool adobe = info->saw_Adobe_marker;
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

Picture decode(Decompressor& d, const std::uint8_t* data, std::size_t size, std::size_t budget,
               Picture recycled) {
    installJpegErrorManager(reinterpret_cast<j_common_ptr>(&d.info), &d.errors);
    if (!readHeader(&d, data, size)) {
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

    // A raster another picture still shares would be copied before being
    // overwritten; a fresh one costs less.
    if (recycled.width() != width || recycled.height() != height || !recycled.isDetached()) {
        recycled = Picture();
        recycled = Picture(static_cast<int>(width), static_cast<int>(height));
    }
    Picture picture = std::move(recycled);
    std::vector<std::uint8_t> cmykRow;
    if (isCmyk(d.info)) {
        cmykRow.resize(static_cast<std::size_t>(width) * 4);
    }
    if (!readPixels(&d, &picture, cmykRow.empty() ? nullptr : cmykRow.data())) {
        // libjpeg asks for a swap file when its share of the budget is spent.
        if (d.errors.pub.msg_code == JERR_NO_BACKING_STORE) {
            throw tooLarge(width, height);
        }
        throwLibraryError(d);
    }
    // Every row is in the picture; a fault in what follows the last scan does
    // not take it away from the user.
    finish(&d);
    return picture;
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
    Decompressor d;
    return decode(d, data, size, budgetBytes, Picture());
}

Picture decodeJpegFile(const std::string& path, std::size_t budgetBytes) {
    return decodeJpegFileReusing(path, Picture(), budgetBytes);
}

Picture decodeJpegFileReusing(const std::string& path, Picture recycled, std::size_t budgetBytes) {
    // O_NONBLOCK so that a FIFO named like a photo cannot block the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        throw JpegError("Cannot open " + path + ": " + systemText(errno));
    }
    Decompressor d;
    struct stat st {};
    const int statError = ::fstat(fd, &st) != 0 ? errno : 0;
    if (statError != 0 || !S_ISREG(st.st_mode)) {
        // A folder, device or pipe named like a photo is not one.
        const int error = statError ? statError : (S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        ::close(fd);
        throw JpegError("Cannot open " + path + ": " + systemText(error));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    d.file = ::fdopen(fd, "rb");
    if (!d.file) {
        const int error = errno;
        ::close(fd);
        throw JpegError("Cannot open " + path + ": " + systemText(error));
    }
    Picture picture = decode(d, nullptr, 0, budgetBytes, std::move(recycled));
    if (std::ferror(d.file)) {
        throw JpegError("Cannot read " + path + ": " + systemText(EIO));
    }
    return picture;
}

}  // namespace pictavo
