// Benchmark of "@who makeup": 30 days of chat and action logs (about 600 MB) rebuilt into
// a roster that starts empty and into one of 100,000 entries, against `cat` of the same
// files measured in the same run. The logs are written into a temporary folder and
// deleted at the end.
#include "NullSeams.h"
#include "platform/Prefault.h"

#include "logs/ChatRowsModel.h"
#include "platform/Cp932.h"
#include "platform/TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

constexpr int kDays = 30;
constexpr qint64 kBytesPerFile = 10 * 1000 * 1000; // chat and action: 600 MB in all
constexpr int kPlayers = 20000;
constexpr int kRosterSize = 100000;

QString Id(int i)
{
    return QStringLiteral("%1").arg(10000000 + i);
}

// Names as the game shows them: mostly kana and kanji, some Latin; one player in ten has
// used a second name.
QString NameOf(int player, int day)
{
    static const QString kana = QStringLiteral("あかさたなはまやらわアカサタナハマヤラワ剣士弓術師");
    QString name;
    for (int k = player, n = 0; n < 4; ++n, k = k / 7 + n)
        name += kana[k % kana.size()];
    if (player % 5 == 0)
        name = QStringLiteral("Player%1").arg(player);
    if (player % 10 == 1 && day % 2 == 1)
        name += QStringLiteral("二");
    return name;
}

void WriteLogs(const QString &folder)
{
    const QString text = QStringLiteral("こんにちは、今日もよろしくお願いします。狩りに行きましょう");
    quint32 seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int day = 0; day < kDays; ++day) {
        const QString date = QDate(2026, 11, 8).addDays(day).toString(QStringLiteral("yyyyMMdd"));
        QByteArray chat;
        QByteArray action;
        chat.reserve(kBytesPerFile + 4096);
        action.reserve(kBytesPerFile + 4096);
        for (int i = 0; chat.size() < kBytesPerFile; ++i) {
            const int player = int(next() % kPlayers);
            const QString time = QStringLiteral("%1:%2:%3").arg(i / 3600 % 24, 2, 10, QLatin1Char('0'))
                                     .arg(i / 60 % 60, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0'));
            chat += kiv::cp932::Encode(time + QStringLiteral("\t<Public>\t") + NameOf(player, day) + u'(' +
                                       Id(player) + QStringLiteral(")\r\n") + text.left(int(next() % 28) + 2) +
                                       QStringLiteral("\r\n\r\n"));
            if (action.size() < kBytesPerFile) {
                const int member = int(next() % kPlayers);
                action += kiv::cp932::Encode(time + u'\t' + Id(member) + u'\t' + NameOf(member, day) +
                                             QStringLiteral("\t[pickup]\t-\t") +
                                             QStringLiteral("アイテム%1(1)\r\n").arg(next() % 3000));
            }
        }
        for (const auto &[prefix, bytes] : {std::pair{QStringLiteral("ChatLog_"), &chat},
                                            std::pair{QStringLiteral("ActionLog_"), &action}}) {
            QFile file(folder + prefix + date + QStringLiteral(".txt"));
            if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size())
                qFatal("cannot write %s", qPrintable(file.fileName()));
        }
    }
}

double CatMs(const QString &folder)
{
    QStringList files;
    for (const QString &name : QDir(folder).entryList(QDir::Files, QDir::Name))
        files.append(folder + name);
    QProcess cat;
    cat.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    cat.start(QStringLiteral("cat"), files);
    if (!cat.waitForFinished(-1) || cat.exitCode() != 0)
        qFatal("cat failed");
    return double(timer.nsecsElapsed()) / 1e6;
}

// What a rebuild cannot go below on one thread: the bytes of every log once (the item
// scan takes the action logs' names from the pass that reads their pairs), read as the
// program reads a file.
double ReadOnlyMs(const QString &folder)
{
    QElapsedTimer timer;
    timer.start();
    qsizetype bytes = 0;
    for (const QString &name : QDir(folder).entryList(QDir::Files, QDir::Name))
        bytes += kiv::text::ReadWholeFile(folder + name).bytes.size();
    return bytes > 0 ? double(timer.nsecsElapsed()) / 1e6 : 0;
}

