#pragma once

#include "platform/IMessenger.h"

#include <QString>
#include <QStringList>

// Delivers the status to the messenger of the desktop. On Windows that is the copy-data
// message to the messenger client's window. Elsewhere no such client runs: the status
// goes to a command the user names in the settings file (section "messenger", key
// "command"), with the flag and the text as its last two arguments, started detached so
// that a slow or hanging command never holds the window and the switch-off sent at close
// outlives the program. Without a command nothing is sent.
class SystemMessenger final : public IMessenger
{
public:
    explicit SystemMessenger(QString settingsPath);
    void Deliver(const MessengerStatus &status) override;

private:
    QString m_settingsPath;
};

// The words of a command line as a shell splits them (blanks separate, quotes group,
// a backslash escapes), with `extra` appended; empty when the line names no program.
QStringList CommandWords(const QString &commandLine, const QStringList &extra);

// Starts the program of `words` detached; false when there is none or it cannot start.
bool StartDetached(const QStringList &words);
