#include "app/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

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

// An open folder listing that closes itself.
class Listing {
public:
    explicit Listing(const QByteArray& folder) : m_dir(::opendir(folder.constData())) {}
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;
    ~Listing() {
        if (m_dir) {
            ::closedir(m_dir);
        }
    }
    DIR* dir() const { return m_dir; }

private:
    DIR* m_dir;
};

bool leadsToFolder(int folderFd, const dirent& entry) {
    if (entry.d_type == DT_DIR) {
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat st {};
    return ::fstatat(folderFd, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int CompareNames(const QByteArray& a, const QByteArray& b) {
    const int byFolded = compareBytes(a, b, true);
    return byFolded != 0 ? byFolded : compareBytes(a, b, false);
}

QList<FolderEntry> Read(const QByteArray& folder) {
    // Read with the system's calls, not Qt's: Qt leaves out names that are
    // not UTF-8, and old archives and cameras write such names.
    QList<FolderEntry> entries;
    Listing listing(folder);
    if (!listing.dir()) {
        return entries;
    }
    const int fd = ::dirfd(listing.dir());
    while (const dirent* entry = ::readdir(listing.dir())) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        entries.append(FolderEntry{name, leadsToFolder(fd, *entry)});
    }
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& x, const FolderEntry& y) {
        return CompareNames(x.name, y.name) < 0;
    });
    return entries;
}

}  // namespace FolderListing
