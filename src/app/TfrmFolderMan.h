#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

#include "app/BatchRun.h"
#include "settings/MessageList.h"
#include "ui/PressedKeys.h"

class CropWindowLink;
class LinkLabel;
class PictureBox;
class QLabel;
class QLineEdit;
class QStatusBar;
class QToolButton;
class ShadowLabel;
class TFormStorage;
class TfrmImage;
class TfrmSplash;

// The main window: the three steps (source folder, destination folder, start),
// the resume point, the links, and the status bar with the last run's summary.
// It starts the folder batch run.
class TfrmFolderMan : public QWidget {
    Q_OBJECT
public:
    // Home page of the maker; OpenWebPage appends a path to it.
    static const char* const kMakerWebSite;

    explicit TfrmFolderMan(QWidget* parent = nullptr);
    ~TfrmFolderMan() override;

    // The crop window that runs show pictures in.
    void setCropWindow(CropWindowLink* crop);

    // The crop window whose options the options dialog loads and changes.
    void setOptionsWindow(TfrmImage* image) { m_image = image; }

    // The splash window that "About..." shows.
    void setSplashWindow(TfrmSplash* splash) { m_splash = splash; }

    // The application's help for a context; `popupAt` is the top-left
    // corner, on the screen, of the control whose help is asked for.
    using ContextHelp = std::function<void(int context, const QPoint& popupAt)>;
    void setContextHelp(ContextHelp help) { m_contextHelp = std::move(help); }

    // The crop window's back command.
    void StepBack();

    // Sets the resume point from a decimal text, or clears it with an empty
    // one. A text that is no integer is shown, then rejected with an error.
    void SetLastProcessed(const QString& text);
    // Shows both folders and a check mark for each that exists now.
    void UpdateFolders();
    // Opens `path` on the maker's web site; throws when nothing opened it.
    void OpenWebPage(const QString& path);

    // How web addresses are opened (the desktop's browser unless replaced).
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { m_openUrl = std::move(opener); }

    const QString& sourceFolder() const { return m_sSourceFolder; }
    const QString& destFolder() const { return m_sDestFolder; }
    int startFrom() const { return m_run.startFrom(); }
    bool running() const { return m_run.running(); }
    QString statusText(int panel) const;

    MessageList m_strhMessagesFM;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createStorages();
    void connectHandlers();
    // Runs an event handler; an error leaving it goes to the standard error box.
    void handle(const std::function<void()>& handler);

    void FormShow();
    void LoadOptions();
    void FormCloseQuery();
    void FormClose();
    void FormKeyUp(int key);
    void m_lblSourceFolderClick();
    void m_lblDistFolderClick();
    void m_btnStartClick();
    void m_btnOptionsClick();
    void m_lblAboutClick();
    void m_lblMoreInfoClick();
    void m_imgGlobeMouseDown(Qt::MouseButton button);
    void m_imgClearBtnClick();

    // The folder dialog with message `messageIndex` as its title, preselecting
    // `folder` when it exists. Returns the chosen folder, or empty on cancel.
    QString BrowseForFolder(int messageIndex, const QString& folder);
    // F1 and "More info...": the help of `control` or of its nearest parent
    // in this window that has a help context; nothing when none has.
    void ShowHelpFor(QWidget* control);

    QString m_sSourceFolder;
    QString m_sDestFolder;

    CropWindowLink* m_crop = nullptr;
    TfrmImage* m_image = nullptr;
    TfrmSplash* m_splash = nullptr;
    ContextHelp m_contextHelp;
    // Folders, resume point and placement ("Options", per user), then the
    // texts ("Language", machine-wide); the later one restores first and
    // saves last.
    TFormStorage* m_fsMain = nullptr;
    TFormStorage* m_fsLang = nullptr;
    BatchRun m_run;
    std::function<bool(const QUrl&)> m_openUrl;
    bool m_bShown = false;
    // Escape closes the window on release only when it was also pressed here,
    // not when its press closed a dialog or the crop window.
    PressedKeys m_escapePressed;

    QLabel* m_lblInfo = nullptr;
    PictureBox* m_imgLogo = nullptr;
    LinkLabel* m_lblMoreInfo = nullptr;
    LinkLabel* m_lblAbout = nullptr;
    ShadowLabel* m_lblTitleStart = nullptr;
    QLabel* m_lbl1 = nullptr;
    QLabel* m_lbl2 = nullptr;
    QLabel* m_lbl3 = nullptr;
    PictureBox* m_imgCheck1 = nullptr;
    PictureBox* m_imgCheck2 = nullptr;
    LinkLabel* m_lblSourceFolder = nullptr;
    LinkLabel* m_lblDistFolder = nullptr;
    LinkLabel* m_lblStart = nullptr;
    QLineEdit* m_edSource = nullptr;
    QLineEdit* m_edDest = nullptr;
    QLabel* m_lblStartFrom = nullptr;
    QLabel* m_lblLastProcessed = nullptr;
    PictureBox* m_imgClearBtn = nullptr;
    PictureBox* m_imgGlobe = nullptr;
    QToolButton* m_btnOptions = nullptr;
    QStatusBar* m_sb = nullptr;
    QLabel* m_sbPanel0 = nullptr;
    QLabel* m_sbPanel1 = nullptr;
};
