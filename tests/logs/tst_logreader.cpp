#include "RecordingLogProcessors.h"

#include "core/AppState.h"
#include "logs/DayNames.h"
#include "logs/ChatProcessor.h"
#include "logs/LogReader.h"
#include "logs/MailProcessor.h"
#include "support/FakeClock.h"
#include "support/RecordingChatHost.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cstdio>

#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

const QDate kToday(2026, 12, 7);

// A chat record as the game writes it: header, text line, empty line.
QString Record(int n)
{
    return u"12:00:%1\t<Public>\tTaro(12345678)\r\n発言%2\r\n\r\n"_s.arg(n, 2, 10, QChar(u'0')).arg(n);
}

QByteArray Cp(const QString &text)
{
    return testfiles::Cp932(text);
}

QString Chat(ProcessingMode mode, const QString &text)
{
    return RecordingLogProcessors::Call(LogKind::Chat, mode, text);
}

const auto Replay = ProcessingMode::Replay;
const auto Live = ProcessingMode::Live;

// UTF-16 without the byte-order mark, for appending.
QByteArray Utf16Body(const QString &text)
{
    return testfiles::Utf16Le(text).mid(2);
}

QByteArray Utf16BeBody(const QString &text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xFF));
    }
    return bytes;
}

// A mail as the game writes it: header, body line, empty line.
QString MailRecord(int n)
{
    return u"12:30:%1\t<Recv>\tJiro(87654321)\r\n手紙%2\r\n\r\n"_s.arg(n, 2, 10, QChar(u'0')).arg(n);
}

// The chat and mail processors themselves behind the reading, their rows recorded.
class ProcessingLogProcessors final : public ILogProcessors
{
public:
    explicit ProcessingLogProcessors(AppState &state)
        : m_chat(state, host)
        , m_mail(state, host)
    {
    }
    void ProcessChatText(const QString &text, ProcessingMode mode) override { m_chat.ProcessChatText(text, mode); }
    void ProcessActionText(const QString &, ProcessingMode) override {}
    void ProcessMailText(const QString &text, ProcessingMode mode) override { m_mail.ProcessMailText(text, mode); }
    void ScrollToLastRow() override {}

    RecordingChatHost host;

private:
    ChatProcessor m_chat;
    MailProcessor m_mail;
};

} // namespace

class TestLogReader : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void appendedText_data();
    void appendedText();
    void encodings_data();
    void encodings();
    void firstShowingAndActionLogSetting_data();
    void firstShowingAndActionLogSetting();
    void fileMissingAtFirstShowingIsHandedWholeLater();
    void changeTouchingNoCurrentFileHandsNothing();
    void tomorrowsFileIsReplayedThenLive();
    void dayChangeWithActionLogOffStillReplaysActions();
    void fileDatedAheadOfTheClock_data();
    void fileDatedAheadOfTheClock();
    void guardClearedWhenProcessorThrows();
    void dayChangeHoldsWhenProcessorThrows();
    void readingInsideReadingDoesNothing();
    void nothingIsReadAfterRelease();
    void unreadableFileIsReportedAndRetried_data();
    void unreadableFileIsReportedAndRetried();
    void emptyLogFolderReadsNothing();
    void longFileIsReadFromWhereTheLastReadingStopped();
    void nextReadBytes_data();
    void nextReadBytes();
    void changedSinceLastReading_data();
    void changedSinceLastReading();
    void lineEndingInParenWaitsForTheNextLine_data();
    void lineEndingInParenWaitsForTheNextLine();
    void recordSplitAfterItsHeaderMakesOneRow_data();
    void recordSplitAfterItsHeaderMakesOneRow();
    void heldLineGoesOnAfterTwoStillSeconds_data();
    void heldLineGoesOnAfterTwoStillSeconds();
    void oldFilesLastLinesGoOnAtDayChange_data();
    void oldFilesLastLinesGoOnAtDayChange();
    void dayWithoutFileMovesToTheNewestDay_data();
    void dayWithoutFileMovesToTheNewestDay();
    void namesAreLookedForWhenTheyMayHaveChanged_data();
    void namesAreLookedForWhenTheyMayHaveChanged();

private:
    QString PathOf(LogKind kind, const QDate &date = kToday) const;
    // Writes `initial` as today's chat file (none when null), shows, then runs every step
    // followed by a reading: "+bytes" appends, "=bytes" writes the file anew, "-" deletes
    // it, "." changes nothing.
    QStringList Run(const QByteArray &initial, const QByteArrayList &steps);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<AppState> m_state;
    FakeClock m_clock;
    RecordingLogProcessors m_processors;
    std::unique_ptr<LogReader> m_reader;
};

void TestLogReader::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_state = std::make_unique<AppState>();
    m_state->logDir = m_dir->path() + u'/';
    m_clock.Set(QDateTime(kToday, QTime(12, 0)));
    SetDayNames(*m_state, kToday);
    m_processors = RecordingLogProcessors();
    m_reader = std::make_unique<LogReader>(*m_state, m_processors, m_clock);
}

void TestLogReader::cleanup()
{
    m_reader.reset();
    m_state.reset();
    m_dir.reset();
}

QString TestLogReader::PathOf(LogKind kind, const QDate &date) const
{
    return m_state->logDir + DailyLogName(m_state->Log(kind).prefix, date);
}

