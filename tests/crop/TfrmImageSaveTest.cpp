// Saving from the crop window with real clicks: the cut as libjpeg's cjpeg
// would write it, the uncut copy, the overwrite question, the counters and
// the failure paths.

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "core/JpegDecoder.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"
#include "support/ExternalTools.h"
#include "support/FormatFixtures.h"
#include "support/JpegFixtures.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

using pictavo::Rect;
using pictavo::test::readBytes;

namespace {

TNOEraseBackgroundImage* viewOf(TfrmImage& window) {
    return window.findChild<TNOEraseBackgroundImage*>();
}

void click(TfrmImage& window, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(viewOf(window), Qt::LeftButton, modifiers, QPoint(300, 300));
}

// A click, then the wait until its cut is on disk (or its failure reported).
void clickAndWrite(TfrmImage& window, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    click(window, modifiers);
    window.FinishWrites();
}

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

}  // namespace

class TfrmImageSaveTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void leftClickWritesTheCutAtTheChosenQuality();
    void shiftClickCopiesTheFileByteForByte();
    void otherFormatsAreCutAndSavedAsTheirDecodedPixels();
    void overwriteQuestionAskedOnceAndNoWritesNothing();
    void withoutConfirmationAnEarlierFileIsReplaced();
    void aSecondClickBeforeTheNextPictureDoesNothing();
    void failedWriteKeepsThePictureWithBlackStrips();
    void failedCopyNamesBothPaths();
    void theCutIsWrittenBehindTheNextPictureAndBackWaitsForIt();
    void aFrameKeptInsideAWidePhotoCutsItsSides();
    void aLongWaitForTheLastCutsSaysSoInTheWindowsTexts();

private:
    QString source(const std::string& name, int width, int height);
    QString dest(const std::string& name) const;

    std::unique_ptr<pictavo::test::TempDir> m_dir;
    std::unique_ptr<TfrmImage> m_window;
};

