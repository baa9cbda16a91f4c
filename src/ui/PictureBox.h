#pragma once

#include <QSvgRenderer>
#include <QWidget>

#include "ui/LeftClick.h"

// A picture control: draws an SVG picture stretched to its bounds, over a
// transparent background. Reports button presses and left clicks.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(const QString& svgResource, QWidget* parent = nullptr);

    bool hasPicture() const { return m_renderer.isValid(); }

signals:
    void pressed(Qt::MouseButton button);
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QSvgRenderer m_renderer;
    LeftClick m_click;
};
