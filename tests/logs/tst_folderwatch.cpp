#include "RecordingLogProcessors.h"

#include "core/AppState.h"
#include "logs/DayNames.h"
#include "logs/LogFollower.h"
#include "logs/TFolderWatch.h"
#include "support/FakeClock.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using WatchState = TFolderWatch::WatchState;

// Sets a file's times to now: exactly one change event, so calls can be counted.
void Touch(const QString &path)
{
    QVERIFY2(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, 0) == 0, qPrintable(path));
}

// Counts the calls of a watch's callback and where they ran; `inside` runs within a call.
struct Callback
{
    int calls = 0;
    bool allInMainThread = true;
    std::function<void(int call)> inside;

    void Attach(TFolderWatch &watch)
    {
        watch.OnChange = [this] {
            ++calls;
            allInMainThread = allInMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
            if (inside)
                inside(calls);
        };
    }
};

QString Record(int n)
{
    return u"12:00:%1\t<Public>\tTaro(12345678)\r\n発言%2\r\n\r\n"_s.arg(n, 2, 10, QChar(u'0')).arg(n);
}

// Today's chat log in `folder` with one record, and what a follower of it needs.
struct FollowedLog
{
    explicit FollowedLog(const QString &folder)
    {
        state.logDir = folder + u'/';
        SetDayNames(state, clock.Now().date());
        chat = state.logDir + state.Log(LogKind::Chat).currentName;
        testfiles::Write(chat, testfiles::Cp932(Record(1)));
    }
    FakeClock clock;
    AppState state;
    RecordingLogProcessors processors;
    QString chat;
};

} // namespace

class TestFolderWatch : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void changeCallsBackInTheMainThread_data();
    void changeCallsBackInTheMainThread();
    void subfolderChangesCallNothing();
    void burstDuringCallbackGivesOneMoreCall();
    void stopBeforeTheChangeIsTaken();
    void stopFromInsideTheCallback();
    void callsNeverOverlapInANestedEventLoop();
    void folderDeletedAndCreatedAgain();
    void folderMovedAwayAndReplaced();
    void folderMissingAtStart();

    void followerHandsAppendedRecordLive();
    void followerFindsFilesThatAppear();
    void comparisonFollowsWithoutFolderEvents();
    void followerStatus_data();
    void followerStatus();

private:
    QString m_log; // the watched folder, inside the temporary folder
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFolderWatch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_log = m_dir->path() + u"/LOG"_s;
    QVERIFY(QDir().mkpath(m_log));
    testfiles::Write(m_log + u"/a.txt"_s, "a\r\n");
}

void TestFolderWatch::cleanup()
{
    m_dir.reset();
}

void TestFolderWatch::changeCallsBackInTheMainThread_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("namesChanged");
    QTest::newRow("file created") << u"create"_s << true;
    QTest::newRow("file appended") << u"append"_s << false;
    QTest::newRow("time stamp set") << u"touch"_s << true;
    QTest::newRow("file renamed") << u"rename"_s << true;
    QTest::newRow("file deleted") << u"delete"_s << true;
}

void TestFolderWatch::changeCallsBackInTheMainThread()
{
    QFETCH(QString, change);
    QFETCH(bool, namesChanged);
    TFolderWatch watch(m_log);
    Callback callback;
    callback.Attach(watch);
    watch.Start();
    QTRY_COMPARE(watch.State(), WatchState::Watching);
    QCOMPARE(callback.calls, 0);
    const QString file = m_log + u"/a.txt"_s;
    // Nothing is known of what happened before the watch began: its first call says that
    // names may have changed, whatever the change was.
    QVERIFY(!watch.TakeNamesChanged());
    // The macros look at their expression more than once: what is taken is kept.
    bool names = false;
    const auto namesTaken = [&] { return names = names || watch.TakeNamesChanged(); };
    testfiles::Append(file, "first\r\n");
    QTRY_VERIFY(namesTaken());
    names = false;
    QTRY_VERIFY(callback.calls >= 1);
    QTest::qWait(100); // the write's last event may come on its own
    const int before = callback.calls;

    if (change == u"create")
        testfiles::Write(m_log + u"/b.txt"_s, "b\r\n");
    else if (change == u"append")
        testfiles::Append(file, "more\r\n");
    else if (change == u"touch")
        Touch(file);
    else if (change == u"rename")
        QVERIFY(QFile::rename(file, m_log + u"/c.txt"_s));
    else if (change == u"delete")
        QVERIFY(QFile::remove(file));
    if (namesChanged) {
        QTRY_VERIFY(namesTaken());
    } else {
        QTRY_VERIFY(callback.calls > before);
        QVERIFY(!watch.TakeNamesChanged());
    }
    QTRY_VERIFY(callback.calls > before);
    QVERIFY(callback.allInMainThread);
}

