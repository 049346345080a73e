#pragma once

#include "platform/ISoundPlayer.h"

#include <QString>

// Plays WAVE files through a command the user names (settings file, section "sound",
// key "player", for example "paplay"), the file's path appended as its last argument,
// started detached; without a command, through the given player.
class CommandSoundPlayer final : public ISoundPlayer
{
public:
    CommandSoundPlayer(QString commandLine, ISoundPlayer &fallback);
    void PlayWave(const QString &path) override;

private:
    QString m_commandLine;
    ISoundPlayer &m_fallback;
};
