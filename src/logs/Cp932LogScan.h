#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__GNUC__)
#define KIV_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define KIV_ALWAYS_INLINE inline
#endif

// Reading the fields of log lines straight from a file's code page 932 bytes, for the
// passes over months of logs that need a few fields of every line and nothing else.
// TAB, CR, LF, NUL and ")" are never the second byte of a double-byte character, so the
// bytes split exactly where the decoded text would.
namespace kiv::logs {

namespace detail {

inline quint64 Load8(const char *p, qsizetype n)
{
    quint64 v = 0;
    std::memcpy(&v, p, size_t(n < 8 ? n : 8));
    return v;
}

} // namespace detail

// Tells the first time a field is met: a day's log repeats a few thousand speakers over
// hundreds of thousands of lines, so nearly every lookup finds its field and compares its
// bytes. The tags of four slots are looked at as one: a lookup that walked slot by slot
// would mispredict a branch at each slot it passes, which cost more than the rest of the
// lookup. A slot holds a field of up to 31 bytes itself (a name with its ID fits); longer
// fields are kept beside the table.
class SeenViews
{
public:
    // True the first time `view` is met.
    bool Insert(QByteArrayView view)
    {
        Reserve(1);
        return Insert(view, Hash(view));
    }

    // Calls `newFn(k)` for each of the `n` views, views[k], that is met for the first time, in
    // their order. The slots of a batch are fetched ahead at once: one lookup at a time
    // would wait for memory at each.
    template<typename NewFn>
    void InsertAll(const QByteArrayView *views, size_t n, NewFn &&newFn)
    {
        constexpr size_t kMax = 128;
        quint64 hashes[kMax];
        for (size_t start = 0; start < n; start += kMax) {
            const size_t count = std::min(kMax, n - start);
            Reserve(count);
            const size_t mask = m_tags.size() - 1;
            for (size_t k = 0; k < count; ++k) {
                hashes[k] = Hash(views[start + k]);
#if defined(__GNUC__)
                const size_t group = size_t(hashes[k]) & mask & ~(kGroup - 1);
                __builtin_prefetch(&m_tags[group]);
                __builtin_prefetch(&m_slots[group]);
#endif
            }
            for (size_t k = 0; k < count; ++k) {
                if (Insert(views[start + k], hashes[k]))
                    newFn(start + k);
            }
        }
    }

    // Forgets every field, keeping the room.
    void Clear()
    {
        if (m_count == 0)
            return;
        std::fill(m_tags.begin(), m_tags.end(), 0u);
        m_long.clear();
        m_count = 0;
    }

private:
    static constexpr size_t kGroup = 4;
    static constexpr qsizetype kInline = 31;
    static constexpr quint8 kLong = 0xFF;

    // In use while its tag is not 0. A field of more than kInline bytes has the size kLong
    // and in `bytes` where its copy starts in m_long: its size (4 bytes), then its bytes.
    struct alignas(32) Slot
    {
        quint8 size = 0;
        char bytes[kInline] = {};
    };
    static_assert(sizeof(Slot) == 32);

    static quint32 Tag(quint64 hash) { return quint32(hash >> 32) | 1u; }

    static quint64 Hash(QByteArrayView view)
    {
        const char *p = view.data();
        const qsizetype n = view.size();
        quint64 h = 0x9E3779B97F4A7C15ull ^ quint64(n);
        const auto mix = [&h](quint64 word) {
            h = (h ^ word) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 32;
        };
        // Word by word, the last word overlapping the ones before when the size is no
        // multiple of 8; the common sizes of names and IDs without a loop.
        if (n < 8) {
            if (n > 0)
                mix(detail::Load8(p, n));
        } else if (n <= 24) {
            mix(detail::Load8(p, 8));
            if (n > 16)
                mix(detail::Load8(p + 8, 8));
            mix(detail::Load8(p + n - 8, 8));
        } else {
            for (qsizetype i = 0; i + 8 < n; i += 8)
                mix(detail::Load8(p + i, 8));
            mix(detail::Load8(p + n - 8, 8));
        }
        // Every bit of the fields into the low bits that pick the group: names often
        // differ only in their last bytes.
        h ^= h >> 33;
        h *= 0xC4CEB9FE1A85EC53ull;
        h ^= h >> 33;
        return h;
    }