void TestFolderWatch::subfolderChangesCallNothing()
{
    QVERIFY(QDir().mkpath(m_log + u"/sub"_s));
    TFolderWatch watch(m_log);
    Callback callback;
    callback.Attach(watch);
    // Written while the first call runs, so that the thread sees them all at once after it.
    callback.inside = [this](int call) {
        if (call != 1)
            return;
        testfiles::Write(m_log + u"/sub/x.txt"_s, "x\r\n");
        testfiles::Append(m_log + u"/sub/x.txt"_s, "y\r\n");
        QVERIFY(QDir().mkpath(m_log + u"/sub/deeper"_s));
        testfiles::Write(m_log + u"/sub/deeper/z.txt"_s, "z\r\n");
        QVERIFY(QFile::remove(m_log + u"/sub/x.txt"_s));
        // A folder made or removed beside the logs is no log file either.
        QVERIFY(QDir(m_log).mkdir(u"other"_s));
        QVERIFY(QDir(m_log).rmdir(u"other"_s));
    };
    watch.Start();
    QTRY_COMPARE(watch.State(), WatchState::Watching);
    Touch(m_log + u"/a.txt"_s);
    QTRY_COMPARE(callback.calls, 1);
    // The next call is the one of the next change in the folder itself.
    Touch(m_log + u"/a.txt"_s);
    QTRY_COMPARE(callback.calls, 2);
}

void TestFolderWatch::burstDuringCallbackGivesOneMoreCall()
{
    TFolderWatch watch(m_log);
    Callback callback;
    callback.Attach(watch);
    callback.inside = [this](int call) {
        if (call != 1)
            return;
        for (int i = 0; i < 50; ++i)
            testfiles::Append(m_log + u"/a.txt"_s, "line\r\n");
        testfiles::Write(m_log + u"/b.txt"_s, "b\r\n");
        QVERIFY(QFile::rename(m_log + u"/b.txt"_s, m_log + u"/c.txt"_s));
        QVERIFY(QFile::remove(m_log + u"/c.txt"_s));
    };
    watch.Start();
    QTRY_COMPARE(watch.State(), WatchState::Watching);
    Touch(m_log + u"/a.txt"_s);
    // One call for the touch, exactly one for everything written during it: with a call
    // per event the count would run past 2 before it is looked at again.
    QTRY_COMPARE(callback.calls, 2);
    Touch(m_log + u"/a.txt"_s);
    QTRY_COMPARE(callback.calls, 3);
    QVERIFY(callback.allInMainThread);
}

void TestFolderWatch::stopBeforeTheChangeIsTaken()
{
    TFolderWatch watch(m_log);
    Callback callback;
    callback.Attach(watch);
    watch.Start();
    QCOMPARE(watch.State(), WatchState::Watching);
    // Changed while the owner handles no events (busy closing): stopped then, the change
    // calls nothing, now or later.
    Touch(m_log + u"/a.txt"_s);
    watch.Stop();
    QTest::qWait(50);
    Touch(m_log + u"/a.txt"_s);
    QTest::qWait(50);
    QCOMPARE(callback.calls, 0);
}

void TestFolderWatch::stopFromInsideTheCallback()
{
    TFolderWatch watch(m_log);
    Callback callback;
    callback.Attach(watch);
    // The owner closing from a nested event loop while a reading runs; what changes
    // meanwhile is owed no call.
    callback.inside = [&](int) {
        Touch(m_log + u"/a.txt"_s);
        watch.Stop();
    };
    watch.Start();
    Touch(m_log + u"/a.txt"_s);
    QTRY_COMPARE(callback.calls, 1);
    Touch(m_log + u"/a.txt"_s);
    QTest::qWait(50);
    QCOMPARE(callback.calls, 1);
}

void TestFolderWatch::callsNeverOverlapInANestedEventLoop()
{
    TFolderWatch watch(m_log);
    Callback callback;
    callback.Attach(watch);
    int depth = 0;
    int deepest = 0;
    // The first call runs an event loop of its own (a question, a long rebuild that keeps
    // painting) while the folder changes under it.
    callback.inside = [&](int call) {
        ++depth;
        deepest = std::max(deepest, depth);
        if (call == 1) {
            for (int i = 0; i < 5; ++i) {
                testfiles::Append(m_log + u"/a.txt"_s, "line\r\n");
                QTest::qWait(20);
            }
        }
        --depth;
    };
    watch.Start();
    Touch(m_log + u"/a.txt"_s);
    QTRY_COMPARE(callback.calls, 2);
    QTest::qWait(100);
    QCOMPARE(callback.calls, 2);
    QCOMPARE(deepest, 1);
}

