#include "commands/Location.h"

#include "core/AppState.h"
#include "core/strDBListUniU.h"
#include "platform/FileNames.h"
#include "platform/ProfileFile.h"

#include <QFileInfo>

#include <algorithm>

namespace {

const QString kSystem = QStringLiteral("System");
const QString kWorld = QStringLiteral("world");
const QString kUniverse = QStringLiteral("Universe");
const QString kLobby = QStringLiteral("Lobby");

QString Numbered(const QString &prefix, int n, int width)
{
    return prefix + QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
}

} // namespace

LocationLists ReadLocationLists(const ProfileFile &area)
{
    LocationLists lists;
    lists.world = area.ReadString(kSystem, kWorld);
    lists.universe = area.ReadString(kSystem, kUniverse);
    lists.lobby = area.ReadString(kSystem, kLobby);
    const int worlds = std::min(area.ReadInt(kWorld, kWorld, 2), kMaxLocationCount);
    const int universes = std::min(area.ReadInt(kUniverse, kUniverse, 50), kMaxLocationCount);

    lists.worlds.append(QString());
    lists.universes.append(QString());
    lists.lobbies.append(QString());
    for (int n = 1; n <= kMaxLocationCount; ++n) {
        const QString key = Numbered(kLobby, n, 3);
        if (!area.HasKey(kLobby, key))
            break;
        lists.lobbies.append(area.ReadString(kLobby, key));
    }
    for (int n = 1; n <= worlds; ++n)
        lists.worlds.append(Numbered(QStringLiteral("World"), n, 2));
    for (int n = 1; n <= universes; ++n)
        lists.universes.append(Numbered(QStringLiteral("Uni"), n, 2));
    return lists;
}

QString LocationText(const QString &universe, const QString &lobby, const QString &world)
{
    return universe + u' ' + lobby + QStringLiteral(" /") + world;
}

bool SaveLocation(const QString &folder, const QString &world, const QString &universe, const QString &lobby,
                  QString *error)
{
    const QString path = kiv::files::Resolve(folder, kiv::names::kArea);
    if (!QFileInfo(path).isFile())
        return true;
    ProfileFile area(path);
    if (!area.Load(error))
        return false;
    area.WriteString(kSystem, kWorld, world);
    area.WriteString(kSystem, kUniverse, universe);
    area.WriteString(kSystem, kLobby, lobby);
    return area.Save(error);
}

QString SendStatusText(const QString &commandText)
{
    constexpr qsizetype kSkipped = 5; // "@send"
    if (commandText.size() <= kSkipped)
        return QString();
    const QStringView rest = QStringView(commandText).sliced(kSkipped);
    return TrimControls(rest.first(std::min<qsizetype>(rest.size(), 255)));
}
