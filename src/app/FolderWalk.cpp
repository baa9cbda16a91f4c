#include "app/FolderWalk.h"

#include <sys/stat.h>

#include <QFile>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "app/CropWindowLink.h"
#include "app/FolderListing.h"
#include "app/WalkNames.h"
#include "core/AtomicFile.h"

namespace {

class RunningFlag {
public:
    explicit RunningFlag(bool& flag) : m_flag(flag) { m_flag = true; }
    ~RunningFlag() { m_flag = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    bool& m_flag;
};

// The path with every link resolved; empty when it cannot be resolved.
QByteArray realPath(const QByteArray& path) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.constData(), nullptr),
                                                           &std::free);
    return real ? QByteArray(real.get()) : QByteArray();
}

// Where the next picture file and the next subfolder of a folder's listing are,
// from every entry on. Each name is looked at once when the folder is read,
// so a folder of many other files (a camera's raw files, videos, side files)
// costs the same per entry as one of pictures.
class Lookahead {
public:
    Lookahead(const QList<FolderEntry>& entries, bool moreFormats)
        : m_jpeg(static_cast<std::size_t>(entries.size())),
          m_nextJpeg(static_cast<std::size_t>(entries.size()) + 1, entries.size()),
          m_nextFolder(static_cast<std::size_t>(entries.size()) + 1, entries.size()) {
        for (qsizetype i = entries.size() - 1; i >= 0; --i) {
            const auto at = static_cast<std::size_t>(i);
            const FolderEntry& entry = entries[i];
            m_jpeg[at] = !entry.isDir && WalkNames::IsPictureName(entry.name, moreFormats);
            m_nextJpeg[at] = m_jpeg[at] ? i : m_nextJpeg[at + 1];
            m_nextFolder[at] = entry.isDir ? i : m_nextFolder[at + 1];
        }
    }

    bool isJpeg(qsizetype i) const { return m_jpeg[static_cast<std::size_t>(i)]; }
    // The first JPEG file / subfolder at or after entry `i`; the number of
    // entries when there is none. `i` may be one past the last entry.
    qsizetype nextJpeg(qsizetype i) const { return m_nextJpeg[static_cast<std::size_t>(i)]; }
    qsizetype nextFolder(qsizetype i) const { return m_nextFolder[static_cast<std::size_t>(i)]; }

private:
    std::vector<bool> m_jpeg;
    std::vector<qsizetype> m_nextJpeg;
    std::vector<qsizetype> m_nextFolder;
};

}  // namespace

FolderWalk::FolderWalk(WaitFunction wait) : m_wait(std::move(wait)) {}

void FolderWalk::setCropWindow(CropWindowLink* crop) {
    if (m_crop && m_crop != crop) {
        m_crop->setCutFailed({});
    }
    m_crop = crop;
    if (m_crop) {
        m_crop->setCutFailed(
            [this](const QByteArray& sourcePath) { return CutFailed(sourcePath); });
    }
}

