#include "settings/RegDocument.h"

#include <QStringDecoder>

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
    } else {
        std::optional<QString> name = unquote(line, pos);
        if (!name) {
            return false;
        }
        value.name = *name;
    }
    if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
        return false;
    }
    data = line.mid(pos + 1);
    return true;
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

std::optional<QString> decode(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        QString text = decoder(bytes.mid(2));
        return decoder.hasError() ? std::nullopt : std::optional<QString>(text);
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (decoder.hasError() || text.contains(QChar(0))) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

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
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
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
            current = &doc.ensureKey(trimmed.mid(1, trimmed.size() - 2));
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
        // Binary and other exported data may go on over lines ending in "\".
        if (!data.startsWith(QLatin1Char('"'))) {
            while (data.endsWith(QLatin1Char('\\')) && i + 1 < lines.size()) {
                data += QLatin1Char('\n') + lines[++i];
            }
        }
        parseData(data, value);
        current->set(std::move(value));
    }
    return doc;
}

QByteArray RegDocument::serialize() const {
    QString out = kHeader + QLatin1Char('\n');
    for (const RegKey& key : m_keys) {
        out += QStringLiteral("\n[") + key.path + QStringLiteral("]\n");
        for (const RegValue& v : key.values) {
            out += valueLine(v) + QLatin1Char('\n');
        }
        for (const QString& line : key.otherLines) {
            out += line + QLatin1Char('\n');
        }
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
