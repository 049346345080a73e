#include "core/AppState.h"
#include "logs/ChatProcessor.h"
#include "logs/LogLine.h"
#include "platform/TextFile.h"
#include "support/RecordingChatHost.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kTaro = u"12345678"_s;
const QString kJiro = u"87654321"_s;
const QString kHanako = u"11112222"_s;

// A record as the game writes it: header, text line, empty line.
QString Record(const QString &speaker, const QString &text, const QString &time = u"12:00:00"_s,
               const QString &kind = u"<Public>"_s)
{
    return time + u'\t' + kind + u'\t' + speaker + u"\r\n"_s + text + u"\r\n\r\n"_s;
}

QString TaroSays(const QString &text)
{
    return Record(u"Taro("_s + kTaro + u')', text);
}

QString RowOfTaro(const QString &text, const QString &tag)
{
    return u"12:00:00|"_s + kTaro + u"|Taro|"_s + text + u'|' + tag;
}

} // namespace

class TestChatProcessor : public QObject
{
    Q_OBJECT
private slots:
    void rows_data();
    void rows();
    void ownCommands_data();
    void ownCommands();
    void itemRowPrecedesItsCommand();
    void liveBatchOfThreeLines();
    void wantedAlarmIsLowerCased();
    void replayActsOnNothing();
    void setup_data();
    void setup();
    void setupLineRunsItsOwnCommand();
    void recordsHandedOneByOneMatchTheWholeText();
    void commandShowingLinesThroughTheProcessor();
    void megabyteMessage();
    void collectChatNames();
    void collectChatNamesWithoutFiles();
};

