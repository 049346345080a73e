#pragma once

#include "platform/TextFile.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>

#include <utility>

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

namespace detail {

// What a UTF-16 unit is to ForEachLogLine: most units are plain text; the few up to CR
// (NUL, TAB, LF, CR among them) may cut the text; the rest are outside the code page.
enum UnitKind : unsigned char { kPlainUnit, kLowUnit, kOutsideUnit };
// One entry per UTF-16 unit: a single lookup tells the common case from the others.
const unsigned char *UnitKinds();

// The fields of a line holding characters outside the code page, taken from its code
// page form in `converted` (")" CR LF inside the line is a field end, as a TAB is).
void SplitConvertedLine(QStringView line, QString &converted, LogFields &fields);

} // namespace detail

// Calls `lineFn(const LogFields &)` with the fields of every line of
// NormaliseLogText(text), as SplitAnsiLine gives them, leaving out the lines without
// fields (empty lines, which the processors pass over anyway); the views are valid during
// the call. The same result in one pass over the text, without building the normalised
// text:
// - ")" CR LF is a field end inside a line, as the join to ")" TAB makes it; the join
//   never overlaps itself, so every ")" CR LF is one. The second replacement, CR LF
//   CR LF to CR LF, only ever removes an empty line, and empty lines have no fields.
// - The text ends at its first NUL.
// - A line with characters outside the code page is converted on its own: the conversion
//   changes no TAB, CR, LF or ")" and never reaches across them, so converting line by
//   line gives what converting the whole text would. Lines in their code page form, as
//   the log reading hands them on, are used where they are.
template<typename LineFn>
void ForEachLogLine(QStringView text, LineFn &&lineFn)
{
    const unsigned char *const kinds = detail::UnitKinds();
    const char16_t *const s = text.utf16();
    qsizetype n = text.size();
    QString converted;
    qsizetype i = 0;
    while (i < n) {
        // An empty line (the one between records) has no fields; a line never starts
        // right after a ")", so its CR LF cannot be a join.
        if (s[i] == u'\r' && i + 1 < n && s[i + 1] == u'\n') {
            i += 2;
            continue;
        }
        // One line: from `lineStart` to its line end, the text's end or a NUL.
        const qsizetype lineStart = i;
        LogFields fields;
        qsizetype start = i;  // of the field being read
        bool outside = false; // the line holds characters outside the code page
        qsizetype end = n;    // of the line
        qsizetype next = n;   // after its line end
        for (; i < n; ++i) {
            // Most of a line is plain text: four units are looked at together.
            while (i + 4 <= n && (kinds[s[i]] | kinds[s[i + 1]] | kinds[s[i + 2]] | kinds[s[i + 3]]) == 0)
                i += 4;
            if (i == n)
                break;
            const unsigned char kind = kinds[s[i]];
            if (kind == detail::kPlainUnit)
                continue;
            if (kind == detail::kOutsideUnit) {
                outside = true;
                continue;
            }
            const char16_t c = s[i];
            if (c == u'\t') {
                fields.append(text.sliced(start, i - start));
                start = i + 1;
                continue;
            }
            if (c == u'\0') {
                end = next = n = i;
                break;
            }
            if (c != u'\r' && c != u'\n')
                continue;
            const bool crLf = c == u'\r' && i + 1 < n && s[i + 1] == u'\n';
            if (crLf && i > 0 && s[i - 1] == u')') {
                // The header joined to its text: a field end like a TAB.
                fields.append(text.sliced(start, i - start));
                ++i;
                start = i + 1;
                continue;
            }
            end = i;
            next = crLf ? i + 2 : i + 1;
            break;
        }
        if (outside)
            detail::SplitConvertedLine(text.sliced(lineStart, end - lineStart), converted, fields);
        else if (start < end) // a TAB or a line end at the very end of a line adds no empty field
            fields.append(text.sliced(start, end - start));
        if (!fields.isEmpty())
            lineFn(std::as_const(fields));
        i = next;
    }
}

// Removes characters up to U+0020 at both ends; a full-width blank stays.
inline QStringView TrimView(QStringView text)
{
    return kiv::text::TrimControlsView(text);
}

// ID and name out of a speaker field, name + "(" + 8-character ID + ")". The ID is the
// 8 characters before the last one (the whole field when it has 8 characters or fewer),
// the name what comes before the last 10 characters; both trimmed.
inline QStringView IdOfSpeaker(QStringView speaker)
{
    const qsizetype n = speaker.size();
    return TrimView(n <= 8 ? speaker : speaker.sliced(n - 9, 8));
}

inline QStringView NameOfSpeaker(QStringView speaker)
{
    const qsizetype n = speaker.size();
    return n <= 10 ? QStringView() : TrimView(speaker.first(n - 10));
}

// The fields from `first` on, each trimmed, the empty ones left out, joined by one blank.
QString JoinFields(const LogFields &fields, qsizetype first);

} // namespace kiv::logs
