// The selection tool without a window system that can grab the mouse: its
// look, the rectangle it hands over, sizing and following.

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <optional>

#include "crop/TMouseTracker.h"
#include "support/QtTestMain.h"

namespace {

// A parent that paints a plain colour, so inverted pixels are easy to tell.
class Backdrop : public QWidget {
public:
    Backdrop() { resize(400, 300); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(10, 20, 30)); }
};

void sendMouse(QWidget* target, QEvent::Type type, QPoint parentPos, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QWidget* parent = target->parentWidget();
    const QPoint global = parent->mapToGlobal(parentPos);
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

}  // namespace

class TMouseTrackerTest : public QObject {
    Q_OBJECT
private slots:
    void startsHiddenIdleTransparentAndSmall();
    void rightClickHandsOverInclusiveRectangle();
    void idleToolIgnoresButtonsAndMoves();
    void followsTheCursorCentred();
    void leftDragSizesFromTheTopLeftAndMayGoNegative();
    void paintsADottedInvertedOutlineOnly();
    void cursorComesBackWhenDisarmedDuringAPress();
};

void TMouseTrackerTest::startsHiddenIdleTransparentAndSmall() {
    Backdrop parent;
    TMouseTracker tool(&parent);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QVERIFY(!tool.isVisible());
    QVERIFY(tool.Idle());
    QVERIFY(!tool.CursorHidden());
    QCOMPARE(tool.size(), QSize(20, 20));
    QVERIFY(!tool.autoFillBackground());
    QVERIFY(!tool.testAttribute(Qt::WA_OpaquePaintEvent));
    QVERIFY(!tool.OnSelect);
}

void TMouseTrackerTest::rightClickHandsOverInclusiveRectangle() {
    Backdrop parent;
    TMouseTracker tool(&parent);
    std::optional<pictavo::Rect> got;
    TMouseTracker* sender = nullptr;
    tool.OnSelect = [&](TMouseTracker* s, const pictavo::Rect& r) {
        sender = s;
        got = r;
    };
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    tool.show();
    tool.SetBounds(100, 50, 20, 20);
    tool.SetIdle(false);

    sendMouse(&tool, QEvent::MouseButtonPress, {110, 60}, Qt::RightButton, Qt::RightButton);
    QVERIFY(tool.CursorHidden());
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BlankCursor);
    QVERIFY(!got);

    sendMouse(&tool, QEvent::MouseButtonRelease, {110, 60}, Qt::RightButton, Qt::NoButton);
    QVERIFY(!tool.CursorHidden());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(got.has_value());
    QCOMPARE(sender, &tool);
    QCOMPARE(*got, (pictavo::Rect{100, 50, 119, 69}));

    // The left button's release hands nothing over.
    got.reset();
    sendMouse(&tool, QEvent::MouseButtonPress, {110, 60}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&tool, QEvent::MouseButtonRelease, {110, 60}, Qt::LeftButton, Qt::NoButton);
    QVERIFY(!got);
    QVERIFY(!QApplication::overrideCursor());
}

void TMouseTrackerTest::idleToolIgnoresButtonsAndMoves() {
    Backdrop parent;
    TMouseTracker tool(&parent);
    bool called = false;
    tool.OnSelect = [&](TMouseTracker*, const pictavo::Rect&) { called = true; };
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    tool.show();
    tool.SetBounds(100, 50, 20, 20);

    sendMouse(&tool, QEvent::MouseButtonPress, {110, 60}, Qt::RightButton, Qt::RightButton);
    QVERIFY(!tool.CursorHidden());
    sendMouse(&tool, QEvent::MouseMove, {200, 200}, Qt::NoButton, Qt::RightButton);
    sendMouse(&tool, QEvent::MouseButtonRelease, {110, 60}, Qt::RightButton, Qt::NoButton);
    QVERIFY(!called);
    QCOMPARE(tool.selection(), (pictavo::Rect{100, 50, 119, 69}));
}

