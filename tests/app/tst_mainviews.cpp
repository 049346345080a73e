#include "app/ChatRowDelegate.h"
#include "app/TFrmKivMain.h"

#include "commands/TInfoWindow.h"
#include "commands/UserDlg.h"
#include "items/TInfoGrid.h"
#include "items/TInfoGridHin.h"
#include "logs/ChatRowsModel.h"
#include "logs/LogFollower.h"
#include "platform/ProfileFile.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
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
    void doubleClickRunsTheRowsCommand();
    void atKeyOpensTheCommandInput();
    void itemSearchOffersTheItemName();
    void menuShowsAndHidesSideWindows();
    void layoutWithoutSettings();
    void layoutFromSettings();
    void styleChangeResizesTheWindow();
    void infoWindowKeepsItsSizeAndHidesFromItsMenu();
    void inputDialogLayoutAndResult();
    void snapToEdges_data();
    void snapToEdges();
    void appendedRowsRepaintOnlyThemselves_data();
    void appendedRowsRepaintOnlyThemselves();
    void cellsDrawnAsByAFreshView_data();
    void cellsDrawnAsByAFreshView();
    void textCellBackgrounds_data();
    void textCellBackgrounds();

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
    TFrmKivMain *Show()
    {
        m_window = std::make_unique<TFrmKivMain>(TFrmKivMain::Paths{m_dir->path() + u'/', File(u"kivreader.ini"_s)},
                                                 m_prompts, m_clock);
        m_window->SetSideWindows(&m_info, &m_itemHin, &m_item);
        m_window->show();
        if (!QTest::qWaitForWindowExposed(m_window.get()))
            return nullptr;
        return m_window.get();
    }
    QTableView *Chat() const { return m_window->findChild<QTableView *>(u"lvChat"_s); }
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
// What a widget was asked to paint.
class PaintSpy : public QObject
{
public:
    QRegion painted;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
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

void TestMainViews::doubleClickRunsTheRowsCommand()
{
    // Another player's "@calc" line is not run when read, but its row runs by double-click.
    WriteSettings();
    WriteChat(kRecords);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    auto *status = w->findChild<QLabel *>(u"stbMainPanels"_s);
    QVERIFY(status->text().isEmpty());
    SelectRow(1);
    w->lvChatDblClick();
    if (m_info.isVisible())
        QCOMPARE(m_info.InfoText(), u"@calc 2*3\n=6"_s);
    else
        QCOMPARE(status->text(), u"　@calc 2*3=6"_s);
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

void TestMainViews::layoutWithoutSettings()
{
    // No settings file: the LOG folder question is cancelled three times.
    m_prompts.QueueFolder(QString());
    m_prompts.QueueFolder(QString());
    m_prompts.QueueFolder(QString());
    m_prompts.QueueInput(false);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    for (TSideWindow *side : std::initializer_list<TSideWindow *>{&m_info, &m_item, &m_itemHin}) {
        QVERIFY(side->isVisible());
        QCOMPARE(side->pos(), QPoint(0, 0));
        QCOMPARE(side->size(), QSize(350, 150));
        QCOMPARE(side->Alpha(), 255);
    }
    QVERIFY(!w->findChild<QWidget *>(u"stbLeft"_s)->isVisibleTo(w));
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

void TestMainViews::styleChangeResizesTheWindow()
{
    WriteSettings();
    TFrmKivMain *w = Show();
    QVERIFY(w);
    const QSize before = w->size();
    w->ApplyLayout(QString());
    QCOMPARE(w->size(), before); // an empty command keeps the window's size
    const int chatWidth = Chat()->width();
    w->State().style = 1;
    w->ApplyLayout(u"change"_s);
    QCOMPARE(w->width(), chatWidth + 8);
    QCOMPARE(w->findChild<QSplitter *>(u"Splitter"_s)->orientation(), Qt::Vertical);
}

void TestMainViews::infoWindowKeepsItsSizeAndHidesFromItsMenu()
{
    TInfoWindow info;
    info.SetRememberedSize(QSize(300, 100));
    info.ShowInfo();
    QVERIFY(QTest::qWaitForWindowExposed(&info));
    QCOMPARE(info.size(), QSize(300, 100));
    info.resize(500, 500); // a drag; the next showing takes the remembered size again
    info.HideInfo();
    info.ShowInfo();
    QCOMPARE(info.size(), QSize(300, 100));
    info.AppendInfoLine(u"a"_s);
    info.AppendInfoLine(u"表"_s);
    QCOMPARE(info.InfoText(), u"a\n表"_s);
    QAction *close = info.findChild<QAction *>(u"popClose"_s);
    QVERIFY(close);
    QCOMPARE(close->text(), u"閉じる(&Q)"_s);
    close->trigger();
    QVERIFY(!info.IsInfoVisible());
}

void TestMainViews::inputDialogLayoutAndResult()
{
    TUserDlg dialog(u"Command"_s, u"input Command"_s, u"@who search "_s);
    QCOMPARE(dialog.windowTitle(), u"Command"_s);
    QCOMPARE(dialog.Edit()->text(), u"@who search "_s);
    QCOMPARE(dialog.Edit()->maxLength(), 255);
    // Dialog units: the OK button's left edge is 38 units, the client 180 units wide.
    const double unit = dialog.width() / 180.0;
    QVERIFY(std::abs(dialog.OkButton()->x() - 38 * unit) <= 1.0);
    QVERIFY(std::abs(dialog.CancelButton()->x() - 92 * unit) <= 1.0);
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
    QTest::addColumn<int>("appended");
    QTest::newRow("one record") << 1;
    QTest::newRow("three records in one reading") << 3;
}

void TestMainViews::appendedRowsRepaintOnlyThemselves()
{
    // A followed log scrolls what is drawn and paints the rows that came in, not the view.
    QFETCH(int, appended);
    WriteSettings();
    QString records;
    for (int i = 0; i < 60; ++i)
        records += u"12:00:00\t<Public>\tab(11111111)\r\nline %1\r\n\r\n"_s.arg(i);
    WriteChat(records);
    TFrmKivMain *w = Show();
    QVERIFY(w);
    PaintSpy spy;
    Chat()->viewport()->installEventFilter(&spy);
    Chat()->viewport()->update();
    QTRY_VERIFY(!spy.painted.isEmpty()); // whatever was still to paint is painted
    spy.painted = QRegion();
    records.clear();
    for (int i = 0; i < appended; ++i)
        records += u"12:00:01\t<Public>\tab(11111111)\r\nnew %1\r\n\r\n"_s.arg(i);
    testfiles::Append(File(u"ChatLog_20261207.txt"_s), testfiles::Cp932(records));
    w->Follower().Reader().ReadNewLogText();
    QTRY_COMPARE(w->ChatModel()->Count(), 60 + appended);
    QTRY_VERIFY(!spy.painted.isEmpty());
    const int rowHeight = Chat()->rowHeight(0);
    QVERIFY2(spy.painted.boundingRect().height() <= (appended + 1) * rowHeight,
             qPrintable(u"painted %1 px of %2"_s.arg(spy.painted.boundingRect().height()).arg(Chat()->viewport()->height())));
    QCOMPARE(Chat()->rowAt(Chat()->viewport()->height() - 1), 60 + appended - 1);
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

QTEST_MAIN(TestMainViews)
#include "tst_mainviews.moc"