struct Run
{
    double ms = 0;
    double cpuMs = 0;
    qsizetype roster = 0;
};

double ProcessCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

Run Makeup(const QString &folder, int rosterSize)
{
    bench::NullSeamSet seams;
    AppState state;
    state.logDir = folder;
    state.ownId = QStringLiteral("12345678");
    QStringList roster;
    for (int i = 0; i < rosterSize; ++i)
        roster.append(Id(i * 3) + QStringLiteral("=\tOld%1").arg(i));
    state.roster.Assign(roster);
    // As in the running program, where every chat line read since the start has looked its
    // speaker up: the roster's key index is there before the command is typed.
    state.roster.IndexOfKey(Id(0));
    ChatRowsModel rows;
    KivLogic logic(state, rows, seams.Seams());
    QElapsedTimer timer;
    timer.start();
    const double cpu = ProcessCpuMs();
    logic.RunCommand(QStringLiteral("@who"), QStringLiteral("@who makeup"));
    return {double(timer.nsecsElapsed()) / 1e6, ProcessCpuMs() - cpu, state.roster.Count()};
}

} // namespace

int main(int argc, char **argv)
{
    // As the program does at start.
    kiv::memory::KeepFreedMemoryForReuse();
    QCoreApplication app(argc, argv);
    // A folder given is kept, and its logs are written only once: for profiling the
    // rebuild alone.
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    const QString folder = (argc > 1 ? QDir(QString::fromLocal8Bit(argv[1])).absolutePath() : dir.path()) + u'/';
    QDir().mkpath(folder);
    if (QDir(folder).entryList(QDir::Files).size() != 2 * kDays) {
        QElapsedTimer timer;
        timer.start();
        WriteLogs(folder);
        std::printf("wrote %d days of chat and action logs (%.0f MB) in %.1f s\n", kDays,
                    2.0 * kDays * kBytesPerFile / 1e6, double(timer.elapsed()) / 1000);
    }

    CatMs(folder); // the same warm cache for both
    // Rounds of cat and both rebuilds, each figure the quietest of its rounds: other work
    // on the machine only ever adds to a run, and comes and goes within seconds, so
    // measuring them side by side, round after round, keeps it from favouring either.
    constexpr int kRounds = 5;
    double cat = 0;
    double catSlowest = 0;
    Run empty;
    Run full;
    for (int round = 0; round < kRounds; ++round) {
        const double catMs = CatMs(folder);
        const Run emptyRun = Makeup(folder, 0);
        const Run fullRun = Makeup(folder, kRosterSize);
        if (round == 0 || catMs < cat)
            cat = catMs;
        catSlowest = std::max(catSlowest, catMs);
        if (round == 0 || emptyRun.ms < empty.ms)
            empty = emptyRun;
        if (round == 0 || fullRun.ms < full.ms)
            full = fullRun;
    }
    std::printf("reading the files a rebuild reads, nothing else: %.1f ms\n", ReadOnlyMs(folder));
    std::printf("cat of the logs: %.1f ms (slowest of %d rounds %.1f ms)\n", cat, kRounds, catSlowest);
    std::printf("@who makeup, empty roster: %.1f ms (CPU %.1f ms), %lld entries after; ratio %.2f (bar 3, goal 1.5)\n",
                empty.ms, empty.cpuMs, qlonglong(empty.roster), empty.ms / cat);
    std::printf("@who makeup, %d entries: %.1f ms (CPU %.1f ms), %lld entries after; ratio %.2f (bar 3, goal 1.5)\n",
                kRosterSize, full.ms, full.cpuMs, qlonglong(full.roster), full.ms / cat);
    return 0;
}
