#pragma once

#include <QString>

// The main window's status text (stbMainPanels).
class IStatusText
{
public:
    virtual ~IStatusText() = default;
    virtual void SetStatusText(const QString &text) = 0;
    virtual QString StatusText() const = 0;
};
