// The crop window's input with a faked keyboard: which releases count, which
// key a letter command sits on, and that input between pictures does nothing.

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QHash>
#include <QKeyEvent>
#include <QSet>
#include <QTest>

#include <memory>
#include <stdexcept>

#include "crop/KeyboardState.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"
#include "support/JpegFixtures.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

namespace {

class FakeKeyboard : public KeyboardState {
public:
    bool isKeyDown(quint32 code) const override { return down.contains(code); }
    bool isShiftDown(bool) const override { return false; }
    char latinLetter(quint32 code) const override { return letters.value(code, 0); }

    QSet<quint32> down;
    QHash<quint32, char> letters;
};

void sendKey(QWidget* target, QEvent::Type type, int key, quint32 scanCode,
             bool autoRepeat = false) {
    QKeyEvent event(type, key, Qt::NoModifier, scanCode, 0, 0, QString(), autoRepeat);
    QApplication::sendEvent(target, &event);
}

void postClick(QWidget* target, Qt::MouseButton button) {
    const QPointF pos(300, 300);
    const QPointF global = target->mapToGlobal(pos);
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, pos, global,
                                                        button, button, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, pos, global,
                                                        button, Qt::NoButton, Qt::NoModifier));
}

void postKey(QWidget* target, Qt::Key key) {
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

}  // namespace

class TfrmImageInputTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void aReleaseActsOnlyAfterItsPressHere();
    void escapeThatAnsweredABoxIsNoCommand_data();
    void escapeThatAnsweredABoxIsNoCommand();
    void aHeldKeyActsOnceWhenItIsPhysicallyUp();
    void letterCommandsFollowThePhysicalKey_data();
    void letterCommandsFollowThePhysicalKey();
    void inputBetweenPicturesIsIgnored();

private:
    QString photo(const std::string& name);
    QSize viewSize() const { return m_window->GetImageSize(); }

    std::unique_ptr<pictavo::test::TempDir> m_dir;
    FakeKeyboard m_keyboard;
    std::unique_ptr<TfrmImage> m_window;
};

void TfrmImageInputTest::init() {
    m_dir = std::make_unique<pictavo::test::TempDir>();
    m_keyboard = FakeKeyboard();
    m_window = std::make_unique<TfrmImage>();
    m_window->setKeyboardState(&m_keyboard);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TfrmImageInputTest::cleanup() {
    m_window.reset();
    m_dir.reset();
}

QString TfrmImageInputTest::photo(const std::string& name) {
    // 2:1, 2000 wide: fitted 1600 x 800 on the 1280 x 800 screen.
    pictavo::test::JpegFixtureOptions options;
    options.width = 2000;
    options.height = 1000;
    return QString::fromStdString(pictavo::test::writeJpegFixture(m_dir->path(), name, options));
}

void TfrmImageInputTest::aReleaseActsOnlyAfterItsPressHere() {
    m_window->ShowImage(photo("a.jpg"), QString());
    for (Qt::Key key : {Qt::Key_Z, Qt::Key_Space, Qt::Key_Escape}) {
        QTest::keyRelease(m_window.get(), key);
    }
    QCOMPARE(viewSize(), QSize(1600, 800));
    QCOMPARE(m_window->m_nState, 0);
    QVERIFY(m_window->isVisible());
    QTest::keyClick(m_window.get(), Qt::Key_Z);
    QCOMPARE(viewSize(), QSize(2000, 1000));
}

void TfrmImageInputTest::escapeThatAnsweredABoxIsNoCommand_data() {
    QTest::addColumn<QString>("box");
    QTest::newRow("overwrite question") << QStringLiteral("overwrite");
    QTest::newRow("load error") << QStringLiteral("load");
    QTest::newRow("write error") << QStringLiteral("write");
}

void TfrmImageInputTest::escapeThatAnsweredABoxIsNoCommand() {
    QFETCH(QString, box);
    const QString source = photo("a.jpg");
    QString dest = QString::fromStdString(m_dir->file("_a.jpg"));
    if (box == QLatin1String("overwrite")) {
        QFile(dest).open(QIODevice::WriteOnly);
        m_window->m_bConfirm = true;
    } else if (box == QLatin1String("write")) {
        dest = QString::fromStdString(m_dir->file("missing/_a.jpg"));
    }
    m_window->ShowImage(source, dest);

    // Esc goes down in the box; where it closes the box, its release then
    // reaches the crop window.
    bool openAfterEscape = false;
    ModalAnswerer answerer([&](QWidget* modal) {
        QTest::keyPress(modal, Qt::Key_Escape);
        openAfterEscape = modal->isVisible();
        if (openAfterEscape) {
            qobject_cast<QMessageBox*>(modal)->button(QMessageBox::No)->click();
        }
    });
    if (box == QLatin1String("load")) {
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 m_window->ShowImage(photo("a.jpg") + QLatin1String("x"), dest));
    } else {
        QTest::mouseClick(m_window->findChild<TNOEraseBackgroundImage*>(), Qt::LeftButton,
                          Qt::NoModifier, QPoint(300, 300));
        m_window->FinishWrites();  // a write error comes when the writer fails
    }
    QCOMPARE(answerer.seen().size(), 1);
    // Only No or Yes answers the question.
    QCOMPARE(openAfterEscape, box == QLatin1String("overwrite"));
    QTest::keyRelease(m_window.get(), Qt::Key_Escape);
    QVERIFY(m_window->isVisible());
}

