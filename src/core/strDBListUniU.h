#pragma once

#include "core/ListKeyIndex.h"

#include <QString>
#include <QStringList>

class QIODevice;

// An ordered list of Unicode lines "key=<TAB>field<TAB>field…", the form of every list
// file of the program (roster, ID notes, item database, wanted list). Lookups scan
// from the top and take the first key that matches without regard to letter case;
// additions go to the end. While kept sorted (only during a load) each added line goes
// to its sorted place and a line equal to one present, case ignored, is dropped.
//
// A roster can hold every ID of months of logs, so lookups go through an index of the
// case-folded keys (folding matches the case-insensitive comparison of keys exactly),
// each pointing at its first line. Appends and in-place edits that keep a line's key
// keep the index; anything that moves lines marks it stale and the next lookup rebuilds it.
class TStrDBListUni
{
public:
    bool Sorted() const { return m_sorted; }
    // Switching back to unsorted keeps the current order.
    void SetSorted(bool sorted) { m_sorted = sorted; }

    // Adds one line in the current mode. Returns false when a kept-sorted list dropped it.
    bool Add(const QString &line);
    // Room for `more` lines to be added, so that adding thousands does not grow the list
    // and its key index step by step.
    void Reserve(qsizetype more);
    void Clear();

    qsizetype Count() const { return m_lines.size(); }
    const QString &Line(qsizetype index) const { return m_lines.at(index); }
    const QStringList &Lines() const { return m_lines; }
    void SetLine(qsizetype index, const QString &line);
    void RemoveAt(qsizetype index);

    // Index of the first line whose key equals `key` (case ignored), or -1. An empty key
    // is never found.
    qsizetype IndexOfKey(QStringView key) const;

    // Replaces all lines by `lines`, each added in the current mode.
    void Assign(const QStringList &lines);

    // Set when an existing file could not be read into this list: the list then never
    // writes over that file, so a damaged or locked file is not replaced by an empty list.
    bool LoadFailed() const { return m_loadFailed; }
    void SetLoadFailed(bool failed) { m_loadFailed = failed; }

private:
    void IndexAppended(qsizetype index) const;
    void BuildIndex() const;
    // True when the key of line `index`, folded, is `folded`.
    bool HasFoldedKey(qsizetype index, QStringView folded) const;

    QStringList m_lines;
    // Folded key -> index of its first line; valid only while m_indexValid.
    mutable ListKeyIndex m_index;
    mutable bool m_indexValid = false;
    bool m_sorted = false;
    bool m_loadFailed = false;
};

// The text before the first "=" (empty when there is none) and the text after it.
QStringView KeyOfLine(QStringView line);
QStringView ValueOfLine(QStringView line);

// Removes characters up to U+0020 (blanks and controls, TAB included) at both ends; a
// full-width blank stays.
QString TrimControls(QStringView text);

// Case-insensitive order of the Japanese locale, with ties between lines that are not
// equal (case ignored) broken so that both are kept. 0 means a duplicate.
int CompareListLines(const QString &a, const QString &b);

int SplitFields(QStringView text, QStringList &dest);
int SplitCsv(QStringView text, QStringList &dest);
QString GetValue(QStringView key, const TStrDBListUni &list);
QString GetField(QStringView key, int n, const TStrDBListUni &list);
bool ValueContains(QStringView key, QStringView text, const TStrDBListUni &list);
bool AddField(QStringView key, QStringView text, TStrDBListUni &list);
bool SetField(QStringView key, int n, const QString &newText, TStrDBListUni &list);
bool ReplaceField(QStringView key, const QString &oldText, const QString &newText, TStrDBListUni &list);
bool DeleteEntry(QStringView key, TStrDBListUni &list);
int ListKeys(const TStrDBListUni &source, QStringList &dest);
void FindKeysByText(const TStrDBListUni &source, int start, int length, QStringList &dest, QStringView searchText);

// Reads a list file; the lines are replaced only once the whole file was read and
// decoded. Without a byte-order mark the file may be UTF-8 or code page 932; bytes that
// are neither fail the load (see kiv::text::DecodeUserFile). On failure the list is left
// as it was and `error` says why.
[[nodiscard]] bool LoadListFile(TStrDBListUni &list, const QString &path, QString *error = nullptr);
// Writes UTF-16 LE with a byte-order mark, CR LF after every line, atomically.
[[nodiscard]] bool SaveListFile(const TStrDBListUni &list, const QString &path, QString *error = nullptr);
// The file form on any device.
[[nodiscard]] bool WriteListFile(const TStrDBListUni &list, QIODevice *device, QString *error = nullptr);
