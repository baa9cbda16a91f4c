#pragma once

#include <QChar>
#include <QLocale>
#include <QString>

// Input rules of the options dialog's controls, apart from the widgets.
namespace OptionInput {

// Whether `text` may stand in the ratio edit while the user types: an
// optional leading sign, digits, at most one `decimalSeparator` and at most
// three digits after it.
bool ratioTextAllowed(const QString& text, QChar decimalSeparator);

// The number in the ratio edit's text; text that is not one gives 0.
long double ratioValue(const QString& text, QChar decimalSeparator);

// The ratio as shown outside editing: digit grouping and up to nine decimals
// (",0.#########"), in `locale`.
QString ratioDisplay(long double value, const QLocale& locale);
// The ratio as the text to edit: no grouping, up to nine decimals.
QString ratioEditText(long double value, const QLocale& locale);

// The quality slider moved by a key or a click beside the thumb: the value
// first goes to the nearest multiple of 2 (halves to even), then one step of
// 2 in `direction` (-1 or +1), clamped to 1..100.
int qualityStep(int value, int direction);

}  // namespace OptionInput
