#pragma once

#include <QString>

// How a processor treats the text it is handed.
enum class ProcessingMode {
    Replay = 1, // already in the file when first read: rows only
    Live = 2,   // appended since the last reading: roster, alarms, commands
};

// The three log processors, as the log reading hands text to them. Each text holds one
// or more lines, each ended by CR LF.
class ILogProcessors
{
public:
    virtual ~ILogProcessors() = default;
    virtual void ProcessChatText(const QString &text, ProcessingMode mode) = 0;
    virtual void ProcessActionText(const QString &text, ProcessingMode mode) = 0;
    virtual void ProcessMailText(const QString &text, ProcessingMode mode) = 0;
    // After live text was handed on: bring the newest chat row into view.
    virtual void ScrollToLastRow() = 0;
};
