#include "logs/ChatRowsModel.h"

#include <algorithm>

ChatCellStyle ChatTextStyle(QStringView tag)
{
    struct Rule
    {
        const char16_t *contains;
        ChatCellStyle style;
    };
    // First match wins; "$pickup_rea" must come before "$pickup", which it contains.
    static const Rule rules[] = {
        {u"@", {0xFF5555, std::nullopt, true}},
        {u"$pickup_rea", {0x000000, 0xBBBBFF, false}},
        {u"$pickup", {0x00AA00, std::nullopt, false}},
        {u"$sell", {0xFF00FF, std::nullopt, false}},
        {u"$buy", {0x3333FF, std::nullopt, false}},
        {u"$mr_buy", {0x3333FF, std::nullopt, false}},
        {u"$put", {0xFF0077, std::nullopt, false}},
        {u"%<Send>", {0x000000, 0xFFBBBB, false}},
        {u"%<Recv>", {0x000000, 0xBBDDFF, false}},
        {u"<Public>", {0x808080, std::nullopt, false}},
    };
    for (const Rule &rule : rules) {
        if (tag.contains(QStringView(rule.contains)))
            return rule.style;
    }
    return {};
}

ChatRowsModel::ChatRowsModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int ChatRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ChatRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ChatRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const LogLineRecord &r = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case TimeColumn: return r.time;
        case IdColumn: return r.id;
        case NameColumn: return r.name;
        case TextColumn: return r.text;
        default: return {};
        }
    case TagRole:
        return r.tag;
    case TextColourRole:
        if (index.column() == TimeColumn)
            return {};
        return index.column() == TextColumn ? ChatTextStyle(r.tag).text : 0u;
    case BackgroundColourRole:
        if (index.column() == TextColumn) {
            const ChatCellStyle style = ChatTextStyle(r.tag);
            if (style.background)
                return *style.background;
        }
        return {};
    case BoldRole:
        return index.column() == TextColumn && ChatTextStyle(r.tag).bold;
    default:
        return {};
    }
}

QVariant ChatRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TimeColumn: return QStringLiteral("時刻");
    case IdColumn: return QStringLiteral("ID");
    case NameColumn: return QStringLiteral("名前");
    case TextColumn: return QStringLiteral("Chat");
    default: return {};
    }
}

void ChatRowsModel::AppendRows(std::vector<LogLineRecord> rows)
{
    if (rows.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
}

void ChatRowsModel::AppendRow(LogLineRecord row)
{
    std::vector<LogLineRecord> one;
    one.push_back(std::move(row));
    AppendRows(std::move(one));
}

void ChatRowsModel::Clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void ChatRowsModel::SortByTime()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const LogLineRecord &a, const LogLineRecord &b) { return a.time < b.time; });
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
