#pragma once

#include <QComboBox>

namespace pictavo::print {
struct PrintSize;
}

// The drop-down of print sizes: "None" first, then every size offered. Its
// "Text" is the choice as stored; a text that names no size offered chooses
// "None".
class PrintSizeBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(QString Text READ text WRITE setText)
public:
    explicit PrintSizeBox(QWidget* parent = nullptr);

    QString text() const { return currentText(); }
    void setText(const QString& text);

    // The size chosen; null for "None".
    const pictavo::print::PrintSize* size() const;
};
