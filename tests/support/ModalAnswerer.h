#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers modal dialogs that a test provokes: every few milliseconds it looks
// for QApplication::activeModalWidget() and hands it to the answer function
// (by default: press the default button, or Escape). It records what each
// message box showed.
class ModalAnswerer : public QObject {
    Q_OBJECT
public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };
    using Answer = std::function<void(QWidget* modal)>;

    explicit ModalAnswerer(Answer answer = {}, QObject* parent = nullptr);

    // Answer for message boxes: click the given button.
    static Answer clickButton(QMessageBox::StandardButton button);

    const QList<Seen>& seen() const { return m_seen; }
    QStringList texts() const;
    void clear() { m_seen.clear(); }

private:
    void poll();

    Answer m_answer;
    QTimer m_timer;
    QList<Seen> m_seen;
    QWidget* m_lastHandled = nullptr;
};
