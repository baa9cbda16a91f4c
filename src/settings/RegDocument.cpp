#include "settings/RegDocument.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace pictavo {

namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kOldHeader = QStringLiteral("REGEDIT4");

QString fold(const QString& path) {
    return path.toCaseFolded();
}

// Reads a quoted text starting at text[pos] == '"'; on success `pos` is just
// past the closing quote.
std::optional<QString> unquote(const QString& text, qsizetype& pos) {
    QString out;
    qsizetype i = pos + 1;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == QLatin1Char('"')) {
            pos = i + 1;
            return out;
        }
        if (c != QLatin1Char('\\')) {
            out.append(c);
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) {
            return std::nullopt;
        }
        const QChar e = text[i + 1];
        if (e == QLatin1Char('\\') || e == QLatin1Char('"')) {
            out.append(e);
        } else if (e == QLatin1Char('r')) {
            out.append(QLatin1Char('\r'));
        } else if (e == QLatin1Char('n')) {
            out.append(QLatin1Char('\n'));
        } else if (e == QLatin1Char('t')) {
            out.append(QLatin1Char('\t'));
        } else if (e == QLatin1Char('x') && i + 3 < text.size()) {
            bool ok = false;
            const uint code = text.mid(i + 2, 2).toUInt(&ok, 16);
            if (!ok) {
                return std::nullopt;
            }
            out.append(QChar(code));
            i += 2;
        } else {
            return std::nullopt;
        }
        i += 2;
    }
    return std::nullopt;
}

// Parses the data after "=" into `value`. Anything but a well-formed string
// or dword is kept as Other.
void parseData(const QString& data, RegValue& value) {
    value.raw = data;
    if (data.startsWith(QLatin1Char('"'))) {
        qsizetype pos = 0;
        std::optional<QString> text = unquote(data, pos);
        if (text && data.mid(pos).trimmed().isEmpty()) {
            value.type = RegValue::Type::String;
            value.text = *text;
            return;
        }
    } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString hex = data.mid(6).trimmed();
        bool ok = false;
        const quint32 number = hex.toUInt(&ok, 16);
        if (ok && !hex.isEmpty() && hex.size() <= 8 && !hex.startsWith(QLatin1Char('+')) &&
            !hex.startsWith(QLatin1Char('-'))) {
            value.type = RegValue::Type::Dword;
            value.dword = number;
            return;
        }
    }
    value.type = RegValue::Type::Other;
}

// A line "Name"=data or @=data; false when the line is not one.
bool parseValueLine(const QString& line, RegValue& value, QString& data) {
    qsizetype pos = 0;
    if (line.startsWith(QLatin1Char('@'))) {
        value.name.clear();
        pos = 1;
    } else if (line.startsWith(QLatin1Char('"'))) {
        std::optional<QString> name = unquote(line, pos);
        if (!name) {
            return false;
        }
        value.name = *name;
    } else {
        return false;
    }
    if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
        return false;
    }
    data = line.mid(pos + 1);
    return true;
}

bool continuesData(const QString& line) {
    return !line.isEmpty() && line.front().isSpace();
}

// Data that ends in "\" with no line after it (a cut file) would take in an
// indented line written after it. Value lines are never indented, so only the
// key's other lines must then go before its values.
bool dangling(const RegValue& v) {
    return v.type == RegValue::Type::Other && !v.raw.startsWith(QLatin1Char('"')) &&
           v.raw.endsWith(QLatin1Char('\\'));
}

QString valueLine(const RegValue& v) {
    QString line = v.name.isEmpty()
                       ? QStringLiteral("@=")
                       : QLatin1Char('"') + RegDocument::escape(v.name) + QStringLiteral("\"=");
    switch (v.type) {
        case RegValue::Type::String:
            line += QLatin1Char('"') + RegDocument::escape(v.text) + QLatin1Char('"');
            break;
        case RegValue::Type::Dword:
            line += QStringLiteral("dword:%1").arg(v.dword, 8, 16, QLatin1Char('0'));
            break;
        case RegValue::Type::Other:
            line += v.raw;
            break;
    }
    return line;
}

