#include "roster/RosterView.h"

#include "roster/RosterRowDelegate.h"
#include "roster/RosterRowsModel.h"

#include <QTableView>

namespace kiv::roster {

void ShowUsedColumns(QTableView *view, const RosterRowsModel *model, int first, int last)
{
    for (int row = std::max(first, 0); row <= last && row < model->Count(); ++row) {
        const QStringList &values = model->Values(row);
        for (int c = 3; c < RosterRowsModel::kColumnCount && c - 1 < values.size(); ++c) {
            if (!values[c - 1].isEmpty() && view->columnWidth(c) == 0)
                view->setColumnWidth(c, kShownWidth);
        }
    }
}

void AttachRosterModel(QTableView *view, RosterRowsModel *model)
{
    view->setModel(model);
    view->setItemDelegate(new RosterRowDelegate(view));
    // Hidden columns are widened when a name arrives rather than while a row is painted,
    // so painting never changes the layout it is drawing.
    QObject::connect(model, &QAbstractItemModel::rowsInserted, view,
                     [view, model](const QModelIndex &, int first, int last) {
                         ShowUsedColumns(view, model, first, last);
                     });
    QObject::connect(model, &QAbstractItemModel::dataChanged, view,
                     [view, model](const QModelIndex &from, const QModelIndex &to) {
                         ShowUsedColumns(view, model, from.row(), to.row());
                     });
}

} // namespace kiv::roster

#include <QGuiApplication>
#include <QTimer>

namespace kiv::roster {

bool QtRosterTimer::ProgramActive() const
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void QtRosterTimer::StopRosterTimer()
{
    m_timer->stop();
}

void QtRosterTimer::RestartRosterTimer()
{
    m_timer->start(); // a running timer starts again from now
}

} // namespace kiv::roster
