#pragma once

#include <QString>
#include <QStringList>

// An ordered list of texts that a window puts into errors, dialogs and status
// lines, addressed by position. A translation replaces the list as a whole;
// positions it lacks, and translated texts whose placeholders do not match the
// built-in ones, fall back to the built-in text.
class MessageList {
public:
    explicit MessageList(QStringList builtIn = {});

    const QStringList& builtIn() const { return m_builtIn; }
    // The list as it stands (built-in or translated), e.g. for storing.
    const QStringList& strings() const { return m_strings; }
    // Replaces the list; an empty list is ignored.
    void setStrings(const QStringList& strings);

    // The text at `index`, or the built-in one where the list is too short.
    QString text(int index) const;

    // The text at `index` with its %s / %d placeholders filled in order from
    // `args`. A translated text whose placeholders differ in number, kind or
    // order from the built-in one is not used.
    QString format(int index, const QStringList& args) const;

private:
    QStringList m_builtIn;
    QStringList m_strings;
};
