#include "roster/WhoCommand.h"

#include "commands/InfoCommand.h"
#include "core/AppState.h"
#include "core/IInfoOutput.h"
#include "core/strDBListUniU.h"
#include "items/ActionProcessor.h"
#include "logs/ChatProcessor.h"
#include "logs/Cp932LogScan.h"
#include "logs/DayNames.h"
#include "logs/IChatHost.h"
#include "logs/LogLine.h"
#include "platform/Cp932.h"
#include "platform/IClock.h"
#include "platform/TextFile.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <variant>
#include <vector>

namespace {

constexpr int kTickMs = 50;
// Pairs added between two looks at the clock.
constexpr int kPairsPerTick = 4096;
// Files read ahead of the one the rebuild takes: enough for the reading threads to go on
// while the chat pairs go into the roster.
constexpr int kFilesAhead = 24;

class NoWhoWindow final : public IWhoWindow
{
public:
    void ApplyStyleChange() override {}
    void ClearRosterRows() override {}
    void SetRosterRedraw(bool) override {}
    void RebuildProgress(int, int) override {}
    void RebuildEnded() override {}
    void ReadLogsNow() override {}
};

NoWhoWindow g_noWindow;

// The pair list of a rebuild. Collecting goes into `incoming`, which is drained into a
// set after every file, so months of logs never hold more than a day's lines at once and
// the sorted list is built once at the end (one insert at a time into a sorted list
// would move every later line each time).
class PairCollector
{
public:
    TStrDBListUni incoming;

    void Drain()
    {
        for (const QString &line : incoming.Lines()) {
            // The set's size tells whether the pair is new: one lookup, not two. Folding
            // a pair without capitals makes no copy.
            const qsizetype before = m_folded.size();
            m_folded.insert(line.toCaseFolded());
            if (m_folded.size() != before)
                m_kept.append(line);
        }
        incoming.Assign({});
    }

    // Sorted, identical pairs (case ignored) once: what a kept-sorted list holds, in its
    // order (CompareListLines). Pairs of IDs of eight ASCII digits collate in the order
    // of their digits, which decide before anything after them: only pairs that share
    // an ID, and pairs of other forms, need the collation.
    void TakeSorted(TStrDBListUni &pairs)
    {
        Drain();
        struct ById
        {
            quint32 id;
            const QString *line;
        };
        std::vector<ById> byId;
        std::vector<const QString *> others;
        byId.reserve(size_t(m_kept.size()));
        for (const QString &line : std::as_const(m_kept)) {
            quint32 id = 0;
            if (DigitId(line, id))
                byId.push_back({id, &line});
            else
                others.push_back(&line);
        }
        std::stable_sort(byId.begin(), byId.end(), [](const ById &a, const ById &b) { return a.id < b.id; });
        QStringList sorted;
        sorted.reserve(m_kept.size());
        std::vector<const QString *> run;
        for (size_t i = 0; i < byId.size();) {
            size_t end = i + 1;
            while (end < byId.size() && byId[end].id == byId[i].id)
                ++end;
            if (end - i == 1) {
                sorted.append(*byId[i].line);
            } else {
                run.clear();
                for (size_t k = i; k < end; ++k)
                    run.push_back(byId[k].line);
                AppendCollated(run, sorted);
            }
            i = end;
        }
        // Many pairs of other forms are as quickly sorted all together.
        if (!others.empty() && (others.size() * 8 > byId.size() || !MergeOthers(others, sorted))) {
            // Or one that is equal to an ID pair: all of them through the collation, so that
            // the equal ones meet.
            std::vector<const QString *> all;
            all.reserve(size_t(m_kept.size()));
            for (const QString &line : std::as_const(m_kept))
                all.push_back(&line);
            sorted.clear();
            AppendCollated(all, sorted);
        }
        pairs.SetSorted(false);
        pairs.Assign(sorted);
        m_kept.clear();
        m_folded.clear();
    }

private:
    static const QCollator &Collator()
    {
        static const QCollator collator = [] {
            QCollator c{QLocale(QLocale::Japanese, QLocale::Japan)};
            c.setCaseSensitivity(Qt::CaseInsensitive);
            return c;
        }();
        return collator;
    }

