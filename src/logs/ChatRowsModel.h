#pragma once

#include "logs/LogLineRecord.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <vector>

// How the text cell of a chat row is drawn, from the row's tag. Colours are 0x00BBGGRR.
struct ChatCellStyle
{
    unsigned text = 0x000000;
    std::optional<unsigned> background;
    bool bold = false;
};

ChatCellStyle ChatTextStyle(QStringView tag);

// The rows of the chat view: time, ID, name, text, with the tag kept beside them.
// Rows are appended in batches, one insert notification per batch, so a whole day's
// log replays quickly. A day can bring hundreds of thousands of rows, so rows keep their
// four texts one after the other in large shared blocks (rows are only ever added, all
// removed at once, or reordered, so a block never needs to give back a single row's text)
// and their tag as an index into a small table of the tags seen (there are only a few
// kinds).
class ChatRowsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { TimeColumn = 0, IdColumn, NameColumn, TextColumn, ColumnCount };
    enum Role {
        TagRole = Qt::UserRole + 1,
        TextColourRole, // unsigned 0x00BBGGRR
        BackgroundColourRole, // unsigned 0x00BBGGRR, or invalid for the view's own
        BoldRole,
    };

    explicit ChatRowsModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void AppendRows(const std::vector<LogLineRecord> &rows);
    void AppendRow(const LogLineRecord &row);
    // Rows gathered while a block is processed, then added with one notification.
    void Stage(const LogLineView &row);
    void CommitStaged();
    void Clear();
    // Stable sort by the time text (rows of equal time keep no particular order).
    void SortByTime();

    LogLineRecord Row(int row) const;
    int Count() const { return int(m_rows.size()); }

    // For drawing: one cell's text and the style of a row's text cell, without copies.
    // The row must exist.
    QStringView CellText(int row, int column) const;
    const ChatCellStyle &TextStyleOf(int row) const { return m_tagStyles[m_rows.at(row).tag]; }

private:
    // 24 bytes a row: the lengths of time, ID and name take 16 bits each. A row whose
    // time, ID or name is longer (only a damaged file has such a line) is marked by
    // kLongParts in place of its time length and keeps the three lengths in front of its
    // texts, as three 32-bit values.
    static constexpr quint16 kLongParts = 0xFFFF;
    static constexpr qsizetype kLongPartsHeader = 3 * sizeof(quint32) / sizeof(char16_t); // units

    struct StoredRow
    {
        const char16_t *texts = nullptr; // time, ID, name and text, one after the other
        quint32 textLength = 0;
        quint32 tag = 0; // index into m_tags
        quint16 timeLength = 0;
        quint16 idLength = 0;
        quint16 nameLength = 0;

        struct Lengths
        {
            qsizetype time;
            qsizetype id;
            qsizetype name;
        };
        Lengths PartLengths() const
        {
            if (timeLength != kLongParts)
                return {timeLength, idLength, nameLength};
            quint32 lengths[3];
            std::memcpy(lengths, texts - kLongPartsHeader, sizeof lengths);
            return {lengths[0], lengths[1], lengths[2]};
        }
        QStringView Time() const { return QStringView(texts, PartLengths().time); }
        QStringView Id() const
        {
            const Lengths l = PartLengths();
            return QStringView(texts + l.time, l.id);
        }
        QStringView Name() const
        {
            const Lengths l = PartLengths();
            return QStringView(texts + l.time + l.id, l.name);
        }
        QStringView Text() const
        {
            const Lengths l = PartLengths();
            return QStringView(texts + l.time + l.id + l.name, textLength);
        }
        // The row's part of its text block, from the lengths of a long row on.
        QStringView Stored() const
        {
            const Lengths l = PartLengths();
            const qsizetype header = timeLength == kLongParts ? kLongPartsHeader : 0;
            return QStringView(texts - header, header + l.time + l.id + l.name + textLength);
        }
    };

    // Rows in one plain block of memory. Rows are plain values, so a growing block is
    // moved with realloc, which remaps a large block instead of copying it row by row
    // into freshly touched memory, and adding a row is a few instructions.
    class RowArray
    {
    public:
        RowArray() = default;
        RowArray(const RowArray &) = delete;
        RowArray &operator=(const RowArray &) = delete;
        ~RowArray() { std::free(m_data); }

        qsizetype size() const { return m_size; }
        bool empty() const { return m_size == 0; }
        StoredRow *begin() { return m_data; }
        StoredRow *end() { return m_data + m_size; }
        const StoredRow &operator[](qsizetype i) const { return m_data[i]; }
        const StoredRow &at(qsizetype i) const
        {
            if (i < 0 || i >= m_size)
                throw std::out_of_range("ChatRowsModel: no such row");
            return m_data[i];
        }

        StoredRow &emplace_back()
        {
            if (m_size == m_capacity)
                Reserve(std::max<qsizetype>(2 * m_capacity, 1024));
            return m_data[m_size++] = StoredRow();
        }
        void append(const RowArray &other)
        {
            if (m_size + other.m_size > m_capacity)
                Reserve(std::max(m_size + other.m_size, 2 * m_capacity));
            std::copy_n(other.m_data, other.m_size, m_data + m_size);
            m_size += other.m_size;
        }
        void clear() { m_size = 0; }
        void swap(RowArray &other) noexcept
        {
            std::swap(m_data, other.m_data);
            std::swap(m_size, other.m_size);
            std::swap(m_capacity, other.m_capacity);
        }

    private:
        void Reserve(qsizetype capacity)
        {
            void *grown = std::realloc(m_data, size_t(capacity) * sizeof(StoredRow));
            if (!grown)
                throw std::bad_alloc();
            m_data = static_cast<StoredRow *>(grown);
            m_capacity = capacity;
        }

        StoredRow *m_data = nullptr;
        qsizetype m_size = 0;
        qsizetype m_capacity = 0;
    };
    static_assert(std::is_trivially_copyable_v<StoredRow> && std::is_trivially_destructible_v<StoredRow>,
                  "rows are moved with realloc");
    static_assert(sizeof(StoredRow) <= 24, "a day holds hundreds of thousands of rows");

    void Store(const LogLineView &row, StoredRow &stored);
    // Room for `units` characters that stays where it is until the rows are cleared.
    char16_t *TextSpace(qsizetype units)
    {
        if (units > m_freeUnits)
            return NewTextSpace(units);
        char16_t *const space = m_free;
        m_free += units;
        m_freeUnits -= units;
        return space;
    }
    char16_t *NewTextSpace(qsizetype units);
    quint32 TagIndex(QStringView tag);
    QString ColumnText(const StoredRow &row, int column) const;
    static QStringView PartOf(const StoredRow &row, int column);

    RowArray m_rows;
    RowArray m_staged;
    // The blocks the rows' texts live in, and the free end of the last one.
    std::vector<std::unique_ptr<char16_t[]>> m_blocks;
    char16_t *m_free = nullptr;
    qsizetype m_freeUnits = 0;
    QStringList m_tags;
    std::vector<ChatCellStyle> m_tagStyles; // beside m_tags: the style each tag gives
    QHash<QString, quint32> m_tagIndex;
    std::array<quint32, 64> m_tagSlots{}; // 1 + index into m_tags; 0 when empty
};
