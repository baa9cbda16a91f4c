#include "ui/ClickLabel.h"

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    m_click.press(event);
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (m_click.release(event, rect())) {
        emit clicked();
    }
}
