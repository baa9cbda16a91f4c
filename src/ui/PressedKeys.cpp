#include "ui/PressedKeys.h"

#include <QKeyEvent>

void PressedKeys::press(const QKeyEvent* event) {
    m_keys.insert(identity(event));
}

bool PressedKeys::release(const QKeyEvent* event) {
    return m_keys.remove(identity(event));
}

quint64 PressedKeys::identity(const QKeyEvent* event) {
    if (event->nativeScanCode() != 0) {
        return event->nativeScanCode();
    }
    return (quint64{1} << 32) | static_cast<quint32>(event->key());
}
