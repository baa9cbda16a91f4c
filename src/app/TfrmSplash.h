#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QTimer>

class ClickLabel;
class QLabel;

// The splash timer's first interval, counted from creation, and every later one.
struct SplashTimings {
    int firstMs = 5000;
    int laterMs = 30000;
};

// The splash window: the product picture with the program's version. It is
// shown modally at start-up and as the about box, and closes itself on a
// click or at the next tick of its timer, which runs from creation to the end.
class TfrmSplash : public QDialog {
    Q_OBJECT
public:
    using Timings = SplashTimings;

    // `executable` is the file whose version record the window shows.
    explicit TfrmSplash(const QString& executable = QCoreApplication::applicationFilePath(),
                        Timings timings = {}, QWidget* parent = nullptr);

    // Shows the window modally; returns when it has closed.
    void ShowModal();

    const QTimer& timer() const { return m_tmMain; }

protected:
    void showEvent(QShowEvent* event) override;
    // Only a click or the timer closes it, not Escape as in other dialogs.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate(const QString& executable);
    void showPictureFor(qreal devicePixelRatio);
    void m_tmMainTimer();
    void m_ImgSplashClick();

    Timings m_timings;
    QTimer m_tmMain;
    ClickLabel* m_ImgSplash = nullptr;
    ClickLabel* m_lblCopy = nullptr;
    QLabel* m_lblVersion = nullptr;
};
