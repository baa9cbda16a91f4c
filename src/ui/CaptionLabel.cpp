#include "ui/CaptionLabel.h"

#include <QKeySequence>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyle>
#include <QStyleOption>

CaptionLabel::CaptionLabel(const QString& caption, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setCaption(caption);
}

QString CaptionLabel::shownText(const QString& caption) {
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            ++i;  // "&x" shows x, "&&" one "&", a "&" at the end nothing
            if (i == caption.size()) {
                break;
            }
        }
        shown += caption[i];
    }
    return shown;
}

void CaptionLabel::setCaption(const QString& caption) {
    m_caption = caption;
    // The shown text gives the label its size and what accessibility reads.
    setText(shownText(caption));
    grabAccessKey();
    update();
}

void CaptionLabel::setTakesAccessKey(bool takes) {
    m_takesAccessKey = takes;
    grabAccessKey();
}

void CaptionLabel::grabAccessKey() {
    if (m_shortcutId != 0) {
        releaseShortcut(m_shortcutId);
        m_shortcutId = 0;
    }
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (m_takesAccessKey && !key.isEmpty()) {
        m_shortcutId = grabShortcut(key);
    }
}

bool CaptionLabel::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut && m_shortcutId != 0 &&
        static_cast<QShortcutEvent*>(event)->shortcutId() == m_shortcutId) {
        emit accessKeyPressed();
        return true;
    }
    return QLabel::event(event);
}

// Drawn as QLabel draws plain text, from the caption itself, so the style
// underlines the access letter as on the window's buttons and check boxes.
void CaptionLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    int flags = QStyle::visualAlignment(layoutDirection(), alignment()) | Qt::TextShowMnemonic;
    if (wordWrap()) {
        flags |= Qt::TextWordWrap;
    }
    if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this)) {
        flags |= Qt::TextHideMnemonic;
    }
    const int m = margin();
    style()->drawItemText(&painter, contentsRect().adjusted(m, m, -m, -m), flags, palette(),
                          isEnabled(), m_caption, foregroundRole());
}
