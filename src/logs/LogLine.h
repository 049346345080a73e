#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>

// Splits one log line at TABs into `fields` (cleared first) and returns their number.
// The line is taken in its code page 932 form, so characters the code page cannot hold
// become "?", and it is cut like a file: TAB, CR, LF and CR LF end a field (a CR directly
// followed by a TAB ends one field, not two), a TAB or line end at the very end adds no
// empty field, a NUL ends the line, and an empty line gives 0 fields.
int SplitLogLine(QStringView line, QStringList &fields);

// The kinds of the command lines the program makes up itself.
inline const QString kCommandKindInput = QStringLiteral("<command>"); // "@" key, closing
inline const QString kCommandKindSearch = QStringLiteral("command");  // search entries of the chat menu

// A chat record of the program's own making that runs `commandText` as if the user had
// typed it in the game: "00:00:00" TAB kind TAB "(" own ID ")" CR LF text CR LF CR LF.
// The time is always 00:00:00 (the record carries a date's time of day, which is zero).
QString BuildCommandLine(QStringView ownId, QStringView kind, QStringView commandText);

// Helpers the log processors share. Every view they take or return points into text that
// is already in its code page form.
namespace kiv::logs {

using LogFields = QVarLengthArray<QStringView, 8>;

// The code page form of a log text with the game's records flattened to one line each:
// ")" CR LF becomes ")" TAB (a header joined to its text) and then CR LF CR LF becomes
// CR LF (the empty line between records goes). Each replacement runs once, left to right,
// without overlaps, exactly as a find-and-replace-all would; the text is cut at its first
// NUL.
QString NormaliseLogText(QStringView text);

// Calls `lineFn(QStringView)` for every line of `text`, cut at CR, LF and CR LF; a last
// line without an end still counts and the final line end makes no empty line.
template<typename LineFn>
void ForEachLine(QStringView text, LineFn &&lineFn)
{
    const qsizetype n = text.size();
    const QChar *s = text.data();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        lineFn(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < n && s[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lineFn(text.sliced(start));
}

// `SplitLogLine` for a line already in its code page form: the fields are views into it.
int SplitAnsiLine(QStringView line, LogFields &fields);

// Removes characters up to U+0020 at both ends; a full-width blank stays.
QStringView TrimView(QStringView text);

// ID and name out of a speaker field, name + "(" + 8-character ID + ")". The ID is the
// 8 characters before the last one (the whole field when it has 8 characters or fewer),
// the name what comes before the last 10 characters; both trimmed.
QStringView IdOfSpeaker(QStringView speaker);
QStringView NameOfSpeaker(QStringView speaker);

// The fields from `first` on, each trimmed, the empty ones left out, joined by one blank.
QString JoinFields(const LogFields &fields, qsizetype first);

} // namespace kiv::logs
