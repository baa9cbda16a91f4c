#include "app/BatchRun.h"

#include <QCoreApplication>
#include <QFile>

#include "app/CropWindowLink.h"
#include "settings/MessageList.h"

namespace {

// Stops the run's timer and hides the crop window however the run ends.
class RunScope {
public:
    RunScope(QTimer& timer, CropWindowLink& crop) : m_timer(timer), m_crop(crop) {
        m_timer.start();
    }
    ~RunScope() {
        m_crop.hide();
        m_timer.stop();
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    QTimer& m_timer;
    CropWindowLink& m_crop;
};

}  // namespace

BatchRun::BatchRun(const MessageList& messages)
    : m_messages(messages),
      // The run's wait sleeps until the next event; the 100 ms timer is one.
      m_walk([] { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }) {
    m_tmMain.setInterval(100);
    QObject::connect(&m_tmMain, &QTimer::timeout, [this] { m_walk.TimerTick(); });
}

void BatchRun::setCropWindow(CropWindowLink* crop) {
    m_crop = crop;
    m_walk.setCropWindow(crop);
}

BatchRun::Outcome BatchRun::Run(const QString& sourceFolder, const QString& destFolder) {
    Outcome outcome;
    {
        RunScope scope(m_tmMain, *m_crop);
        m_crop->resetCounters();
        outcome.resume = m_walk.Run(sourceFolder, destFolder);
    }
    outcome.summary = m_messages.format(
        0, {QString::number(m_crop->processed()), QString::number(m_crop->cropped())});
    outcome.cropped = m_crop->cropped();
    if (!m_walk.goneFolder().isEmpty()) {
        outcome.warning = QStringLiteral(
                              "The folder %1 can no longer be read (removed, renamed or "
                              "unmounted). The run stops here.")
                              .arg(QFile::decodeName(m_walk.goneFolder()));
    }
    return outcome;
}
