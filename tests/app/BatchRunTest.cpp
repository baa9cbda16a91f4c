#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/TfrmFolderMan.h"
#include "core/JpegDecoder.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"
#include "settings/SettingsStore.h"
#include "support/FormatFixtures.h"
#include "support/JpegFixtures.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"
#include "support/RecordingCropLink.h"
#include "support/TempDir.h"

namespace {

using Action = std::function<void(TfrmImage&)>;

Action key(Qt::Key k) {
    return [k](TfrmImage& w) { QTest::keyClick(&w, k); };
}

Action leftClickOnThePicture() {
    return [](TfrmImage& w) {
        auto* view = w.findChild<TNOEraseBackgroundImage*>();
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, view->rect().center());
    };
}

Action rightClick() {
    return [](TfrmImage& w) {
        QTest::mouseClick(&w, Qt::RightButton, Qt::NoModifier, w.rect().center());
    };
}

}  // namespace

// Whole runs: the main window, the real crop window and real JPEG files,
// driven with key and mouse events as a user would.
class BatchRunTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void skipBackAndLeaveThenResume();
    void aCutFromASubfolderCarriesItsName();
    void aPhoneFolderIsCutWithMoreFormatsOnAndUntouchedWithItOff();
    void aSourceFolderThatGoesAwayEndsTheRunWithOneBox_data();
    void aSourceFolderThatGoesAwayEndsTheRunWithOneBox();
    void namesThatAreNoUtf8KeepTheirBytes();
    void aFailedCutComesBackAfterItsBoxWhileLaterCutsAreWritten();
    void aCutThatFailsTwiceComesBackFrozenBothTimes();
    void theRunEndsOnlyWhenItsCutsAreOnDisk();

private:
    QString file(const QString& name) const { return m_source + QLatin1Char('/') + name; }
    // Starts a run and answers each loaded picture with the next action.
    void run(const QList<Action>& actions) {
        qsizetype answered = 0;
        QTimer user;
        user.setInterval(10);
        connect(&user, &QTimer::timeout, this, [&] {
            if (!m_image->isVisible() || QApplication::activeModalWidget() ||
                m_link->loaded.size() == answered || m_image->m_nState != 0) {
                return;
            }
            answered = m_link->loaded.size();
            if (answered <= actions.size()) {
                actions[answered - 1](*m_image);
            } else {
                QTest::keyClick(m_image.get(), Qt::Key_Escape);  // more than the test expects
            }
        });
        user.start();
        QTest::mouseClick(m_window->findChild<QWidget*>(QStringLiteral("m_lblStart")),
                          Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    }

    std::unique_ptr<pictavo::test::TempDir> m_tmp;
    QString m_source;
    QString m_dest;
    std::unique_ptr<TfrmFolderMan> m_window;
    std::unique_ptr<TfrmImage> m_image;
    std::unique_ptr<RecordingCropLink> m_link;
};

