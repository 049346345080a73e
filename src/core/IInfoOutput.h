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
    // Sets the window's size now and the size it takes at each later showing.
    virtual void SetInfoSize(int width, int height) = 0;
    virtual int InfoWidth() const = 0;
    virtual int InfoHeight() const = 0;
    virtual void SetInfoAlpha(int alpha) = 0;
    virtual int InfoAlpha() const = 0;
    // Height of the screen the window is on.
    virtual int ScreenHeight() const = 0;
};
