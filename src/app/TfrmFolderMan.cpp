#include "app/TfrmFolderMan.h"

#include <QCloseEvent>
#include <QColor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QStatusBar>
#include <QToolButton>

#include <stdexcept>

#include "app/BatchRun.h"
#include "app/CropWindowLink.h"
#include "app/TfrmOptionsDialog.h"
#include "app/TfrmSplash.h"
#include "app/WalkNames.h"
#include "settings/DayTally.h"
#include "settings/TFormStorage.h"
#include "settings/TStrHolder.h"
#include "ui/CaptionLabel.h"
#include "ui/ErrorBox.h"
#include "ui/LinkLabel.h"
#include "ui/PictureBox.h"
#include "ui/ShadowLabel.h"

const char* const TfrmFolderMan::kMakerWebSite = "https://www.vornholt.example";

namespace {

QFont verdana(int pixelSize, bool bold = false, bool italic = false) {
    QFont f(QStringLiteral("Verdana"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    w->setPalette(p);
}

template <typename W>
W* place(W* w, const char* name, int left, int top, int width, int height) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(left, top, width, height);
    return w;
}

QLabel* plainLabel(const QString& text, const QFont& font, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    return label;
}

// A translatable caption: "&&" shows as "&", "&" marks the access letter.
QLabel* captionLabel(const QString& caption, const QFont& font, QWidget* parent) {
    auto* label = new CaptionLabel(caption, parent);
    label->setFont(font);
    return label;
}

}  // namespace

// Font sizes are pixel heights: 8 pt is 11 pixels, 9 pt 12, 10 pt 13 and
// 12 pt 16 at 96 pixels per inch, and the window's layout is in pixels.
void TfrmFolderMan::createControls() {
    setWindowTitle(QStringLiteral("Pictavo"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(578, 391);
    move(265, 106);
    setFont(verdana(11));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::Base, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    // Lines end in CR LF, as in the texts translators keep in the store.
    m_lblInfo = place(
        captionLabel(
            QStringLiteral(
                "Pictavo is a simple photo \"Prepare to Print\" tool. It allows to perfom "
                "simple\r\n"
                "operations like cropping, changing brightness, contrast, red-eye function.\r\n"
                "Crop each image in a single mouse click. Move mouse to make the best cut, "
                "click\r\n"
                "Left mouse button to confirm. Use Right mouse button to skip cropping of the "
                "image.\r\n"
                "Use ESC key to quit. Hold SHIFT to show advanced image processing toolbar."),
            verdana(12), this),
        "m_lblInfo", 2, 7, 313, 170);
    m_lblInfo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_lblInfo->setWordWrap(true);

    m_imgLogo =
        place(new PictureBox(QStringLiteral(":/logo.svg"), this), "m_imgLogo", 327, 6, 248, 240);

    m_lblMoreInfo = place(new LinkLabel(QStringLiteral("More info..."), 11, this), "m_lblMoreInfo",
                          10, 184, 151, 17);
    m_lblAbout =
        place(new LinkLabel(QStringLiteral("About..."), 11, this), "m_lblAbout", 170, 184, 151, 17);

    m_lblTitleStart = place(new ShadowLabel(QStringLiteral("Select Folders to Start"), this),
                            "m_lblTitleStart", 8, 223, 196, 18);
    m_lblTitleStart->setFont(verdana(16, true));

    m_lbl1 =
        place(plainLabel(QStringLiteral("1"), verdana(13, true), this), "m_lbl1", 32, 249, 9, 16);
    m_lbl2 =
        place(plainLabel(QStringLiteral("2"), verdana(13, true), this), "m_lbl2", 32, 272, 9, 16);
    m_lbl3 =
        place(plainLabel(QStringLiteral("3"), verdana(13, true), this), "m_lbl3", 32, 295, 9, 16);

    m_imgCheck1 =
        place(new PictureBox(QStringLiteral(":/check.svg"), this), "m_imgCheck1", 8, 247, 20, 20);
    m_imgCheck2 =
        place(new PictureBox(QStringLiteral(":/check.svg"), this), "m_imgCheck2", 8, 271, 20, 20);
    m_imgCheck1->hide();
    m_imgCheck2->hide();

    m_lblSourceFolder = place(new LinkLabel(QStringLiteral("Select Source Folder..."), 13, this),
                              "m_lblSourceFolder", 49, 249, 224, 17);
    m_lblDistFolder = place(new LinkLabel(QStringLiteral("Select Destination Folder..."), 13, this),
                            "m_lblDistFolder", 49, 272, 224, 17);
    m_lblStart = place(new LinkLabel(QStringLiteral("Start Processing Images..."), 13, this),
                       "m_lblStart", 49, 295, 224, 17);

    m_edSource = place(new QLineEdit(this), "m_edSource", 280, 249, 297, 21);
    m_edDest = place(new QLineEdit(this), "m_edDest", 280, 272, 297, 21);
    for (QLineEdit* edit : {m_edSource, m_edDest}) {
        edit->setReadOnly(true);
        edit->setFrame(false);
        edit->setFont(verdana(11, false, true));
        setTextColour(edit, QColor(128, 128, 128));
    }

    const QColor startFromGrey(160, 160, 164);
    m_lblStartFrom = place(captionLabel(QStringLiteral("Start from:"), verdana(13, true), this),
                           "m_lblStartFrom", 281, 296, 145, 16);
    m_lblLastProcessed = place(plainLabel(QString(), verdana(13, true), this), "m_lblLastProcessed",
                               432, 296, 57, 16);
    setTextColour(m_lblStartFrom, startFromGrey);
    setTextColour(m_lblLastProcessed, startFromGrey);
    m_lblStartFrom->hide();

    m_imgClearBtn = place(new PictureBox(QStringLiteral(":/clear.svg"), this), "m_imgClearBtn", 494,
                          294, 20, 20);
    m_imgClearBtn->setToolTip(QStringLiteral("Clear"));
    m_imgClearBtn->setCursor(Qt::PointingHandCursor);
    m_imgClearBtn->hide();

    m_imgGlobe =
        place(new PictureBox(QStringLiteral(":/globe.svg"), this), "m_imgGlobe", 8, 320, 69, 45);
    m_imgGlobe->setToolTip(QStringLiteral("Vornholt Web Site"));
    m_imgGlobe->setCursor(Qt::PointingHandCursor);

    m_btnOptions = place(new QToolButton(this), "m_btnOptions", 520, 316, 52, 52);
    m_btnOptions->setAutoRaise(true);
    m_btnOptions->setIcon(QIcon(QStringLiteral(":/options.svg")));
    m_btnOptions->setIconSize(QSize(40, 40));
    m_btnOptions->setToolTip(QStringLiteral("Program Options"));
    m_btnOptions->setCursor(Qt::PointingHandCursor);

    m_sb = place(new QStatusBar(this), "m_sb", 0, 391 - 19, 578, 19);
    m_sb->setSizeGripEnabled(false);
    m_sbPanel0 = plainLabel(QStringLiteral("Ready"), verdana(11), m_sb);
    m_sbPanel0->setObjectName(QStringLiteral("m_sbPanel0"));
    m_sbPanel0->setFixedWidth(280);
    m_sbPanel1 = plainLabel(QString(), verdana(11), m_sb);
    m_sbPanel1->setObjectName(QStringLiteral("m_sbPanel1"));
    m_sb->addWidget(m_sbPanel0);
    m_sb->addWidget(m_sbPanel1, 1);
}

TfrmFolderMan::TfrmFolderMan(QWidget* parent)
    : QWidget(parent),
      m_strhMessagesFM({QStringLiteral("%d images processed, %d images cropped."),
                        QStringLiteral("Final Message"), QStringLiteral("Browse for Source Folder"),
                        QStringLiteral("Browse for Destination Folder"),
                        QStringLiteral("Please make sure that source and destination folders are "
                                       "specified and exist")}),
      m_run(m_strhMessagesFM),
      m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("frmFolderMan"));
    // The one help context of the program: F1 anywhere in here asks for it.
    setProperty("HelpContext", 1);
    createControls();
    connectHandlers();
    createStorages();
}

TfrmFolderMan::~TfrmFolderMan() {
    TFormStorage::windowDestroying(this);
}

void TfrmFolderMan::createStorages() {
    new TStrHolder(&m_strhMessagesFM, QStringLiteral("m_strhMessagesFM"), this);
    const QString keyPath = QStringLiteral("Software\\Vornholt\\Pictavo2");
    m_fsMain = new TFormStorage(this);
    m_fsMain->setIniFileName(keyPath);
    m_fsMain->setIniSection(QStringLiteral("Options"));
    m_fsMain->setMainForm(true);
    m_fsMain->setStoredProps({QStringLiteral("m_edDest.Text"), QStringLiteral("m_edSource.Text"),
                              QStringLiteral("m_lblLastProcessed.Caption")});
    m_fsLang = new TFormStorage(this);
    m_fsLang->setIniFileName(keyPath);
    m_fsLang->setIniSection(QStringLiteral("Language"));
    m_fsLang->setRegistryRoot(pictavo::RegRoot::LocalMachine);
    m_fsLang->setMainForm(true);
    m_fsLang->setStoredProps(
        {QStringLiteral("m_lblInfo.Caption"), QStringLiteral("m_strhMessagesFM.Strings"),
         QStringLiteral("m_lblMoreInfo.Caption"), QStringLiteral("m_lblSourceFolder.Caption"),
         QStringLiteral("m_lblStart.Caption"), QStringLiteral("m_lblDistFolder.Caption"),
         QStringLiteral("m_lblTitleStart.Caption"), QStringLiteral("m_btnOptions.Caption"),
         QStringLiteral("m_btnOptions.Hint"), QStringLiteral("m_lblStartFrom.Caption"),
         QStringLiteral("m_imgClearBtn.Hint"), QStringLiteral("m_lblAbout.Caption")});
}

void TfrmFolderMan::setCropWindow(CropWindowLink* crop) {
    m_crop = crop;
    m_run.setCropWindow(crop);
}

void TfrmFolderMan::connectHandlers() {
    connect(m_lblSourceFolder, &LinkLabel::clicked, this,
            [this] { handle([this] { m_lblSourceFolderClick(); }); });
    connect(m_lblDistFolder, &LinkLabel::clicked, this,
            [this] { handle([this] { m_lblDistFolderClick(); }); });
    connect(m_lblStart, &LinkLabel::clicked, this,
            [this] { handle([this] { m_btnStartClick(); }); });
    connect(m_lblAbout, &LinkLabel::clicked, this,
            [this] { handle([this] { m_lblAboutClick(); }); });
    connect(m_lblMoreInfo, &LinkLabel::clicked, this,
            [this] { handle([this] { m_lblMoreInfoClick(); }); });
    connect(m_btnOptions, &QToolButton::clicked, this,
            [this] { handle([this] { m_btnOptionsClick(); }); });
    connect(m_imgClearBtn, &PictureBox::clicked, this,
            [this] { handle([this] { m_imgClearBtnClick(); }); });
    connect(m_imgGlobe, &PictureBox::pressed, this, [this](Qt::MouseButton button) {
        handle([this, button] { m_imgGlobeMouseDown(button); });
    });

    // Key events reach the window before its controls.
    installEventFilter(this);
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (QWidget* child : children) {
        child->installEventFilter(this);
    }
}

void TfrmFolderMan::handle(const std::function<void()>& handler) {
    ErrorBox::guard(handler, this);
}

QString TfrmFolderMan::statusText(int panel) const {
    return panel == 0 ? m_sbPanel0->text() : m_sbPanel1->text();
}

bool TfrmFolderMan::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        m_edSource->setFocus(Qt::ActiveWindowFocusReason);
    } else if (event->type() == QEvent::WindowDeactivate) {
        m_escapePressed.clear();
    }
    return QWidget::event(event);
}

