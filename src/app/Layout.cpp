#include "app/Layout.h"

#include "app/SettingsKeys.h"
#include "platform/ProfileFile.h"

#include <algorithm>

using namespace kiv;

namespace {

SavedEdges ReadEdges(const ProfileFile &ini, const QString &prefix)
{
    const QString &w = keys::kWindow;
    SavedEdges edges;
    for (const char *edge : {".left", ".top", ".right", ".bottom"})
        edges.saved = edges.saved || ini.HasKey(w, prefix + QLatin1StringView(edge));
    edges.left = ini.ReadInt(w, prefix + QStringLiteral(".left"), 0);
    edges.top = ini.ReadInt(w, prefix + QStringLiteral(".top"), 0);
    edges.right = ini.ReadInt(w, prefix + QStringLiteral(".right"), 350);
    edges.bottom = ini.ReadInt(w, prefix + QStringLiteral(".bottom"), 150);
    return edges;
}

} // namespace

LayoutSettings ReadLayoutSettings(const ProfileFile &ini)
{
    const QString &w = keys::kWindow;
    LayoutSettings s;
    for (int i = 0; i < 4; ++i)
        s.chatCol[i] = ini.ReadInt(w, keys::ChatColWidth(i), 80);
    s.chatCol[3] -= 8;
    for (int i = 0; i < 5; ++i)
        s.whoCol[i] = ini.ReadInt(w, keys::WhoColWidth(i), 80);
    s.info = ReadEdges(ini, QStringLiteral("info"));
    s.item = ReadEdges(ini, QStringLiteral("item"));
    s.itemhin = ReadEdges(ini, QStringLiteral("itemhin"));
    s.infoVisible = ini.ReadBool(w, QStringLiteral("InfoWindow"), true);
    s.itemVisible = ini.ReadBool(w, QStringLiteral("ItemWindow"), true);
    s.itemhinVisible = ini.ReadBool(w, QStringLiteral("ItemHinWindow"), true);
    s.itemSellClear = ini.ReadBool(w, QStringLiteral("ItemSellClear"), false);
    s.itemSyutoku = ini.ReadBool(w, QStringLiteral("ItemSyutoku"), false);
    s.itemRandam = ini.ReadBool(w, QStringLiteral("ItemRandam"), true);
    s.infoAlpha = ini.ReadInt(w, QStringLiteral("info.alpha"), 255);
    s.itemAlpha = ini.ReadInt(w, QStringLiteral("item.alpha"), 255);
    s.jrt = ini.ReadInt(keys::kSystemWrite, keys::kJrt, 0);
    return s;
}

QSize SideWindowSize(const SavedEdges &e)
{
    // Saved edges may be "inside out" or far apart in a hand-edited file.
    const qint64 width = qint64(e.right) - e.left;
    const qint64 height = qint64(e.bottom) - e.top;
    return QSize(width < 50 ? 200 : int(std::min<qint64>(width, 16384)),
                 height < 30 ? 100 : int(std::min<qint64>(height, 16384)));
}

QSize MainWindowSizeForStyle(int style, QSize chat, QSize who, int handle, QSize chrome)
{
    const QSize panes = style == 0 ? QSize(chat.width() + handle + who.width(), chat.height())
                                   : QSize(chat.width(), chat.height() + handle + who.height());
    return QSize(panes.width() + chrome.width(), panes.height() + chrome.height());
}

QList<QPoint> PlaceBesideMainWindow(const QRect &mainFrame, const QRect &screen, const QList<QSize> &sizes)
{
    QList<QPoint> places;
    QPoint column(mainFrame.right() + 1, std::max(mainFrame.top(), screen.top()));
    QPoint row(std::max(mainFrame.left(), screen.left()), mainFrame.bottom() + 1);
    int rowHeight = 0;
    for (const QSize &size : sizes) {
        if (QRect(column, size).right() <= screen.right() && QRect(column, size).bottom() <= screen.bottom()
            && screen.contains(column)) {
            places.append(column);
            column.ry() += size.height();
            continue;
        }
        if (QRect(row, size).right() > screen.right() && rowHeight > 0) {
            row = QPoint(std::max(mainFrame.left(), screen.left()), row.y() + rowHeight);
            rowHeight = 0;
        }
        QPoint place = row;
        row.rx() += size.width();
        rowHeight = std::max(rowHeight, size.height());
        // Nothing fits beside the window: keep the window on the screen all the same.
        place.setX(std::clamp(place.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width())));
        place.setY(std::clamp(place.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height())));
        places.append(place);
    }
    return places;
}

QRect KeptOnScreen(const QRect &window, const QList<QRect> &screens)
{
    if (screens.isEmpty() || window.width() <= 0 || window.height() <= 0)
        return window;
    // Enough of it to take hold of with the mouse.
    const int grabWidth = std::min(window.width(), 32);
    const int grabHeight = std::min(window.height(), 16);
    const QRect *home = nullptr;
    qint64 bestArea = 0;
    for (const QRect &screen : screens) {
        const QRect common = screen & window;
        const qint64 area = qint64(common.width()) * common.height();
        if (common.width() >= grabWidth && common.height() >= grabHeight && area > bestArea) {
            home = &screen;
            bestArea = area;
        }
    }
    const bool reachable = home != nullptr;
    if (!reachable)
        home = &screens.first();
    QRect kept(window.topLeft(), window.size().boundedTo(home->size()));
    if (!reachable) {
        kept.moveLeft(std::clamp(kept.left(), home->left(), home->right() + 1 - kept.width()));
        kept.moveTop(std::clamp(kept.top(), home->top(), home->bottom() + 1 - kept.height()));
    }
    return kept;
}
