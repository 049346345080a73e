#include "app/DroppedFiles.h"
#include "app/QtPrompts.h"
#include "app/TFrmKivMain.h"
#include "roster/RosterImports.h"
#include "roster/RosterRowsModel.h"
#include "roster/RosterTracker.h"
#include "support/FakeClock.h"
#include "support/FakeInfoOutput.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using kiv::drop::DroppedKind;

namespace {

class NoTimer final : public IRosterTimer
{
public:
    bool ProgramActive() const override { return true; }
    void StopRosterTimer() override {}
    void RestartRosterTimer() override {}
};

struct Fixture
{
    Fixture(const QStringList &roster, const QStringList &notes = {})
    {
        state.roster.Assign(roster);
        state.idNotes.Assign(notes);
    }
    QStringList Rows() const
    {
        QStringList rows;
        for (int r = 0; r < model.Count(); ++r)
            rows.append(model.Caption(r) + u'|' + model.Values(r).value(0));
        return rows;
    }
    DroppedKind Drop(const QStringList &paths) { return kiv::drop::ImportDroppedFiles(paths, {state, tracker, prompts, info}); }

    AppState state;
    RosterRowsModel model;
    FakeInfoOutput info;
    NoTimer timer;
    ScriptedPrompts prompts;
    RosterTracker tracker{state, model, {info, timer, {}}};
};

const QString kRosterLine = u"11111111=\tAlice\tBob"_s;
const QString kNoteLine = u"11111111=\t1\t2\t0\t0\t0\told\tnote"_s;
const QString kAskRoster = u"question: キャラ名簿Whois.lstをインポートしますか？"_s;

} // namespace

class TestImports : public QObject
{
    Q_OBJECT
private slots:
    void mergeRoster_data();
    void mergeRoster();
    void mergeBlackList_data();
    void mergeBlackList();
    void substringIndex_data();
    void substringIndex();
    void frame_data();
    void frame();
    void dispatch_data();
    void dispatch();
    void windowDrop_data();
    void windowDrop();
    void confirmUnlessNo_data();
    void confirmUnlessNo();

private:
    QTemporaryDir m_dir;
};

void TestImports::mergeRoster_data()
{
    QTest::addColumn<QStringList>("roster");
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("rows");

    const QStringList one{kRosterLine};
    QTest::newRow("empty roster takes nothing") << QStringList() << QStringList{u"22222222=\tDan"_s} << QStringList()
                                                << QStringList();
    QTest::newRow("line standing in the roster") << one << QStringList{u"11111111=\tAlice"_s} << one << QStringList();
    QTest::newRow("line inside a longer line") << one << QStringList{u"1111111=\tAl"_s} << one << QStringList();
    QTest::newRow("known ID, one new name") << one << QStringList{u"11111111=\tAlice\tCarol"_s}
                                            << QStringList{kRosterLine + u"\tCarol"_s}
                                            << QStringList{u"11111111|Carol"_s};
    QTest::newRow("known names in another order") << one << QStringList{u"11111111=\tBob\tAlice"_s} << one
                                                  << QStringList{u"11111111|Alice"_s};
    QTest::newRow("new ID") << one << QStringList{u"22222222=\tDan\tDave\t"_s}
                            << QStringList{kRosterLine, u"22222222=\tDan\tDave"_s} << QStringList{u"22222222|Dave"_s};
    QTest::newRow("text taken at the start") << one << QStringList{u"22222222=\tDan"_s, u"2222222=\tDa"_s}
                                             << QStringList{kRosterLine, u"22222222=\tDan"_s, u"2222222=\tDa"_s}
                                             << QStringList{u"22222222|Dan"_s, u"2222222|Da"_s};
    QTest::newRow("lines without a key") << one << QStringList{u"garbage"_s, QString(), u"=\tX"_s} << one
                                         << QStringList();
}

void TestImports::mergeRoster()
{
    QFETCH(QStringList, roster);
    QFETCH(QStringList, file);
    Fixture f(roster);
    kiv::imports::MergeRoster(f.state, file, f.tracker);
    QTEST(f.state.roster.Lines(), "after");
    QTEST(f.Rows(), "rows");
}

