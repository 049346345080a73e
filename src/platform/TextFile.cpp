#include "platform/TextFile.h"

#include "platform/Cp932.h"
#include "platform/ReadOnlyFile.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace kiv::text {

namespace {

QString FromUtf16(const char *data, qsizetype bytes, bool bigEndian)
{
    const qsizetype units = bytes / 2; // an odd last byte is ignored
    QString out(units, Qt::Uninitialized);
    auto *dst = reinterpret_cast<char16_t *>(out.data());
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    for (qsizetype i = 0; i < units; ++i) {
        const unsigned char a = p[2 * i];
        const unsigned char b = p[2 * i + 1];
        dst[i] = bigEndian ? char16_t((a << 8) | b) : char16_t((b << 8) | a);
    }
    return out;
}

// A NUL ends the text; NULs that only pad the end are no damage.
void CutAtNul(DecodedText &result)
{
    const qsizetype nul = result.text.indexOf(QChar(0));
    if (nul < 0)
        return;
    for (qsizetype i = nul + 1; i < result.text.size(); ++i) {
        if (result.text[i] != QChar(0)) {
            result.damaged = true;
            break;
        }
    }
    result.text.truncate(nul);
}

// The decoder gives U+0080 for 0x80 and private-use characters for 0xA0 and 0xFD-0xFF:
// no Japanese text holds those bytes, so a file with them is in some other encoding.
bool IsStrictCp932(QStringView decoded)
{
    for (const QChar c : decoded) {
        const char16_t u = c.unicode();
        if (u == cp932::kReplacement || u == 0x80 || (u >= 0xF8F0 && u <= 0xF8F3))
            return false;
    }
    return true;
}

bool HasThreeByteCharacter(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x800; });
}

bool IsAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

bool NonAsciiRunsTouchAsciiLetters(QStringView text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (text[i].unicode() < 0x80) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < n && text[i].unicode() >= 0x80)
            ++i;
        if (!(start > 0 && IsAsciiLetter(text[start - 1])) && !(i < n && IsAsciiLetter(text[i])))
            return false;
    }
    return true;
}

} // namespace

DecodedText Decode(const QByteArray &bytes)
{
    DecodedText result;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        result.encoding = Encoding::Utf16LE;
        result.text = FromUtf16(bytes.constData() + 2, n - 2, false);
    } else if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
        result.encoding = Encoding::Utf16BE;
        result.text = FromUtf16(bytes.constData() + 2, n - 2, true);
    } else if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        result.encoding = Encoding::Utf8;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        result.text = decoder.decode(QByteArrayView(bytes).sliced(3));
        result.damaged = decoder.hasError();
    } else {
        result.encoding = Encoding::Ansi;
        result.text = cp932::Decode(bytes);
    }
    result.marked = result.encoding != Encoding::Ansi;
    CutAtNul(result);
    return result;
}

DecodedText DecodeUserFile(const QByteArray &bytes)
{
    const bool marked = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xEF\xBB\xBF");
    if (marked || std::all_of(bytes.begin(), bytes.end(), [](char b) { return (b & 0x80) == 0; }))
        return Decode(bytes);
    DecodedText result;
    const QString ansi = cp932::Decode(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString utf8 = decoder.decode(bytes);
    const bool utf8Valid = !decoder.hasError();
    const bool ansiValid = IsStrictCp932(ansi);
    if (utf8Valid && (!ansiValid || HasThreeByteCharacter(utf8) || NonAsciiRunsTouchAsciiLetters(utf8))) {
        result.encoding = Encoding::Utf8;
        result.text = std::move(utf8);
    } else {
        result.text = ansi;
        result.damaged = !ansiValid;
    }
    CutAtNul(result);
    return result;
}

QByteArray Utf16LeWithMark(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.append("\xFF\xFE", 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QStringList SplitLines(QStringView text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' || c == u'\n' || c == u'\u2028') {
            lines.append(text.sliced(start, i - start).toString());
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.append(text.sliced(start).toString());
    return lines;
}

QString JoinLines(const QStringList &lines)
{
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    QString out;
    out.reserve(size);
    for (const QString &line : lines) {
        out += line;
        out += u"\r\n";
    }
    return out;
}

ReadResult ReadWholeFile(const QString &path)
{
    ReadResult result;
    // A pipe or a device under a list's name would never end: opening a pipe waits for a
    // writer, and reading a device may go on for ever.
    if (const files::Stamp stamp = files::StampOf(path); stamp.exists && !stamp.regular) {
        result.error = QStringLiteral("通常のファイルではありません");
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    result.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = file.errorString();
        result.bytes.clear();
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace kiv::text