bool TfrmFolderMan::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && event->type() == QEvent::KeyPress) {
            if (!key->isAutoRepeat()) {
                handle([this, watched] { ShowHelpFor(qobject_cast<QWidget*>(watched)); });
            }
            return true;
        }
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat()) {
            if (event->type() == QEvent::KeyPress) {
                m_escapePressed.press(key);
            } else if (m_escapePressed.release(key)) {
                handle([this] { FormKeyUp(27); });
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmFolderMan::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_bShown) {
        return;
    }
    m_bShown = true;
    // The settings stores restore the window's texts ("Language"), then its
    // folders, resume number and placement ("Options") here, before FormShow.
    handle([this] { FormShow(); });
}

void TfrmFolderMan::FormShow() {
    if (m_splash) {
        m_splash->ShowModal();
    }
    LoadOptions();
}

void TfrmFolderMan::LoadOptions() {
    m_sSourceFolder = m_edSource->text();
    m_sDestFolder = m_edDest->text();
    // A hidden options dialog reads the stored options and pushes them into
    // the crop window; a refused one stops the rest of the start-up steps.
    if (m_image) {
        TfrmOptionsDialog::LoadOptions(m_image);
    }
    SetLastProcessed(m_lblLastProcessed->text());
    UpdateFolders();
}