void BatchRunTest::init() {
    // Each test starts with nothing stored.
    QFile::remove(pictavo::SettingsStore::standardFilePath(pictavo::RegRoot::CurrentUser));
    QFile::remove(pictavo::SettingsStore::standardFilePath(pictavo::RegRoot::LocalMachine));
    m_tmp = std::make_unique<pictavo::test::TempDir>();
    m_source = QString::fromStdString(m_tmp->file("photos"));
    m_dest = QString::fromStdString(m_tmp->file("prints"));
    QDir().mkpath(m_source);
    QDir().mkpath(m_dest);

    m_window = std::make_unique<TfrmFolderMan>();
    m_image = std::make_unique<TfrmImage>();
    m_link = std::make_unique<RecordingCropLink>(*m_image);
    m_window->setCropWindow(m_link.get());
    m_image->setStepBack([this] { m_window->StepBack(); });

    m_window->findChild<QLineEdit*>(QStringLiteral("m_edSource"))->setText(m_source);
    m_window->findChild<QLineEdit*>(QStringLiteral("m_edDest"))->setText(m_dest);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void BatchRunTest::cleanup() {
    m_window->setCropWindow(nullptr);
    m_link.reset();
    m_image.reset();
    m_window.reset();
    m_tmp.reset();
}

void BatchRunTest::skipBackAndLeaveThenResume() {
    pictavo::test::JpegFixtureOptions options;
    options.width = 96;
    options.height = 64;
    for (const char* name : {"a.jpg", "b.JPG", "d.jpeg", "e.jpg"}) {
        pictavo::test::writeJpegFixture(m_source.toStdString(), name, options);
    }
    QFile corrupt(file(QStringLiteral("c.jpg")));
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("this is no JPEG file");
    corrupt.close();
    QFile other(file(QStringLiteral("notes.txt")));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();

    ModalAnswerer answerer;  // answers the load error box with OK
    // a: Space; b: Page Down; c cannot be loaded; d: right click; e: Backspace
    // shows d again; there Page Up shows b; Space goes on through d and e
    // again; Esc on e.
    run({key(Qt::Key_Space), key(Qt::Key_PageDown), rightClick(), key(Qt::Key_Backspace),
         key(Qt::Key_PageUp), key(Qt::Key_Space), key(Qt::Key_Space), key(Qt::Key_Escape)});

    const QString a = file(QStringLiteral("a.jpg"));
    const QString b = file(QStringLiteral("b.JPG"));
    const QString c = file(QStringLiteral("c.jpg"));
    const QString d = file(QStringLiteral("d.jpeg"));
    const QString e = file(QStringLiteral("e.jpg"));
    QCOMPARE(m_link->loaded, QStringList({a, b, d, e, d, b, d, e}));
    QCOMPARE(m_link->attempts.count(c), 1);
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen()[0].text, QStringLiteral("Can't load file ") + c);
    QCOMPARE(answerer.seen()[0].icon, QMessageBox::Critical);

    QVERIFY(!m_image->isVisible());
    QVERIFY(!m_window->running());
    QCOMPARE(m_window->statusText(1), QStringLiteral("5 images processed, 0 images cropped."));
    // Stopped on e, the fourth picture that loaded: the resume number is 3.
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("m_lblLastProcessed"))->text(),
             QStringLiteral("3"));
    QVERIFY(!m_window->findChild<QWidget*>(QStringLiteral("m_lblStartFrom"))->isHidden());
    QVERIFY(QDir(m_dest).isEmpty());  // skipping writes nothing

    // The next run passes over a, b and d without loading them and begins with e.
    QVERIFY(QFile::remove(c));
    m_link->loaded.clear();
    m_link->attempts.clear();
    run({key(Qt::Key_Space)});
    QCOMPARE(m_link->attempts, QStringList({e}));
    QCOMPARE(m_window->statusText(1), QStringLiteral("1 images processed, 0 images cropped."));
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("m_lblLastProcessed"))->text(), QString());
    QVERIFY(m_window->findChild<QWidget*>(QStringLiteral("m_lblStartFrom"))->isHidden());
}

void BatchRunTest::aCutFromASubfolderCarriesItsName() {
    pictavo::test::JpegFixtureOptions options;
    options.width = 90;
    options.height = 60;
    pictavo::test::writeJpegFixture(m_source.toStdString(), "a.jpg", options);
    QDir().mkpath(file(QStringLiteral("2006")));
    pictavo::test::writeJpegFixture(file(QStringLiteral("2006")).toStdString(), "x.JPG", options);
    m_image->m_bRecurse = true;

    // "2006" sorts before "a.jpg": the subfolder comes first.
    run({leftClickOnThePicture(), rightClick()});
    QCOMPARE(m_link->loaded,
             QStringList({file(QStringLiteral("2006/x.JPG")), file(QStringLiteral("a.jpg"))}));
    QCOMPARE(QDir(m_dest).entryList(QDir::Files), QStringList({QStringLiteral("2006_x.JPG")}));
    QCOMPARE(m_window->statusText(1), QStringLiteral("2 images processed, 1 images cropped."));
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("m_lblLastProcessed"))->text(), QString());
}

void BatchRunTest::aPhoneFolderIsCutWithMoreFormatsOnAndUntouchedWithItOff() {
    pictavo::test::JpegFixtureOptions options;
    options.width = 90;
    options.height = 60;
    pictavo::test::writeJpegFixture(m_source.toStdString(), "a.jpg", options);
    // A phone's portrait: stored lying, with a quarter turn in the file.
    pictavo::test::writeHeifWithLibrary(file(QStringLiteral("a.HEIC")).toStdString(),
                                        pictavo::test::fixturePicture(90, 60), 6);
    pictavo::test::writeFormatFixture(m_source.toStdString(), "b.png", 90, 60);
    QFile damaged(file(QStringLiteral("c.webp")));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("RIFF\x10\0\0\0WEBPVP8 ");
    damaged.close();

    m_image->m_bMoreFormats = true;
    ModalAnswerer answerer;
    run({leftClickOnThePicture(), leftClickOnThePicture(), leftClickOnThePicture()});
    QCOMPARE(m_link->loaded,
             QStringList({file(QStringLiteral("a.HEIC")), file(QStringLiteral("a.jpg")),
                          file(QStringLiteral("b.png"))}));
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen()[0].text,
             QStringLiteral("Can't load file ") + file(QStringLiteral("c.webp")));
    QCOMPARE(QDir(m_dest).entryList(QDir::Files),
             QStringList({QStringLiteral("_a.HEIC.jpg"), QStringLiteral("_a.jpg"),
                          QStringLiteral("_b.png.jpg")}));
    QCOMPARE(m_window->statusText(1), QStringLiteral("3 images processed, 3 images cropped."));
    // The HEIC came up upright: its cut is a portrait.
    const pictavo::Picture cut =
        pictavo::decodeJpegFile((m_dest + QStringLiteral("/_a.HEIC.jpg")).toStdString());
    QCOMPARE(cut.width(), 60);
    QCOMPARE(cut.height(), 90);

    // Off, the walk is today's: only the JPEG file.
    m_image->m_bMoreFormats = false;
    m_link->loaded.clear();
    run({rightClick()});
    QCOMPARE(m_link->loaded, QStringList({file(QStringLiteral("a.jpg"))}));
}

