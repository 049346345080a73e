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

// Lines given as one text, "\n" between them.
QStringList L(const QString &lines)
{
    return lines.isEmpty() ? QStringList() : lines.split(u'\n');
}

struct Fixture
{
    Fixture(const QString &roster, const QString &notes = {})
    {
        state.roster.Assign(L(roster));
        state.idNotes.Assign(L(notes));
    }
    QString Rows() const
    {
        QStringList rows;
        for (int r = 0; r < model.Count(); ++r)
            rows.append(model.Caption(r) + u'|' + model.Values(r).value(0));
        return rows.join(u'\n');
    }
    QStringList Lists() const { return state.roster.Lines() + state.idNotes.Lines() + state.itemDb.Lines(); }
    DroppedKind Drop(const QStringList &paths) { return kiv::drop::ImportDroppedFiles(paths, {state, tracker, prompts, info}); }

    AppState state;
    RosterRowsModel model;
    FakeInfoOutput info;
    NoTimer timer;
    ScriptedPrompts prompts;
    RosterTracker tracker{state, model, {info, timer, {}}};
};

const QString kRoster = u"11111111=\tAlice\tBob"_s;
const QString kNote = u"11111111=\t1\t2\t0\t0\t0\told\tnote"_s;
const QString kAskRoster = u"question: キャラ名簿Whois.lstをインポートしますか？"_s;
const QString kAskBlack = u"question: ID名簿Black.lstをインポートしますか？"_s;

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
    QTest::addColumn<QString>("roster");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("rows"); // roster view: ID|latest name

    QTest::newRow("empty roster takes nothing") << u""_s << u"22222222=\tDan"_s << u""_s << u""_s;
    QTest::newRow("line standing in the roster") << kRoster << u"11111111=\tAlice"_s << kRoster << u""_s;
    QTest::newRow("line inside a longer line") << kRoster << u"1111111=\tAl"_s << kRoster << u""_s;
    QTest::newRow("known ID, one new name")
        << kRoster << u"11111111=\tAlice\tCarol"_s << kRoster + u"\tCarol"_s << u"11111111|Carol"_s;
    QTest::newRow("known names in another order") << kRoster << u"11111111=\tBob\tAlice"_s << kRoster
                                                  << u"11111111|Alice"_s;
    QTest::newRow("new ID") << kRoster << u"22222222=\tDan\tDave\t"_s << kRoster + u"\n22222222=\tDan\tDave"_s
                            << u"22222222|Dave"_s;
    QTest::newRow("text taken at the start") << kRoster << u"22222222=\tDan\n2222222=\tDa"_s
                                             << kRoster + u"\n22222222=\tDan\n2222222=\tDa"_s
                                             << u"22222222|Dan\n2222222|Da"_s;
    QTest::newRow("lines without a key") << kRoster << u"garbage\n\n=\tX"_s << kRoster << u""_s;
}

void TestImports::mergeRoster()
{
    QFETCH(QString, roster);
    QFETCH(QString, file);
    Fixture f(roster);
    kiv::imports::MergeRoster(f.state, L(file), f.tracker);
    QTEST(f.state.roster.Lines().join(u'\n'), "after");
    QTEST(f.Rows(), "rows");
}

void TestImports::mergeBlackList_data()
{
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("after");

    const QString bad = u"22222222=\t0\t9\t0\t0\t0\tbad"_s;
    QTest::newRow("unknown ID appended as it is") << kNote << bad << kNote + u'\n' + bad;
    QTest::newRow("rank 9: rank and note, flag kept")
        << kNote << u"11111111=\t0\t9\t0\t0\t0\t new \t2 "_s << u"11111111=\t1\t9\t0\t0\t0\tnew \t2"_s;
    QTest::newRow("rank 0, empty note") << kNote << u"11111111=\t0\t0\t0\t0\t0\t"_s << u"11111111=\t1\t0\t0\t0\t0\t"_s;
    QTest::newRow("rank 5 changes nothing") << kNote << u"11111111=\t0\t5\t0\t0\t0\tx"_s << kNote;
    QTest::newRow("rank 18 is no rank") << kNote << u"11111111=\t0\t18\t0\t0\t0\tx"_s << kNote;
    QTest::newRow("no rank") << kNote << u"11111111=\t0"_s << kNote;
    QTest::newRow("short entry") << u"11111111=\t1"_s << u"11111111=\t0\t8"_s << u"11111111=\t1\t8\t0\t0\t0\t"_s;
    QTest::newRow("file's first entry counts") << kNote << u"11111111=\t0\t8\t0\t0\t0\tA\n11111111=\t0\t5\t0\t0\t0\tB"_s
                                               << u"11111111=\t1\t8\t0\t0\t0\tA"_s;
    QTest::newRow("lines without a key") << kNote << u"no key\n=\t0\t9\n"_s << kNote;
    QTest::newRow("wide hand-edited number") << u"11111111=\t10\t2\t0\t0\t0\told"_s
                                             << u"11111111=\t0\t9\t0\t0\t0\tnew"_s
                                             << u"11111111=\t10\t9\t0\t0\t0\tnew"_s;
}

