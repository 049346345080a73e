#pragma once

#include "core/AppState.h"

#include <QDate>
#include <QDir>
#include <QString>
#include <QStringList>

// "ChatLog_" + "20261207" + ".txt".
QString DailyLogName(const QString &prefix, const QDate &date);

// Each kind's current name for `today` and next name for the day after; forgets what was
// read of the old files.
void SetDayNames(AppState &state, const QDate &today);

// The log files of `folder` named `prefix`… ".txt", letter case ignored (as the game's
// platform matches names), in `order`. An empty folder has none.
QStringList LogFilesWithPrefix(const QString &folder, const QString &prefix,
                               QDir::SortFlags order = QDir::Name | QDir::IgnoreCase);
