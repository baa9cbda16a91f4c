#pragma once

// The keys pressed while a window had the keyboard. A window acts on a key's
// release only when it also saw the press: a press that went to a message
// box or dialog (and closed it) must not reach the window underneath as a
// command when the release arrives there.

#include <QSet>
#include <QtGlobal>

class QKeyEvent;

class PressedKeys {
public:
    void press(const QKeyEvent* event);

    // True when this release ends a press seen here; the press is forgotten.
    bool release(const QKeyEvent* event);

    // Forget every press, e.g. when the window loses the keyboard.
    void clear() { m_keys.clear(); }

private:
    // The hardware key code where the platform gives one (so that a layout
    // switch between press and release does not matter), the key otherwise.
    static quint64 identity(const QKeyEvent* event);

    QSet<quint64> m_keys;
};
