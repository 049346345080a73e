#include "app/KivLogic.h"
#include "app/Layout.h"
#include "app/QtPrompts.h"
#include "app/ChatRowDelegate.h"
#include "app/TChatView.h"
#include "app/TFrmKivMain.h"

#include "commands/TInfoWindow.h"
#include "commands/UserDlg.h"
#include "items/TInfoGrid.h"
#include "items/TInfoGridHin.h"
#include "logs/ChatRowsModel.h"
#include "logs/LogLine.h"
#include "logs/LogFollower.h"
#include "platform/ProfileFile.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QBackingStore>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QScreen>
#include <QTextDocument>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

// The main window as a player uses it: rows of the day's logs, the popup menu with its
// captions, copying rows, double-clicks, the "@" key, the layout of the views and side
// windows, and the info window and input dialog themselves.
class TestMainViews : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void menuCaptionsFollowTheRow();
    void copyOneRow();
    void copySeveralRows_data();
    void copySeveralRows();
    void doubleClickRunsTheRowsCommand_data();
    void doubleClickRunsTheRowsCommand();
    void atKeyOpensTheCommandInput();
    void itemSearchOffersTheItemName();
    void menuShowsAndHidesSideWindows();
    void sideWindowsWithoutPlacesGoBeside_data();
    void sideWindowsWithoutPlacesGoBeside();
    void placesBesideTheMainWindow_data();
    void placesBesideTheMainWindow();
    void layoutFromSettings();
    void savedChatSizeHoldsAtStart_data();
    void savedChatSizeHoldsAtStart();
    void styleRoundTrips();
    void infoWindowKeepsItsSizeAndHidesFromItsMenu();
    void inputDialogLayoutAndResult();
    void outsideTextIsShownPlain_data();
    void outsideTextIsShownPlain();
    void snapToEdges_data();
    void snapToEdges();
    void keptOnScreen_data();
    void keptOnScreen();
    void appendedRowsRepaintOnlyThemselves_data();
    void appendedRowsRepaintOnlyThemselves();
    void scrollBarComesAndGoesWithTheRows();
    void rowsAppendedWhileHiddenShowAsAWholePaint();
    void cellsDrawnAsByAFreshView_data();
    void cellsDrawnAsByAFreshView();
    void glyphsDrawnAsLaidOut_data();
    void glyphsDrawnAsLaidOut();
    void textCellBackgrounds_data();
    void textCellBackgrounds();
    void rowsDrawnAsTheTableViewDraws_data();
    void rowsDrawnAsTheTableViewDraws();

private:
    QString File(const QString &name) const { return m_dir->filePath(name); }
    void WriteSettings(const QString &more = QString()) const
    {
        testfiles::Write(File(u"kivreader.ini"_s), testfiles::Cp932(u"[system]\r\nlogdir="_s + m_dir->path() +
                                                                      u"\r\nKivID=12345678\r\n"_s + more));
    }
    void WriteChat(const QString &records) const
    {
        testfiles::Write(File(u"ChatLog_20261207.txt"_s), testfiles::Cp932(records));
    }
    TFrmKivMain *Show(unsigned char rememberPosition = 0)
    {
        m_window = std::make_unique<TFrmKivMain>(TFrmKivMain::Paths{m_dir->path() + u'/', File(u"kivreader.ini"_s)},
                                                 m_prompts, m_clock);
        m_window->SetSideWindows(&m_info, &m_itemHin, &m_item);
        m_window->SetRememberPosition(rememberPosition);
        m_window->show();
        if (!QTest::qWaitForWindowExposed(m_window.get()))
            return nullptr;
        return m_window.get();
    }
    QTableView *Chat() const { return m_window->findChild<QTableView *>(u"lvChat"_s); }
    // The chat view as the window holds it (its scroll bar included); null when the
    // window is not drawn into an image.
    QImage ShownChat() const
    {
        const QRect rect(Chat()->mapTo(m_window.get(), QPoint(0, 0)), Chat()->size());
        QPaintDevice *device = m_window->backingStore() ? m_window->backingStore()->paintDevice() : nullptr;
        if (!device || device->devType() != QInternal::Image)
            return QImage();
        return static_cast<QImage *>(device)->copy(
            QRect(rect.topLeft() * m_window->devicePixelRatio(), rect.size() * m_window->devicePixelRatio()));
    }
    QAction *Action(const char *name) const { return m_window->findChild<QAction *>(QString::fromLatin1(name)); }
    // Selects a chat row and gives the chat view the focus, as a click would.
    void SelectRow(int row)
    {
        m_window->activateWindow();
        Chat()->setFocus();
        Chat()->selectRow(row);
        Chat()->setCurrentIndex(Chat()->model()->index(row, 0));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts m_prompts;
    FakeClock m_clock;
    TInfoWindow m_info;
    TInfoGridHin m_itemHin;
    TInfoGrid m_item;
    std::unique_ptr<TFrmKivMain> m_window;
};

namespace {
// What a widget was asked to paint, and how many timers it woke for.
class PaintSpy : public QObject
{
public:
    QRegion painted;
    int timers = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        if (event->type() == QEvent::Timer)
            ++timers;
        return false;
    }
};

// A chat view of its own over the given rows, the way the main window sets it up.
struct ChatView
{
    explicit ChatView(const std::vector<LogLineRecord> &rows)
    {
        view.setModel(&model);
        view.setItemDelegate(new ChatRowDelegate(model, &view));
        view.setShowGrid(true);
        view.verticalHeader()->hide();
        view.resize(420, 200);
        model.AppendRows(rows);
        view.show();
    }
    QImage Image() { return view.grab().toImage(); }
    ChatRowsModel model;
    QTableView view;
};

