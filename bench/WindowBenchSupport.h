#pragma once

// What the window benchmarks share: a window shown offscreen, a way to wait
// until the crop window's view has painted, and the process's peak memory.
// Their main() (BenchMain.cpp) creates the application object.

#include <QEvent>
#include <QObject>

#include <cstddef>

class TfrmImage;
class TNOEraseBackgroundImage;
class QWidget;

namespace pictavo::bench {

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
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

}  // namespace pictavo::bench
