#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <array>
#include <cstring>
#include <vector>

// Reading the fields of log lines straight from a file's code page 932 bytes, for the
// passes over months of logs that need a few fields of every line and nothing else.
// TAB, CR, LF, NUL and ")" are never the second byte of a double-byte character, so the
// bytes split exactly where the decoded text would.
namespace kiv::logs {

namespace detail {

// Nonzero when one of the eight bytes is zero.
constexpr quint64 HasZeroByte(quint64 v)
{
    return (v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull;
}

// Index of the first TAB, CR or LF at or after `i`, or `n`; eight bytes at a time, since
// most of a log is text.
inline qsizetype NextFieldOrLineEnd(const char *s, qsizetype i, qsizetype n)
{
    for (; i + 8 <= n; i += 8) {
        quint64 v;
        std::memcpy(&v, s + i, sizeof v);
        if (HasZeroByte(v ^ 0x0909090909090909ull) | HasZeroByte(v ^ 0x0A0A0A0A0A0A0A0Aull) |
            HasZeroByte(v ^ 0x0D0D0D0D0D0D0D0Dull))
            break;
    }
    for (; i < n; ++i) {
        if (s[i] == '\t' || s[i] == '\r' || s[i] == '\n')
            return i;
    }
    return n;
}

inline quint64 Load8(const char *p, qsizetype n)
{
    quint64 v = 0;
    std::memcpy(&v, p, size_t(n < 8 ? n : 8));
    return v;
}

} // namespace detail

// Remembers views into one file's bytes to tell the first time a field is met: a day's
// log repeats a few thousand speakers over hundreds of thousands of lines. The views must
// stay valid while the set is used.
class SeenViews
{
public:
    // True the first time `view` is met.
    bool Insert(QByteArrayView view)
    {
        if ((m_used + 1) * 2 > m_slots.size())
            Grow();
        const quint64 hash = Hash(view);
        const size_t mask = m_slots.size() - 1;
        for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
            Slot &slot = m_slots[i];
            if (slot.size < 0) {
                slot = {hash, view.data(), view.size()};
                ++m_used;
                return true;
            }
            if (slot.hash == hash && Same(slot, view))
                return false;
        }
    }

private:
    struct Slot
    {
        quint64 hash = 0;
        const char *data = nullptr;
        qsizetype size = -1; // -1: empty
    };

    static quint64 Hash(QByteArrayView view)
    {
        quint64 h = 0x9E3779B97F4A7C15ull ^ quint64(view.size());
        for (qsizetype i = 0; i < view.size(); i += 8) {
            h = (h ^ detail::Load8(view.data() + i, view.size() - i)) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 32;
        }
        return h;
    }

    static bool Same(const Slot &slot, QByteArrayView view)
    {
        if (slot.size != view.size())
            return false;
        for (qsizetype i = 0; i < view.size(); i += 8) {
            if (detail::Load8(slot.data + i, view.size() - i) != detail::Load8(view.data() + i, view.size() - i))
                return false;
        }
        return true;
    }

    void Grow()
    {
        std::vector<Slot> old(m_slots.empty() ? 1024 : m_slots.size() * 2);
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const Slot &slot : old) {
            if (slot.size < 0)
                continue;
            size_t i = size_t(slot.hash) & mask;
            while (m_slots[i].size >= 0)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    size_t m_used = 0;
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
    if (const void *nul = std::memchr(s, 0, size_t(n)))
        n = static_cast<const char *>(nul) - s;
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
    qsizetype i = 0;
    while (i < n) {
        i = detail::NextFieldOrLineEnd(s, i, n);
        if (i >= n)
            break;
        const char c = s[i];
        if (c == '\t') {
            endField(i);
            fieldStart = ++i;
            continue;
        }
        const qsizetype next = (c == '\r' && i + 1 < n && s[i + 1] == '\n') ? i + 2 : i + 1;
        if (joinHeaders && i > 0 && s[i - 1] == ')')
            endField(i);
        else
            endLine(i);
        fieldStart = i = next;
    }
    endLine(n);
}

} // namespace kiv::logs
