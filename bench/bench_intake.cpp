// Benchmarks of log intake: replay of a day's chat log, the cost of one appended record
// on a large and a small day, follow latency against `tail -f`, and the chat view at a
// million rows. Every figure is printed beside a reference measured in the same run.
#include "core/AppState.h"
#include "core/IStatusText.h"
#include "app/KivLogic.h"
#include "logs/DayNames.h"
#include "core/IInfoOutput.h"
#include "logs/ChatRowsModel.h"
#include "logs/LogFollower.h"
#include "platform/Cp932.h"
#include "platform/IClock.h"
#include "platform/IDesktop.h"
#include "platform/IPrompts.h"
#include "platform/ISoundPlayer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "NullSeams.h"
#include "platform/Prefault.h"

namespace {
using namespace bench;

using Clock = std::chrono::steady_clock;


// Game-like chat records: mostly Japanese text, some ASCII.
QByteArray MakeChatLog(qint64 targetBytes, quint32 seed)
{
    static const QStringList names = {QStringLiteral("たろう"), QStringLiteral("Hanako"), QStringLiteral("剣士ケン"),
                                      QStringLiteral("魔法使い表"), QStringLiteral("ソラ"), QStringLiteral("ゆき～")};
    static const QStringList kinds = {QStringLiteral("<Public>"), QStringLiteral("<Party>"), QStringLiteral("<Guild>")};
    static const QStringList texts = {QStringLiteral("こんにちは！よろしくお願いします"),
                                      QStringLiteral("ボス行きましょう、準備できた人から集合で"),
                                      QStringLiteral("表ダンジョンの地図ある？"), QStringLiteral("thanks! see you"),
                                      QStringLiteral("ドロップ確認お願いします (笑)"), QStringLiteral("ＭＰ切れです")};
    std::mt19937 rng(seed);
    QByteArray out;
    out.reserve(targetBytes + 256);
    int second = 0;
    while (out.size() < targetBytes) {
        const int n = int(rng() % names.size());
        const QString time = QTime(0, 0).addSecs(second++ / 4 % 86400).toString(QStringLiteral("HH:mm:ss"));
        const QString record = time + u'\t' + kinds[int(rng() % kinds.size())] + u'\t' + names[n] + u'(' +
                               QString::number(10000000 + n) + QStringLiteral(")\r\n") +
                               texts[int(rng() % texts.size())] + QStringLiteral("\r\n\r\n");
        out += kiv::cp932::Encode(record);
    }
    return out;
}

QByteArray Record(const QString &text)
{
    const QString record = QStringLiteral("12:00:00\t<Public>\tたろう(10000000)\r\n") + text + QStringLiteral("\r\n\r\n");
    return kiv::cp932::Encode(record);
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

void AppendFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(bytes) != bytes.size())
        std::exit(1);
}

// One program's worth of logic over a LOG folder, without windows.
struct Program
{
    explicit Program(const QString &logDir)
    {
        state.logDir = logDir;
        state.ownId = QStringLiteral("12345678");
        SetDayNames(state, kDay);
    }
    AppState state;
    ChatRowsModel model;
    NullSeamSet seams;
    KivLogic logic{state, model, seams.Seams()};
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

double TimeIconv(const QString &path)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        QProcess iconv;
        iconv.setStandardOutputFile(QProcess::nullDevice());
        iconv.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("CP932"), QStringLiteral("-t"),
                                              QStringLiteral("UTF-16LE"), path});
        iconv.waitForFinished(-1);
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

void BenchReplay(const QString &dir)
{
    const QString path = dir + QStringLiteral("/ChatLog_20261207.txt");
    const qint64 megabytes = qEnvironmentVariableIntValue("KIV_BENCH_REPLAY_MB") > 0
                                 ? qEnvironmentVariableIntValue("KIV_BENCH_REPLAY_MB")
                                 : 20;
    WriteFile(path, MakeChatLog(megabytes * 1000 * 1000, 1));
    const double iconvMs = TimeIconv(path);
    double best = 1e9;
    int rows = 0;
    for (int i = 0; i < 3; ++i) {
        Program program(dir + u'/');
        LogFollower follower(program.state, program.logic, program.seams.clock);
        QElapsedTimer t;
        t.start();
        follower.FirstShowing();
        best = std::min(best, t.nsecsElapsed() / 1e6);
        rows = program.model.Count();
    }
    std::printf("replay: %lld MB chat log, %d rows: %.1f ms; iconv CP932->UTF-16LE: %.1f ms; ratio %.2f "
                "(bar 1.0, goal 0.6)\n",
                megabytes, rows, best, iconvMs, best / iconvMs);
    QFile::remove(path);
}

