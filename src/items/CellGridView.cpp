#include "items/CellGridView.h"

#include "items/CellGrid.h"
#include "widgets/FlatScrollBarStyle.h"
#include "widgets/TStrColGrid.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QScrollBar>

#include <algorithm>

namespace kiv::items {

void PrepareTallyView(TStrColGrid *view, bool scrollBars, bool headerRow)
{
    if (headerRow) {
        QHeaderView *header = view->horizontalHeader();
        header->show();
        header->setSectionsClickable(false);
        header->setHighlightSections(false);
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setMinimumSectionSize(1);
        header->setContextMenuPolicy(Qt::CustomContextMenu);
    }
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
    // Redrawn at every pick-up, as the chat view's are at every row.
    UseFlatScrollBars(view);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Highlight, QColor(255, 255, 128));
    palette.setColor(QPalette::HighlightedText, QColor(0, 128, 0));
    palette.setColor(QPalette::Base, Qt::white);
    view->setPalette(palette);
}

QFont TallyFont(int fontSize)
{
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPointSize(fontSize > 0 ? fontSize : 9);
    return font;
}

namespace {

// The width of the widest line of a cell's text (lines apart by CR).
int TextWidth(const QFontMetrics &metrics, const QString &text)
{
    int widest = 0;
    for (const QStringView line : QStringView(text).tokenize(u'\r'))
        widest = std::max(widest, metrics.horizontalAdvance(line.toString()));
    return widest;
}

int FittingWidth(const TCellGrid &cells, int col, const QFontMetrics &metrics, int margins)
{
    int widest = 0;
    for (int r = 0; r < cells.RowCount(); ++r) {
        const QString &text = cells.Text(col, r);
        if (!text.isEmpty())
            widest = std::max(widest, TextWidth(metrics, text));
    }
    return widest > 0 ? widest + margins : 0;
}

} // namespace

void ShowCells(TStrColGrid *view, const TCellGrid &cells, int fontSize, bool focusCurrent, bool headerRow,
               const TCellGrid *alsoFits)
{
    // Redrawn at every pick-up: only what changes is set, so that only the cells that
    // show something new are drawn again (an item given its own value changes nothing).
    const QFont font = TallyFont(fontSize);
    if (view->font() != font)
        view->setFont(font);
    const QFontMetrics metrics(font);
    // A header row is the grid's own header, so that it stays in place while the rows
    // below it scroll; view row r shows row r + first of the cells.
    const int first = headerRow ? 1 : 0;
    view->setRowCount(std::max(0, cells.RowCount() - first));
    view->setColumnCount(cells.ColCount());
    view->verticalHeader()->setDefaultSectionSize(cells.DefaultRowHeight());
    for (int r = first; r < cells.RowCount(); ++r)
        view->setRowHeight(r - first, cells.RowHeight(r));
    // The header holds ID over name: two whole lines.
    if (headerRow && cells.RowCount() > 0)
        view->horizontalHeader()->setFixedHeight(std::max(cells.RowHeight(0), 2 * metrics.lineSpacing() + 2));
    // The delegate leaves a text margin on each side, and the grid line takes one pixel.
    const int margins = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) + 2;
    for (int c = 0; c < cells.ColCount(); ++c) {
        int width = std::max({0, cells.ColWidth(c), FittingWidth(cells, c, metrics, margins)});
        if (alsoFits && c < alsoFits->ColCount())
            width = std::max(width, FittingWidth(*alsoFits, c, metrics, margins));
        view->setColumnWidth(c, width);
    }
    const QColor buttonFace = view->palette().color(QPalette::Button);
    for (int r = 0; r < cells.RowCount(); ++r) {
        for (int c = 0; c < cells.ColCount(); ++c) {
            const GridCell &cell = cells.Cell(c, r);
            QTableWidgetItem *item = nullptr;
            if (r < first) {
                item = view->horizontalHeaderItem(c);
                if (!item)
                    view->setHorizontalHeaderItem(c, item = new QTableWidgetItem);
            } else {
                item = view->ItemAt(r - first, c);
            }
            // The header cell holds ID and name apart by a bare CR; shown on two lines.
            item->setText(QString(cell.text).replace(u'\r', u'\n'));
            item->setForeground(QColor::fromRgb(cell.font));
            item->setBackground(cell.background == kButtonFace ? buttonFace : QColor::fromRgb(cell.background));
            item->setTextAlignment((cell.alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        }
    }
    const QModelIndex current = focusCurrent && cells.CurrentRow() >= first
                                    ? view->model()->index(cells.CurrentRow() - first, cells.CurrentCol())
                                    : QModelIndex();
    // Selected anew only when it moved: selecting a cell redraws its header section.
    if (!current.isValid() || view->currentIndex() != current
        || view->selectionModel()->selectedIndexes() != QModelIndexList{current}) {
        view->clearSelection();
        if (current.isValid())
            view->setCurrentIndex(current);
    }
    // Scrolled to only when out of sight: scrolling to a cell redraws it, even in place.
    if (current.isValid() && !view->viewport()->rect().contains(view->visualRect(current)))
        view->scrollTo(current);
    view->horizontalScrollBar()->setValue(0);
}

} // namespace kiv::items
