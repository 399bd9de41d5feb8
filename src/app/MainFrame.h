#pragma once

#include "platform/Commands.h"
#include "platform/Messages.h"
#include "platform/Object.h"
#include "session/DeferredMessageBox.h"
#include "support/MainWindow.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class CBgMatchLogView;
class CGameDoc;
class CMatchBoardView;
class CMultiPaneFrame;
class CRelationWindowOwner;
class CSessionDoc;
class QLabel;
class QMenu;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QUrl;
class CSessionView;

// The main window: the service windows in its work area, the menus, the status bar, and the
// receiver of the deferred work of the program (message boxes and calls that must not run inside
// packet handling).
class CMainFrame : public QMainWindow,
                   public platform::Object,
                   public platform::CommandTarget,
                   public platform::MessageTarget,
                   public CMainWindowServices {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMainFrame, platform::Object)
public:
    // Private messages, for those who send them by number.
    static constexpr platform::MessageId kMsgPalette = 0x2103;
    static constexpr platform::MessageId kMsgDeferredBox = 0x2104;
    static constexpr platform::MessageId kMsgDeferredCall = 0x2107;
    static constexpr platform::MessageId kMsgInvitationCall = 0x2108;

    // Commands of the main window's menus.
    static constexpr int kCmdFileOpen = 57601;
    static constexpr int kCmdFileSave = 57603;
    static constexpr int kCmdFileSaveAs = 57604;
    static constexpr int kCmdLogin = 33501;
    static constexpr int kCmdLogout = 33502;
    static constexpr int kCmdTipOfTheDay = 33503;
    static constexpr int kCmdCustomColors = 33504;
    static constexpr int kCmdChangePassword = 33505;
    static constexpr int kCmdChangeEmail = 33506;
    static constexpr int kCmdBackgammonSettings = 33507;
    static constexpr int kCmdCascade = 57650;
    static constexpr int kCmdTile = 57651;
    static constexpr int kCmdAbout = 57664;
    static constexpr int kCmdExit = 57665;
    static constexpr int kCmdStatusBar = 59393;
    static constexpr int kCmdProperties = 32793; // the General Properties sheet on the chat view's kind
    static constexpr int kCmdEditMacros = 152;   // the same sheet at its macros page
    static constexpr int kCmdNews = 32992;       // routed to the session's news sub-document
    static constexpr int kCmdUnfinishedMatches = 32888; // routed to the session's invitation manager
    static constexpr int kCmdHelp = 57667;
    static constexpr int kCmdRankings = 32890;         // the rankings window, after its filter
    static constexpr int kCmdPlayerInfo = 33064;       // routed to the player-information sub-document
    static constexpr int kCmdPersonalInfo = 33084;     // the same, the user's profile form
    static constexpr int kCmdTallybankAccount = 33087; // the same, the user's money account
    static constexpr int kCmdFriends = 32932;        // opens or brings up the friends' window
    static constexpr int kCmdBlindedPlayers = 32933; // toggle the blinded players' window
    static constexpr int kCmdGaggedPlayers = 32894;  // toggle the gagged players' window
    static constexpr int kCmdMail = 32981;           // the mailbox, routed to the session's mail service

    // Images of the mail button: messages wait on the server, or none do.
    static constexpr int kMailImageWaiting = 9;
    static constexpr int kMailImageNone = 10;

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // ---- Deferred work (all on the GUI thread, after the current event has been handled)
    // Message 0x2104: shows the box later through CClientApp::DoMessageBox -> true (posted).
    bool PostDeferredMessageBox(const CDeferredMessageBox& box);
    // Shows the box now; the button pressed is dropped -> 0.
    int OnDeferredMessageBox(const CDeferredMessageBox& box);
    // Messages 0x2107 and 0x2108: calls function later, unless object has been destroyed by then
    // (a null object guards nothing). The function and what it holds are freed either way.
    void PostDeferredCall(QObject* object, std::function<void()> function);
    void PostInvitationCall(QObject* object, std::function<void()> function) override;
    // How many deferred calls and boxes are still waiting.
    int PendingDeferredWork() const { return m_pending; }

    // Opens an address in the user's browser. Only http, https and mailto addresses leave the program.
    // -> false when the address is refused or no browser could be started.
    bool OpenInExternalBrowser(const QString& address) override;
    // The seam tests use: what actually opens an accepted address (by default the browser launcher;
    // an empty opener restores that).
    using BrowserOpener = std::function<bool(const QUrl& url)>;
    static void SetBrowserOpener(BrowserOpener opener);

    // The help window (one at a time; brought to the front when it is open).
    QWidget* GetHelpWindow() const { return m_help.data(); }

    // ---- Service windows
    QMdiArea* GetWorkArea() const { return m_workArea; }
    // Shows the frame in the work area (maximised when it is the only one).
    // Adds a service window of a kind ("Lobby", "Game", "Review"): it opens maximised or not as the
    // last window of its kind was left ("Maximized <kind>" of section "CMultiPaneFrame"; maximised
    // at first).
    QMdiSubWindow* AddServiceFrame(CMultiPaneFrame* frame, const QString& kind = QStringLiteral("Lobby"));
    // The active service frame, else the first one; null when none.
    CMultiPaneFrame* GetActiveServiceFrame() const;
    // The match log of the active game window, or null.
    CBgMatchLogView* activeMatchLog() const;
    std::vector<CMultiPaneFrame*> GetServiceFrames() const;
    void CloseServiceFrames();

    // ---- The mail button
    // Follows the session's count of waiting messages (hint 4122) from now on; null stops following.
    void WatchMailCount(CSessionDoc* session);
    // Shows image 9 while messages wait on the server, else image 10, and brings the command up to date.
    void UpdateMailButton();
    QAction* GetMailAction() const { return m_mailAction; }
    QMenu* GetActionMenu() const { return m_actionMenu; }
    QString GetBoardStatusText() const;
    int GetMailImage() const { return m_mailImage; }

    void SetConnectionStatus(const QString& text);
    QString GetConnectionStatus() const;
    platform::CommandRouter& Commands() { return m_commands; }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;

    // The match of the active window (a room's or a file's), null when it shows none.
    CGameDoc* GetActiveGameDoc() const;

