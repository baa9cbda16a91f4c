// The toolbar's slider: which user actions move it where, and how many
// completed changes each reports, before and after the button comes up.

#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "adjust/EffectSlider.h"
#include "support/QtTestMain.h"

namespace {

enum Action {
    kTrackClickRight,
    kTrackClickLeft,
    kTrackHeldRight,         // held until three steps have been made
    kTrackHeldOntoTheThumb,  // the cursor moves onto the thumb while held
    kDragToTheRightEnd,
    kThumbClick,
    kKeyRight,
    kKeyLeft,
    kKeyHome,
    kKeyEnd,
    kShiftRight,
    kKeyUp,
    kWheel,
    kSetByProgram,
    // A press the slider cannot finish, then a click on the track right of
    // the thumb.
    kTrackHeldThenHidden,
    kDragThenDisabled,
};

// Exposes the thumb's place for the test's mouse positions.
class ProbedSlider : public EffectSlider {
public:
    QRect thumb() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    }
};

}  // namespace

class EffectSliderTest : public QObject {
    Q_OBJECT
private slots:
    void userActionsAndTheirReports_data();
    void userActionsAndTheirReports();
};

void EffectSliderTest::userActionsAndTheirReports_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("reportsBeforeRelease");
    QTest::addColumn<int>("reports");

    QTest::newRow("track right of the thumb") << 0 << int(kTrackClickRight) << 5 << 0 << 1;
    QTest::newRow("track left, to the multiple below") << 3 << int(kTrackClickLeft) << 0 << 0 << 1;
    QTest::newRow("track left from a multiple") << -5 << int(kTrackClickLeft) << -10 << 0 << 1;
    QTest::newRow("track held repeats") << 0 << int(kTrackHeldRight) << 15 << 0 << 1;
    QTest::newRow("track held, thumb reaches the cursor")
        << 0 << int(kTrackHeldOntoTheThumb) << 5 << 0 << 1;
    QTest::newRow("track at the end changes nothing")
        << 255 << int(kTrackClickRight) << 255 << 0 << 0;
    QTest::newRow("drag to the end") << 0 << int(kDragToTheRightEnd) << 255 << 0 << 1;
    QTest::newRow("click on the thumb") << 0 << int(kThumbClick) << 0 << 0 << 0;
    QTest::newRow("Right from 3") << 3 << int(kKeyRight) << 5 << 1 << 1;
    QTest::newRow("Right from 5") << 5 << int(kKeyRight) << 10 << 1 << 1;
    QTest::newRow("Right from -3") << -3 << int(kKeyRight) << 0 << 1 << 1;
    QTest::newRow("Left from 3") << 3 << int(kKeyLeft) << 0 << 1 << 1;
    QTest::newRow("Left from -3") << -3 << int(kKeyLeft) << -5 << 1 << 1;
    QTest::newRow("Left at the end") << -255 << int(kKeyLeft) << -255 << 0 << 0;
    QTest::newRow("Home") << 42 << int(kKeyHome) << -255 << 1 << 1;
    QTest::newRow("End") << 42 << int(kKeyEnd) << 255 << 1 << 1;
    QTest::newRow("Shift+Right does nothing") << 0 << int(kShiftRight) << 0 << 0 << 0;
    QTest::newRow("Up does nothing") << 0 << int(kKeyUp) << 0 << 0 << 0;
    QTest::newRow("wheel does nothing") << 0 << int(kWheel) << 0 << 0 << 0;
    QTest::newRow("set by the program") << 0 << int(kSetByProgram) << 100 << 0 << 0;
    QTest::newRow("hidden while the track repeats, then a click")
        << 0 << int(kTrackHeldThenHidden) << 5 << 1 << 1;
    QTest::newRow("disabled while dragged, then a click")
        << 20 << int(kDragThenDisabled) << 25 << 1 << 1;
}

