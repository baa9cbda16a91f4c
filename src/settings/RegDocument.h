#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace pictavo {

// One value of a key. Values the program does not understand (binary, multi
// strings, broken escapes) are kept as Other with their data as found, so that
// writing the file back does not lose them.
struct RegValue {
    enum class Type { String, Dword, Other };
    QString name;  // "" is the key's default value, written "@"
    Type type = Type::String;
    QString text;       // String
    quint32 dword = 0;  // Dword
    QString raw;        // Other: everything after "=", continuation lines joined by "\n"

    // Same name, type and data of that type: what a written file keeps.
    bool operator==(const RegValue& other) const;
};

struct RegKey {
    QString path;            // as written between the brackets, root included
    QList<RegValue> values;  // in the order in which they were first written
    QStringList otherLines;  // comments and lines we do not understand, kept verbatim

    const RegValue* find(const QString& name) const;
    // Replaces the value of the same name in place, or appends it.
    void set(RegValue value);

    bool operator==(const RegKey& other) const = default;
};

// The text of an exported registry file ("Windows Registry Editor Version
// 5.00"): keys in brackets, then "Name"="text" and "Name"=dword:0000002a lines.
// Keys and value names compare without regard to case, like the registry's.
class RegDocument {
public:
    // nullopt when the bytes are not such a file (no header, bad encoding, text
    // outside a key, a broken key line). An empty file is an empty document.
    static std::optional<RegDocument> parse(const QByteArray& bytes);

    // Keys sorted by path, values in their stable order, one blank line
    // between keys, "\n" line ends, UTF-8.
    QByteArray serialize() const;

    bool isEmpty() const { return m_keys.isEmpty(); }
    const RegKey* key(const QString& path) const;
    RegKey& ensureKey(const QString& path);
    // Removes the key and every key below it; false when there was none.
    bool removeTree(const QString& path);
    // Whether the key exists, listed itself or implied by a key below it.
    bool exists(const QString& path) const;
    QStringList paths() const;

    static QString escape(const QString& text);

    bool operator==(const RegDocument& other) const = default;

private:
    QMap<QString, RegKey> m_keys;  // by case-folded path
};

}  // namespace pictavo
