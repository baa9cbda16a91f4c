// The crop window's frame: its size, how it follows the mouse, how it is
// drawn, and the red-eye selection mode that hides it.

#include <QCursor>
#include <QMouseEvent>

#include "crop/AdjustmentToolbar.h"
#include "crop/FrameGeometry.h"
#include "crop/TMouseTracker.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"

namespace frame = pictavo::frame;

void TfrmImage::CalcCropSize() {
    const frame::Size crop = frame::calcCropSize(m_nImageWidth, m_nImageHeight, m_dRatio);
    m_nCropWidth = crop.width;
    m_nCropHeight = crop.height;
}

void TfrmImage::MoveFrame(int dx, int dy) {
    m_rcFollow = frame::moveFrame(m_rcFollow, dx, dy, {m_nImageWidth, m_nImageHeight});
    m_rcCrop = SnappedFrame();
}

void TfrmImage::DrawFrame(const pictavo::Rect& rect, bool final) {
    using Mode = TNOEraseBackgroundImage::StripMode;
    QRegion changed;
    if (m_bRedEyeMode) {
        changed = m_imgMain->setStrips({}, {}, Mode::None);
    } else {
        const auto strips = frame::frameStrips(rect, {m_nCropWidth, m_nCropHeight},
                                               {m_nImageWidth, m_nImageHeight});
        // The view paints its strips in the order given: B, then A.
        changed = m_imgMain->setStrips(strips[0], strips[1], final ? Mode::Black : Mode::Inverted);
    }
    // At once, not at the next idle moment: the frame is part of the reply to
    // the movement or click that moved it. Only what changed is painted.
    if (!changed.isEmpty()) {
        m_imgMain->repaint(changed);
    }
}

void TfrmImage::mouseMoveEvent(QMouseEvent* event) {
    m_imgMainMouseMove();
    event->accept();
}

void TfrmImage::m_imgMainMouseMove() {
    const QPoint p = QCursor::pos();
    // A movement that arrives while the last one is still being drawn (from
    // a nested event loop) is dropped; the next one carries the distance.
    if (m_bBusy)
        return;
    m_bBusy = true;
    struct Release {
        bool& busy;
        ~Release() { busy = false; }
    } release{m_bBusy};
    // The frame follows the mouse off the grid, so that small movements add
    // up; what is shown (and cut) is put on the grid when a lossless cut
    // needs it.
    if (frame::followMouse({p.x(), p.y()}, m_ptLastMouse, m_bTracking, m_rcFollow,
                           {m_nImageWidth, m_nImageHeight}, m_dScale)) {
        m_rcCrop = SnappedFrame();
        DrawFrame(m_rcCrop, false);
    }
}

void TfrmImage::SetRedEyeMode(bool on) {
    m_bRedEyeMode = on;
    DrawFrame(m_rcCrop, false);
    m_Tracker->setVisible(on);
    if (on) {
        m_Tracker->raise();
        if (m_toolBar) {
            m_toolBar->keepOnTop();
        }
    }
    m_Tracker->SetIdle(!on);
    m_Tracker->repaint();
}

void TfrmImage::RedEyeSelected(TMouseTracker* /*sender*/, const pictavo::Rect& rect) {
    // The tool stays where it is, frozen, until red-eye mode is entered again.
    m_Tracker->SetIdle(true);
    m_rcRedEyeSelection = rect;
    if (m_toolBar) {
        m_toolBar->SetRedEyeSelection(rect);
    }
}
