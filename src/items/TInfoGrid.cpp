#include "items/TInfoGrid.h"

#include "items/CellGridView.h"
#include "platform/IPrompts.h"
#include "widgets/TStrColGrid.h"

#include <QDateTime>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>

TInfoGrid::TInfoGrid(QWidget *parent)
    : TSideWindow(QStringLiteral("InfoGrid"), parent)
{
    resize(203, 111);
    strGrid = new TStrColGrid(this);
    strGrid->setObjectName(QStringLiteral("strGrid"));
    strRndGrid = new TStrColGrid(this);
    strRndGrid->setObjectName(QStringLiteral("strRndGrid"));
    kiv::items::PrepareTallyView(strGrid, true, true);
    kiv::items::PrepareTallyView(strRndGrid, false, false);
    strRndGrid->setSelectionMode(QAbstractItemView::NoSelection);

    QFont small(QStringLiteral("Small Fonts"));
    small.setPixelSize(9);
    auto button = [&](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(small);
        b->setFocusPolicy(Qt::NoFocus);
        b->resize(17, 12);
        b->hide();
        return b;
    };
    bbtnItemClear = button("bbtnItemClear", QStringLiteral("I"));
    bbtnItemClear->setToolTip(QStringLiteral("アイテム欄をクリア"));
    bbtnBunpaiClear = button("bbtnBunpaiClear", QStringLiteral("R"));
    bbtnBunpaiClear->setToolTip(QStringLiteral("分配欄をクリア"));
    connect(bbtnItemClear, &QPushButton::clicked, this, &TInfoGrid::bbtnItemClearClick);
    connect(bbtnBunpaiClear, &QPushButton::clicked, this, &TInfoGrid::bbtnBunpaiClearClick);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    auto add = [this](const char *name, const QString &caption, void (TInfoGrid::*slot)()) {
        QAction *action = PopupMenu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
    };
    add("popClear", QStringLiteral("Clear(&D)"), &TInfoGrid::popClearClick);
    add("popSave", QStringLiteral("保存(&S)"), &TInfoGrid::popSaveClick);
    add("popClose", QStringLiteral("閉じる(&Q)"), &TInfoGrid::popCloseClick);
    // Columns wider than the window scroll the item grid; the strip below, which has no
    // scroll bar of its own, follows it so that its columns stay under their members.
    connect(strGrid->horizontalScrollBar(), &QScrollBar::valueChanged, strRndGrid->horizontalScrollBar(),
            &QScrollBar::setValue);
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(strGrid), static_cast<QAbstractItemView *>(strRndGrid),
                                     static_cast<QAbstractItemView *>(strGrid->horizontalHeader())}) {
        AddDragSource(view->viewport());
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint &pos) { PopupMenu->popup(view->viewport()->mapToGlobal(pos)); });
    }
    LayOut();
    Refresh();
}

void TInfoGrid::SetDistributionRows(int rows)
{
    m_tally.distributionRows = rows;
    bbtnItemClear->setVisible(rows != 0);
    bbtnBunpaiClear->setVisible(rows != 0);
    LayOut();
}

void TInfoGrid::SetReportFolder(const QString &folder, IPrompts *prompts)
{
    m_reportFolder = folder;
    m_prompts = prompts;
}

void TInfoGrid::showEvent(QShowEvent *event)
{
    TSideWindow::showEvent(event);
    m_tally.SetGridWidth(width());
    m_tally.FormShow();
    LayOut();
    Refresh();
}

void TInfoGrid::resizeEvent(QResizeEvent *event)
{
    TSideWindow::resizeEvent(event);
    m_tally.SetGridWidth(width());
    LayOut();
    Refresh();
}

void TInfoGrid::LayOut()
{
    const int stripHeight = m_tally.StripHeight();
    const int top = std::max(0, height() - stripHeight);
    strGrid->setGeometry(0, 0, width(), top);
    strRndGrid->setGeometry(0, top, width(), stripHeight);
    const int buttonHeight = stripHeight / 2;
    bbtnItemClear->setGeometry(width() - 17, top + 1, 17, buttonHeight);
    bbtnBunpaiClear->setGeometry(width() - 17, top + buttonHeight, 17, buttonHeight);
    bbtnItemClear->raise();
    bbtnBunpaiClear->raise();
}

void TInfoGrid::Refresh()
{
    kiv::items::ShowCells(strGrid, m_tally.items, m_tally.fontSize, true, true, &m_tally.strip);
    kiv::items::ShowCells(strRndGrid, m_tally.strip, m_tally.fontSize, false, false, &m_tally.items);
}

void TInfoGrid::bbtnItemClearClick()
{
    m_tally.ClearItems();
    Refresh();
}

void TInfoGrid::bbtnBunpaiClearClick()
{
    m_tally.ClearDistribution();
    Refresh();
}

void TInfoGrid::popClearClick()
{
    m_tally.ClearItemWindow();
    Refresh();
}

void TInfoGrid::popSaveClick()
{
    QString error;
    if (SaveDistributionReport(m_tally, m_reportFolder, QDateTime::currentDateTime(), &error).isEmpty() &&
        !error.isEmpty() && m_prompts)
        m_prompts->Warning(error);
}