QStringList TestLogReader::Run(const QByteArray &initial, const QByteArrayList &steps)
{
    const QString path = PathOf(LogKind::Chat);
    if (!initial.isNull())
        testfiles::Write(path, initial);
    m_reader->FirstShowing();
    for (const QByteArray &step : steps) {
        const QByteArray bytes = step.mid(1);
        switch (step.at(0)) {
        case '+': testfiles::Append(path, bytes); break;
        case '=': testfiles::Write(path, bytes); break;
        case '-': QFile::remove(path); break;
        case '>': // a new file put in its place, as an editor saves
            testfiles::Write(path + u".new"_s, bytes);
            if (::rename(QFile::encodeName(path + u".new"_s).constData(), QFile::encodeName(path).constData()) != 0)
                qFatal("cannot rename over %s", qPrintable(path));
            break;
        default: break;
        }
        m_reader->ReadNewLogText();
    }
    return m_processors.calls;
}

void TestLogReader::appendedText_data()
{
    QTest::addColumn<QByteArray>("initial");
    QTest::addColumn<QByteArrayList>("steps");
    QTest::addColumn<QStringList>("expected");

    const QString r1 = Record(1), r2 = Record(2), r3 = Record(3);
    const QByteArray b1 = Cp(r1), b2 = Cp(r2), b3 = Cp(r3);
    const QByteArray half2 = b2.left(20);

    QTest::newRow("second record handed once, live")
        << b1 << QByteArrayList{'+' + b2, "."} << QStringList{Chat(Replay, r1), Chat(Live, r2)};
    QTest::newRow("half a line waits for its line end")
        << b1 << QByteArrayList{'+' + half2, '+' + b2.mid(20)} << QStringList{Chat(Replay, r1), Chat(Live, r2)};
    // The header ends in ")" and waits for its text line; the text line does not.
    const qsizetype textEnd = b2.indexOf("\r\n", b2.indexOf("\r\n") + 2) + 2;
    const qsizetype rTextEnd = r2.indexOf(u"\r\n", r2.indexOf(u"\r\n") + 2) + 2;
    QTest::newRow("half a record: complete lines once each")
        << b1 << QByteArrayList{'+' + b2.left(textEnd), '+' + b2.mid(textEnd)}
        << QStringList{Chat(Replay, r1), Chat(Live, r2.left(rTextEnd)), Chat(Live, r2.mid(rTextEnd))};
    QTest::newRow("half a record: the header waits for its text line")
        << b1 << QByteArrayList{'+' + b2.left(b2.indexOf("\r\n") + 5), '+' + b2.mid(b2.indexOf("\r\n") + 5)}
        << QStringList{Chat(Replay, r1), Chat(Live, r2)};
    QTest::newRow("unfinished last line at the first showing is handed live when done")
        << QByteArray(b1 + half2) << QByteArrayList{".", '+' + b2.mid(20)} << QStringList{Chat(Replay, r1), Chat(Live, r2)};
    QTest::newRow("CR and LF written apart make one line end")
        << QByteArray("a\r") << QByteArrayList{"+\nb\r", "+\n", "+c\r\n"}
        << QStringList{Chat(Replay, u"a\r\n"_s), Chat(Live, u"b\r\n"_s), Chat(Live, u"c\r\n"_s)};
    QTest::newRow("every kind of line end becomes CR LF")
        << QByteArray("a\rb\nc\r\n\r\n\n\r") << QByteArrayList{"+\n"}
        << QStringList{Chat(Replay, u"a\r\nb\r\nc\r\n\r\n\r\n\r\n"_s)};
    QTest::newRow("a LF written later after a lone CR read before makes no empty line")
        << QByteArray("a\rb") << QByteArrayList{"=a\r\nb\r\n"}
        << QStringList{Chat(Replay, u"a\r\n"_s), Chat(Live, u"b\r\n"_s)};
    QTest::newRow("lone CR ends a line once something else follows")
        << QByteArray("a\r") << QByteArrayList{"+b\r\n"}
        << QStringList{Chat(Replay, u"a\r\n"_s), Chat(Live, u"b\r\n"_s)};
    QTest::newRow("lone lead byte at the end waits for its trail byte")
        << b1 << QByteArrayList{"+\x95", "+\x5C\r\n"} << QStringList{Chat(Replay, r1), Chat(Live, u"表\r\n"_s)};
    QTest::newRow("a line said twice is handed twice")
        << QByteArray("gg\r\n") << QByteArrayList{"+gg\r\n"} << QStringList{Chat(Replay, u"gg\r\n"_s), Chat(Live, u"gg\r\n"_s)};
    QTest::newRow("appended lines repeating the old text are all handed")
        << QByteArray("a\r\n") << QByteArrayList{"+a\r\nb\r\na\r\n"}
        << QStringList{Chat(Replay, u"a\r\n"_s), Chat(Live, u"a\r\nb\r\na\r\n"_s)};
    QTest::newRow("cut short: nothing again, then what is new")
        << QByteArray(b1 + b2) << QByteArrayList{'=' + b1, '+' + b3}
        << QStringList{Chat(Replay, r1 + r2), Chat(Live, r3)};
    QTest::newRow("cut short, the lines cut away written again: nothing twice")
        << QByteArray(b1 + b2) << QByteArrayList{'=' + b1.left(7), '+' + b1.mid(7) + b2, '+' + b3}
        << QStringList{Chat(Replay, r1 + r2), Chat(Live, r3)};
    QTest::newRow("emptied, then written again with the old lines and more")
        << QByteArray(b1 + b2) << QByteArrayList{"=", '=' + b1 + b2 + b3}
        << QStringList{Chat(Replay, r1 + r2), Chat(Live, r3)};
    QByteArray b2x = b2;
    b2x.replace(Cp(u"発言2"_s), Cp(u"発言9"_s));
    QTest::newRow("rewritten at the same size: from the first line that differs")
        << QByteArray(b1 + b2) << QByteArrayList{'=' + b1 + b2x}
        << QStringList{Chat(Replay, r1 + r2), Chat(Live, u"発言9\r\n\r\n"_s)};
    QTest::newRow("replaced by other text")
        << b1 << QByteArrayList{'=' + b2 + b3} << QStringList{Chat(Replay, r1), Chat(Live, r2 + r3)};
    QTest::newRow("written anew with the same start and more")
        << b1 << QByteArrayList{'=' + b1 + b2} << QStringList{Chat(Replay, r1), Chat(Live, r2)};
    // Longer than the start the reading fingerprints: what grew comes in one read with the
    // end read before, which is compared too.
    QByteArray big;
    for (int n = 0; n < 500; ++n)
        big += QByteArray("line") + QByteArray::number(n).rightJustified(4, '0') + "\r\n";
    const QString rBig = QString::fromLatin1(big);
    QByteArray bigEndRewritten = big;
    bigEndRewritten.replace("line0499", "LINE0499");
    QTest::newRow("a long file grows")
        << big << QByteArrayList{"+x\r\n", "+y\r\n"}
        << QStringList{Chat(Replay, rBig), Chat(Live, u"x\r\n"_s), Chat(Live, u"y\r\n"_s)};
    QTest::newRow("a long file's end rewritten at the same size")
        << big << QByteArrayList{'=' + bigEndRewritten, "+z\r\n"}
        << QStringList{Chat(Replay, rBig), Chat(Live, u"LINE0499\r\n"_s), Chat(Live, u"z\r\n"_s)};
    QTest::newRow("a long file ends on a lone CR, then its LF comes")
        << QByteArray(big + "a\r") << QByteArrayList{"+\nb\r\n"}
        << QStringList{Chat(Replay, rBig + u"a\r\n"_s), Chat(Live, u"b\r\n"_s)};
    QTest::newRow("a long file, a new one put in its place with more")
        << big << QByteArrayList{'>' + big + "x\r\n"} << QStringList{Chat(Replay, rBig), Chat(Live, u"x\r\n"_s)};
    QTest::newRow("a new file put in its place with the old text and more")
        << QByteArray(b1 + b2) << QByteArrayList{'>' + b1 + b2 + b3, '+' + b1}
        << QStringList{Chat(Replay, r1 + r2), Chat(Live, r3), Chat(Live, r1)};
    QTest::newRow("a new file put in its place with other text")
        << b1 << QByteArrayList{'>' + b2, '>' + b3} << QStringList{Chat(Replay, r1), Chat(Live, r2), Chat(Live, r3)};
    QTest::newRow("deleted, then created with other text")
        << b1 << QByteArrayList{"-", '=' + b2} << QStringList{Chat(Replay, r1), Chat(Live, r2)};
    QTest::newRow("deleted, then created with the old text and more")
        << b1 << QByteArrayList{"-", '=' + b1 + b2} << QStringList{Chat(Replay, r1), Chat(Live, r2)};
    QTest::newRow("NUL bytes written over later")
        << QByteArray(b1 + QByteArray(64, '\0')) << QByteArrayList{".", '=' + b1 + b2}
        << QStringList{Chat(Replay, r1), Chat(Live, r2)};
    QTest::newRow("a NUL run followed by text is skipped")
        << QByteArray(b1 + QByteArray(8, '\0') + b2) << QByteArrayList{'+' + b3}
        << QStringList{Chat(Replay, r1 + r2), Chat(Live, r3)};
    QTest::newRow("NUL padding left by a crash, then more records")
        << b1 << QByteArrayList{'+' + QByteArray(16, '\0'), '+' + b2, QByteArray("+a\0\0b\r\n", 8)}
        << QStringList{Chat(Replay, r1), Chat(Live, r2), Chat(Live, u"ab\r\n"_s)};
    QTest::newRow("CR, NULs, then LF make one line end")
        << QByteArray("a\r") << QByteArrayList{QByteArray("+\0\0", 3), "+\nb\r\n"}
        << QStringList{Chat(Replay, u"a\r\n"_s), Chat(Live, u"b\r\n"_s)};
}

