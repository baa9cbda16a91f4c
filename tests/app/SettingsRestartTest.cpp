#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QTimer>

#include <memory>

#include "FakeCropWindow.h"
#include "ui/LinkLabel.h"
#include "app/TfrmFolderMan.h"
#include "crop/TfrmImage.h"
#include "settings/RegDocument.h"
#include "settings/SettingsStore.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

using pictavo::RegDocument;
using pictavo::RegRoot;
using pictavo::SettingsStore;

namespace {

const QString kKeyPath = QStringLiteral("Software\\Vornholt\\Pictavo2");
const char* const kChildDirs = "PICTAVO_CHILD_DIRS";

QString fileOf(RegRoot root) {
    return SettingsStore::standardFilePath(root);
}

// Value names of one section, in the file's order.
QStringList namesIn(RegRoot root, const QString& section) {
    QFile f(fileOf(root));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    const std::optional<RegDocument> doc = RegDocument::parse(f.readAll());
    const pictavo::RegKey* key = doc ? doc->key(SettingsStore::rootName(root) + QLatin1Char('\\') +
                                                kKeyPath + QLatin1Char('\\') + section)
                                     : nullptr;
    QStringList names;
    if (key) {
        for (const pictavo::RegValue& v : key->values) {
            names << v.name;
        }
    }
    return names;
}

QString stored(RegRoot root, const QString& section, const QString& name) {
    SettingsStore store(root, kKeyPath, SettingsStore::Access::ReadOnly);
    return store.readString(section, name).value_or(QStringLiteral("<absent>"));
}

void store(RegRoot root, const QString& keys) {
    QDir().mkpath(QFileInfo(fileOf(root)).absolutePath());
    QFile f(fileOf(root));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(("Windows Registry Editor Version 5.00\n\n" + keys).toUtf8());
}

QString key(RegRoot root, const QString& section) {
    return QStringLiteral("[%1\\%2\\%3]\n").arg(SettingsStore::rootName(root), kKeyPath, section);
}

// The program's two long-lived windows, wired as at start-up.
struct Program {
    TfrmFolderMan main;
    TfrmImage image;
    Program() { main.setOptionsWindow(&image); }
    void start() {
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
    }
};

}  // namespace

class SettingsRestartTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void firstCloseFillsBothStoresWithTheListedValues();
    void foldersResumePointPlacementAndOptionsSurviveARestart();
    void translatedTextsAreShownAndSurviveTheirWriteBack();
    void storedRatioBelowTheLimitStopsTheStartUpSteps();
    void eachRunAddsItsCutsToTheDaysTally();
    void userWithoutMachineRightsKeepsOptionsAndSeesOneError();
    void unwritableMachineStoreChild();
};

void SettingsRestartTest::init() {
    if (!qEnvironmentVariableIsSet(kChildDirs)) {
        QFile::remove(fileOf(RegRoot::CurrentUser));
        QFile::remove(fileOf(RegRoot::LocalMachine));
    }
}