void TestChatProcessor::rows_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("record") << TaroSays(u"hello"_s) << QStringList{RowOfTaro(u"hello"_s, u"<Public>"_s)};
    QTest::newRow("record on one line") << u"12:00:00\t<Public>\tTaro(12345678)\thello\r\n"_s
                                        << QStringList{RowOfTaro(u"hello"_s, u"<Public>"_s)};
    QTest::newRow("message ending in a paren")
        << TaroSays(u"see (this)"_s) + Record(u"Jiro(87654321)"_s, u"ok"_s, u"12:00:01"_s, u"<Team>"_s)
        << QStringList{RowOfTaro(u"see (this)"_s, u"<Public>"_s), u"12:00:01|87654321|Jiro|ok|<Team>"_s};
    QTest::newRow("speaker only the ID") << Record(u"(12345678)"_s, u"hi"_s, u"00:00:00"_s, u"<command>"_s)
                                         << QStringList{u"00:00:00|12345678||hi|<command>"_s};
    QTest::newRow("speaker without ID") << u"12:00:00\t<Public>\tTaro\thi\r\n"_s
                                        << QStringList{u"12:00:00|Taro||hi|<Public>"_s};
    QTest::newRow("values trimmed") << u" 12:00:00 \t <Public> \t Taro (12345678)\r\n  hello \x01\r\n\r\n"_s
                                    << QStringList{RowOfTaro(u"hello"_s, u"<Public>"_s)};
    QTest::newRow("full-width blank kept") << TaroSays(u"\u3000hi\u3000"_s)
                                           << QStringList{RowOfTaro(u"\u3000hi\u3000"_s, u"<Public>"_s)};
    QTest::newRow("three fields") << u"12:00:00\t<System>\tMaintenance soon\r\n"_s
                                  << QStringList{u"12:00:00||<System>|Maintenance soon|<System>"_s};
    QTest::newRow("five fields") << u"a\tb\tc\td\te\r\n"_s << QStringList{u"a||b|c|b"_s};
    QTest::newRow("header without paren and its text")
        << Record(u"Notice"_s, u"Server restarts"_s, u"12:00:00"_s, u"<System>"_s)
        << QStringList{u"12:00:00||<System>|Notice|<System>"_s, u"|||Server restarts|"_s};
    QTest::newRow("two fields") << u"x\t y \r\n"_s << QStringList{u"|||x y|"_s};
    QTest::newRow("only TABs") << u"\t\t\t\r\n"_s << QStringList{u"||||"_s};
    QTest::newRow("empty and blank lines") << u"\r\n\r\n\r\n  \r\n\r\n"_s << QStringList{};
    QTest::newRow("calculator shorthand") << TaroSays(u"@-5+2"_s)
                                          << QStringList{RowOfTaro(u"@calc -5+2"_s, u"@calc"_s)};
    QTest::newRow("shorthand with paren at the end")
        << TaroSays(u"@(1+2)"_s) << QStringList{RowOfTaro(u"@calc (1+2)"_s, u"@calc"_s)};
    QTest::newRow("@x not rewritten") << TaroSays(u"@x"_s) << QStringList{RowOfTaro(u"@x"_s, u"<Public>"_s)};
    QTest::newRow("@1 later not rewritten") << TaroSays(u"see @1"_s)
                                            << QStringList{RowOfTaro(u"see @1"_s, u"<Public>"_s)};
    QTest::newRow("web address") << TaroSays(u"look HTTP://example.com"_s)
                                 << QStringList{RowOfTaro(u"look HTTP://example.com"_s, u"@http"_s)};
    QTest::newRow("secure web address") << TaroSays(u"Https://example.com"_s)
                                        << QStringList{RowOfTaro(u"Https://example.com"_s, u"@http"_s)};
    QTest::newRow("keyword inside a word") << TaroSays(u"@information"_s)
                                           << QStringList{RowOfTaro(u"@information"_s, u"@info"_s)};
    QTest::newRow("keyword in capitals") << TaroSays(u"@WHOM"_s) << QStringList{RowOfTaro(u"@WHOM"_s, u"@who"_s)};
    QTest::newRow("last keyword in table order") << TaroSays(u"@item x @calc 1"_s)
                                                 << QStringList{RowOfTaro(u"@item x @calc 1"_s, u"@item"_s)};
    QTest::newRow("keyword beats web address") << TaroSays(u"http://a @send x"_s)
                                               << QStringList{RowOfTaro(u"http://a @send x"_s, u"@send"_s)};
    QTest::newRow("setup is no tag") << TaroSays(u"@setup"_s) << QStringList{RowOfTaro(u"@setup"_s, u"<Public>"_s)};
    QTest::newRow("code page bytes")
        << kiv::text::Decode(QByteArray("12:00:00\t<Public>\t\x95\x5c\x8e\xa6(12345678)\r\n\x95\x5c)\r\n\r\n")).text
        << QStringList{u"12:00:00|12345678|表示|表)|<Public>"_s};
    QTest::newRow("outside the code page") << TaroSays(u"\U0001F600 ok"_s)
                                           << QStringList{RowOfTaro(u"? ok"_s, u"<Public>"_s)};
    QTest::newRow("NUL ends the text") << (TaroSays(u"hel"_s + QChar(0) + u"lo"_s) + TaroSays(u"gone"_s))
                                       << QStringList{RowOfTaro(u"hel"_s, u"<Public>"_s)};
    // The text is searched for "@" and ":" several characters at a time: at every place.
    for (int before = 0; before < 9; ++before) {
        const QString words(before, u'w');
        QTest::addRow("keyword after %d characters", before)
            << TaroSays(words + u"@who"_s) << QStringList{RowOfTaro(words + u"@who"_s, u"@who"_s)};
        QTest::addRow("web address after %d characters", before)
            << TaroSays(words + u"http://x"_s) << QStringList{RowOfTaro(words + u"http://x"_s, u"@http"_s)};
        QTest::addRow("no keyword in %d characters", before)
            << TaroSays(words + u"who"_s) << QStringList{RowOfTaro(words + u"who"_s, u"<Public>"_s)};
    }
}

// Replay and live text give the same rows, whatever runs besides.
void TestChatProcessor::rows()
{
    QFETCH(QString, text);
    QFETCH(QStringList, rows);
    for (const ProcessingMode mode : {ProcessingMode::Replay, ProcessingMode::Live}) {
        AppState state;
        state.ownId = kTaro;
        RecordingChatHost host;
        ChatProcessor(state, host).ProcessChatText(text, mode);
        QCOMPARE(host.RowTexts(), rows);
    }
}

