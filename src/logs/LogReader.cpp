#include "logs/LogReader.h"

#include "logs/DayNames.h"
#include "platform/Cp932.h"
#include "platform/IClock.h"
#include "platform/Prefault.h"
#include "platform/ReadOnlyFile.h"
#include "platform/TextFile.h"

#include <QScopeGuard>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#endif

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

qsizetype UnitBytes(Encoding encoding)
{
    return IsUtf16(encoding) ? 2 : 1;
}

// The character unit at byte `i`: a UTF-16 unit, else a byte (enough to tell ASCII).
int CharAt(QByteArrayView body, qsizetype i, Encoding encoding)
{
    return IsUtf16(encoding) ? UnitAt(body, i, encoding) : static_cast<unsigned char>(body[i]);
}

struct LineEnd
{
    qsizetype start = 0; // where the line end begins
    qsizetype end = 0;   // just after it; 0 when there is none
};

// The last line end in text bytes `body` before `limit` whose last character is at
// `floor` or after (callers know there is none below). UTF-16 is looked at in whole
// units: its bytes 0x0A or 0x0D may be halves of other characters (`limit` and `floor`
// are then even). In code page 932 and UTF-8 a CR or LF byte is never part of another
// character (code page 932 trail bytes start at 0x40), so the bytes are searched from
// the back, and so is UTF-8's line separator E2 80 A8: its bytes cannot belong to another
// character either.
LineEnd LastLineEnd(QByteArrayView body, Encoding encoding, qsizetype limit, qsizetype floor = 0)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(body[i]); };
    if (IsUtf16(encoding)) {
        for (qsizetype i = limit - 2; i >= floor; i -= 2) {
            const char16_t unit = UnitAt(body, i, encoding);
            if (unit == u'\n')
                return {i >= 2 && UnitAt(body, i - 2, encoding) == u'\r' ? i - 2 : i, i + 2};
            if (unit == u'\r' || unit == u'\u2028')
                return {i, i + 2};
        }
        return {};
    }
    for (qsizetype i = limit - 1; i >= floor; --i) {
        const unsigned char b = byte(i);
        if (b == '\n')
            return {i >= 1 && byte(i - 1) == '\r' ? i - 1 : i, i + 1};
        if (b == '\r')
            return {i, i + 1};
        if (encoding == Encoding::Utf8 && b == 0xA8 && i >= 2 && byte(i - 1) == 0x80 && byte(i - 2) == 0xE2)
            return {i - 2, i + 1};
    }
    return {};
}

struct CompleteLines
{
    qsizetype bytes = 0;      // up to and including the last line end
    bool lfMayFollow = false; // that line end is a CR with nothing after it yet
    bool held = false;        // a line ending in ")" follows, held back
};

