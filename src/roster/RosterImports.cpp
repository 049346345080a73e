#include "roster/RosterImports.h"

#include "core/AppState.h"
#include "core/DroppedList.h"
#include "core/IInfoOutput.h"
#include "core/IPlayerSightings.h"
#include "platform/IPrompts.h"
#include "roster/IdNotes.h"


#include <algorithm>
#include <utility>

namespace kiv::imports {

namespace {

const QString kAskRoster = QStringLiteral("キャラ名簿Whois.lstをインポートしますか？");
const QString kRosterBusy = QStringLiteral("名簿のインポート中です。長らくお待ちください");
const QString kRosterDone = QStringLiteral("名簿のインポートが終了しました");
const QString kAskBlackList = QStringLiteral("ID名簿Black.lstをインポートしますか？");
const QString kBlackListBusy = QStringLiteral("黒名簿のインポート中です。長らくお待ちください");
const QString kBlackListDone = QStringLiteral("黒名簿のインポートが終了しました");

// The ranks a black list may hand over. The rank must be one of them, not merely occur in
// "0189": "18" or "89" would set a rank that the program reads as 0.
bool ImportableRank(QStringView rank)
{
    return rank.size() == 1 && QStringView(u"0189").contains(rank);
}

// Companion flag, rank and the three reserved numbers of an ID note value, TABs between
// them, with the rank replaced: for the single digits the program writes, the value's first
// 11 characters trimmed. Taking them by TABs keeps a hand-edited wider number from pushing
// the note into the reserved fields, and a number missing from a short entry becomes "0",
// so the note always follows the fifth number.
QString NumbersWithRank(QStringView value, const QString &rank)
{
    QStringList numbers;
    qsizetype at = 0;
    while (at < value.size() && value[at].unicode() <= 32)
        ++at;
    while (numbers.size() < 5 && at < value.size()) {
        qsizetype tab = value.indexOf(u'\t', at);
        if (tab < 0)
            tab = value.size();
        numbers.append(TrimControls(value.sliced(at, tab - at)));
        at = tab + 1;
    }
    numbers.resize(5);
    for (QString &number : numbers) {
        if (number.isEmpty())
            number = QStringLiteral("0");
    }
    numbers[1] = rank;
    return numbers.join(u'\t');
}

} // namespace

SubstringIndex::SubstringIndex(QString text)
    : m_text(std::move(text))
{
    const qsizetype size = m_text.size();
    if (size == 0 || size > (qsizetype(1) << 30))
        return; // Contains() then searches the text itself
    const qint32 n = qint32(size);
    const char16_t *s = reinterpret_cast<const char16_t *>(m_text.constData());
    std::vector<qint32> &sa = m_suffixes;
    sa.resize(size_t(n));
    std::vector<qint32> rank(static_cast<size_t>(n));
    std::vector<qint32> other(static_cast<size_t>(n));

    // Round 0: suffixes ordered by their first character, ranks dense from 1.
    for (qint32 i = 0; i < n; ++i)
        sa[size_t(i)] = i;
    std::stable_sort(sa.begin(), sa.end(), [s](qint32 a, qint32 b) { return s[a] < s[b]; });
    qint32 classes = 1;
    rank[size_t(sa[0])] = 1;
    for (qint32 j = 1; j < n; ++j) {
        if (s[sa[size_t(j)]] != s[sa[size_t(j - 1)]])
            ++classes;
        rank[size_t(sa[size_t(j)])] = classes;
    }

    // Each round orders by the first 2k characters as the pair (rank of the first k, rank of
    // the next k, 0 past the end), radix-sorted: by the second key, then stably by the first.
    std::vector<qint32> count;
    for (qint32 k = 1; classes < n; k *= 2) {
        qint32 p = 0;
        for (qint32 i = std::max(0, n - k); i < n; ++i)
            other[size_t(p++)] = i;
        for (qint32 j = 0; j < n; ++j) {
            if (sa[size_t(j)] >= k)
                other[size_t(p++)] = sa[size_t(j)] - k;
        }
        count.assign(size_t(classes) + 1, 0);
        for (qint32 i = 0; i < n; ++i)
            ++count[size_t(rank[size_t(i)])];
        for (qint32 r = 1; r <= classes; ++r)
            count[size_t(r)] += count[size_t(r - 1)];
        for (qint32 j = n - 1; j >= 0; --j) {
            const qint32 i = other[size_t(j)];
            sa[size_t(--count[size_t(rank[size_t(i)])])] = i;
        }
        auto second = [&](qint32 i) { return i + k < n ? rank[size_t(i + k)] : 0; };
        classes = 1;
        other[size_t(sa[0])] = 1;
        for (qint32 j = 1; j < n; ++j) {
            const qint32 a = sa[size_t(j - 1)];
            const qint32 b = sa[size_t(j)];
            if (rank[size_t(a)] != rank[size_t(b)] || second(a) != second(b))
                ++classes;
            other[size_t(b)] = classes;
        }
        rank.swap(other);
    }
}

int SubstringIndex::CompareAt(qint32 pos, QStringView needle) const
{
    const qsizetype length = std::min<qsizetype>(needle.size(), m_text.size() - pos);
    const QChar *suffix = m_text.constData() + pos;
    for (qsizetype i = 0; i < length; ++i) {
        if (suffix[i] != needle[i])
            return suffix[i].unicode() < needle[i].unicode() ? -1 : 1;
    }
    return length < needle.size() ? -1 : 0;
}

bool SubstringIndex::Contains(QStringView needle) const
{
    if (needle.isEmpty())
        return true;
    if (m_suffixes.empty())
        return m_text.contains(needle);
    // Suffixes cut to the needle's length keep their order: those that begin with the
    // needle stand together, from the first one not below it.
    const auto it = std::partition_point(m_suffixes.begin(), m_suffixes.end(),
                                         [&](qint32 pos) { return CompareAt(pos, needle) < 0; });
    return it != m_suffixes.end() && CompareAt(*it, needle) == 0;
}

void MergeRoster(AppState &state, const QStringList &lines, IPlayerSightings &sightings)
{
    // A sighting adds nothing to an empty roster, so neither does the import.
    if (state.roster.Count() == 0)
        return;
    // Each line is looked for in the roster's text as the merge begins, indexed once: looked
    // for in a text that grows with every line, 100,000 lines would take hours. A line made
    // redundant by an earlier line of the file then still goes to the sightings, which
    // record a name only once and otherwise just show the player.
    const SubstringIndex rosterText(state.roster.Lines().join(QStringLiteral("\r\n")));
    QStringList names;
    for (const QString &line : lines) {
        if (rosterText.Contains(line))
            continue;
        const QString id = KeyOfLine(line).toString();
        SplitFields(TrimControls(ValueOfLine(line)), names);
        for (const QString &name : std::as_const(names))
            sightings.MarkActive(id, name);
    }
}

void MergeBlackList(AppState &state, const QStringList &lines)
{
    TStrDBListUni imported;
    imported.Assign(lines);
    TStrDBListUni &notes = state.idNotes;
    for (const QString &line : lines) {
        const QString id = KeyOfLine(line).toString();
        // A line without a key can never be found again: appended, it would only stay.
        if (id.isEmpty())
            continue;
        const qsizetype at = notes.IndexOfKey(id);
        if (at < 0) {
            notes.Add(line);
            continue;
        }
        const QString rank = GetField(id, 1, imported);
        if (!ImportableRank(rank))
            continue;
        const QString note = TrimControls(idnote::StoredNote(ValueOfLine(imported.Line(imported.IndexOfKey(id)))));
        notes.SetLine(at, id + u"=\t" + NumbersWithRank(ValueOfLine(notes.Line(at)), rank) + u'\t' + note);
    }
}

bool ImportRoster(AppState &state, const QString &path, IPlayerSightings &sightings, IPrompts &prompts,
                  IInfoOutput &info)
{
    if (!prompts.ConfirmUnlessNo(kAskRoster))
        return false;
    info.AppendInfoLine(kRosterBusy);
    QStringList lines;
    if (!ReadDroppedList(path, prompts, lines))
        return false;
    MergeRoster(state, lines, sightings);
    info.AppendInfoLine(kRosterDone);
    return true;
}

bool ImportBlackList(AppState &state, const QString &path, IPrompts &prompts, IInfoOutput &info)
{
    if (!prompts.ConfirmUnlessNo(kAskBlackList))
        return false;
    info.AppendInfoLine(kBlackListBusy);
    QStringList lines;
    if (!ReadDroppedList(path, prompts, lines))
        return false;
    MergeBlackList(state, lines);
    info.AppendInfoLine(kBlackListDone);
    return true;
}

} // namespace kiv::imports
