#include "items/ActionProcessor.h"

#include "core/AppState.h"
#include "core/IStatusText.h"
#include "items/IItemWindows.h"
#include "items/ItemDb.h"
#include "logs/Cp932LogScan.h"
#include "logs/DayNames.h"
#include "logs/IChatHost.h"
#include "logs/LogLine.h"
#include "platform/Cp932.h"
#include "platform/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#include <iterator>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

using namespace kiv::items;
using kiv::logs::TrimView;

namespace {

const QString kItemKind = QStringLiteral("item");
const QString kPickup = QStringLiteral("pickup");
const QString kSell = QStringLiteral("sell");
constexpr char16_t kRareSuffix[] = u"_rea";

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

// Calls `lineFn()` for every line of `text` (cut at CR, LF and CR LF) after putting its
// fields into `fields`, as SplitActionLine gives them, in one pass over the text: the
// reading hands the text on in its code page form, so a line is converted only when it
// still holds a character outside the code page.
template<typename LineFn>
void ForEachActionLine(QStringView text, QString &converted, kiv::logs::LogFields &fields, LineFn &&lineFn)
{
    using namespace kiv::logs::detail;
    const unsigned char *const kinds = UnitKinds();
    const char16_t *const s = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype lineStart = i;
        fields.clear();
        converted.clear();
        qsizetype start = i;  // of the field being read
        qsizetype cut = -1;   // a NUL ends the line's fields there
        bool outside = false;
        qsizetype end = n;  // of the line
        qsizetype next = n; // after its line end
        for (; i < n; ++i) {
            while (i + 4 <= n && (kinds[s[i]] | kinds[s[i + 1]] | kinds[s[i + 2]] | kinds[s[i + 3]]) == 0)
                i += 4;
            if (i == n)
                break;
            const unsigned char kind = kinds[s[i]];
            if (kind == kPlainUnit)
                continue;
            if (kind == kOutsideUnit) {
                outside = true;
                continue;
            }
            const char16_t c = s[i];
            if (c == u'\t') {
                if (cut < 0) {
                    fields.append(text.sliced(start, i - start));
                    start = i + 1;
                }
            } else if (c == u'\0') {
                if (cut < 0)
                    cut = i;
            } else if (c == u'\r' || c == u'\n') {
                end = i;
                next = c == u'\r' && i + 1 < n && s[i + 1] == u'\n' ? i + 2 : i + 1;
                break;
            }
        }
        if (outside) {
            SplitActionLine(text.sliced(lineStart, end - lineStart), converted, fields);
        } else {
            const qsizetype fieldsEnd = cut >= 0 ? cut : end;
            if (start < fieldsEnd) // a TAB at the very end adds no empty field
                fields.append(text.sliced(start, fieldsEnd - start));
        }
        lineFn();
        i = next;
    }
}

// Item names met in one block, each with whether it is rare: a day's log names the same
// items thousands of times, and each is looked up in the database once. A day can name
// tens of thousands of items in no order, so the table is kept small enough to stay in
// the processor's cache: eight bytes a name, with a part of its hash that spares most
// text comparisons, and the names copied together into one buffer (views into the block
// would send each comparison to a random place in a text of many megabytes).
class BlockNames
{
public:
    BlockNames()
        : m_seed(QHashSeed::globalSeed())
        , m_slots(64)
    {
    }

    size_t Hash(QStringView name) const { return qHash(name, m_seed); }

    // The rare flag of a name met before, or nothing.
    std::optional<bool> Find(QStringView name, size_t hash) const
    {
        const size_t mask = m_slots.size() - 1;
        const quint16 check = CheckOf(hash);
        const qsizetype n = name.size();
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot &slot = m_slots[i];
            if (slot.lengthAndRare == 0)
                return std::nullopt;
            if (slot.check != check || (slot.lengthAndRare >> 1) != n + 1)
                continue;
            const char16_t *const stored = m_names.data() + slot.offset;
            if (std::equal(stored, stored + n, name.utf16()))
                return (slot.lengthAndRare & 1) != 0;
        }
    }

    // Names too long for a slot are not kept; they are looked up again each time.
    void Insert(QStringView name, size_t hash, bool rare)
    {
        if (name.size() >= kMaxLength || m_names.size() + name.size() > std::numeric_limits<quint32>::max())
            return;
        if (4 * (m_count + 1) > 3 * m_slots.size())
            Grow();
        const Slot slot{quint32(m_names.size()), CheckOf(hash), quint16(((name.size() + 1) << 1) | (rare ? 1 : 0))};
        m_names.insert(m_names.end(), name.utf16(), name.utf16() + name.size());
        Place(slot, hash);
        ++m_count;
    }

