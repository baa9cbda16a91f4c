#include "ui/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(const QString& svgResource, QWidget* parent)
    : QWidget(parent), m_renderer(svgResource) {}

void PictureBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_renderer.render(&painter, QRectF(rect()));
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    m_click.press(event);
    event->accept();
    emit pressed(event->button());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (m_click.release(event, rect())) {
        emit clicked();
    }
}
