#include "crop/TMouseTracker.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

TMouseTracker::TMouseTracker(QWidget* parent) : QWidget(parent) {
    // Not opaque: the picture underneath shows through, only the dotted
    // outline is drawn.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    // Moves without a button must reach the tool while it holds the capture.
    setMouseTracking(true);
    hide();
    SetBounds(0, 0, 20, 20);
}

TMouseTracker::~TMouseTracker() {
    releaseMouse();
    // A tool destroyed between press and release must not leave the cursor
    // hidden for the rest of the session.
    showCursor();
}

void TMouseTracker::SetIdle(bool value) {
    if (value == m_idle)
        return;
    m_idle = value;
    if (value)
        releaseMouse();
    else if (isVisible())
        grabMouse();
}

void TMouseTracker::SetBounds(int left, int top, int width, int height) {
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    setGeometry(left, top, std::max(width, 0), std::max(height, 0));
    positionChanged();
}

pictavo::Rect TMouseTracker::selection() const {
    return {m_left, m_top, m_left + m_width - 1, m_top + m_height - 1};
}

void TMouseTracker::positionChanged() {
    if (!parentWidget())
        return;
    if (isVisible() && window()->isVisible())
        grabMouse();
    else
        releaseMouse();
}

void TMouseTracker::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0)
        return;
    // A focus rectangle: every other pixel of the outline inverted, so it shows
    // on any picture and disappears when drawn twice. One device pixel thin
    // on its outermost device pixels, whatever the screen's scale.
    const qreal ratio = devicePixelRatio();
    std::vector<QPoint> dots;
    const int right = static_cast<int>(std::ceil(width() * ratio)) - 1;
    const int bottom = static_cast<int>(std::ceil(height() * ratio)) - 1;
    auto add = [&dots](int x, int y) {
        if ((x + y) % 2 == 0)
            dots.emplace_back(x, y);
    };
    for (int x = 0; x <= right; ++x) {
        add(x, 0);
        if (bottom > 0)
            add(x, bottom);
    }
    for (int y = 1; y < bottom; ++y) {
        add(0, y);
        if (right > 0)
            add(right, y);
    }
    QPainter painter(this);
    painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 0));
    painter.drawPoints(dots.data(), static_cast<int>(dots.size()));
}

void TMouseTracker::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    // The tool's own: the window underneath must not act on it too.
    event->accept();
    if (!m_idle && !m_cursorHidden)
        hideCursor();
}

void TMouseTracker::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    event->accept();
    // The cursor comes back even when the tool was frozen or disarmed while
    // the button was down; otherwise it would stay hidden.
    showCursor();
    if (m_idle)
        return;
    if (event->button() == Qt::RightButton && OnSelect)
        OnSelect(this, selection());
}

void TMouseTracker::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    event->accept();
    if (m_idle || !parentWidget())
        return;
    const QPoint p = parentWidget()->mapFromGlobal(event->globalPosition().toPoint());
    if (event->buttons() & Qt::LeftButton) {
        // The top-left corner stays; the hidden cursor stays at the centre.
        SetBounds(m_left, m_top, (p.x() - m_left) * 2, (p.y() - m_top) * 2);
    } else {
        SetBounds(p.x() - m_width / 2, p.y() - m_height / 2, m_width, m_height);
    }
    update();
}

void TMouseTracker::hideCursor() {
    QApplication::setOverrideCursor(Qt::BlankCursor);
    m_cursorHidden = true;
}

void TMouseTracker::showCursor() {
    if (!m_cursorHidden)
        return;
    QApplication::restoreOverrideCursor();
    m_cursorHidden = false;
}
