#include "ui/ShadowLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

ShadowLabel::ShadowLabel(const QString& text, QWidget* parent) : QWidget(parent), m_sText(text) {}

void ShadowLabel::setText(const QString& text) {
    m_sText = text;
    fitToText();
    update();
}

void ShadowLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        fitToText();
    }
}

void ShadowLabel::fitToText() {
    const QFontMetrics metrics(font());
    resize(std::max(width(), metrics.horizontalAdvance(m_sText) + 1),
           std::max(height(), metrics.height() + 1));
}

void ShadowLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setFont(font());
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    painter.setPen(m_shadowColour);
    painter.drawText(rect().translated(1, 1), flags, m_sText);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), flags, m_sText);
}
