#pragma once

#include <QByteArrayView>
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
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Reading the fields of log lines straight from a file's code page 932 bytes, for the
// passes over months of logs that need a few fields of every line and nothing else.
// TAB, CR, LF, NUL and ")" are never the second byte of a double-byte character, so the
// bytes split exactly where the decoded text would.
namespace kiv::logs {

namespace detail {

// Bit k set when byte k of the 64 at `p` (of which `n` are real; the rest read as NUL)
// is a TAB, CR, LF or NUL.
// Most of a log is text: the bytes that end fields and lines are found a block at a time,
// then visited one set bit each.
inline quint64 FieldOrLineEndMask(const char *p, qsizetype n)
{
    alignas(16) char tail[64];
    if (n < 64) {
        std::memset(tail, 0, sizeof tail);
        std::memcpy(tail, p, size_t(n));
        p = tail;
    }
#if defined(__SSE2__)
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    quint64 mask = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, cr)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, nul)));
        mask |= quint64(quint32(_mm_movemask_epi8(hit)) & 0xFFFFu) << (16 * k);
    }
    return mask;
#else
    quint64 mask = 0;
    for (int k = 0; k < 64; ++k) {
        if (p[k] == '\t' || p[k] == '\r' || p[k] == '\n' || p[k] == '\0')
            mask |= quint64(1) << k;
    }
    return mask;
#endif
}

inline quint64 Load8(const char *p, qsizetype n)
{
    quint64 v = 0;
    std::memcpy(&v, p, size_t(n < 8 ? n : 8));
    return v;
}

} // namespace detail

// Tells the first time a field is met: a day's log repeats a few thousand speakers over
// hundreds of thousands of lines. A short field is kept in its slot, a longer one as a
// copy elsewhere, so that most lookups of a long file touch one spot of a small table
// instead of the field's first place in the file.
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
    // their order. The table places of all of them are fetched ahead at once: a long
    // file's table is larger than the cache, and one lookup at a time would wait for
    // memory at every line.
    template<typename NewFn>
    void InsertAll(const QByteArrayView *views, size_t n, NewFn &&newFn)
    {
        constexpr size_t kMax = 32;
        quint64 hashes[kMax];
        for (size_t start = 0; start < n; start += kMax) {
            const size_t count = std::min(kMax, n - start);
            Reserve(count);
            const size_t mask = m_slots.size() - 1;
            for (size_t k = 0; k < count; ++k) {
                hashes[k] = Hash(views[start + k]);
#if defined(__GNUC__)
                __builtin_prefetch(&m_slots[size_t(hashes[k]) & mask]);
#endif
            }
            for (size_t k = 0; k < count; ++k) {
                if (Insert(views[start + k], hashes[k]))
                    newFn(start + k);
            }
        }
    }