void TestFolderWatch::folderDeletedAndCreatedAgain()
{
    // An empty folder: its removal is no change of a file, so every call is accounted for.
    QVERIFY(QFile::remove(m_log + u"/a.txt"_s));
    TFolderWatch watch(m_log);
    Callback callback;
    callback.Attach(watch);
    watch.Start();
    QTRY_COMPARE(watch.State(), WatchState::Watching);
    QSignalSpy states(&watch, &TFolderWatch::StateChanged);

    QVERIFY(QDir(m_log).removeRecursively());
    QTRY_COMPARE(watch.State(), WatchState::FolderMissing);
    QCOMPARE(callback.calls, 0);

    // Coming back is a change (its files are worth a reading); a file written during that
    // call is reported through the new watch.
    callback.inside = [this](int call) {
        if (call == 1)
            testfiles::Write(m_log + u"/new.txt"_s, "n\r\n");
    };
    QVERIFY(QDir().mkpath(m_log));
    QTRY_COMPARE(watch.State(), WatchState::Watching);
    QTRY_COMPARE(callback.calls, 2);
    QCOMPARE(states.size(), 2);
    QCOMPARE(states.at(0).at(0).value<WatchState>(), WatchState::FolderMissing);
    QCOMPARE(states.at(1).at(0).value<WatchState>(), WatchState::Watching);
}

void TestFolderWatch::folderMovedAwayAndReplaced()
{
    QVERIFY(QFile::remove(m_log + u"/a.txt"_s));
    TFolderWatch watch(m_log);
    Callback callback;
    callback.Attach(watch);
    watch.Start();
    QTRY_COMPARE(watch.State(), WatchState::Watching);

    const QString away = m_dir->path() + u"/LOG.old"_s;
    QVERIFY(QDir().rename(m_log, away));
    QTRY_COMPARE(watch.State(), WatchState::FolderMissing);

    // Call 1: the new folder is there; call 2: the file written during call 1. A change in
    // the folder that moved away (written during call 2) must call nothing.
    callback.inside = [&](int call) {
        if (call == 1)
            testfiles::Write(m_log + u"/a.txt"_s, "a\r\n");
        if (call == 2)
            testfiles::Write(away + u"/moved.txt"_s, "m\r\n");
    };
    QVERIFY(QDir().mkpath(m_log));
    QTRY_COMPARE(watch.State(), WatchState::Watching);
    QTRY_COMPARE(callback.calls, 2);
    Touch(m_log + u"/a.txt"_s);
    QTRY_COMPARE(callback.calls, 3);
}

void TestFolderWatch::folderMissingAtStart()
{
    const QString later = m_dir->path() + u"/later"_s;
    TFolderWatch watch(later);
    Callback callback;
    callback.Attach(watch);
    watch.Start();
    QTRY_COMPARE(watch.State(), WatchState::FolderMissing);
    QVERIFY(QDir().mkpath(later));
    QTRY_COMPARE(watch.State(), WatchState::Watching);
    QTRY_COMPARE(callback.calls, 1);
    testfiles::Write(later + u"/a.txt"_s, "a\r\n");
    QTRY_VERIFY(callback.calls >= 2);
}

void TestFolderWatch::followerHandsAppendedRecordLive()
{
    FollowedLog log(m_log);
    auto &[clock, state, processors, chat] = log;
    LogFollower follower(state, processors, clock);
    follower.FirstShowing();
    follower.Start();
    QTRY_COMPARE(follower.Status().state, FollowerState::Following);

    testfiles::Append(chat, testfiles::Cp932(Record(2)));
    const QStringList expected{RecordingLogProcessors::Call(LogKind::Chat, ProcessingMode::Replay, Record(1)),
                               RecordingLogProcessors::Call(LogKind::Chat, ProcessingMode::Live, Record(2))};
    QTRY_COMPARE(processors.calls, expected);

    follower.Stop();
    QCOMPARE(follower.Status().state, FollowerState::Stopped);
    testfiles::Append(chat, testfiles::Cp932(Record(3)));
    QCoreApplication::processEvents();
    QCOMPARE(processors.calls, expected);
}

