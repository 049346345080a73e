#include "app/TChatView.h"

#include "widgets/FlatScrollBarStyle.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <optional>

// Repaints only when what it shows changed. With thousands of rows an append moves the
// handle by less than a pixel, and the bar would be drawn again for nothing.
class TChatView::ChatScrollBar final : public QScrollBar
{
public:
    using QScrollBar::QScrollBar;

    // A new range; a bar at its end stays at the end. Repainted once, if at all, when both
    // are set: between the two the handle would seem to have moved.
    void SetRangeKeepingEnd(int minimum, int maximum)
    {
        const bool atEnd = value() == this->maximum();
        m_holding = true;
        const auto held = qScopeGuard([this] { m_holding = false; });
        setRange(minimum, maximum);
        if (atEnd)
            setValue(maximum);
        if (!isVisible()) {
            m_shown.reset(); // drawn whole when it shows again; nothing to compare till then
            return;
        }
        if (!m_shown || Look() != *m_shown)
            update();
    }

protected:
    void sliderChange(SliderChange change) override
    {
        if ((change == SliderValueChange || change == SliderRangeChange) && (m_holding || (m_shown && Look() == *m_shown)))
            return;
        QScrollBar::sliderChange(change);
    }

    void paintEvent(QPaintEvent *event) override
    {
        m_shown = Look();
        QScrollBar::paintEvent(event);
    }

private:
    // What a paint depends on beyond the widget's state: where the handle is, and whether
    // the arrows can move it.
    struct Shown
    {
        QRect handle;
        bool atStart = false;
        bool atEnd = false;
        bool operator==(const Shown &) const = default;
    };

    Shown Look() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                value() == minimum(), value() == maximum()};
    }

    std::optional<Shown> m_shown;
    bool m_holding = false;
};

TChatView::TChatView(QWidget *parent)
    : QTableView(parent)
{
    // The table view's own handling of a changed row count ends in a repaint of the
    // whole view; this one does the same bookkeeping and repaints the new rows only.
    disconnect(verticalHeader(), SIGNAL(sectionCountChanged(int,int)), this, SLOT(rowCountChanged(int,int)));
    connect(verticalHeader(), &QHeaderView::sectionCountChanged, this, &TChatView::OnRowCountChanged);
    // Rows scroll by pixels, so the scroll range follows from the rows' total height
    // without a layout of the whole view.
    setVerticalScrollMode(ScrollPerPixel);
    m_bar = new ChatScrollBar(Qt::Vertical, this);
    setVerticalScrollBar(m_bar);
    // Every change of the scroll range would lay out the scroll bars again, later, and
    // repaint both with the frame behind them: only a bar that appears or goes needs it.
    disconnect(verticalScrollBar(), SIGNAL(rangeChanged(int,int)), this, SLOT(_q_showOrHideScrollBars()));
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &TChatView::OnScrollRangeChanged);
    // The bar is repainted at nearly every append: drawn flat, it needs no worker
    // threads, and nothing behind it (its holder, the frame, the splitter, the window)
    // is drawn first.
    UseFlatScrollBars(this);
    // A scroll also starts a timer on both bars at every append, for styles whose bars
    // show only while the view scrolls. These bars always show.
    if (!m_bar->style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, m_bar)) {
        disconnect(m_bar, SIGNAL(valueChanged(int)), this, SLOT(_q_vslide(int)));
        connect(m_bar, &QScrollBar::valueChanged, this, &TChatView::OnVerticalSlide);
        m_slideValue = m_bar->value();
    }
}

void TChatView::OnVerticalSlide(int value)
{
    const int dy = m_slideValue - value;
    m_slideValue = value;
    scrollContentsBy(0, dy);
}

void TChatView::SetDrawsRowsItself(bool on)
{
    m_drawsRowsItself = on;
    viewport()->update();
}

bool TChatView::RowsOfOneHeight() const
{
    const QHeaderView *rows = verticalHeader();
    const int height = rows->defaultSectionSize();
    return height > 0 && !rows->sectionsMoved() && rows->hiddenSectionCount() == 0
        && rows->length() == rows->count() * height;
}

bool TChatView::DrawsRowsItself() const
{
    // With no cell spanning others (the view sets none), a row's place is its number times
    // the height. The table view's own paint asks the row header, which works out the place
    // of every row of the day again after each append. The pointer over the rows, a drag or
    // an edit: the table view draws what they add.
    return m_drawsRowsItself && model() && itemDelegate() && RowsOfOneHeight() && isLeftToRight()
        && !alternatingRowColors() && gridStyle() == Qt::SolidLine && state() == NoState && !viewport()->underMouse();
}

void TChatView::paintEvent(QPaintEvent *event)
{
    if (DrawsRowsItself())
        PaintRows(event);
    else
        QTableView::paintEvent(event);
}

