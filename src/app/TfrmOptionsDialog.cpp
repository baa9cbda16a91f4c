#include "app/TfrmOptionsDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <memory>

#include "app/PrintSizeBox.h"
#include "app/QualitySlider.h"
#include "app/RatioEdit.h"
#include "crop/PrintSize.h"
#include "crop/TfrmImage.h"
#include "settings/TFormStorage.h"
#include "ui/CaptionLabel.h"
#include "ui/ErrorBox.h"

namespace {

const QString kKeyPath = QStringLiteral("Software\\Vornholt\\Pictavo2");

// The photo options have a group of their own between the original options
// (whose bevel ends at 145) and the button row; the button row and the
// dialog's bottom edge move down by the group's height and its gap, and
// everything above stays where it was.
constexpr int kOriginalHeight = 192;
constexpr int kOriginalButtonsTop = 160;
constexpr int kGap = 8;
constexpr int kPhotosTop = 145 + kGap;
constexpr int kPhotosHeight = 105;
// The print options' group follows the photo options' in the same way.
constexpr int kPrintTop = kPhotosTop + kPhotosHeight + kGap;
constexpr int kPrintHeight = 61;
constexpr int kAddedHeight = kGap + kPhotosHeight + kGap + kPrintHeight;
constexpr int kButtonsTop = kOriginalButtonsTop + kAddedHeight;

QFont verdana(int points) {
    QFont font(QStringLiteral("Verdana"));
    font.setPointSize(points);
    return font;
}

template <typename W>
W* place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

// A caption label. One with a partner control is a QLabel with that control
// as its buddy, so Alt with its access letter focuses the control; the others
// only show the caption ("&&" as "&").
template <typename L = CaptionLabel>
L* label(QWidget* parent, const char* name, const QString& text, int left, int top, int width,
         int height) {
    auto* l = place(new L(text, parent), name, left, top, width, height);
    l->setTextFormat(Qt::PlainText);
    l->setFont(verdana(10));
    return l;
}

// A check box with its text left of the box.
QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, int top) {
    auto* box = place(new QCheckBox(text, parent), name, 16, top, 329, 17);
    box->setLayoutDirection(Qt::RightToLeft);
    box->setFont(verdana(10));
    return box;
}

QPushButton* flatButton(QWidget* parent, const char* name, const QString& text, int left) {
    auto* button = place(new QPushButton(text, parent), name, left, kButtonsTop, 73, 25);
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setFont(verdana(10));
    return button;
}

}  // namespace

