// The crop window's keyboard on a real X server, typed through XTest: letter
// commands under Cyrillic layouts, a held key, and the two Shift keys.

#include <QProcess>
#include <QTest>
#include <QTimer>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstring>
#include <memory>

#include "crop/TfrmImage.h"
#include "crop/X11KeyboardState.h"
#include "support/JpegFixtures.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"

namespace {

struct DisplayClose {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// The key at an XKB position ("AB01": where US has Z), whatever the layout.
KeyCode keyAt(Display* display, const char* position) {
    XkbDescPtr keymap = XkbGetMap(display, 0, XkbUseCoreKbd);
    KeyCode found = 0;
    if (keymap && XkbGetNames(display, XkbKeyNamesMask, keymap) == Success) {
        for (int code = keymap->min_key_code; code <= keymap->max_key_code; ++code) {
            if (std::strncmp(keymap->names->keys[code].name, position, XkbKeyNameLength) == 0) {
                found = static_cast<KeyCode>(code);
                break;
            }
        }
    }
    XkbFreeKeyboard(keymap, 0, True);
    return found;
}

}  // namespace

class TfrmImageKeyboardX11Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void letterCommandsUnderCyrillicLayouts_data();
    void letterCommandsUnderCyrillicLayouts();
    void aHeldSpaceSkipsOnePicture();
    void eachShiftKeyOnItsOwn_data();
    void eachShiftKeyOnItsOwn();

private:
    void setLayout(const QString& layouts, int group);
    void key(KeyCode code, bool down);
    void tap(const char* position);

    std::unique_ptr<Display, DisplayClose> m_display;
    std::unique_ptr<pictavo::test::TempDir> m_dir;
    std::unique_ptr<X11KeyboardState> m_keyboard;
    std::unique_ptr<TfrmImage> m_window;
};

void TfrmImageKeyboardX11Test::initTestCase() {
    m_display.reset(XOpenDisplay(nullptr));
    QVERIFY(m_display);
    int event = 0, error = 0, major = 0, minor = 0;
    QVERIFY(XTestQueryExtension(m_display.get(), &event, &error, &major, &minor));
    m_keyboard = std::make_unique<X11KeyboardState>(X11KeyboardState::applicationDisplay());
}

void TfrmImageKeyboardX11Test::init() {
    m_dir = std::make_unique<pictavo::test::TempDir>();
    m_window = std::make_unique<TfrmImage>();
    m_window->setKeyboardState(m_keyboard.get());
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TfrmImageKeyboardX11Test::cleanup() {
    m_window.reset();
    setLayout(QStringLiteral("us"), 0);
}

void TfrmImageKeyboardX11Test::setLayout(const QString& layouts, int group) {
    QCOMPARE(QProcess::execute(QStringLiteral("setxkbmap"), {layouts}), 0);
    XkbLockGroup(m_display.get(), XkbUseCoreKbd, static_cast<unsigned>(group));
    XSync(m_display.get(), False);
    // Let the program see the new keymap before the first key.
    QTest::qWait(200);
}

void TfrmImageKeyboardX11Test::key(KeyCode code, bool down) {
    XTestFakeKeyEvent(m_display.get(), code, down ? True : False, CurrentTime);
    XSync(m_display.get(), False);
}

void TfrmImageKeyboardX11Test::tap(const char* position) {
    const KeyCode code = keyAt(m_display.get(), position);
    QVERIFY(code != 0);
    key(code, true);
    QTest::qWait(30);
    key(code, false);
    // As a person types: the window sees the key up before it goes down again.
    QTest::qWait(100);
}

void TfrmImageKeyboardX11Test::letterCommandsUnderCyrillicLayouts_data() {
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<int>("group");
    QTest::newRow("ru alone") << QStringLiteral("ru") << 0;
    QTest::newRow("us,ru with Russian active") << QStringLiteral("us,ru") << 1;
}

void TfrmImageKeyboardX11Test::letterCommandsUnderCyrillicLayouts() {
    QFETCH(QString, layouts);
    QFETCH(int, group);
    pictavo::test::JpegFixtureOptions options;
    options.width = 2000;
    options.height = 1000;
    const auto path = pictavo::test::writeJpegFixture(m_dir->path(), "wide.jpg", options);
    m_window->ShowImage(QString::fromStdString(path), QString());
    QCOMPARE(m_window->GetImageSize(), QSize(1600, 800));
    setLayout(layouts, group);

    tap("AB01");  // Z
    QTRY_COMPARE(m_window->GetImageSize(), QSize(2000, 1000));
    tap("AB02");  // X
    tap("AB02");
    QTRY_COMPARE(m_window->GetImageSize(), QSize(1200, 600));
    tap("AD04");  // R
    QTRY_COMPARE(m_window->GetImageSize(), QSize(1600, 800));
}

void TfrmImageKeyboardX11Test::aHeldSpaceSkipsOnePicture() {
    pictavo::test::JpegFixtureOptions options;
    options.width = 1600;
    options.height = 1200;
    QStringList photos;
    for (int i = 0; i < 6; ++i) {
        // Built with QString: GCC 12 at -O3 sees an overlap that is not there
        // in "p" + std::to_string(i) (-Wrestrict).
        const std::string name = QStringLiteral("p%1.jpg").arg(i).toStdString();
        photos << QString::fromStdString(
            pictavo::test::writeJpegFixture(m_dir->path(), name, options));
    }
    // As the batch run does: the next picture once the window is done.
    int shown = 0;
    m_window->ShowImage(photos[0], QString());
    QTimer run;
    connect(&run, &QTimer::timeout, this, [&] {
        if (m_window->m_nState == 2 && shown + 1 < photos.size()) {
            m_window->ShowImage(photos[++shown], QString());
        }
    });
    run.start(100);

    const KeyCode space = XKeysymToKeycode(m_display.get(), XK_space);
    key(space, true);
    QTest::qWait(2000);
    key(space, false);
    QTest::qWait(500);
    QCOMPARE(m_window->m_nProcessed, 1);
    QCOMPARE(shown, 1);
    QCOMPARE(m_window->m_nState, 0);
}

void TfrmImageKeyboardX11Test::eachShiftKeyOnItsOwn_data() {
    QTest::addColumn<bool>("left");
    QTest::newRow("left Shift") << true;
    QTest::newRow("right Shift") << false;
}

void TfrmImageKeyboardX11Test::eachShiftKeyOnItsOwn() {
    QFETCH(bool, left);
    const KeyCode shift = XKeysymToKeycode(m_display.get(), left ? XK_Shift_L : XK_Shift_R);
    key(shift, true);
    QCOMPARE(m_keyboard->isShiftDown(left), true);
    QCOMPARE(m_keyboard->isShiftDown(!left), false);
    QVERIFY(m_keyboard->isKeyDown(shift));
    key(shift, false);
    QCOMPARE(m_keyboard->isShiftDown(left), false);
}

PICTAVO_QTEST_MAIN(TfrmImageKeyboardX11Test)
#include "TfrmImageKeyboardX11Test.moc"
