// The adjustment toolbar on its own, with a recording stand-in for the crop
// window: rebuilds from the untouched copy in the fixed order, the per-picture
// reset, red-eye mode and Apply, and its replaceable texts.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <vector>

#include "adjust/EffectSlider.h"
#include "adjust/TfrmToolBar.h"
#include "core/Picture.h"
#include "crop/ToolbarHost.h"
#include "settings/SettingsStore.h"
#include "support/QtTestMain.h"

using pictavo::Picture;
using pictavo::RegRoot;
using pictavo::SettingsStore;

namespace {

const QString kKeyPath = QStringLiteral("Software\\Vornholt\\Pictavo2");

// The crop window as the toolbar sees it, adopting results as it does.
struct RecordingHost : ToolbarHost {
    bool isModified = false;
    std::vector<bool> redEyeModes;
    QSize imageSize{1024, 683};
    QPoint imagePos{0, 42};
    bool waiting = true;

    bool modified() const override { return isModified; }
    void SetRedEyeMode(bool on) override { redEyeModes.push_back(on); }
    QSize GetImageSize() const override { return imageSize; }
    QPoint GetImagePos() const override { return imagePos; }
    bool waitsForUser() const override { return waiting; }
    bool cutsWaiting() const override { return writing; }
    bool writing = false;
};

struct Bgr {
    int blue, green, red;
    friend bool operator==(const Bgr&, const Bgr&) = default;
};

Bgr pixel(const Picture& picture, int x, int y) {
    const std::uint8_t* p = picture.scanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

Picture filled(int width, int height, Bgr c) {
    Picture picture(width, height);
    picture.fill(static_cast<std::uint8_t>(c.blue), static_cast<std::uint8_t>(c.green),
                 static_cast<std::uint8_t>(c.red));
    return picture;
}

bool sharesPixels(const Picture& a, const Picture& b) {
    return std::as_const(a).scanLine(0) == std::as_const(b).scanLine(0);
}

void storeLanguage(const QString& values) {
    const QString path = SettingsStore::standardFilePath(RegRoot::LocalMachine);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("Windows Registry Editor Version 5.00\n\n[%1\\%2\\Language]\n%3")
                .arg(SettingsStore::rootName(RegRoot::LocalMachine), kKeyPath, values)
                .toUtf8());
}

QString storedText(const QString& name) {
    SettingsStore store(RegRoot::LocalMachine, kKeyPath, SettingsStore::Access::ReadOnly);
    return store.readString(QStringLiteral("Language"), name).value_or(QStringLiteral("<absent>"));
}

}  // namespace

class TfrmToolBarTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void rebuildsFromTheUntouchedCopyInTheFixedOrder();
    void saturationRunsOnlyOffItsNeutralValue();
    void theNextPicturesFirstChangeReusesTheLastResult();
    void resetRebuildsOnceOnlyWhenAntialiasWasChecked();
    void redEyeModeDisablesTheAdjustmentsAndApplyCorrectsTheSelection();
    void textsComeFromLanguageAtEveryShowAndGoBackAtTheEnd();

private:
    EffectSlider* slider(const char* name) {
        return m_toolBar->findChild<EffectSlider*>(QLatin1String(name));
    }
    QCheckBox* antialias() { return m_toolBar->findChild<QCheckBox*>(); }
    QToolButton* redEyeButton() { return m_toolBar->findChild<QToolButton*>(); }
    QPushButton* applyButton() { return m_toolBar->findChild<QPushButton*>(); }

    RecordingHost m_host;
    std::unique_ptr<TfrmToolBar> m_toolBar;
    int m_changes = 0;
};

void TfrmToolBarTest::init() {
    QFile::remove(SettingsStore::standardFilePath(RegRoot::CurrentUser));
    QFile::remove(SettingsStore::standardFilePath(RegRoot::LocalMachine));
    m_host = RecordingHost();
    m_changes = 0;
    m_toolBar = std::make_unique<TfrmToolBar>(m_host);
    m_toolBar->setOnEffectChange([this](AdjustmentToolbar*) {
        ++m_changes;
        m_host.isModified = true;
    });
    m_toolBar->showOnScreen(QRect(0, 0, 1280, 800));
    QVERIFY(QTest::qWaitForWindowExposed(m_toolBar.get()));
}