void TestChatProcessor::ownCommands_data()
{
    QTest::addColumn<QString>("ownId");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("commands");

    QTest::newRow("own line") << kTaro << TaroSays(u"@calc 1+1"_s) << QStringList{u"cmd:@calc|@calc 1+1"_s};
    QTest::newRow("another player's line") << kJiro << TaroSays(u"@calc 1+1"_s) << QStringList{};
    QTest::newRow("no own ID") << kNoOwnId << TaroSays(u"@calc 1+1"_s) << QStringList{};
    QTest::newRow("shorthand") << kTaro << TaroSays(u"@-5+2"_s) << QStringList{u"cmd:@calc|@calc -5+2"_s};
    QTest::newRow("no shorthand") << kTaro << TaroSays(u"@x"_s) << QStringList{};
    QTest::newRow("lower-cased") << kTaro << TaroSays(u"Hello @CALC 1"_s)
                                 << QStringList{u"cmd:@calc|hello @calc 1"_s};
    QTest::newRow("table order") << kTaro << TaroSays(u"@beep1 @calc 2"_s)
                                 << QStringList{u"cmd:@calc|@beep1 @calc 2"_s, u"cmd:@beep|@beep1 @calc 2"_s};
    QTest::newRow("all seven") << kTaro << TaroSays(u"@item @send @custom @beep @who @info @calc"_s)
                               << QStringList{u"cmd:@calc|@item @send @custom @beep @who @info @calc"_s,
                                              u"cmd:@info|@item @send @custom @beep @who @info @calc"_s,
                                              u"cmd:@who|@item @send @custom @beep @who @info @calc"_s,
                                              u"cmd:@beep|@item @send @custom @beep @who @info @calc"_s,
                                              u"cmd:@custom|"_s,
                                              u"cmd:@send|@item @send @custom @beep @who @info @calc"_s,
                                              u"cmd:@item|@item @send @custom @beep @who @info @calc"_s};
    QTest::newRow("web address runs nothing") << kTaro << TaroSays(u"http://example.com/a"_s) << QStringList{};
    QTest::newRow("@http runs nothing") << kTaro << TaroSays(u"@http://example.com/a"_s) << QStringList{};
    QTest::newRow("three fields run nothing") << kTaro << u"12:00:00\t<Public>\t@calc 1\r\n"_s << QStringList{};
    QTest::newRow("made-up command line") << kTaro << BuildCommandLine(kTaro, kCommandKindInput, u"@who makeup close"_s)
                                          << QStringList{u"cmd:@who|@who makeup close"_s};
    QTest::newRow("made-up line ending in a paren")
        << kTaro << BuildCommandLine(kTaro, kCommandKindSearch, u"@Calc (1+2)"_s)
        << QStringList{u"cmd:@calc|@calc (1+2)"_s};
    QTest::newRow("own rule per line") << kTaro
                                       << TaroSays(u"@info"_s) + Record(u"Jiro(87654321)"_s, u"@who"_s)
                                              + TaroSays(u"@send x"_s)
                                       << QStringList{u"cmd:@info|@info"_s, u"cmd:@send|@send x"_s};
}

void TestChatProcessor::ownCommands()
{
    QFETCH(QString, ownId);
    QFETCH(QString, text);
    QFETCH(QStringList, commands);
    AppState state;
    state.ownId = ownId;
    RecordingChatHost host;
    ChatProcessor(state, host).ProcessChatText(text, ProcessingMode::Live);
    QCOMPARE(host.Events(u"cmd:"), commands);
}

void TestChatProcessor::itemRowPrecedesItsCommand()
{
    AppState state;
    state.ownId = kTaro;
    RecordingChatHost host;
    ChatProcessor(state, host).ProcessChatText(TaroSays(u"@calc 1 @item Sword"_s), ProcessingMode::Live);
    QStringList rowsAndCommands;
    for (const QString &e : host.events) {
        if (e.startsWith(u"row:") || e.startsWith(u"cmd:"))
            rowsAndCommands.append(e);
    }
    const QStringList expected{
        u"cmd:@calc|@calc 1 @item sword"_s,
        u"row:"_s + RowOfTaro(u"@calc 1 @item Sword"_s, u"@item"_s),
        u"cmd:@item|@calc 1 @item sword"_s,
    };
    QCOMPARE(rowsAndCommands, expected);
}

