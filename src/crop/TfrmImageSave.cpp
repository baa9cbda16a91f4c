// The crop window's saving: the cut on a plain left click, the whole picture
// (or the untouched file) on Shift and left click.

#include <QCoreApplication>
#include <QLabel>

#include "crop/CutBeep.h"
#include "crop/CutSaving.h"
#include "crop/TfrmImage.h"
#include "ui/QuestionBox.h"

namespace {

constexpr int kSaving = 2;
constexpr int kOverwrite = 3;
constexpr int kOverwriteCaption = 4;

}  // namespace

void TfrmImage::CropAndSave() {
    ++m_nCropped;
    m_bTracking = false;
    DrawFrame(m_rcCrop, true);
    ShowStatus(savingText());
    // Once, so the black strips and the status line are on screen before the
    // work starts.
    QCoreApplication::processEvents();
    PlayCutBeep();
    SavePicture(true);
}

void TfrmImage::SavePicture(bool cut) {
    if (!MayOverwrite())
        return;
    WritePicture(pictavo::saving::savedArea(cut, m_rcCrop, m_nImageWidth, m_nImageHeight));
}

void TfrmImage::SaveUncut() {
    if (!MayOverwrite())
        return;
    ShowStatus(savingText());
    if (Modified) {
        WritePicture({0, 0, m_nImageWidth, m_nImageHeight});
    } else {
        // The file as it is, byte for byte: nothing is lost to re-encoding.
        pictavo::saving::copyUncut(m_sourceBytes, m_destBytes, m_strhMessages);
    }
}

void TfrmImage::PlayCutBeep() {
    m_beep->play();
}

void TfrmImage::WritePicture(const pictavo::Rect& area) {
    pictavo::saving::writePicture(m_bmpWork, area, m_nQuality, m_sourceBytes, m_destBytes,
                                  m_metadata.empty() ? nullptr : &m_metadata);
}

bool TfrmImage::MayOverwrite() {
    if (!m_bConfirm || !pictavo::saving::fileExists(m_destBytes))
        return true;
    QuestionBox box(m_strhMessages.text(kOverwriteCaption), m_strhMessages.text(kOverwrite), this);
    return box.exec() == QMessageBox::Yes;
}

QString TfrmImage::savingText() const {
    return m_strhMessages.text(kSaving) + m_sDestFile + QStringLiteral("...");
}
