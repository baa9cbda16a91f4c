#pragma once

// The toolbar's slider. It reports a change once it is complete, because
// every report rebuilds a full-resolution picture: on release after a drag
// or a press on the track, and after each key step; never while the thumb
// is dragged and never when the program sets the value.
//
// A press on the track beside the thumb moves the value to the next
// multiple of 5 in that direction at once, and again every 400 ms while the
// button is held and the cursor is still beyond the thumb. Left and Right
// (without Shift, Ctrl or Alt) step to the next multiple of 5, Home and End
// go to the ends. Other keys and the wheel do nothing.
//
// A press the slider cannot finish (it is hidden or disabled first, or the
// program ends it) reports nothing: the value goes back to where the press
// found it, which is what the picture was last rebuilt with.

#include <QSlider>
#include <QTimer>

class EffectSlider : public QSlider {
    Q_OBJECT
public:
    static constexpr int kStep = 5;
    static constexpr int kRepeatMs = 400;

    explicit EffectSlider(QWidget* parent = nullptr);

    // Ends a press in progress without a report; nothing if there is none.
    void cancelPress();
    bool pressed() const { return m_press != Press::None; }

signals:
    // OnChanged: one completed change by the user.
    void changed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The button is up: no repeat, no drag.
    void endPress();
    enum class Press { None, Drag, Track };

    QRect handleRect() const;
    int valueAtHandleLeft(int x) const;
    // The next multiple of kStep below (direction < 0) or above the value.
    void stepTowards(int direction);
    void repeatStep();
    void finishChange(int before);

    Press m_press = Press::None;
    int m_direction = 0;
    int m_valueAtPress = 0;
    int m_grabOffset = 0;
    int m_cursorX = 0;
    QTimer m_repeat;
};
