#pragma once

#include "core/AppState.h"

#include <QDate>
#include <QString>

// "ChatLog_" + "20261207" + ".txt".
QString DailyLogName(const QString &prefix, const QDate &date);

// Each kind's current name for `today` and next name for the day after; forgets what was
// read of the old files.
void SetDayNames(AppState &state, const QDate &today);
