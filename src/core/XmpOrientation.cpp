#include "core/XmpOrientation.h"

#include <QString>
#include <QXmlStreamReader>

#include <algorithm>
#include <vector>

namespace pictavo {

namespace {

constexpr QStringView kTiffNamespace = u"http://ns.adobe.com/tiff/1.0/";
constexpr QStringView kOrientation = u"Orientation";

// A stretch of the packet's text to be replaced by "1".
struct Edit {
    qsizetype from = 0;
    qsizetype to = 0;
};

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Where the value of the attribute `name` lies in the start tag that
// begins at text[p], quotes excluded. The tag is known to be well-formed: a
// name, then name="value" pairs, then ">" or "/>".
std::optional<Edit> attributeValue(const QString& text, qsizetype p, QStringView name) {
    const qsizetype end = text.size();
    auto skipSpace = [&] {
        while (p < end && isSpace(text[p])) {
            ++p;
        }
    };
    ++p;
    while (p < end && !isSpace(text[p]) && text[p] != u'/' && text[p] != u'>') {
        ++p;
    }
    for (;;) {
        skipSpace();
        if (p >= end || text[p] == u'/' || text[p] == u'>') {
            return std::nullopt;
        }
        const qsizetype nameStart = p;
        while (p < end && !isSpace(text[p]) && text[p] != u'=') {
            ++p;
        }
        const QStringView found = QStringView(text).mid(nameStart, p - nameStart);
        skipSpace();
        if (p >= end || text[p] != u'=') {
            return std::nullopt;
        }
        ++p;
        skipSpace();
        if (p >= end) {
            return std::nullopt;
        }
        const QChar quote = text[p++];
        const qsizetype valueStart = p;
        while (p < end && text[p] != quote) {
            ++p;
        }
        if (p >= end) {
            return std::nullopt;
        }
        if (found == name) {
            return Edit{valueStart, p};
        }
        ++p;
    }
}

// The orientations the packet states, as stretches of its text holding
// exactly their values; std::nullopt when the packet is not well-formed or
// a value is not plain text there.
std::optional<std::vector<Edit>> orientationValues(const QString& text) {
    QXmlStreamReader reader(text);
    std::vector<Edit> edits;
    auto holds = [&text](const Edit& e, QStringView value) {
        return QStringView(text).mid(e.from, e.to - e.from) == value;
    };
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        // The reader stands right after the start tag; no '<' can occur
        // inside one, so the tag begins at the last '<' before.
        const qsizetype tagEnd = reader.characterOffset();
        const qsizetype tagStart = text.lastIndexOf(u'<', tagEnd - 1);
        for (const QXmlStreamAttribute& a : reader.attributes()) {
            if (a.namespaceUri() != kTiffNamespace || a.name() != kOrientation) {
                continue;
            }
            const std::optional<Edit> value = attributeValue(text, tagStart, a.qualifiedName());
            if (!value || !holds(*value, a.value())) {
                return std::nullopt;
            }
            edits.push_back(*value);
        }
        if (reader.namespaceUri() == kTiffNamespace && reader.name() == kOrientation) {
            // <tiff:Orientation>6</tiff:Orientation>: text up to the end tag
            // that is exactly its value, with no reference or section in it.
            const Edit value{tagEnd, text.indexOf(u'<', tagEnd)};
            if (value.to < 0 || reader.readNext() != QXmlStreamReader::Characters ||
                !holds(value, reader.text()) || reader.readNext() != QXmlStreamReader::EndElement) {
                return std::nullopt;
            }
            edits.push_back(value);
        }
    }
    if (reader.hasError()) {
        return std::nullopt;
    }
    return edits;
}

}  // namespace

std::optional<std::string> xmpForUprightPixels(std::string_view packet) {
    // Most packets never mention an orientation: nothing to read.
    if (packet.find("Orientation") == std::string_view::npos) {
        return std::string(packet);
    }
    QString text = QString::fromUtf8(packet.data(), static_cast<qsizetype>(packet.size()));
    const QByteArray again = text.toUtf8();
    if (std::string_view(again.constData(), static_cast<std::size_t>(again.size())) != packet) {
        return std::nullopt;  // not UTF-8: it could not be written back as it was
    }
    std::optional<std::vector<Edit>> edits = orientationValues(text);
    if (!edits) {
        return std::nullopt;
    }
    if (edits->empty()) {
        return std::string(packet);
    }
    std::sort(edits->begin(), edits->end(),
              [](const Edit& a, const Edit& b) { return a.from > b.from; });
    for (const Edit& e : *edits) {
        text.replace(e.from, e.to - e.from, QStringLiteral("1"));
    }
    // What was changed must read back as orientation 1 and nothing else.
    const std::optional<std::vector<Edit>> check = orientationValues(text);
    if (!check || check->size() != edits->size() ||
        std::any_of(check->begin(), check->end(), [&text](const Edit& e) {
            return QStringView(text).mid(e.from, e.to - e.from) != u"1";
        })) {
        return std::nullopt;
    }
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace pictavo