void TestLogReader::appendedText()
{
    QFETCH(QByteArray, initial);
    QFETCH(QByteArrayList, steps);
    QFETCH(QStringList, expected);
    // Files are read a piece at a time: read whole, and a few bytes at a time so that
    // lines, line ends and characters are cut between two reads in every place.
    for (const qint64 readSize : {qint64(0), qint64(1), qint64(2), qint64(3), qint64(7)}) {
        init();
        if (readSize > 0)
            m_reader->SetReadSize(readSize);
        const QStringList calls = Run(initial, steps);
        if (calls != expected)
            qWarning("read %lld bytes at a time", static_cast<long long>(readSize));
        QCOMPARE(calls, expected);
        // Scrolled after each live text, never after replay text.
        QCOMPARE(m_processors.scrolls, int(expected.filter(u" live: "_s).size()));
        QVERIFY(!m_state->readingGuard);
        cleanup();
    }
}

void TestLogReader::encodings_data()
{
    QTest::addColumn<QByteArray>("initial");
    QTest::addColumn<QByteArrayList>("steps");
    QTest::addColumn<QStringList>("expected");

    // 上 = U+4E0A, 有 = U+6709, 不 = U+4E0D: bytes 0x0A, 0x09 and 0x0D inside UTF-16 units.
    const QString tricky = u"上有不\r\n"_s;
    const QByteArray line = Utf16Body(u"上\r\n"_s);
    QTest::newRow("UTF-16 LE: line ends only in whole units, odd byte waits")
        << testfiles::Utf16Le(tricky) << QByteArrayList{'+' + line.left(1), '+' + line.mid(1)}
        << QStringList{Chat(Replay, tricky), Chat(Live, u"上\r\n"_s)};
    QTest::newRow("UTF-16 LE: CR and LF in two readings")
        << testfiles::Utf16Le(u"a\r"_s) << QByteArrayList{'+' + Utf16Body(u"\n"_s), '+' + Utf16Body(u"b\r\n"_s)}
        << QStringList{Chat(Replay, u"a\r\n"_s), Chat(Live, u"b\r\n"_s)};
    QTest::newRow("UTF-16 LE: zero units are NULs, zero bytes are not; an odd byte waits")
        << QByteArray(testfiles::Utf16Le(u"a\r\n"_s) + QByteArray(4, '\0') + Utf16Body(u"b\r\n"_s))
        << QByteArrayList{QByteArray("+\0", 2), '+' + QByteArray(1, '\0') + Utf16Body(u"c\r\n"_s)}
        << QStringList{Chat(Replay, u"a\r\nb\r\n"_s), Chat(Live, u"c\r\n"_s)};
    QTest::newRow("UTF-16 BE")
        << QByteArray(QByteArray("\xFE\xFF") + Utf16BeBody(tricky)) << QByteArrayList{'+' + Utf16BeBody(u"表\r\n"_s)}
        << QStringList{Chat(Replay, tricky), Chat(Live, u"表\r\n"_s)};
    QTest::newRow("UTF-8: characters outside code page 932 become ?")
        << QByteArray(QByteArray("\xEF\xBB\xBF") + u"ö😀表\r\n"_s.toUtf8()) << QByteArrayList{"+x\xE2\x80", "+\xA8"}
        << QStringList{Chat(Replay, u"??表\r\n"_s), Chat(Live, u"x\r\n"_s)};
    QTest::newRow("UTF-8: line separator ends a line")
        << QByteArray(QByteArray("\xEF\xBB\xBF") + u"a\u2028b"_s.toUtf8()) << QByteArrayList{"+\r\n"}
        << QStringList{Chat(Replay, u"a\r\n"_s), Chat(Live, u"b\r\n"_s)};
    QTest::newRow("code page 932: 0x5C as trail byte")
        << Cp(u"表示\r\n"_s) << QByteArrayList{'+' + Cp(u"ソ\\\r\n"_s)}
        << QStringList{Chat(Replay, u"表示\r\n"_s), Chat(Live, u"ソ\\\r\n"_s)};
    QTest::newRow("code page 932: a lead byte without its trail byte is one ?, the line end stays")
        << QByteArray("a\x81 b\r\nc\x81\r\nd\r\n") << QByteArrayList{"+\x81"}
        << QStringList{Chat(Replay, u"a? b\r\nc?\r\nd\r\n"_s)};
}

