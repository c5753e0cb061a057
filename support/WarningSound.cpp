#include "support/WarningSound.h"

#include "support/ModuleLoader.h"
#include "support/SoundOutput.h"

#include <cstdio>

WarningSound::WarningSound(QObject *parent) : QObject(parent) {}

WarningSound::~WarningSound() = default;

void WarningSound::Play()
{
    if (!Output_ && !Unavailable_) {
        QString error;
        Output_ = ModuleLoader::Create<SoundOutput>(QString::fromLatin1(SoundModule), SoundOutputEntry, error);
        // A missing sound is no reason for a message box; the log of the session says why.
        if (!Output_) {
            Unavailable_ = true;
            std::fprintf(stderr, "Orvo Haushaltsbuch: %s\n", error.toLocal8Bit().constData());
        }
    }
    if (Output_)
        Output_->Play();
}
