#include "platform/ProfileFile.h"

#include "platform/Cp932.h"
#include "platform/SafeSave.h"
#include "platform/TextFile.h"

#include <QFileInfo>

#include <algorithm>
#include <climits>

namespace {

QStringView TrimBlanks(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t'))
        ++b;
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t'))
        --e;
    return s.sliced(b, e - b);
}

// Section name of a "[name]" line, or a null view when the line is no header.
bool SectionName(QStringView line, QStringView *name)
{
    const QStringView t = TrimBlanks(line);
    if (!t.startsWith(u'['))
        return false;
    const qsizetype close = t.indexOf(u']');
    *name = TrimBlanks(close < 0 ? t.sliced(1) : t.sliced(1, close - 1));
    return true;
}

bool KeyOf(QStringView line, QStringView *key, QStringView *value)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return false;
    *key = TrimBlanks(line.first(eq));
    *value = line.sliced(eq + 1);
    return true;
}

bool SameName(QStringView a, QStringView b)
{
    return TrimBlanks(a).compare(TrimBlanks(b), Qt::CaseInsensitive) == 0;
}

} // namespace

ProfileFile::ProfileFile(QString path)
    : m_path(std::move(path))
{
}

bool ProfileFile::Load(QString *error)
{
    m_lines.clear();
    m_loadFailed = false;
    m_form = Form::Ansi;
    m_exists = QFileInfo(m_path).isFile();
    if (!m_exists)
        return true;
    const kiv::text::ReadResult read = kiv::text::ReadWholeFile(m_path);
    const kiv::text::DecodedText decoded = kiv::text::DecodeUserFile(read.bytes);
    if (!read.ok || decoded.damaged) {
        m_loadFailed = true;
        if (error)
            *error = read.ok ? QStringLiteral("文字コードを解釈できません") : read.error;
        return false;
    }
    using kiv::text::Encoding;
    if (decoded.encoding == Encoding::Utf16LE || decoded.encoding == Encoding::Utf16BE)
        m_form = Form::Utf16;
    else if (decoded.encoding == Encoding::Utf8)
        m_form = decoded.marked ? Form::Utf8Marked : Form::Utf8;
    m_lines = kiv::text::SplitLines(decoded.text);
    return true;
}

bool ProfileFile::Save(QString *error) const
{
    if (m_loadFailed) {
        if (error)
            *error = QStringLiteral("%1 は読み込めなかったため、上書きしません").arg(m_path);
        return false;
    }
    const QString text = kiv::text::JoinLines(m_lines);
    QByteArray bytes;
    switch (m_form) {
    case Form::Utf16:
        bytes = kiv::text::Utf16LeWithMark(text);
        break;
    case Form::Utf8Marked:
        bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        break;
    case Form::Utf8:
        bytes = text.toUtf8();
        break;
    case Form::Ansi:
        // "?" in place of a character would lose it for good: a folder name with one
        // would be asked for again at every start.
        bytes = kiv::cp932::FirstOutsideCodePage(text) < 0 ? kiv::cp932::Encode(text)
                                                           : kiv::text::Utf16LeWithMark(text);
        break;
    }
    return kiv::safesave::Save(m_path, bytes, error);
}

ProfileFile::Location ProfileFile::Find(const QString &section, const QString &key) const
{
    Location loc;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        QStringView name;
        if (SectionName(m_lines[i], &name)) {
            if (loc.section >= 0) {
                loc.end = i;
                return loc;
            }
            if (SameName(name, section))
                loc.section = i;
            continue;
        }
        if (loc.section < 0 || loc.key >= 0)
            continue;
        QStringView k, v;
        if (KeyOf(m_lines[i], &k, &v) && SameName(k, key))
            loc.key = i;
    }
    if (loc.section >= 0)
        loc.end = m_lines.size();
    return loc;
}

bool ProfileFile::HasKey(const QString &section, const QString &key) const
{
    return Find(section, key).key >= 0;
}

QString ProfileFile::ReadString(const QString &section, const QString &key, const QString &fallback) const
{
    const Location loc = Find(section, key);
    if (loc.key < 0)
        return fallback;
    QStringView k, v;
    KeyOf(m_lines[loc.key], &k, &v);
    v = TrimBlanks(v);
    // Like the platform, a value wrapped in matching quotes is read without them.
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.sliced(1, v.size() - 2);
    return v.toString();
}

static int ReadIntFrom(QStringView v, int fallback)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == u'-' || v[i] == u'+')) {
        negative = v[i] == u'-';
        ++i;
    }
    const qsizetype digits = i;
    qint64 value = 0;
    while (i < v.size() && v[i] >= u'0' && v[i] <= u'9') {
        if (value < 10'000'000'000LL)
            value = value * 10 + (v[i].unicode() - u'0');
        ++i;
    }
    if (i == digits)
        return fallback;
    value = negative ? -value : value;
    return int(std::clamp<qint64>(value, INT_MIN, INT_MAX));
}

int ProfileFile::ReadInt(const QString &section, const QString &key, int fallback) const
{
    if (!HasKey(section, key))
        return fallback;
    return ReadIntFrom(ReadString(section, key), fallback);
}

bool ProfileFile::ReadBool(const QString &section, const QString &key, bool fallback) const
{
    return ReadInt(section, key, fallback ? 1 : 0) != 0;
}

void ProfileFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    const QString line = TrimBlanks(key).toString() + u'=' + value;
    const Location loc = Find(section, key);
    if (loc.section < 0) {
        m_lines.append(u'[' + section + u']');
        m_lines.append(line);
        return;
    }
    if (loc.key >= 0) {
        m_lines[loc.key] = line;
        return;
    }
    // New keys go after the section's last non-blank line.
    qsizetype at = loc.end;
    while (at - 1 > loc.section && TrimBlanks(m_lines[at - 1]).isEmpty())
        --at;
    m_lines.insert(at, line);
}

void ProfileFile::WriteInt(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void ProfileFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
