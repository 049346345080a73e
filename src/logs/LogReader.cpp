#include "logs/LogReader.h"

#include "app/Startup.h"
#include "platform/Cp932.h"
#include "platform/IClock.h"
#include "platform/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>

#include <algorithm>

using kiv::text::Encoding;

namespace {

// How much of a file is compared to tell "only grown" from "rewritten": its first bytes
// (where the encoding mark and the day's first records are) and the bytes just before
// the point the last reading reached.
constexpr qsizetype kHeadBytes = 4096;
constexpr qsizetype kTailBytes = 256;

constexpr LogKind kKinds[] = {LogKind::Chat, LogKind::Action, LogKind::Mail};

struct Mark
{
    Encoding encoding = Encoding::Ansi;
    qsizetype size = 0;
};

Mark MarkOf(QByteArrayView bytes)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE)
        return {Encoding::Utf16LE, 2};
    if (bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF)
        return {Encoding::Utf16BE, 2};
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
        return {Encoding::Utf8, 3};
    return {};
}

bool IsUtf16(Encoding encoding)
{
    return encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
}

char16_t UnitAt(QByteArrayView body, qsizetype i, Encoding encoding)
{
    const auto a = static_cast<unsigned char>(body[i]);
    const auto b = static_cast<unsigned char>(body[i + 1]);
    return encoding == Encoding::Utf16BE ? char16_t((a << 8) | b) : char16_t((b << 8) | a);
}

struct CompleteLines
{
    qsizetype bytes = 0;      // up to and including the last line end
    bool lfMayFollow = false; // that line end is a CR with nothing after it yet
};

// Finds the end of the last complete line in text bytes (after the mark). A NUL ends the
// text, as it does when a whole file is decoded. UTF-16 is looked at in whole units:
// its bytes 0x0A or 0x0D may be halves of other characters. In code page 932 and UTF-8
// a CR or LF byte is never part of another character.
CompleteLines FindCompleteLines(QByteArrayView body, Encoding encoding)
{
    CompleteLines found;
    bool lastWasCr = false;
    qsizetype i = 0;
    if (IsUtf16(encoding)) {
        for (; i + 1 < body.size(); i += 2) {
            const char16_t unit = UnitAt(body, i, encoding);
            if (unit == 0)
                break;
            if (unit == u'\r' || unit == u'\n' || unit == u'\u2028') {
                found.bytes = i + 2;
                lastWasCr = unit == u'\r';
            }
        }
    } else {
        for (; i < body.size(); ++i) {
            const auto byte = static_cast<unsigned char>(body[i]);
            if (byte == 0)
                break;
            if (byte == '\r' || byte == '\n') {
                found.bytes = i + 1;
                lastWasCr = byte == '\r';
            } else if (encoding == Encoding::Utf8 && byte == 0xE2 && i + 2 < body.size()
                       && static_cast<unsigned char>(body[i + 1]) == 0x80
                       && static_cast<unsigned char>(body[i + 2]) == 0xA8) { // U+2028
                i += 2;
                found.bytes = i + 1;
                lastWasCr = false;
            }
        }
    }
    found.lfMayFollow = lastWasCr && found.bytes == i;
    return found;
}

// The first character unit of `body`; -1 while not even one has been written.
int FirstUnit(QByteArrayView body, Encoding encoding)
{
    if (IsUtf16(encoding))
        return body.size() >= 2 ? UnitAt(body, 0, encoding) : -1;
    return body.isEmpty() ? -1 : static_cast<unsigned char>(body[0]);
}

QString DecodeBody(QByteArrayView body, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        QString text(body.size() / 2, Qt::Uninitialized);
        char16_t *out = reinterpret_cast<char16_t *>(text.data());
        for (qsizetype i = 0; i + 1 < body.size(); i += 2)
            *out++ = UnitAt(body, i, encoding);
        return text;
    }
    case Encoding::Utf8: {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return decoder.decode(body);
    }
    case Encoding::Ansi:
        break;
    }
    return kiv::cp932::Decode(body);
}

// Every line end made CR LF, as splitting the text into lines and joining them again
// would (the text ends with a line end). Text whose line ends are all CR LF already, as
// the game writes them, is returned as it is, without a copy.
QString NormalizeLineEnds(const QString &text)
{
    const char16_t *s = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype n = text.size();
    const auto needsChange = [&](qsizetype i) {
        const char16_t c = s[i];
        return (c == u'\r' && (i + 1 >= n || s[i + 1] != u'\n')) || (c == u'\n' && (i == 0 || s[i - 1] != u'\r'))
            || c == u'\u2028';
    };
    qsizetype first = 0;
    while (first < n && !needsChange(first))
        ++first;
    if (first == n)
        return text;
    QString out = text.first(first);
    out.reserve(n + n / 8);
    for (qsizetype i = first; i < n; ++i) {
        const char16_t c = s[i];
        if (c == u'\r' || c == u'\n' || c == u'\u2028') {
            out += u"\r\n";
            if (c == u'\r' && i + 1 < n && s[i + 1] == u'\n')
                ++i;
        } else {
            out += QChar(c);
        }
    }
    return out;
}

