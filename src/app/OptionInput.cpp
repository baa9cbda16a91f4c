#include "app/OptionInput.h"

#include <QRegularExpression>

#include <algorithm>

#include "settings/StoredText.h"

namespace OptionInput {

bool ratioTextAllowed(const QString& text, QChar decimalSeparator) {
    const QString sep = QRegularExpression::escape(QString(decimalSeparator));
    const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]*(%1[0-9]{0,3})?$").arg(sep));
    return pattern.match(text).hasMatch();
}

long double ratioValue(const QString& text, QChar decimalSeparator) {
    QString plain = text;
    // The edit never holds a "."-typed point of its own: "." is only the
    // separator where the locale says so.
    if (decimalSeparator != QLatin1Char('.') && plain.contains(QLatin1Char('.'))) {
        return 0;
    }
    return StoredText::toReal(plain, decimalSeparator).value_or(0);
}

namespace {

QString upToNineDecimals(long double value, const QLocale& locale) {
    QString text = locale.toString(static_cast<double>(value), 'f', 9);
    const QString point = locale.decimalPoint();
    if (text.contains(point)) {
        while (text.endsWith(locale.zeroDigit())) {
            text.chop(locale.zeroDigit().size());
        }
        if (text.endsWith(point)) {
            text.chop(point.size());
        }
    }
    return text;
}

}  // namespace

QString ratioDisplay(long double value, const QLocale& locale) {
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return upToNineDecimals(value, grouped);
}

QString ratioEditText(long double value, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
    return upToNineDecimals(value, plain);
}

int qualityStep(int value, int direction) {
    // Round half to even of value / 2.
    int half = value / 2;
    if (value % 2 != 0) {
        half += (half % 2 != 0) ? (value > 0 ? 1 : -1) : 0;
    }
    return std::clamp(half * 2 + 2 * direction, 1, 100);
}

}  // namespace OptionInput
