#pragma once

#include "core/IStatusText.h"
#include "core/IInfoOutput.h"

#include <QStringList>

// An info window that keeps its lines, size, opacity and visibility in plain fields.
class FakeInfoOutput final : public IInfoOutput
{
public:
    void AppendInfoLine(const QString &line) override { lines.append(line); }
    void ClearInfo() override { lines.clear(); }
    bool IsInfoVisible() const override { return visible; }
    void ShowInfo() override
    {
        visible = true;
        ++shows;
    }
    void HideInfo() override
    {
        visible = false;
        ++hides;
    }
    QString InfoText() const override { return lines.join(QLatin1Char('\n')); }
    void SetInfoColours(unsigned text, unsigned background) override
    {
        textColour = text;
        backgroundColour = background;
    }
    void SetInfoSize(int w, int h) override
    {
        width = w;
        height = h;
    }
    int InfoWidth() const override { return width; }
    int InfoHeight() const override { return height; }
    void SetInfoAlpha(int a) override { alpha = a; }
    int InfoAlpha() const override { return alpha; }
    int ScreenHeight() const override { return screenHeight; }

    QStringList lines;
    bool visible = false;
    int shows = 0;
    int hides = 0;
    int width = 392;
    int height = 80;
    int alpha = 220;
    int screenHeight = 768;
    unsigned textColour = 0x000000;
    unsigned backgroundColour = 0xFFFFFF;
};

// The main window's status text.
class FakeStatusText final : public IStatusText
{
public:
    void SetStatusText(const QString &text) override { texts.append(text); }
    QString StatusText() const override { return texts.isEmpty() ? QString() : texts.last(); }

    QStringList texts;
};
