// The sound module: the prompt sound through Qt's sound effects.

#include "support/SoundOutput.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

class EffectSound final : public SoundOutput
{
public:
    bool Play() override
    {
        // The effect is made on first use: machines without sound never open an audio output.
        if (!Effect_) {
            if (QMediaDevices::audioOutputs().isEmpty())
                return false;
            Effect_ = std::make_unique<QSoundEffect>();
            Effect_->setSource(QUrl(u"qrc:/wave/WAVE_01.wav"_s));
        }
        if (Effect_->status() == QSoundEffect::Error)
            return false;
        Effect_->play();
        return true;
    }

private:
    std::unique_ptr<QSoundEffect> Effect_;
};

} // namespace

extern "C" Q_DECL_EXPORT void *QelCreateSoundOutput()
{
    return static_cast<SoundOutput *>(new EffectSound);
}
