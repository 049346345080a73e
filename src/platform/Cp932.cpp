#include "platform/Cp932.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {
#include "platform/Cp932Table.inc"

constexpr int kTrailFirst = 0x40;
constexpr int kTrailLast = 0xFC;
constexpr int kTrailCount = kTrailLast - kTrailFirst + 1;

constexpr int LeadRow(unsigned char lead)
{
    return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
}

// Bytes for one non-ASCII BMP unit; 0 when the code page has no such character.
constexpr unsigned short EncodeUnit(char16_t u)
{
    const unsigned char page = kEncodeIndex[u >> 8];
    if (page == 0)
        return 0;
    return kEncodePages[page - 1][u & 0xFF];
}

// One bit per UTF-16 unit, set when the code page holds it: ASCII and every unit the
// encoding table knows. Surrogates are never set (the table has no page for them), so a
// character outside the BMP is outside the code page. Built from the encoding table at
// compile time, so it cannot disagree with Encode; a lookup here replaces the two-level
// table walk when text is only checked.
using UnitBits = std::array<quint64, 65536 / 64>;

constexpr UnitBits MakeCodePageBits()
{
    UnitBits bits{};
    for (unsigned u = 0; u < 65536; ++u) {
        if (u < 0x80 || EncodeUnit(char16_t(u)) != 0)
            bits[u >> 6] |= quint64(1) << (u & 63);
    }
    return bits;
}

constexpr UnitBits kInCodePage = MakeCodePageBits();

inline bool IsInCodePage(char16_t u)
{
    return (kInCodePage[u >> 6] >> (u & 63)) & 1;
}

constexpr quint64 kHighBits = 0x8080808080808080ull;

constexpr bool IsTrail(unsigned char t)
{
    return t >= kTrailFirst && t <= kTrailLast && t != 0x7F;
}

constexpr int kLeadCount = 0x9F - 0x81 + 1 + 0xFC - 0xE0 + 1;

// Per byte: 1 + its row in the pair table when it is a lead byte, else 0.
constexpr std::array<unsigned char, 256> MakeLeadRows()
{
    std::array<unsigned char, 256> rows{};
    for (int b = 0x81; b <= 0xFC; ++b) {
        if (b <= 0x9F || b >= 0xE0)
            rows[b] = static_cast<unsigned char>(LeadRow(static_cast<unsigned char>(b)) + 1);
    }
    return rows;
}

constexpr std::array<unsigned char, 256> kLeadRowPlus1 = MakeLeadRows();

// Marks a second byte that cannot follow a lead byte: the lead byte is bad on its own
// and the second byte is read again as the start of a character.
constexpr char16_t kNoTrail = 0xFFFF;

// kDoubleByte with a column for every possible second byte, so that decoding a pair is
// one lookup: the character, 0 for a pair without one, or kNoTrail.
struct PairTable
{
    char16_t at[kLeadCount][256];
};

constexpr PairTable MakePairTable()
{
    PairTable table{};
    for (int row = 0; row < kLeadCount; ++row) {
        for (int t = 0; t < 256; ++t) {
            table.at[row][t] = IsTrail(static_cast<unsigned char>(t))
                ? kDoubleByte[row * kTrailCount + (t - kTrailFirst)]
                : kNoTrail;
        }
    }
    return table;
}

constexpr PairTable kPairs = MakePairTable();

// Decodes `n` bytes into `dst` (room for `n` units) and returns the end of what it wrote.
// Every byte that is not code page 932 becomes `bad`: kReplacement when decoding, "?"
// for the code page form.
template<char16_t bad>
char16_t *DecodeInto(const unsigned char *p, qsizetype n, char16_t *dst)
{
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            if (n - i >= 8) {
                // Log text is about half ASCII (times, kinds, IDs, line ends): the ASCII
                // bytes among the next eight are taken in one step. All eight are widened
                // (a fixed count the compiler turns into a few vector instructions), only
                // those before the first other byte are kept, and the rest is written
                // over next. That stays inside `dst`: no more units than bytes are ever
                // written, so with eight bytes left there is room for eight units.
                unsigned char eight[8];
                std::memcpy(eight, p + i, 8);
                const int ascii = std::countr_zero(qFromLittleEndian<quint64>(eight) & kHighBits) / 8; // 1 to 8 here
                // From a local copy: `dst` could alias `p` as far as the compiler knows,
                // which would keep it from widening all eight at once.
                for (int k = 0; k < 8; ++k)
                    dst[k] = eight[k];
                dst += ascii;
                i += ascii;
            } else {
                *dst++ = b;
                ++i;
            }
            continue;
        }
        const unsigned row = kLeadRowPlus1[b];
        if (row != 0) {
            if (i + 1 < n) {
                const char16_t ch = kPairs.at[row - 1][p[i + 1]];
                if (ch != kNoTrail) {
                    *dst++ = ch ? ch : bad;
                    i += 2;
                    continue;
                }
            }
            *dst++ = bad; // the next byte is read on its own
            ++i;
            continue;
        }
        const char16_t single = kSingleByte[b]; // 0xFFFE: a byte without a character
        *dst++ = single < 0xFFFE ? single : bad;
        ++i;
    }
    return dst;
}

} // namespace

namespace kiv::cp932 {

void DecodeAppend(QByteArrayView bytes, QString &out)
{
    const qsizetype start = out.size();
    out.resize(start + bytes.size()); // never more units than bytes
    char16_t *const begin = reinterpret_cast<char16_t *>(out.data()) + start;
    const char16_t *const end =
        DecodeInto<kReplacement>(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), begin);
    out.resize(start + (end - begin));
}

void DecodeAppendAnsiForm(QByteArrayView bytes, QString &out)
{
    const qsizetype start = out.size();
    out.resize(start + bytes.size()); // never more units than bytes
    char16_t *const begin = reinterpret_cast<char16_t *>(out.data()) + start;
    const char16_t *const end = DecodeInto<u'?'>(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), begin);
    out.resize(start + (end - begin));
}

QString DecodeToAnsiForm(QByteArrayView bytes)
{
    QString out;
    DecodeAppendAnsiForm(bytes, out);
    return out;
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

qsizetype FirstOutsideCodePage(QStringView text)
{
    const char16_t *s = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (!IsInCodePage(s[i]))
            return i;
    }
    return -1;
}

// A character of the code page comes back from its trip unchanged (when two byte forms
// decode to it, the one chosen for encoding decodes to it as well), so only characters
// outside the code page change: each code point becomes "?".
QString ToAnsiForm(QStringView text)
{
    const qsizetype first = FirstOutsideCodePage(text);
    if (first < 0)
        return text.toString();
    const char16_t *s = text.utf16();
    const qsizetype n = text.size();
    QString out(n, Qt::Uninitialized); // never longer: a pair becomes one "?"
    char16_t *const begin = reinterpret_cast<char16_t *>(out.data());
    std::copy_n(s, first, begin);
    char16_t *dst = begin + first;
    for (qsizetype i = first; i < n; ++i) {
        const char16_t u = s[i];
        if (IsInCodePage(u)) {
            *dst++ = u;
        } else {
            *dst++ = u'?';
            if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(s[i + 1]))
                ++i;
        }
    }
    out.resize(dst - begin);
    return out;
}

QString ToAnsiForm(const QString &text)
{
    // Most log text is already in its code page form: share it instead of copying.
    if (FirstOutsideCodePage(text) < 0)
        return text;
    return ToAnsiForm(QStringView(text));
}

bool InCodePage(char16_t unit)
{
    return IsInCodePage(unit);
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