    // The list order: the collation, then letter case ignored.
    static int Order(const QString &a, const QString &b)
    {
        const int byCollation = Collator().compare(a, b);
        return byCollation != 0 ? byCollation : a.compare(b, Qt::CaseInsensitive);
    }

    // "12345678=…"
    static bool DigitId(const QString &line, quint32 &id)
    {
        if (line.size() < 9 || line[8] != u'=')
            return false;
        for (int k = 0; k < 8; ++k) {
            const char16_t c = line[k].unicode();
            if (c < u'0' || c > u'9')
                return false;
            id = id * 10 + quint32(c - u'0');
        }
        return true;
    }

    // `lines` in list order, the first of equal ones kept, appended to `out`. The
    // collation runs once per line to make its sort key, not once per comparison.
    static void AppendCollated(const std::vector<const QString *> &lines, QStringList &out)
    {
        // The names of one ID, mostly one or two: a comparison or two cost less than
        // their sort keys.
        if (lines.size() <= 4) {
            std::vector<const QString *> few(lines);
            std::stable_sort(few.begin(), few.end(), [](const QString *a, const QString *b) { return Order(*a, *b) < 0; });
            for (size_t i = 0; i < few.size(); ++i) {
                if (i == 0 || Order(*few[i - 1], *few[i]) != 0)
                    out.append(*few[i]);
            }
            return;
        }
        struct Keyed
        {
            QCollatorSortKey key;
            const QString *line;
        };
        std::vector<Keyed> keyed;
        keyed.reserve(lines.size());
        for (const QString *line : lines)
            keyed.push_back({Collator().sortKey(*line), line});
        const auto order = [](const Keyed &a, const Keyed &b) {
            const int byKey = a.key.compare(b.key);
            return byKey != 0 ? byKey : a.line->compare(*b.line, Qt::CaseInsensitive);
        };
        std::stable_sort(keyed.begin(), keyed.end(), [&order](const Keyed &a, const Keyed &b) { return order(a, b) < 0; });
        for (size_t i = 0; i < keyed.size(); ++i) {
            if (i == 0 || order(keyed[i - 1], keyed[i]) != 0)
                out.append(*keyed[i].line);
        }
    }

    // Puts the pairs of other forms into their places among the sorted ID pairs; false
    // when one of them is equal to an ID pair.
    static bool MergeOthers(const std::vector<const QString *> &others, QStringList &sorted)
    {
        QStringList sortedOthers;
        AppendCollated(others, sortedOthers);
        QStringList merged;
        merged.reserve(sorted.size() + sortedOthers.size());
        auto from = sorted.cbegin();
        for (const QString &other : std::as_const(sortedOthers)) {
            const auto at = std::lower_bound(from, sorted.cend(), other,
                                             [](const QString &a, const QString &b) { return Order(a, b) < 0; });
            if (at != sorted.cend() && Order(*at, other) == 0)
                return false;
            for (; from != at; ++from)
                merged.append(*from);
            merged.append(other);
        }
        for (; from != sorted.cend(); ++from)
            merged.append(*from);
        sorted = std::move(merged);
        return true;
    }

    QSet<QString> m_folded;
    QStringList m_kept;
};

QString YmdOf(const QDate &date)
{
    return date.toString(QStringLiteral("yyyyMMdd"));
}

} // namespace

