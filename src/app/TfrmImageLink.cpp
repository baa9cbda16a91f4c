#include "app/TfrmImageLink.h"

#include <utility>

#include "crop/TfrmImage.h"

void TfrmImageLink::show() {
    if (!m_window.isVisible()) {
        m_window.show();
        m_window.raise();
        m_window.activateWindow();
    }
}

void TfrmImageLink::hide() {
    m_window.hide();
}

bool TfrmImageLink::isVisible() const {
    return m_window.isVisible();
}

void TfrmImageLink::ShowImage(const QByteArray& sourcePath, const QByteArray& destPath) {
    m_window.ShowImage(sourcePath, destPath);
}

void TfrmImageLink::Prefetch(const QByteArray& sourcePath) {
    m_window.Prefetch(sourcePath);
}

void TfrmImageLink::FinishWrites() {
    m_window.FinishWrites();
}

void TfrmImageLink::setCutFailed(CutFailed cutFailed) {
    m_window.setCutFailed(std::move(cutFailed));
}

int TfrmImageLink::state() const {
    return m_window.m_nState;
}

bool TfrmImageLink::recurse() const {
    return m_window.m_bRecurse;
}

bool TfrmImageLink::moreFormats() const {
    return m_window.m_bMoreFormats;
}

void TfrmImageLink::resetCounters() {
    m_window.m_nProcessed = 0;
    m_window.m_nCropped = 0;
}

int TfrmImageLink::processed() const {
    return m_window.m_nProcessed;
}

int TfrmImageLink::cropped() const {
    return m_window.m_nCropped;
}