private:
    static constexpr qsizetype kMaxLength = 0x7FFE;

    struct Slot
    {
        quint32 offset = 0;        // into m_names
        quint16 check = 0;         // the high bits of the hash
        quint16 lengthAndRare = 0; // (length + 1) << 1 | rare; 0 for an empty slot
    };
    static_assert(sizeof(Slot) == 8);

    static quint16 CheckOf(size_t hash) { return quint16(hash >> (8 * sizeof(size_t) - 16)); }

    void Place(const Slot &slot, size_t hash)
    {
        const size_t mask = m_slots.size() - 1;
        size_t i = hash & mask;
        while (m_slots[i].lengthAndRare != 0)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }

    void Grow()
    {
        std::vector<Slot> old(2 * m_slots.size());
        old.swap(m_slots);
        for (const Slot &slot : old) {
            if (slot.lengthAndRare != 0) {
                const qsizetype n = (slot.lengthAndRare >> 1) - 1;
                Place(slot, Hash(QStringView(m_names.data() + slot.offset, n)));
            }
        }
    }

    size_t m_seed;
    std::vector<Slot> m_slots; // a power of two of them, at most three quarters in use
    std::vector<char16_t> m_names;
    size_t m_count = 0;
};

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
    QVarLengthArray<char16_t, 32> tag;
    // Nothing but this block adds to the database meanwhile, and the rare-item list is
    // rebuilt only by a note edit, so what a name gave stays right for the whole block.
    BlockNames seen;
    ForEachActionLine(text, converted, fields, [&] {
        if (fields.size() != 6)
            return;
        const QStringView time = TrimView(fields[0]);
        const QStringView id = TrimView(fields[1]);
        const QStringView name = TrimView(fields[2]);
        const QStringView act = TrimView(fields[3]);
        const QStringView itemText = TrimView(fields[5]);
        const QStringView itemName = ItemNameOf(itemText);
        // "$" + the act without its enclosing characters, lower-cased; room for "_rea".
        const qsizetype wordLength = std::max<qsizetype>(0, act.size() - 2);
        tag.resize(1 + wordLength + 4);
        char16_t *t = tag.data();
        *t++ = u'$';
        for (qsizetype k = 1; k <= wordLength; ++k) {
            const char16_t u = act[k].unicode();
            *t++ = u < 0x80 ? (u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u) : QChar(u).toLower().unicode();
        }

        const size_t hash = seen.Hash(itemName);
        std::optional<bool> rare = seen.Find(itemName, hash);
        if (!rare) {
            const QString nameText = itemName.toString();
            Learn(nameText);
            rare = kiv::itemdb::IsRareItem(m_state, nameText);
            seen.Insert(itemName, hash, *rare);
        }
        if (*rare)
            std::copy_n(kRareSuffix, std::size(kRareSuffix) - 1, t);
        const QStringView tagView(tag.data(), 1 + wordLength + (*rare ? 4 : 0));

        if (live)
            ProcessLive(id.toString(), name.toString(), tagView.sliced(1, wordLength).toString(), itemText.toString(),
                        itemName.toString(), tagView.toString());
        if (m_state.actionLog)
            m_host.AddChatRow(LogLineView{time, id, name, itemText, tagView});
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
                const CellColours colours = PickupColours(GetField(itemName, 0, m_state.itemDb),
                                                          tag == QStringLiteral("$pickup_rea"));
                distribution.AddPickup(id, name, itemName, colours.background, colours.font);
                windows->ByKind().AddPickupByKind(id, name, itemText, colours.background, colours.font);
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
    ForEachActionLine(text, converted, fields, [&] {
        if (fields.size() >= 6)
            names.append(ItemNameOf(fields[5]).toString());
    });
    return names;
}

bool ActionProcessor::ScanActionLogsForItems(const QString &folder, const QString &prefix, QString *error,
                                             const std::function<void(const QString &)> &beforeFile,
                                             const QHash<QString, ActionLogItems> *known)
{
    const QDir dir(folder);
    // In the order the folder lists them.
    const QStringList names = LogFilesWithPrefix(folder, prefix, QDir::Unsorted);
    struct FileItems
    {
        bool ok = false;
        QString error;
        QStringList items;
        // Kept in `known` until the scan ends.
        bool known = false;
    };
    // Read and cut on worker threads; the names are learnt here, file by file in order.
    const auto read = [&dir, &names, known](int index, kiv::logs::LogScanScratch &) {
        FileItems result;
        const QString path = dir.filePath(names[index]);
        if (known) {
            const auto it = known->constFind(names[index]);
            if (it != known->cend()) {
                const QFileInfo info(path);
                if (info.size() == it->size && info.lastModified() == it->modified) {
                    result.ok = true;
                    result.items = it->names;
                    result.known = true;
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
    // The known files' names share their text from day to day: one already learnt in
    // this scan is told by where its text lives, without a lookup in the database. Their
    // text outlives the scan, so no other name can come to live at the same place.
    QSet<std::pair<const QChar *, qsizetype>> learnt;
    kiv::logs::InOrderOnThreads<FileItems, kiv::logs::LogScanScratch>(
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
            for (const QString &item : std::as_const(file.items)) {
                if (file.known) {
                    const qsizetype before = learnt.size();
                    learnt.insert({item.constData(), item.size()});
                    if (learnt.size() == before)
                        continue;
                }
                Learn(item);
            }
            return true;
        });
    return allRead;
}
