#include "logs/ChatProcessor.h"

#include "core/AppState.h"
#include "logs/Cp932LogScan.h"
#include "logs/DayNames.h"
#include "logs/LogLine.h"
#include "platform/Cp932.h"
#include "platform/TextFile.h"
#include "core/strDBListUniU.h"

#include <QDir>
#include <QSet>

#include <cstring>

using namespace kiv::logs;

namespace {

const QString kHttpTag = QStringLiteral("@http");
const QString kWantedKindChat = QStringLiteral("chat");

// Nonzero when one of the four UTF-16 units in `units` is zero. The flag of the first zero
// unit is exact; units above it may be flagged too (a borrow runs on), which makes no
// difference to whether any is zero.
constexpr quint64 HasZeroUnit(quint64 units)
{
    return (units - 0x0001000100010001ull) & ~units & 0x8000800080008000ull;
}

// Every test on the lower-cased text looks for "@" ("@setup" and the keywords) or ":"
// ("http://"), and lower-casing makes neither, so a text without them needs no
// lower-cased copy: most chat lines are spared the allocation. Every row's text passes
// here, so it is looked at four characters at a time.
bool MayHoldCommand(QStringView text)
{
    const char16_t *s = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4) {
        quint64 four;
        std::memcpy(&four, s + i, sizeof four);
        if (HasZeroUnit(four ^ 0x0040004000400040ull) | HasZeroUnit(four ^ 0x003A003A003A003Aull))
            return true;
    }
    for (; i < n; ++i) {
        if (s[i] == u'@' || s[i] == u':')
            return true;
    }
    return false;
}

// "@" followed by a digit, "-", "+" or "(" is the calculator's shorthand.
bool IsCalcShorthand(QStringView text)
{
    if (text.size() < 2 || text[0] != u'@')
        return false;
    const char16_t c = text[1].unicode();
    return (c >= u'0' && c <= u'9') || c == u'-' || c == u'+' || c == u'(';
}

} // namespace

ChatProcessor::ChatProcessor(AppState &state, IChatHost &host) : m_state(state), m_host(host) {}

void ChatProcessor::ProcessChatText(const QString &text, ProcessingMode mode)
{
    // The rows are views into the text until they are copied: a shared copy keeps it
    // whole should a command change the caller's string while its lines are processed.
    const QString kept = text;
    ProcessChatText(QStringView(kept), mode);
}

void ChatProcessor::ProcessChatText(QStringView text, ProcessingMode mode)
{
    // Empty lines, what is left of the blank line between records (or an appended text
    // that is only that blank line), never get here: skipping them keeps the rows the
    // same however the reading happened to cut the text into blocks.
    ForEachLogLine(text, [&](const LogFields &fields) { ProcessLine(fields, mode); });
}

void ChatProcessor::ProcessLine(const LogFields &fields, ProcessingMode mode)
{
    const qsizetype count = fields.size();
    LogLineView row;
    if (count < 3) {
        // Not a record: a text line whose header did not end in ")" (so it was not
        // joined), or a stray piece of a record. Its words are worth a row; blanks are not.
        const QString text = JoinFields(fields, 0);
        row.text = text;
        if (!text.isEmpty())
            m_host.AddChatRow(row);
        return;
    }
    row.time = TrimView(fields[0]);
    if (count != 4) {
        row.name = TrimView(fields[1]);
        row.text = TrimView(fields[2]);
        row.tag = row.name;
        m_host.AddChatRow(row);
        return;
    }
    row.id = IdOfSpeaker(fields[2]);
    row.name = NameOfSpeaker(fields[2]);
    row.text = TrimView(fields[3]);
    row.tag = TrimView(fields[1]);
    const bool mayHoldCommand = MayHoldCommand(row.text);
    if (mode != ProcessingMode::Live && !mayHoldCommand) {
        // Most of a replayed day: nothing to act on, and the tag is the kind.
        m_host.AddChatRow(row);
        return;
    }
    LogLineRecord record = RecordOf(row);
    record.tag.clear();
    ProcessRecord(record, row.tag, mode, mayHoldCommand);
}

