#pragma once

#include "logs/LogLineRecord.h"

#include <QAbstractTableModel>

#include <optional>
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
// log replays quickly.
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

    void AppendRows(std::vector<LogLineRecord> rows);
    void AppendRow(LogLineRecord row);
    void Clear();
    // Stable sort by the time text (rows of equal time keep no particular order).
    void SortByTime();

    const LogLineRecord &Row(int row) const { return m_rows.at(size_t(row)); }
    int Count() const { return int(m_rows.size()); }

private:
    std::vector<LogLineRecord> m_rows;
};