std::vector<LogLineRecord> Rows(const QString &word, int count)
{
    std::vector<LogLineRecord> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({u"12:00:%1"_s.arg(59 - i, 2, 10, QChar(u'0')), u"1111111%1"_s.arg(i % 10), word + u"名"_s,
                        word + u" のテキスト %1"_s.arg(i), i % 2 ? u"<Public>"_s : u"@calc"_s});
    return rows;
}

const QString kRecords = u"12:00:00\t<Public>\tab(11111111)\r\nhi\r\n\r\n"
                         u"12:00:01\t<Party>\tTaro(22222222)\r\n@calc 2*3\r\n\r\n"
                         u"12:00:02\t<Public>\tHana(33333333)\r\nbye\r\n\r\n"_s;
} // namespace

void TestMainViews::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_prompts = ScriptedPrompts();
    m_info.hide();
    m_item.hide();
    m_itemHin.hide();
    m_info.ClearInfo();
}

void TestMainViews::cleanup()
{
    m_window.reset();
    QCoreApplication::processEvents();
}

void TestMainViews::menuCaptionsFollowTheRow()
{
    WriteSettings();
    WriteChat(kRecords);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    QCOMPARE(w->ChatModel()->Count(), 3);
    SelectRow(0);
    QVERIFY(w->PreparePopup());
    QCOMPARE(Action("popOpen")->text(), u"ID:11111111 を開く(&O)"_s);
    QCOMPARE(Action("popOpenItem")->text(), u"Item: を開く(&I)"_s);
    QVERIFY(!Action("popOpenItem")->isEnabled());
    QVERIFY(!Action("popItemSearch")->isEnabled());
    // No selected row: no menu.
    Chat()->clearSelection();
    QVERIFY(!w->PreparePopup());
}

void TestMainViews::copyOneRow()
{
    WriteSettings();
    WriteChat(kRecords);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    SelectRow(0);
    w->popCopyClick();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"12:00:00　11111111　ab"_s + QString(9, u'\u3000') + u"hi"_s);
}

void TestMainViews::copySeveralRows_data()
{
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("lines"); // -1: the clipboard is left alone
    QTest::newRow("default 20 from the third-last row") << true << u"20"_s << 3;
    QTest::newRow("two") << true << u"2"_s << 2;
    QTest::newRow("not a number counts 1") << true << u"x"_s << 1;
    QTest::newRow("zero copies nothing") << true << u"0"_s << 0;
    QTest::newRow("cancel") << false << u"20"_s << -1;
}

void TestMainViews::copySeveralRows()
{
    QFETCH(bool, ok);
    QFETCH(QString, count);
    QFETCH(int, lines);
    WriteSettings();
    WriteChat(kRecords);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    QGuiApplication::clipboard()->setText(u"before"_s);
    SelectRow(0);
    m_prompts.QueueInput(ok, count);
    w->popCopyRClick();
    QCOMPARE(m_prompts.inputsOffered, QStringList{u"現在位置を基点に何行コピーしますか？|20"_s});
    const QString text = QGuiApplication::clipboard()->text();
    if (lines < 0) {
        QCOMPARE(text, u"before"_s);
        return;
    }
    QCOMPARE(text.count(u"\r\n"_s), lines);
    if (lines > 0)
        QVERIFY(text.startsWith(u"12:00:00　11111111"_s));
}

void TestMainViews::doubleClickRunsTheRowsCommand_data()
{
    QTest::addColumn<bool>("infoShown");
    QTest::newRow("answer in the info window") << true;
    QTest::newRow("answer in the status bar") << false;
}

void TestMainViews::doubleClickRunsTheRowsCommand()
{
    // Another player's "@calc" line is not run when read, but its row runs by double-click.
    QFETCH(bool, infoShown);
    WriteSettings(infoShown ? u"[window]\r\nInfoWindow=1\r\n"_s : u"[window]\r\nInfoWindow=0\r\n"_s);
    WriteChat(kRecords);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    QCOMPARE(m_info.isVisible(), infoShown);
    auto *status = w->findChild<QLabel *>(u"stbMainPanels"_s);
    QVERIFY(status->text().isEmpty());
    SelectRow(1);
    w->lvChatDblClick();
    QCOMPARE(m_info.InfoText(), infoShown ? u"@calc 2*3\n=6"_s : QString());
    QCOMPARE(status->text(), infoShown ? QString() : u"　@calc 2*3=6"_s);
}

void TestMainViews::atKeyOpensTheCommandInput()
{
    WriteSettings(u"[window]\r\nInfoWindow=0\r\n"_s);
    WriteChat(kRecords);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    SelectRow(0);
    m_prompts.QueueInput(true, u"@5*3"_s);
    QTest::keyClick(Chat(), '@');
    QCOMPARE(m_prompts.inputsOffered, QStringList{u"input Command|"_s});
    const LogLineRecord row = w->ChatModel()->Row(w->ChatModel()->Count() - 1);
    QCOMPARE(row.text, u"@calc 5*3"_s);
    QCOMPARE(row.id, u"12345678"_s);
    QCOMPARE(row.tag, u"@calc"_s);
    QCOMPARE(w->findChild<QLabel *>(u"stbMainPanels"_s)->text(), u"　@calc 5*3=15"_s);
    // Cancelled: nothing is added.
    const int rows = w->ChatModel()->Count();
    m_prompts.QueueInput(false);
    QTest::keyClick(Chat(), '@');
    QCOMPARE(w->ChatModel()->Count(), rows);
}

