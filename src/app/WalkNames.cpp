#include "app/WalkNames.h"

#include <string_view>

#include "core/PictureFile.h"

namespace WalkNames {

namespace {

constexpr char kSeparator = '/';

bool endsWithSeparator(const QByteArray& path) {
    return path.endsWith(kSeparator) || path.endsWith('\\');
}

}  // namespace

bool IsJpegName(const QByteArray& name) {
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0) {
        return false;
    }
    // Compared in place: the walk asks this of every name of a folder, and a
    // folder may hold a hundred thousand of them. Only ASCII letters are
    // folded: the bytes of other characters are never "j", "p" or "g",
    // whatever their encoding.
    const auto extensionIs = [&](const char* ext, qsizetype size) {
        if (name.size() - dot != size) {
            return false;
        }
        for (qsizetype i = 0; i < size; ++i) {
            auto c = static_cast<unsigned char>(name[dot + i]);
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<unsigned char>(c + ('a' - 'A'));
            }
            if (c != static_cast<unsigned char>(ext[i])) {
                return false;
            }
        }
        return true;
    };
    return extensionIs(".jpg", 4) || extensionIs(".jpeg", 5);
}

bool IsPictureName(const QByteArray& name, bool moreFormats) {
    if (IsJpegName(name)) {
        return true;
    }
    if (!moreFormats) {
        return false;
    }
    const pictavo::PictureKind kind =
        pictavo::pictureKindOfName(std::string_view(name.constData(), name.size()));
    return kind == pictavo::PictureKind::Heif || kind == pictavo::PictureKind::ImageReader;
}

QByteArray MakeDestPath(const QByteArray& sourceFolder, const QByteArray& destFolder,
                        const QByteArray& folder, const QByteArray& name) {
    QByteArray rel;
    if (folder.size() > sourceFolder.size()) {
        // The root already ends with its separator; any other source folder is
        // followed by exactly one in the paths the walk builds.
        const qsizetype skip = sourceFolder.size() + (endsWithSeparator(sourceFolder) ? 0 : 1);
        rel = folder.mid(skip);
        rel.replace('\\', '_');
        rel.replace('/', '_');
    }
    QByteArray dest = destFolder;
    if (!endsWithSeparator(dest)) {
        dest += kSeparator;
    }
    QByteArray path = dest + rel + '_' + name;
    if (!IsJpegName(name)) {
        path += ".jpg";
    }
    return path;
}

QByteArray JoinPath(const QByteArray& folder, const QByteArray& name) {
    if (folder.endsWith(kSeparator)) {
        return folder + name;
    }
    return folder + kSeparator + name;
}

QString NormaliseChosenFolder(const QString& path) {
    QString result = path;
    while (result.size() > 1 && result.endsWith(QLatin1Char(kSeparator))) {
        result.chop(1);
    }
    return result;
}

QString ResumeText(int position) {
    return position >= 2 ? QString::number(position - 1) : QString();
}

}  // namespace WalkNames