namespace {

// One action log file as a reading thread of CollectActionNames cuts it: its fields are
// an ID, a TAB and a name, as one.
struct ActionNamesOfFile : NamesOfFile
{
    ActionLogItems items;
};

ActionNamesOfFile ReadActionNames(const QString &path, kiv::logs::LogScanScratch &scratch, bool withItems)
{
    ActionNamesOfFile result;
    // Taken before the reading: a file that grows meanwhile is not as it was read.
    const QFileInfo before(path);
    if (withItems) {
        result.items.size = before.size();
        result.items.modified = before.lastModified();
    }
    // The item names in the same pass, for the item scan that follows. A file repeats
    // its item fields (name and count) so often that the name is cut out of each
    // distinct field only.
    scratch.perFile.Clear();
    scratch.perFileParts.Clear();
    kiv::logs::FirstSeenFields firstItems(scratch.perFile, [&](QByteArrayView itemField) {
        const QByteArrayView item = ActionProcessor::ItemNameBytes(itemField);
        if (scratch.perFileParts.Insert(item))
            result.items.names.append(scratch.itemNames.Get(item, &kiv::cp932::DecodeToAnsiForm));
    });
    // Straight from the bytes, each distinct ID, TAB and name handed on once, as one field.
    kiv::logs::SeenViews &handedOn = scratch.HandedOn(kiv::logs::LogPass::Action);
    kiv::logs::FirstSeenFields firstSeen(handedOn,
                                         [&](QByteArrayView both) { result.fields.Append(both); });
    const kiv::logs::LogFileRead read = scratch.reader.Read(
        path, false,
        [&](const kiv::logs::ByteFields &line) {
            if (line.count < 3)
                return;
            const QByteArrayView id = line.field[1];
            const QByteArrayView name = line.field[2];
            firstSeen.Add(QByteArrayView(id.data(), name.data() + name.size() - id.data()));
            if (withItems && line.count >= 6)
                firstItems.Add(line.field[5]);
        },
        [&] {
            firstSeen.Finish();
            firstItems.Finish();
        });
    firstSeen.Finish();
    firstItems.Finish();
    if (!result.Ended(read, handedOn))
        return result;
    if (read.size != result.items.size)
        result.items.size = -1;
    if (read.cp932)
        return result;
    if (withItems)
        result.items.names = ActionProcessor::ItemNamesOfLog(read.bytes);
    const QString text = kiv::text::Decode(read.bytes).text;
    kiv::logs::LogFields fields;
    QString converted;
    // Empty lines (what CR LF CR LF leaves) have no fields and are passed over below.
    kiv::logs::ForEachLine(text, [&](QStringView line) {
        // The code page form, as the log reading hands the same line to the action
        // processor, so both record a name the same way.
        converted.clear();
        if (kiv::cp932::FirstOutsideCodePage(line) >= 0) {
            converted = kiv::cp932::ToAnsiForm(line);
            line = converted;
        }
        if (kiv::logs::SplitAnsiLine(line, fields) < 3)
            return;
        result.pairs.append(fields[1].toString() + u'=' + fields[2].toString());
    });
    return result;
}

// The calling thread's side of CollectActionNames: takes the files in order.
class ActionNamesTaker
{
public:
    // Adds the pairs of `file` to `pairs` and keeps its item names in `items`. False when
    // it could not be read: `error` then gets a line "name: reason".
    bool Take(const QString &name, ActionNamesOfFile &&file, TStrDBListUni &pairs, QString *error,
              QHash<QString, ActionLogItems> *items)
    {
        if (file.ok && items && file.items.size >= 0)
            items->insert(name, std::move(file.items));
        return m_taker.Take(name, std::move(file), pairs, error, [](QByteArrayView both) -> QString {
            const qsizetype tab = both.indexOf('\t');
            return kiv::cp932::DecodeToAnsiForm(both.first(tab)) + u'=' +
                   kiv::cp932::DecodeToAnsiForm(both.sliced(tab + 1));
        });
    }

    NamesTaker &Taker() { return m_taker; }

private:
    NamesTaker m_taker;
};

} // namespace

