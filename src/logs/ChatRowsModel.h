#pragma once

#include "logs/LogLineRecord.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

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
// log replays quickly. A day can bring hundreds of thousands of rows, so each row keeps
// its four texts in one string and its tag as an index into a small table of the tags
// seen (there are only a few kinds).
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

private:
    struct StoredRow
    {
        QString texts; // time, ID, name and text, one after the other
        quint32 timeLength = 0;
        quint32 idLength = 0;
        quint32 nameLength = 0;
        quint32 tag = 0; // index into m_tags

        QStringView Time() const { return QStringView(texts).first(timeLength); }
        QStringView Id() const { return QStringView(texts).sliced(timeLength, idLength); }
        QStringView Name() const { return QStringView(texts).sliced(timeLength + idLength, nameLength); }
        QStringView Text() const { return QStringView(texts).sliced(timeLength + idLength + nameLength); }
    };

    StoredRow Store(const LogLineView &row);
    QString ColumnText(const StoredRow &row, int column) const;

    std::vector<StoredRow> m_rows;
    std::vector<StoredRow> m_staged;
    QStringList m_tags;
    QHash<QString, quint32> m_tagIndex;
    quint32 m_lastTag = 0;
};