void TfrmToolBarTest::cleanup() {
    m_toolBar.reset();
}

void TfrmToolBarTest::rebuildsFromTheUntouchedCopyInTheFixedOrder() {
    const Picture original = filled(4, 4, {100, 100, 100});
    m_toolBar->SetSourceBitmap(original);
    auto* light = m_toolBar->findChild<QLabel*>(QStringLiteral("m_shpModified"));
    QVERIFY(!light->isVisible());

    slider("m_slBrightness")->setValue(45);
    QTest::keyClick(slider("m_slBrightness"), Qt::Key_Right);
    QCOMPARE(m_changes, 1);
    QCOMPARE(pixel(m_toolBar->result(), 1, 1), (Bgr{130, 130, 130}));
    QVERIFY(light->isVisible());
    // Held as the crop window holds what it shows: later rebuilds never
    // write into it.
    const Picture shown = m_toolBar->result();

    // Brightness first, then contrast: 130, then 131 (the other way round 122).
    slider("m_slContrast")->setValue(95);
    QTest::keyClick(slider("m_slContrast"), Qt::Key_Right);
    QCOMPARE(m_changes, 2);
    QCOMPARE(pixel(m_toolBar->result(), 1, 1), (Bgr{131, 131, 131}));

    // Back to neutral: the loaded picture again, still reported as a change.
    slider("m_slBrightness")->setValue(5);
    QTest::keyClick(slider("m_slBrightness"), Qt::Key_Left);
    slider("m_slContrast")->setValue(5);
    QTest::keyClick(slider("m_slContrast"), Qt::Key_Left);
    QCOMPARE(m_changes, 4);
    QVERIFY(sharesPixels(m_toolBar->result(), original));
    QCOMPARE(pixel(original, 1, 1), (Bgr{100, 100, 100}));
    QCOMPARE(pixel(shown, 1, 1), (Bgr{130, 130, 130}));
}

void TfrmToolBarTest::saturationRunsOnlyOffItsNeutralValue() {
    Picture original = filled(3, 3, {10, 100, 200});
    m_toolBar->SetSourceBitmap(original);
    EffectSlider* saturation = slider("m_slSaturation");

    // At 255 nothing runs: the result is the loaded picture itself.
    saturation->setValue(250);
    QTest::keyClick(saturation, Qt::Key_End);
    QCOMPARE(saturation->value(), 255);
    QVERIFY(sharesPixels(m_toolBar->result(), original));

    // At 254 it runs (grey 103): blue 11, green 101, red 199.
    saturation->setValue(254);
    QTest::keyClick(slider("m_slBrightness"), Qt::Key_Right);
    QTest::keyClick(slider("m_slBrightness"), Qt::Key_Left);
    QCOMPARE(pixel(m_toolBar->result(), 1, 1), (Bgr{11, 101, 199}));
    QCOMPARE(pixel(original, 1, 1), (Bgr{10, 100, 200}));
}

void TfrmToolBarTest::theNextPicturesFirstChangeReusesTheLastResult() {
    m_toolBar->SetSourceBitmap(filled(4, 4, {100, 100, 100}));
    slider("m_slBrightness")->setValue(45);
    QTest::keyClick(slider("m_slBrightness"), Qt::Key_Right);
    const std::uint8_t* const raster = m_toolBar->result().scanLine(0);

    // Until a control changes, the result is the new picture as it is; the
    // first change writes into the raster the crop window has let go of.
    const Picture next = filled(4, 4, {10, 20, 30});
    m_toolBar->SetSourceBitmap(next);
    QVERIFY(sharesPixels(m_toolBar->result(), next));
    QTest::keyClick(slider("m_slBrightness"), Qt::Key_Right);
    QCOMPARE(m_toolBar->result().scanLine(0), raster);
    QCOMPARE(pixel(m_toolBar->result(), 1, 1), (Bgr{62, 70, 78}));
    QCOMPARE(pixel(next, 1, 1), (Bgr{10, 20, 30}));
}

