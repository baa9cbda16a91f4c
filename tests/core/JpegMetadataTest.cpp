// Keeping a photo's metadata in its written cut, and refusing damaged EXIF.
#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "core/JpegDecoder.h"
#include "core/JpegEncoder.h"
#include "core/XmpOrientation.h"
#include "support/ExifFixtures.h"
#include "support/JpegFixtures.h"

using namespace pictavo;
using namespace pictavo::test;

namespace {

constexpr DecodeOptions kBoth{.upright = true, .keepMetadata = true};

struct ExifFree {
    void operator()(ExifData* d) const { exif_data_unref(d); }
};
using ExifPtr = std::unique_ptr<ExifData, ExifFree>;

// The written file's EXIF block as libexif reads it, or null.
ExifPtr exifOf(const std::vector<std::uint8_t>& jpeg) {
    const auto blocks = segmentsOf(jpeg, 0xE1);
    for (const auto& b : blocks) {
        if (b.size() > 6 && std::equal(b.begin(), b.begin() + 6, "Exif\0\0")) {
            // As written: libexif's own fixing up would add and drop entries.
            ExifPtr data(exif_data_new());
            exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
            exif_data_load_data(data.get(), b.data(), static_cast<unsigned>(b.size()));
            return data;
        }
    }
    return nullptr;
}

std::optional<long> number(ExifData* d, ExifIfd ifd, ExifTag tag) {
    ExifEntry* e = exif_content_get_entry(d->ifd[ifd], tag);
    if (!e) {
        return std::nullopt;
    }
    const ExifByteOrder order = exif_data_get_byte_order(d);
    return e->format == EXIF_FORMAT_SHORT ? exif_get_short(e->data, order)
                                          : static_cast<long>(exif_get_long(e->data, order));
}

std::string text(ExifData* d, ExifIfd ifd, ExifTag tag) {
    ExifEntry* e = exif_content_get_entry(d->ifd[ifd], tag);
    return e ? std::string(reinterpret_cast<const char*>(e->data)) : std::string();
}

const std::string kRdf = R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF )"
                         R"(xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">)";
const std::string kRdfEnd = "</rdf:RDF></x:xmpmeta>";
const std::string kTiff = R"(xmlns:tiff="http://ns.adobe.com/tiff/1.0/")";

std::string phoneXmp(char orientation) {
    return kRdf + "<rdf:Description " + kTiff + " tiff:Orientation=\"" + orientation + "\"/>" +
           kRdfEnd;
}

// A phone's portrait photo: landscape pixels, orientation 6 (in EXIF and
// XMP), a thumbnail, a colour profile over two segments, an XMP packet and a
// comment.
struct PhoneFile {
    std::vector<std::uint8_t> icc = makeIccProfile("RGB ", 70000);
    std::vector<std::uint8_t> bytes;
    explicit PhoneFile(std::vector<std::uint8_t> exif) {
        JpegFixtureOptions o;
        o.width = 96;
        o.height = 64;
        std::vector<Segment> segments{{0xE1, std::move(exif)}, xmpSegment(phoneXmp('6'))};
        for (Segment& s : iccSegments(icc)) {
            segments.push_back(std::move(s));
        }
        const std::string comment = "holiday";
        segments.push_back({0xFE, {comment.begin(), comment.end()}});
        bytes = withSegments(makeJpegFixture(o), segments);
    }
};

std::vector<std::uint8_t> phoneExif(int orientation) {
    ExifFixture f;
    f.orientation = orientation;
    f.pixelWidth = 96;
    f.pixelHeight = 64;
    f.thumbnail = makeJpegFixture({});
    f.thumbnailResolution = true;
    return makeExifBlock(f);
}

struct KeepCase {
    const char* name;
    bool upright;
    int wantOrientation;
};

std::string xmpText(const std::vector<std::uint8_t>& segment) {
    return std::string(segment.begin() + 29, segment.end());
}

class KeptInTheCut : public ::testing::TestWithParam<KeepCase> {};