void TfrmFolderMan::closeEvent(QCloseEvent* event) {
    FormCloseQuery();
    // The settings stores save "Options", then "Language" here.
    FormClose();
    event->accept();
}

void TfrmFolderMan::FormCloseQuery() {
    if (m_crop) {
        m_crop->hide();  // ends a run in progress
    }
}

void TfrmFolderMan::FormClose() {
    if (m_crop) {
        m_crop->hide();
    }
}

void TfrmFolderMan::FormKeyUp(int key) {
    if (key == 27) {
        close();
    }
}

QString TfrmFolderMan::BrowseForFolder(int messageIndex, const QString& folder) {
    const QString preselected = !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
    return QFileDialog::getExistingDirectory(this, m_strhMessagesFM.text(messageIndex), preselected,
                                             QFileDialog::ShowDirsOnly);
}

void TfrmFolderMan::m_lblSourceFolderClick() {
    if (m_run.running()) {
        return;  // the run in progress owns the folders and the resume point
    }
    const QString chosen = BrowseForFolder(2, m_sSourceFolder);
    if (!chosen.isEmpty()) {
        const QString path = WalkNames::NormaliseChosenFolder(chosen);
        if (path != m_sSourceFolder) {
            SetLastProcessed(QString());
        }
        m_sSourceFolder = path;
    }
    UpdateFolders();
}

