#pragma once

#include <QMouseEvent>
#include <QRect>

// A click as on a button: a left press, then a left release over the widget.
class LeftClick {
public:
    void press(const QMouseEvent* event) { m_bPressed = event->button() == Qt::LeftButton; }

    // True when this release completes a click inside `bounds`.
    bool release(const QMouseEvent* event, const QRect& bounds) {
        const bool click = m_bPressed && event->button() == Qt::LeftButton &&
                           bounds.contains(event->position().toPoint());
        m_bPressed = false;
        return click;
    }

private:
    bool m_bPressed = false;
};
