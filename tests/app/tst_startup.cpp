#include "app/Startup.h"
#include "app/Shutdown.h"
#include "platform/ProfileFile.h"

#include "support/FakeClock.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kEmptyListFile("\xFF\xFE", 2);

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void firstRun();
    void settingsFile_data();
    void settingsFile();
    void ownId_data();
    void ownId();
    void logFolder_data();
    void logFolder();
    void listsLoadSortedWithoutDuplicates();
    void rareItems();
    void logNames_data();
    void logNames();
    void staleTemporariesRemoved();
    void unreadableListsLeaveTheProgramUsable();
    void listThatFailedIsJudgedAgainWhenReloaded();

private:
    QString Folder() const { return m_dir->path() + u'/'; }
    QString File(const QString &name) const { return Folder() + name; }
    QString LogDir() const { return File(u"LOG"_s); }
    QString SettingsPath() const { return File(u"kivreader.ini"_s); }
    void WriteSettings(const QString &text) const { testfiles::Write(SettingsPath(), testfiles::Cp932(text)); }
    // Settings that ask nothing at start.
    void WriteQuietSettings() const
    {
        WriteSettings(u"[system]\r\nlogdir="_s + LogDir() + u"\r\nKivID=12345678\r\n"_s);
    }
    void Run(AppState &state, ScriptedPrompts &prompts, const FakeClock &clock = FakeClock()) const
    {
        RunStartup(state, StartupContext{Folder(), SettingsPath(), prompts, clock, QSize(680, 203)});
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestStartup::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkdir(LogDir()));
}

void TestStartup::firstRun()
{
    ScriptedPrompts prompts;
    prompts.QueueFolder(LogDir());
    prompts.QueueInput(true, u"12345678"_s);
    AppState state;
    Run(state, prompts);

    QCOMPARE(prompts.shown, (QStringList{u"info: "_s + kAskLogFolder, u"folder: "_s + kChooseFolderTitle,
                                         u"input: "_s + kAskOwnId}));
    QCOMPARE(prompts.inputsOffered, QStringList{kAskOwnId + u"|00000000"_s});
    QCOMPARE(prompts.unexpected, 0);
    QCOMPARE(state.programFolder, Folder());
    QCOMPARE(state.logDir, LogDir() + u'/');
    QCOMPARE(state.ownId, u"12345678"_s);
    QVERIFY(state.actionLog);
    // First-run values: no sounds, no rank names, the views keep their design font and sizes.
    QCOMPARE(state.fontSize, 0);
    QVERIFY(!state.viewsFromSettings);
    for (int i = 0; i < 10; ++i) {
        QVERIFY2(state.beepFiles[i].isEmpty(), qPrintable(state.beepFiles[i]));
        QVERIFY2(state.rankNames[i].isEmpty(), qPrintable(state.rankNames[i]));
    }
    // The four lists are created empty; the settings file is written only at close.
    for (const QString &name : {u"Whois.lst"_s, u"IDNote.lst"_s, u"ItemDB.lst"_s, u"Wanted.lst"_s})
        QCOMPARE(testfiles::Read(File(name)), kEmptyListFile);
    QVERIFY(!QFileInfo::exists(SettingsPath()));
    QCOMPARE(state.rareItems, QStringList{QString()});
}

void TestStartup::settingsFile_data()
{
    QTest::addColumn<QString>("fontSizeLine");
    QTest::addColumn<int>("fontSize");

    QTest::newRow("no FontSize key") << QString() << 9;
    QTest::newRow("FontSize set") << u"FontSize=12\r\n"_s << 12;
    QTest::newRow("FontSize not a number") << u"fontsize=big\r\n"_s << 9;
}