TfrmOptionsDialog::TfrmOptionsDialog(TfrmImage* image, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_image(image) {
    setFixedSize(440, kOriginalHeight + kAddedHeight);
    move(389, 239);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);

    m_Bevel = place(new QFrame(this), "m_Bevel", 8, 8, 425, 137);
    m_Bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_lblRatio = label<QLabel>(this, "m_lblRatio",
                               QStringLiteral("Cropping frame ratio (must be greater than 1,3):"),
                               16, 16, 324, 16);
    m_edRatio = place(new RatioEdit(this), "m_edRatio", 344, 16, 81, 18);
    m_edRatio->setFont(verdana(8));
    m_edRatio->setValue(1.5L);
    m_btnRecurseDirs =
        checkBox(this, "m_btnRecurseDirs", QStringLiteral("Recurse into subdirectories"), 48);
    m_lblCompressionQ =
        label<QLabel>(this, "m_lblCompressionQ",
                      QStringLiteral("Saved images compression quality:"), 18, 80, 232, 16);
    m_nCompressionQ = place(new QualitySlider(this), "m_nCompressionQ", 256, 72, 113, 32);
    m_nCompressionQ->setValue(100);
    m_lblRatio->setBuddy(m_edRatio);
    m_lblCompressionQ->setBuddy(m_nCompressionQ);
    m_lblBestCompression =
        label(this, "m_lblBestCompression", QStringLiteral("Best"), 373, 80, 29, 16);
    m_chbOverwriteConfirm =
        checkBox(this, "m_chbOverwriteConfirm", QStringLiteral("Confirm operations"), 112);
    m_chbOverwriteConfirm->setChecked(true);
    m_btnApply = flatButton(this, "m_btnApply", QStringLiteral("Apply"), 143);
    m_btnCancel = flatButton(this, "m_btnCancel", QStringLiteral("Cancel"), 224);
    m_lblDialogCaption = place(new CaptionLabel(QStringLiteral("Pictavo Options"), this),
                               "m_lblDialogCaption", 32, kButtonsTop + 8, 118, 13);
    m_lblDialogCaption->hide();
    m_BevelPhotos = place(new QFrame(this), "m_BevelPhotos", 8, kPhotosTop, 425, kPhotosHeight);
    m_BevelPhotos->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_chbAutoRotate =
        checkBox(this, "m_chbAutoRotate", QStringLiteral("Turn photos upright"), kPhotosTop + 8);
    m_chbKeepMetadata =
        checkBox(this, "m_chbKeepMetadata",
                 QStringLiteral("Keep date, camera data and colour profile"), kPhotosTop + 32);
    m_chbLosslessCut = checkBox(
        this, "m_chbLosslessCut",
        QStringLiteral("Cut without re-encoding when the photo is unchanged"), kPhotosTop + 56);
    m_chbMoreFormats =
        checkBox(this, "m_chbMoreFormats",
                 QStringLiteral("Also open HEIC, PNG, TIFF and WebP pictures"), kPhotosTop + 80);
    m_BevelPrint = place(new QFrame(this), "m_BevelPrint", 8, kPrintTop, 425, kPrintHeight);
    m_BevelPrint->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_lblPrintSize = label<QLabel>(this, "m_lblPrintSize", QStringLiteral("Print size:"), 16,
                                   kPrintTop + 10, 232, 16);
    m_cbPrintSize = place(new PrintSizeBox(this), "m_cbPrintSize", 264, kPrintTop + 8, 161, 22);
    m_cbPrintSize->setFont(verdana(8));
    m_lblPrintSize->setBuddy(m_cbPrintSize);
    m_chbFrameInside =
        checkBox(this, "m_chbFrameInside", QStringLiteral("Keep the frame inside wide photos"),
                 kPrintTop + 38);
    // The added groups' captions are longer than the first options': their
    // check boxes take the group's whole width, the boxes in one column with
    // the drop-down's edge.
    for (QCheckBox* box : {m_chbAutoRotate, m_chbKeepMetadata, m_chbLosslessCut, m_chbMoreFormats,
                           m_chbFrameInside}) {
        box->resize(409, box->height());
    }
    m_BevelPrint->lower();
    m_BevelPhotos->lower();
    m_Bevel->lower();
    // Tab reaches the photo options before the buttons, as it reads.
    setTabOrder(m_chbOverwriteConfirm, m_chbAutoRotate);
    setTabOrder(m_chbAutoRotate, m_chbKeepMetadata);
    setTabOrder(m_chbKeepMetadata, m_chbLosslessCut);
    setTabOrder(m_chbLosslessCut, m_chbMoreFormats);
    setTabOrder(m_chbMoreFormats, m_btnApply);
    setTabOrder(m_chbMoreFormats, m_cbPrintSize);
    setTabOrder(m_cbPrintSize, m_chbFrameInside);

    // A size is a ratio; a ratio typed is no longer the size's. Only the
    // user's choice sets the ratio, so restoring the stored size never
    // replaces the stored ratio.
    connect(m_cbPrintSize, &QComboBox::activated, this, [this] {
        if (const pictavo::print::PrintSize* size = m_cbPrintSize->size())
            m_edRatio->setValue(size->ratio());
    });
    connect(m_edRatio, &QLineEdit::textEdited, this, [this] { m_cbPrintSize->setCurrentIndex(0); });

    connect(m_btnApply, &QPushButton::clicked, this,
            [this] { ErrorBox::guard([this] { m_btnApplyClick(); }, this); });
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { m_btnCancelClick(); });

    fsLang = new TFormStorage(this);
    fsLang->setIniFileName(kKeyPath);
    fsLang->setIniSection(QStringLiteral("Language"));
    fsLang->setRegistryRoot(pictavo::RegRoot::LocalMachine);
    fsLang->setStoredProps(
        {QStringLiteral("m_lblDialogCaption.Caption"), QStringLiteral("m_lblRatio.Caption"),
         QStringLiteral("m_lblCompressionQ.Caption"),
         QStringLiteral("m_lblBestCompression.Caption"),
         QStringLiteral("m_chbOverwriteConfirm.Caption"), QStringLiteral("m_btnApply.Caption"),
         QStringLiteral("m_btnRecurseDirs.Caption"), QStringLiteral("m_btnCancel.Caption"),
         QStringLiteral("m_chbAutoRotate.Caption"), QStringLiteral("m_chbKeepMetadata.Caption"),
         QStringLiteral("m_chbLosslessCut.Caption"), QStringLiteral("m_chbMoreFormats.Caption"),
         QStringLiteral("m_lblPrintSize.Caption"), QStringLiteral("m_chbFrameInside.Caption")});
    fsMain = new TFormStorage(this);
    fsMain->setIniFileName(kKeyPath);
    fsMain->setIniSection(QStringLiteral("Options"));
    fsMain->setActive(false);
    fsMain->setStoredProps(
        {QStringLiteral("m_nCompressionQ.Value"), QStringLiteral("m_chbOverwriteConfirm.Checked"),
         QStringLiteral("m_edRatio.Value"), QStringLiteral("m_btnRecurseDirs.Checked"),
         QStringLiteral("m_chbAutoRotate.Checked"), QStringLiteral("m_chbKeepMetadata.Checked"),
         QStringLiteral("m_chbLosslessCut.Checked"), QStringLiteral("m_chbMoreFormats.Checked"),
         QStringLiteral("m_cbPrintSize.Text"), QStringLiteral("m_chbFrameInside.Checked")});
}

