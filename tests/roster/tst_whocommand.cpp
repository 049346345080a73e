#include "app/KivLogic.h"
#include "logs/ChatProcessor.h"
#include "logs/ChatRowsModel.h"
#include "logs/Cp932LogScan.h"
#include "logs/DayNames.h"
#include "logs/LogNamesPass.h"
#include "logs/LogReader.h"
#include "roster/RosterRowsModel.h"
#include "roster/RosterTracker.h"
#include "support/FakeClock.h"
#include "support/FakeInfoOutput.h"
#include "support/FakeSeams.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

struct FakeRosterTimer final : IRosterTimer
{
    bool ProgramActive() const override { return true; }
    void StopRosterTimer() override {}
    void RestartRosterTimer() override {}
};

// Records what the command asks of the window; `onProgress` stands for the events a
// rebuild lets through.
struct FakeWhoWindow final : IWhoWindow
{
    explicit FakeWhoWindow(RosterRowsModel &rows) : rows(rows) {}
    void ApplyStyleChange() override { events.append(u"layout"_s); }
    void ClearRosterRows() override { rows.Clear(); }
    void SetRosterRedraw(bool) override {}
    void RebuildProgress(int done, int total) override
    {
        events.append(u"%1/%2"_s.arg(done).arg(total));
        if (onProgress)
            onProgress();
    }
    void RebuildEnded() override { events.append(u"ended"_s); }
    void ReadLogsNow() override { events.append(u"read"_s); }
    RosterRowsModel &rows;
    QStringList events;
    std::function<void()> onProgress;
};

struct Fixture
{
    Fixture()
    {
        state.ownId = u"12345678"_s;
        state.logDir = dir.path() + u'/';
        logic.SetSightings(&tracker);
        logic.Who().SetWindow(&window);
    }
    void Write(const QString &name, const QString &text) { testfiles::Write(dir.filePath(name), testfiles::Cp932(text)); }
    QStringList Rows()
    {
        QStringList rows;
        for (int r = 0; r < whoRows.Count(); ++r)
            rows.append((QStringList{whoRows.Caption(r)} + whoRows.Values(r)).join(u'|'));
        return rows;
    }

    QTemporaryDir dir;
    AppState state;
    ChatRowsModel chatRows;
    RosterRowsModel whoRows;
    FakeInfoOutput info;
    FakeStatusText status;
    ScriptedPrompts prompts;
    FakeDesktop desktop;
    FakeSound sound;
    FakeClock clock; // 2026-12-07
    FakeRosterTimer timer;
    RosterTracker tracker{state, whoRows, {info, timer, {}}};
    FakeWhoWindow window{whoRows};
    KivLogic logic{state, chatRows, KivLogic::Seams{info, status, prompts, desktop, sound, clock}};
};

QString Chat(const QString &speaker) { return u"12:00:00\t<Public>\t"_s + speaker + u"\r\nhi\r\n\r\n"_s; }
QString Act(const QString &id, const QString &name, const QString &item, const QString &count = u"(1)"_s)
{
    return u"09:00:00\t"_s + id + u'\t' + name + u"\t[pickup]\t-\t"_s + item + count + u"\r\n"_s;
}

const QString kNote8 = u"33333333=\t0\t8\t0\t0\t0\tnote"_s;
const QString kNote3 = u"55555555=\t0\t3\t0\t0\t0\tpal"_s;
const QStringList kRoster{u"11111111=\tBob"_s, u"22222222=\tBOBBY\tRob"_s, u"33333333=\tBob Smith"_s};

} // namespace

class TestWhoCommand : public QObject
{
    Q_OBJECT
private slots:
    void keywords_data();
    void keywords();
    void makeup_data();
    void makeup();
    void rebuildHoldsReadingsBack_data();
    void rebuildHoldsReadingsBack();
    void linesWrittenDuringRebuildAreRead();
    void pairsComeInListOrder_data();
    void pairsComeInListOrder();
    void byteReadingAgreesWithDecoded_data();
    void byteReadingAgreesWithDecoded();
    void piecesAgreeWithWholeFile_data() { byteReadingAgreesWithDecoded_data(); }
    void piecesAgreeWithWholeFile();
    void threadsGiveTheSameRebuild_data();
    void threadsGiveTheSameRebuild();
    void seenFieldsAgreeWithASet_data();
    void seenFieldsAgreeWithASet();
    void passesStartAfresh();
    void decodedFieldsAreDecodedOnce();
};

