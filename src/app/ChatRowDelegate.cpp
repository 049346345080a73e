#include "app/ChatRowDelegate.h"

#include "logs/ChatRowsModel.h"
#include "widgets/Colours.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace {

// Enough texts for several screens of rows; past it a column's kept texts are dropped and
// the visible cells are laid out again, which costs one ordinary paint.
constexpr qsizetype kMaxKeptTexts = 2048;
// No column shows more characters than this, and eliding a damaged line of a million
// characters would shape all of them.
constexpr qsizetype kMaxShownChars = 2048;

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
    if (font != m_seenFont) {
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
    cell.text.setTextFormat(Qt::PlainText);
    cell.text.setText(line);
    cell.text.prepare(QTransform(), cellFont);
    // Most cells fit; only those that do not are shaped again, elided.
    if (cell.text.size().width() > width) {
        cell.text.setText(QFontMetrics(cellFont).elidedText(line, Qt::ElideRight, std::max(width, 0)));
        cell.text.prepare(QTransform(), cellFont);
    }
    return *kept.insert(text, std::move(cell));
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
    const QSizeF size = cell.text.size();
    painter->save();
    painter->setPen(textColour);
    painter->setFont(cell.bold ? m_boldFont : m_font); // as laid out, or it is laid out again
    painter->setClipRect(option.rect);
    painter->drawStaticText(QPointF(textRect.left(), textRect.top() + (textRect.height() - size.height()) / 2),
                            cell.text);
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