void TestFolderWatch::followerFindsFilesThatAppear()
{
    // While records are appended, a missing log and the next day's file are not looked
    // for at each reading; created, they are found at once all the same.
    FollowedLog log(m_log);
    auto &[clock, state, processors, chat] = log;
    LogFollowerOptions options;
    options.checkIntervalMs = 3600 * 1000; // the folder's events alone
    LogFollower follower(state, processors, clock, options);
    follower.FirstShowing();
    follower.Start();
    auto *watch = follower.findChild<TFolderWatch *>();
    QVERIFY(watch);
    QTRY_COMPARE(watch->State(), WatchState::Watching);
    QStringList expected{RecordingLogProcessors::Call(LogKind::Chat, ProcessingMode::Replay, Record(1))};
    for (int n = 2; n <= 4; ++n) {
        testfiles::Append(chat, testfiles::Cp932(Record(n)));
        expected.append(RecordingLogProcessors::Call(LogKind::Chat, ProcessingMode::Live, Record(n)));
        QTRY_COMPARE(processors.calls, expected);
    }
    const QString mailLine = u"12:00:05\tmail\r\n"_s;
    testfiles::Write(state.logDir + state.Log(LogKind::Mail).currentName, testfiles::Cp932(mailLine));
    expected.append(RecordingLogProcessors::Call(LogKind::Mail, ProcessingMode::Live, mailLine));
    QTRY_COMPARE(processors.calls, expected);
    testfiles::Write(state.logDir + state.Log(LogKind::Chat).nextName, testfiles::Cp932(Record(5)));
    expected.append(RecordingLogProcessors::Call(LogKind::Chat, ProcessingMode::Replay, Record(5)));
    QTRY_COMPARE(processors.calls, expected);
    follower.Stop();
}

void TestFolderWatch::comparisonFollowsWithoutFolderEvents()
{
    FollowedLog log(m_log);
    auto &[clock, state, processors, chat] = log;
    LogFollowerOptions options;
    options.folderEvents = false; // as if every change event were lost
    LogFollower follower(state, processors, clock, options);
    follower.FirstShowing();
    follower.Start();
    QCOMPARE(follower.Status().state, FollowerState::Polling);

    testfiles::Append(chat, testfiles::Cp932(Record(2)));
    QTRY_COMPARE_WITH_TIMEOUT(processors.calls.size(), 2, 15000);
    QCOMPARE(processors.calls.last(), RecordingLogProcessors::Call(LogKind::Chat, ProcessingMode::Live, Record(2)));
    // Half a line: read, held back, and handed once complete.
    testfiles::Append(chat, "12:00:03\t<Pub");
    testfiles::Append(chat, "lic>\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(processors.calls.size(), 3, 15000);
    QCOMPARE(processors.calls.last(),
             RecordingLogProcessors::Call(LogKind::Chat, ProcessingMode::Live, u"12:00:03\t<Public>\r\n"_s));
}

void TestFolderWatch::followerStatus_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<FollowerState>("expected");
    QTest::newRow("following") << u"folder"_s << FollowerState::Following;
    QTest::newRow("no LOG folder set") << u"none"_s << FollowerState::NoFolder;
    QTest::newRow("LOG folder missing") << u"missing"_s << FollowerState::FolderMissing;
    QTest::newRow("current file unreadable") << u"unreadable"_s << FollowerState::FileUnreadable;
    QTest::newRow("no change events") << u"polling"_s << FollowerState::Polling;
    QTest::newRow("processor failed") << u"throws"_s << FollowerState::ReadingFailed;
}

void TestFolderWatch::followerStatus()
{
    QFETCH(QString, situation);
    QFETCH(FollowerState, expected);
    FakeClock clock;
    AppState state;
    state.logDir = situation == u"none" ? QString() : m_log + u'/';
    if (situation == u"missing")
        state.logDir = m_dir->path() + u"/nowhere/"_s;
    SetDayNames(state, clock.Now().date());
    const QString chat = state.logDir + state.Log(LogKind::Chat).currentName;
    if (situation == u"unreadable")
        QVERIFY(QDir().mkpath(chat));
    RecordingLogProcessors processors;
    if (situation == u"throws")
        processors.during = [](LogKind, ProcessingMode) { throw std::runtime_error("broken"); };
    LogFollowerOptions options;
    options.folderEvents = situation != u"polling";
    LogFollower follower(state, processors, clock, options);
    QSignalSpy spy(&follower, &LogFollower::StatusChanged);
    follower.FirstShowing();
    follower.Start();
    if (situation == u"throws")
        testfiles::Write(chat, "x\r\n");
    QTRY_COMPARE(follower.Status().state, expected);
    QVERIFY(!follower.Status().text.isEmpty());
    QVERIFY(!follower.Status().detail.isEmpty());
    QVERIFY(!spy.isEmpty());
    QCOMPARE(spy.last().first().value<FollowerStatus>(), follower.Status());
    follower.Stop();
    QCOMPARE(follower.Status().state, situation == u"none" ? FollowerState::NoFolder : FollowerState::Stopped);
    QVERIFY(!state.readingGuard);
}

QTEST_GUILESS_MAIN(TestFolderWatch)
#include "tst_folderwatch.moc"
