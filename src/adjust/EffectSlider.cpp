#include "adjust/EffectSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

EffectSlider::EffectSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setSingleStep(kStep);
    setPageStep(kStep);
    m_repeat.setInterval(kRepeatMs);
    connect(&m_repeat, &QTimer::timeout, this, &EffectSlider::repeatStep);
}

QRect EffectSlider::handleRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

int EffectSlider::valueAtHandleLeft(int x) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const int first = groove.x();
    const int span = groove.right() - handleRect().width() + 1 - first;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), x - first, span,
                                           option.upsideDown);
}

void EffectSlider::stepTowards(int direction) {
    const int v = value();
    // Floor and ceiling of v / kStep for either sign.
    const int below = (v >= 0 ? v / kStep : -((-v + kStep - 1) / kStep)) * kStep;
    const int above = (v >= 0 ? (v + kStep - 1) / kStep : -(-v / kStep)) * kStep;
    const int next =
        direction > 0 ? (above > v ? above : above + kStep) : (below < v ? below : below - kStep);
    setValue(next);  // QAbstractSlider holds it within the range
}

void EffectSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_press != Press::None) {
        event->ignore();
        return;
    }
    event->accept();
    m_valueAtPress = value();
    m_cursorX = event->position().toPoint().x();
    const QRect handle = handleRect();
    // Anywhere across the thumb's width grabs it, above or below it too.
    if (m_cursorX >= handle.left() && m_cursorX <= handle.right()) {
        m_press = Press::Drag;
        m_grabOffset = m_cursorX - handle.x();
        setSliderDown(true);
        return;
    }
    m_press = Press::Track;
    m_direction = m_cursorX > handle.right() ? 1 : -1;
    stepTowards(m_direction);
    m_repeat.start();
}

void EffectSlider::mouseMoveEvent(QMouseEvent* event) {
    if (m_press == Press::None) {
        event->ignore();
        return;
    }
    event->accept();
    m_cursorX = event->position().toPoint().x();
    if (m_press == Press::Drag) {
        setValue(valueAtHandleLeft(m_cursorX - m_grabOffset));
    }
}

void EffectSlider::repeatStep() {
    const QRect handle = handleRect();
    const bool beyond = m_direction > 0 ? m_cursorX > handle.right() : m_cursorX < handle.left();
    if (m_press == Press::Track && beyond) {
        stepTowards(m_direction);
    }
}

void EffectSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_press == Press::None) {
        event->ignore();
        return;
    }
    event->accept();
    endPress();
    finishChange(m_valueAtPress);
}

void EffectSlider::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers held =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    // While the mouse works the slider its change is not complete yet.
    if (held || m_press != Press::None) {
        event->ignore();
        return;
    }
    const int before = value();
    switch (event->key()) {
        case Qt::Key_Left:
            stepTowards(-1);
            break;
        case Qt::Key_Right:
            stepTowards(1);
            break;
        case Qt::Key_Home:
            setValue(minimum());
            break;
        case Qt::Key_End:
            setValue(maximum());
            break;
        default:
            event->ignore();
            return;
    }
    event->accept();
    finishChange(before);
}

void EffectSlider::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

void EffectSlider::endPress() {
    m_repeat.stop();
    if (m_press == Press::Drag) {
        setSliderDown(false);
    }
    m_press = Press::None;
}

void EffectSlider::cancelPress() {
    if (m_press == Press::None) {
        return;
    }
    endPress();
    setValue(m_valueAtPress);
}

void EffectSlider::hideEvent(QHideEvent* event) {
    // The release will not come here: the strip went with Shift while the
    // button was still down.
    cancelPress();
    QSlider::hideEvent(event);
}

void EffectSlider::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        cancelPress();
    }
    QSlider::changeEvent(event);
}

void EffectSlider::finishChange(int before) {
    if (value() != before) {
        emit changed();
    }
}
