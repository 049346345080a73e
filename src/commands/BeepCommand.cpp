#include "commands/BeepCommand.h"

#include "core/AppState.h"
#include "core/IStatusText.h"
#include "platform/FileNames.h"
#include "platform/ISoundPlayer.h"

BeepCommand::BeepCommand(const AppState &state, ISoundPlayer &sound, IStatusText &status)
    : m_state(state)
    , m_sound(sound)
    , m_status(status)
{
}

QString BeepCommand::SlotPath(int slot) const
{
    // Settings written on the other platform separate folders with backslashes.
    QString name = m_state.beepFiles[size_t(slot)];
    name.replace(u'\\', u'/');
    const QString folder = kiv::files::Resolve(m_state.programFolder, QStringLiteral("sound")) + u'/';
    return kiv::files::Resolve(folder, name);
}

void BeepCommand::Run(const QString &commandText)
{
    QString rest = commandText.toLower();
    rest.remove(QStringLiteral("@beep"));
    QString digits;
    for (const QChar c : rest) {
        if (c >= u'0' && c <= u'9')
            digits += c;
    }
    bool ok = false;
    const int slot = digits.toInt(&ok);
    if (!ok) {
        m_status.SetStatusText(kBeepNoNumber);
        return;
    }
    if (slot < 0 || slot > 9)
        return;
    const QString &name = m_state.beepFiles[size_t(slot)];
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : name.sliced(dot).toLower();
    if (extension == QStringLiteral(".ogg"))
        m_status.SetStatusText(kBeepOgg);
    else if (extension == QStringLiteral(".wav"))
        m_sound.PlayWave(SlotPath(slot));
}
