#include "settings/StoredText.h"

#include <QRegularExpression>
#include <QStringList>

#include <charconv>
#include <limits>

namespace StoredText {

QString trimmed(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32) {
        ++begin;
    }
    while (end > begin && text[end - 1].unicode() <= 32) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString fromInteger(qint64 value) {
    return QString::number(value);
}

std::optional<qint32> toInteger(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    if (!pattern.match(text).hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<qint32>::min() ||
        value > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(value);
}

QString fromBool(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<bool> toBool(const QString& text) {
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    return std::nullopt;
}

QString fromReal(long double value, int digits) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    // Exponents as "1E20" and "1E-5", the way the stored texts always looked.
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        QString exponent = text.mid(e + 1);
        const bool negative = exponent.startsWith(QLatin1Char('-'));
        exponent.remove(0, 1);
        while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0'))) {
            exponent.remove(0, 1);
        }
        text = text.left(e) + QLatin1Char('E') + (negative ? QStringLiteral("-") : QString()) +
               exponent;
    }
    return text;
}

std::optional<long double> toReal(const QString& text, QChar decimalSeparator) {
    QString local = text;
    local.replace(QLatin1Char('.'), decimalSeparator);
    const QString sep = QRegularExpression::escape(QString(decimalSeparator));
    const QRegularExpression pattern(
        QStringLiteral("^\\s*([+-]?)((?:[0-9]+(?:%1[0-9]*)?)|(?:%1[0-9]+))"
                       "((?:[eE][+-]?[0-9]+)?)\\s*$")
            .arg(sep));
    const QRegularExpressionMatch match = pattern.match(local);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    QString plain = match.captured(2);
    plain.replace(decimalSeparator, QLatin1Char('.'));
    const QByteArray ascii = (match.captured(1) + plain + match.captured(3)).toLatin1();
    long double value = 0;
    const auto result = std::from_chars(ascii.constData(), ascii.constData() + ascii.size(), value);
    if (result.ec != std::errc() || result.ptr != ascii.constData() + ascii.size()) {
        return std::nullopt;
    }
    return value;
}

QString valueName(const QString& component, const QString& property) {
    return component + QLatin1Char('_') + property;
}

QString listSection(const QString& section, const QString& name) {
    return section + QLatin1Char('.') + name;
}

std::optional<std::pair<QString, QString>> splitEntry(const QString& entry) {
    const qsizetype dot = entry.indexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == entry.size() - 1) {
        return std::nullopt;
    }
    return std::make_pair(entry.left(dot), entry.mid(dot + 1));
}

QString screenSuffix(int width, int height) {
    return QStringLiteral("(%1x%2)").arg(width).arg(height);
}

QString fromQuad(const std::array<int, 4>& v) {
    return QStringLiteral("%1,%2,%3,%4").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]);
}

std::array<int, 4> toQuad(const QString& text, const std::array<int, 4>& defaults) {
    static const QRegularExpression separators(QStringLiteral("[, ]"));
    const QStringList words = text.split(separators, Qt::SkipEmptyParts);
    std::array<int, 4> result = defaults;
    for (int i = 0; i < 4 && i < words.size(); ++i) {
        result[i] = toInteger(words[i]).value_or(defaults[i]);
    }
    return result;
}

std::optional<ShowState> showStateFromCode(int code) {
    switch (code) {
        case 1:
        case 5:
        case 9:
            return ShowState::Normal;
        case 2:
        case 6:
        case 7:
            return ShowState::Minimized;
        case 3:
            return ShowState::Maximized;
        default:
            return std::nullopt;
    }
}

int codeFromShowState(ShowState state) {
    switch (state) {
        case ShowState::Minimized:
            return 2;
        case ShowState::Maximized:
            return 3;
        case ShowState::Normal:
            break;
    }
    return 1;
}

}  // namespace StoredText