void TfrmToolBarTest::resetRebuildsOnceOnlyWhenAntialiasWasChecked() {
    struct Case {
        bool antialias;
        int brightness;
        int expectedRebuilds;
    };
    for (const Case c : {Case{true, 40, 1}, Case{false, 40, 0}, Case{false, 0, 0}}) {
        m_toolBar->SetSourceBitmap(filled(5, 5, {1, 2, 3}));
        slider("m_slBrightness")->setValue(c.brightness);
        slider("m_slSaturation")->setValue(100);
        if (c.antialias != antialias()->isChecked()) {
            QTest::mouseClick(antialias(), Qt::LeftButton, {}, QPoint(4, 8));
        }
        QCOMPARE(antialias()->isChecked(), c.antialias);

        const Picture next = filled(6, 4, {7, 8, 9});
        m_toolBar->SetSourceBitmap(next);
        m_changes = 0;
        m_toolBar->ResetEffects();
        QCOMPARE(m_changes, c.expectedRebuilds);
        QCOMPARE(slider("m_slBrightness")->value(), 0);
        QCOMPARE(slider("m_slContrast")->value(), 0);
        QCOMPARE(slider("m_slSaturation")->value(), 255);
        QVERIFY(!antialias()->isChecked());
        if (c.expectedRebuilds) {
            // The rebuild with every control neutral hands the new picture on as it is.
            QVERIFY(sharesPixels(m_toolBar->result(), next));
        }
    }
}

void TfrmToolBarTest::redEyeModeDisablesTheAdjustmentsAndApplyCorrectsTheSelection() {
    // The 3000 x 2000 picture shown 1024 x 683 at (0, 42): the tool's
    // (100, 142, 139, 181) covers picture pixels 294 to 408.
    // Red-eye red everywhere: only the selection may change.
    const Picture original = filled(3000, 2000, {50, 60, 200});
    const Picture untouched = original;
    m_toolBar->SetSourceBitmap(original);
    slider("m_slBrightness")->setValue(45);
    QTest::keyClick(slider("m_slBrightness"), Qt::Key_Right);
    QCOMPARE(m_changes, 1);

    QVERIFY(!applyButton()->isEnabled());
    QTest::mouseClick(redEyeButton(), Qt::LeftButton);
    QCOMPARE(m_host.redEyeModes, std::vector<bool>{true});
    for (QWidget* control :
         {static_cast<QWidget*>(slider("m_slBrightness")),
          static_cast<QWidget*>(slider("m_slContrast")),
          static_cast<QWidget*>(slider("m_slSaturation")), static_cast<QWidget*>(antialias())}) {
        QVERIFY(!control->isEnabled());
    }
    // Disabled controls do not react.
    QTest::keyClick(slider("m_slBrightness"), Qt::Key_Right);
    QTest::mouseClick(antialias(), Qt::LeftButton, {}, QPoint(4, 8));
    QCOMPARE(m_changes, 1);
    m_toolBar->clickApplyRedEye();
    QCOMPARE(m_changes, 1);

    m_toolBar->SetRedEyeSelection({100, 142, 139, 181});
    QCOMPARE(m_toolBar->redEyeRect(), (pictavo::Rect{294, 294, 408, 408}));
    QVERIFY(applyButton()->isEnabled());
    m_toolBar->clickApplyRedEye();
    QCOMPARE(m_changes, 2);
    QCOMPARE(m_host.redEyeModes, (std::vector<bool>{true, true}));
    // Corrected inside the selection (R 200, G 60, B 50 -> 122, 95, 93), the
    // brightness of 50 still on top of it; left as it was outside.
    const Picture& shown = m_toolBar->result();
    const auto brightened = [](int c) { return c + 50 * (255 - c) / 255; };
    const Bgr corrected{brightened(93), brightened(95), brightened(122)};
    for (const auto& [x, y] : {std::pair{294, 294}, std::pair{408, 408}, std::pair{350, 300}})
        QCOMPARE(pixel(shown, x, y), corrected);
    const Bgr kept{brightened(50), brightened(60), brightened(200)};
    for (const auto& [x, y] : {std::pair{293, 300}, std::pair{409, 408}, std::pair{350, 293}})
        QCOMPARE(pixel(shown, x, y), kept);
    QCOMPARE(pixel(untouched, 350, 300), (Bgr{50, 60, 200}));

    // The correction is part of the untouched copy now: a later change keeps it.
    m_toolBar->CancelRedEyeSelection();
    QCOMPARE(m_host.redEyeModes.back(), false);
    QVERIFY(!applyButton()->isEnabled());
    QVERIFY(slider("m_slBrightness")->isEnabled());
    slider("m_slBrightness")->setValue(5);
    QTest::keyClick(slider("m_slBrightness"), Qt::Key_Left);
    QCOMPARE(pixel(m_toolBar->result(), 350, 300), (Bgr{93, 95, 122}));

    // S again: back in red-eye mode with the old rectangle, Apply still off
    // until a new selection.
    m_toolBar->pressRedEyeTool();
    QVERIFY(redEyeButton()->isChecked());
    QCOMPARE(m_host.redEyeModes.back(), true);
    QVERIFY(!applyButton()->isEnabled());
}

