#include "app/TFrmKivMain.h"

#include "commands/TInfoWindow.h"
#include "items/TInfoGrid.h"
#include "items/TInfoGridHin.h"
#include "platform/ProfileFile.h"
#include "platform/TerminationSignals.h"
#include "platform/TextFile.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void builtWithItsComponents();
    void rememberedPosition_data();
    void rememberedPosition();
    void sideWindowsAtClose();
    void placesOffEveryScreen();
    void layoutSurvivesRestarts();
    void closeStepsRunOnce_data();
    void closeStepsRunOnce();
    void rosterUpdateFailureAtClose_data();
    void rosterUpdateFailureAtClose();
    void enterMovesTheFocusOn_data();
    void enterMovesTheFocusOn();

private:
    QString File(const QString &name) const { return m_dir->filePath(name); }
    QString SettingsPath() const { return File(u"kivreader.ini"_s); }
    void WriteSettings(const QString &more = QString()) const
    {
        testfiles::Write(SettingsPath(), testfiles::Cp932(u"[system]\r\nlogdir="_s + m_dir->path() +
                                                          u"\r\nKivID=12345678\r\n"_s + more));
    }
    TFrmKivMain *Make()
    {
        m_window = std::make_unique<TFrmKivMain>(TFrmKivMain::Paths{m_dir->path() + u'/', SettingsPath()}, m_prompts,
                                                 m_clock);
        return m_window.get();
    }
    // Closing the main window asks the application to quit; let that pass while only
    // this window is open, so it cannot reach the next test's window.
    static void Settle() { QCoreApplication::processEvents(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts m_prompts;
    FakeClock m_clock;
    std::unique_ptr<TFrmKivMain> m_window;
};

void TestMainWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_prompts = ScriptedPrompts();
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    Settle();
}

void TestMainWindow::builtWithItsComponents()
{
    WriteSettings();
    TFrmKivMain *w = Make();
    QCOMPARE(m_prompts.shown, QStringList{});
    QCOMPARE(w->windowTitle(), u"KivReader 0.83β"_s);
    QCOMPARE(w->objectName(), u"FrmKivMain"_s);
    QVERIFY(w->acceptDrops());
    QVERIFY(w->findChild<QTableView *>(u"lvChat"_s));
    QVERIFY(w->findChild<QTableView *>(u"lvWho"_s));
    auto *splitter = w->findChild<QSplitter *>(u"Splitter"_s);
    QVERIFY(splitter);
    QCOMPARE(splitter->indexOf(w->findChild<QTableView *>(u"lvChat"_s)), 0);
    QVERIFY(w->findChild<QWidget *>(u"stbLeft"_s));
    QVERIFY(w->findChild<QLabel *>(u"stbMainPanels"_s));
    auto *timer = w->findChild<QTimer *>(u"TimWho"_s);
    QVERIFY(timer);
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 60000);
    auto *quit = w->findChild<QAction *>(u"popQuit"_s);
    QVERIFY(quit);
    QCOMPARE(quit->text(), u"終了(&Q)"_s);
    QVERIFY(w->Popup()->actions().contains(quit));
    // Start-up ran: lists created, the day's names set.
    QCOMPARE(w->State().ownId, u"12345678"_s);
    QCOMPARE(w->State().Log(LogKind::Chat).currentName, u"ChatLog_20261207.txt"_s);
    QVERIFY(QFileInfo::exists(File(u"Wanted.lst"_s)));
}

void TestMainWindow::rememberedPosition_data()
{
    QTest::addColumn<int>("flag");
    QTest::addColumn<bool>("remembered");

    QTest::newRow("flag 1") << 1 << true;
    QTest::newRow("flag 0") << 0 << false;
    QTest::newRow("flag 2 is not 1") << 2 << false;
}

