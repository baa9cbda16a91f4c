#pragma once

// What the keyboard itself says, as opposed to what the key events say:
// whether a key is physically down right now, and which Latin letter a
// physical key stands for. Key events lag (a modifier state is that of the
// event before) and auto-repeat makes a held key look released; windows ask
// this instead. The program creates one for its platform; tests fake it.

#include <QtGlobal>

#include <memory>

class KeyboardState {
public:
    virtual ~KeyboardState() = default;

    // The key with this hardware code (QKeyEvent::nativeScanCode) is held
    // down at this moment.
    virtual bool isKeyDown(quint32 nativeScanCode) const = 0;

    // The left (or right) Shift key is held down at this moment.
    virtual bool isShiftDown(bool left) const = 0;

    // The Latin letter ('A'..'Z') of the key with this hardware code under
    // the current keymap, or 0 when it has none or the platform cannot tell.
    virtual char latinLetter(quint32 /*nativeScanCode*/) const { return 0; }

    // The best this platform offers: the X server's own key state under X11,
    // the application's idea of the modifiers elsewhere.
    static std::unique_ptr<KeyboardState> forPlatform();
};
