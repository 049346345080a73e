#include "app/ChatRowText.h"

#include "platform/Cp932.h"

namespace kiv::rows {

QString ItemNameOfText(QStringView text)
{
    const qsizetype bracket = text.indexOf(u'(');
    return (bracket < 0 ? text : text.first(bracket)).toString();
}

QString CopyLine(const LogLineRecord &row)
{
    constexpr int kNameColumns = 20;
    const int nameColumns = cp932::DisplayColumns(row.name);
    QString line = row.time + u'\u3000' + row.id + u'\u3000' + row.name;
    if (nameColumns < kNameColumns)
        line += QString(kNameColumns - nameColumns, u' ');
    line += row.text;
    return line.replace(QStringLiteral("  "), QStringLiteral("\u3000"));
}

QString OpenIdCaption(const QString &id)
{
    return QStringLiteral("ID:") + id + QStringLiteral(" を開く(&O)");
}

QString OpenItemCaption(const QString &item)
{
    if (item.isEmpty())
        return QStringLiteral("Item: を開く(&I)");
    return QStringLiteral("Item:『") + item + QStringLiteral("』を開く(&I)");
}

} // namespace kiv::rows
