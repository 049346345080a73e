#pragma once

#include "core/AppState.h"
#include "logs/ILogProcessors.h"

#include <QStringList>

#include <functional>

// Records every text the log reading hands on, in order, as "chat live: text" with each
// CR LF shown as "⏎" (a CR or LF on its own shows as <CR> or <LF>, so a wrong line end
// cannot hide).
class RecordingLogProcessors final : public ILogProcessors
{
public:
    QStringList calls;
    int scrolls = 0;
    // Runs inside every processor call, after it was recorded (to throw, to read again).
    std::function<void(LogKind, ProcessingMode)> during;

    static QString Shown(QString text)
    {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("⏎"));
        text.replace(u'\r', QStringLiteral("<CR>"));
        text.replace(u'\n', QStringLiteral("<LF>"));
        return text;
    }

    static QString Call(LogKind kind, ProcessingMode mode, const QString &text)
    {
        static const char16_t *const kinds[] = {u"chat", u"action", u"mail"};
        return QString::fromUtf16(kinds[int(kind)])
            + (mode == ProcessingMode::Live ? QStringLiteral(" live: ") : QStringLiteral(" replay: ")) + Shown(text);
    }

    void ProcessChatText(const QString &text, ProcessingMode mode) override { Record(LogKind::Chat, text, mode); }
    void ProcessActionText(const QString &text, ProcessingMode mode) override { Record(LogKind::Action, text, mode); }
    void ProcessMailText(const QString &text, ProcessingMode mode) override { Record(LogKind::Mail, text, mode); }
    void ScrollToLastRow() override { ++scrolls; }

private:
    void Record(LogKind kind, const QString &text, ProcessingMode mode)
    {
        calls.append(Call(kind, mode, text));
        if (during)
            during(kind, mode);
    }
};
