// The crop window's saving: the cut on a plain left click, the whole picture
// (or the untouched file) on Shift and left click. The click only hands the
// cut to the writer thread; the next picture comes up while it is written.

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QScreen>

#include <utility>

#include "crop/AdjustmentToolbar.h"
#include "crop/CutBeep.h"
#include "crop/CutSaving.h"
#include "crop/FrameGeometry.h"
#include "crop/Prefetcher.h"
#include "crop/TfrmImage.h"
#include "ui/ErrorBox.h"
#include "ui/QuestionBox.h"
#include "ui/ScreenOf.h"

namespace {

constexpr int kSaving = 2;
constexpr int kOverwrite = 3;
constexpr int kOverwriteCaption = 4;
constexpr int kWritingLastCuts = 8;

// A wait for the writer shorter than this passes unnoticed; a longer one is
// explained on screen, so the program does not look frozen.
constexpr int kNoticeAfterMs = 500;

}  // namespace

void TfrmImage::CropAndSave() {
    ++m_nCropped;
    m_bTracking = false;
    DrawFrame(m_rcCrop, true);
    ShowStatus(m_bLosslessCut ? savingText() + QStringLiteral(" (") + CutKindText() + u')'
                              : savingText());
    // Once, so the black strips and the status line are on screen before the
    // work starts.
    QCoreApplication::processEvents();
    PlayCutBeep();
    SavePicture(true);
}

void TfrmImage::SavePicture(bool cut) {
    if (!MayOverwrite())
        return;
    QueueCut(pictavo::CutJob::Kind::Encode,
             pictavo::saving::savedArea(cut, m_rcCrop, m_nImageWidth, m_nImageHeight), cut);
}

void TfrmImage::SaveUncut() {
    if (!MayOverwrite())
        return;
    ShowStatus(savingText());
    // A HEIC, PNG, TIFF or WebP file has no bytes a JPEG could take over:
    // its whole picture is written as one.
    if (Modified || !m_bJpegSource) {
        WritePicture({0, 0, m_nImageWidth, m_nImageHeight});
    } else {
        // The file as it is, byte for byte: nothing is lost to re-encoding.
        QueueCut(pictavo::CutJob::Kind::CopyFile, {0, 0, m_nImageWidth, m_nImageHeight}, false);
    }
}

void TfrmImage::PlayCutBeep() {
    m_beep->play();
}

void TfrmImage::WritePicture(const pictavo::Rect& area) {
    QueueCut(pictavo::CutJob::Kind::Encode, area, false);
}

void TfrmImage::QueueCut(pictavo::CutJob::Kind kind, const pictavo::Rect& area, bool cut) {
    pictavo::CutJob job;
    job.kind = kind;
    job.picture = m_bmpWork;  // shares the raster
    job.area = area;
    job.quality = m_nQuality;
    job.source = m_sourceBytes;
    job.dest = m_destBytes;
    if (!m_metadata.empty())
        job.metadata = m_metadata;
    if (cut && CutsLossless()) {
        job.lossless = m_sourceStamp;
        job.decoded = m_decodedWith;
    }
    job.messages = m_strhMessages;
    job.cut = cut;
    job.modified = Modified;
    // With two cuts waiting this waits for the oldest: memory stays bounded
    // and no cut is dropped.
    m_writer->submit(std::move(job));
}

bool TfrmImage::MayOverwrite() {
    if (!m_bConfirm)
        return true;
    // The same file still being written (the run came back to a picture):
    // the question is about the file as it will be.
    if (m_writer->pendingFor(m_destBytes))
        m_writer->waitIdle();
    if (!pictavo::saving::fileExists(m_destBytes))
        return true;
    QuestionBox box(m_strhMessages.text(kOverwriteCaption), m_strhMessages.text(kOverwrite), this);
    return box.exec() == QMessageBox::Yes;
}

QString TfrmImage::savingText() const {
    return m_strhMessages.text(kSaving) + m_sDestFile + QStringLiteral("...");
}

void TfrmImage::setCutWork(pictavo::CutWriter::Work work) {
    m_writer.reset();
    m_writer = std::make_unique<pictavo::CutWriter>(pictavo::CutWriter::kDefaultMaxPending,
                                                    std::move(work));
    // While cuts wait, each holding a picture, the next picture is decoded
    // without halvings: the view makes them if it is zoomed.
    m_prefetcher->setMakeHalvings(
        [waiting = m_writer->pendingCount()] { return waiting->load() == 0; });
    // Told on the writer thread; the news is taken on this one.
    m_writer->setOnFinished([this] {
        QMetaObject::invokeMethod(
            this, [this] { TakeWriterNews(false); }, Qt::QueuedConnection);
    });
}

