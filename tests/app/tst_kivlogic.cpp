#include "app/ChatRowText.h"
#include "app/KivLogic.h"
#include "logs/ChatRowsModel.h"
#include "logs/LogLine.h"
#include "support/FakeClock.h"
#include "support/FakeInfoOutput.h"
#include "support/FakeSeams.h"
#include "support/ScriptedPrompts.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

QString Record(const QString &speaker, const QString &text, const QString &kind = u"<Public>"_qs)
{
    return u"12:00:00\t"_qs + kind + u'\t' + speaker + u"\r\n"_qs + text + u"\r\n\r\n"_qs;
}

} // namespace

// The program's logic as the log reading and the windows drive it: rows in batches,
// commands of the user's own lines, typed commands and re-runs.
class TestKivLogic : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        Fixture()
        {
            state.ownId = u"12345678"_qs;
            state.beepFiles[0] = u"alarm.wav"_qs;
            state.programFolder = u"/prog/"_qs;
        }
        AppState state;
        ChatRowsModel model;
        QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
        FakeInfoOutput info;
        FakeStatusText status;
        ScriptedPrompts prompts;
        FakeDesktop desktop;
        FakeSound sound;
        FakeClock clock;
        KivLogic logic{state, model, KivLogic::Seams{info, status, prompts, desktop, sound, clock}};
    };

private slots:
    void blockArrivesInOneInsert();
    void liveRowsShownOncePerFrame_data();
    void liveRowsShownOncePerFrame();
    void ownLiveCalcRunsOthersDoNot();
    void replayRunsNothing();
    void calcShorthandTypedInTheGame();
    void setupRegistersOnlyWhileNoIdIsKnown();
    void typedCommandLine();
    void typedTextWithoutKeyword();
    void typedControlsBecomeBlanks_data();
    void typedControlsBecomeBlanks();
    void searchPlaysSlotZero();
    void rerunByKeyword();
    void infoCommandFromTheChat();
    void severalCommandsInOneLine();
    void mailRows();
    void itemListWithoutItemWindows();
};

void TestKivLogic::blockArrivesInOneInsert()
{
    Fixture f;
    QSignalSpy inserted(&f.model, &QAbstractItemModel::rowsInserted);
    f.logic.ProcessChatText(Record(u"Taro(11111111)"_qs, u"hello"_qs) + Record(u"Hana(22222222)"_qs, u"hi"_qs),
                            ProcessingMode::Replay);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(f.model.Count(), 2);
    const LogLineRecord row = f.model.Row(1);
    QCOMPARE(row.id, u"22222222"_qs);
    QCOMPARE(row.name, u"Hana"_qs);
    QCOMPARE(row.text, u"hi"_qs);
    QCOMPARE(row.tag, u"<Public>"_qs);
}

void TestKivLogic::liveRowsShownOncePerFrame_data()
{
    // Steps: "live:" or "replay:" a record with that text, "scroll" (the reading's end),
    // "typed:" a command line, "show" waits until every row so far is shown.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("shownAtOnce"); // rows in the view right after the steps
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("inserts");
    QTest::addColumn<int>("scrolls");
    // The first reading after a quiet spell is shown as soon as it ends; readings within
    // the frame after a show wait for its end and go together.
    QTest::newRow("one reading") << QStringList{u"live:a"_qs, u"scroll"_qs} << 1 << QStringList{u"a"_qs} << 1 << 1;
    QTest::newRow("readings close together")
        << QStringList{u"live:a"_qs, u"scroll"_qs, u"live:b"_qs, u"scroll"_qs, u"live:c"_qs, u"scroll"_qs} << 1
        << QStringList{u"a"_qs, u"b"_qs, u"c"_qs} << 2 << 2;
    QTest::newRow("readings in the frame after a show")
        << QStringList{u"live:a"_qs, u"scroll"_qs, u"show"_qs, u"live:b"_qs, u"scroll"_qs, u"live:c"_qs, u"scroll"_qs}
        << 1 << QStringList{u"a"_qs, u"b"_qs, u"c"_qs} << 2 << 2;
    QTest::newRow("a typed command shows the waiting rows before its own")
        << QStringList{u"live:a"_qs, u"scroll"_qs, u"live:b"_qs, u"scroll"_qs, u"typed:@calc 1+1"_qs} << 3
        << QStringList{u"a"_qs, u"b"_qs, u"@calc 1+1"_qs} << 2 << 2;
    QTest::newRow("a replay is shown at once, after the waiting rows")
        << QStringList{u"live:a"_qs, u"scroll"_qs, u"live:b"_qs, u"scroll"_qs, u"replay:c"_qs} << 3
        << QStringList{u"a"_qs, u"b"_qs, u"c"_qs} << 2 << 2;
    QTest::newRow("a reading without a scroll") << QStringList{u"live:a"_qs} << 0 << QStringList{u"a"_qs} << 1 << 0;
}

