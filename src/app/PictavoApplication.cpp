#include "app/PictavoApplication.h"

#include <QFont>

#include "ui/ErrorBox.h"

PictavoApplication::PictavoApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Pictavo"));
    // The windows ask for Verdana, which Debian lacks; DejaVu Sans is, like
    // Verdana, a wide screen sans with a large x-height.
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
}

bool PictavoApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    ErrorBox::guard([&] { result = QApplication::notify(receiver, event); });
    return result;
}