void TChatView::PaintRows(QPaintEvent *event)
{
    // As the table view paints, cell by cell and then the grid, with the grid's lines
    // filled instead of stroked pixel by pixel.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QPainter painter(viewport());
    const QHeaderView *rows = verticalHeader();
    const QHeaderView *columns = horizontalHeader();
    const int rowCount = rows->count();
    const int columnCount = columns->count();
    if (rowCount == 0 || columnCount == 0)
        return;
    const int height = rows->defaultSectionSize();
    const int offset = rows->offset();
    const int gridSize = showGrid() ? 1 : 0;
    const QColor gridColour = QColor::fromRgba(QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    const bool edgeLines = showGrid() && style()->styleHint(QStyle::SH_Table_AlwaysDrawLeftTopGridLines, &option, this);
    const int lastX = columns->length() - columns->offset() - 1;
    const int lastY = rows->length() - offset - 1;
    const QAbstractItemModel *cells = model();
    const QModelIndex root = rootIndex();
    const QItemSelectionModel *selection = selectionModel();
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    QStyleOptionViewItem cell = option;

    for (QRect dirty : event->region()) {
        dirty.setBottom(std::min(dirty.bottom(), lastY));
        dirty.setRight(std::min(dirty.right(), lastX));
        if (!dirty.isValid() || dirty.top() + offset < 0)
            continue;
        int left = columns->visualIndexAt(dirty.left());
        int right = columns->visualIndexAt(dirty.right());
        if (left == -1)
            left = 0;
        if (right == -1)
            right = columnCount - 1;
        const int top = (dirty.top() + offset) / height;
        const int bottom = std::min(rowCount - 1, (dirty.bottom() + offset) / height);

        for (int row = top; row <= bottom; ++row) {
            const int rowY = row * height - offset;
            for (int visual = left; visual <= right; ++visual) {
                const int column = columns->logicalIndex(visual);
                if (columns->isSectionHidden(column))
                    continue;
                const QModelIndex index = cells->index(row, column, root);
                if (!index.isValid())
                    continue;
                cell.rect = QRect(columnViewportPosition(column), rowY, columnWidth(column) - gridSize, height - gridSize);
                cell.state = option.state;
                if (selection && selection->isSelected(index))
                    cell.state |= QStyle::State_Selected;
                if (option.state & QStyle::State_Enabled) {
                    const bool enabled = cells->flags(index) & Qt::ItemIsEnabled;
                    if (!enabled)
                        cell.state &= ~QStyle::State_Enabled;
                    cell.palette.setCurrentColorGroup(enabled ? QPalette::Normal : QPalette::Disabled);
                }
                if (focus && index == current)
                    cell.state |= QStyle::State_HasFocus;
                // Styles draw a row's panel for a selected or a hovered row only.
                if (cell.state & QStyle::State_Selected)
                    style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &cell, &painter, this);
                itemDelegateForIndex(index)->paint(&painter, cell, index);
            }
        }

        if (!showGrid())
            continue;
        for (int row = top; row <= bottom; ++row)
            painter.fillRect(QRect(dirty.left(), (row + 1) * height - offset - 1, dirty.width(), 1), gridColour);
        for (int visual = left; visual <= right; ++visual) {
            const int column = columns->logicalIndex(visual);
            if (!columns->isSectionHidden(column))
                painter.fillRect(QRect(columnViewportPosition(column) + columnWidth(column) - 1, dirty.top(), 1,
                                       dirty.height()),
                                 gridColour);
        }
        if (edgeLines && columns->isHidden() && top * height - offset == dirty.top())
            painter.fillRect(QRect(dirty.left(), dirty.top(), dirty.width(), 1), gridColour);
        if (edgeLines && rows->isHidden()) {
            const int column = columns->logicalIndex(left);
            if (!columns->isSectionHidden(column) && columnViewportPosition(column) == dirty.left())
                painter.fillRect(QRect(dirty.left(), dirty.top(), 1, dirty.height()), gridColour);
        }
    }
}

bool TChatView::BarMustComeOrGo() const
{
    const QScrollBar *bar = verticalScrollBar();
    return verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded
        && bar->isVisibleTo(this) != (bar->maximum() > bar->minimum());
}

void TChatView::OnScrollRangeChanged()
{
    // Looked at now, laid out later (as the base does): the range changes in the middle of
    // a layout. Most appends leave the bar as it is and post nothing.
    if (m_barLayoutPosted || !BarMustComeOrGo())
        return;
    m_barLayoutPosted = true;
    QMetaObject::invokeMethod(this, [this] {
        m_barLayoutPosted = false;
        if (BarMustComeOrGo())
            setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded); // lays the bars out again
    }, Qt::QueuedConnection);
}

void TChatView::OnRowCountChanged(int oldCount, int newCount)
{
    if (newCount <= oldCount || oldCount <= 0 || verticalScrollMode() != ScrollPerPixel) {
        updateGeometries();
        if (verticalScrollMode() == ScrollPerItem)
            verticalHeader()->setOffsetToSectionPosition(verticalScrollBar()->value());
        else
            verticalHeader()->setOffset(verticalScrollBar()->value());
        viewport()->update();
        return;
    }
    // Rows appended: only the scroll range grows. A full layout of the view would also
    // lay out and repaint both scroll bars and the frame around them at every append.
    m_bar->SetRangeKeepingEnd(0, std::max(0, verticalHeader()->length() - viewport()->height()));
    verticalHeader()->setOffset(verticalScrollBar()->value());
    // From the grid line above the first new row to the bottom. With rows of one height
    // its place follows from the length; asking the header would make it work out the
    // place of every row of the day again, at every append.
    const QHeaderView *header = verticalHeader();
    const int first = RowsOfOneHeight()
                          ? header->length() - (newCount - oldCount) * header->defaultSectionSize() - header->offset()
                          : rowViewportPosition(oldCount);
    const int top = std::max(0, first);
    if (top < viewport()->height())
        viewport()->update(QRect(0, top, viewport()->width(), viewport()->height() - top));
}

void TChatView::ScrollToLastRow()
{
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TChatView::verticalScrollbarValueChanged(int value)
{
    // The base asks the windowing system where the pointer is at every scroll (a round
    // trip to the display server at every append) to update what lies under it; that only
    // matters with the pointer over the rows. The model has nothing more to fetch.
    if (viewport()->underMouse())
        QTableView::verticalScrollbarValueChanged(value);
}

void TChatView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    // While the window is hidden the base starts a timer at every append to ask the model
    // for more rows later; this model has none to fetch.
    if (isVisible())
        QTableView::rowsInserted(parent, start, end);
}
