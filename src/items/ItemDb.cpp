#include "items/ItemDb.h"

#include "core/AppState.h"
#include "core/Digits.h"
#include "platform/FileNames.h"

#include <algorithm>

namespace kiv::itemdb {

const std::array<QString, 19> &Categories()
{
    // The empty category is left out: an entry saved with it would have its rarity read
    // from its first note line.
    static const std::array<QString, 19> names{
        QStringLiteral("不明"),       QStringLiteral("武器"),         QStringLiteral("防具"),
        QStringLiteral("服・パーツ"), QStringLiteral("ユニット"),     QStringLiteral("ディスク"),
        QStringLiteral("消費アイテム"), QStringLiteral("ルームグッズ"), QStringLiteral("基板"),
        QStringLiteral("-素材-"),     QStringLiteral("フォトン"),     QStringLiteral("金属"),
        QStringLiteral("鉱石"),       QStringLiteral("木材"),         QStringLiteral("硬材"),
        QStringLiteral("薬品・食材"), QStringLiteral("チップ"),       QStringLiteral("希石"),
        QStringLiteral("生体素材・その他"),
    };
    return names;
}

const std::array<QString, 16> &Rarities()
{
    static const std::array<QString, 16> names = [] {
        std::array<QString, 16> r;
        r[0] = kUnknown;
        for (int i = 1; i < 16; ++i)
            r[i] = QStringLiteral("☆") + QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        return r;
    }();
    return names;
}

QString NewItemLine(const QString &name)
{
    return name + QStringLiteral("=\t") + kUnknown + u'\t' + kUnknown;
}

bool HasItem(const TStrDBListUni &db, const QString &name)
{
    if (!name.isEmpty() && !name.contains(u'='))
        return db.IndexOfKey(name) >= 0;
    // The key index never finds the empty name, nor one with "=" in it (its key ends at
    // the first "="): without this look such an item was added again at every pick-up.
    const QString start = name + u'=';
    for (const QString &line : db.Lines()) {
        if (line.startsWith(start))
            return true;
    }
    return false;
}

bool LearnItem(TStrDBListUni &db, const QString &name)
{
    if (HasItem(db, name))
        return false;
    db.Add(NewItemLine(name));
    return true;
}

namespace {
int RarityOf(QStringView line)
{
    QStringList fields;
    SplitFields(TrimControls(ValueOfLine(line)), fields);
    bool ok = false;
    const qlonglong rarity = DigitsOf(fields.value(1)).left(18).toLongLong(&ok);
    return ok ? int(std::min<qlonglong>(rarity, 1 << 30)) : 0;
}
} // namespace

void BuildRareItems(AppState &state)
{
    state.rareItems = QStringList{QString()};
    state.rareItemSet.clear();
    for (const QString &line : state.itemDb.Lines()) {
        if (line.contains(u'=') && RarityOf(line) > 6) {
            const QString name = KeyOfLine(line).toString();
            state.rareItems.append(name);
            state.rareItemSet.insert(name);
        }
    }
}

bool IsRareItem(const AppState &state, const QString &name)
{
    return state.rareItemSet.contains(name);
}

bool SaveItemDB(const AppState &state, QString *error)
{
    return SaveListFile(state.itemDb, files::Resolve(state.programFolder, names::kItemDb), error);
}

QString NoteResult(const QString &category, const QString &rarity, const QString &note)
{
    QString text = note;
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    text = text.sliced(begin, end - begin);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\t"));
    text.replace(u'\n', u'\t');
    text.replace(u'\r', u'\t');
    return category + u'\t' + rarity + u'\t' + text;
}

NoteView ViewOfLine(const QString &line)
{
    NoteView view;
    const QStringList fields = line.split(u'\t');
    if (fields.size() > 1) {
        const qsizetype i = std::find(Categories().begin(), Categories().end(), fields[1]) - Categories().begin();
        view.category = i < qsizetype(Categories().size()) ? int(i) : 0;
    }
    if (fields.size() > 2) {
        const auto &rarities = Rarities();
        const qsizetype i = std::find(rarities.begin(), rarities.end(), fields[2]) - rarities.begin();
        if (i < qsizetype(rarities.size())) {
            view.rarity = int(i);
        } else {
            bool ok = false;
            const int n = DigitsOf(fields[2]).left(9).toInt(&ok);
            view.rarity = !ok ? 0 : (n < int(rarities.size()) ? n : -1);
        }
    }
    for (qsizetype i = 3; i < fields.size(); ++i)
        view.noteLines.append(fields[i]);
    return view;
}

bool CommitItemNote(AppState &state, const QString &name, const QString &result, QString *error)
{
    DeleteEntry(name, state.itemDb);
    AddField(name, result, state.itemDb);
    const bool saved = SaveItemDB(state, error);
    BuildRareItems(state);
    return saved;
}

} // namespace kiv::itemdb
