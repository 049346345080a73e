#include "support/TestFiles.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

// The real program rebuilds its roster from days of logs when the user says "@who makeup"
// in the game, and at each close from yesterday's and today's logs only.
class TestE2eWho : public QObject
{
    Q_OBJECT
private slots:
    void makeupThenClose();

private:
    // Runs the program until `@item output` said in the game has been answered (so the
    // folder is followed and `said` has run), then ends it as a logout would.
    void RunOnce(const QString &said);

    QTemporaryDir m_dir;
    QString m_program;
    QString m_logDir;
};

namespace {

QString Day(int daysAgo)
{
    return QDate::currentDate().addDays(-daysAgo).toString(u"yyyyMMdd"_s);
}

QByteArray Chat(const QString &speaker, const QString &text = u"hi"_s)
{
    return testfiles::Cp932(u"10:00:00\t<Party>\t"_s + speaker + u"\r\n"_s + text + u"\r\n\r\n"_s);
}

QByteArray Act(const QString &id, const QString &name, const QString &item)
{
    return testfiles::Cp932(u"10:00:00\t"_s + id + u'\t' + name + u"\t[pickup]\t-\t"_s + item + u"(1)\r\n"_s);
}

} // namespace

void TestE2eWho::RunOnce(const QString &said)
{
    const QString copy = m_program + u"/kivreader"_s;
    const QString tsv = m_program + u"/ItemDB.TSV"_s;
    QFile::remove(tsv);
    QProcess process;
    QVERIFY2(testfiles::StartProgram(process, copy), qPrintable(process.errorString()));
    // A line said before the folder is followed is only replayed: it is said again.
    const QString today = m_logDir + u"/ChatLog_"_s + Day(0) + u".txt"_s;
    for (int i = 0; i < 30 && !QFileInfo::exists(tsv); ++i) {
        testfiles::Append(today, Chat(u"わたし(12345678)"_s, said + u" @item output"_s));
        if (QTest::qWaitFor([&tsv] { return QFileInfo::exists(tsv); }, 3000))
            break;
    }
    QVERIFY(QFileInfo::exists(tsv));
    QCOMPARE(::kill(pid_t(process.processId()), SIGTERM), 0);
    QVERIFY(process.waitForFinished(60000));
}

void TestE2eWho::makeupThenClose()
{
    const QString binary = qEnvironmentVariable("KIVREADER_BINARY");
    QVERIFY2(QFileInfo(binary).isExecutable(), qPrintable(binary));
    m_program = m_dir.filePath(u"program"_s);
    m_logDir = m_dir.filePath(u"LOG"_s);
    QVERIFY(QDir().mkdir(m_program) && QDir().mkdir(m_logDir));
    const QString copy = m_program + u"/kivreader"_s;
    QVERIFY(QFile::copy(binary, copy));
    QVERIFY(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    testfiles::Write(m_program + u"/kivreader.ini"_s,
                     testfiles::Cp932(u"[system]\r\nlogdir="_s + m_logDir + u"\r\nKivID=12345678\r\n"_s));
    const auto log = [this](const QString &prefix, int daysAgo) -> QString {
        return m_logDir + u'/' + prefix + Day(daysAgo) + u".txt"_s;
    };
    testfiles::Write(log(u"ChatLog_"_s, 3), Chat(u"Ann(10000001)"_s) + Chat(u"Bob(10000002)"_s));
    testfiles::Write(log(u"ChatLog_"_s, 1), Chat(u"Ann(10000001)"_s) + Chat(u"Annie(10000001)"_s));
    testfiles::Write(log(u"ActionLog_"_s, 2), Act(u"20000001"_s, u"Cid"_s, u"古い盾"_s));
    testfiles::Write(log(u"ActionLog_"_s, 0), Act(u"20000002"_s, u"Dee"_s, u"新しい剣"_s));
    testfiles::Write(log(u"ChatLog_"_s, 0), QByteArray());

    RunOnce(u"@who makeup"_s);
    const auto lines = [this](const QString &name) { return testfiles::ListFileLines(m_program + u'/' + name); };
    const QStringList roster{u"10000001=\tAnn\tAnnie"_s, u"10000002=\tBob"_s, u"12345678=\tわたし"_s,
                             u"20000001=\tCid"_s, u"20000002=\tDee"_s};
    QCOMPARE(lines(u"Whois.lst"_s), roster);
    const QStringList notes{u"20000001=\t1\t1\t0\t0\t0"_s, u"20000002=\t1\t1\t0\t0\t0"_s};
    QCOMPARE(lines(u"IDNote.lst"_s), notes);
    const QStringList items = lines(u"ItemDB.lst"_s);
    for (const QString &item : {u"古い盾=\t不明\t不明"_s, u"新しい剣=\t不明\t不明"_s})
        QVERIFY2(items.contains(item), qPrintable(items.join(u'|')));

    // New pairs on an old day and on yesterday: only yesterday's reach the roster at close.
    testfiles::Append(log(u"ChatLog_"_s, 3), Chat(u"Old(30000001)"_s));
    testfiles::Append(log(u"ChatLog_"_s, 1), Chat(u"New(30000002)"_s));
    testfiles::Append(log(u"ActionLog_"_s, 1), Act(u"30000003"_s, u"Eve"_s, u"古い盾"_s));
    RunOnce(u"hello"_s);
    QCOMPARE(lines(u"Whois.lst"_s), QStringList(roster) << u"30000002=\tNew"_s << u"30000003=\tEve"_s);
    QCOMPARE(lines(u"IDNote.lst"_s), QStringList(notes) << u"30000003=\t1\t1\t0\t0\t0"_s);
}

QTEST_GUILESS_MAIN(TestE2eWho)
#include "tst_e2e_who.moc"
