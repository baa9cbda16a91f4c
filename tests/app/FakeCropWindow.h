#pragma once

#include <QFile>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <stdexcept>
#include <utility>

#include "app/CropWindowLink.h"

// A crop window that loads nothing. It records what it was given, fails for
// the paths in `failing`, and answers each image with the next scripted user
// command; `act` is called by the test's wait function. Paths are recorded
// as text.
class FakeCropWindow : public CropWindowLink {
public:
    enum class Command { Skip, Crop, Back, Escape };

    void show() override { m_visible = true; }
    void hide() override { m_visible = false; }
    bool isVisible() const override { return m_visible; }

    void ShowImage(const QByteArray& sourceBytes, const QByteArray& destBytes) override {
        const QString sourcePath = QFile::decodeName(sourceBytes);
        const QString destPath = QFile::decodeName(destBytes);
        m_state = 0;
        attempts << sourcePath;
        if (attempts.size() > 1000) {
            // A walk that never ends: stop it through the window, as Esc would.
            endless = true;
            m_visible = false;
            return;
        }
        if (failing.contains(sourcePath)) {
            throw std::runtime_error("Can't load file " + sourcePath.toStdString());
        }
        shown << sourcePath;
        dests << destPath;
        m_waiting = true;
    }
    void Prefetch(const QByteArray& sourcePath) override {
        prefetched << Prefetched{static_cast<int>(shown.size()) - 1, QFile::decodeName(sourcePath)};
        if (prefetchFails) {
            throw std::runtime_error("no worker thread");
        }
    }
    void setCutFailed(CutFailed cutFailed) override { m_cutFailed = std::move(cutFailed); }
    // Waiting for the writes (before a subfolder, at the run's end): the cuts
    // in `failAtEnd` fail then.
    void FinishWrites() override {
        for (const QString& path : std::exchange(failAtEnd, {})) {
            --m_processed;
            const bool back = m_cutFailed(QFile::encodeName(path));
            cutFailedAnswers << back;
            if (back) {
                returnedTo << path;
                m_state = 1;
                m_waiting = true;
            }
        }
    }
    int state() const override { return m_state; }
    bool recurse() const override { return m_recurse; }
    bool moreFormats() const override { return m_moreFormats; }
    void resetCounters() override { m_processed = m_cropped = 0; }
    int processed() const override { return m_processed; }
    int cropped() const override { return m_cropped; }

    // One pass of the wait: the user answers the image on screen with the next
    // command (Skip when the script is empty).
    void act(const std::function<void()>& stepBack) {
        if (!m_waiting) {
            return;
        }
        // A cut written in the background fails while this picture is up.
        const auto failure = cutFailsWhileShowing.find(static_cast<int>(shown.size()) - 1);
        if (failure != cutFailsWhileShowing.end()) {
            const QString path = shown.at(failure.value());
            cutFailsWhileShowing.erase(failure);
            --m_processed;
            const bool back = m_cutFailed(QFile::encodeName(path));
            cutFailedAnswers << back;
            if (back) {
                returnedTo << path;  // now on screen, and waiting
                return;
            }
        }
        m_waiting = false;
        Command c = Command::Skip;
        if (!script.empty()) {
            c = script.front();
            script.pop_front();
        }
        switch (c) {
            case Command::Crop:
                ++m_cropped;
                [[fallthrough]];
            case Command::Skip:
                ++m_processed;
                m_state = 2;
                break;
            case Command::Back:
                m_state = 2;
                stepBack();
                break;
            case Command::Escape:
                m_visible = false;
                break;
        }
    }

    std::deque<Command> script;
    QSet<QString> failing;
    QStringList attempts;  // every ShowImage call
    QStringList shown;     // the calls that loaded
    QStringList dests;
    // Each hint with the index in `shown` of the image on screen when it came.
    struct Prefetched {
        int whileShowing;
        QString path;
    };
    QList<Prefetched> prefetched;
    bool prefetchFails = false;
    // Index in `shown` of the picture on screen -> index in `shown` of the
    // earlier picture whose cut fails then.
    QMap<int, int> cutFailsWhileShowing;
    QStringList failAtEnd;
    QList<bool> cutFailedAnswers;  // what the run answered to each failure
    QStringList returnedTo;        // failed pictures the run went back to
    bool m_recurse = false;
    bool m_moreFormats = false;
    bool endless = false;  // the walk asked for far more images than there are

private:
    CutFailed m_cutFailed;
    bool m_visible = false;
    bool m_waiting = false;
    int m_state = 1;
    int m_processed = 0;
    int m_cropped = 0;
};