// Finds the end of the last complete line in text bytes (after the mark, without NULs,
// in whole units). With `holdHeader`, a last line ending in ")" does not count as
// complete yet: a chat or mail record's header ends in ")" and its text line follows,
// and the processors join the two only when they arrive in one text. The line is taken
// once the next one has arrived.
CompleteLines FindCompleteLines(QByteArrayView body, Encoding encoding, bool holdHeader)
{
    const LineEnd last = LastLineEnd(body, encoding, body.size());
    const qsizetype unit = UnitBytes(encoding);
    CompleteLines found;
    found.bytes = last.end;
    found.lfMayFollow = last.end > 0 && last.end == body.size() && CharAt(body, last.end - unit, encoding) == '\r';
    if (holdHeader && last.start > 0 && CharAt(body, last.start - unit, encoding) == ')') {
        // Back to the end of the line before; the held line's first character follows
        // that line end, so no LF can still join it.
        found.bytes = LastLineEnd(body, encoding, last.start - unit).end;
        found.lfMayFollow = false;
        found.held = true;
    }
    return found;
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

// High bit of every byte of `word` that equals `value`. Exact for each byte: the low seven
// bits are added to 0x7F without a carry into the next byte, so no byte's flag depends on
// its neighbours (the shorter "has a zero byte" formula can flag a 0x01 above a zero).
constexpr quint64 BytesEqual(quint64 word, unsigned char value)
{
    constexpr quint64 low = 0x7F7F7F7F7F7F7F7Full;
    const quint64 x = word ^ (0x0101010101010101ull * value); // zero bytes where equal
    return ~(((x & low) + low) | x | low);
}

// True when every CR of code page 932 bytes is followed by a LF and every LF follows a CR,
// as the game writes them. A block of bytes at a time: the LF flags must be the CR flags
// moved up by one byte, the block's last CR flag carried into the next block.
bool AllLineEndsCrLf(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    bool afterCr = false; // the byte before `i` is a CR
#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
    // Sixteen bytes at a time where the processor has the instructions for it (every
    // x86-64 one does): one flag bit per byte.
    const __m128i cr16 = _mm_set1_epi8('\r');
    const __m128i lf16 = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        const unsigned cr = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, cr16)));
        const unsigned lf = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lf16)));
        if ((((cr << 1) | unsigned(afterCr)) & 0xFFFF) != lf)
            return false;
        afterCr = (cr >> 15) != 0;
    }
#endif
    // Else eight bytes at a time, with one flag bit (the high one) per byte.
    for (; i + 8 <= n; i += 8) {
        const quint64 word = qFromLittleEndian<quint64>(p + i);
        const quint64 cr = BytesEqual(word, '\r');
        if (((cr << 8) | (afterCr ? 0x80 : 0)) != BytesEqual(word, '\n'))
            return false;
        afterCr = (cr >> 63) != 0;
    }
    for (; i < n; ++i) {
        if ((p[i] == '\n') != afterCr)
            return false;
        afterCr = p[i] == '\r';
    }
    return !afterCr;
}

// Code page 932 bytes with every line end made CR LF. Done on the bytes, before decoding,
// with the same result as on the decoded text: a CR or LF byte is never a trail byte, so
// it decodes to itself whatever comes before it, and a lead byte followed by a CR or LF
// is bad either way. The code page has no line separator character.
QByteArray WithCrLf(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 8);
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// Appends complete lines (bytes ending with a line end) to `text` as the processors
// receive them: every line end made CR LF, and every character the code page cannot hold
// made "?".
void AppendProcessorForm(QByteArrayView lines, Encoding encoding, QString &text)
{
    if (lines.isEmpty())
        return;
    if (encoding == Encoding::Ansi) {
        // The game's own files: decoded straight into their code page form, in one pass.
        if (AllLineEndsCrLf(lines))
            kiv::cp932::DecodeAppendAnsiForm(lines, text);
        else
            kiv::cp932::DecodeAppendAnsiForm(WithCrLf(lines), text);
        return;
    }
    text += kiv::cp932::ToAnsiForm(NormalizeLineEnds(DecodeBody(lines, encoding)));
}

// Turns the text bytes of a file (after its mark) into the processors' form while they
// are read, a piece of complete lines at a time, so that a whole day's file never sits in
// memory as bytes beside its text. Pieces end only at line ends, which no character of
// any of the encodings spans, so together they give what the whole text would.
//
// NUL characters (zero units in UTF-16) are taken out as the bytes come in: a crash of
// the game can leave a run of them with records after it, and a run at the end is space
// not yet written, which ends the text only because nothing follows. Where they were is
// remembered, so that the bytes counted as read are the file's own.
//
// The last complete line stays among the pending bytes until the end, where
// FindCompleteLines decides whether it is taken. Each search for line ends covers only
// the bytes added since the last one, so a long line costs no more than a short one.
class LineStream
{
public:
    // `lfMayFollow`: the text read before ended on a CR, so a LF as the first character
    // completes that line end instead of making an empty line.
    LineStream(Encoding encoding, bool lfMayFollow) : m_encoding(encoding), m_dropLf(lfMayFollow) {}

