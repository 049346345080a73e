#include "core/strDBListUniU.h"

#include "platform/SafeSave.h"
#include "platform/TextFile.h"

#include <QCollator>
#include <QDir>
#include <QHashFunctions>
#include <QIODevice>
#include <QLocale>
#include <QSet>

#include <algorithm>

namespace {

const QCollator &ListCollator()
{
    // The Japanese locale, whatever the desktop's language, so that the order of a
    // loaded list does not change with it.
    static const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Japanese, QLocale::Japan)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

bool IsLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n' || c == u'\u2028';
}

bool IsFieldEnd(QChar c)
{
    return c == u'\t' || IsLineBreak(c);
}

// Length of the separator at `i` (CR LF is one separator of two characters).
qsizetype SeparatorLength(QStringView s, qsizetype i)
{
    return (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ? 2 : 1;
}

bool SameKey(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// True when case folding leaves `key` as it is: ASCII without capitals, and kana, CJK and
// half-width katakana, which have no case. IDs and most names are such keys.
bool IsOwnCaseFolding(QStringView key)
{
    for (const QChar c : key) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            if (u >= u'A' && u <= u'Z')
                return false;
        } else if (!((u >= 0x3000 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF61 && u <= 0xFF9F))) {
            return false;
        }
    }
    return true;
}

// The form a key has in the index: its case folding, made in `store` only where folding
// changes something.
QStringView FoldedKey(QStringView key, QString &store)
{
    if (IsOwnCaseFolding(key))
        return key;
    store = key.toString().toCaseFolded();
    return store;
}

size_t HashOfFolded(QStringView folded)
{
    return qHash(folded, size_t(0));
}

// Where the first "=" is, or -1. Keys are short (an ID of eight digits, a name): a plain
// walk ends before the library search has set itself up.
qsizetype EqualsAt(QStringView line)
{
    const char16_t *p = line.utf16();
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (p[i] == u'=')
            return i;
    }
    return -1;
}

// True when `value` holds a TAB followed by `text`, without making that text.
bool HasTabbed(QStringView value, QStringView text)
{
    for (qsizetype at = value.indexOf(text, 1); at >= 0; at = value.indexOf(text, at + 1)) {
        if (value[at - 1] == u'\t')
            return true;
    }
    return false;
}

} // namespace

QStringView KeyOfLine(QStringView line)
{
    const qsizetype eq = EqualsAt(line);
    return eq < 0 ? QStringView() : line.first(eq);
}

QStringView ValueOfLine(QStringView line)
{
    const qsizetype eq = EqualsAt(line);
    return eq < 0 ? QStringView() : line.sliced(eq + 1);
}

QString TrimControls(QStringView text)
{
    return kiv::text::TrimControlsView(text).toString();
}

int CompareListLines(const QString &a, const QString &b)
{
    const int byCollation = ListCollator().compare(a, b);
    if (byCollation != 0)
        return byCollation;
    // The collation calls full-width and half-width, or hiragana and katakana, equal at
    // this strength; such lines are different names and must both stay.
    const int byCase = a.compare(b, Qt::CaseInsensitive);
    return byCase < 0 ? -1 : (byCase > 0 ? 1 : 0);
}

void TStrDBListUni::Clear()
{
    m_lines.clear();
    m_index.Clear();
    m_indexValid = true;
}

bool TStrDBListUni::HasFoldedKey(qsizetype index, QStringView folded) const
{
    QString store;
    return FoldedKey(KeyOfLine(m_lines[index]), store) == folded;
}

void TStrDBListUni::IndexAppended(qsizetype index) const
{
    if (!m_indexValid)
        return;
    const QStringView key = KeyOfLine(m_lines[index]);
    if (key.isEmpty())
        return;
    QString store;
    const QStringView folded = FoldedKey(key, store);
    // A key the index has already keeps its first line.
    m_index.Insert(HashOfFolded(folded), index, [&](qsizetype line) { return HasFoldedKey(line, folded); });
}

void TStrDBListUni::BuildIndex() const
{
    m_index.Clear();
    m_index.Reserve(m_lines.size());
    m_indexValid = true;
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        IndexAppended(i);
}

void TStrDBListUni::SetLine(qsizetype index, const QString &line)
{
    // The editing operations keep the key; only a changed key can move a first match.
    if (m_indexValid && !SameKey(KeyOfLine(m_lines[index]), KeyOfLine(line)))
        m_indexValid = false;
    m_lines[index] = line;
}

