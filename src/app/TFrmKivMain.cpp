#include "app/TFrmKivMain.h"

#include "app/ChatRowDelegate.h"
#include "app/Startup.h"
#include "commands/TInfoWindow.h"
#include "items/TInfoGrid.h"
#include "items/TInfoGridHin.h"
#include "logs/ChatRowsModel.h"
#include "platform/IPrompts.h"
#include "platform/ProfileFile.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr QSize kDesignClientSize{680, 203};
constexpr int kWhoColumns = 14;

QFont ViewFont(int pointSize)
{
    QFont font(QStringLiteral("MS UI Gothic"));
    if (pointSize > 0)
        font.setPointSize(pointSize);
    else
        font.setPixelSize(13);
    return font;
}

void SetUpListView(QTableView *view)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->setFocusPolicy(Qt::ClickFocus); // skipped by the Tab key
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(false);
    // A fixed row height keeps appends cheap however many rows the view holds.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->hide();
}

} // namespace

TFrmKivMain::TFrmKivMain(const Paths &paths, IPrompts &prompts, const IClock &clock, QWidget *parent)
    : TIForm01(parent)
    , m_prompts(prompts)
    , m_clock(clock)
{
    setObjectName(QStringLiteral("FrmKivMain"));
    resize(kDesignClientSize);
    BuildViews();
    BuildStatusBar();
    BuildPopupMenu();

    // Start-up: caption, dropped files, then the settings, LOG folder, own ID, lists and
    // the day's log names. The rank colours are a fixed table (kRankColours).
    setWindowTitle(kDesignCaption + u' ' + kProgramVersion);
    setAcceptDrops(true);
    SetSettingsPath(paths.settingsPath);
    const StartupContext context{paths.programFolder, paths.settingsPath, m_prompts, m_clock, size()};
    RunStartup(m_state, context);
    ApplyViewSettings();
}

TFrmKivMain::~TFrmKivMain()
{
    // Destroy steps. The location file ("KivArea.ini") is written here once the location
    // bar exists; the folder watch is stopped here at the latest.
    RunCloseSteps();
}

void TFrmKivMain::BuildViews()
{
    lvChat = new QTableView(this);
    lvChat->setObjectName(QStringLiteral("lvChat"));
    m_chatModel = new ChatRowsModel(this);
    lvChat->setModel(m_chatModel);
    lvChat->setItemDelegate(new ChatRowDelegate(lvChat));
    SetUpListView(lvChat);
    const int chatWidths[] = {60, 80, 80, 230};
    for (int c = 0; c < 4; ++c)
        lvChat->setColumnWidth(c, chatWidths[c]);

    lvWho = new QTableView(this);
    lvWho->setObjectName(QStringLiteral("lvWho"));
    m_whoModel = new QStandardItemModel(0, kWhoColumns, this);
    QStringList whoCaptions(kWhoColumns);
    whoCaptions[0] = QStringLiteral("ID");
    whoCaptions[1] = QStringLiteral("Active");
    m_whoModel->setHorizontalHeaderLabels(whoCaptions);
    lvWho->setModel(m_whoModel);
    SetUpListView(lvWho);
    lvWho->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int c = 0; c < kWhoColumns; ++c)
        lvWho->setColumnWidth(c, c == 0 ? 80 : (c >= 2 && c <= 5 ? 90 : 0));

    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setHandleWidth(4);
    Splitter->setChildrenCollapsible(false);
    Splitter->addWidget(lvChat);
    Splitter->addWidget(lvWho);
    lvChat->setMinimumSize(20, 20);
    lvWho->setMinimumSize(20, 20);

    connect(lvChat, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { ShowPopup(lvChat->viewport()->mapToGlobal(p)); });
    connect(lvWho, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { ShowPopup(lvWho->viewport()->mapToGlobal(p)); });
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) { ShowPopup(mapToGlobal(p)); });

    TimWho = new QTimer(this);
    TimWho->setObjectName(QStringLiteral("TimWho"));
    TimWho->setInterval(60000);
}