bool CollectActionNames(const QString &folder, const QString &prefix, TStrDBListUni &pairs, IInfoOutput &info,
                        const std::function<void(const QString &)> &beforeFile, QString *error,
                        QHash<QString, ActionLogItems> *items)
{
    bool allRead = true;
    const QDir dir(folder);
    const QStringList names = LogFilesWithPrefix(folder, prefix);
    ActionNamesTaker taker;
    // Read and cut on worker threads, the pairs of each file handed on here in file order.
    kiv::logs::InOrderOnThreads<ActionNamesOfFile, kiv::logs::LogScanScratch>(
        int(names.size()), kiv::logs::LogScanThreads(),
        [&dir, &names, items](int index, kiv::logs::LogScanScratch &scratch) {
            return ReadActionNames(dir.filePath(names[index]), scratch, items != nullptr);
        },
        [&](int index, ActionNamesOfFile &&file) {
            const QString &name = names[index];
            if (beforeFile)
                beforeFile(name);
            info.AppendInfoLine(u"  " + name);
            if (!taker.Take(name, std::move(file), pairs, error, items))
                allRead = false;
            return true;
        });
    return allRead;
}

WhoCommand::WhoCommand(AppState &state, IInfoOutput &info, const IClock &clock, IChatHost &host,
                       ChatProcessor &chat, ActionProcessor &actions)
    : m_state(state)
    , m_info(info)
    , m_clock(clock)
    , m_host(host)
    , m_chat(chat)
    , m_actions(actions)
    , m_window(&g_noWindow)
{
}

void WhoCommand::SetWindow(IWhoWindow *window)
{
    m_window = window ? window : &g_noWindow;
}

void WhoCommand::RunWhoCommand(const QString &text)
{
    const QStringList words = SplitInfoWords(text);
    // Keywords are substrings of the words one per line, so "listup" counts as "list".
    const QString joined = words.join(u'\n');
    const auto has = [&joined](const char16_t *keyword) { return joined.contains(QStringView(keyword)); };

    m_info.AppendInfoLine(text);
    if (words.size() == 1 && m_info.IsInfoVisible()) {
        m_info.AppendInfoLine(kWhoFindUsage);
        m_info.AppendInfoLine(kWhoSearchUsage);
        m_info.AppendInfoLine(QStringLiteral("uses: @who listup"));
        m_info.AppendInfoLine(QStringLiteral("uses: @who makeup"));
    }
    // The message goes out even when the style stays as it was.
    if (has(u"right")) {
        m_state.style = 0;
        m_window->ApplyStyleChange();
        m_info.AppendInfoLine(kWhoStyleChanged);
    }
    if (has(u"bottom")) {
        m_state.style = 1;
        m_window->ApplyStyleChange();
        m_info.AppendInfoLine(kWhoStyleChanged);
    }
    if (has(u"clear"))
        m_window->ClearRosterRows();
    if (has(u"list")) {
        QStringList keys;
        ListKeys(m_state.roster, keys);
        m_window->SetRosterRedraw(false);
        m_window->ClearRosterRows();
        for (const QString &key : std::as_const(keys))
            m_host.MarkActive(key, QString());
        m_window->SetRosterRedraw(true);
        m_info.AppendInfoLine(kWhoListShown);
    }
    if (has(u"find")) {
        if (words.size() == 2) {
            m_info.AppendInfoLine(kWhoFindUsage);
        } else if (words.size() == 3) {
            // An ID the roster does not hold would show as a row without names, as if
            // the player had been seen: nothing is shown, as for a search without hits.
            const QString id = TrimControls(words[2]);
            if (m_state.roster.IndexOfKey(id) >= 0)
                m_host.MarkActive(id, QString());
        }
    }
    if (has(u"search")) {
        if (words.size() == 2) {
            m_info.AppendInfoLine(kWhoSearchUsage);
        } else if (words.size() == 3) {
            QStringList keys;
            // From character 11: the names of an entry keyed by an 8-digit ID.
            FindKeysByText(m_state.roster, 11, 255, keys, TrimControls(words[2]));
            m_window->ClearRosterRows();
            for (const QString &key : std::as_const(keys))
                m_host.MarkActive(key, QString());
            m_info.AppendInfoLine(u"『" + words[2] + u"』で検索した結果" + QString::number(keys.size()) +
                                  u"件のIDがみつかりました。");
        }
    }
    if (has(u"makeup"))
        Rebuild(has(u"close"));
}

