#pragma once

#include <QColor>
#include <QFont>
#include <QTableWidget>

// A grid of text cells in which every cell carries its own text, text colour,
// background colour and font. Rows have one height; there are no header rows or
// columns. Whole rows are selected. Cells are read-only for the user unless made
// editable, and Enter stays in the grid.
class TStrColGrid : public QTableWidget
{
    Q_OBJECT
public:
    explicit TStrColGrid(QWidget *parent = nullptr);

    void SetRowHeight(int pixels);
    void SetColumnWidths(const QList<int> &widths);
    void SetRowCountKeepingOne(int rows);

    QString Cell(int row, int column) const;
    void SetCell(int row, int column, const QString &text);
    void SetCellColours(int row, int column, const QColor &text, const QColor &background);
    void SetCellFont(int row, int column, const QFont &font);
    // The item of a cell, made when the cell has none.
    QTableWidgetItem *ItemAt(int row, int column);

    // Appends an empty row and returns its index.
    int AppendRow();
    // Removes a row; the rows below move up. The grid never has fewer than one row: the
    // last one left is emptied instead.
    void DeleteRow(int row);
    // Empties every cell and leaves one row.
    void ClearAll();

private:
    int m_rowHeight = 18;
};