void TFrmKivMain::BuildStatusBar()
{
    stbMain = new QStatusBar(this);
    stbMain->setObjectName(QStringLiteral("stbMain"));
    stbMain->setSizeGripEnabled(false);
    stbLeft = new QWidget(stbMain);
    stbLeft->setObjectName(QStringLiteral("stbLeft"));
    stbLeft->setFixedWidth(337);
    stbLeft->hide(); // shown only when a location file exists
    stbMainPanels = new QLabel(stbMain);
    stbMainPanels->setObjectName(QStringLiteral("stbMainPanels"));
    stbMain->addWidget(stbLeft);
    stbMain->addWidget(stbMainPanels, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Splitter, 1);
    layout->addWidget(stbMain);
}

void TFrmKivMain::BuildPopupMenu()
{
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    auto add = [this](const char *name, const QString &caption) {
        QAction *action = PopupMenu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    popOpen = add("popOpen", QStringLiteral("開く(&O)"));
    popOpenItem = add("popOpenItem", QStringLiteral("開く(&I)"));
    PopupMenu->addSeparator();
    popWhoSearch = add("popWhoSearch", QStringLiteral("検索 @Who(&W)"));
    popItemSearch = add("popItemSearch", QStringLiteral("検索 @Item (&E)"));
    PopupMenu->addSeparator();
    popCopy = add("popCopy", QStringLiteral("コピー(&C)"));
    popCopyR = add("popCopyR", QStringLiteral("連続コピー(&R)"));
    PopupMenu->addSeparator();
    popChkInfo = add("popChkInfo", QStringLiteral(" @Info Window"));
    popChkItem = add("popChkItem", QStringLiteral(" @Item Window"));
    popChkItemHin = add("popChkItemHin", QStringLiteral(" @Item (品目別)"));
    for (QAction *check : {popChkInfo, popChkItem, popChkItemHin}) {
        check->setCheckable(true);
        check->setChecked(true);
    }
    PopupMenu->addSeparator();
    QMenu *n3 = PopupMenu->addMenu(QStringLiteral("分配モード(&D)"));
    n3->setObjectName(QStringLiteral("N3"));
    auto *group = new QActionGroup(n3);
    popSyutoku = n3->addAction(QStringLiteral("取得者に分配(&S)"));
    popSyutoku->setObjectName(QStringLiteral("popSyutoku"));
    popRandam = n3->addAction(QStringLiteral("ランダム/順番ランダム(&R)"));
    popRandam->setObjectName(QStringLiteral("popRandam"));
    for (QAction *radio : {popSyutoku, popRandam}) {
        radio->setCheckable(true);
        group->addAction(radio);
    }
    popRandam->setChecked(true);
    popItemSell = add("popItemSell", QStringLiteral(" [Sell]で@Item Clearする"));
    popItemSell->setCheckable(true);
    PopupMenu->addSeparator();
    popCustom = add("popCustom", QStringLiteral("設定(&P)"));
    popWanted = add("popWanted", QStringLiteral("@Wanted設定(&L)"));
    PopupMenu->addSeparator();
    popQuit = add("popQuit", QStringLiteral("終了(&Q)"));

    // Entries whose windows and commands are not built yet stay disabled rather than
    // doing nothing when chosen.
    for (QAction *later : {popOpen, popOpenItem, popWhoSearch, popItemSearch, popCopy, popCopyR, popCustom, popWanted})
        later->setEnabled(false);

    connect(popQuit, &QAction::triggered, this, &QWidget::close);
    connect(popChkInfo, &QAction::toggled, this, [this](bool on) { SetSideWindowShown(m_info, on); });
    connect(popChkItem, &QAction::toggled, this, [this](bool on) { SetSideWindowShown(m_item, on); });
    connect(popChkItemHin, &QAction::toggled, this, [this](bool on) { SetSideWindowShown(m_itemHin, on); });
}

void TFrmKivMain::SetSideWindows(TInfoWindow *info, TInfoGridHin *itemHin, TInfoGrid *item)
{
    m_info = info;
    m_itemHin = itemHin;
    m_item = item;
}

void TFrmKivMain::SetSideWindowShown(QWidget *window, bool shown)
{
    if (window)
        window->setVisible(shown);
}

void TFrmKivMain::ShowPopup(const QPoint &globalPos)
{
    const QSignalBlocker b1(popChkInfo), b2(popChkItem), b3(popChkItemHin);
    popChkInfo->setChecked(m_info && m_info->isVisible());
    popChkItem->setChecked(m_item && m_item->isVisible());
    popChkItemHin->setChecked(m_itemHin && m_itemHin->isVisible());
    PopupMenu->popup(globalPos);
}

void TFrmKivMain::ApplyViewSettings()
{
    const QFont font = ViewFont(m_state.fontSize);
    for (QTableView *view : {lvChat, lvWho}) {
        view->setFont(font);
        view->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    }
    Splitter->setOrientation(m_state.style == 0 ? Qt::Horizontal : Qt::Vertical);
    if (!m_state.viewsFromSettings)
        return;
    const ViewSizes &v = m_state.views;
    for (int c = 0; c < 4; ++c)
        lvChat->setColumnWidth(c, std::max(0, v.chatCol[c]));
    for (int c = 0; c < 6; ++c)
        lvWho->setColumnWidth(c, std::max(0, v.whoCol[c]));
    if (m_state.style == 0)
        Splitter->setSizes({v.chatWidth, std::max(20, width() - v.chatWidth - 4)});
    else
        Splitter->setSizes({v.chatHeight, std::max(20, v.whoHeight)});
}

void TFrmKivMain::showEvent(QShowEvent *event)
{
    TIForm01::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        OnFirstShow();
    }
}