void TfrmImageInputTest::aHeldKeyActsOnceWhenItIsPhysicallyUp() {
    constexpr quint32 kSpaceCode = 65;
    m_window->ShowImage(photo("a.jpg"), QString());
    m_keyboard.down.insert(kSpaceCode);
    sendKey(m_window.get(), QEvent::KeyPress, Qt::Key_Space, kSpaceCode);
    // Repeats of a held key, the release unmarked as a repeat.
    for (int i = 0; i < 3; ++i) {
        sendKey(m_window.get(), QEvent::KeyRelease, Qt::Key_Space, kSpaceCode);
        sendKey(m_window.get(), QEvent::KeyPress, Qt::Key_Space, kSpaceCode, true);
    }
    QCOMPARE(m_window->m_nProcessed, 0);
    QCOMPARE(m_window->m_nState, 0);
    m_keyboard.down.clear();
    sendKey(m_window.get(), QEvent::KeyRelease, Qt::Key_Space, kSpaceCode);
    QCOMPARE(m_window->m_nProcessed, 1);
    QCOMPARE(m_window->m_nState, 2);
}

void TfrmImageInputTest::letterCommandsFollowThePhysicalKey_data() {
    QTest::addColumn<int>("pressed");
    QTest::addColumn<int>("key");
    QTest::addColumn<char>("latin");
    QTest::addColumn<QSize>("view");
    // What a Russian layout gives for the keys of Z and X (Qt names a
    // Cyrillic letter's key by its upper-case code point), and for a key that
    // has no Latin letter.
    QTest::newRow("Z key, Cyrillic YA") << 0x42f << 0x42f << 'Z' << QSize(2000, 1000);
    QTest::newRow("X key, Cyrillic CHE") << 0x427 << 0x427 << 'X' << QSize(1200, 600);
    QTest::newRow("no Latin letter") << 0x416 << 0x416 << '\0' << QSize(1600, 800);
    // A Latin layout's letter that is not Z, on the key where US has Z.
    QTest::newRow("Y of a German layout")
        << int(Qt::Key_Y) << int(Qt::Key_Y) << 'Y' << QSize(1600, 800);
    // The layout switched while the key was down: still the same key.
    QTest::newRow("pressed as Z, released as YA")
        << int(Qt::Key_Z) << 0x42f << 'Z' << QSize(2000, 1000);
}

void TfrmImageInputTest::letterCommandsFollowThePhysicalKey() {
    QFETCH(int, pressed);
    QFETCH(int, key);
    QFETCH(char, latin);
    QFETCH(QSize, view);
    constexpr quint32 kCode = 52;
    if (latin != '\0') {
        m_keyboard.letters.insert(kCode, latin);
    }
    m_window->ShowImage(photo("a.jpg"), QString());
    sendKey(m_window.get(), QEvent::KeyPress, pressed, kCode);
    sendKey(m_window.get(), QEvent::KeyRelease, key, kCode);
    QCOMPARE(viewSize(), view);
}

void TfrmImageInputTest::inputBetweenPicturesIsIgnored() {
    const QString first = QString::fromStdString(m_dir->file("_a.jpg"));
    const QString second = QString::fromStdString(m_dir->file("_b.jpg"));
    QWidget* view = m_window->findChild<TNOEraseBackgroundImage*>();
    m_window->ShowImage(photo("a.jpg"), first);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
    m_window->FinishWrites();
    QVERIFY(QFile::exists(first));
    QCOMPARE(m_window->m_nState, 2);

    // The next picture has not come yet: nothing is saved, skipped or zoomed.
    QFile::remove(first);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, QPoint(300, 300));
    QTest::keyClick(m_window.get(), Qt::Key_Space);
    QTest::keyClick(m_window.get(), Qt::Key_Backspace);
    QTest::keyClick(m_window.get(), Qt::Key_Z);
    QVERIFY(!QFile::exists(first));
    QCOMPARE(viewSize(), QSize(1600, 800));

    // Clicks and keys queued while the next picture loads were meant for the
    // one before.
    postClick(m_window.get(), Qt::LeftButton);
    postClick(m_window.get(), Qt::RightButton);
    postKey(m_window.get(), Qt::Key_Space);
    m_window->ShowImage(photo("b.jpg"), second);
    QCoreApplication::processEvents();
    QVERIFY(!QFile::exists(second));
    QCOMPARE(m_window->m_nProcessed, 1);
    QCOMPARE(m_window->m_nCropped, 1);
    QCOMPARE(m_window->m_nState, 0);

    // The new picture takes clicks as usual.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
    m_window->FinishWrites();
    QVERIFY(QFile::exists(second));
    QCOMPARE(m_window->m_nProcessed, 2);

    // Esc during a load still ends the run.
    postKey(m_window.get(), Qt::Key_Escape);
    m_window->ShowImage(photo("a.jpg"), first);
    QVERIFY(!m_window->isVisible());
}

PICTAVO_QTEST_MAIN(TfrmImageInputTest)
#include "TfrmImageInputTest.moc"
