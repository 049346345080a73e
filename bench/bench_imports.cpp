// Benchmarks of the dropped-file imports: a roster file of 100,000 lines merged into a
// roster of 100,000 IDs (with the info window hidden, and shown so that every name added
// is a line in it), a black list of 10,000 lines into 10,000 ID notes and an item table
// of 100,000 lines, each read from its file as a drop reads it. The reference is the plain
// search of every line in the roster's whole text, timed on a few lines and scaled to the
// file. Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "commands/TInfoWindow.h"
#include "core/AppState.h"
#include "items/ItemImports.h"
#include "roster/RosterImports.h"
#include "roster/RosterRowsModel.h"
#include "roster/RosterTracker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

#include "NullSeams.h"
#include "platform/Prefault.h"

namespace {
using namespace bench;

class YesPrompts final : public IPrompts
{
public:
    void Information(const QString &) override {}
    void Warning(const QString &text) override { std::printf("warning: %s\n", qPrintable(text)); }
    bool Question(const QString &) override { return true; }
    bool InputQuery(const QString &, const QString &, QString &) override { return false; }
    QString ChooseFolder(const QString &) override { return {}; }
};

// The real info window, shown.
class WindowInfo final : public IInfoOutput
{
public:
    WindowInfo() { m_window.ShowInfo(); }
    void AppendInfoLine(const QString &line) override { m_window.AppendInfoLine(line); }
    void ClearInfo() override { m_window.ClearInfo(); }
    bool IsInfoVisible() const override { return m_window.IsInfoVisible(); }
    void ShowInfo() override { m_window.ShowInfo(); }
    void HideInfo() override { m_window.HideInfo(); }
    QString InfoText() const override { return m_window.InfoText(); }
    void SetInfoColours(unsigned text, unsigned background) override { m_window.SetInfoColours(text, background); }
    void SetInfoSize(int, int) override {}
    int InfoWidth() const override { return 392; }
    int InfoHeight() const override { return 80; }
    void SetInfoAlpha(int) override {}
    int InfoAlpha() const override { return 255; }
    int ScreenHeight() const override { return 768; }

private:
    TInfoWindow m_window;
};

QString Id(int i)
{
    return QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0'));
}

bool Save(const QStringList &lines, const QString &path)
{
    TStrDBListUni list;
    list.Assign(lines);
    return SaveListFile(list, path);
}

double Ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// One import of a dropped file, confirmed, with the info window hidden: its time in ms.
template<typename Import>
double TimedImport(Import &&import)
{
    NullInfo info;
    YesPrompts prompts;
    QElapsedTimer t;
    t.start();
    import(prompts, info);
    return Ms(t);
}

void BenchRoster(const QTemporaryDir &dir, IInfoOutput &info, bool reference)
{
    constexpr int kSize = 100000;
    AppState state;
    QStringList roster;
    QStringList file;
    for (int i = 0; i < kSize; ++i) {
        roster.append(Id(i) + QStringLiteral("=\tName%1\tOther%1").arg(i));
        // A quarter each: a line the roster holds, a known ID with a new name, a new ID,
        // and known names in another order.
        switch (i % 4) {
        case 0: file.append(roster.last()); break;
        case 1: file.append(Id(i) + QStringLiteral("=\tName%1\tNew%1").arg(i)); break;
        case 2: file.append(Id(kSize + i) + QStringLiteral("=\tName%1").arg(i)); break;
        default: file.append(Id(i) + QStringLiteral("=\tOther%1\tName%1").arg(i)); break;
        }
    }
    state.roster.Assign(roster);
    const QString path = dir.filePath(QStringLiteral("Whois.lst"));
    if (!Save(file, path))
        return;

    RosterRowsModel rows;
    NullTimer timer;
    YesPrompts prompts;
    RosterTracker tracker(state, rows, {info, timer, [](const QString &) {}});
    QElapsedTimer t;
    t.start();
    kiv::imports::ImportRoster(state, path, tracker, prompts, info);
    const double importMs = Ms(t);
    std::printf("Roster import, %d lines into %d IDs, info window %s: %.0f ms (roster now %lld lines, %d rows shown)\n",
                kSize, kSize, info.IsInfoVisible() ? "shown" : "hidden", importMs, qlonglong(state.roster.Count()),
                rows.Count());
    if (!reference)
        return;

    // The reference: each line looked for in the whole joined text, as written.
    constexpr int kSample = 200;
    const QString text = roster.join(QStringLiteral("\r\n"));
    t.restart();
    int found = 0;
    for (int i = 0; i < kSample; ++i)
        found += text.contains(file[i * (kSize / kSample) + 1]) ? 1 : 0;
    const double plainMs = Ms(t) / kSample * kSize;
    // The same with the roster's text joined again for every line, as a live text would be.
    constexpr int kRejoined = 20;
    t.restart();
    for (int i = 0; i < kRejoined; ++i)
        found += roster.join(QStringLiteral("\r\n")).contains(file[i * (kSize / kRejoined) + 1]) ? 1 : 0;
    const double rejoinedMs = Ms(t) / kRejoined * kSize;
    t.restart();
    const kiv::imports::SubstringIndex index(text);
    const double indexMs = Ms(t);
    std::printf("  of which the index of the roster's text (%lld characters): %.0f ms\n"
                "  plain search of each line in the roster's text: about %.0f s (%d lines timed)\n"
                "  the same, the text joined again for each line: about %.0f s (%d lines timed, %d found)\n",
                qlonglong(text.size()), indexMs, plainMs / 1000, kSample, rejoinedMs / 1000, kRejoined, found);
}

void BenchBlackList(const QTemporaryDir &dir)
{
    constexpr int kSize = 10000;
    AppState state;
    QStringList notes;
    QStringList file;
    for (int i = 0; i < kSize; ++i) {
        notes.append(Id(2 * i) + QStringLiteral("=\t1\t2\t0\t0\t0\tnote %1").arg(i));
        // Half known IDs (ranks 0–9 in turn), half new ones.
        file.append(Id(i) + QStringLiteral("=\t0\t%1\t0\t0\t0\tblack %2\tsecond line").arg(i % 10).arg(i));
    }
    state.idNotes.Assign(notes);
    const QString path = dir.filePath(QStringLiteral("Black.lst"));
    if (!Save(file, path))
        return;
    const double ms = TimedImport(
        [&](IPrompts &prompts, IInfoOutput &info) { kiv::imports::ImportBlackList(state, path, prompts, info); });
    std::printf("Black list import, %d lines into %d notes: %.1f ms (notes now %lld)\n", kSize, kSize, ms,
                qlonglong(state.idNotes.Count()));
}

void BenchItemTable(const QTemporaryDir &dir)
{
    constexpr int kSize = 100000;
    AppState state;
    QStringList db;
    QStringList file;
    for (int i = 0; i < kSize; ++i) {
        db.append(QStringLiteral("アイテム%1=\t不明\t☆03\tメモ").arg(2 * i));
        file.append(QStringLiteral("武器\t☆%1\tアイテム%2\tnote ").arg(i % 16, 2, 10, QLatin1Char('0')).arg(i));
    }
    state.itemDb.Assign(db);
    const QString path = dir.filePath(QStringLiteral("ItemDB.TSV"));
    if (!Save(file, path))
        return;
    const double ms = TimedImport(
        [&](IPrompts &prompts, IInfoOutput &info) { kiv::imports::ImportItemTable(state, path, prompts, info); });
    std::printf("Item table import, %d lines into %d items: %.1f ms (items now %lld)\n", kSize, kSize, ms,
                qlonglong(state.itemDb.Count()));
}

} // namespace

int main(int argc, char **argv)
{
    // As the program does at start.
    kiv::memory::KeepFreedMemoryForReuse();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    NullInfo hidden;
    BenchRoster(dir, hidden, true);
    WindowInfo shown;
    BenchRoster(dir, shown, false);
    BenchBlackList(dir);
    BenchItemTable(dir);
    return 0;
}
