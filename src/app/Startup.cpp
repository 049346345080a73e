#include "app/Startup.h"

#include "app/SettingsKeys.h"
#include "items/ItemDb.h"
#include "logs/DayNames.h"
#include "platform/FileNames.h"
#include "platform/IClock.h"
#include "platform/IPrompts.h"
#include "platform/ProfileFile.h"
#include "platform/SafeSave.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

using namespace kiv;

void ReadStartSettings(AppState &state, const ProfileFile &ini, QSize mainWindowSize)
{
    if (!ini.Exists()) {
        state.logDir.clear();
        state.ownId = kNoOwnId;
        state.actionLog = true;
        state.viewsFromSettings = false;
        return;
    }
    state.logDir = ini.ReadString(keys::kSystem, keys::kLogDir);
    state.ownId = ini.ReadString(keys::kSystem, keys::kKivIdRead, kNoOwnId);
    // An empty or short ID would match the empty ID of a line without a speaker and
    // would never be asked for again.
    if (state.ownId.size() != 8)
        state.ownId = kNoOwnId;
    state.actionLog = ini.ReadBool(keys::kSystem, keys::kActionLog, true);
    state.fontSize = ini.ReadInt(keys::kSystem, keys::kFontSize, 9);
    static const std::array<QString, 10> beepDefaults{QStringLiteral("alarm.wav"), QStringLiteral("p.wav")};
    for (int i = 0; i < 10; ++i)
        state.beepFiles[i] = ini.ReadString(keys::kSound, keys::Beep(i), beepDefaults[i]).toLower();
    static const std::array<QString, 10> rankDefaults{QString(), QStringLiteral("同伴あり"), {}, {}, {}, {}, {},
                                                      {}, QStringLiteral("注意人物"), QStringLiteral("危険人物")};
    for (int i = 0; i < 10; ++i)
        state.rankNames[i] = ini.ReadString(keys::kRnk, keys::Rank(i), rankDefaults[i]);
    state.style = ini.ReadInt(keys::kWindow, keys::kStyle, 0);
    ViewSizes &v = state.views;
    const int halfWidth = mainWindowSize.width() / 2;
    const int halfHeight = mainWindowSize.height() / 2;
    v.whoWidth = ini.ReadInt(keys::kWindow, QStringLiteral("who.width"), halfWidth);
    v.whoHeight = ini.ReadInt(keys::kWindow, QStringLiteral("who.height"), halfHeight);
    for (int i = 0; i < 6; ++i)
        v.whoCol[i] = ini.ReadInt(keys::kWindow, keys::WhoColWidth(i), 80);
    v.chatWidth = ini.ReadInt(keys::kWindow, QStringLiteral("chat.width"), halfWidth);
    v.chatHeight = ini.ReadInt(keys::kWindow, QStringLiteral("chat.heidht"), halfHeight);
    for (int i = 0; i < 4; ++i)
        v.chatCol[i] = ini.ReadInt(keys::kWindow, keys::ChatColWidth(i), 80);
    v.chatCol[3] -= 16; // the last column fills the row; leave room for the scroll bar
    state.viewsFromSettings = true;
}

void AskLogFolder(AppState &state, IPrompts &prompts)
{
    const QString saved = state.logDir;
    int cancelled = 0;
    while (!(QFileInfo(state.logDir).isDir() && !state.logDir.isEmpty()) && cancelled < 3) {
        prompts.Information(kAskLogFolder);
        state.logDir = prompts.ChooseFolder(kChooseFolderTitle);
        if (state.logDir.isEmpty())
            ++cancelled;
    }
    state.logDir = files::WithTrailingSeparator(state.logDir);
    state.missingLogDir = state.logDir.isEmpty() ? saved : QString();
}

void AskOwnId(AppState &state, IPrompts &prompts)
{
    if (state.ownId != kNoOwnId)
        return;
    QString text = state.ownId;
    if (prompts.InputQuery(kDesignCaption, kAskOwnId, text))
        state.ownId = text.size() == 8 ? text : kNoOwnId;
}

