#pragma once

#include "core/AppState.h"
#include "commands/BeepCommand.h"
#include "commands/CalcCommand.h"
#include "commands/InfoCommand.h"
#include "items/ActionProcessor.h"
#include "items/IItemWindows.h"
#include "items/ItemCommand.h"
#include "logs/ChatProcessor.h"
#include "logs/IChatHost.h"
#include "logs/ILogProcessors.h"
#include "logs/MailProcessor.h"

#include <functional>

class ChatRowsModel;
class IPlayerSightings;
class IClock;
class IDesktop;
class IInfoOutput;
class IMessenger;
class IPrompts;
class ISoundPlayer;
class IStatusText;

// The program's logic over its state, without a window: the log processors, the command
// handlers and the way rows reach the chat view. The main window owns one and hands it
// its seams; tests hand it fakes.
//
// Rows are collected while a block of text is processed and reach the chat model in one
// batch at its end, so a whole day replays with one insert.
class KivLogic final : public IChatHost, public ILogProcessors
{
public:
    struct Seams
    {
        IInfoOutput &info;
        IStatusText &status;
        IPrompts &prompts;
        IDesktop &desktop;
        ISoundPlayer &sound;
        const IClock &clock;
    };

    KivLogic(AppState &state, ChatRowsModel &rows, const Seams &seams);

    // The log processors.
    void ProcessChatText(const QString &text, ProcessingMode mode) override;
    void ProcessActionText(const QString &text, ProcessingMode mode) override;
    void ProcessMailText(const QString &text, ProcessingMode mode) override;
    void ScrollToLastRow() override;

    // What the processors act on.
    void AddChatRow(const LogLineView &row) override;
    void MarkActive(const QString &id, const QString &name) override;
    QString MatchWanted(const QString &kind, const QString &id, const QString &name, const QString &text) override;
    void RunBeep(const QString &lowerText) override;
    void RunChatCommand(ChatCommand command, const QString &lowerText) override;
    void AppendInfoLine(const QString &line) override;

    // Runs the handler of one keyword on a text as it stands (a chat row run again).
    void RunCommand(const QString &keyword, const QString &text);
    // Runs a command typed into the program as if the user had said it in the game.
    void SubmitCommandLine(const QString &commandText, const QString &kind);
    // The two search entries of the chat menu: the typed command, then sound slot 0.
    void SubmitSearch(const QString &commandText);

    // Where sightings go (the roster); none until the program wires it.
    void SetSightings(IPlayerSightings *sightings) { m_sightings = sightings; }
    // The item windows; hidden ones until the program wires the real ones.
    void SetItemWindows(IItemWindows *windows);
    ActionProcessor &Actions() { return m_action; }

    // The now-playing status of the messenger; nothing goes out until a messenger is set.
    void SetMessenger(IMessenger *messenger) { m_messenger = messenger; }
    void SendMessengerStatus(const QString &text, const QString &flag);

    // The view brings its last row into view.
    std::function<void()> onScrollToLastRow;

private:
    void FlushRows();
    void RunCustom();
    void RunSend(const QString &text);
    void OpenWebLink(const QString &text);

    AppState &m_state;
    ChatRowsModel &m_rows;
    Seams m_seams;
    ChatProcessor m_chat;
    MailProcessor m_mail;
    CalcCommand m_calc;
    InfoCommand m_infoCommand;
    BeepCommand m_beep;
    HiddenItemWindows m_hiddenItemWindows;
    ActionProcessor m_action;
    ItemCommand m_item;
    IPlayerSightings *m_sightings = nullptr;
    IMessenger *m_messenger = nullptr;
};
