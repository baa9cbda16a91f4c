#include "crop/TfrmImage.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <any>
#include <exception>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/JpegDecoder.h"
#include "core/LetGo.h"
#include "core/PictureFile.h"
#include "crop/AdjustmentToolbar.h"
#include "crop/CutBeep.h"
#include "crop/FallbackKeyboardState.h"
#include "crop/FrameGeometry.h"
#include "crop/PicturePyramid.h"
#include "crop/Prefetcher.h"
#include "crop/TMouseTracker.h"
#include "crop/TNOEraseBackgroundImage.h"
#include "settings/TFormStorage.h"
#include "settings/TStrHolder.h"
#include "ui/ScreenOf.h"

namespace {

enum Message {
    kInvalidRatio = 0,
    kInvalidQuality = 1,
    kSaving = 2,
    kOverwrite = 3,
    kOverwriteCaption = 4,
    kCantLoad = 5,
    kCantCopy = 6,
    kPleaseWait = 7,
    kWritingLastCuts = 8,
};

QStringList builtInMessages() {
    return {
        QStringLiteral("Invalid Ratio specified. Must be grater than 1,3."),
        QStringLiteral("Invalid Compression quality specified. Must be from 1 to 100."),
        QStringLiteral("Saving "),
        QStringLiteral("File with the same name already exists, overwrite?"),
        QStringLiteral("Overwrite confirmation"),
        QStringLiteral("Can't load file %s"),
        QStringLiteral("Can't copy file %s to %s"),
        QStringLiteral("Please wait..."),
        QString::fromUtf8("Writing the last cuts\u2026"),
    };
}

QStringList builtInPrintTexts() {
    return {
        QString::fromUtf8("%s \u00b7 %d ppi"),
        QString::fromUtf8("%s \u00b7 %d ppi \u00b7 may print soft"),
    };
}

// The smallest frame ratio accepted: 4:3 is the squarest print format.
constexpr long double kMinRatio = 1.33L;

// A message box without a caption of its own gets the one a caption-less
// error box has always had.
const QString kDefaultErrorCaption = QStringLiteral("Error");

}  // namespace

TfrmImage::TfrmImage(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_strhMessages(builtInMessages()),
      m_strhPrintReadout(builtInPrintTexts()),
      m_ownKeyboard(std::make_unique<FallbackKeyboardState>()),
      m_keyboard(m_ownKeyboard.get()) {
    setWindowTitle(QStringLiteral("Pictavo"));
    // The size the window has until it is first shown on the screen.
    resize(688, 453);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(13);
    setFont(font);
    setFocusPolicy(Qt::StrongFocus);
    FormCreate();
    // The messages come from the machine-wide "Language" section at every
    // show, and go back there at the end if the window was shown.
    new TStrHolder(&m_strhMessages, QStringLiteral("m_strhMessages"), this);
    new TStrHolder(&m_strhPrintReadout, QStringLiteral("m_strhPrintReadout"), this);
    auto* fsLang = new TFormStorage(this);
    fsLang->setIniFileName(QStringLiteral("Software\\Vornholt\\Pictavo2"));
    fsLang->setIniSection(QStringLiteral("Language"));
    fsLang->setRegistryRoot(pictavo::RegRoot::LocalMachine);
    fsLang->setOptions({});
    fsLang->setStoredProps(
        {QStringLiteral("m_strhMessages.Strings"), QStringLiteral("m_strhPrintReadout.Strings")});
}

TfrmImage::~TfrmImage() {
    TFormStorage::windowDestroying(this);
}

void TfrmImage::FormCreate() {
    m_bTracking = false;
    m_bRedEyeMode = false;
    m_rcCrop.right = 0;
    m_rcFollow.right = 0;
    m_ptLastMouse = {0, 0};

    m_imgMain = new TNOEraseBackgroundImage(this);
    m_imgMain->setFocusPolicy(Qt::NoFocus);
    m_imgMain->setGeometry(0, 0, 0, 0);
    m_imgMain->show();
    // The frame follows the mouse without a button held, over the view and
    // over the black around it.
    setMouseTracking(true);
    m_imgMain->setMouseTracking(true);

    m_dRatio = 1.5L;
    m_nQuality = 100;
    m_nState = 1;
    m_bBusy = false;

    m_lblStatus = new QLabel(this);
    m_lblStatus->move(0, 0);
    m_lblStatus->setAutoFillBackground(true);
    m_lblStatus->setFocusPolicy(Qt::NoFocus);
    m_lblStatus->hide();

    CreatePrintReadout();

    m_Tracker = new TMouseTracker(this);
    m_Tracker->OnSelect = [this](TMouseTracker* sender, const pictavo::Rect& rect) {
        RedEyeSelected(sender, rect);
    };
    m_Tracker->hide();

    m_beep = new CutBeep(this);
    m_prefetcher = std::make_unique<pictavo::Prefetcher>();
    // The view's copy of the next picture is made on the decoding thread
    // too, for the place the picture will be fitted to: on a large or
    // scaled monitor it is the longest part of bringing the picture up.
    m_prefetcher->setFinish(
        [](const pictavo::Prefetched& ahead, const pictavo::ShowPlace& place) -> std::any {
            if (place.ratio <= 0) {
                return {};
            }
            const pictavo::Fit fit = pictavo::fitView(
                place.screen, {ahead.picture.width(), ahead.picture.height()}, place.client);
            const QSize view(fit.view.width, fit.view.height);
            const QSize window(place.client.width, place.client.height);
            // Without halvings made ahead, only the one the copy is scaled
            // from is made, and it goes with the step.
            QImage copy;
            if (ahead.halvings.empty()) {
                copy = TNOEraseBackgroundImage::displayCopyWithoutHalvings(ahead.picture, view,
                                                                           place.ratio, window);
            } else {
                pictavo::PicturePyramid pyramid;
                pyramid.reset(&ahead.picture, ahead.halvings);
                copy = TNOEraseBackgroundImage::displayCopy(pyramid, view, place.ratio, window);
            }
            if (copy.isNull()) {
                return {};
            }
            return copy;
        });
    setCutWork({});
    CreateShiftPoll();
}

void TfrmImage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
    // Nothing to poll for while the window is hidden.
    tmShiftStateCheck->start();
}