    // Bit k set where the tag of slot `group` + k is `tag`.
    unsigned Matches(size_t group, quint32 tag) const
    {
#if defined(__SSE2__)
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i *>(&m_tags[group]));
        return unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(four, _mm_set1_epi32(int(tag))))));
#else
        unsigned bits = 0;
        for (size_t k = 0; k < kGroup; ++k)
            bits |= unsigned(m_tags[group + k] == tag) << k;
        return bits;
#endif
    }

    // Room for `more` new fields without growing the table.
    void Reserve(size_t more)
    {
        while ((m_count + more) * 4 > m_tags.size() * 3)
            Grow();
    }

    KIV_ALWAYS_INLINE bool Insert(QByteArrayView view, quint64 hash)
    {
        const quint32 tag = Tag(hash);
        const size_t mask = m_tags.size() - 1;
        for (size_t group = size_t(hash) & mask & ~(kGroup - 1);; group = (group + kGroup) & mask) {
            for (unsigned hits = Matches(group, tag); hits != 0; hits &= hits - 1) {
                if (Same(m_slots[group + size_t(std::countr_zero(hits))], view))
                    return false;
            }
            // A group with a free slot ends the walk: a field is kept in the first free
            // slot of its walk, and slots are never freed one by one.
            if (const unsigned free = Matches(group, 0); free != 0)
                return Keep(group + size_t(std::countr_zero(free)), tag, view);
        }
    }

    // Fills the free slot `at`; always true (the field is new).
    bool Keep(size_t at, quint32 tag, QByteArrayView view)
    {
        Slot &slot = m_slots[at];
        if (view.size() <= kInline) {
            slot.size = quint8(view.size());
            if (!view.isEmpty())
                std::memcpy(slot.bytes, view.data(), size_t(view.size()));
        } else {
            const size_t offset = m_long.size();
            // Too much to keep: met for the first time, every time. The callers' own
            // sets still drop what repeats.
            if (offset + sizeof(quint32) + size_t(view.size()) > std::numeric_limits<quint32>::max())
                return true;
            const auto size = quint32(view.size());
            m_long.resize(offset + sizeof size + size_t(size));
            std::memcpy(m_long.data() + offset, &size, sizeof size);
            std::memcpy(m_long.data() + offset + sizeof size, view.data(), size);
            const auto start = quint32(offset);
            slot.size = kLong;
            std::memcpy(slot.bytes, &start, sizeof start);
        }
        m_tags[at] = tag;
        ++m_count;
        return true;
    }

    // Word by word, the last word overlapping the ones before: no call for a few bytes.
    KIV_ALWAYS_INLINE bool Same(const Slot &slot, QByteArrayView view) const
    {
        const qsizetype n = view.size();
        const char *p = view.data();
        const char *kept = slot.bytes;
        if (slot.size == kLong) {
            const QByteArrayView field = Field(slot);
            if (field.size() != n)
                return false;
            kept = field.data();
        } else if (slot.size != n) {
            return false;
        }
        if (n < 8)
            return n == 0 || detail::Load8(kept, n) == detail::Load8(p, n);
        if (n <= 24) {
            // Up to three words, told apart at once.
            const auto differs = [&](qsizetype at) { return detail::Load8(kept + at, 8) ^ detail::Load8(p + at, 8); };
            return (differs(0) | (n > 16 ? differs(8) : 0) | differs(n - 8)) == 0;
        }
        for (qsizetype i = 0; i + 8 < n; i += 8) {
            if (detail::Load8(kept + i, 8) != detail::Load8(p + i, 8))
                return false;
        }
        return detail::Load8(kept + n - 8, 8) == detail::Load8(p + n - 8, 8);
    }

    QByteArrayView Field(const Slot &slot) const
    {
        if (slot.size != kLong)
            return QByteArrayView(slot.bytes, slot.size);
        quint32 start;
        std::memcpy(&start, slot.bytes, sizeof start);
        quint32 size;
        std::memcpy(&size, m_long.data() + start, sizeof size);
        return QByteArrayView(m_long.data() + start + sizeof size, qsizetype(size));
    }

    void Grow()
    {
        const size_t size = m_tags.empty() ? 1024 : m_tags.size() * 2;
        std::vector<quint32> oldTags(size, 0u);
        std::vector<Slot> oldSlots(size);
        oldTags.swap(m_tags);
        oldSlots.swap(m_slots);
        const size_t mask = size - 1;
        for (size_t k = 0; k < oldTags.size(); ++k) {
            if (oldTags[k] == 0)
                continue;
            size_t group = size_t(Hash(Field(oldSlots[k]))) & mask & ~(kGroup - 1);
            unsigned free;
            while ((free = Matches(group, 0)) == 0)
                group = (group + kGroup) & mask;
            const size_t at = group + size_t(std::countr_zero(free));
            m_tags[at] = oldTags[k];
            m_slots[at] = oldSlots[k];
        }
    }

    std::vector<quint32> m_tags;
    std::vector<Slot> m_slots;
    std::vector<char> m_long;
    size_t m_count = 0;
};

