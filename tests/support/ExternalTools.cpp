#include "support/ExternalTools.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "support/JpegFixtures.h"

extern char** environ;

namespace pictavo::test {

int runProgram(const std::vector<std::string>& args, const std::string& outputPath) {
    return runProgramTimed(args, outputPath).status;
}

ProgramRun runProgramTimed(const std::vector<std::string>& args, const std::string& outputPath) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outputPath.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("Cannot start " + args[0] + ": " + std::strerror(spawned));
    }
    int status = 0;
    rusage usage{};
    pid_t waited = -1;
    while ((waited = wait4(pid, &status, 0, &usage)) < 0 && errno == EINTR) {
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return {waited == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1, took.count(),
            seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

Picture readPnm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0;
    int height = 0;
    int maxval = 0;
    in >> magic >> width >> height >> maxval;
    in.get();
    if (!in || (magic != "P5" && magic != "P6") || maxval != 255) {
        throw std::runtime_error("Not a binary 8-bit PNM file: " + path);
    }
    const int channels = magic == "P6" ? 3 : 1;
    Picture picture(width, height);
    std::vector<char> row(static_cast<std::size_t>(width) * channels);
    for (int y = 0; y < height; ++y) {
        in.read(row.data(), static_cast<std::streamsize>(row.size()));
        std::uint8_t* out = picture.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const auto* p = reinterpret_cast<const std::uint8_t*>(row.data()) + x * channels;
            out[3 * x] = p[channels == 3 ? 2 : 0];
            out[3 * x + 1] = p[channels == 3 ? 1 : 0];
            out[3 * x + 2] = p[0];
        }
    }
    if (!in) {
        throw std::runtime_error("Truncated PNM file: " + path);
    }
    return picture;
}

void writePpm(const std::string& path, const Picture& picture, const Rect& area) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P6\n" << area.width() << " " << area.height() << "\n255\n";
    std::vector<char> row(static_cast<std::size_t>(area.width()) * 3);
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            char* p = row.data() + (x - area.left) * 3;
            const bool inside = x >= 0 && y >= 0 && x < picture.width() && y < picture.height();
            const std::uint8_t* bgr = inside ? picture.scanLine(y) + 3 * x : nullptr;
            p[0] = inside ? static_cast<char>(bgr[2]) : 0;
            p[1] = inside ? static_cast<char>(bgr[1]) : 0;
            p[2] = inside ? static_cast<char>(bgr[0]) : 0;
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    if (!out) {
        throw std::runtime_error("Cannot write " + path);
    }
}

std::vector<std::uint8_t> cjpegReference(const Picture& picture, const Rect& area, int quality,
                                         const std::string& scratch) {
    const std::string ppm = scratch + "/reference.ppm";
    const std::string jpg = scratch + "/reference.jpg";
    writePpm(ppm, picture, area);
    if (runProgram({"cjpeg", "-quality", std::to_string(quality), "-dct", "float", "-baseline",
                    "-outfile", jpg, ppm}) != 0) {
        return {};
    }
    return readBytes(jpg);
}

std::string cropGeometry(const Rect& area) {
    return std::to_string(area.width()) + "x" + std::to_string(area.height()) + "+" +
           std::to_string(area.left) + "+" + std::to_string(area.top);
}

std::vector<std::uint8_t> jpegtranReference(const std::vector<std::uint8_t>& photo,
                                            const Rect& area, const std::string& scratch,
                                            const std::vector<std::string>& switches) {
    const std::string source = scratch + "/jpegtran-source.jpg";
    const std::string out = scratch + "/jpegtran.jpg";
    writeBytes(source, photo);
    std::vector<std::string> args = {"jpegtran", "-copy", "none"};
    args.insert(args.end(), switches.begin(), switches.end());
    args.insert(args.end(), {"-crop", cropGeometry(area), source});
    if (runProgram(args, out) != 0) {
        return {};
    }
    return readBytes(out);
}

bool samePixels(const Picture& a, const Picture& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        return false;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(a.width()) * 3;
    for (int y = 0; y < a.height(); ++y) {
        if (rowBytes != 0 && std::memcmp(a.scanLine(y), b.scanLine(y), rowBytes) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace pictavo::test
