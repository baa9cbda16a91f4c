#include "ui/QuestionBox.h"

#include <QCloseEvent>
#include <QKeyEvent>

QuestionBox::QuestionBox(const QString& title, const QString& text, QWidget* parent)
    : QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent) {
    setDefaultButton(QMessageBox::Yes);
}

void QuestionBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QMessageBox::keyPressEvent(event);
}

void QuestionBox::closeEvent(QCloseEvent* event) {
    // The window manager's close button; closing from the program still works.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QMessageBox::closeEvent(event);
}
