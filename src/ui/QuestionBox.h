#pragma once

// A Yes/No question that only Yes or No answers. A plain message box takes
// Esc (and the window's close button) as No; here they do nothing, because
// a key meant to leave something else must not answer a question by the way.

#include <QMessageBox>

class QuestionBox : public QMessageBox {
    Q_OBJECT
public:
    QuestionBox(const QString& title, const QString& text, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
