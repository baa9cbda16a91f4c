#include "ui/ScreenOf.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

QScreen* screenOf(const QWidget* window) {
    if (!window) {
        return QGuiApplication::primaryScreen();
    }
    if (QScreen* under = QGuiApplication::screenAt(window->frameGeometry().center())) {
        return under;
    }
    return window->screen();
}

void coverScreen(QWidget& window, QScreen* screen) {
    if (!screen) {
        return;
    }
    // Telling the window its screen first gives it that screen's pixel ratio
    // before it is sized; the geometry alone is enough for the window system.
    if (QWindow* handle = window.windowHandle()) {
        handle->setScreen(screen);
    }
    window.setGeometry(screen->geometry());
}
