#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <memory>

#include "settings/DayTally.h"
#include "settings/Extended.h"
#include "settings/MessageList.h"
#include "settings/SettingsStore.h"
#include "settings/TFormStorage.h"
#include "settings/TStrHolder.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"

using pictavo::RegRoot;
using pictavo::SettingsStore;

namespace {

const QString kKeyPath = QStringLiteral("Software\\Vornholt\\Pictavo2");
const QString kUserKey = QStringLiteral("[HKEY_CURRENT_USER\\Software\\Vornholt\\Pictavo2\\");
const QString kMachineKey = QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Vornholt\\Pictavo2\\");

// A component with properties declared the way the store names them.
class Box : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Value MEMBER m_value)
    Q_PROPERTY(Extended Ratio MEMBER m_ratio)

public:
    Box(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }
    int m_value = 100;
    Extended m_ratio{1.5L};
};

// A small fixed-size window with the kinds of stored properties the program has.
class Window : public QWidget {
public:
    explicit Window(bool withLanguage = false) {
        setFixedSize(300, 200);
        move(40, 30);
        auto make = [this](QWidget* w, const char* name) {
            w->setParent(this);
            w->setObjectName(QLatin1String(name));
            return w;
        };
        dest = static_cast<QLineEdit*>(make(new QLineEdit, "m_edDest"));
        caption =
            static_cast<QLabel*>(make(new QLabel(QStringLiteral("Start from:")), "m_lblStartFrom"));
        confirm = static_cast<QCheckBox*>(make(new QCheckBox, "m_chbOverwriteConfirm"));
        confirm->setChecked(true);
        quality = static_cast<QSlider*>(make(new QSlider, "m_nCompressionQ"));
        quality->setRange(1, 100);
        quality->setValue(100);
        box = new Box(QStringLiteral("m_box"), this);
        new TStrHolder(&messages, QStringLiteral("m_strhMessages"), this);
        fsMain = new TFormStorage(this);
        fsMain->setIniFileName(kKeyPath);
        fsMain->setIniSection(QStringLiteral("Options"));
        fsMain->setStoredProps({QStringLiteral("m_edDest.Text"),
                                QStringLiteral("m_chbOverwriteConfirm.Checked"),
                                QStringLiteral("m_nCompressionQ.value"),
                                QStringLiteral("m_box.Value"), QStringLiteral("m_box.ratio")});
        if (withLanguage) {
            fsLang = new TFormStorage(this);
            fsLang->setIniFileName(kKeyPath);
            fsLang->setIniSection(QStringLiteral("Language"));
            fsLang->setRegistryRoot(RegRoot::LocalMachine);
            fsLang->setStoredProps({QStringLiteral("m_lblStartFrom.Caption"),
                                    QStringLiteral("m_strhMessages.Strings")});
        }
    }
    ~Window() override { TFormStorage::windowDestroying(this); }

    bool refuseClose = false;
    QLineEdit* dest;
    QLabel* caption;
    QCheckBox* confirm;
    QSlider* quality;
    Box* box;
    MessageList messages{{QStringLiteral("Saving "), QStringLiteral("Can't load file %s"),
                          QStringLiteral("Please wait...")}};
    TFormStorage* fsMain;
    TFormStorage* fsLang = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override {
        if (refuseClose) {
            event->ignore();
        }
    }
};

QString userFile() {
    return SettingsStore::standardFilePath(RegRoot::CurrentUser);
}
QString machineFile() {
    return SettingsStore::standardFilePath(RegRoot::LocalMachine);
}

QString readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void writeFile(const QString& path, const QString& keys) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(("Windows Registry Editor Version 5.00\n\n" + keys).toUtf8());
}

QString value(RegRoot root, const QString& section, const QString& name) {
    SettingsStore store(root, kKeyPath, SettingsStore::Access::ReadOnly);
    return store.readString(section, name).value_or(QStringLiteral("<absent>"));
}

void showAndClose(QWidget& w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.close();
}

}  // namespace

class TFormStorageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void firstCloseWritesTheDesignedValuesInTheirLayout();
    void valuesSurviveARestartWhateverTheLocale();
    void badTextsLeaveOrResetPropertiesAsTheirKindSays();
    void listsReplaceOnlyWithAPositiveCount();
    void placementIsSharedAndFixedWindowsTakeOnlyTheCorner();
    void placementFallsBackToPlainNamesAfterAScreenChange();
    void otherPixelsPerInchKeepsPositionButRestoresState();
    void minimisedMainWindowComesUpNormalThenMinimises();
    void laterStorageRestoresFirstAndSavesLast();
    void hookErrorsAreShownAndTheWindowGoesOn();
    void refusedCloseSavesNothing();
    void destroyWithoutCloseSavesVisible();
    void badEntriesAreDroppedWhenBound();
    void inactiveStorageActsOnlyWhenAsked();
    void dayTallyStartsAtMinusOne();

private:
    QByteArray m_configHome;
    QByteArray m_configDirs;
};

void TFormStorageTest::initTestCase() {
    m_configHome = qgetenv("XDG_CONFIG_HOME");
    m_configDirs = qgetenv("XDG_CONFIG_DIRS");
}

void TFormStorageTest::init() {
    qputenv("XDG_CONFIG_HOME", m_configHome);
    qputenv("XDG_CONFIG_DIRS", m_configDirs);
    QFile::remove(userFile());
    QFile::remove(machineFile());
    QLocale::setDefault(QLocale::c());
}

void TFormStorageTest::firstCloseWritesTheDesignedValuesInTheirLayout() {
    {
        Window w;
        showAndClose(w);
    }
    QCOMPARE(readFile(userFile()),
             QStringLiteral("Windows Registry Editor Version 5.00\n\n") + kUserKey +
                 QStringLiteral("Options]\n"
                                "\"FormVersion\"=\"0\"\n\"Flags\"=\"0\"\n\"ShowCmd\"=\"1\"\n"
                                "\"PixelsPerInch\"=\"96\"\n"
                                "\"MinMaxPos(1280x800)\"=\"-1,-1,-1,-1\"\n"
                                "\"MinMaxPos\"=\"-1,-1,-1,-1\"\n"
                                "\"NormPos(1280x800)\"=\"40,30,340,230\"\n"
                                "\"NormPos\"=\"40,30,340,230\"\n\"Visible\"=\"0\"\n"
                                "\"m_edDest_Text\"=\"\"\n"
                                "\"m_chbOverwriteConfirm_Checked\"=\"True\"\n"
                                "\"m_nCompressionQ_Value\"=\"100\"\n"
                                "\"m_box_Value\"=\"100\"\n\"m_box_Ratio\"=\"1.5\"\n"));
}

void TFormStorageTest::valuesSurviveARestartWhateverTheLocale() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        Window w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.dest->setText(QStringLiteral("  /home/anna/Größe \"2006\"\\x "));
        w.confirm->setChecked(false);
        w.quality->setValue(37);
        w.box->m_ratio.value = 1.33L;
        w.move(100, 120);
        w.close();
    }
    QCOMPARE(value(RegRoot::CurrentUser, QStringLiteral("Options"), QStringLiteral("m_box_Ratio")),
             QStringLiteral("1.33"));
    for (const QLocale& locale : {QLocale(QLocale::German, QLocale::Germany), QLocale::c()}) {
        QLocale::setDefault(locale);
        Window again;
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.dest->text(), QStringLiteral("/home/anna/Größe \"2006\"\\x"));
        QCOMPARE(again.confirm->isChecked(), false);
        QCOMPARE(again.quality->value(), 37);
        QVERIFY(again.box->m_ratio.value == 1.33L);
        QCOMPARE(again.pos(), QPoint(100, 120));
    }
}

