#include "items/ItemCommand.h"

#include "core/AppState.h"
#include "core/Digits.h"
#include "core/IInfoOutput.h"
#include "core/IStatusText.h"
#include "items/ActionProcessor.h"
#include "items/IItemWindows.h"
#include "logs/IChatRows.h"
#include "platform/FileNames.h"
#include "platform/IPrompts.h"

#include <algorithm>

namespace {

const QString kListTime = QStringLiteral("00:00:00");
const QString kListTag = QStringLiteral("$list");
constexpr int kMaxWidth = 1024;

// A width or height word: relative with a sign, absolute otherwise; a word that is no
// number leaves the value (or adds 0).
int Dimension(int current, const QString &word)
{
    bool ok = false;
    const int value = word.toInt(&ok);
    if (word.startsWith(u'+') || word.startsWith(u'-'))
        return ok ? int(std::clamp<qint64>(qint64(current) + value, 1, 1 << 20)) : current;
    return ok ? value : current;
}

} // namespace

ItemCommand::ItemCommand(AppState &state, IChatRows &rows, IInfoOutput &info, IStatusText &status, IPrompts &prompts)
    : m_state(state)
    , m_rows(rows)
    , m_info(info)
    , m_status(status)
    , m_prompts(prompts)
{
}

void ItemCommand::Run(const QString &text)
{
    if (!m_windows)
        return;
    QString plain = text;
    plain.replace(u'\u3000', u' ');
    const QStringList words = plain.toLower().split(u' ', Qt::SkipEmptyParts);
    const QString joined = words.join(u'\n');
    IItemWindows &windows = *m_windows;

    if (words.size() == 1)
        Toggle();
    if (joined.contains(u"clear")) {
        if (!windows.IsDistributionShowing())
            windows.SetDistributionShown(true);
        windows.Distribution().ClearItemWindow();
        windows.TallyChanged();
        m_state.itemPickups = m_state.moneyTotal = m_state.moneyPickups = 0;
        m_status.SetStatusText(ActionProcessor::CounterText(0, 0, 0));
    }
    if (joined.contains(u"alpha")) {
        bool ok = false;
        int value = DigitsOf(words.join(QString())).toInt(&ok);
        if (!ok)
            value = windows.Alpha();
        if (value <= 255) {
            windows.SetAlpha(value);
            m_info.AppendInfoLine(text);
            m_info.AppendInfoLine(QStringLiteral("  AlphaBlendを設定しました。"));
        }
    }
    if (joined.contains(u"size"))
        Size(text, words);
    if (joined.contains(u"list")) {
        QStringList fields;
        for (const QString &line : m_state.itemDb.Lines()) {
            // The rarity straight from the line: a lookup by name would find the first of
            // two names that differ only in case.
            SplitFields(TrimControls(ValueOfLine(line)), fields);
            AddListRow(KeyOfLine(line), fields.value(1));
        }
        m_info.AppendInfoLine(QStringLiteral("chatウインドウにリストを表示しました"));
    }
    if (joined.contains(u"search")) {
        if (words.size() == 2) {
            m_info.AppendInfoLine(QStringLiteral("uses: @item search [NAME]"));
        } else if (words.size() == 3) {
            QStringList keys;
            FindKeysByText(m_state.itemDb, 1, 500, keys, words[2].trimmed());
            for (const QString &key : keys)
                AddListRow(key, GetField(key, 1, m_state.itemDb));
            m_info.AppendInfoLine(QStringLiteral("『") + words[2] + QStringLiteral("』で検索した結果") +
                                  QString::number(keys.size()) + QStringLiteral("件のアイテムがみつかりました。"));
        }
    }
    if (joined.contains(u"output"))
        Output();
}

void ItemCommand::Toggle()
{
    IItemWindows &windows = *m_windows;
    if (windows.IsDistributionShowing()) {
        windows.SetDistributionShown(false);
        windows.SetByKindShown(false);
        return;
    }
    windows.SetDistributionShown(true);
    windows.Distribution().ClearItemWindow();
    windows.SetByKindShown(true);
    windows.ByKind().Clear();
    windows.TallyChanged();
    m_info.AppendInfoLine(QStringLiteral("@ItemWindowを表示しました。"));
}

void ItemCommand::Size(const QString &text, const QStringList &words)
{
    IItemWindows &windows = *m_windows;
    if (!windows.IsDistributionShowing())
        windows.SetDistributionShown(true);
    int w = windows.DistributionSize().width();
    int h = windows.DistributionSize().height();
    m_info.AppendInfoLine(text);
    const qsizetype count = words.size();
    if (count == 2) {
        m_info.AppendInfoLine(QStringLiteral("uses: @item size [横幅] [高さ]"));
        m_info.AppendInfoLine(QStringLiteral("  Width=%1　Height=%2").arg(w).arg(h));
    } else if (count == 3 || count == 4) {
        w = std::clamp(Dimension(w, words[2]), 1, kMaxWidth);
        if (count == 4)
            h = std::clamp(Dimension(h, words[3]), 1, std::max(1, windows.ScreenHeight()));
        windows.SetDistributionSize(QSize(w, h));
        m_info.AppendInfoLine(QStringLiteral("  Width=%1　Height=%2設定しました。").arg(w).arg(h));
    }
    windows.SetDistributionSize(windows.DistributionSize());
}

void ItemCommand::AddListRow(QStringView name, QStringView rarity)
{
    m_rows.AddChatRow(LogLineView{kListTime, m_state.ownId, rarity, name, kListTag});
}

void ItemCommand::Output()
{
    TStrDBListUni out;
    for (const QString &line : m_state.itemDb.Lines()) {
        const QStringList fields = line.split(u'\t');
        QString export_ = fields.value(1) + u'\t' + fields.value(2) + u'\t' + KeyOfLine(line) + u'\t';
        for (qsizetype i = 3; i < fields.size(); ++i)
            export_ += fields[i] + u' ';
        out.Add(export_);
    }
    QString error;
    if (!SaveListFile(out, kiv::files::Resolve(m_state.programFolder, QStringLiteral("ItemDB.TSV")), &error)) {
        m_prompts.Warning(error);
        return;
    }
    m_info.AppendInfoLine(QStringLiteral("ItemDB.TSV を出力しました。"));
}
