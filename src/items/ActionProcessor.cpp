#include "items/ActionProcessor.h"

#include "core/AppState.h"
#include "core/IStatusText.h"
#include "items/IItemWindows.h"
#include "items/ItemDb.h"
#include "logs/Cp932LogScan.h"
#include "logs/IChatHost.h"
#include "logs/LogLine.h"
#include "platform/Cp932.h"
#include "platform/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <limits>

using namespace kiv::items;
using kiv::logs::TrimView;

namespace {

const QString kItemKind = QStringLiteral("item");
const QString kPickup = QStringLiteral("pickup");
const QString kSell = QStringLiteral("sell");
const QString kRareSuffix = QStringLiteral("_rea");

// Splits one action line at TABs in its code page form.
int SplitActionLine(QStringView line, QString &converted, kiv::logs::LogFields &fields)
{
    fields.clear();
    converted.clear();
    if (kiv::cp932::FirstOutsideCodePage(line) >= 0) {
        converted = kiv::cp932::ToAnsiForm(line);
        line = converted;
    }
    return int(kiv::logs::SplitAnsiLine(line, fields));
}

QStringView ItemNameOf(QStringView itemText)
{
    const qsizetype bracket = itemText.indexOf(u'(');
    return bracket < 0 ? QStringView() : itemText.first(bracket);
}

int SaturatingAdd(int a, int b)
{
    const qint64 sum = qint64(a) + b;
    return int(std::clamp<qint64>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool IsColouredCategory(const QString &category)
{
    return category == QStringLiteral("武器") || category == QStringLiteral("防具") ||
           category == QStringLiteral("ユニット");
}

} // namespace

ActionProcessor::ActionProcessor(AppState &state, IChatHost &host, IStatusText &status)
    : m_state(state)
    , m_host(host)
    , m_status(status)
{
}

QString ActionProcessor::CounterText(int itemPickups, int moneyTotal, int moneyPickups)
{
    return QStringLiteral("　アイテム:") + QString::number(itemPickups) + QStringLiteral("　/　") +
           QString::number(moneyTotal) + QStringLiteral(" ペルカ (") + QString::number(moneyPickups) + u')';
}

void ActionProcessor::Learn(const QString &itemName)
{
    if (kiv::itemdb::LearnItem(m_state.itemDb, itemName))
        m_host.AppendInfoLine(QStringLiteral("【ItemDB】") + itemName + QStringLiteral("が追加されました。"));
}

void ActionProcessor::ProcessActionText(QStringView text, ProcessingMode mode)
{
    const bool live = mode == ProcessingMode::Live;
    kiv::logs::LogFields fields;
    QString converted;
    QString tag;
    // Names already looked up in this block, with their rare flag: a day repeats the same
    // few items many times. The views point into `text`, which stays whole during the call,
    // and nothing but this block adds to the database meanwhile.
    QHash<QStringView, bool> seen;
    kiv::logs::ForEachLine(text, [&](QStringView line) {
        if (SplitActionLine(line, converted, fields) != 6)
            return;
        const bool inText = converted.isEmpty();
        const QStringView time = TrimView(fields[0]);
        const QStringView id = TrimView(fields[1]);
        const QStringView name = TrimView(fields[2]);
        const QStringView act = TrimView(fields[3]);
        const QStringView itemText = TrimView(fields[5]);
        const QStringView itemName = ItemNameOf(itemText);
        tag.clear();
        tag += u'$';
        if (act.size() >= 2) {
            for (const QChar c : act.sliced(1, act.size() - 2))
                tag += c.unicode() < 0x80 ? QChar(c.unicode() >= u'A' && c.unicode() <= u'Z' ? c.unicode() + 32 : c.unicode())
                                          : c.toLower();
        }
        const qsizetype wordLength = tag.size() - 1;

        bool rare = false;
        const auto known = seen.constFind(itemName);
        if (known != seen.cend()) {
            rare = known.value();
        } else {
            const QString nameText = itemName.toString();
            Learn(nameText);
            rare = kiv::itemdb::IsRareItem(m_state, nameText);
            if (inText)
                seen.insert(itemName, rare);
        }
        if (rare)
            tag += kRareSuffix;

        if (live)
            ProcessLive(id.toString(), name.toString(), tag.sliced(1, wordLength), itemText.toString(), itemName.toString(), tag);
        if (m_state.actionLog)
            m_host.AddChatRow(LogLineView{time, id, name, itemText, tag});
    });
}

void ActionProcessor::ProcessLive(const QString &id, const QString &name, const QString &word,
                                  const QString &itemText, const QString &itemName, const QString &tag)
{
    const QString alarm = m_host.MatchWanted(kItemKind, id, name, itemName);
    if (!alarm.isEmpty())
        m_host.RunBeep(alarm.toLower());
    IItemWindows *windows = m_windows;
    if (windows && (windows->IsDistributionShowing() || windows->IsByKindShowing())) {
        DistributionTally &distribution = windows->Distribution();
        if (m_state.itemSellClear && word == kSell)
            distribution.ClearItemWindow();
        if (distribution.IsEmpty()) {
            m_state.itemPickups = 0;
            m_state.moneyTotal = 0;
            m_state.moneyPickups = 0;
        }
        if (word == kPickup) {
            if (itemName == kMoneyName) {
                const QString &to = m_state.moneyToPicker ? id : kPotId;
                const QString &toName = m_state.moneyToPicker ? name : kMoneyName;
                distribution.AddPickup(to, toName, itemText, kWhite, kGreen);
                windows->ByKind().AddPickupByKind(to, toName, itemText, kWhite, kGreen);
                m_state.moneyTotal = SaturatingAdd(m_state.moneyTotal, AmountOf(itemText));
                m_state.moneyPickups = SaturatingAdd(m_state.moneyPickups, 1);
            } else {
                const bool rare = tag == QStringLiteral("$pickup_rea");
                const bool coloured = IsColouredCategory(GetField(itemName, 0, m_state.itemDb));
                const unsigned background = !rare ? kWhite : (coloured ? kPink : kPalePink);
                const unsigned font = coloured ? kBlue : (rare ? kBlack : kGreen);
                distribution.AddPickup(id, name, itemName, background, font);
                windows->ByKind().AddPickupByKind(id, name, itemText, background, font);
                m_state.itemPickups = SaturatingAdd(m_state.itemPickups, 1);
            }
            m_status.SetStatusText(CounterText(m_state.itemPickups, m_state.moneyTotal, m_state.moneyPickups));
        }
        windows->TallyChanged();
    }
    m_host.MarkActive(id, name);
}

QStringList ActionProcessor::ItemNamesOfLog(const QByteArray &bytes)
{
    QStringList names;
    if (kiv::logs::IsCp932Log(bytes)) {
        // Straight from the bytes, each distinct name of the file decoded once: a makeup
        // scans months of logs.
        kiv::logs::FirstSeenFields firstSeen(
            [&](QByteArrayView item) { names.append(kiv::cp932::DecodeToAnsiForm(item)); });
        kiv::logs::ForEachCp932Line(bytes, false, [&](const kiv::logs::ByteFields &line) {
            if (line.count >= 6)
                firstSeen.Add(ItemNameBytes(line.field[5]));
        });
        firstSeen.Finish();
        return names;
    }
    const QString text = kiv::text::Decode(bytes).text;
    kiv::logs::LogFields fields;
    QString converted;
    kiv::logs::ForEachLine(text, [&](QStringView line) {
        if (SplitActionLine(line, converted, fields) >= 6)
            names.append(ItemNameOf(fields[5]).toString());
    });
    return names;
}

bool ActionProcessor::ScanActionLogsForItems(const QString &folder, const QString &prefix, QString *error,
                                             const std::function<void(const QString &)> &beforeFile,
                                             const QHash<QString, ActionLogItems> *known)
{
    const QDir dir(folder);
    QStringList names = dir.entryList(QDir::Files, QDir::Unsorted);
    names.removeIf([&prefix](const QString &fileName) {
        return !fileName.startsWith(prefix, Qt::CaseInsensitive) || !fileName.endsWith(u".txt", Qt::CaseInsensitive);
    });
    struct FileItems
    {
        bool ok = false;
        QString error;
        QStringList items;
    };
    // Read and cut on worker threads; the names are learnt here, file by file in order.
    const auto read = [&dir, &names, known](int index) {
        FileItems result;
        const QString path = dir.filePath(names[index]);
        if (known) {
            const auto it = known->constFind(names[index]);
            if (it != known->cend()) {
                const QFileInfo info(path);
                if (info.size() == it->size && info.lastModified() == it->modified) {
                    result.ok = true;
                    result.items = it->names;
                    return result;
                }
            }
        }
        const kiv::text::ReadResult read = kiv::text::ReadWholeFile(path);
        result.ok = read.ok;
        result.error = read.error;
        if (read.ok)
            result.items = ItemNamesOfLog(read.bytes);
        return result;
    };
    bool allRead = true;
    kiv::logs::InOrderOnThreads<FileItems>(
        int(names.size()), kiv::logs::LogScanThreads(), read, [&](int index, FileItems &&file) {
            if (beforeFile)
                beforeFile(names[index]);
            m_host.AppendInfoLine(QStringLiteral("  ") + names[index]);
            // The scan ends at the first file it cannot read.
            if (!file.ok) {
                if (error)
                    *error = file.error;
                allRead = false;
                return false;
            }
            for (const QString &item : std::as_const(file.items))
                Learn(item);
            return true;
        });
    return allRead;
}
