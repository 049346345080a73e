#include "platform/Cp932.h"
#include "platform/ProfileFile.h"
#include "support/TestFiles.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray ChatRecord(const QString &speaker, const QString &text)
{
    return kiv::cp932::Encode(u"12:00:00\t<Public>\t"_s + speaker + u"\r\n"_s + text + u"\r\n\r\n"_s);
}

// A program folder with the real binary copied alone into it, beside a LOG folder.
struct ProgramFolder
{
    ProgramFolder()
    {
        program = dir.filePath(u"program"_s);
        logDir = dir.filePath(u"LOG"_s);
        QDir().mkdir(program);
        QDir().mkdir(logDir);
        const QString binary = qEnvironmentVariable("KIVREADER_BINARY");
        QFile::copy(binary, File(u"kivreader"_s));
        QFile::setPermissions(File(u"kivreader"_s),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString File(const QString &name) const { return program + u'/' + name; }
    QString ChatLog() const
    {
        return logDir + u"/ChatLog_"_s + QDate::currentDate().toString(u"yyyyMMdd"_s) + u".txt"_s;
    }
    void WriteSettings(const QString &ownId) const
    {
        testfiles::Write(File(u"kivreader.ini"_s),
                         testfiles::Cp932(u"[system]\r\nlogdir="_s + logDir + u"\r\nKivID="_s + ownId + u"\r\n"_s));
    }

    QTemporaryDir dir;
    QString program;
    QString logDir;
};

// Runs a shell command to its end and returns what it printed.
QString Run(const QString &command, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(u"sh"_s, {u"-c"_s, command});
    p.waitForFinished(30000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

} // namespace

// The real program following a LOG folder the way the game fills it: lines appended
// while it runs are read live and the user's own commands take effect; it is ended by
// SIGTERM and what it saved is checked.
class TestE2eFollow : public QObject
{
    Q_OBJECT
private slots:
    void infoCommandsOfTheOwnIdReachTheSettings_data();
    void infoCommandsOfTheOwnIdReachTheSettings();
    void setupRegistersOnlyFromLiveLines();

private:
    void Start(QProcess &process, const ProgramFolder &folder, const QProcessEnvironment &env);
    void Stop(QProcess &process);
};

void TestE2eFollow::Start(QProcess &process, const ProgramFolder &folder, const QProcessEnvironment &env)
{
    QVERIFY2(testfiles::StartProgram(process, folder.File(u"kivreader"_s), folder.dir.path(), env),
             qPrintable(process.errorString()));
}

void TestE2eFollow::Stop(QProcess &process)
{
    QCOMPARE(::kill(pid_t(process.processId()), SIGTERM), 0);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
}

void TestE2eFollow::infoCommandsOfTheOwnIdReachTheSettings_data()
{
    QTest::addColumn<QString>("speaker");
    QTest::addColumn<bool>("applies");
    QTest::newRow("own ID") << u"わたし(12345678)"_s << true;
    QTest::newRow("another player") << u"Other(87654321)"_s << false;
}

void TestE2eFollow::infoCommandsOfTheOwnIdReachTheSettings()
{
    QFETCH(QString, speaker);
    QFETCH(bool, applies);
    ProgramFolder folder;
    folder.WriteSettings(u"12345678"_s);
    testfiles::Write(folder.ChatLog(), ChatRecord(u"Taro(11111111)"_s, u"こんにちは"_s));

    QProcess process;
    Start(process, folder, testfiles::OffscreenEnvironment());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder.File(u"Wanted.lst"_s)), 60000);
    QTest::qWait(500); // the first showing and the start of following

    testfiles::Append(folder.ChatLog(), ChatRecord(speaker, u"@info size 300 100"_s));
    QTest::qWait(300);
    testfiles::Append(folder.ChatLog(), ChatRecord(speaker, u"@info alpha 180"_s));
    // Followed within milliseconds; the 2-second check backs it up.
    QTest::qWait(2500);
    Stop(process);

    ProfileFile ini(folder.File(u"kivreader.ini"_s));
    QVERIFY(ini.Load());
    const auto read = [&ini](const char *key) { return ini.ReadInt(u"window"_s, QString::fromLatin1(key), -1); };
    if (applies) {
        QCOMPARE(read("info.right") - read("info.left"), 300);
        QCOMPARE(read("info.bottom") - read("info.top"), 100);
        QCOMPARE(read("info.alpha"), 180);
    } else {
        QCOMPARE(read("info.right") - read("info.left"), 350);
        QCOMPARE(read("info.bottom") - read("info.top"), 150);
        QCOMPARE(read("info.alpha"), 255);
    }
}

void TestE2eFollow::setupRegistersOnlyFromLiveLines()
{
    // The own ID question at start is answered by cancelling it, as a user would, so this
    // runs on a real X display.
    const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
    const QString xdotool = QStandardPaths::findExecutable(u"xdotool"_s);
    if (xvfb.isEmpty() || xdotool.isEmpty())
        QSKIP("needs Xvfb and xdotool");

    int display = 0;
    for (int n = 87; n < 120; ++n) {
        if (!QFileInfo::exists(u"/tmp/.X%1-lock"_s.arg(n)) && !QFileInfo::exists(u"/tmp/.X11-unix/X%1"_s.arg(n))) {
            display = n;
            break;
        }
    }
    QVERIFY(display != 0);
    QProcess server;
    // Without -noreset the server resets each time its last client leaves (every xdotool
    // call is one), and a program that connects during the reset cannot open the display.
    server.start(xvfb, {u":%1"_s.arg(display), u"-screen"_s, u"0"_s, u"1024x768x24"_s, u"-nolisten"_s, u"tcp"_s,
                        u"-noreset"_s});
    QVERIFY(server.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(u"/tmp/.X11-unix/X%1"_s.arg(display)), 20000);
    auto stopServer = qScopeGuard([&server] {
        server.terminate();
        server.waitForFinished(5000);
    });

    ProgramFolder folder;
    folder.WriteSettings(u"00000000"_s);
    // Present at start: replayed, so it registers nothing.
    testfiles::Write(folder.ChatLog(), ChatRecord(u"Old(11111111)"_s, u"@setup"_s));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, u":%1"_s.arg(display));
    env.remove(u"QT_QPA_PLATFORM"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    QProcess process;
    Start(process, folder, env);

    // The ID question: point at it (no window manager, so the pointer gives the focus)
    // and cancel it.
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = Run(u"xdotool search --name '^KivReader$' | head -1"_s, env)).isEmpty(),
                             30000);
    Run(u"xdotool mousemove --window %1 20 20 && sleep 0.3 && xdotool key Escape"_s.arg(window), env);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder.File(u"Wanted.lst"_s)), 30000);
    QTest::qWait(1000);

    testfiles::Append(folder.ChatLog(), ChatRecord(u"Me(87654321)"_s, u"@setup"_s));
    QTest::qWait(2500);
    Stop(process);

    ProfileFile ini(folder.File(u"kivreader.ini"_s));
    QVERIFY(ini.Load());
    QCOMPARE(ini.ReadString(u"system"_s, u"KivID"_s), u"87654321"_s);
}

QTEST_GUILESS_MAIN(TestE2eFollow)
#include "tst_e2e_follow.moc"
