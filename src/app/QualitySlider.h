#pragma once

#include <QSlider>

// The compression-quality slider, 1 to 100: dragging sets any value; keys and
// clicks beside the thumb move in steps of 2 from the nearest even value;
// Home and End go to 1 and 100.
class QualitySlider : public QSlider {
    Q_OBJECT
public:
    explicit QualitySlider(QWidget* parent = nullptr);

private:
    void stepped(int action);
};
