#include "logs/ChatRowsModel.h"

#include <algorithm>
#include <cstring>

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
    const StoredRow &r = m_rows[index.row()];
    const ChatCellStyle &style = m_tagStyles[r.tag];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return ColumnText(r, index.column());
    case TagRole:
        return m_tags[r.tag];
    case TextColourRole:
        if (index.column() == TimeColumn)
            return {};
        return index.column() == TextColumn ? style.text : 0u;
    case BackgroundColourRole:
        if (index.column() == TextColumn && style.background)
            return *style.background;
        return {};
    case BoldRole:
        return index.column() == TextColumn && style.bold;
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
    return PartOf(r, column).toString();
}

QStringView ChatRowsModel::PartOf(const StoredRow &r, int column)
{
    switch (column) {
    case TimeColumn: return r.Time();
    case IdColumn: return r.Id();
    case NameColumn: return r.Name();
    case TextColumn: return r.Text();
    default: return {};
    }
}

QStringView ChatRowsModel::CellText(int row, int column) const
{
    return PartOf(m_rows.at(row), column);
}

namespace {

// Units per block of row text. A row longer than a quarter of this that does not fit in
// what is left of the current block gets a block of its own, so a block is only left
// behind with less than a quarter of it unused.
constexpr qsizetype kBlockUnits = 32 * 1024;

// Four characters from `s` to `d`.
inline void CopyFour(const char16_t *s, char16_t *d)
{
    quint64 four;
    std::memcpy(&four, s, sizeof four);
    std::memcpy(d, &four, sizeof four);
}

inline bool SameFour(const char16_t *a, const char16_t *b)
{
    return std::memcmp(a, b, 4 * sizeof(char16_t)) == 0; // a fixed size: compiled inline
}

// Row texts and tags are a few dozen characters at most, so they are copied and compared
// inline, four characters at a time, the last four overlapping those before when the
// length is no multiple of four: calling the library's memmove for each of the four parts
// of every row (over a million calls for a day's replay) was measured to cost more than
// the copying itself.
Q_ALWAYS_INLINE char16_t *CopyText(QStringView part, char16_t *d)
{
    const char16_t *s = part.utf16();
    const qsizetype n = part.size();
    if (n >= 4) {
        for (qsizetype i = 0; i < n - 4; i += 4)
            CopyFour(s + i, d + i);
        CopyFour(s + n - 4, d + n - 4);
    } else {
        for (qsizetype i = 0; i < n; ++i)
            d[i] = s[i];
    }
    return d + n;
}

bool SameText(const QString &a, QStringView b)
{
    const qsizetype n = b.size();
    if (a.size() != n)
        return false;
    const char16_t *x = reinterpret_cast<const char16_t *>(a.constData());
    const char16_t *y = b.utf16();
    if (n < 4)
        return std::equal(y, y + n, x);
    for (qsizetype i = 0; i < n - 4; i += 4) {
        if (!SameFour(x + i, y + i))
            return false;
    }
    return SameFour(x + n - 4, y + n - 4);
}

} // namespace

char16_t *ChatRowsModel::NewTextSpace(qsizetype units)
{
    if (units > kBlockUnits / 4) {
        // A block of its own; the current block keeps its free end for the rows to come
        // (the blocks stay where they are when the vector holding them grows).
        m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(units));
        return m_blocks.back().get();
    }
    m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(kBlockUnits));
    m_free = m_blocks.back().get() + units;
    m_freeUnits = kBlockUnits - units;
    return m_blocks.back().get();
}

quint32 ChatRowsModel::TagIndex(QStringView tag)
{
    // Rows carry a handful of tags in no predictable order. A small table keyed by a cheap
    // hash of the text finds the tag with one comparison that nearly always succeeds; the
    // hash of all tags, which needs a copy of the text, is the fallback (and the table
    // entry, on a collision, then points at the newer tag).
    const char16_t last = tag.isEmpty() ? 0 : tag.back().unicode();
    const char16_t middle = tag.isEmpty() ? 0 : tag[tag.size() / 2].unicode();
    quint32 &slot = m_tagSlots[(quint32(tag.size()) + 31u * last + 7u * middle) % m_tagSlots.size()];
    if (slot != 0 && SameText(m_tags.at(slot - 1), tag))
        return slot - 1;
    const QString text = tag.toString();
    const auto found = m_tagIndex.constFind(text);
    quint32 index;
    if (found != m_tagIndex.constEnd()) {
        index = *found;
    } else {
        index = quint32(m_tags.size());
        m_tags.append(text);
        m_tagStyles.push_back(ChatTextStyle(text));
        m_tagIndex.insert(text, index);
    }
    slot = index + 1;
    return index;
}

void ChatRowsModel::Store(const LogLineView &row, StoredRow &stored)
{
    const qsizetype units = row.time.size() + row.id.size() + row.name.size() + row.text.size();
    stored.textLength = quint32(row.text.size());
    stored.tag = TagIndex(row.tag);
    char16_t *d;
    if (row.time.size() < kLongParts && row.id.size() < kLongParts && row.name.size() < kLongParts) {
        stored.timeLength = quint16(row.time.size());
        stored.idLength = quint16(row.id.size());
        stored.nameLength = quint16(row.name.size());
        d = TextSpace(units);
    } else {
        d = TextSpace(kLongPartsHeader + units);
        const quint32 lengths[3] = {quint32(row.time.size()), quint32(row.id.size()), quint32(row.name.size())};
        std::memcpy(d, lengths, sizeof lengths);
        d += kLongPartsHeader;
        stored.timeLength = kLongParts;
    }
    stored.texts = d;
    for (const QStringView part : {row.time, row.id, row.name, row.text})
        d = CopyText(part, d);
}

LogLineRecord ChatRowsModel::Row(int row) const
{
    const StoredRow &r = m_rows.at(row);
    return {r.Time().toString(), r.Id().toString(), r.Name().toString(), r.Text().toString(), m_tags[r.tag]};
}

void ChatRowsModel::Stage(const LogLineView &row)
{
    Store(row, m_staged.emplace_back());
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
        m_rows.append(m_staged);
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
    // Rows staged and not yet added keep pointing into the blocks: their texts move to
    // new blocks, and the old ones go.
    std::vector<std::unique_ptr<char16_t[]>> old;
    old.swap(m_blocks);
    m_free = nullptr;
    m_freeUnits = 0;
    for (StoredRow &row : m_staged) {
        const QStringView stored = row.Stored();
        const qsizetype header = row.texts - stored.utf16(); // the lengths of a long row
        char16_t *const space = TextSpace(stored.size());
        CopyText(stored, space);
        row.texts = space + header;
    }
    endResetModel();
}

void ChatRowsModel::SortByTime()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const StoredRow &a, const StoredRow &b) { return a.Time() < b.Time(); });
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
