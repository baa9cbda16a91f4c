#pragma once

// The adjustment toolbar: a translucent strip across the top of the crop
// window's screen, shown while Shift is held. Given the crop window as its
// parent it is a part of that window, painted over the picture, so no window
// manager can stack it below; on its own it is an ordinary opaque window. It keeps an untouched
// copy of the picture the crop window loaded and, after every completed change of a control,
// rebuilds the adjusted picture from it (brightness, contrast, saturation, Antialias, in that
// order) and hands it to the crop window. Its red-eye group selects a rectangle with the crop
// window's selection tool and takes the red out of it.

#include <QWidget>

#include "adjust/TProEffectImage.h"
#include "core/Picture.h"
#include "core/RasterAhead.h"
#include "core/Rect.h"
#include "crop/AdjustmentToolbar.h"

class EffectSlider;
class QCheckBox;
class QGraphicsOpacityEffect;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;
class ToolbarHost;

class TfrmToolBar : public QWidget, public AdjustmentToolbar {
    Q_OBJECT
public:
    static constexpr int kHeight = 59;

    // The translucency of the strip over what lies beneath it.
    static constexpr double kOpacity = 200.0 / 255.0;

    explicit TfrmToolBar(ToolbarHost& host, QWidget* parent = nullptr);
    ~TfrmToolBar() override;

    // AdjustmentToolbar
    void SetSourceBitmap(const pictavo::Picture& picture) override;
    void setOnEffectChange(EffectChangeHandler handler) override {
        OnEffectChange = std::move(handler);
    }
    const pictavo::Picture& result() const override { return m_bmpResult; }
    void ResetEffects() override;
    void UpdateModifiedIndicator() override;
    void showOnScreen(const QRect& screen) override;
    void hideToolbar() override { hide(); }
    bool isShown() const override { return isVisible(); }
    void keepOnTop() override;
    void pressRedEyeTool() override;
    bool applyRedEyeEnabled() const override;
    void clickApplyRedEye() override;
    void CancelRedEyeSelection() override;
    void SetRedEyeSelection(const pictavo::Rect& clientRect) override;
    bool triggerAccessKey(int key, int latinKey) override;

    void EnableEffectControls(bool enabled);

    // The red-eye selection in picture pixels, bounds inclusive.
    const pictavo::Rect& redEyeRect() const { return m_rcRedEye; }
    const pictavo::RedEyeTuning& redEyeTuning() const { return m_Effects.Tuning; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void CreateControls();
    void m_EffectChanged();
    // The adjusted picture from the untouched copy, handed to the crop window.
    void Rebuild();
    // m_spare can take the next result, from a raster made ahead if need be.
    void PrepareSpare();
    // Has a raster made ahead if the next result will need one.
    void MakeSpareAhead();
    void m_btnRedEyeClick();
    void m_btnApplyRedEyeClick();
    // Pixels of exactly aqua are see-through.
    void UpdateColourKey();
    // Input is taken only while the crop window waits for the user on a
    // picture: what comes while one picture ends and the next loads was
    // meant for the one before.
    void DropInputBetweenPictures();
    // Presses in progress end without a change.
    void CancelPresses();

    ToolbarHost& m_host;

    pictavo::TProEffectImage m_Effects;
    pictavo::Picture m_bmpOriginal;
    pictavo::Picture m_bmpResult;
    // The result before the last one, kept while the same picture is
    // adjusted: once the crop window has let go of it, the next rebuild
    // writes into its raster instead of a fresh one.
    pictavo::Picture m_spare;
    // When there is no such result to write into, the next one is made
    // ahead while the user looks at this one.
    pictavo::RasterAhead m_ahead;
    EffectChangeHandler OnEffectChange;
    pictavo::Rect m_rcRedEye;

    QLabel* m_lblBrigtness = nullptr;
    QLabel* m_lblContrast = nullptr;
    QLabel* m_lblSaturation = nullptr;
    QLabel* m_shpModified = nullptr;
    EffectSlider* m_slBrightness = nullptr;
    EffectSlider* m_slContrast = nullptr;
    EffectSlider* m_slSaturation = nullptr;
    QCheckBox* m_btnAntiAlias = nullptr;
    QGroupBox* m_gbRedEye = nullptr;
    QToolButton* m_btnRedEye = nullptr;
    QPushButton* m_btnApplyRedEye = nullptr;
    // The strip's translucency when it lies over the crop window.
    QGraphicsOpacityEffect* m_translucency = nullptr;
};
