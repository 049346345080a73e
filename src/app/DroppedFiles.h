#pragma once

#include <QString>
#include <QStringList>

struct AppState;
class IInfoOutput;
class IPlayerSightings;
class IPrompts;

// Files dropped on the main window: the first one's name, letter case ignored, picks the
// import ("Whois.lst", "Black.lst", "KIV_Item.dat", "ItemDB.TSV"); any other file does
// nothing.
namespace kiv::drop {

enum class DroppedKind { None, Roster, BlackList, ItemRarities, ItemTable };

// The path a drop stands for: the first one, or empty when it names a folder or a
// read-only file (one whose owner may not write it), which are ignored.
QString UsablePath(const QStringList &paths);
// The import a file name (with or without its folder) calls for.
DroppedKind KindOfName(const QString &path);

struct ImportSeams
{
    AppState &state;
    IPlayerSightings &sightings;
    IPrompts &prompts;
    IInfoOutput &info;
};

// Runs the import the first path calls for. Returns the import that merged a file, or
// None when nothing was merged (no such import, refused, or the file could not be read).
DroppedKind ImportDroppedFiles(const QStringList &paths, const ImportSeams &seams);

} // namespace kiv::drop
