#pragma once

// The keyboard as the X server sees it: the physical key map and the XKB
// keymap. Only for the xcb platform.

#include "crop/KeyboardState.h"

struct _XDisplay;

class X11KeyboardState : public KeyboardState {
public:
    // The display of the running xcb application; null when there is none.
    static _XDisplay* applicationDisplay();

    explicit X11KeyboardState(_XDisplay* display);

    bool isKeyDown(quint32 nativeScanCode) const override;
    bool isShiftDown(bool left) const override;
    char latinLetter(quint32 nativeScanCode) const override;

private:
    _XDisplay* m_display;
};
