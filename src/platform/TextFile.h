#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reading text files the way the game and the list files write them: the first bytes
// choose the encoding, the rest is cut into lines.
namespace kiv::text {

enum class Encoding { Ansi, Utf16LE, Utf16BE, Utf8 };

struct DecodedText
{
    QString text;
    Encoding encoding = Encoding::Ansi;
    // True when the bytes were not valid in their encoding (UTF-8; for DecodeUserFile
    // also a file without a mark that is valid in neither reading), or a NUL cut the
    // text short while more followed.
    bool damaged = false;
    // False when the encoding was told by the bytes themselves rather than a mark.
    bool marked = false;
};

// FF FE: UTF-16 LE, FE FF: UTF-16 BE, EF BB BF: UTF-8, else code page 932. The mark is
// dropped, an odd last byte of UTF-16 is ignored and a NUL character ends the text.
DecodedText Decode(const QByteArray &bytes);

// Files that people keep and edit themselves (lists, settings, dropped imports). With a
// mark as Decode. Without one, most Linux editors write UTF-8, so the bytes are read as
// UTF-8 or code page 932, whichever they are valid in; when both:
//  - UTF-8 if its reading holds a character of three bytes or more (kana, kanji,
//    full-width forms: any Japanese text), or if every run of non-ASCII characters in it
//    touches an ASCII letter (accented letters inside Latin words, as in "José");
//  - else code page 932 (half-width katakana such as "ﾃｽ", whose bytes are also the
//    UTF-8 of "ý").
// Code page 932 is valid here without the single bytes 0x80, 0xA0 and 0xFD-0xFF and
// without pairs that have no character; the user-defined area counts. Bytes valid in
// neither are damaged (the text is then the code page reading).
DecodedText DecodeUserFile(const QByteArray &bytes);

// Lines ended by CR, LF, CR LF or U+2028. A last line without an end still counts; the
// final line end makes no empty line.
QStringList SplitLines(QStringView text);

// Removes characters up to U+0020 (blanks and controls, TAB included) at both ends; a
// full-width blank stays.
inline QStringView TrimControlsView(QStringView text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text[b].unicode() <= 32)
        ++b;
    while (e > b && text[e - 1].unicode() <= 32)
        --e;
    return text.sliced(b, e - b);
}

// UTF-16 LE with the mark FF FE: the form that holds any text.
QByteArray Utf16LeWithMark(QStringView text);

// Every line followed by CR LF, the last included.
QString JoinLines(const QStringList &lines);

struct ReadResult
{
    bool ok = false;
    QByteArray bytes;
    QString error;
};

// Reads a whole file, letting the writer keep it open.
ReadResult ReadWholeFile(const QString &path);

} // namespace kiv::text
