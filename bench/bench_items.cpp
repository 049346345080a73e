// Benchmarks of the item tracking: replay of a day's action log with a large item
// database, against the replay of a chat log of the same size in the same run, and
// "@item list" on that database filling the chat view.
#include "app/KivLogic.h"
#include "core/AppState.h"
#include "core/IInfoOutput.h"
#include "core/IStatusText.h"
#include "items/ItemDb.h"
#include "logs/ChatRowsModel.h"
#include "logs/DayNames.h"
#include "logs/LogFollower.h"
#include "platform/Cp932.h"
#include "platform/IClock.h"
#include "platform/IDesktop.h"
#include "platform/IPrompts.h"
#include "platform/ISoundPlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>

#include "NullSeams.h"
#include "platform/Prefault.h"

namespace {
using namespace bench;


QString ItemName(int i)
{
    return QStringLiteral("アイテム表%1").arg(i);
}

// A day's log of about `targetBytes`. Uniform: every pick-up names one of 22,000 items
// at random and every chat line is the same kind of line, the hardest case for the
// action log's name lookups and the easiest for the chat. Mixed: most pick-ups name a
// few hundred common items, and chat comes on four channels with some lines that hold
// a time or an address (":"), which the chat processor looks at more closely.
QByteArray MakeLog(qint64 targetBytes, bool action, bool mixed)
{
    static const QStringList names = {QStringLiteral("たろう"), QStringLiteral("Hanako"), QStringLiteral("剣士ケン")};
    static const QStringList acts = {QStringLiteral("[pickup]"), QStringLiteral("[pickup]"), QStringLiteral("[sell]"),
                                     QStringLiteral("[buy]")};
    static const QStringList channels = {QStringLiteral("<Party>"), QStringLiteral("<Public>"),
                                         QStringLiteral("<Guild>"), QStringLiteral("<Whisper>")};
    static const QStringList texts = {QStringLiteral("ドロップ確認お願いします"), QStringLiteral("21:00に集合で"),
                                      QStringLiteral("了解です"), QStringLiteral("http://example.jp/map 見てね"),
                                      QStringLiteral("ボス行きましょう"), QStringLiteral("回復します (^^)")};
    std::mt19937 rng(7);
    QByteArray out;
    out.reserve(targetBytes + 256);
    int second = 0;
    while (out.size() < targetBytes) {
        const int n = int(rng() % names.size());
        const QString time = QTime(0, 0).addSecs(second++ / 4 % 86400).toString(QStringLiteral("HH:mm:ss"));
        QString line;
        if (action) {
            const bool money = rng() % 5 == 0;
            // Mostly known items, some new ones.
            const QString itemText =
                money ? QStringLiteral("ペルカ(%1)").arg(rng() % 5000)
                      : ItemName(mixed && rng() % 5 != 0 ? int(rng() % 300) : int(rng() % 22000)) + QStringLiteral("(1)");
            line = time + u'\t' + QString::number(10000000 + n) + u'\t' + names[n] + u'\t' +
                   acts[int(rng() % acts.size())] + QStringLiteral("\t-\t") + itemText + QStringLiteral("\r\n");
        } else {
            const QString &channel = mixed ? channels[int(rng() % channels.size())] : channels[0];
            const QString &text = mixed ? texts[int(rng() % texts.size())] : texts[0];
            line = time + u'\t' + channel + u'\t' + names[n] + u'(' + QString::number(10000000 + n) +
                   QStringLiteral(")\r\n") + text + QStringLiteral("\r\n\r\n");
        }
        out += kiv::cp932::Encode(line);
    }
    return out;
}

struct Program
{
    explicit Program(const QString &logDir)
    {
        state.logDir = logDir;
        state.ownId = QStringLiteral("12345678");
        SetDayNames(state, kDay);
        for (int i = 0; i < 20000; ++i)
            state.itemDb.Add(ItemName(i) + QStringLiteral("=\t武器\t☆%1").arg(i % 15 + 1, 2, 10, QLatin1Char('0')));
        kiv::itemdb::BuildRareItems(state);
    }
    AppState state;
    ChatRowsModel model;
    NullSeamSet seams;
    KivLogic logic{state, model, seams.Seams()};
};

// One replay of a LOG folder holding one day's file, from the file to the rows.
double ReplayOnce(const QString &dir, int *rows)
{
    Program program(dir + u'/');
    LogFollower follower(program.state, program.logic, program.seams.clock);
    QElapsedTimer t;
    t.start();
    follower.FirstShowing();
    const double ms = t.nsecsElapsed() / 1e6;
    *rows = program.model.Count();
    return ms;
}

// The same without the reading: the decoded text of the file to the rows.
double ProcessOnce(const QString &dir, const QString &text, bool action)
{
    Program program(dir + u'/');
    QElapsedTimer t;
    t.start();
    if (action)
        program.logic.ProcessActionText(text, ProcessingMode::Replay);
    else
        program.logic.ProcessChatText(text, ProcessingMode::Replay);
    return t.nsecsElapsed() / 1e6;
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        std::exit(1);
}

// Replays a chat log and an action log of the same size, file to rows and decoded text
// to rows, and prints how the two compare.
void Compare(const char *label, bool mixed, QTemporaryDir &chatDir, QTemporaryDir &actionDir)
{
    const qint64 bytes = 20 * 1000 * 1000;
    const QByteArray chatLog = MakeLog(bytes, false, mixed);
    const QByteArray actionLog = MakeLog(bytes, true, mixed);
    WriteFile(chatDir.filePath(QStringLiteral("ChatLog_20261207.txt")), chatLog);
    WriteFile(actionDir.filePath(QStringLiteral("ActionLog_20261207.txt")), actionLog);
    // The two replays take turns, and each keeps its best time, so that neither gains
    // from running first or from a quiet moment of a shared machine.
    int chatRows = 0, actionRows = 0;
    double chatMs = 1e9, actionMs = 1e9;
    for (int round = 0; round < 5; ++round) {
        chatMs = std::min(chatMs, ReplayOnce(chatDir.path(), &chatRows));
        actionMs = std::min(actionMs, ReplayOnce(actionDir.path(), &actionRows));
    }
    std::printf("replay 20 MB, %s: action log %d rows %.1f ms (item database 20000); chat log %d rows %.1f ms; "
                "ratio %.2f (bar 1.5, goal 1.1); per row %.2f\n",
                label, actionRows, actionMs, chatRows, chatMs, actionMs / chatMs,
                (actionMs / actionRows) / (chatMs / chatRows));
    const QString chatText = kiv::cp932::DecodeToAnsiForm(chatLog);
    const QString actionText = kiv::cp932::DecodeToAnsiForm(actionLog);
    double chatOnly = 1e9, actionOnly = 1e9;
    for (int round = 0; round < 5; ++round) {
        chatOnly = std::min(chatOnly, ProcessOnce(chatDir.path(), chatText, false));
        actionOnly = std::min(actionOnly, ProcessOnce(actionDir.path(), actionText, true));
    }
    std::printf("  of which decoded text to rows: action %.1f ms, chat %.1f ms; ratio %.2f\n", actionOnly, chatOnly,
                actionOnly / chatOnly);
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program does at start.
    kiv::memory::KeepFreedMemoryForReuse();
    QApplication app(argc, argv);
    QTemporaryDir chatDir, actionDir;
    Compare("uniform", false, chatDir, actionDir);
    Compare("mixed", true, chatDir, actionDir);

    Program program(actionDir.path() + u'/');
    QTableView view;
    view.setModel(&program.model);
    view.resize(600, 400);
    view.show();
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    program.logic.RunCommand(QStringLiteral("@item"), QStringLiteral("@item list"));
    view.scrollToBottom();
    view.repaint();
    std::printf("@item list: %d rows into the chat view and one repaint: %.1f ms\n", program.model.Count(),
                t.nsecsElapsed() / 1e6);
    return 0;
}
