#include "help/HelpWindow.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QHelpContentWidget>
#include <QHelpIndexWidget>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>

#include "app/TfrmOptionsDialog.h"

#include "help/HelpCommands.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

using namespace pictavo::HelpCommands;

namespace {
const QString kHelpFile = QStringLiteral("Pictavo.qch");

// Takes the links the desktop is given, in place of a browser.
class DesktopLinks : public QObject {
    Q_OBJECT
public:
    DesktopLinks() {
        for (const char* scheme : {"http", "https", "mailto", "file"}) {
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "take");
        }
    }
    ~DesktopLinks() override {
        for (const char* scheme : {"http", "https", "mailto", "file"}) {
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
        }
    }
    QList<QUrl> taken;
public slots:
    void take(const QUrl& url) { taken.append(url); }
};

QString pageFile(const QUrl& url) {
    return url.path().section(QLatin1Char('/'), -1);
}

// Clicks the link whose text is `text` on the shown page, where it is drawn.
bool clickLink(QTextBrowser* browser, const QString& text) {
    const QTextCursor found = browser->document()->find(text);
    if (found.isNull() || !found.charFormat().isAnchor()) {
        return false;
    }
    QTextCursor inside = found;
    inside.setPosition(found.selectionStart() + 1);
    const QPoint at = browser->cursorRect(inside).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    return true;
}

// Tab to the first link of the browser's page and Enter on it.
void enterOnFirstLink(QTextBrowser* browser) {
    browser->setFocus();
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
}

QString plainText(const QByteArray& html) {
    QTextDocument document;
    document.setHtml(QString::fromUtf8(html));
    return document.toPlainText();
}

// What a dialog calls its option: an access letter and an explanation in
// brackets or after a colon are no part of it.
QString optionName(QString caption) {
    caption.remove(QLatin1Char('&'));
    return caption.section(QLatin1Char('('), 0, 0).section(QLatin1Char(':'), 0, 0).trimmed();
}

// The keys a function of the crop window's input acts on, as written there.
QList<Qt::Key> keysHandledBy(const QString& function) {
    QFile source(QStringLiteral(PICTAVO_SOURCE_DIR "/src/crop/TfrmImageInput.cpp"));
    if (!source.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString code = QString::fromUtf8(source.readAll());
    const qsizetype start = code.indexOf(QStringLiteral("void TfrmImage::") + function + '(');
    const qsizetype end = code.indexOf(QStringLiteral("\n}\n"), start);
    if (start < 0 || end < 0) {
        return {};
    }
    const QMetaEnum keys = QMetaEnum::fromType<Qt::Key>();
    QList<Qt::Key> result;
    QRegularExpression name(QStringLiteral("Qt::(Key_\\w+)"));
    for (const auto& match : name.globalMatch(code.mid(start, end - start))) {
        bool ok = false;
        const int key = keys.keyToValue(match.captured(1).toLatin1().constData(), &ok);
        if (ok && !result.contains(Qt::Key(key))) {
            result.append(Qt::Key(key));
        }
    }
    return result;
}

// The names a page may give a key: "Page Up" for Key_PageUp, and the
// keyboard's own short name ("Esc", "PgUp", "Z").
QStringList keyNames(Qt::Key key) {
    QString spelled = QString::fromLatin1(QMetaEnum::fromType<Qt::Key>().valueToKey(key)).mid(4);
    spelled.replace(QRegularExpression(QStringLiteral("([a-z])([A-Z])")),
                    QStringLiteral("\\1 \\2"));
    return {spelled, QKeySequence(key).toString(QKeySequence::PortableText)};
}
}  // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensTheBuiltFileAtTheDefaultTopicThenTheContext();
    void followsLinksAndGoesBackAndForward();
    void repeatedRequestsReuseTheOneWindow();
    void aMissingOrDamagedFileOrAnUnmappedContextShowsNothing();
    void looksNextToTheProgramFirst();
    void linksClickedOrEnteredShowTheirPageWebLinksGoToTheDesktop();
    void contentsIndexAndSearchLeadToTheirPages();
    void everyOptionAndEveryCropWindowKeyIsNamedOnItsPage();
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
    QCOMPARE(window.findChildren<QTextBrowser*>(QStringLiteral("browser")).size(), 1);
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

