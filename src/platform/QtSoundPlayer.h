#pragma once

#include "platform/ISoundPlayer.h"

#include <memory>

class QSoundEffect;

// WAVE files through Qt Multimedia. A new sound replaces one that is still playing; a
// missing or unreadable file plays nothing.
class QtSoundPlayer final : public ISoundPlayer
{
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    void PlayWave(const QString &path) override;

private:
    std::unique_ptr<QSoundEffect> m_effect;
};
