#include <QPushButton>
#include <QTest>

#include <stdexcept>

#include "app/ErrorBox.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"

class ErrorBoxTest : public QObject {
    Q_OBJECT
private slots:
    void fullStopIsAppendedOnlyAfterCharactersSortingAfterIt();
    void exceptionLeavingAnEventHandlerIsShownAndTheProgramGoesOn();
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
    QPushButton button(QStringLiteral("go"));
    int clicks = 0;
    connect(&button, &QPushButton::clicked, [&] {
        ++clicks;
        throw std::runtime_error("Cannot write /x/y");
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

PICTAVO_QTEST_MAIN(ErrorBoxTest)
#include "ErrorBoxTest.moc"
