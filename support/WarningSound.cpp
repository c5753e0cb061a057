#include "support/WarningSound.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

using namespace Qt::StringLiterals;

WarningSound::WarningSound(QObject *parent) : QObject(parent) {}

void WarningSound::Play()
{
    // The effect is made on first use: machines without sound never open an audio output.
    if (!Effect_) {
        if (QMediaDevices::audioOutputs().isEmpty())
            return;
        Effect_ = new QSoundEffect(this);
        Effect_->setSource(QUrl(u"qrc:/wave/WAVE_01.wav"_s));
    }
    if (Effect_->status() == QSoundEffect::Error)
        return;
    Effect_->play();
}