void TestStartup::settingsFile()
{
    QFETCH(QString, fontSizeLine);
    QFETCH(int, fontSize);
    WriteSettings(u"[SYSTEM]\r\nlogdir="_s + LogDir() + u"\r\nkivid=87654321\r\nActionLog=0\r\n"_s + fontSizeLine +
                  u"[sound]\r\nbeep0=ALARM2.WAV\r\nbeep3=Bell.Wav\r\n"
                  u"[Rnk]\r\nRnk8=要注意\r\nrnk2=\r\n"
                  u"[window]\r\nstyle=1\r\nchat.width=300\r\nchat.heidht=150\r\nchat.colwidth3=200\r\n"
                  u"who.colwidth0=70\r\nwho.colwidth5=x\r\n"_s);
    ScriptedPrompts prompts;
    AppState state;
    Run(state, prompts);

    QCOMPARE(prompts.shown, QStringList{});
    QCOMPARE(state.logDir, LogDir() + u'/');
    QCOMPARE(state.ownId, u"87654321"_s);
    QVERIFY(!state.actionLog);
    QCOMPARE(state.fontSize, fontSize);
    QCOMPARE(state.style, 1);
    const std::array<QString, 10> beeps{u"alarm2.wav"_s, u"p.wav"_s, {}, u"bell.wav"_s};
    QCOMPARE(state.beepFiles, beeps);
    const std::array<QString, 10> ranks{{{}, u"同伴あり"_s, {}, {}, {}, {}, {}, {}, u"要注意"_s, u"危険人物"_s}};
    QCOMPARE(state.rankNames, ranks);

    QVERIFY(state.viewsFromSettings);
    const ViewSizes &v = state.views;
    QCOMPARE(v.chatWidth, 300);
    QCOMPARE(v.chatHeight, 150);
    QCOMPARE(v.chatCol, (std::array<int, 4>{80, 80, 80, 184})); // the last one 16 narrower
    // Missing sizes are half the main window's, fractions cut.
    QCOMPARE(v.whoWidth, 340);
    QCOMPARE(v.whoHeight, 101);
    QCOMPARE(v.whoCol, (std::array<int, 6>{70, 80, 80, 80, 80, 80}));
}

void TestStartup::ownId_data()
{
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("ownId");
    QTest::addColumn<QString>("stored");

    QTest::newRow("8 digits") << true << u"12345678"_s << u"12345678"_s << kNoOwnId;
    QTest::newRow("7 characters") << true << u"1234567"_s << u"00000000"_s << kNoOwnId;
    QTest::newRow("9 characters") << true << u"123456789"_s << u"00000000"_s << kNoOwnId;
    QTest::newRow("empty") << true << u""_s << u"00000000"_s << kNoOwnId;
    QTest::newRow("8 characters of any kind") << true << u"ab cd-ef"_s << u"ab cd-ef"_s << kNoOwnId;
    QTest::newRow("8 full-width characters") << true << u"１２３４５６７８"_s << u"１２３４５６７８"_s << kNoOwnId;
    QTest::newRow("cancelled") << false << u"12345678"_s << u"00000000"_s << kNoOwnId;
    // An ID in the file that is not 8 characters counts as none: it is asked for.
    QTest::newRow("empty in the file") << true << u"12345678"_s << u"12345678"_s << u""_s;
    QTest::newRow("7 characters in the file") << false << QString() << u"00000000"_s << u"1234567"_s;
    QTest::newRow("9 characters in the file") << false << QString() << u"00000000"_s << u"123456789"_s;
}

void TestStartup::ownId()
{
    QFETCH(bool, confirmed);
    QFETCH(QString, typed);
    QFETCH(QString, ownId);
    QFETCH(QString, stored);
    WriteSettings(u"[system]\r\nlogdir="_s + LogDir() + u"\r\nKivID="_s + stored + u"\r\n"_s);
    ScriptedPrompts prompts;
    prompts.QueueInput(confirmed, typed);
    AppState state;
    Run(state, prompts);
    QCOMPARE(prompts.inputsOffered, QStringList{kAskOwnId + u"|00000000"_s});
    QCOMPARE(prompts.unexpected, 0);
    QCOMPARE(state.ownId, ownId);
}