void TFormStorageTest::badTextsLeaveOrResetPropertiesAsTheirKindSays() {
    writeFile(userFile(), kUserKey + QStringLiteral("Options]\n"
                                                    "\"m_edDest_Text\"=dword:00000001\n"
                                                    "\"m_chbOverwriteConfirm_Checked\"=\"yes\"\n"
                                                    "\"m_nCompressionQ_Value\"=\" 55 \"\n"
                                                    "\"m_box_Value\"=\"abc\"\n"
                                                    "\"m_box_Ratio\"=\"1,5\"\n"));
    {
        Window w;
        w.dest->setText(QStringLiteral("designed"));
        w.show();
        QCOMPARE(w.dest->text(), QStringLiteral("designed"));  // another type: unchanged
        QCOMPARE(w.confirm->isChecked(), true);                // not a boolean word
        QCOMPARE(w.quality->value(), 55);                      // trimmed
        QCOMPARE(w.box->m_value, 0);                           // not an integer gives 0
        QVERIFY(w.box->m_ratio.value == 1.5L);                 // "1,5" is no number here
        w.hide();
    }
    writeFile(userFile(), kUserKey + QStringLiteral("Options]\n"
                                                    "\"m_chbOverwriteConfirm_Checked\"=\"false\"\n"
                                                    "\"m_box_Ratio\"=\"2.75\"\n"));
    Window w;
    w.show();
    QCOMPARE(w.confirm->isChecked(), false);
    QVERIFY(w.box->m_ratio.value == 2.75L);
}

void TFormStorageTest::listsReplaceOnlyWithAPositiveCount() {
    const QStringList builtIn = Window(true).messages.strings();
    writeFile(machineFile(), kMachineKey +
                                 QStringLiteral("Language]\n"
                                                "\"m_lblStartFrom_Caption\"=\"  Ab:\\r\\n \"\n\n") +
                                 kMachineKey +
                                 QStringLiteral("Language.m_strhMessages_Strings]\n"
                                                "\"Count\"=\" 3 \"\n\"Item0\"=\" Speichern \"\n"));
    {
        Window w(true);
        w.show();
        QCOMPARE(w.caption->text(), QStringLiteral("Ab:"));
        QCOMPARE(w.messages.strings(),
                 QStringList({QStringLiteral(" Speichern "), QString(), QString()}));
        w.close();
    }
    // Written back as shown: the translation survives, trimmed.
    QCOMPARE(value(RegRoot::LocalMachine, QStringLiteral("Language"),
                   QStringLiteral("m_lblStartFrom_Caption")),
             QStringLiteral("Ab:"));
    QCOMPARE(value(RegRoot::LocalMachine, QStringLiteral("Language.m_strhMessages_Strings"),
                   QStringLiteral("Item2")),
             QString());
    for (const char* count : {"\"Count\"=\"0\"\n", "\"Count\"=\"x\"\n", ""}) {
        writeFile(machineFile(), kMachineKey +
                                     QStringLiteral("Language.m_strhMessages_Strings]\n") +
                                     QLatin1String(count) + QStringLiteral("\"Item0\"=\"A\"\n"));
        Window w(true);
        w.show();
        QCOMPARE(w.messages.strings(), builtIn);
        w.hide();
    }
}

void TFormStorageTest::placementIsSharedAndFixedWindowsTakeOnlyTheCorner() {
    {
        Window main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.move(210, 150);
        main.close();
    }
    QWidget dialog;
    dialog.setFixedSize(440, 192);
    TFormStorage fs(&dialog);
    fs.setIniFileName(kKeyPath);
    fs.setIniSection(QStringLiteral("Options"));
    dialog.show();
    QCOMPARE(dialog.pos(), QPoint(210, 150));
    QCOMPARE(dialog.size(), QSize(440, 192));
}

