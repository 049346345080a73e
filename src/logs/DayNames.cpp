#include "logs/DayNames.h"

QString DailyLogName(const QString &prefix, const QDate &date)
{
    return prefix + date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".txt");
}

void SetDayNames(AppState &state, const QDate &today)
{
    for (DailyLog &log : state.logs) {
        log.ForgetFile();
        log.currentName = DailyLogName(log.prefix, today);
        log.nextName = DailyLogName(log.prefix, today.addDays(1));
    }
}