// Hands each field given to `Add` that is met for the first time to `newFn`, in the
// order given, a batch at a time (SeenViews::InsertAll); `Finish` hands on the rest. The
// fields must stay valid until they are handed on.
template<typename NewFn>
class FirstSeenFields
{
public:
    explicit FirstSeenFields(NewFn newFn)
        : m_seen(m_own)
        , m_newFn(std::move(newFn))
    {
    }

    // Fields that `seen` holds already count as met.
    FirstSeenFields(SeenViews &seen, NewFn newFn)
        : m_seen(seen)
        , m_newFn(std::move(newFn))
    {
    }

    void Add(QByteArrayView view)
    {
        m_batch[m_count++] = view;
        if (m_count == kBatch)
            Finish();
    }

    void Finish()
    {
        m_seen.InsertAll(m_batch.data(), m_count, [this](size_t k) { m_newFn(m_batch[k]); });
        m_count = 0;
    }

private:
    static constexpr size_t kBatch = 128;
    SeenViews m_own;
    SeenViews &m_seen;
    NewFn m_newFn;
    std::array<QByteArrayView, kBatch> m_batch;
    size_t m_count = 0;
};

// The distinct fields of one file as read, copied side by side, for telling on the
// calling thread which of them an earlier file already gave.
struct FieldBytes
{
    QByteArray bytes;
    std::vector<qsizetype> ends;

    void Append(QByteArrayView field)
    {
        bytes.append(field);
        ends.push_back(bytes.size());
    }

    std::vector<QByteArrayView> Views() const
    {
        std::vector<QByteArrayView> views;
        views.reserve(ends.size());
        qsizetype start = 0;
        for (const qsizetype end : ends) {
            views.emplace_back(bytes.constData() + start, end - start);
            start = end;
        }
        return views;
    }
};

// True when the bytes carry no byte-order mark: they are code page 932 text.
inline bool IsCp932Log(QByteArrayView bytes)
{
    const auto starts = [&bytes](const char *mark, qsizetype n) {
        return bytes.size() >= n && std::memcmp(bytes.data(), mark, size_t(n)) == 0;
    };
    return !starts("\xFF\xFE", 2) && !starts("\xFE\xFF", 2) && !starts("\xEF\xBB\xBF", 3);
}

// The first kMaxFields fields of a line and how many fields it has in all.
struct ByteFields
{
    static constexpr int kMaxFields = 8;
    std::array<QByteArrayView, kMaxFields> field;
    int count = 0;
};

namespace detail {

// Bit k set where byte k of the 64 at `p`, of which `n` are real (the rest read as NUL),
// is a control character up to CR: TAB, LF, CR and NUL among them. One compare per 16
// bytes finds them all; the few other control characters are passed over by the caller.
inline quint64 LowBytes(const char *p, qsizetype n)
{
    alignas(16) char tail[64];
    if (n < 64) {
        std::memset(tail, 0, sizeof tail);
        std::memcpy(tail, p, size_t(n));
        p = tail;
    }
    quint64 low = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    // Four times over, written out: as a loop it was not unrolled and kept its shifts.
    const auto sixteen = [&](int k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
        const __m128i atMostCr = _mm_cmpeq_epi8(_mm_min_epu8(v, cr), v);
        low |= quint64(quint32(_mm_movemask_epi8(atMostCr))) << (16 * k);
    };
    sixteen(0);
    sixteen(1);
    sixteen(2);
    sixteen(3);
#else
    for (int k = 0; k < 64; ++k) {
        if (quint8(p[k]) <= quint8('\r'))
            low |= quint64(1) << k;
    }
#endif
    return low;
}

} // namespace detail

