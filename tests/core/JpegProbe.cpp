// Runs one codec operation and prints its outcome, so tests can run it as
// another user: "decode FILE" prints "W x H" or the error; "write FILE" writes
// a few bytes atomically and prints "written" or the error.
#include <cstdio>
#include <cstring>
#include <exception>

#include "core/AtomicFile.h"
#include "core/JpegDecoder.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s decode|write FILE\n", argv[0]);
        return 2;
    }
    try {
        if (std::strcmp(argv[1], "decode") == 0) {
            const pictavo::Picture p = pictavo::decodeJpegFile(argv[2]);
            std::printf("%d x %d\n", p.width(), p.height());
        } else {
            pictavo::writeFileAtomic(argv[2], "new", 3);
            std::printf("written\n");
        }
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
    return 0;
}
