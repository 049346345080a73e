#pragma once

#include <QList>
#include <QPoint>
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
    // False when the file holds none of the four keys: the window has no place of its own
    // yet (first run, or hidden at every close so far).
    bool saved = false;
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

// The main window's client size for a style met for the first time: side by side, the
// two views beside each other and the splitter between them; stacked, the roster view
// below the chat view and as wide as it. `chrome` is what the window holds besides the
// splitter (the status bar); the window frame is the desktop's and is not counted.
QSize MainWindowSizeForStyle(int style, QSize chat, QSize who, int handle, QSize chrome);

// Top-left corners for side windows without a place of their own, in the order of
// `sizes`: a column at the right of the main window's frame while they fit on the
// screen, then rows below it; a window that fits nowhere is kept on the screen.
QList<QPoint> PlaceBesideMainWindow(const QRect &mainFrame, const QRect &screen, const QList<QSize> &sizes);

// A remembered window rectangle made usable on today's screens (their available areas,
// the primary first): no larger than the screen it is on, and moved onto the primary
// screen when too little of it is on any screen to be grabbed, as after a monitor was
// unplugged or the settings were edited by hand. A rectangle that is fine is kept.
QRect KeptOnScreen(const QRect &window, const QList<QRect> &screens);
