#pragma once

#include <QObject>

class QSoundEffect;

// The prompt sound played before warnings and confirmation questions. Play never waits for
// the sound; without an audio output, or when the sound cannot be played, it does nothing.
class WarningSound : public QObject
{
public:
    explicit WarningSound(QObject *parent = nullptr);

    void Play();

private:
    QSoundEffect *Effect_ = nullptr;
};