// Cuts code page 932 bytes into lines and fields, as SplitLogLine and ForEachLogLine cut
// the decoded text: lines end at CR, LF or CR LF, fields at TAB, a TAB or line end at
// the very end of a line adds no empty field, empty lines are left out and a NUL ends the
// text. With `joinHeaders` (chat and mail logs) a line ending in ")" runs on into the
// next one, its line end a field end: the join of a record's header to its text.
// The bytes may come a piece at a time: `Scan` takes what is there and tells where the
// line it could not finish starts, to be given again with what follows.
class Cp932LineCutter
{
public:
    explicit Cp932LineCutter(bool joinHeaders)
        : m_joinHeaders(joinHeaders)
    {
    }

    // True once a NUL was met: nothing after it is text.
    bool TextEnded() const { return m_textEnded; }

    // Calls `lineFn(const ByteFields &)` for every line of s[0, n) that has fields and
    // ends there; with `atEnd` the bytes end the text, so the last line ends with them.
    // Returns where the unfinished line starts (n when there is none). The bytes must
    // start where a line starts.
    template<typename LineFn>
    qsizetype Scan(const char *s, qsizetype n, bool atEnd, LineFn &&lineFn)
    {
        ByteFields fields;
        qsizetype lineStart = 0;
        qsizetype fieldStart = 0;
        const auto endField = [&](qsizetype end) {
            if (fields.count < ByteFields::kMaxFields)
                fields.field[size_t(fields.count)] = QByteArrayView(s + fieldStart, end - fieldStart);
            ++fields.count;
        };
        // A CR as the last byte may be the first half of a CR LF: it waits for what follows.
        const qsizetype limit = atEnd ? n : n - 1;
        bool lfFirst = false; // the block starts with the LF of a CR LF taken already
        for (qsizetype base = 0; base < limit; base += 64) {
            quint64 mask = detail::LowBytes(s + base, n - base);
            if (lfFirst)
                mask &= ~quint64(1);
            lfFirst = false;
            if (limit - base < 64)
                mask &= (quint64(1) << (limit - base)) - 1;
            for (; mask != 0; mask &= mask - 1) {
                const int bit = std::countr_zero(mask);
                const qsizetype i = base + bit;
                const char c = s[i];
                if (c == '\t') {
                    endField(i);
                    fieldStart = i + 1;
                    continue;
                }
                if (c == '\0') {
                    m_textEnded = true;
                    if (i > fieldStart)
                        endField(i);
                    if (fields.count > 0)
                        lineFn(std::as_const(fields));
                    return n;
                }
                if (c != '\r' && c != '\n')
                    continue; // another control character: text
                qsizetype next = i + 1;
                if (c == '\r' && next < n && s[next] == '\n') {
                    // The LF of a CR LF is taken with its CR.
                    ++next;
                    if (bit < 63)
                        mask &= ~(quint64(2) << bit);
                    else
                        lfFirst = true;
                }
                if (m_joinHeaders && i > 0 && s[i - 1] == ')') {
                    endField(i);
                } else {
                    if (i > fieldStart)
                        endField(i);
                    if (fields.count > 0)
                        lineFn(std::as_const(fields));
                    fields.count = 0;
                    lineStart = next;
                }
                fieldStart = next;
            }
        }
        if (!atEnd)
            return lineStart;
        if (n > fieldStart)
            endField(n);
        if (fields.count > 0)
            lineFn(std::as_const(fields));
        return n;
    }

private:
    bool m_joinHeaders;
    bool m_textEnded = false;
};

