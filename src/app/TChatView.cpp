#include "app/TChatView.h"

#include "widgets/FlatScrollBarStyle.h"

#include <QHeaderView>
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
    // From the grid line above the first new row to the bottom. With rows of one fixed
    // height its place follows from the length; asking the header would make it work out
    // the place of every row of the day again, at every append.
    const QHeaderView *header = verticalHeader();
    const bool uniform = header->sectionResizeMode(0) == QHeaderView::Fixed && header->hiddenSectionCount() == 0;
    const int first = uniform ? header->length() - (newCount - oldCount) * header->defaultSectionSize() - header->offset()
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
