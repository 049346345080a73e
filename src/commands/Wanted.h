#pragma once

#include <QList>
#include <QString>

class TStrDBListUni;

inline const QString kWantedKindChat = QStringLiteral("chat");
inline const QString kWantedKindItem = QStringLiteral("item");

// The wanted check: the alarm command of the first entry that fires for a line, or empty.
// An entry kind + ":" + the whole text fires first, then kind + ":" + the ID (letter
// case ignored for both); then the first "chat" entry, in list order, whose word occurs
// in the text (case-sensitive), whatever the kind asked for. The name takes no part.
QString MatchWanted(const TStrDBListUni &list, const QString &kind, const QString &id, const QString &name,
                    const QString &text);

// One entry as the wanted dialog shows it: kind ":" word "=" command.
struct WantedRow
{
    QString kind;
    QString word;
    QString command;
    bool operator==(const WantedRow &) const = default;
};

WantedRow WantedRowOfLine(const QString &line);
QString WantedLineOfRow(const WantedRow &row);

// Reads the wanted file of `folder` as it stands (not sorted); a missing file is an
// empty list. False, with `error`, when the file exists but could not be read.
[[nodiscard]] bool ReadWantedRows(const QString &folder, QList<WantedRow> &rows, QString *error);
// Writes the rows with a kind, in order, over the wanted file atomically.
[[nodiscard]] bool WriteWantedRows(const QString &folder, const QList<WantedRow> &rows, QString *error);

// The wanted file of `folder`: "Wanted.lst" in any letter case.
QString WantedPath(const QString &folder);