void TestWhoCommand::keywords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QStringList>("info");  // after the echo
    QTest::addColumn<QStringList>("rows");  // 11111111 was seen as Bob first
    QTest::addColumn<int>("style");         // starts at 0

    const QString found = u"』で検索した結果"_s;
    const QStringList bobRow{u"11111111|Bob|Bob"_s};
    const QStringList usage{u"uses: @who find [ID]"_s, u"uses: @who search [NAME]"_s, u"uses: @who listup"_s,
                            u"uses: @who makeup"_s};
    QTest::newRow("alone, shown") << u"@who"_s << true << usage << bobRow << 0;
    QTest::newRow("alone, hidden") << u"@who"_s << false << QStringList() << bobRow << 0;
    QTest::newRow("listup is list") << u"@who listup"_s << true << QStringList{u"@whoウインドウにリストを表示しました"_s}
                                    << QStringList{u"11111111||Bob"_s, u"22222222||BOBBY|Rob"_s, u"33333333||Bob Smith"_s}
                                    << 0;
    QTest::newRow("search, case ignored")
        << u"@who search bob"_s << true << QStringList{u"『bob"_s + found + u"3件のIDがみつかりました。"_s}
        << QStringList{u"11111111||Bob"_s, u"22222222||BOBBY|Rob"_s, u"33333333||Bob Smith"_s} << 0;
    QTest::newRow("search, quoted blank") << u"@who search \"BOB SMITH\""_s << true
                                          << QStringList{u"『bob smith"_s + found + u"1件のIDがみつかりました。"_s}
                                          << QStringList{u"33333333||Bob Smith"_s} << 0;
    QTest::newRow("search, two words") << u"@who search bob smith"_s << true << QStringList() << bobRow << 0;
    QTest::newRow("search alone") << u"@who search"_s << true << QStringList{u"uses: @who search [NAME]"_s}
                                  << bobRow << 0;
    QTest::newRow("find empties the name") << u"@who\u3000find\u300011111111"_s << true << QStringList()
                                           << QStringList{u"11111111||Bob"_s} << 0;
    QTest::newRow("find unknown ID") << u"@who find 99999999"_s << true << QStringList() << bobRow << 0;
    QTest::newRow("find, extra word") << u"@who find 22222222 x"_s << true << QStringList() << bobRow << 0;
    QTest::newRow("find alone") << u"@who find"_s << true << QStringList{u"uses: @who find [ID]"_s} << bobRow << 0;
    QTest::newRow("right, unchanged") << u"@who right"_s << true << QStringList{u"WindowStyleを変更しました。"_s}
                                      << bobRow << 0;
    QTest::newRow("bottom") << u"@who BOTTOM"_s << false << QStringList{u"WindowStyleを変更しました。"_s} << bobRow
                            << 1;
    QTest::newRow("clear") << u"@who clear"_s << true << QStringList() << QStringList() << 0;
}

void TestWhoCommand::keywords()
{
    QFETCH(QString, text);
    QFETCH(bool, visible);
    QFETCH(QStringList, info);
    QFETCH(QStringList, rows);
    QFETCH(int, style);
    Fixture f;
    f.state.roster.Assign(kRoster);
    f.tracker.MarkActive(u"11111111"_s, u"Bob"_s);
    f.info.visible = visible;
    f.info.lines.clear();
    f.logic.RunCommand(u"@who"_s, text);
    f.whoRows.Flush();
    QCOMPARE(f.info.lines.value(0), text);
    QCOMPARE(f.info.lines.mid(1), info);
    QCOMPARE(f.Rows(), rows);
    QCOMPARE(f.state.style, style);
    QCOMPARE(f.window.events.contains(u"layout"_s), text.contains(u"right"_s) || text.contains(u"BOTTOM"_s));
}