void BatchRunTest::aSourceFolderThatGoesAwayEndsTheRunWithOneBox_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("deleted") << QStringLiteral("delete");
    QTest::newRow("renamed") << QStringLiteral("rename");
    // An unmounted drive leaves its empty mount point behind.
    QTest::newRow("unmounted") << QStringLiteral("replace");
}

void BatchRunTest::aSourceFolderThatGoesAwayEndsTheRunWithOneBox() {
    QFETCH(QString, how);
    pictavo::test::JpegFixtureOptions options;
    options.width = 48;
    options.height = 32;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"}) {
        pictavo::test::writeJpegFixture(m_source.toStdString(), name, options);
    }
    const Action goAwayThenSkip = [&](TfrmImage& w) {
        if (how == QLatin1String("delete")) {
            QVERIFY(QDir(m_source).removeRecursively());
        } else {
            QVERIFY(QDir().rename(m_source, m_source + QStringLiteral("-moved")));
            if (how == QLatin1String("replace")) {
                QVERIFY(QDir().mkpath(m_source));
            }
        }
        QTest::keyClick(&w, Qt::Key_Space);
    };
    ModalAnswerer answerer;
    run({key(Qt::Key_Space), goAwayThenSkip});

    QCOMPARE(m_link->attempts,
             QStringList({file(QStringLiteral("a.jpg")), file(QStringLiteral("b.jpg"))}));
    QCOMPARE(answerer.texts(),
             QStringList({QStringLiteral("The folder %1 can no longer be read (removed, renamed or "
                                         "unmounted). The run stops here.")
                              .arg(m_source)}));
    QCOMPARE(answerer.seen()[0].icon, QMessageBox::Warning);
    QCOMPARE(m_window->statusText(1), QStringLiteral("2 images processed, 0 images cropped."));
    // As if Esc had been pressed on b.jpg.
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("m_lblLastProcessed"))->text(),
             QStringLiteral("1"));
}

void BatchRunTest::namesThatAreNoUtf8KeepTheirBytes() {
    pictavo::test::JpegFixtureOptions options;
    options.width = 60;
    options.height = 40;
    const std::string source = m_source.toStdString();
    // In byte order: b, the Latin-1 "café", then two names of bytes that are
    // no UTF-8 at all, the last of them no JPEG file.
    for (const char* name : {"b.jpg", "caf\xe9.jpg", "\xff\xfe.jpg"}) {
        pictavo::test::writeJpegFixture(source, name, options);
    }
    pictavo::test::writeBytes(source + "/\xff\xff.jpg", {'n', 'o'});
    const QString cafe = file(QString::fromUtf8("caf\xef\xbf\xbd.jpg"));
    // Shown with a replacement character for each byte that is no UTF-8.
    const QString unreadable = file(QString::fromUtf8("\xef\xbf\xbd\xef\xbf\xbd.jpg"));

    ModalAnswerer answerer;
    run({leftClickOnThePicture(), leftClickOnThePicture(), key(Qt::Key_Escape)});
    QCOMPARE(m_link->loaded, QStringList({file(QStringLiteral("b.jpg")), cafe, unreadable}));
    QVERIFY(answerer.seen().isEmpty());
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("m_lblLastProcessed"))->text(),
             QStringLiteral("2"));
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(m_dest.toStdString())) {
        written.insert(entry.path().filename().string());
    }
    QCOMPARE(written, (std::set<std::string>{"_b.jpg", "_caf\xe9.jpg"}));
    const pictavo::Picture cut = pictavo::decodeJpegFile(m_dest.toStdString() + "/_caf\xe9.jpg");
    QVERIFY(cut.width() > 0 && cut.width() <= 60 && cut.height() > 0);

    // The resume number finds the same image again, and a file that cannot be
    // loaded is named readably in its box.
    m_link->attempts.clear();
    m_link->loaded.clear();
    run({rightClick()});
    QCOMPARE(m_link->attempts, QStringList({unreadable, unreadable}));
    QCOMPARE(m_link->loaded, QStringList({unreadable}));
    QCOMPARE(answerer.texts(), QStringList({QStringLiteral("Can't load file ") + unreadable}));
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("m_lblLastProcessed"))->text(), QString());
}

