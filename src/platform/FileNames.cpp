#include "platform/FileNames.h"

#include <QDir>
#include <QFileInfo>

namespace kiv::files {

QString Resolve(const QString &folder, const QString &name)
{
    const QString direct = folder + name;
    if (QFileInfo::exists(direct))
        return direct;
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder + entry;
    }
    return direct;
}

bool Exists(const QString &folder, const QString &name)
{
    return QFileInfo::exists(Resolve(folder, name));
}

QString WithTrailingSeparator(const QString &path)
{
    if (path.isEmpty() || path.endsWith(u'/') || path.endsWith(u'\\'))
        return path;
    return path + u'/';
}

} // namespace kiv::files
