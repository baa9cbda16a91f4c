#include "app/TfrmFolderMan.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <memory>
#include <stdexcept>

#include "FakeCropWindow.h"
#include "settings/SettingsStore.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"
#include "ui/LinkLabel.h"
#include "ui/PictureBox.h"

namespace {

// Answers the folder dialog: records its title and preselected folder, then
// types `path` into it and confirms, or cancels when `path` is empty.
struct FolderDialogAnswer {
    QString path;
    QString title;
    QString preselected;
    int seen = 0;

    ModalAnswerer::Answer answer() {
        return [this](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) {
                return;
            }
            ++seen;
            title = dialog->windowTitle();
            preselected = dialog->directory().absolutePath();
            QVERIFY(dialog->testOption(QFileDialog::ShowDirsOnly));
            QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
            if (path.isEmpty()) {
                dialog->reject();
                return;
            }
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        };
    }
};

}  // namespace

class TfrmFolderManTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstStartShowsAnEmptyWindow();
    void linkLabelsTurnNavyUnderTheMouse();
    void choosingFoldersThroughTheDialog();
    void cancellingStillRefreshesTheCheckMarks();
    void theRootKeepsItsSeparator();
    void startingWithoutFoldersWarns();
    void resumePointAndItsClearPicture();
    void aResumeTextThatIsNoNumberIsShownThenRejected();
    void aBadResumeTextAtStartUpSkipsTheFolderCheck();
    void theGlobeOpensTheWebSiteOrReportsWhyNot();
    void escapeClosesTheWindowOnlyWhenPressedThere();
    void aRunSummarisesAndASecondStartIsIgnored();
    void closingTheWindowDuringARunStopsIt();

private:
    QLabel* label(const char* name) { return m_window->findChild<QLabel*>(name); }
    QWidget* widget(const char* name) { return m_window->findChild<QWidget*>(name); }
    QLineEdit* edit(const char* name) { return m_window->findChild<QLineEdit*>(name); }
    void click(const char* name) {
        QWidget* w = widget(name);
        QVERIFY(w);
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    }
    QString path(const QString& name) const {
        return QString::fromStdString(m_tmp->path()) + QLatin1Char('/') + name;
    }
    // Shows the window as if the store had restored these texts.
    void showWith(const QString& source, const QString& dest) {
        edit("m_edSource")->setText(source);
        edit("m_edDest")->setText(dest);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    std::unique_ptr<pictavo::test::TempDir> m_tmp;
    std::unique_ptr<TfrmFolderMan> m_window;
};