void BatchRunTest::aFailedCutComesBackAfterItsBoxWhileLaterCutsAreWritten() {
    pictavo::test::JpegFixtureOptions options;
    options.width = 96;
    options.height = 64;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        pictavo::test::writeJpegFixture(m_source.toStdString(), name, options);
    }
    const QString cutA = m_dest + QStringLiteral("/_a.jpg");
    // The disk fills up while a is written, once c is on screen.
    std::atomic<bool> diskFull{false};
    m_image->setCutWork([&](const pictavo::CutJob& job) {
        if (job.dest == cutA.toStdString()) {
            while (!diskFull) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            throw std::runtime_error("Cannot write " + job.dest + ": No space left on device");
        }
        pictavo::CutWriter::write(job);
    });

    // Each new picture on screen gets the next action: one loaded, or the
    // failed one back (its frame frozen) after the box.
    ModalAnswerer answerer;
    pictavo::Rect frameAtTheClick;
    bool backAsItWas = false;
    const QList<Action> actions = {
        [&](TfrmImage& w) {
            frameAtTheClick = w.cropRect();
            leftClickOnThePicture()(w);
        },
        leftClickOnThePicture(),
        [&](TfrmImage&) { diskFull = true; },
        [&](TfrmImage& w) {
            // a again, as the click left it: frame frozen where it was.
            backAsItWas =
                !w.tracking() && w.cropRect() == frameAtTheClick && m_link->loaded.size() == 3;
            QTest::keyClick(&w, Qt::Key_Space);
        },
        key(Qt::Key_Space),
        key(Qt::Key_Escape),
    };
    qsizetype step = 0;
    qsizetype answered = 0;
    bool cameBack = false;
    QTimer user;
    user.setInterval(10);
    connect(&user, &QTimer::timeout, this, [&] {
        const bool comeback = !cameBack && !answerer.seen().isEmpty() && !m_image->tracking();
        if (!m_image->isVisible() || QApplication::activeModalWidget() || m_image->m_nState != 0 ||
            (m_link->loaded.size() == answered && !comeback) || step >= actions.size()) {
            return;
        }
        cameBack = cameBack || comeback;
        answered = m_link->loaded.size();
        actions[step++](*m_image);
    });
    user.start();
    QTest::mouseClick(m_window->findChild<QWidget*>(QStringLiteral("m_lblStart")), Qt::LeftButton,
                      Qt::NoModifier, QPoint(3, 3));
    user.stop();

    QCOMPARE(answerer.texts(), QStringList({QStringLiteral("Cannot write ") + cutA +
                                            QStringLiteral(": No space left on device.")}));
    QVERIFY(backAsItWas);
    QCOMPARE(step, actions.size());
    const QString a = file(QStringLiteral("a.jpg"));
    const QString b = file(QStringLiteral("b.jpg"));
    const QString c = file(QStringLiteral("c.jpg"));
    // Back at a after the box; b and c are shown again after it.
    QCOMPARE(m_link->loaded, QStringList({a, b, c, b, c}));
    QVERIFY(!QFile::exists(cutA));
    // Queued after the failed one, b's cut was still written.
    QCOMPARE(pictavo::decodeJpegFile((m_dest + QStringLiteral("/_b.jpg")).toStdString()).height(),
             64);
    // Both clicks count as cut; the failed picture counts as processed only
    // once it is dealt with again: a once, b twice.
    QCOMPARE(m_window->statusText(1), QStringLiteral("3 images processed, 2 images cropped."));
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("m_lblLastProcessed"))->text(),
             QStringLiteral("2"));
}

