#pragma once

#include <QObject>

#include <memory>

class SoundOutput;

// The prompt sound played before warnings and confirmation questions. Play never waits for
// the sound; without an audio output, or when the sound cannot be played, it does nothing.
class WarningSound : public QObject
{
public:
    explicit WarningSound(QObject *parent = nullptr);
    ~WarningSound() override;

    void Play();

private:
    std::unique_ptr<SoundOutput> Output_; // the sound module, loaded for the first sound
    bool Unavailable_ = false;            // the module could not be loaded: silence
};
