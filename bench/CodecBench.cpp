// Decoding a 24-megapixel photograph and encoding a 4000 x 2667 cut at
// quality 100, each next to the library's own tools on the same files, and
// our time over theirs (the same library does the work, so the ratio shows
// our overhead). Then what the photo options add: turning a phone's portrait
// photo upright as it is decoded, and carrying its metadata into a cut.
#include <benchmark/benchmark.h>
#include <string>
#include <vector>

#include "BenchPhotos.h"
#include "RatioReporter.h"
#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"
#include "support/ExifFixtures.h"
#include "support/JpegFixtures.h"

namespace {

using pictavo::bench::BenchFiles;
using pictavo::bench::timeProgramRuns;

const BenchFiles& files() {
    static const BenchFiles f = pictavo::bench::prepareBenchFiles();
    return f;
}

void BM_Decode24mp_Ours(benchmark::State& state) {
    const std::string path = files().photo24;
    for (auto _ : state) {
        pictavo::Picture p = pictavo::decodeJpegFile(path);
        benchmark::DoNotOptimize(p.scanLine(0));
    }
}

// The photos of one camera share a size: each decode reuses the raster of
// the one before instead of a fresh one from the kernel.
void BM_Decode24mp_OursReusing(benchmark::State& state) {
    const std::string path = files().photo24;
    pictavo::Picture picture;
    for (auto _ : state) {
        picture = pictavo::decodeJpegFileReusing(path, std::move(picture));
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
}

void BM_Decode24mp_Djpeg(benchmark::State& state) {
    timeProgramRuns(state, {"djpeg", "-outfile", "/dev/null", files().photo24});
}

void BM_EncodeCut_Ours(benchmark::State& state) {
    const pictavo::Picture picture = pictavo::decodeJpegFile(files().photo24);
    const pictavo::Rect cut{1000, 667, 5000, 3334};
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes = pictavo::encodeJpeg(picture, cut, 100);
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_EncodeCut_Cjpeg(benchmark::State& state) {
    timeProgramRuns(state, {"cjpeg", "-quality", "100", "-dct", "float", "-outfile",
                            files().scratch, files().cutPpm});
}

// The 24-megapixel photo as a phone stores a portrait: orientation 6, a
// thumbnail, a colour profile of the usual size.
const std::string& phonePhoto() {
    static const std::string path = [] {
        using namespace pictavo::test;
        ExifFixture exif;
        exif.orientation = 6;
        exif.pixelWidth = 6000;
        exif.pixelHeight = 4000;
        JpegFixtureOptions thumbnail;
        thumbnail.width = 160;
        thumbnail.height = 120;
        exif.thumbnail = makeJpegFixture(thumbnail);
        std::vector<Segment> segments{{0xE1, makeExifBlock(exif)}};
        for (Segment& s : iccSegments(makeIccProfile("RGB ", 3144))) {
            segments.push_back(std::move(s));
        }
        const std::string tagged = files().scratch + ".phone.jpg";
        writeBytes(tagged, withSegments(readBytes(files().photo24), segments));
        return tagged;
    }();
    return path;
}

// The same file decoded as stored and decoded upright: the difference is
// what turning costs.
void BM_DecodePhone_AsStored(benchmark::State& state) {
    pictavo::Picture picture;
    for (auto _ : state) {
        picture = pictavo::decodeJpeg(phonePhoto(), {}, std::move(picture)).picture;
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
}

void BM_DecodePhone_Upright(benchmark::State& state) {
    pictavo::Picture picture;
    for (auto _ : state) {
        picture = pictavo::decodeJpeg(phonePhoto(), {true, false}, std::move(picture)).picture;
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
}

// A small cut with and without the phone photo's metadata: the difference is
// what keeping it adds to a save (reading the EXIF block again, making it
// true for the cut, writing the segments).
void encodeSmallCut(benchmark::State& state, bool keep) {
    const pictavo::DecodedJpeg source = pictavo::decodeJpeg(phonePhoto(), {true, true});
    const pictavo::Rect cut{100, 100, 164, 164};
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes =
            pictavo::encodeJpeg(source.picture, cut, 100, keep ? &source.metadata : nullptr);
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_EncodeSmallCut_Plain(benchmark::State& state) {
    encodeSmallCut(state, false);
}

void BM_EncodeSmallCut_KeepingMetadata(benchmark::State& state) {
    encodeSmallCut(state, true);
}

constexpr int kRepetitions = 7;

BENCHMARK(BM_Decode24mp_Ours)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Decode24mp_OursReusing)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Decode24mp_Djpeg)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EncodeCut_Ours)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EncodeCut_Cjpeg)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodePhone_AsStored)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodePhone_Upright)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EncodeSmallCut_Plain)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EncodeSmallCut_KeepingMetadata)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    return pictavo::bench::runComparing(
        argc, argv, "bench_codec", [] { files(); },
        [](pictavo::bench::RatioReporter& reporter) {
            // The same library does the work on both sides: the ratio is our overhead.
            constexpr double kTarget = 1.05;
            reporter.printRatio("decode 6000 x 4000, fresh raster", "BM_Decode24mp_Ours",
                                "BM_Decode24mp_Djpeg", kTarget);
            reporter.printRatio("decode 6000 x 4000, reused raster", "BM_Decode24mp_OursReusing",
                                "BM_Decode24mp_Djpeg", kTarget);
            reporter.printRatio("encode 4000 x 2667 q100", "BM_EncodeCut_Ours",
                                "BM_EncodeCut_Cjpeg", kTarget);
            reporter.printExtra("turning a 6000 x 4000 phone photo upright",
                                "BM_DecodePhone_Upright", "BM_DecodePhone_AsStored", "ms", 40);
            reporter.printExtra("keeping the phone photo's metadata in a cut",
                                "BM_EncodeSmallCut_KeepingMetadata", "BM_EncodeSmallCut_Plain",
                                "us", 2000);
        });
}
