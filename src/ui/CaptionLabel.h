#pragma once

#include <QLabel>

// A label for a translatable caption without a partner control. In captions
// "&" marks the access key and "&&" stands for one "&"; a plain QLabel shows
// both literally unless it has a buddy. This one keeps the caption as given
// (so it is stored back unchanged) and shows it with "&&" as "&" and the
// access letter underlined where the style underlines them.
//
// Set the text through setCaption() or the Caption property; QLabel::setText
// would bypass it.
class CaptionLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
public:
    explicit CaptionLabel(const QString& caption, QWidget* parent = nullptr);

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);

    // The caption as shown: access marks taken out, "&&" as "&".
    static QString shownText(const QString& caption);

signals:
    // Alt with the access letter, when the label acts on it (see below).
    void accessKeyPressed();

protected:
    // A label that is a control of its own (a link) takes its access key.
    void setTakesAccessKey(bool takes);
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void grabAccessKey();

    QString m_caption;
    bool m_takesAccessKey = false;
    int m_shortcutId = 0;
};
