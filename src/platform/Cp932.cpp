#include "platform/Cp932.h"

namespace {
#include "platform/Cp932Table.inc"

constexpr int kTrailFirst = 0x40;
constexpr int kTrailLast = 0xFC;
constexpr int kTrailCount = kTrailLast - kTrailFirst + 1;

inline int LeadRow(unsigned char lead)
{
    return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
}

// Bytes for one non-ASCII BMP unit; 0 when the code page has no such character.
inline unsigned short EncodeUnit(char16_t u)
{
    const unsigned char page = kEncodeIndex[u >> 8];
    if (page == 0)
        return 0;
    return kEncodePages[page - 1][u & 0xFF];
}

} // namespace

namespace kiv::cp932 {

void DecodeAppend(QByteArrayView bytes, QString &out)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    const qsizetype start = out.size();
    out.resize(start + n); // never more units than bytes
    char16_t *dst = reinterpret_cast<char16_t *>(out.data()) + start;
    char16_t *const begin = dst;
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            *dst++ = b;
            ++i;
            continue;
        }
        const char16_t single = kSingleByte[b];
        if (single < 0xFFFE) {
            *dst++ = single;
            ++i;
            continue;
        }
        if (single == 0xFFFE) {
            *dst++ = kReplacement;
            ++i;
            continue;
        }
        // Lead byte.
        if (i + 1 < n) {
            const unsigned char t = p[i + 1];
            if (t >= kTrailFirst && t <= kTrailLast && t != 0x7F) {
                const char16_t ch = kDoubleByte[LeadRow(b) * kTrailCount + (t - kTrailFirst)];
                *dst++ = ch ? ch : kReplacement;
                i += 2;
                continue;
            }
        }
        *dst++ = kReplacement; // the following byte is read on its own
        ++i;
    }
    out.resize(start + (dst - begin));
}

QString Decode(QByteArrayView bytes)
{
    QString out;
    DecodeAppend(bytes, out);
    return out;
}

QByteArray Encode(QStringView text)
{
    QByteArray out;
    out.resize(text.size() * 2);
    char *dst = out.data();
    char *const begin = dst;
    const char16_t *s = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = s[i];
        if (u < 0x80) {
            *dst++ = char(u);
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            *dst++ = '?';
            ++i;
            continue;
        }
        const unsigned short code = EncodeUnit(u);
        if (code == 0) {
            *dst++ = '?';
        } else if (code < 0x100) {
            *dst++ = char(code);
        } else {
            *dst++ = char(code >> 8);
            *dst++ = char(code & 0xFF);
        }
    }
    out.resize(dst - begin);
    return out;
}

namespace {

// Index of the first character the code page cannot hold, or -1.
qsizetype FirstOutsideCodePage(QStringView text)
{
    const char16_t *s = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = s[i];
        if (u < 0x80)
            continue;
        if (QChar::isSurrogate(u) || EncodeUnit(u) == 0)
            return i;
    }
    return -1;
}

} // namespace

// A character of the code page comes back from its trip unchanged (when two byte forms
// decode to it, the one chosen for encoding decodes to it as well), so only characters
// outside the code page change: each code point becomes "?".
QString ToAnsiForm(QStringView text)
{
    const qsizetype first = FirstOutsideCodePage(text);
    if (first < 0)
        return text.toString();
    QString out = text.first(first).toString();
    out.reserve(text.size());
    const char16_t *s = text.utf16();
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t u = s[i];
        if (u < 0x80 || (!QChar::isSurrogate(u) && EncodeUnit(u) != 0)) {
            out += QChar(u);
        } else {
            out += u'?';
            if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(s[i + 1]))
                ++i;
        }
    }
    return out;
}

QString ToAnsiForm(const QString &text)
{
    // Most log text is already in its code page form: share it instead of copying.
    if (FirstOutsideCodePage(text) < 0)
        return text;
    return ToAnsiForm(QStringView(text));
}

bool IsDoubleByte(char32_t ch)
{
    if (ch < 0x80 || ch > 0xFFFF)
        return false; // ASCII, or written as "?"
    const unsigned short code = EncodeUnit(char16_t(ch));
    return code > 0x100;
}

int DisplayColumns(QStringView text)
{
    int columns = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            ++columns;
            continue;
        }
        columns += IsDoubleByte(c.unicode()) ? 2 : 1;
    }
    return columns;
}

} // namespace kiv::cp932