void TestWhoCommand::makeup_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("roster");
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<bool>("itemsLearned");

    // Days 05 to 07 (07 is today); the same chat pair on two days, a line of two fields,
    // a speaker without ID, a name outside the code page.
    QTest::newRow("whole folder")
        << u"@who makeup"_s
        << QStringList{u"11111111=\tBob"_s, u"22222222=\tAnn"_s, u"44444444=\t?ke"_s, u"55555555=\tEve"_s,
                       u"66666666=\tKen"_s}
        << QStringList{kNote8, u"55555555=\t1\t3\t0\t0\t0\tpal"_s, u"44444444=\t1\t1\t0\t0\t0"_s,
                       u"66666666=\t1\t1\t0\t0\t0"_s}
        << QStringList{u"    ADD 11111111 Bob"_s, u"    ADD 22222222 Ann"_s, u"    ADD 44444444 ?ke"_s,
                       u"    ADD 55555555 Eve"_s, u"    ADD 66666666 Ken"_s}
        << true;
    QTest::newRow("close: yesterday and today")
        << u"@who makeup close"_s << QStringList{u"11111111=\tBob"_s, u"66666666=\tKen"_s}
        << QStringList{kNote8, kNote3, u"66666666=\t1\t1\t0\t0\t0"_s}
        << QStringList{u"    ADD 11111111 Bob"_s, u"    ADD 66666666 Ken"_s} << false;
}

void TestWhoCommand::makeup()
{
    QFETCH(QString, command);
    QFETCH(QStringList, roster);
    QFETCH(QStringList, notes);
    QFETCH(QStringList, added);
    QFETCH(bool, itemsLearned);
    Fixture f;
    f.state.idNotes.Assign({kNote8, kNote3});
    f.Write(u"ChatLog_20261205.txt"_s, Chat(u"Ann(22222222)"_s) + u"x\r\n\r\n\r\n"_s + Chat(u"(  )"_s));
    f.Write(u"ChatLog_20261206.txt"_s, Chat(u"Bob(11111111)"_s));
    f.Write(u"chatlog_20261207.TXT"_s, Chat(u"Bob(11111111)"_s) + Chat(u"bob(11111111)"_s));
    testfiles::Write(f.dir.filePath(u"ActionLog_20261205.txt"_s),
                     testfiles::Utf16Le(Act(u"55555555"_s, u"Eve"_s, u"剣"_s) + Act(u"44444444"_s, u"ĳke"_s, u"盾"_s)));
    f.Write(u"ActionLog_20261207.txt"_s, Act(u"66666666"_s, u"Ken"_s, u"剣"_s) + u"a\tb\r\n"_s);
    f.logic.RunCommand(u"@who"_s, command);
    QCOMPARE(f.state.roster.Lines(), roster);
    QCOMPARE(f.state.idNotes.Lines(), notes);
    QCOMPARE(f.info.InfoText().split(u'\n').filter(u"ADD"_s), added);
    QCOMPARE(f.info.lines.last(), u"終了しました"_s);
    QCOMPARE(f.state.itemDb.Count() > 0, itemsLearned);
    QVERIFY(f.logic.Who().RebuildFailures().isEmpty());
}

void TestWhoCommand::rebuildHoldsReadingsBack_data()
{
    QTest::addColumn<bool>("insideReading");
    QTest::newRow("typed") << false;
    QTest::newRow("from a log line") << true;
}

void TestWhoCommand::rebuildHoldsReadingsBack()
{
    QFETCH(bool, insideReading);
    Fixture f;
    f.Write(u"ChatLog_20261206.txt"_s, Chat(u"Bob(11111111)"_s));
    f.Write(u"ActionLog_20261206.txt"_s, Act(u"66666666"_s, u"Ken"_s, u"剣"_s));
    f.state.readingGuard = insideReading;
    QStringList guards;
    f.window.onProgress = [&] {
        guards.append(f.state.readingGuard ? u"held"_s : u"free"_s);
        f.logic.RunCommand(u"@who"_s, u"@who makeup"_s); // refused while one runs
    };
    f.logic.RunCommand(u"@who"_s, u"@who makeup"_s);
    QCOMPARE(guards, QStringList(guards.size(), u"held"_s));
    QCOMPARE(f.window.events.first(), u"0/3"_s);
    QCOMPARE(f.window.events.mid(f.window.events.size() - (insideReading ? 2 : 3)),
             insideReading ? QStringList({u"3/3"_s, u"ended"_s}) : QStringList({u"3/3"_s, u"ended"_s, u"read"_s}));
    QCOMPARE(f.state.readingGuard, insideReading);
    QVERIFY(f.state.readAgain);
    QCOMPARE(f.info.lines.count(u"終了しました"_s), 1);
}