void TestKivLogic::liveRowsShownOncePerFrame()
{
    QFETCH(QStringList, steps);
    QFETCH(int, shownAtOnce);
    QFETCH(QStringList, rows);
    QFETCH(int, inserts);
    QFETCH(int, scrolls);
    Fixture f;
    f.logic.SetRowFrame(std::chrono::milliseconds(16));
    int scrolled = 0;
    f.logic.onScrollToLastRow = [&scrolled] { ++scrolled; };
    QSignalSpy inserted(&f.model, &QAbstractItemModel::rowsInserted);
    int added = 0;
    for (const QString &step : steps) {
        const QString text = step.section(u':', 1);
        if (step.startsWith(u"live:"_qs) || step.startsWith(u"replay:"_qs)) {
            f.logic.ProcessChatText(Record(u"Taro(11111111)"_qs, text),
                                    step.startsWith(u'l') ? ProcessingMode::Live : ProcessingMode::Replay);
            ++added;
        } else if (step.startsWith(u"typed:"_qs)) {
            f.logic.SubmitCommandLine(text, kCommandKindInput);
            ++added;
        } else if (step == u"scroll"_qs) {
            f.logic.ScrollToLastRow();
        } else {
            QTRY_COMPARE(f.model.Count(), added);
        }
    }
    QCOMPARE(f.model.Count(), shownAtOnce);
    QTRY_COMPARE(f.model.Count(), int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        QCOMPARE(f.model.Row(r).text, rows[r]);
    QCOMPARE(inserted.size(), inserts);
    QCOMPARE(scrolled, scrolls);
}

void TestKivLogic::ownLiveCalcRunsOthersDoNot()
{
    Fixture f;
    f.logic.ProcessChatText(Record(u"Other(99999999)"_qs, u"@calc 1+1"_qs), ProcessingMode::Live);
    QVERIFY(f.status.texts.isEmpty());
    QCOMPARE(f.model.Row(0).tag, u"@calc"_qs);
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@calc 1+1"_qs), ProcessingMode::Live);
    QCOMPARE(f.status.StatusText(), u"　@calc 1+1=2"_qs);
    // With the info window shown the answer goes there instead.
    f.info.visible = true;
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@calc (1200+800)/3"_qs), ProcessingMode::Live);
    QCOMPARE(f.info.lines, (QStringList{u"@calc (1200+800)/3"_qs, u"=666.6667"_qs}));
}

void TestKivLogic::replayRunsNothing()
{
    Fixture f;
    f.info.visible = true;
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@calc 2*3 @beep0 @info"_qs), ProcessingMode::Replay);
    QVERIFY(f.info.lines.isEmpty());
    QVERIFY(f.sound.played.isEmpty());
    QVERIFY(f.info.visible);
    QCOMPARE(f.model.Count(), 1);
}

void TestKivLogic::calcShorthandTypedInTheGame()
{
    Fixture f;
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@5*3"_qs), ProcessingMode::Live);
    QCOMPARE(f.model.Row(0).text, u"@calc 5*3"_qs);
    QCOMPARE(f.model.Row(0).tag, u"@calc"_qs);
    QCOMPARE(f.status.StatusText(), u"　@calc 5*3=15"_qs);
}

void TestKivLogic::setupRegistersOnlyWhileNoIdIsKnown()
{
    Fixture f;
    f.state.ownId = kNoOwnId;
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@setup"_qs), ProcessingMode::Replay);
    QCOMPARE(f.state.ownId, kNoOwnId);
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@setup"_qs), ProcessingMode::Live);
    QCOMPARE(f.state.ownId, u"12345678"_qs);
    QCOMPARE(f.info.lines, QStringList{u"@setup ID:12345678 で登録されました。"_qs});
    f.logic.ProcessChatText(Record(u"You(87654321)"_qs, u"@setup"_qs), ProcessingMode::Live);
    QCOMPARE(f.state.ownId, u"12345678"_qs);
}

void TestKivLogic::typedCommandLine()
{
    Fixture f;
    int scrolled = 0;
    f.logic.onScrollToLastRow = [&scrolled] { ++scrolled; };
    f.logic.SubmitCommandLine(u"@calc 2*21"_qs, kCommandKindInput);
    QCOMPARE(f.model.Count(), 1);
    const LogLineRecord row = f.model.Row(0);
    QCOMPARE(row.time, u"00:00:00"_qs);
    QCOMPARE(row.id, u"12345678"_qs);
    QVERIFY(row.name.isEmpty());
    QCOMPARE(row.tag, u"@calc"_qs);
    QCOMPARE(f.status.StatusText(), u"　@calc 2*21=42"_qs);
    QCOMPARE(scrolled, 1);
}

void TestKivLogic::typedTextWithoutKeyword()
{
    Fixture f;
    f.logic.SubmitCommandLine(u"just words"_qs, kCommandKindInput);
    QCOMPARE(f.model.Count(), 1);
    QCOMPARE(f.model.Row(0).text, u"just words"_qs);
    QCOMPARE(f.model.Row(0).tag, kCommandKindInput);
    QVERIFY(f.status.texts.isEmpty());
    // An empty text adds nothing.
    f.logic.SubmitCommandLine(QString(), kCommandKindInput);
    QCOMPARE(f.model.Count(), 1);
}

void TestKivLogic::typedControlsBecomeBlanks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tag");
    QTest::newRow("TAB") << u"@calc 1\t+2"_qs << u"@calc 1 +2"_qs << u"@calc"_qs;
    QTest::newRow("CR LF") << u"@who search\r\nbob"_qs << u"@who search  bob"_qs << u"@who"_qs;
    QTest::newRow("LF") << u"hello\nworld"_qs << u"hello world"_qs << kCommandKindInput;
    QTest::newRow("CR") << u"hello\rworld"_qs << u"hello world"_qs << kCommandKindInput;
    QTest::newRow("record inside") << u"x\r\n12:00:00\t<Public>\tEve(99999999)\r\ny"_qs
                                   << u"x  12:00:00 <Public> Eve(99999999)  y"_qs << kCommandKindInput;
}

