#include "app/KivLogic.h"

#include "commands/Location.h"
#include "commands/PresetCommands.h"
#include "commands/Wanted.h"
#include "commands/WebLink.h"
#include "core/IInfoOutput.h"
#include "core/IPlayerSightings.h"
#include "core/IStatusText.h"
#include "platform/IDesktop.h"
#include "platform/IMessenger.h"
#include "logs/ChatRowsModel.h"
#include "logs/LogLine.h"

#include <algorithm>

KivLogic::KivLogic(AppState &state, ChatRowsModel &rows, const Seams &seams)
    : m_state(state)
    , m_rows(rows)
    , m_seams(seams)
    , m_chat(state, *this)
    , m_mail(state, *this)
    , m_calc(seams.info, seams.status)
    , m_infoCommand(seams.info)
    , m_beep(state, seams.sound, seams.status)
    , m_action(state, *this, seams.status)
    , m_item(state, *this, seams.info, seams.status, seams.prompts)
    , m_who(state, seams.info, seams.clock, *this, m_chat, m_action)
{
    m_frame.setSingleShot(true);
    m_frame.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_frame, &QTimer::timeout, &m_frame, [this] { ShowWaitingRows(); });
    SetItemWindows(&m_hiddenItemWindows);
}

void KivLogic::SetRowFrame(std::chrono::milliseconds frame)
{
    m_rowFrame = frame;
    if (frame.count() <= 0)
        ShowWaitingRows();
}

void KivLogic::ShowWaitingRows()
{
    m_frame.stop();
    m_rows.CommitStaged();
    if (m_scrollDue) {
        m_scrollDue = false;
        if (onScrollToLastRow)
            onScrollToLastRow();
    }
    m_sinceShown.start();
}

void KivLogic::SetItemWindows(IItemWindows *windows)
{
    if (!windows)
        windows = &m_hiddenItemWindows;
    m_action.SetItemWindows(windows);
    m_item.SetItemWindows(windows);
}

void KivLogic::ProcessChatText(const QString &text, ProcessingMode mode)
{
    m_chat.ProcessChatText(text, mode);
    FlushRows(mode);
}

void KivLogic::ProcessActionText(const QString &text, ProcessingMode mode)
{
    m_action.ProcessActionText(text, mode);
    FlushRows(mode);
}

void KivLogic::ProcessMailText(const QString &text, ProcessingMode mode)
{
    m_mail.ProcessMailText(text, mode);
    FlushRows(mode);
}

void KivLogic::ScrollToLastRow()
{
    m_scrollDue = true;
    FlushRows(ProcessingMode::Live);
}

void KivLogic::AddChatRow(const LogLineView &row)
{
    m_rows.Stage(row);
}

void KivLogic::FlushRows(ProcessingMode mode)
{
    // A replay is followed by a sort of the whole view (first showing) or is a new day's
    // file: its rows are shown at once.
    if (mode == ProcessingMode::Replay || m_rowFrame.count() <= 0) {
        ShowWaitingRows();
        return;
    }
    // The first reading after a quiet spell is shown as soon as its text is through (its
    // scroll included), without a trip through the event loop; later ones wait for the
    // end of the frame that showed it.
    const qint64 shownAgo = m_sinceShown.isValid() ? m_sinceShown.elapsed() : m_rowFrame.count();
    if (m_scrollDue && shownAgo >= m_rowFrame.count()) {
        ShowWaitingRows();
        return;
    }
    if (m_frame.isActive())
        return; // they go with the rows already waiting
    m_frame.start(int(std::max<qint64>(0, m_rowFrame.count() - shownAgo)));
}

void KivLogic::MarkActive(const QString &id, const QString &name)
{
    if (m_sightings)
        m_sightings->MarkActive(id, name);
}

QString KivLogic::MatchWanted(const QString &kind, const QString &id, const QString &name, const QString &text)
{
    return ::MatchWanted(m_state.wanted, kind, id, name, text);
}

void KivLogic::RunBeep(const QString &lowerText)
{
    m_beep.Run(lowerText);
}

void KivLogic::RunChatCommand(ChatCommand command, const QString &lowerText)
{
    switch (command) {
    case ChatCommand::Calc:
        m_calc.Run(lowerText);
        break;
    case ChatCommand::Info:
        m_infoCommand.Run(lowerText);
        break;
    case ChatCommand::Beep:
        RunBeep(lowerText);
        break;
    case ChatCommand::Item:
        m_item.Run(lowerText);
        break;
    case ChatCommand::Custom:
        RunCustom();
        break;
    case ChatCommand::Send:
        RunSend(lowerText);
        break;
    case ChatCommand::Who:
        m_who.RunWhoCommand(lowerText);
        break;
    }
}

void KivLogic::AppendInfoLine(const QString &line)
{
    m_seams.info.AppendInfoLine(line);
}

void KivLogic::RunCommand(const QString &keyword, const QString &text)
{
    // Exact comparison, in this order; a keyword matches at most one entry.
    static const QString kHttp = QStringLiteral("@http");
    if (keyword == kHttp) {
        OpenWebLink(text);
        return;
    }
    for (ChatCommand command : {ChatCommand::Calc, ChatCommand::Info, ChatCommand::Item, ChatCommand::Who,
                                ChatCommand::Beep, ChatCommand::Send, ChatCommand::Custom}) {
        if (keyword == KeywordOf(command))
            RunChatCommand(command, command == ChatCommand::Custom ? QString() : text);
    }
    ShowWaitingRows();
}

void KivLogic::SubmitCommandLine(const QString &commandText, const QString &kind)
{
    if (commandText.isEmpty())
        return;
    // A pasted TAB or line break would split the made-up record into fields and rows of
    // their own (rows without an ID); like every control character it becomes a blank.
    QString text = commandText;
    for (QChar &c : text) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    m_chat.ProcessChatText(BuildCommandLine(m_state.ownId, kind, text), ProcessingMode::Live);
    m_scrollDue = true;
    ShowWaitingRows();
}

void KivLogic::SubmitSearch(const QString &commandText)
{
    if (commandText.isEmpty())
        return;
    SubmitCommandLine(commandText, kCommandKindSearch);
    RunBeep(QStringLiteral("@beep0"));
}

void KivLogic::SendMessengerStatus(const QString &text, const QString &flag)
{
    if (m_messenger)
        m_messenger->Deliver(BuildMessengerStatus(text, flag));
}

void KivLogic::RunSend(const QString &text)
{
    SendMessengerStatus(SendStatusText(text), QStringLiteral("1"));
}

void KivLogic::RunCustom()
{
    // Replayed, so the preset rows only show: they run when double-clicked.
    for (const QString &command : PresetCommands())
        m_chat.ProcessChatText(PresetLine(m_state.ownId, command), ProcessingMode::Replay);
    ScrollToLastRow();
}

void KivLogic::OpenWebLink(const QString &text)
{
    // Only a well-formed web address goes to the desktop: the row is anybody's text,
    // and handing it whole to the desktop could open a local file or run a program.
    const QString address = FirstWebAddress(text);
    if (address.isEmpty()) {
        m_seams.status.SetStatusText(kWebLinkNone);
        return;
    }
    m_seams.desktop.OpenUrl(address);
    if (m_seams.info.IsInfoVisible())
        m_seams.info.AppendInfoLine(text + kWebLinkSent);
}
