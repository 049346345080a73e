#pragma once

#include "logs/IChatRows.h"

#include <QString>

#include <array>

// The commands a chat line of the user's own can run, in the order they are looked for.
enum class ChatCommand { Calc, Info, Who, Beep, Custom, Send, Item };

inline const std::array<QString, 7> kChatCommandKeywords{
    QStringLiteral("@calc"), QStringLiteral("@info"), QStringLiteral("@who"),  QStringLiteral("@beep"),
    QStringLiteral("@custom"), QStringLiteral("@send"), QStringLiteral("@item"),
};

inline const QString &KeywordOf(ChatCommand command)
{
    return kChatCommandKeywords[size_t(command)];
}

// What the log processors act on besides the rows: the roster, the wanted list, sounds
// and the command handlers. The program implements it over its state; tests record.
class IChatHost : public IChatRows
{
public:
    // A player was seen (roster update and roster view).
    virtual void MarkActive(const QString &id, const QString &name) = 0;
    // Asks the wanted list; returns an alarm command text such as "@beep3", or empty.
    virtual QString MatchWanted(const QString &kind, const QString &id, const QString &name, const QString &text) = 0;
    // The "@beep" operation with a lower-cased text.
    virtual void RunBeep(const QString &lowerText) = 0;
    // A command keyword found in the user's own live line, with the lower-cased text.
    virtual void RunChatCommand(ChatCommand command, const QString &lowerText) = 0;
    // A line for the info window.
    virtual void AppendInfoLine(const QString &line) = 0;
};
