#pragma once

#include <QString>

struct AppState;
class ISoundPlayer;
class IStatusText;

inline const QString kBeepNoNumber = QStringLiteral("@beep再生できません");
inline const QString kBeepOgg = QStringLiteral("oggはまだ未対応です");

// The "@beep" command, the one way every alarm plays a sound slot: the digits of the
// text choose slot 0–9, whose WAVE file in the "sound" folder plays without waiting.
class BeepCommand
{
public:
    BeepCommand(const AppState &state, ISoundPlayer &sound, IStatusText &status);

    void Run(const QString &commandText);

    // The file of a slot, resolved in the program folder's "sound" folder.
    QString SlotPath(int slot) const;

private:
    const AppState &m_state;
    ISoundPlayer &m_sound;
    IStatusText &m_status;
};
