#pragma once

#include "core/AppState.h"
#include "core/IStatusText.h"
#include "app/Shutdown.h"
#include "app/TIForm01.h"
#include "core/IInfoOutput.h"
#include "platform/QtDesktop.h"
#include "platform/QtSoundPlayer.h"
#include "platform/SystemMessenger.h"
#include "roster/WhoCommand.h"

#include <QPointer>

#include <memory>

class ChatRowsModel;
class KivLogic;
class LogFollower;
class IClock;
class IPrompts;
class CommandSoundPlayer;
class QAction;
class QComboBox;
class QPushButton;
class QLabel;
class QMenu;
class QSplitter;
class QStatusBar;
class QTableView;
class QTimer;
class RosterRowsModel;
class RosterTracker;
namespace kiv::roster { class QtRosterTimer; }
class TInfoGrid;
class TInfoGridHin;
class TInfoWindow;
class TChatView;
class QtItemWindows;

// The main window: chat view and roster view, status bar and popup menu. It owns all
// program state (AppState) and runs the start-up steps when it is created and the close
// steps once when it closes, however the close was asked for.
class TFrmKivMain : public TIForm01, public IInfoOutput, public IStatusText, public IWhoWindow
{
    Q_OBJECT
public:
    struct Paths
    {
        QString programFolder; // ends with a separator
        QString settingsPath;
    };

    TFrmKivMain(const Paths &paths, IPrompts &prompts, const IClock &clock, QWidget *parent = nullptr);
    ~TFrmKivMain() override;

    void SetSideWindows(TInfoWindow *info, TInfoGridHin *itemHin, TInfoGrid *item);

    AppState &State() { return m_state; }
    KivLogic &Logic() { return *m_logic; }
    LogFollower &Follower() { return *m_follower; }
    ChatRowsModel *ChatModel() const { return m_chatModel; }
    QMenu *Popup() const { return PopupMenu; }

    // The close steps; they run once, whatever asked for the close.
    void RunCloseSteps();
    // The close comes from a signal or the end of the desktop session: a message box
    // would hold the logout up, so close-time warnings go to the standard error stream.
    void SetSessionEnding() { m_sessionEnding = true; }
    bool Closed() const { return m_closed; }

    CloseSnapshot TakeSnapshot() const;

    // The info window, for the logic (forwarded while the window exists).
    void AppendInfoLine(const QString &line) override;
    void ClearInfo() override;
    bool IsInfoVisible() const override;
    void ShowInfo() override;
    void HideInfo() override;
    QString InfoText() const override;
    void SetInfoColours(unsigned text, unsigned background) override;
    void SetInfoSize(int width, int height) override;
    int InfoWidth() const override;
    int InfoHeight() const override;
    void SetInfoAlpha(int alpha) override;
    int InfoAlpha() const override;
    int ScreenHeight() const override;

    // The status text (stbMainPanels).
    void SetStatusText(const QString &text) override;
    QString StatusText() const override;

    // What the roster command does to the window.
    void ApplyStyleChange() override;
    void ClearRosterRows() override;
    void SetRosterRedraw(bool on) override;
    void RebuildProgress(int done, int total) override;
    void RebuildEnded() override;
    void ReadLogsNow() override;

    // Context menu actions, also reachable from tests.
    void lvChatDblClick();
    void popCopyClick();
    void popCopyRClick();
    void popOpenClick();
    void popOpenItemClick();
    void lvWhoDblClick();
    // Prepares the menu for the view that has the focus; false when no menu opens.
    bool PreparePopup();

    // The command input of the "@" key and the two search entries of the menu.
    void OpenCommandInput();
    void popWhoSearchClick();
    void popItemSearchClick();

    // Arranges the views and places the side windows from the settings file. Only
    // "change" (after a style change) resizes the main window.
    void ApplyLayout(const QString &command);

    // The settings and wanted dialogs of the menu.
    void popCustomClick();
    void popWantedClick();

    // The location bar: its lists from "KivArea.ini", a chosen location sent to the
    // messenger, "C" clearing it, and the choices kept in that file when it exists.
    void FillLocationBar();
    void LocationChanged();
    void BitBtn1Click();
    void SaveLocation();
    int Jrt() const { return m_jrt; }

protected:
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool HandleFormKey(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Dropped files: only local ones are taken, and of those only the first is imported.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void BuildViews();
    void BuildStatusBar();
    void BuildPopupMenu();
    void ApplyViewSettings();
    void SetChatColumnWidths(const std::array<int, 4> &widths);
    // Gives the chat view `extent` pixels along the splitter and the roster view the rest.
    void KeepChatPane(int extent);
    void OnFirstShow();
    void ShowPopup(const QPoint &globalPos);
    QWidget *FocusedView() const;
    int SelectedChatRow() const;
    void SetSideWindowShown(QWidget *window, bool shown);
    void ImportDropped(const QStringList &paths);

    AppState m_state;
    IPrompts &m_prompts;
    const IClock &m_clock;

    TChatView *lvChat = nullptr;
    QSplitter *Splitter = nullptr;
    QTableView *lvWho = nullptr;
    QStatusBar *stbMain = nullptr;
    QWidget *stbLeft = nullptr;
    QLabel *stbMainPanels = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QComboBox *cmbWorld = nullptr;
    QComboBox *cmbUniverse = nullptr;
    QComboBox *cmbLobby = nullptr;
    QLabel *m_followerPanel = nullptr; // how the LOG folder is followed
    QTimer *TimWho = nullptr;
    QMenu *PopupMenu = nullptr;
    QAction *popOpen = nullptr;
    QAction *popOpenItem = nullptr;
    QAction *popWhoSearch = nullptr;
    QAction *popItemSearch = nullptr;
    QAction *popCopy = nullptr;
    QAction *popCopyR = nullptr;
    QAction *popChkInfo = nullptr;
    QAction *popChkItem = nullptr;
    QAction *popChkItemHin = nullptr;
    QAction *popSyutoku = nullptr;
    QAction *popRandam = nullptr;
    QAction *popItemSell = nullptr;
    QAction *popCustom = nullptr;
    QAction *popWanted = nullptr;
    QAction *popQuit = nullptr;

    ChatRowsModel *m_chatModel = nullptr;
    RosterRowsModel *m_whoModel = nullptr;
    // The side windows belong to the application and may go first.
    QPointer<TInfoWindow> m_info;
    QPointer<TInfoGridHin> m_itemHin;
    QPointer<TInfoGrid> m_item;

    QtDesktop m_desktop;
    QtSoundPlayer m_sound;
    // The roster outlives the logic and the follower, which hand it sightings.
    std::unique_ptr<kiv::roster::QtRosterTimer> m_rosterTimer;
    std::unique_ptr<RosterTracker> m_roster;
    std::unique_ptr<CommandSoundPlayer> m_soundCommand;
    std::unique_ptr<SystemMessenger> m_messenger;
    std::unique_ptr<KivLogic> m_logic;
    std::unique_ptr<QtItemWindows> m_itemWindows;
    std::unique_ptr<LogFollower> m_follower;

    // The window's size and the chat view's extent when it last left each style (side by
    // side, stacked).
    struct StyleGeometry
    {
        QSize window;
        int chatExtent = 0;
    };
    std::array<StyleGeometry, 2> m_styleGeometry;
    int m_jrt = 0;
    bool m_shownOnce = false;
    bool m_closed = false;
    bool m_sessionEnding = false;
    bool m_closeAfterRebuild = false; // a close asked for while a rebuild ran
    bool m_rebuildShown = false;
    QString m_statusBeforeRebuild;
};