void TestLogReader::encodings()
{
    appendedText();
}

void TestLogReader::firstShowingAndActionLogSetting_data()
{
    QTest::addColumn<bool>("actionLog");
    QTest::newRow("ActionLog on") << true;
    QTest::newRow("ActionLog off") << false;
}

void TestLogReader::firstShowingAndActionLogSetting()
{
    QFETCH(bool, actionLog);
    m_state->actionLog = actionLog;
    testfiles::Write(PathOf(LogKind::Mail), "mail 1\r\n");
    testfiles::Write(PathOf(LogKind::Action), "act 1\r\n");
    testfiles::Write(PathOf(LogKind::Chat), "chat 1\r\n");
    m_reader->FirstShowing();
    QStringList expected{u"chat replay: chat 1⏎"_s};
    if (actionLog)
        expected << u"action replay: act 1⏎"_s;
    expected << u"mail replay: mail 1⏎"_s;
    QCOMPARE(m_processors.calls, expected);

    // Later action lines are handed on either way; what was there at start stays unhandled.
    testfiles::Append(PathOf(LogKind::Action), "act 2\r\n");
    m_processors.calls.clear();
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls, QStringList{u"action live: act 2⏎"_s});
}

void TestLogReader::fileMissingAtFirstShowingIsHandedWholeLater()
{
    m_reader->FirstShowing();
    QVERIFY(m_processors.calls.isEmpty());
    testfiles::Write(PathOf(LogKind::Mail), Cp(Record(1) + Record(2)));
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls,
             QStringList{RecordingLogProcessors::Call(LogKind::Mail, Live, Record(1) + Record(2))});
}

void TestLogReader::changeTouchingNoCurrentFileHandsNothing()
{
    testfiles::Write(PathOf(LogKind::Chat), Cp(Record(1)));
    m_reader->FirstShowing();
    m_processors.calls.clear();
    testfiles::Write(PathOf(LogKind::Chat, kToday.addDays(-1)), Cp(Record(2)));
    testfiles::Write(m_state->logDir + u"other.txt"_s, "x\r\n");
    QVERIFY(QDir(m_state->logDir).mkdir(u"sub"_s));
    testfiles::Write(m_state->logDir + u"sub/"_s + DailyLogName(u"ChatLog_"_s, kToday), "x\r\n");
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls, QStringList());
    QCOMPARE(m_processors.scrolls, 0);
}

void TestLogReader::tomorrowsFileIsReplayedThenLive()
{
    const QDate tomorrow = kToday.addDays(1);
    testfiles::Write(PathOf(LogKind::Chat), Cp(Record(1)));
    m_reader->FirstShowing();
    m_clock.Set(QDateTime(tomorrow, QTime(0, 1)));
    testfiles::Write(PathOf(LogKind::Chat, tomorrow), Cp(Record(2)));
    m_reader->ReadNewLogText();
    testfiles::Append(PathOf(LogKind::Chat, tomorrow), Cp(Record(3)));
    testfiles::Append(PathOf(LogKind::Chat), Cp(Record(4))); // yesterday's file is left behind
    m_reader->ReadNewLogText();
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls, (QStringList{Chat(Replay, Record(1)), Chat(Replay, Record(2)), Chat(Live, Record(3))}));
    QCOMPARE(m_state->Log(LogKind::Chat).currentName, DailyLogName(u"ChatLog_"_s, tomorrow));
    QCOMPARE(m_state->Log(LogKind::Chat).nextName, DailyLogName(u"ChatLog_"_s, tomorrow.addDays(1)));
}

