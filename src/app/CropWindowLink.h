#pragma once

#include <QByteArray>

#include <functional>

// The crop window as the batch run uses it: shown and hidden around the run,
// given one image at a time, polled for its state, read for its counters and
// its recursion option. The program links the real window; tests link fakes.
// Paths are the file system's bytes: names need not be UTF-8.
class CropWindowLink {
public:
    virtual ~CropWindowLink() = default;

    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;

    // Loads and shows one image; throws when it cannot (after showing its own box).
    virtual void ShowImage(const QByteArray& sourcePath, const QByteArray& destPath) = 0;
    // The file most likely shown next, so the window can decode it while the
    // user looks at the current one. Only a hint: nothing the user sees changes.
    virtual void Prefetch(const QByteArray& /*sourcePath*/) {}

    // Cuts are written behind the user's back. This waits until each one
    // handed over is on disk or has failed (and was reported).
    virtual void FinishWrites() {}
    // Asked after a cut of the picture at `sourcePath` failed: true when the
    // run goes back to that picture, which the window then shows again.
    using CutFailed = std::function<bool(const QByteArray& sourcePath)>;
    virtual void setCutFailed(CutFailed /*cutFailed*/) {}

    // 0 while an image waits for the user, 2 once it is finished or left.
    virtual int state() const = 0;
    virtual bool recurse() const = 0;
    // The walk also takes HEIC, PNG, TIFF and WebP pictures.
    virtual bool moreFormats() const { return false; }

    virtual void resetCounters() = 0;
    virtual int processed() const = 0;
    virtual int cropped() const = 0;
};