void TfrmFolderMan::m_lblDistFolderClick() {
    if (m_run.running()) {
        return;
    }
    const QString chosen = BrowseForFolder(3, m_sDestFolder);
    if (!chosen.isEmpty()) {
        m_sDestFolder = WalkNames::NormaliseChosenFolder(chosen);
    }
    UpdateFolders();
}

void TfrmFolderMan::UpdateFolders() {
    m_edSource->setText(m_sSourceFolder);
    m_edDest->setText(m_sDestFolder);
    m_imgCheck1->setVisible(!m_sSourceFolder.isEmpty() && QFileInfo(m_sSourceFolder).isDir());
    m_imgCheck2->setVisible(!m_sDestFolder.isEmpty() && QFileInfo(m_sDestFolder).isDir());
}

void TfrmFolderMan::SetLastProcessed(const QString& text) {
    m_lblLastProcessed->setText(text);
    m_imgClearBtn->setVisible(!text.isEmpty());
    m_lblStartFrom->setVisible(!text.isEmpty());
    int startFrom = 0;
    if (!text.isEmpty()) {
        bool ok = false;
        startFrom = text.toInt(&ok, 10);
        if (!ok) {
            m_run.setStartFrom(0);
            throw std::runtime_error(
                QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
        }
    }
    m_run.setStartFrom(startFrom);
}

void TfrmFolderMan::m_imgClearBtnClick() {
    SetLastProcessed(QString());
}

void TfrmFolderMan::OpenWebPage(const QString& path) {
    const QUrl url(QString::fromLatin1(kMakerWebSite) + path);
    if (!m_openUrl(url)) {
        throw std::runtime_error(
            QStringLiteral("Cannot open the web page %1").arg(url.toString()).toStdString());
    }
}

void TfrmFolderMan::m_imgGlobeMouseDown(Qt::MouseButton button) {
    if (button == Qt::LeftButton || button == Qt::MiddleButton) {
        OpenWebPage(QStringLiteral("/"));
    }
}

void TfrmFolderMan::m_btnOptionsClick() {
    if (!m_image) {
        return;
    }
    // It applies and stores the values itself.
    TfrmOptionsDialog dialog(m_image, this);
    dialog.exec();
}

void TfrmFolderMan::m_lblAboutClick() {
    if (m_splash) {
        m_splash->ShowModal();
    }
}

void TfrmFolderMan::m_lblMoreInfoClick() {
    ShowHelpFor(this);
}

void TfrmFolderMan::ShowHelpFor(QWidget* control) {
    for (QWidget* w = control; w && m_contextHelp; w = w->parentWidget()) {
        if (const int context = w->property("HelpContext").toInt(); context != 0) {
            m_contextHelp(context, w->mapToGlobal(QPoint(0, 0)));
            return;
        }
        if (w->isWindow()) {
            return;
        }
    }
}

void TfrmFolderMan::StepBack() {
    m_run.StepBack();
}

void TfrmFolderMan::m_btnStartClick() {
    // The main window stays live during a run; a second run would share the
    // run's fields with the first.
    if (m_run.running() || !m_crop) {
        return;
    }
    if (m_imgCheck1->isHidden() || m_imgCheck2->isHidden()) {
        QMessageBox::warning(this, QStringLiteral("Warning"), m_strhMessagesFM.text(4));
        return;
    }
    const BatchRun::Outcome outcome = m_run.Run(m_sSourceFolder, m_sDestFolder);
    SetLastProcessed(outcome.resume);
    m_sbPanel1->setText(outcome.summary);
    if (!outcome.warning.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Warning"), outcome.warning);
    }
    AddDayTally(*m_fsMain, outcome.cropped);
}