void TestStartup::logFolder_data()
{
    QTest::addColumn<QString>("logdirLine"); // "<LOG>" stands for the existing LOG folder
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("logDir");
    QTest::addColumn<QString>("savedAtClose");

    const QString log = u"<LOG>"_s;
    QTest::newRow("three cancellations end the asking") << QString() << QStringList{{}, {}, {}} << QString() << QString();
    QTest::newRow("a chosen folder ends it at once") << QString() << QStringList{log} << log + u'/' << log + u'/';
    QTest::newRow("cancel, then choose") << QString() << QStringList{{}, log} << log + u'/' << log + u'/';
    QTest::newRow("a folder that does not exist is no cancellation")
        << QString() << QStringList{u"/nonexistent/LOG"_s, {}, {}, {}} << QString() << QString();
    QTest::newRow("folder from the settings") << u"logdir=<LOG>/"_s << QStringList{} << log + u'/' << log + u'/';
    QTest::newRow("folder from the settings is gone")
        << u"logdir=/nonexistent/LOG/"_s << QStringList{{}, u"/also/gone"_s, log} << log + u'/' << log + u'/';
    // A drive not plugged in today: the setting outlives the cancelled questions.
    QTest::newRow("folder from the settings is gone, every choice cancelled")
        << u"logdir=/media/usbdisk/KIV/LOG/"_s << QStringList{{}, {}, {}} << QString() << u"/media/usbdisk/KIV/LOG/"_s;
    QTest::newRow("a file is no folder")
        << u"logdir=<LOG>/file.txt"_s << QStringList{{}, {}, {}} << QString() << u"<LOG>/file.txt"_s;
}

void TestStartup::logFolder()
{
    QFETCH(QString, logdirLine);
    QFETCH(QStringList, answers);
    QFETCH(QString, logDir);
    QFETCH(QString, savedAtClose);
    testfiles::Write(LogDir() + u"/file.txt"_s, "x");
    if (!logdirLine.isNull())
        WriteSettings(u"[system]\r\n"_s + QString(logdirLine).replace(u"<LOG>"_s, LogDir()) +
                      u"\r\nKivID=12345678\r\n"_s);
    ScriptedPrompts prompts;
    for (const QString &answer : answers)
        prompts.QueueFolder(QString(answer).replace(u"<LOG>"_s, LogDir()));
    prompts.QueueInput(false);
    AppState state;
    Run(state, prompts);

    QCOMPARE(state.logDir, QString(logDir).replace(u"<LOG>"_s, LogDir()));
    QStringList expected;
    for (qsizetype i = 0; i < answers.size(); ++i)
        expected << u"info: "_s + kAskLogFolder << u"folder: "_s + kChooseFolderTitle;
    if (logdirLine.isNull())
        expected << u"input: "_s + kAskOwnId;
    QCOMPARE(prompts.shown, expected);

    ProfileFile ini(SettingsPath());
    (void)ini.Load(); // no file on a first run
    WriteCloseSettings(ini, state, CloseSnapshot{});
    QVERIFY(ini.Save());
    ProfileFile saved(SettingsPath());
    QVERIFY(saved.Load());
    QCOMPARE(saved.ReadString(u"System"_s, u"logdir"_s), QString(savedAtClose).replace(u"<LOG>"_s, LogDir()));
}

void TestStartup::listsLoadSortedWithoutDuplicates()
{
    WriteQuietSettings();
    const QByteArray roster = testfiles::Cp932(u"87654321=\tボブ\r\n12345678=\tAlice\r\n87654321=\tボブ\r\n"
                                               u"abcdefgh=\tx\r\nABCDEFGH=\tX\r\nabcdefgh=\tx\r\n"_s);
    testfiles::Write(File(u"Whois.lst"_s), roster);
    // Names match without regard to case, as on the platform the files come from.
    testfiles::Write(File(u"idnote.LST"_s), testfiles::Utf16Le(u"b=\t1\r\na=\t2\r\n"_s));
    // Saved by a Linux editor: UTF-8 without a mark.
    const QByteArray itemDb = u"盾=\t防具\r\n剣=\t武器\r\n"_s.toUtf8();
    testfiles::Write(File(u"ItemDB.lst"_s), itemDb);
    ScriptedPrompts prompts;
    AppState state;
    Run(state, prompts);

    QCOMPARE(state.roster.Lines(), (QStringList{u"12345678=\tAlice"_s, u"87654321=\tボブ"_s, u"abcdefgh=\tx"_s}));
    QCOMPARE(state.idNotes.Lines(), (QStringList{u"a=\t2"_s, u"b=\t1"_s}));
    QCOMPARE(state.itemDb.Lines(), (QStringList{u"剣=\t武器"_s, u"盾=\t防具"_s}));
    for (const TStrDBListUni *list : {&state.roster, &state.idNotes, &state.itemDb, &state.wanted}) {
        QVERIFY(!list->Sorted());
        QVERIFY(!list->LoadFailed());
    }
    // Loading does not write the files.
    QCOMPARE(testfiles::Read(File(u"Whois.lst"_s)), roster);
    QCOMPARE(testfiles::Read(File(u"ItemDB.lst"_s)), itemDb);
    QVERIFY(!QFileInfo::exists(File(u"IDNote.lst"_s)));
    QCOMPARE(prompts.shown, QStringList{});
}

