#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cstddef>
#include <vector>

// The key index of a list: for each key, the line where it first stands. Slots hold a
// key's hash and its line, not the key: a lookup compares a hash in place and reads the
// line only when the hashes agree, and the index grows from the hashes it holds without
// reading a single key (a roster of a hundred thousand IDs grows during a rebuild).
// Open addressing with linear probing, at most half full; removals shift the slots after
// them back, so no marks of removed keys are left behind.
class ListKeyIndex
{
public:
    qsizetype Count() const { return qsizetype(m_count); }

    // Forgets every key, keeping the room.
    void Clear()
    {
        for (Slot &slot : m_slots)
            slot.line = kFree;
        m_count = 0;
    }

    // Room for `count` keys in all.
    void Reserve(qsizetype count)
    {
        if (count <= qsizetype(m_slots.size() / 2) && !m_slots.empty())
            return;
        count = std::max<qsizetype>(count, 0);
        size_t size = m_slots.empty() ? kMinSize : m_slots.size();
        while (size < 2 * size_t(count))
            size *= 2;
        if (size != m_slots.size())
            Rehash(size);
    }

    // The line of the key whose hash is `hash` and for which `isKey(line)` holds, or -1.
    template<typename IsKey>
    qsizetype Find(size_t hash, IsKey &&isKey) const
    {
        if (m_slots.empty())
            return -1;
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot &slot = m_slots[i];
            if (slot.line == kFree)
                return -1;
            if (slot.hash == hash && isKey(slot.line))
                return slot.line;
        }
    }

    // Records `line` for its key unless the key has a line already (the first stays).
    template<typename IsKey>
    void Insert(size_t hash, qsizetype line, IsKey &&isKey)
    {
        Reserve(qsizetype(m_count) + 1);
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot &slot = m_slots[i];
            if (slot.line == kFree) {
                slot = {hash, line};
                ++m_count;
                return;
            }
            if (slot.hash == hash && isKey(slot.line))
                return;
        }
    }

    // Forgets the key of `line`, whose hash is `hash`, if the index has it at that line.
    void Remove(size_t hash, qsizetype line)
    {
        if (m_slots.empty())
            return;
        const size_t mask = m_slots.size() - 1;
        size_t i = hash & mask;
        for (;; i = (i + 1) & mask) {
            if (m_slots[i].line == kFree)
                return;
            if (m_slots[i].line == line && m_slots[i].hash == hash)
                break;
        }
        // Every key after the gap that would no longer be found from its home slot moves
        // into the gap, until a free slot ends the run.
        for (size_t j = i;;) {
            j = (j + 1) & mask;
            if (m_slots[j].line == kFree)
                break;
            const size_t home = m_slots[j].hash & mask;
            const bool reachable = i <= j ? (i < home && home <= j) : (i < home || home <= j);
            if (reachable)
                continue;
            m_slots[i] = m_slots[j];
            i = j;
        }
        m_slots[i].line = kFree;
        --m_count;
    }

private:
    static constexpr qsizetype kFree = -1;
    static constexpr size_t kMinSize = 16;

    struct Slot
    {
        size_t hash = 0;
        qsizetype line = kFree;
    };

    void Rehash(size_t size)
    {
        std::vector<Slot> old(size);
        old.swap(m_slots);
        const size_t mask = size - 1;
        for (const Slot &slot : old) {
            if (slot.line == kFree)
                continue;
            size_t i = slot.hash & mask;
            while (m_slots[i].line != kFree)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
};
