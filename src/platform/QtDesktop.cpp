#include "platform/QtDesktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

void QtDesktop::OpenUrl(const QString &url)
{
    // Never a guess from free text: a path would open a local file.
    const QUrl address(url, QUrl::StrictMode);
    const QString scheme = address.scheme().toLower();
    if (address.isValid() && (scheme == u"http" || scheme == u"https") && !address.host().isEmpty())
        QDesktopServices::openUrl(address);
}

void QtDesktop::SetClipboardText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}
