#pragma once

#include <QByteArray>
#include <QList>

// One entry of a folder as the batch run sees it.
struct FolderEntry {
    // The name as the file system holds it: bytes that need not be UTF-8.
    QByteArray name;
    // A folder, or a link that leads to one.
    bool isDir = false;
};

namespace FolderListing {

// Every entry of `folder` except "." and "..", hidden ones included, read at
// once and sorted with CompareNames. Empty when the folder cannot be read.
QList<FolderEntry> Read(const QByteArray& folder);

// The order of a folder's entries: the names' bytes compared one by one with
// ASCII letters folded to upper case; names equal under folding are ordered
// by their unfolded bytes. Negative, 0 or positive like strcmp.
int CompareNames(const QByteArray& a, const QByteArray& b);

}  // namespace FolderListing
