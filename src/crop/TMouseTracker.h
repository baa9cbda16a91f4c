#pragma once

// The red-eye selection tool: a small rubber-band rectangle over the crop
// window. While armed it holds the mouse capture, follows the cursor, grows
// with the left button held and hands its rectangle over on a right click.

#include <QWidget>

#include <functional>

#include "core/Rect.h"

class TMouseTracker : public QWidget {
    Q_OBJECT
public:
    // Called with the tool and its rectangle in the parent's coordinates,
    // right and bottom inclusive (they may lie before left and top).
    using SelectHandler = std::function<void(TMouseTracker* sender, const pictavo::Rect& rect)>;

    explicit TMouseTracker(QWidget* parent);
    ~TMouseTracker() override;

    // Arms (false) or freezes (true) the tool: armed takes the mouse
    // capture, idle releases it.
    void SetIdle(bool value);
    bool Idle() const { return m_idle; }
    bool CursorHidden() const { return m_cursorHidden; }

    // The tool's bounds as set, which unlike the widget's geometry may have
    // a width or height of zero or below.
    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetBounds(int left, int top, int width, int height);
    // (Left, Top, Left + Width - 1, Top + Height - 1).
    pictavo::Rect selection() const;

    SelectHandler OnSelect;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void positionChanged();
    void hideCursor();
    void showCursor();

    bool m_cursorHidden = false;
    bool m_idle = true;
    int m_left = 0;
    int m_top = 0;
    int m_width = 20;
    int m_height = 20;
};