void TfrmImageSaveTest::init() {
    m_dir = std::make_unique<pictavo::test::TempDir>();
    QDir().mkpath(QString::fromStdString(m_dir->file("src")));
    QDir().mkpath(QString::fromStdString(m_dir->file("dest")));
    m_window = std::make_unique<TfrmImage>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TfrmImageSaveTest::cleanup() {
    m_window.reset();
    m_dir.reset();
}

QString TfrmImageSaveTest::source(const std::string& name, int width, int height) {
    pictavo::test::JpegFixtureOptions options;
    options.width = width;
    options.height = height;
    options.quality = 95;
    return QString::fromStdString(
        pictavo::test::writeJpegFixture(m_dir->file("src"), name, options));
}

QString TfrmImageSaveTest::dest(const std::string& name) const {
    return QString::fromStdString(m_dir->file("dest/" + name));
}

void TfrmImageSaveTest::leftClickWritesTheCutAtTheChosenQuality() {
    const QString photo = source("a.jpg", 480, 360);
    const pictavo::Picture pixels = pictavo::decodeJpegFile(photo.toStdString());
    for (int quality : {85, 30}) {
        const QString target = dest("_a" + std::to_string(quality) + ".jpg");
        m_window->SetQuality(quality);
        m_window->ShowImage(photo, target);
        QCOMPARE(m_window->cropRect(), (Rect{0, 20, 480, 340}));
        clickAndWrite(*m_window);
        const auto want =
            pictavo::test::cjpegReference(pixels, {0, 20, 480, 340}, quality, m_dir->path());
        QVERIFY(!want.empty());
        QVERIFY(readBytes(target.toStdString()) == want);
        QCOMPARE(m_window->m_nState, 2);
        QVERIFY(!m_window->tracking());
    }
    QCOMPARE(m_window->m_nCropped, 2);
    QCOMPARE(m_window->m_nProcessed, 2);
    QCOMPARE(m_window->findChild<QLabel*>()->text(), QStringLiteral("Please wait..."));
    // The source is only read.
    QCOMPARE(pictavo::decodeJpegFile(photo.toStdString()).width(), 480);
}

void TfrmImageSaveTest::shiftClickCopiesTheFileByteForByte() {
    const QString photo = source("b.jpg", 320, 480);
    const QString target = dest("_b.jpg");
    m_window->SetQuality(10);
    m_window->ShowImage(photo, target);
    clickAndWrite(*m_window, Qt::ShiftModifier);
    QVERIFY(readBytes(target.toStdString()) == readBytes(photo.toStdString()));
    QCOMPARE(m_window->m_nProcessed, 1);
    QCOMPARE(m_window->m_nCropped, 0);
    QCOMPARE(m_window->m_nState, 2);
    // The frame still follows the mouse: Shift and click is not a cut.
    QVERIFY(m_window->tracking());
}

void TfrmImageSaveTest::otherFormatsAreCutAndSavedAsTheirDecodedPixels() {
    const struct {
        const char* name;
        std::vector<std::string> toolArgs;
        bool decodedAhead;
    } cases[] = {
        {"IMG_0001.HEIC", {"-q", "85"}, true},
        {"scan.png", {"-depth", "16"}, false},
        {"scan.tiff", {"-compress", "lzw"}, true},
        {"web.webp", {"-define", "webp:lossless=true"}, false},
    };
    m_window->SetQuality(75);
    for (const auto& c : cases) {
        const std::string photo =
            pictavo::test::writeFormatFixture(m_dir->file("src"), c.name, 240, 360, c.toolArgs);
        const pictavo::Picture pixels = pictavo::test::toolDecode(photo, m_dir->path());
        const Rect whole{0, 0, 240, 360};
        // The cut, then Shift and click on the unchanged picture: no bytes of
        // the source can be copied into a JPEG file, so the whole picture is
        // written as one.
        for (const bool cut : {true, false}) {
            const QString target = dest(std::string(c.name) + (cut ? ".jpg" : ".whole.jpg"));
            if (c.decodedAhead) {
                m_window->Prefetch(QString::fromStdString(photo));
            }
            m_window->ShowImage(QString::fromStdString(photo), target);
            QCOMPARE(m_window->modified(), false);
            const Rect area = cut ? m_window->cropRect() : whole;
            clickAndWrite(*m_window, cut ? Qt::NoModifier : Qt::ShiftModifier);
            const auto want = pictavo::test::cjpegReference(pixels, area, 75, m_dir->path());
            QVERIFY(!want.empty());
            QVERIFY2(readBytes(target.toStdString()) == want, c.name);
        }
    }
    QCOMPARE(m_window->m_nCropped, 4);
    QCOMPARE(m_window->m_nProcessed, 8);
}

void TfrmImageSaveTest::overwriteQuestionAskedOnceAndNoWritesNothing() {
    const QString photo = source("c.jpg", 480, 360);
    const QString target = dest("_c.jpg");
    pictavo::test::writeBytes(target.toStdString(), {'o', 'l', 'd'});
    m_window->m_bConfirm = true;
    m_window->ShowImage(photo, target);
    {
        ModalAnswerer no(ModalAnswerer::clickButton(QMessageBox::No));
        click(*m_window);
        QCOMPARE(no.seen().size(), 1);
        const ModalAnswerer::Seen& box = no.seen().front();
        QCOMPARE(box.title, QStringLiteral("Overwrite confirmation"));
        QCOMPARE(box.text, QStringLiteral("File with the same name already exists, overwrite?"));
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.defaultButton, QMessageBox::Yes);
    }
    QVERIFY(readBytes(target.toStdString()) == (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    QCOMPARE(m_window->m_nCropped, 1);
    QCOMPARE(m_window->m_nProcessed, 1);
    QCOMPARE(m_window->m_nState, 2);

    // Shift and click asks once; Yes copies.
    m_window->ShowImage(photo, target);
    {
        ModalAnswerer yes(ModalAnswerer::clickButton(QMessageBox::Yes));
        clickAndWrite(*m_window, Qt::ShiftModifier);
        QCOMPARE(yes.seen().size(), 1);
    }
    QVERIFY(readBytes(target.toStdString()) == readBytes(photo.toStdString()));
    QCOMPARE(m_window->m_nCropped, 1);
    QCOMPARE(m_window->m_nProcessed, 2);

    // No to Shift and click leaves the earlier file.
    m_window->ShowImage(photo, target);
    {
        ModalAnswerer no(ModalAnswerer::clickButton(QMessageBox::No));
        click(*m_window);  // a plain click, Yes by default below
    }
    m_window->ShowImage(photo, target);
    const auto before = readBytes(target.toStdString());
    {
        ModalAnswerer no(ModalAnswerer::clickButton(QMessageBox::No));
        click(*m_window, Qt::ShiftModifier);
        QCOMPARE(no.seen().size(), 1);
    }
    QVERIFY(readBytes(target.toStdString()) == before);
    QCOMPARE(m_window->m_nProcessed, 4);
}

void TfrmImageSaveTest::withoutConfirmationAnEarlierFileIsReplaced() {
    const QString photo = source("d.jpg", 480, 360);
    const QString target = dest("_d.jpg");
    pictavo::test::writeBytes(target.toStdString(), {'o', 'l', 'd'});
    ModalAnswerer answerer;
    m_window->ShowImage(photo, target);
    clickAndWrite(*m_window);
    QVERIFY(answerer.seen().isEmpty());
    QCOMPARE(pictavo::decodeJpegFile(target.toStdString()).height(), 320);
}

void TfrmImageSaveTest::aSecondClickBeforeTheNextPictureDoesNothing() {
    const QString photo = source("e.jpg", 480, 360);
    const QString target = dest("_e.jpg");
    m_window->ShowImage(photo, target);
    clickAndWrite(*m_window);
    QCOMPARE(pictavo::decodeJpegFile(target.toStdString()).height(), 320);
    QFile::remove(target);
    click(*m_window);
    QVERIFY(!QFile::exists(target));
    QCOMPARE(m_window->m_nCropped, 1);
    QCOMPARE(m_window->m_nProcessed, 1);
}

void TfrmImageSaveTest::failedWriteKeepsThePictureWithBlackStrips() {
    const QString photo = source("f.jpg", 480, 360);
    QStringList unwritable = {dest("no/such/folder/_f.jpg")};
    // A folder without write permission stops everyone but root.
    const QString locked = dest("locked");
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (::geteuid() != 0)
        unwritable << locked + QStringLiteral("/_f.jpg");

    for (const QString& target : unwritable) {
        m_window->m_nCropped = 0;
        m_window->m_nProcessed = 0;
        m_window->ShowImage(photo, target);
        ModalAnswerer answerer;
        clickAndWrite(*m_window);
        QCOMPARE(answerer.seen().size(), 1);
        const ModalAnswerer::Seen& box = answerer.seen().front();
        QCOMPARE(box.title, QStringLiteral("Pictavo"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QVERIFY2(box.text.contains(target), qPrintable(box.text));
        QVERIFY(!exists(target.toStdString()));
        QCOMPARE(m_window->m_nState, 0);
        QCOMPARE(m_window->m_nCropped, 1);
        QCOMPARE(m_window->m_nProcessed, 0);
        QVERIFY(!m_window->tracking());
        auto* label = m_window->findChild<QLabel*>();
        QVERIFY(label->isVisible());
        QCOMPARE(label->text(), QStringLiteral("Saving ") + target + QStringLiteral("..."));

        // The picture stays, frozen, with black strips: frame rows 20..340 of
        // 360 are view rows 44..755.
        const QImage shot = viewOf(*m_window)->grab().toImage();
        QCOMPARE(shot.pixel(500, 10), qRgb(0, 0, 0));
        QCOMPARE(shot.pixel(500, 790), qRgb(0, 0, 0));
        QVERIFY(shot.pixel(500, 400) != qRgb(0, 0, 0));
        const Rect frame = m_window->cropRect();
        QCursor::setPos(600, 100);
        QCursor::setPos(600, 700);
        QCoreApplication::processEvents();
        QCOMPARE(m_window->cropRect(), frame);

        // A redraw on the same image shows the strips inverted again.
        m_window->SetRedEyeMode(true);
        m_window->SetRedEyeMode(false);
        const QImage again = viewOf(*m_window)->grab().toImage();
        QVERIFY(again.pixel(500, 10) != qRgb(0, 0, 0));

        // Skipping goes on as usual.
        QTest::keyClick(m_window.get(), Qt::Key_Space);
        QCOMPARE(m_window->m_nState, 2);
        QCOMPARE(m_window->m_nProcessed, 1);
    }
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TfrmImageSaveTest::failedCopyNamesBothPaths() {
    const QString photo = source("g.jpg", 480, 360);
    const QString target = dest("missing/_g.jpg");
    m_window->ShowImage(photo, target);
    ModalAnswerer answerer;
    clickAndWrite(*m_window, Qt::ShiftModifier);
    QCOMPARE(answerer.texts(), QStringList{QStringLiteral("Can't copy file ") + photo +
                                           QStringLiteral(" to ") + target + QLatin1Char('.')});
    QCOMPARE(m_window->m_nState, 0);
    QCOMPARE(m_window->m_nProcessed, 0);
    QVERIFY(m_window->tracking());
}

void TfrmImageSaveTest::theCutIsWrittenBehindTheNextPictureAndBackWaitsForIt() {
    const QString photo = source("h.jpg", 480, 360);
    const QString next = source("i.jpg", 480, 360);
    const QString target = dest("_h.jpg");
    const pictavo::Picture pixels = pictavo::decodeJpegFile(photo.toStdString());
    // A disk that takes the cut only when the test says so.
    std::atomic<bool> diskReady{false};
    m_window->setCutWork([&](const pictavo::CutJob& job) {
        while (!diskReady)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        pictavo::CutWriter::write(job);
    });
    m_window->m_bConfirm = true;
    m_window->ShowImage(photo, target);
    click(*m_window);
    // The picture is done with at once; its cut is on its way.
    QCOMPARE(m_window->m_nState, 2);
    QCOMPARE(m_window->pendingWrites(), std::size_t{1});
    QVERIFY(!exists(target.toStdString()));

    // Back from the next picture while the cut is still being written: Back
    // waits for it.
    m_window->ShowImage(next, dest("_i.jpg"));
    std::thread disk([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        diskReady = true;
    });
    QTest::keyClick(m_window.get(), Qt::Key_Backspace);
    disk.join();
    QCOMPARE(m_window->m_nState, 2);
    QCOMPARE(m_window->pendingWrites(), std::size_t{0});
    QVERIFY(readBytes(target.toStdString()) ==
            pictavo::test::cjpegReference(pixels, {0, 20, 480, 340}, 100, m_dir->path()));

    // So the overwrite question, back at h, sees the file.
    m_window->ShowImage(photo, target);
    ModalAnswerer no(ModalAnswerer::clickButton(QMessageBox::No));
    click(*m_window);
    QCOMPARE(no.seen().size(), 1);
    QCOMPARE(m_window->pendingWrites(), std::size_t{0});
}

void TfrmImageSaveTest::aFrameKeptInsideAWidePhotoCutsItsSides() {
    // 16:9 at 1.5 with the frame kept inside: 810 x 540 (540 x 1.5), centred,
    // 150 / 2 from the left; the print readout on screen stays out of it.
    const QString photo = source("wide.jpg", 960, 540);
    const QString target = dest("_wide.jpg");
    m_window->m_bFrameInside = true;
    m_window->m_sPrintSize = QString::fromUtf8("10 \u00d7 15 cm");
    m_window->SetQuality(92);
    m_window->ShowImage(photo, target);
    QCOMPARE(m_window->cropRect(), (Rect{75, 0, 885, 540}));
    clickAndWrite(*m_window);

    // What libjpeg's own tools make of it: djpeg, the same rectangle, cjpeg.
    const std::string ppm = m_dir->file("wide.ppm");
    QCOMPARE(pictavo::test::runProgram({"djpeg", "-pnm", "-outfile", ppm, photo.toStdString()}), 0);
    const auto want = pictavo::test::cjpegReference(pictavo::test::readPnm(ppm), {75, 0, 885, 540},
                                                    92, m_dir->path());
    QVERIFY(!want.empty());
    QVERIFY(readBytes(target.toStdString()) == want);

    // A cut that fails after the option was turned off comes back as it was
    // clicked: the sides outside the frame black, the frame's rows not.
    std::atomic<bool> fail{false};
    m_window->setCutWork([&](const pictavo::CutJob&) {
        while (!fail)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        throw std::runtime_error("disk full");
    });
    m_window->ShowImage(photo, target);
    click(*m_window);
    m_window->m_bFrameInside = false;
    fail = true;
    ModalAnswerer answerer;
    m_window->FinishWrites();
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(m_window->m_nState, 0);
    QCOMPARE(m_window->cropRect(), (Rect{75, 0, 885, 540}));
    const QImage shot = viewOf(*m_window)->grab().toImage();
    const int viewWidth = shot.width();
    for (int y : {0, shot.height() / 2, shot.height() - 1}) {
        QCOMPARE(shot.pixel(2, y), qRgb(0, 0, 0));
        QCOMPARE(shot.pixel(viewWidth - 3, y), qRgb(0, 0, 0));
        QVERIFY(shot.pixel(viewWidth / 2, y) != qRgb(0, 0, 0));
    }
}

void TfrmImageSaveTest::aLongWaitForTheLastCutsSaysSoInTheWindowsTexts() {
    const QString photo = source("j.jpg", 480, 360);
    // A slow disk: the wait is longer than the half second that passes
    // unnoticed.
    m_window->setCutWork([](const pictavo::CutJob& job) {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        pictavo::CutWriter::write(job);
    });
    const QStringList builtIn = m_window->m_strhMessages.builtIn();
    QStringList translated = builtIn;
    translated[8] = QStringLiteral("Die letzten Ausschnitte werden geschrieben");
    struct Row {
        const char* what;
        QStringList texts;
        QString shown;
    } const rows[] = {
        {"built in", builtIn, QString::fromUtf8("Writing the last cuts\u2026")},
        {"translated", translated, translated[8]},
    };
    for (const Row& row : rows) {
        m_window->m_strhMessages.setStrings(row.texts);
        m_window->ShowImage(photo, dest("_j.jpg"));
        click(*m_window);
        QStringList seen;
        QTimer watch;
        watch.setInterval(20);
        connect(&watch, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* label = qobject_cast<QLabel*>(w);
                if (label && label->isVisible() && !seen.contains(label->text()))
                    seen << label->text();
            }
        });
        watch.start();
        m_window->FinishWrites();
        watch.stop();
        QVERIFY2(seen == QStringList{row.shown}, qPrintable(seen.join(QLatin1Char('|'))));
        QVERIFY(exists(dest("_j.jpg").toStdString()));
    }
}

PICTAVO_QTEST_MAIN(TfrmImageSaveTest)
#include "TfrmImageSaveTest.moc"
