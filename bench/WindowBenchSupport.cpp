#include "WindowBenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <fstream>
#include <string>

#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"

namespace pictavo::bench {

TNOEraseBackgroundImage* viewOf(TfrmImage& window) {
    return window.findChild<TNOEraseBackgroundImage*>();
}

bool showExposed(QWidget& window) {
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

void waitForPaint(const PaintCounter& counter, int before) {
    while (counter.paints == before)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void idle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
}

std::size_t peakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoull(line.substr(6)) * 1024;
    }
    return 0;
}

void resetPeakResident() {
    // The kernel starts the peak over at the present resident size.
    std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace pictavo::bench