std::size_t TfrmImage::pendingWrites() const {
    return m_writer->pending();
}

bool TfrmImage::cutsWaiting() const {
    return m_writer->pending() > 0;
}

bool TfrmImage::FinishWrites() {
    // Nothing else is for this picture while the writes end.
    const bool waiting = std::exchange(m_bWaiting, false);
    if (!m_writer->waitIdle(kNoticeAfterMs)) {
        ShowWritingNotice(true);
        while (!m_writer->waitIdle(50))
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        ShowWritingNotice(false);
    }
    m_bWaiting = waiting;
    return TakeWriterNews(true);
}

bool TfrmImage::TakeWriterNews(bool now) {
    for (pictavo::CutOutcome& outcome : m_writer->takeFinished()) {
        if (!outcome.written)
            m_failedCuts.push_back(std::move(outcome));
    }
    if (m_failedCuts.empty() || !(now || m_bWaiting))
        return false;
    return ReportFailedCuts();
}

bool TfrmImage::ReportFailedCuts() {
    const bool waiting = std::exchange(m_bWaiting, false);
    bool restored = false;
    while (!m_failedCuts.empty()) {
        pictavo::CutOutcome failed = std::move(m_failedCuts.front());
        m_failedCuts.erase(m_failedCuts.begin());
        // The click finished the picture; a cut that did not reach the disk
        // leaves it unfinished, as a failed write always has.
        --m_nProcessed;
        ErrorBox::show(QString::fromStdString(failed.error), this);
        const bool back =
            m_cutFailed ? m_cutFailed(QByteArray::fromStdString(failed.source)) : isVisible();
        // Only the first picture comes back; the run replays the later ones
        // after it.
        if (back && !restored && failed.failedJob) {
            RestoreFailedCut(*failed.failedJob);
            restored = true;
        }
    }
    m_bWaiting = restored || waiting;
    return restored;
}

void TfrmImage::RestoreFailedCut(const pictavo::CutJob& job) {
    m_nState = 0;
    PresentPicture(job.picture, {}, job.metadata.value_or(pictavo::JpegMetadata{}),
                   QByteArray::fromStdString(job.source));
    ForgetLosslessCut();
    if (job.lossless) {
        // The picture was the file's own at the click: it still is.
        if (const auto bytes = pictavo::saving::readUnchanged(job.source, *job.lossless)) {
            m_sourceStamp = job.lossless;
            m_losslessGrid = pictavo::losslessGrid(*bytes, job.decoded);
            m_decodedWith = job.decoded;
            m_bmpDecoded = m_bmpWork;
        }
    }
    if (m_toolBar)
        m_toolBar->ResetEffects();
    m_sDestFile = QFile::decodeName(QByteArray::fromStdString(job.dest));
    m_destBytes = job.dest;
    CalcCropSize();
    // The cut as it was clicked, though the ratio or the frame option may have
    // changed since: the strips are drawn from its size.
    if (job.cut) {
        m_nCropWidth = job.area.width();
        m_nCropHeight = job.area.height();
    }
    ShowPrintReadout();
    Modified = job.modified;
    if (m_toolBar)
        m_toolBar->UpdateModifiedIndicator();
    if (job.cut) {
        // As the click left it: the frame where it was, frozen, strips black.
        m_rcCrop = job.area;
        m_rcFollow = job.area;
        m_bTracking = false;
        DrawFrame(m_rcCrop, true);
    } else {
        m_rcFollow = pictavo::frame::centredFrame({m_nImageWidth, m_nImageHeight},
                                                  {m_nCropWidth, m_nCropHeight});
        m_rcCrop = SnappedFrame();
        DrawFrame(m_rcCrop, false);
        m_bTracking = true;
    }
    ShowStatus(savingText());
}

void TfrmImage::ShowWritingNotice(bool on) {
    if (!on) {
        if (m_writingNotice)
            m_writingNotice->hide();
        return;
    }
    if (!m_writingNotice) {
        m_writingNotice = new QLabel(this, Qt::Tool | Qt::FramelessWindowHint);
        m_writingNotice->setMargin(12);
    }
    // The texts may have been translated since the last time.
    m_writingNotice->setText(m_strhMessages.text(kWritingLastCuts));
    m_writingNotice->adjustSize();
    // Over the crop window while it is up, else where the user looks: the
    // main window's monitor.
    QRect area = geometry();
    if (!isVisible()) {
        if (m_mainWindow && m_mainWindow->isVisible())
            area = m_mainWindow->frameGeometry();
        else if (const QScreen* monitor = screenOf(m_mainWindow))
            area = monitor->geometry();
    }
    m_writingNotice->move(area.center() - m_writingNotice->rect().center());
    m_writingNotice->show();
    m_writingNotice->raise();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
