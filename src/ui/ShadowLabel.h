#pragma once

#include <QColor>
#include <QWidget>

// A one-line label whose text carries a shadow one pixel right and down. Its
// text is a caption: "&&" shows one "&", a single "&" marks the access letter.
class ShadowLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    explicit ShadowLabel(const QString& text, QWidget* parent = nullptr);

    QString text() const { return m_sText; }
    void setText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Grows the label to its text (with its shadow), as an auto-sized label
    // does: the substitute font may be wider than the one it was laid out for.
    void fitToText();
    int textFlags() const;

    QString m_sText;
    QColor m_shadowColour{128, 128, 128};
};