// Calls `lineFn(const ByteFields &)` for every line of the bytes that has fields, cut as
// Cp932LineCutter cuts them.
template<typename LineFn>
void ForEachCp932Line(QByteArrayView bytes, bool joinHeaders, LineFn &&lineFn)
{
    Cp932LineCutter(joinHeaders).Scan(bytes.data(), bytes.size(), true, lineFn);
}

// What reading one log file gave.
struct LogFileRead
{
    bool ok = false;
    QString error;
    // Bytes read in all.
    qint64 size = 0;
    // A file with a byte-order mark is read whole, into `bytes`, and not cut.
    bool cp932 = true;
    QByteArray bytes;
};

// Reads code page 932 logs a piece at a time into one buffer that it keeps from file to
// file: months of logs are read without a fresh buffer (and its page faults) per file,
// and each piece is cut while it is still in the cache. Log files are read, never
// mapped: the game may cut today's file at any moment.
class Cp932LogReader
{
public:
    explicit Cp932LogReader(qsizetype chunk = 256 * 1024)
        : m_chunk(std::max<qsizetype>(chunk, 4))
    {
    }

    // Cuts the lines of the file at `path` as ForEachCp932Line does with its whole
    // content. `beforeRefill()` runs before the bytes that `lineFn` was given are
    // overwritten. A file that starts with a byte-order mark is handed back whole,
    // uncut. A file that cannot be read to its end gives ok false and its error, even
    // after a NUL that ended its text.
    template<typename LineFn, typename BeforeRefill>
    LogFileRead Read(const QString &path, bool joinHeaders, LineFn &&lineFn, BeforeRefill &&beforeRefill)
    {
        LogFileRead result;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            result.error = file.errorString();
            return result;
        }
        if (m_buffer.size() < size_t(m_chunk))
            m_buffer.resize(size_t(m_chunk));
        Cp932LineCutter cutter(joinHeaders);
        qsizetype held = 0; // bytes of an unfinished line at the front of the buffer
        bool marked = true;  // the start of the file is still to be looked at
        for (bool atEnd = false; !atEnd;) {
            const qint64 got = file.read(m_buffer.data() + held, qint64(m_buffer.size()) - held);
            if (got < 0) {
                result.error = file.errorString();
                return result;
            }
            atEnd = got == 0;
            result.size += got;
            held += qsizetype(got);
            if (marked) {
                if (held < 3 && !atEnd)
                    continue;
                marked = false;
                if (!IsCp932Log(QByteArrayView(m_buffer.data(), held))) {
                    result.cp932 = false;
                    result.bytes = QByteArray(m_buffer.data(), held) + file.readAll();
                    if (file.error() != QFileDevice::NoError) {
                        result.error = file.errorString();
                        result.bytes.clear();
                        return result;
                    }
                    result.size = result.bytes.size();
                    result.ok = true;
                    return result;
                }
            }
            if (cutter.TextEnded()) {
                held = 0;
                continue;
            }
            const qsizetype done = cutter.Scan(m_buffer.data(), held, atEnd, lineFn);
            if (atEnd)
                break;
            beforeRefill();
            held -= done;
            if (held > 0)
                std::memmove(m_buffer.data(), m_buffer.data() + done, size_t(held));
            // A line longer than the buffer: room for more of it.
            if (held == qsizetype(m_buffer.size()))
                m_buffer.resize(m_buffer.size() * 2);
        }
        result.ok = true;
        return result;
    }

private:
    qsizetype m_chunk;
    std::vector<char> m_buffer;
};

// Field bytes decoded once per thread: the same few thousand item names come back in
// every day's log, and each file's list shares the decoded text instead of a copy.
class DecodedFields
{
public:
    template<typename Decode>
    const QString &Get(QByteArrayView bytes, Decode &&decode)
    {
        const std::string_view key(bytes.data(), size_t(bytes.size()));
        auto it = m_decoded.find(key);
        if (it == m_decoded.end())
            it = m_decoded.emplace(std::string(key), decode(bytes)).first;
        return it->second;
    }

private:
    struct Hash
    {
        using is_transparent = void;
        size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> m_decoded;
};

// Which kind of log a reading thread's handed-on fields come from.
enum class LogPass { Chat, Action };

// What a reading thread keeps from file to file of one pass over log files.
struct LogScanScratch
{
    Cp932LogReader reader;
    // Per file: fields, and parts of those fields.
    SeenViews perFile;
    SeenViews perFileParts;
    DecodedFields itemNames;