void TestImports::mergeBlackList_data()
{
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<QStringList>("after");

    const QStringList one{kNoteLine};
    QTest::newRow("unknown ID appended as it is") << one << QStringList{u"22222222=\t0\t9\t0\t0\t0\tbad"_s}
                                                  << QStringList{kNoteLine, u"22222222=\t0\t9\t0\t0\t0\tbad"_s};
    QTest::newRow("rank 9: rank and note, flag kept") << one << QStringList{u"11111111=\t0\t9\t0\t0\t0\t new \t2 "_s}
                                                      << QStringList{u"11111111=\t1\t9\t0\t0\t0\tnew \t2"_s};
    QTest::newRow("rank 0, empty note") << one << QStringList{u"11111111=\t0\t0\t0\t0\t0\t"_s}
                                        << QStringList{u"11111111=\t1\t0\t0\t0\t0\t"_s};
    QTest::newRow("rank 5 changes nothing") << one << QStringList{u"11111111=\t0\t5\t0\t0\t0\tx"_s} << one;
    QTest::newRow("rank 18 is no rank") << one << QStringList{u"11111111=\t0\t18\t0\t0\t0\tx"_s} << one;
    QTest::newRow("no rank") << one << QStringList{u"11111111=\t0"_s} << one;
    QTest::newRow("file's first entry counts")
        << one << QStringList{u"11111111=\t0\t8\t0\t0\t0\tfirst"_s, u"11111111=\t0\t5\t0\t0\t0\tsecond"_s}
        << QStringList{u"11111111=\t1\t8\t0\t0\t0\tfirst"_s};
    QTest::newRow("lines without a key") << one << QStringList{u"no key"_s, u"=\t0\t9"_s, QString()} << one;
    QTest::newRow("wide hand-edited number") << QStringList{u"11111111=\t10\t2\t0\t0\t0\told"_s}
                                             << QStringList{u"11111111=\t0\t9\t0\t0\t0\tnew"_s}
                                             << QStringList{u"11111111=\t10\t9\t0\t0\t0\tnew"_s};
}

void TestImports::mergeBlackList()
{
    QFETCH(QStringList, notes);
    QFETCH(QStringList, file);
    Fixture f({}, notes);
    kiv::imports::MergeBlackList(f.state, file);
    QTEST(f.state.idNotes.Lines(), "after");
}

void TestImports::substringIndex_data()
{
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<int>("length");

    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("one letter") << u"a"_s << 300;
    QTest::newRow("two letters") << u"ab"_s << 2000;
    QTest::newRow("roster-like") << u"12=\t\r\nAl"_s << 3000;
    QTest::newRow("high units and surrogates") << u"x\u0001カ\uFFFF\U0001F600"_s << 2000;
}

void TestImports::substringIndex()
{
    QFETCH(QString, alphabet);
    QFETCH(int, length);
    QRandomGenerator rng(length);
    auto randomText = [&](int n) {
        QString s;
        for (int i = 0; i < n; ++i)
            s += alphabet[rng.bounded(int(alphabet.size()))];
        return s;
    };
    const QString text = randomText(length);
    const kiv::imports::SubstringIndex index(text);
    for (int i = 0; i < 3000; ++i) {
        const int n = rng.bounded(1, 9);
        const QString needle = (i % 2 && length > n) ? text.mid(rng.bounded(length - n), n) : randomText(n);
        QCOMPARE(index.Contains(needle), text.contains(needle));
    }
}

