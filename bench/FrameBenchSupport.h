#pragma once

// What the frame benchmarks share: a crop window shown offscreen, a way to
// wait until its view has painted, and the process's peak memory.

#include <QEvent>
#include <QObject>

#include <cstddef>

class TfrmImage;
class TNOEraseBackgroundImage;

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

// Processes events until `counter` has seen a paint after `before`.
void waitForPaint(const PaintCounter& counter, int before);

// Processes events for `ms` milliseconds, as a user looking at a picture.
void idle(int ms);

// Peak resident memory of the process so far (VmHWM), in bytes.
std::size_t peakResidentBytes();

}  // namespace pictavo::bench