void TestKivLogic::typedControlsBecomeBlanks()
{
    // Pasted into the command input: one row of the own ID, never rows without one.
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(QString, tag);
    Fixture f;
    f.logic.SubmitCommandLine(typed, kCommandKindInput);
    QCOMPARE(f.model.Count(), 1);
    const LogLineRecord row = f.model.Row(0);
    QCOMPARE(row.id, u"12345678"_qs);
    QCOMPARE(row.text, text);
    QCOMPARE(row.tag, tag);
}

void TestKivLogic::searchPlaysSlotZero()
{
    Fixture f;
    f.logic.SubmitSearch(u"@who search taro"_qs);
    QCOMPARE(f.model.Count(), 1);
    QCOMPARE(f.model.Row(0).tag, u"@who"_qs);
    QCOMPARE(f.sound.played, QStringList{u"/prog/sound/alarm.wav"_qs});
    f.logic.SubmitSearch(QString());
    QCOMPARE(f.sound.played.size(), 1);
}

void TestKivLogic::rerunByKeyword()
{
    // A row of anybody's runs again by double-click, with its text as shown.
    Fixture f;
    f.logic.ProcessChatText(Record(u"Other(99999999)"_qs, u"@CALC 2*3"_qs), ProcessingMode::Live);
    QVERIFY(f.status.texts.isEmpty());
    const LogLineRecord row = f.model.Row(0);
    f.logic.RunCommand(row.tag, row.text);
    QCOMPARE(f.status.StatusText(), u"　@CALC 2*3=6"_qs);
    // Unknown keywords do nothing; a web link opens its address.
    f.logic.RunCommand(u"@nothing"_qs, u"x"_qs);
    f.logic.RunCommand(u"@http"_qs, u"http://example.invalid"_qs);
    QCOMPARE(f.status.texts.size(), 1);
    QCOMPARE(f.desktop.opened, QStringList{u"http://example.invalid"_qs});
}

