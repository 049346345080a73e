#pragma once

#include <QString>
#include <QStringList>

struct AppState;
class IInfoOutput;
class IPrompts;
class TStrDBListUni;

// The two item imports of dropped files: "KIV_Item.dat" (rarity number, item name, comma
// separated) and "ItemDB.TSV" (category, rarity, name, note: what "@item output" writes).
// Both add missing items and set the rarity of known ones; a known category other than
// "不明" stays. They neither save the database nor rebuild the rare-item list.
namespace kiv::imports {

// The database's form of a rarity number: "☆" and at least two digits, "不明" for 0 or
// less.
QString RarityText(int number);

// The merge steps on lines already read. Comment lines (";" first) and lines with too
// few fields are skipped, and so is a name that cannot be a key (empty, or holding "=",
// a TAB or a line break), which would be added again at every import.
void MergeItemRarities(TStrDBListUni &db, const QStringList &lines);
void MergeItemTable(TStrDBListUni &db, const QStringList &lines);

// Question, info lines, read, merge. A file that cannot be read is reported in a warning
// and changes nothing. True when the file was merged.
bool ImportItemRarities(AppState &state, const QString &path, IPrompts &prompts, IInfoOutput &info);
bool ImportItemTable(AppState &state, const QString &path, IPrompts &prompts, IInfoOutput &info);

} // namespace kiv::imports
