// Red-eye mode on a real X server: while the selection tool is armed it
// takes every mouse movement and click of the program, so the frame stays;
// once it has handed its rectangle over, the window gets them again.

#include <QCursor>
#include <QTest>

#include <memory>

#include "crop/TMouseTracker.h"
#include "crop/TfrmImage.h"
#include "support/JpegFixtures.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

using pictavo::Rect;

class TfrmImageRedEyeCaptureTest : public QObject {
    Q_OBJECT
private slots:
    void armedToolTakesTheMouseFromTheWindow();
};

void TfrmImageRedEyeCaptureTest::armedToolTakesTheMouseFromTheWindow() {
    pictavo::test::TempDir dir;
    pictavo::test::JpegFixtureOptions options;
    options.width = 1600;
    options.height = 1200;
    const auto path = pictavo::test::writeJpegFixture(dir.path(), "a.jpg", options);

    TfrmImage window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.ShowImage(QString::fromStdString(path), QString());
    QCursor::setPos(window.mapToGlobal(QPoint(600, 400)));
    QTRY_COMPARE(QCursor::pos(), window.mapToGlobal(QPoint(600, 400)));
    QTest::qWait(50);
    const Rect frame = window.cropRect();

    auto* tool = window.findChild<TMouseTracker*>();
    window.SetRedEyeMode(true);
    QCOMPARE(QWidget::mouseGrabber(), tool);

    QCursor::setPos(window.mapToGlobal(QPoint(110, 60)));
    QTRY_COMPARE(tool->geometry(), QRect(100, 50, 20, 20));
    QCOMPARE(window.cropRect(), frame);

    QTest::mousePress(tool, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(tool, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(*window.redEyeSelection(), (Rect{100, 50, 119, 69}));
    QCOMPARE(QWidget::mouseGrabber(), nullptr);

    // Frozen: the movements reach the window and move the frame unseen.
    QCursor::setPos(window.mapToGlobal(QPoint(110, 200)));
    // From the last movement the window saw, (600, 400): up by 200 / 1.5.
    QTRY_COMPARE(window.cropRect().top, 0);
    QCOMPARE(tool->geometry(), QRect(100, 50, 20, 20));

    // Armed again, then off: capture taken, then released.
    window.SetRedEyeMode(true);
    QCOMPARE(QWidget::mouseGrabber(), tool);
    window.SetRedEyeMode(false);
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
    QVERIFY(!tool->isVisible());
}

PICTAVO_QTEST_MAIN(TfrmImageRedEyeCaptureTest)
#include "TfrmImageRedEyeCaptureTest.moc"
