// The crop window's side of the adjustment toolbar: the hand-over of every
// loaded picture, adopting the adjusted picture, and the toolbar's showing
// while Shift is held.

#include <QHideEvent>
#include <QScreen>
#include <QTimer>

#include <utility>

#include "crop/AdjustmentToolbar.h"
#include "crop/KeyboardState.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"
#include "ui/ScreenOf.h"

void TfrmImage::HandOverToToolBar() {
    if (!m_toolBar) {
        return;
    }
    // Shares the pixels: nothing is copied until the toolbar adjusts them.
    m_toolBar->SetSourceBitmap(m_bmpWork);
    m_toolBar->setOnEffectChange([this](AdjustmentToolbar* sender) { EffectsChanged(sender); });
}

void TfrmImage::EffectsChanged(AdjustmentToolbar* sender) {
    const pictavo::Picture& result = sender->result();
    // A rebuild with every control neutral hands back the very pixels shown:
    // the view keeps its display copies (and the halvings made ahead).
    const bool unchanged = result.sharesRasterWith(m_bmpWork);
    m_bmpWork = result;
    if (!unchanged) {
        // While cuts wait to be written, each holding a picture, the view
        // keeps no halvings of the adjusted one: its copy is made here from
        // the one halving it needs, made a band at a time, as the view would
        // make it. It makes halvings if it is zoomed.
        QImage display;
        if (cutsWaiting()) {
            display = TNOEraseBackgroundImage::displayCopyWithoutHalvings(
                m_bmpWork, m_imgMain->size(), m_imgMain->devicePixelRatio(), size());
        }
        m_imgMain->setPicture(&m_bmpWork, {}, std::move(display));
    }
    // Changed pixels are re-encoded, so the frame leaves the block grid; back
    // to the file's own pixels, it returns to it.
    if (m_bTracking)
        m_rcCrop = SnappedFrame();
    DrawFrame(m_rcCrop, false);
    Modified = true;
    ShowCutKind();
}

void TfrmImage::CreateShiftPoll() {
    tmShiftStateCheck = new QTimer(this);
    tmShiftStateCheck->setInterval(500);
    connect(tmShiftStateCheck, &QTimer::timeout, this, [this] { tmShiftStateCheckTimer(); });
}

void TfrmImage::tmShiftStateCheckTimer() {
    if (!isVisible() || !m_toolBar) {
        return;
    }
    // Each Shift key on its own, as the keyboard has it now: the state that
    // key events carry lags one event behind.
    const bool held = m_keyboard->isShiftDown(true) || m_keyboard->isShiftDown(false);
    if (held && !m_toolBar->isShown()) {
        // The screen the crop window covers.
        const QScreen* monitor = screenOf(m_mainWindow);
        m_toolBar->showOnScreen(monitor ? monitor->geometry() : geometry());
    } else if (!held && m_toolBar->isShown()) {
        m_toolBar->hideToolbar();
    }
}

void TfrmImage::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    tmShiftStateCheck->stop();
    // The toolbar belongs to the crop window: it never stays on screen after
    // the run has ended, whatever the Shift keys do.
    if (m_toolBar && !event->spontaneous()) {
        m_toolBar->hideToolbar();
    }
}
