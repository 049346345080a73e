#include "platform/SystemMessenger.h"

#include "platform/ProfileFile.h"

#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

SystemMessenger::SystemMessenger(QString settingsPath)
    : m_settingsPath(std::move(settingsPath))
{
}

QStringList CommandWords(const QString &commandLine, const QStringList &extra)
{
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty() || words.first().isEmpty())
        return {};
    return words + extra;
}

bool StartDetached(const QStringList &words)
{
    if (words.isEmpty())
        return false;
    QProcess process;
    process.setProgram(words.first());
    process.setArguments(words.mid(1));
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

void SystemMessenger::Deliver(const MessengerStatus &status)
{
#ifdef Q_OS_WIN
    HWND window = FindWindowExA(nullptr, nullptr, "MsnMsgrUIManager", nullptr);
    if (!window)
        return;
    COPYDATASTRUCT record;
    record.dwData = 0x547;
    record.cbData = DWORD(status.payload.size());
    record.lpData = const_cast<char *>(status.payload.constData());
    // Waited for as the messenger expects, but a hung messenger must not hang us.
    DWORD_PTR reply = 0;
    SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record), SMTO_ABORTIFHUNG, 2000, &reply);
#else
    // Read at each send, so a command set while the program runs is used at once.
    ProfileFile ini(m_settingsPath);
    if (!ini.Load())
        return;
    const QString line = ini.ReadString(QStringLiteral("messenger"), QStringLiteral("command"));
    StartDetached(CommandWords(line, {status.flag, status.text}));
#endif
}
