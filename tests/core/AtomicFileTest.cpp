#include "core/AtomicFile.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <span>

#include "core/JpegEncoder.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

using namespace pictavo;
using namespace pictavo::test;

namespace {

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `work` in a child whose files may not grow past `limit` bytes (with
// SIGXFSZ ignored, so write() fails with EFBIG) and returns what the child
// caught: a FileError's text, or "no error".
template <class Work>
std::string underFileSizeLimit(rlim_t limit, Work work) {
    int fds[2];
    if (pipe(fds) != 0) {
        return "pipe failed";
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        std::string text = "no error";
        try {
            work();
        } catch (const FileError& e) {
            text = e.what();
        }
        const ssize_t ignored = write(fds[1], text.data(), text.size());
        (void)ignored;
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[512];
    ssize_t n = 0;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return text;
}

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd', ' ', 'p', 'h', 'o', 't', 'o'};

TEST(AtomicFile, WritesNewFilesAndReplacesOldOnes) {
    TempDir dir;
    const std::string target = dir.file("a.jpg");
    writeFileAtomic(target, "first", 5);
    EXPECT_EQ(readBytes(target), std::vector<std::uint8_t>({'f', 'i', 'r', 's', 't'}));
    chmod(target.c_str(), 0640);
    writeFileAtomic(target, "2", 1);
    EXPECT_EQ(readBytes(target), std::vector<std::uint8_t>({'2'}));
    struct stat st {};
    stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // Held in pieces, some of them empty, the bytes follow each other.
    const std::uint8_t fi[] = {'f', 'i'};
    const std::uint8_t rst[] = {'r', 's', 't'};
    const std::span<const std::uint8_t> pieces[] = {fi, {}, rst};
    writeFileAtomic(target, pieces);
    EXPECT_EQ(readBytes(target), std::vector<std::uint8_t>({'f', 'i', 'r', 's', 't'}));
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    writeFileAtomic(target, "", 0);
    EXPECT_TRUE(readBytes(target).empty());
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>({"a.jpg"}));
}

// Which leftovers of killed writes go, against a run that began at a moment
// with a fraction of a second.
TEST(AtomicFile, RemovesOnlyTemporaryFilesOlderThanTheRun) {
    const struct {
        const char* name;
        long long ageNs;  // before the run began; negative: after
        bool stays;
    } cases[] = {
        {".pictavo-00000000.tmp", 3600'000'000'000, false},
        {".pictavo-99999999.tmp", 3600'000'000'000, false},
        {".pictavo-a9f0e1d2.tmp", 500'000'000, false},
        {".pictavo-0badf00d.tmp", -500'000'000, true},  // another writer's, still growing
        {".pictavo-9999999g.tmp", 3600'000'000'000, true},
        {".pictavo-9999999.tmp", 3600'000'000'000, true},
        {".pictavo-99999999.tmp~", 3600'000'000'000, true},
    };
    // Half a second either side of the run's start falls within the same
    // second or the next, whichever fraction the start has.
    for (const long long startFraction : {200'000'000LL, 700'000'000LL}) {
        TempDir dir;
        const long long start =
            (static_cast<long long>(time(nullptr)) - 10) * 1'000'000'000 + startFraction;
        std::vector<std::string> expected;
        for (const auto& c : cases) {
            const std::string path = dir.file(c.name);
            writeBytes(path, kOld);
            const long long changed = start - c.ageNs;
            const timespec at{static_cast<time_t>(changed / 1'000'000'000),
                              static_cast<long>(changed % 1'000'000'000)};
            const timespec times[2] = {at, at};
            ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
            if (c.stays) {
                expected.push_back(c.name);
            }
        }
        const std::chrono::system_clock::time_point runStart{
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::nanoseconds(start))};
        EXPECT_EQ(removeStaleTempFiles(dir.path(), runStart),
                  static_cast<int>(std::size(cases) - expected.size()));
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(folderEntries(dir.path()), expected) << startFraction;
    }
}

// A disk that fills up half way: the old file survives byte for byte, no
// temporary file is left, and the system's reason travels with the error.
TEST(AtomicFile, FailedWriteKeepsTheOldFile) {
    TempDir dir;
    const std::string target = dir.file("a.jpg");
    writeBytes(target, kOld);
    const std::vector<std::uint8_t> big(100000, 7);
    const std::string error =
        underFileSizeLimit(4096, [&] { writeFileAtomic(target, big.data(), big.size()); });
    EXPECT_EQ(error, "Cannot write " + target + ": File too large");
    EXPECT_EQ(readBytes(target), kOld);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>({"a.jpg"}));

    // Encoded straight into the file: the write fails inside the encoder.
    Picture noise(200, 200);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 600; ++x) {
            noise.scanLine(y)[x] = static_cast<std::uint8_t>((x * 7919 + y * 104729) % 251);
        }
    }
    const std::string encodeError = underFileSizeLimit(4096, [&] {
        writeJpegFile(noise, Rect{0, 0, 200, 200}, 100, target);
    });
    EXPECT_EQ(encodeError, "Cannot write " + target + ": File too large");
    EXPECT_EQ(readBytes(target), kOld);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>({"a.jpg"}));

    writeBytes(dir.file("big.jpg"), big);
    const std::string copyError =
        underFileSizeLimit(4096, [&] { copyFileAtomic(dir.file("big.jpg"), target); });
    EXPECT_EQ(copyError, "Cannot write " + target + ": File too large");
    EXPECT_EQ(readBytes(target), kOld);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>({"a.jpg", "big.jpg"}));
}

TEST(AtomicFile, MissingFolderAndMissingSource) {
    TempDir dir;
    const std::string target = dir.file("no/such/a.jpg");
    try {
        writeFileAtomic(target, "x", 1);
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write " + target + ": No such file or directory");
    }
    writeBytes(dir.file("a.jpg"), kOld);
    EXPECT_THROW(copyFileAtomic(dir.file("missing.jpg"), dir.file("a.jpg")), FileError);
    EXPECT_THROW(copyFileAtomic(dir.path(), dir.file("a.jpg")), FileError);
    EXPECT_EQ(readBytes(dir.file("a.jpg")), kOld);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>({"a.jpg"}));
}

// The uncut save: same bytes, the source's modification time, the source
// itself untouched.
TEST(AtomicFile, CopyKeepsModificationTimeAndSource) {
    TempDir dir;
    const std::vector<std::uint8_t> photo = makeJpegFixture(JpegFixtureOptions{});
    const std::string source = dir.file("src.jpg");
    writeBytes(source, photo);
    const timespec times[2] = {{1000000000, 0}, {1200000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
    struct stat before {};
    stat(source.c_str(), &before);
    writeBytes(dir.file("dst.jpg"), kOld);

    copyFileAtomic(source, dir.file("dst.jpg"));
    struct stat copy {};
    struct stat after {};
    stat(dir.file("dst.jpg").c_str(), &copy);
    stat(source.c_str(), &after);
    EXPECT_EQ(readBytes(dir.file("dst.jpg")), photo);
    EXPECT_EQ(copy.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(copy.st_mtim.tv_nsec, 123456789);
    EXPECT_EQ(readBytes(source), photo);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

// Passes every call on to the system and notes what reached which file.
class RecordingCalls : public FileCalls {
public:
    int createNew(const char* path, mode_t mode) const override {
        m_file = FileCalls::createNew(path, mode);
        return m_file;
    }
    int openFolder(const char* path) const override {
        m_folder = FileCalls::openFolder(path);
        return m_folder;
    }
    ssize_t write(int fd, const void* data, std::size_t size) const override {
        note("write", fd);
        return FileCalls::write(fd, data, size);
    }
    int fsync(int fd) const override {
        note("fsync", fd);
        return FileCalls::fsync(fd);
    }
    int close(int fd) const override {
        m_file = fd == m_file ? -1 : m_file;  // the number may come back for the folder
        return FileCalls::close(fd);
    }
    int rename(const char* from, const char* to) const override {
        m_log.push_back("rename");
        return FileCalls::rename(from, to);
    }
    const std::vector<std::string>& log() const { return m_log; }

private:
    void note(const char* call, int fd) const {
        const std::string what = std::string(call) + (fd == m_file     ? " file"
                                                      : fd == m_folder ? " folder"
                                                                       : " other");
        if (m_log.empty() || m_log.back() != what) {  // a long write is one step
            m_log.push_back(what);
        }
    }
    mutable int m_file = -1;
    mutable int m_folder = -1;
    mutable std::vector<std::string> m_log;
};

// A crash at any moment leaves the old file or the whole new one: the data is
// on disk before the rename, and the rename is on disk before we report done.
TEST(AtomicFile, DataThenRenameReachTheDiskInOrder) {
    TempDir dir;
    writeBytes(dir.file("src.jpg"), std::vector<std::uint8_t>(3 << 20, 9));
    const std::vector<std::string> expected = {"write file", "fsync file", "rename",
                                               "fsync folder"};
    const std::vector<std::pair<const char*, std::function<void(const FileCalls&)>>> saves = {
        {"write", [&](const FileCalls& c) { writeFileAtomic(dir.file("a.jpg"), "new", 3, c); }},
        {"copy",
         [&](const FileCalls& c) { copyFileAtomic(dir.file("src.jpg"), dir.file("b.jpg"), c); }},
    };
    for (const auto& [name, save] : saves) {
        RecordingCalls calls;
        save(calls);
        EXPECT_EQ(calls.log(), expected) << name;
    }
    EXPECT_EQ(readBytes(dir.file("a.jpg")), std::vector<std::uint8_t>({'n', 'e', 'w'}));
}

// Root may write anywhere, so the read-only folder is tried as nobody.
TEST(AtomicFile, ReadOnlyFolderAsUnprivilegedUser) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to switch to an unprivileged user";
    }
    char pattern[] = "/tmp/pictavo-ro.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    const std::string target = folder + "/a.jpg";
    writeBytes(target, kOld);
    chmod(target.c_str(), 0666);
    chmod(folder.c_str(), 0555);
    const std::string out = "/tmp/" + std::filesystem::path(folder).filename().string() + ".out";
    const SharedReadOnlyDir world;  // the build folder may be private
    const std::string probe = world.copyIn(QString::fromUtf8(PICTAVO_JPEG_PROBE)).toStdString();
    const int status = runProgram(
        {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", probe, "write", target},
        out);
    std::ifstream in(out);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(status, 1);
    EXPECT_EQ(text, "Cannot write " + target + ": Permission denied\n");
    EXPECT_EQ(readBytes(target), kOld);
    EXPECT_EQ(folderEntries(folder), std::vector<std::string>({"a.jpg"}));
    std::filesystem::remove(out);
    chmod(folder.c_str(), 0755);
    std::filesystem::remove_all(folder);
}

}  // namespace
