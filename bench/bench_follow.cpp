// Benchmark of following a LOG folder with the real main window: records are appended to
// the day's chat file as the game writes them, one write per record, at 50 and at 2,000
// records a second. For each rate it prints the CPU time the program spent per 1,000
// records with the window shown and, in the same run, with it hidden (reading and
// processing without painting), how often and how much of the chat view was painted, and
// the follow latency (write to row in the view) against `tail -f` on the same file.
//
// The records at 50/s go in blocks, shown and hidden in turn: a virtual machine's host takes
// time from it in spells of seconds, which a block shown and the one hidden after it share.
// Each block's figure is printed too; the spells only ever add to a block. So is how often
// the main thread was preempted per record, which tells whether the display server, woken
// by each picture sent, ran on the program's CPU or beside it.
//
// Usage: bench_follow [records at 50/s (default 1000)] [records at 2,000/s (default 4000)]
//                     [blocks at 50/s (default 4)] [records of the day before the start (default 2000)]
// Runs on the offscreen platform unless QT_QPA_PLATFORM or DISPLAY says otherwise.
#include "app/TFrmKivMain.h"
#include "NullSeams.h"
#include "platform/Prefault.h"
#include "logs/ChatRowsModel.h"
#include "platform/Cp932.h"
#include "platform/DisplayChoices.h"
#include "platform/IClock.h"
#include "platform/IPrompts.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QMap>

#include <map>
#include <sys/syscall.h>

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// CPU time of each thread of the process so far, in seconds, with its name.
std::map<long, std::pair<QString, double>> ThreadCpu()
{
    std::map<long, std::pair<QString, double>> threads;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (!stat.open(QIODevice::ReadOnly) || !comm.open(QIODevice::ReadOnly))
            continue;
        const double ns = stat.readAll().split(' ').value(0).toDouble();
        threads[tid.toLong()] = {QString::fromUtf8(comm.readAll()).trimmed(), ns / 1e9};
    }
    return threads;
}

// How often the main thread was taken off its CPU against its will so far: another
// program woken onto the same CPU (the display server, at each picture sent) does that.
long MainThreadPreemptions()
{
    QFile status(QStringLiteral("/proc/self/task/%1/status").arg(::getpid()));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key("nonvoluntary_ctxt_switches:");
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().toLong();
    }
    return 0;
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

QByteArray Record(int n)
{
    static const QString texts[] = {QStringLiteral("こんにちは！よろしくお願いします"),
                                    QStringLiteral("ボス行きましょう、準備できた人から集合で"),
                                    QStringLiteral("表ダンジョンの地図ある？"), QStringLiteral("thanks! see you"),
                                    QStringLiteral("ドロップ確認お願いします (笑)")};
    static const QString speakers[] = {QStringLiteral("たろう(10000001)"), QStringLiteral("Hanako(10000002)"),
                                       QStringLiteral("剣士ケン(10000003)"), QStringLiteral("ゆき～(10000008)")};
    static const QString kinds[] = {QStringLiteral("<Public>"), QStringLiteral("<Party>"), QStringLiteral("<Guild>")};
    const QString time = QTime(12, 0).addSecs(n / 50).toString(QStringLiteral("HH:mm:ss"));
    return kiv::cp932::Encode(time + u'\t' + kinds[n % 3] + u'\t' + speakers[n % 4] + QStringLiteral("\r\n#") +
                              QString::number(n) + u' ' + texts[n % 5] + QStringLiteral("\r\n\r\n"));
}

