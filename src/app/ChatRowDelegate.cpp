#include "app/ChatRowDelegate.h"

#include "logs/ChatRowsModel.h"
#include "widgets/Colours.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace {

// Enough cells for several screens of rows; past it everything kept is dropped and the
// visible cells are laid out again, which costs one ordinary paint.
constexpr qsizetype kMaxKeptCells = 4096;
// No column shows more characters than this, and eliding a damaged line of a million
// characters would shape all of them.
constexpr qsizetype kMaxShownChars = 2048;

quint64 CellKey(int row, int column)
{
    return (quint64(quint32(row)) << 2) | quint64(column & 3);
}

} // namespace

ChatRowDelegate::ChatRowDelegate(const ChatRowsModel &model, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
{
    // Appended rows keep the rows before them where they are; anything else may put
    // other texts at the rows kept.
    const auto forget = [this] { Forget(); };
    connect(&model, &QAbstractItemModel::modelReset, this, forget);
    connect(&model, &QAbstractItemModel::layoutChanged, this, forget);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, forget);
    connect(&model, &QAbstractItemModel::rowsMoved, this, forget);
    connect(&model, &QAbstractItemModel::dataChanged, this, forget);
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
    if (font != m_font) {
        m_cells.clear();
        m_font = font;
        m_boldFont = font;
        m_boldFont.setBold(true);
    }
    const bool bold = column == ChatRowsModel::TextColumn && m_model.TextStyleOf(row).bold;
    const quint64 key = CellKey(row, column);
    auto found = m_cells.find(key);
    if (found != m_cells.end() && found->width == width && found->bold == bold)
        return *found;
    if (found == m_cells.end() && m_cells.size() >= kMaxKeptCells)
        m_cells.clear();

    const QFont &cellFont = bold ? m_boldFont : m_font;
    const QStringView shown = m_model.CellText(row, column);
    QString text = shown.first(std::min(shown.size(), kMaxShownChars)).toString();
    for (QChar &c : text) {
        if (c.unicode() < 0x20)
            c = u' '; // one line per row, as the view shows it
    }
    Cell cell;
    cell.width = width;
    cell.bold = bold;
    cell.text.setTextFormat(Qt::PlainText);
    cell.text.setText(text);
    cell.text.prepare(QTransform(), cellFont);
    // Most cells fit; only those that do not are shaped again, elided.
    if (cell.text.size().width() > width) {
        cell.text.setText(QFontMetrics(cellFont).elidedText(text, Qt::ElideRight, std::max(width, 0)));
        cell.text.prepare(QTransform(), cellFont);
    }
    return *m_cells.insert(key, std::move(cell));
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
