#pragma once

#include <QString>

// The info window as the logic sees it: command output and announcements.
class IInfoOutput
{
public:
    virtual ~IInfoOutput() = default;
    virtual void AppendInfoLine(const QString &line) = 0;
    virtual void ClearInfo() = 0;
    virtual bool IsInfoVisible() const = 0;
    virtual void ShowInfo() = 0;
    virtual void HideInfo() = 0;
    // The whole text shown, lines separated by line feeds.
    virtual QString InfoText() const = 0;
    // Colours as 0x00BBGGRR.
    virtual void SetInfoColours(unsigned text, unsigned background) = 0;
    virtual void SetInfoSize(int width, int height) = 0;
    virtual void SetInfoAlpha(int alpha) = 0;
};