void TestMainWindow::rememberedPosition()
{
    QFETCH(int, flag);
    QFETCH(bool, remembered);
    WriteSettings(u"[FrmKivMain]\r\nLeft  =30\r\nTop   =40\r\nWidth =500\r\nHeight=300\r\n"_s);
    TFrmKivMain *w = Make();
    w->SetRememberPosition(static_cast<unsigned char>(flag));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    if (remembered) {
        QCOMPARE(w->pos(), QPoint(30, 40));
        QCOMPARE(w->size(), QSize(500, 300));
    } else {
        QCOMPARE(w->size(), QSize(680, 203));
    }

    // Only a window whose flag is exactly 1 writes its section at close.
    QVERIFY(QFile::remove(SettingsPath()));
    WriteSettings();
    w->move(70, 80);
    w->resize(610, 260);
    QTRY_COMPARE(w->pos(), QPoint(70, 80));
    w->close();
    Settle();
    ProfileFile ini(SettingsPath());
    QVERIFY(ini.Load());
    QCOMPARE(ini.HasKey(u"FrmKivMain"_s, u"Left"_s), remembered);
    if (remembered) {
        QCOMPARE(ini.ReadInt(u"FrmKivMain"_s, u"Left  "_s, -1), 70);
        QCOMPARE(ini.ReadInt(u"FrmKivMain"_s, u"Top   "_s, -1), 80);
        QCOMPARE(ini.ReadInt(u"FrmKivMain"_s, u"Width "_s, -1), 610);
        QCOMPARE(ini.ReadInt(u"FrmKivMain"_s, u"Height"_s, -1), 260);
    }
    // The rest of the close keys are written either way.
    QVERIFY(ini.HasKey(u"window"_s, u"chat.colwidth3"_s));
}

void TestMainWindow::sideWindowsAtClose()
{
    WriteSettings(u"[window]\r\nitem.left=5\r\nitem.top=6\r\nitem.right=305\r\nitem.bottom=106\r\nitemWindow=1\r\n"_s);
    TFrmKivMain *w = Make();
    TInfoWindow info;
    TInfoGridHin itemHin;
    TInfoGrid item;
    w->SetSideWindows(&info, &itemHin, &item);
    info.setGeometry(10, 20, 350, 150);
    info.SetAlpha(200);
    info.show();
    itemHin.setGeometry(7, 8, 320, 110);
    itemHin.show();
    item.setGeometry(400, 400, 100, 100); // hidden: this rectangle is not saved
    QVERIFY(QTest::qWaitForWindowExposed(&info));
    QVERIFY(QTest::qWaitForWindowExposed(&itemHin));
    QTRY_COMPARE(info.pos(), QPoint(10, 20));
    QTRY_COMPARE(itemHin.pos(), QPoint(7, 8));
    w->close();
    Settle();

    ProfileFile ini(SettingsPath());
    QVERIFY(ini.Load());
    const auto read = [&ini](const char *key) { return ini.ReadInt(u"window"_s, QString::fromLatin1(key), -1); };
    QCOMPARE(read("info.left"), 10);
    QCOMPARE(read("info.right"), 360);
    QCOMPARE(read("info.bottom"), 170);
    QCOMPARE(read("InfoWindow"), 1);
    QCOMPARE(read("info.alpha"), 200);
    QCOMPARE(read("item.left"), 5);
    QCOMPARE(read("item.bottom"), 106);
    QCOMPARE(read("itemWindow"), 0);
    QCOMPARE(read("itemhin.left"), 7);
    QCOMPARE(read("itemhin.right"), 327);
    QCOMPARE(read("itemhinWindow"), 1);
    m_window.reset(); // before the side windows go
}

// As after a monitor was unplugged, or the file was edited by hand: the windows come back
// on the screen, in sizes that fit it.
void TestMainWindow::placesOffEveryScreen()
{
    WriteSettings(u"[FrmKivMain]\r\nLeft=-99999\r\nTop=88888\r\nWidth=-5\r\nHeight=999999\r\n"
                  u"[window]\r\ninfo.left=5000\r\ninfo.top=5000\r\ninfo.right=5400\r\ninfo.bottom=5100\r\n"_s);
    TFrmKivMain *w = Make();
    TInfoWindow info;
    TInfoGridHin itemHin;
    TInfoGrid item;
    w->SetSideWindows(&info, &itemHin, &item);
    w->SetRememberPosition(1);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QTRY_VERIFY(screen.contains(w->frameGeometry()));
    QCOMPARE(w->width(), 680);
    QCOMPARE(w->frameGeometry().height(), screen.height());
    QTRY_VERIFY(info.isVisible());
    QVERIFY(screen.contains(info.geometry()));
    QCOMPARE(info.size(), QSize(400, 100));
    m_window.reset(); // before the side windows go
}