void TestStartup::rareItems()
{
    WriteQuietSettings();
    testfiles::Write(File(u"ItemDB.lst"_s),
                     testfiles::Utf16Le(u"剣=\t武器\t☆07\tよく切れる\r\n"
                                        u"盾=\t防具\t07\r\n"
                                        u"兜=\t防具\t☆06\r\n"
                                        u"靴=\t防具\t10\r\n"
                                        u"杖=\t武器\tx7y\r\n"
                                        u"指輪=\t装飾\r\n"
                                        u"石=\t\t素材\t9\r\n"
                                        u"ItemA=\t武器\t03\r\n"
                                        u"itema=\t武器\t☆08\r\n"
                                        u"no entry ☆09\r\n"_s));
    ScriptedPrompts prompts;
    AppState state;
    Run(state, prompts);

    QStringList rare = state.rareItems;
    QVERIFY(!rare.isEmpty());
    QCOMPARE(rare.takeFirst(), QString());
    rare.sort();
    // "石": the empty first field is trimmed away, so its rarity is "9". Of two keys that
    // differ only in case each counts by its own rarity.
    QCOMPARE(rare, (QStringList{u"itema"_s, u"剣"_s, u"杖"_s, u"盾"_s, u"石"_s, u"靴"_s}));
}

void TestStartup::logNames_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("today");
    QTest::addColumn<QString>("tomorrow");

    QTest::newRow("7 December 2026") << QDateTime(QDate(2026, 12, 7), QTime(12, 0)) << u"20261207"_s
                                     << u"20261208"_s;
    QTest::newRow("last second of the year") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)) << u"20261231"_s
                                             << u"20270101"_s;
    QTest::newRow("leap day") << QDateTime(QDate(2028, 2, 28), QTime(0, 0)) << u"20280228"_s << u"20280229"_s;
}

void TestStartup::logNames()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, today);
    QFETCH(QString, tomorrow);
    WriteQuietSettings();
    ScriptedPrompts prompts;
    AppState state;
    Run(state, prompts, FakeClock(now));
    const QStringList prefixes{u"ChatLog_"_s, u"ActionLog_"_s, u"MailLog_"_s};
    for (int kind = 0; kind < kLogKindCount; ++kind) {
        const DailyLog &log = state.Log(LogKind(kind));
        QCOMPARE(log.currentName, prefixes[kind] + today + u".txt"_s);
        QCOMPARE(log.nextName, prefixes[kind] + tomorrow + u".txt"_s);
        QVERIFY(log.buffer.isEmpty());
    }
}

void TestStartup::staleTemporariesRemoved()
{
    WriteQuietSettings();
    const QStringList stale{u"Whois.lst.AbCdEf.kivsave"_s, u"IDNote.lst.qwert1.kivsave"_s,
                            u"ItemDB.lst.ZZZZZZ.kivsave"_s, u"Wanted.lst.aaaaaa.kivsave"_s,
                            u"kivreader.ini.XyZxYz.kivsave"_s, u"KivArea.ini.abcdef.kivsave"_s};
    // Copies people make of their files.
    const QStringList kept{u"notes.txt"_s, u"Whois.lst.backup"_s, u"kivreader.ini.before"_s, u"Wanted.lst.Backup"_s,
                           u"ChatLog_20261207.txt.AbCdEf.kivsave"_s};
    for (const QString &name : stale + kept)
        testfiles::Write(File(name), "partial");
    ScriptedPrompts prompts;
    AppState state;
    Run(state, prompts);
    for (const QString &name : stale)
        QVERIFY2(!QFileInfo::exists(File(name)), qPrintable(name));
    for (const QString &name : kept)
        QVERIFY2(QFileInfo::exists(File(name)), qPrintable(name));
}

