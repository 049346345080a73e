#include "items/TInfoGridHin.h"

#include "items/CellGridView.h"
#include "platform/IPrompts.h"
#include "widgets/TStrColGrid.h"

#include <QDateTime>
#include <QHeaderView>
#include <QMenu>

TInfoGridHin::TInfoGridHin(QWidget *parent)
    : TSideWindow(QStringLiteral("InfoGridHin"), parent)
{
    resize(203, 111);
    strGrid = new TStrColGrid(this);
    strGrid->setObjectName(QStringLiteral("strGrid"));
    kiv::items::PrepareTallyView(strGrid, true, true);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    auto add = [this](const char *name, const QString &caption, void (TInfoGridHin::*slot)()) {
        QAction *action = PopupMenu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
    };
    add("popClear", QStringLiteral("Clear(&D)"), &TInfoGridHin::popClearClick);
    add("popSave", QStringLiteral("保存(&S)"), &TInfoGridHin::popSaveClick);
    add("popClose", QStringLiteral("閉じる(&Q)"), &TInfoGridHin::popCloseClick);
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(strGrid),
                                     static_cast<QAbstractItemView *>(strGrid->horizontalHeader())}) {
        AddDragSource(view->viewport());
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint &pos) { PopupMenu->popup(view->viewport()->mapToGlobal(pos)); });
    }
    Refresh();
}

void TInfoGridHin::SetReportFolder(const QString &folder, IPrompts *prompts)
{
    m_reportFolder = folder;
    m_prompts = prompts;
}

void TInfoGridHin::showEvent(QShowEvent *event)
{
    TSideWindow::showEvent(event);
    strGrid->setGeometry(rect());
    m_tally.SetGridWidth(width());
    m_tally.FormShow();
    Refresh();
}

void TInfoGridHin::resizeEvent(QResizeEvent *event)
{
    TSideWindow::resizeEvent(event);
    strGrid->setGeometry(rect());
    m_tally.SetGridWidth(width());
    Refresh();
}

void TInfoGridHin::Refresh()
{
    kiv::items::ShowCells(strGrid, m_tally.grid, m_tally.fontSize, true, true);
}

void TInfoGridHin::popClearClick()
{
    m_tally.Clear();
    Refresh();
}

void TInfoGridHin::popSaveClick()
{
    QString error;
    if (SaveKindReport(m_tally, m_reportFolder, QDateTime::currentDateTime(), &error).isEmpty() && !error.isEmpty() &&
        m_prompts)
        m_prompts->Warning(error);
}
