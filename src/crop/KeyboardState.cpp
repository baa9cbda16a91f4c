#include "crop/KeyboardState.h"

#include "crop/FallbackKeyboardState.h"
#include "crop/X11KeyboardState.h"

std::unique_ptr<KeyboardState> KeyboardState::forPlatform() {
    if (_XDisplay* display = X11KeyboardState::applicationDisplay()) {
        return std::make_unique<X11KeyboardState>(display);
    }
    return std::make_unique<FallbackKeyboardState>();
}
