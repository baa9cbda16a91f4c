#pragma once

#include <QList>

#include <functional>

class RecordingCropLink;
class TfrmFolderMan;
class TfrmImage;

namespace pictavo::test {

using UserAction = std::function<void()>;

// Starts the batch run from the main window's start link and plays a user:
// each time a picture has loaded and waits, the next action runs on it;
// once they are used up, `afterLast` (if given) runs on every further one.
// Returns when the run has ended; false if a modal box came up meanwhile.
bool playRun(TfrmFolderMan& window, TfrmImage& image, const RecordingCropLink& link,
             const QList<UserAction>& actions, const UserAction& afterLast = {});

}  // namespace pictavo::test
