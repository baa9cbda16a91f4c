#include "app/PictavoApplication.h"

#include <QFont>
#include <QIcon>

#include "ui/ErrorBox.h"

PictavoApplication::PictavoApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Pictavo"));
    // Ties the windows to the menu entry (the Wayland application id); on X11
    // the entry's StartupWMClass names the window class, "Pictavo".
    setDesktopFileName(QStringLiteral("example.vornholt.Pictavo"));
    // The menu's icon on every window, for docks and task switchers; the
    // sizes the icon theme gets, so none is scaled from another.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/desktop/pictavo-%1.png").arg(size), QSize(size, size));
    }
    setWindowIcon(icon);
    // The windows ask for Verdana, which Debian lacks; DejaVu Sans is, like
    // Verdana, a wide screen sans with a large x-height.
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
}

bool PictavoApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    ErrorBox::guard([&] { result = QApplication::notify(receiver, event); });
    return result;
}
