#include "items/CellGridView.h"

#include "items/CellGrid.h"
#include "widgets/TStrColGrid.h"

#include <QHeaderView>
#include <QScrollBar>

namespace kiv::items {

void PrepareTallyView(TStrColGrid *view, bool scrollBars)
{
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setFocusPolicy(Qt::NoFocus);
    view->setWordWrap(true);
    view->setTextElideMode(Qt::ElideNone);
    view->verticalHeader()->setMinimumSectionSize(1);
    view->horizontalHeader()->setMinimumSectionSize(1);
    view->setFrameShape(QFrame::NoFrame);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    if (!scrollBars) {
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    QPalette palette = view->palette();
    palette.setColor(QPalette::Highlight, QColor(255, 255, 128));
    palette.setColor(QPalette::HighlightedText, QColor(0, 128, 0));
    palette.setColor(QPalette::Base, Qt::white);
    view->setPalette(palette);
}

void ShowCells(TStrColGrid *view, const TCellGrid &cells, int fontSize, bool focusCurrent)
{
    view->setUpdatesEnabled(false);
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPointSize(fontSize > 0 ? fontSize : 9);
    view->setFont(font);
    view->setRowCount(cells.RowCount());
    view->setColumnCount(cells.ColCount());
    view->verticalHeader()->setDefaultSectionSize(cells.DefaultRowHeight());
    for (int r = 0; r < cells.RowCount(); ++r)
        view->setRowHeight(r, cells.RowHeight(r));
    for (int c = 0; c < cells.ColCount(); ++c)
        view->setColumnWidth(c, std::max(0, cells.ColWidth(c)));
    const QColor buttonFace = view->palette().color(QPalette::Button);
    for (int r = 0; r < cells.RowCount(); ++r) {
        for (int c = 0; c < cells.ColCount(); ++c) {
            const GridCell &cell = cells.Cell(c, r);
            // The header cell holds ID and name apart by a bare CR; shown on two lines.
            view->SetCell(r, c, QString(cell.text).replace(u'\r', u'\n'));
            const QColor background = cell.background == kButtonFace ? buttonFace : QColor::fromRgb(cell.background);
            view->SetCellColours(r, c, QColor::fromRgb(cell.font), background);
            view->item(r, c)->setTextAlignment((cell.alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        }
    }
    view->clearSelection();
    if (focusCurrent) {
        view->setCurrentCell(cells.CurrentRow(), cells.CurrentCol());
        if (QTableWidgetItem *current = view->item(cells.CurrentRow(), cells.CurrentCol()))
            view->scrollToItem(current);
    }
    view->horizontalScrollBar()->setValue(0);
    view->setUpdatesEnabled(true);
}

} // namespace kiv::items