    // Fields the thread has handed on for an earlier file of `pass`: the calling thread
    // takes the files in order, so it has them already when it takes a later one. A
    // thread takes its files in rising order, so once it starts on the next pass it
    // never goes back: that pass takes over the room of the one before, as fresh memory
    // costs a page fault per page.
    SeenViews &HandedOn(LogPass pass)
    {
        if (pass != m_pass) {
            m_handedOn.Clear();
            m_pass = pass;
        }
        return m_handedOn;
    }

private:
    SeenViews m_handedOn;
    LogPass m_pass = LogPass::Chat;
};

// How many threads read log files for the passes over all of them; 0 (the default) means
// one per core, at most four. 1 reads them on the calling thread alone.
inline std::atomic<int> g_logScanThreads{0};

inline int LogScanThreads()
{
    const int wanted = g_logScanThreads.load();
    if (wanted > 0)
        return wanted;
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

// Runs `work(index, Scratch &)` for the indices 0 … count - 1 on up to `threads` worker threads and
// hands each result to `take(index, Result &&)` on the calling thread, in index order;
// `take` returns false to stop (no later result is taken). The work may only read files
// and fill its result: everything the program shares is left to `take`. Only a few
// results are held at once, so a long run of files never sits in memory whole. Each
// thread has a Scratch of its own for all the indices it works on, which it takes in
// rising order. At most `ahead` results wait to be taken (0: two per thread).
template<typename Result, typename Scratch, typename Work, typename Take>
void InOrderOnThreads(int count, int threads, Work &&work, Take &&take, int ahead = 0)
{
    if (threads <= 1 || count <= 1) {
        Scratch scratch;
        for (int index = 0; index < count; ++index) {
            if (!take(index, work(index, scratch)))
                return;
        }
        return;
    }
    threads = std::min(threads, count);
    if (ahead <= 0)
        ahead = threads * 2;
    std::vector<std::optional<Result>> results{size_t(count)};
    std::vector<std::exception_ptr> failures{size_t(count)};
    std::mutex mutex;
    std::condition_variable ready;
    std::condition_variable room;
    int next = 0;
    int taken = 0;
    bool stop = false;
    const auto worker = [&] {
        Scratch scratch;
        for (;;) {
            int index;
            {
                std::unique_lock lock(mutex);
                room.wait(lock, [&] { return stop || next >= count || next < taken + ahead; });
                if (stop || next >= count)
                    return;
                index = next++;
            }
            // What the work throws is thrown again on the calling thread, in its turn.
            std::optional<Result> result;
            std::exception_ptr failure;
            try {
                result.emplace(work(index, scratch));
            } catch (...) {
                failure = std::current_exception();
            }
            {
                const std::lock_guard lock(mutex);
                failures[size_t(index)] = failure;
                results[size_t(index)] = failure ? std::optional<Result>(Result()) : std::move(result);
            }
            ready.notify_all();
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(size_t(threads));
    for (int k = 0; k < threads; ++k)
        pool.emplace_back(worker);
    // Whatever way `take` leaves, the workers are stopped and joined first.
    struct Joiner
    {
        std::vector<std::thread> &pool;
        std::mutex &mutex;
        std::condition_variable &room;
        bool &stop;
        ~Joiner()
        {
            {
                const std::lock_guard lock(mutex);
                stop = true;
            }
            room.notify_all();
            for (std::thread &thread : pool)
                thread.join();
        }
    } joiner{pool, mutex, room, stop};
    for (int index = 0; index < count; ++index) {
        Result result;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return results[size_t(index)].has_value(); });
            result = std::move(*results[size_t(index)]);
            results[size_t(index)].reset();
            taken = index + 1;
        }
        room.notify_all();
        if (failures[size_t(index)])
            std::rethrow_exception(failures[size_t(index)]);
        if (!take(index, std::move(result)))
            return;
    }
}

} // namespace kiv::logs
