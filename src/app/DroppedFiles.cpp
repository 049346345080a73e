#include "app/DroppedFiles.h"

#include "core/AppState.h"
#include "items/ItemImports.h"
#include "roster/RosterImports.h"

#include <QFileInfo>

namespace kiv::drop {

QString UsablePath(const QStringList &paths)
{
    if (paths.isEmpty())
        return QString();
    const QFileInfo info(paths.first());
    if (info.isDir() || (info.exists() && !(info.permissions() & QFileDevice::WriteOwner)))
        return QString();
    return paths.first();
}

DroppedKind KindOfName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const auto is = [&name](QStringView known) { return name.compare(known, Qt::CaseInsensitive) == 0; };
    if (is(u"Whois.lst"))
        return DroppedKind::Roster;
    if (is(u"Black.lst"))
        return DroppedKind::BlackList;
    if (is(u"KIV_Item.dat"))
        return DroppedKind::ItemRarities;
    if (is(u"ItemDB.TSV"))
        return DroppedKind::ItemTable;
    return DroppedKind::None;
}

DroppedKind ImportDroppedFiles(const QStringList &paths, const ImportSeams &seams)
{
    if (seams.state.released)
        return DroppedKind::None;
    const QString path = UsablePath(paths);
    const DroppedKind kind = path.isEmpty() ? DroppedKind::None : KindOfName(path);
    bool merged = false;
    switch (kind) {
    case DroppedKind::None:
        break;
    case DroppedKind::Roster:
        merged = imports::ImportRoster(seams.state, path, seams.sightings, seams.prompts, seams.info);
        break;
    case DroppedKind::BlackList:
        merged = imports::ImportBlackList(seams.state, path, seams.prompts, seams.info);
        break;
    case DroppedKind::ItemRarities:
        merged = imports::ImportItemRarities(seams.state, path, seams.prompts, seams.info);
        break;
    case DroppedKind::ItemTable:
        merged = imports::ImportItemTable(seams.state, path, seams.prompts, seams.info);
        break;
    }
    return merged ? kind : DroppedKind::None;
}

} // namespace kiv::drop
