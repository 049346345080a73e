#include "app/Shutdown.h"

#include "app/SettingsKeys.h"
#include "app/Startup.h"
#include "platform/ProfileFile.h"

#include <cstdio>

using namespace kiv;

namespace {

void WriteRect(ProfileFile &ini, const QString &prefix, const QRect &r)
{
    ini.WriteInt(keys::kWindow, prefix + QStringLiteral(".left"), r.left());
    ini.WriteInt(keys::kWindow, prefix + QStringLiteral(".top"), r.top());
    ini.WriteInt(keys::kWindow, prefix + QStringLiteral(".right"), r.left() + r.width());
    ini.WriteInt(keys::kWindow, prefix + QStringLiteral(".bottom"), r.top() + r.height());
}

} // namespace

void WriteCloseSettings(ProfileFile &ini, const AppState &state, const CloseSnapshot &s)
{
    const QString &w = keys::kWindow;
    ini.WriteString(keys::kSystemWrite, keys::kLogDir, state.logDir.isEmpty() ? state.missingLogDir : state.logDir);
    ini.WriteString(keys::kSystemWrite, keys::kKivIdWrite, state.ownId);
    ini.WriteBool(keys::kSystemWrite, keys::kActionLog, state.actionLog);
    ini.WriteInt(w, keys::kStyle, state.style);

    WriteRect(ini, QStringLiteral("info"), s.info.rect);
    ini.WriteBool(w, QStringLiteral("InfoWindow"), s.info.visible);
    ini.WriteInt(w, QStringLiteral("info.alpha"), s.info.alpha);

    // A hidden side window keeps the rectangle saved while it was last shown.
    if (s.item.visible)
        WriteRect(ini, QStringLiteral("item"), s.item.rect);
    ini.WriteBool(w, QStringLiteral("ItemSellClear"), s.itemSellClear);
    ini.WriteBool(w, QStringLiteral("itemWindow"), s.item.visible);
    ini.WriteBool(w, QStringLiteral("ItemSyutoku"), s.itemSyutoku);
    ini.WriteBool(w, QStringLiteral("ItemRandam"), s.itemRandam);
    ini.WriteInt(w, QStringLiteral("item.alpha"), s.item.alpha);

    if (s.itemhin.visible)
        WriteRect(ini, QStringLiteral("itemhin"), s.itemhin.rect);
    ini.WriteBool(w, QStringLiteral("itemhinWindow"), s.itemhin.visible);
    ini.WriteInt(w, QStringLiteral("itemhin.alpha"), s.itemhin.alpha);

    const ViewSizes &v = s.views;
    ini.WriteInt(w, QStringLiteral("chat.width"), v.chatWidth);
    ini.WriteInt(w, QStringLiteral("chat.heidht"), v.chatHeight);
    for (int i = 0; i < 4; ++i)
        ini.WriteInt(w, keys::ChatColWidth(i), v.chatCol[i]);

    ini.WriteInt(w, QStringLiteral("who.width"), v.whoWidth);
    ini.WriteInt(w, QStringLiteral("who.height"), v.whoHeight);
    for (int i = 0; i < 14; ++i) {
        const bool kept = i == 0 || (i >= 2 && i <= 5);
        ini.WriteInt(w, keys::WhoColWidth(i), kept ? v.whoCol[i] : 0);
    }
}

void WriteWindowPosition(ProfileFile &ini, const QString &section, const QRect &g)
{
    ini.WriteInt(section, keys::kLeft, g.left());
    ini.WriteInt(section, keys::kTop, g.top());
    ini.WriteInt(section, keys::kWidth, g.width());
    ini.WriteInt(section, keys::kHeight, g.height());
}

QRect ReadWindowPosition(const ProfileFile &ini, const QString &section, const QRect &current)
{
    const int left = ini.ReadInt(section, keys::kLeft, 0);
    const int top = ini.ReadInt(section, keys::kTop, 0);
    const int width = ini.ReadInt(section, keys::kWidth, current.width());
    const int height = ini.ReadInt(section, keys::kHeight, current.height());
    return QRect(left, top, width, height);
}

bool SaveAndReleaseLists(AppState &state, IPrompts &prompts)
{
    bool ok = SaveProgramList(state.roster, state.programFolder, names::kRoster, prompts);
    ok = SaveProgramList(state.idNotes, state.programFolder, names::kIdNotes, prompts) && ok;
    ok = SaveProgramList(state.itemDb, state.programFolder, names::kItemDb, prompts) && ok;
    // The wanted list is saved by its dialog only; unsaved edits are dropped here.
    state.roster.Clear();
    state.idNotes.Clear();
    state.itemDb.Clear();
    state.wanted.Clear();
    state.rareItems.clear();
    for (DailyLog &log : state.logs)
        log.buffer.clear();
    state.released = true;
    return ok;
}

void SessionEndPrompts::Information(const QString &text)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(text));
}

void SessionEndPrompts::Warning(const QString &text)
{
    Information(text);
}

bool SessionEndPrompts::Question(const QString &text)
{
    Information(text);
    return false;
}

bool SessionEndPrompts::ConfirmUnlessNo(const QString &text)
{
    Information(text);
    return false;
}

bool SessionEndPrompts::InputQuery(const QString &, const QString &, QString &)
{
    return false;
}

QString SessionEndPrompts::ChooseFolder(const QString &)
{
    return {};
}
