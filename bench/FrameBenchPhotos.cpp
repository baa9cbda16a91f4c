#include "FrameBenchPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

}  // namespace pictavo::bench