void TestImports::frame_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // empty: no file
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("shown"); // %1: the file's path
    QTest::addColumn<QStringList>("info");
    QTest::addColumn<int>("merged");
    QTest::addColumn<QString>("added"); // the roster's new last line

    const QByteArray roster = testfiles::Utf16Le(u"22222222=\tDan\r\n"_s);
    const QStringList rosterInfo{u"名簿のインポート中です。長らくお待ちください"_s, u"名簿のインポートが終了しました"_s};
    const QString unreadable = u"warning: %1 を読み込めませんでした"_s;
    const QString itemBusy = u"アイテムのインポート中です。長らくお待ちください"_s;
    const QString askRarities = u"question: アイテム名、レア度をインポートできます。\r\nインポートしますか？"_s;
    const QString askTable = u"question: アイテム名、区分、レア度をインポートできます。\r\nインポートしますか？"_s;

    QTest::newRow("roster") << u"Whois.lst"_s << roster << true << QStringList{kAskRoster} << rosterInfo
                            << int(DroppedKind::Roster) << u"22222222=\tDan"_s;
    QTest::newRow("roster refused") << u"Whois.lst"_s << roster << false << QStringList{kAskRoster} << QStringList()
                                    << int(DroppedKind::None) << QString();
    QTest::newRow("roster in UTF-8 without a mark")
        << u"Whois.lst"_s << u"22222222=\tダン\n"_s.toUtf8() << true << QStringList{kAskRoster} << rosterInfo
        << int(DroppedKind::Roster) << u"22222222=\tダン"_s;
    QTest::newRow("roster in code page 932")
        << u"Whois.lst"_s << testfiles::Cp932(u"22222222=\t表示\r\n"_s) << true << QStringList{kAskRoster}
        << rosterInfo << int(DroppedKind::Roster) << u"22222222=\t表示"_s;
    QTest::newRow("roster unreadable") << u"Whois.lst"_s << QByteArray() << true
                                       << QStringList{kAskRoster, unreadable} << rosterInfo.mid(0, 1)
                                       << int(DroppedKind::None) << QString();
    QTest::newRow("black list in bytes of no encoding")
        << u"black.LST"_s << QByteArray("\x80\x80=\t0\t9", 7) << true
        << QStringList{u"question: ID名簿Black.lstをインポートしますか？"_s, unreadable}
        << QStringList{u"黒名簿のインポート中です。長らくお待ちください"_s} << int(DroppedKind::None) << QString();
    QTest::newRow("item rarities") << u"KIV_Item.dat"_s << QByteArray("7,X\r\n") << true << QStringList{askRarities}
                                   << QStringList{itemBusy, u"アイテムのインポートが終了しました"_s}
                                   << int(DroppedKind::ItemRarities) << QString();
    QTest::newRow("item rarities refused") << u"KIV_Item.dat"_s << QByteArray("7,X\r\n") << false
                                           << QStringList{askRarities} << QStringList() << int(DroppedKind::None) << QString();
    QTest::newRow("item table unreadable") << u"itemdb.tsv"_s << QByteArray() << true
                                           << QStringList{askTable, unreadable} << QStringList{itemBusy}
                                           << int(DroppedKind::None) << QString();
}

void TestImports::frame()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, shown);
    QFETCH(bool, yes);
    QFETCH(int, merged);
    QFETCH(QString, added);
    const QString path = m_dir.filePath(QString::fromUtf8(QTest::currentDataTag()) + u'/' + name);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    if (!bytes.isEmpty())
        testfiles::Write(path, bytes);
    Fixture f({kRosterLine}, {kNoteLine});
    const AppState &s = f.state;
    const QStringList before = s.roster.Lines() + s.idNotes.Lines() + s.itemDb.Lines();
    f.prompts.QueueQuestion(yes);

    QCOMPARE(int(f.Drop({path})), merged);
    QCOMPARE(f.prompts.shown.size(), shown.size());
    for (QString &expected : shown)
        expected.replace(u"%1"_s, QDir::toNativeSeparators(path));
    for (int i = 0; i < shown.size(); ++i)
        QVERIFY2(f.prompts.shown[i].startsWith(shown[i]), qPrintable(f.prompts.shown[i]));
    QTEST(f.info.lines, "info");
    const QStringList after = s.roster.Lines() + s.idNotes.Lines() + s.itemDb.Lines();
    QCOMPARE(after == before, merged == int(DroppedKind::None));
    if (!added.isEmpty())
        QCOMPARE(s.roster.Lines().last(), added);
}

void TestImports::dispatch_data()
{
    QTest::addColumn<QStringList>("files"); // made in the folder; a trailing "/" makes a folder
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QString>("asked");

    const QString askBlack = u"question: ID名簿Black.lstをインポートしますか？"_s;
    QTest::newRow("capital letters, any folder") << QStringList{u"a/b/WHOIS.LST"_s} << QStringList{u"a/b/WHOIS.LST"_s}
                                                 << kAskRoster;
    QTest::newRow("only the first of two") << QStringList{u"Black.lst"_s, u"Whois.lst"_s}
                                           << QStringList{u"Black.lst"_s, u"Whois.lst"_s} << askBlack;
    QTest::newRow("folder named Whois.lst") << QStringList{u"Whois.lst/"_s} << QStringList{u"Whois.lst"_s} << QString();
    QTest::newRow("read-only file") << QStringList{u"ro/Whois.lst"_s} << QStringList{u"ro/Whois.lst"_s} << QString();
    QTest::newRow("other name") << QStringList{u"Whois.lst.txt"_s} << QStringList{u"Whois.lst.txt"_s} << QString();
    QTest::newRow("nothing") << QStringList() << QStringList() << QString();
}