signals:
    void fileOpenRequested();
    void loginRequested();
    void logoutRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The Window menu's list of the open windows, made anew each time it opens.
    void fillWindowList(QMenu* menu);
    void buildMenus();
    // The Action menu: the lobby's player commands, carried out by the session's match board.
    void buildActionMenu();
    // Dialogs over the window stay over it when it gets a new native window.
    void keepDialogsInFront();
    void prepareActionMenu();
    CMatchBoardView* sessionBoard() const;
    static bool isBoardCommand(int id);
    // The current session while it is connected, else null.
    CSessionDoc* connectedSession() const;
    // Whether the session may end now (windows of unsent messages ask the user).
    bool mayEndSession() const;
    // The owner of the blinded or the gagged players' window of the current session, null when none.
    CRelationWindowOwner* relationWindowOwner(int command) const;
    void changePassword();
    void showHelp();
    void runDeferred(QObject* object, std::function<void()> function);

    QMdiArea* m_workArea;
    QLabel* m_status;
    platform::CommandRouter m_commands;
    int m_pending = 0;
    QPointer<QWidget> m_help; // the help window while it is open
    QToolBar* m_toolBar = nullptr;
    QAction* m_mailAction = nullptr;
    QMenu* m_actionMenu = nullptr;
    QAction* m_talkAction = nullptr;
    QAction* m_propositionAction = nullptr;
    QAction* m_spareResume = nullptr; // the Resume entry while no board is open
    QLabel* m_boardStatus = nullptr;  // the board's "Displaying %d of %d"
    int m_mailImage = 0;
    std::unique_ptr<CSessionView> m_mailCountView;
};

// The main window, null when there is none.
CMainFrame* GetMainFrame();
