#include "crop/CutSaving.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

#include "core/AtomicFile.h"
#include "core/JpegEncoder.h"
#include "core/LosslessCut.h"
#include "settings/MessageList.h"

namespace pictavo::saving {

Rect savedArea(bool cut, const Rect& frame, int imageWidth, int imageHeight) {
    return cut ? frame : Rect{0, 0, imageWidth, imageHeight};
}

bool fileExists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void writePicture(const Picture& picture, const Rect& area, int quality, const std::string& source,
                  const std::string& dest, const JpegMetadata* metadata) {
    // The destination is named after the source in another folder, but a
    // link could still make them one file: never replace a photo by its cut.
    if (sameFile(source, dest))
        throw std::runtime_error("Will not write over the source file " + dest);
    writeJpegFile(picture, area, quality, dest, metadata);
}

namespace {

std::optional<FileStamp> stampOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp{
        static_cast<long long>(st.st_size),
        static_cast<long long>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

}  // namespace

std::optional<FileStamp> fileStamp(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    const std::optional<FileStamp> stamp = stampOf(fd);
    ::close(fd);
    return stamp;
}

std::optional<std::vector<std::uint8_t>> readUnchanged(const std::string& path,
                                                       const FileStamp& stamp) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::vector<std::uint8_t>> bytes;
    if (stampOf(fd) == stamp && stamp.size > 0) {
        bytes.emplace(static_cast<std::size_t>(stamp.size));
        std::size_t done = 0;
        while (done < bytes->size()) {
            const ssize_t got = ::read(fd, bytes->data() + done, bytes->size() - done);
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        // Cut short, or written to while it was read: not the file decoded.
        if (done != bytes->size() || stampOf(fd) != stamp)
            bytes.reset();
    }
    ::close(fd);
    return bytes;
}

bool writeCut(const Picture& picture, const Rect& area, int quality, const std::string& source,
              const std::string& dest, const JpegMetadata* metadata,
              const std::vector<std::uint8_t>* jpeg, const DecodeOptions& options) {
    std::optional<std::vector<std::uint8_t>> copied;
    if (jpeg)
        copied = losslessCut(*jpeg, area, options);
    if (!copied) {
        writePicture(picture, area, quality, source, dest, metadata);
        return false;
    }
    if (sameFile(source, dest))
        throw std::runtime_error("Will not write over the source file " + dest);
    writeFileAtomic(dest, copied->data(), copied->size());
    return true;
}

void copyUncut(const std::string& source, const std::string& dest, const MessageList& messages) {
    const auto fail = [&] {
        return std::runtime_error(
            messages.format(6, {QString::fromStdString(source), QString::fromStdString(dest)})
                .toStdString());
    };
    // Copying a file onto itself would leave it as it is; report it instead
    // of pretending a copy was made.
    if (sameFile(source, dest))
        throw fail();
    try {
        copyFileAtomic(source, dest);
    } catch (const std::exception&) {
        throw fail();
    }
}

}  // namespace pictavo::saving
