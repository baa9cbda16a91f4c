#include "crop/CutBeep.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

CutBeep::CutBeep(QObject* parent, QString resource) : QObject(parent) {
    // Loaded once, when the window is made, so a cut never waits for the file
    // or the audio system. Without an output device there is nothing to set up.
    if (!QFile::exists(resource) || QMediaDevices::defaultAudioOutput().isNull())
        return;
    m_effect = new QSoundEffect(this);
    m_effect->setSource(QUrl(QStringLiteral("qrc") + resource));
}

CutBeep::~CutBeep() = default;

void CutBeep::play() {
    if (!available())
        return;
    if (m_effect->isPlaying())
        m_effect->stop();
    m_effect->play();
}

bool CutBeep::available() const {
    return m_effect && m_effect->status() != QSoundEffect::Error;
}
