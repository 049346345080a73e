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

QSize MainWindowSizeForStyle(int style, QSize chat, QSize who, int statusBarHeight)
{
    if (style == 0)
        return QSize(chat.width() + who.width() + 12, chat.height() + 44);
    return QSize(chat.width() + 8, chat.height() + who.height() + statusBarHeight + 31);
}
