#include "core/AppState.h"
#include "roster/RosterRowsModel.h"
#include "roster/RosterTracker.h"
#include "support/FakeInfoOutput.h"

#include <QAbstractItemModelTester>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

class FakeRosterTimer final : public IRosterTimer
{
public:
    bool ProgramActive() const override { return active; }
    void StopRosterTimer() override { events.append(u"stop"_s); }
    void RestartRosterTimer() override { events.append(u"restart"_s); }
    bool active = false;
    QStringList events;
};

struct Fixture
{
    Fixture(const QStringList &roster, const QStringList &notes, bool visible)
    {
        state.roster.Assign(roster);
        state.idNotes.Assign(notes);
        state.rankNames[1] = u"同伴あり"_s;
        state.rankNames[8] = u"注意人物"_s;
        state.rankNames[9] = u"危険人物"_s;
        info.visible = visible;
    }
    void See(const QStringList &sightings)
    {
        for (const QString &s : sightings)
            tracker.MarkActive(s.section(u'|', 0, 0), s.section(u'|', 1));
        model.Flush();
    }
    QStringList Rows() const
    {
        QStringList rows;
        for (int r = 0; r < model.Count(); ++r)
            rows.append((QStringList{model.Caption(r)} + model.Values(r)).join(u'|'));
        return rows;
    }

    AppState state;
    RosterRowsModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    FakeInfoOutput info;
    FakeRosterTimer timer;
    QStringList beeps;
    RosterTracker tracker{state, model, {info, timer, [this](const QString &b) { beeps.append(b); }}};
};

const QStringList kNoteRank8{u"12345678=\t0\t8\t0\t0\t0\tline one\tline two"_s};
const QString kAnnounced8 = u"■注意人物\n12345678 : Eve\nline one\nline two\n"_s;

} // namespace

class TestRoster : public QObject
{
    Q_OBJECT
private slots:
    void markActive_data();
    void markActive();
    void announcement_data();
    void announcement();
    void doubleClick_data();
    void doubleClick();
    void timerRule_data();
    void timerRule();
    void drawing_data();
    void drawing();
};

void TestRoster::markActive_data()
{
    QTest::addColumn<QStringList>("roster");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QStringList>("sightings");
    QTest::addColumn<QStringList>("rosterAfter");
    QTest::addColumn<QStringList>("info");
    QTest::addColumn<QStringList>("rows");

    const QStringList zed{u"11111111=\tZed"_s};
    QTest::newRow("empty roster ignores sightings")
        << QStringList() << true << QStringList{u"12345678|Alice"_s} << QStringList() << QStringList() << QStringList();
    QTest::newRow("the sent marker is no name")
        << zed << true << QStringList{u"12345678|送信"_s} << zed << QStringList() << QStringList();
    QTest::newRow("Alice, then Al, then Alicia")
        << zed << true << QStringList{u"12345678|Alice"_s, u"12345678|Al"_s, u"12345678|Alicia"_s}
        << QStringList{u"11111111=\tZed"_s, u"12345678=\tAlice\tAlicia"_s}
        << QStringList{u"@who Add 12345678 Alice"_s, u"@who Add 12345678 Alicia"_s}
        << QStringList{u"12345678|Alicia|Alice|Alicia"_s};
    QTest::newRow("known names change only the latest")
        << QStringList{u"12345678=\tBob\tRob"_s} << true
        << QStringList{u"12345678|Rob"_s, u"12345678|Rob"_s, u"12345678|Bob"_s}
        << QStringList{u"12345678=\tBob\tRob"_s} << QStringList() << QStringList{u"12345678|Bob|Bob|Rob"_s};
    QTest::newRow("one row per ID, case ignored")
        << zed << true << QStringList{u"abcdef01|X"_s, u"ABCDEF01|X"_s}
        << QStringList{u"11111111=\tZed"_s, u"abcdef01=\tX"_s} << QStringList{u"@who Add abcdef01 X"_s}
        << QStringList{u"abcdef01|X|X"_s};
    QTest::newRow("ID without an entry shows its name alone")
        << zed << true << QStringList{u"99999999|"_s, u"11111111|"_s} << zed << QStringList()
        << QStringList{u"99999999|"_s, u"11111111||Zed"_s};
    QTest::newRow("value without its leading TAB keeps its first name")
        << QStringList{u"12345678=Bob"_s} << true << QStringList{u"12345678|Rob"_s}
        << QStringList{u"12345678=Bob\tRob"_s} << QStringList{u"@who Add 12345678 Rob"_s}
        << QStringList{u"12345678|Rob|Bob|Rob"_s};
    QTest::newRow("IDs that cannot be keys are ignored; names lose TABs")
        << zed << true << QStringList{u"|Ghost"_s, u"12=45678|Ghost"_s, u"12345678|Tab\tName"_s}
        << QStringList{u"11111111=\tZed"_s, u"12345678=\tTabName"_s}
        << QStringList{u"@who Add 12345678 TabName"_s} << QStringList{u"12345678|TabName|TabName"_s};
    QTest::newRow("hidden info window gets no lines")
        << zed << false << QStringList{u"12345678|Alice"_s}
        << QStringList{u"11111111=\tZed"_s, u"12345678=\tAlice"_s} << QStringList()
        << QStringList{u"12345678|Alice|Alice"_s};
}

