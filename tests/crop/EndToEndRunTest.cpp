// A whole run over real photographs: the main window, the batch run and the
// real crop window, driven with mouse and keys as a user would. Pictures are
// cut (after moving the frame), saved uncut, skipped and gone back to; then
// every file in the destination folder is checked.

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>

#include "app/TfrmFolderMan.h"
#include "core/JpegDecoder.h"
#include "crop/FrameGeometry.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"
#include "settings/SettingsStore.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/QtTestMain.h"
#include "support/RecordingCropLink.h"
#include "support/ScriptedRun.h"
#include "support/TempDir.h"

using pictavo::Rect;
using pictavo::test::readBytes;

namespace {

QString photosFolder() {
    return qEnvironmentVariable("PICTAVO_SOURCE_DIR") + QStringLiteral("/build/photos");
}

// The photographs unpacked by tools/fetch-photos.sh, fetching them if needed.
QStringList photographs() {
    QDir folder(photosFolder());
    if (!QFile::exists(folder.filePath(QStringLiteral(".done")))) {
        const QString script =
            qEnvironmentVariable("PICTAVO_SOURCE_DIR") + QStringLiteral("/tools/fetch-photos.sh");
        [[maybe_unused]] const int rc = std::system(script.toLocal8Bit().constData());
    }
    QStringList names = folder.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Size);
    std::reverse(names.begin(), names.end());  // smallest first: a quicker test
    QStringList paths;
    for (const QString& name : names)
        paths << folder.filePath(name);
    return paths;
}

}  // namespace

class EndToEndRunTest : public QObject {
    Q_OBJECT
private slots:
    void cropUncutSkipAndBackOverRealPhotographs();
};

void EndToEndRunTest::cropUncutSkipAndBackOverRealPhotographs() {
    const QStringList photos = photographs();
    if (photos.size() < 4)
        QSKIP("no photographs: tools/fetch-photos.sh could not fetch them");

    QFile::remove(pictavo::SettingsStore::standardFilePath(pictavo::RegRoot::CurrentUser));
    pictavo::test::TempDir tmp;
    const QString source = QString::fromStdString(tmp.file("photos"));
    const QString dest = QString::fromStdString(tmp.file("prints"));
    QDir().mkpath(source);
    QDir().mkpath(dest);
    // Named so that the walk, in name order, meets them as 1, 2, 3, 4.
    QStringList files;
    for (int i = 0; i < 4; ++i) {
        files << source + QStringLiteral("/%1-%2").arg(i + 1).arg(QFileInfo(photos[i]).fileName());
        QVERIFY(QFile::copy(photos[i], files.back()));
    }
    QFile notes(source + QStringLiteral("/notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();

    TfrmFolderMan window;
    TfrmImage image;
    RecordingCropLink link(image);
    window.setCropWindow(&link);
    image.setStepBack([&window] { window.StepBack(); });
    window.findChild<QLineEdit*>(QStringLiteral("m_edSource"))->setText(source);
    window.findChild<QLineEdit*>(QStringLiteral("m_edDest"))->setText(dest);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const auto view = [&] { return image.findChild<TNOEraseBackgroundImage*>(); };
    std::map<QString, Rect> cuts;  // source file -> frame when it was cut
    using Action = std::function<void()>;
    // The offscreen platform sends a cursor movement to the first window that
    // contains the point, so the frame is moved where the main window is not.
    const int x = window.geometry().right() < 1200 ? 1240 : 20;
    const Action cut = [&] {
        // Slide the frame first: down, then a little up.
        for (int y : {300, 420, 400}) {
            QCursor::setPos(x, y);
            QCoreApplication::processEvents();
        }
        cuts[link.loaded.back()] = image.cropRect();
        QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    };
    const Action uncut = [&] {
        QTest::mouseClick(view(), Qt::LeftButton, Qt::ShiftModifier, QPoint(200, 200));
    };
    const Action skip = [&] {
        QTest::mouseClick(view(), Qt::RightButton, Qt::NoModifier, QPoint(200, 200));
    };
    const Action back = [&] { QTest::keyClick(&image, Qt::Key_Backspace); };
    const Action space = [&] { QTest::keyClick(&image, Qt::Key_Space); };
    // 1 cut, 2 uncut, 3 skipped, 4 back to 3, 3 cut, 4 skipped.
    const QList<Action> actions{cut, uncut, skip, back, cut, space};

    QVERIFY(pictavo::test::playRun(window, image, link, actions,
                                   [&] { QTest::keyClick(&image, Qt::Key_Escape); }));
    QCOMPARE(link.loaded,
             QStringList({files[0], files[1], files[2], files[3], files[2], files[3]}));
    // Every picture but the first was named ahead of time.
    for (const QString& shown : link.loaded.mid(1))
        QVERIFY2(link.hints.contains(shown), qPrintable(shown));
    QCOMPARE(window.statusText(1), QStringLiteral("5 images processed, 2 images cropped."));

    // The destination holds exactly the two cuts and the uncut copy.
    const auto destName = [](const QString& path) {
        return QStringLiteral("_") + QFileInfo(path).fileName();
    };
    QStringList expected{destName(files[0]), destName(files[1]), destName(files[2])};
    expected.sort();
    QCOMPARE(QDir(dest).entryList(QDir::Files | QDir::Hidden | QDir::System), expected);

    QVERIFY(readBytes((dest + QLatin1Char('/') + destName(files[1])).toStdString()) ==
            readBytes(files[1].toStdString()));
    for (const QString& photo : {files[0], files[2]}) {
        QVERIFY(cuts.count(photo));
        const Rect frame = cuts[photo];
        const pictavo::Picture pixels = pictavo::decodeJpegFile(photo.toStdString());
        // The cut is the frame moved away from its centred start.
        const pictavo::frame::Size size{pixels.width(), pixels.height()};
        QVERIFY(frame != pictavo::frame::centredFrame(
                             size, pictavo::frame::calcCropSize(size.width, size.height, 1.5L)));
        const auto want = pictavo::test::cjpegReference(pixels, frame, 100, tmp.path());
        QVERIFY(!want.empty());
        QVERIFY2(readBytes((dest + QLatin1Char('/') + destName(photo)).toStdString()) == want,
                 qPrintable(photo));
    }
    // The sources are untouched.
    for (int i = 0; i < 4; ++i)
        QVERIFY(readBytes(files[i].toStdString()) == readBytes(photos[i].toStdString()));
}

PICTAVO_QTEST_MAIN(EndToEndRunTest)
#include "EndToEndRunTest.moc"
