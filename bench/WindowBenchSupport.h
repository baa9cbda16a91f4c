#pragma once

// What the window benchmarks share: a window shown offscreen, a way to wait
// until the crop window's view has painted, and the process's peak memory.
// Their main() (BenchMain.cpp) creates the application object.

#include <QEvent>
#include <QObject>

#include <chrono>
#include <cstddef>

class TfrmImage;
class TNOEraseBackgroundImage;
class QWidget;

namespace pictavo::bench {

// Counts the paints of a widget, and notes when the last one ended.
class PaintCounter : public QObject {
public:
    int paints = 0;
    std::chrono::steady_clock::time_point lastPaintEnd;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || m_inside)
            return false;
        // Painted here, so the time taken is that of the whole paint.
        m_inside = true;
        watched->event(event);
        m_inside = false;
        ++paints;
        lastPaintEnd = std::chrono::steady_clock::now();
        return true;
    }

private:
    bool m_inside = false;
};

TNOEraseBackgroundImage* viewOf(TfrmImage& window);

// Shows the window and waits until it is on screen; false when it never is.
bool showExposed(QWidget& window);

// Processes events until `counter` has seen a paint after `before`.
void waitForPaint(const PaintCounter& counter, int before);

// Processes events for `ms` milliseconds, as a user looking at a picture.
void idle(int ms);

// Peak resident memory of the process so far (VmHWM), in bytes.
std::size_t peakResidentBytes();
// Starts the peak over, so a benchmark sees its own and not an earlier one's.
void resetPeakResident();

}  // namespace pictavo::bench
