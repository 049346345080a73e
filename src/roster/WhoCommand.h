#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

struct AppState;
class ActionProcessor;
struct ActionLogItems;
class ChatProcessor;
class IChatHost;
class IClock;
class IInfoOutput;
class TStrDBListUni;

inline const QString kWhoStyleChanged = QStringLiteral("WindowStyleを変更しました。");
inline const QString kWhoListShown = QStringLiteral("@whoウインドウにリストを表示しました");
inline const QString kWhoFindUsage = QStringLiteral("uses: @who find [ID]");
inline const QString kWhoSearchUsage = QStringLiteral("uses: @who search [NAME]");
inline const QString kWhoMakeupEnded = QStringLiteral("終了しました");

// What the roster command asks of the main window. The program wires it; without one
// the command changes the lists and the info window only.
class IWhoWindow
{
public:
    virtual ~IWhoWindow() = default;
    // The window style in the state was set: the views are arranged anew ("change").
    virtual void ApplyStyleChange() = 0;
    virtual void ClearRosterRows() = 0;
    virtual void SetRosterRedraw(bool on) = 0;
    // A rebuild has read `done` of its `total` log files. Called at most every 50 ms or
    // so; the window may paint here, but must hold user input back.
    virtual void RebuildProgress(int done, int total) = 0;
    virtual void RebuildEnded() = 0;
    // A reading of the log files, after a rebuild that held them back.
    virtual void ReadLogsNow() = 0;
};

// The "@who" command: roster rows in the roster view, searches by name, the window
// style, and "makeup", which rebuilds the roster and the companion marks from the log
// files of the LOG folder.
//
// A rebuild can read months of logs. It holds the reading guard all the while, so no
// reading starts in between (readings asked for meanwhile are not lost: one reading runs
// when it ends, at once, or right after the reading it runs inside), and tells the window
// how far it is. A second rebuild asked for during one is refused.
//
// Pairs without an ID or without a name are passed over, as are log lines of fewer than
// three fields. "find" with an ID the roster does not hold shows no row.
class WhoCommand
{
public:
    WhoCommand(AppState &state, IInfoOutput &info, const IClock &clock, IChatHost &host, ChatProcessor &chat,
               ActionProcessor &actions);

    void SetWindow(IWhoWindow *window);

    // `text` as received: lower-cased from a chat line, as shown from a re-run row.
    void RunWhoCommand(const QString &text);

    bool Rebuilding() const { return m_rebuilding; }
    // The log files the last rebuild could not read, each "name: reason"; empty when it
    // read them all.
    const QStringList &RebuildFailures() const { return m_failures; }

private:
    void Rebuild(bool close);
    void AddPairs(const TStrDBListUni &pairs, bool companions);
    void FileStarting();
    void PassEnded();
    void Tick(bool force = false);

    AppState &m_state;
    IInfoOutput &m_info;
    const IClock &m_clock;
    IChatHost &m_host;
    ChatProcessor &m_chat;
    ActionProcessor &m_actions;
    IWhoWindow *m_window;

    bool m_rebuilding = false;
    QStringList m_failures;
    int m_filesDone = 0;
    bool m_inFile = false;
    int m_filesTotal = 0;
    QElapsedTimer m_sinceTick;
};

// Appends field 1 "=" field 2 of every line of the action logs in `folder` whose names
// begin with `prefix` and end in ".txt" (letter case ignored) to `pairs`, in name order,
// each file announced in the info window; a pair that a code page file repeats, or that an
// earlier code page file of the same call gave from the same bytes, is added once. Lines
// are taken in their code page form, as
// the log reading hands them on. `beforeFile` runs before each file is read. Returns
// false when a file could not be read (the others are still read), with "name: reason"
// lines added to `error`. With `items`, the item names of each file read whole are kept
// there by file name, for ScanActionLogsForItems.
bool CollectActionNames(const QString &folder, const QString &prefix, TStrDBListUni &pairs, IInfoOutput &info,
                        const std::function<void(const QString &)> &beforeFile = {}, QString *error = nullptr,
                        QHash<QString, ActionLogItems> *items = nullptr);
