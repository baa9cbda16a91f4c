#pragma once

// The crop window as the adjustment toolbar uses it: whether the picture
// carries adjustments, red-eye mode, and where the picture view lies (to map
// the selection onto the picture). The crop window implements it.

#include <QPoint>
#include <QSize>

class ToolbarHost {
public:
    virtual ~ToolbarHost() = default;

    // The working picture carries adjustments that the source file lacks.
    virtual bool modified() const = 0;
    virtual void SetRedEyeMode(bool on) = 0;
    // Size of the picture view, and its top left in the window's client area.
    virtual QSize GetImageSize() const = 0;
    virtual QPoint GetImagePos() const = 0;
    // A picture is on screen and waits for the user: not while one ends and
    // the next loads.
    virtual bool waitsForUser() const = 0;
    // Cuts are waiting to be written, each holding a picture: nothing more
    // of a picture's size should be kept ahead meanwhile.
    virtual bool cutsWaiting() const = 0;
};
