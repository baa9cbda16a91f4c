#pragma once

#include <QChar>
#include <QString>

#include <array>
#include <optional>

// How stored properties and placement values are written as text and read
// back. The texts are read by other tools and by older and newer versions of
// the program, so these rules never depend on the user's locale except where
// noted.
namespace StoredText {

// Removes leading and trailing blanks and control characters (code <= 32).
QString trimmed(const QString& text);

QString fromInteger(qint64 value);
// A decimal integer with an optional sign that fits 32 bits; nullopt otherwise.
std::optional<qint32> toInteger(const QString& text);

QString fromBool(bool value);  // "True" / "False"
// "True" and "False" in any letter case; nullopt for every other text.
std::optional<bool> toBool(const QString& text);

// General format with `digits` significant digits (18 for extended, 15 for
// double, 7 for single), trailing zeros dropped, "." as decimal separator.
QString fromReal(long double value, int digits);
// Every "." is taken as the locale's `decimalSeparator`, then the text must
// be a number written with that separator (blanks around it allowed, no digit
// grouping, optional exponent). nullopt when it is not.
std::optional<long double> toReal(const QString& text, QChar decimalSeparator);

// Value names: component "_" property; list sections: section "." value name.
QString valueName(const QString& component, const QString& property);
QString listSection(const QString& section, const QString& valueName);
// Splits a StoredProps entry "component.Property"; nullopt when it has no "."
// or an empty side.
std::optional<std::pair<QString, QString>> splitEntry(const QString& entry);

// Placement texts.
QString screenSuffix(int width, int height);         // "(1280x800)"
QString fromQuad(const std::array<int, 4>& values);  // "%d,%d,%d,%d"
// The first four words separated by commas or blanks, each a decimal integer
// or its default.
std::array<int, 4> toQuad(const QString& text, const std::array<int, 4>& defaults);

enum class ShowState { Normal, Minimized, Maximized };
// The window system's show codes: 1, 5, 9 normal; 2, 6, 7 minimised; 3
// maximised; nullopt for any other.
std::optional<ShowState> showStateFromCode(int code);
int codeFromShowState(ShowState state);

// Largest number of entries read from a list section, so that a damaged
// "Count" cannot make the program allocate without end.
constexpr int kMaxListCount = 10000;

}  // namespace StoredText
