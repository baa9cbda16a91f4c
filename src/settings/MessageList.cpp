#include "settings/MessageList.h"

#include <utility>

namespace {

// The kinds of the placeholders, in order ("%%" is a literal percent sign).
// Returns false when the text holds a placeholder other than %s and %d.
bool placeholders(const QString& text, QString* kinds) {
    kinds->clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('%')) {
            continue;
        }
        if (i + 1 >= text.size()) {
            return false;
        }
        const QChar next = text[i + 1];
        if (next == QLatin1Char('s') || next == QLatin1Char('d')) {
            kinds->append(next);
        } else if (next != QLatin1Char('%')) {
            return false;
        }
        ++i;
    }
    return true;
}

QString fill(const QString& text, const QStringList& args) {
    QString result;
    result.reserve(text.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%') && i + 1 < text.size()) {
            const QChar c = text[i + 1];
            if (c == QLatin1Char('%')) {
                result.append(QLatin1Char('%'));
                ++i;
                continue;
            }
            if (c == QLatin1Char('s') || c == QLatin1Char('d')) {
                result.append(next < args.size() ? args[next] : QString());
                ++next;
                ++i;
                continue;
            }
        }
        result.append(text[i]);
    }
    return result;
}

}  // namespace

MessageList::MessageList(QStringList builtIn)
    : m_builtIn(std::move(builtIn)), m_strings(m_builtIn) {}

void MessageList::setStrings(const QStringList& strings) {
    if (!strings.isEmpty()) {
        m_strings = strings;
    }
}

QString MessageList::text(int index) const {
    if (index >= 0 && index < m_strings.size()) {
        return m_strings[index];
    }
    return index >= 0 && index < m_builtIn.size() ? m_builtIn[index] : QString();
}

QString MessageList::format(int index, const QStringList& args) const {
    const QString builtIn = index >= 0 && index < m_builtIn.size() ? m_builtIn[index] : QString();
    QString chosen = text(index);
    QString wanted;
    QString found;
    if (!placeholders(builtIn, &wanted) || !placeholders(chosen, &found) || found != wanted) {
        chosen = builtIn;
    }
    return fill(chosen, args);
}
