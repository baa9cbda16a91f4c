#pragma once

#include <QLineEdit>

#include "settings/Extended.h"

// The numeric edit of the cropping-frame ratio: digits, a sign and one
// decimal separator with at most three decimals; "." and "," both type the
// locale's separator; other keys beep; Escape brings back the text of the
// value the edit had when editing began. Outside editing the value is shown
// with digit grouping and up to nine decimals.
class RatioEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(Extended Value READ extendedValue WRITE setExtendedValue)
public:
    explicit RatioEdit(QWidget* parent = nullptr);

    // The text's number while editing; text that is not one gives 0.
    long double value() const;
    void setValue(long double value);

    Extended extendedValue() const { return {value()}; }
    void setExtendedValue(const Extended& value) { setValue(value.value); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showValue();
    QChar separator() const;

    long double m_value = 0;
    bool m_editing = false;
};