void TestRoster::markActive()
{
    QFETCH(QStringList, roster);
    QFETCH(bool, visible);
    QFETCH(QStringList, sightings);
    Fixture f(roster, {}, visible);
    f.See(sightings);
    QTEST(f.state.roster.Lines(), "rosterAfter");
    QTEST(f.info.lines, "info");
    QTEST(f.Rows(), "rows");
    QVERIFY(f.beeps.isEmpty());
}

void TestRoster::announcement_data()
{
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QStringList>("sightings");
    QTest::addColumn<QStringList>("info");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<unsigned>("text");
    QTest::addColumn<unsigned>("background");

    const QStringList twice{u"12345678|Eve"_s, u"12345678|Eve"_s};
    // A sighting that finds its announcement already shown resets the colours.
    QTest::newRow("rank 8 with a two-line note, once")
        << kNoteRank8 << true << twice << QStringList{kAnnounced8} << 1 << 0u << 0xFFFFFFu;
    QTest::newRow("hidden window: colours only")
        << kNoteRank8 << false << twice << QStringList() << 0 << 0x00FFFFu << 0x333333u;
    QTest::newRow("the next sighting resets the colours")
        << kNoteRank8 << true << QStringList{u"12345678|Eve"_s, u"22222222|Amy"_s} << QStringList{kAnnounced8} << 1
        << 0u << 0xFFFFFFu;
    QTest::newRow("rank 5 is not announced")
        << QStringList{u"12345678=\t0\t5\t0\t0\t0\tnote"_s} << true << twice << QStringList() << 0 << 0u << 0xFFFFFFu;
    QTest::newRow("rank beyond 9 counts as 0")
        << QStringList{u"12345678=\t0\t12\t0\t0\t0\tnote"_s} << true << twice << QStringList() << 0 << 0u << 0xFFFFFFu;
    QTest::newRow("no note, no announcement")
        << QStringList{u"12345678=\t0\t9\t0\t0\t0"_s} << true << twice << QStringList() << 0 << 0u << 0xFFFFFFu;
    QTest::newRow("a new name: the announcement replaces the add line")
        << kNoteRank8 << true << QStringList{u"12345678|Evelyn"_s}
        << QStringList{u"■注意人物\n12345678 : Evelyn\nline one\nline two\n"_s} << 1 << 0x00FFFFu << 0x333333u;
    QTest::newRow("wider numbers keep the note whole")
        << QStringList{u"12345678=\t1\t9\t10\t0\t0\tdanger"_s} << true << twice
        << QStringList{u"■危険人物\n12345678 : Eve\ndanger\n"_s} << 1 << 0u << 0xFFFFFFu;
}

void TestRoster::announcement()
{
    QFETCH(QStringList, notes);
    QFETCH(bool, visible);
    QFETCH(QStringList, sightings);
    Fixture f({u"12345678=\tEve"_s, u"22222222=\tAmy"_s}, notes, visible);
    f.See(sightings);
    QTEST(f.info.lines, "info");
    QTEST(int(f.beeps.size()), "beeps");
    QVERIFY(f.beeps.isEmpty() || f.beeps == QStringList(f.beeps.size(), u"@beep0"_s));
    QTEST(f.info.textColour, "text");
    QTEST(f.info.backgroundColour, "background");
}

