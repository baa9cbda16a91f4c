#include "crop/FallbackKeyboardState.h"

#include <QGuiApplication>

bool FallbackKeyboardState::isKeyDown(quint32 /*nativeScanCode*/) const {
    return false;
}

bool FallbackKeyboardState::isShiftDown(bool /*left*/) const {
    // Asked of the window system now, not taken from the last event.
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}
