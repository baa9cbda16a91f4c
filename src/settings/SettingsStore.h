#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "settings/RegDocument.h"

namespace pictavo {

enum class RegRoot { CurrentUser, LocalMachine };

// The program's settings: a per-user and a machine-wide file in the text form
// of exported registry files. This is the only class that opens those files.
//
// One object is one open-close of a key path: it reads the file fresh when it
// is created, answers reads from that copy (with its own writes applied), and
// close() writes the file once, if anything changed, by atomic replace under a
// lock file. close() reads the file again under the lock and applies this
// session's writes to it, so values another instance saved in the meantime
// stay; where both wrote the same value, the last save wins.
//
// A file that cannot be parsed reads as empty. Before such a file is replaced,
// it is kept beside as "<name>.damaged". Anything but a regular file at the
// path (a FIFO, a device, a folder) also reads as empty, without blocking, and
// is never replaced: writing fails as for a file that may not be written.
class SettingsStore {
public:
    enum class Access { ReadOnly, ReadWrite };

    // The file of `root` at its standard place (XDG_CONFIG_HOME or
    // ~/.config for the user, the first of XDG_CONFIG_DIRS or /etc/xdg for
    // the machine).
    SettingsStore(RegRoot root, const QString& keyPath, Access access);
    // The same on an explicit file.
    SettingsStore(const QString& filePath, RegRoot root, const QString& keyPath, Access access);
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;
    // Does not write: an unclosed session is dropped.
    ~SettingsStore();

    static QString standardFilePath(RegRoot root);
    static QString rootName(RegRoot root);

    const QString& filePath() const { return m_filePath; }
    bool damaged() const { return m_damaged; }
    bool keyPathExists() const;
    bool sectionExists(const QString& section) const;

    // Absent section or value: nullopt. A value of another type throws
    // StoreError "Invalid data type for '<name>'".
    std::optional<QString> readString(const QString& section, const QString& name) const;
    QString readString(const QString& section, const QString& name, const QString& def) const;
    std::optional<qint32> readInteger(const QString& section, const QString& name) const;

    // Throw StoreError "Failed to create key <section>" when the file's folder
    // or the file cannot be created or written (checked at the first write).
    void writeString(const QString& section, const QString& name, const QString& text);
    void writeInteger(const QString& section, const QString& name, qint32 value);
    // Removes the section and every key below it; an absent one is no error.
    void deleteSection(const QString& section);

    // Writes the file if this session changed anything. Throws StoreError.
    void close();

private:
    QString keyOf(const QString& section) const;
    void change(const QString& section, const QString& name,
                std::function<void(RegDocument&)> operation);
    void checkWritable(const QString& section);
    [[noreturn]] void failCreate() const;
    [[noreturn]] void failSet() const;

    QString m_filePath;
    RegRoot m_root;
    QString m_keyPath;
    Access m_access;
    RegDocument m_doc;
    bool m_damaged = false;
    bool m_unreadable = false;
    bool m_checked = false;
    QString m_firstSection;
    QString m_firstName;
    std::vector<std::function<void(RegDocument&)>> m_operations;
};

}  // namespace pictavo