// Complete lines as the processors receive them: every line end made CR LF, and every
// character the code page cannot hold made "?".
QString ProcessorForm(QByteArrayView body, Encoding encoding)
{
    if (body.isEmpty())
        return {};
    return kiv::cp932::ToAnsiForm(NormalizeLineEnds(DecodeBody(body, encoding)));
}

QDate DateOfName(const QString &name, const QString &prefix)
{
    if (!name.startsWith(prefix, Qt::CaseInsensitive))
        return {};
    return QDate::fromString(name.mid(prefix.size(), 8), QStringLiteral("yyyyMMdd"));
}

} // namespace

LogReader::LogReader(AppState &state, ILogProcessors &processors, const IClock &clock)
    : m_state(state)
    , m_processors(processors)
    , m_clock(clock)
{
}

QString LogReader::PathOf(const QString &name) const
{
    return m_state.logDir + name;
}

void LogReader::FirstShowing()
{
    if (m_state.readingGuard || m_state.released || m_state.logDir.isEmpty())
        return;
    m_state.readingGuard = true;
    const auto clearGuard = qScopeGuard([this] { m_state.readingGuard = false; });
    for (const LogKind kind : kKinds) {
        const bool shown = kind != LogKind::Action || m_state.actionLog;
        LoadForReplay(kind, shown ? LogReadPosition::Pending::Replay : LogReadPosition::Pending::LoadOnly);
        if (m_state.released)
            return;
    }
}

void LogReader::ReadNewLogText()
{
    if (m_state.readingGuard || m_state.released || m_state.logDir.isEmpty())
        return;
    // Cleared however the reading ends, a processor throwing included: a guard left set
    // would stop every later reading.
    m_state.readingGuard = true;
    const auto clearGuard = qScopeGuard([this] { m_state.readingGuard = false; });
    for (const LogKind kind : kKinds) {
        MoveToNextDay(kind);
        if (m_state.released)
            return;
    }
    for (const LogKind kind : kKinds) {
        ReadAppended(kind);
        if (m_state.released)
            return; // the window closed from inside a processor: the buffers are gone
    }
}

void LogReader::LoadForReplay(LogKind kind, LogReadPosition::Pending mode)
{
    DailyLog &log = m_state.Log(kind);
    const Loaded loaded = Load(kind, true);
    if (loaded.got == Got::Unreadable) {
        // Shown as replay text once it can be read: it was in the file before this reading.
        log.read.pending = mode;
        return;
    }
    if (loaded.got != Got::Text)
        return;
    log.buffer = loaded.text;
    if (mode == LogReadPosition::Pending::Replay)
        Hand(kind, log.buffer, ProcessingMode::Replay);
}

void LogReader::MoveToNextDay(LogKind kind)
{
    DailyLog &log = m_state.Log(kind);
    if (!QFileInfo::exists(PathOf(log.nextName)))
        return;
    log.currentName = log.nextName;
    log.ForgetFile();
    if (!QFileInfo::exists(PathOf(log.currentName)))
        return;
    // One day after the later of the file's date and today's: a file dated ahead of the
    // clock would otherwise be its own next file and be replayed at every reading. Made
    // before the text is handed on, so that a processor failing cannot leave it so either.
    const QDate today = m_clock.Now().date();
    const QDate fileDate = DateOfName(log.currentName, log.prefix);
    const QDate from = fileDate.isValid() ? std::max(fileDate, today) : today;
    log.nextName = DailyLogName(log.prefix, from.addDays(1));
    // After a day change the action text is shown whatever the ActionLog setting says.
    LoadForReplay(kind, LogReadPosition::Pending::Replay);
}

void LogReader::ReadAppended(LogKind kind)
{
    DailyLog &log = m_state.Log(kind);
    if (log.read.pending != LogReadPosition::Pending::None) {
        const LogReadPosition::Pending pending = log.read.pending;
        log.read.pending = LogReadPosition::Pending::None;
        LoadForReplay(kind, pending);
        return;
    }
    const Loaded loaded = Load(kind, false);
    if (loaded.got != Got::Text)
        return;
    QString appended;
    if (loaded.whole) {
        // Cut short, replaced or rewritten (or nothing complete read before): what the
        // file holds now beyond the old text. An old text no longer contained leaves the
        // whole new text, handed on again.
        if (loaded.text != log.buffer)
            appended = log.buffer.isEmpty() ? loaded.text : QString(loaded.text).remove(log.buffer);
        log.buffer = loaded.text;
    } else if (!loaded.text.isEmpty()) {
        // Only grown: the new lines, less every copy of the whole old text among them
        // (the result of removing the old text from old + new; possible while the file
        // is tiny). The search is skipped when the old text is longer than the new lines.
        appended = loaded.text;
        if (!log.buffer.isEmpty() && appended.size() >= log.buffer.size())
            appended.remove(log.buffer);
        log.buffer += loaded.text;
    }
    if (appended.isEmpty())
        return;
    Hand(kind, appended, ProcessingMode::Live);
    if (!m_state.released)
        m_processors.ScrollToLastRow();
}