void TFrmKivMain::OnFirstShow()
{
    ProfileFile ini(m_state.settingsPath);
    QString error;
    if (ini.Load(&error))
        RestorePosition(ini);
    ApplyViewSettings();
    m_chatModel->Clear();
}

CloseSnapshot TFrmKivMain::TakeSnapshot() const
{
    CloseSnapshot s;
    auto side = [](const TSideWindow *w) {
        SideWindowState state;
        if (w) {
            state.rect = QRect(w->pos(), w->size());
            state.visible = w->isVisible();
            state.alpha = w->Alpha();
        }
        return state;
    };
    s.info = side(m_info);
    s.item = side(m_item);
    s.itemhin = side(m_itemHin);
    s.itemSellClear = popItemSell->isChecked();
    s.itemSyutoku = popSyutoku->isChecked();
    s.itemRandam = popRandam->isChecked();
    ViewSizes &v = s.views;
    v.chatWidth = lvChat->width();
    v.chatHeight = lvChat->height();
    for (int c = 0; c < 4; ++c)
        v.chatCol[c] = lvChat->columnWidth(c);
    v.whoWidth = lvWho->width();
    v.whoHeight = lvWho->height();
    for (int c = 0; c < 6; ++c)
        v.whoCol[c] = lvWho->columnWidth(c);
    return s;
}

void TFrmKivMain::RunCloseSteps()
{
    if (m_closed)
        return;
    m_closed = true;

    ProfileFile ini(m_state.settingsPath);
    QString error;
    const bool readable = ini.Load(&error);
    // 1. Position and size.
    SavePosition(ini);
    // 2. With an own ID, the roster command's "@who makeup close" line brings the roster
    //    up to date here, before the settings and lists are saved.
    // 3. The messenger status is switched off here.
    // 4. Settings.
    WriteCloseSettings(ini, m_state, TakeSnapshot());
    if (!readable)
        m_prompts.Warning(QStringLiteral("%1 を読み込めなかったため、設定を保存しませんでした (%2)").arg(m_state.settingsPath, error));
    else if (!ini.Save(&error))
        m_prompts.Warning(error);
    // 5. Lists, then every list and log buffer is released. The folder watch is stopped
    //    before this so no late reading reaches released buffers.
    SaveAndReleaseLists(m_state, m_prompts);
}

void TFrmKivMain::closeEvent(QCloseEvent *event)
{
    RunCloseSteps();
    event->accept();
    // Closing the main window ends the program, side windows included.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}
