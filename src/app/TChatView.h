#pragma once

#include <QTableView>

// The chat view. A followed log appends rows at the bottom many times a second; the table
// view would repaint all of itself for each append. Here an append repaints only the new
// rows, and following the last row scrolls what is already drawn, so a paint covers the
// rows that came in.
class TChatView : public QTableView
{
    Q_OBJECT
public:
    explicit TChatView(QWidget *parent = nullptr);

    // Brings the last row into view, drawing only what comes into view.
    void ScrollToLastRow();

protected slots:
    void verticalScrollbarValueChanged(int value) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;

private slots:
    void OnRowCountChanged(int oldCount, int newCount);
    void OnScrollRangeChanged();

private:
    class ChatScrollBar;
    // The vertical bar is hidden while the rows fit, or shown while they do not.
    bool BarMustComeOrGo() const;
    ChatScrollBar *m_bar = nullptr;
    bool m_barLayoutPosted = false;
};