void TestWhoCommand::linesWrittenDuringRebuildAreRead()
{
    // The rebuild runs inside the reading of the user's line; what the game writes
    // meanwhile is read right after, not at the next change.
    Fixture f;
    const QString chat = f.dir.filePath(u"ChatLog_20261207.txt"_s);
    f.Write(u"ChatLog_20261207.txt"_s, QString());
    LogReader reader(f.state, f.logic, f.clock);
    SetDayNames(f.state, f.clock.Now().date());
    reader.FirstShowing();
    bool written = false;
    f.window.onProgress = [&] {
        if (!std::exchange(written, true)) // the game writes once
            testfiles::Append(chat, testfiles::Cp932(Chat(u"Ann(22222222)"_s)));
    };
    testfiles::Append(chat, testfiles::Cp932(Chat(u"Me(12345678)"_s).replace(u"hi"_s, u"@who makeup"_s)));
    reader.ReadNewLogText();
    QCOMPARE(f.chatRows.Count(), 2);
    QCOMPARE(f.chatRows.Row(1).id, u"22222222"_s);
    QVERIFY(!f.state.readingGuard);
}

void TestWhoCommand::pairsComeInListOrder_data()
{
    QTest::addColumn<QStringList>("speakers");
    const QStringList names{u"b"_s, u"ア"_s, u"B"_s, u"あ"_s, u"Ａ"_s, u"a"_s, u"ｱ"_s, u"ｂ"_s, u"表"_s, u"b"_s};
    QStringList oneId;
    for (const QString &name : names)
        oneId.append(name + u"(11111111)"_s);
    QTest::newRow("one ID") << oneId;
    // IDs whose names sort against their digits, IDs of other forms among them.
    QStringList ids;
    const QStringList idForms{u"19999999"_s, u"20000000"_s, u"11111111"_s, u"09999999"_s, u"abcdefgh"_s,
                              u"-1111111"_s, u"１１１１１１１１"_s, u"2000000a"_s, u"1111111 "_s};
    for (int k = 0; k < idForms.size(); ++k)
        ids.append(names[k] + u'(' + idForms[k] + u')');
    ids.append(u"ｚ(20000000)"_s);
    ids.append(u"Z(11111111)"_s);
    ids.append(u"zz"_s);
    QTest::newRow("IDs and other forms") << ids;
    QStringList mostlyIds;
    for (int k = 0; k < 60; ++k)
        mostlyIds.append(names[k % names.size()] + u"(%1)"_s.arg(10000000 + (k * 37) % 23));
    mostlyIds.append(u"Ａ(１０００００１０)"_s);
    mostlyIds.append(u"a(1000001a)"_s);
    QTest::newRow("a few of other forms") << mostlyIds;
}

void TestWhoCommand::pairsComeInListOrder()
{
    // The order and the duplicates of a kept-sorted list, however the rebuild sorts.
    QFETCH(QStringList, speakers);
    Fixture f;
    QString chat;
    TStrDBListUni expected;
    expected.SetSorted(true);
    for (const QString &speaker : speakers) {
        chat += Chat(speaker);
        expected.Add(kiv::logs::IdOfSpeaker(speaker).toString() + u'=' +
                     kiv::logs::NameOfSpeaker(speaker).toString());
    }
    f.Write(u"ChatLog_20261207.txt"_s, chat);
    f.logic.RunCommand(u"@who"_s, u"@who makeup"_s);
    QStringList added;
    for (QString pair : expected.Lines()) {
        if (!KeyOfLine(pair).trimmed().isEmpty() && !ValueOfLine(pair).isEmpty())
            added.append(u"    ADD "_s + pair.replace(u'=', u' '));
    }
    QCOMPARE(f.info.InfoText().split(u'\n').filter(u"ADD"_s), added);
}