TEST_P(KeptInTheCut, DateCameraAndProfileWithoutStaleParts) {
    const PhoneFile phone(phoneExif(6));
    const DecodedJpeg source =
        decodeJpegMemory(phone.bytes.data(), phone.bytes.size(),
                         {.upright = GetParam().upright, .keepMetadata = true});
    const Rect cut{4, 8, 44, 38};
    const std::vector<std::uint8_t> written = encodeJpeg(source.picture, cut, 90, &source.metadata);

    const ExifPtr exif = exifOf(written);
    ASSERT_TRUE(exif);
    EXPECT_EQ(number(exif.get(), EXIF_IFD_0, EXIF_TAG_ORIENTATION), GetParam().wantOrientation);
    EXPECT_EQ(text(exif.get(), EXIF_IFD_0, EXIF_TAG_MODEL), "Pictavo Test Phone");
    EXPECT_EQ(text(exif.get(), EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL), "2024:06:01 12:34:56");
    EXPECT_EQ(number(exif.get(), EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION), 40);
    EXPECT_EQ(number(exif.get(), EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION), 30);
    EXPECT_EQ(exif->size, 0u);
    EXPECT_EQ(exif->ifd[EXIF_IFD_1]->count, 0u);

    const DecodedJpeg back =
        decodeJpegMemory(written.data(), written.size(), {.upright = false, .keepMetadata = true});
    EXPECT_EQ(back.metadata.icc, phone.icc);
    ASSERT_EQ(back.metadata.xmp.size(), 1u);
    EXPECT_EQ(xmpText(back.metadata.xmp[0]),
              phoneXmp(static_cast<char>('0' + GetParam().wantOrientation)));
    ASSERT_EQ(back.metadata.comments.size(), 1u);
    EXPECT_EQ(std::string(back.metadata.comments[0].begin(), back.metadata.comments[0].end()),
              "holiday");
    EXPECT_EQ(back.picture.width(), 40);
}

INSTANTIATE_TEST_SUITE_P(
    Options, KeptInTheCut,
    ::testing::Values(KeepCase{"TurnedUpright", true, 1},
                      // Pixels as stored: the tag still tells viewers how to turn them.
                      KeepCase{"AsStored", false, 6}),
    [](const auto& p) { return std::string(p.param.name); });

struct DamageCase {
    const char* name;
    ExifDamage damage;
};

class DamagedExif : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedExif, LoadsUnturnedAndIsNotCarried) {
    const PhoneFile phone(damagedExifBlock(GetParam().damage));
    const DecodedJpeg d = decodeJpegMemory(phone.bytes.data(), phone.bytes.size(), kBoth);
    EXPECT_EQ(d.picture.width(), 96);
    EXPECT_EQ(d.turned, Orientation::Normal);
    EXPECT_TRUE(d.metadata.exif.empty());
    const std::vector<std::uint8_t> written =
        encodeJpeg(d.picture, {0, 0, 50, 40}, 90, &d.metadata);
    EXPECT_FALSE(exifOf(written));
    // The other parts are sound and still kept.
    EXPECT_EQ(decodeJpegMemory(written.data(), written.size(), kBoth).metadata.icc, phone.icc);
}

INSTANTIATE_TEST_SUITE_P(Blocks, DamagedExif,
                         ::testing::Values(DamageCase{"Loop", ExifDamage::Loop},
                                           DamageCase{"OffsetPastEnd", ExifDamage::OffsetPastEnd},
                                           DamageCase{"Truncated", ExifDamage::Truncated}),
                         [](const auto& p) { return std::string(p.param.name); });

// Written pixels are RGB: a profile for grey or CMYK would misdescribe them.
TEST(KeptProfile, OnlyAnRgbProfileIsCarried) {
    for (const char* space : {"GRAY", "CMYK", "RGB "}) {
        const std::vector<std::uint8_t> profile = makeIccProfile(space, 400);
        const auto file = withSegments(makeJpegFixture({}), iccSegments(profile));
        const DecodedJpeg d = decodeJpegMemory(file.data(), file.size(), kBoth);
        EXPECT_EQ(d.metadata.icc, profile) << space;
        const auto written = encodeJpeg(d.picture, {0, 0, 10, 10}, 90, &d.metadata);
        const bool kept = !segmentsOf(written, 0xE2).empty();
        EXPECT_EQ(kept, std::string(space) == "RGB ") << space;
    }
}

