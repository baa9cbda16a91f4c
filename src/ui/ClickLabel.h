#pragma once

#include <QLabel>

#include "ui/LeftClick.h"

// A label (text or picture) that reports left clicks.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    LeftClick m_click;
};
