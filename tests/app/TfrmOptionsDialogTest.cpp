#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <initializer_list>
#include <stdexcept>

#include "app/PrintSizeBox.h"
#include "app/QualitySlider.h"
#include "app/RatioEdit.h"
#include "app/TfrmOptionsDialog.h"
#include "crop/PrintSize.h"
#include "crop/TfrmImage.h"
#include "settings/SettingsStore.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"

using pictavo::RegRoot;
using pictavo::SettingsStore;

namespace {

const QString kKeyPath = QStringLiteral("Software\\Vornholt\\Pictavo2");

QString storedOption(const QString& name, RegRoot root = RegRoot::CurrentUser,
                     const QString& section = QStringLiteral("Options")) {
    SettingsStore store(root, kKeyPath, SettingsStore::Access::ReadOnly);
    return store.readString(section, name).value_or(QStringLiteral("<absent>"));
}

void storeOptions(const QString& values, RegRoot root = RegRoot::CurrentUser,
                  const QString& section = QStringLiteral("Options")) {
    const QString path = SettingsStore::standardFilePath(root);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("Windows Registry Editor Version 5.00\n\n[%1\\%2\\%3]\n%4")
                .arg(SettingsStore::rootName(root), kKeyPath, section, values)
                .toUtf8());
}

void typeRatio(TfrmOptionsDialog& dialog, const QString& text) {
    dialog.m_edRatio->setFocus();
    dialog.m_edRatio->selectAll();
    QTest::keyClick(dialog.m_edRatio, Qt::Key_Backspace);
    QTest::keyClicks(dialog.m_edRatio, text);
}

}  // namespace

class TfrmOptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void nothingStoredGivesTheDefaultsInForce();
    void applyPushesAndStoresAndARestartLoadsThem();
    void ratioFromOnePointThreeThreeUp();
    void refusedRatioStopsApplyPartWay();
    void cancelChangesNothing();
    void storedRatioBelowTheLimitFailsAtStartUp();
    void titleAndTextsComeFromLanguage();
    void ratioEditInputRules();
    void qualitySliderSteps();
    void photoOptionsAboveTheButtonsStoredAndPushed();
    void printSizeSetsTheRatioATypedRatioClearsItAndUnknownReadsAsNone();
};

void TfrmOptionsDialogTest::init() {
    QFile::remove(SettingsStore::standardFilePath(RegRoot::CurrentUser));
    QFile::remove(SettingsStore::standardFilePath(RegRoot::LocalMachine));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TfrmOptionsDialogTest::nothingStoredGivesTheDefaultsInForce() {
    TfrmImage image;
    TfrmOptionsDialog::LoadOptions(&image);
    QCOMPARE(image.m_bConfirm, true);
    QCOMPARE(image.m_bRecurse, false);
    QCOMPARE(image.m_bAutoRotate, false);
    QCOMPARE(image.m_bKeepMetadata, false);
    QCOMPARE(image.m_bMoreFormats, false);
    QCOMPARE(image.m_sPrintSize, QStringLiteral("None"));
    QCOMPARE(image.m_bFrameInside, false);
    QCOMPARE(image.m_bLosslessCut, false);
    TfrmOptionsDialog dialog(&image);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.m_edRatio->value() == 1.5L);
    QCOMPARE(dialog.m_edRatio->text(), QStringLiteral("1.5"));
    QCOMPARE(dialog.m_nCompressionQ->value(), 100);
    QCOMPARE(dialog.m_chbOverwriteConfirm->isChecked(), true);
    QCOMPARE(dialog.m_btnRecurseDirs->isChecked(), false);
    QCOMPARE(dialog.size(), QSize(440, 374));
    QCOMPARE(dialog.m_cbPrintSize->text(), QStringLiteral("None"));
    QCOMPARE(dialog.m_chbFrameInside->isChecked(), false);
    QCOMPARE(dialog.m_chbAutoRotate->isChecked(), false);
    QCOMPARE(dialog.m_chbKeepMetadata->isChecked(), false);
    QCOMPARE(dialog.m_chbMoreFormats->isChecked(), false);
    QCOMPARE(dialog.m_chbLosslessCut->isChecked(), false);
    QCOMPARE(dialog.pos(), QPoint(389, 239));
    QVERIFY(!QFile::exists(SettingsStore::standardFilePath(RegRoot::CurrentUser)));
}

