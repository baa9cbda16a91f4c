#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <stdexcept>

#include "ui/ErrorBox.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"

class ErrorBoxTest : public QObject {
    Q_OBJECT
private slots:
    void fullStopIsAppendedOnlyAfterCharactersSortingAfterIt();
    void exceptionLeavingAnEventHandlerIsShownAndTheProgramGoesOn();
    void exceptionMissedByAHandlerReachesTheBoxThroughTheApplication();
};

void ErrorBoxTest::fullStopIsAppendedOnlyAfterCharactersSortingAfterIt() {
    QCOMPARE(ErrorBox::boxText(QStringLiteral("Disk full")), QStringLiteral("Disk full."));
    QCOMPARE(ErrorBox::boxText(QStringLiteral("Done.")), QStringLiteral("Done."));
    QCOMPARE(ErrorBox::boxText(QStringLiteral("Why?")), QStringLiteral("Why?."));
    QCOMPARE(ErrorBox::boxText(QStringLiteral("Stop!")), QStringLiteral("Stop!"));
    QCOMPARE(ErrorBox::boxText(QStringLiteral("a,")), QStringLiteral("a,"));
    QCOMPARE(ErrorBox::boxText(QStringLiteral("file 7")), QStringLiteral("file 7."));
    QCOMPARE(ErrorBox::boxText(QString()), QString());
}

void ErrorBoxTest::exceptionLeavingAnEventHandlerIsShownAndTheProgramGoesOn() {
    // Handlers run through the guard, so an error never unwinds through Qt's
    // own input handling.
    QPushButton button(QStringLiteral("go"));
    int clicks = 0;
    connect(&button, &QPushButton::clicked, [&] {
        ErrorBox::guard([&] {
            ++clicks;
            throw std::runtime_error("Cannot write /x/y");
        });
    });
    button.show();
    ModalAnswerer answerer;
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicks, 2);
    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen()[0].title, QStringLiteral("Pictavo"));
    QCOMPARE(answerer.seen()[0].text, QStringLiteral("Cannot write /x/y."));
    QCOMPARE(answerer.seen()[0].icon, QMessageBox::Critical);
    QCOMPARE(answerer.seen()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void ErrorBoxTest::exceptionMissedByAHandlerReachesTheBoxThroughTheApplication() {
    ModalAnswerer answerer;
    bool ran = false;
    QTimer::singleShot(0, this, [&] {
        ran = true;
        throw std::runtime_error("Not guarded");
    });
    QTRY_VERIFY(ran);
    QTRY_COMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen()[0].title, QStringLiteral("Pictavo"));
    QCOMPARE(answerer.seen()[0].text, QStringLiteral("Not guarded."));
}

PICTAVO_QTEST_MAIN(ErrorBoxTest)
#include "ErrorBoxTest.moc"
