// On a real X server: holding either Shift key brings the toolbar up over the
// crop window within the poll's half second, without taking the keyboard from
// it, and letting go takes it down again; pressed again, it is back as soon.

#include <QApplication>
#include <QTest>

#include "adjust/TfrmToolBar.h"
#include "crop/TfrmImage.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

class ShiftPollX11Test : public QObject {
    Q_OBJECT
private slots:
    void eitherShiftKeyShowsTheToolbarWhileHeld_data();
    void eitherShiftKeyShowsTheToolbarWhileHeld();
};

void ShiftPollX11Test::eitherShiftKeyShowsTheToolbarWhileHeld_data() {
    QTest::addColumn<QString>("key");
    QTest::newRow("left") << QStringLiteral("Shift_L");
    QTest::newRow("right") << QStringLiteral("Shift_R");
}

void ShiftPollX11Test::eitherShiftKeyShowsTheToolbarWhileHeld() {
    QFETCH(QString, key);
    pictavo::test::TempDir dir;
    pictavo::test::JpegFixtureOptions options;
    options.width = 900;
    options.height = 600;
    const auto path = pictavo::test::writeJpegFixture(dir.path(), "a.jpg", options);

    TfrmImage image;
    TfrmToolBar toolBar(image, &image);
    image.setToolBar(&toolBar);
    image.show();
    QVERIFY(QTest::qWaitForWindowExposed(&image));
    image.ShowImage(QString::fromStdString(path), QString());
    QTest::qWait(200);
    const QWidget* activeBefore = QApplication::activeWindow();

    const auto xdotool = [&](const char* action) {
        return pictavo::test::runProgram({"xdotool", action, key.toStdString()});
    };
    if (xdotool("keydown") != 0)
        QSKIP("xdotool is not installed");
    const bool shown = QTest::qWaitFor([&] { return toolBar.isVisible(); }, 1500);
    const QRect strip = toolBar.geometry();
    const QWidget* activeWhileShown = QApplication::activeWindow();
    QTest::qWait(100);
    xdotool("keyup");
    QVERIFY(shown);
    QCOMPARE(strip, QRect(0, 0, image.width(), TfrmToolBar::kHeight));
    QCOMPARE(activeWhileShown, activeBefore);
    QTRY_VERIFY_WITH_TIMEOUT(!toolBar.isVisible(), 1500);

    // Pressed again right after the strip went: back at the next poll, half
    // a second after the one that took it down.
    xdotool("keydown");
    const bool back = QTest::qWaitFor([&] { return toolBar.isVisible(); }, 750);
    xdotool("keyup");
    QVERIFY(back);
    QTRY_VERIFY_WITH_TIMEOUT(!toolBar.isVisible(), 1500);
    image.setToolBar(nullptr);
}

PICTAVO_QTEST_MAIN(ShiftPollX11Test)
#include "ShiftPollX11Test.moc"