// Runs the event loop for `ms` milliseconds, or until `done` says so, sleeping while
// there is nothing to do.
template <typename Done>
void RunEvents(qint64 ms, Done done)
{
    QElapsedTimer t;
    t.start();
    // Only bounds the wait: every event already ends processEvents. One timer at the end,
    // not a tick, which would wake the program ten times a second and be counted as its own.
    QTimer end;
    end.setSingleShot(true);
    end.start(int(ms));
    while (t.elapsed() < ms && !done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void RunEvents(qint64 ms)
{
    RunEvents(ms, [] { return false; });
}

// Paint events of the chat view and of every other widget, with the share of the chat
// view's area each paint covered.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *chatViewport)
        : m_chat(chatViewport)
    {
    }
    void Reset()
    {
        chatPaints = otherPaints = 0;
        chatShare = 0;
        otherByClass.clear();
    }
    QMap<QString, int> otherByClass;
    int chatPaints = 0;
    int otherPaints = 0;
    double chatShare = 0; // sum over the chat view's paints of painted area / view area

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            if (watched == m_chat) {
                ++chatPaints;
                qint64 area = 0;
                for (const QRect &r : static_cast<QPaintEvent *>(event)->region())
                    area += qint64(r.width()) * r.height();
                const qint64 whole = qint64(m_chat->width()) * m_chat->height();
                chatShare += whole > 0 ? double(area) / double(whole) : 0;
            } else {
                ++otherPaints;
                ++otherByClass[QString::fromLatin1(watched->metaObject()->className())];
            }
        }
        return false;
    }

private:
    QWidget *m_chat;
};

// `tail -f` on the file, its lines read in a thread of ours with the time they came.
class Tail
{
public:
    Tail(const QString &path, int firstNumber, int records)
        : seen(static_cast<size_t>(records), Clock::time_point())
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        const QByteArray file = QFile::encodeName(path);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execlp("stdbuf", "stdbuf", "-o0", "tail", "-n", "0", "-f", file.constData(), nullptr);
            ::_exit(127);
        }
        ::close(fds[1]);
        m_in = ::fdopen(fds[0], "r");
        m_reader = std::thread([this, firstNumber] {
            tid = long(::syscall(SYS_gettid));
            char line[4096];
            while (m_in && std::fgets(line, sizeof line, m_in)) {
                const auto now = Clock::now();
                cpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
                // The record's text line begins with '#' and its number.
                if (line[0] != '#')
                    continue;
                const int n = std::atoi(line + 1) - firstNumber;
                std::lock_guard lock(mutex);
                if (n >= 0 && size_t(n) < seen.size() && seen[size_t(n)] == Clock::time_point())
                    seen[size_t(n)] = now;
            }
        });
    }
    ~Tail()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_reader.joinable())
            m_reader.join();
        if (m_in)
            std::fclose(m_in);
    }
    std::mutex mutex;
    std::vector<Clock::time_point> seen;
    std::atomic<double> cpu{0}; // this reader thread's CPU time, not the program's
    std::atomic<long> tid{0};

private:
    pid_t m_pid = -1;
    FILE *m_in = nullptr;
    std::thread m_reader;
};

struct Result
{
    double cpuPer1000 = 0;
    // Of the run's five stretches of records, the one that cost least: other work on the
    // machine only ever adds to a stretch.
    double quietestPer1000 = 0;
    int chatPaints = 0;
    double chatShare = 0;
    int otherPaints = 0;
    QString otherByClass;
    QString threads; // the program's CPU per 1,000 records by thread
    std::vector<double> latencyMs; // ours
    std::vector<double> tailMs;
    std::vector<double> blocksPer1000; // of a run in blocks, each block's
    double preemptedPerRecord = 0;       // the main thread's, see MainThreadPreemptions
    std::vector<double> blocksPreempted;
};

// The blocks of one kind as one run.
Result Combine(const std::vector<Result> &blocks, const std::vector<int> &records)
{
    Result all;
    double cpu = 0;
    int total = 0;
    double share = 0;
    all.quietestPer1000 = 1e9;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const Result &b = blocks[i];
        cpu += b.cpuPer1000 * records[i] / 1000;
        total += records[i];
        all.quietestPer1000 = std::min(all.quietestPer1000, b.quietestPer1000);
        all.chatPaints += b.chatPaints;
        share += b.chatShare * b.chatPaints;
        all.otherPaints += b.otherPaints;
        all.blocksPer1000.push_back(b.cpuPer1000);
        all.blocksPreempted.push_back(b.preemptedPerRecord);
        all.preemptedPerRecord += b.preemptedPerRecord * records[i];
        all.latencyMs.insert(all.latencyMs.end(), b.latencyMs.begin(), b.latencyMs.end());
        all.tailMs.insert(all.tailMs.end(), b.tailMs.begin(), b.tailMs.end());
    }
    all.cpuPer1000 = total > 0 ? cpu / total * 1000 : 0;
    all.preemptedPerRecord = total > 0 ? all.preemptedPerRecord / total : 0;
    all.chatShare = all.chatPaints > 0 ? share / all.chatPaints : 0;
    if (!blocks.empty()) {
        all.otherByClass = blocks.front().otherByClass;
        all.threads = blocks.front().threads;
    }
    return all;
}

