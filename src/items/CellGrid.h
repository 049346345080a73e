#pragma once

#include <QString>

#include <map>
#include <vector>

// Colours of the tally windows, as RGB values.
namespace kiv::items {
inline constexpr unsigned kWhite = 0xFFFFFF;
inline constexpr unsigned kBlack = 0x000000;
inline constexpr unsigned kGreen = 0x008000;
inline constexpr unsigned kBlue = 0x0000FF;
inline constexpr unsigned kPink = 0xFFBBBB;
inline constexpr unsigned kPalePink = 0xFFDDDD;
// Marks the corner cell of the items-by-kind window, drawn in the button face colour.
inline constexpr unsigned kButtonFace = 0x1000000;
} // namespace kiv::items

// One cell of a tally grid.
struct GridCell
{
    QString text;
    unsigned background = kiv::items::kWhite;
    unsigned font = kiv::items::kGreen;
    bool alignRight = false;
};

// A plain grid of cells as the tally windows show it: rows and columns of text with
// colours and alignment, column widths and row heights in pixels, and a current cell.
// A default width or height applies to every column or row until one is set on its own;
// setting the default again drops those.
class TCellGrid
{
public:
    int RowCount() const { return m_rows; }
    int ColCount() const { return m_cols; }
    // Growing keeps the cells; new cells are empty and white.
    void SetRowCount(int rows);
    void SetColCount(int cols);

    const GridCell &Cell(int col, int row) const;
    GridCell &At(int col, int row);
    const QString &Text(int col, int row) const { return Cell(col, row).text; }

    // Empties the text of every cell of a row; with `white` its background too.
    void ClearRow(int row, bool white = false);

    int DefaultColWidth() const { return m_defaultColWidth; }
    void SetDefaultColWidth(int width);
    int ColWidth(int col) const;
    void SetColWidth(int col, int width)
    {
        m_colWidths[col] = width;
        Touch();
    }
    int DefaultRowHeight() const { return m_defaultRowHeight; }
    void SetDefaultRowHeight(int height);
    int RowHeight(int row) const;
    void SetRowHeight(int row, int height)
    {
        m_rowHeights[row] = height;
        Touch();
    }

    int CurrentCol() const { return m_currentCol; }
    int CurrentRow() const { return m_currentRow; }
    void SetCurrent(int col, int row);

    // Counts up each change so a window redraws only when something changed.
    unsigned Revision() const { return m_revision; }
    void Touch() { ++m_revision; }

private:
    int m_rows = 1;
    int m_cols = 1;
    std::vector<GridCell> m_cells = std::vector<GridCell>(1); // row by row
    int m_defaultColWidth = 64;
    int m_defaultRowHeight = 16;
    std::map<int, int> m_colWidths;
    std::map<int, int> m_rowHeights;
    int m_currentCol = 0;
    int m_currentRow = 0;
    unsigned m_revision = 0;
};

namespace kiv::items {
// The integer a cell holds: its text read as a decimal number, 0 when it is not one.
qint64 CellNumber(const QString &text);
} // namespace kiv::items