    // Bytes the text begins with that are no text (the mark): counted as read, for
    // `Head` and `Tail`.
    void Skip(QByteArrayView bytes) { Count(bytes); }

    void Add(QByteArrayView bytes)
    {
        m_pending.append(bytes);
        Added();
    }

    // Reads up to `bytes` more from `file` at `offset`, straight behind the pending bytes,
    // and takes them in as Add does. Returns what the read returned.
    qint64 ReadFrom(kiv::files::ReadOnlyFile &file, qint64 offset, qint64 bytes)
    {
        const qsizetype old = m_pending.size();
        m_pending.resize(old + bytes);
        const qint64 got = file.ReadAt(offset, m_pending.data() + old, bytes);
        m_pending.resize(old + std::max<qint64>(got, 0));
        if (got > 0)
            Added();
        return got;
    }

    // After the last bytes: takes the complete lines left (the last one subject to
    // `holdHeader`) and tells about all lines taken since the start.
    CompleteLines Finish(bool holdHeader)
    {
        CompleteLines rest = FindCompleteLines(QByteArrayView(m_pending).first(m_clean), m_encoding, holdHeader);
        Take(rest.bytes);
        rest.bytes = m_taken;
        return rest;
    }

    // No character has come yet to settle whether a LF completes the last line end.
    bool LfMayStillFollow() const { return m_dropLf; }

    QString &Text() { return m_text; }
    qsizetype Counted() const { return m_counted; }
    // The first kHeadBytes and the last kTailBytes bytes counted.
    const QByteArray &Head() const { return m_head; }
    const QByteArray &Tail() const { return m_tail; }

private:
    bool IsNulAt(qsizetype i) const
    {
        return m_pending[i] == 0 && (!IsUtf16(m_encoding) || m_pending[i + 1] == 0);
    }

    // Takes the NUL characters out of the bytes added, in whole units.
    void RemoveNuls()
    {
        const qsizetype unit = UnitBytes(m_encoding);
        const qsizetype end = m_clean + (m_pending.size() - m_clean) / unit * unit;
        qsizetype r = m_clean;
        if (!IsUtf16(m_encoding)) {
            const void *nul = std::memchr(m_pending.constData() + r, 0, size_t(end - r));
            if (!nul) {
                m_clean = end;
                return;
            }
            r = static_cast<const char *>(nul) - m_pending.constData();
        } else {
            while (r < end && !IsNulAt(r))
                r += unit;
            if (r == end) {
                m_clean = end;
                return;
            }
        }
        char *p = m_pending.data();
        qsizetype w = r;
        while (r < end) {
            const qsizetype runStart = r;
            while (r < end && IsNulAt(r))
                r += unit;
            if (r > runStart) {
                if (!m_removed.empty() && m_removed.back().at == w)
                    m_removed.back().bytes += r - runStart;
                else
                    m_removed.push_back({w, r - runStart});
            }
            const qsizetype textStart = r;
            while (r < end && !IsNulAt(r))
                r += unit;
            std::memmove(p + w, p + textStart, size_t(r - textStart));
            w += r - textStart;
        }
        // An odd byte of UTF-16 waits for its other half.
        std::memmove(p + w, p + end, size_t(m_pending.size() - end));
        m_pending.resize(w + (m_pending.size() - end));
        m_clean = w;
    }

    // The first character, once there is one, settles the LF question.
    void DropLeadingLf()
    {
        const qsizetype unit = UnitBytes(m_encoding);
        if (!m_dropLf || m_clean < unit)
            return;
        m_dropLf = false;
        if (CharAt(m_pending, 0, m_encoding) != '\n')
            return;
        // The NULs before it and the LF are read: counted now, as nothing was taken yet.
        qsizetype nuls = 0;
        if (!m_removed.empty() && m_removed.front().at == 0) {
            nuls = m_removed.front().bytes;
            m_removed.erase(m_removed.begin());
        }
        QByteArray raw(nuls, '\0');
        raw.append(QByteArrayView(m_pending).first(unit));
        Count(raw);
        m_pending.remove(0, unit);
        m_clean -= unit;
        for (Removed &removed : m_removed)
            removed.at -= unit;
    }

