// A phone's portrait photo (landscape pixels and an orientation tag) in the
// crop window with the photo options on: how it comes up and what is written.

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include <QDir>
#include <QTest>

#include <memory>

#include "core/JpegDecoder.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"
#include "support/ExifFixtures.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

using pictavo::Picture;
using pictavo::test::readBytes;

namespace {

// Stored 480 x 360 with orientation 6: upright it is 360 x 480.
constexpr int kStoredWidth = 480;
constexpr int kStoredHeight = 360;

// A quarter turn clockwise, written out here independently of the codec.
Picture turnedClockwise(const Picture& stored) {
    Picture out(stored.height(), stored.width());
    for (int y = 0; y < stored.height(); ++y) {
        for (int x = 0; x < stored.width(); ++x) {
            const std::uint8_t* from = stored.scanLine(y) + 3 * x;
            std::uint8_t* to = out.scanLine(x) + 3 * (stored.height() - 1 - y);
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    return out;
}

void click(TfrmImage& window, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(window.findChild<TNOEraseBackgroundImage*>(), Qt::LeftButton, modifiers,
                      QPoint(300, 300));
    window.FinishWrites();  // the cut is on disk
}

int exifOrientation(const std::vector<std::uint8_t>& jpeg) {
    for (const auto& b : pictavo::test::segmentsOf(jpeg, 0xE1)) {
        ExifData* d = exif_data_new_from_data(b.data(), static_cast<unsigned>(b.size()));
        ExifEntry* e =
            d ? exif_content_get_entry(d->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION) : nullptr;
        const int value = e ? exif_get_short(e->data, exif_data_get_byte_order(d)) : 0;
        if (d) {
            exif_data_unref(d);
        }
        if (value != 0) {
            return value;
        }
    }
    return 0;
}

}  // namespace

class TfrmImageUprightTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void portraitComesUpWithAPortraitFrame();
    void theCutIsTheUprightPictureAsCjpegWritesIt();
    void keptMetadataNoLongerTurnsTheCut();
    void uncutSaveStaysAByteCopy();
    void anOptionChangedAfterDecodingAheadCountsForTheNextPicture();

private:
    QString dest(const char* name) const { return QString::fromStdString(m_dir->file(name)); }

    std::unique_ptr<pictavo::test::TempDir> m_dir;
    std::unique_ptr<TfrmImage> m_window;
    QString m_photo;
    std::vector<std::uint8_t> m_icc = pictavo::test::makeIccProfile("RGB ", 3000);
};

void TfrmImageUprightTest::init() {
    m_dir = std::make_unique<pictavo::test::TempDir>();
    pictavo::test::JpegFixtureOptions o;
    o.width = kStoredWidth;
    o.height = kStoredHeight;
    pictavo::test::ExifFixture exif;
    exif.orientation = 6;
    exif.thumbnail = pictavo::test::makeJpegFixture({});
    std::vector<pictavo::test::Segment> segments{{0xE1, pictavo::test::makeExifBlock(exif)}};
    for (auto& s : pictavo::test::iccSegments(m_icc)) {
        segments.push_back(std::move(s));
    }
    m_photo = QString::fromStdString(m_dir->file("phone.jpg"));
    pictavo::test::writeBytes(m_photo.toStdString(),
                              pictavo::test::withSegments(makeJpegFixture(o), segments));
    m_window = std::make_unique<TfrmImage>();
    m_window->m_bAutoRotate = true;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TfrmImageUprightTest::cleanup() {
    m_window.reset();
    m_dir.reset();
}

void TfrmImageUprightTest::portraitComesUpWithAPortraitFrame() {
    m_window->ShowImage(m_photo, dest("_a.jpg"));
    const pictavo::Rect frame = m_window->cropRect();
    QVERIFY(frame.height() > frame.width());
    QCOMPARE(frame.bottom - frame.top, kStoredWidth);  // the full upright height
    // The view is as high as the 1280 x 800 screen and narrower than it.
    QCOMPARE(m_window->GetImageSize(), QSize(600, 800));
}

void TfrmImageUprightTest::theCutIsTheUprightPictureAsCjpegWritesIt() {
    const std::string pnm = m_dir->file("stored.ppm");
    QCOMPARE(pictavo::test::runProgram({"djpeg", "-pnm", "-outfile", pnm, m_photo.toStdString()}),
             0);
    const Picture upright = turnedClockwise(pictavo::test::readPnm(pnm));
    m_window->SetQuality(88);
    m_window->ShowImage(m_photo, dest("_b.jpg"));
    click(*m_window);
    const auto want =
        pictavo::test::cjpegReference(upright, m_window->cropRect(), 88, m_dir->path());
    QVERIFY(!want.empty());
    QVERIFY(readBytes(dest("_b.jpg").toStdString()) == want);
}

void TfrmImageUprightTest::keptMetadataNoLongerTurnsTheCut() {
    m_window->m_bKeepMetadata = true;
    m_window->ShowImage(m_photo, dest("_c.jpg"));
    click(*m_window);
    const auto written = readBytes(dest("_c.jpg").toStdString());
    QCOMPARE(exifOrientation(written), 1);
    const auto back = pictavo::decodeJpegMemory(written.data(), written.size(), {false, true});
    QVERIFY(back.metadata.icc == m_icc);
    QVERIFY(back.picture.height() > back.picture.width());
}

void TfrmImageUprightTest::uncutSaveStaysAByteCopy() {
    m_window->m_bKeepMetadata = true;
    m_window->ShowImage(m_photo, dest("_d.jpg"));
    click(*m_window, Qt::ShiftModifier);
    QVERIFY(readBytes(dest("_d.jpg").toStdString()) == readBytes(m_photo.toStdString()));
}

void TfrmImageUprightTest::anOptionChangedAfterDecodingAheadCountsForTheNextPicture() {
    for (const bool upright : {false, true, false}) {
        m_window->m_bAutoRotate = !upright;
        m_window->Prefetch(m_photo);
        m_window->m_bAutoRotate = upright;
        m_window->ShowImage(m_photo, dest("_e.jpg"));
        const pictavo::Rect frame = m_window->cropRect();
        QCOMPARE(frame.height() > frame.width(), upright);
    }
}

PICTAVO_QTEST_MAIN(TfrmImageUprightTest)
#include "TfrmImageUprightTest.moc"