// Appends `records` records at `rate` a second and waits until each is a row of the view.
Result Follow(TFrmKivMain &window, PaintCounter &paints, const QString &chatLog, int records, double rate,
              int firstNumber, bool measureLatency)
{
    ChatRowsModel &model = *window.ChatModel();
    const int rowsBefore = model.Count();
    std::vector<Clock::time_point> written(static_cast<size_t>(records));
    std::vector<double> ours(static_cast<size_t>(records), -1.0);
    std::mutex mutex;
    std::unique_ptr<Tail> tail;
    std::atomic<long> writerTid{0};
    // The program's threads' CPU time so far: the bench's writer and tail reader left out.
    const auto programCpu = [&] {
        double sum = 0;
        for (const auto &[tid, thread] : ThreadCpu()) {
            if (tid != writerTid && !(tail && tid == tail->tid))
                sum += thread.second;
        }
        return sum;
    };
    const int stretchRows = std::max(1, records / 5);
    std::vector<double> stretchEnds; // programCpu() at the start and after each stretch
    const auto connection = QObject::connect(&model, &QAbstractItemModel::rowsInserted, &model,
                                             [&](const QModelIndex &, int, int) {
                                                 const int arrived = model.Count() - rowsBefore;
                                                 if (!stretchEnds.empty() && arrived >= stretchRows * int(stretchEnds.size())
                                                     && stretchEnds.size() <= 5)
                                                     stretchEnds.push_back(programCpu());
                                             });
    const auto latency = QObject::connect(&model, &QAbstractItemModel::rowsInserted, &model,
                                             [&](const QModelIndex &, int first, int last) {
                                                 const auto now = Clock::now();
                                                 std::lock_guard lock(mutex);
                                                 for (int r = first; r <= last; ++r) {
                                                     const QStringView text = model.CellText(r, ChatRowsModel::TextColumn);
                                                     if (!text.startsWith(u'#'))
                                                         continue;
                                                     const int n = text.mid(1, text.indexOf(u' ') - 1).toInt() - firstNumber;
                                                     if (n >= 0 && n < records)
                                                         ours[size_t(n)] = std::chrono::duration<double, std::milli>(now - written[size_t(n)]).count();
                                                 }
                                             });
    if (measureLatency) {
        tail = std::make_unique<Tail>(chatLog, firstNumber, records);
        RunEvents(500);
    }
    QCoreApplication::processEvents();
    paints.Reset();

    std::atomic<double> writerCpu{0};
    const double tailCpuStart = tail ? tail->cpu.load() : 0;
    const double cpuStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const long preemptionsStart = MainThreadPreemptions();
    const auto threadsStart = ThreadCpu();
    stretchEnds.push_back(programCpu());
    std::thread writer([&] {
        writerTid = long(::syscall(SYS_gettid));
        QFile f(chatLog);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
            std::exit(1);
        const double own = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const auto start = Clock::now();
        for (int n = 0; n < records; ++n) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(qint64(n * 1e6 / rate)));
            const QByteArray bytes = Record(firstNumber + n);
            {
                std::lock_guard lock(mutex);
                written[size_t(n)] = Clock::now();
            }
            f.write(bytes); // one write per record, as the game does
            f.flush();
        }
        writerCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - own;
    });

    RunEvents(qint64(records / rate * 1000) + 30000, [&] { return model.Count() >= rowsBefore + records; });
    writer.join();
    RunEvents(50); // the last rows' paint
    const double tailCpu = tail ? tail->cpu.load() - tailCpuStart : 0;
    const double cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart - writerCpu - tailCpu;
    const long preemptions = MainThreadPreemptions() - preemptionsStart;
    QString threads;
    for (const auto &[tid, thread] : ThreadCpu()) {
        if (tid == writerTid || (tail && tid == tail->tid))
            continue;
        const auto before = threadsStart.find(tid);
        const double spent = thread.second - (before != threadsStart.end() ? before->second.second : 0);
        if (spent * 1000 / records >= 0.001)
            threads += QStringLiteral(" %1 %2").arg(thread.first).arg(spent / records * 1000, 0, 'f', 3);
    }
    QObject::disconnect(connection);
    QObject::disconnect(latency);
    if (model.Count() != rowsBefore + records)
        std::fprintf(stderr, "follow: %d of %d rows arrived\n", model.Count() - rowsBefore, records);

    Result result;
    result.cpuPer1000 = cpu / records * 1000;
    result.quietestPer1000 = result.cpuPer1000;
    result.preemptedPerRecord = double(preemptions) / records;
    for (size_t k = 1; k < stretchEnds.size(); ++k)
        result.quietestPer1000 = std::min(result.quietestPer1000, (stretchEnds[k] - stretchEnds[k - 1]) / stretchRows * 1000);
    result.threads = threads.trimmed();
    result.chatPaints = paints.chatPaints;
    result.chatShare = paints.chatPaints ? paints.chatShare / paints.chatPaints : 0;
    result.otherPaints = paints.otherPaints;
    for (auto it = paints.otherByClass.cbegin(); it != paints.otherByClass.cend(); ++it)
        result.otherByClass += QStringLiteral(" %1 %2").arg(it.key()).arg(it.value());
    if (tail) {
        RunEvents(300);
        std::lock_guard lock(tail->mutex);
        for (int n = 0; n < records; ++n) {
            if (ours[size_t(n)] >= 0)
                result.latencyMs.push_back(ours[size_t(n)]);
            if (tail->seen[size_t(n)] != Clock::time_point())
                result.tailMs.push_back(
                    std::chrono::duration<double, std::milli>(tail->seen[size_t(n)] - written[size_t(n)]).count());
        }
    }
    return result;
}

