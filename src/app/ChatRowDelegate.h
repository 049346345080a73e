#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QStaticText>
#include <QStyledItemDelegate>

#include <array>
#include <optional>

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

    // Off: every text is laid out, as the texts that need it are (drawing must not differ).
    void SetPlacesGlyphs(bool on);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    // A text of the scripts that need no shaping is kept as the glyphs of the view's own
    // font, placed by their advances: most new rows are drawn without a text layout. Others
    // (a glyph the font lacks, scripts that are shaped, marks that combine) are laid out.
    struct Cell
    {
        QGlyphRun glyphs;  // empty: `text` is drawn
        qreal ascent = 0;  // of `glyphs`
        QStaticText text;
        qreal height = 0;
        int width = 0;
        bool bold = false;
    };
    const Cell &LaidOut(int row, int column, const QFont &font, int width) const;
    // Fills `cell.glyphs` with `line` elided to `width`; false when it needs a layout.
    bool PlaceGlyphs(Cell &cell, const QString &line, const QRawFont &font, int width) const;

    const ChatRowsModel &m_model;
    // Per column, and one more for bold texts.
    mutable std::array<QHash<QString, Cell>, 5> m_kept;
    // The view's font the kept cells were laid out in, and its bold form.
    mutable std::optional<QFont> m_seenFont; // the view's font the ones below were made from
    mutable QFont m_font;
    mutable QFont m_boldFont;
    mutable QRawFont m_raw;
    mutable QRawFont m_rawBold;
    mutable qreal m_lineHeight = 0;
    mutable qreal m_boldLineHeight = 0;
    bool m_placesGlyphs = true;
};