void SettingsRestartTest::firstCloseFillsBothStoresWithTheListedValues() {
    {
        Program program;
        program.start();
        program.main.close();
    }
    const QStringList placement = {QStringLiteral("FormVersion"),
                                   QStringLiteral("Flags"),
                                   QStringLiteral("ShowCmd"),
                                   QStringLiteral("PixelsPerInch"),
                                   QStringLiteral("MinMaxPos(1280x800)"),
                                   QStringLiteral("MinMaxPos"),
                                   QStringLiteral("NormPos(1280x800)"),
                                   QStringLiteral("NormPos"),
                                   QStringLiteral("Visible")};
    QCOMPARE(
        namesIn(RegRoot::CurrentUser, QStringLiteral("Options")),
        placement + QStringList({QStringLiteral("m_edDest_Text"), QStringLiteral("m_edSource_Text"),
                                 QStringLiteral("m_lblLastProcessed_Caption")}));
    QCOMPARE(stored(RegRoot::CurrentUser, QStringLiteral("Options"), QStringLiteral("NormPos")),
             QStringLiteral("265,106,843,497"));
    QCOMPARE(stored(RegRoot::CurrentUser, QStringLiteral("Options"), QStringLiteral("Visible")),
             QStringLiteral("0"));
    QCOMPARE(stored(RegRoot::CurrentUser, QStringLiteral("Options"),
                    QStringLiteral("m_lblLastProcessed_Caption")),
             QString());
    QCOMPARE(
        namesIn(RegRoot::LocalMachine, QStringLiteral("Language")),
        placement +
            QStringList(
                {QStringLiteral("m_lblInfo_Caption"), QStringLiteral("m_lblMoreInfo_Caption"),
                 QStringLiteral("m_lblSourceFolder_Caption"), QStringLiteral("m_lblStart_Caption"),
                 QStringLiteral("m_lblDistFolder_Caption"),
                 QStringLiteral("m_lblTitleStart_Caption"), QStringLiteral("m_btnOptions_Caption"),
                 QStringLiteral("m_btnOptions_Hint"), QStringLiteral("m_lblStartFrom_Caption"),
                 QStringLiteral("m_imgClearBtn_Hint"), QStringLiteral("m_lblAbout_Caption")}));
    QCOMPARE(stored(RegRoot::LocalMachine, QStringLiteral("Language"),
                    QStringLiteral("m_btnOptions_Hint")),
             QStringLiteral("Program Options"));
    const QString info = stored(RegRoot::LocalMachine, QStringLiteral("Language"),
                                QStringLiteral("m_lblInfo_Caption"));
    QVERIFY(info.startsWith(QStringLiteral("Pictavo is a simple photo")));
    QCOMPARE(info.count(QStringLiteral("\r\n")), 4);
    QCOMPARE(
        namesIn(RegRoot::LocalMachine, QStringLiteral("Language.m_strhMessagesFM_Strings")),
        QStringList({QStringLiteral("Count"), QStringLiteral("Item0"), QStringLiteral("Item1"),
                     QStringLiteral("Item2"), QStringLiteral("Item3"), QStringLiteral("Item4")}));
    QCOMPARE(stored(RegRoot::LocalMachine, QStringLiteral("Language.m_strhMessagesFM_Strings"),
                    QStringLiteral("Count")),
             QStringLiteral("5"));
    // The crop window was never shown: its messages are not written.
    QVERIFY(namesIn(RegRoot::LocalMachine, QStringLiteral("Language.m_strhMessages_Strings"))
                .isEmpty());
}

void SettingsRestartTest::foldersResumePointPlacementAndOptionsSurviveARestart() {
    pictavo::test::TempDir tmp;
    const QString photos = QString::fromStdString(tmp.file("Fotos \"2006\""));
    QDir().mkpath(photos);
    store(RegRoot::CurrentUser,
          key(RegRoot::CurrentUser, QStringLiteral("Options")) +
              QStringLiteral("\"NormPos\"=\"100,50,678,441\"\n\"m_edSource_Text\"=\"%1\"\n"
                             "\"m_edDest_Text\"=\"/nowhere\"\n"
                             "\"m_lblLastProcessed_Caption\"=\"3\"\n"
                             "\"m_chbOverwriteConfirm_Checked\"=\"false\"\n"
                             "\"m_btnRecurseDirs_Checked\"=\"TRUE\"\n")
                  .arg(RegDocument::escape(photos)));
    {
        Program program;
        program.start();
        QCOMPARE(program.main.pos(), QPoint(100, 50));
        QCOMPARE(program.main.sourceFolder(), photos);
        QCOMPARE(program.main.destFolder(), QStringLiteral("/nowhere"));
        QCOMPARE(program.main.startFrom(), 3);
        QCOMPARE(program.image.m_bConfirm, false);
        QCOMPARE(program.image.m_bRecurse, true);
        program.main.move(120, 70);
        program.main.close();
    }
    Program again;
    again.start();
    QCOMPARE(again.main.pos(), QPoint(120, 70));
    QCOMPARE(again.main.sourceFolder(), photos);
    QCOMPARE(again.main.startFrom(), 3);
    QCOMPARE(again.image.m_bRecurse, true);
}