void WhoCommand::FileStarting()
{
    // The file before this one is read; the scans say when a file starts, not when it ends.
    if (m_inFile)
        ++m_filesDone;
    m_inFile = true;
    Tick();
}

void WhoCommand::PassEnded()
{
    if (m_inFile)
        ++m_filesDone;
    m_inFile = false;
}

void WhoCommand::Tick(bool force)
{
    if (!force && m_sinceTick.isValid() && m_sinceTick.elapsed() < kTickMs)
        return;
    m_window->RebuildProgress(std::min(m_filesDone, m_filesTotal), m_filesTotal);
    m_sinceTick.start();
}

void WhoCommand::Rebuild(bool close)
{
    if (m_rebuilding)
        return;
    m_rebuilding = true;
    m_failures.clear();
    // No reading may start while the rebuild lets the window paint; the one it may run
    // inside finds the guard as it left it.
    const bool guardWas = m_state.readingGuard;
    m_state.readingGuard = true;
    const auto ended = qScopeGuard([this, guardWas] {
        m_state.readingGuard = guardWas;
        m_rebuilding = false;
        m_window->RebuildEnded();
        // Lines written meanwhile are read now, or right after the reading this ran in.
        m_state.readAgain = true;
        if (!guardWas && !m_state.released)
            m_window->ReadLogsNow();
    });

    const QString folder = m_state.logDir;
    const QDate today = m_clock.Now().date();
    QStringList chatPrefixes{QStringLiteral("ChatLog_")};
    QStringList actionPrefixes{QStringLiteral("ActionLog_")};
    if (close) {
        const QString yesterday = YmdOf(today.addDays(-1));
        chatPrefixes = {u"ChatLog_" + yesterday, u"ChatLog_" + YmdOf(today)};
        actionPrefixes = {u"ActionLog_" + yesterday, u"ActionLog_" + YmdOf(today)};
    }
    QStringList chatFiles;
    QStringList actionFiles;
    for (const QString &prefix : std::as_const(chatPrefixes))
        chatFiles += LogFilesWithPrefix(folder, prefix);
    for (const QString &prefix : std::as_const(actionPrefixes))
        actionFiles += LogFilesWithPrefix(folder, prefix);
    m_filesDone = 0;
    m_inFile = false;
    m_filesTotal = int(chatFiles.size() + actionFiles.size() * (close ? 1 : 2));
    m_sinceTick.invalidate();
    Tick(true);

    QString current;
    const auto beforeFile = [this, &current](const QString &name) {
        current = name;
        FileStarting();
    };
    const auto report = [this](const QString &errors) {
        for (const QString &line : errors.split(u'\n', Qt::SkipEmptyParts)) {
            m_failures.append(line);
            m_info.AppendInfoLine(u"  " + line);
        }
    };

    PairCollector collector;
    TStrDBListUni pairs;
    // The item scan reads the same files: what the action pass finds of them is kept for it.
    QHash<QString, ActionLogItems> items;
    QString chatErrors;
    QString actionErrors;
    bool chatEnded = false;
    const auto endChat = [&] {
        chatEnded = true;
        report(chatErrors);
        PassEnded();
        collector.TakeSorted(pairs);
        AddPairs(pairs, false);
        pairs.Clear();
    };
    // Without a LOG folder there is nothing to read (the working folder is not one).
    if (!folder.isEmpty()) {
        // Both passes on one set of reading threads: while the chat pairs go into the
        // roster here, the threads read on into the action logs.
        const QDir dir(folder);
        const int chatCount = int(chatFiles.size());
        ChatNamesTaker chatTaker;
        ActionNamesTaker actionTaker;
        using FileNames = std::variant<ChatNamesOfFile, ActionNamesOfFile>;
        kiv::logs::InOrderOnThreads<FileNames, kiv::logs::LogScanScratch>(
            chatCount + int(actionFiles.size()), kiv::logs::LogScanThreads(),
            [&](int index, kiv::logs::LogScanScratch &scratch) -> FileNames {
                if (index < chatCount)
                    return ChatProcessor::ReadChatNames(dir.filePath(chatFiles[index]), scratch);
                return ReadActionNames(dir.filePath(actionFiles[index - chatCount]), scratch, !close);
            },
            [&](int index, FileNames &&file) {
                if (index == chatCount) {
                    endChat();
                    actionTaker.Taker().TakeRoomOf(chatTaker.Taker());
                }
                const bool chat = index < chatCount;
                const QString &name = chat ? chatFiles[index] : actionFiles[index - chatCount];
                collector.Drain();
                beforeFile(name);
                if (chat) {
                    m_host.AppendInfoLine(u"  " + name);
                    chatTaker.Take(name, std::get<ChatNamesOfFile>(std::move(file)), collector.incoming, &chatErrors);
                } else {
                    m_info.AppendInfoLine(u"  " + name);
                    actionTaker.Take(name, std::get<ActionNamesOfFile>(std::move(file)), collector.incoming,
                                     &actionErrors, close ? nullptr : &items);
                }
                return true;
            },
            kFilesAhead);
    }
    if (!chatEnded)
        endChat();
    report(actionErrors);
    PassEnded();
    collector.TakeSorted(pairs);
    if (!close && !folder.isEmpty()) {
        QString error;
        if (!m_actions.ScanActionLogsForItems(folder, QStringLiteral("ActionLog_"), &error, beforeFile, &items))
            report(current + u": " + error);
        PassEnded();
    }
    AddPairs(pairs, true);
    m_filesDone = m_filesTotal;
    Tick(true);
    m_info.AppendInfoLine(kWhoMakeupEnded);
}

