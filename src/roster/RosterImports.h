#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

struct AppState;
class IInfoOutput;
class IPlayerSightings;
class IPrompts;

namespace kiv::imports {

// Whether a text occurs in a fixed text, answered in time that grows with the length of
// the text asked for and the logarithm of the fixed text's: a suffix array of the fixed
// text, built once by prefix doubling (n log n, whatever the text repeats). Characters
// compare as UTF-16 units.
class SubstringIndex
{
public:
    explicit SubstringIndex(QString text);
    bool Contains(QStringView needle) const;

private:
    // Compares the suffix at `pos`, cut to the needle's length, with the needle.
    int CompareAt(qint32 pos, QStringView needle) const;

    QString m_text;
    std::vector<qint32> m_suffixes;
};

// The merge steps of the two imports, on lines already read.
// Roster: a line that stands anywhere in the roster's text as it was when the merge began
// is skipped; every other line shows each of its names as a sighting of its ID.
void MergeRoster(AppState &state, const QStringList &lines, IPlayerSightings &sightings);
// ID notes: a line for an ID without a note is appended; a known ID takes the rank (0, 1,
// 8 or 9) and the note of the file's first entry for it, keeping its companion flag.
void MergeBlackList(AppState &state, const QStringList &lines);

// The drop of "Whois.lst" and "Black.lst": question, info lines, read, merge. Nothing is
// saved. True when the file was merged (confirmed and read).
bool ImportRoster(AppState &state, const QString &path, IPlayerSightings &sightings, IPrompts &prompts,
                  IInfoOutput &info);
bool ImportBlackList(AppState &state, const QString &path, IPrompts &prompts, IInfoOutput &info);

} // namespace kiv::imports