void TfrmImage::FormShow() {
    coverScreen(*this, screenOf(m_mainWindow));
    raise();
    activateWindow();
}

// ---------------------------------------------------------------- options

void TfrmImage::SetRatio(long double value) {
    if (value < kMinRatio) {
        throw std::runtime_error(m_strhMessages.text(kInvalidRatio).toStdString());
    }
    m_dRatio = value;
}

void TfrmImage::SetQuality(int value) {
    if (value < 1 || value > 100) {
        throw std::runtime_error(m_strhMessages.text(kInvalidQuality).toStdString());
    }
    m_nQuality = value;
}

// ---------------------------------------------------------------- images

void TfrmImage::ShowImage(const QString& sourcePath, const QString& destPath) {
    ShowImage(QFile::encodeName(sourcePath), QFile::encodeName(destPath));
}

void TfrmImage::ShowImage(const QByteArray& sourcePath, const QByteArray& destPath) {
    LoadImage(sourcePath);
    if (m_toolBar) {
        m_toolBar->ResetEffects();
    }
    m_sDestFile = QFile::decodeName(destPath);
    m_destBytes = destPath.toStdString();
    CalcCropSize();
    m_rcFollow = pictavo::frame::centredFrame({m_nImageWidth, m_nImageHeight},
                                              {m_nCropWidth, m_nCropHeight});
    m_rcCrop = SnappedFrame();
    ShowPrintReadout();
    Modified = false;
    // A light left on by the last picture (or by the reset's rebuild) would
    // call this one modified while the toolbar is up.
    if (m_toolBar) {
        m_toolBar->UpdateModifiedIndicator();
    }
    DrawFrame(m_rcCrop, false);
    m_bTracking = true;
    ShowCutKind();
    // Clicks and keys that came while the picture was loading were meant for
    // the one before; they are taken now, and dropped, before this picture
    // starts to wait for the user.
    QCoreApplication::processEvents();
    m_bWaiting = true;
    // A cut that failed while this picture loaded is reported over it, from
    // the event loop: the run has not yet taken this picture as shown.
    if (!m_failedCuts.empty()) {
        QMetaObject::invokeMethod(
            this, [this] { TakeWriterNews(false); }, Qt::QueuedConnection);
    }
}

void TfrmImage::Prefetch(const QString& sourcePath) {
    Prefetch(QFile::encodeName(sourcePath));
}

void TfrmImage::Prefetch(const QByteArray& sourcePath) {
    // Where the picture will be fitted if nothing moves meanwhile.
    pictavo::ShowPlace place;
    if (const QScreen* monitor = screenOf(m_mainWindow); monitor && isVisible()) {
        place.screen = {monitor->geometry().width(), monitor->geometry().height()};
        place.client = clientExtent();
        place.ratio = devicePixelRatio();
    }
    m_prefetcher->prefetch(sourcePath.toStdString(), {m_bAutoRotate, m_bKeepMetadata}, place);
}

