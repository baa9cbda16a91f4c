#include "ui/ShadowLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

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

int ShadowLabel::textFlags() const {
    QStyleOption option;
    option.initFrom(this);
    const bool underline = style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this);
    return Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic |
           (underline ? 0 : Qt::TextHideMnemonic);
}

void ShadowLabel::fitToText() {
    const QFontMetrics metrics(font());
    const QSize text = metrics.size(textFlags(), m_sText);
    resize(std::max(width(), text.width() + 1), std::max(height(), metrics.height() + 1));
}

void ShadowLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setFont(font());
    const int flags = textFlags();
    painter.setPen(m_shadowColour);
    painter.drawText(rect().translated(1, 1), flags, m_sText);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), flags, m_sText);
}
