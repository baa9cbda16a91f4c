#pragma once

#include <QByteArray>
#include <QString>

// Naming rules of the folder batch run. Paths use "/" as separator; a folder
// path carries no trailing separator except the root "/". Names and paths of
// the walk are the file system's bytes, which need not be UTF-8.
namespace WalkNames {

// True when the name's extension (from its last ".") is ".jpg" or ".jpeg",
// ASCII letters in any case. A name that is only ".jpg" counts.
bool IsJpegName(const QByteArray& name);

// The names the walk takes: JPEG names, and with `moreFormats` also ".heic",
// ".heif", ".png", ".tif", ".tiff" and ".webp" in any case.
bool IsPictureName(const QByteArray& name, bool moreFormats);

// Where the cut of `folder`/`name` goes: `destFolder`, a separator, the part of
// `folder` below `sourceFolder` with every "/" and "\" turned into "_", then
// "_" and `name`, with ".jpg" appended when `name` is not a JPEG name (the
// cut is always a JPEG, and a.HEIC and a.jpg must not share one). All cuts
// land side by side in the destination folder.
QByteArray MakeDestPath(const QByteArray& sourceFolder, const QByteArray& destFolder,
                        const QByteArray& folder, const QByteArray& name);

// `folder` + "/" + `name`, without doubling a separator that `folder` already ends with.
QByteArray JoinPath(const QByteArray& folder, const QByteArray& name);

// A chosen folder as it is kept: trailing separators removed, except that the
// root keeps its one separator.
QString NormaliseChosenFolder(const QString& path);

// The resume number a run leaves: the position of the image that was on screen
// when it stopped (`position` is one past it), or empty when that was the first
// image or the walk completed.
QString ResumeText(int position);

}  // namespace WalkNames
