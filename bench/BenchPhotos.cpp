#include "BenchPhotos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"
#include "support/ExternalTools.h"
#include "support/TiledHeic.h"

namespace pictavo::bench {

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kPhoneWidth = 4032;
constexpr int kPhoneHeight = 3024;

QString photoFolder() {
    if (const char* env = std::getenv("PICTAVO_PHOTOS"))
        return QString::fromLocal8Bit(env);
    return QStringLiteral(PICTAVO_SOURCE_DIR "/build/photos");
}

// The picture scaled to cover width x height and cut to it around its centre.
QImage covering(const Picture& source, int width, int height) {
    const QImage wrapped(source.scanLine(0), source.width(), source.height(),
                         static_cast<qsizetype>(source.bytesPerLine()), QImage::Format_BGR888);
    const QImage covered =
        wrapped.scaled(width, height, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return covered
        .copy((covered.width() - width) / 2, (covered.height() - height) / 2, width, height)
        .convertToFormat(QImage::Format_BGR888);
}

void make24mp(const QString& from, const QString& to) {
    const QImage cut = covering(decodeJpegFile(from.toStdString()), kWidth, kHeight);
    Picture picture(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(picture.scanLine(y), cut.constScanLine(y), std::size_t{kWidth} * 3);
    writeJpegFile(picture, {0, 0, kWidth, kHeight}, 92, to.toStdString());
}

// As a phone writes it: 4032 x 3024 as a grid of 512 x 512 HEVC tiles at
// quality 90 (the last column and row of tiles hang over the picture).
// Written under another name first, so a run cut short leaves no half file
// in the cache.
void makePhoneHeic(const QString& from, const QString& to) {
    const QString part = to + QStringLiteral(".part.heic");
    const QImage cut = covering(decodeJpegFile(from.toStdString()), kPhoneWidth, kPhoneHeight);
    Picture picture(kPhoneWidth, kPhoneHeight);
    for (int y = 0; y < kPhoneHeight; ++y)
        std::memcpy(picture.scanLine(y), cut.constScanLine(y), std::size_t{kPhoneWidth} * 3);
    try {
        test::writeTiledHeic(part.toStdString(), picture, 512, 90);
    } catch (const std::exception&) {
        QFile::remove(part);
        throw;
    }
    if (!QFile::rename(part, to)) {
        QFile::remove(part);
        throw std::runtime_error("Cannot write " + to.toStdString());
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

std::vector<std::string> heicPhotos12mp(int count) {
    std::vector<std::string> result;
    for (const std::string& photo : photos24mp(count)) {
        const QFileInfo from(QString::fromStdString(photo));
        const QString target = from.dir().filePath(
            from.completeBaseName().replace(QStringLiteral("6000x4000"),
                                            QStringLiteral("4032x3024-grid512")) +
            QStringLiteral(".heic"));
        if (!QFileInfo::exists(target))
            makePhoneHeic(from.filePath(), target);
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
        test::writePpm(files.cutPpm, decodeJpegFile(files.photo24), Rect{1000, 667, 5000, 3334});
    }
    return files;
}

}  // namespace pictavo::bench
