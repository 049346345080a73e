#pragma once

#include "logs/Cp932LogScan.h"
#include "logs/IChatHost.h"
#include "logs/ILogProcessors.h"
#include "logs/LogLine.h"
#include "logs/LogNamesPass.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

struct AppState;
class TStrDBListUni;

// One chat log file as a reading thread of CollectChatNames cuts it: its fields are
// speaker fields.
using ChatNamesOfFile = NamesOfFile;

// The calling thread's side of CollectChatNames: takes the files in order.
class ChatNamesTaker
{
public:
    // Adds the pairs of `file` to `pairs`. False when it could not be read: `error` then
    // gets a line "name: reason".
    bool Take(const QString &name, ChatNamesOfFile &&file, TStrDBListUni &pairs, QString *error);

    // Its side of the pass, for the taker of a pass that follows it.
    NamesTaker &Taker() { return m_taker; }

private:
    NamesTaker m_taker;
};

// Turns chat log text into chat rows and, for live text, into roster updates, wanted
// alarms and the user's own commands. It also runs the command lines the program makes
// up itself (`BuildCommandLine`). Keeps nothing between calls: what it changes lives in
// the program state (the own ID) and behind the host.
//
// Lines it cannot read as chat records never stop a block: a line with 3 or more than 4
// fields is shown with an empty ID; a line with 1 or 2 fields is shown with its fields as
// the text and everything else empty, or skipped when it holds nothing but blanks; an
// empty line is skipped.
class ChatProcessor
{
public:
    ChatProcessor(AppState &state, IChatHost &host);

    // `text` holds one or more chat lines or records, each ended by CR LF. A command run
    // from a line may call this again (the preset list shows its lines through it). Text
    // in its code page form, as the log reading hands it on, is used where it is.
    void ProcessChatText(QStringView text, ProcessingMode mode);
    void ProcessChatText(const QString &text, ProcessingMode mode);

    // Appends ID "=" name for the speaker of every line of the chat logs in `folder`
    // whose names begin with `prefix` (letter case ignored) and end in ".txt" (any case),
    // in name order; each file is announced in the info window. Lines with fewer than 3
    // fields are passed over; a pair that a code page file repeats, or that an earlier
    // code page file of the same call gave from the same bytes, is added once. A file
    // that cannot be read adds nothing: the result is then
    // false and `error` gets a line "name: reason". `beforeFile` runs before each file.
    bool CollectChatNames(const QString &folder, const QString &prefix, TStrDBListUni &pairs,
                          const std::function<void(const QString &)> &beforeFile = {}, QString *error = nullptr);
    // The reading threads' side of CollectChatNames.
    static ChatNamesOfFile ReadChatNames(const QString &path, kiv::logs::LogScanScratch &scratch);

private:
    void ProcessLine(const kiv::logs::LogFields &fields, ProcessingMode mode);
    void ProcessRecord(LogLineRecord &record, QStringView kind, ProcessingMode mode, bool mayHoldCommand);

    AppState &m_state;
    IChatHost &m_host;
};
