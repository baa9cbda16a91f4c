#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <utility>

#include "settings/StoreError.h"

namespace pictavo {

namespace {

// Larger files are not ours: reading them as damaged keeps the program from
// loading a runaway file into memory.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;
constexpr int kLockTimeoutMs = 10000;

const QString kSubPath = QStringLiteral("/Vornholt/Pictavo2.reg");

struct Loaded {
    QByteArray bytes;
    bool exists = false;
    bool unreadable = false;
    bool damaged = false;
    RegDocument doc;
};

// The rename that put a new file in place lasts through a crash only once
// its folder is on disk. The file itself is already whole either way, so a
// failure here changes nothing for the caller.
void syncFolderOf(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Only a regular file is ours to read. The path is opened without blocking,
// so a FIFO or a device there cannot hold up the program, and anything that
// is not a regular file reads as damaged and is never replaced: something
// someone put there on purpose is not ours to move or destroy.
Loaded load(const QString& path) {
    Loaded result;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return result;
        }
        result.exists = true;
        result.unreadable = true;  // every value reads as absent
        return result;
    }
    result.exists = true;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        result.unreadable = true;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.unreadable = true;
        result.damaged = true;
        return result;
    }
    if (st.st_size > kMaxFileSize) {
        result.damaged = true;
        return result;
    }
    // The size may have grown since fstat; a file is read up to the limit only.
    result.bytes = file.read(kMaxFileSize + 1);
    std::optional<RegDocument> doc;
    if (result.bytes.size() <= kMaxFileSize) {
        doc = RegDocument::parse(result.bytes);
    }
    if (doc) {
        result.doc = std::move(*doc);
    } else {
        result.damaged = true;
    }
    return result;
}

bool writable(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

}  // namespace

SettingsStore::SettingsStore(RegRoot root, const QString& keyPath, Access access)
    : SettingsStore(standardFilePath(root), root, keyPath, access) {}