void TestMainWindow::layoutSurvivesRestarts()
{
    // Sessions that change nothing write back what they read, however often the
    // program is started.
    WriteSettings(u"[window]\r\nchat.width=400\r\nchat.heidht=180\r\nchat.colwidth0=60\r\nchat.colwidth1=80\r\n"
                  u"chat.colwidth2=80\r\nchat.colwidth3=230\r\nwho.colwidth0=80\r\nwho.colwidth2=90\r\n"_s);
    QList<int> lastColumn;
    for (int session = 0; session < 3; ++session) {
        TFrmKivMain *w = Make();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->close();
        Settle();
        m_window.reset();
        ProfileFile ini(SettingsPath());
        QVERIFY(ini.Load());
        lastColumn << ini.ReadInt(u"window"_s, u"chat.colwidth3"_s, -1);
        QCOMPARE(ini.ReadInt(u"window"_s, u"chat.colwidth0"_s, -1), 60);
    }
    QCOMPARE(lastColumn[2], lastColumn[1]);
}

void TestMainWindow::closeStepsRunOnce_data()
{
    QTest::addColumn<QString>("way");

    QTest::newRow("menu entry") << u"menu"_s;
    QTest::newRow("close button") << u"close"_s;
    QTest::newRow("SIGTERM") << u"SIGTERM"_s;
    QTest::newRow("SIGINT") << u"SIGINT"_s;
    QTest::newRow("SIGHUP") << u"SIGHUP"_s;
}

void TestMainWindow::closeStepsRunOnce()
{
    QFETCH(QString, way);
    WriteSettings();
    testfiles::Write(File(u"Whois.lst"_s), testfiles::Utf16Le(u"12345678=\tBob\r\n"_s));
    TFrmKivMain *w = Make();
    TerminationSignals termination;
    connect(&termination, &TerminationSignals::Received, w, &QWidget::close);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    AddField(u"87654321"_s, u"Alice"_s, w->State().roster);

    if (way == u"menu"_s)
        w->findChild<QAction *>(u"popQuit"_s)->trigger();
    else if (way == u"close"_s)
        w->close();
    else
        ::raise(way == u"SIGTERM"_s ? SIGTERM : way == u"SIGINT"_s ? SIGINT : SIGHUP);
    QTRY_VERIFY(w->Closed());
    QVERIFY(!w->isVisible());
    Settle();
    const QStringList saved{u"12345678=\tBob"_s, u"87654321=\tAlice"_s};
    QCOMPARE(testfiles::ListFileLines(File(u"Whois.lst"_s)), saved);
    QVERIFY(QFileInfo::exists(SettingsPath()));

    // Any later close, by any way, and the destruction leave the files alone: the lists
    // were released, so running the steps again would empty the roster file.
    QVERIFY(QFile::remove(SettingsPath()));
    w->close();
    w->RunCloseSteps();
    QSignalSpy received(&termination, &TerminationSignals::Received);
    ::raise(SIGHUP);
    QTRY_COMPARE(received.count(), 1);
    m_window.reset();
    Settle();
    QVERIFY(!QFileInfo::exists(SettingsPath()));
    QCOMPARE(testfiles::ListFileLines(File(u"Whois.lst"_s)), saved);
    QCOMPARE(m_prompts.shown, QStringList{});
}

void TestMainWindow::rosterUpdateFailureAtClose_data()
{
    QTest::addColumn<bool>("sessionEnding");
    QTest::addColumn<bool>("listFails");
    QTest::newRow("closed by the user: a box") << false << false;
    QTest::newRow("signal or logout: no box") << true << false;
    QTest::newRow("list not saved, closed by the user: a box") << false << true;
    QTest::newRow("list not saved, signal or logout: no box") << true << true;
}