void LogReader::Hand(LogKind kind, const QString &text, ProcessingMode mode)
{
    if (text.isEmpty())
        return;
    ++m_textsHanded;
    switch (kind) {
    case LogKind::Chat:
        m_processors.ProcessChatText(text, mode);
        break;
    case LogKind::Action:
        m_processors.ProcessActionText(text, mode);
        break;
    case LogKind::Mail:
        m_processors.ProcessMailText(text, mode);
        break;
    }
}

LogReader::Loaded LogReader::Load(LogKind kind, bool whole)
{
    DailyLog &log = m_state.Log(kind);
    LogReadPosition &pos = log.read;
    QString &unreadable = m_unreadable[int(kind)];
    const QString path = PathOf(log.currentName);
    const QFileInfo info(path);
    if (!info.exists()) {
        pos.seen = false;
        pos.seenSize = -1;
        pos.seenModified = {};
        unreadable.clear();
        return {};
    }
    const QDateTime modified = info.lastModified();

    // Opened for reading only and closed before anything is handed on: the game keeps
    // the file open for writing and must never find it held.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        unreadable = file.errorString();
        return {Got::Unreadable, {}, false};
    }
    const qint64 size = file.size();
    bool grown = !whole && pos.bytes > 0 && size >= pos.bytes;
    if (grown)
        grown = file.read(pos.head.size()) == pos.head;
    if (grown && pos.bytes > pos.head.size())
        grown = file.seek(pos.bytes - pos.tail.size()) && file.read(pos.tail.size()) == pos.tail;
    const qint64 start = grown ? pos.bytes : 0;
    QByteArray bytes;
    if (file.seek(start))
        bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        unreadable = file.errorString();
        return {Got::Unreadable, {}, false};
    }
    file.close();
    unreadable.clear();

    const Mark mark = MarkOf(start == 0 ? QByteArrayView(bytes) : QByteArrayView(pos.head));
    QByteArrayView body(bytes);
    qsizetype skipped = 0; // bytes of `bytes` before the text of new lines
    if (start == 0) {
        skipped = mark.size;
        pos.lfMayFollow = false;
    } else if (pos.lfMayFollow) {
        // The previous reading ended on a CR; a LF after it completes that line end and
        // must not make an empty line. Anything but a NUL settles the question.
        const int first = FirstUnit(body, mark.encoding);
        if (first == '\n')
            skipped = IsUtf16(mark.encoding) ? 2 : 1;
        if (first > 0)
            pos.lfMayFollow = false;
    }
    body = body.sliced(skipped);
    const CompleteLines complete = FindCompleteLines(body, mark.encoding);
    const qsizetype consumed = skipped + complete.bytes;
    if (complete.bytes > 0)
        pos.lfMayFollow = complete.lfMayFollow;

    const qint64 end = start + consumed;
    const QByteArrayView taken = QByteArrayView(bytes).first(consumed);
    if (start == 0) {
        pos.head = taken.first(std::min<qsizetype>(kHeadBytes, consumed)).toByteArray();
        pos.tail = taken.last(std::min<qsizetype>(kTailBytes, consumed)).toByteArray();
    } else {
        if (pos.head.size() < kHeadBytes)
            pos.head.append(taken.first(std::min<qsizetype>(kHeadBytes - pos.head.size(), consumed)));
        if (taken.size() >= kTailBytes) {
            pos.tail = taken.last(kTailBytes).toByteArray();
        } else {
            pos.tail.append(taken);
            pos.tail = pos.tail.right(kTailBytes);
        }
    }
    pos.bytes = end;
    pos.seen = true;
    pos.seenSize = start + bytes.size();
    pos.seenModified = modified;
    return {Got::Text, ProcessorForm(body.first(complete.bytes), mark.encoding), start == 0};
}

bool LogReader::ChangedSinceLastReading() const
{
    if (m_state.released || m_state.logDir.isEmpty())
        return false;
    for (const LogKind kind : kKinds) {
        const DailyLog &log = m_state.Log(kind);
        if (log.read.pending != LogReadPosition::Pending::None || !m_unreadable[int(kind)].isEmpty())
            return true;
        if (QFileInfo::exists(PathOf(log.nextName)))
            return true;
        const QFileInfo info(PathOf(log.currentName));
        const bool exists = info.exists();
        if (exists != log.read.seen)
            return true;
        if (exists && (info.size() != log.read.seenSize || info.lastModified() != log.read.seenModified))
            return true;
    }
    return false;
}

QStringList LogReader::UnreadableFiles() const
{
    QStringList files;
    for (const LogKind kind : kKinds) {
        const QString &reason = m_unreadable[int(kind)];
        if (!reason.isEmpty())
            files.append(QStringLiteral("%1 (%2)").arg(m_state.Log(kind).currentName, reason));
    }
    return files;
}
