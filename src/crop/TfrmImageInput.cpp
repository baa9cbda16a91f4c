// The crop window's input: keys and mouse buttons become commands on their
// release, the wheel zooms.

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "crop/AdjustmentToolbar.h"
#include "crop/KeyboardState.h"
#include "crop/TfrmImage.h"
#include "ui/ErrorBox.h"

namespace {

constexpr int kWheelNotch = 120;

}  // namespace

void TfrmImage::setKeyboardState(KeyboardState* keyboard) {
    m_keyboard = keyboard ? keyboard : m_ownKeyboard.get();
}

bool TfrmImage::event(QEvent* event) {
    // A key held while the window loses the keyboard ends elsewhere.
    if (event->type() == QEvent::WindowDeactivate) {
        m_pressedKeys.clear();
    }
    // Every key is a command of this window on its release, the toolbar's
    // access keys included: none of the toolbar's controls, which are parts
    // of this window, takes one on its press as a shortcut of its own.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void TfrmImage::keyPressEvent(QKeyEvent* event) {
    m_pressedKeys.press(event);
}

void TfrmImage::keyReleaseEvent(QKeyEvent* event) {
    // A held key repeats its press, and not every repeat's release is marked
    // as one: only a key that is physically up has really been released.
    if (event->isAutoRepeat() || m_keyboard->isKeyDown(event->nativeScanCode())) {
        event->ignore();
        return;
    }
    // The press may have gone to a box or dialog that closed on it.
    if (!m_pressedKeys.release(event)) {
        event->ignore();
        return;
    }
    const int key = commandKey(*event);
    // Alt with a letter is the toolbar's access key when it has one.
    if ((event->modifiers() & Qt::AltModifier) && m_bWaiting && m_toolBar && m_toolBar->isShown() &&
        m_toolBar->triggerAccessKey(event->key(), key)) {
        return;
    }
    FormKeyUp(key);
}

int TfrmImage::commandKey(const QKeyEvent& event) const {
    // Letter commands stay on their keys under every layout, Cyrillic or
    // Greek included.
    if (const char letter = m_keyboard->latinLetter(event.nativeScanCode())) {
        return Qt::Key_A + (letter - 'A');
    }
    return event.key();
}

void TfrmImage::FormKeyUp(int key) {
    if (key == Qt::Key_Escape) {
        // Ends the run whatever the window is doing, loading included.
        // In red-eye mode Esc gives up the selection instead.
        if (!m_bRedEyeMode) {
            hide();
        } else if (m_toolBar) {
            m_toolBar->CancelRedEyeSelection();
        }
        return;
    }
    // Meant for a picture that is no longer (or not yet) there.
    if (!m_bWaiting) {
        return;
    }
    const int step = pictavo::viewStep(m_nImageWidth);
    switch (key) {
        case Qt::Key_Backspace:
        case Qt::Key_PageUp:
            PreviousImage();
            break;
        case Qt::Key_Space:
        case Qt::Key_PageDown:
            NextImage();
            break;
        case Qt::Key_Left:
            Pan(-step, 0);
            break;
        case Qt::Key_Up:
            Pan(0, -step);
            break;
        case Qt::Key_Right:
            Pan(step, 0);
            break;
        case Qt::Key_Down:
            Pan(0, step);
            break;
        case Qt::Key_R:
            ResetZoom();
            break;
        case Qt::Key_X:
            Zoom(-step);
            break;
        case Qt::Key_Z:
            Zoom(step);
            break;
        case Qt::Key_S:
            // The selection-tool button pressed down: red-eye mode, the tool
            // armed again if it was frozen.
            if (m_toolBar) {
                m_toolBar->pressRedEyeTool();
            }
            break;
        case Qt::Key_A:
            if (m_bRedEyeMode && m_toolBar && m_toolBar->applyRedEyeEnabled()) {
                m_toolBar->clickApplyRedEye();
            }
            break;
        default:
            break;
    }
}

void TfrmImage::wheelEvent(QWheelEvent* event) {
    m_nWheelRest += event->angleDelta().y();
    while (m_nWheelRest >= kWheelNotch) {
        m_nWheelRest -= kWheelNotch;
        FormMouseWheelUp();
    }
    while (m_nWheelRest <= -kWheelNotch) {
        m_nWheelRest += kWheelNotch;
        FormMouseWheelDown();
    }
    event->accept();
}

void TfrmImage::FormMouseWheelDown() {
    FormKeyUp(Qt::Key_X);
}

void TfrmImage::FormMouseWheelUp() {
    FormKeyUp(Qt::Key_Z);
}

void TfrmImage::mouseReleaseEvent(QMouseEvent* event) {
    FormMouseUp(event->button(), event->modifiers());
}

void TfrmImage::FormMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    // In red-eye mode clicks belong to the selection tool; between pictures
    // a click would save or skip the one already done a second time.
    if (m_bRedEyeMode || !m_bWaiting) {
        return;
    }
    switch (button) {
        case Qt::LeftButton:
            // Clicks during the write (it lets the screen update) are not
            // for this picture any more.
            m_bWaiting = false;
            // A failed write keeps the image on screen for another try.
            if (ErrorBox::guard(
                    [&] {
                        if (modifiers & Qt::ShiftModifier) {
                            SaveUncut();
                        } else {
                            CropAndSave();
                        }
                    },
                    this)) {
                NextImage();
            } else {
                m_bWaiting = true;
            }
            break;
        case Qt::RightButton:
        case Qt::MiddleButton:
            NextImage();
            break;
        default:
            break;
    }
}
