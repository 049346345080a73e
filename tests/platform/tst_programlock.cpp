#include "platform/ProgramLock.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

using kiv::files::ProgramLock;
using namespace Qt::Literals::StringLiterals;

class TestProgramLock : public QObject
{
    Q_OBJECT
private slots:
    void onlyOneProgramPerFolder();
    void lockOfAProgramThatDiedIsTakenOver();
};

void TestProgramLock::onlyOneProgramPerFolder()
{
    QTemporaryDir dir;
    QTemporaryDir other;
    QVERIFY(dir.isValid() && other.isValid());
    {
        ProgramLock first(dir.path());
        QCOMPARE(first.TryClaim(), ProgramLock::Claim::Held);
        QVERIFY(QFileInfo::exists(dir.filePath(u"kivreader.lock"_s)));
        ProgramLock second(dir.path());
        QCOMPARE(second.TryClaim(), ProgramLock::Claim::HeldByOther);
        // Another program folder is another program.
        ProgramLock elsewhere(other.path());
        QCOMPARE(elsewhere.TryClaim(), ProgramLock::Claim::Held);
    }
    // Released when the program ends.
    QVERIFY(!QFileInfo::exists(dir.filePath(u"kivreader.lock"_s)));
    ProgramLock next(dir.path());
    QCOMPARE(next.TryClaim(), ProgramLock::Claim::Held);
    // Where no lock can be made, the program runs unguarded rather than not at all.
    ProgramLock nowhere(dir.filePath(u"no such folder"_s));
    QCOMPARE(nowhere.TryClaim(), ProgramLock::Claim::Unavailable);
}

void TestProgramLock::lockOfAProgramThatDiedIsTakenOver()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // Ends without letting go of the lock, as a crash does.
        auto *lock = new ProgramLock(dir.path());
        ::_exit(lock->TryClaim() == ProgramLock::Claim::Held ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QVERIFY(QFileInfo::exists(dir.filePath(u"kivreader.lock"_s)));
    ProgramLock next(dir.path());
    QCOMPARE(next.TryClaim(), ProgramLock::Claim::Held);
}

QTEST_GUILESS_MAIN(TestProgramLock)
#include "tst_programlock.moc"
