#pragma once

// The keyboard as far as Qt alone can tell: the Shift modifier without
// telling left from right, and no key ever held (every release is taken as
// the real one).

#include "crop/KeyboardState.h"

class FallbackKeyboardState : public KeyboardState {
public:
    bool isKeyDown(quint32 nativeScanCode) const override;
    bool isShiftDown(bool left) const override;
};
