#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Picture.h"
#include "core/Rect.h"

namespace pictavo::test {

// Runs a program (looked up in PATH) with its output going to `outputPath`
// (or inherited when empty); returns its exit status, or -1 when it did not
// exit normally. Throws std::runtime_error when it cannot be started.
int runProgram(const std::vector<std::string>& args, const std::string& outputPath = {});

// One run of a program, as runProgram, with the time it took: from the start
// to its end, and the processor time it used (user and system, which hardly
// depends on what else the machine does).
struct ProgramRun {
    int status = -1;
    double seconds = 0;
    double cpuSeconds = 0;
};
ProgramRun runProgramTimed(const std::vector<std::string>& args,
                           const std::string& outputPath = {});

// Reads a binary PGM (P5, grey to 24-bit) or PPM (P6) file with maxval 255.
Picture readPnm(const std::string& path);

// Writes the rectangle `area` of `picture` as a binary PPM, black outside the
// picture.
void writePpm(const std::string& path, const Picture& picture, const Rect& area);

// What the library's own tool writes for the same pixels:
// `cjpeg -quality Q -dct float -baseline` of `area` of `picture`, black outside
// the picture. Empty when cjpeg could not be run. `scratch` is a folder for the
// intermediate files.
std::vector<std::uint8_t> cjpegReference(const Picture& picture, const Rect& area, int quality,
                                         const std::string& scratch);

// "WxH+X+Y", the geometry jpegtran's -crop takes for `area`.
std::string cropGeometry(const Rect& area);

// What the library's own tool writes for a lossless cut of the JPEG file
// `photo`: `jpegtran -copy none <switches> -crop WxH+X+Y`. Empty when jpegtran
// refuses. `scratch` is a folder for the intermediate files.
std::vector<std::uint8_t> jpegtranReference(const std::vector<std::uint8_t>& photo,
                                            const Rect& area, const std::string& scratch,
                                            const std::vector<std::string>& switches = {});

// True when both pictures have the same size and the same pixels.
bool samePixels(const Picture& a, const Picture& b);

}  // namespace pictavo::test
