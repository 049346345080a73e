#pragma once

#include "platform/IDesktop.h"

// The desktop's default browser and the clipboard, through Qt.
class QtDesktop final : public IDesktop
{
public:
    void OpenUrl(const QString &url) override;
    void SetClipboardText(const QString &text) override;
};
