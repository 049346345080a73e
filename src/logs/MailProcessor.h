#pragma once

#include "logs/IChatRows.h"
#include "logs/ILogProcessors.h"
#include "logs/LogLineRecord.h"

#include <QStringView>

struct AppState;

// Shows the game's mail log in the chat view: a row per line, the mail's header values
// (time, correspondent, direction) repeated on the rows of its body, tagged "%<Send>" or
// "%<Recv>". Mail is only shown: it runs nothing and feeds neither roster nor alarms.
// Header values carry over from one live text to the next, so that a mail the game wrote
// in two pieces keeps its header on every row; replay text is a file from its start and
// begins with empty values.
//
// Lines outside the game's plain form: an empty line is skipped; a line of 2 fields (a
// body line holding a TAB) is a body line whose fields, joined by a blank, are the text;
// a line of 3 fields is a header with an empty text (a mail without body: its header had
// nothing to be joined to); a line of more than 4 fields is a header whose body fields
// (a first body line ending in ")" pulls the next one onto it) are joined by blanks.
class MailProcessor
{
public:
    MailProcessor(const AppState &state, IChatRows &rows);

    // `text` holds one or more mail lines, each ended by CR LF. Replay and live text give
    // the same rows.
    void ProcessMailText(QStringView text, ProcessingMode mode);
    void ProcessMailText(const QString &text, ProcessingMode mode);

private:
    const AppState &m_state;
    IChatRows &m_rows;
    LogLineRecord m_record; // the last header's values
};
