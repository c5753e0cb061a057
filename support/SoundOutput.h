#pragma once

#include <QObject>

// The audio side of the prompt sound, made by the sound module (libqel_sound.so, loaded the
// first time a sound is due), so that the audio libraries stay out of a run without one.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;
    // Starts the prompt sound without waiting for it; false when there is no audio output or
    // the sound cannot be played.
    virtual bool Play() = 0;
};

// The module and its entry, an extern "C" function returning a new SoundOutput.
inline constexpr char SoundModule[] = "qel_sound";
inline constexpr char SoundOutputEntry[] = "QelCreateSoundOutput";