    // Looks at the bytes just added to the pending ones.
    void Added()
    {
        RemoveNuls();
        DropLeadingLf();
        if (m_dropLf)
            return; // nothing to search yet
        const qsizetype limit = m_clean;
        // Only the bytes added need searching: LastLineEnd looks behind a LF for its CR,
        // so a LF just added still joins a CR read before.
        const qsizetype floor = m_scanned;
        const LineEnd last = LastLineEnd(m_pending, m_encoding, limit, floor);
        m_scanned = limit;
        if (last.end == 0 || (m_last.end > 0 && last.start <= m_last.start)) {
            if (last.end > 0)
                m_last = last; // the same line end, now CR LF
            return;
        }
        // The line end before the new last one: between the two, or the old last one.
        LineEnd before = LastLineEnd(m_pending, m_encoding, last.start, m_last.end > 0 ? m_last.end : floor);
        if (before.end == 0)
            before = m_last;
        m_last = last;
        if (before.end > 0) {
            Take(before.end);
            m_last.start -= before.end;
            m_last.end -= before.end;
            m_scanned -= before.end;
        }
    }

    void Take(qsizetype bytes)
    {
        if (bytes == 0)
            return;
        // The text was given room at the start for as many characters as the file has
        // bytes, which only line ends made CR LF can exceed: while that room lasts, the
        // part about to be written is set up in one go.
        if (m_text.capacity() - m_text.size() >= bytes)
            kiv::memory::PrefaultForWriting(m_text.data() + m_text.size(), bytes * qsizetype(sizeof(char16_t)));
        const QByteArrayView lines = QByteArrayView(m_pending).first(bytes);
        AppendProcessorForm(lines, m_encoding, m_text);
        // NULs inside the lines taken (or just before them) are read with them; NULs
        // after the last line end wait, they may yet be written over.
        auto inside = m_removed.begin();
        while (inside != m_removed.end() && inside->at < bytes)
            ++inside;
        if (inside == m_removed.begin()) {
            Count(lines);
        } else {
            QByteArray raw;
            qsizetype from = 0;
            for (auto it = m_removed.begin(); it != inside; ++it) {
                raw.append(lines.sliced(from, it->at - from));
                raw.append(it->bytes, '\0');
                from = it->at;
            }
            raw.append(lines.sliced(from));
            Count(raw);
            m_removed.erase(m_removed.begin(), inside);
        }
        for (Removed &removed : m_removed)
            removed.at -= bytes;
        m_taken += bytes;
        m_clean -= bytes;
        m_pending.remove(0, bytes);
    }

    void Count(QByteArrayView bytes)
    {
        m_counted += bytes.size();
        if (m_head.size() < kHeadBytes)
            m_head.append(bytes.first(std::min(bytes.size(), kHeadBytes - m_head.size())));
        if (bytes.size() >= kTailBytes) {
            m_tail = bytes.last(kTailBytes).toByteArray();
        } else {
            m_tail.append(bytes);
            m_tail = m_tail.right(kTailBytes);
        }
    }

    // NUL bytes taken out of the pending ones just before pending byte `at`.
    struct Removed
    {
        qsizetype at;
        qsizetype bytes;
    };

