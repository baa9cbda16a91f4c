#pragma once

#include <QString>
#include <QTimer>

#include "app/FolderWalk.h"

class CropWindowLink;
class MessageList;

// One folder batch run as the main window starts it: the crop window shown
// for the walk and hidden after it, the 100 ms timer that ends each wait, and
// the summary the run leaves behind.
class BatchRun {
public:
    // What a finished run leaves for the main window to show and keep.
    struct Outcome {
        QString resume;   // resume number, empty for none
        QString summary;  // "%d images processed, %d images cropped."
        int cropped = 0;
        // What to tell the user when the run ended because the folder it was
        // walking went away; empty otherwise.
        QString warning;
    };

    // `messages` gives the summary's text.
    explicit BatchRun(const MessageList& messages);

    void setCropWindow(CropWindowLink* crop);

    // Walks `sourceFolder` with the crop window, writing cuts under
    // `destFolder`; returns when the walk is complete or was stopped.
    Outcome Run(const QString& sourceFolder, const QString& destFolder);

    bool running() const { return m_walk.running(); }
    int startFrom() const { return m_walk.startFrom(); }
    void setStartFrom(int startFrom) { m_walk.setStartFrom(startFrom); }
    // The crop window's back command.
    void StepBack() { m_walk.StepBack(); }

private:
    const MessageList& m_messages;
    CropWindowLink* m_crop = nullptr;
    FolderWalk m_walk;
    QTimer m_tmMain;
};