void Print(const char *what, double rate, const Result &shown, const Result &hidden)
{
    std::printf("%s at %g records/s: CPU per 1,000 records shown %.3f s, hidden %.3f s, painting %.3f s "
                "(bar 0.5 s, goal 0.1 s); chat view painted %d times, %.0f %% of it each; other widgets %d paints (%s)\n",
                what, rate, shown.cpuPer1000, hidden.cpuPer1000, shown.cpuPer1000 - hidden.cpuPer1000,
                shown.chatPaints, shown.chatShare * 100, shown.otherPaints, qPrintable(shown.otherByClass.trimmed()));
    std::printf("  quietest fifth of a block's records: shown %.3f s, hidden %.3f s per 1,000; main thread preempted "
                "%.2f times per record shown, %.2f hidden\n",
                shown.quietestPer1000, hidden.quietestPer1000, shown.preemptedPerRecord, hidden.preemptedPerRecord);
    if (shown.blocksPer1000.size() > 1 && shown.blocksPer1000.size() == hidden.blocksPer1000.size()) {
        std::vector<double> ratios;
        QString list;
        QString preempted;
        for (size_t i = 0; i < shown.blocksPer1000.size(); ++i) {
            ratios.push_back(shown.blocksPer1000[i] / std::max(1e-9, hidden.blocksPer1000[i]));
            list += QStringLiteral(" %1/%2").arg(shown.blocksPer1000[i], 0, 'f', 3).arg(hidden.blocksPer1000[i], 0, 'f', 3);
            preempted += QStringLiteral(" %1/%2").arg(shown.blocksPreempted[i], 0, 'f', 2).arg(hidden.blocksPreempted[i], 0, 'f', 2);
        }
        std::printf("  blocks, shown/hidden s per 1,000:%s; median shown %.3f s, hidden %.3f s, shown/hidden %.2f\n",
                    qPrintable(list), Percentile(shown.blocksPer1000, 0.5), Percentile(hidden.blocksPer1000, 0.5),
                    Percentile(ratios, 0.5));
        std::printf("  blocks, the main thread preempted per record, shown/hidden:%s\n", qPrintable(preempted));
    }
    std::printf("  CPU per 1,000 records by thread, s: shown %s; hidden %s\n", qPrintable(shown.threads),
                qPrintable(hidden.threads));
    if (!shown.latencyMs.empty() && !shown.tailMs.empty()) {
        const double ours50 = Percentile(shown.latencyMs, 0.5), ours99 = Percentile(shown.latencyMs, 0.99);
        const double tail50 = Percentile(shown.tailMs, 0.5), tail99 = Percentile(shown.tailMs, 0.99);
        std::printf("  follow latency (%zu rows, tail saw %zu): ours p50 %.2f ms p99 %.2f ms; tail -f p50 %.2f ms "
                    "p99 %.2f ms; p99 difference %.2f ms (bar: one frame, 16.7 ms)\n",
                    shown.latencyMs.size(), shown.tailMs.size(), ours50, ours99, tail50, tail99, ours99 - tail99);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program does at start.
    kiv::memory::KeepFreedMemoryForReuse();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program chooses.
    kiv::display::ChooseBeforeStart();
    QApplication app(argc, argv);
    QFont::insertSubstitutions(QStringLiteral("MS UI Gothic"),
                               {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
    const int slowRecords = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int fastRecords = argc > 2 ? std::max(1, std::atoi(argv[2])) : 4000;
    const int slowBlocks = std::clamp(argc > 3 ? std::atoi(argv[3]) : 4, 1, slowRecords);
    const int morningRecords = argc > 4 ? std::max(1, std::atoi(argv[4])) : 2000;

    QTemporaryDir dir;
    const QString logDir = dir.filePath(QStringLiteral("LOG"));
    QDir().mkpath(logDir);
    const QString settings = dir.filePath(QStringLiteral("kivreader.ini"));
    {
        QFile ini(settings);
        if (!ini.open(QIODevice::WriteOnly))
            return 1;
        ini.write(kiv::cp932::Encode(QStringLiteral("[system]\r\nlogdir=") + logDir +
                                     QStringLiteral("/\r\nKivID=12345678\r\nFontSize=9\r\n[FrmKivMain]\r\nLeft=0\r\n"
                                                    "Top=0\r\nWidth=760\r\nHeight=420\r\n")));
    }
    SystemClock clock;
    const QString chatLog =
        logDir + QStringLiteral("/ChatLog_") + clock.Now().date().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".txt");
    {
        // A morning's chat before the program starts.
        QFile f(chatLog);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        for (int n = 0; n < morningRecords; ++n)
            f.write(Record(1000000 + n));
    }

    bench::NullPrompts prompts;
    TFrmKivMain window(TFrmKivMain::Paths{dir.path() + u'/', settings}, prompts, clock);
    window.show();
    RunEvents(1000);
    auto *chat = window.findChild<QTableView *>(QStringLiteral("lvChat"));
    if (!chat || window.ChatModel()->Count() == 0) {
        std::fprintf(stderr, "the main window did not read the day's log\n");
        return 1;
    }
    PaintCounter paints(chat->viewport());
    app.installEventFilter(&paints);

    int number = 0;
    const auto run = [&](int records, double rate, bool shown, bool latency) {
        window.setVisible(shown);
        QCoreApplication::processEvents();
        const Result r = Follow(window, paints, chatLog, records, rate, number, latency);
        number += records;
        return r;
    };
    std::vector<Result> shownBlocks;
    std::vector<Result> hiddenBlocks;
    std::vector<int> blockRecords;
    for (int b = 0; b < slowBlocks; ++b) {
        const int records = slowRecords / slowBlocks + (b < slowRecords % slowBlocks ? 1 : 0);
        blockRecords.push_back(records);
        shownBlocks.push_back(run(records, 50, true, true));
        hiddenBlocks.push_back(run(records, 50, false, false));
    }
    Print("steady stream", 50, Combine(shownBlocks, blockRecords), Combine(hiddenBlocks, blockRecords));
    const Result fastShown = run(fastRecords, 2000, true, true);
    const Result fastHidden = run(fastRecords, 2000, false, false);
    Print("heavy stream", 2000, fastShown, fastHidden);
    window.close();
    return 0;
}
