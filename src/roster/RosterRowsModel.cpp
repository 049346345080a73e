#include "roster/RosterRowsModel.h"

#include "core/AppState.h"

namespace {

// The colour tables have ten entries.
int ValidRank(int rank)
{
    return rank >= 0 && rank < int(kRankColours.size()) ? rank : 0;
}

} // namespace

RosterRowsModel::RosterRowsModel(QObject *parent) : QAbstractTableModel(parent) {}

int RosterRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shown;
}

int RosterRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

quint32 RosterRowsModel::LatestCells(const QStringList &values)
{
    quint32 cells = 0;
    if (values.isEmpty() || values.first().isEmpty())
        return cells;
    for (int c = 1; c < kColumnCount && c - 1 < values.size(); ++c) {
        if (values[c - 1] == values.first())
            cells |= 1u << c;
    }
    return cells;
}

QVariant RosterRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown)
        return {};
    const Row &row = m_rows[size_t(index.row())];
    const int c = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (c == 0)
            return row.caption;
        return c - 1 < row.values.size() ? row.values[c - 1] : QString();
    case TextColourRole:
        if (c == 0)
            return kRankColours[size_t(row.rank)].text;
        return (row.latestCells >> c) & 1u ? 0xFF3333u : 0x000000u;
    case BackgroundColourRole:
        return c == 0 ? kRankColours[size_t(row.rank)].background : 0xFFFFFFu;
    case BoldRole:
        return c != 0 && ((row.latestCells >> c) & 1u);
    case RankRole:
        return row.rank;
    default:
        return {};
    }
}

QVariant RosterRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == 0)
        return QStringLiteral("ID");
    if (section == 1)
        return QStringLiteral("Active");
    return QString();
}

int RosterRowsModel::FindRow(QStringView caption) const
{
    return m_byCaption.value(caption.toString().toCaseFolded(), -1);
}

void RosterRowsModel::AppendRow(const QString &caption, const QStringList &values, int rank)
{
    const int at = int(m_rows.size());
    m_rows.push_back(Row{caption, values, ValidRank(rank), LatestCells(values)});
    const QString folded = caption.toCaseFolded();
    if (!m_byCaption.contains(folded))
        m_byCaption.insert(folded, at);
    if (!m_flushQueued) {
        m_flushQueued = true;
        QMetaObject::invokeMethod(this, &RosterRowsModel::Flush, Qt::QueuedConnection);
    }
}

void RosterRowsModel::Flush()
{
    m_flushQueued = false;
    const int count = int(m_rows.size());
    if (count <= m_shown)
        return;
    beginInsertRows(QModelIndex(), m_shown, count - 1);
    m_shown = count;
    endInsertRows();
}

void RosterRowsModel::SetValues(int row, const QStringList &values, int rank)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    Row &r = m_rows[size_t(row)];
    r.values = values;
    r.rank = ValidRank(rank);
    r.latestCells = LatestCells(values);
    if (row < m_shown)
        emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void RosterRowsModel::RefreshRanks(const std::function<int(QStringView)> &rankOf)
{
    for (Row &r : m_rows)
        r.rank = ValidRank(rankOf(r.caption));
    if (m_shown > 0)
        emit dataChanged(index(0, 0), index(m_shown - 1, 0));
}

void RosterRowsModel::Clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_byCaption.clear();
    m_shown = 0;
    endResetModel();
}