void TestKivLogic::infoCommandFromTheChat()
{
    Fixture f;
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@info size 300 100"_qs), ProcessingMode::Live);
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@info alpha 180"_qs), ProcessingMode::Live);
    QCOMPARE(f.info.width, 300);
    QCOMPARE(f.info.height, 100);
    QCOMPARE(f.info.alpha, 180);
    // The same lines from another player change nothing.
    Fixture g;
    g.logic.ProcessChatText(Record(u"Other(99999999)"_qs, u"@info size 300 100"_qs), ProcessingMode::Live);
    g.logic.ProcessChatText(Record(u"Other(99999999)"_qs, u"@info alpha 180"_qs), ProcessingMode::Live);
    QCOMPARE(g.info.width, 392);
    QCOMPARE(g.info.alpha, 220);
}

void TestKivLogic::severalCommandsInOneLine()
{
    Fixture f;
    f.state.beepFiles[1] = u"p.wav"_qs;
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@calc 1+1 @beep1"_qs), ProcessingMode::Live);
    QCOMPARE(f.model.Row(0).tag, u"@beep"_qs);
    // Both handlers get the whole line: the calculator reads "1+11", and the beep reads
    // every digit (111), a slot above 9, so nothing plays.
    QCOMPARE(f.status.texts.first(), u"　@calc 1+1 @beep1=12"_qs);
    QVERIFY(f.sound.played.isEmpty());
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@beep1"_qs), ProcessingMode::Live);
    QCOMPARE(f.sound.played, QStringList{u"/prog/sound/p.wav"_qs});
}

void TestKivLogic::mailRows()
{
    Fixture f;
    QSignalSpy inserted(&f.model, &QAbstractItemModel::rowsInserted);
    f.logic.ProcessMailText(u"12:00:00\t<Send>\tHana(22222222)\r\nline1\r\nline2\r\nline3\r\n\r\n"_qs,
                            ProcessingMode::Live);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(f.model.Count(), 3);
    for (int r = 0; r < 3; ++r) {
        const LogLineRecord row = f.model.Row(r);
        QCOMPARE(row.id, u"12345678"_qs);
        QCOMPARE(row.name, u"送信"_qs);
        QCOMPARE(row.tag, u"%<Send>"_qs);
        QCOMPARE(row.text, u"line%1"_qs.arg(r + 1));
    }
}

void TestKivLogic::itemListWithoutItemWindows()
{
    // Before the main window hands over its item windows, the item command still runs.
    Fixture f;
    f.state.itemDb.Add(u"鉄の剣=\t武器\t☆03"_qs);
    f.state.itemDb.Add(u"竜のうろこ=\t素材\t☆07"_qs);
    f.logic.RunCommand(u"@item"_qs, u"@item list"_qs);
    QCOMPARE(f.model.Count(), 2);
}

QTEST_GUILESS_MAIN(TestKivLogic)
#include "tst_kivlogic.moc"