void TestMainViews::itemSearchOffersTheItemName()
{
    WriteSettings();
    WriteChat(kRecords);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    // An action row, as the action log will add them.
    w->ChatModel()->AppendRow({u"12:00:03"_s, u"11111111"_s, u"ab"_s, u"abc(3)"_s, u"$pickup"_s});
    SelectRow(w->ChatModel()->Count() - 1);
    QVERIFY(w->PreparePopup());
    QVERIFY(Action("popItemSearch")->isEnabled());
    QCOMPARE(Action("popOpenItem")->text(), u"Item:『abc』を開く(&I)"_s);
    m_prompts.QueueInput(false);
    w->popItemSearchClick();
    QCOMPARE(m_prompts.inputsOffered, QStringList{u"input Command|@item search abc"_s});
}

void TestMainViews::menuShowsAndHidesSideWindows()
{
    WriteSettings();
    TFrmKivMain *w = Show();
    QVERIFY(w);
    QVERIFY(m_itemHin.isVisible());
    QVERIFY(m_item.isVisible());
    Action("popChkItemHin")->trigger();
    QVERIFY(!m_itemHin.isVisible());
    QVERIFY(m_item.isVisible());
    QVERIFY(!Action("popChkItemHin")->isChecked());
    Action("popChkItemHin")->trigger();
    QVERIFY(m_itemHin.isVisible());
    QVERIFY(m_item.isVisible());
}

void TestMainViews::sideWindowsWithoutPlacesGoBeside_data()
{
    QTest::addColumn<QString>("settings"); // empty: no settings file
    QTest::addColumn<bool>("itemsShown");
    QTest::newRow("first run") << QString() << true;
    QTest::newRow("item windows hidden at every close")
        << u"[window]\r\ninfo.left=300\r\ninfo.top=400\r\ninfo.right=500\r\ninfo.bottom=500\r\n"
           u"ItemWindow=0\r\nItemHinWindow=0\r\n"_s
        << false;
}

void TestMainViews::sideWindowsWithoutPlacesGoBeside()
{
    QFETCH(QString, settings);
    QFETCH(bool, itemsShown);
    if (settings.isEmpty()) {
        // The LOG folder question is cancelled three times, the ID question once.
        for (int i = 0; i < 3; ++i)
            m_prompts.QueueFolder(QString());
        m_prompts.QueueInput(false);
    } else {
        WriteSettings(settings);
    }
    TFrmKivMain *w = Show();
    QVERIFY(w);
    const QRect screen = w->screen()->availableGeometry();
    QList<QRect> taken{w->frameGeometry()};
    QList<TSideWindow *> unsaved{&m_item, &m_itemHin};
    if (settings.isEmpty())
        unsaved.prepend(&m_info);
    for (TSideWindow *side : unsaved) {
        const QRect place(side->pos(), side->size());
        QCOMPARE(place.size(), QSize(350, 150));
        QVERIFY2(screen.contains(place), qPrintable(side->objectName()));
        for (const QRect &other : taken)
            QVERIFY2(!other.intersects(place), qPrintable(side->objectName()));
        taken << place;
        QCOMPARE(side->isVisible(), side == &m_info || itemsShown);
        QCOMPARE(side->Alpha(), 255);
    }
    QVERIFY(!w->findChild<QWidget *>(u"stbLeft"_s)->isVisibleTo(w));

    // The places given are the ones saved; a hidden window still has none.
    w->close();
    QCoreApplication::processEvents();
    ProfileFile ini(File(u"kivreader.ini"_s));
    QVERIFY(ini.Load());
    for (auto [side, prefix] : {std::pair<TSideWindow *, const char *>{&m_info, "info"}, {&m_item, "item"},
                                {&m_itemHin, "itemhin"}}) {
        const QString key = QString::fromLatin1(prefix) + u".left"_s;
        if (!side->isVisible()) {
            QVERIFY(!ini.HasKey(u"window"_s, key));
            continue;
        }
        QCOMPARE(ini.ReadInt(u"window"_s, key, -1), side->x());
        QCOMPARE(ini.ReadInt(u"window"_s, QString::fromLatin1(prefix) + u".top"_s, -1), side->y());
    }
}

void TestMainViews::placesBesideTheMainWindow_data()
{
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QList<QPoint>>("places");
    const QRect design(0, 0, 680, 203);
    QTest::newRow("stacked at the right") << design << QRect(0, 0, 1280, 1024)
                                          << QList<QPoint>{{680, 0}, {680, 150}, {680, 300}};
    QTest::newRow("column full, the rest below") << design << QRect(0, 0, 1280, 400)
                                                 << QList<QPoint>{{680, 0}, {680, 150}, {0, 203}};
    QTest::newRow("no room at the right: rows below") << design << QRect(0, 0, 800, 600)
                                                      << QList<QPoint>{{0, 203}, {350, 203}, {0, 353}};
    QTest::newRow("second screen") << QRect(1300, 100, 680, 203) << QRect(1280, 0, 1920, 1080)
                                   << QList<QPoint>{{1980, 100}, {1980, 250}, {1980, 400}};
    QTest::newRow("no room anywhere: kept on the screen") << QRect(500, 400, 300, 200) << QRect(0, 0, 800, 600)
                                                          << QList<QPoint>{{450, 450}, {450, 450}, {450, 450}};
}

void TestMainViews::placesBesideTheMainWindow()
{
    QFETCH(QRect, main);
    QFETCH(QRect, screen);
    QFETCH(QList<QPoint>, places);
    QCOMPARE(PlaceBesideMainWindow(main, screen, QList<QSize>(places.size(), QSize(350, 150))), places);
}