void TFormStorageTest::placementFallsBackToPlainNamesAfterAScreenChange() {
    writeFile(userFile(), kUserKey + QStringLiteral("Options]\n"
                                                    "\"NormPos(1024x768)\"=\"500,400,800,600\"\n"
                                                    "\"NormPos\"=\"60,70,360,270\"\n"));
    {
        Window w;
        w.show();
        QCOMPARE(w.pos(), QPoint(60, 70));
        w.hide();
    }
    writeFile(userFile(), kUserKey + QStringLiteral("Options]\n"
                                                    "\"NormPos(1280x800)\"=\"80,90,0,0\"\n"
                                                    "\"NormPos\"=\"60,70,360,270\"\n"));
    Window w;
    w.show();
    QCOMPARE(w.pos(), QPoint(80, 90));
}

void TFormStorageTest::otherPixelsPerInchKeepsPositionButRestoresState() {
    writeFile(userFile(), kUserKey + QStringLiteral("Options]\n\"ShowCmd\"=\"3\"\n"
                                                    "\"PixelsPerInch\"=\"120\"\n"
                                                    "\"NormPos\"=\"60,70,360,270\"\n"));
    Window w;
    w.show();
    QCOMPARE(w.pos(), QPoint(40, 30));
    QVERIFY(w.windowState() & Qt::WindowMaximized);
}

void TFormStorageTest::minimisedMainWindowComesUpNormalThenMinimises() {
    {
        Window w;
        w.fsMain->setMainForm(true);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.showMinimized();
        QTRY_VERIFY(w.isMinimized());
        w.close();
    }
    QCOMPARE(value(RegRoot::CurrentUser, QStringLiteral("Options"), QStringLiteral("ShowCmd")),
             QStringLiteral("2"));
    {
        Window w;
        w.fsMain->setMainForm(true);
        w.show();
        QVERIFY(!w.isMinimized());
        QTRY_VERIFY(w.isMinimized());
        w.fsMain->setActive(false);
    }
    // A dialog sharing the section does not come up minimised.
    Window dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(20);
    QVERIFY(!dialog.isMinimized());
}

void TFormStorageTest::laterStorageRestoresFirstAndSavesLast() {
    writeFile(userFile(), kUserKey + QStringLiteral("First]\n\"m_edDest_Text\"=\"first\"\n\n") +
                              kUserKey + QStringLiteral("Second]\n\"m_edDest_Text\"=\"second\"\n"));
    QWidget w;
    auto* edit = new QLineEdit(&w);
    edit->setObjectName(QStringLiteral("m_edDest"));
    TFormStorage first(&w);
    TFormStorage second(&w);
    for (auto [fs, section] : {std::pair{&first, "First"}, std::pair{&second, "Second"}}) {
        fs->setIniFileName(kKeyPath);
        fs->setIniSection(QLatin1String(section));
        fs->setOptions({});
        fs->setStoredProps({QStringLiteral("m_edDest.Text")});
    }
    w.show();
    QCOMPARE(edit->text(), QStringLiteral("first"));  // the inner one restored last
    // Both fail on close; the boxes come in saving order.
    qputenv("XDG_CONFIG_HOME", "/dev/null/nowhere");
    ModalAnswerer answerer;
    w.close();
    qputenv("XDG_CONFIG_HOME", m_configHome);
    QCOMPARE(answerer.texts(), QStringList({QStringLiteral("Failed to create key First."),
                                            QStringLiteral("Failed to create key Second.")}));
    QVERIFY(!w.isVisible());
}

void TFormStorageTest::hookErrorsAreShownAndTheWindowGoesOn() {
    writeFile(userFile(), kUserKey + QStringLiteral("Options]\n\"FormVersion\"=dword:00000000\n"
                                                    "\"m_nCompressionQ_Value\"=\"20\"\n"));
    qputenv("XDG_CONFIG_DIRS", "/dev/null/nowhere");
    ModalAnswerer answerer;
    {
        Window w(true);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.quality->value(), 100);  // this storage's values are not restored
        w.close();
        QVERIFY(!w.isVisible());
    }
    qputenv("XDG_CONFIG_DIRS", m_configDirs);
    QCOMPARE(answerer.texts(), QStringList({QStringLiteral("Invalid data type for 'FormVersion'"),
                                            QStringLiteral("Failed to create key Language.")}));
    // Never restored, so the per-user storage did not save either.
    QCOMPARE(value(RegRoot::CurrentUser, QStringLiteral("Options"),
                   QStringLiteral("m_nCompressionQ_Value")),
             QStringLiteral("20"));
}