void TfrmToolBarTest::textsComeFromLanguageAtEveryShowAndGoBackAtTheEnd() {
    m_toolBar.reset();
    storeLanguage(
        QStringLiteral("\"m_btnApplyRedEye_Caption\"=\"&Anwenden \"\n"
                       "\"m_lblBrigtness_Caption\"=\"Helligkeit\"\n"));
    m_toolBar = std::make_unique<TfrmToolBar>(m_host);
    QCOMPARE(applyButton()->text(), QStringLiteral("&Apply"));
    m_toolBar->showOnScreen(QRect(0, 0, 1280, 800));
    QCOMPARE(applyButton()->text(), QStringLiteral("&Anwenden"));
    QCOMPARE(m_toolBar->findChild<QLabel*>(QStringLiteral("m_lblBrigtness"))->text(),
             QStringLiteral("Helligkeit"));

    m_toolBar->hideToolbar();
    storeLanguage(QStringLiteral("\"m_gbRedEye_Caption\"=\"Rote Augen\"\n"));
    m_toolBar->showOnScreen(QRect(0, 0, 1280, 800));
    QCOMPARE(m_toolBar->findChild<QGroupBox*>()->title(), QStringLiteral("Rote Augen"));

    m_toolBar.reset();
    QCOMPARE(storedText(QStringLiteral("m_btnApplyRedEye_Caption")), QStringLiteral("&Anwenden"));
    QCOMPARE(storedText(QStringLiteral("m_gbRedEye_Caption")), QStringLiteral("Rote Augen"));
    QCOMPARE(storedText(QStringLiteral("m_btnAntiAlias_Caption")), QStringLiteral("Antialias"));
    QCOMPARE(storedText(QStringLiteral("m_lblContrast_Caption")), QStringLiteral("Contrast"));
    QCOMPARE(storedText(QStringLiteral("m_lblSaturation_Caption")), QStringLiteral("Saturation"));

    // A toolbar never shown writes nothing back.
    QFile::remove(SettingsStore::standardFilePath(RegRoot::LocalMachine));
    m_toolBar = std::make_unique<TfrmToolBar>(m_host);
    m_toolBar.reset();
    QVERIFY(!QFile::exists(SettingsStore::standardFilePath(RegRoot::LocalMachine)));
}

PICTAVO_QTEST_MAIN(TfrmToolBarTest)
#include "TfrmToolBarTest.moc"
