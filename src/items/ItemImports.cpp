#include "items/ItemImports.h"

#include "core/AppState.h"
#include "core/Digits.h"
#include "core/DroppedList.h"
#include "core/IInfoOutput.h"
#include "items/ItemDb.h"
#include "platform/IPrompts.h"


#include <optional>

namespace kiv::imports {

namespace {

const QString kAskRarities = QStringLiteral("アイテム名、レア度をインポートできます。\r\nインポートしますか？");
const QString kAskTable = QStringLiteral("アイテム名、区分、レア度をインポートできます。\r\nインポートしますか？");
const QString kBusy = QStringLiteral("アイテムのインポート中です。長らくお待ちください");
const QString kDone = QStringLiteral("アイテムのインポートが終了しました");

using itemdb::kUnknown;

bool UsableName(QStringView name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        if (c == u'=' || c.unicode() < 0x20 || c == u'\u2028')
            return false;
    }
    return true;
}

int NumberOf(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : 0;
}

// Where the category and the rarity of an entry stand in its line: the first two fields of
// a value that begins with a TAB, as the program writes every entry.
struct Places
{
    qsizetype category;
    qsizetype rarity;
    qsizetype rarityEnd;
};

std::optional<Places> PlacesOf(const QString &line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0 || eq + 1 >= line.size() || line[eq + 1] != u'\t')
        return std::nullopt;
    const qsizetype tab = line.indexOf(u'\t', eq + 2);
    if (tab < 0)
        return std::nullopt;
    qsizetype end = line.indexOf(u'\t', tab + 1);
    if (end < 0)
        end = line.size();
    return Places{eq + 2, tab + 1, end};
}

// Sets the rarity of a known item, and its category when `category` is given and the
// stored one is unknown; the note stays. The fields are taken by their place, not by a
// search for their text: an entry with an empty category would otherwise have its rarity
// read from its note, and the note replaced.
void UpdateKnown(TStrDBListUni &db, qsizetype at, const QString &category, const QString &rarity)
{
    const QString &line = db.Line(at);
    if (const std::optional<Places> place = PlacesOf(line)) {
        QString stored = line.sliced(place->category, place->rarity - 1 - place->category);
        if (!category.isEmpty() && (stored == kUnknown || stored.isEmpty()))
            stored = category;
        db.SetLine(at, line.first(place->category) + stored + u'\t' + rarity + line.sliced(place->rarityEnd));
        return;
    }
    // A hand-edited entry of another form: the fields as the list store finds them.
    const QString key = KeyOfLine(line).toString();
    const QString stored = GetField(key, 0, db);
    const QString old = stored + u'\t' + GetField(key, 1, db);
    const QString kept = !category.isEmpty() && stored == kUnknown ? category : stored;
    ReplaceField(key, old, kept + u'\t' + rarity, db);
}

bool RunImport(AppState &state, const QString &path, const QString &question, IPrompts &prompts,
               IInfoOutput &info, void (*merge)(TStrDBListUni &, const QStringList &))
{
    if (!prompts.ConfirmUnlessNo(question))
        return false;
    info.AppendInfoLine(kBusy);
    QStringList lines;
    if (!ReadDroppedList(path, prompts, lines))
        return false;
    merge(state.itemDb, lines);
    info.AppendInfoLine(kDone);
    return true;
}

} // namespace

QString RarityText(int number)
{
    return number <= 0 ? kUnknown : u"☆" + QString::number(number).rightJustified(2, u'0');
}

void MergeItemRarities(TStrDBListUni &db, const QStringList &lines)
{
    QStringList fields;
    for (const QString &line : lines) {
        if (line.startsWith(u';') || SplitCsv(line, fields) < 2 || !UsableName(fields[1]))
            continue;
        const QString rarity = RarityText(NumberOf(fields[0]));
        const qsizetype at = db.IndexOfKey(fields[1]);
        if (at < 0)
            db.Add(fields[1] + u"=\t" + kUnknown + u'\t' + rarity);
        else
            UpdateKnown(db, at, QString(), rarity);
    }
}

void MergeItemTable(TStrDBListUni &db, const QStringList &lines)
{
    QStringList fields;
    for (const QString &line : lines) {
        if (line.startsWith(u';') || SplitFields(line, fields) < 3 || !UsableName(fields[2]))
            continue;
        // An empty category would make the rarity unreadable (field lookups trim the value).
        QString category = TrimControls(fields[0]);
        if (category.isEmpty())
            category = kUnknown;
        const QString rarity = RarityText(NumberOf(DigitsOf(fields[1])));
        const qsizetype at = db.IndexOfKey(fields[2]);
        if (at >= 0) {
            UpdateKnown(db, at, category, rarity);
            continue;
        }
        const QString note = fields.value(3);
        db.Add(fields[2] + u"=\t" + category + u'\t' + rarity + (note.isEmpty() ? QString() : u'\t' + note));
    }
}

bool ImportItemRarities(AppState &state, const QString &path, IPrompts &prompts, IInfoOutput &info)
{
    return RunImport(state, path, kAskRarities, prompts, info, &MergeItemRarities);
}

bool ImportItemTable(AppState &state, const QString &path, IPrompts &prompts, IInfoOutput &info)
{
    return RunImport(state, path, kAskTable, prompts, info, &MergeItemTable);
}

} // namespace kiv::imports