void LoadProgramList(TStrDBListUni &list, const QString &folder, const QString &name, IPrompts &prompts)
{
    list.Clear();
    // A file that could not be read before is judged again now.
    list.SetLoadFailed(false);
    list.SetSorted(true);
    const QString path = files::Resolve(folder, name);
    QString error;
    if (!QFileInfo::exists(path)) {
        if (!SaveListFile(list, path, &error))
            prompts.Warning(error);
    }
    if (QFileInfo::exists(path) && !LoadListFile(list, path, &error)) {
        list.Clear();
        list.SetLoadFailed(true);
        prompts.Warning(QStringLiteral("%1 を読み込めませんでした (%2)。\nこのファイルは変更せずにそのまま残します。")
                            .arg(QDir::toNativeSeparators(path), error));
    }
    list.SetSorted(false);
}

namespace {

// A list whose file could not be read started empty, so what it holds now was added
// in this session. It goes to "<name>.new" beside the file, after what an earlier
// session put there, and the user is told where.
bool SaveBesideUnreadable(const TStrDBListUni &list, const QString &folder, const QString &name, IPrompts &prompts)
{
    if (list.Count() == 0)
        return false;
    const QString path = files::Resolve(folder, name);
    const QString besidePath = files::Resolve(folder, name + QStringLiteral(".new"));
    TStrDBListUni beside;
    QString error;
    if (QFileInfo::exists(besidePath) && !LoadListFile(beside, besidePath, &error)) {
        prompts.Warning(QStringLiteral("%1 を読み込めなかったため、今回の追加分を保存できませんでした (%2)。")
                            .arg(QDir::toNativeSeparators(besidePath), error));
        return false;
    }
    QStringList lines = beside.Lines();
    const QSet<QString> present(lines.cbegin(), lines.cend());
    for (const QString &line : list.Lines()) {
        if (!present.contains(line))
            lines.append(line);
    }
    beside.Assign(lines);
    if (!SaveListFile(beside, besidePath, &error)) {
        prompts.Warning(error);
        return false;
    }
    prompts.Warning(QStringLiteral("%1 を読み込めなかったため、今回の追加分は %2 に保存しました。")
                        .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(besidePath)));
    return false;
}

} // namespace

bool SaveProgramList(const TStrDBListUni &list, const QString &folder, const QString &name, IPrompts &prompts)
{
    if (list.LoadFailed())
        return SaveBesideUnreadable(list, folder, name, prompts);
    QString error;
    if (SaveListFile(list, files::Resolve(folder, name), &error))
        return true;
    prompts.Warning(error);
    return false;
}

void LoadLists(AppState &state, IPrompts &prompts)
{
    LoadProgramList(state.roster, state.programFolder, names::kRoster, prompts);
    LoadProgramList(state.idNotes, state.programFolder, names::kIdNotes, prompts);
    LoadProgramList(state.itemDb, state.programFolder, names::kItemDb, prompts);
    kiv::itemdb::BuildRareItems(state);
    LoadProgramList(state.wanted, state.programFolder, names::kWanted, prompts);
}

void RunStartup(AppState &state, const StartupContext &context)
{
    state.programFolder = context.programFolder;
    state.settingsPath = context.settingsPath;
    for (const QString &name : {names::kRoster, names::kIdNotes, names::kItemDb, names::kWanted,
                                QFileInfo(context.settingsPath).fileName(), names::kArea})
        safesave::RemoveStaleTemporaries(context.programFolder, name);

    ProfileFile ini(context.settingsPath);
    QString error;
    if (!ini.Load(&error))
        context.prompts.Warning(QStringLiteral("%1 を読み込めませんでした (%2)")
                                    .arg(QDir::toNativeSeparators(context.settingsPath), error));
    ReadStartSettings(state, ini, context.mainWindowSize);
    AskLogFolder(state, context.prompts);
    AskOwnId(state, context.prompts);
    LoadLists(state, context.prompts);
    SetDayNames(state, context.clock.Now().date());
}
