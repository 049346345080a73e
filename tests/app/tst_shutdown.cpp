#include "app/Shutdown.h"
#include "app/Startup.h"

#include "platform/ProfileFile.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <set>

using namespace Qt::Literals::StringLiterals;

namespace {

AppState ClosingState()
{
    AppState state;
    state.logDir = u"/games/kiv/LOG/"_s;
    state.ownId = u"12345678"_s;
    state.actionLog = false;
    state.style = 1;
    return state;
}

CloseSnapshot Snapshot(bool infoShown, bool itemShown, bool itemhinShown)
{
    CloseSnapshot s;
    s.info = {QRect(10, 20, 350, 150), infoShown, 200};
    s.item = {QRect(5, 6, 300, 100), itemShown, 128};
    s.itemhin = {QRect(7, 8, 320, 110), itemhinShown, 90};
    s.itemSellClear = true;
    s.itemSyutoku = true;
    s.itemRandam = false;
    s.views.chatWidth = 400;
    s.views.chatHeight = 180;
    s.views.chatCol = {60, 81, 82, 230};
    s.views.whoWidth = 276;
    s.views.whoHeight = 181;
    s.views.whoCol = {80, 55, 91, 92, 93, 94};
    return s;
}

// Every key the close writes, in its order, for the snapshot above.
QStringList CloseLines(bool infoShown, bool itemShown, bool itemhinShown)
{
    QStringList lines{u"[System]"_s, u"logdir=/games/kiv/LOG/"_s, u"kivid=12345678"_s, u"ActionLog=0"_s,
                      u"[window]"_s, u"style=1"_s,
                      u"info.left=10"_s, u"info.top=20"_s, u"info.right=360"_s, u"info.bottom=170"_s,
                      infoShown ? u"InfoWindow=1"_s : u"InfoWindow=0"_s, u"info.alpha=200"_s};
    if (itemShown)
        lines << u"item.left=5"_s << u"item.top=6"_s << u"item.right=305"_s << u"item.bottom=106"_s;
    lines << u"ItemSellClear=1"_s << (itemShown ? u"itemWindow=1"_s : u"itemWindow=0"_s) << u"ItemSyutoku=1"_s
          << u"ItemRandam=0"_s << u"item.alpha=128"_s;
    if (itemhinShown)
        lines << u"itemhin.left=7"_s << u"itemhin.top=8"_s << u"itemhin.right=327"_s << u"itemhin.bottom=118"_s;
    lines << (itemhinShown ? u"itemhinWindow=1"_s : u"itemhinWindow=0"_s) << u"itemhin.alpha=90"_s;
    lines << u"chat.width=400"_s << u"chat.heidht=180"_s << u"chat.colwidth0=60"_s << u"chat.colwidth1=81"_s
          << u"chat.colwidth2=82"_s << u"chat.colwidth3=230"_s;
    lines << u"who.width=276"_s << u"who.height=181"_s << u"who.colwidth0=80"_s << u"who.colwidth1=0"_s
          << u"who.colwidth2=91"_s << u"who.colwidth3=92"_s << u"who.colwidth4=93"_s << u"who.colwidth5=94"_s;
    for (int i = 6; i <= 13; ++i)
        lines << QStringLiteral("who.colwidth%1=0").arg(i);
    return lines;
}

// The lines of `lines` that are not keys of sections system and window written at close.
QStringList WithoutCloseKeys(const QStringList &lines, const QStringList &closeLines)
{
    std::set<QString> keys;
    for (const QString &line : closeLines) {
        if (line.contains(u'='))
            keys.insert(line.section(u'=', 0, 0).trimmed().toLower());
    }
    QStringList kept;
    QString section;
    for (const QString &line : lines) {
        const QString t = line.trimmed();
        if (t.startsWith(u'['))
            section = t.mid(1, t.indexOf(u']') - 1).trimmed().toLower();
        else if ((section == u"system"_s || section == u"window"_s) && t.contains(u'=') &&
                 keys.count(t.section(u'=', 0, 0).trimmed().toLower()))
            continue;
        kept << line;
    }
    return kept;
}

} // namespace

