#include "platform/Cp932.h"
#include "support/TestFiles.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

// The real program with a sound command and a messenger command of the test's own, both
// a script that writes down its arguments: a wanted word in a live line plays its slot,
// "@send" from the own line and the switch-off at the end reach the messenger.
class TestE2eAlarms : public QObject
{
    Q_OBJECT
private slots:
    void wantedWordAndMessenger();
};

void TestE2eAlarms::wantedWordAndMessenger()
{
    const QString binary = qEnvironmentVariable("KIVREADER_BINARY");
    QVERIFY2(QFileInfo(binary).isExecutable(), qPrintable(binary));
    QTemporaryDir dir;
    const QString program = dir.filePath(u"program"_s);
    const QString logDir = dir.filePath(u"LOG"_s);
    QVERIFY(QDir().mkpath(program + u"/sound"_s));
    QVERIFY(QDir().mkdir(logDir));
    const auto file = [&program](const QString &name) -> QString { return program + u'/' + name; };
    QVERIFY(QFile::copy(binary, file(u"kivreader"_s)));
    QVERIFY(QFile::setPermissions(file(u"kivreader"_s), QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    // Writes its arguments after the first, joined by "|", to the log the first names.
    const QString recorder = dir.filePath(u"record me.sh"_s);
    testfiles::Write(recorder, "#!/bin/sh\nlog=\"$1\"; shift\nIFS='|'\nprintf '%s\\n' \"$*\" >> \"$log\"\n");
    QVERIFY(QFile::setPermissions(recorder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const QString sounds = dir.filePath(u"sounds.log"_s);
    const QString messages = dir.filePath(u"messenger.log"_s);
    testfiles::Write(file(u"sound/ding.wav"_s), "RIFF");
    testfiles::Write(file(u"kivreader.ini"_s),
                     testfiles::Cp932(u"[system]\r\nlogdir="_s + logDir + u"\r\nKivID=12345678\r\n[sound]\r\nbeep3=Ding.wav\r\n"
                                      u"player='"_s + recorder + u"' "_s + sounds + u"\r\n[messenger]\r\ncommand=\""_s
                                      + recorder + u"\" "_s + messages + u"\r\n"_s));
    testfiles::Write(file(u"wanted.lst"_s), testfiles::Utf16Le(u"chat:teapot=@beep3\r\n"_s));
    const QString chatLog = logDir + u"/ChatLog_"_s + QDate::currentDate().toString(u"yyyyMMdd"_s) + u".txt"_s;
    const auto say = [&chatLog](const QString &speaker, const QString &text) {
        testfiles::Append(chatLog, kiv::cp932::Encode(u"12:00:00\t<Public>\t"_s + speaker + u"\r\n"_s + text
                                                      + u"\r\n\r\n"_s));
    };
    say(u"Taro(11111111)"_s, u"a teapot before the start"_s);

    QProcess process;
    QVERIFY2(testfiles::StartProgram(process, file(u"kivreader"_s), dir.path()), qPrintable(process.errorString()));

    // Lines written before following began are replayed and ring nothing: say the word
    // again until a live reading has heard it.
    const QByteArray played = (file(u"sound/ding.wav"_s) + u'\n').toLocal8Bit();
    for (int i = 0; i < 60 && !testfiles::Read(sounds).contains(played); ++i) {
        say(u"Hana(22222222)"_s, u"teapot!"_s);
        QTest::qWait(1000);
    }
    QVERIFY(testfiles::Read(sounds).startsWith(played));

    say(u"Me(12345678)"_s, u"@send at the shop"_s);
    QTRY_COMPARE_WITH_TIMEOUT(testfiles::Read(messages), QByteArray("1|at the shop\n"), 30000);
    QCOMPARE(::kill(pid_t(process.processId()), SIGTERM), 0);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(testfiles::Read(messages), QByteArray("1|at the shop\n0|\n"), 30000);
}

QTEST_GUILESS_MAIN(TestE2eAlarms)
#include "tst_e2e_alarms.moc"
