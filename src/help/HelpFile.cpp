#include "help/HelpFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHelpEngine>
#include <QHelpLink>
#include <QHelpSearchEngine>

HelpFile::HelpFile() = default;
HelpFile::~HelpFile() = default;

QString HelpFile::Locate(const QString& name, const QStringList& folders) {
    for (const QString& folder : folders) {
        const QFileInfo candidate(QDir(folder), name);
        if (candidate.isFile()) {
            return candidate.absoluteFilePath();
        }
    }
    return {};
}

bool HelpFile::open(const QString& path) {
    m_engine.reset();
    m_collectionDir.reset();
    m_path.clear();
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        return false;
    }
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid()) {
        return false;
    }
    auto engine = std::make_unique<QHelpEngine>(dir->filePath(QStringLiteral("Pictavo.qhc")));
    engine->setReadOnly(false);
    if (!engine->setupData() || !engine->registerDocumentation(path)) {
        return false;  // not a help file, or a damaged one
    }
    // Set up again with the file registered, so that the contents and the
    // index are made from it.
    if (!engine->setupData()) {
        return false;
    }
    // A fresh collection has no search index; a few pages index in moments,
    // on the search engine's own thread.
    engine->searchEngine()->reindexDocumentation();
    m_path = path;
    m_collectionDir = std::move(dir);
    m_engine = std::move(engine);
    return true;
}

QUrl HelpFile::topic(const QString& id) const {
    if (!m_engine) {
        return {};
    }
    const QList<QHelpLink> links = m_engine->documentsForIdentifier(id);
    return links.isEmpty() ? QUrl() : links.first().url;
}

QByteArray HelpFile::fileData(const QUrl& url) const {
    return m_engine ? m_engine->fileData(url) : QByteArray();
}