void SettingsRestartTest::translatedTextsAreShownAndSurviveTheirWriteBack() {
    QStringList items;
    for (int i = 0; i < 8; ++i) {
        items << QStringLiteral("\"Item%1\"=\"Meldung %1\"\n").arg(i);
    }
    items[3] = QStringLiteral("\"Item3\"=\"Datei gibt es schon, überschreiben?\"\n");
    items[4] = QStringLiteral("\"Item4\"=\"Überschreiben bestätigen\"\n");
    store(RegRoot::LocalMachine,
          key(RegRoot::LocalMachine, QStringLiteral("Language")) +
              QStringLiteral("\"m_lblStart_Caption\"=\" Bilder bearbeiten... \"\n\n") +
              key(RegRoot::LocalMachine, QStringLiteral("Language.m_strhMessagesFM_Strings")) +
              QStringLiteral("\"Count\"=\"1\"\n\"Item0\"=\"%d Bilder, %d zugeschnitten.\"\n\n") +
              key(RegRoot::LocalMachine, QStringLiteral("Language.m_strhMessages_Strings")) +
              QStringLiteral("\"Count\"=\"8\"\n") + items.join(QString()));
    {
        Program program;
        program.start();
        QCOMPARE(program.main.findChild<LinkLabel*>(QStringLiteral("m_lblStart"))->text(),
                 QStringLiteral("Bilder bearbeiten..."));
        QCOMPARE(
            program.main.m_strhMessagesFM.format(0, {QStringLiteral("2"), QStringLiteral("1")}),
            QStringLiteral("2 Bilder, 1 zugeschnitten."));
        // Positions the short list lacks fall back to the built-in texts.
        QCOMPARE(program.main.m_strhMessagesFM.text(4),
                 QStringLiteral("Please make sure that source and destination folders are "
                                "specified and exist"));
        QCOMPARE(program.image.m_strhMessages.text(3),
                 QStringLiteral("File with the same name already exists, overwrite?"));
        program.image.show();  // the crop window takes its texts at every show
        program.image.hide();
        QCOMPARE(program.image.m_strhMessages.text(3),
                 QStringLiteral("Datei gibt es schon, überschreiben?"));
        QCOMPARE(program.image.m_strhMessages.text(4), QStringLiteral("Überschreiben bestätigen"));
        program.main.close();
    }
    QCOMPARE(stored(RegRoot::LocalMachine, QStringLiteral("Language"),
                    QStringLiteral("m_lblStart_Caption")),
             QStringLiteral("Bilder bearbeiten..."));
    QCOMPARE(stored(RegRoot::LocalMachine, QStringLiteral("Language.m_strhMessagesFM_Strings"),
                    QStringLiteral("Count")),
             QStringLiteral("1"));
    // Written back at the program's end because the crop window was shown.
    QCOMPARE(stored(RegRoot::LocalMachine, QStringLiteral("Language.m_strhMessages_Strings"),
                    QStringLiteral("Item4")),
             QStringLiteral("Überschreiben bestätigen"));
}

void SettingsRestartTest::storedRatioBelowTheLimitStopsTheStartUpSteps() {
    store(RegRoot::CurrentUser, key(RegRoot::CurrentUser, QStringLiteral("Options")) +
                                    QStringLiteral("\"m_edRatio_Value\"=\"1.2\"\n"
                                                   "\"m_lblLastProcessed_Caption\"=\"4\"\n"));
    ModalAnswerer answerer;
    Program program;
    program.start();
    QTRY_COMPARE(answerer.texts(),
                 QStringList{QStringLiteral("Invalid Ratio specified. Must be grater than 1,3.")});
    QVERIFY(program.main.isVisible());
    QCOMPARE(program.main.startFrom(), 0);  // SetLastProcessed did not run
}