void TestWhoCommand::byteReadingAgreesWithDecoded_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("records") << Chat(u"表示(12345678)"_s) + Act(u"1"_s, u"表"_s, u"x"_s);
    QTest::newRow("lone CR and LF") << u"1\t<P>\tA(11111111)\rhi\n\n2\t<P>\tB(22222222)\nyo\r\r"_s;
    QTest::newRow("text ends in )") << u"1\t<P>\tA(11111111)\r\n(a)\r\n2\t<P>\tB(2)\r\n\r\n\r\n3\tx"_s;
    QTest::newRow("empty and trailing fields") << u"1\t\t\t\r\n\t\tC(33333333)\t\r\na\tb\t\r\n)"_s;
    QString across; // field and line ends at every place of a 64-byte block
    for (int k = 0; k < 70; ++k)
        across += Chat(QString(k, u'x') + u"(11111111)"_s) + Act(u"2"_s, QString(k % 9, u'表'), u"y"_s);
    QTest::newRow("ends across blocks") << across;
    QTest::newRow("other control characters are text")
        << u"1\t<P>\tA\x01\x0b(11111111)\r\nx\x0cy\r\n2\t\x08\tB\x0e(2)\r\n"_s + Act(u"3\x07"_s, u"C\x0b"_s, u"z"_s);
    QTest::newRow("NUL ends the text") << u"1\t<P>\tA(11111111)\r\nx\r\n"_s + QChar(0) + u"2\t<P>\tB(22222222)"_s;
}

void TestWhoCommand::byteReadingAgreesWithDecoded()
{
    // Code page files are read from their bytes, marked ones through the decoded text:
    // the same text gives the same pairs either way.
    QFETCH(QString, text);
    Fixture f;
    const auto pairs = [&](const QString &prefix, bool chat) {
        TStrDBListUni list;
        list.SetSorted(true);
        testfiles::Write(f.dir.filePath(prefix + u"1.txt"_s), testfiles::Cp932(text));
        testfiles::Write(f.dir.filePath(prefix + u"2.txt"_s), testfiles::Utf16Le(text));
        QStringList both;
        for (const QString &n : {u"1"_s, u"2"_s}) {
            list.Clear();
            if (chat)
                ChatProcessor(f.state, f.logic).CollectChatNames(f.dir.path(), prefix + n, list);
            else
                CollectActionNames(f.dir.path(), prefix + n, list, f.info);
            both.append(list.Lines().join(u'|'));
        }
        return both;
    };
    const QStringList chat = pairs(u"ChatLog_"_s, true);
    QCOMPARE(chat.at(0), chat.at(1));
    const QStringList action = pairs(u"ActionLog_"_s, false);
    QCOMPARE(action.at(0), action.at(1));
}

void TestWhoCommand::piecesAgreeWithWholeFile()
{
    // Read a few bytes at a time, every piece ends once inside each CR LF, double-byte
    // character, header join and field: the lines are those of the whole file at once.
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"log.txt"_s);
    testfiles::Write(path, testfiles::Cp932(text));
    const QByteArray bytes = testfiles::Cp932(text);
    for (const bool join : {false, true}) {
        const auto record = [](QStringList &lines) {
            return [&lines](const kiv::logs::ByteFields &line) {
                QStringList fields;
                for (int k = 0; k < std::min(line.count, int(kiv::logs::ByteFields::kMaxFields)); ++k)
                    fields.append(QString::fromLatin1(line.field[size_t(k)].toByteArray().toHex()));
                lines.append(QString::number(line.count) + u':' + fields.join(u','));
            };
        };
        QStringList whole;
        kiv::logs::ForEachCp932Line(bytes, join, record(whole));
        for (const int chunk : {4, 5, 6, 7, 9, 64, 100}) {
            QStringList pieces;
            kiv::logs::Cp932LogReader reader(chunk);
            const kiv::logs::LogFileRead read = reader.Read(path, join, record(pieces), [] {});
            QVERIFY(read.ok && read.cp932);
            QCOMPARE(read.size, bytes.size());
            QCOMPARE(pieces, whole);
        }
    }
}

