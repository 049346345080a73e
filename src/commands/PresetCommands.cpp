#include "commands/PresetCommands.h"

QStringList PresetCommands()
{
    return {
        QStringLiteral("@who bottom"),     QStringLiteral("@who right"),      QStringLiteral("@item size 350 200"),
        QStringLiteral("@item alpha 255"), QStringLiteral("@item alpha 220"), QStringLiteral("@item alpha 200"),
        QStringLiteral("@item alpha 180"), QStringLiteral("@item alpha 160"), QStringLiteral("@info size 350 200"),
        QStringLiteral("@info alpha 255"), QStringLiteral("@info alpha 220"), QStringLiteral("@info alpha 200"),
        QStringLiteral("@info alpha 180"), QStringLiteral("@info alpha 160"), QStringLiteral("@who makeup"),
        QStringLiteral("@who list"),       QStringLiteral("@item list"),
    };
}

QString PresetLine(const QString &ownId, const QString &command)
{
    return QStringLiteral("00:00:00\t") + ownId + QStringLiteral("\t\t") + command + QStringLiteral("\r\n");
}
