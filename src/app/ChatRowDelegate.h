#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

#include <array>

class ChatRowsModel;

// Draws chat cells in the colours their row's tag gives.
//
// A followed log repaints the view many times a second, and shaping the same texts on
// every paint was nearly all of the program's cost. Each text drawn is kept, elided to its
// column and laid out, and drawn again as it is until the column's width or the font
// changes. Texts are kept by their content, not by their row, so a cleared, sorted or
// refilled view never shows a text kept for another row, and the times, IDs and names
// that repeat from row to row are laid out once.
class ChatRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    ChatRowDelegate(const ChatRowsModel &model, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

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

    const ChatRowsModel &m_model;
    // Per column, and one more for bold texts.
    mutable std::array<QHash<QString, Cell>, 5> m_kept;
    // The view's font the kept cells were laid out in, and its bold form.
    mutable QFont m_seenFont; // the view's font the two below were made from
    mutable QFont m_font;
    mutable QFont m_boldFont;
};
