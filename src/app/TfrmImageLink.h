#pragma once

#include "app/CropWindowLink.h"

class TfrmImage;

// The real crop window behind the batch run's link to it.
class TfrmImageLink : public CropWindowLink {
public:
    explicit TfrmImageLink(TfrmImage& window) : m_window(window) {}

    void show() override;
    void hide() override;
    bool isVisible() const override;
    void ShowImage(const QByteArray& sourcePath, const QByteArray& destPath) override;
    void Prefetch(const QByteArray& sourcePath) override;
    void FinishWrites() override;
    void setCutFailed(CutFailed cutFailed) override;
    int state() const override;
    bool recurse() const override;
    bool moreFormats() const override;
    void resetCounters() override;
    int processed() const override;
    int cropped() const override;

private:
    TfrmImage& m_window;
};