void TestRoster::doubleClick_data()
{
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QStringList>("info");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<unsigned>("background");

    const QStringList rank1{u"12345678=\t1\t1\t0\t0\t0\tparty\tfriend"_s};
    QTest::newRow("rank 1 with a note, framed, once")
        << rank1 << true << QStringList{u"■■■同伴あり■■■\n12345678 : Eve\tEva\nparty\nfriend\n"_s} << 1 << 0xFFFFFFu;
    QTest::newRow("hidden window still sounds") << rank1 << false << QStringList() << 2 << 0xEE00EEu;
    QTest::newRow("rank 0 says nothing")
        << QStringList{u"12345678=\t0\t0\t0\t0\t0\tnote"_s} << true << QStringList() << 0 << 0xFFFFFFu;
    QTest::newRow("no note says nothing")
        << QStringList{u"12345678=\t0\t3\t0\t0\t0"_s} << true << QStringList() << 0 << 0xFFFFFFu;
}

void TestRoster::doubleClick()
{
    QFETCH(QStringList, notes);
    QFETCH(bool, visible);
    Fixture f({u"12345678=\tEve\tEva"_s}, notes, visible);
    f.See({u"12345678|Eve"_s});
    f.tracker.RowDoubleClicked(0);
    f.tracker.RowDoubleClicked(0);
    f.tracker.RowDoubleClicked(5); // no such row
    QTEST(f.info.lines, "info");
    QTEST(int(f.beeps.size()), "beeps");
    QTEST(f.info.backgroundColour, "background");
}

void TestRoster::timerRule_data()
{
    QTest::addColumn<QStringList>("roster");
    QTest::addColumn<bool>("active");
    QTest::addColumn<QStringList>("events");

    const QStringList zed{u"11111111=\tZed"_s};
    QTest::newRow("active program stops the timer") << zed << true << QStringList{u"stop"_s, u"stop"_s, u"stop"_s};
    QTest::newRow("another program in front restarts it")
        << zed << false << QStringList{u"restart"_s, u"restart"_s, u"stop"_s};
    QTest::newRow("empty roster leaves it") << QStringList() << false << QStringList{u"stop"_s};
}

void TestRoster::timerRule()
{
    QFETCH(QStringList, roster);
    QFETCH(bool, active);
    Fixture f(roster, {}, true);
    f.timer.active = active;
    f.See({u"11111111|Zed"_s});
    f.tracker.RowDoubleClicked(0);
    f.tracker.TimerTick();
    QTEST(f.timer.events, "events");
    QCOMPARE(f.model.Count(), 0);
}

void TestRoster::drawing_data()
{
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("look"); // per column: text/background, B for blue bold

    QTest::newRow("rank 1 ID, latest name blue and bold")
        << QStringList{u"12345678=\t0\t1\t0\t0\t0"_s} << u"Eva"_s << u"ffffff/ee00ee B - B"_s;
    QTest::newRow("no latest name: nothing bold") << QStringList() << QString() << u"0/ffffff - - -"_s;
    QTest::newRow("hand-edited rank draws as 0")
        << QStringList{u"12345678=\t0\t-3\t0\t0\t0"_s} << u"Eve"_s << u"0/ffffff B B -"_s;
}

void TestRoster::drawing()
{
    QFETCH(QStringList, notes);
    QFETCH(QString, name);
    Fixture f({u"12345678=\tEve\tEva"_s}, notes, true);
    f.See({u"12345678|"_s + name});
    QStringList look;
    look << QString::number(f.model.index(0, 0).data(RosterRowsModel::TextColourRole).toUInt(), 16) + u'/' +
                QString::number(f.model.index(0, 0).data(RosterRowsModel::BackgroundColourRole).toUInt(), 16);
    for (int c = 1; c <= 3; ++c) {
        const QModelIndex cell = f.model.index(0, c);
        const bool blueBold = cell.data(RosterRowsModel::BoldRole).toBool() &&
                              cell.data(RosterRowsModel::TextColourRole).toUInt() == 0xFF3333u;
        look << (blueBold ? u"B"_s : u"-"_s);
    }
    QTEST(look.join(u' '), "look");
}

QTEST_GUILESS_MAIN(TestRoster)
#include "tst_roster.moc"