void WhoCommand::AddPairs(const TStrDBListUni &pairs, bool companions)
{
    // The "ADD" lines go out a few thousand at a time: one text window append per pair
    // costs more than the rest of the rebuild when months of logs fill an empty roster.
    m_state.roster.Reserve(pairs.Count());
    if (companions)
        m_state.idNotes.Reserve(pairs.Count());
    QString added;
    const auto flush = [this, &added] {
        if (!added.isEmpty())
            m_info.AppendInfoLine(added);
        added.clear();
    };
    for (qsizetype i = 0; i < pairs.Count(); ++i) {
        const QString &pair = pairs.Line(i);
        const QStringView id = KeyOfLine(pair);
        const QStringView name = ValueOfLine(pair);
        // A line without a speaker or an empty ID field: nothing to record. An empty key
        // would never be found again, so each rebuild would add it anew.
        if (id.trimmed().isEmpty() || kiv::text::TrimControlsView(name).isEmpty())
            continue;
        if (!AddField(id, name, m_state.roster)) {
            if (!added.isEmpty())
                added += u'\n';
            added += u"    ADD " % id % u' ' % name;
        }
        if (companions) {
            // Companion flag on, rank 1; the ID's other fields stay.
            if (m_state.idNotes.IndexOfKey(id) < 0)
                m_state.idNotes.Add(id % u"=\t1\t1\t0\t0\t0");
            else
                SetField(id, 0, QStringLiteral("1"), m_state.idNotes);
        }
        if ((i + 1) % kPairsPerTick == 0) {
            flush();
            Tick();
        }
    }
    flush();
}