void TStrDBListUni::RemoveAt(qsizetype index)
{
    if (m_indexValid && index == m_lines.size() - 1) {
        // The last line: nothing moves, and no later line can take over its key.
        const QStringView key = KeyOfLine(m_lines[index]);
        if (!key.isEmpty()) {
            QString store;
            m_index.Remove(HashOfFolded(FoldedKey(key, store)), index);
        }
    } else {
        m_indexValid = false;
    }
    m_lines.removeAt(index);
}

bool TStrDBListUni::Add(const QString &line)
{
    if (!m_sorted) {
        m_lines.append(line);
        IndexAppended(m_lines.size() - 1);
        return true;
    }
    const auto it = std::lower_bound(m_lines.begin(), m_lines.end(), line,
                                     [](const QString &a, const QString &b) { return CompareListLines(a, b) < 0; });
    if (it != m_lines.end() && CompareListLines(*it, line) == 0)
        return false;
    m_lines.insert(it, line);
    m_indexValid = false;
    return true;
}

void TStrDBListUni::Reserve(qsizetype more)
{
    if (more <= 0)
        return;
    m_lines.reserve(m_lines.size() + more);
    // The index is made now, with room for the new keys: the additions look keys up.
    if (!m_indexValid)
        BuildIndex();
    m_index.Reserve(m_index.Count() + more);
}

void TStrDBListUni::Assign(const QStringList &lines)
{
    m_indexValid = false;
    m_lines.clear();
    if (!m_sorted) {
        m_lines = lines;
        return;
    }
    // Same result as adding one by one, in n log n: the first of equal lines stays.
    QSet<QString> seen;
    seen.reserve(lines.size());
    QStringList kept;
    kept.reserve(lines.size());
    for (const QString &line : lines) {
        const QString folded = line.toCaseFolded();
        if (seen.contains(folded))
            continue;
        seen.insert(folded);
        kept.append(line);
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const QString &a, const QString &b) { return CompareListLines(a, b) < 0; });
    // Lines the collation and the case-folded set judge differently are rare; a final
    // pass keeps the "no two equal lines" promise either way.
    for (const QString &line : kept) {
        if (!m_lines.isEmpty() && CompareListLines(m_lines.last(), line) == 0)
            continue;
        m_lines.append(line);
    }
}

qsizetype TStrDBListUni::IndexOfKey(QStringView key) const
{
    if (key.isEmpty())
        return -1;
    if (!m_indexValid)
        BuildIndex();
    // Looked up in place, without a folded copy, where folding would change nothing.
    QString store;
    const QStringView folded = FoldedKey(key, store);
    return m_index.Find(HashOfFolded(folded), [&](qsizetype line) { return HasFoldedKey(line, folded); });
}

int SplitFields(QStringView text, QStringList &dest)
{
    dest.clear();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (IsFieldEnd(text[i])) {
            dest.append(text.sliced(start, i - start).toString());
            i += SeparatorLength(text, i);
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        dest.append(text.sliced(start).toString());
    return int(dest.size());
}

int SplitCsv(QStringView text, QStringList &dest)
{
    dest.clear();
    qsizetype cursor = 0;
    const qsizetype n = text.size();
    while (true) {
        if (cursor < n && text[cursor] == u'"') {
            QString part;
            qsizetype i = cursor + 1;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        part += u'"';
                        i += 2;
                        continue;
                    }
                    break;
                }
                part += text[i];
                ++i;
            }
            dest.append(part);
            cursor = std::min(i + 1, n); // past the closing quote
            if (cursor < n)
                ++cursor; // over the separator, whatever it is
            continue;
        }
        const qsizetype comma = text.indexOf(u',', cursor);
        if (comma < 0)
            break;
        dest.append(text.sliced(cursor, comma - cursor).toString());
        cursor = comma + 1;
    }
    dest.append(text.sliced(std::min(cursor, n)).toString());
    return int(dest.size());
}

QString GetValue(QStringView key, const TStrDBListUni &list)
{
    const qsizetype i = list.IndexOfKey(key);
    return i < 0 ? QString() : ValueOfLine(list.Line(i)).toString();
}

QString GetField(QStringView key, int n, const TStrDBListUni &list)
{
    const qsizetype i = list.IndexOfKey(key);
    if (i < 0 || n < 0)
        return QString();
    QStringList fields;
    SplitFields(TrimControls(ValueOfLine(list.Line(i))), fields);
    return n < fields.size() ? fields[n] : QString();
}

bool ValueContains(QStringView key, QStringView text, const TStrDBListUni &list)
{
    if (text.isEmpty())
        return false;
    const qsizetype i = list.IndexOfKey(key);
    return i >= 0 && ValueOfLine(list.Line(i)).contains(text);
}

