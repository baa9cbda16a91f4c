#include "crop/PrintSize.h"

#include <gtest/gtest.h>

#include <string>

using namespace pictavo::print;

namespace {

TEST(PrintSizes, EachNamedSizeIsFoundWithItsRatioAndOthersAreNone) {
    struct Row {
        const char* name;
        long double ratio;
    };
    // The ratio is the long side over the short side.
    const Row rows[] = {
        {"9 \u00d7 13 cm", 13.0L / 9},
        {"10 \u00d7 15 cm", 1.5L},
        {"13 \u00d7 18 cm", 18.0L / 13},
        {"15 \u00d7 20 cm", 20.0L / 15},
        {"20 \u00d7 30 cm", 1.5L},
        {"30 \u00d7 45 cm", 1.5L},
        {"A4", 297.0L / 210},
        {"4 \u00d7 6 in", 1.5L},
        {"5 \u00d7 7 in", 1.4L},
    };
    ASSERT_EQ(printSizes().size(), std::size(rows));
    for (const Row& row : rows) {
        const PrintSize* size = findPrintSize(row.name);
        ASSERT_NE(size, nullptr) << row.name;
        EXPECT_NEAR(static_cast<double>(size->ratio()), static_cast<double>(row.ratio), 1e-12)
            << row.name;
    }
    for (const char* other : {"", "None", "10 x 15 cm", "10 \u00d7 15 cm ", "A5"}) {
        EXPECT_EQ(findPrintSize(other), nullptr) << other;
    }
}

TEST(PrintReadout, LongSideOverInchesRoundedDownWithItsSharpness) {
    struct Row {
        const char* size;
        int width;
        int height;
        Readout expected;
    };
    const Row rows[] = {
        // 15 cm is 5.906 in: 2400 / 5.906 = 406.4; the long side counts.
        {"10 \u00d7 15 cm", 1600, 2400, {406, Sharpness::Sharp}},
        // 1182 pixels make 200.15, 1181 make 199.98; 886 make 150.03, 885 149.86.
        {"10 \u00d7 15 cm", 1182, 788, {200, Sharpness::Sharp}},
        {"10 \u00d7 15 cm", 1181, 788, {199, Sharpness::Soft}},
        {"10 \u00d7 15 cm", 886, 591, {150, Sharpness::Soft}},
        {"10 \u00d7 15 cm", 885, 590, {149, Sharpness::VerySoft}},
        // A4 at 300 ppi is 3508 pixels long; 5 x 7 in exactly 150 at 1050.
        {"A4", 3508, 2481, {300, Sharpness::Sharp}},
        {"5 \u00d7 7 in", 1050, 750, {150, Sharpness::Soft}},
        // A cut larger than a widget's limit does not overflow.
        {"9 \u00d7 13 cm", 60000, 40000, {11723, Sharpness::Sharp}},
    };
    for (const Row& row : rows) {
        const PrintSize* size = findPrintSize(row.size);
        ASSERT_NE(size, nullptr) << row.size;
        EXPECT_EQ(printReadout({row.width, row.height}, *size), row.expected)
            << row.size << ' ' << row.width << 'x' << row.height;
    }
}

}  // namespace