void TestImports::mergeBlackList()
{
    QFETCH(QString, notes);
    QFETCH(QString, file);
    Fixture f({}, notes);
    kiv::imports::MergeBlackList(f.state, L(file));
    QTEST(f.state.idNotes.Lines().join(u'\n'), "after");
}

void TestImports::substringIndex_data()
{
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<int>("length");

    QTest::newRow("empty text") << u"ab"_s << 0;
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
    QTest::addColumn<QString>("shown"); // "|" between prompts; %1: the file's path
    QTest::addColumn<QString>("info");
    QTest::addColumn<int>("merged");
    QTest::addColumn<QString>("added"); // the roster's new last line

    const QByteArray dan = testfiles::Utf16Le(u"22222222=\tDan\r\n"_s);
    const QString rosterInfo = u"名簿のインポート中です。長らくお待ちください\n名簿のインポートが終了しました"_s;
    const QString unreadable = u"|warning: %1 を読み込めませんでした"_s;
    const QString itemBusy = u"アイテムのインポート中です。長らくお待ちください"_s;
    const QString askRarities = u"question: アイテム名、レア度をインポートできます。\r\nインポートしますか？"_s;
    const QString askTable = u"question: アイテム名、区分、レア度をインポートできます。\r\nインポートしますか？"_s;
    const int roster = int(DroppedKind::Roster);
    const int none = int(DroppedKind::None);

    QTest::newRow("roster") << u"Whois.lst"_s << dan << true << kAskRoster << rosterInfo << roster
                            << u"22222222=\tDan"_s;
    QTest::newRow("roster refused") << u"Whois.lst"_s << dan << false << kAskRoster << u""_s << none << u""_s;
    QTest::newRow("roster in UTF-8 without a mark") << u"Whois.lst"_s << u"22222222=\tダン\n"_s.toUtf8() << true
                                                    << kAskRoster << rosterInfo << roster << u"22222222=\tダン"_s;
    QTest::newRow("roster in code page 932") << u"Whois.lst"_s << testfiles::Cp932(u"22222222=\t表示\r\n"_s) << true
                                             << kAskRoster << rosterInfo << roster << u"22222222=\t表示"_s;
    QTest::newRow("roster unreadable") << u"Whois.lst"_s << QByteArray() << true << kAskRoster + unreadable
                                       << L(rosterInfo)[0] << none << u""_s;
    QTest::newRow("black list in bytes of no encoding")
        << u"black.LST"_s << QByteArray("\x80\x80=\t0\t9", 7) << true << kAskBlack + unreadable
        << u"黒名簿のインポート中です。長らくお待ちください"_s << none << u""_s;
    QTest::newRow("item rarities") << u"KIV_Item.dat"_s << QByteArray("7,X\r\n") << true << askRarities
                                   << itemBusy + u"\nアイテムのインポートが終了しました"_s
                                   << int(DroppedKind::ItemRarities) << u""_s;
    QTest::newRow("item rarities refused") << u"KIV_Item.dat"_s << QByteArray("7,X\r\n") << false << askRarities
                                           << u""_s << none << u""_s;
    QTest::newRow("item table unreadable") << u"itemdb.tsv"_s << QByteArray() << true << askTable + unreadable
                                           << itemBusy << none << u""_s;
}

