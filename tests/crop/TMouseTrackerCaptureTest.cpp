// The selection tool's mouse capture on a real X server (offscreen cannot
// grab): taken when armed or moved while shown, released when frozen,
// hidden or destroyed, and while held every movement reaches the tool.

#include <QApplication>
#include <QCursor>
#include <QTest>

#include <memory>

#include "crop/TMouseTracker.h"
#include "support/QtTestMain.h"

class TMouseTrackerCaptureTest : public QObject {
    Q_OBJECT
private slots:
    void armedToolHoldsTheCaptureAndFollowsTheRealCursor();
    void positionChangeTakesOrReleasesTheCapture();
    void destructionReleasesTheCapture();
};

void TMouseTrackerCaptureTest::armedToolHoldsTheCaptureAndFollowsTheRealCursor() {
    QWidget parent;
    parent.setGeometry(0, 0, 600, 400);
    // A sibling under the cursor that would get the movement without the capture.
    QWidget other(&parent);
    other.setGeometry(300, 200, 200, 150);
    other.setMouseTracking(true);
    TMouseTracker tool(&parent);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    tool.show();
    QCOMPARE(QWidget::mouseGrabber(), nullptr);

    tool.SetIdle(false);
    QCOMPARE(QWidget::mouseGrabber(), &tool);

    // Moving the real pointer over the sibling still moves the tool.
    QCursor::setPos(parent.mapToGlobal(QPoint(400, 260)));
    QTRY_COMPARE(tool.Left(), 390);
    QCOMPARE(tool.Top(), 250);
    QCOMPARE(QWidget::mouseGrabber(), &tool);

    tool.SetIdle(true);
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
    // Frozen: the pointer no longer moves it.
    QCursor::setPos(parent.mapToGlobal(QPoint(100, 100)));
    QTest::qWait(100);
    QCOMPARE(tool.Left(), 390);
}

void TMouseTrackerCaptureTest::positionChangeTakesOrReleasesTheCapture() {
    QWidget parent;
    parent.setGeometry(0, 0, 600, 400);
    TMouseTracker tool(&parent);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    tool.show();
    tool.SetBounds(10, 10, 20, 20);
    QCOMPARE(QWidget::mouseGrabber(), &tool);
    tool.hide();
    tool.SetBounds(20, 20, 20, 20);
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
    // Disarming releases; arming a hidden tool takes nothing.
    tool.SetIdle(false);
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
    tool.SetIdle(true);
}

void TMouseTrackerCaptureTest::destructionReleasesTheCapture() {
    QWidget parent;
    parent.setGeometry(0, 0, 600, 400);
    auto tool = std::make_unique<TMouseTracker>(&parent);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    tool->show();
    tool->SetIdle(false);
    QCOMPARE(QWidget::mouseGrabber(), tool.get());
    tool.reset();
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
}

PICTAVO_QTEST_MAIN(TMouseTrackerCaptureTest)
#include "TMouseTrackerCaptureTest.moc"
