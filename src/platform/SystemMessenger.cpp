#include "platform/SystemMessenger.h"

#include "platform/ProfileFile.h"

#include <QProcess>

#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

SystemMessenger::SystemMessenger(QString settingsPath)
    : m_settingsPath(std::move(settingsPath))
{
}

QStringList CommandWords(const QString &commandLine, const QStringList &extra)
{
    // The word rules of a POSIX shell, without expansions: nothing is substituted, and
    // no character has a meaning beyond quoting.
    QStringList words;
    QString word;
    bool inWord = false;
    const qsizetype n = commandLine.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = commandLine[i];
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inWord)
                words.append(std::exchange(word, QString()));
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == u'\\') {
            if (i + 1 < n)
                word += commandLine[++i];
        } else if (c == u'\'') {
            while (++i < n && commandLine[i] != u'\'')
                word += commandLine[i];
        } else if (c == u'"') {
            while (++i < n && commandLine[i] != u'"') {
                // Inside double quotes a backslash escapes only these.
                if (commandLine[i] == u'\\' && i + 1 < n && QStringView(u"\"\\$`").contains(commandLine[i + 1]))
                    ++i;
                word += commandLine[i];
            }
        } else {
            word += c;
        }
    }
    if (inWord)
        words.append(word);
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
