#include "app/TChatView.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyleOptionSlider>

namespace {

// A scroll bar that is repainted only when what it shows changes. A row appended to a
// long day moves the slider by less than a pixel; the bar would be drawn anew all the
// same, and drawing it cost as much as drawing the new row.
class TStillScrollBar : public QScrollBar
{
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override
    {
        if (change == SliderOrientationChange || Shown() != m_drawn)
            QScrollBar::sliderChange(change);
    }
    void paintEvent(QPaintEvent *event) override
    {
        m_drawn = Shown();
        QScrollBar::paintEvent(event);
    }

private:
    struct Look
    {
        QRect slider;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look &) const = default;
    };
    Look Shown() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                value() == minimum(), value() == maximum()};
    }

    Look m_drawn;
};

} // namespace

TChatView::TChatView(QWidget *parent)
    : QTableView(parent)
{
    setVerticalScrollBar(new TStillScrollBar(Qt::Vertical, this));
    // The table view's own handling of a changed row count ends in a repaint of the
    // whole view; this one does the same bookkeeping and repaints the new rows only.
    disconnect(verticalHeader(), SIGNAL(sectionCountChanged(int,int)), this, SLOT(rowCountChanged(int,int)));
    connect(verticalHeader(), &QHeaderView::sectionCountChanged, this, &TChatView::OnRowCountChanged);
    // Rows scroll by pixels, so the scroll range follows from the rows' total height
    // without a layout of the whole view.
    setVerticalScrollMode(ScrollPerPixel);
    // Every change of the scroll range would lay out the scroll bars again, later, and
    // repaint both with the frame behind them: only a bar that appears or goes needs it.
    disconnect(verticalScrollBar(), SIGNAL(rangeChanged(int,int)), this, SLOT(_q_showOrHideScrollBars()));
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &TChatView::OnScrollRangeChanged,
            Qt::QueuedConnection);
}

void TChatView::OnScrollRangeChanged(int minimum, int maximum)
{
    if (verticalScrollBarPolicy() != Qt::ScrollBarAsNeeded)
        return;
    if (verticalScrollBar()->isVisibleTo(this) != (maximum > minimum))
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded); // lays the bars out again
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
    verticalScrollBar()->setRange(0, std::max(0, verticalHeader()->length() - viewport()->height()));
    verticalHeader()->setOffset(verticalScrollBar()->value());
    // From the grid line above the first new row to the bottom.
    const int top = std::max(0, rowViewportPosition(oldCount) - 1);
    if (top < viewport()->height())
        viewport()->update(QRect(0, top, viewport()->width(), viewport()->height() - top));
}

void TChatView::ScrollToLastRow()
{
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