struct XmpCase {
    const char* name;
    std::string packet;
    std::optional<std::string> want;  // nullopt: the packet is left out
};

// XMP kept with turned pixels says orientation 1, whatever way it wrote the
// orientation, and is otherwise copied as it was.
TEST(KeptXmp, OrientationOfTurnedPixelsBecomesOne) {
    const std::string described = kRdf + "<rdf:Description " + kTiff;
    const XmpCase cases[] = {
        {"attribute, and its text in another value untouched",
         described + R"( tiff:Make="A" tiff:Orientation="6" tiff:Model='tiff:Orientation="6"'/>)" +
             kRdfEnd,
         described + R"( tiff:Make="A" tiff:Orientation="1" tiff:Model='tiff:Orientation="6"'/>)" +
             kRdfEnd},
        {"element in a packet wrapper",
         "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>" + described +
             ">\n <tiff:Orientation>8</tiff:Orientation>\n</rdf:Description>" + kRdfEnd +
             "\n   \n<?xpacket end=\"w\"?>",
         "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>" + described +
             ">\n <tiff:Orientation>1</tiff:Orientation>\n</rdf:Description>" + kRdfEnd +
             "\n   \n<?xpacket end=\"w\"?>"},
        {"another prefix for the same namespace",
         kRdf +
             R"(<rdf:Description xmlns:t="http://ns.adobe.com/tiff/1.0/" t:Orientation = '3'/>)" +
             kRdfEnd,
         kRdf +
             R"(<rdf:Description xmlns:t="http://ns.adobe.com/tiff/1.0/" t:Orientation = '1'/>)" +
             kRdfEnd},
        {"an orientation of another namespace",
         kRdf + R"(<rdf:Description xmlns:my="http://example.com/my/" my:Orientation="6"/>)" +
             kRdfEnd,
         kRdf + R"(<rdf:Description xmlns:my="http://example.com/my/" my:Orientation="6"/>)" +
             kRdfEnd},
        {"an element with a longer value, then an attribute",
         described + "><tiff:Orientation> 6 </tiff:Orientation></rdf:Description>" +
             "<rdf:Description " + kTiff + " tiff:Orientation=\"8\"/>" + kRdfEnd,
         described + "><tiff:Orientation>1</tiff:Orientation></rdf:Description>" +
             "<rdf:Description " + kTiff + " tiff:Orientation=\"1\"/>" + kRdfEnd},
        {"not well-formed", described + R"( tiff:Orientation="6">)" + kRdfEnd, std::nullopt},
        {"value written as a character reference",
         described + R"( tiff:Orientation="&#54;"/>)" + kRdfEnd, std::nullopt},
        {"value as a structure",
         described + R"(><tiff:Orientation rdf:parseType="Resource"><rdf:value>6</rdf:value>)" +
             "</tiff:Orientation></rdf:Description>" + kRdfEnd,
         std::nullopt},
    };
    for (const XmpCase& c : cases) {
        EXPECT_EQ(xmpForUprightPixels(c.packet), c.want) << c.name;
        // Pixels as stored: every packet is copied as it is.
        const auto file = withSegments(makeJpegFixture({}), {xmpSegment(c.packet)});
        const DecodedJpeg d =
            decodeJpegMemory(file.data(), file.size(), {.upright = false, .keepMetadata = true});
        const auto written = encodeJpeg(d.picture, {0, 0, 10, 10}, 90, &d.metadata);
        const auto kept = segmentsOf(written, 0xE1);
        ASSERT_EQ(kept.size(), 1u) << c.name;
        EXPECT_EQ(xmpText(kept[0]), c.packet) << c.name;
    }
}

TEST(KeptMetadata, NothingIsKeptWithoutTheOption) {
    const PhoneFile phone(phoneExif(6));
    const DecodedJpeg d = decodeJpegMemory(phone.bytes.data(), phone.bytes.size(),
                                           {.upright = true, .keepMetadata = false});
    EXPECT_TRUE(d.metadata.empty());
    EXPECT_EQ(d.picture.width(), 64);
}

}  // namespace
