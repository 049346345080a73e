#pragma once

#include <QString>

class IInfoOutput;
class IStatusText;

// The "@calc" command: evaluates the command text and answers in the info window when
// it can be seen, otherwise in the main window's status text. It never shows the window.
class CalcCommand
{
public:
    CalcCommand(IInfoOutput &info, IStatusText &status);

    // `commandText` as the command interpreter hands it over (the whole chat text,
    // lower-cased from the chat, as shown when a row is run again).
    void Run(const QString &commandText);

private:
    IInfoOutput &m_info;
    IStatusText &m_status;
};