void TfrmImage::LoadImage(const QByteArray& path) {
    m_lblStatus->hide();
    m_nState = 0;
    m_bWaiting = false;
    // The last picture's raster and bytes go before the next decode.
    ForgetLosslessCut();

    // Decoded aside, so that a file that cannot be loaded leaves the picture
    // and the view as they were.
    pictavo::Picture decoded;
    std::vector<pictavo::Picture> halvings;
    pictavo::JpegMetadata metadata;
    QImage display;
    const pictavo::DecodeOptions options{m_bAutoRotate, m_bKeepMetadata};
    try {
        // Decoded ahead of time if the run said this file comes next.
        if (auto ready = m_prefetcher->take(path.toStdString(), options)) {
            decoded = std::move(ready->picture);
            halvings = std::move(ready->halvings);
            metadata = std::move(ready->metadata);
            if (const QImage* copy = std::any_cast<QImage>(&ready->finished)) {
                display = *copy;
            }
        } else {
            pictavo::DecodedJpeg loaded = pictavo::decodePicture(path.toStdString(), options);
            decoded = std::move(loaded.picture);
            metadata = std::move(loaded.metadata);
        }
    } catch (const std::exception&) {
        const QString text = m_strhMessages.format(kCantLoad, {QFile::decodeName(path)});
        QMessageBox box(QMessageBox::Critical, kDefaultErrorCaption, text, QMessageBox::Ok, this);
        box.exec();
        throw std::runtime_error(text.toStdString());
    }

    PresentPicture(std::move(decoded), std::move(halvings), std::move(metadata), path,
                   std::move(display));
    PrepareLosslessCut(path, options);
}

void TfrmImage::PresentPicture(pictavo::Picture picture, std::vector<pictavo::Picture> halvings,
                               pictavo::JpegMetadata metadata, const QByteArray& path,
                               QImage display) {
    // The last picture is freed on another thread unless a cut still holds it.
    pictavo::letGo(std::exchange(m_bmpWork, std::move(picture)));
    m_metadata = std::move(metadata);
    m_nImageWidth = m_bmpWork.width();
    m_nImageHeight = m_bmpWork.height();
    HandOverToToolBar();
    const QScreen* monitor = screenOf(m_mainWindow);
    const QSize screen = monitor ? monitor->geometry().size() : QSize();
    const pictavo::Fit fit = pictavo::fitView({screen.width(), screen.height()},
                                              {m_nImageWidth, m_nImageHeight}, clientExtent());
    // With halvings made ahead the last picture's go with it: the view would
    // keep them, to write halvings it makes into, beside the new ones that
    // serve for that already.
    if (!halvings.empty()) {
        m_imgMain->setPicture(nullptr);
    }
    m_imgMain->setPicture(&m_bmpWork, std::move(halvings), std::move(display));
    m_dAspect = fit.aspect;
    m_nFitWidth = fit.view.width;
    m_nFitHeight = fit.view.height;
    m_dScale = fit.scale;
    setViewBox(fit.view);
    m_sSourceFile = QFile::decodeName(path);
    m_sourceBytes = path.toStdString();
    // Only a JPEG file is decoded as one; every other name has its own decoder.
    const pictavo::PictureKind kind = pictavo::pictureKindOfName(m_sourceBytes);
    m_bJpegSource = kind != pictavo::PictureKind::Heif && kind != pictavo::PictureKind::ImageReader;
}

void TfrmImage::NextImage() {
    m_nState = 2;
    m_bWaiting = false;
    ShowStatus(m_strhMessages.text(kPleaseWait));
    ++m_nProcessed;
}

void TfrmImage::PreviousImage() {
    // The picture gone back to may still be being written: its file must be
    // there for the overwrite question. A cut that failed meanwhile is put
    // back on screen instead.
    if (FinishWrites()) {
        return;
    }
    m_nState = 2;
    m_bWaiting = false;
    ShowStatus(m_strhMessages.text(kPleaseWait));
    if (m_stepBack) {
        m_stepBack();
    }
}

void TfrmImage::ShowStatus(const QString& text) {
    m_lblStatus->setText(text);
    m_lblStatus->adjustSize();
    m_lblStatus->show();
    m_lblStatus->raise();
    if (m_toolBar) {
        m_toolBar->keepOnTop();
    }
}

// ---------------------------------------------------------------- view

pictavo::Extent TfrmImage::clientExtent() const {
    return {width(), height()};
}

pictavo::ViewBox TfrmImage::viewBox() const {
    const QRect g = m_imgMain->geometry();
    return {g.x(), g.y(), g.width(), g.height()};
}

void TfrmImage::setViewBox(const pictavo::ViewBox& box) {
    m_imgMain->setGeometry(box.left, box.top, box.width, box.height);
}

QSize TfrmImage::GetImageSize() const {
    return m_imgMain->size();
}

QPoint TfrmImage::GetImagePos() const {
    return m_imgMain->pos();
}

void TfrmImage::CenterImage() {
    setViewBox(pictavo::centred(viewBox(), clientExtent()));
}

void TfrmImage::Zoom(int step) {
    setViewBox(pictavo::zoomed(viewBox(), step, m_dAspect, clientExtent()));
}

void TfrmImage::Pan(int dx, int dy) {
    setViewBox(pictavo::panned(viewBox(), dx, dy, clientExtent()));
}

void TfrmImage::ResetZoom() {
    pictavo::ViewBox box = viewBox();
    box.width = m_nFitWidth;
    box.height = m_nFitHeight;
    setViewBox(box);
    CenterImage();
}