void TestMainViews::keptOnScreen_data()
{
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QRect>("kept");
    const QRect main(100, 50, 680, 203);
    QTest::newRow("on the primary screen") << main << main;
    QTest::newRow("on the second screen") << QRect(1400, 700, 680, 203) << QRect(1400, 700, 680, 203);
    QTest::newRow("mostly off, a corner to grab") << QRect(1240, -180, 680, 203) << QRect(1240, -180, 680, 203);
    QTest::newRow("a sliver only: back on the primary")
        << QRect(1260, -190, 680, 203) << QRect(600, 0, 680, 203);
    QTest::newRow("screen no longer there") << QRect(-2000, 88888, 680, 203) << QRect(0, 781, 680, 203);
    QTest::newRow("in the gap below the primary") << QRect(50, 1100, 350, 150) << QRect(50, 834, 350, 150);
    QTest::newRow("taller than the screen") << QRect(0, 0, 680, 999999) << QRect(0, 0, 680, 984);
    QTest::newRow("far off and wider than any screen") << QRect(9000, 9000, 5000, 100) << QRect(0, 884, 1280, 100);
}

// Two screens: the primary (with a task bar along its bottom) and one to its right, lower.
void TestMainViews::keptOnScreen()
{
    QFETCH(QRect, window);
    QFETCH(QRect, kept);
    const QList<QRect> screens{QRect(0, 0, 1280, 984), QRect(1280, 600, 1920, 1080)};
    QCOMPARE(KeptOnScreen(window, screens), kept);
    QCOMPARE(KeptOnScreen(window, {}), window);
}

void TestMainViews::layoutFromSettings()
{
    WriteSettings(u"[window]\r\ninfo.left=100\r\ninfo.top=50\r\ninfo.right=130\r\ninfo.bottom=60\r\n"
                  u"item.left=10\r\nitem.top=20\r\nitem.right=310\r\nitem.bottom=220\r\nItemWindow=0\r\n"
                  u"item.alpha=128\r\ninfo.alpha=200\r\nItemSyutoku=1\r\nItemRandam=0\r\nItemSellClear=1\r\n"_s);
    {
        // JRT lives in the system section, whatever the case of its name.
        ProfileFile ini(File(u"kivreader.ini"_s));
        QVERIFY(ini.Load());
        ini.WriteInt(u"SYSTEM"_s, u"jrt"_s, 3);
        QVERIFY(ini.Save());
    }
    testfiles::Write(File(u"kivarea.INI"_s), QByteArray("[System]\r\n"));
    TFrmKivMain *w = Show();
    QVERIFY(w);
    QCOMPARE(m_info.pos(), QPoint(100, 50));
    QCOMPARE(m_info.size(), QSize(200, 100)); // 30 wide and 10 high: too small
    QCOMPARE(m_info.Alpha(), 200);
    QVERIFY(!m_item.isVisible());
    QCOMPARE(m_item.Alpha(), 128);
    QCOMPARE(m_itemHin.Alpha(), 128);
    QVERIFY(!Action("popChkItem")->isChecked());
    QVERIFY(Action("popSyutoku")->isChecked());
    QVERIFY(!Action("popRandam")->isChecked());
    QVERIFY(Action("popItemSell")->isChecked());
    QCOMPARE(w->Jrt(), 3);
    QVERIFY(w->findChild<QWidget *>(u"stbLeft"_s)->isVisibleTo(w));
}

void TestMainViews::savedChatSizeHoldsAtStart_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("chatExtent"); // along the splitter
    QTest::newRow("side by side") << 0 << u"chat.width=200\r\nchat.heidht=150\r\nwho.width=100\r\n"_s << 200;
    QTest::newRow("stacked") << 1 << u"chat.width=500\r\nchat.heidht=100\r\nwho.height=60\r\n"_s << 100;
}

void TestMainViews::savedChatSizeHoldsAtStart()
{
    // The chat view keeps its saved size however the saved sizes add up; the roster view
    // takes the rest.
    QFETCH(int, style);
    QFETCH(QString, settings);
    QFETCH(int, chatExtent);
    WriteSettings(u"[FrmKivMain]\r\nLeft=0\r\nTop=0\r\nWidth=500\r\nHeight=300\r\n[window]\r\nstyle="_s +
                  QString::number(style) + u"\r\n"_s + settings);
    TFrmKivMain *w = Show(1);
    QVERIFY(w);
    QCOMPARE(w->size(), QSize(500, 300));
    QCOMPARE(w->findChild<QSplitter *>(u"Splitter"_s)->orientation(), style == 0 ? Qt::Horizontal : Qt::Vertical);
    QCOMPARE(style == 0 ? Chat()->width() : Chat()->height(), chatExtent);
}

void TestMainViews::styleRoundTrips()
{
    WriteSettings();
    TFrmKivMain *w = Show();
    QVERIFY(w);
    const QSize sideBySide = w->size();
    w->ApplyLayout(QString());
    QCOMPARE(w->size(), sideBySide); // an empty command keeps the window's size
    auto *roster = w->findChild<QTableView *>(u"lvWho"_s);
    const QSize chat = Chat()->size();
    const QSize who = roster->size();
    QSize stacked;
    for (int trip = 0; trip < 3; ++trip) {
        w->State().style = 1;
        w->ApplyLayout(u"change"_s);
        QCOMPARE(w->findChild<QSplitter *>(u"Splitter"_s)->orientation(), Qt::Vertical);
        // The roster view goes below the chat view and takes its width.
        QCOMPARE(Chat()->size(), chat);
        QCOMPARE(roster->size(), QSize(chat.width(), who.height()));
        if (trip == 0)
            stacked = w->size();
        QCOMPARE(w->size(), stacked);

        w->State().style = 0;
        w->ApplyLayout(u"change"_s);
        QCOMPARE(w->size(), sideBySide);
        QCOMPARE(Chat()->size(), chat);
        QCOMPARE(roster->size(), who);
    }
}