    const Encoding m_encoding;
    QByteArray m_pending;   // read, not yet taken, NULs taken out; begins at a line start
    qsizetype m_clean = 0;  // m_pending is free of NULs up to this (whole units)
    std::vector<Removed> m_removed;
    bool m_dropLf;          // a LF as the first character completes the last line end read
    qsizetype m_scanned = 0; // m_pending was searched for line ends up to this
    LineEnd m_last;          // the last line end in m_pending (end 0: none)
    QString m_text;
    qsizetype m_taken = 0;   // text bytes taken
    qsizetype m_counted = 0; // all bytes counted, taken or skipped
    QByteArray m_head;
    QByteArray m_tail;
};

QDate DateOfName(const QString &name, const QString &prefix)
{
    if (!name.startsWith(prefix, Qt::CaseInsensitive))
        return {};
    // Eight digits, read by hand: a date format is parsed anew at every call.
    if (name.size() < prefix.size() + 8)
        return {};
    int value[3] = {0, 0, 0};
    for (qsizetype i = 0; i < 8; ++i) {
        const char16_t c = name[prefix.size() + i].unicode();
        if (c < u'0' || c > u'9')
            return {};
        int &part = value[i < 4 ? 0 : i < 6 ? 1 : 2];
        part = part * 10 + (c - u'0');
    }
    const QDate date(value[0], value[1], value[2]);
    return date.isValid() ? date : QDate();
}

// How many characters of whole lines `a` and `b` (texts of lines ended by CR LF) begin
// with in common.
qsizetype SharedLines(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const auto diff = std::mismatch(a.begin(), a.begin() + n, b.begin());
    const qsizetype same = diff.first - a.begin();
    if (same == a.size() || same == b.size())
        return same; // both end with a line end
    return same == 0 ? 0 : b.lastIndexOf(u'\n', same - 1) + 1;
}

// The part of a reading's complete lines that goes on, and the buffer brought up to
// date. Lines the file still shares with what was handed before (from the start after a
// rewrite, from where it was cut after a cut) are not handed on again; from the first
// line that differs everything is, repeats of earlier text included.
QString TakeNewLines(DailyLog &log, const QString &lines, bool whole)
{
    if (whole)
        log.inFile = 0;
    const qsizetype shared = SharedLines(QStringView(log.buffer).sliced(log.inFile), lines);
    if (shared == lines.size()) {
        log.inFile += shared; // a cut, or lines written again as they were
        return {};
    }
    log.buffer.truncate(log.inFile);
    log.buffer += lines;
    log.inFile = log.buffer.size();
    return lines.sliced(shared);
}

// How long a held line may wait for the line after it while the file stays unchanged.
constexpr qint64 kHoldSeconds = 2;
// How many days back a kind whose next day's file never appeared looks for newer files.
constexpr int kLookBackDays = 31;

} // namespace

qint64 NextReadBytes(qint64 left, qint64 readSize)
{
    // Past the look, a byte at a time would chase a game writing fast, one call per byte.
    return std::min(left >= 0 ? left + 1 : readSize, std::max<qint64>(1, readSize));
}

LogReader::LogReader(AppState &state, ILogProcessors &processors, const IClock &clock)
    : m_state(state)
    , m_processors(processors)
    , m_clock(clock)
{
}

LogReader::ClockPin::ClockPin(const LogReader &reader)
    : m_reader(reader)
    , m_owner(!reader.m_now)
{
    if (m_owner)
        m_reader.m_now = m_reader.m_clock.Now();
}

LogReader::ClockPin::~ClockPin()
{
    if (m_owner)
        m_reader.m_now.reset();
}

QString LogReader::PathOf(const QString &name) const
{
    return m_state.logDir + name;
}

void LogReader::FirstShowing()
{
    const ClockPin pin(*this);
    if (m_state.readingGuard || m_state.released || m_state.logDir.isEmpty())
        return;
    m_state.readingGuard = true;
    const auto clearGuard = qScopeGuard([this] { m_state.readingGuard = false; });
    for (const LogKind kind : kKinds) {
        const bool shown = kind != LogKind::Action || m_state.actionLog;
        LoadForReplay(kind, shown ? LogReadPosition::Pending::Replay : LogReadPosition::Pending::LoadOnly,
                      Flush::Always);
        if (m_state.released)
            return;
    }
}