void ChatProcessor::ProcessRecord(LogLineRecord &record, QStringView kind, ProcessingMode mode, bool mayHoldCommand)
{
    const bool live = mode == ProcessingMode::Live;
    QString lower = mayHoldCommand ? record.text.toLower() : QString();

    // Only a real ID registers: "00000000" (a command typed while none is registered) or
    // the empty ID of a speaker field "()" would leave the user without one.
    if (live && mayHoldCommand && m_state.ownId == kNoOwnId && record.id.size() == 8 && record.id != kNoOwnId
        && lower.contains(u"@setup")) {
        m_state.ownId = record.id;
        m_host.AppendInfoLine(u"@setup ID:" % record.id % u" で登録されました。");
    }

    if (live) {
        m_host.MarkActive(record.id, record.name);
        const QString alarm = m_host.MatchWanted(kWantedKindChat, record.id, record.name, record.text);
        if (!alarm.isEmpty())
            m_host.RunBeep(alarm.toLower());
    }

    // Another player's line is shown and tagged like the user's own but runs nothing;
    // the registration above may just have made this line an own line.
    const bool runs = live && record.id == m_state.ownId;
    bool rowAdded = false;
    if (mayHoldCommand) {
        // Most addresses are secure ones now; both kinds make a web link row.
        if (lower.contains(u"http://") || lower.contains(u"https://"))
            record.tag = kHttpTag;
        if (IsCalcShorthand(record.text)) {
            record.text = u"@calc " % QStringView(record.text).sliced(1);
            lower = record.text.toLower();
        }
        for (size_t i = 0; i < kChatCommandKeywords.size(); ++i) {
            const QString &keyword = kChatCommandKeywords[i];
            if (!lower.contains(keyword))
                continue;
            const auto command = ChatCommand(i);
            record.tag = keyword;
            if (command == ChatCommand::Item) {
                // The item command writes rows of its own; they must follow this one.
                m_host.AddChatRow(ViewOf(record));
                rowAdded = true;
            }
            if (runs)
                m_host.RunChatCommand(command, command == ChatCommand::Custom ? QString() : lower);
        }
    }
    if (record.tag.isEmpty())
        record.tag = kind.toString();
    if (!rowAdded)
        m_host.AddChatRow(ViewOf(record));
}

ChatNamesOfFile ChatProcessor::ReadChatNames(const QString &path, kiv::logs::LogScanScratch &scratch)
{
    ChatNamesOfFile result;
    // Straight from the bytes, each distinct speaker decoded once: a makeup reads months
    // of logs. A lone CR or LF joins a header to its text as CR LF does.
    kiv::logs::SeenViews &handedOn = scratch.HandedOn(kiv::logs::LogPass::Chat);
    kiv::logs::FirstSeenFields firstSeen(handedOn,
                                         [&](QByteArrayView field) { result.fields.Append(field); });
    const kiv::logs::LogFileRead read = scratch.reader.Read(
        path, true,
        [&](const kiv::logs::ByteFields &line) {
            if (line.count >= 3)
                firstSeen.Add(line.field[2]);
        },
        [&] { firstSeen.Finish(); });
    firstSeen.Finish();
    if (!result.Ended(read, handedOn) || read.cp932)
        return result;
    // Through the line buffer, as a daily log is read: line ends become CR LF, so a
    // header cut by a lone LF is still joined to its text.
    const QString text = kiv::text::JoinLines(kiv::text::SplitLines(kiv::text::Decode(read.bytes).text));
    ForEachLogLine(text, [&](const LogFields &fields) {
        if (fields.size() >= 3)
            result.pairs.append(IdOfSpeaker(fields[2]) % u'=' % NameOfSpeaker(fields[2]));
    });
    return result;
}

bool ChatNamesTaker::Take(const QString &name, ChatNamesOfFile &&file, TStrDBListUni &pairs, QString *error)
{
    return m_taker.Take(name, std::move(file), pairs, error, [](QByteArrayView field) -> QString {
        const QString speaker = kiv::cp932::DecodeToAnsiForm(field);
        return IdOfSpeaker(speaker) % u'=' % NameOfSpeaker(speaker);
    });
}

bool ChatProcessor::CollectChatNames(const QString &folder, const QString &prefix, TStrDBListUni &pairs,
                                     const std::function<void(const QString &)> &beforeFile, QString *error)
{
    bool allRead = true;
    const QDir dir(folder);
    const QStringList names = LogFilesWithPrefix(folder, prefix);
    ChatNamesTaker taker;
    // Read and cut on worker threads, the pairs of each file handed on here in file order.
    kiv::logs::InOrderOnThreads<ChatNamesOfFile, kiv::logs::LogScanScratch>(
        int(names.size()), kiv::logs::LogScanThreads(),
        [&dir, &names](int index, kiv::logs::LogScanScratch &scratch) {
            return ReadChatNames(dir.filePath(names[index]), scratch);
        },
        [&](int index, ChatNamesOfFile &&file) {
            const QString &name = names[index];
            if (beforeFile)
                beforeFile(name);
            m_host.AppendInfoLine(u"  " % name);
            if (!taker.Take(name, std::move(file), pairs, error))
                allRead = false;
            return true;
        });
    return allRead;
}
