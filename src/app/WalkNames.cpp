#include "app/WalkNames.h"

namespace WalkNames {

namespace {

const QChar kSeparator = QLatin1Char('/');

bool endsWithSeparator(const QString& path) {
    return path.endsWith(kSeparator) || path.endsWith(QLatin1Char('\\'));
}

}  // namespace

bool IsJpegName(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        return false;
    }
    QString ext = name.mid(dot);
    // Only ASCII letters are folded: a Unicode-aware lower() could turn other
    // characters into "j", "p" or "g" look-alikes.
    for (QChar& c : ext) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() + ('a' - 'A'));
        }
    }
    return ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg");
}

QString MakeDestPath(const QString& sourceFolder, const QString& destFolder, const QString& folder,
                     const QString& name) {
    QString rel;
    if (folder.size() > sourceFolder.size()) {
        // The root already ends with its separator; any other source folder is
        // followed by exactly one in the paths the walk builds.
        const qsizetype skip = sourceFolder.size() + (endsWithSeparator(sourceFolder) ? 0 : 1);
        rel = folder.mid(skip);
        rel.replace(QLatin1Char('\\'), QLatin1Char('_'));
        rel.replace(QLatin1Char('/'), QLatin1Char('_'));
    }
    QString dest = destFolder;
    if (!endsWithSeparator(dest)) {
        dest += kSeparator;
    }
    return dest + rel + QLatin1Char('_') + name;
}

QString JoinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(kSeparator)) {
        return folder + name;
    }
    return folder + kSeparator + name;
}

QString NormaliseChosenFolder(const QString& path) {
    QString result = path;
    while (result.size() > 1 && result.endsWith(kSeparator)) {
        result.chop(1);
    }
    return result;
}

QString ResumeText(int position) {
    return position >= 2 ? QString::number(position - 1) : QString();
}

}  // namespace WalkNames
