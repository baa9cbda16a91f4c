#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

class QHelpEngine;

// One compressed help file, opened through a help collection of its own in a
// temporary folder, so nothing about the help is stored anywhere. The
// collection's search index is built there too, each time the file is opened.
class HelpFile {
public:
    // The identifiers the help project gives the default topic and the
    // topic of a help context.
    static QString DefaultTopicId() { return QStringLiteral("Pictavo.DefaultTopic"); }
    static QString ContextId(int context) {
        return QStringLiteral("Pictavo.Context.%1").arg(context);
    }

    HelpFile();
    ~HelpFile();
    HelpFile(const HelpFile&) = delete;
    HelpFile& operator=(const HelpFile&) = delete;

    // The first of `folders` that holds a file called `name`, or empty.
    static QString Locate(const QString& name, const QStringList& folders);

    // Opens the file at `path`; false when it is missing or no help file.
    bool open(const QString& path);
    bool isOpen() const { return m_engine != nullptr; }
    const QString& path() const { return m_path; }

    // The page of an identifier, or an empty address when the file maps none.
    QUrl topic(const QString& id) const;
    QByteArray fileData(const QUrl& url) const;

    // The engine of the open file, for its contents, index and search; null
    // while no file is open. It goes when another file is opened.
    QHelpEngine* engine() const { return m_engine.get(); }

private:
    QString m_path;
    std::unique_ptr<QTemporaryDir> m_collectionDir;
    std::unique_ptr<QHelpEngine> m_engine;
};
