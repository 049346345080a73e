#pragma once

#include "core/strDBListUniU.h"

#include <QString>
#include <QStringView>

#include <array>

// The ID note list ("IDNote.lst"): per player ID a companion flag, a rank 0–9, three
// reserved numbers and a note whose line breaks are stored as TABs:
// ID "=" TAB flag TAB rank TAB reserved TAB reserved TAB reserved TAB note.
namespace kiv::idnote {

inline constexpr int kRankCount = 10;
inline constexpr int kNoteLimit = 500;

// Text colours of the rank list in the note dialog (0x00BBGGRR); the backgrounds are
// those of the main window's table.
inline constexpr std::array<unsigned, kRankCount> kDialogRankText{
    0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0xFFFFFF, 0xFFFFFF, 0x00FFFF, 0x0000FF,
};

// The values the note dialog shows and hands back.
struct IdNoteValues
{
    int companion = 0;
    int rank = 0;
    std::array<int, 3> reserved{};
    QString note; // line breaks as TABs
};

// Field 1 of the ID's entry as a rank. A missing entry, a field that is no number and a
// number outside 0–9 (a hand-edited or imported file) all count as rank 0, so a rank
// always indexes the ten colours and names.
int RankOf(QStringView id, const TStrDBListUni &notes);

// The note part of an entry's value: what follows the five numbers, at most 500
// characters, untrimmed. For the single-digit numbers the program writes this starts
// at the value's 12th character; counting fields keeps it whole when a hand-edited file
// holds wider numbers or lacks the leading TAB.
QString StoredNote(QStringView value);
// The note of an ID as the announcements use it: trimmed, TABs kept.
QString NoteOf(QStringView id, const TStrDBListUni &notes);

IdNoteValues ReadIdNote(QStringView id, const TStrDBListUni &notes);
// Replaces the ID's entry by one built from `values`, appended at the end. Every entry
// of that key goes first: a second entry left behind would take the edit in place of
// a new line.
void WriteIdNote(const QString &id, const IdNoteValues &values, TStrDBListUni &notes);

// Between the stored form (TABs) and the edited text (line breaks). The edited text is
// trimmed, and any line break (CR LF, CR, LF, U+2028) becomes one TAB.
QString NoteForEditor(QStringView stored);
QString NoteFromEditor(QStringView edited);

// The ASCII digits of a menu caption such as "ID:12345678 を開く(&O)".
QString IdFromCaption(QStringView caption);

} // namespace kiv::idnote

struct AppState;

namespace kiv::idnote {

// The note dialog's OK: the entry is replaced and "IDNote.lst" written at once. False
// with `error` set when the file could not be written (the list keeps the edit).
[[nodiscard]] bool CommitIdNote(AppState &state, const QString &id, const IdNoteValues &values, QString *error);

} // namespace kiv::idnote