class TestShutdown : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void freshFileGetsTheCloseKeysInOrder_data();
    void freshFileGetsTheCloseKeysInOrder();
    void existingFileKeepsEverythingElse();
    void closeSettingsReadAtTheNextStart();
    void listsSavedAsUtf16AndReleased();
    void unreadableListIsNotOverwrittenNorItsAdditionsLost();
    void failedListSaveIsReportedWithThePath();
    void windowPosition_data();
    void windowPosition();

private:
    QString Folder() const { return m_dir->path() + u'/'; }
    QString File(const QString &name) const { return Folder() + name; }
    QString SettingsPath() const { return File(u"kivreader.ini"_s); }
    void Start(AppState &state, ScriptedPrompts &prompts) const
    {
        const FakeClock clock;
        RunStartup(state, StartupContext{Folder(), SettingsPath(), prompts, clock, QSize(680, 203)});
    }
    void WriteQuietSettings() const
    {
        testfiles::Write(SettingsPath(),
                         testfiles::Cp932(u"[system]\r\nlogdir="_s + m_dir->path() + u"\r\nKivID=12345678\r\n"_s));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestShutdown::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestShutdown::freshFileGetsTheCloseKeysInOrder_data()
{
    QTest::addColumn<bool>("infoShown");
    QTest::addColumn<bool>("itemShown");
    QTest::addColumn<bool>("itemhinShown");

    QTest::newRow("all side windows shown") << true << true << true;
    QTest::newRow("all hidden") << false << false << false;
    QTest::newRow("distribution window hidden") << true << false << true;
    QTest::newRow("items-by-kind window hidden") << true << true << false;
}

void TestShutdown::freshFileGetsTheCloseKeysInOrder()
{
    QFETCH(bool, infoShown);
    QFETCH(bool, itemShown);
    QFETCH(bool, itemhinShown);
    ProfileFile ini(SettingsPath());
    QVERIFY(ini.Load());
    WriteCloseSettings(ini, ClosingState(), Snapshot(infoShown, itemShown, itemhinShown));
    QVERIFY(ini.Save());
    QCOMPARE(testfiles::Read(SettingsPath()),
             testfiles::Cp932(CloseLines(infoShown, itemShown, itemhinShown).join(u"\r\n"_s) + u"\r\n"_s));
}

void TestShutdown::existingFileKeepsEverythingElse()
{
    const QStringList before{u"; KivReader"_s,       u"[system]"_s,         u"logdir=C:\\old\\LOG\\"_s,
                             u"KivID=00000000"_s,    u"FontSize=11"_s,      u""_s,
                             u"[sound]"_s,           u"beep0=alarm.wav"_s,  u"[window]"_s,
                             u"style=0"_s,           u"item.left=1"_s,      u"item.top=2"_s,
                             u"item.right=351"_s,    u"item.bottom=152"_s,  u"itemWindow=1"_s,
                             u"custom.key=kept"_s,   u""_s,                 u"[FrmKivMain]"_s,
                             u"Left  =3"_s,          u"[Extra]"_s,          u"who.width=999"_s};
    testfiles::Write(SettingsPath(), testfiles::Cp932(before.join(u"\r\n"_s) + u"\r\n"_s));
    ProfileFile ini(SettingsPath());
    QVERIFY(ini.Load());
    // The distribution window is hidden: its rectangle of the last session stays.
    WriteCloseSettings(ini, ClosingState(), Snapshot(true, false, true));
    QVERIFY(ini.Save());

    ProfileFile after(SettingsPath());
    QVERIFY(after.Load());
    const QStringList lines = after.Lines();
    const QStringList closeLines = CloseLines(true, false, true);
    QCOMPARE(WithoutCloseKeys(lines, closeLines), WithoutCloseKeys(before, closeLines));
    // The own ID replaced the old key in its place.
    QCOMPARE(lines[3], u"kivid=12345678"_s);
    QCOMPARE(after.ReadString(u"window"_s, u"item.left"_s), u"1"_s);
    QCOMPARE(after.ReadString(u"window"_s, u"item.bottom"_s), u"152"_s);
    QCOMPARE(after.ReadString(u"Extra"_s, u"who.width"_s), u"999"_s);
    QCOMPARE(after.ReadString(u"FrmKivMain"_s, u"Left"_s), u"3"_s);
    // Each close key is there once, with its new value.
    for (const QString &line : closeLines) {
        if (line.startsWith(u'['))
            continue;
        const QString key = line.section(u'=', 0, 0);
        const QString section = key == u"logdir"_s || key == u"kivid"_s || key == u"ActionLog"_s ? u"system"_s
                                                                                                 : u"window"_s;
        QCOMPARE(after.ReadString(section, key), line.section(u'=', 1));
        QCOMPARE(lines.filter(QRegularExpression(u"^\\s*"_s + QRegularExpression::escape(key) + u"\\s*="_s,
                                                 QRegularExpression::CaseInsensitiveOption))
                     .size(),
                 key == u"who.width"_s ? 2 : 1);
    }
    // No second [System] section was made for the keys written as "System".
    QCOMPARE(lines.filter(QRegularExpression(u"^\\[system\\]$"_s, QRegularExpression::CaseInsensitiveOption)).size(),
             1);
}

void TestShutdown::closeSettingsReadAtTheNextStart()
{
    // Characters the code page lacks must survive the settings file.
    const QString logDir = File(u"josé/Łódź/KIV/LOG"_s) + u'/';
    QVERIFY(QDir().mkpath(logDir));
    testfiles::Write(SettingsPath(),
                     testfiles::Cp932(u"[system]\r\nlogdir="_s + m_dir->path() + u"\r\nKivID=00000000\r\n"
                                      u"[Rnk]\r\nRnk8=要注意\r\n"_s));
    ScriptedPrompts prompts;
    prompts.QueueInput(false);
    AppState state;
    Start(state, prompts);
    QCOMPARE(state.ownId, u"00000000"_s);

    state.ownId = u"24681357"_s; // registered with "@setup" while running
    state.logDir = logDir;
    ProfileFile ini(SettingsPath());
    QVERIFY(ini.Load());
    WriteCloseSettings(ini, state, CloseSnapshot{});
    QVERIFY(ini.Save());

    ScriptedPrompts next;
    AppState again;
    Start(again, next);
    QCOMPARE(next.shown, QStringList{});
    QCOMPARE(again.ownId, u"24681357"_s);
    QCOMPARE(again.logDir, logDir);
    QCOMPARE(again.rankNames[8], u"要注意"_s);
    ProfileFile check(SettingsPath());
    QVERIFY(check.Load());
    QCOMPARE(check.ReadString(u"system"_s, u"KivID"_s), u"24681357"_s);
}

void TestShutdown::listsSavedAsUtf16AndReleased()
{
    WriteQuietSettings();
    testfiles::Write(File(u"Whois.lst"_s), testfiles::Cp932(u"b=\tボブ\r\na=\t表\r\n"_s));
    const QByteArray wanted = testfiles::Utf16Le(u"word=\t0\r\n"_s);
    testfiles::Write(File(u"Wanted.lst"_s), wanted);
    ScriptedPrompts prompts;
    AppState state;
    Start(state, prompts);
    AddField(u"0"_s, u"later"_s, state.roster);
    AddField(u"item"_s, u"x"_s, state.itemDb);
    AddField(u"other"_s, u"1"_s, state.wanted); // not saved by its dialog
    state.Log(LogKind::Chat).buffer += u"12:00:00\r\n"_s;

    QVERIFY(SaveAndReleaseLists(state, prompts));
    QCOMPARE(prompts.shown, QStringList{});
    QCOMPARE(testfiles::Read(File(u"Whois.lst"_s)), testfiles::Utf16Le(u"a=\t表\r\nb=\tボブ\r\n0=\tlater\r\n"_s));
    QCOMPARE(testfiles::Read(File(u"ItemDB.lst"_s)), testfiles::Utf16Le(u"item=\tx\r\n"_s));
    QCOMPARE(testfiles::Read(File(u"IDNote.lst"_s)), QByteArray("\xFF\xFE", 2));
    QCOMPARE(testfiles::Read(File(u"Wanted.lst"_s)), wanted);

    QVERIFY(state.released);
    for (const TStrDBListUni *list : {&state.roster, &state.idNotes, &state.itemDb, &state.wanted})
        QCOMPARE(list->Count(), 0);
    QVERIFY(state.rareItems.isEmpty());
    for (const DailyLog &log : state.logs)
        QVERIFY(log.buffer.isEmpty());
}

void TestShutdown::unreadableListIsNotOverwrittenNorItsAdditionsLost()
{
    WriteQuietSettings();
    const QByteArray damaged("\xEF\xBB\xBF" "剣=\t\xE6\xAD\r\n");
    testfiles::Write(File(u"ItemDB.lst"_s), damaged);
    // Two sessions with the file still unreadable: the additions of both are kept.
    for (const QString &item : {u"盾"_s, u"兜"_s}) {
        ScriptedPrompts prompts;
        AppState state;
        Start(state, prompts);
        QCOMPARE(prompts.shown.size(), 1);
        AddField(item, u"防具"_s, state.itemDb);
        AddField(u"12345678"_s, u"Bob"_s, state.roster);

        QVERIFY(!SaveAndReleaseLists(state, prompts));
        QCOMPARE(prompts.shown.size(), 2);
        QVERIFY2(prompts.shown[1].contains(File(u"ItemDB.lst.new"_s)), qPrintable(prompts.shown[1]));
    }
    QCOMPARE(testfiles::Read(File(u"ItemDB.lst"_s)), damaged);
    QCOMPARE(testfiles::ListFileLines(File(u"ItemDB.lst.new"_s)), (QStringList{u"盾=\t防具"_s, u"兜=\t防具"_s}));
    QCOMPARE(testfiles::ListFileLines(File(u"Whois.lst"_s)), QStringList{u"12345678=\tBob"_s});
}

void TestShutdown::failedListSaveIsReportedWithThePath()
{
    WriteQuietSettings();
    ScriptedPrompts prompts;
    AppState state;
    Start(state, prompts);
    AddField(u"12345678"_s, u"Bob"_s, state.roster);
    AddField(u"87654321"_s, u"note"_s, state.idNotes);
    // The roster file became a folder with something in it while the program ran.
    QVERIFY(QFile::remove(File(u"Whois.lst"_s)));
    QVERIFY(QDir().mkdir(File(u"Whois.lst"_s)));
    testfiles::Write(File(u"Whois.lst/inside"_s), "x");

    QVERIFY(!SaveAndReleaseLists(state, prompts));
    QCOMPARE(prompts.shown.size(), 1);
    QVERIFY2(prompts.shown[0].startsWith(u"warning: "_s) &&
                 prompts.shown[0].contains(QDir::toNativeSeparators(File(u"Whois.lst"_s))),
             qPrintable(prompts.shown[0]));
    // The other lists were still saved.
    QCOMPARE(testfiles::ListFileLines(File(u"IDNote.lst"_s)), QStringList{u"87654321=\tnote"_s});
}

void TestShutdown::windowPosition_data()
{
    QTest::addColumn<QString>("section"); // null: no section
    QTest::addColumn<QRect>("read");

    QTest::newRow("no section: top-left, current size") << QString() << QRect(0, 0, 680, 203);
    QTest::newRow("padded keys") << u"Left  =30\r\nTop   =40\r\nWidth =500\r\nHeight=300\r\n"_s
                                 << QRect(30, 40, 500, 300);
    QTest::newRow("plain keys, other case") << u"left=-5\r\nTOP=7\r\nwidth=640\r\n"_s << QRect(-5, 7, 640, 203);
}

void TestShutdown::windowPosition()
{
    QFETCH(QString, section);
    QFETCH(QRect, read);
    const QString other = u"[Other]\r\nLeft  =99\r\n"_s;
    testfiles::Write(SettingsPath(),
                     testfiles::Cp932(other + (section.isNull() ? QString() : u"[FrmKivMain]\r\n"_s + section)));
    ProfileFile ini(SettingsPath());
    QVERIFY(ini.Load());
    QCOMPARE(ReadWindowPosition(ini, u"FrmKivMain"_s, QRect(100, 100, 680, 203)), read);

    WriteWindowPosition(ini, u"FrmKivMain"_s, QRect(1, 2, 3, 4));
    QCOMPARE(ReadWindowPosition(ini, u"frmkivmain"_s, QRect()), QRect(1, 2, 3, 4));
    const QStringList lines = ini.Lines();
    QCOMPARE(lines.mid(0, 2), (QStringList{u"[Other]"_s, u"Left  =99"_s}));
    QCOMPARE(lines.size(), 2 + 1 + 4); // one line per key, no duplicates
}

QTEST_GUILESS_MAIN(TestShutdown)
#include "tst_shutdown.moc"
