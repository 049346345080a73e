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
#include "roster/WhoCommand.h"

#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
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
// batch at its end, so a whole day replays with one insert. With a row frame set, rows of
// live readings are shown at most once a frame: readings that come within a frame of the
// last rows shown wait for its end and reach the view in one insert and one scroll, so it
// is painted at most once a frame; reading, commands and alarms still run at once. Rows
// of the user's own actions (typed commands, re-runs) and of replays reach the model at
// once, with any rows still waiting before them.
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
    // The roster command; its window is wired by the program.
    WhoCommand &Who() { return m_who; }

    // The now-playing status of the messenger; nothing goes out until a messenger is set.
    void SetMessenger(IMessenger *messenger) { m_messenger = messenger; }
    void SendMessengerStatus(const QString &text, const QString &flag);

    // The view brings its last row into view.
    std::function<void()> onScrollToLastRow;

    // How long rows of live readings may wait to be shown together; 0 shows them at once.
    void SetRowFrame(std::chrono::milliseconds frame);
    // Shows the rows that wait for the end of the frame now, and scrolls if it is due.
    void ShowWaitingRows();

private:
    void FlushRows(ProcessingMode mode);
    void RunCustom();
    void RunSend(const QString &text);
    void OpenWebLink(const QString &text);

    std::chrono::milliseconds m_rowFrame{0};
    QTimer m_frame;            // runs while rows wait to be shown
    QElapsedTimer m_sinceShown; // since rows were last shown
    bool m_scrollDue = false;

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
    WhoCommand m_who;
    IPlayerSightings *m_sightings = nullptr;
    IMessenger *m_messenger = nullptr;
};