TfrmOptionsDialog::~TfrmOptionsDialog() {
    TFormStorage::windowDestroying(this);
}

void TfrmOptionsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ErrorBox::guard([this] { FormShow(); }, this);
}

void TfrmOptionsDialog::FormShow() {
    // After the Language texts, so that a translated caption reaches the title.
    setWindowTitle(m_lblDialogCaption->text());
    RestoreOptions();
}

void TfrmOptionsDialog::RestoreOptions() {
    fsMain->RestoreStoredState();
}

void TfrmOptionsDialog::ApplyOptions() {
    m_image->SetQuality(m_nCompressionQ->value());
    m_image->m_bConfirm = m_chbOverwriteConfirm->isChecked();
    m_image->SetRatio(m_edRatio->value());
    m_image->m_bRecurse = m_btnRecurseDirs->isChecked();
    m_image->m_bAutoRotate = m_chbAutoRotate->isChecked();
    m_image->m_bKeepMetadata = m_chbKeepMetadata->isChecked();
    m_image->m_bLosslessCut = m_chbLosslessCut->isChecked();
    m_image->m_bMoreFormats = m_chbMoreFormats->isChecked();
    m_image->m_sPrintSize = m_cbPrintSize->text();
    m_image->m_bFrameInside = m_chbFrameInside->isChecked();
}

void TfrmOptionsDialog::m_btnApplyClick() {
    ApplyOptions();
    fsMain->SaveStoredState();
    done(QDialog::Accepted);
}

void TfrmOptionsDialog::m_btnCancelClick() {
    done(QDialog::Rejected);
}

void TfrmOptionsDialog::done(int result) {
    setResult(result);
    // Through close(), not hide(): the form storages save on close.
    close();
}

void TfrmOptionsDialog::closeEvent(QCloseEvent* event) {
    event->accept();
}

void TfrmOptionsDialog::LoadOptions(TfrmImage* image) {
    const std::unique_ptr<TfrmOptionsDialog> dialog = std::make_unique<TfrmOptionsDialog>(image);
    dialog->RestoreOptions();
    dialog->ApplyOptions();
}
