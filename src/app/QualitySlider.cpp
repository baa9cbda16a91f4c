#include "app/QualitySlider.h"

#include "app/OptionInput.h"

QualitySlider::QualitySlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(1, 100);
    setSingleStep(2);
    setPageStep(2);
    connect(this, &QAbstractSlider::actionTriggered, this, &QualitySlider::stepped);
}

void QualitySlider::stepped(int action) {
    // Called before the action's position is applied; it is replaced here.
    switch (action) {
        case SliderSingleStepAdd:
        case SliderPageStepAdd:
            setSliderPosition(OptionInput::qualityStep(value(), +1));
            break;
        case SliderSingleStepSub:
        case SliderPageStepSub:
            setSliderPosition(OptionInput::qualityStep(value(), -1));
            break;
        default:
            break;
    }
}