void TestLogReader::dayChangeWithActionLogOffStillReplaysActions()
{
    m_state->actionLog = false;
    const QDate tomorrow = kToday.addDays(1);
    testfiles::Write(PathOf(LogKind::Action), "act 1\r\n");
    m_reader->FirstShowing();
    testfiles::Write(PathOf(LogKind::Action, tomorrow), "act 2\r\n");
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls, QStringList{u"action replay: act 2⏎"_s});
}

void TestLogReader::fileDatedAheadOfTheClock_data()
{
    QTest::addColumn<QDate>("clockDate");
    QTest::addColumn<QDate>("nextDate");
    // The game's tomorrow appears while the clock still says today.
    QTest::newRow("file ahead of the clock") << kToday << kToday.addDays(2);
    // The program ran over several days: the clock is ahead of the file.
    QTest::newRow("clock ahead of the file") << kToday.addDays(3) << kToday.addDays(4);
}

void TestLogReader::fileDatedAheadOfTheClock()
{
    QFETCH(QDate, clockDate);
    QFETCH(QDate, nextDate);
    const QDate fileDate = kToday.addDays(1);
    m_reader->FirstShowing();
    m_clock.Set(QDateTime(clockDate, QTime(23, 59)));
    testfiles::Write(PathOf(LogKind::Chat, fileDate), Cp(Record(1)));
    m_reader->ReadNewLogText();
    testfiles::Append(PathOf(LogKind::Chat, fileDate), Cp(Record(2)));
    m_reader->ReadNewLogText();
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls, (QStringList{Chat(Replay, Record(1)), Chat(Live, Record(2))}));
    QCOMPARE(m_state->Log(LogKind::Chat).nextName, DailyLogName(u"ChatLog_"_s, nextDate));
}

void TestLogReader::guardClearedWhenProcessorThrows()
{
    testfiles::Write(PathOf(LogKind::Chat), Cp(Record(1)));
    m_reader->FirstShowing();
    testfiles::Append(PathOf(LogKind::Chat), Cp(Record(2)));
    testfiles::Write(PathOf(LogKind::Mail), "mail 1\r\n");
    m_processors.during = [](LogKind, ProcessingMode mode) {
        if (mode == ProcessingMode::Live)
            throw std::runtime_error("processor failed");
    };
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, m_reader->ReadNewLogText());
    QVERIFY(!m_state->readingGuard);

    m_processors.during = nullptr;
    testfiles::Append(PathOf(LogKind::Chat), Cp(Record(3)));
    m_reader->ReadNewLogText();
    // The failed text is not handed again; the mail the failure kept from being read is.
    QCOMPARE(m_processors.calls, (QStringList{Chat(Replay, Record(1)), Chat(Live, Record(2)), Chat(Live, Record(3)),
                                              u"mail live: mail 1⏎"_s}));
}

void TestLogReader::dayChangeHoldsWhenProcessorThrows()
{
    const QDate tomorrow = kToday.addDays(1);
    m_reader->FirstShowing();
    testfiles::Write(PathOf(LogKind::Chat, tomorrow), Cp(Record(1)));
    m_processors.during = [](LogKind, ProcessingMode) { throw std::runtime_error("processor failed"); };
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, m_reader->ReadNewLogText());
    m_processors.during = nullptr;
    testfiles::Append(PathOf(LogKind::Chat, tomorrow), Cp(Record(2)));
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls, (QStringList{Chat(Replay, Record(1)), Chat(Live, Record(2))}));
}

void TestLogReader::readingInsideReadingDoesNothing()
{
    testfiles::Write(PathOf(LogKind::Chat), Cp(Record(1)));
    m_reader->FirstShowing();
    testfiles::Append(PathOf(LogKind::Chat), Cp(Record(2)));
    m_processors.during = [this](LogKind, ProcessingMode) {
        m_processors.during = nullptr;
        testfiles::Append(PathOf(LogKind::Chat), Cp(Record(3)));
        m_reader->ReadNewLogText(); // a change reported while a processor runs
    };
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls, (QStringList{Chat(Replay, Record(1)), Chat(Live, Record(2))}));
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls.last(), Chat(Live, Record(3)));
}

void TestLogReader::nothingIsReadAfterRelease()
{
    testfiles::Write(PathOf(LogKind::Chat), Cp(Record(1)));
    testfiles::Write(PathOf(LogKind::Mail), "mail 1\r\n");
    m_reader->FirstShowing();
    testfiles::Append(PathOf(LogKind::Chat), Cp(Record(2)));
    testfiles::Append(PathOf(LogKind::Mail), "mail 2\r\n");
    // The window closes from inside a processor (a nested event loop): nothing after it.
    m_processors.during = [this](LogKind, ProcessingMode) {
        m_state->released = true;
        for (DailyLog &log : m_state->logs)
            log.buffer.clear();
    };
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls.size(), 3);
    QCOMPARE(m_processors.calls.last(), Chat(Live, Record(2)));
    QCOMPARE(m_processors.scrolls, 0);

    m_processors.during = nullptr;
    testfiles::Append(PathOf(LogKind::Chat), Cp(Record(3)));
    m_reader->ReadNewLogText();
    m_reader->FirstShowing();
    QCOMPARE(m_processors.calls.size(), 3);
    QVERIFY(!m_reader->ChangedSinceLastReading());
}

void TestLogReader::unreadableFileIsReportedAndRetried_data()
{
    QTest::addColumn<int>("what");
    QTest::newRow("a folder") << 0;
    // Neither may hold a reading up: one never ends, the other waits for a writer.
    QTest::newRow("an endless device") << 1;
    QTest::newRow("a pipe") << 2;
}