void TMouseTrackerTest::followsTheCursorCentred() {
    Backdrop parent;
    TMouseTracker tool(&parent);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    tool.show();
    tool.SetIdle(false);
    sendMouse(&tool, QEvent::MouseMove, {300, 200}, Qt::NoButton, Qt::NoButton);
    QCOMPARE(tool.selection(), (pictavo::Rect{290, 190, 309, 209}));
    QCOMPARE(tool.geometry(), QRect(290, 190, 20, 20));
    // An odd size: Width div 2 rounds down.
    tool.SetBounds(0, 0, 7, 5);
    sendMouse(&tool, QEvent::MouseMove, {50, 40}, Qt::NoButton, Qt::NoButton);
    QCOMPARE(tool.Left(), 47);
    QCOMPARE(tool.Top(), 38);
    tool.SetIdle(true);
}

void TMouseTrackerTest::leftDragSizesFromTheTopLeftAndMayGoNegative() {
    Backdrop parent;
    TMouseTracker tool(&parent);
    std::optional<pictavo::Rect> got;
    tool.OnSelect = [&](TMouseTracker*, const pictavo::Rect& r) { got = r; };
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    tool.show();
    tool.SetBounds(100, 50, 20, 20);
    tool.SetIdle(false);

    sendMouse(&tool, QEvent::MouseButtonPress, {110, 60}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&tool, QEvent::MouseMove, {130, 80}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(tool.selection(), (pictavo::Rect{100, 50, 159, 109}));
    QCOMPARE(tool.geometry(), QRect(100, 50, 60, 60));

    // Above and left of the fixed corner: sizes of zero or below, reported as is.
    sendMouse(&tool, QEvent::MouseMove, {90, 50}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(tool.Width(), -20);
    QCOMPARE(tool.Height(), 0);
    QCOMPARE(tool.size(), QSize(0, 0));
    sendMouse(&tool, QEvent::MouseButtonRelease, {90, 50}, Qt::LeftButton, Qt::NoButton);
    QVERIFY(!got);
    QVERIFY(!tool.CursorHidden());

    sendMouse(&tool, QEvent::MouseButtonPress, {90, 50}, Qt::RightButton, Qt::RightButton);
    sendMouse(&tool, QEvent::MouseButtonRelease, {90, 50}, Qt::RightButton, Qt::NoButton);
    QVERIFY(got.has_value());
    QCOMPARE(*got, (pictavo::Rect{100, 50, 79, 49}));
    tool.SetIdle(true);
}

void TMouseTrackerTest::paintsADottedInvertedOutlineOnly() {
    Backdrop parent;
    TMouseTracker tool(&parent);
    tool.SetBounds(100, 50, 20, 20);
    tool.show();
    const QImage shot = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb plain = qRgb(10, 20, 30);
    const QRgb inverted = qRgb(245, 235, 225);
    // Corners and every other pixel of the outline are inverted.
    QCOMPARE(shot.pixel(100, 50), inverted);
    QCOMPARE(shot.pixel(101, 50), plain);
    QCOMPARE(shot.pixel(102, 50), inverted);
    QCOMPARE(shot.pixel(119, 69), inverted);
    QCOMPARE(shot.pixel(100, 52), inverted);
    QCOMPARE(shot.pixel(100, 53), plain);
    QCOMPARE(shot.pixel(119, 51), inverted);
    // Inside and outside untouched: the tool is not opaque.
    QCOMPARE(shot.pixel(110, 60), plain);
    QCOMPARE(shot.pixel(101, 51), plain);
    QCOMPARE(shot.pixel(99, 50), plain);
    QCOMPARE(shot.pixel(120, 69), plain);
}

void TMouseTrackerTest::cursorComesBackWhenDisarmedDuringAPress() {
    Backdrop parent;
    {
        TMouseTracker tool(&parent);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        tool.show();
        tool.SetIdle(false);
        sendMouse(&tool, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
        QVERIFY(QApplication::overrideCursor());
        tool.SetIdle(true);
        sendMouse(&tool, QEvent::MouseButtonRelease, {10, 10}, Qt::LeftButton, Qt::NoButton);
        QVERIFY(!QApplication::overrideCursor());

        tool.SetIdle(false);
        sendMouse(&tool, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
        QVERIFY(QApplication::overrideCursor());
    }
    // Destroyed while pressed.
    QVERIFY(!QApplication::overrideCursor());
}

PICTAVO_QTEST_MAIN(TMouseTrackerTest)
#include "TMouseTrackerTest.moc"