void BatchRunTest::aCutThatFailsTwiceComesBackFrozenBothTimes() {
    // Square pictures: the 3:2 frame leaves strips, so a frame frozen where
    // it was is told from one centred anew.
    pictavo::test::JpegFixtureOptions options;
    options.width = 96;
    options.height = 96;
    for (const char* name : {"a.jpg", "b.jpg"}) {
        pictavo::test::writeJpegFixture(m_source.toStdString(), name, options);
    }
    const QString cutA = m_dest + QStringLiteral("/_a.jpg");
    // a's first two writes fail, once b is on screen; the third is written.
    std::atomic<bool> diskFull{false};
    std::atomic<int> failuresLeft{2};
    m_image->setCutWork([&](const pictavo::CutJob& job) {
        if (job.dest == cutA.toStdString()) {
            while (!diskFull) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            if (failuresLeft-- > 0) {
                throw std::runtime_error("Cannot write " + job.dest + ": No space left on device");
            }
        }
        pictavo::CutWriter::write(job);
    });

    ModalAnswerer answerer;
    const QString a = file(QStringLiteral("a.jpg"));
    pictavo::Rect frameAtTheClick;
    QList<bool> backAsItWas;
    qsizetype seenLoads = 0;
    QTimer user;
    user.setInterval(10);
    connect(&user, &QTimer::timeout, this, [&] {
        if (!m_image->isVisible() || QApplication::activeModalWidget() || m_image->m_nState != 0) {
            return;
        }
        auto* view = m_image->findChild<TNOEraseBackgroundImage*>();
        if (!m_image->tracking()) {
            // a back after its box, from memory, the frame where the click
            // left it: clicked again.
            backAsItWas << (m_image->cropRect() == frameAtTheClick && m_link->loaded.count(a) == 1);
            QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, view->rect().center());
            return;
        }
        if (m_link->loaded.size() == seenLoads) {
            return;
        }
        seenLoads = m_link->loaded.size();
        if (m_link->loaded.back() == a) {
            QCursor::setPos(m_image->mapToGlobal(view->geometry().center() + QPoint(0, 40)));
            QCoreApplication::processEvents();
            frameAtTheClick = m_image->cropRect();
            QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, view->rect().center());
        } else if (backAsItWas.size() < 2) {
            diskFull = true;
        } else {
            QTest::keyClick(m_image.get(), Qt::Key_Escape);
        }
    });
    user.start();
    QTest::mouseClick(m_window->findChild<QWidget*>(QStringLiteral("m_lblStart")), Qt::LeftButton,
                      Qt::NoModifier, QPoint(3, 3));
    user.stop();

    const QString box =
        QStringLiteral("Cannot write ") + cutA + QStringLiteral(": No space left on device.");
    QCOMPARE(answerer.texts(), QStringList({box, box}));
    QCOMPARE(backAsItWas, QList<bool>({true, true}));
    QCOMPARE(m_link->loaded.count(a), 1);
    // The third try wrote the cut of the frame as it was at the first click.
    const pictavo::Picture cut = pictavo::decodeJpegFile(cutA.toStdString());
    QCOMPARE(cut.width(), frameAtTheClick.right - frameAtTheClick.left);
    QCOMPARE(cut.height(), frameAtTheClick.bottom - frameAtTheClick.top);
    QVERIFY(!QFile::exists(m_dest + QStringLiteral("/_b.jpg")));
}

void BatchRunTest::theRunEndsOnlyWhenItsCutsAreOnDisk() {
    pictavo::test::JpegFixtureOptions options;
    options.width = 96;
    options.height = 64;
    for (const char* name : {"a.jpg", "b.jpg"}) {
        pictavo::test::writeJpegFixture(m_source.toStdString(), name, options);
    }
    // A slow disk: the run's end has to wait for the last cut.
    m_image->setCutWork([](const pictavo::CutJob& job) {
        std::this_thread::sleep_for(std::chrono::milliseconds(900));
        pictavo::CutWriter::write(job);
    });
    bool noticeShown = false;
    QTimer watch;
    watch.setInterval(20);
    connect(&watch, &QTimer::timeout, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* label = qobject_cast<QLabel*>(w);
            if (label && label->isVisible() &&
                label->text().startsWith(QStringLiteral("Writing the last cuts"))) {
                noticeShown = true;
            }
        }
    });
    watch.start();
    run({leftClickOnThePicture(), key(Qt::Key_Escape)});
    watch.stop();

    QVERIFY(!m_window->running());
    QCOMPARE(pictavo::decodeJpegFile((m_dest + QStringLiteral("/_a.jpg")).toStdString()).height(),
             64);
    QVERIFY(noticeShown);
    QCOMPARE(m_window->statusText(1), QStringLiteral("1 images processed, 1 images cropped."));
    QCOMPARE(m_window->findChild<QLabel*>(QStringLiteral("m_lblLastProcessed"))->text(),
             QStringLiteral("1"));
}
PICTAVO_QTEST_MAIN(BatchRunTest)
#include "BatchRunTest.moc"