void TestLogReader::unreadableFileIsReportedAndRetried()
{
    // Something under the file's name that exists, but cannot be read as a file.
    QFETCH(int, what);
    const QString path = PathOf(LogKind::Chat);
    if (what == 0)
        QVERIFY(QDir().mkpath(path));
    else if (what == 1)
        QVERIFY(QFile::link(u"/dev/zero"_s, path));
    else
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    m_reader->FirstShowing();
    QVERIFY(m_processors.calls.isEmpty());
    QCOMPARE(m_reader->UnreadableFiles().size(), 1);
    QVERIFY(m_reader->UnreadableFiles().first().startsWith(DailyLogName(u"ChatLog_"_s, kToday)));
    QVERIFY(m_reader->ChangedSinceLastReading());

    m_reader->ReadNewLogText();
    QVERIFY(m_processors.calls.isEmpty());
    QCOMPARE(m_reader->UnreadableFiles().size(), 1);

    // Readable again: what it held is shown as it would have been at the first showing.
    QVERIFY(what == 0 ? QDir().rmdir(path) : QFile::remove(path));
    testfiles::Write(PathOf(LogKind::Chat), Cp(Record(1)));
    m_reader->ReadNewLogText();
    testfiles::Append(PathOf(LogKind::Chat), Cp(Record(2)));
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls, (QStringList{Chat(Replay, Record(1)), Chat(Live, Record(2))}));
    QVERIFY(m_reader->UnreadableFiles().isEmpty());
    QVERIFY(!m_reader->ChangedSinceLastReading());
}

void TestLogReader::emptyLogFolderReadsNothing()
{
    // With no LOG folder the names would resolve against the working folder.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });
    m_state->logDir.clear();
    testfiles::Write(DailyLogName(u"ChatLog_"_s, kToday), Cp(Record(1)));
    m_reader->FirstShowing();
    testfiles::Append(DailyLogName(u"ChatLog_"_s, kToday), Cp(Record(2)));
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls, QStringList());
    QVERIFY(!m_reader->ChangedSinceLastReading());
}

void TestLogReader::longFileIsReadFromWhereTheLastReadingStopped()
{
    QString day;
    for (int n = 0; n < 2000; ++n)
        day += Record(n % 100);
    testfiles::Write(PathOf(LogKind::Chat), Cp(day));
    m_reader->FirstShowing();
    // A change in the middle of what was read (neither the start nor the end) is not
    // looked at: an append is read on its own, as the cost must not grow with the day.
    QString changed = day;
    const qsizetype middle = day.indexOf(u"<Public>", day.size() / 2);
    changed[middle + 1] = u'X';
    testfiles::Write(PathOf(LogKind::Chat), Cp(changed + Record(1)));
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls.size(), 2);
    QCOMPARE(m_processors.calls.last(), Chat(Live, Record(1)));
    // A change at the end of what was read is a rewrite: the file is compared from its
    // start, and everything from the first line that differs goes on.
    changed[changed.size() - 5] = u'Y';
    testfiles::Write(PathOf(LogKind::Chat), Cp(changed + Record(1) + Record(2)));
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls.size(), 3);
    const QString now = changed + Record(1) + Record(2);
    QCOMPARE(m_processors.calls.last(), Chat(Live, now.sliced(now.lastIndexOf(u'\n', middle) + 1)));
}

void TestLogReader::changedSinceLastReading_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("changed");
    QTest::newRow("nothing") << u"nothing"_s << false;
    QTest::newRow("line appended") << u"append"_s << true;
    QTest::newRow("half a line appended") << u"half"_s << true;
    QTest::newRow("cut short") << u"cut"_s << true;
    QTest::newRow("only the time stamp") << u"touch"_s << true;
    QTest::newRow("deleted") << u"delete"_s << true;
    QTest::newRow("mail file created") << u"mail"_s << true;
    QTest::newRow("tomorrow's file created") << u"tomorrow"_s << true;
    QTest::newRow("another file") << u"other"_s << false;
}

void TestLogReader::changedSinceLastReading()
{
    QFETCH(QString, change);
    QFETCH(bool, changed);
    const QString chat = PathOf(LogKind::Chat);
    testfiles::Write(chat, Cp(Record(1)));
    m_reader->FirstShowing();
    QVERIFY(!m_reader->ChangedSinceLastReading());

    if (change == u"append") {
        testfiles::Append(chat, Cp(Record(2)));
    } else if (change == u"half") {
        testfiles::Append(chat, "12:0");
    } else if (change == u"cut") {
        testfiles::Write(chat, "a\r\n");
    } else if (change == u"touch") {
        QFile file(chat);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addSecs(-60),
                                 QFileDevice::FileModificationTime));
    } else if (change == u"delete") {
        QVERIFY(QFile::remove(chat));
    } else if (change == u"mail") {
        testfiles::Write(PathOf(LogKind::Mail), "mail\r\n");
    } else if (change == u"tomorrow") {
        testfiles::Write(PathOf(LogKind::Action, kToday.addDays(1)), "act\r\n");
    } else if (change == u"other") {
        testfiles::Write(m_state->logDir + u"notes.txt"_s, "x\r\n");
    }
    QCOMPARE(m_reader->ChangedSinceLastReading(), changed);
    // A reading brings the comparison back to rest.
    m_reader->ReadNewLogText();
    QVERIFY(!m_reader->ChangedSinceLastReading());
}

void TestLogReader::lineEndingInParenWaitsForTheNextLine_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("held");
    QTest::newRow("chat") << int(LogKind::Chat) << true;
    QTest::newRow("mail") << int(LogKind::Mail) << true;
    QTest::newRow("action") << int(LogKind::Action) << false;
}

