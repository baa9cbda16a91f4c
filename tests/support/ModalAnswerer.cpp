#include "support/ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>

ModalAnswerer::ModalAnswerer(Answer answer, QObject* parent)
    : QObject(parent), m_answer(std::move(answer)) {
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
}

ModalAnswerer::Answer ModalAnswerer::clickButton(QMessageBox::StandardButton button) {
    return [button](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (QAbstractButton* b = box->button(button)) {
                b->click();
                return;
            }
        }
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
    };
}

QStringList ModalAnswerer::texts() const {
    QStringList result;
    for (const Seen& s : m_seen) {
        result << s.text;
    }
    return result;
}

void ModalAnswerer::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) {
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        Seen s;
        s.title = box->windowTitle();
        s.text = box->text();
        s.icon = box->icon();
        s.buttons = box->standardButtons();
        if (auto* def = box->defaultButton()) {
            s.defaultButton = box->standardButton(def);
        }
        m_seen << s;
    }
    if (m_answer) {
        m_answer(modal);
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        QAbstractButton* def = box->defaultButton();
        if (def) {
            def->click();
        } else if (QAbstractButton* esc = box->escapeButton()) {
            esc->click();
        } else {
            box->done(0);
        }
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    }
    m_lastHandled = modal;
}