void EffectSliderTest::userActionsAndTheirReports() {
    QFETCH(int, start);
    QFETCH(int, action);
    QFETCH(int, expected);
    QFETCH(int, reportsBeforeRelease);
    QFETCH(int, reports);

    ProbedSlider slider;
    slider.setRange(-255, 255);
    slider.setGeometry(0, 0, 150, 33);
    slider.setValue(start);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    QSignalSpy changed(&slider, &EffectSlider::changed);
    const int y = slider.height() / 2;
    const QPoint thumb = slider.thumb().center();
    const QPoint farRight(slider.width() - 2, y);
    const QPoint farLeft(1, y);

    switch (action) {
        case kTrackClickRight:
            QTest::mousePress(&slider, Qt::LeftButton, {}, farRight);
            break;
        case kTrackClickLeft:
            QTest::mousePress(&slider, Qt::LeftButton, {}, farLeft);
            break;
        case kTrackHeldRight:
            QTest::mousePress(&slider, Qt::LeftButton, {}, farRight);
            QCOMPARE(slider.value(), 5);
            // No repeat before 400 ms, however slow the machine.
            QTest::qWait(200);
            QCOMPARE(slider.value(), 5);
            QTRY_COMPARE(slider.value(), 15);
            break;
        case kTrackHeldOntoTheThumb:
            QTest::mousePress(&slider, Qt::LeftButton, {}, farRight);
            QTest::mouseMove(&slider, slider.thumb().center());
            QTest::qWait(900);
            break;
        case kDragToTheRightEnd:
            QTest::mousePress(&slider, Qt::LeftButton, {}, thumb);
            QTest::mouseMove(&slider, thumb + QPoint(30, 0));
            QVERIFY(slider.value() > start);
            QTest::mouseMove(&slider, farRight + QPoint(40, 0));
            break;
        case kThumbClick:
            QTest::mousePress(&slider, Qt::LeftButton, {}, thumb);
            break;
        case kKeyRight:
            QTest::keyClick(&slider, Qt::Key_Right);
            break;
        case kKeyLeft:
            QTest::keyClick(&slider, Qt::Key_Left);
            break;
        case kKeyHome:
            QTest::keyClick(&slider, Qt::Key_Home);
            break;
        case kKeyEnd:
            QTest::keyClick(&slider, Qt::Key_End);
            break;
        case kShiftRight:
            QTest::keyClick(&slider, Qt::Key_Right, Qt::ShiftModifier);
            break;
        case kKeyUp:
            QTest::keyClick(&slider, Qt::Key_Up);
            break;
        case kWheel: {
            QWheelEvent wheel(QPointF(thumb), slider.mapToGlobal(QPointF(thumb)), QPoint(),
                              QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(&slider, &wheel);
            break;
        }
        case kSetByProgram:
            slider.setValue(100);
            break;
        case kTrackHeldThenHidden:
        case kDragThenDisabled:
            if (action == kTrackHeldThenHidden) {
                QTest::mousePress(&slider, Qt::LeftButton, {}, farRight);
                QTRY_COMPARE(slider.value(), 10);
                slider.hide();
            } else {
                QTest::mousePress(&slider, Qt::LeftButton, {}, thumb);
                QTest::mouseMove(&slider, thumb + QPoint(30, 0));
                QVERIFY(slider.value() > start);
                slider.setEnabled(false);
            }
            // Back where the last report left it, and no more steps.
            QCOMPARE(slider.value(), start);
            QVERIFY(!slider.isSliderDown());
            QTest::qWait(EffectSlider::kRepeatMs + 100);
            QCOMPARE(slider.value(), start);
            slider.show();
            slider.setEnabled(true);
            QVERIFY(QTest::qWaitForWindowExposed(&slider));
            // The release that comes late is nobody's.
            QTest::mouseRelease(&slider, Qt::LeftButton, {}, farRight);
            QCOMPARE(changed.count(), 0);
            QTest::mouseClick(&slider, Qt::LeftButton, {}, farRight);
            break;
    }
    QCOMPARE(changed.count(), reportsBeforeRelease);
    if (action <= kThumbClick) {
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, farRight);
    }
    QCOMPARE(slider.value(), expected);
    QCOMPARE(changed.count(), reports);
}

PICTAVO_QTEST_MAIN(EffectSliderTest)
#include "EffectSliderTest.moc"
