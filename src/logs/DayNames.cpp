#include "logs/DayNames.h"

QString DailyLogName(const QString &prefix, const QDate &date)
{
    // Written by hand: a date format is parsed anew at every call, several times a reading.
    char digits[8];
    int y = date.year(), m = date.month(), d = date.day();
    if (!date.isValid() || y < 0 || y > 9999)
        return prefix + date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".txt");
    for (int i = 3; i >= 0; --i, y /= 10)
        digits[i] = char('0' + y % 10);
    digits[4] = char('0' + m / 10);
    digits[5] = char('0' + m % 10);
    digits[6] = char('0' + d / 10);
    digits[7] = char('0' + d % 10);
    QString name;
    name.reserve(prefix.size() + 12);
    name += prefix;
    name += QLatin1StringView(digits, 8);
    name += QLatin1StringView(".txt");
    return name;
}

void SetDayNames(AppState &state, const QDate &today)
{
    for (DailyLog &log : state.logs) {
        log.ForgetFile();
        log.currentName = DailyLogName(log.prefix, today);
        log.nextName = DailyLogName(log.prefix, today.addDays(1));
    }
}

QStringList LogFilesWithPrefix(const QString &folder, const QString &prefix, QDir::SortFlags order)
{
    if (folder.isEmpty())
        return {};
    QStringList names;
    // Not QDir::System: on Unix it lists FIFOs, and reading one would block.
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden, order)) {
        if (name.startsWith(prefix, Qt::CaseInsensitive) && name.endsWith(u".txt", Qt::CaseInsensitive))
            names.append(name);
    }
    return names;
}
