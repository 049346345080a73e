#include "core/DroppedList.h"

#include "core/strDBListUniU.h"
#include "platform/IPrompts.h"

#include <QDir>

bool ReadDroppedList(const QString &path, IPrompts &prompts, QStringList &lines)
{
    TStrDBListUni list;
    QString error;
    if (!LoadListFile(list, path, &error)) {
        prompts.Warning(
            QStringLiteral("%1 を読み込めませんでした (%2)。").arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    lines = list.Lines();
    return true;
}