QString FolderWalk::Run(const QString& sourceFolder, const QString& destFolder) {
    if (!m_crop) {
        throw std::logic_error("FolderWalk::Run without a crop window");
    }
    RunningFlag running(m_bRunning);
    // The chosen folders are text; below them the walk keeps the names'
    // bytes, so every name survives from the listing to the cut.
    m_sSourceFolder = QFile::encodeName(sourceFolder);
    m_sDestFolder = QFile::encodeName(destFolder);
    // Temporary files of writes killed before this run are of no use to
    // anyone; those of a write still going on elsewhere are newer.
    pictavo::removeStaleTempFiles(m_sDestFolder.toStdString(), std::chrono::system_clock::now());
    m_entered.clear();
    m_folderIds.clear();
    m_goneFolder.clear();
    m_destRealPath = realPath(m_sDestFolder);
    // Fixed for the run, so resuming counts the same pictures throughout.
    m_bMoreFormats = m_crop->moreFormats();
    // A source folder gone since it was chosen (an unmounted drive) is no
    // complete walk: the resume point is kept for when it is back.
    struct stat st {};
    if (::stat(m_sSourceFolder.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        m_goneFolder = m_sSourceFolder;
        return m_nStartFrom > 0 ? QString::number(m_nStartFrom) : QString();
    }

    bool stop = false;
    m_bEnding = false;
    m_bComplete = ProcessFolder(m_sSourceFolder, stop);
    if (m_bComplete) {
        m_nPosition = 0;
    }
    // The resume point is kept only once the cuts it passes are on disk.
    m_bEnding = true;
    m_crop->FinishWrites();
    m_bEnding = false;
    return WalkNames::ResumeText(m_nPosition);
}

bool FolderWalk::CutFailed(const QByteArray& sourcePath) {
    qsizetype failed = -1;
    for (qsizetype i = m_lstShown.size() - 1; i >= 0; --i) {
        if (WalkNames::JoinPath(m_lstShown[i].folder, m_lstShown[i].name) == sourcePath) {
            failed = i;
            break;
        }
    }
    if (failed < 0 || !m_bRunning) {
        return false;  // shown before the walk entered its present folder
    }
    // The position is that of the next picture, one past the one on screen.
    if (m_bEnding) {
        if (m_bComplete || m_nPosition > failed + 1) {
            m_nPosition = static_cast<int>(failed) + 1;
        }
        m_bComplete = false;
        return false;
    }
    if (m_nPosition <= failed) {
        return false;  // already back before it: it is shown again in turn
    }
    m_nPosition = static_cast<int>(failed) + 1;
    m_bCameBack = true;
    return true;
}

void FolderWalk::ComeBackToFailedCuts(const QByteArray& folder, bool& stop) {
    // Only this folder's list can show its pictures again: a cut still being
    // written must have reached the disk, or failed and been shown again,
    // before the walk leaves the folder for a subfolder.
    m_bCameBack = false;
    m_crop->FinishWrites();
    if (!m_bCameBack) {
        return;
    }
    m_bAdvance = false;
    WaitForUser(stop);
    // What was shown after the failed picture comes again in turn.
    if (!stop) {
        ProcessFile(folder, QByteArray(), false, stop);
    }
}

void FolderWalk::StepBack() {
    m_nPosition = m_nPosition < 2 ? 0 : m_nPosition - 2;
}

void FolderWalk::TimerTick() {
    if (m_crop && m_crop->state() == 2) {
        m_bAdvance = true;
    }
}

bool FolderWalk::mayEnter(const QByteArray& subfolder) const {
    const QByteArray real = realPath(subfolder);
    if (real.isEmpty()) {
        return true;  // unreadable: entering it finds nothing, as for any such folder
    }
    // The run's own cuts are not new pictures.
    if (!m_destRealPath.isEmpty() && real == m_destRealPath) {
        return false;
    }
    return !m_entered.contains(real);
}

bool FolderWalk::isGone(const QByteArray& folder) const {
    const auto known = m_folderIds.constFind(folder);
    if (known == m_folderIds.cend()) {
        return false;
    }
    // Deleted or renamed, or another folder in its place, as an unmounted
    // drive leaves its empty mount point.
    struct stat st {};
    return ::stat(folder.constData(), &st) != 0 ||
           FolderId{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)} != *known;
}

