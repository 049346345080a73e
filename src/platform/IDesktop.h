#pragma once

#include <QString>

// The desktop's web browser and clipboard.
class IDesktop
{
public:
    virtual ~IDesktop() = default;
    virtual void OpenUrl(const QString &url) = 0;
    virtual void SetClipboardText(const QString &text) = 0;
};
