#include "BenchPhotos.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"

namespace pictavo::bench {

namespace fs = std::filesystem;

namespace {

std::string photosFolder() {
    const char* env = std::getenv("PICTAVO_PHOTOS");
    return env && *env ? env : PICTAVO_DEFAULT_PHOTOS;
}

// The photograph with the most pixels, so the upscale invents the least.
std::string largestPhoto(const std::string& folder) {
    std::string best;
    long long bestPixels = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".jpg") {
            continue;
        }
        try {
            const Picture p = decodeJpegFile(entry.path().string());
            if (static_cast<long long>(p.width()) * p.height() > bestPixels) {
                bestPixels = static_cast<long long>(p.width()) * p.height();
                best = entry.path().string();
            }
        } catch (const JpegError&) {
        }
    }
    if (best.empty()) {
        throw std::runtime_error("No photograph in " + folder + " (run tools/fetch-photos.sh)");
    }
    return best;
}

void writePpm(const std::string& path, const Picture& picture, const Rect& area) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P6\n" << area.width() << " " << area.height() << "\n255\n";
    std::string row(static_cast<std::size_t>(area.width()) * 3, '\0');
    for (int y = area.top; y < area.bottom; ++y) {
        const std::uint8_t* in = picture.scanLine(y) + area.left * 3;
        for (int x = 0; x < area.width(); ++x) {
            row[3 * x] = static_cast<char>(in[3 * x + 2]);
            row[3 * x + 1] = static_cast<char>(in[3 * x + 1]);
            row[3 * x + 2] = static_cast<char>(in[3 * x]);
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    if (!out) {
        throw std::runtime_error("Cannot write " + path);
    }
}

}  // namespace

Picture resizeBilinear(const Picture& source, int width, int height) {
    Picture out(width, height);
    const double sx = static_cast<double>(source.width() - 1) / std::max(width - 1, 1);
    const double sy = static_cast<double>(source.height() - 1) / std::max(height - 1, 1);
    for (int y = 0; y < height; ++y) {
        const double fy = y * sy;
        const int y0 = static_cast<int>(fy);
        const int y1 = std::min(y0 + 1, source.height() - 1);
        const int wy = static_cast<int>((fy - y0) * 256);
        const std::uint8_t* r0 = source.scanLine(y0);
        const std::uint8_t* r1 = source.scanLine(y1);
        std::uint8_t* o = out.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const double fx = x * sx;
            const int x0 = static_cast<int>(fx);
            const int x1 = std::min(x0 + 1, source.width() - 1);
            const int wx = static_cast<int>((fx - x0) * 256);
            for (int c = 0; c < 3; ++c) {
                const int top = r0[3 * x0 + c] * (256 - wx) + r0[3 * x1 + c] * wx;
                const int bottom = r1[3 * x0 + c] * (256 - wx) + r1[3 * x1 + c] * wx;
                o[3 * x + c] = static_cast<std::uint8_t>((top * (256 - wy) + bottom * wy) >> 16);
            }
        }
    }
    return out;
}

BenchFiles prepareBenchFiles() {
    const std::string photos = photosFolder();
    const std::string cache = PICTAVO_BENCH_CACHE;
    fs::create_directories(cache);
    BenchFiles files{cache + "/photo-6000x4000-q92.jpg", cache + "/cut-4000x2667.ppm",
                     cache + "/scratch.jpg"};
    if (!fs::exists(files.photo24)) {
        const Picture photo = decodeJpegFile(largestPhoto(photos));
        const Picture big = resizeBilinear(photo, 6000, 4000);
        writeJpegFile(big, Rect{0, 0, 6000, 4000}, 92, files.photo24);
    }
    if (!fs::exists(files.cutPpm)) {
        const Picture big = decodeJpegFile(files.photo24);
        writePpm(files.cutPpm, big, Rect{1000, 667, 5000, 3334});
    }
    return files;
}

}  // namespace pictavo::bench
