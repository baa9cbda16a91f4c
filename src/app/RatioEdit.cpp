#include "app/RatioEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>

#include "app/OptionInput.h"

RatioEdit::RatioEdit(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Any change by the user counts as editing, focused or not.
    connect(this, &QLineEdit::textEdited, this, [this] { m_editing = true; });
    showValue();
}

QChar RatioEdit::separator() const {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point[0];
}

long double RatioEdit::value() const {
    return m_editing ? OptionInput::ratioValue(text(), separator()) : m_value;
}

void RatioEdit::setValue(long double value) {
    m_value = value;
    showValue();
}

void RatioEdit::showValue() {
    setText(m_editing ? OptionInput::ratioEditText(m_value, QLocale())
                      : OptionInput::ratioDisplay(m_value, QLocale()));
}

void RatioEdit::focusInEvent(QFocusEvent* event) {
    m_editing = true;
    showValue();
    QLineEdit::focusInEvent(event);
}

void RatioEdit::focusOutEvent(QFocusEvent* event) {
    m_value = value();
    m_editing = false;
    showValue();
    QLineEdit::focusOutEvent(event);
}

void RatioEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        showValue();  // the text of the last value; the dialog stays open
        event->accept();
        return;
    }
    QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed[0].isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (!printable) {
        QLineEdit::keyPressEvent(event);  // editing and moving keys
        return;
    }
    if (typed == QLatin1String(".") || typed == QLatin1String(",")) {
        typed = QString(separator());
    }
    QString next = text();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    next.replace(start, hasSelectedText() ? selectedText().size() : 0, typed);
    if (typed.size() != 1 || !OptionInput::ratioTextAllowed(next, separator())) {
        QApplication::beep();
        event->accept();
        return;
    }
    insert(typed);
    m_editing = true;
    event->accept();
}
