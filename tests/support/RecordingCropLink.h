#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <utility>

#include "app/CropWindowLink.h"
#include "app/TfrmImageLink.h"

class TfrmImage;

// The real crop window as the batch run sees it, with a record of the images
// the run tried to load, those that loaded, and those it named ahead, as text.
class RecordingCropLink : public CropWindowLink {
public:
    explicit RecordingCropLink(TfrmImage& window) : m_link(window) {}

    void show() override { m_link.show(); }
    void hide() override { m_link.hide(); }
    bool isVisible() const override { return m_link.isVisible(); }
    void ShowImage(const QByteArray& sourcePath, const QByteArray& destPath) override {
        attempts << QFile::decodeName(sourcePath);
        m_link.ShowImage(sourcePath, destPath);
        loaded << QFile::decodeName(sourcePath);
    }
    void Prefetch(const QByteArray& sourcePath) override {
        hints << QFile::decodeName(sourcePath);
        m_link.Prefetch(sourcePath);
    }
    void FinishWrites() override { m_link.FinishWrites(); }
    void setCutFailed(CutFailed cutFailed) override { m_link.setCutFailed(std::move(cutFailed)); }
    int state() const override { return m_link.state(); }
    bool recurse() const override { return m_link.recurse(); }
    bool moreFormats() const override { return m_link.moreFormats(); }
    void resetCounters() override { m_link.resetCounters(); }
    int processed() const override { return m_link.processed(); }
    int cropped() const override { return m_link.cropped(); }

    QStringList attempts;
    QStringList loaded;
    QStringList hints;

private:
    TfrmImageLink m_link;
};
