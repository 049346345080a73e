#include "platform/CommandSoundPlayer.h"

#include "platform/SystemMessenger.h"

#include <QFileInfo>

CommandSoundPlayer::CommandSoundPlayer(QString commandLine, ISoundPlayer &fallback)
    : m_commandLine(std::move(commandLine))
    , m_fallback(fallback)
{
}

void CommandSoundPlayer::PlayWave(const QString &path)
{
    const QStringList words = CommandWords(m_commandLine, {path});
    if (words.isEmpty()) {
        m_fallback.PlayWave(path);
        return;
    }
    // A missing file plays nothing, as with the built-in player.
    if (QFileInfo(path).isFile())
        StartDetached(words);
}
