#include "app/PictavoApplication.h"

#include "app/ErrorBox.h"

PictavoApplication::PictavoApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Pictavo"));
}

bool PictavoApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    ErrorBox::guard([&] { result = QApplication::notify(receiver, event); });
    return result;
}
