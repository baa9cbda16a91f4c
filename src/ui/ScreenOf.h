#pragma once

// Which monitor a window is on. With several monitors the full-screen
// windows come up on the one that holds the main window.

class QScreen;
class QWidget;

// The monitor under the centre of `window`'s frame; if none (the window lies
// between or off the monitors) the one Qt puts the window on; the primary
// monitor when `window` is null. Null only when there is no monitor at all.
QScreen* screenOf(const QWidget* window);

// Gives the frameless top-level `window` the whole of `screen`.
void coverScreen(QWidget& window, QScreen* screen);
