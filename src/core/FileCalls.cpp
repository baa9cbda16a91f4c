#include "core/FileCalls.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace pictavo {

int FileCalls::createNew(const char* path, mode_t mode) const {
    return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
}

int FileCalls::openFolder(const char* path) const {
    return ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

ssize_t FileCalls::write(int fd, const void* data, std::size_t size) const {
    return ::write(fd, data, size);
}

int FileCalls::fsync(int fd) const {
    return ::fsync(fd);
}

int FileCalls::close(int fd) const {
    return ::close(fd);
}

int FileCalls::rename(const char* from, const char* to) const {
    return std::rename(from, to);
}

const FileCalls& FileCalls::system() {
    static const FileCalls calls;
    return calls;
}

}  // namespace pictavo