void LogReader::ReadNewLogText(bool namesMayHaveChanged)
{
    const ClockPin pin(*this);
    if (m_state.readingGuard || m_state.released || m_state.logDir.isEmpty())
        return;
    // A command that held readings back (a roster rebuild) asks for one more when the
    // reading it ran in is over, so nothing written meanwhile waits for the next change.
    do {
        m_state.readAgain = false;
        ReadOnce(namesMayHaveChanged);
        namesMayHaveChanged = true;
    } while (m_state.readAgain && !m_state.released);
}

void LogReader::ReadOnce(bool namesMayHaveChanged)
{
    // Cleared however the reading ends, a processor throwing included: a guard left set
    // would stop every later reading.
    m_state.readingGuard = true;
    const auto clearGuard = qScopeGuard([this] { m_state.readingGuard = false; });
    // A followed log gets a record many times a second; the next day's names are looked
    // for only when a name may have appeared, or the day has changed what to look for.
    const QDate today = Now().date();
    const bool lookAtNames = namesMayHaveChanged || m_namesLookedIn != m_state.logDir || m_namesLookedOn != today;
    if (lookAtNames) {
        m_namesLookedIn = m_state.logDir;
        m_namesLookedOn = today;
        for (const LogKind kind : kKinds) {
            MoveToNextDay(kind);
            if (m_state.released)
                return;
        }
    }
    for (const LogKind kind : kKinds) {
        ReadAppended(kind, Flush::IfStill, lookAtNames);
        if (m_state.released)
            return; // the window closed from inside a processor: the buffers are gone
    }
}

void LogReader::LoadForReplay(LogKind kind, LogReadPosition::Pending mode, Flush flush)
{
    DailyLog &log = m_state.Log(kind);
    const Loaded loaded = Load(kind, true, flush);
    if (loaded.got == Got::Unreadable) {
        // Shown as replay text once it can be read: it was in the file before this reading.
        log.read.pending = mode;
        return;
    }
    if (loaded.got != Got::Text)
        return;
    log.buffer = loaded.text;
    log.inFile = log.buffer.size();
    if (mode == LogReadPosition::Pending::Replay)
        Hand(kind, log.buffer, ProcessingMode::Replay);
}

QString LogReader::NewerDayFile(const DailyLog &log) const
{
    const QDate next = DateOfName(log.nextName, log.prefix);
    if (!next.isValid())
        return kiv::files::Exists(PathOf(log.nextName)) ? log.nextName : QString();
    // Normally the next day's file; but a day without chat, actions or mail has no file,
    // so once the clock has passed the next day the newest file up to today is taken.
    const QDate today = Now().date();
    const QDate oldest = std::max(next, today.addDays(-kLookBackDays));
    for (QDate date = std::max(next, today); date >= oldest; date = date.addDays(-1)) {
        const QString name = date == next ? log.nextName : DailyLogName(log.prefix, date);
        if (kiv::files::Exists(PathOf(name)))
            return name;
    }
    return {};
}

void LogReader::MoveToNextDay(LogKind kind)
{
    DailyLog &log = m_state.Log(kind);
    const QString newer = NewerDayFile(log);
    if (newer.isEmpty())
        return;
    // What the old file got since the last reading (the game may finish the day's last
    // record just before it starts the new file) goes on first, a held line included.
    ReadAppended(kind, Flush::Always);
    if (m_state.released)
        return;
    log.currentName = newer;
    log.ForgetFile();
    // One day after the later of the file's date and today's: a file dated ahead of the
    // clock would otherwise be its own next file and be replayed at every reading. Made
    // before the text is handed on, so that a processor failing cannot leave it so either.
    const QDate today = Now().date();
    const QDate fileDate = DateOfName(log.currentName, log.prefix);
    const QDate from = fileDate.isValid() ? std::max(fileDate, today) : today;
    log.nextName = DailyLogName(log.prefix, from.addDays(1));
    // After a day change the action text is shown whatever the ActionLog setting says.
    LoadForReplay(kind, LogReadPosition::Pending::Replay, Flush::IfStill);
}

