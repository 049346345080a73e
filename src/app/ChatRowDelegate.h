#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

class ChatRowsModel;

// Draws chat cells in the colours their row's tag gives.
//
// A followed log repaints the view many times a second, and shaping the same texts on
// every paint was nearly all of the program's cost. The text of each cell drawn is kept,
// elided to its column and laid out, and drawn again as it is until the row, the column's
// width or the font changes. Rows are only ever appended, so a cell is known by its row
// and column; anything that moves or removes rows drops what is kept.
class ChatRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    ChatRowDelegate(const ChatRowsModel &model, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // How many cells are kept laid out (for tests).
    qsizetype KeptCells() const { return m_cells.size(); }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    struct Cell
    {
        QStaticText text;
        int width = 0;
        bool bold = false;
    };
    const Cell &LaidOut(int row, int column, const QFont &font, int width) const;
    void Forget() { m_cells.clear(); }

    const ChatRowsModel &m_model;
    mutable QHash<quint64, Cell> m_cells;
    // The view's font the kept cells were laid out in, and its bold form.
    mutable QFont m_font;
    mutable QFont m_boldFont;
};
