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
    const StoredRow &r = m_rows[size_t(index.row())];
    const QString &tag = m_tags[r.tag];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return ColumnText(r, index.column());
    case TagRole:
        return tag;
    case TextColourRole:
        if (index.column() == TimeColumn)
            return {};
        return index.column() == TextColumn ? ChatTextStyle(tag).text : 0u;
    case BackgroundColourRole:
        if (index.column() == TextColumn) {
            const ChatCellStyle style = ChatTextStyle(tag);
            if (style.background)
                return *style.background;
        }
        return {};
    case BoldRole:
        return index.column() == TextColumn && ChatTextStyle(tag).bold;
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

QString ChatRowsModel::ColumnText(const StoredRow &r, int column) const
{
    switch (column) {
    case TimeColumn: return r.Time().toString();
    case IdColumn: return r.Id().toString();
    case NameColumn: return r.Name().toString();
    case TextColumn: return r.Text().toString();
    default: return {};
    }
}

ChatRowsModel::StoredRow ChatRowsModel::Store(const LogLineView &row)
{
    StoredRow stored;
    const qsizetype size = row.time.size() + row.id.size() + row.name.size() + row.text.size();
    stored.texts.resize(size);
    char16_t *d = reinterpret_cast<char16_t *>(stored.texts.data());
    for (const QStringView part : {row.time, row.id, row.name, row.text}) {
        std::copy_n(part.utf16(), part.size(), d);
        d += part.size();
    }
    stored.timeLength = quint32(row.time.size());
    stored.idLength = quint32(row.id.size());
    stored.nameLength = quint32(row.name.size());
    // Tags repeat from row to row; the last one is the likeliest.
    if (!m_tags.isEmpty() && m_tags[m_lastTag] == row.tag) {
        stored.tag = m_lastTag;
        return stored;
    }
    const QString tag = row.tag.toString();
    const auto found = m_tagIndex.constFind(tag);
    if (found != m_tagIndex.constEnd()) {
        stored.tag = *found;
    } else {
        stored.tag = quint32(m_tags.size());
        m_tags.append(tag);
        m_tagIndex.insert(tag, stored.tag);
    }
    m_lastTag = stored.tag;
    return stored;
}

LogLineRecord ChatRowsModel::Row(int row) const
{
    const StoredRow &r = m_rows.at(size_t(row));
    return {r.Time().toString(), r.Id().toString(), r.Name().toString(), r.Text().toString(), m_tags[r.tag]};
}

void ChatRowsModel::Stage(const LogLineView &row)
{
    m_staged.push_back(Store(row));
}

void ChatRowsModel::CommitStaged()
{
    if (m_staged.empty())
        return;
    const int first = int(m_rows.size());
    // The last index is first + n - 1, not first + n.
    beginInsertRows(QModelIndex(), first, first + int(m_staged.size()) - 1);
    if (m_rows.empty()) {
        m_rows.swap(m_staged);
    } else {
        // No exact reserve here: growing by one batch at a time would copy every row on
        // every append.
        m_rows.insert(m_rows.end(), std::make_move_iterator(m_staged.begin()),
                      std::make_move_iterator(m_staged.end()));
    }
    m_staged.clear();
    endInsertRows();
}

void ChatRowsModel::AppendRows(const std::vector<LogLineRecord> &rows)
{
    for (const LogLineRecord &row : rows)
        Stage(ViewOf(row));
    CommitStaged();
}

void ChatRowsModel::AppendRow(const LogLineRecord &row)
{
    Stage(ViewOf(row));
    CommitStaged();
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
                     [](const StoredRow &a, const StoredRow &b) { return a.Time() < b.Time(); });
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