void TestStartup::unreadableListsLeaveTheProgramUsable()
{
    WriteQuietSettings();
    QVERIFY(QDir().mkdir(File(u"IDNote.lst"_s)));
    // No mark, and neither UTF-8 nor code page 932.
    const QByteArray damaged("word=\t\xFF\r\n");
    testfiles::Write(File(u"Wanted.lst"_s), damaged);
    testfiles::Write(File(u"Whois.lst"_s), testfiles::Utf16Le(u"12345678=\tBob\r\n"_s));
    ScriptedPrompts prompts;
    AppState state;
    Run(state, prompts);

    // Told once per file, with the file's name.
    QCOMPARE(prompts.shown.size(), 2);
    QVERIFY2(prompts.shown[0].startsWith(u"warning: "_s) && prompts.shown[0].contains(u"IDNote.lst"_s),
             qPrintable(prompts.shown[0]));
    QVERIFY2(prompts.shown[1].startsWith(u"warning: "_s) && prompts.shown[1].contains(u"Wanted.lst"_s),
             qPrintable(prompts.shown[1]));
    QCOMPARE(state.idNotes.Count(), 0);
    QCOMPARE(state.wanted.Count(), 0);
    QVERIFY(state.idNotes.LoadFailed());
    QVERIFY(state.wanted.LoadFailed());
    // The rest of the start-up went on.
    QCOMPARE(state.roster.Lines(), QStringList{u"12345678=\tBob"_s});
    QCOMPARE(testfiles::Read(File(u"ItemDB.lst"_s)), kEmptyListFile);
    QCOMPARE(state.Log(LogKind::Mail).currentName, u"MailLog_20261207.txt"_s);

    // Entries added while running are never saved over the unreadable files: they go
    // beside them, and the user is told where.
    AddField(u"87654321"_s, u"note"_s, state.idNotes);
    AddField(u"word"_s, u"0"_s, state.wanted);
    QVERIFY(!SaveProgramList(state.idNotes, Folder(), u"IDNote.lst"_s, prompts));
    QVERIFY(!SaveProgramList(state.wanted, Folder(), u"Wanted.lst"_s, prompts));
    QVERIFY(SaveProgramList(state.roster, Folder(), u"Whois.lst"_s, prompts));
    QCOMPARE(prompts.shown.size(), 4);
    QVERIFY2(prompts.shown[2].contains(File(u"IDNote.lst.new"_s)), qPrintable(prompts.shown[2]));
    QVERIFY2(prompts.shown[3].contains(File(u"Wanted.lst.new"_s)), qPrintable(prompts.shown[3]));
    QVERIFY(QFileInfo(File(u"IDNote.lst"_s)).isDir());
    QCOMPARE(testfiles::Read(File(u"Wanted.lst"_s)), damaged);
    QCOMPARE(testfiles::ListFileLines(File(u"IDNote.lst.new"_s)), QStringList{u"87654321=\tnote"_s});
    QCOMPARE(testfiles::ListFileLines(File(u"Wanted.lst.new"_s)), QStringList{u"word=\t0"_s});
}

void TestStartup::listThatFailedIsJudgedAgainWhenReloaded()
{
    const QByteArray damaged("\xEF\xBB\xBF\xC0");
    testfiles::Write(File(u"Wanted.lst"_s), damaged);
    ScriptedPrompts prompts;
    TStrDBListUni wanted;
    LoadProgramList(wanted, Folder(), u"Wanted.lst"_s, prompts);
    QVERIFY(wanted.LoadFailed());
    QCOMPARE(prompts.shown.size(), 1);

    // The user removed the damaged file: the next load creates it and the list saves again.
    QVERIFY(QFile::remove(File(u"Wanted.lst"_s)));
    LoadProgramList(wanted, Folder(), u"Wanted.lst"_s, prompts);
    QCOMPARE(prompts.shown.size(), 1);
    QVERIFY(!wanted.LoadFailed());
    QCOMPARE(testfiles::Read(File(u"Wanted.lst"_s)), kEmptyListFile);
    AddField(u"word"_s, u"0"_s, wanted);
    QVERIFY(SaveProgramList(wanted, Folder(), u"Wanted.lst"_s, prompts));
    QCOMPARE(testfiles::ListFileLines(File(u"Wanted.lst"_s)), QStringList{u"word=\t0"_s});
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
