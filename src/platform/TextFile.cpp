#include "platform/TextFile.h"

#include "platform/Cp932.h"

#include <QFile>
#include <QStringDecoder>

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
    const qsizetype nul = result.text.indexOf(QChar(0));
    if (nul >= 0) {
        for (qsizetype i = nul + 1; i < result.text.size(); ++i) {
            if (result.text[i] != QChar(0)) {
                result.damaged = true;
                break;
            }
        }
        result.text.truncate(nul);
    }
    return result;
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