void TFormStorageTest::refusedCloseSavesNothing() {
    Window w;
    w.refuseClose = true;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(!w.close());
    QVERIFY(!QFile::exists(userFile()));
    w.refuseClose = false;
    QVERIFY(w.close());
    QVERIFY(QFile::exists(userFile()));
}

void TFormStorageTest::destroyWithoutCloseSavesVisible() {
    { Window hiddenOnly; }
    QVERIFY(!QFile::exists(userFile()));  // never shown: nothing to save
    {
        Window w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }
    QCOMPARE(value(RegRoot::CurrentUser, QStringLiteral("Options"), QStringLiteral("Visible")),
             QStringLiteral("1"));
}

void TFormStorageTest::badEntriesAreDroppedWhenBound() {
    Window w;
    w.fsMain->setStoredProps(
        {QStringLiteral("m_edDest"), QStringLiteral(".Text"), QStringLiteral("m_edDest."),
         QStringLiteral("missing.Text"), QStringLiteral("m_edDest.NoSuchThing"),
         QStringLiteral("m_edDest.TEXT"), QStringLiteral("m_lblStartFrom.caption"),
         QStringLiteral("m_lblStartFrom.hint")});
    QCOMPARE(w.fsMain->boundValueNames(),
             QStringList({QStringLiteral("m_edDest_Text"), QStringLiteral("m_lblStartFrom_Caption"),
                          QStringLiteral("m_lblStartFrom_Hint")}));
}

void TFormStorageTest::inactiveStorageActsOnlyWhenAsked() {
    writeFile(userFile(),
              kUserKey + QStringLiteral("Options]\n\"m_nCompressionQ_Value\"=\"20\"\n"));
    Window w;
    w.fsMain->setActive(false);
    w.fsMain->SaveStoredState();  // asked before any restore: writes
    QCOMPARE(value(RegRoot::CurrentUser, QStringLiteral("Options"),
                   QStringLiteral("m_nCompressionQ_Value")),
             QStringLiteral("100"));
    w.quality->setValue(20);
    w.fsMain->SaveStoredState();
    w.quality->setValue(70);
    w.show();
    QCOMPARE(w.quality->value(), 70);
    w.fsMain->RestoreStoredState();
    QCOMPARE(w.quality->value(), 20);
}

void TFormStorageTest::dayTallyStartsAtMinusOne() {
    Window w;
    const QDate day(2026, 12, 8);
    AddDayTally(*w.fsMain, 5, day);
    AddDayTally(*w.fsMain, 3, day);
    const QString name = QLocale().toString(day, QLocale::ShortFormat);
    QCOMPARE(value(RegRoot::CurrentUser, QStringLiteral("Options"), name), QStringLiteral("7"));
    QCOMPARE(w.fsMain->ReadSectionInteger(name, -1), 7);
    QCOMPARE(w.fsMain->ReadSectionInteger(QStringLiteral("absent"), -1), -1);
    // Near the integer's limit the day's tally stays at the limit instead of
    // wrapping to a negative count.
    const QDate later(2027, 1, 1);
    const QString laterName = QLocale().toString(later, QLocale::ShortFormat);
    w.fsMain->WriteSectionInteger(laterName, std::numeric_limits<int>::max() - 2);
    AddDayTally(*w.fsMain, 5, later);
    QCOMPARE(w.fsMain->ReadSectionInteger(laterName, 9), std::numeric_limits<int>::max());
    AddDayTally(*w.fsMain, 1, later);
    QCOMPARE(value(RegRoot::CurrentUser, QStringLiteral("Options"), laterName),
             QStringLiteral("2147483647"));
}

PICTAVO_QTEST_MAIN(TFormStorageTest)
#include "TFormStorageTest.moc"
