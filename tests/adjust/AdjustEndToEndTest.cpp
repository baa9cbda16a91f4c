// A whole run with the adjustment toolbar, driven as a user would: Shift held
// brings the toolbar up, its controls adjust the picture, the S, A and Esc
// keys take a red eye out, and every written file is compared with what the
// filters make of the decoded pixels, encoded by libjpeg's own cjpeg.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>

#include <functional>
#include <map>

#include "adjust/EffectSlider.h"
#include "adjust/ProEffectImage.h"
#include "adjust/TfrmToolBar.h"
#include "app/TfrmFolderMan.h"
#include "core/JpegDecoder.h"
#include "crop/KeyboardState.h"
#include "crop/TMouseTracker.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"
#include "settings/SettingsStore.h"
#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/QtTestMain.h"
#include "support/RecordingCropLink.h"
#include "support/ScriptedRun.h"
#include "support/TempDir.h"

using pictavo::Picture;
using pictavo::Rect;
using pictavo::test::readBytes;

namespace {

// Shift keys as the test holds them; every other key is up.
class HeldShift : public KeyboardState {
public:
    bool left = false;
    bool right = false;
    bool isKeyDown(quint32) const override { return false; }
    bool isShiftDown(bool leftKey) const override { return leftKey ? left : right; }
};

}  // namespace

class AdjustEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void adjustRedEyeAndUncutThroughTheRealToolbar();
};

void AdjustEndToEndTest::adjustRedEyeAndUncutThroughTheRealToolbar() {
    QFile::remove(pictavo::SettingsStore::standardFilePath(pictavo::RegRoot::CurrentUser));
    pictavo::test::TempDir tmp;
    const QString source = QString::fromStdString(tmp.file("photos"));
    const QString dest = QString::fromStdString(tmp.file("prints"));
    QDir().mkpath(source);
    QDir().mkpath(dest);
    QStringList files;
    for (const auto& [name, width, height] :
         {std::tuple{"1.jpg", 800, 600}, std::tuple{"2.jpg", 800, 600},
          std::tuple{"3.jpg", 600, 800}}) {
        pictavo::test::JpegFixtureOptions options;
        options.width = width;
        options.height = height;
        files << QString::fromStdString(
            pictavo::test::writeJpegFixture(source.toStdString(), name, options));
    }

    TfrmFolderMan window;
    TfrmImage image;
    TfrmToolBar toolBar(image, &image);
    image.setToolBar(&toolBar);
    HeldShift keys;
    image.setKeyboardState(&keys);
    RecordingCropLink link(image);
    window.setCropWindow(&link);
    window.findChild<QLineEdit*>(QStringLiteral("m_edSource"))->setText(source);
    window.findChild<QLineEdit*>(QStringLiteral("m_edDest"))->setText(dest);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const auto slider = [&](const char* name) {
        return toolBar.findChild<EffectSlider*>(QLatin1String(name));
    };
    const auto view = [&] { return image.findChild<TNOEraseBackgroundImage*>(); };
    const auto toolbarShown = [&](bool shown) {
        return QTest::qWaitFor([&] { return toolBar.isVisible() == shown; }, 2000);
    };
    bool toolbarFollowedShift = true;
    std::map<int, Rect> frames;
    Rect redEye;
    using Action = std::function<void()>;
    const QList<Action> actions{
        [&] {
            keys.left = true;
            toolbarFollowedShift &= toolbarShown(true);
            slider("m_slBrightness")->setValue(45);
            QTest::keyClick(slider("m_slBrightness"), Qt::Key_Right);
            // A press on the track right of the thumb: one step of 5.
            EffectSlider* contrast = slider("m_slContrast");
            const QPoint track(contrast->width() - 3, contrast->height() / 2);
            QTest::mousePress(contrast, Qt::LeftButton, {}, track);
            QTest::mouseRelease(contrast, Qt::LeftButton, {}, track);
            QTest::mouseClick(toolBar.findChild<QCheckBox*>(), Qt::LeftButton, {}, QPoint(4, 8));
            keys.left = false;
            toolbarFollowedShift &= toolbarShown(false);
            frames[0] = image.cropRect();
            QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
        },
        [&] {
            keys.right = true;
            toolbarFollowedShift &= toolbarShown(true);
            QTest::keyClick(&image, Qt::Key_A);  // nothing yet: not in red-eye mode
            QTest::keyClick(&image, Qt::Key_S);
            QTest::keyClick(&image, Qt::Key_A);  // nothing yet: no rectangle selected
            auto* tool = image.findChild<TMouseTracker*>();
            // Over the picture's top right, where red is strong.
            tool->SetBounds(image.GetImagePos().x() + image.GetImageSize().width() - 60, 5, 40, 40);
            QTest::mouseClick(tool, Qt::RightButton, {}, QPoint(20, 20));
            redEye = toolBar.redEyeRect();
            QTest::keyClick(&image, Qt::Key_A);
            QTest::keyClick(&image, Qt::Key_Escape);
            keys.right = false;
            toolbarFollowedShift &= toolbarShown(false);
            frames[1] = image.cropRect();
            QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
        },
        [&] {
            keys.left = true;
            toolbarFollowedShift &= toolbarShown(true);
            QTest::keyClick(slider("m_slSaturation"), Qt::Key_Home);
            QTest::mouseClick(view(), Qt::LeftButton, Qt::ShiftModifier, QPoint(300, 300));
        },
    };

    QVERIFY(pictavo::test::playRun(window, image, link, actions));
    QVERIFY(toolbarFollowedShift);
    QCOMPARE(link.loaded, files);
    QCOMPARE(window.statusText(1), QStringLiteral("3 images processed, 2 images cropped."));
    QVERIFY(!toolBar.isVisible());

    // What the filters make of the decoded pixels, in the toolbar's order.
    Picture first = pictavo::decodeJpegFile(files[0].toStdString());
    pictavo::BrightnessFilter(first, 50);
    pictavo::ContrastFilter(first, 5);
    pictavo::AntiAliasFilter(first);
    Picture second = pictavo::decodeJpegFile(files[1].toStdString());
    QVERIFY(redEye.right > redEye.left && redEye.bottom > redEye.top);
    pictavo::RedEyeFilter(second, redEye, pictavo::RedEyeTuning{});
    QVERIFY(!pictavo::test::samePixels(second, pictavo::decodeJpegFile(files[1].toStdString())));
    Picture third = pictavo::decodeJpegFile(files[2].toStdString());
    pictavo::SaturationFilter(third, 0);

    const std::string scratch = tmp.path();
    const std::vector<std::pair<const Picture*, Rect>> expected{
        {&first, frames[0]},
        {&second, frames[1]},
        {&third, Rect{0, 0, third.width(), third.height()}},
    };
    for (int i = 0; i < 3; ++i) {
        const auto want =
            pictavo::test::cjpegReference(*expected[i].first, expected[i].second, 100, scratch);
        QVERIFY(!want.empty());
        const QString written = dest + QStringLiteral("/_") + QFileInfo(files[i]).fileName();
        QVERIFY2(readBytes(written.toStdString()) == want, qPrintable(written));
    }
}

PICTAVO_QTEST_MAIN(AdjustEndToEndTest)
#include "AdjustEndToEndTest.moc"
