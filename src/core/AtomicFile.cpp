#include "core/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

namespace pictavo {

namespace {

// Temporary files are named kTempPrefix, 8 lower-case hex digits, kTempSuffix.
constexpr char kTempPrefix[] = ".pictavo-";
constexpr char kTempSuffix[] = ".tmp";
constexpr std::size_t kTempDigits = 8;

bool isTempName(const char* name) {
    const std::size_t prefix = sizeof kTempPrefix - 1;
    const std::size_t suffix = sizeof kTempSuffix - 1;
    if (std::strlen(name) != prefix + kTempDigits + suffix ||
        std::strncmp(name, kTempPrefix, prefix) != 0 ||
        std::strcmp(name + prefix + kTempDigits, kTempSuffix) != 0) {
        return false;
    }
    for (std::size_t i = prefix; i < prefix + kTempDigits; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

std::string systemText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw FileError(what + " " + path + ": " + systemText(error));
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file beside the target, removed again unless it was renamed over the
// target. Created with O_EXCL and mode 0666 so the umask applies as for any
// new file; a replaced file keeps its permissions.
class TempFile {
public:
    TempFile(const std::string& target, const FileCalls& calls) : m_target(target), m_calls(calls) {
        const std::string folder = folderOf(target);
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::uint32_t random = 0;
            if (::getrandom(&random, sizeof random, 0) != sizeof random) {
                random = static_cast<std::uint32_t>(::getpid()) * 2654435761u + attempt;
            }
            char name[32];
            std::snprintf(name, sizeof name, "/%s%08x%s", kTempPrefix, random, kTempSuffix);
            m_path = folder + name;
            m_fd = m_calls.createNew(m_path.c_str(), 0666);
            if (m_fd >= 0 || errno != EEXIST) {
                break;
            }
        }
        if (m_fd < 0) {
            fail("Cannot write", target, errno);
        }
        struct stat old {};
        if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
            ::fchmod(m_fd, old.st_mode & 07777);
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (m_fd >= 0) {
            m_calls.close(m_fd);
        }
        if (!m_renamed) {
            ::unlink(m_path.c_str());
        }
    }

    void write(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        while (size > 0) {
            const ssize_t n = m_calls.write(m_fd, p, size);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                fail("Cannot write", m_target, n < 0 ? errno : ENOSPC);
            }
            p += n;
            size -= static_cast<std::size_t>(n);
        }
    }

    void setModificationTime(const struct timespec& mtime) {
        const struct timespec times[2] = {{0, UTIME_NOW}, mtime};
        if (::futimens(m_fd, times) != 0) {
            fail("Cannot write", m_target, errno);
        }
    }

    // Makes the data durable, then puts the file in the target's place.
    void commit() {
        if (m_calls.fsync(m_fd) != 0) {
            fail("Cannot write", m_target, errno);
        }
        const int fd = m_fd;
        m_fd = -1;
        if (m_calls.close(fd) != 0) {
            fail("Cannot write", m_target, errno);
        }
        if (m_calls.rename(m_path.c_str(), m_target.c_str()) != 0) {
            fail("Cannot write", m_target, errno);
        }
        m_renamed = true;
        // The rename itself reaches the disk with the folder.
        const int folder = m_calls.openFolder(folderOf(m_target).c_str());
        if (folder >= 0) {
            m_calls.fsync(folder);
            m_calls.close(folder);
        }
    }

private:
    std::string m_target;
    const FileCalls& m_calls;
    std::string m_path;
    int m_fd = -1;
    bool m_renamed = false;
};

// An open file descriptor that closes itself.
class ReadFile {
public:
    explicit ReadFile(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)) {}
    ReadFile(const ReadFile&) = delete;
    ReadFile& operator=(const ReadFile&) = delete;
    ~ReadFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// An open folder listing that closes itself.
class FolderReader {
public:
    explicit FolderReader(const std::string& folder) : m_dir(::opendir(folder.c_str())) {}
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;
    ~FolderReader() {
        if (m_dir) {
            ::closedir(m_dir);
        }
    }
    DIR* dir() const { return m_dir; }

private:
    DIR* m_dir;
};

}  // namespace

void writeFileAtomic(const std::string& path, const void* data, std::size_t size,
                     const FileCalls& calls) {
    TempFile temp(path, calls);
    temp.write(data, size);
    temp.commit();
}

void writeFileAtomic(const std::string& path, std::span<const std::span<const std::uint8_t>> pieces,
                     const FileCalls& calls) {
    TempFile temp(path, calls);
    for (const auto& piece : pieces) {
        temp.write(piece.data(), piece.size());
    }
    temp.commit();
}

struct AtomicFileWriter::Temp : TempFile {
    using TempFile::TempFile;
};

AtomicFileWriter::AtomicFileWriter(const std::string& path, const FileCalls& calls)
    : m_temp(std::make_unique<Temp>(path, calls)) {}

AtomicFileWriter::~AtomicFileWriter() = default;

void AtomicFileWriter::write(const void* data, std::size_t size) {
    m_temp->write(data, size);
}

void AtomicFileWriter::commit() {
    m_temp->commit();
}

void copyFileAtomic(const std::string& source, const std::string& dest, const FileCalls& calls) {
    ReadFile in(source);
    if (in.fd() < 0) {
        fail("Cannot read", source, errno);
    }
    struct stat st {};
    if (::fstat(in.fd(), &st) != 0) {
        fail("Cannot read", source, errno);
    }
    if (!S_ISREG(st.st_mode)) {
        fail("Cannot read", source, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    ::fcntl(in.fd(), F_SETFL, ::fcntl(in.fd(), F_GETFL) & ~O_NONBLOCK);
    TempFile temp(dest, calls);
    std::vector<std::uint8_t> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in.fd(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            fail("Cannot read", source, errno);
        }
        if (n == 0) {
            break;
        }
        temp.write(buffer.data(), static_cast<std::size_t>(n));
    }
    temp.setModificationTime(st.st_mtim);
    temp.commit();
}

int removeStaleTempFiles(const std::string& folder, std::chrono::system_clock::time_point before) {
    FolderReader reader(folder);
    if (!reader.dir()) {
        return 0;
    }
    const int fd = ::dirfd(reader.dir());
    const auto limit =
        std::chrono::duration_cast<std::chrono::nanoseconds>(before.time_since_epoch());
    int removed = 0;
    while (const dirent* entry = ::readdir(reader.dir())) {
        if (!isTempName(entry->d_name)) {
            continue;
        }
        // Looked at without following a link: a link named like ours is not
        // ours, and neither is what it points to.
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        // A file changed since the run began may still be another writer's.
        const auto changed =
            std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
        if (changed < limit && ::unlinkat(fd, entry->d_name, 0) == 0) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace pictavo
