#include "widgets/TStrColGrid.h"

#include <QHeaderView>

TStrColGrid::TStrColGrid(QWidget *parent)
    : QTableWidget(parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(m_rowHeight);
    setRowCount(1);
}

void TStrColGrid::SetRowHeight(int pixels)
{
    m_rowHeight = pixels;
    verticalHeader()->setMinimumSectionSize(std::min(pixels, verticalHeader()->minimumSectionSize()));
    verticalHeader()->setDefaultSectionSize(pixels);
}

void TStrColGrid::SetColumnWidths(const QList<int> &widths)
{
    setColumnCount(int(widths.size()));
    for (int c = 0; c < widths.size(); ++c)
        setColumnWidth(c, widths[c]);
}

void TStrColGrid::SetRowCountKeepingOne(int rows)
{
    setRowCount(std::max(1, rows));
}

QTableWidgetItem *TStrColGrid::ItemAt(int row, int column)
{
    QTableWidgetItem *cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
    }
    return cell;
}

QString TStrColGrid::Cell(int row, int column) const
{
    const QTableWidgetItem *cell = item(row, column);
    return cell ? cell->text() : QString();
}

void TStrColGrid::SetCell(int row, int column, const QString &text)
{
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return;
    ItemAt(row, column)->setText(text);
}

void TStrColGrid::SetCellColours(int row, int column, const QColor &text, const QColor &background)
{
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return;
    QTableWidgetItem *cell = ItemAt(row, column);
    cell->setForeground(text);
    cell->setBackground(background);
}

void TStrColGrid::SetCellFont(int row, int column, const QFont &font)
{
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return;
    ItemAt(row, column)->setFont(font);
}

int TStrColGrid::AppendRow()
{
    insertRow(rowCount());
    return rowCount() - 1;
}

void TStrColGrid::DeleteRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    if (rowCount() > 1) {
        removeRow(row);
        return;
    }
    for (int c = 0; c < columnCount(); ++c)
        delete takeItem(row, c);
}

void TStrColGrid::ClearAll()
{
    clearContents();
    setRowCount(1);
}