void TfrmOptionsDialogTest::applyPushesAndStoresAndARestartLoadsThem() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        TfrmImage image;
        TfrmOptionsDialog dialog(&image);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        typeRatio(dialog, QStringLiteral("1.75"));  // "." types the German ","
        QCOMPARE(dialog.m_edRatio->text(), QStringLiteral("1,75"));
        dialog.m_nCompressionQ->setValue(57);
        dialog.m_chbOverwriteConfirm->setChecked(false);
        dialog.m_btnRecurseDirs->setChecked(true);
        dialog.move(300, 200);
        QTest::mouseClick(dialog.m_btnApply, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(image.m_bConfirm, false);
        QCOMPARE(image.m_bRecurse, true);
    }
    QCOMPARE(storedOption(QStringLiteral("m_edRatio_Value")), QStringLiteral("1.75"));
    QCOMPARE(storedOption(QStringLiteral("m_nCompressionQ_Value")), QStringLiteral("57"));
    QCOMPARE(storedOption(QStringLiteral("m_chbOverwriteConfirm_Checked")),
             QStringLiteral("False"));
    QCOMPARE(storedOption(QStringLiteral("m_btnRecurseDirs_Checked")), QStringLiteral("True"));
    QCOMPARE(storedOption(QStringLiteral("NormPos")), QStringLiteral("300,200,740,574"));
    // The next start, under another locale.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TfrmImage image;
    TfrmOptionsDialog::LoadOptions(&image);
    QCOMPARE(image.m_bConfirm, false);
    QCOMPARE(image.m_bRecurse, true);
    TfrmOptionsDialog dialog(&image);
    dialog.show();
    QVERIFY(dialog.m_edRatio->value() == 1.75L);
    QCOMPARE(dialog.m_nCompressionQ->value(), 57);
    QCOMPARE(dialog.pos(), QPoint(300, 200));
}

void TfrmOptionsDialogTest::ratioFromOnePointThreeThreeUp() {
    ModalAnswerer answerer;
    for (const char* text : {"1.33", "1.3", "1.329", "4", "", "-2"}) {
        TfrmImage image;
        TfrmOptionsDialog dialog(&image);
        dialog.show();
        typeRatio(dialog, QString::fromUtf8(text));
        answerer.clear();
        QTest::mouseClick(dialog.m_btnApply, Qt::LeftButton);
        const bool accepted = QByteArray(text) == "1.33" || QByteArray(text) == "4";
        QVERIFY2(dialog.isVisible() == !accepted, text);
        QCOMPARE(
            answerer.texts(),
            accepted
                ? QStringList()
                : QStringList{QStringLiteral("Invalid Ratio specified. Must be grater than 1,3.")});
    }
}

