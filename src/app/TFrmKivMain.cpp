#include "app/TFrmKivMain.h"

#include "app/ChatRowDelegate.h"
#include "app/ChatRowText.h"
#include "app/DroppedFiles.h"
#include "app/TChatView.h"
#include "app/KivLogic.h"
#include "app/Layout.h"
#include "app/SettingsKeys.h"
#include "app/Startup.h"
#include "app/TFrmCustom.h"
#include "app/TFrmWanted.h"
#include "commands/Location.h"
#include "commands/TInfoWindow.h"
#include "items/TInfoGrid.h"
#include "items/TInfoGridHin.h"
#include "items/QtItemWindows.h"
#include "items/ItemDb.h"
#include "items/TFrmItemNote.h"
#include "logs/ChatRowsModel.h"
#include "logs/LogFollower.h"
#include "logs/LogLine.h"
#include "platform/CommandSoundPlayer.h"
#include "platform/FileNames.h"
#include "platform/IPrompts.h"
#include "platform/ProfileFile.h"
#include "roster/IdNotes.h"
#include "roster/RosterRowsModel.h"
#include "roster/RosterTracker.h"
#include "roster/RosterView.h"
#include "roster/TFrmIdNote.h"
#include "widgets/FlatScrollBarStyle.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QPushButton>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <exception>

