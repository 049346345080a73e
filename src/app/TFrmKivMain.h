#pragma once

#include "core/AppState.h"
#include "core/IStatusText.h"
#include "app/Shutdown.h"
#include "app/TIForm01.h"
#include "core/IInfoOutput.h"
#include "platform/QtDesktop.h"
#include "platform/QtSoundPlayer.h"

#include <QPointer>

#include <memory>

class ChatRowsModel;
class KivLogic;
class LogFollower;
class IClock;
class IPrompts;
class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QStandardItemModel;
class QStatusBar;
class QTableView;
class QTimer;
class TInfoGrid;
class TInfoGridHin;
class TInfoWindow;
class TChatView;

// The main window: chat view and roster view, status bar and popup menu. It owns all
// program state (AppState) and runs the start-up steps when it is created and the close
// steps once when it closes, however the close was asked for.
class TFrmKivMain : public TIForm01, public IInfoOutput, public IStatusText
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

    // Context menu actions, also reachable from tests.
    void lvChatDblClick();
    void popCopyClick();
    void popCopyRClick();
    // Prepares the menu for the view that has the focus; false when no menu opens.
    bool PreparePopup();

    // The command input of the "@" key and the two search entries of the menu.
    void OpenCommandInput();
    void popWhoSearchClick();
    void popItemSearchClick();

    // Arranges the views and places the side windows from the settings file. Only
    // "change" (after a style change) resizes the main window.
    void ApplyLayout(const QString &command);
    int Jrt() const { return m_jrt; }

protected:
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool HandleFormKey(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildViews();
    void BuildStatusBar();
    void BuildPopupMenu();
    void ApplyViewSettings();
    void SetChatColumnWidths(const std::array<int, 4> &widths);
    void OnFirstShow();
    void ShowPopup(const QPoint &globalPos);
    QWidget *FocusedView() const;
    int SelectedChatRow() const;
    void SetSideWindowShown(QWidget *window, bool shown);

    AppState m_state;
    IPrompts &m_prompts;
    const IClock &m_clock;

    TChatView *lvChat = nullptr;
    QSplitter *Splitter = nullptr;
    QTableView *lvWho = nullptr;
    QStatusBar *stbMain = nullptr;
    QWidget *stbLeft = nullptr;
    QLabel *stbMainPanels = nullptr;
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
    QStandardItemModel *m_whoModel = nullptr;
    // The side windows belong to the application and may go first.
    QPointer<TInfoWindow> m_info;
    QPointer<TInfoGridHin> m_itemHin;
    QPointer<TInfoGrid> m_item;

    QtDesktop m_desktop;
    QtSoundPlayer m_sound;
    std::unique_ptr<KivLogic> m_logic;
    std::unique_ptr<LogFollower> m_follower;

    int m_jrt = 0;
    bool m_shownOnce = false;
    bool m_closed = false;
};