void LogReader::ReadAppended(LogKind kind, Flush flush, bool lookForMissing)
{
    DailyLog &log = m_state.Log(kind);
    if (!lookForMissing && !log.read.seen && log.read.pending == LogReadPosition::Pending::None
        && m_unreadable[int(kind)].isEmpty())
        return;
    if (log.read.pending != LogReadPosition::Pending::None) {
        const LogReadPosition::Pending pending = log.read.pending;
        log.read.pending = LogReadPosition::Pending::None;
        LoadForReplay(kind, pending, Flush::Always);
        return;
    }
    const Loaded loaded = Load(kind, false, flush);
    if (loaded.got != Got::Text)
        return;
    // A file that only grew gives its new lines; one cut short, replaced or rewritten (or
    // with nothing complete read before) gives all its lines, compared from the start.
    const QString appended = TakeNewLines(log, loaded.text, loaded.whole);
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

bool LogReader::HeldLineDue(const LogReadPosition &pos) const
{
    return pos.held && Now() >= pos.stillSince.addSecs(kHoldSeconds);
}

LogReader::Loaded LogReader::Load(LogKind kind, bool whole, Flush flush)
{
    DailyLog &log = m_state.Log(kind);
    LogReadPosition &pos = log.read;
    QString &unreadable = m_unreadable[int(kind)];
    const QString path = PathOf(log.currentName);
    const kiv::files::Stamp stamp = kiv::files::StampOf(path);
    kiv::files::ReadOnlyFile &file = m_files[int(kind)];
    if (!stamp.exists) {
        file.Close();
        pos.seen = false;
        pos.seenSize = -1;
        pos.seenModified = 0;
        unreadable.clear();
        return {};
    }

    if (!stamp.regular) {
        file.Close();
        unreadable = QStringLiteral("ファイルではありません");
        return {Got::Unreadable, {}, false};
    }

    // Opened for reading only, and kept open while the path names the same file: a
    // followed log is read several times a second, and opening and closing it each time
    // was a third of a reading's calls to the system. A reader's handle never stands in
    // the way of the game writing, renaming or deleting the file here.
    if (!file.Is(stamp) && !file.Open(path)) {
        unreadable = file.Error();
        return {Got::Unreadable, {}, false};
    }
    const qint64 size = stamp.size;
    bool grown = !whole && pos.bytes > 0 && size >= pos.bytes;
    if (grown)
        grown = file.ReadAt(0, pos.head.size()) == pos.head;
    // The bytes after the last reading come in the same call as the end of what it read,
    // which must not have changed either.
    QByteArray behind;
    qint64 behindWanted = 0;
    if (grown && pos.bytes > pos.head.size()) {
        behindWanted = pos.tail.size() + NextReadBytes(size - pos.bytes, m_readSize);
        behind = file.ReadAt(pos.bytes - pos.tail.size(), behindWanted);
        grown = behind.startsWith(pos.tail);
    }
    const Encoding oldEncoding = MarkOf(pos.head).encoding;
    const qsizetype unit = UnitBytes(oldEncoding);
    if (grown && !pos.lfMayFollow && pos.tail.size() >= unit
        && CharAt(pos.tail, pos.tail.size() - unit, oldEncoding) == '\r') {
        // The text read ended on a lone CR, taken as a line end because something other
        // than a LF came after it. A LF written there since would join that line end.
        const QByteArray after = file.ReadAt(pos.bytes, 64);
        qsizetype i = 0;
        while (i + unit <= after.size() && CharAt(after, i, oldEncoding) == 0)
            i += unit;
        grown = !(i + unit <= after.size() && CharAt(after, i, oldEncoding) == '\n');
    }
    const qint64 start = grown ? pos.bytes : 0;

    // The bytes that tell the encoding (a new file's first three) come first.
    const QByteArray first = start == 0 ? file.ReadAt(0, 3) : QByteArray();
    const Mark mark = MarkOf(start == 0 ? QByteArrayView(first) : QByteArrayView(pos.head));
    const qsizetype skipped = start == 0 ? mark.size : 0;
    LineStream stream(mark.encoding, start > 0 && pos.lfMayFollow);
    if (start < size)
        stream.Text().reserve(size - start); // characters are no more than bytes, but for line ends
    stream.Skip(QByteArrayView(first).first(skipped));
    stream.Add(QByteArrayView(first).sliced(skipped));
    qint64 read = first.size();
    bool atEnd = false;
    if (start > 0 && behindWanted > 0) {
        stream.Add(QByteArrayView(behind).sliced(pos.tail.size()));
        read = behind.size() - pos.tail.size();
        atEnd = behind.size() < behindWanted; // the end of the file, as it is now
    }
    if (!atEnd && (start > 0 || first.size() == 3)) {
        for (;;) {
            // A record appended is a hundred bytes, not a whole piece.
            const qint64 want = NextReadBytes(size - (start + read), m_readSize);
            const qint64 got = stream.ReadFrom(file, start + read, want);
            if (got <= 0)
                break;
            read += got;
            if (got < want)
                break; // the end of the file, as it is now
        }
    }
    if (file.Failed()) {
        unreadable = file.Error();
        file.Close();
        return {Got::Unreadable, {}, false};
    }
    unreadable.clear();

    // A held line goes on as it stands when asked, or once the file has stayed as it was
    // for a while: the line after it is not coming.
    const qint64 seenSize = start + read;
    const bool changed = !pos.seen || seenSize != pos.seenSize || stamp.modified != pos.seenModified;
    if (changed)
        pos.stillSince = Now();
    const bool flushNow = flush == Flush::Always || (flush == Flush::IfStill && !changed && HeldLineDue(pos));
    const CompleteLines complete = stream.Finish(kind != LogKind::Action && !flushNow);
    pos.lfMayFollow = complete.bytes > 0 ? complete.lfMayFollow : stream.LfMayStillFollow();
    pos.held = complete.held;
    const qsizetype consumed = stream.Counted();
    if (start == 0) {
        pos.head = stream.Head();
        pos.tail = stream.Tail();
    } else {
        if (pos.head.size() < kHeadBytes)
            pos.head.append(QByteArrayView(stream.Head()).first(std::min(kHeadBytes - pos.head.size(), consumed)));
        if (consumed >= kTailBytes) {
            pos.tail = stream.Tail();
        } else {
            pos.tail.append(stream.Tail());
            pos.tail = pos.tail.right(kTailBytes);
        }
    }
    pos.bytes = start + consumed;
    pos.seen = true;
    pos.seenSize = seenSize;
    pos.seenModified = stamp.modified;
    return {Got::Text, std::move(stream.Text()), start == 0};
}

bool LogReader::ChangedSinceLastReading() const
{
    const ClockPin pin(*this);
    if (m_state.released || m_state.logDir.isEmpty())
        return false;
    for (const LogKind kind : kKinds) {
        const DailyLog &log = m_state.Log(kind);
        if (log.read.pending != LogReadPosition::Pending::None || !m_unreadable[int(kind)].isEmpty())
            return true;
        if (!NewerDayFile(log).isEmpty() || HeldLineDue(log.read))
            return true;
        const kiv::files::Stamp stamp = kiv::files::StampOf(PathOf(log.currentName));
        if (stamp.exists != log.read.seen)
            return true;
        if (stamp.exists && (stamp.size != log.read.seenSize || stamp.modified != log.read.seenModified))
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