void TfrmOptionsDialogTest::refusedRatioStopsApplyPartWay() {
    ModalAnswerer answerer;
    TfrmImage image;
    TfrmOptionsDialog::LoadOptions(&image);
    TfrmOptionsDialog dialog(&image);
    dialog.show();
    typeRatio(dialog, QStringLiteral("1.2"));
    dialog.m_chbOverwriteConfirm->setChecked(false);
    dialog.m_btnRecurseDirs->setChecked(true);
    QTest::mouseClick(dialog.m_btnApply, Qt::LeftButton);
    QCOMPARE(answerer.texts().size(), 1);
    QVERIFY(dialog.isVisible());
    QCOMPARE(image.m_bConfirm, false);  // pushed before the ratio
    QCOMPARE(image.m_bRecurse, false);  // after it: not reached
    QCOMPARE(storedOption(QStringLiteral("m_chbOverwriteConfirm_Checked")),
             QStringLiteral("<absent>"));
    // Cancel then keeps what is in force, though never stored.
    QTest::mouseClick(dialog.m_btnCancel, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(image.m_bConfirm, false);
    QCOMPARE(storedOption(QStringLiteral("m_edRatio_Value")), QStringLiteral("<absent>"));
}

void TfrmOptionsDialogTest::cancelChangesNothing() {
    storeOptions(QStringLiteral("\"m_nCompressionQ_Value\"=\"80\"\n\"m_edRatio_Value\"=\"2\"\n"));
    TfrmImage image;
    TfrmOptionsDialog::LoadOptions(&image);
    {
        TfrmOptionsDialog dialog(&image);
        dialog.show();
        typeRatio(dialog, QStringLiteral("3"));
        dialog.m_nCompressionQ->setValue(20);
        dialog.m_chbOverwriteConfirm->setChecked(false);
        QTest::mouseClick(dialog.m_btnCancel, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QCOMPARE(image.m_bConfirm, true);
    QCOMPARE(storedOption(QStringLiteral("m_nCompressionQ_Value")), QStringLiteral("80"));
    TfrmOptionsDialog again(&image);
    again.show();
    QCOMPARE(again.m_nCompressionQ->value(), 80);
    QVERIFY(again.m_edRatio->value() == 2.0L);
    QCOMPARE(again.m_chbOverwriteConfirm->isChecked(), true);
}

void TfrmOptionsDialogTest::storedRatioBelowTheLimitFailsAtStartUp() {
    storeOptions(
        QStringLiteral("\"m_edRatio_Value\"=\"1.2\"\n"
                       "\"m_chbOverwriteConfirm_Checked\"=\"False\"\n"
                       "\"m_btnRecurseDirs_Checked\"=\"True\"\n"));
    TfrmImage image;
    image.m_bConfirm = true;
    try {
        TfrmOptionsDialog::LoadOptions(&image);
        QFAIL("a stored ratio of 1.2 was accepted");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString::fromUtf8(e.what()),
                 QStringLiteral("Invalid Ratio specified. Must be grater than 1,3."));
    }
    QCOMPARE(image.m_bConfirm, false);
    QCOMPARE(image.m_bRecurse, false);
}

void TfrmOptionsDialogTest::titleAndTextsComeFromLanguage() {
    storeOptions(QStringLiteral("\"m_lblDialogCaption_Caption\"=\"Pictavo-Optionen\"\n"
                                "\"m_lblRatio_Caption\"=\"Seitenverhältnis: \"\n"
                                "\"m_btnApply_Caption\"=\"Ü&bernehmen\"\n"),
                 RegRoot::LocalMachine, QStringLiteral("Language"));
    TfrmImage image;
    {
        TfrmOptionsDialog dialog(&image);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Pictavo-Optionen"));
        QCOMPARE(dialog.m_lblRatio->text(), QStringLiteral("Seitenverhältnis:"));
        // The access key of a stored caption works.
        QCOMPARE(dialog.m_btnApply->shortcut(), QKeySequence(Qt::ALT | Qt::Key_B));
        QTest::mouseClick(dialog.m_btnCancel, Qt::LeftButton);
    }
    const auto lang = [](const char* name) {
        return storedOption(QLatin1String(name), RegRoot::LocalMachine, QStringLiteral("Language"));
    };
    QCOMPARE(lang("m_lblRatio_Caption"), QStringLiteral("Seitenverhältnis:"));
    QCOMPARE(lang("m_lblCompressionQ_Caption"),
             QStringLiteral("Saved images compression quality:"));
    QCOMPARE(lang("m_lblBestCompression_Caption"), QStringLiteral("Best"));
    QCOMPARE(lang("m_chbOverwriteConfirm_Caption"), QStringLiteral("Confirm operations"));
    QCOMPARE(lang("m_btnRecurseDirs_Caption"), QStringLiteral("Recurse into subdirectories"));
    QCOMPARE(lang("m_btnCancel_Caption"), QStringLiteral("Cancel"));
    QCOMPARE(lang("Visible"), QStringLiteral("0"));
    QCOMPARE(lang("FormVersion"), QStringLiteral("0"));
    // The hidden start-up dialog touches no texts.
    QFile::remove(SettingsStore::standardFilePath(RegRoot::LocalMachine));
    TfrmOptionsDialog::LoadOptions(&image);
    QVERIFY(!QFile::exists(SettingsStore::standardFilePath(RegRoot::LocalMachine)));
}

void TfrmOptionsDialogTest::ratioEditInputRules() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TfrmImage image;
    TfrmOptionsDialog dialog(&image);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    typeRatio(dialog, QStringLiteral("12a,3x4.5,67"));
    QCOMPARE(dialog.m_edRatio->text(), QStringLiteral("12,345"));  // one separator, three decimals
    QTest::keyClick(dialog.m_edRatio, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.m_edRatio->text(), QStringLiteral("1,5"));
    typeRatio(dialog, QStringLiteral("1234.5"));
    dialog.m_btnRecurseDirs->setFocus();
    QCOMPARE(dialog.m_edRatio->text(), QStringLiteral("1.234,5"));
    QVERIFY(dialog.m_edRatio->value() == 1234.5L);
}

void TfrmOptionsDialogTest::qualitySliderSteps() {
    TfrmImage image;
    TfrmOptionsDialog dialog(&image);
    dialog.show();
    QualitySlider* slider = dialog.m_nCompressionQ;
    slider->setFocus();
    slider->setValue(37);
    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(slider->value(), 38);
    slider->setValue(37);
    QTest::keyClick(slider, Qt::Key_Left);
    QCOMPARE(slider->value(), 34);
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(slider->value(), 100);
    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(slider->value(), 100);
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(slider->value(), 1);
    QTest::keyClick(slider, Qt::Key_Left);
    QCOMPARE(slider->value(), 1);
    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(slider->value(), 2);
    // A click beside the thumb works like a key.
    slider->setValue(51);
    QTest::mouseClick(slider, Qt::LeftButton, {},
                      QPoint(slider->width() - 3, slider->height() / 2));
    QCOMPARE(slider->value(), 54);
}

void TfrmOptionsDialogTest::photoOptionsAboveTheButtonsStoredAndPushed() {
    storeOptions(QStringLiteral("\"m_chbAutoRotate_Caption\"=\"Fotos aufrichten\"\n"),
                 RegRoot::LocalMachine, QStringLiteral("Language"));
    {
        TfrmImage image;
        TfrmOptionsDialog dialog(&image);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.m_chbAutoRotate->text(), QStringLiteral("Fotos aufrichten"));
        // The photo options come after the other options and before the
        // buttons.
        const QRect group =
            dialog.m_chbAutoRotate->geometry() | dialog.m_chbKeepMetadata->geometry();
        // The lossless cut comes right below the two photo options, the
        // other formats below it.
        QCOMPARE(dialog.m_chbLosslessCut->geometry().top(), group.bottom() + 1 + 7);
        QVERIFY(dialog.m_chbLosslessCut->geometry().bottom() <
                dialog.m_chbMoreFormats->geometry().top());
        QVERIFY(dialog.m_chbMoreFormats->geometry().bottom() < dialog.m_btnApply->geometry().top());
        for (const QWidget* w : std::initializer_list<const QWidget*>{
                 dialog.m_edRatio, dialog.m_btnRecurseDirs, dialog.m_nCompressionQ,
                 dialog.m_lblBestCompression, dialog.m_chbOverwriteConfirm}) {
            QVERIFY2(w->geometry().bottom() < group.top(), qPrintable(w->objectName()));
        }
        QVERIFY(group.bottom() < dialog.m_btnApply->geometry().top());
        QVERIFY(group.bottom() < dialog.m_btnCancel->geometry().top());
        // No control covers another, and all lie inside the dialog; the
        // bevels hold controls and only must not cover each other.
        const QList<QWidget*> shown = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        auto isBevel = [](const QWidget* w) {
            return w->metaObject() == &QFrame::staticMetaObject;
        };
        for (qsizetype i = 0; i < shown.size(); ++i) {
            if (!shown[i]->isVisible()) {
                continue;
            }
            QVERIFY2(dialog.rect().contains(shown[i]->geometry()),
                     qPrintable(shown[i]->objectName()));
            for (qsizetype j = i + 1; j < shown.size(); ++j) {
                if (shown[j]->isVisible() && isBevel(shown[i]) == isBevel(shown[j])) {
                    QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                             qPrintable(shown[i]->objectName() + u' ' + shown[j]->objectName()));
                }
            }
        }
        dialog.m_chbAutoRotate->setChecked(true);
        dialog.m_chbKeepMetadata->setChecked(true);
        dialog.m_chbMoreFormats->setChecked(true);
        dialog.m_chbLosslessCut->setChecked(true);
        QTest::mouseClick(dialog.m_btnApply, Qt::LeftButton);
        QCOMPARE(image.m_bAutoRotate, true);
        QCOMPARE(image.m_bKeepMetadata, true);
        QCOMPARE(image.m_bMoreFormats, true);
        QCOMPARE(image.m_bLosslessCut, true);
    }
    QCOMPARE(storedOption(QStringLiteral("m_chbMoreFormats_Checked")), QStringLiteral("True"));
    QCOMPARE(storedOption(QStringLiteral("m_chbMoreFormats_Caption"), RegRoot::LocalMachine,
                          QStringLiteral("Language")),
             QStringLiteral("Also open HEIC, PNG, TIFF and WebP pictures"));
    QCOMPARE(storedOption(QStringLiteral("m_chbAutoRotate_Checked")), QStringLiteral("True"));
    QCOMPARE(storedOption(QStringLiteral("m_chbKeepMetadata_Checked")), QStringLiteral("True"));
    QCOMPARE(storedOption(QStringLiteral("m_chbLosslessCut_Checked")), QStringLiteral("True"));
    QCOMPARE(storedOption(QStringLiteral("m_chbLosslessCut_Caption"), RegRoot::LocalMachine,
                          QStringLiteral("Language")),
             QStringLiteral("Cut without re-encoding when the photo is unchanged"));
    QCOMPARE(storedOption(QStringLiteral("m_chbKeepMetadata_Caption"), RegRoot::LocalMachine,
                          QStringLiteral("Language")),
             QStringLiteral("Keep date, camera data and colour profile"));
    TfrmImage restarted;
    TfrmOptionsDialog::LoadOptions(&restarted);
    QCOMPARE(restarted.m_bAutoRotate, true);
    QCOMPARE(restarted.m_bKeepMetadata, true);
    QCOMPARE(restarted.m_bMoreFormats, true);
    QCOMPARE(restarted.m_bLosslessCut, true);
}

