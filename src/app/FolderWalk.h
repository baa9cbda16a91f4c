#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include <functional>

class CropWindowLink;

// The folder batch run: walks the source folder, hands each JPEG file to the
// crop window and waits until the user is done with it; supports the crop
// window's back command and resuming an interrupted run.
class FolderWalk {
public:
    // Dispatches pending events once, sleeping until there is one. The main
    // window's 100 ms timer (TimerTick) is among them, so a wait always ends.
    using WaitFunction = std::function<void()>;

    explicit FolderWalk(WaitFunction wait);

    void setCropWindow(CropWindowLink* crop) { m_crop = crop; }

    // Walks `sourceFolder`, writing cuts under `destFolder`. Returns when the
    // walk is complete or the crop window was hidden, with the resume number
    // to keep (empty: none).
    QString Run(const QString& sourceFolder, const QString& destFolder);
    bool running() const { return m_bRunning; }

    // The crop window's back command: the walk shows the previous image next.
    void StepBack();
    // Body of the main window's 100 ms timer: ends the wait once the crop
    // window is done with its image.
    void TimerTick();

    // Images before this position in a folder are passed over (resuming).
    int startFrom() const { return m_nStartFrom; }
    void setStartFrom(int startFrom) { m_nStartFrom = startFrom; }
    int position() const { return m_nPosition; }
    const QString& currentName() const { return m_sCurrentName; }

private:
    // An image handed over since the walk last entered a folder.
    struct ShownImage {
        QString folder;
        QString name;
    };

    bool ProcessFolder(const QString& folder, bool& stop);
    void ProcessFile(const QString& folder, const QString& name, bool& stop);
    void HandOver(const QString& folder, const QString& name, bool replay);
    void WaitForUser(bool& stop);
    bool mayEnter(const QString& subfolder) const;
    QString nextImagePath(const QString& folder) const;
    void PrefetchNext(const QString& folder);

    WaitFunction m_wait;
    CropWindowLink* m_crop = nullptr;

    QString m_sSourceFolder;
    QString m_sDestFolder;
    QString m_sCurrentName;
    // The next JPEG file of the folder's listing after the current entry,
    // when the walk goes on with it (empty when a subfolder comes first).
    QString m_sNextName;
    QList<ShownImage> m_lstShown;
    int m_nPosition = 0;
    int m_nStartFrom = 0;
    bool m_bAdvance = false;
    bool m_bRunning = false;

    // Real paths of the folders entered in this run (links back into the
    // tree are not followed twice), and of the destination folder.
    QSet<QString> m_entered;
    QString m_destRealPath;
};
