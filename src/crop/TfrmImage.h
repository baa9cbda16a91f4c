#pragma once

// The full-screen crop window. This header fixes the members that other
// windows use; the window's own workings are added behind them.

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/JpegDecoder.h"
#include "core/JpegMetadata.h"
#include "core/LosslessCut.h"
#include "core/Picture.h"
#include "core/Rect.h"
#include "crop/CutWriter.h"
#include "crop/ToolbarHost.h"
#include "crop/ViewGeometry.h"
#include "settings/MessageList.h"
#include "ui/PressedKeys.h"

class AdjustmentToolbar;
class CutBeep;
class KeyboardState;
class QLabel;
class QTimer;
class TMouseTracker;
class TNOEraseBackgroundImage;
namespace pictavo {
class Prefetcher;
}

class TfrmImage : public QWidget, public ToolbarHost {
    Q_OBJECT
public:
    explicit TfrmImage(QWidget* parent = nullptr);
    ~TfrmImage() override;

    // Loads, fits and presents one image. The window must be visible. On a
    // load failure it shows the "Can't load file %s" box itself and then
    // throws std::runtime_error with the same text.
    void ShowImage(const QString& sourcePath, const QString& destPath);
    // The same for paths as the file system holds them, names that are not
    // UTF-8 included; texts show such bytes as replacement characters.
    void ShowImage(const QByteArray& sourcePath, const QByteArray& destPath);

    // Options; out-of-range values throw std::runtime_error (messages 0 and 1)
    // and leave the value as it was.
    void SetRatio(long double value);
    void SetQuality(int value);

    // The window whose monitor this one covers when shown, and whose
    // monitor's size the fit uses (the main window); the primary monitor
    // while there is none.
    void setMainWindow(const QWidget* window) { m_mainWindow = window; }

    // The back command calls this (the main window's StepBack).
    void setStepBack(std::function<void()> stepBack) { m_stepBack = std::move(stepBack); }

    // Cuts are written in the background. When one fails, after its error
    // box, this is asked with the picture's source path whether the run
    // goes back to that picture (true: the window shows it again as it was
    // at the click). Without it the window goes back while it is shown.
    void setCutFailed(std::function<bool(const QByteArray& sourcePath)> cutFailed) {
        m_cutFailed = std::move(cutFailed);
    }
    // Waits until every cut handed to the writer is on disk or has failed,
    // and reports the failures. A wait of more than half a second says so on
    // screen. True when a failed picture was put back on screen.
    bool FinishWrites();
    // Cuts handed over and not yet on disk (or failed).
    std::size_t pendingWrites() const;
    // What writes one cut; the program's atomic writer unless a test gives
    // a slower or failing one. Only while nothing is pending.
    void setCutWork(pictavo::CutWriter::Work work);

    // The adjustment toolbar: given every loaded picture, shown while Shift
    // is held. None until set; the caller clears it before the toolbar goes.
    void setToolBar(AdjustmentToolbar* toolBar) { m_toolBar = toolBar; }
    // Where the window asks whether a key is really down and which letter a
    // key stands for; the window's own guess from Qt until the program sets
    // the platform's (not owned; null goes back to the guess).
    void setKeyboardState(KeyboardState* keyboard);

    // The batch run names the file it will most likely show next, right after
    // handing over an image; it is decoded in the background and ShowImage
    // takes it if it is unchanged by then. Nothing the user sees changes.
    void Prefetch(const QString& sourcePath);
    void Prefetch(const QByteArray& sourcePath);

    // Red-eye selection mode: the strips are hidden, clicks go to the
    // selection tool, the frame still follows the mouse unseen.
    void SetRedEyeMode(bool on) override;

    // The frame in source pixels, and whether it follows the mouse.
    const pictavo::Rect& cropRect() const { return m_rcCrop; }
    bool tracking() const { return m_bTracking; }
    // The last rectangle the selection tool handed over (inclusive), until
    // the adjustment toolbar takes it.
    const std::optional<pictavo::Rect>& redEyeSelection() const { return m_rcRedEyeSelection; }