void SettingsRestartTest::eachRunAddsItsCutsToTheDaysTally() {
    pictavo::test::TempDir tmp;
    const QString source = QString::fromStdString(tmp.file("photos"));
    const QString dest = QString::fromStdString(tmp.file("prints"));
    QDir().mkpath(source);
    QDir().mkpath(dest);
    for (int i = 1; i <= 5; ++i) {
        QFile f(source + QStringLiteral("/%1.jpg").arg(i));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    store(RegRoot::CurrentUser, key(RegRoot::CurrentUser, QStringLiteral("Options")) +
                                    QStringLiteral("\"m_edSource_Text\"=\"%1\"\n"
                                                   "\"m_edDest_Text\"=\"%2\"\n")
                                        .arg(source, dest));
    const QString today = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    FakeCropWindow crop;
    TfrmFolderMan main;
    main.setCropWindow(&crop);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTimer user;
    user.setInterval(5);
    connect(&user, &QTimer::timeout, this, [&] { crop.act([&main] { main.StepBack(); }); });
    user.start();
    for (int cuts : {5, 3}) {
        crop.script.assign(5, FakeCropWindow::Command::Skip);
        std::fill_n(crop.script.begin(), cuts, FakeCropWindow::Command::Crop);
        QTest::mouseClick(main.findChild<QWidget*>(QStringLiteral("m_lblStart")), Qt::LeftButton,
                          Qt::NoModifier, QPoint(3, 3));
        QCOMPARE(crop.cropped(), cuts);
    }
    user.stop();
    QCOMPARE(stored(RegRoot::CurrentUser, QStringLiteral("Options"), today), QStringLiteral("7"));
    main.setCropWindow(nullptr);
}

void SettingsRestartTest::userWithoutMachineRightsKeepsOptionsAndSeesOneError() {
    pictavo::test::SharedReadOnlyDir machine;
    pictavo::test::SharedReadOnlyDir user;
    QVERIFY(!machine.path().isEmpty() && !user.path().isEmpty());
    QFile::setPermissions(user.path(), QFileDevice::Permissions(0x7777));
    QString output;
    const int code = pictavo::test::runSelfAsNobody(
        {QStringLiteral("unwritableMachineStoreChild")}, QString::fromLatin1(kChildDirs),
        machine.path() + QLatin1Char(':') + user.path(), &output);
    if (code == -1) {
        QSKIP("runs only as root, dropping to the user nobody");
    }
    QVERIFY2(code == 0, qPrintable(output));
    QVERIFY(QFile::exists(user.path() + QStringLiteral("/Vornholt/Pictavo2.reg")));
    QVERIFY(!QFile::exists(machine.path() + QStringLiteral("/Vornholt")));
}

void SettingsRestartTest::unwritableMachineStoreChild() {
    const QStringList dirs = qEnvironmentVariable(kChildDirs).split(QLatin1Char(':'));
    if (dirs.size() != 2) {
        QSKIP("run by userWithoutMachineRightsKeepsOptionsAndSeesOneError");
    }
    qputenv("XDG_CONFIG_DIRS", dirs[0].toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dirs[1].toLocal8Bit());
    ModalAnswerer answerer;
    {
        Program program;
        program.start();
        program.main.SetLastProcessed(QStringLiteral("6"));
        program.main.close();
        QVERIFY(!program.main.isVisible());
    }
    QCOMPARE(answerer.texts(), QStringList{QStringLiteral("Failed to create key Language.")});
    QCOMPARE(stored(RegRoot::CurrentUser, QStringLiteral("Options"),
                    QStringLiteral("m_lblLastProcessed_Caption")),
             QStringLiteral("6"));
}

PICTAVO_QTEST_MAIN(SettingsRestartTest)
#include "SettingsRestartTest.moc"
