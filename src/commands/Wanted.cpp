#include "commands/Wanted.h"

#include "core/AppState.h"
#include "core/strDBListUniU.h"
#include "platform/FileNames.h"

#include <QFileInfo>

namespace {

constexpr qsizetype kKindLength = 4;
constexpr qsizetype kMaxWord = 255;

// The word of an entry name kind ":" word: from its sixth character on.
QStringView WordOfName(QStringView name)
{
    if (name.size() <= kKindLength + 1)
        return QStringView();
    const QStringView word = name.sliced(kKindLength + 1);
    return word.first(std::min(word.size(), kMaxWord));
}

} // namespace

QString MatchWanted(const TStrDBListUni &list, const QString &kind, const QString &id, const QString &name,
                    const QString &text)
{
    Q_UNUSED(name);
    const QString prefix = kind + u':';
    const QString exact[] = {prefix + text, prefix + id};
    for (const QString &key : exact) {
        const qsizetype at = list.IndexOfKey(key);
        if (at >= 0)
            return ValueOfLine(list.Line(at)).toString();
    }
    for (const QString &line : list.Lines()) {
        const QStringView entry = KeyOfLine(line);
        if (!entry.startsWith(u"chat:"))
            continue;
        const QStringView word = WordOfName(entry);
        if (!word.isEmpty() && text.contains(word))
            return ValueOfLine(line).toString();
    }
    return QString();
}

WantedRow WantedRowOfLine(const QString &line)
{
    const QStringView name = KeyOfLine(line);
    return WantedRow{name.first(std::min(name.size(), kKindLength)).toString(), WordOfName(name).toString(),
                     ValueOfLine(line).toString()};
}

QString WantedLineOfRow(const WantedRow &row)
{
    return row.kind + u':' + row.word + u'=' + row.command;
}

QString WantedPath(const QString &folder)
{
    return kiv::files::Resolve(folder, kiv::names::kWanted);
}

bool ReadWantedRows(const QString &folder, QList<WantedRow> &rows, QString *error)
{
    rows.clear();
    const QString path = WantedPath(folder);
    if (!QFileInfo::exists(path))
        return true;
    TStrDBListUni list;
    if (!LoadListFile(list, path, error))
        return false;
    for (const QString &line : list.Lines())
        rows.append(WantedRowOfLine(line));
    return true;
}

bool WriteWantedRows(const QString &folder, const QList<WantedRow> &rows, QString *error)
{
    TStrDBListUni list;
    for (const WantedRow &row : rows) {
        if (!row.kind.isEmpty())
            list.Add(WantedLineOfRow(row));
    }
    return SaveListFile(list, WantedPath(folder), error);
}
