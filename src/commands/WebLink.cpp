#include "commands/WebLink.h"

#include <QUrl>

namespace {

bool EndsAddress(QChar c)
{
    return c.unicode() <= 0x20 || c.unicode() == 0x7F || c.unicode() == 0x3000;
}

} // namespace

bool HoldsWebAddress(QStringView lowerText)
{
    return lowerText.contains(u"http://") || lowerText.contains(u"https://");
}

QString FirstWebAddress(QStringView text)
{
    const qsizetype plain = text.indexOf(u"http://", 0, Qt::CaseInsensitive);
    const qsizetype secure = text.indexOf(u"https://", 0, Qt::CaseInsensitive);
    qsizetype start = plain;
    if (start < 0 || (secure >= 0 && secure < start))
        start = secure;
    if (start < 0)
        return QString();
    qsizetype end = start;
    while (end < text.size() && !EndsAddress(text[end]))
        ++end;
    const QUrl url(text.sliced(start, end - start).toString(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty())
        return QString();
    return url.toString(QUrl::FullyEncoded);
}
