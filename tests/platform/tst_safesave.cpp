#include "platform/SafeSave.h"

#include "support/FailingDevice.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace kiv;
using namespace Qt::Literals::StringLiterals;

class TestSafeSave : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void savesAndLeavesNoTemporary();
    void failedWriterKeepsTheOldFile_data();
    void failedWriterKeepsTheOldFile();
    void missingFolderIsReportedWithThePath();
    void writeAllReportsTheDeviceError();
    void staleTemporaries_data();
    void staleTemporaries();
    void temporaryOfAnInterruptedSaveIsRemoved();
    void savingThroughALinkKeepsTheLink();

private:
    QStringList Entries() const { return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSafeSave::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSafeSave::savesAndLeavesNoTemporary()
{
    const QString path = m_dir->filePath(u"Whois.lst"_s);
    testfiles::Write(path, "old content that is longer than the new one");
    QString error;
    QVERIFY2(safesave::Save(path, QByteArray("new"), &error), qPrintable(error));
    QCOMPARE(testfiles::Read(path), QByteArray("new"));
    QCOMPARE(Entries(), QStringList{u"Whois.lst"_s});
}

void TestSafeSave::failedWriterKeepsTheOldFile_data()
{
    QTest::addColumn<int>("capacity"); // bytes the "disk" takes before it is full
    QTest::addColumn<bool>("writerGivesReason");

    QTest::newRow("nothing written") << 0 << true;
    QTest::newRow("cut in the middle") << 7 << true;
    QTest::newRow("cut, no reason given") << 7 << false;
}

void TestSafeSave::failedWriterKeepsTheOldFile()
{
    QFETCH(int, capacity);
    QFETCH(bool, writerGivesReason);
    const QString path = m_dir->filePath(u"ItemDB.lst"_s);
    const QByteArray old("the whole old file\r\n");
    testfiles::Write(path, old);

    const QByteArray fresh("a new file of some length\r\n");
    auto writer = [&](QIODevice *device, QString *why) {
        // What reached the disk before it filled up goes to the real file too.
        FailingDevice disk(capacity);
        const bool ok = safesave::WriteAll(&disk, fresh, why);
        device->write(disk.written);
        if (!writerGivesReason)
            why->clear();
        return ok;
    };
    QString error;
    QVERIFY(!safesave::Save(path, writer, &error));
    QCOMPARE(testfiles::Read(path), old);
    QCOMPARE(Entries(), QStringList{u"ItemDB.lst"_s});
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
    if (writerGivesReason)
        QVERIFY2(error.contains(u"No space left on device"_s), qPrintable(error));
}

void TestSafeSave::missingFolderIsReportedWithThePath()
{
    const QString path = m_dir->filePath(u"gone/Whois.lst"_s);
    QString error;
    QVERIFY(!safesave::Save(path, QByteArray("x"), &error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
    QVERIFY(!QFile::exists(path));
}

void TestSafeSave::writeAllReportsTheDeviceError()
{
    // A short write is retried, so the reason is the device's own rather than "unknown".
    FailingDevice disk(5);
    QString error;
    QVERIFY(!safesave::WriteAll(&disk, QByteArray("0123456789"), &error));
    QCOMPARE(disk.written, QByteArray("01234"));
    QCOMPARE(error, u"No space left on device"_s);

    FailingDevice roomy(100);
    QVERIFY(safesave::WriteAll(&roomy, QByteArray("0123456789"), &error));
    QCOMPARE(roomy.written, QByteArray("0123456789"));
}

void TestSafeSave::staleTemporaries_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("kept");

    QTest::newRow("temporaries of the file")
        << QStringList{u"Whois.lst"_s, u"Whois.lst.AbC12f.kivsave"_s, u"whois.LST.qwerty.KIVSAVE"_s}
        << QStringList{u"Whois.lst"_s};
    // Copies people make, whatever their names look like.
    QTest::newRow("other names are kept")
        << QStringList{u"Whois.lst.backup"_s, u"Whois.lst.Backup"_s, u"Whois.lst.AbCdEf"_s, u"Whois.lst.bak"_s,
                       u"Whois.lst.AbCdEfG.kivsave"_s, u"IDNote.lst.AbCdEf.kivsave"_s, u"xWhois.lst.AbCdEf.kivsave"_s}
        << QStringList{u"IDNote.lst.AbCdEf.kivsave"_s, u"Whois.lst.AbCdEf"_s, u"Whois.lst.AbCdEfG.kivsave"_s,
                       u"Whois.lst.Backup"_s, u"Whois.lst.backup"_s, u"Whois.lst.bak"_s, u"xWhois.lst.AbCdEf.kivsave"_s};
}

void TestSafeSave::staleTemporaries()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, kept);
    for (const QString &name : files)
        testfiles::Write(m_dir->filePath(name), "x");
    const int removed = safesave::RemoveStaleTemporaries(m_dir->path() + u'/', u"Whois.lst"_s);
    QCOMPARE(removed, int(files.size() - kept.size()));
    QCOMPARE(Entries(), kept);
}

void TestSafeSave::temporaryOfAnInterruptedSaveIsRemoved()
{
    // The name a save really gives its temporary is one the clean-up knows.
    const QString path = m_dir->filePath(u"Whois.lst"_s);
    testfiles::Write(path, "old");
    QString temporary;
    auto crash = [&](QIODevice *device, QString *) {
        temporary = qobject_cast<QFileDevice *>(device)->fileName();
        return false;
    };
    QVERIFY(!safesave::Save(path, crash, nullptr));
    QCOMPARE(QFileInfo(temporary).absolutePath(), QFileInfo(path).absolutePath());
    testfiles::Write(temporary, "partial");
    QCOMPARE(safesave::RemoveStaleTemporaries(m_dir->path() + u'/', u"Whois.lst"_s), 1);
    QCOMPARE(Entries(), QStringList{u"Whois.lst"_s});
}

void TestSafeSave::savingThroughALinkKeepsTheLink()
{
    const QString real = m_dir->filePath(u"real.lst"_s);
    const QString link = m_dir->filePath(u"Whois.lst"_s);
    testfiles::Write(real, "old");
    QVERIFY(QFile::link(real, link));
    QVERIFY(safesave::Save(link, QByteArray("new"), nullptr));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(testfiles::Read(real), QByteArray("new"));
}

QTEST_GUILESS_MAIN(TestSafeSave)
#include "tst_safesave.moc"
