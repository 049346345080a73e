#pragma once

class QTableView;
class RosterRowsModel;

namespace kiv::roster {

inline constexpr int kShownWidth = 80;

// Puts the model and its delegate on the roster view, and widens a hidden name column
// (from column 3 on) to 80 pixels as soon as a row puts a name in it. Columns 1 and 2
// keep their widths.
void AttachRosterModel(QTableView *view, RosterRowsModel *model);
// The widening for rows first..last.
void ShowUsedColumns(QTableView *view, const RosterRowsModel *model, int first, int last);

} // namespace kiv::roster

#include "roster/RosterTracker.h"

class QTimer;

namespace kiv::roster {

// The roster timer on a QTimer; the program is active while one of its windows has the
// focus.
class QtRosterTimer final : public IRosterTimer
{
public:
    explicit QtRosterTimer(QTimer *timer) : m_timer(timer) {}
    bool ProgramActive() const override;
    void StopRosterTimer() override;
    void RestartRosterTimer() override;

private:
    QTimer *m_timer;
};

} // namespace kiv::roster