private:
    struct Slot
    {
        quint32 tag = 0; // 0: empty
        quint32 size = 0;
        char bytes[24] = {}; // the field, or where it starts in m_longer
    };

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
        if (n < 8) {
            if (n > 0)
                mix(detail::Load8(p, n));
        } else {
            for (qsizetype i = 0; i + 8 < n; i += 8)
                mix(detail::Load8(p + i, 8));
            // The last eight bytes, overlapping the ones before when the size is no multiple of 8.
            mix(detail::Load8(p + n - 8, 8));
        }
        // Every bit of the fields into the low bits that pick the slot: names often differ
        // only in their last bytes.
        h ^= h >> 33;
        h *= 0xC4CEB9FE1A85EC53ull;
        h ^= h >> 33;
        return h;
    }

    // Room for `more` new fields without growing the table.
    void Reserve(size_t more)
    {
        while ((m_count + more) * 4 > m_slots.size() * 3)
            Grow();
    }

    bool Insert(QByteArrayView view, quint64 hash)
    {
        // Too long to keep: met for the first time, every time. The callers' own sets
        // still drop what repeats.
        if (view.size() > qsizetype(std::numeric_limits<quint32>::max()))
            return true;
        const quint32 tag = Tag(hash);
        const size_t mask = m_slots.size() - 1;
        const auto size = quint32(view.size());
        for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
            Slot &slot = m_slots[i];
            if (slot.tag == 0) {
                slot.tag = tag;
                slot.size = size;
                if (size <= sizeof slot.bytes) {
                    if (size > 0)
                        std::memcpy(slot.bytes, view.data(), size);
                } else {
                    const size_t offset = m_longer.size();
                    std::memcpy(slot.bytes, &offset, sizeof offset);
                    m_longer.insert(m_longer.end(), view.data(), view.data() + view.size());
                }
                ++m_count;
                return true;
            }
            if (slot.tag == tag && slot.size == size && Same(slot, view))
                return false;
        }
    }

    const char *Kept(const Slot &slot) const
    {
        if (slot.size <= sizeof slot.bytes)
            return slot.bytes;
        size_t offset;
        std::memcpy(&offset, slot.bytes, sizeof offset);
        return m_longer.data() + offset;
    }

    bool Same(const Slot &slot, QByteArrayView view) const
    {
        const char *kept = Kept(slot);
        const char *p = view.data();
        const qsizetype n = view.size();
        if (n < 8)
            return n == 0 || detail::Load8(kept, n) == detail::Load8(p, n);
        for (qsizetype i = 0; i + 8 < n; i += 8) {
            if (detail::Load8(kept + i, 8) != detail::Load8(p + i, 8))
                return false;
        }
        return detail::Load8(kept + n - 8, 8) == detail::Load8(p + n - 8, 8);
    }

    void Grow()
    {
        std::vector<Slot> old(m_slots.empty() ? 4096 : m_slots.size() * 2);
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const Slot &slot : old) {
            if (slot.tag == 0)
                continue;
            size_t i = size_t(Hash(QByteArrayView(Kept(slot), qsizetype(slot.size)))) & mask;
            while (m_slots[i].tag != 0)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    std::vector<char> m_longer;
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
        : m_newFn(std::move(newFn))
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
    static constexpr size_t kBatch = 32;
    SeenViews m_seen;
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

// Calls `lineFn(const ByteFields &)` for every line of the bytes that has fields, as
// SplitLogLine and ForEachLogLine cut the decoded text: lines end at CR, LF or CR LF,
// fields at TAB, a TAB or line end at the very end of a line adds no empty field, empty
// lines are left out and a NUL ends the text. With `joinHeaders` (chat and mail logs) a
// line ending in ")" runs on into the next one, its line end a field end: the join of a
// record's header to its text.
template<typename LineFn>
void ForEachCp932Line(QByteArrayView bytes, bool joinHeaders, LineFn &&lineFn)
{
    const char *s = bytes.data();
    qsizetype n = bytes.size();
    ByteFields fields;
    qsizetype fieldStart = 0;
    const auto endField = [&](qsizetype end) {
        if (fields.count < ByteFields::kMaxFields)
            fields.field[size_t(fields.count)] = QByteArrayView(s + fieldStart, end - fieldStart);
        ++fields.count;
    };
    const auto endLine = [&](qsizetype end) {
        if (end > fieldStart)
            endField(end);
        if (fields.count > 0)
            lineFn(std::as_const(fields));
        fields.count = 0;
    };
    // Bytes before `resume` were taken with the one before them (the LF of a CR LF).
    qsizetype resume = 0;
    for (qsizetype base = 0; base < n; base += 64) {
        quint64 mask = detail::FieldOrLineEndMask(s + base, n - base);
        if (n - base < 64)
            mask &= (quint64(1) << (n - base)) - 1;
        if (resume > base)
            mask &= resume - base >= 64 ? 0 : ~quint64(0) << (resume - base);
        for (; mask != 0; mask &= mask - 1) {
            const qsizetype i = base + std::countr_zero(mask);
            if (i < resume)
                continue;
            const char c = s[i];
            if (c == '\0') {
                n = i; // the text ends here
                break;
            }
            if (c == '\t') {
                endField(i);
                fieldStart = resume = i + 1;
                continue;
            }
            const qsizetype next = (c == '\r' && i + 1 < n && s[i + 1] == '\n') ? i + 2 : i + 1;
            if (joinHeaders && i > 0 && s[i - 1] == ')')
                endField(i);
            else
                endLine(i);
            fieldStart = resume = next;
        }
    }
    endLine(n);
}

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

// Runs `work(index)` for the indices 0 … count - 1 on up to `threads` worker threads and
// hands each result to `take(index, Result &&)` on the calling thread, in index order;
// `take` returns false to stop (no later result is taken). The work may only read files
// and fill its result: everything the program shares is left to `take`. Only a few
// results are held at once, so a long run of files never sits in memory whole.
template<typename Result, typename Work, typename Take>
void InOrderOnThreads(int count, int threads, Work &&work, Take &&take)
{
    if (threads <= 1 || count <= 1) {
        for (int index = 0; index < count; ++index) {
            if (!take(index, work(index)))
                return;
        }
        return;
    }
    threads = std::min(threads, count);
    const int ahead = threads * 2;
    std::vector<std::optional<Result>> results{size_t(count)};
    std::vector<std::exception_ptr> failures{size_t(count)};
    std::mutex mutex;
    std::condition_variable ready;
    std::condition_variable room;
    int next = 0;
    int taken = 0;
    bool stop = false;
    const auto worker = [&] {
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
                result.emplace(work(index));
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