double AppendCost(const QString &dir, qint64 daySize)
{
    QDir(dir).mkpath(QStringLiteral("."));
    const QString path = dir + QStringLiteral("/ChatLog_20261207.txt");
    WriteFile(path, MakeChatLog(daySize, 2));
    Program program(dir + u'/');
    LogFollower follower(program.state, program.logic, program.seams.clock);
    follower.FirstShowing();
    std::vector<double> times;
    for (int i = 0; i < 60; ++i) {
        const int before = program.model.Count();
        AppendFile(path, Record(QStringLiteral("追加 %1").arg(i)));
        QElapsedTimer t;
        t.start();
        follower.Reader().ReadNewLogText();
        times.push_back(t.nsecsElapsed() / 1e3);
        if (program.model.Count() != before + 1) {
            std::fprintf(stderr, "append: expected one row\n");
            std::exit(1);
        }
    }
    return Median(times);
}

void BenchSizeIndependence(const QString &dir)
{
    const double small = AppendCost(dir + QStringLiteral("/small"), 200 * 1000);
    const double large = AppendCost(dir + QStringLiteral("/large"), 20 * 1000 * 1000);
    std::printf("one appended record, change to row: 20 MB day %.1f us, 200 KB day %.1f us; ratio %.2f (bar 1.2)\n",
                large, small, large / small);
}

