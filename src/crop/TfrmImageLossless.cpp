// The crop window's lossless cut: with the option on, an unchanged photo is
// cut by copying the coded blocks of its file, so the frame moves on the
// file's block grid while the picture shown is the file's own.

#include <QFile>

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
    // The bytes are read once, here: the cut is made of the file as it was
    // shown, whatever happens to it before the click.
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestKeptFile)
        return;
    // Straight into the buffer the writer will use: no second copy.
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(file.size()));
    if (file.read(reinterpret_cast<char*>(bytes->data()), file.size()) != file.size())
        return;
    const std::optional<pictavo::LosslessGrid> grid = pictavo::losslessGrid(*bytes, options);
    // The grid must be that of the picture decoded (the file may have been
    // replaced between the decode and the read).
    if (!grid || grid->width != m_bmpWork.width() || grid->height != m_bmpWork.height())
        return;
    m_sourceJpeg = std::move(bytes);
    m_losslessGrid = grid;
    m_decodedWith = options;
    m_bmpDecoded = m_bmpWork;  // shares the raster
}

void TfrmImage::ForgetLosslessCut() {
    m_sourceJpeg.reset();
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
