#include "help/HelpWindow.h"

#include <QFile>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include "help/HelpCommands.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

using namespace pictavo::HelpCommands;

namespace {
const QString kHelpFile = QStringLiteral("Pictavo.qch");
}

class HelpWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensTheBuiltFileAtTheDefaultTopicThenTheContext();
    void followsLinksAndGoesBackAndForward();
    void repeatedRequestsReuseTheOneWindow();
    void aMissingOrDamagedFileOrAnUnmappedContextShowsNothing();
    void looksNextToTheProgramFirst();
};

void HelpWindowTest::opensTheBuiltFileAtTheDefaultTopicThenTheContext() {
    HelpWindow window({QStringLiteral(PICTAVO_HELP_DIR)});
    window.HtmlHelp(kHelpFile, kDisplayTopic, 0);
    QVERIFY(window.isVisible());
    QCOMPARE(window.documentTitle(), QStringLiteral("Pictavo Help"));
    window.HtmlHelp(kHelpFile, kHelpContextHH, 1);
    QCOMPARE(window.documentTitle(), QStringLiteral("The main window"));
    QCOMPARE(window.source().scheme(), QStringLiteral("qthelp"));
    QVERIFY(window.source().path().endsWith(QStringLiteral("/mainwindow.html")));
    // The page's text, not just its title, came out of the file.
    auto* browser = window.findChild<QTextBrowser*>(QStringLiteral("browser"));
    QVERIFY(browser->toPlainText().contains(QStringLiteral("Select Source Folder")));
    window.HtmlHelp(kHelpFile, kCloseAll, 0);
    QVERIFY(window.isHidden());
}

void HelpWindowTest::followsLinksAndGoesBackAndForward() {
    HelpWindow window({QStringLiteral(PICTAVO_HELP_DIR)});
    window.HtmlHelp(kHelpFile, kHelpContextHH, 1);
    auto* browser = window.findChild<QTextBrowser*>(QStringLiteral("browser"));
    auto* back = window.findChild<QToolButton*>(QStringLiteral("back"));
    auto* forward = window.findChild<QToolButton*>(QStringLiteral("forward"));
    // A link of the page, as a click on it would follow it.
    browser->setSource(browser->source().resolved(QUrl(QStringLiteral("keys.html"))));
    QCOMPARE(window.documentTitle(), QStringLiteral("Keys and mouse actions"));
    QVERIFY(back->isEnabled());
    QVERIFY(!forward->isEnabled());
    back->click();
    QCOMPARE(window.documentTitle(), QStringLiteral("The main window"));
    QVERIFY(forward->isEnabled());
    forward->click();
    QCOMPARE(window.documentTitle(), QStringLiteral("Keys and mouse actions"));
}

void HelpWindowTest::repeatedRequestsReuseTheOneWindow() {
    HelpWindow window({QStringLiteral(PICTAVO_HELP_DIR)});
    for (int i = 0; i < 3; ++i) {
        window.HtmlHelp(kHelpFile, kDisplayTopic, 0);
        window.HtmlHelp(kHelpFile, kHelpContextHH, 1);
        QCOMPARE(window.documentTitle(), QStringLiteral("The main window"));
        QVERIFY(window.isVisible());
    }
    QCOMPARE(window.findChildren<QTextBrowser*>().size(), 1);
}

void HelpWindowTest::aMissingOrDamagedFileOrAnUnmappedContextShowsNothing() {
    pictavo::test::TempDir tmp;
    const QString damagedDir = QString::fromStdString(tmp.path());
    QFile damaged(damagedDir + QStringLiteral("/Pictavo.qch"));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("SQLite format 3, or so it says\n");
    damaged.close();
    ModalAnswerer answerer;
    for (const QString& folder : {QStringLiteral("/nonexistent"), damagedDir}) {
        HelpWindow window({folder});
        window.HtmlHelp(kHelpFile, kDisplayTopic, 0);
        window.HtmlHelp(kHelpFile, kHelpContextHH, 1);
        QVERIFY(window.isHidden());
        QCOMPARE(window.documentTitle(), QString());
    }
    HelpWindow window({QStringLiteral(PICTAVO_HELP_DIR)});
    window.HtmlHelp(kHelpFile, kHelpContextHH, 7);
    QVERIFY(window.isHidden());
    window.HtmlHelp(kHelpFile, kDisplayTopic, 0);
    window.HtmlHelp(kHelpFile, kHelpContextHH, 7);
    QCOMPARE(window.documentTitle(), QStringLiteral("Pictavo Help"));
    QTest::qWait(50);
    QVERIFY(answerer.seen().isEmpty());  // no message of any kind
}

void HelpWindowTest::looksNextToTheProgramFirst() {
    const QStringList folders = HelpWindow::StandardFolders();
    QCOMPARE(folders.size(), 2);
    QCOMPARE(folders[0], QCoreApplication::applicationDirPath());
    QVERIFY(folders[1].endsWith(QStringLiteral("/share/pictavo")));
    QCOMPARE(HelpFile::Locate(kHelpFile,
                              {QStringLiteral("/nonexistent"), QStringLiteral(PICTAVO_HELP_DIR)}),
             QStringLiteral(PICTAVO_HELP_DIR "/Pictavo.qch"));
}

PICTAVO_QTEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
