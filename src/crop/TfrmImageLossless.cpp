// The crop window's lossless cut: with the option on, an unchanged photo is
// cut by copying the coded blocks of its file, so the frame moves on the
// file's block grid while the picture shown is the file's own.

#include <utility>

#include "crop/FrameGeometry.h"
#include "crop/TfrmImage.h"

namespace {

// No photo a camera writes comes near; a larger file is simply re-encoded.
constexpr qint64 kLargestKeptFile = qint64{1} << 30;

}  // namespace

void TfrmImage::PrepareLosslessCut(const QByteArray& path, const pictavo::DecodeOptions& options) {
    ForgetLosslessCut();
    if (!m_bLosslessCut)
        return;
    // Only the grid and the file's stamp are kept: the writer reads the file
    // again at the click (and re-encodes if it changed meanwhile). Holding
    // the bytes of every picture shown cost the next picture 40 ms in the
    // allocator, for the few that are cut.
    const std::string name = path.toStdString();
    const std::optional<pictavo::saving::FileStamp> stamp = pictavo::saving::fileStamp(name);
    if (!stamp || stamp->size > kLargestKeptFile)
        return;
    const std::optional<std::vector<std::uint8_t>> bytes =
        pictavo::saving::readUnchanged(name, *stamp);
    if (!bytes)
        return;
    const std::optional<pictavo::LosslessGrid> grid = pictavo::losslessGrid(*bytes, options);
    // The grid must be that of the picture decoded (the file may have been
    // replaced between the decode and the read).
    if (!grid || grid->width != m_bmpWork.width() || grid->height != m_bmpWork.height())
        return;
    m_sourceStamp = stamp;
    m_losslessGrid = grid;
    m_decodedWith = options;
    m_bmpDecoded = m_bmpWork;  // shares the raster
}

void TfrmImage::ForgetLosslessCut() {
    m_sourceStamp.reset();
    m_losslessGrid.reset();
    m_bmpDecoded = pictavo::Picture();
}

bool TfrmImage::CutsLossless() const {
    // An adjusted picture (or red eye corrected) is another raster; back to
    // neutral, the toolbar hands the decoded one back.
    return m_bLosslessCut && m_losslessGrid && m_bmpWork.sharesRasterWith(m_bmpDecoded);
}

pictavo::Rect TfrmImage::SnappedFrame() const {
    if (!CutsLossless())
        return m_rcFollow;
    return pictavo::frame::snapToGrid(m_rcFollow,
                                      {m_losslessGrid->blockWidth, m_losslessGrid->blockHeight});
}

QString TfrmImage::CutKindText() const {
    if (CutsLossless())
        return QStringLiteral("lossless");
    return QStringLiteral("quality %1").arg(m_nQuality);
}

void TfrmImage::ShowCutKind() {
    if (m_bLosslessCut)
        ShowStatus(QStringLiteral("Cut: ") + CutKindText());
}