SettingsStore::SettingsStore(const QString& filePath, RegRoot root, const QString& keyPath,
                             Access access)
    : m_filePath(filePath), m_root(root), m_keyPath(keyPath), m_access(access) {
    Loaded loaded = load(m_filePath);
    m_doc = std::move(loaded.doc);
    m_damaged = loaded.damaged;
    m_unreadable = loaded.unreadable;
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::standardFilePath(RegRoot root) {
    if (root == RegRoot::CurrentUser) {
        QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (base.isEmpty()) {
            base = QDir::homePath() + QStringLiteral("/.config");
        }
        return base + kSubPath;
    }
    QString base = qEnvironmentVariable("XDG_CONFIG_DIRS").section(QLatin1Char(':'), 0, 0);
    if (base.isEmpty()) {
        base = QStringLiteral("/etc/xdg");
    }
    return base + kSubPath;
}

QString SettingsStore::rootName(RegRoot root) {
    return root == RegRoot::CurrentUser ? QStringLiteral("HKEY_CURRENT_USER")
                                        : QStringLiteral("HKEY_LOCAL_MACHINE");
}

QString SettingsStore::keyOf(const QString& section) const {
    QString key = rootName(m_root) + QLatin1Char('\\') + m_keyPath;
    if (!section.isEmpty()) {
        key += QLatin1Char('\\') + section;
    }
    return key;
}

bool SettingsStore::keyPathExists() const {
    return m_doc.exists(keyOf(QString()));
}

bool SettingsStore::sectionExists(const QString& section) const {
    return m_doc.exists(keyOf(section));
}

std::optional<QString> SettingsStore::readString(const QString& section,
                                                 const QString& name) const {
    const RegKey* key = m_doc.key(keyOf(section));
    const RegValue* value = key ? key->find(name) : nullptr;
    if (!value) {
        return std::nullopt;
    }
    if (value->type != RegValue::Type::String) {
        throw StoreError(QStringLiteral("Invalid data type for '%1'").arg(name).toStdString());
    }
    return value->text;
}

QString SettingsStore::readString(const QString& section, const QString& name,
                                  const QString& def) const {
    return readString(section, name).value_or(def);
}

std::optional<qint32> SettingsStore::readInteger(const QString& section,
                                                 const QString& name) const {
    const RegKey* key = m_doc.key(keyOf(section));
    const RegValue* value = key ? key->find(name) : nullptr;
    if (!value) {
        return std::nullopt;
    }
    if (value->type != RegValue::Type::Dword) {
        throw StoreError(QStringLiteral("Invalid data type for '%1'").arg(name).toStdString());
    }
    return static_cast<qint32>(value->dword);
}

void SettingsStore::writeString(const QString& section, const QString& name, const QString& text) {
    const QString key = keyOf(section);
    change(section, name, [key, name, text](RegDocument& doc) {
        RegValue value;
        value.name = name;
        value.type = RegValue::Type::String;
        value.text = text;
        doc.ensureKey(key).set(value);
    });
}

void SettingsStore::writeInteger(const QString& section, const QString& name, qint32 number) {
    const QString key = keyOf(section);
    change(section, name, [key, name, number](RegDocument& doc) {
        RegValue value;
        value.name = name;
        value.type = RegValue::Type::Dword;
        value.dword = static_cast<quint32>(number);
        doc.ensureKey(key).set(value);
    });
}

void SettingsStore::deleteSection(const QString& section) {
    const QString key = keyOf(section);
    if (!m_doc.exists(key)) {
        return;  // nothing to delete, nothing to write
    }
    change(section, QString(), [key](RegDocument& doc) { doc.removeTree(key); });
}

void SettingsStore::change(const QString& section, const QString& name,
                           std::function<void(RegDocument&)> operation) {
    checkWritable(section);
    if (m_operations.empty()) {
        m_firstSection = section;
        m_firstName = name;
    }
    operation(m_doc);
    m_operations.push_back(std::move(operation));
}

void SettingsStore::checkWritable(const QString& section) {
    if (m_checked) {
        return;
    }
    m_firstSection = section;
    const QFileInfo info(m_filePath);
    // A file we cannot read would lose everything in it if we replaced it.
    if (m_access == Access::ReadOnly || m_unreadable || !QDir().mkpath(info.absolutePath()) ||
        !writable(info.absolutePath()) || (info.exists() && !writable(m_filePath))) {
        failCreate();
    }
    m_checked = true;
}

void SettingsStore::failCreate() const {
    throw StoreError(QStringLiteral("Failed to create key %1").arg(m_firstSection).toStdString());
}

void SettingsStore::failSet() const {
    throw StoreError(QStringLiteral("Failed to set data for '%1'").arg(m_firstName).toStdString());
}

void SettingsStore::close() {
    if (m_operations.empty()) {
        return;
    }
    std::vector<std::function<void(RegDocument&)>> operations = std::move(m_operations);
    m_operations.clear();

    const QString lockPath = m_filePath + QStringLiteral(".lock");
    // Anything but a regular file at the lock's path is not a lock of ours,
    // and reading a FIFO there to see who holds it would wait for good.
    struct stat lockStat {};
    if (::lstat(QFile::encodeName(lockPath).constData(), &lockStat) == 0 &&
        !S_ISREG(lockStat.st_mode)) {
        failCreate();
    }
    QLockFile lock(lockPath);
    if (!lock.tryLock(kLockTimeoutMs)) {
        if (lock.error() == QLockFile::PermissionError) {
            failCreate();
        }
        failSet();
    }
    Loaded fresh = load(m_filePath);
    if (fresh.unreadable) {
        failCreate();
    }
    if (fresh.damaged) {
        const QString keep = m_filePath + QStringLiteral(".damaged");
        QFile::remove(keep);
        QFile::copy(m_filePath, keep);
    }
    for (const auto& operation : operations) {
        operation(fresh.doc);
    }
    const QByteArray out = fresh.doc.serialize();
    if (fresh.exists && !fresh.damaged && out == fresh.bytes) {
        return;
    }
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        failCreate();
    }
    if (file.write(out) != out.size() || !file.commit()) {
        failSet();
    }
    syncFolderOf(m_filePath);
    m_doc = std::move(fresh.doc);
}

}  // namespace pictavo