void TestMainViews::infoWindowKeepsItsSizeAndHidesFromItsMenu()
{
    // The program's own info window, sized and toggled by typed commands and the menu.
    WriteSettings();
    TFrmKivMain *w = Show();
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowExposed(&m_info));
    w->Logic().SubmitCommandLine(u"@info size 300 100"_s, kCommandKindInput);
    QCOMPARE(m_info.size(), QSize(300, 100));
    m_info.resize(500, 500); // a drag; the next showing takes the remembered size again
    w->Logic().SubmitCommandLine(u"@info"_s, kCommandKindInput);
    QVERIFY(!m_info.isVisible());
    w->Logic().SubmitCommandLine(u"@info"_s, kCommandKindInput);
    QVERIFY(m_info.isVisible());
    QCOMPARE(m_info.size(), QSize(300, 100));
    Action("popChkInfo")->trigger();
    QVERIFY(!m_info.isVisible());
    Action("popChkInfo")->trigger();
    QCOMPARE(m_info.size(), QSize(300, 100));
    QVERIFY(m_info.InfoText().endsWith(u"@InfoWindowを表示しました。"_s));
    QAction *close = m_info.findChild<QAction *>(u"popClose"_s);
    QVERIFY(close);
    QCOMPARE(close->text(), u"閉じる(&Q)"_s);
    close->trigger();
    QVERIFY(!m_info.IsInfoVisible());
}

void TestMainViews::inputDialogLayoutAndResult()
{
    TUserDlg dialog(u"Command"_s, u"input Command"_s, u"@who search "_s);
    QCOMPARE(dialog.windowTitle(), u"Command"_s);
    QCOMPARE(dialog.Edit()->text(), u"@who search "_s);
    QCOMPARE(dialog.Edit()->maxLength(), 255);
    // Dialog units of the dialog's font: a quarter of the average letter width, an eighth
    // of the character height.
    const QFontMetrics metrics(dialog.font());
    const double x = metrics.horizontalAdvance(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"_s) / 52.0 / 4.0;
    const double y = metrics.height() / 8.0;
    QVERIFY(std::abs(dialog.width() - 180 * x) <= 1.0);
    QVERIFY(std::abs(dialog.OkButton()->x() - 38 * x) <= 1.0);
    QVERIFY(std::abs(dialog.CancelButton()->x() - 92 * x) <= 1.0);
    QVERIFY(std::abs(dialog.OkButton()->width() - 50 * x) <= 1.0);
    QVERIFY(std::abs(dialog.OkButton()->height() - 14 * y) <= 1.0);
    QCOMPARE(dialog.PromptLabel()->pos(), QPoint(qRound(8 * x), qRound(8 * y)));
    QCOMPARE(dialog.Edit()->y(), dialog.PromptLabel()->geometry().bottom() + 1 + 5);
    QCOMPARE(dialog.OkButton()->y(), dialog.Edit()->geometry().bottom() + 1 + 15);
    QCOMPARE(dialog.height(), dialog.OkButton()->geometry().bottom() + 1 + 13);
    QVERIFY(dialog.OkButton()->isDefault());
    QCOMPARE(dialog.CancelButton()->text(), u"キャンセル"_s);

    QString text = u"start"_s;
    QTimer::singleShot(0, [] {
        auto *open = qobject_cast<TUserDlg *>(QApplication::activeModalWidget());
        QVERIFY(open);
        open->Edit()->setText(u"typed"_s);
        open->OkButton()->click();
    });
    QVERIFY(ShowInputDialog(nullptr, u"c"_s, u"p"_s, text));
    QCOMPARE(text, u"typed"_s);
    QTimer::singleShot(0, [] {
        auto *open = qobject_cast<TUserDlg *>(QApplication::activeModalWidget());
        QVERIFY(open);
        open->Edit()->setText(u"ignored"_s);
        open->CancelButton()->click();
    });
    QVERIFY(!ShowInputDialog(nullptr, u"c"_s, u"p"_s, text));
    QCOMPARE(text, u"typed"_s);
}

namespace {

// What a player reads where a text is shown: markup is drawn, not shown, unless the place
// takes plain text.
QString Seen(const QString &text, Qt::TextFormat format)
{
    if (format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text))) {
        QTextDocument document;
        document.setHtml(text);
        return document.toPlainText();
    }
    return text;
}

} // namespace

void TestMainViews::outsideTextIsShownPlain_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("markup");
    QTest::newRow("chat row in the status bar") << u"status"_s << u"<font size=7 color=red>HUGE RED</font>"_s;
    QTest::newRow("item entry in the info window") << u"info"_s << u"<h1>big</h1>"_s;
    QTest::newRow("LOG folder in the status tooltip") << u"tooltip"_s << u"<b>LOG"_s;
    QTest::newRow("file name in a message box") << u"message"_s << u"<i>Whois</i>.lst"_s;
    QTest::newRow("prompt of the input dialog") << u"prompt"_s << u"<u>20</u>"_s;
}