bool AddField(QStringView key, QStringView text, TStrDBListUni &list)
{
    const qsizetype i = list.IndexOfKey(key);
    if (i < 0) {
        list.Add(key % u"=\t" % text);
        return false;
    }
    if (HasTabbed(ValueOfLine(list.Line(i)), text))
        return true;
    list.SetLine(i, list.Line(i) % u'\t' % text);
    return false;
}

bool SetField(QStringView key, int n, const QString &newText, TStrDBListUni &list)
{
    const qsizetype i = list.IndexOfKey(key);
    if (i < 0 || n < 0)
        return true;
    const QString &line = list.Line(i);
    const qsizetype valueStart = line.indexOf(u'=') + 1;
    const QStringView value = QStringView(line).sliced(valueStart);
    // Bounds of the trimmed value, then walk to part n inside it.
    qsizetype b = 0;
    qsizetype e = value.size();
    while (b < e && value[b].unicode() <= 32)
        ++b;
    while (e > b && value[e - 1].unicode() <= 32)
        --e;
    if (b == e)
        return true;
    qsizetype pos = b;
    for (int part = 0;; ++part) {
        qsizetype end = pos;
        while (end < e && !IsFieldEnd(value[end]))
            ++end;
        if (part == n) {
            list.SetLine(i, line.first(valueStart + pos) + newText + line.sliced(valueStart + end));
            return false;
        }
        if (end >= e)
            return true; // fewer than n + 1 parts
        pos = end + SeparatorLength(value, end);
    }
}

bool ReplaceField(QStringView key, const QString &oldText, const QString &newText, TStrDBListUni &list)
{
    const qsizetype i = list.IndexOfKey(key);
    if (i < 0)
        return true;
    const QString &line = list.Line(i);
    const qsizetype valueStart = line.indexOf(u'=') + 1;
    const qsizetype at = line.indexOf(u'\t' + oldText, valueStart);
    if (at >= 0)
        list.SetLine(i, line.first(at) + u'\t' + newText + line.sliced(at + 1 + oldText.size()));
    return false;
}

bool DeleteEntry(QStringView key, TStrDBListUni &list)
{
    const qsizetype i = list.IndexOfKey(key);
    if (i < 0)
        return false;
    list.RemoveAt(i);
    return true;
}

int ListKeys(const TStrDBListUni &source, QStringList &dest)
{
    dest.clear();
    for (const QString &line : source.Lines())
        dest.append(KeyOfLine(line).toString());
    return int(dest.size());
}

namespace {

void UpperLatin(QString &s)
{
    for (QChar &c : s) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    }
}

} // namespace

void FindKeysByText(const TStrDBListUni &source, int start, int length, QStringList &dest, QStringView searchText)
{
    QString needle = TrimControls(searchText);
    UpperLatin(needle);
    if (needle.isEmpty() || length <= 0)
        return;
    const qsizetype from = std::max(start, 1) - 1;
    for (const QString &line : source.Lines()) {
        if (from >= line.size())
            continue;
        QString window = line.sliced(from, std::min<qsizetype>(length, line.size() - from));
        UpperLatin(window);
        if (window.contains(needle))
            dest.append(KeyOfLine(line).toString());
    }
}

bool LoadListFile(TStrDBListUni &list, const QString &path, QString *error)
{
    const kiv::text::ReadResult read = kiv::text::ReadWholeFile(path);
    if (!read.ok) {
        if (error)
            *error = read.error;
        return false;
    }
    const kiv::text::DecodedText decoded = kiv::text::DecodeUserFile(read.bytes);
    if (decoded.damaged) {
        if (error)
            *error = QStringLiteral("文字コードを解釈できません");
        return false;
    }
    list.Assign(kiv::text::SplitLines(decoded.text));
    list.SetLoadFailed(false);
    return true;
}

bool WriteListFile(const TStrDBListUni &list, QIODevice *device, QString *error)
{
    QByteArray bytes;
    qsizetype units = 1;
    for (const QString &line : list.Lines())
        units += line.size() + 2;
    bytes.reserve(units * 2);
    bytes.append("\xFF\xFE", 2);
    auto put = [&bytes](QStringView s) {
        for (const QChar c : s) {
            bytes.append(char(c.unicode() & 0xFF));
            bytes.append(char(c.unicode() >> 8));
        }
    };
    for (const QString &line : list.Lines()) {
        put(line);
        put(u"\r\n");
    }
    return kiv::safesave::WriteAll(device, bytes, error);
}

bool SaveListFile(const TStrDBListUni &list, const QString &path, QString *error)
{
    if (list.LoadFailed()) {
        if (error)
            *error = QStringLiteral("%1 は読み込めなかったため、上書きしません").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return kiv::safesave::Save(
        path, [&list](QIODevice *device, QString *why) { return WriteListFile(list, device, why); }, error);
}