void TestWhoCommand::threadsGiveTheSameRebuild_data()
{
    QTest::addColumn<int>("threads");
    QTest::addColumn<bool>("unreadable");
    QTest::newRow("two") << 2 << false;
    QTest::newRow("five") << 5 << false;
    QTest::newRow("two, a chat log unreadable") << 2 << true;
}

void TestWhoCommand::threadsGiveTheSameRebuild()
{
    // Files read on worker threads are taken in file order: everything a rebuild leaves
    // is what one thread leaves.
    QFETCH(int, threads);
    QFETCH(bool, unreadable);
    const auto rebuild = [unreadable](int count) {
        Fixture f;
        // Opens, but every read of it fails.
        if (unreadable && !QFile::link(u"/proc/self/mem"_s, f.dir.filePath(u"ChatLog_20261105x.txt"_s)))
            return QStringList();
        for (int day = 1; day <= 12; ++day) {
            QString chat;
            QString act;
            for (int k = 0; k < 40 * day; ++k) {
                const QString id = QString::number(10000000 + (k * 7 + day) % 97);
                chat += Chat(u"名%1(%2)"_s.arg(k % (day + 3)).arg(id));
                // One item with several counts, and now and then a field without one.
                act += Act(id, u"N%1"_s.arg(k % 5), u"品%1"_s.arg((k + day) % 13),
                           k % 17 == 0 ? QString() : u"(%1)"_s.arg(k % 4 + 1));
            }
            // An item first met on this day, in a file after others.
            act += Act(u"10000001"_s, u"N"_s, u"日%1"_s.arg(day));
            const QString date = u"202611%1.txt"_s.arg(day, 2, 10, QChar(u'0'));
            f.Write(u"ChatLog_"_s + date, chat);
            f.Write(u"ActionLog_"_s + date, act);
        }
        kiv::logs::g_logScanThreads = count;
        f.logic.RunCommand(u"@who"_s, u"@who makeup"_s);
        // The item names kept from the pair pass are those a scan of its own learns.
        const QStringList learnt = f.state.itemDb.Lines();
        f.state.itemDb.Clear();
        const bool scanned = f.logic.Actions().ScanActionLogsForItems(f.dir.path(), u"ActionLog_"_s, nullptr);
        kiv::logs::g_logScanThreads = 0;
        if (!scanned)
            return QStringList();
        return QStringList{f.info.InfoText(), f.state.roster.Lines().join(u'|'), f.state.idNotes.Lines().join(u'|'),
                           learnt.join(u'|'), f.state.itemDb.Lines().join(u'|'), f.window.events.filter(u"/"_s).last(),
                           f.logic.Who().RebuildFailures().join(u'|')};
    };
    const QStringList one = rebuild(1);
    QVERIFY(!one.isEmpty());
    QCOMPARE(one.last().startsWith(u"ChatLog_20261105x.txt: "_s), unreadable);
    QVERIFY(one.at(0).contains(u"ADD"_s) && one.at(0).contains(u"【ItemDB】"_s));
    QCOMPARE(one.at(3), one.at(4));
    QCOMPARE(rebuild(threads), one);
}

QTEST_GUILESS_MAIN(TestWhoCommand)
void TestWhoCommand::seenFieldsAgreeWithASet_data()
{
    // Fields kept in the table's slots, beside it, and both; sizes around the word and
    // slot limits; enough distinct fields to grow the table several times.
    QTest::addColumn<int>("minSize");
    QTest::addColumn<int>("maxSize");
    QTest::addColumn<int>("distinct");
    QTest::addColumn<bool>("sameEnds");
    QTest::newRow("short") << 0 << 9 << 300 << false;
    QTest::newRow("around the slot size") << 28 << 34 << 3000 << false;
    QTest::newRow("long") << 28 << 90 << 2000 << false;
    QTest::newRow("mixed, many") << 0 << 40 << 20000 << false;
    // Equal first and last eight bytes: only the words between tell them apart.
    QTest::newRow("differing in the middle") << 17 << 40 << 3000 << true;
}