void TfrmFolderManTest::initTestCase() {
    // The tests drive Qt's own dialog, whatever the desktop would offer.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

void TfrmFolderManTest::init() {
    // Each test starts with nothing stored.
    QFile::remove(pictavo::SettingsStore::standardFilePath(pictavo::RegRoot::CurrentUser));
    QFile::remove(pictavo::SettingsStore::standardFilePath(pictavo::RegRoot::LocalMachine));
    m_tmp = std::make_unique<pictavo::test::TempDir>();
    QDir().mkpath(path(QStringLiteral("photos")));
    QDir().mkpath(path(QStringLiteral("other")));
    QDir().mkpath(path(QStringLiteral("prints")));
    m_window = std::make_unique<TfrmFolderMan>();
}

void TfrmFolderManTest::cleanup() {
    m_window.reset();
    m_tmp.reset();
}

void TfrmFolderManTest::firstStartShowsAnEmptyWindow() {
    showWith(QString(), QString());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Pictavo"));
    QCOMPARE(m_window->size(), QSize(578, 391));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QVERIFY(widget("m_imgCheck1")->isHidden());
    QVERIFY(widget("m_imgCheck2")->isHidden());
    QVERIFY(widget("m_lblStartFrom")->isHidden());
    QVERIFY(widget("m_imgClearBtn")->isHidden());
    QCOMPARE(label("m_lblLastProcessed")->text(), QString());
    QCOMPARE(edit("m_edSource")->text(), QString());
    QCOMPARE(edit("m_edDest")->text(), QString());
    QCOMPARE(m_window->statusText(0), QStringLiteral("Ready"));
    QCOMPARE(m_window->statusText(1), QString());
    QCOMPARE(label("m_sbPanel0")->width(), 280);
    QCOMPARE(widget("m_sb")->geometry(), QRect(0, 372, 578, 19));
    QCOMPARE(widget("m_edSource")->geometry(), QRect(280, 249, 297, 21));
    QVERIFY(edit("m_edSource")->isReadOnly());
    QCOMPARE(label("m_lblInfo")->text().split(QStringLiteral("\r\n")).size(), 5);
    QVERIFY(label("m_lblInfo")
                ->text()
                .startsWith(QStringLiteral(
                    "Pictavo is a simple photo \"Prepare to Print\" tool. It allows to perfom "
                    "simple\r\noperations like cropping")));
    QVERIFY(label("m_lblInfo")
                ->text()
                .endsWith(QStringLiteral(
                    "\r\nUse ESC key to quit. Hold SHIFT to show advanced image processing "
                    "toolbar.")));
    // The artwork is compiled in.
    for (const char* name : {"m_imgLogo", "m_imgGlobe", "m_imgCheck1", "m_imgClearBtn"}) {
        auto* picture = m_window->findChild<PictureBox*>(name);
        QVERIFY2(picture && picture->hasPicture(), name);
    }

    // The menu entry's name and icon: a dock shows this icon and groups the
    // window with the entry.
    const QString desktop =
        qEnvironmentVariable("PICTAVO_SOURCE_DIR") + QStringLiteral("/resources/desktop/");
    QVERIFY2(
        QFile::exists(desktop + QGuiApplication::desktopFileName() + QStringLiteral(".desktop")),
        qPrintable(QGuiApplication::desktopFileName()));
    for (const int size : {16, 48, 256}) {
        const QImage shown = m_window->windowIcon().pixmap(QSize(size, size), 1.0).toImage();
        const QImage menu(desktop + QStringLiteral("pictavo-%1.png").arg(size));
        QVERIFY(!menu.isNull());
        QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 menu.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QCOMPARE(QApplication::focusWidget(), widget("m_edSource"));
}

void TfrmFolderManTest::linkLabelsTurnNavyUnderTheMouse() {
    showWith(QString(), QString());
    for (const char* name :
         {"m_lblMoreInfo", "m_lblAbout", "m_lblSourceFolder", "m_lblDistFolder", "m_lblStart"}) {
        auto* link = m_window->findChild<LinkLabel*>(name);
        QVERIFY2(link, name);
        QVERIFY(link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(link->textColour(), QColor(0, 0, 255));
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(link, &enter);
        QCOMPARE(link->textColour(), QColor(0, 0, 128));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(link, &leave);
        QCOMPARE(link->textColour(), QColor(0, 0, 255));
    }
}

void TfrmFolderManTest::choosingFoldersThroughTheDialog() {
    showWith(QString(), QString());
    FolderDialogAnswer dialog;
    ModalAnswerer answerer(dialog.answer());

    dialog.path = path(QStringLiteral("photos"));
    click("m_lblSourceFolder");
    QCOMPARE(dialog.seen, 1);
    QCOMPARE(dialog.title, QStringLiteral("Browse for Source Folder"));
    QCOMPARE(m_window->sourceFolder(), path(QStringLiteral("photos")));
    QCOMPARE(edit("m_edSource")->text(), path(QStringLiteral("photos")));
    QVERIFY(!widget("m_imgCheck1")->isHidden());
    QVERIFY(widget("m_imgCheck2")->isHidden());

    // The same folder again keeps the resume point, and is preselected.
    m_window->SetLastProcessed(QStringLiteral("4"));
    click("m_lblSourceFolder");
    QCOMPARE(dialog.preselected, path(QStringLiteral("photos")));
    QCOMPARE(label("m_lblLastProcessed")->text(), QStringLiteral("4"));
    QCOMPARE(m_window->startFrom(), 4);

    // A destination never touches it.
    dialog.path = path(QStringLiteral("prints"));
    click("m_lblDistFolder");
    QCOMPARE(dialog.title, QStringLiteral("Browse for Destination Folder"));
    QCOMPARE(m_window->destFolder(), path(QStringLiteral("prints")));
    QVERIFY(!widget("m_imgCheck2")->isHidden());
    QCOMPARE(m_window->startFrom(), 4);

    // Another source clears it.
    dialog.path = path(QStringLiteral("other"));
    click("m_lblSourceFolder");
    QCOMPARE(m_window->sourceFolder(), path(QStringLiteral("other")));
    QCOMPARE(label("m_lblLastProcessed")->text(), QString());
    QVERIFY(widget("m_lblStartFrom")->isHidden());
    QCOMPARE(m_window->startFrom(), 0);
    QCOMPARE(dialog.seen, 4);
}

void TfrmFolderManTest::cancellingStillRefreshesTheCheckMarks() {
    showWith(path(QStringLiteral("photos")), path(QStringLiteral("prints")));
    QVERIFY(!widget("m_imgCheck1")->isHidden());
    QVERIFY(!widget("m_imgCheck2")->isHidden());
    m_window->SetLastProcessed(QStringLiteral("2"));

    QVERIFY(QDir(path(QStringLiteral("prints"))).removeRecursively());
    FolderDialogAnswer dialog;  // cancels
    ModalAnswerer answerer(dialog.answer());
    click("m_lblSourceFolder");
    QCOMPARE(dialog.seen, 1);
    QCOMPARE(m_window->sourceFolder(), path(QStringLiteral("photos")));
    QCOMPARE(m_window->destFolder(), path(QStringLiteral("prints")));
    QVERIFY(!widget("m_imgCheck1")->isHidden());
    QVERIFY(widget("m_imgCheck2")->isHidden());
    QCOMPARE(m_window->startFrom(), 2);
}

void TfrmFolderManTest::theRootKeepsItsSeparator() {
    showWith(QString(), QString());
    FolderDialogAnswer dialog;
    dialog.path = QStringLiteral("/");
    ModalAnswerer answerer(dialog.answer());
    click("m_lblDistFolder");
    QCOMPARE(m_window->destFolder(), QStringLiteral("/"));
    QCOMPARE(edit("m_edDest")->text(), QStringLiteral("/"));
    QVERIFY(!widget("m_imgCheck2")->isHidden());
}

void TfrmFolderManTest::startingWithoutFoldersWarns() {
    FakeCropWindow crop;
    m_window->setCropWindow(&crop);
    showWith(path(QStringLiteral("photos")), path(QStringLiteral("missing")));
    ModalAnswerer answerer;
    click("m_lblStart");
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen()[0].title, QStringLiteral("Warning"));
    QCOMPARE(answerer.seen()[0].text,
             QStringLiteral("Please make sure that source and destination folders are "
                            "specified and exist"));
    QCOMPARE(answerer.seen()[0].icon, QMessageBox::Warning);
    QCOMPARE(answerer.seen()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!crop.isVisible());
    QCOMPARE(m_window->statusText(1), QString());
}

void TfrmFolderManTest::resumePointAndItsClearPicture() {
    showWith(QString(), QString());
    m_window->SetLastProcessed(QStringLiteral("12"));
    QCOMPARE(label("m_lblLastProcessed")->text(), QStringLiteral("12"));
    QVERIFY(!widget("m_lblStartFrom")->isHidden());
    QVERIFY(!widget("m_imgClearBtn")->isHidden());
    QCOMPARE(m_window->startFrom(), 12);
    QCOMPARE(widget("m_imgClearBtn")->toolTip(), QStringLiteral("Clear"));
    click("m_imgClearBtn");
    QCOMPARE(label("m_lblLastProcessed")->text(), QString());
    QVERIFY(widget("m_lblStartFrom")->isHidden());
    QVERIFY(widget("m_imgClearBtn")->isHidden());
    QCOMPARE(m_window->startFrom(), 0);
}

void TfrmFolderManTest::aResumeTextThatIsNoNumberIsShownThenRejected() {
    showWith(QString(), QString());
    m_window->SetLastProcessed(QStringLiteral("3"));
    try {
        m_window->SetLastProcessed(QStringLiteral("x7"));
        QFAIL("no error");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("'x7' is not a valid integer value"));
    }
    QCOMPARE(label("m_lblLastProcessed")->text(), QStringLiteral("x7"));
    QVERIFY(!widget("m_imgClearBtn")->isHidden());
    QCOMPARE(m_window->startFrom(), 0);
}

void TfrmFolderManTest::aBadResumeTextAtStartUpSkipsTheFolderCheck() {
    // As if the store had been edited from outside.
    label("m_lblLastProcessed")->setText(QStringLiteral("x7"));
    ModalAnswerer answerer;
    showWith(path(QStringLiteral("photos")), path(QStringLiteral("prints")));
    QTRY_COMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen()[0].title, QStringLiteral("Pictavo"));
    QCOMPARE(answerer.seen()[0].text, QStringLiteral("'x7' is not a valid integer value."));
    QVERIFY(m_window->isVisible());
    QCOMPARE(label("m_lblLastProcessed")->text(), QStringLiteral("x7"));
    QVERIFY(!widget("m_imgClearBtn")->isHidden());
    QCOMPARE(m_window->startFrom(), 0);
    // The folders were taken, but their check marks wait for the next choice.
    QCOMPARE(m_window->sourceFolder(), path(QStringLiteral("photos")));
    QVERIFY(widget("m_imgCheck1")->isHidden());
    QVERIFY(widget("m_imgCheck2")->isHidden());
}