void TestMainViews::outsideTextIsShownPlain()
{
    QFETCH(QString, where);
    QFETCH(QString, markup);
    QString seen;
    if (where == u"message"_s || where == u"prompt"_s) {
        QtPrompts prompts;
        const QString text = markup + u" を読み込めませんでした"_s;
        QTimer::singleShot(0, [&seen, &where] {
            QWidget *open = QApplication::activeModalWidget();
            QVERIFY(open);
            auto *label = open->findChild<QLabel *>(where == u"message"_s ? u"qt_msgbox_label"_s : u"lblPrompt"_s);
            QVERIFY(label);
            seen = Seen(label->text(), label->textFormat());
            if (auto *dialog = qobject_cast<QDialog *>(open))
                dialog->reject();
        });
        QString answer;
        if (where == u"message"_s)
            prompts.Warning(text);
        else
            prompts.InputQuery(u"c"_s, text, answer);
        QCOMPARE(seen, text);
        return;
    }

    WriteSettings(u"[window]\r\nInfoWindow=0\r\n"_s);
    if (where == u"tooltip"_s) {
        // A LOG folder named with markup.
        QVERIFY(QDir(m_dir->path()).mkdir(markup));
        testfiles::Write(File(u"kivreader.ini"_s),
                         testfiles::Cp932(u"[system]\r\nlogdir="_s + File(markup) + u"\r\nKivID=12345678\r\n"_s));
    }
    WriteChat(u"12:00:00\t<Public>\tab(11111111)\r\n@calc 1+2 "_s + markup + u"\r\n\r\n"_s);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    if (where == u"status"_s) {
        SelectRow(0);
        w->lvChatDblClick();
        auto *status = w->findChild<QLabel *>(u"stbMainPanels"_s);
        QVERIFY(status->text().contains(markup));
        QCOMPARE(Seen(status->text(), status->textFormat()), status->text());
    } else if (where == u"info"_s) {
        AddField(markup, u"武器\t☆07"_s, w->State().itemDb);
        w->ChatModel()->AppendRow({u"12:00:03"_s, u"11111111"_s, u"ab"_s, markup + u"(3)"_s, u"$pickup"_s});
        SelectRow(w->ChatModel()->Count() - 1);
        w->lvChatDblClick();
        QCOMPARE(m_info.InfoText(), u"■"_s + markup + u"\n武器\n☆07"_s);
    } else {
        auto *follow = w->findChild<QLabel *>(u"stbFollow"_s);
        QTRY_VERIFY(!follow->toolTip().isEmpty());
        QVERIFY2(Seen(follow->toolTip(), Qt::AutoText).contains(QDir::toNativeSeparators(File(markup))),
                 qPrintable(follow->toolTip()));
    }
}

void TestMainViews::snapToEdges_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QPoint>("snapped");
    const QSize size(100, 50);
    QTest::newRow("near the top left") << QRect(QPoint(4, 5), size) << QPoint(0, 0);
    QTest::newRow("six pixels away stays") << QRect(QPoint(6, 6), size) << QPoint(6, 6);
    QTest::newRow("near the right edge") << QRect(QPoint(1024 - 100 - 3, 300), size) << QPoint(924, 300);
    QTest::newRow("near the bottom") << QRect(QPoint(300, 768 - 50 + 5), size) << QPoint(300, 718);
    QTest::newRow("past the left edge") << QRect(QPoint(-5, 300), size) << QPoint(0, 300);
}

void TestMainViews::snapToEdges()
{
    QFETCH(QRect, rect);
    QFETCH(QPoint, snapped);
    QCOMPARE(SnapToEdges(rect, QRect(0, 0, 1024, 768), 5).topLeft(), snapped);
}

void TestMainViews::appendedRowsRepaintOnlyThemselves_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("appended");
    QTest::newRow("one record") << 60 << 1;
    QTest::newRow("three records in one reading") << 60 << 3;
    QTest::newRow("one record, view not full") << 2 << 1;
    QTest::newRow("three records, view not full") << 2 << 3;
    QTest::newRow("one record, view just full") << 9 << 1; // the handle shrinks
    QTest::newRow("three records, view just full") << 9 << 3;
}

void TestMainViews::appendedRowsRepaintOnlyThemselves()
{
    // A followed log scrolls what is drawn and paints the rows that came in, not the view.
    QFETCH(int, before);
    QFETCH(int, appended);
    WriteSettings();
    QString records;
    for (int i = 0; i < before; ++i)
        records += u"12:00:00\t<Public>\tab(11111111)\r\nline %1\r\n\r\n"_s.arg(i);
    WriteChat(records);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    PaintSpy spy;
    Chat()->viewport()->installEventFilter(&spy);
    Chat()->viewport()->update();
    QTRY_VERIFY(!spy.painted.isEmpty()); // whatever was still to paint is painted
    spy.painted = QRegion();
    QScrollBar *bar = Chat()->verticalScrollBar();
    const auto handle = [bar] {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = option.sliderValue = bar->value();
        option.pageStep = bar->pageStep();
        option.singleStep = bar->singleStep();
        option.subControls = QStyle::SC_All;
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    };
    const QRect handleBefore = handle();
    PaintSpy barSpy;
    bar->installEventFilter(&barSpy);
    PaintSpy otherBarSpy;
    Chat()->horizontalScrollBar()->installEventFilter(&otherBarSpy);
    records.clear();
    for (int i = 0; i < appended; ++i)
        records += u"12:00:01\t<Public>\tab(11111111)\r\nnew %1\r\n\r\n"_s.arg(i);
    testfiles::Append(File(u"ChatLog_20261207.txt"_s), testfiles::Cp932(records));
    w->Follower().Reader().ReadNewLogText();
    QTRY_COMPARE(w->ChatModel()->Count(), before + appended);
    QTRY_VERIFY(!spy.painted.isEmpty());
    // Nothing above the grid line over the first new row.
    const int firstNew = Chat()->rowViewportPosition(before);
    QVERIFY2(spy.painted.boundingRect().top() >= firstNew - 1,
             qPrintable(u"painted from %1 px, the new rows from %2"_s.arg(spy.painted.boundingRect().top()).arg(firstNew)));
    if (before > 2)
        QCOMPARE(Chat()->rowAt(Chat()->viewport()->height() - 1), before + appended - 1);
    // The bar is drawn again when its handle moved, and only then; no scroll wakes the
    // bars for a timer.
    QCOMPARE(!barSpy.painted.isEmpty(), handle() != handleBefore);
    QCOMPARE(barSpy.timers + otherBarSpy.timers, 0);
    // What the window holds is what a paint of the whole view (its scroll bar included)
    // gives.
    const QImage partial = ShownChat();
    QVERIFY(!partial.isNull());
    Chat()->repaint();
    QCOMPARE(ShownChat(), partial);
}

