#pragma once

class TCellGrid;
class TStrColGrid;

namespace kiv::items {
// Shows a tally grid in a grid widget: cells, colours, alignment, sizes and the current
// cell (drawn focused in light yellow with green text when `focusCurrent`).
void ShowCells(TStrColGrid *view, const TCellGrid &cells, int fontSize, bool focusCurrent);
// A grid widget as the tally windows use it: no scroll bars where asked, the design font.
void PrepareTallyView(TStrColGrid *view, bool scrollBars);
} // namespace kiv::items
