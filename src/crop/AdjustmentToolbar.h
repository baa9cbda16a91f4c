#pragma once

// The adjustment toolbar as the crop window uses it. The crop window hands
// every loaded picture over, adopts the adjusted picture whenever the
// toolbar reports a change, shows the toolbar while Shift is held and passes
// the red-eye keys and the selection tool's rectangle on. The program links
// the real toolbar; tests of the crop window may link a fake.

#include <functional>

class QRect;
namespace pictavo {
class Picture;
struct Rect;
}  // namespace pictavo

class AdjustmentToolbar {
public:
    // Called with the toolbar after every rebuild and red-eye Apply; the
    // handler reads the adjusted picture from result().
    using EffectChangeHandler = std::function<void(AdjustmentToolbar* sender)>;

    virtual ~AdjustmentToolbar() = default;

    // The untouched copy becomes `picture` (sharing its pixels until either
    // side changes them).
    virtual void SetSourceBitmap(const pictavo::Picture& picture) = 0;
    virtual void setOnEffectChange(EffectChangeHandler handler) = 0;
    // The adjusted picture of the last rebuild or Apply.
    virtual const pictavo::Picture& result() const = 0;
    // The controls back to neutral for the next picture.
    virtual void ResetEffects() = 0;
    // The "Modified" light follows the crop window's flag.
    virtual void UpdateModifiedIndicator() = 0;

    // Shown across the top of the screen whose geometry (in global
    // coordinates) is `screen`, above the crop window, without taking the
    // keyboard from it.
    virtual void showOnScreen(const QRect& screen) = 0;
    virtual void hideToolbar() = 0;
    virtual bool isShown() const = 0;
    // Back above the crop window's own parts after one of them was raised.
    virtual void keepOnTop() = 0;

    // Red eye: the selection-tool button pressed down and clicked (S); the
    // Apply button clicked (A) if it is enabled; the selection given up
    // (Esc); the tool's rectangle in crop-window client coordinates.
    virtual void pressRedEyeTool() = 0;
    virtual bool applyRedEyeEnabled() const = 0;
    virtual void clickApplyRedEye() = 0;
    virtual void CancelRedEyeSelection() = 0;
    virtual void SetRedEyeSelection(const pictavo::Rect& clientRect) = 0;

    // Alt with a key while the toolbar is up: the toolbar never has the
    // keyboard, so the crop window passes the key on. Clicks the enabled
    // control whose caption gives it that access key, `key` as the layout
    // has it or `latinKey` as the physical key's Latin letter; false when
    // none does.
    virtual bool triggerAccessKey(int key, int latinKey) = 0;
};
