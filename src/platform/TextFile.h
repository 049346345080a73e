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
    // True when the bytes were not valid in their encoding (UTF-8 only), or a NUL cut
    // the text short while more followed.
    bool damaged = false;
};

// FF FE: UTF-16 LE, FE FF: UTF-16 BE, EF BB BF: UTF-8, else code page 932. The mark is
// dropped, an odd last byte of UTF-16 is ignored and a NUL character ends the text.
DecodedText Decode(const QByteArray &bytes);

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
