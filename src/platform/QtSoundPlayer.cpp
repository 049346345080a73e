#include "platform/QtSoundPlayer.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

QtSoundPlayer::QtSoundPlayer() = default;
QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::PlayWave(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return;
    // Made on first use: opening the audio device costs time at start and may fail on
    // a machine without sound, which must not stop the program.
    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    m_effect->stop();
    m_effect->setSource(QUrl::fromLocalFile(path));
    m_effect->play();
}
