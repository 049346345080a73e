#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>

struct AppState;
class TStrDBListUni;

// The item database: one list store entry per item name met, with a category, a rarity
// and the user's note lines, kept in "ItemDB.lst"; and the rare-item list derived from it.
namespace kiv::itemdb {

inline const QString kUnknown = QStringLiteral("不明");

// The choices of the item note, in order; the rarity index equals the rarity number.
const std::array<QString, 19> &Categories();
const std::array<QString, 16> &Rarities();

// The line of an item never seen before.
QString NewItemLine(const QString &name);

// Whether the database holds an entry of that name (letter case ignored), the empty
// name included.
bool HasItem(const TStrDBListUni &db, const QString &name);
// Adds the entry of an unseen item; false when it was known already.
bool LearnItem(TStrDBListUni &db, const QString &name);

// Rebuilds the rare-item list: the names of entries of rarity 7 or more.
void BuildRareItems(AppState &state);
// An exact match (letter case included) with a name of the rare-item list.
bool IsRareItem(const AppState &state, const QString &name);

// Writes "ItemDB.lst" in the program folder.
[[nodiscard]] bool SaveItemDB(const AppState &state, QString *error);

// The note dialog's result text: category TAB rarity TAB note, the note trimmed of
// blanks and line breaks at both ends and its line breaks turned into TABs.
QString NoteResult(const QString &category, const QString &rarity, const QString &note);
// What the dialog shows for a database line: the category and rarity index (-1 for a
// rarity beyond the list) and the note lines.
struct NoteView
{
    int category = 0;
    int rarity = 0;
    QStringList noteLines;
};
NoteView ViewOfLine(const QString &line);
// Puts a confirmed note in place of the entry, saves the database and rebuilds the
// rare-item list.
[[nodiscard]] bool CommitItemNote(AppState &state, const QString &name, const QString &result, QString *error);

} // namespace kiv::itemdb
