#include "app/ChatRowDelegate.h"

#include "logs/ChatRowsModel.h"
#include "widgets/Colours.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>

namespace {

// Enough texts for several screens of rows; past it a column's kept texts are dropped and
// the visible cells are laid out again, which costs one ordinary paint.
constexpr qsizetype kMaxKeptTexts = 2048;
// No column shows more characters than this, and eliding a damaged line of a million
// characters would shape all of them.
constexpr qsizetype kMaxShownChars = 2048;

// Scripts whose text is its characters' glyphs side by side.
bool NeedsNoShaping(QStringView text)
{
    for (const QChar c : text) {
        if (c.isSurrogate())
            return false;
        switch (c.category()) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Other_Format:
            return false;
        default:
            break;
        }
        switch (c.script()) {
        case QChar::Script_Common:
        case QChar::Script_Latin:
        case QChar::Script_Greek:
        case QChar::Script_Cyrillic:
        case QChar::Script_Hiragana:
        case QChar::Script_Katakana:
        case QChar::Script_Han:
            break;
        default:
            return false;
        }
    }
    return true;
}

} // namespace

ChatRowDelegate::ChatRowDelegate(const ChatRowsModel &model, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
{
}

void ChatRowDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    // Used for size hints; painting takes its own way below.
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(ChatRowsModel::BoldRole).toBool())
        option->font.setBold(true);
}

const ChatRowDelegate::Cell &ChatRowDelegate::LaidOut(int row, int column, const QFont &font, int width) const
{
    if (!m_seenFont || font != *m_seenFont) {
        for (auto &texts : m_kept)
            texts.clear();
        m_seenFont = font;
        // A new row's text is laid out for its first paint, many times a second while a
        // log is followed: scripts that need no shaping (Latin, kana, kanji) skip the
        // shaper, at the price of kerning; scripts that need it are still shaped.
        m_font = font;
        m_font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
        m_boldFont = m_font;
        m_boldFont.setBold(true);
        m_raw = QRawFont::fromFont(m_font);
        m_rawBold = QRawFont::fromFont(m_boldFont);
        m_lineHeight = QFontMetricsF(m_font).height();
        m_boldLineHeight = QFontMetricsF(m_boldFont).height();
    }
    const bool bold = column == ChatRowsModel::TextColumn && m_model.TextStyleOf(row).bold;
    const QStringView shown = m_model.CellText(row, column);
    const QString text = shown.first(std::min(shown.size(), kMaxShownChars)).toString();
    // Texts are kept per column, as the columns differ in width; bold texts apart.
    QHash<QString, Cell> &kept = m_kept[bold ? size_t(ChatRowsModel::ColumnCount) : size_t(column)];
    const auto found = kept.constFind(text);
    if (found != kept.cend() && found->width == width)
        return *found;
    if (found == kept.cend() && kept.size() >= kMaxKeptTexts)
        kept.clear();

    const QFont &cellFont = bold ? m_boldFont : m_font;
    QString line = text;
    for (QChar &c : line) {
        if (c.unicode() < 0x20)
            c = u' '; // one line per row, as the view shows it
    }
    Cell cell;
    cell.width = width;
    cell.bold = bold;
    if (PlaceGlyphs(cell, line, bold ? m_rawBold : m_raw, width)) {
        cell.height = bold ? m_boldLineHeight : m_lineHeight;
        return *kept.insert(text, std::move(cell));
    }
    cell.text.setTextFormat(Qt::PlainText);
    cell.text.setText(line);
    cell.text.prepare(QTransform(), cellFont);
    // Most cells fit; only those that do not are shaped again, elided.
    if (cell.text.size().width() > width) {
        cell.text.setText(QFontMetrics(cellFont).elidedText(line, Qt::ElideRight, std::max(width, 0)));
        cell.text.prepare(QTransform(), cellFont);
    }
    cell.height = cell.text.size().height();
    return *kept.insert(text, std::move(cell));
}

void ChatRowDelegate::SetPlacesGlyphs(bool on)
{
    m_placesGlyphs = on;
    for (auto &texts : m_kept)
        texts.clear();
}

bool ChatRowDelegate::PlaceGlyphs(Cell &cell, const QString &line, const QRawFont &font, int width) const
{
    if (!m_placesGlyphs || !font.isValid() || !NeedsNoShaping(line))
        return false;
    QList<quint32> glyphs = font.glyphIndexesForString(line);
    if (glyphs.size() != line.size() || glyphs.contains(0u))
        return false;
    QList<QPointF> advances = font.advancesForGlyphIndexes(glyphs);
    qreal total = 0;
    for (const QPointF &advance : std::as_const(advances))
        total += advance.x();
    if (total > width) {
        // As the text layout elides: as many characters as fit before the ellipsis.
        const QList<quint32> ellipsis = font.glyphIndexesForString(QStringLiteral("\u2026"));
        if (ellipsis.size() != 1 || ellipsis.front() == 0)
            return false;
        const qreal ellipsisWidth = font.advancesForGlyphIndexes(ellipsis).front().x();
        qsizetype fit = 0;
        for (qreal x = 0; fit < glyphs.size() && x + advances[fit].x() + ellipsisWidth <= width; ++fit)
            x += advances[fit].x();
        glyphs.resize(fit);
        advances.resize(fit);
        if (ellipsisWidth <= width) {
            glyphs.append(ellipsis.front());
            advances.append(QPointF(ellipsisWidth, 0));
        }
    }
    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    qreal x = 0;
    for (const QPointF &advance : std::as_const(advances)) {
        positions.append(QPointF(x, 0));
        x += advance.x();
    }
    cell.glyphs.setRawFont(font);
    cell.glyphs.setGlyphIndexes(glyphs);
    cell.glyphs.setPositions(positions);
    cell.ascent = font.ascent();
    return true;
}

void ChatRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int row = index.row();
    const int column = index.column();
    if (row < 0 || row >= m_model.Count() || column < 0 || column >= ChatRowsModel::ColumnCount) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QWidget *widget = option.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Normal
                                                                               : QPalette::Inactive;
    const ChatCellStyle &cellStyle = m_model.TextStyleOf(row);

    QColor textColour = option.palette.color(group, QPalette::Text);
    if (selected) {
        painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        textColour = option.palette.color(group, QPalette::HighlightedText);
    } else if (column == ChatRowsModel::TextColumn) {
        if (cellStyle.background)
            painter->fillRect(option.rect, kiv::ui::FromBgr(*cellStyle.background));
        textColour = kiv::ui::FromBgr(cellStyle.text);
    } else if (column != ChatRowsModel::TimeColumn) {
        textColour = Qt::black;
    }

    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = option.rect.adjusted(margin, 0, -margin, 0);
    const Cell &cell = LaidOut(row, column, option.font, textRect.width());
    const QPointF topLeft(textRect.left(), textRect.top() + (textRect.height() - cell.height) / 2);
    painter->save();
    painter->setPen(textColour);
    painter->setClipRect(option.rect);
    if (!cell.glyphs.isEmpty()) {
        painter->drawGlyphRun(topLeft + QPointF(0, cell.ascent), cell.glyphs);
    } else {
        painter->setFont(cell.bold ? m_boldFont : m_font); // as laid out, or it is laid out again
        painter->drawStaticText(topLeft, cell.text);
    }
    painter->restore();

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = option.rect;
        focus.state |= QStyle::State_KeyboardFocusChange;
        focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
}