void TestImports::frame()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, yes);
    QFETCH(QString, shown);
    QFETCH(int, merged);
    QFETCH(QString, added);
    const QString path = m_dir.filePath(QString::fromUtf8(QTest::currentDataTag()) + u'/' + name);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    if (!bytes.isEmpty())
        testfiles::Write(path, bytes);
    Fixture f(kRoster, kNote);
    const QStringList before = f.Lists();
    f.prompts.QueueQuestion(yes);

    QCOMPARE(int(f.Drop({path})), merged);
    // The warning names the file; what the system says after it may vary.
    const QStringList expected = shown.replace(u"%1"_s, QDir::toNativeSeparators(path)).split(u'|');
    QCOMPARE(f.prompts.shown.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(f.prompts.shown[i].startsWith(expected[i]), qPrintable(f.prompts.shown[i]));
    QTEST(f.info.lines.join(u'\n'), "info");
    QCOMPARE(f.Lists() == before, merged == int(DroppedKind::None));
    if (!added.isEmpty())
        QCOMPARE(f.state.roster.Lines().last(), added);
}

void TestImports::dispatch_data()
{
    QTest::addColumn<QString>("files"); // made in the folder; a trailing "/" makes a folder, "ro/" a read-only file
    QTest::addColumn<QString>("dropped");
    QTest::addColumn<QString>("asked");

    QTest::newRow("capital letters, any folder") << u"a/b/WHOIS.LST"_s << u"a/b/WHOIS.LST"_s << kAskRoster;
    QTest::newRow("only the first of two") << u"Black.lst\nWhois.lst"_s << u"Black.lst\nWhois.lst"_s << kAskBlack;
    QTest::newRow("folder named Whois.lst") << u"Whois.lst/"_s << u"Whois.lst"_s << u""_s;
    QTest::newRow("read-only file") << u"ro/Whois.lst"_s << u"ro/Whois.lst"_s << u""_s;
    QTest::newRow("other name") << u"Whois.lst.txt"_s << u"Whois.lst.txt"_s << u""_s;
    QTest::newRow("nothing") << u""_s << u""_s << u""_s;
}

void TestImports::dispatch()
{
    QFETCH(QString, files);
    QFETCH(QString, dropped);
    const QString folder = m_dir.filePath(u"dispatch/"_s + QString::fromUtf8(QTest::currentDataTag())) + u'/';
    for (const QString &file : L(files)) {
        QVERIFY(QDir().mkpath(QFileInfo(folder + file).path()));
        if (file.endsWith(u'/'))
            QVERIFY(QDir().mkpath(folder + file));
        else
            testfiles::Write(folder + file, testfiles::Utf16Le(u"22222222=\t0\t9\t0\t0\t0\tx\r\n"_s));
        if (file.startsWith(u"ro/"))
            QVERIFY(QFile::setPermissions(folder + file, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    }
    QStringList paths = L(dropped);
    for (QString &path : paths)
        path.prepend(folder);
    Fixture f(kRoster);
    f.prompts.QueueQuestion(true);
    f.Drop(paths);
    QTEST(f.prompts.shown.join(u'\n'), "asked");
}

void TestImports::windowDrop_data()
{
    QTest::addColumn<QString>("urls"); // relative: in the program folder
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("imported");

    QTest::newRow("local file") << u"in/Whois.lst\nhttps://example.com/"_s << true << true;
    QTest::newRow("web address first") << u"https://example.com/Whois.lst\nin/Whois.lst"_s << false << false;
    QTest::newRow("folder") << u"in"_s << true << false;
}

void TestImports::windowDrop()
{
    QFETCH(QString, urls);
    QTemporaryDir dir;
    const QString settings = dir.filePath(u"kivreader.ini"_s);
    testfiles::Write(settings, testfiles::Cp932(u"[system]\r\nlogdir="_s + dir.path() + u"\r\nKivID=12345678\r\n"_s));
    testfiles::Write(dir.filePath(u"Whois.lst"_s), testfiles::Utf16Le(kRoster + u"\r\n"_s));
    QVERIFY(QDir(dir.path()).mkdir(u"in"_s));
    testfiles::Write(dir.filePath(u"in/Whois.lst"_s), testfiles::Utf16Le(kRoster + u"\tZed\r\n"_s));
    ScriptedPrompts prompts;
    FakeClock clock;
    TFrmKivMain window({dir.path() + u'/', settings}, prompts, clock);
    prompts.QueueQuestion(true);

    QMimeData mime;
    QList<QUrl> list;
    for (const QString &url : L(urls))
        list.append(url.contains(u':') ? QUrl(url) : QUrl::fromLocalFile(dir.filePath(url)));
    mime.setUrls(list);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QTEST(enter.isAccepted(), "accepted");
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    QCoreApplication::processEvents();
    QTEST(window.State().roster.Lines() == QStringList{kRoster + u"\tZed"_s}, "imported");
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
