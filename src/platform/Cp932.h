#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Conversion between Unicode and the Japanese ANSI code page (932), table-driven so
// it behaves the same on every platform and is fast enough for whole-day logs.
namespace kiv::cp932 {

// Shown for a byte sequence that is not code page 932. Each bad lead byte gives one,
// and a byte that can stand alone (CR, LF, TAB, ASCII) after it is never swallowed.
inline constexpr char16_t kReplacement = u'\uFFFD';

QString Decode(QByteArrayView bytes);
// Appends to `out`; lets callers decode in pieces without a temporary.
void DecodeAppend(QByteArrayView bytes, QString &out);
// ToAnsiForm(Decode(bytes)) in one pass: a byte sequence that is not code page 932 gives
// "?" instead of kReplacement. Every character the code page decodes to is one it can
// encode, so nothing else changes.
QString DecodeToAnsiForm(QByteArrayView bytes);
void DecodeAppendAnsiForm(QByteArrayView bytes, QString &out);

// Characters the code page cannot hold become "?" (one per code point).
QByteArray Encode(QStringView text);
inline QByteArray Encode(const QString &text)
{
    return Encode(QStringView(text));
}

// What a text looks like after a trip through the code page: the form in which log
// text is compared, so characters outside the code page become "?".
QString ToAnsiForm(QStringView text);
QString ToAnsiForm(const QString &text);
// Index of the first unit the code page cannot hold (a character outside it, or a
// surrogate), or -1 when the text is in its code page form already.
qsizetype FirstOutsideCodePage(QStringView text);
// True when the code page holds the UTF-16 unit (never for a surrogate).
bool InCodePage(char16_t unit);

// True when the character is written with two bytes in code page 932 (full-width).
bool IsDoubleByte(char32_t ch);

// Display columns of a text: 2 for each double-byte character, 1 for others.
int DisplayColumns(QStringView text);

} // namespace kiv::cp932
