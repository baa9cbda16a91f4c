#include "app/FileByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pictavo {

FileByteSource::FileByteSource(const std::string& path) {
    // Non-blocking, so that a pipe given as the path cannot stall the open.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (m_fd < 0) {
        return;
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_size = static_cast<std::uint64_t>(info.st_size);
}

FileByteSource::~FileByteSource() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool FileByteSource::read(std::uint64_t offset, void* out, std::size_t length) const {
    if (m_fd < 0 || !within(offset, length, m_size)) {
        return false;
    }
    auto* target = static_cast<char*>(out);
    while (length > 0) {
        const ssize_t got = ::pread(m_fd, target, length, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;  // an error, or the file shrank since it was opened
        }
        target += got;
        offset += static_cast<std::uint64_t>(got);
        length -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace pictavo