void TestMainWindow::rosterUpdateFailureAtClose()
{
    // Today's chat log cannot be read: the close's roster update warns, and closing goes on.
    // A list that cannot be saved is reported the same way.
    QFETCH(bool, sessionEnding);
    QFETCH(bool, listFails);
    WriteSettings();
    const QString chat = File(u"ChatLog_20261207.txt"_s);
    QVERIFY(QFile::link(u"/proc/self/mem"_s, chat));
    if (kiv::text::ReadWholeFile(chat).ok)
        QSKIP("no file here that cannot be read");
    TFrmKivMain *w = Make();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    if (listFails) {
        QFile::remove(File(u"IDNote.lst"_s));
        QVERIFY(QDir().mkdir(File(u"IDNote.lst"_s)));
        testfiles::Write(File(u"IDNote.lst/inside"_s), "x");
    }
    if (sessionEnding)
        w->SetSessionEnding();
    w->close();
    Settle();
    QVERIFY(w->Closed());
    const QString box = u"warning: ID名簿更新中にエラーが発生しました。KIVIDを確認してください"_s;
    QCOMPARE(m_prompts.shown.contains(box), !sessionEnding);
    const bool listBox = std::any_of(m_prompts.shown.cbegin(), m_prompts.shown.cend(),
                                     [](const QString &shown) { return shown.contains(u"IDNote.lst"_s); });
    QCOMPARE(listBox, listFails && !sessionEnding);
    QVERIFY(QFileInfo::exists(File(u"Whois.lst"_s)));
}

namespace {

// A form of the window base; the note dialogs turn the Enter rule off.
class Form final : public TIForm01
{
public:
    explicit Form(bool enterRule)
        : m_enterRule(enterRule)
    {
    }

protected:
    bool UsesEnterRule() const override { return m_enterRule; }

private:
    bool m_enterRule;
};

} // namespace

void TestMainWindow::enterMovesTheFocusOn_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("later"); // made after the first showing
    QTest::addColumn<bool>("enterRule");
    QTest::newRow("line edit") << u"edit"_s << false << true;
    QTest::newRow("memo") << u"memo"_s << false << true;
    QTest::newRow("line edit added later") << u"edit"_s << true << true;
    QTest::newRow("memo added later") << u"memo"_s << true << true;
    QTest::newRow("line edit on a page added later") << u"page"_s << true << true;
    QTest::newRow("memo of a note dialog: a new line") << u"memo"_s << false << false;
    QTest::newRow("memo added later to a note dialog") << u"memo"_s << true << false;
}

void TestMainWindow::enterMovesTheFocusOn()
{
    QFETCH(QString, control);
    QFETCH(bool, later);
    QFETCH(bool, enterRule);
    Form form(enterRule);
    auto *next = new QLineEdit(&form);
    const auto make = [&]() -> QWidget * {
        QWidget *parent = control == u"page"_s ? new QWidget(&form) : &form;
        QWidget *made = control == u"memo"_s ? static_cast<QWidget *>(new QPlainTextEdit(parent)) : new QLineEdit(parent);
        parent->show();
        made->show();
        return made;
    };
    QWidget *typed = later ? nullptr : make();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    if (later)
        typed = make();
    typed->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), typed);
    auto *memo = qobject_cast<QPlainTextEdit *>(typed);
    QSignalSpy returned(memo ? next : qobject_cast<QLineEdit *>(typed), &QLineEdit::returnPressed);

    QTest::keyClick(typed, Qt::Key_Return);
    QCoreApplication::processEvents();
    // The rule swallows the key and moves the focus on; without it a note takes a new line.
    QTRY_COMPARE(QApplication::focusWidget() != typed, enterRule);
    QCOMPARE(returned.count(), 0);
    if (memo)
        QCOMPARE(memo->toPlainText(), enterRule ? QString() : u"\n"_s);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
