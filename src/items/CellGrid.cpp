#include "items/CellGrid.h"

#include <algorithm>

void TCellGrid::SetRowCount(int rows)
{
    rows = std::max(rows, 1);
    m_cells.resize(size_t(rows) * size_t(m_cols));
    m_rows = rows;
    m_currentRow = std::min(m_currentRow, rows - 1);
    Touch();
}

void TCellGrid::SetColCount(int cols)
{
    cols = std::max(cols, 1);
    std::vector<GridCell> cells(size_t(m_rows) * size_t(cols));
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < std::min(cols, m_cols); ++c)
            cells[size_t(r) * cols + c] = std::move(m_cells[size_t(r) * m_cols + c]);
    }
    m_cells = std::move(cells);
    m_cols = cols;
    m_currentCol = std::min(m_currentCol, cols - 1);
    Touch();
}

const GridCell &TCellGrid::Cell(int col, int row) const
{
    static const GridCell kNone;
    if (col < 0 || row < 0 || col >= m_cols || row >= m_rows)
        return kNone;
    return m_cells[size_t(row) * m_cols + col];
}

GridCell &TCellGrid::At(int col, int row)
{
    Touch();
    return m_cells[size_t(row) * m_cols + col];
}

void TCellGrid::ClearRow(int row, bool white)
{
    for (int c = 0; c < m_cols; ++c) {
        GridCell &cell = At(c, row);
        cell.text.clear();
        if (white)
            cell.background = kiv::items::kWhite;
    }
}

void TCellGrid::SetDefaultColWidth(int width)
{
    m_defaultColWidth = width;
    m_colWidths.clear();
    Touch();
}

int TCellGrid::ColWidth(int col) const
{
    const auto it = m_colWidths.find(col);
    return it == m_colWidths.end() ? m_defaultColWidth : it->second;
}

void TCellGrid::SetDefaultRowHeight(int height)
{
    m_defaultRowHeight = height;
    m_rowHeights.clear();
    Touch();
}

int TCellGrid::RowHeight(int row) const
{
    const auto it = m_rowHeights.find(row);
    return it == m_rowHeights.end() ? m_defaultRowHeight : it->second;
}

void TCellGrid::SetCurrent(int col, int row)
{
    m_currentCol = std::clamp(col, 0, m_cols - 1);
    m_currentRow = std::clamp(row, 0, m_rows - 1);
    Touch();
}

namespace kiv::items {

qint64 CellNumber(const QString &text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? value : 0;
}

} // namespace kiv::items