void TestChatProcessor::liveBatchOfThreeLines()
{
    AppState state;
    state.ownId = kTaro;
    RecordingChatHost host;
    const QString text = Record(u"Jiro(87654321)"_s, u"hi"_s) + TaroSays(u"@who list"_s)
                         + Record(u"Hanako(11112222)"_s, u"yo"_s, u"12:00:02"_s);
    ChatProcessor(state, host).ProcessChatText(text, ProcessingMode::Live);
    const QStringList expected{
        u"active:87654321|Jiro"_s,
        u"wanted:chat|87654321|Jiro|hi"_s,
        u"row:12:00:00|87654321|Jiro|hi|<Public>"_s,
        u"active:12345678|Taro"_s,
        u"wanted:chat|12345678|Taro|@who list"_s,
        u"cmd:@who|@who list"_s,
        u"row:"_s + RowOfTaro(u"@who list"_s, u"@who"_s),
        u"active:11112222|Hanako"_s,
        u"wanted:chat|11112222|Hanako|yo"_s,
        u"row:12:00:02|11112222|Hanako|yo|<Public>"_s,
    };
    QCOMPARE(host.events, expected);
}

void TestChatProcessor::wantedAlarmIsLowerCased()
{
    AppState state;
    state.ownId = kTaro;
    RecordingChatHost host;
    host.wantedAlarms.insert(kJiro, u"@BEEP3"_s);
    const QString text = Record(u"Jiro(87654321)"_s, u"Hello World"_s) + Record(u"Hanako(11112222)"_s, u"Hi"_s);
    ChatProcessor(state, host).ProcessChatText(text, ProcessingMode::Live);
    const QStringList expected{
        u"active:87654321|Jiro"_s,
        u"wanted:chat|87654321|Jiro|Hello World"_s, // as written
        u"beep:@beep3"_s,
        u"row:12:00:00|87654321|Jiro|Hello World|<Public>"_s,
        u"active:11112222|Hanako"_s,
        u"wanted:chat|11112222|Hanako|Hi"_s,
        u"row:12:00:00|11112222|Hanako|Hi|<Public>"_s,
    };
    QCOMPARE(host.events, expected);
}

void TestChatProcessor::replayActsOnNothing()
{
    AppState state;
    state.ownId = kNoOwnId;
    RecordingChatHost host;
    host.wantedAlarms.insert(kTaro, u"@beep1"_s);
    const QString text = TaroSays(u"@setup"_s) + TaroSays(u"@calc 1"_s) + TaroSays(u"@item search x"_s);
    ChatProcessor(state, host).ProcessChatText(text, ProcessingMode::Replay);
    QCOMPARE(state.ownId, kNoOwnId);
    QCOMPARE(host.Events(u"row:").size(), host.events.size());
    const QStringList rows{
        RowOfTaro(u"@setup"_s, u"<Public>"_s),
        RowOfTaro(u"@calc 1"_s, u"@calc"_s),
        RowOfTaro(u"@item search x"_s, u"@item"_s),
    };
    QCOMPARE(host.RowTexts(), rows);
}