void TestImports::dispatch()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, dropped);
    QFETCH(QString, asked);
    const QString folder = m_dir.filePath(u"dispatch/"_s + QString::fromUtf8(QTest::currentDataTag())) + u'/';
    for (const QString &file : files) {
        QVERIFY(QDir().mkpath(QFileInfo(folder + file).path()));
        if (file.endsWith(u'/'))
            QVERIFY(QDir().mkpath(folder + file));
        else
            testfiles::Write(folder + file, testfiles::Utf16Le(u"22222222=\t0\t9\t0\t0\t0\tx\r\n"_s));
        if (file.startsWith(u"ro/"))
            QVERIFY(QFile::setPermissions(folder + file, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    }
    for (QString &path : dropped)
        path.prepend(folder);
    Fixture f({kRosterLine});
    f.prompts.QueueQuestion(true);
    f.Drop(dropped);
    QCOMPARE(f.prompts.shown, asked.isEmpty() ? QStringList() : QStringList{asked});
}

void TestImports::windowDrop_data()
{
    QTest::addColumn<QStringList>("urls"); // relative: in the test folder
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("imported");

    QTest::newRow("local file") << QStringList{u"in/Whois.lst"_s, u"https://example.com/"_s} << true << true;
    QTest::newRow("web address first") << QStringList{u"https://example.com/Whois.lst"_s, u"in/Whois.lst"_s} << false
                                       << false;
    QTest::newRow("folder") << QStringList{u"in"_s} << true << false;
}

void TestImports::windowDrop()
{
    QFETCH(QStringList, urls);
    QTemporaryDir dir;
    const QString settings = dir.filePath(u"kivreader.ini"_s);
    testfiles::Write(settings, testfiles::Cp932(u"[system]\r\nlogdir="_s + dir.path() + u"\r\nKivID=12345678\r\n"_s));
    testfiles::Write(dir.filePath(u"Whois.lst"_s), testfiles::Utf16Le(kRosterLine + u"\r\n"_s));
    QVERIFY(QDir(dir.path()).mkdir(u"in"_s));
    testfiles::Write(dir.filePath(u"in/Whois.lst"_s), testfiles::Utf16Le(kRosterLine + u"\tZed\r\n"_s));
    ScriptedPrompts prompts;
    FakeClock clock;
    TFrmKivMain window({dir.path() + u'/', settings}, prompts, clock);
    prompts.QueueQuestion(true);

    QMimeData mime;
    QList<QUrl> list;
    for (const QString &url : urls)
        list.append(url.contains(u':') ? QUrl(url) : QUrl::fromLocalFile(dir.filePath(url)));
    mime.setUrls(list);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QTEST(enter.isAccepted(), "accepted");
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    QCoreApplication::processEvents();
    QTEST(window.State().roster.Lines() == QStringList{kRosterLine + u"\tZed"_s}, "imported");
    QTEST(!prompts.shown.isEmpty(), "imported");
}

void TestImports::confirmUnlessNo_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<bool>("question");

    QTest::newRow("Escape") << u"escape"_s << true << false;
    QTest::newRow("close button") << u"close"_s << true << false;
    QTest::newRow("No") << u"no"_s << false << false;
    QTest::newRow("Yes") << u"yes"_s << true << true;
}

void TestImports::confirmUnlessNo()
{
    QFETCH(QString, how);
    QtPrompts prompts;
    auto answer = [how] {
        QTimer::singleShot(0, [how] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            if (how == u"escape")
                QTest::keyClick(box, Qt::Key_Escape);
            else if (how == u"close")
                box->close();
            else
                box->button(how == u"no" ? QMessageBox::No : QMessageBox::Yes)->click();
        });
    };
    answer();
    QTEST(prompts.ConfirmUnlessNo(u"go on?"_s), "confirm");
    answer();
    QTEST(prompts.Question(u"go on?"_s), "question");
}

QTEST_MAIN(TestImports)
#include "tst_imports.moc"
