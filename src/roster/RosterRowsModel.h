#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

#include <functional>
#include <vector>

// The rows of the roster view: per player the ID (the caption), the latest name and the
// names of the roster entry. Each row keeps what drawing it needs (the rank and which
// name cells show the latest name), so painting looks nothing up. Rows are found by
// caption through an index (case ignored); they are only ever added, changed in place
// or all removed at once.
//
// Added rows reach the view together, once per turn of the event loop (or at Flush()),
// so a roster command that shows tens of thousands of players inserts them in one go.
// Count(), Caption() and Values() see every row at once; rowCount() only those the
// view has been told of.
class RosterRowsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kColumnCount = 14;
    enum Role {
        TextColourRole = Qt::UserRole + 1, // unsigned 0x00BBGGRR
        BackgroundColourRole, // unsigned 0x00BBGGRR
        BoldRole,
        RankRole,
    };

    explicit RosterRowsModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The first row whose caption equals `caption`, case ignored; -1 when none.
    int FindRow(QStringView caption) const;
    // `values`: the latest name, then the roster names (more than 13 are kept, not shown).
    void AppendRow(const QString &caption, const QStringList &values, int rank);
    void SetValues(int row, const QStringList &values, int rank);
    // Looks the rank of every row up again (after a note was edited).
    void RefreshRanks(const std::function<int(QStringView)> &rankOf);
    void Clear();
    // Tells the view of the rows added since the last time.
    void Flush();

    int Count() const { return int(m_rows.size()); }
    const QString &Caption(int row) const { return m_rows.at(size_t(row)).caption; }
    const QStringList &Values(int row) const { return m_rows.at(size_t(row)).values; }
    int Rank(int row) const { return m_rows.at(size_t(row)).rank; }

private:
    struct Row
    {
        QString caption;
        QStringList values;
        int rank = 0;
        quint32 latestCells = 0; // bit c: column c shows the latest name
    };
    static quint32 LatestCells(const QStringList &values);

    std::vector<Row> m_rows;
    int m_shown = 0; // rows the view has been told of
    bool m_flushQueued = false;
    QHash<QString, int> m_byCaption; // folded caption -> first row
};
