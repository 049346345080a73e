#pragma once

#include <QFont>

class TCellGrid;
class TStrColGrid;

namespace kiv::items {
// Shows a tally grid in a grid widget: cells, colours, alignment, sizes and the current
// cell (drawn focused in light yellow with green text when `focusCurrent`).
// With `headerRow`, row 0 is shown in the grid's header. A column is never narrower than
// the widest line of its cells, nor the header lower than its two lines: the widths the grid's own rules give are a floor, and a grid whose
// columns then outgrow the window scrolls. With `alsoFits`, a grid that shares the column
// widths (the distribution strip), a column fits the cells of both.
void ShowCells(TStrColGrid *view, const TCellGrid &cells, int fontSize, bool focusCurrent, bool headerRow,
               const TCellGrid *alsoFits = nullptr);
// The font the tally grids are drawn in.
QFont TallyFont(int fontSize);
// A grid widget as the tally windows use it: no scroll bars where asked, the design font,
// and with `headerRow`, row 0 of its cells in a header that does not scroll away.
void PrepareTallyView(TStrColGrid *view, bool scrollBars, bool headerRow);
} // namespace kiv::items