void TestChatProcessor::setup_data()
{
    QTest::addColumn<QString>("ownBefore");
    QTest::addColumn<ProcessingMode>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("ownAfter");

    QTest::newRow("registers while none") << kNoOwnId << ProcessingMode::Live << TaroSays(u"@setup"_s) << kTaro;
    QTest::newRow("in capitals") << kNoOwnId << ProcessingMode::Live << TaroSays(u"my @SetUp please"_s) << kTaro;
    QTest::newRow("speaker only the ID") << kNoOwnId << ProcessingMode::Live
                                         << Record(u"(87654321)"_s, u"@setup"_s) << kJiro;
    QTest::newRow("already registered") << kJiro << ProcessingMode::Live << TaroSays(u"@setup"_s) << kJiro;
    QTest::newRow("replay") << kNoOwnId << ProcessingMode::Replay << TaroSays(u"@setup"_s) << kNoOwnId;
    QTest::newRow("not a record") << kNoOwnId << ProcessingMode::Live << u"12:00:00\t<Public>\t@setup\r\n"_s
                                  << kNoOwnId;
    // Only an ID of 8 characters that is not "no ID" registers.
    QTest::newRow("empty speaker field") << kNoOwnId << ProcessingMode::Live << Record(u"()"_s, u"@setup"_s)
                                         << kNoOwnId;
    QTest::newRow("typed while none is registered")
        << kNoOwnId << ProcessingMode::Live << Record(u"("_s + kNoOwnId + u')', u"@setup"_s, u"00:00:00"_s, u"<command>"_s)
        << kNoOwnId;
    QTest::newRow("first of two wins") << kNoOwnId << ProcessingMode::Live
                                       << TaroSays(u"@setup"_s) + Record(u"Jiro(87654321)"_s, u"@setup"_s) << kTaro;
}

void TestChatProcessor::setup()
{
    QFETCH(QString, ownBefore);
    QFETCH(ProcessingMode, mode);
    QFETCH(QString, text);
    QFETCH(QString, ownAfter);
    AppState state;
    state.ownId = ownBefore;
    RecordingChatHost host;
    ChatProcessor(state, host).ProcessChatText(text, mode);
    QCOMPARE(state.ownId, ownAfter);
    const QStringList info = ownAfter == ownBefore ? QStringList{}
                                                   : QStringList{u"info:@setup ID:"_s + ownAfter
                                                                 + u" で登録されました。"_s};
    QCOMPARE(host.Events(u"info:"), info);
}

void TestChatProcessor::setupLineRunsItsOwnCommand()
{
    AppState state;
    state.ownId = kNoOwnId;
    RecordingChatHost host;
    ChatProcessor(state, host).ProcessChatText(QString(TaroSays(u"@setup @info"_s) + TaroSays(u"@who"_s)),
                                               ProcessingMode::Live);
    QCOMPARE(host.Events(u"cmd:"), (QStringList{u"cmd:@info|@setup @info"_s, u"cmd:@who|@who"_s}));
}

// The reading hands over what was appended, often one record at a time; the rows and
// actions must not depend on how the day's text was cut into blocks.
void TestChatProcessor::recordsHandedOneByOneMatchTheWholeText()
{
    const QStringList records{
        TaroSays(u"@setup"_s),
        Record(u"Jiro(87654321)"_s, u"see (this)"_s),
        u"12:00:01\t<System>\tNotice\r\n"_s,
        u"Server restarts\r\n\r\n"_s,
        TaroSays(u"@(1+2)"_s),
        u"12:00:02\t<Public>\tHanako(11112222)\tone line @item x\r\n"_s,
        u"\r\n"_s,
        TaroSays(u"@item Sword @beep2"_s),
    };
    AppState wholeState;
    RecordingChatHost whole;
    ChatProcessor(wholeState, whole).ProcessChatText(records.join(QString()), ProcessingMode::Live);

    AppState pieceState;
    RecordingChatHost pieces;
    ChatProcessor processor(pieceState, pieces);
    for (const QString &record : records)
        processor.ProcessChatText(record, ProcessingMode::Live);

    QCOMPARE(pieces.events, whole.events);
    QCOMPARE(whole.rows.size(), size_t(7));
    QCOMPARE(whole.Events(u"cmd:").size(), 3);
}

