#include "platform/QtDesktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

void QtDesktop::OpenUrl(const QString &url)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(url));
}

void QtDesktop::SetClipboardText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}