void TfrmOptionsDialogTest::printSizeSetsTheRatioATypedRatioClearsItAndUnknownReadsAsNone() {
    ModalAnswerer answerer;
    const auto sizes = pictavo::print::printSizes();
    // Every size, chosen with the keyboard, sets its ratio, which the crop
    // window accepts; size and frame option are pushed and stored.
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        TfrmImage image;
        TfrmOptionsDialog dialog(&image);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.m_cbPrintSize->setFocus();
        QTest::keyClick(dialog.m_cbPrintSize, Qt::Key_Home);  // the last Apply stored one
        for (std::size_t step = 0; step <= i; ++step) {
            QTest::keyClick(dialog.m_cbPrintSize, Qt::Key_Down);
        }
        const QString name =
            QString::fromUtf8(sizes[i].name.data(), qsizetype(sizes[i].name.size()));
        QVERIFY2(dialog.m_edRatio->value() == sizes[i].ratio(), qPrintable(name));
        dialog.m_chbFrameInside->setChecked(i % 2 == 0);
        answerer.clear();
        QTest::mouseClick(dialog.m_btnApply, Qt::LeftButton);
        QVERIFY2(answerer.texts().isEmpty(), qPrintable(name));
        QCOMPARE(image.m_sPrintSize, name);
        QCOMPARE(image.m_bFrameInside, i % 2 == 0);
        QCOMPARE(storedOption(QStringLiteral("m_cbPrintSize_Text")), name);
    }
    {
        // A ratio typed is no size's, even the size's own; "None" keeps the ratio.
        TfrmImage image;
        TfrmOptionsDialog dialog(&image);
        dialog.show();
        QCOMPARE(dialog.m_cbPrintSize->text(), QString::fromUtf8("5 \u00d7 7 in"));
        typeRatio(dialog, QStringLiteral("1.4"));
        QCOMPARE(dialog.m_cbPrintSize->text(), QStringLiteral("None"));
        dialog.m_cbPrintSize->setFocus();
        QTest::keyClick(dialog.m_cbPrintSize, Qt::Key_Down);
        QTest::keyClick(dialog.m_cbPrintSize, Qt::Key_Home);
        QVERIFY(std::abs(dialog.m_edRatio->value() - 13.0L / 9) < 1e-9L);
    }
    // A stored size no longer offered reads as none, the stored ratio kept.
    storeOptions(
        QString::fromUtf8("\"m_cbPrintSize_Text\"=\"11 \u00d7 17 cm\"\n"
                          "\"m_edRatio_Value\"=\"1.75\"\n"));
    TfrmImage image;
    TfrmOptionsDialog::LoadOptions(&image);
    QCOMPARE(image.m_sPrintSize, QStringLiteral("None"));
    TfrmOptionsDialog dialog(&image);
    dialog.show();
    QVERIFY(dialog.m_edRatio->value() == 1.75L);
}

PICTAVO_QTEST_MAIN(TfrmOptionsDialogTest)
#include "TfrmOptionsDialogTest.moc"