    // Size and position of the picture view in the window's client area.
    QSize GetImageSize() const override;
    QPoint GetImagePos() const override;
    bool modified() const override { return Modified; }
    bool waitsForUser() const override { return m_bWaiting; }
    bool cutsWaiting() const override;

    // Polled by the batch run: 1 at creation, 0 while an image waits for the
    // user, 2 once it is finished or left.
    int m_nState = 1;
    int m_nProcessed = 0;
    int m_nCropped = 0;
    bool m_bConfirm = false;
    bool m_bRecurse = false;
    // Turn photos upright by their EXIF orientation; keep their date, camera
    // data and colour profile in the cuts. Both take effect from the next
    // picture loaded (or decoded ahead).
    bool m_bAutoRotate = false;
    bool m_bKeepMetadata = false;
    // Cut an unchanged photo by copying its coded blocks instead of
    // re-encoding it; the frame then moves on the file's block grid.
    bool m_bLosslessCut = false;
    // The batch run also takes HEIC, PNG, TIFF and WebP pictures.
    bool m_bMoreFormats = false;
    // The print size cut for, by name ("10 × 15 cm"; any other name is none):
    // the window shows at a corner how sharp each picture's cut prints at it.
    // Frames of pictures more elongated than the ratio are kept inside them.
    // Both take effect from the next picture shown.
    QString m_sPrintSize;
    bool m_bFrameInside = false;

    MessageList m_strhMessages;
    // The print readout's texts: the size and resolution, and the same for
    // a cut that may print soft.
    MessageList m_strhPrintReadout;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    // Input (TfrmImageInput.cpp).
    void FormKeyUp(int key);
    int commandKey(const QKeyEvent& event) const;
    void FormMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void FormMouseWheelDown();
    void FormMouseWheelUp();

    // The first step of ShowImage: decode, fit, centre. Throws after showing
    // the load error box; the view then keeps what it showed.
    void LoadImage(const QByteArray& path);
    // Puts a decoded picture on screen, fitted and centred.
    // `display` is the view's copy if it was made ahead.
    void PresentPicture(pictavo::Picture picture, std::vector<pictavo::Picture> halvings,
                        pictavo::JpegMetadata metadata, const QByteArray& path,
                        QImage display = QImage());
    // With the lossless cut on: the source's bytes and block grid, kept when
    // the file can be cut by copying its blocks (TfrmImageLossless.cpp).
    void PrepareLosslessCut(const QByteArray& path, const pictavo::DecodeOptions& options);
    void ForgetLosslessCut();
    // The click would copy the file's blocks: the option is on, the file
    // allows it and the picture shown is the file's own.
    bool CutsLossless() const;
    // The frame as shown: the one following the mouse, on the file's grid
    // while the click would copy blocks.
    pictavo::Rect SnappedFrame() const;
    // "lossless" or the quality; shown while the option is on.
    QString CutKindText() const;
    void ShowCutKind();
    void NextImage();
    void PreviousImage();
    void ShowStatus(const QString& text);

    // The frame (TfrmImageFrame.cpp).
    void CalcCropSize();
    void MoveFrame(int dx, int dy);
    void DrawFrame(const pictavo::Rect& rect, bool final);
    void m_imgMainMouseMove();
    // The print readout: created hidden; shows the print size and resolution
    // of this picture's cut, or nothing while no print size is chosen.
    void CreatePrintReadout();
    void ShowPrintReadout();
    void RedEyeSelected(TMouseTracker* sender, const pictavo::Rect& rect);

    // The adjustment toolbar (TfrmImageEffects.cpp).
    void HandOverToToolBar();
    void EffectsChanged(AdjustmentToolbar* sender);
    void CreateShiftPoll();
    void tmShiftStateCheckTimer();

