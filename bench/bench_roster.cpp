// Benchmarks of the roster: one sighting (`MarkActive`) with a new name and with a known
// name on a roster of 100 and of 100,000 IDs, and the load of a 100,000-line list file
// against reading the same file's bytes. The figure that matters is the ratio between
// the two roster sizes: a sighting must not grow with the roster.
#include "core/AppState.h"
#include "NullSeams.h"
#include "platform/Prefault.h"
#include "core/IInfoOutput.h"
#include "roster/RosterRowsModel.h"
#include "roster/RosterTracker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using bench::NullTimer;

namespace {

// A shown info window that keeps nothing, so the messages are built but cost no widget.
class NullInfo final : public IInfoOutput
{
public:
    void AppendInfoLine(const QString &line) override { m_chars += line.size(); }
    void ClearInfo() override {}
    bool IsInfoVisible() const override { return true; }
    void ShowInfo() override {}
    void HideInfo() override {}
    QString InfoText() const override { return {}; }
    void SetInfoColours(unsigned, unsigned) override {}
    void SetInfoSize(int, int) override {}
    int InfoWidth() const override { return 392; }
    int InfoHeight() const override { return 80; }
    void SetInfoAlpha(int) override {}
    int InfoAlpha() const override { return 255; }
    int ScreenHeight() const override { return 768; }

private:
    qsizetype m_chars = 0;
};

QString Id(int i)
{
    return QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0'));
}

// The sightings go to 100 IDs spread over the roster, whatever its size.
constexpr int kSpread = 100;

// The roster and ID notes of `size` players, in the order a load leaves them. One ID in ten
// has a note, among the IDs seen as among the others, so a sighting does the same work
// at both sizes.
void FillState(AppState &state, int size)
{
    const int step = size / kSpread;
    QStringList roster;
    QStringList notes;
    for (int i = 0; i < size; ++i) {
        roster.append(Id(i) + QStringLiteral("=\tName%1\tOther%1").arg(i));
        const bool seen = i % step == 0;
        if (seen ? (i / step) % 10 == 0 : i % 10 == 3)
            notes.append(Id(i) + QStringLiteral("=\t1\t%1\t0\t0\t0\tnote of %2").arg(i % 6).arg(i));
    }
    // Built in order already, so no sorting is needed.
    state.roster.Assign(roster);
    state.idNotes.Assign(notes);
}

// One roster of `size` IDs with its view rows and tracker.
struct Bench
{
    explicit Bench(int size) : size(size)
    {
        FillState(state, size);
        tracker.MarkActive(Id(0), QStringLiteral("Name0")); // builds the indexes once
    }

    using Sightings = std::vector<std::pair<QString, QString>>;

    // The texts of `count` sightings, made beforehand so that only the sightings are timed.
    Sightings Prepare(bool newName, int count, int run) const
    {
        Sightings sightings;
        sightings.reserve(size_t(count));
        for (int k = 0; k < count; ++k) {
            const int i = (k * 37) % kSpread * (size / kSpread);
            sightings.emplace_back(Id(i), newName ? QStringLiteral("New%1_%2").arg(run).arg(k)
                                                  : QStringLiteral("Name%1").arg(i));
        }
        return sightings;
    }

    // Nanoseconds per sighting.
    [[gnu::noinline]] double Run(const Sightings &sightings)
    {
        QElapsedTimer t;
        t.start();
        for (const auto &[id, name] : sightings)
            tracker.MarkActive(id, name);
        return double(t.nsecsElapsed()) / double(sightings.size());
    }

    int size;
    AppState state;
    RosterRowsModel rows;
    NullInfo info;
    NullTimer timer;
    RosterTracker tracker{state, rows, {info, timer, [](const QString &) {}}};
};

void BenchSightings(int runs)
{
    // The machine is shared: runs of the two sizes alternate and the fastest run of
    // each, the one least disturbed, is reported. A run of new names gives each of the
    // 100 IDs 20 more names, at both sizes alike.
    std::printf("MarkActive, ns per sighting (fastest of %d alternating runs):\n", runs);
    Bench small(100);
    Bench large(100000);
    for (bool newName : {false, true}) {
        const int count = newName ? 2000 : 20000;
        double bestSmall = 1e18;
        double bestLarge = 1e18;
        for (int run = 0; run < runs; ++run) {
            bestSmall = std::min(bestSmall, small.Run(small.Prepare(newName, count, run)));
            bestLarge = std::min(bestLarge, large.Run(large.Prepare(newName, count, run)));
        }
        std::printf("  %-10s  100 IDs: %8.0f   100000 IDs: %8.0f   ratio %.2f\n", newName ? "new name" : "known name",
                    bestSmall, bestLarge, bestLarge / bestSmall);
    }
}

void BenchLoad()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Whois.lst"));
    {
        AppState state;
        FillState(state, 100000);
        if (!SaveListFile(state.roster, path)) {
            std::printf("could not write %s\n", qPrintable(path));
            return;
        }
    }
    std::vector<double> bytesMs;
    std::vector<double> loadMs;
    std::vector<double> indexMs;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QByteArray bytes = file.readAll();
        bytesMs.push_back(t.nsecsElapsed() / 1e6);
        if (bytes.isEmpty())
            return;

        TStrDBListUni list;
        t.restart();
        list.SetSorted(true);
        if (!LoadListFile(list, path))
            return;
        list.SetSorted(false);
        const qint64 loaded = t.nsecsElapsed();
        list.IndexOfKey(QStringLiteral("00000001")); // the first lookup builds the index
        loadMs.push_back(t.nsecsElapsed() / 1e6);
        indexMs.push_back((t.nsecsElapsed() - loaded) / 1e6);
    }
    std::sort(bytesMs.begin(), bytesMs.end());
    std::sort(loadMs.begin(), loadMs.end());
    std::sort(indexMs.begin(), indexMs.end());
    const double bytes = bytesMs[2];
    const double load = loadMs[2];
    std::printf("List of 100000 lines (%lld bytes), median of 5:\n  read bytes %.2f ms   load (sorted, with index) %.1f ms"
                "   ratio %.0f\n  of which the index %.1f ms\n",
                qlonglong(QFile(path).size()), bytes, load, load / bytes, indexMs[2]);
}

} // namespace

int main(int argc, char **argv)
{
    // As the program does at start.
    kiv::memory::KeepFreedMemoryForReuse();
    QCoreApplication app(argc, argv);
    // "--once SIZE known|new": one run of one kind, for counting instructions under
    // callgrind (--toggle-collect='*Bench::Run*'), which the shared machine cannot disturb.
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QStringLiteral("--once")) {
        Bench bench(args[2].toInt());
        std::printf("%.0f ns\n", bench.Run(bench.Prepare(args[3] == QStringLiteral("new"), 2000, 0)));
        return 0;
    }
    BenchSightings(15);
    BenchLoad();
    return 0;
}
