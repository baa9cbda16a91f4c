#pragma once

// The short sound that marks a confirmed cut. It plays in the background and
// nothing ever waits for it; without an audio output, or without the sound
// in the program's resources, it is silently left out.

#include <QObject>

class QSoundEffect;

class CutBeep : public QObject {
    Q_OBJECT
public:
    // The sound compiled into the program.
    static constexpr const char* kResource = ":/CutBeep.wav";

    explicit CutBeep(QObject* parent = nullptr, QString resource = QString::fromLatin1(kResource));
    ~CutBeep() override;

    // Starts the beep and returns at once; a beep still playing starts over.
    void play();

    // The sound exists and an audio output was found when it was loaded.
    bool available() const;

private:
    QSoundEffect* m_effect = nullptr;
};
