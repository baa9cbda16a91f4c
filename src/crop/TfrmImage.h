#pragma once

// The full-screen crop window. This header fixes the members that other
// windows use; the window's own workings are added behind them.

#include <QString>
#include <QWidget>

#include <functional>

#include "settings/MessageList.h"

class TfrmImage : public QWidget {
    Q_OBJECT
public:
    explicit TfrmImage(QWidget* parent = nullptr);
    ~TfrmImage() override;

    // Loads, fits and presents one image. The window must be visible. On a
    // load failure it shows the "Can't load file %s" box itself and then
    // throws std::runtime_error with the same text.
    void ShowImage(const QString& sourcePath, const QString& destPath);

    // Options; out-of-range values throw std::runtime_error (messages 0 and 1)
    // and leave the value as it was.
    void SetRatio(long double value);
    void SetQuality(int value);

    // The back command calls this (the main window's StepBack).
    void setStepBack(std::function<void()> stepBack) { m_stepBack = std::move(stepBack); }

    // Polled by the batch run: 1 at creation, 0 while an image waits for the
    // user, 2 once it is finished or left.
    int m_nState = 1;
    int m_nProcessed = 0;
    int m_nCropped = 0;
    bool m_bConfirm = false;
    bool m_bRecurse = false;

    MessageList m_strhMessages;

private:
    std::function<void()> m_stepBack;
};
