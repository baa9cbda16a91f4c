#include "app/TfrmSplash.h"

#include <QFont>
#include <QKeyEvent>
#include <QPalette>
#include <QPixmap>
#include <QScreen>

#include "app/TVersionInfo.h"
#include "ui/ClickLabel.h"

namespace {

QFont verdana(int pixelSize, bool bold) {
    QFont f(QStringLiteral("Verdana"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

}  // namespace

TfrmSplash::TfrmSplash(const QString& executable, Timings timings, QWidget* parent)
    : QDialog(parent), m_timings(timings) {
    setObjectName(QStringLiteral("Splash"));
    setWindowTitle(QStringLiteral("Splash Window - Pictavo"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    // Closing the hidden splash, or the splash before the main window is up,
    // must never look like the last window closing.
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(true);
    setFixedSize(798, 380);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    m_ImgSplash = new ClickLabel(this);
    m_ImgSplash->setObjectName(QStringLiteral("m_ImgSplash"));
    m_ImgSplash->setGeometry(0, 0, 798, 362);
    showPictureFor(devicePixelRatioF());

    // Pixel heights: 10 pt is 13 pixels and 8 pt 11 at 96 pixels per inch.
    m_lblCopy =
        new ClickLabel(QStringLiteral("Copyright \u00a9 Vornholt. All rights reserved."), this);
    m_lblCopy->setObjectName(QStringLiteral("m_lblCopy"));
    m_lblCopy->setGeometry(-8, 362, 409, 17);
    m_lblCopy->setTextFormat(Qt::PlainText);
    m_lblCopy->setAlignment(Qt::AlignCenter);
    m_lblCopy->setFont(verdana(13, true));
    setTextColour(m_lblCopy, QColor(48, 48, 48));

    m_lblVersion = new QLabel(this);
    m_lblVersion->setObjectName(QStringLiteral("m_lblVersion"));
    m_lblVersion->setGeometry(672, 363, 129, 17);
    m_lblVersion->setTextFormat(Qt::PlainText);
    m_lblVersion->setAlignment(Qt::AlignCenter);
    m_lblVersion->setFont(verdana(11, false));
    setTextColour(m_lblVersion, QColor(128, 0, 0));

    connect(m_ImgSplash, &ClickLabel::clicked, this, &TfrmSplash::m_ImgSplashClick);
    connect(m_lblCopy, &ClickLabel::clicked, this, &TfrmSplash::m_ImgSplashClick);
    connect(&m_tmMain, &QTimer::timeout, this, &TfrmSplash::m_tmMainTimer);
    FormCreate(executable);
    // The timer counts from creation, whether or not the window is showing.
    m_tmMain.start(m_timings.firstMs);
}

void TfrmSplash::FormCreate(const QString& executable) {
    const TVersionInfo info(executable);
    m_lblVersion->setText(QStringLiteral("Version ") + info.FileVersionText());
}

void TfrmSplash::ShowModal() {
    exec();
}

void TfrmSplash::showPictureFor(qreal devicePixelRatio) {
    // Above scale 1 the picture drawn at twice the pixels, shown at the same
    // logical size: one of its pixels per device pixel at scale 2.
    const bool twice = devicePixelRatio > 1.0;
    if (!m_ImgSplash->pixmap().isNull() &&
        twice == (m_ImgSplash->pixmap().devicePixelRatio() > 1.0)) {
        return;
    }
    QPixmap picture(twice ? QStringLiteral(":/splash@2x.jpg") : QStringLiteral(":/splash.jpg"));
    picture.setDevicePixelRatio(twice ? 2.0 : 1.0);
    m_ImgSplash->setPixmap(picture);
}

void TfrmSplash::showEvent(QShowEvent* event) {
    // Only now is the screen, and so its scale, certain.
    showPictureFor(devicePixelRatioF());
    QDialog::showEvent(event);
    if (const QScreen* s = screen()) {
        QRect centred(QPoint(), size());
        centred.moveCenter(s->geometry().center());
        move(centred.topLeft());
    }
}

void TfrmSplash::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmSplash::m_tmMainTimer() {
    // Setting the interval restarts the countdown; the timer never stops.
    m_tmMain.setInterval(m_timings.laterMs);
    close();
}

void TfrmSplash::m_ImgSplashClick() {
    close();
}
