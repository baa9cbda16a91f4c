#pragma once

#include "ui/CaptionLabel.h"
#include "ui/LeftClick.h"

// A label that acts as a link: underlined, blue, hand cursor; navy while the
// mouse is over it; a left click, or Alt with its caption's access letter,
// emits clicked().
class LinkLabel : public CaptionLabel {
    Q_OBJECT
public:
    static const QColor kNormalColour;  // RGB (0, 0, 255)
    static const QColor kHoverColour;   // RGB (0, 0, 128)

    LinkLabel(const QString& text, int pixelSize, QWidget* parent = nullptr);

    QColor textColour() const;

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setTextColour(const QColor& colour);

    LeftClick m_click;
};