// The file is written back as UTF-8, so only text that has a UTF-8 form is
// accepted; a NUL is refused too, as it would end the text for other readers.
std::optional<QString> decode(const QByteArray& bytes) {
    const bool utf16 = bytes.startsWith("\xFF\xFE");
    QStringDecoder decoder(utf16 ? QStringDecoder::Utf16LE : QStringDecoder::Utf8);
    const qsizetype bom = utf16 ? 2 : bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QString text = decoder(bytes.mid(bom));
    // Half a UTF-16 unit at the end, or a lone surrogate, has no UTF-8 form.
    if (decoder.hasError() || (utf16 && (bytes.size() % 2 != 0 || !text.isValidUtf16())) ||
        text.contains(QChar(0))) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

bool RegValue::operator==(const RegValue& other) const {
    if (name != other.name || type != other.type) {
        return false;
    }
    switch (type) {
        case Type::String:
            return text == other.text;
        case Type::Dword:
            return dword == other.dword;
        case Type::Other:
            break;
    }
    return raw == other.raw;
}

const RegValue* RegKey::find(const QString& name) const {
    for (const RegValue& v : values) {
        if (v.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &v;
        }
    }
    return nullptr;
}

void RegKey::set(RegValue value) {
    for (RegValue& v : values) {
        if (v.name.compare(value.name, Qt::CaseInsensitive) == 0) {
            value.name = v.name;  // the registry keeps a value's first spelling
            v = std::move(value);
            return;
        }
    }
    values.append(std::move(value));
}

QString RegDocument::escape(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\') {
            out += QStringLiteral("\\\\");
        } else if (u == u'"') {
            out += QStringLiteral("\\\"");
        } else if (u == u'\r') {
            out += QStringLiteral("\\r");
        } else if (u == u'\n') {
            out += QStringLiteral("\\n");
        } else if (u < 0x20 || u == 0x7F) {
            out += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<RegDocument> RegDocument::parse(const QByteArray& bytes) {
    RegDocument doc;
    std::optional<QString> decoded = decode(bytes);
    if (!decoded) {
        return std::nullopt;
    }
    QStringList lines = decoded->split(QLatin1Char('\n'));
    // Every CR at a line's end goes: "\r\r\n" (a CR LF file copied through a
    // tool that added its own CR) is one line end too.
    for (QString& line : lines) {
        while (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    qsizetype i = 0;
    while (i < lines.size() && lines[i].trimmed().isEmpty()) {
        ++i;
    }
    if (i == lines.size()) {
        return doc;  // an empty file holds no keys
    }
    const QString header = lines[i].trimmed();
    if (header != kHeader && header != kOldHeader) {
        return std::nullopt;
    }
    RegKey* current = nullptr;
    // Where each value of each key is, by case-folded names: a file of many
    // values must not take a search through its key for every line.
    QHash<QString, QHash<QString, qsizetype>> positions;
    QHash<QString, qsizetype>* currentPositions = nullptr;
    for (++i; i < lines.size(); ++i) {
        const QString line = lines[i];
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty()) {
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (!trimmed.endsWith(QLatin1Char(']')) || trimmed.size() < 3) {
                return std::nullopt;
            }
            const QString path = trimmed.mid(1, trimmed.size() - 2);
            current = &doc.ensureKey(path);
            currentPositions = &positions[fold(path)];
            continue;
        }
        if (!current) {
            if (trimmed.startsWith(QLatin1Char(';'))) {
                continue;  // a comment before the first key has nowhere to live
            }
            return std::nullopt;
        }
        RegValue value;
        QString data;
        if (!parseValueLine(trimmed, value, data)) {
            current->otherLines.append(line);
            continue;
        }
        // Binary and other exported data go on over lines ending in "\", each
        // next line indented. An indented line is never a value or key line
        // as we write them, so a file we wrote reads back the same.
        if (!data.startsWith(QLatin1Char('"'))) {
            while (data.endsWith(QLatin1Char('\\')) && i + 1 < lines.size() &&
                   continuesData(lines[i + 1])) {
                data += QLatin1Char('\n') + lines[++i];
            }
        }
        parseData(data, value);
        const QString folded = fold(value.name);
        const auto at = currentPositions->constFind(folded);
        if (at == currentPositions->cend()) {
            currentPositions->insert(folded, current->values.size());
            current->values.append(std::move(value));
        } else {
            value.name = current->values[*at].name;  // the first spelling stays, as in set()
            current->values[*at] = std::move(value);
        }
    }
    return doc;
}

QByteArray RegDocument::serialize() const {
    QString out = kHeader + QLatin1Char('\n');
    for (const RegKey& key : m_keys) {
        out += QStringLiteral("\n[") + key.path + QStringLiteral("]\n");
        QString values;
        for (const RegValue& v : key.values) {
            values += valueLine(v) + QLatin1Char('\n');
        }
        QString others;
        for (const QString& line : key.otherLines) {
            others += line + QLatin1Char('\n');
        }
        const bool othersFirst = std::any_of(key.values.cbegin(), key.values.cend(), dangling);
        out += othersFirst ? others + values : values + others;
    }
    return out.toUtf8();
}

const RegKey* RegDocument::key(const QString& path) const {
    auto it = m_keys.constFind(fold(path));
    return it == m_keys.cend() ? nullptr : &it.value();
}

RegKey& RegDocument::ensureKey(const QString& path) {
    RegKey& key = m_keys[fold(path)];
    if (key.path.isEmpty()) {
        key.path = path;
    }
    return key;
}

bool RegDocument::removeTree(const QString& path) {
    const QString folded = fold(path);
    const QString prefix = folded + QLatin1Char('\\');
    bool removed = false;
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (it.key() == folded || it.key().startsWith(prefix)) {
            it = m_keys.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    return removed;
}

bool RegDocument::exists(const QString& path) const {
    const QString folded = fold(path);
    const QString prefix = folded + QLatin1Char('\\');
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it) {
        if (it.key() == folded || it.key().startsWith(prefix)) {
            return true;
        }
    }
    return false;
}

QStringList RegDocument::paths() const {
    QStringList result;
    for (const RegKey& key : m_keys) {
        result << key.path;
    }
    return result;
}

}  // namespace pictavo