// The preset list shows its lines through the chat processor while the line that asked
// for it is still being handled.
void TestChatProcessor::commandShowingLinesThroughTheProcessor()
{
    AppState state;
    state.ownId = kTaro;
    RecordingChatHost host;
    ChatProcessor processor(state, host);
    host.onCommand = [&](ChatCommand command) {
        if (command == ChatCommand::Custom)
            processor.ProcessChatText(QString(BuildCommandLine(kTaro, kCommandKindSearch, u"@who search x"_s)
                                              + BuildCommandLine(kTaro, kCommandKindSearch, u"@item list"_s)),
                                      ProcessingMode::Replay);
    };
    processor.ProcessChatText(QString(TaroSays(u"@custom"_s) + Record(u"Jiro(87654321)"_s, u"after"_s)),
                              ProcessingMode::Live);
    const QStringList rows{
        u"00:00:00|12345678||@who search x|@who"_s,
        u"00:00:00|12345678||@item list|@item"_s,
        RowOfTaro(u"@custom"_s, u"@custom"_s),
        u"12:00:00|87654321|Jiro|after|<Public>"_s,
    };
    QCOMPARE(host.RowTexts(), rows);
    QCOMPARE(host.Events(u"cmd:"), QStringList{u"cmd:@custom|"_s});
}

void TestChatProcessor::megabyteMessage()
{
    const QString message = QString(500'000, u'表') + QString(500'000, u'a') + u')';
    AppState state;
    RecordingChatHost host;
    ChatProcessor(state, host).ProcessChatText(QString(TaroSays(message) + TaroSays(u"next"_s)),
                                               ProcessingMode::Live);
    QCOMPARE(host.rows.size(), size_t(2));
    QCOMPARE(host.rows[0].text, message);
    QCOMPARE(host.rows[1].text, u"next"_s);
}

void TestChatProcessor::collectChatNames()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + u'/';
    // Code page 932 with lone LF line ends: the reading makes them CR LF, so the
    // header is still joined to its text.
    testfiles::Write(folder + u"ChatLog_20261206.txt"_s,
                     QByteArray("12:00:00\t<Public>\t\x95\x5c\x8e\xa6(12345678)\nhi\n\n"
                                "12:00:01\t<Public>\tJiro(87654321)\nyo)\n\n"
                                "no tabs here\n"
                                "12:00:02\t<Public>\t(11112222)\n\n"));
    testfiles::Write(folder + u"chatlog_20261207.TXT"_s,
                     testfiles::Utf16Le(u"12:00:00\t<Public>\tJiro(87654321)\r\nagain\r\n\r\n"
                                        u"12:00:01\t<Public>\tSaburo(33334444)\r\n\r\n"_s));
    testfiles::Write(folder + u"ChatLog_20261207.log"_s, testfiles::Cp932(u"1\t2\tNo(55556666)\r\nx\r\n"_s));
    testfiles::Write(folder + u"MailLog_20261207.txt"_s, testfiles::Cp932(u"1\t2\tNo(55556666)\r\nx\r\n"_s));

    AppState state;
    RecordingChatHost host;
    TStrDBListUni pairs;
    pairs.SetSorted(true);
    ChatProcessor(state, host).CollectChatNames(folder, u"ChatLog_"_s, pairs);

    const QStringList expected{u"11112222="_s, u"12345678=表示"_s, u"33334444=Saburo"_s, u"87654321=Jiro"_s};
    QCOMPARE(pairs.Lines(), expected);
    QCOMPARE(host.events, (QStringList{u"info:  ChatLog_20261206.txt"_s, u"info:  chatlog_20261207.TXT"_s}));
    QVERIFY(host.rows.empty());
}

void TestChatProcessor::collectChatNamesWithoutFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    testfiles::Write(dir.path() + u"/ActionLog_20261207.txt"_s, testfiles::Cp932(u"1\t2\tNo(55556666)\r\n"_s));
    AppState state;
    RecordingChatHost host;
    TStrDBListUni pairs;
    pairs.Add(u"99999999=\tKept"_s);
    ChatProcessor(state, host).CollectChatNames(dir.path(), u"ChatLog_"_s, pairs);
    QCOMPARE(pairs.Lines(), QStringList{u"99999999=\tKept"_s});
    QVERIFY(host.events.isEmpty());
}

QTEST_GUILESS_MAIN(TestChatProcessor)
#include "tst_chatprocessor.moc"
