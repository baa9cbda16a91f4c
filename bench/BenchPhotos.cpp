#include "BenchPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"

namespace pictavo::bench {

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

QString photoFolder() {
    if (const char* env = std::getenv("PICTAVO_PHOTOS"))
        return QString::fromLocal8Bit(env);
    return QStringLiteral(PICTAVO_SOURCE_DIR "/build/photos");
}

// The photograph scaled to cover 6000 x 4000 and cut to it around its centre.
void make24mp(const QString& from, const QString& to) {
    const Picture source = decodeJpegFile(from.toStdString());
    const QImage wrapped(source.scanLine(0), source.width(), source.height(),
                         static_cast<qsizetype>(source.bytesPerLine()), QImage::Format_BGR888);
    const QImage covered =
        wrapped.scaled(kWidth, kHeight, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const QImage cut =
        covered
            .copy((covered.width() - kWidth) / 2, (covered.height() - kHeight) / 2, kWidth, kHeight)
            .convertToFormat(QImage::Format_BGR888);
    Picture picture(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(picture.scanLine(y), cut.constScanLine(y), std::size_t{kWidth} * 3);
    writeJpegFile(picture, {0, 0, kWidth, kHeight}, 92, to.toStdString());
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

std::vector<std::string> photos24mp(int count) {
    const QString folder = photoFolder();
    if (folder.isEmpty())
        return {};
    QDir photos(folder);
    QStringList names = photos.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.JPG")},
                                         QDir::Files, QDir::Name);
    // The largest photographs first: least upscaling.
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        return QFileInfo(photos.filePath(a)).size() > QFileInfo(photos.filePath(b)).size();
    });
    const QString cache = QStringLiteral(PICTAVO_BENCH_CACHE);
    QDir().mkpath(cache);
    std::vector<std::string> result;
    for (const QString& name : names) {
        if (static_cast<int>(result.size()) >= count)
            break;
        const QString target = cache + QStringLiteral("/6000x4000-") + name;
        if (!QFileInfo::exists(target)) {
            try {
                make24mp(photos.filePath(name), target);
            } catch (const std::exception&) {
                continue;
            }
        }
        result.push_back(target.toStdString());
    }
    return result;
}

std::string scratchFolder(const std::string& name) {
    const QString path = QDir::cleanPath(QStringLiteral(PICTAVO_BENCH_CACHE "/../bench-scratch/") +
                                         QString::fromStdString(name));
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path.toStdString();
}

BenchFiles prepareBenchFiles() {
    const std::vector<std::string> photos = photos24mp(1);
    if (photos.empty()) {
        throw std::runtime_error("No photograph to benchmark with (run tools/fetch-photos.sh)");
    }
    const std::string cache = PICTAVO_BENCH_CACHE;
    BenchFiles files{photos[0], cache + "/cut-4000x2667.ppm", cache + "/scratch.jpg"};
    if (!QFileInfo::exists(QString::fromStdString(files.cutPpm))) {
        writePpm(files.cutPpm, decodeJpegFile(files.photo24), Rect{1000, 667, 5000, 3334});
    }
    return files;
}

}  // namespace pictavo::bench