void TestMainViews::rowsAppendedWhileHiddenShowAsAWholePaint()
{
    // Hidden, the view keeps its range and place but draws nothing; shown again, it is
    // drawn as a whole paint draws it, at the newest row.
    WriteSettings();
    QString records;
    for (int i = 0; i < 60; ++i)
        records += u"12:00:00\t<Public>\tab(11111111)\r\nline %1\r\n\r\n"_s.arg(i);
    WriteChat(records);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    const QScrollBar *bar = Chat()->verticalScrollBar();
    QTRY_VERIFY(bar->isVisible());
    w->hide();
    records.clear();
    for (int i = 0; i < 40; ++i)
        records += u"12:00:01\t<Public>\tab(11111111)\r\nnew %1\r\n\r\n"_s.arg(i);
    testfiles::Append(File(u"ChatLog_20261207.txt"_s), testfiles::Cp932(records));
    w->Follower().Reader().ReadNewLogText();
    QTRY_COMPARE(w->ChatModel()->Count(), 100);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QTRY_COMPARE(bar->value(), bar->maximum());
    QCOMPARE(Chat()->rowAt(Chat()->viewport()->height() - 1), 99);
    QTest::qWait(50); // the paints the showing asked for
    const QImage shown = ShownChat();
    QVERIFY(!shown.isNull());
    Chat()->repaint();
    QCOMPARE(ShownChat(), shown);
}

void TestMainViews::scrollBarComesAndGoesWithTheRows()
{
    WriteSettings();
    WriteChat(u"12:00:00\t<Public>\tab(11111111)\r\nfirst\r\n\r\n"_s);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    const QScrollBar *bar = Chat()->verticalScrollBar();
    QTRY_VERIFY(!bar->isVisible());
    QString records;
    for (int i = 0; i < 60; ++i)
        records += u"12:00:01\t<Public>\tab(11111111)\r\nnew %1\r\n\r\n"_s.arg(i);
    testfiles::Append(File(u"ChatLog_20261207.txt"_s), testfiles::Cp932(records));
    w->Follower().Reader().ReadNewLogText();
    QTRY_COMPARE(w->ChatModel()->Count(), 61);
    QTRY_VERIFY(bar->isVisible());
    QCOMPARE(Chat()->rowAt(Chat()->viewport()->height() - 1), 60);
    w->ChatModel()->Clear();
    QTRY_VERIFY(!bar->isVisible());
}

void TestMainViews::cellsDrawnAsByAFreshView_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("rows cleared and others added") << u"clear"_s;
    QTest::newRow("rows sorted") << u"sort"_s;
    QTest::newRow("text column narrowed") << u"narrow"_s;
    QTest::newRow("font changed") << u"font"_s;
}

void TestMainViews::cellsDrawnAsByAFreshView()
{
    // Cells drawn once keep their laid-out text; after a change the view must look as a
    // view showing the changed rows from the start.
    QFETCH(QString, change);
    ChatView before(Rows(u"前"_s, 12));
    before.Image();
    std::vector<LogLineRecord> after = Rows(u"前"_s, 12);
    if (change == u"clear"_s) {
        before.model.Clear();
        after = Rows(u"後"_s, 12);
        before.model.AppendRows(after);
    } else if (change == u"sort"_s) {
        before.model.SortByTime();
        std::stable_sort(after.begin(), after.end(), [](const auto &a, const auto &b) { return a.time < b.time; });
    }
    ChatView fresh(after);
    for (ChatView *v : {&before, &fresh}) {
        if (change == u"narrow"_s)
            v->view.setColumnWidth(ChatRowsModel::TextColumn, 40);
        if (change == u"font"_s)
            v->view.setFont(QFont(v->view.font().family(), 15));
    }
    QCOMPARE(before.Image(), fresh.Image());
}

void TestMainViews::glyphsDrawnAsLaidOut_data()
{
    QTest::addColumn<int>("textWidth");
    QTest::newRow("texts that fit") << 600;
    QTest::newRow("texts elided") << 90;
    QTest::newRow("room for the ellipsis only") << 14;
}

