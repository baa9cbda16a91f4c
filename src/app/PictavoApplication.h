#pragma once

#include <QApplication>

// The application object. Its notify() is the backstop of the standard
// error box: an exception that escapes an event handler is shown, not fatal.
class PictavoApplication : public QApplication {
    Q_OBJECT
public:
    PictavoApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
