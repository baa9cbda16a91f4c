// Writes the fuzzer's seed corpus: one small file for each kind of JPEG the
// decoder handles. Run as: core_make_fuzz_corpus tests/data/fuzz-corpus
#include <cstdio>
#include <string>

#include "support/ExifFixtures.h"
#include "support/JpegFixtures.h"

using pictavo::test::JpegFixtureOptions;
using Colour = JpegFixtureOptions::Colour;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    struct Seed {
        const char* name;
        int width, height, h, v;
        Colour colour;
        bool progressive, arithmetic;
        int restarts;
    };
    const Seed seeds[] = {
        {"baseline420.jpg", 35, 27, 2, 2, Colour::Rgb, false, false, 0},
        {"baseline444.jpg", 24, 16, 1, 1, Colour::Rgb, false, false, 0},
        {"baseline422.jpg", 40, 8, 2, 1, Colour::Rgb, false, false, 0},
        {"restarts.jpg", 48, 32, 2, 2, Colour::Rgb, false, false, 2},
        {"progressive420.jpg", 33, 25, 2, 2, Colour::Rgb, true, false, 0},
        {"grey.jpg", 20, 20, 1, 1, Colour::Grey, false, false, 0},
        {"greyProgressive.jpg", 20, 12, 1, 1, Colour::Grey, true, false, 0},
        {"arithmetic.jpg", 30, 20, 2, 2, Colour::Rgb, false, true, 0},
        {"arithmeticProgressive.jpg", 30, 20, 2, 1, Colour::Rgb, true, true, 1},
        {"adobeCmyk.jpg", 16, 16, 1, 1, Colour::AdobeCmyk, false, false, 0},
        {"plainCmyk.jpg", 16, 8, 1, 1, Colour::PlainCmyk, false, false, 0},
        {"adobeYcck.jpg", 16, 16, 1, 1, Colour::AdobeYcck, true, false, 0},
    };
    for (const Seed& s : seeds) {
        JpegFixtureOptions o;
        o.width = s.width;
        o.height = s.height;
        o.hSampling = s.h;
        o.vSampling = s.v;
        o.colour = s.colour;
        o.progressive = s.progressive;
        o.arithmetic = s.arithmetic;
        o.restartInterval = s.restarts;
        o.quality = 75;
        pictavo::test::writeJpegFixture(argv[1], s.name, o);
    }
    // A phone's portrait photo with all the metadata a cut may keep, and its
    // EXIF block on its own (the fuzz target reads inputs as both).
    using namespace pictavo::test;
    ExifFixture exif;
    exif.orientation = 6;
    exif.pixelWidth = 24;
    exif.pixelHeight = 16;
    exif.thumbnail = makeJpegFixture({});
    JpegFixtureOptions o;
    o.width = 24;
    o.height = 16;
    o.quality = 75;
    std::vector<Segment> segments{
        {0xE1, makeExifBlock(exif)}, xmpSegment("<x:xmpmeta/>"), {0xFE, {'h', 'i'}}};
    for (Segment& icc : iccSegments(makeIccProfile("RGB ", 300))) {
        segments.push_back(std::move(icc));
    }
    const std::string folder = argv[1];
    writeBytes(folder + "/phonePortrait.jpg", withSegments(makeJpegFixture(o), segments));
    writeBytes(folder + "/exifBlock.bin", makeExifBlock(exif));
    return 0;
}
