#pragma once

#include "logs/ILogProcessors.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

struct AppState;
class IChatHost;
class IItemWindows;
class IStatusText;

// The item names of an action log file and how the file was when they were read.
struct ActionLogItems
{
    qint64 size = -1;
    QDateTime modified;
    QStringList names;
};

// Turns action log text (pick-ups, sales, purchases, one line each) into chat rows, learns
// every item name into the item database and, for live text, feeds the item windows,
// counts pick-ups and money in the status text, raises wanted alarms for items and
// marks the player active. Only lines of exactly six fields are read.
//
// A money line whose digits are missing or do not fit a 32-bit signed integer has the
// amount 0 and is still counted as a money pick-up; the money total stops at the largest
// 32-bit value rather than wrapping.
class ActionProcessor
{
public:
    ActionProcessor(AppState &state, IChatHost &host, IStatusText &status);

    void SetItemWindows(IItemWindows *windows) { m_windows = windows; }

    // `text` holds action lines, each ended by CR LF.
    void ProcessActionText(QStringView text, ProcessingMode mode);

    // Learns the item names of every file in `folder` whose name begins with `prefix` and
    // ends in ".txt" (letter case ignored). Nothing else happens. A file that cannot be
    // read ends the scan with `error` set; what was learned before stays. `beforeFile`
    // runs before each file is read.
    // `known` holds item names a pass over the same files has found already (ItemsOfLog),
    // by file name: a file that is still as it was then is not read again.
    [[nodiscard]] bool ScanActionLogsForItems(const QString &folder, const QString &prefix, QString *error,
                                              const std::function<void(const QString &)> &beforeFile = {},
                                              const QHash<QString, ActionLogItems> *known = nullptr);

    // The item names of one action log's bytes, in the order the scan learns them.
    static QStringList ItemNamesOfLog(const QByteArray &bytes);
    // The item name in the bytes of an item field of a code page line: up to "(", or none.
    static QByteArrayView ItemNameBytes(QByteArrayView itemField)
    {
        const qsizetype bracket = itemField.indexOf('(');
        return bracket < 0 ? QByteArrayView() : itemField.first(bracket);
    }

    // "　アイテム:" n "　/　" money " ペルカ (" n ")".
    static QString CounterText(int itemPickups, int moneyTotal, int moneyPickups);

private:
    void Learn(const QString &itemName);
    void ProcessLive(const QString &id, const QString &name, const QString &word, const QString &itemText,
                     const QString &itemName, const QString &tag);

    AppState &m_state;
    IChatHost &m_host;
    IStatusText &m_status;
    IItemWindows *m_windows = nullptr;
};