void TestLogReader::lineEndingInParenWaitsForTheNextLine()
{
    QFETCH(int, kind);
    QFETCH(bool, held);
    const auto log = LogKind(kind);
    const QString path = PathOf(log);
    const QString header = u"12:00:00\t<Public>\tTaro(12345678)\r\n"_s;
    const QString rest = u"発言\r\n\r\n"_s;
    const QString next = u"12:00:01\t<Public>\tTaro(12345678)"_s;
    // At the first showing a last line ending in ")" goes on as it stands.
    testfiles::Write(path, Cp(header));
    m_reader->FirstShowing();
    // A header appended later, its line end written apart, waits for its text line.
    testfiles::Append(path, Cp(header.chopped(1)));
    m_reader->ReadNewLogText();
    testfiles::Append(path, "\n");
    m_reader->ReadNewLogText();
    // Then its text line and part of the next record.
    testfiles::Append(path, Cp(rest + next));
    m_reader->ReadNewLogText();
    QStringList expected{RecordingLogProcessors::Call(log, Replay, header)};
    if (held) {
        expected << RecordingLogProcessors::Call(log, Live, header + rest);
    } else {
        expected << RecordingLogProcessors::Call(log, Live, header) << RecordingLogProcessors::Call(log, Live, rest);
    }
    QCOMPARE(m_processors.calls, expected);
    // A header written whole, once more only after the line that follows it.
    testfiles::Append(path, "\r\n");
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls.size(), expected.size() + (held ? 0 : 1));
    testfiles::Append(path, Cp(rest));
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls.last(),
             RecordingLogProcessors::Call(log, Live, held ? next + u"\r\n"_s + rest : rest));
    QVERIFY(!m_reader->ChangedSinceLastReading());
}

void TestLogReader::recordSplitAfterItsHeaderMakesOneRow_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("linesBefore"); // lines of `second` written before the rest
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("chat") << int(LogKind::Chat) << Record(1) << Record(2) << 1
                          << QStringList{u"12:00:01|12345678|Taro|発言1|<Public>"_s,
                                         u"12:00:02|12345678|Taro|発言2|<Public>"_s};
    QTest::newRow("mail") << int(LogKind::Mail) << MailRecord(1) << MailRecord(2) << 1
                          << QStringList{u"12:30:01|87654321|Jiro|手紙1|%<Recv>"_s,
                                         u"12:30:02|87654321|Jiro|手紙2|%<Recv>"_s};
    // The body lines of a later reading keep the header of the mail they belong to.
    QTest::newRow("mail cut after its first body line")
        << int(LogKind::Mail) << MailRecord(1) << MailRecord(2).replace(u"\r\n\r\n"_s, u"\r\n続き\r\n\r\n"_s) << 2
        << QStringList{u"12:30:01|87654321|Jiro|手紙1|%<Recv>"_s, u"12:30:02|87654321|Jiro|手紙2|%<Recv>"_s,
                       u"12:30:02|87654321|Jiro|続き|%<Recv>"_s};
}

void TestLogReader::recordSplitAfterItsHeaderMakesOneRow()
{
    QFETCH(int, kind);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, linesBefore);
    QFETCH(QStringList, rows);
    const QString path = PathOf(LogKind(kind));
    qsizetype cut = 0;
    for (int n = 0; n < linesBefore; ++n)
        cut = second.indexOf(u"\r\n", cut) + 2;

    ProcessingLogProcessors processors(*m_state);
    LogReader reader(*m_state, processors, m_clock);
    testfiles::Write(path, Cp(first));
    reader.FirstShowing();
    testfiles::Append(path, Cp(second.left(cut)));
    reader.ReadNewLogText();
    testfiles::Append(path, Cp(second.mid(cut)));
    reader.ReadNewLogText();
    QCOMPARE(processors.host.RowTexts(), rows);
}

void TestLogReader::heldLineGoesOnAfterTwoStillSeconds_data()
{
    QTest::addColumn<bool>("changedBetween");
    QTest::newRow("file unchanged") << false;
    QTest::newRow("a change starts the 2 seconds again") << true;
}

void TestLogReader::heldLineGoesOnAfterTwoStillSeconds()
{
    QFETCH(bool, changedBetween);
    const QString path = PathOf(LogKind::Chat);
    const QString header = u"12:00:02\t<Public>\tTaro(12345678)\r\n"_s;
    testfiles::Write(path, Cp(Record(1)));
    m_reader->FirstShowing();
    testfiles::Append(path, Cp(header));
    m_reader->ReadNewLogText();
    m_clock.Set(m_clock.Now().addMSecs(1500));
    if (changedBetween)
        testfiles::Append(path, Cp(u"発"_s));
    QCOMPARE(m_reader->ChangedSinceLastReading(), changedBetween);
    m_reader->ReadNewLogText();
    m_clock.Set(m_clock.Now().addMSecs(1000));
    QCOMPARE(m_reader->ChangedSinceLastReading(), !changedBetween);
    m_reader->ReadNewLogText();
    QStringList expected{Chat(Replay, Record(1))};
    if (!changedBetween)
        expected << Chat(Live, header);
    QCOMPARE(m_processors.calls, expected);
    QCOMPARE(m_reader->ChangedSinceLastReading(), false);
}

void TestLogReader::oldFilesLastLinesGoOnAtDayChange_data()
{
    QTest::addColumn<QString>("appended");
    QTest::newRow("a whole record") << Record(2);
    QTest::newRow("a header waiting for its text") << Record(2).left(Record(2).indexOf(u"\r\n") + 2);
}