void TestMainViews::glyphsDrawnAsLaidOut()
{
    // Texts drawn as placed glyphs look exactly as when they are laid out.
    QFETCH(int, textWidth);
    std::vector<LogLineRecord> rows;
    const QString texts[] = {u"こんにちは！よろしくお願いします、今日はボス行きましょう"_s,
                             u"thanks! see you (笑) ｶﾀｶﾅ 全角ＡＢＣ"_s,
                             u"café naïve Ελληνικά кириллица"_s,
                             u"e\u0301 combining and \u200d joiner"_s,
                             u"@calc 1+2*3"_s,
                             QString()};
    int n = 0;
    for (const QString &text : texts)
        rows.push_back({u"12:00:0%1"_s.arg(n), u"1111111%1"_s.arg(n), u"名前%1"_s.arg(n), text,
                        n % 2 ? u"@calc"_s : u"<Public>"_s}), ++n;
    ChatView placed(rows);
    ChatView laidOut(rows);
    static_cast<ChatRowDelegate *>(laidOut.view.itemDelegate())->SetPlacesGlyphs(false);
    for (ChatView *v : {&placed, &laidOut}) {
        v->view.resize(900, 200);
        v->view.setColumnWidth(ChatRowsModel::TextColumn, textWidth);
    }
    QCOMPARE(placed.Image(), laidOut.Image());
}

void TestMainViews::textCellBackgrounds_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QColor>("background"); // invalid: the view's own
    QTest::newRow("rare pick-up") << u"$pickup_rea"_s << QColor(0xFF, 0xBB, 0xBB);
    QTest::newRow("sent mail") << u"%<Send>"_s << QColor(0xBB, 0xBB, 0xFF);
    QTest::newRow("received mail") << u"%<Recv>"_s << QColor(0xFF, 0xDD, 0xBB);
    QTest::newRow("public") << u"<Public>"_s << QColor();
}

void TestMainViews::textCellBackgrounds()
{
    QFETCH(QString, tag);
    QFETCH(QColor, background);
    ChatView chat({{u"12:00:00"_s, u"11111111"_s, u"ab"_s, u"x"_s, tag}});
    const QImage image = chat.Image();
    const QPoint inTextCell = chat.view.viewport()->mapTo(
        &chat.view, QPoint(chat.view.columnViewportPosition(ChatRowsModel::TextColumn) + 60, chat.view.rowHeight(0) / 2));
    const QColor expected = background.isValid() ? background : chat.view.palette().color(QPalette::Base);
    QCOMPARE(image.pixelColor(inTextCell), expected);
}

void TestMainViews::rowsDrawnAsTheTableViewDraws_data()
{
    QTest::addColumn<QString>("state");
    QTest::newRow("first rows") << u"top"_s;
    QTest::newRow("scrolled part of a row") << u"scrolled"_s;
    QTest::newRow("selected rows, one current") << u"selected"_s;
    QTest::newRow("columns short of the right edge") << u"short columns"_s;
    QTest::newRow("rows short of the bottom") << u"few rows"_s;
    QTest::newRow("a column hidden") << u"hidden column"_s;
    QTest::newRow("a column moved") << u"moved column"_s;
    QTest::newRow("no grid") << u"no grid"_s;
    QTest::newRow("view disabled") << u"disabled"_s;
    QTest::newRow("tall rows, big font") << u"big font"_s;
}

void TestMainViews::rowsDrawnAsTheTableViewDraws()
{
    // The chat view finds and draws its rows itself; every pixel must be the table view's,
    // for the whole view and for the strips an append or a scroll repaints.
    QFETCH(QString, state);
    ChatRowsModel model;
    TChatView view;
    view.setModel(&model);
    view.setItemDelegate(new ChatRowDelegate(model, &view));
    view.setShowGrid(true);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->hide();
    view.horizontalHeader()->setStretchLastSection(state != u"short columns"_s);
    view.resize(420, 200);
    std::vector<LogLineRecord> rows = Rows(u"行"_s, state == u"few rows"_s ? 3 : 40);
    rows[1].tag = u"$pickup_rea"_s; // a text cell with a background of its own
    model.AppendRows(rows);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    if (state == u"scrolled"_s)
        view.verticalScrollBar()->setValue(view.rowHeight(0) * 7 + 5);
    if (state == u"selected"_s) {
        view.selectRow(2);
        view.selectionModel()->select(model.index(4, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view.setCurrentIndex(model.index(4, 1));
        view.setFocus();
    }
    if (state == u"short columns"_s)
        view.setColumnWidth(ChatRowsModel::TextColumn, 60);
    if (state == u"hidden column"_s)
        view.setColumnHidden(1, true);
    if (state == u"moved column"_s)
        view.horizontalHeader()->moveSection(0, 2);
    if (state == u"no grid"_s)
        view.setShowGrid(false);
    if (state == u"disabled"_s)
        view.setEnabled(false);
    if (state == u"big font"_s) {
        view.setFont(QFont(view.font().family(), 15));
        view.verticalHeader()->setDefaultSectionSize(QFontMetrics(view.font()).height() + 4);
    }

    QWidget *viewport = view.viewport();
    const int rowHeight = view.rowHeight(0);
    const QRect regions[] = {viewport->rect(),
                             QRect(0, viewport->height() - rowHeight, viewport->width(), rowHeight),
                             QRect(30, rowHeight / 2, 150, rowHeight * 2),
                             QRect(viewport->width() - 20, 0, 20, viewport->height())};
    for (const QRect &region : regions) {
        QImage images[2];
        for (int own = 0; own < 2; ++own) {
            view.SetDrawsRowsItself(own == 1);
            images[own] = QImage(viewport->size(), QImage::Format_RGB32);
            images[own].fill(Qt::magenta);
            viewport->render(&images[own], QPoint(), QRegion(region));
        }
        QVERIFY2(images[0] == images[1], qPrintable(u"differs in %1,%2 %3x%4"_s.arg(region.x()).arg(region.y())
                                                        .arg(region.width()).arg(region.height())));
    }
}

QTEST_MAIN(TestMainViews)
#include "tst_mainviews.moc"
