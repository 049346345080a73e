#pragma once

#include "core/strDBListUniU.h"
#include "logs/Cp932LogScan.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// One log file of a pass that collects ID = name pairs (the roster rebuild), as a reading
// thread cuts it.
struct NamesOfFile
{
    bool ok = false;
    QString error;
    // The pairs of a file with a byte-order mark.
    QStringList pairs;
    // The distinct fields of a code page file that its reading thread had not handed on
    // before.
    kiv::logs::FieldBytes fields;

    // Takes the outcome of the file's reading; false when it failed. What a failed file
    // handed on is dropped with it, also from the fields its thread counts as handed on.
    bool Ended(const kiv::logs::LogFileRead &read, kiv::logs::SeenViews &handedOn)
    {
        ok = read.ok;
        error = read.error;
        if (!ok) {
            handedOn.Clear();
            fields = {};
        }
        return ok;
    }
};

// The calling thread's side of such a pass: takes the files in order and turns each field
// no earlier file gave into its pair.
class NamesTaker
{
public:
    // Adds the pairs of `file` to `pairs`; `pairOf(field)` makes the pair of a new field.
    // False when the file could not be read: `error` then gets a line "name: reason".
    template<typename PairOf>
    bool Take(const QString &name, NamesOfFile &&file, TStrDBListUni &pairs, QString *error, PairOf &&pairOf)
    {
        if (!file.ok) {
            if (error)
                *error += name + u": " + file.error + u'\n';
            return false;
        }
        for (const QString &pair : std::as_const(file.pairs))
            pairs.Add(pair);
        // A field that an earlier file gave gives the same pair again.
        const std::vector<QByteArrayView> fields = file.fields.Views();
        m_seenBefore.InsertAll(fields.data(), fields.size(), [&](size_t k) { pairs.Add(pairOf(fields[k])); });
        return true;
    }

    // Takes over the room of `ended`, a taker whose pass is over, for a pass that has not
    // begun: fresh memory costs a page fault per page.
    void TakeRoomOf(NamesTaker &ended)
    {
        std::swap(m_seenBefore, ended.m_seenBefore);
        m_seenBefore.Clear();
    }

private:
    kiv::logs::SeenViews m_seenBefore;
};
