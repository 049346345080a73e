#include "logs/LogLine.h"

#include "platform/Cp932.h"

#include <array>

namespace kiv::logs {

QString NormaliseLogText(QStringView text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text = text.first(nul);
    // One trip through the code page for the whole block: the per-line work after this
    // never converts again. ")" CR LF and CR LF cannot stand for anything else in the
    // byte form, since none of these bytes can be the second byte of a double-byte
    // character, so the replacements may run on the Unicode form.
    QString out = kiv::cp932::ToAnsiForm(text);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    const qsizetype n = out.size();

    // Both passes shrink the text, so they run in place.
    qsizetype w = 0;
    for (qsizetype r = 0; r < n;) {
        if (d[r] == u')' && r + 2 < n && d[r + 1] == u'\r' && d[r + 2] == u'\n') {
            d[w++] = u')';
            d[w++] = u'\t';
            r += 3;
        } else {
            d[w++] = d[r++];
        }
    }
    // The second pass works on the result of the first, and a match is not searched
    // again after its replacement: three line ends in a row leave two, that is one empty
    // line.
    const qsizetype n2 = w;
    w = 0;
    for (qsizetype r = 0; r < n2;) {
        if (d[r] == u'\r' && r + 3 < n2 && d[r + 1] == u'\n' && d[r + 2] == u'\r' && d[r + 3] == u'\n') {
            d[w++] = u'\r';
            d[w++] = u'\n';
            r += 4;
        } else {
            d[w++] = d[r++];
        }
    }
    out.truncate(w);
    return out;
}

namespace detail {

const unsigned char *UnitKinds()
{
    static const std::array<unsigned char, 65536> kinds = [] {
        std::array<unsigned char, 65536> table{};
        for (unsigned u = 0; u < table.size(); ++u) {
            if (u <= u'\r')
                table[u] = kLowUnit;
            else if (!kiv::cp932::InCodePage(char16_t(u)))
                table[u] = kOutsideUnit;
        }
        return table;
    }();
    return kinds.data();
}

void SplitConvertedLine(QStringView line, QString &converted, LogFields &fields)
{
    fields.clear();
    converted = kiv::cp932::ToAnsiForm(line);
    const QStringView form(converted);
    qsizetype start = 0;
    for (qsizetype i = 0; i < form.size(); ++i) {
        const char16_t c = form[i].unicode();
        if (c != u'\t' && c != u'\r')
            continue;
        fields.append(form.sliced(start, i - start));
        // Inside a line a CR is always that of ")" CR LF.
        if (c == u'\r' && i + 1 < form.size() && form[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < form.size())
        fields.append(form.sliced(start));
}

} // namespace detail

int SplitAnsiLine(QStringView line, LogFields &fields)
{
    fields.clear();
    qsizetype end = line.indexOf(QChar(u'\0'));
    if (end < 0)
        end = line.size();
    const QChar *s = line.data();
    qsizetype start = 0;
    for (qsizetype i = 0; i < end; ++i) {
        const char16_t c = s[i].unicode();
        if (c == u'\t' || c == u'\n') {
            fields.append(line.sliced(start, i - start));
            start = i + 1;
        } else if (c == u'\r') {
            fields.append(line.sliced(start, i - start));
            // The TABs are line feeds by the time the line is cut, so CR TAB is one CR LF.
            if (i + 1 < end && (s[i + 1] == u'\n' || s[i + 1] == u'\t'))
                ++i;
            start = i + 1;
        }
    }
    if (start < end)
        fields.append(line.sliced(start, end - start));
    return int(fields.size());
}

QString JoinFields(const LogFields &fields, qsizetype first)
{
    QString out;
    for (qsizetype i = first; i < fields.size(); ++i) {
        const QStringView part = TrimView(fields[i]);
        if (part.isEmpty())
            continue;
        if (!out.isEmpty())
            out += u' ';
        out += part;
    }
    return out;
}

} // namespace kiv::logs

int SplitLogLine(QStringView line, QStringList &fields)
{
    const QString ansi = kiv::cp932::ToAnsiForm(line);
    kiv::logs::LogFields views;
    kiv::logs::SplitAnsiLine(ansi, views);
    fields.clear();
    fields.reserve(views.size());
    for (const QStringView field : views)
        fields.append(field.toString());
    return int(fields.size());
}

QString BuildCommandLine(QStringView ownId, QStringView kind, QStringView commandText)
{
    QString line;
    line.reserve(8 + kind.size() + ownId.size() + commandText.size() + 12);
    line += u"00:00:00\t";
    line += kind;
    line += u"\t(";
    line += ownId;
    line += u")\r\n";
    line += commandText;
    line += u"\r\n\r\n";
    return line;
}
