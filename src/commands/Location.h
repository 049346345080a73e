#pragma once

#include <QString>
#include <QStringList>

class ProfileFile;

// The location bar's three lists as the location file ("KivArea.ini") defines them, each
// with its empty first entry, and the choices remembered at the last destroy.
struct LocationLists
{
    QStringList worlds;
    QStringList universes;
    QStringList lobbies;
    QString world;
    QString universe;
    QString lobby;
};

// Counts above this are taken as this: a hand-typed count must not fill a list for minutes.
inline constexpr int kMaxLocationCount = 999;

LocationLists ReadLocationLists(const ProfileFile &area);

// The status text of a location, for example "Uni07 Lobby A /World01".
QString LocationText(const QString &universe, const QString &lobby, const QString &world);

// Writes the three choices to the location file of `folder` when it exists; the file is
// never created. False, with `error`, when it exists but could not be read or written.
[[nodiscard]] bool SaveLocation(const QString &folder, const QString &world, const QString &universe,
                                const QString &lobby, QString *error = nullptr);

// The text to show for a "@send" command: the command from its sixth character on, at
// most 255 characters, without blanks and control characters at both ends.
QString SendStatusText(const QString &commandText);