void TestWhoCommand::seenFieldsAgreeWithASet()
{
    QFETCH(int, minSize);
    QFETCH(int, maxSize);
    QFETCH(int, distinct);
    QFETCH(bool, sameEnds);
    // Fields that differ only in their last or first byte, and prefixes of each other.
    std::vector<QByteArray> fields;
    quint32 seed = 12345;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    for (int k = 0; k < distinct; ++k) {
        const int size = minSize + int(next() % quint32(maxSize - minSize + 1));
        QByteArray field(size, 'a');
        for (int i = 0; i < size; ++i)
            field[i] = char(next() % 3 == 0 ? 'x' + int(next() % 2) : next() % 256);
        if (sameEnds) {
            for (int i = 0; i < 8; ++i)
                field[i] = field[size - 1 - i] = 'e';
        }
        fields.push_back(field);
    }
    std::vector<QByteArrayView> stream;
    for (int k = 0; k < 4 * distinct; ++k)
        stream.emplace_back(fields[next() % quint32(distinct)]);
    for (const bool batched : {false, true}) {
        kiv::logs::SeenViews seen;
        for (int round = 0; round < 2; ++round) { // the second after a Clear
            QSet<QByteArray> expected;
            std::vector<bool> firsts;
            for (const QByteArrayView view : stream) {
                const qsizetype before = expected.size();
                expected.insert(view.toByteArray());
                firsts.push_back(expected.size() > before);
            }
            std::vector<bool> got(stream.size(), false);
            if (batched) {
                seen.InsertAll(stream.data(), stream.size(), [&got](size_t k) { got[k] = true; });
            } else {
                for (size_t k = 0; k < stream.size(); ++k)
                    got[k] = seen.Insert(stream[k]);
            }
            QCOMPARE(got, firsts);
            seen.Clear();
        }
    }
}

void TestWhoCommand::passesStartAfresh()
{
    // A pass that takes over the room of the one before must not take its fields with
    // it: the same bytes in the next pass are new there. Within a pass they are not.
    kiv::logs::LogScanScratch scratch;
    QVERIFY(scratch.HandedOn(kiv::logs::LogPass::Chat).Insert("12345678\tBob"));
    QVERIFY(!scratch.HandedOn(kiv::logs::LogPass::Chat).Insert("12345678\tBob"));
    QVERIFY(scratch.HandedOn(kiv::logs::LogPass::Action).Insert("12345678\tBob"));
    QVERIFY(!scratch.HandedOn(kiv::logs::LogPass::Action).Insert("12345678\tBob"));

    const auto fileWith = [](const QByteArray &field) {
        NamesOfFile file;
        file.ok = true;
        file.fields.Append(field);
        return file;
    };
    const auto pairOf = [](QByteArrayView field) -> QString { return QString::fromLatin1(field) + u"=x"_s; };
    NamesTaker first;
    NamesTaker second;
    TStrDBListUni pairs;
    QVERIFY(first.Take(u"a"_s, fileWith("11111111"), pairs, nullptr, pairOf));
    QVERIFY(first.Take(u"b"_s, fileWith("11111111"), pairs, nullptr, pairOf));
    second.TakeRoomOf(first);
    QVERIFY(second.Take(u"c"_s, fileWith("11111111"), pairs, nullptr, pairOf));
    QVERIFY(first.Take(u"d"_s, fileWith("11111111"), pairs, nullptr, pairOf));
    QCOMPARE(pairs.Lines(), QStringList({u"11111111=x"_s, u"11111111=x"_s, u"11111111=x"_s}));
}

void TestWhoCommand::decodedFieldsAreDecodedOnce()
{
    // Bytes that share a start, end or hash-sized part are still told apart.
    const QList<QByteArray> fields{"", "a", "ab", QByteArray("ab\0", 3), "b", QByteArray(40, 'z'), QByteArray(41, 'z'), "ab"};
    kiv::logs::DecodedFields decoded;
    int calls = 0;
    const auto decode = [&calls](QByteArrayView bytes) {
        ++calls;
        return QString::fromLatin1(bytes.toByteArray().toHex());
    };
    for (int round = 0; round < 2; ++round) {
        for (const QByteArray &field : fields)
            QCOMPARE(decoded.Get(field, decode), QString::fromLatin1(field.toHex()));
    }
    QCOMPARE(calls, 7);
}

#include "tst_whocommand.moc"
