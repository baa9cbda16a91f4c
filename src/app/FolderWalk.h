#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>

class CropWindowLink;

// The folder batch run: walks the source folder, hands each JPEG file to the
// crop window and waits until the user is done with it; supports the crop
// window's back command and resuming an interrupted run. Paths inside the walk
// are the file system's bytes, so names that are not UTF-8 are walked too.
class FolderWalk {
public:
    // Dispatches pending events once, sleeping until there is one. The main
    // window's 100 ms timer (TimerTick) is among them, so a wait always ends.
    using WaitFunction = std::function<void()>;

    explicit FolderWalk(WaitFunction wait);

    // Also tells the window to ask the walk about failed cuts.
    void setCropWindow(CropWindowLink* crop);

    // Walks `sourceFolder`, writing cuts under `destFolder`. Returns when the
    // walk is complete, the crop window was hidden or the folder being walked
    // went away, with the resume number to keep (empty: none). First removes
    // what killed writes left in `destFolder`.
    QString Run(const QString& sourceFolder, const QString& destFolder);
    bool running() const { return m_bRunning; }
    // The folder whose going away ended the last run (also a source folder
    // gone before it began, which keeps the resume number); empty when none.
    const QByteArray& goneFolder() const { return m_goneFolder; }

    // The crop window's back command: the walk shows the previous image next.
    void StepBack();
    // The cut of the picture at `sourcePath` failed. During the walk, when
    // that picture is in the present folder's list, the walk goes back to it
    // (it is then the picture on screen) and answers true. After the walk the
    // resume point is moved back so as not to pass it.
    bool CutFailed(const QByteArray& sourcePath);
    // Body of the main window's 100 ms timer: ends the wait once the crop
    // window is done with its image.
    void TimerTick();

    // Images before this position in a folder are passed over (resuming).
    int startFrom() const { return m_nStartFrom; }
    void setStartFrom(int startFrom) { m_nStartFrom = startFrom; }
    int position() const { return m_nPosition; }
    const QByteArray& currentName() const { return m_sCurrentName; }

private:
    // An image handed over since the walk last entered a folder.
    struct ShownImage {
        QByteArray folder;
        QByteArray name;
    };
    // Which folder a path named when the walk entered it.
    struct FolderId {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const FolderId&) const = default;
    };

    bool ProcessFolder(const QByteArray& folder, bool& stop);
    void ProcessFile(const QByteArray& folder, const QByteArray& name, bool isJpeg, bool& stop);
    void ComeBackToFailedCuts(const QByteArray& folder, bool& stop);
    void HandOver(const QByteArray& folder, const QByteArray& name, bool replay, bool& stop);
    void WaitForUser(bool& stop);
    bool mayEnter(const QByteArray& subfolder) const;
    bool isGone(const QByteArray& folder) const;
    QByteArray nextImagePath(const QByteArray& folder) const;
    void PrefetchNext(const QByteArray& folder);

    WaitFunction m_wait;
    CropWindowLink* m_crop = nullptr;

    QByteArray m_sSourceFolder;
    QByteArray m_sDestFolder;
    QByteArray m_sCurrentName;
    // The next JPEG file of the folder's listing after the current entry,
    // when the walk goes on with it (empty when a subfolder comes first).
    QByteArray m_sNextName;
    QList<ShownImage> m_lstShown;
    int m_nPosition = 0;
    int m_nStartFrom = 0;
    bool m_bAdvance = false;
    bool m_bRunning = false;
    // The walk is over and the run waits for its last cuts.
    bool m_bEnding = false;
    bool m_bCameBack = false;  // a failed cut took the run back to its picture
    bool m_bComplete = false;
    // The walk also takes HEIC, PNG, TIFF and WebP pictures.
    bool m_bMoreFormats = false;

    // Real paths of the folders entered in this run (links back into the
    // tree are not followed twice), and of the destination folder.
    QSet<QByteArray> m_entered;
    QByteArray m_destRealPath;
    // The folders entered in this run as they were then, to tell when one of
    // them is deleted, renamed or unmounted during the run.
    QHash<QByteArray, FolderId> m_folderIds;
    QByteArray m_goneFolder;
};
