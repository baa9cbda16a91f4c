#pragma once

#include <sys/types.h>

#include <cstddef>

namespace pictavo {

// The system calls by which the atomic writer puts a file in place. Tests
// watch them through a subclass to see that the data and the rename reach
// the disk in the right order; the program always uses system().
class FileCalls {
public:
    virtual ~FileCalls() = default;

    // A new file for writing: open(O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC).
    virtual int createNew(const char* path, mode_t mode) const;
    // A folder, to sync its entries: open(O_RDONLY | O_DIRECTORY | O_CLOEXEC).
    virtual int openFolder(const char* path) const;
    virtual ssize_t write(int fd, const void* data, std::size_t size) const;
    virtual int fsync(int fd) const;
    virtual int close(int fd) const;
    virtual int rename(const char* from, const char* to) const;

    static const FileCalls& system();
};

}  // namespace pictavo