    // Saving (TfrmImageSave.cpp).
    void CropAndSave();
    void SaveUncut();
    void SavePicture(bool cut);
    void PlayCutBeep();
    void WritePicture(const pictavo::Rect& area);
    bool MayOverwrite();
    QString savingText() const;
    void QueueCut(pictavo::CutJob::Kind kind, const pictavo::Rect& area, bool cut);
    // Takes what the writer finished; failures are reported at once while a
    // picture waits for the user (or when `now`), otherwise when the next
    // one does. True when a failed picture was put back on screen.
    bool TakeWriterNews(bool now);
    bool ReportFailedCuts();
    void RestoreFailedCut(const pictavo::CutJob& job);
    void ShowWritingNotice(bool on);

    void Zoom(int step);
    void Pan(int dx, int dy);
    void ResetZoom();
    void CenterImage();
    pictavo::ViewBox viewBox() const;
    void setViewBox(const pictavo::ViewBox& box);
    pictavo::Extent clientExtent() const;

    std::function<void()> m_stepBack;
    std::function<bool(const QByteArray&)> m_cutFailed;
    QPointer<const QWidget> m_mainWindow;
    AdjustmentToolbar* m_toolBar = nullptr;
    // Shows the toolbar while a Shift key is held; runs while the window is shown.
    QTimer* tmShiftStateCheck = nullptr;

    bool Modified = false;
    TNOEraseBackgroundImage* m_imgMain = nullptr;
    int m_nFitWidth = 0;
    int m_nFitHeight = 0;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    int m_nCropWidth = 0;
    int m_nCropHeight = 0;
    long double m_dRatio = 1.5L;
    long double m_dAspect = 0;
    pictavo::Picture m_bmpWork;
    // What the cuts of this picture carry besides its pixels.
    pictavo::JpegMetadata m_metadata;
    pictavo::Rect m_rcCrop;
    // The frame as the mouse moves it, before it is put on the block grid.
    pictavo::Rect m_rcFollow;
    // What a lossless cut of the picture shown needs; empty when the option
    // is off or the file cannot be cut so. The picture as decoded tells
    // whether the one shown is still the file's own.
    std::optional<pictavo::saving::FileStamp> m_sourceStamp;
    std::optional<pictavo::LosslessGrid> m_losslessGrid;
    pictavo::DecodeOptions m_decodedWith;
    pictavo::Picture m_bmpDecoded;
    pictavo::Point m_ptLastMouse;
    bool m_bTracking = false;
    long double m_dScale = 0;
    // The paths as text for the user, and as the bytes the files are opened by.
    QString m_sSourceFile;
    QString m_sDestFile;
    std::string m_sourceBytes;
    // The picture came from a JPEG file, which Shift and click copies as it is.
    bool m_bJpegSource = true;
    std::string m_destBytes;
    int m_nQuality = 100;
    QLabel* m_lblStatus = nullptr;
    QLabel* m_lblPrintReadout = nullptr;
    bool m_bBusy = false;
    bool m_bRedEyeMode = false;
    TMouseTracker* m_Tracker = nullptr;
    std::optional<pictavo::Rect> m_rcRedEyeSelection;
    CutBeep* m_beep = nullptr;
    std::unique_ptr<pictavo::Prefetcher> m_prefetcher;
    // Failed cuts not yet reported, oldest first.
    std::vector<pictavo::CutOutcome> m_failedCuts;
    QLabel* m_writingNotice = nullptr;
    // Ends (writing what is pending) before the window it reports to.
    std::unique_ptr<pictavo::CutWriter> m_writer;

    std::unique_ptr<KeyboardState> m_ownKeyboard;
    KeyboardState* m_keyboard = nullptr;
    PressedKeys m_pressedKeys;
    // A picture is on screen and waits for the user's decision: not while
    // the next one loads, nor while this one is being written.
    bool m_bWaiting = false;

    // Wheel movement short of a whole notch (fine-grained wheels and pads).
    int m_nWheelRest = 0;
};