void HelpWindowTest::linksClickedOrEnteredShowTheirPageWebLinksGoToTheDesktop() {
    DesktopLinks desktop;
    HelpWindow window({QStringLiteral(PICTAVO_HELP_DIR)});
    window.HtmlHelp(kHelpFile, kHelpContextHH, 1);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* browser = window.findChild<QTextBrowser*>(QStringLiteral("browser"));

    // The navigation bar, then a link in the text.
    QVERIFY(clickLink(browser, QStringLiteral("Keys and mouse")));
    QCOMPARE(window.documentTitle(), QStringLiteral("Keys and mouse actions"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Keys and mouse actions - Pictavo Help"));
    QVERIFY(clickLink(browser, QStringLiteral("adjustment toolbar")));
    QCOMPARE(pageFile(window.source()), QStringLiteral("adjust.html"));
    QCOMPARE(window.source().scheme(), QStringLiteral("qthelp"));
    // Enter on the first link of the page, reached with Tab.
    enterOnFirstLink(browser);
    QCOMPARE(window.documentTitle(), QStringLiteral("Pictavo Help"));
    QVERIFY(desktop.taken.isEmpty());

    // The maker's site goes to the desktop; the page stays.
    window.HtmlHelp(kHelpFile, kHelpContextHH, 1);
    QVERIFY(clickLink(browser, QStringLiteral("www.vornholt.example")));
    QCOMPARE(desktop.taken, QList<QUrl>{QUrl(QStringLiteral("https://www.vornholt.example/"))});
    QCOMPARE(window.documentTitle(), QStringLiteral("The main window"));
}

void HelpWindowTest::contentsIndexAndSearchLeadToTheirPages() {
    HelpWindow window({QStringLiteral(PICTAVO_HELP_DIR)});
    window.HtmlHelp(kHelpFile, kHelpContextHH, 1);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* panes = window.findChild<QTabWidget*>(QStringLiteral("panes"));
    QCOMPARE(panes->count(), 3);

    // Contents: the entry of a page, clicked, or chosen and entered.
    auto* contents = window.findChild<QHelpContentWidget*>(QStringLiteral("contents"));
    QTRY_VERIFY(contents->model()->rowCount() > 0);
    const QModelIndexList options = contents->model()->match(
        contents->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("Options"), 1,
        Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(options.size(), 1);
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, Qt::NoModifier,
                      contents->visualRect(options.first()).center());
    QCOMPARE(window.documentTitle(), QStringLiteral("Options"));
    auto* back = window.findChild<QToolButton*>(QStringLiteral("back"));
    back->click();  // one click, one step
    QCOMPARE(window.documentTitle(), QStringLiteral("The main window"));
    contents->setCurrentIndex(options.first());
    QTest::keyClick(contents, Qt::Key_Return);
    QCOMPARE(window.documentTitle(), QStringLiteral("Options"));
    // ... and the entry follows the page however it was reached.
    window.HtmlHelp(kHelpFile, kHelpContextHH, 1);
    QCOMPARE(contents->currentIndex().data().toString(), QStringLiteral("The main window"));

    // Index: a word typed, Enter.
    panes->setCurrentIndex(1);
    auto* filter = window.findChild<QLineEdit*>(QStringLiteral("indexFilter"));
    auto* index = window.findChild<QHelpIndexWidget*>(QStringLiteral("index"));
    QTRY_VERIFY(index->model()->rowCount() > 0);
    QTest::keyClicks(filter, QStringLiteral("Red-ey"));
    QTest::keyClick(filter, Qt::Key_Return);
    QCOMPARE(pageFile(window.source()), QStringLiteral("adjust.html"));
    QCOMPARE(window.source().fragment(), QStringLiteral("redeye"));

    // Search: a word that only the text of one page holds, then its hit.
    panes->setCurrentIndex(2);
    auto* query =
        window.findChild<QWidget*>(QStringLiteral("searchQuery"))->findChild<QLineEdit*>();
    auto* results =
        window.findChild<QWidget*>(QStringLiteral("searchResults"))->findChild<QTextBrowser*>();
    QVERIFY(query && results);
    QTest::keyClicks(query, QStringLiteral("unmounted"));
    // The index of a newly opened file is still being made for a moment.
    for (int i = 0; i < 50 && !results->toHtml().contains(QStringLiteral("errors.html")); ++i) {
        QTest::keyClick(query, Qt::Key_Return);
        QTest::qWait(200);
    }
    QVERIFY(results->toHtml().contains(QStringLiteral("errors.html")));
    enterOnFirstLink(results);
    QCOMPARE(window.documentTitle(), QStringLiteral("When something goes wrong"));
}

void HelpWindowTest::everyOptionAndEveryCropWindowKeyIsNamedOnItsPage() {
    HelpFile file;
    QVERIFY(file.open(QStringLiteral(PICTAVO_HELP_DIR "/Pictavo.qch")));
    const QUrl home = file.topic(HelpFile::DefaultTopicId());

    const QString optionsPage = plainText(file.fileData(home.resolved(QUrl("options.html"))));
    TfrmOptionsDialog dialog(nullptr);
    QStringList named;
    for (const QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
        named << optionName(box->text());
    }
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->buddy()) {
            named << optionName(label->text());
        }
    }
    QVERIFY(named.size() >= 2);
    for (const QString& option : named) {
        QVERIFY2(!option.isEmpty() && optionsPage.contains(option), qPrintable(option));
    }

    QSet<QString> keysOnPage;
    const QString keysPage = QString::fromUtf8(file.fileData(home.resolved(QUrl("keys.html"))));
    QRegularExpression kbd(QStringLiteral("<kbd>([^<]+)</kbd>"));
    for (const auto& match : kbd.globalMatch(keysPage)) {
        keysOnPage.insert(match.captured(1));
    }
    const QList<Qt::Key> handled = keysHandledBy(QStringLiteral("FormKeyUp"));
    QVERIFY(handled.contains(Qt::Key_Escape));
    for (Qt::Key key : handled) {
        const QStringList names = keyNames(key);
        const bool onPage = std::any_of(names.begin(), names.end(),
                                        [&](const QString& n) { return keysOnPage.contains(n); });
        QVERIFY2(onPage, qPrintable(names.join(QStringLiteral(" / "))));
    }
}

PICTAVO_QTEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
