#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

#include "FakeCropWindow.h"
#include "app/QualitySlider.h"
#include "app/RatioEdit.h"
#include "app/TfrmFolderMan.h"
#include "app/TfrmOptionsDialog.h"
#include "crop/TfrmImage.h"
#include "settings/SettingsStore.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"

using pictavo::RegRoot;
using pictavo::SettingsStore;

namespace {

const QString kKeyPath = QStringLiteral("Software\\Vornholt\\Pictavo2");

void storeLanguage(const QString& values) {
    const QString path = SettingsStore::standardFilePath(RegRoot::LocalMachine);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write((QStringLiteral("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\%1\\"
                            "Language]\n")
                 .arg(kKeyPath) +
             values)
                .toUtf8());
}

QString storedLanguage(const char* name) {
    SettingsStore store(RegRoot::LocalMachine, kKeyPath, SettingsStore::Access::ReadOnly);
    return store.readString(QStringLiteral("Language"), QLatin1String(name))
        .value_or(QStringLiteral("<absent>"));
}

// Whether `label` shows exactly what a plain label beside it shows for `text`
// taken literally, in the same size, font and colours.
bool showsLiterally(QLabel* label, const QString& text) {
    QLabel plain(label->parentWidget());
    plain.setTextFormat(Qt::PlainText);
    plain.setFont(label->font());
    plain.setPalette(label->palette());
    plain.setAlignment(label->alignment());
    plain.setWordWrap(label->wordWrap());
    plain.resize(label->size());
    plain.setText(text);
    return label->grab().toImage() == plain.grab().toImage();
}

}  // namespace

class TranslatedCaptionsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void mainWindowShowsDoubledAmpersandsOnceAndTakesAccessKeys();
    void dialogLabelsGiveTheirControlsAccessKeys();
};

void TranslatedCaptionsTest::init() {
    QFile::remove(SettingsStore::standardFilePath(RegRoot::CurrentUser));
    QFile::remove(SettingsStore::standardFilePath(RegRoot::LocalMachine));
}

void TranslatedCaptionsTest::mainWindowShowsDoubledAmpersandsOnceAndTakesAccessKeys() {
    storeLanguage(
        QStringLiteral("\"m_lblSourceFolder_Caption\"=\"Quelle && Ziel...\"\n"
                       "\"m_lblStartFrom_Caption\"=\"Ab && bis:\"\n"
                       "\"m_lblStart_Caption\"=\"&Los!\"\n"));
    ModalAnswerer answerer;
    {
        FakeCropWindow crop;
        TfrmFolderMan window;
        window.setCropWindow(&crop);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const struct {
            const char* name;
            QString shown;
        } labels[] = {
            {"m_lblSourceFolder", QStringLiteral("Quelle & Ziel...")},
            {"m_lblStartFrom", QStringLiteral("Ab & bis:")},
        };
        for (const auto& l : labels) {
            QVERIFY2(showsLiterally(window.findChild<QLabel*>(l.name), l.shown), l.name);
        }
        // Alt+L is a click on the start link: without folders it warns.
        QTest::keyClick(&window, Qt::Key_L, Qt::AltModifier);
        QTRY_COMPARE(answerer.texts(),
                     QStringList{QStringLiteral("Please make sure that source and destination "
                                                "folders are specified and exist")});
        window.close();
        window.setCropWindow(nullptr);
    }
    QCOMPARE(storedLanguage("m_lblSourceFolder_Caption"), QStringLiteral("Quelle && Ziel..."));
    QCOMPARE(storedLanguage("m_lblStart_Caption"), QStringLiteral("&Los!"));
}

void TranslatedCaptionsTest::dialogLabelsGiveTheirControlsAccessKeys() {
    storeLanguage(
        QStringLiteral("\"m_lblRatio_Caption\"=\"&Seitenverhältnis:\"\n"
                       "\"m_lblCompressionQ_Caption\"=\"&Qualität && Größe:\"\n"
                       "\"m_lblBestCompression_Caption\"=\"&&\"\n"
                       "\"m_lblDialogCaption_Caption\"=\"Optionen && Texte\"\n"));
    TfrmImage image;
    {
        TfrmOptionsDialog dialog(&image);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Optionen & Texte"));
        QVERIFY(showsLiterally(dialog.m_lblBestCompression, QStringLiteral("&")));
        QTest::keyClick(&dialog, Qt::Key_Q, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), dialog.m_nCompressionQ);
        QTest::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), dialog.m_edRatio);
        dialog.close();
    }
    QCOMPARE(storedLanguage("m_lblRatio_Caption"), QStringLiteral("&Seitenverhältnis:"));
    QCOMPARE(storedLanguage("m_lblBestCompression_Caption"), QStringLiteral("&&"));
}

PICTAVO_QTEST_MAIN(TranslatedCaptionsTest)
#include "TranslatedCaptionsTest.moc"