void TestLogReader::oldFilesLastLinesGoOnAtDayChange()
{
    QFETCH(QString, appended);
    const QDate tomorrow = kToday.addDays(1);
    testfiles::Write(PathOf(LogKind::Chat), Cp(Record(1)));
    m_reader->FirstShowing();
    // Appended to the old file, and the new one started, between two readings.
    testfiles::Append(PathOf(LogKind::Chat), Cp(appended));
    m_clock.Set(QDateTime(tomorrow, QTime(0, 0, 1)));
    testfiles::Write(PathOf(LogKind::Chat, tomorrow), Cp(Record(3)));
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls, (QStringList{Chat(Replay, Record(1)), Chat(Live, appended), Chat(Replay, Record(3))}));
}

void TestLogReader::dayWithoutFileMovesToTheNewestDay_data()
{
    QTest::addColumn<int>("clockDays");
    QTest::addColumn<QList<int>>("fileDays");
    QTest::addColumn<int>("followedDay"); // 0: today's file stays current

    QTest::newRow("no file the next day, one the day after") << 2 << QList<int>{2} << 2;
    QTest::newRow("of several days' files the newest") << 4 << QList<int>{2, 3} << 3;
    QTest::newRow("a file dated after the clock waits for its day") << 2 << QList<int>{3} << 0;
}

void TestLogReader::dayWithoutFileMovesToTheNewestDay()
{
    QFETCH(int, clockDays);
    QFETCH(QList<int>, fileDays);
    QFETCH(int, followedDay);
    testfiles::Write(PathOf(LogKind::Mail), Cp(MailRecord(1)));
    m_reader->FirstShowing();
    m_clock.Set(QDateTime(kToday.addDays(clockDays), QTime(9, 0)));
    for (const int day : fileDays)
        testfiles::Write(PathOf(LogKind::Mail, kToday.addDays(day)), Cp(MailRecord(day)));
    QCOMPARE(m_reader->ChangedSinceLastReading(), followedDay != 0);
    m_reader->ReadNewLogText();
    const QDate followed = kToday.addDays(followedDay);
    testfiles::Append(PathOf(LogKind::Mail, followed), Cp(MailRecord(9)));
    m_reader->ReadNewLogText();
    QStringList expected{RecordingLogProcessors::Call(LogKind::Mail, Replay, MailRecord(1))};
    if (followedDay != 0)
        expected << RecordingLogProcessors::Call(LogKind::Mail, Replay, MailRecord(followedDay));
    expected << RecordingLogProcessors::Call(LogKind::Mail, Live, MailRecord(9));
    QCOMPARE(m_processors.calls, expected);
    QCOMPARE(m_state->Log(LogKind::Mail).currentName, DailyLogName(u"MailLog_"_s, followed));
}

void TestLogReader::namesAreLookedForWhenTheyMayHaveChanged_data()
{
    // A reading told that only files' contents changed (the folder watch saw nothing else)
    // skips looking for new names on the same day; a reading told nothing looks.
    QTest::addColumn<bool>("namesMayHaveChanged");
    QTest::addColumn<int>("clockDays");
    QTest::addColumn<bool>("found");
    QTest::newRow("names may have changed") << true << 0 << true;
    QTest::newRow("only contents, same day") << false << 0 << false;
    QTest::newRow("only contents, the day has changed") << false << 1 << true;
}

void TestLogReader::namesAreLookedForWhenTheyMayHaveChanged()
{
    QFETCH(bool, namesMayHaveChanged);
    QFETCH(int, clockDays);
    QFETCH(bool, found);
    const QDate tomorrow = kToday.addDays(1);
    testfiles::Write(PathOf(LogKind::Chat), Cp(Record(1)));
    m_reader->FirstShowing();
    m_reader->ReadNewLogText();
    testfiles::Write(PathOf(LogKind::Chat, tomorrow), Cp(Record(2)));
    testfiles::Write(PathOf(LogKind::Mail), Cp(MailRecord(3)));
    m_clock.Set(QDateTime(kToday.addDays(clockDays), QTime(0, 1)));
    m_reader->ReadNewLogText(namesMayHaveChanged);
    const QStringList after{Chat(Replay, Record(2)), RecordingLogProcessors::Call(LogKind::Mail, Live, MailRecord(3))};
    QCOMPARE(m_processors.calls, found ? QStringList{Chat(Replay, Record(1))} + after : QStringList{Chat(Replay, Record(1))});
    m_reader->ReadNewLogText();
    QCOMPARE(m_processors.calls, QStringList{Chat(Replay, Record(1))} + after);
    QCOMPARE(m_state->Log(LogKind::Chat).currentName, DailyLogName(u"ChatLog_"_s, tomorrow));
}

void TestLogReader::nextReadBytes_data()
{
    QTest::addColumn<qint64>("left");
    QTest::addColumn<qint64>("readSize");
    QTest::addColumn<qint64>("bytes");
    QTest::newRow("a record appended") << qint64(90) << qint64(256 * 1024) << qint64(91);
    QTest::newRow("at the end as looked at") << qint64(0) << qint64(256 * 1024) << qint64(1);
    QTest::newRow("more than a piece left") << qint64(1 << 20) << qint64(256 * 1024) << qint64(256 * 1024);
    // The game wrote on while the file was read: a byte at a time would chase it.
    QTest::newRow("grown past the look") << qint64(-1) << qint64(256 * 1024) << qint64(256 * 1024);
    QTest::newRow("far past the look") << qint64(-5000) << qint64(4096) << qint64(4096);
    QTest::newRow("tiny pieces") << qint64(-3) << qint64(1) << qint64(1);
}

void TestLogReader::nextReadBytes()
{
    QFETCH(qint64, left);
    QFETCH(qint64, readSize);
    QFETCH(qint64, bytes);
    QCOMPARE(NextReadBytes(left, readSize), bytes);
}

QTEST_GUILESS_MAIN(TestLogReader)
#include "tst_logreader.moc"
