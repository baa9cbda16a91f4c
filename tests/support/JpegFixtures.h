#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Picture.h"

namespace pictavo::test {

// How a fixture file is encoded. Sampling factors are those of the luma
// (first) component; the others are 1 x 1: 1x1 is 4:4:4, 2x1 4:2:2, 2x2 4:2:0.
struct JpegFixtureOptions {
    enum class Colour { Rgb, Grey, AdobeCmyk, PlainCmyk, AdobeYcck };

    int width = 32;
    int height = 24;
    Colour colour = Colour::Rgb;
    int quality = 90;
    int hSampling = 2;
    int vSampling = 2;
    bool progressive = false;
    bool arithmetic = false;
    int restartInterval = 0;  // in MCUs; 0 for none
};

// The fixtures' picture: red rises from left to right, green from top to
// bottom, blue is what remains. Smooth, so a decoded fixture stays within a
// few levels of it.
struct Rgb {
    std::uint8_t red, green, blue;
};
Rgb fixturePixel(int x, int y, int width, int height);
// The pattern as a picture, and its grey version (what a grey fixture holds).
Picture fixturePicture(int width, int height);
std::uint8_t fixtureGrey(int x, int y, int width, int height);

// Encodes the pattern with libjpeg directly (independent of our encoder).
std::vector<std::uint8_t> makeJpegFixture(const JpegFixtureOptions& options);
// The same, written into `folder` as `name`; returns the path.
std::string writeJpegFixture(const std::string& folder, const std::string& name,
                             const JpegFixtureOptions& options);

// File helpers for tests.
std::vector<std::uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Offset of the first SOFn marker (FF C0..CF except C4, C8, CC), or npos.
std::size_t findStartOfFrame(const std::vector<std::uint8_t>& jpeg);

}  // namespace pictavo::test
