#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <array>

class ProfileFile;

// A side window's rectangle as the settings file keeps it.
struct SavedEdges
{
    int left = 0;
    int top = 0;
    int right = 350;
    int bottom = 150;
};

// What the layout reads from the settings file each time it runs.
struct LayoutSettings
{
    std::array<int, 4> chatCol{80, 80, 80, 72};
    std::array<int, 5> whoCol{80, 80, 80, 80, 80};
    SavedEdges info;
    SavedEdges item;
    SavedEdges itemhin;
    bool infoVisible = true;
    bool itemVisible = true;
    bool itemhinVisible = true;
    bool itemSellClear = false;
    bool itemSyutoku = false;
    bool itemRandam = true;
    int infoAlpha = 255;
    int itemAlpha = 255;
    int jrt = 0;
};

LayoutSettings ReadLayoutSettings(const ProfileFile &ini);

// Size of a side window from its saved edges: a width under 50 becomes 200, a height
// under 30 becomes 100.
QSize SideWindowSize(const SavedEdges &edges);

// The main window's size after a style change: side by side, chat + roster widths + 12
// wide and chat height + 44 high; stacked, chat width + 8 wide and chat + roster +
// status bar heights + 31 high.
QSize MainWindowSizeForStyle(int style, QSize chat, QSize who, int statusBarHeight);
