#include "platform/ProfileFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

// The real program, copied alone into a fresh program folder, is ended by a signal as a
// logout or `kill` would end it, and must have saved its settings and lists.
class TestE2eShutdown : public QObject
{
    Q_OBJECT
private slots:
    void savesWhenEndedBySignal_data();
    void savesWhenEndedBySignal();
};

void TestE2eShutdown::savesWhenEndedBySignal_data()
{
    QTest::addColumn<int>("signalNumber");

    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestE2eShutdown::savesWhenEndedBySignal()
{
    QFETCH(int, signalNumber);
    const QString binary = qEnvironmentVariable("KIVREADER_BINARY");
    QVERIFY2(QFileInfo(binary).isExecutable(), qPrintable(binary));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString program = dir.filePath(u"program"_s);
    const QString logDir = dir.filePath(u"LOG"_s);
    QVERIFY(QDir().mkdir(program));
    QVERIFY(QDir().mkdir(logDir));
    const QString copy = program + u"/kivreader"_s;
    QVERIFY(QFile::copy(binary, copy));
    QVERIFY(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const auto file = [&program](const QString &name) -> QString { return program + u'/' + name; };

    // An existing LOG folder and own ID: nothing is asked at start.
    testfiles::Write(file(u"kivreader.ini"_s),
                     testfiles::Cp932(u"; mine\r\n[system]\r\nlogdir="_s + logDir +
                                      u"\r\nKivID=12345678\r\n[window]\r\nstyle=0\r\nmy.key=表\r\n"_s));
    testfiles::Write(file(u"Whois.lst"_s), testfiles::Cp932(u"87654321=\tボブ\r\n12345678=\tAlice\r\n"_s));

    QProcess process;
    // Run elsewhere: the files go beside the program, not into the working folder.
    QVERIFY2(testfiles::StartProgram(process, copy, dir.path()), qPrintable(process.errorString()));
    // The wanted list is the last file the start-up creates.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(file(u"Wanted.lst"_s)), 60000);
    QCOMPARE(process.state(), QProcess::Running);

    QCOMPARE(::kill(pid_t(process.processId()), signalNumber), 0);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    ProfileFile ini(file(u"kivreader.ini"_s));
    QVERIFY(ini.Load());
    QCOMPARE(ini.ReadString(u"System"_s, u"logdir"_s), logDir + u'/');
    QCOMPARE(ini.ReadString(u"system"_s, u"KivID"_s), u"12345678"_s);
    QCOMPARE(ini.ReadString(u"system"_s, u"ActionLog"_s), u"1"_s);
    QCOMPARE(ini.ReadString(u"window"_s, u"style"_s), u"0"_s);
    QCOMPARE(ini.ReadString(u"window"_s, u"my.key"_s), u"表"_s);
    QStringList window{u"info.left"_s,     u"info.top"_s,       u"info.right"_s,  u"info.bottom"_s,
                       u"InfoWindow"_s,    u"info.alpha"_s,     u"ItemSellClear"_s, u"itemWindow"_s,
                       u"ItemSyutoku"_s,   u"ItemRandam"_s,     u"item.alpha"_s,  u"itemhinWindow"_s,
                       u"itemhin.alpha"_s, u"chat.width"_s,     u"chat.heidht"_s, u"who.width"_s,
                       u"who.height"_s};
    for (int i = 0; i < 4; ++i)
        window << QStringLiteral("chat.colwidth%1").arg(i);
    for (int i = 0; i < 14; ++i)
        window << QStringLiteral("who.colwidth%1").arg(i);
    for (const QString &key : window)
        QVERIFY2(ini.HasKey(u"window"_s, key), qPrintable(key));
    for (const QString &key : {u"Left"_s, u"Top"_s, u"Width"_s, u"Height"_s})
        QVERIFY2(ini.HasKey(u"FrmKivMain"_s, key), qPrintable(key));
    QVERIFY(testfiles::Read(file(u"kivreader.ini"_s)).startsWith("; mine\r\n"));

    // The roster was saved at close: UTF-16 LE with its mark, sorted at load.
    QCOMPARE(testfiles::Read(file(u"Whois.lst"_s)), testfiles::Utf16Le(u"12345678=\tAlice\r\n87654321=\tボブ\r\n"_s));
    for (const QString &name : {u"IDNote.lst"_s, u"ItemDB.lst"_s, u"Wanted.lst"_s})
        QCOMPARE(testfiles::Read(file(name)), QByteArray("\xFF\xFE", 2));
    // Nothing else: no temporary file left behind.
    QCOMPARE(QDir(program).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{u"IDNote.lst"_s, u"ItemDB.lst"_s, u"Wanted.lst"_s, u"Whois.lst"_s, u"kivreader"_s,
                          u"kivreader.ini"_s}));
}

QTEST_GUILESS_MAIN(TestE2eShutdown)
#include "tst_e2e_shutdown.moc"
