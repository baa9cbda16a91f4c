#include "app/FolderListing.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>
#include <vector>

namespace FolderListing {

namespace {

unsigned char folded(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - ('a' - 'A')) : u;
}

int compareBytes(const QByteArray& a, const QByteArray& b, bool fold) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char ca = fold ? folded(a[i]) : static_cast<unsigned char>(a[i]);
        const unsigned char cb = fold ? folded(b[i]) : static_cast<unsigned char>(b[i]);
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace

int CompareNames(const QString& a, const QString& b) {
    const QByteArray ua = a.toUtf8();
    const QByteArray ub = b.toUtf8();
    const int byFolded = compareBytes(ua, ub, true);
    return byFolded != 0 ? byFolded : compareBytes(ua, ub, false);
}

QList<FolderEntry> Read(const QString& folder) {
    const QFileInfoList infos = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    // Each name is converted once, not on every comparison.
    struct Keyed {
        QByteArray key;
        FolderEntry entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<size_t>(infos.size()));
    for (const QFileInfo& info : infos) {
        keyed.push_back(
            Keyed{info.fileName().toUtf8(), FolderEntry{info.fileName(), info.isDir()}});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& x, const Keyed& y) {
        const int byFolded = compareBytes(x.key, y.key, true);
        return (byFolded != 0 ? byFolded : compareBytes(x.key, y.key, false)) < 0;
    });
    QList<FolderEntry> entries;
    entries.reserve(infos.size());
    for (Keyed& k : keyed) {
        entries.append(std::move(k.entry));
    }
    return entries;
}

}  // namespace FolderListing
