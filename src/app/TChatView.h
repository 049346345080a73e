#pragma once

#include <QTableView>

// The chat view. A followed log appends rows at the bottom many times a second; the table
// view would repaint all of itself for each append. Here an append repaints only the new
// rows, and following the last row scrolls what is already drawn, so a paint covers the
// rows that came in. Rows all have one height, so a paint finds them by arithmetic: the
// table view's own asks the row header, whose cost grows with the rows of the day.
class TChatView : public QTableView
{
    Q_OBJECT
public:
    explicit TChatView(QWidget *parent = nullptr);

    // Brings the last row into view, drawing only what comes into view.
    void ScrollToLastRow();

    // Off: every paint goes through the table view's own (drawing must not differ).
    void SetDrawsRowsItself(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;

protected slots:
    void verticalScrollbarValueChanged(int value) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;

private slots:
    void OnRowCountChanged(int oldCount, int newCount);
    void OnScrollRangeChanged();
    void OnVerticalSlide(int value);

private:
    class ChatScrollBar;
    // The vertical bar is hidden while the rows fit, or shown while they do not.
    bool BarMustComeOrGo() const;
    // All rows shown, in order, of the header's default height: a row's place is its
    // number times the height.
    bool RowsOfOneHeight() const;
    // Whether the rows can be found and drawn without asking the row header.
    bool DrawsRowsItself() const;
    void PaintRows(QPaintEvent *event);
    ChatScrollBar *m_bar = nullptr;
    bool m_barLayoutPosted = false;
    int m_slideValue = 0; // the bar's value the rows were last scrolled to
    bool m_drawsRowsItself = true;
};
