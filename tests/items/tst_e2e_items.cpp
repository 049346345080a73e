#include "platform/ProfileFile.h"
#include "support/TestFiles.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

// The real program follows a game's pick-ups while both item windows show; at its end
// the item database holds what it learned and the settings the windows' places.
class TestE2eItems : public QObject
{
    Q_OBJECT
private slots:
    void learnsAndKeepsWindows();
};

void TestE2eItems::learnsAndKeepsWindows()
{
    const QString binary = qEnvironmentVariable("KIVREADER_BINARY");
    QVERIFY2(QFileInfo(binary).isExecutable(), qPrintable(binary));
    QTemporaryDir dir;
    const QString program = dir.filePath(u"program"_s);
    const QString logDir = dir.filePath(u"LOG"_s);
    QVERIFY(QDir().mkdir(program) && QDir().mkdir(logDir));
    const QString copy = program + u"/kivreader"_s;
    QVERIFY(QFile::copy(binary, copy));
    QVERIFY(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const auto file = [&program](const QString &name) -> QString { return program + u'/' + name; };
    testfiles::Write(file(u"kivreader.ini"_s),
                     testfiles::Cp932(u"[system]\r\nlogdir="_s + logDir +
                                      u"\r\nKivID=12345678\r\n[window]\r\nItemWindow=1\r\nItemHinWindow=1\r\n"
                                      u"item.left=40\r\nitem.top=50\r\nitem.right=340\r\nitem.bottom=210\r\n"
                                      u"itemhin.left=400\r\nitemhin.top=50\r\nitemhin.right=650\r\nitemhin.bottom=200\r\n"
                                      u"item.alpha=200\r\nItemSyutoku=1\r\nItemRandam=0\r\n"_s));
    const QString day = QDate::currentDate().toString(u"yyyyMMdd"_s);
    const QString action = logDir + u"/ActionLog_"_s + day + u".txt"_s;
    const QString chat = logDir + u"/ChatLog_"_s + day + u".txt"_s;
    testfiles::Write(action, testfiles::Cp932(u"09:00:00\t10000001\tたろう\t[pickup]\t-\t古い表札(1)\r\n"_s));
    testfiles::Write(chat, QByteArray());

    QProcess process;
    QVERIFY2(testfiles::StartProgram(process, copy), qPrintable(process.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(file(u"Wanted.lst"_s)), 60000);

    testfiles::Append(action, testfiles::Cp932(u"09:00:01\t10000002\tHanako\t[pickup]\t-\t新しい剣(2)\r\n"
                                               u"09:00:02\t10000002\tHanako\t[pickup]\t-\tペルカ(300)\r\n"_s));
    // The export shows what the running program learned. The chat is read before the
    // actions, and a command said before the folder is followed is only replayed, so it is
    // said again until the export holds the new item.
    const QString tsv = file(u"ItemDB.TSV"_s);
    const auto learned = [&tsv] { return testfiles::ListFileLines(tsv).contains(u"不明\t不明\t新しい剣\t"_s); };
    for (int i = 0; i < 20 && !learned(); ++i) {
        testfiles::Append(chat, testfiles::Cp932(u"09:00:03\t<Party>\tわたし(12345678)\r\n@item output\r\n\r\n"_s));
        if (QTest::qWaitFor(learned, 3000))
            break;
    }
    QVERIFY2(learned(), qPrintable(testfiles::ListFileLines(tsv).join(u'|')));

    QCOMPARE(::kill(pid_t(process.processId()), SIGTERM), 0);
    QVERIFY(process.waitForFinished(60000));
    const QStringList db = testfiles::ListFileLines(file(u"ItemDB.lst"_s));
    for (const QString &line : {u"古い表札=\t不明\t不明"_s, u"新しい剣=\t不明\t不明"_s, u"ペルカ=\t不明\t不明"_s})
        QVERIFY2(db.contains(line), qPrintable(db.join(u'|')));
    ProfileFile ini(file(u"kivreader.ini"_s));
    QVERIFY(ini.Load());
    const QStringList expected{u"item.left=40"_s,     u"item.top=50"_s,        u"item.right=340"_s,
                               u"item.bottom=210"_s,  u"itemhin.left=400"_s,   u"itemhin.right=650"_s,
                               u"item.alpha=200"_s,   u"itemhin.alpha=200"_s,  u"ItemSyutoku=1"_s};
    for (const QString &pair : expected) {
        const QString key = pair.section(u'=', 0, 0);
        QCOMPARE(ini.ReadString(u"window"_s, key), pair.section(u'=', 1));
    }
}

QTEST_GUILESS_MAIN(TestE2eItems)
#include "tst_e2e_items.moc"