void TfrmFolderManTest::theGlobeOpensTheWebSiteOrReportsWhyNot() {
    showWith(QString(), QString());
    QList<QUrl> opened;
    bool succeed = true;
    m_window->setUrlOpener([&](const QUrl& url) {
        opened << url;
        return succeed;
    });
    QWidget* globe = widget("m_imgGlobe");
    QCOMPARE(globe->toolTip(), QStringLiteral("Vornholt Web Site"));
    QTest::mousePress(globe, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(globe, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mousePress(globe, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(globe, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened[0], QUrl(QString::fromLatin1(TfrmFolderMan::kMakerWebSite) + "/"));

    succeed = false;
    ModalAnswerer answerer;
    QTest::mousePress(globe, Qt::MiddleButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(globe, Qt::MiddleButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(opened.size(), 2);
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen()[0].title, QStringLiteral("Pictavo"));
    QCOMPARE(answerer.seen()[0].icon, QMessageBox::Critical);
    QVERIFY(answerer.seen()[0].text.contains(opened[1].toString()));
    QVERIFY(m_window->isVisible());
}

void TfrmFolderManTest::escapeClosesTheWindowOnlyWhenPressedThere() {
    FakeCropWindow crop;
    m_window->setCropWindow(&crop);
    showWith(QString(), QString());
    crop.show();
    // The release of an Escape whose press closed something else is not ours.
    QTest::keyRelease(edit("m_edDest"), Qt::Key_Escape);
    QVERIFY(m_window->isVisible());
    QTest::keyClick(edit("m_edDest"), Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    QVERIFY(!crop.isVisible());
}

void TfrmFolderManTest::aRunSummarisesAndASecondStartIsIgnored() {
    const QString source = path(QStringLiteral("photos"));
    for (const char* name : {"1.jpg", "2.jpg", "3.JPG", "4.jpeg", "notes.txt"}) {
        QFile f(source + QLatin1Char('/') + QString::fromUtf8(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    FakeCropWindow crop;
    m_window->setCropWindow(&crop);
    showWith(source, path(QStringLiteral("prints")));

    // The user: crops the first, skips the second, tries to start another run
    // from the main window, and leaves on the third.
    crop.script = {FakeCropWindow::Command::Crop, FakeCropWindow::Command::Skip,
                   FakeCropWindow::Command::Escape};
    int secondStarts = 0;
    QTimer user;
    user.setInterval(5);
    connect(&user, &QTimer::timeout, this, [&] {
        if (crop.shown.size() == 2 && secondStarts == 0) {
            ++secondStarts;
            QVERIFY(m_window->running());
            click("m_lblStart");
        }
        crop.act([this] { m_window->StepBack(); });
    });
    user.start();
    click("m_lblStart");
    user.stop();

    QVERIFY(!m_window->running());
    QCOMPARE(secondStarts, 1);
    QCOMPARE(crop.shown.size(), 3);
    QVERIFY(!crop.isVisible());
    QCOMPARE(m_window->statusText(1), QStringLiteral("2 images processed, 1 images cropped."));
    QCOMPARE(m_window->statusText(0), QStringLiteral("Ready"));
    QCOMPARE(label("m_lblLastProcessed")->text(), QStringLiteral("2"));
    QVERIFY(!widget("m_lblStartFrom")->isHidden());
    QCOMPARE(m_window->startFrom(), 2);
}

void TfrmFolderManTest::closingTheWindowDuringARunStopsIt() {
    const QString source = path(QStringLiteral("photos"));
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg"}) {
        QFile f(source + QLatin1Char('/') + QString::fromUtf8(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    FakeCropWindow crop;
    m_window->setCropWindow(&crop);
    showWith(source, path(QStringLiteral("prints")));

    QTimer user;
    user.setInterval(5);
    connect(&user, &QTimer::timeout, this, [&] {
        if (crop.shown.size() == 2 && m_window->isVisible()) {
            m_window->close();  // hides the crop window: the run stops
            return;
        }
        crop.act([this] { m_window->StepBack(); });
    });
    user.start();
    click("m_lblStart");
    user.stop();

    QVERIFY(!m_window->running());
    QVERIFY(!crop.isVisible());
    QCOMPARE(crop.shown.size(), 2);
    QCOMPARE(m_window->statusText(1), QStringLiteral("1 images processed, 0 images cropped."));
    QCOMPARE(label("m_lblLastProcessed")->text(), QStringLiteral("1"));
}

PICTAVO_QTEST_MAIN(TfrmFolderManTest)
#include "TfrmFolderManTest.moc"