// Follow latency: a writer appends records (500 per second, with bursts), each carrying
// its number; the time from the write to the row in the model is compared with the time
// from the write to the line coming out of `tail -f` on the same file.
void BenchFollowLatency(const QString &dir)
{
    const QString logDir = dir + QStringLiteral("/follow/");
    QDir().mkpath(logDir);
    const QString path = logDir + QStringLiteral("ChatLog_20261207.txt");
    WriteFile(path, MakeChatLog(200 * 1000, 3));

    Program program(logDir);
    LogFollower follower(program.state, program.logic, program.seams.clock);
    follower.FirstShowing();
    follower.Start();

    constexpr int kRecords = 2500;
    std::vector<Clock::time_point> written(kRecords);
    std::vector<double> ours(kRecords, -1), tails(kRecords, -1);
    std::mutex mutex;

    QObject::connect(&program.model, &QAbstractItemModel::rowsInserted, &program.model,
                     [&](const QModelIndex &, int first, int last) {
                         const auto now = Clock::now();
                         std::lock_guard lock(mutex);
                         for (int r = first; r <= last; ++r) {
                             const QString text = program.model.Row(r).text;
                             if (!text.startsWith(u'#'))
                                 continue;
                             const int n = text.mid(1).toInt();
                             if (n >= 0 && n < kRecords)
                                 ours[n] = std::chrono::duration<double, std::milli>(now - written[n]).count();
                         }
                     });

    FILE *tail = ::popen(qPrintable(QStringLiteral("exec stdbuf -o0 tail -n 0 -f '%1'").arg(path)), "r");
    std::thread tailReader([&] {
        char line[4096];
        while (std::fgets(line, sizeof line, tail)) {
            const auto now = Clock::now();
            if (line[0] != '#')
                continue;
            const int n = std::atoi(line + 1);
            std::lock_guard lock(mutex);
            if (n >= 0 && n < kRecords && tails[n] < 0)
                tails[n] = std::chrono::duration<double, std::milli>(now - written[n]).count();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // tail is up

    std::atomic<bool> done{false};
    std::thread writer([&] {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
            std::exit(1);
        const auto start = Clock::now();
        int n = 0;
        while (n < kRecords) {
            // Every 200th record starts a burst of 25 written back to back.
            const int burst = (n % 200 == 0) ? 25 : 1;
            for (int b = 0; b < burst && n < kRecords; ++b, ++n) {
                const QByteArray bytes = Record(QStringLiteral("#%1").arg(n));
                {
                    std::lock_guard lock(mutex);
                    written[n] = Clock::now();
                }
                f.write(bytes);
                f.flush();
            }
            std::this_thread::sleep_until(start + std::chrono::microseconds(2000LL * n));
        }
        done = true;
    });

    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        std::lock_guard lock(mutex);
        if (done && std::none_of(ours.begin(), ours.end(), [](double v) { return v < 0; }) &&
            std::none_of(tails.begin(), tails.end(), [](double v) { return v < 0; }))
            break;
    }
    writer.join();
    follower.Stop();
    ::system("pkill -f 'tail -n 0 -f' >/dev/null 2>&1");
    ::pclose(tail);
    tailReader.join();

    std::vector<double> a, b;
    for (int i = 0; i < kRecords; ++i) {
        if (ours[i] >= 0)
            a.push_back(ours[i]);
        if (tails[i] >= 0)
            b.push_back(tails[i]);
    }
    if (a.empty() || b.empty()) {
        std::printf("follow latency: no samples (ours %zu, tail %zu)\n", a.size(), b.size());
        return;
    }
    std::printf("follow latency at 500 records/s with bursts (%zu of %d rows, tail saw %zu): "
                "ours p50 %.2f ms p99 %.2f ms; tail -f p50 %.2f ms p99 %.2f ms; p99 difference %.2f ms "
                "(bar 5 ms)\n",
                a.size(), kRecords, b.size(), Percentile(a, 0.5), Percentile(a, 0.99), Percentile(b, 0.5),
                Percentile(b, 0.99), Percentile(a, 0.99) - Percentile(b, 0.99));
}

std::vector<LogLineRecord> Batch(int count, int start)
{
    std::vector<LogLineRecord> rows;
    rows.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        rows.push_back({QStringLiteral("12:34:56"), QStringLiteral("10000001"), QStringLiteral("たろう"),
                        QStringLiteral("ボス行きましょう、準備できた人から集合で %1").arg(start + i),
                        QStringLiteral("<Public>")});
    }
    return rows;
}

double AppendBatchMs(ChatRowsModel &model, QTableView &view, int start)
{
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        auto rows = Batch(1000, start + i * 1000);
        QElapsedTimer t;
        t.start();
        model.AppendRows(std::move(rows));
        view.scrollToBottom();
        QCoreApplication::processEvents();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    return Median(times);
}

void BenchScale()
{
    ChatRowsModel model;
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(17);
    view.resize(600, 400);
    view.show();
    QCoreApplication::processEvents();

    model.AppendRows(Batch(1000, 0));
    const double at1k = AppendBatchMs(model, view, 1000);

    // Blocks the allocator maps on their own (large arrays) count as well as the heap.
    const auto heapInUse = [] {
        const struct mallinfo2 info = mallinfo2();
        return info.uordblks + info.hblkhd;
    };
    const size_t heapBefore = heapInUse();
    qint64 textBytes = 0;
    for (int filled = model.Count(); filled < 1000000; filled += 10000) {
        auto rows = Batch(10000, filled);
        for (const auto &r : rows)
            textBytes += 2 * (r.time.size() + r.id.size() + r.name.size() + r.text.size() + r.tag.size());
        model.AppendRows(std::move(rows));
    }
    QCoreApplication::processEvents();
    const size_t heapAfter = heapInUse();
    const double at1m = AppendBatchMs(model, view, 2000000);
    std::printf("chat view: a 1,000-row batch at 1,000 rows %.2f ms, at %d rows %.2f ms; ratio %.2f (bar 1.5)\n", at1k,
                model.Count(), at1m, at1m / at1k);
    std::printf("chat rows memory: %.1f MB for %.1f MB of UTF-16 text; ratio %.2f (bar 3)\n",
                (heapAfter - heapBefore) / 1e6, textBytes / 1e6, double(heapAfter - heapBefore) / double(textBytes));
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program does at start.
    kiv::memory::KeepFreedMemoryForReuse();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QStringList only = app.arguments().mid(1);
    auto wanted = [&only](const char *name) { return only.isEmpty() || only.contains(QString::fromLatin1(name)); };
    if (wanted("replay"))
        BenchReplay(dir.path());
    if (wanted("append"))
        BenchSizeIndependence(dir.path());
    if (wanted("follow"))
        BenchFollowLatency(dir.path());
    if (wanted("scale"))
        BenchScale();
    return 0;
}
