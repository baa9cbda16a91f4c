#include "ui/LinkLabel.h"

#include <QMouseEvent>

const QColor LinkLabel::kNormalColour(0, 0, 255);
const QColor LinkLabel::kHoverColour(0, 0, 128);

LinkLabel::LinkLabel(const QString& text, int pixelSize, QWidget* parent)
    : CaptionLabel(text, parent) {
    setTakesAccessKey(true);
    connect(this, &CaptionLabel::accessKeyPressed, this, &LinkLabel::clicked);
    QFont f(QStringLiteral("Verdana"));
    f.setPixelSize(pixelSize);
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    setTextColour(kNormalColour);
}

QColor LinkLabel::textColour() const {
    return palette().color(QPalette::WindowText);
}

void LinkLabel::setTextColour(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    setTextColour(kHoverColour);
    CaptionLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
    setTextColour(kNormalColour);
    CaptionLabel::leaveEvent(event);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    m_click.press(event);
    event->accept();
}

// A click is a left press and release on the label, as with a button.
void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (m_click.release(event, rect())) {
        emit clicked();
    }
}
