// The crop window's frame: its size, how it follows the mouse, how it is
// drawn, and the red-eye selection mode that hides it.

#include <QCursor>
#include <QLabel>
#include <QMouseEvent>

#include "crop/AdjustmentToolbar.h"
#include "crop/FrameGeometry.h"
#include "crop/PrintSize.h"
#include "crop/TMouseTracker.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"

namespace frame = pictavo::frame;

namespace {

// A box that keeps to its parent's bottom right corner, also when the
// window manager resizes the window after it was placed. The corner keeps it
// clear of the picture's middle, the toolbar along the top and the status
// line at the top left. The label inside it is not one of the window's own
// labels, which are found as its first.
class CornerBox : public QWidget {
public:
    explicit CornerBox(QWidget* parent) : QWidget(parent), label(new QLabel(this)) {
        parent->installEventFilter(this);
    }

    void place() {
        constexpr int kMargin = 8;
        label->adjustSize();
        resize(label->size());
        const QWidget* parent = parentWidget();
        move(parent->width() - width() - kMargin, parent->height() - height() - kMargin);
    }

    QLabel* const label;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parentWidget() && event->type() == QEvent::Resize)
            place();
        return false;
    }
};

}  // namespace

void TfrmImage::CalcCropSize() {
    const frame::Size crop =
        frame::calcCropSize(m_nImageWidth, m_nImageHeight, m_dRatio, m_bFrameInside);
    m_nCropWidth = crop.width;
    m_nCropHeight = crop.height;
}

void TfrmImage::CreatePrintReadout() {
    auto* box = new CornerBox(this);
    // Clicks on it are the picture's.
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->hide();
    m_lblPrintReadout = box->label;
    m_lblPrintReadout->setObjectName(QStringLiteral("m_lblPrintReadout"));
    m_lblPrintReadout->setAutoFillBackground(true);
    m_lblPrintReadout->setMargin(6);
    m_lblPrintReadout->setFocusPolicy(Qt::NoFocus);
}

void TfrmImage::ShowPrintReadout() {
    namespace print = pictavo::print;
    const print::PrintSize* size = print::findPrintSize(m_sPrintSize.toStdString());
    auto* box = static_cast<CornerBox*>(m_lblPrintReadout->parentWidget());
    if (!size) {
        box->hide();
        return;
    }
    // The cut's size, which the frame keeps wherever it slides and whatever
    // the zoom.
    const print::Readout readout = print::printReadout({m_nCropWidth, m_nCropHeight}, *size);
    const bool soft = readout.sharpness == print::Sharpness::VerySoft;
    m_lblPrintReadout->setText(m_strhPrintReadout.format(
        soft ? 1 : 0, {QString::fromUtf8(size->name.data(), qsizetype(size->name.size())),
                       QString::number(readout.ppi)}));
    QPalette colours = m_lblPrintReadout->palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText, readout.sharpness == print::Sharpness::Sharp
                                               ? QColor(Qt::white)
                                           : soft ? QColor(255, 64, 64)
                                                  : QColor(255, 191, 0));
    m_lblPrintReadout->setPalette(colours);
    box->place();
    box->show();
    box->raise();
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