bool FolderWalk::ProcessFolder(const QByteArray& folder, bool& stop) {
    bool result = true;
    m_lstShown.clear();
    m_nPosition = 0;
    const QByteArray real = realPath(folder);
    if (!real.isEmpty()) {
        m_entered.insert(real);
    }
    struct stat st {};
    if (::stat(folder.constData(), &st) == 0) {
        m_folderIds.insert(
            folder, FolderId{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)});
    }

    // Read once: files written into the folder during the run are not walked.
    const QList<FolderEntry> entries = FolderListing::Read(folder);
    const Lookahead ahead(entries, m_bMoreFormats);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const FolderEntry& entry = entries[i];
        if (stop) {
            break;
        }
        if (entry.isDir) {
            const QByteArray subfolder = WalkNames::JoinPath(folder, entry.name);
            if (m_crop->recurse() && mayEnter(subfolder)) {
                ComeBackToFailedCuts(folder, stop);
                if (!stop && !ProcessFolder(subfolder, stop)) {
                    result = false;
                }
            }
        } else {
            // The next JPEG file, unless the walk enters a subfolder first.
            const qsizetype next = ahead.nextJpeg(i + 1);
            const bool subfolderFirst = ahead.nextFolder(i + 1) < next && m_crop->recurse();
            m_sNextName =
                next < entries.size() && !subfolderFirst ? entries[next].name : QByteArray();
            ProcessFile(folder, entry.name, ahead.isJpeg(i), stop);
        }
    }
    return result && !stop;
}

void FolderWalk::ProcessFile(const QByteArray& folder, const QByteArray& name, bool isJpeg,
                             bool& stop) {
    // Runs once for the entry, and again while a back command has left the
    // position inside the list of images already shown.
    do {
        const bool replay = m_nPosition >= 0 && m_nPosition < m_lstShown.size();
        if (replay || isJpeg) {
            HandOver(folder, name, replay, stop);
            if (!stop) {
                WaitForUser(stop);
            }
        }
    } while (!stop && m_nPosition < m_lstShown.size());
}

void FolderWalk::HandOver(const QByteArray& folder, const QByteArray& name, bool replay,
                          bool& stop) {
    m_bAdvance = false;
    // A replayed image keeps the folder it was shown from: after a subfolder
    // the list may still hold that subfolder's images, and their cuts must
    // carry its name.
    const ShownImage image = replay ? m_lstShown[m_nPosition] : ShownImage{folder, name};
    // Once the folder is gone, every file listed in it would fail on its own:
    // the run ends instead, with the resume point as if the user had left.
    const auto endIfGone = [&] {
        if (isGone(image.folder)) {
            m_goneFolder = image.folder;
            stop = true;
        }
        return stop;
    };
    if (endIfGone()) {
        return;
    }
    m_sCurrentName = image.name;
    m_crop->show();
    try {
        if (m_nPosition < m_nStartFrom) {
            m_bAdvance = true;  // passed over when resuming: nothing is loaded
        } else {
            m_nStartFrom = 0;
            m_crop->ShowImage(
                WalkNames::JoinPath(image.folder, image.name),
                WalkNames::MakeDestPath(m_sSourceFolder, m_sDestFolder, image.folder, image.name));
        }
        if (!replay) {
            m_lstShown.append(image);
        }
        ++m_nPosition;
    } catch (...) {
        // The crop window has shown its own box. A new image that fails keeps
        // its position for the next one; a replay that fails (the file went
        // away since) moves on, or the same replay would be tried forever.
        m_bAdvance = true;
        if (!endIfGone() && replay) {
            ++m_nPosition;
        }
        return;
    }
    if (!m_bAdvance) {
        PrefetchNext(folder);
    }
}

void FolderWalk::PrefetchNext(const QByteArray& folder) {
    // Decoded while the user looks at this image. Only a hint: whatever goes
    // wrong with it must not disturb the image on screen or the position.
    try {
        const QByteArray next = nextImagePath(folder);
        if (!next.isEmpty()) {
            m_crop->Prefetch(next);
        }
    } catch (...) {
    }
}

QByteArray FolderWalk::nextImagePath(const QByteArray& folder) const {
    // After a back command the walk replays what it showed before.
    if (m_nPosition < m_lstShown.size()) {
        const ShownImage& again = m_lstShown[m_nPosition];
        return WalkNames::JoinPath(again.folder, again.name);
    }
    return m_sNextName.isEmpty() ? QByteArray() : WalkNames::JoinPath(folder, m_sNextName);
}

void FolderWalk::WaitForUser(bool& stop) {
    while (!m_bAdvance) {
        m_wait();
        if (!m_crop->isVisible()) {
            stop = true;
            break;
        }
    }
}
