#pragma once

#include <QString>

// Plays a WAVE file without waiting for it to end.
class ISoundPlayer
{
public:
    virtual ~ISoundPlayer() = default;
    virtual void PlayWave(const QString &path) = 0;
};