namespace {

constexpr QSize kDesignClientSize{680, 203};
constexpr int kWhoColumns = 14;
constexpr int kTextColumnMinimum = 230; // the text column's design width
// Rows of live readings are shown at most once a frame. The frame is a little shorter
// than a 60 Hz screen's, so that a row that waits for it, its reading included, is still
// on the screen within one screen frame of being written.
constexpr std::chrono::milliseconds kRowFrame{14};

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

// The dropped files as local paths, in order; none when the first thing dropped is not a
// local file (a web address, a text).
QStringList DroppedPaths(const QMimeData *mime)
{
    QStringList paths;
    const QList<QUrl> urls = mime && mime->hasUrls() ? mime->urls() : QList<QUrl>();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return paths;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
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

    {
        ProfileFile ini(m_state.settingsPath);
        const QString player = ini.Load() ? ini.ReadString(kiv::keys::kSound, QStringLiteral("player")) : QString();
        m_soundCommand = std::make_unique<CommandSoundPlayer>(player, m_sound);
    }
    m_messenger = std::make_unique<SystemMessenger>(m_state.settingsPath);
    m_logic = std::make_unique<KivLogic>(m_state, *m_chatModel,
                                         KivLogic::Seams{*this, *this, m_prompts, m_desktop, *m_soundCommand, m_clock});
    m_logic->SetMessenger(m_messenger.get());
    m_logic->onScrollToLastRow = [this] { lvChat->ScrollToLastRow(); };
    m_logic->SetRowFrame(kRowFrame);
    m_follower = std::make_unique<LogFollower>(m_state, *m_logic, m_clock);
    m_rosterTimer = std::make_unique<kiv::roster::QtRosterTimer>(TimWho);
    m_roster = std::make_unique<RosterTracker>(
        m_state, *m_whoModel,
        RosterTracker::Seams{*this, *m_rosterTimer, [this](const QString &beep) { m_logic->RunBeep(beep); }});
    m_logic->SetSightings(m_roster.get());
    m_logic->Who().SetWindow(this);
    connect(TimWho, &QTimer::timeout, this, [this] { m_roster->TimerTick(); });
    connect(m_follower.get(), &LogFollower::StatusChanged, this, [this](const FollowerStatus &status) {
        m_followerPanel->setText(status.text);
        // Tooltips have no plain-text mode; the detail names the LOG folder, so it is escaped.
        m_followerPanel->setToolTip(Qt::convertFromPlainText(status.detail));
    });
}

TFrmKivMain::~TFrmKivMain()
{
    // Destroy steps, after the close steps (run here should the window never have been
    // closed): the chosen location, then the folder watch, stopped at close already.
    RunCloseSteps();
    SaveLocation();
}

void TFrmKivMain::BuildViews()
{
    lvChat = new TChatView(this);
    lvChat->setObjectName(QStringLiteral("lvChat"));
    m_chatModel = new ChatRowsModel(this);
    lvChat->setModel(m_chatModel);
    lvChat->setItemDelegate(new ChatRowDelegate(*m_chatModel, lvChat));
    SetUpListView(lvChat);
    // The text column fills the rest of the row. The widths read at start and by the
    // layout are made narrower to leave room for the scroll bar, and the saved width is
    // the filled one, so the column keeps its size from session to session.
    lvChat->horizontalHeader()->setStretchLastSection(true);
    const int chatWidths[] = {60, 80, 80, 230};
    for (int c = 0; c < 4; ++c)
        lvChat->setColumnWidth(c, chatWidths[c]);

    lvWho = new QTableView(this);
    lvWho->setObjectName(QStringLiteral("lvWho"));
    m_whoModel = new RosterRowsModel(this);
    kiv::roster::AttachRosterModel(lvWho, m_whoModel);
    SetUpListView(lvWho);
    // Its rows change as speakers become active: drawn flat, as the chat view's bars.
    UseFlatScrollBars(lvWho);
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

    connect(lvChat, &QAbstractItemView::doubleClicked, this, [this] { lvChatDblClick(); });
    connect(lvWho, &QAbstractItemView::doubleClicked, this, [this] { lvWhoDblClick(); });
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
    BitBtn1 = new QPushButton(QStringLiteral("C"), stbLeft);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setFocusPolicy(Qt::NoFocus);
    QFont small = font();
    small.setPointSize(std::max(6, small.pointSize() - 1));
    auto *locationLayout = new QHBoxLayout(stbLeft);
    locationLayout->setContentsMargins(0, 0, 0, 0);
    locationLayout->setSpacing(2);
    locationLayout->addWidget(BitBtn1);
    BitBtn1->setFixedWidth(22);
    for (QComboBox **list : {&cmbWorld, &cmbUniverse, &cmbLobby}) {
        *list = new QComboBox(stbLeft);
        (*list)->setMaxVisibleItems(20);
        (*list)->setFont(small);
        (*list)->setFocusPolicy(Qt::NoFocus);
        locationLayout->addWidget(*list, list == &cmbLobby ? 2 : 1);
        connect(*list, &QComboBox::activated, this, &TFrmKivMain::LocationChanged);
    }
    cmbWorld->setObjectName(QStringLiteral("cmbWorld"));
    cmbUniverse->setObjectName(QStringLiteral("cmbUniverse"));
    cmbLobby->setObjectName(QStringLiteral("cmbLobby"));
    connect(BitBtn1, &QPushButton::clicked, this, &TFrmKivMain::BitBtn1Click);
    stbMainPanels = new QLabel(stbMain);
    stbMainPanels->setObjectName(QStringLiteral("stbMainPanels"));
    m_followerPanel = new QLabel(stbMain);
    m_followerPanel->setObjectName(QStringLiteral("stbFollow"));
    // Texts from the logs, lists and file names are shown as they are, never as markup.
    stbMainPanels->setTextFormat(Qt::PlainText);
    m_followerPanel->setTextFormat(Qt::PlainText);
    stbMain->addWidget(stbLeft);
    stbMain->addWidget(stbMainPanels, 1);
    stbMain->addPermanentWidget(m_followerPanel);

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

    popOpenItem->setEnabled(false);
    connect(popOpenItem, &QAction::triggered, this, &TFrmKivMain::popOpenItemClick);
    connect(popOpen, &QAction::triggered, this, &TFrmKivMain::popOpenClick);
    connect(popCustom, &QAction::triggered, this, &TFrmKivMain::popCustomClick);
    connect(popWanted, &QAction::triggered, this, &TFrmKivMain::popWantedClick);
    connect(popWhoSearch, &QAction::triggered, this, &TFrmKivMain::popWhoSearchClick);
    connect(popItemSearch, &QAction::triggered, this, &TFrmKivMain::popItemSearchClick);
    connect(popCopy, &QAction::triggered, this, &TFrmKivMain::popCopyClick);
    connect(popCopyR, &QAction::triggered, this, &TFrmKivMain::popCopyRClick);

    connect(popQuit, &QAction::triggered, this, &QWidget::close);
    connect(popChkInfo, &QAction::toggled, this, [this](bool on) { SetSideWindowShown(m_info, on); });
    connect(popChkItem, &QAction::toggled, this, [this](bool on) { SetSideWindowShown(m_item, on); });
    connect(popChkItemHin, &QAction::toggled, this, [this](bool on) { SetSideWindowShown(m_itemHin, on); });
    connect(popItemSell, &QAction::toggled, this, [this](bool on) { m_state.itemSellClear = on; });
    connect(popSyutoku, &QAction::toggled, this, [this](bool on) { m_state.moneyToPicker = on; });
}

void TFrmKivMain::SetSideWindows(TInfoWindow *info, TInfoGridHin *itemHin, TInfoGrid *item)
{
    m_info = info;
    m_itemHin = itemHin;
    m_item = item;
    m_itemWindows = std::make_unique<QtItemWindows>(item, itemHin, kRowFrame);
    m_logic->SetItemWindows(m_itemWindows.get());
    if (item)
        item->SetReportFolder(m_state.programFolder, &m_prompts);
    if (itemHin)
        itemHin->SetReportFolder(m_state.programFolder, &m_prompts);
}

void TFrmKivMain::SetSideWindowShown(QWidget *window, bool shown)
{
    if (window)
        window->setVisible(shown);
}

QWidget *TFrmKivMain::FocusedView() const
{
    QWidget *focus = QApplication::focusWidget();
    if (focus == lvChat || focus == lvWho)
        return focus;
    // The offscreen platform and some window managers leave no focus widget while the
    // window is inactive; the view's own focus flag is the fallback.
    if (lvChat->hasFocus())
        return lvChat;
    if (lvWho->hasFocus())
        return lvWho;
    return nullptr;
}

int TFrmKivMain::SelectedChatRow() const
{
    const QModelIndexList rows = lvChat->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    // The focused row when it is selected, else the first selected one.
    const QModelIndex current = lvChat->currentIndex();
    if (current.isValid() && lvChat->selectionModel()->isRowSelected(current.row(), QModelIndex()))
        return current.row();
    return rows.first().row();
}

bool TFrmKivMain::PreparePopup()
{
    {
        const QSignalBlocker b1(popChkInfo), b2(popChkItem), b3(popChkItemHin);
        popChkInfo->setChecked(m_info && m_info->isVisible());
        popChkItem->setChecked(m_item && m_item->isVisible());
        popChkItemHin->setChecked(m_itemHin && m_itemHin->isVisible());
    }
    QWidget *focused = FocusedView();
    if (focused == lvChat) {
        const int row = SelectedChatRow();
        if (row < 0)
            return false;
        const LogLineRecord &record = m_chatModel->Row(row);
        popOpen->setText(kiv::rows::OpenIdCaption(record.id));
        const bool action = record.tag.contains(u'$');
        popOpenItem->setText(kiv::rows::OpenItemCaption(action ? kiv::rows::ItemNameOfText(record.text) : QString()));
        popOpenItem->setEnabled(action);
        popItemSearch->setEnabled(action);
    } else if (focused == lvWho) {
        const QModelIndex current = lvWho->currentIndex();
        if (current.isValid())
            popOpen->setText(kiv::rows::OpenIdCaption(m_whoModel->index(current.row(), 0).data().toString()));
        popOpenItem->setEnabled(false);
        popItemSearch->setEnabled(false);
    }
    return true;
}

void TFrmKivMain::ShowPopup(const QPoint &globalPos)
{
    if (PreparePopup())
        PopupMenu->popup(globalPos);
}

bool TFrmKivMain::HandleFormKey(QKeyEvent *event)
{
    if (event->text() != QStringLiteral("@"))
        return false;
    OpenCommandInput();
    return true;
}

void TFrmKivMain::OpenCommandInput()
{
    QString text;
    if (m_prompts.InputQuery(QStringLiteral("Command"), QStringLiteral("input Command"), text) && !text.isEmpty())
        m_logic->SubmitCommandLine(text, kCommandKindInput);
}

void TFrmKivMain::popWhoSearchClick()
{
    QString text = QStringLiteral("@who search ");
    if (m_prompts.InputQuery(QStringLiteral("Command"), QStringLiteral("input Command"), text))
        m_logic->SubmitSearch(text);
}

void TFrmKivMain::popItemSearchClick()
{
    const int row = SelectedChatRow();
    if (row < 0)
        return;
    QString text = QStringLiteral("@item search ") + kiv::rows::ItemNameOfText(m_chatModel->Row(row).text);
    if (m_prompts.InputQuery(QStringLiteral("Command"), QStringLiteral("input Command"), text))
        m_logic->SubmitSearch(text);
}

void TFrmKivMain::lvChatDblClick()
{
    const int row = SelectedChatRow();
    if (row < 0)
        return;
    const LogLineRecord record = m_chatModel->Row(row);
    if (record.tag.contains(u'$')) {
        const QString item = kiv::rows::ItemNameOfText(record.text);
        AppendInfoLine(QStringLiteral("■") + item);
        QStringList fields;
        SplitFields(TrimControls(GetValue(item, m_state.itemDb)), fields);
        for (const QString &field : fields)
            AppendInfoLine(field);
    } else if (record.tag.contains(u'@')) {
        m_logic->RunCommand(record.tag, record.text);
    } else {
        m_logic->MarkActive(record.id, record.name);
    }
}

void TFrmKivMain::lvWhoDblClick()
{
    const QModelIndexList rows = lvWho->selectionModel()->selectedRows();
    if (!rows.isEmpty())
        m_roster->RowDoubleClicked(rows.first().row());
}

void TFrmKivMain::popOpenClick()
{
    // The ID comes from the caption set when the menu opened: the roster view may have
    // been emptied by its timer since.
    const QString id = kiv::idnote::IdFromCaption(popOpen->text());
    if (id.isEmpty())
        return;
    TFrmIdNote dialog(m_state.settingsPath, this);
    dialog.SetNote(id, kiv::idnote::ReadIdNote(id, m_state.idNotes));
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString error;
    if (!kiv::idnote::CommitIdNote(m_state, id, dialog.Values(), &error))
        m_prompts.Warning(error);
    m_roster->RefreshRanks();
}

void TFrmKivMain::popOpenItemClick()
{
    const int row = SelectedChatRow();
    if (row < 0)
        return;
    const QString item = kiv::rows::ItemNameOfText(m_chatModel->Row(row).text);
    const qsizetype index = m_state.itemDb.IndexOfKey(item);
    if (index < 0)
        return;
    TFrmItemNote dialog(this);
    dialog.SetItem(item, m_state.itemDb.Line(index));
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString error;
    if (!kiv::itemdb::CommitItemNote(m_state, item, dialog.Result(), &error))
        m_prompts.Warning(error);
}

void TFrmKivMain::popCopyClick()
{
    QWidget *focused = FocusedView();
    if (focused == lvChat) {
        const QModelIndex current = lvChat->currentIndex();
        if (!current.isValid())
            return;
        m_desktop.SetClipboardText(kiv::rows::CopyLine(m_chatModel->Row(current.row())));
    } else if (focused == lvWho) {
        const QModelIndex current = lvWho->currentIndex();
        if (!current.isValid())
            return;
        const QString id = m_whoModel->index(current.row(), 0).data().toString();
        m_desktop.SetClipboardText(id + GetValue(id, m_state.roster));
    }
}

void TFrmKivMain::popCopyRClick()
{
    QWidget *focused = FocusedView();
    if (focused == lvWho) {
        m_desktop.SetClipboardText(QString());
        return;
    }
    if (focused != lvChat)
        return;
    const int first = SelectedChatRow();
    if (first < 0)
        return;
    QString text = QStringLiteral("20");
    if (!m_prompts.InputQuery(QStringLiteral("コピー行数の指定"), QStringLiteral("現在位置を基点に何行コピーしますか？"), text))
        return;
    bool ok = false;
    int count = text.trimmed().toInt(&ok);
    if (!ok)
        count = 1;
    QString lines;
    for (int row = first; count > 0 && row < m_chatModel->Count(); ++row, --count)
        lines += kiv::rows::CopyLine(m_chatModel->Row(row)) + QStringLiteral("\r\n");
    m_desktop.SetClipboardText(lines);
}

void TFrmKivMain::AppendInfoLine(const QString &line)
{
    if (m_info)
        m_info->AppendInfoLine(line);
}

void TFrmKivMain::ClearInfo()
{
    if (m_info)
        m_info->ClearInfo();
}

bool TFrmKivMain::IsInfoVisible() const
{
    return m_info && m_info->IsInfoVisible();
}

void TFrmKivMain::ShowInfo()
{
    if (m_info)
        m_info->ShowInfo();
}

void TFrmKivMain::HideInfo()
{
    if (m_info)
        m_info->HideInfo();
}

QString TFrmKivMain::InfoText() const
{
    return m_info ? m_info->InfoText() : QString();
}

void TFrmKivMain::SetInfoColours(unsigned text, unsigned background)
{
    if (m_info)
        m_info->SetInfoColours(text, background);
}

void TFrmKivMain::SetInfoSize(int width, int height)
{
    if (!m_info)
        return;
    m_info->resize(std::max(width, 1), std::max(height, 1));
    m_info->SetRememberedSize(m_info->size());
}

int TFrmKivMain::InfoWidth() const
{
    return m_info ? m_info->width() : 0;
}

int TFrmKivMain::InfoHeight() const
{
    return m_info ? m_info->height() : 0;
}

void TFrmKivMain::SetInfoAlpha(int alpha)
{
    if (m_info)
        m_info->SetAlpha(alpha);
}

int TFrmKivMain::InfoAlpha() const
{
    return m_info ? m_info->Alpha() : 255;
}

int TFrmKivMain::ScreenHeight() const
{
    const QScreen *s = m_info ? m_info->screen() : screen();
    return s ? s->geometry().height() : 768;
}

void TFrmKivMain::SetStatusText(const QString &text)
{
    stbMainPanels->setText(text);
}

QString TFrmKivMain::StatusText() const
{
    return stbMainPanels->text();
}

void TFrmKivMain::ApplyStyleChange()
{
    ApplyLayout(QStringLiteral("change"));
}

void TFrmKivMain::ClearRosterRows()
{
    m_whoModel->Clear();
}

void TFrmKivMain::SetRosterRedraw(bool on)
{
    lvWho->setUpdatesEnabled(on);
}

void TFrmKivMain::RebuildProgress(int done, int total)
{
    if (!m_rebuildShown) {
        m_rebuildShown = true;
        m_statusBeforeRebuild = StatusText();
    }
    SetStatusText(QStringLiteral("@who makeup: ログ %1 / %2 ファイル").arg(done).arg(total));
    // Paints and timers only: what the user does waits until the rebuild is over, and
    // readings find the guard held (the one owed runs when the rebuild ends).
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFrmKivMain::RebuildEnded()
{
    if (m_rebuildShown) {
        m_rebuildShown = false;
        SetStatusText(m_statusBeforeRebuild);
    }
    if (m_closeAfterRebuild) {
        m_closeAfterRebuild = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TFrmKivMain::ReadLogsNow()
{
    m_follower->ReadNow();
}

void TFrmKivMain::ApplyViewSettings()
{
    const QFont font = ViewFont(m_state.fontSize);
    for (QTableView *view : {static_cast<QTableView *>(lvChat), lvWho}) {
        view->setFont(font);
        view->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    }
    Splitter->setOrientation(m_state.style == 0 ? Qt::Horizontal : Qt::Vertical);
    if (!m_state.viewsFromSettings)
        return;
    const ViewSizes &v = m_state.views;
    SetChatColumnWidths(v.chatCol);
    for (int c = 0; c < 6; ++c)
        lvWho->setColumnWidth(c, std::max(0, v.whoCol[c]));
    KeepChatPane(m_state.style == 0 ? v.chatWidth : v.chatHeight);
}

void TFrmKivMain::KeepChatPane(int extent)
{
    // Sizes that do not add up to the splitter's are scaled by it, which would move the
    // saved chat size; the roster view takes exactly the rest instead.
    if (layout())
        layout()->activate();
    const int total = Splitter->orientation() == Qt::Horizontal ? Splitter->width() : Splitter->height();
    Splitter->setSizes({extent, std::max(20, total - extent - Splitter->handleWidth())});
}

void TFrmKivMain::SetChatColumnWidths(const std::array<int, 4> &widths)
{
    for (int c = 0; c < 3; ++c)
        lvChat->setColumnWidth(c, std::max(0, widths[c]));
    // The widths read back are made narrower each time (room for the scroll bar) while
    // the width saved is the shown one; without a floor, a column that does not fill
    // its row would lose those pixels at every start.
    lvChat->setColumnWidth(3, std::max(widths[3], kTextColumnMinimum));
}

void TFrmKivMain::ApplyLayout(const QString &command)
{
    const QSize chat = lvChat->size();
    const QSize who = lvWho->size();
    const bool wasStacked = Splitter->orientation() == Qt::Vertical;
    const bool stacked = m_state.style != 0;
    Splitter->setOrientation(stacked ? Qt::Vertical : Qt::Horizontal);
    if (command == QStringLiteral("change") && stacked != wasStacked) {
        // Each style gets back the size it was left with, so switching to and fro never
        // grows the window; a style met for the first time is sized from the views.
        m_styleGeometry[wasStacked] = {size(), wasStacked ? chat.height() : chat.width()};
        const StyleGeometry &back = m_styleGeometry[stacked];
        resize(back.window.isValid()
                   ? back.window
                   : MainWindowSizeForStyle(m_state.style, chat, who, Splitter->handleWidth(), size() - Splitter->size()));
        KeepChatPane(back.window.isValid() ? back.chatExtent : (stacked ? chat.height() : chat.width()));
    } else {
        // The chat view keeps its size; the roster view takes the rest.
        KeepChatPane(stacked ? chat.height() : chat.width());
    }

    ProfileFile ini(m_state.settingsPath);
    QString error;
    if (!ini.Load(&error))
        ini = ProfileFile(QString()); // unreadable: the defaults
    LayoutSettings s = ReadLayoutSettings(ini);
    // Side windows without a place of their own go beside the main window, on the screen
    // it opened on, rather than over its views; close saves those places like any other.
    if (const QScreen *where = screen()) {
        QList<SavedEdges *> unsaved;
        QList<QSize> sizes;
        for (SavedEdges *edges : {&s.info, &s.item, &s.itemhin}) {
            if (!edges->saved) {
                unsaved.append(edges);
                sizes.append(SideWindowSize(*edges));
            }
        }
        // Beside the frame where it comes to rest: it snaps to the screen's edges.
        const QRect frame = SnapToEdges(frameGeometry(), where->geometry(), 5);
        const QList<QPoint> places = PlaceBesideMainWindow(frame, where->availableGeometry(), sizes);
        for (qsizetype i = 0; i < unsaved.size(); ++i)
            *unsaved[i] = {places[i].x(), places[i].y(), places[i].x() + sizes[i].width(),
                           places[i].y() + sizes[i].height(), false};
    }
    SetChatColumnWidths(s.chatCol);
    for (int c = 0; c < 5; ++c)
        lvWho->setColumnWidth(c, std::max(0, s.whoCol[c]));

    const QList<QRect> screens = AvailableScreenAreas();
    auto place = [&screens](TSideWindow *window, const SavedEdges &edges, bool visible, int alpha) {
        if (!window)
            return;
        const QRect saved(QPoint(edges.left, edges.top), SideWindowSize(edges));
        const QRect kept = KeptOnScreen(saved, screens);
        window->move(kept.topLeft());
        const QSize size = kept.size();
        window->resize(size);
        window->SetRememberedSize(size);
        window->SetAlpha(alpha);
        if (visible)
            window->show();
    };
    if (m_info)
        m_info->SetRememberedFontSize(m_state.fontSize);
    m_jrt = s.jrt;
    if (m_item) {
        m_item->SetDistributionRows(s.jrt);
        m_item->SetFontSize(m_state.fontSize);
    }
    if (m_itemHin)
        m_itemHin->SetFontSize(m_state.fontSize);
    place(m_item, s.item, s.itemVisible, s.itemAlpha);
    place(m_itemHin, s.itemhin, s.itemhinVisible, s.itemAlpha);
    place(m_info, s.info, s.infoVisible, s.infoAlpha);
    {
        const QSignalBlocker b1(popChkInfo), b2(popChkItem), b3(popChkItemHin);
        popChkInfo->setChecked(s.infoVisible);
        popChkItem->setChecked(s.itemVisible);
        popChkItemHin->setChecked(s.itemhinVisible);
    }
    popItemSell->setChecked(s.itemSellClear);
    popSyutoku->setChecked(s.itemSyutoku);
    popRandam->setChecked(s.itemRandam);

    const bool located = kiv::files::Exists(m_state.programFolder, kiv::names::kArea);
    stbLeft->setVisible(located);
    if (located)
        FillLocationBar();
}

void TFrmKivMain::moveEvent(QMoveEvent *event)
{
    TIForm01::moveEvent(event);
    SnapWindowToScreenEdges(this);
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
    ApplyLayout(QString());
    m_chatModel->Clear();
    m_follower->FirstShowing();
    // The three logs interleave by time once; later rows are appended as they come.
    m_chatModel->SortByTime();
    lvChat->scrollToBottom();
    m_follower->Start();
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

    SessionEndPrompts sessionEnd;
    IPrompts &prompts = m_sessionEnding ? static_cast<IPrompts &>(sessionEnd) : m_prompts;
    ProfileFile ini(m_state.settingsPath);
    QString error;
    const bool readable = ini.Load(&error);
    // 1. Position and size.
    SavePosition(ini);
    // 2. With an own ID, the roster command's "@who makeup close" line brings the roster
    //    up to date here, before the settings and lists are saved.
    if (m_state.ownId != kNoOwnId) {
        QString failure;
        try {
            m_logic->SubmitCommandLine(QStringLiteral("@who makeup close"), kCommandKindInput);
            failure = m_logic->Who().RebuildFailures().join(u'\n');
        } catch (const std::exception &e) {
            failure = QString::fromLocal8Bit(e.what());
        } catch (...) {
            failure = QStringLiteral("不明なエラー");
        }
        if (!failure.isEmpty()) {
            if (m_sessionEnding)
                prompts.Warning(kCloseRosterFailed + u'\n' + failure);
            else
                prompts.Warning(kCloseRosterFailed);
        }
    }
    // 3. The messenger status is switched off.
    m_logic->SendMessengerStatus(QString(), QStringLiteral("0"));
    // 4. Settings.
    WriteCloseSettings(ini, m_state, TakeSnapshot());
    if (!readable)
        prompts.Warning(QStringLiteral("%1 を読み込めなかったため、設定を保存しませんでした (%2)")
                            .arg(QDir::toNativeSeparators(m_state.settingsPath), error));
    else if (!ini.Save(&error))
        prompts.Warning(error);
    // 5. Lists, then every list and log buffer is released. Following stops first, so
    //    no late reading can reach the released buffers.
    m_follower->Stop();
    SaveAndReleaseLists(m_state, prompts);
}

void TFrmKivMain::closeEvent(QCloseEvent *event)
{
    // The rebuild works on the lists the close releases: the close waits for its end.
    if (m_logic->Who().Rebuilding()) {
        m_closeAfterRebuild = true;
        event->ignore();
        return;
    }
    RunCloseSteps();
    event->accept();
    // Closing the main window ends the program, side windows included.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TFrmKivMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (DroppedPaths(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void TFrmKivMain::dragMoveEvent(QDragMoveEvent *event)
{
    if (DroppedPaths(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void TFrmKivMain::dropEvent(QDropEvent *event)
{
    const QStringList paths = DroppedPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The drop ends before the import asks its question: a modal box inside the drop would
    // keep the program the files came from waiting for it.
    QTimer::singleShot(0, this, [this, paths] { ImportDropped(paths); });
}

void TFrmKivMain::ImportDropped(const QStringList &paths)
{
    if (m_closed)
        return;
    const kiv::drop::DroppedKind merged =
        kiv::drop::ImportDroppedFiles(paths, {m_state, *m_roster, m_prompts, *this});
    if (merged == kiv::drop::DroppedKind::BlackList)
        m_roster->RefreshRanks();
}

void TFrmKivMain::popCustomClick()
{
    const CustomValues before{m_state.ownId, m_state.actionLog, m_state.style, m_state.fontSize};
    TFrmCustom dialog(m_state.settingsPath, before, m_prompts, this);
    if (dialog.Exec() != TModalForm::OK)
        return;
    const CustomValues &after = dialog.Values();
    m_state.ownId = after.ownId;
    m_state.actionLog = after.actionLog;
    m_state.style = after.style;
    if (after.style != before.style)
        ApplyLayout(QStringLiteral("change"));
    if (after.fontSize != before.fontSize) {
        m_state.fontSize = after.fontSize;
        const QFont font = ViewFont(after.fontSize);
        for (QTableView *view : {static_cast<QTableView *>(lvChat), lvWho}) {
            view->setFont(font);
            view->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
        }
        // The items-by-kind window keeps its font until the next start.
        if (m_info) {
            m_info->SetRememberedFontSize(after.fontSize);
            m_info->setFont(font);
        }
        if (m_item)
            m_item->setFont(font);
    }
}

void TFrmKivMain::popWantedClick()
{
    WantedPresets presets;
    const int row = SelectedChatRow();
    if (row >= 0) {
        const LogLineRecord record = m_chatModel->Row(row);
        presets = TFrmWanted::PresetsOfRow(record.tag, record.text, record.name, record.id);
    }
    TFrmWanted dialog(m_state.programFolder, m_state.settingsPath, presets, *m_soundCommand, m_prompts, this);
    if (dialog.Exec() != TModalForm::OK)
        return;
    LoadProgramList(m_state.wanted, m_state.programFolder, kiv::names::kWanted, m_prompts);
}

void TFrmKivMain::FillLocationBar()
{
    ProfileFile area(kiv::files::Resolve(m_state.programFolder, kiv::names::kArea));
    if (!area.Load())
        area = ProfileFile(QString());
    const LocationLists lists = ReadLocationLists(area);
    auto fill = [](QComboBox *list, const QStringList &entries, const QString &chosen) {
        const QSignalBlocker block(list);
        list->clear();
        list->addItems(entries);
        // The empty first entry is not a choice: a remembered empty text shows none.
        list->setCurrentIndex(chosen.isEmpty() ? -1 : int(entries.indexOf(chosen)));
    };
    fill(cmbWorld, lists.worlds, lists.world);
    fill(cmbUniverse, lists.universes, lists.universe);
    fill(cmbLobby, lists.lobbies, lists.lobby);
}

void TFrmKivMain::LocationChanged()
{
    const QString location = LocationText(cmbUniverse->currentText(), cmbLobby->currentText(), cmbWorld->currentText());
    m_logic->SendMessengerStatus(location, QStringLiteral("1"));
    SetStatusText(QStringLiteral("@send ") + location);
}

void TFrmKivMain::BitBtn1Click()
{
    m_logic->SendMessengerStatus(QString(), QStringLiteral("0"));
    for (QComboBox *list : {cmbWorld, cmbUniverse, cmbLobby}) {
        const QSignalBlocker block(list);
        list->setCurrentIndex(-1);
    }
    SetStatusText(QString());
}

void TFrmKivMain::SaveLocation()
{
    QString error;
    if (!::SaveLocation(m_state.programFolder, cmbWorld->currentText(), cmbUniverse->currentText(),
                        cmbLobby->currentText(), &error))
        qWarning("%s", qPrintable(error));
}
