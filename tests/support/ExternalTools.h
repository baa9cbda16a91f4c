#pragma once

#include <string>
#include <vector>

#include "core/Picture.h"
#include "core/Rect.h"

namespace pictavo::test {

// Runs a program (looked up in PATH) with its output going to `outputPath`
// (or inherited when empty); returns its exit status, or -1 when it did not
// exit normally.
int runProgram(const std::vector<std::string>& args, const std::string& outputPath = {});

// Reads a binary PGM (P5, grey to 24-bit) or PPM (P6) file with maxval 255.
Picture readPnm(const std::string& path);

// Writes the rectangle `area` of `picture` as a binary PPM, black outside the
// picture.
void writePpm(const std::string& path, const Picture& picture, const Rect& area);

// True when both pictures have the same size and the same pixels.
bool samePixels(const Picture& a, const Picture& b);

}  // namespace pictavo::test
