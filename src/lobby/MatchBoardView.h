#pragma once

#include "frame/KelderFrameWnd.h"
#include "lobby/LobbyUserListView.h"
#include "lobby/MatchBoardLegendDlg.h"
#include "net/ServicePackets.h"
#include "prefs/MatchBoardQuery.h"

#include <QPointer>

#include <functional>

class QAction;
class QMenu;

// The lobby's match board: the players of the directory that the user's query takes in (by their
// group flags), with the lobby's columns and flyover, the lobby's player commands, the legend and the
// status text "Displaying %d of %d". Its layout, fonts and colours are kept in the section of its
// class ("CBGMatchBoardView" for the backgammon lobby's), its query in "CSessionDoc".
//
// The lobby's own board is the session's match board: it sends the query to the server (packet 108)
// when it starts and whenever the lobby settings change it, and it gives the main window its status
// text and the Action menu's Resume entry. A second board (in a CMatchBoardListFrameWnd) follows the
// same query without sending it again.
class CMatchBoardView : public CLobbyUserListView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMatchBoardView, CLobbyUserListView)
public:
    static constexpr int kListControlId = 114;
    static constexpr int kPacketQuery = ServicePacket::BoardQuery;
    static constexpr int kDefaultMaxQuerySize = 125;
    static constexpr char kQueryChangedMessage[] = "KELDERWICK_BG_QUERY_CHANGED";
    // Group flags the board always takes in.
    static constexpr int kAlwaysShown = 0x4;

    // Commands of the lobby's Action menu and context menu.
    static constexpr int kCmdBoardInvite = 32792;
    static constexpr int kCmdBoardInviteNow = 33098;
    static constexpr int kCmdBoardProposition = 32998;
    static constexpr int kCmdBoardResume = 33078;
    static constexpr int kCmdBoardWatch = 33301;
    static constexpr int kCmdBoardWatch2 = 33302;
    static constexpr int kCmdBoardTalk = 32828;
    static constexpr int kCmdLobbySettings = 32820;
    static constexpr int kCmdStatusPane = 33027;

    explicit CMatchBoardView(QWidget* parent = nullptr);
    ~CMatchBoardView() override;

    // The group flags a query takes in: 0x4 always, and each group whose flag (or "all groups") is set.
    static int AcceptedGroupsOf(const CMatchBoardQuery& query);
    // The server's "nMaxQuerySize" as the query's bound: 125 unless it is a positive integer.
    static int MaxQuerySizeOf(const QString& setting);
    // The session's match board (the lobby's), null when none is open.
    static CMatchBoardView* SessionBoard(const CSessionDoc* session);
    // Where the session's board shows its status text (the main window sets it; empty: nowhere).
    using StatusSink = std::function<void(const QString& text)>;
    static void SetStatusSink(StatusSink sink);

    const CMatchBoardQuery& GetQuery() const { return m_query; }
    int GetAcceptedGroups() const { return m_acceptedGroups; }
    bool Accepts(const CClientUserInfo& user) const { return (user.GetGroupFlags() & m_acceptedGroups) != 0; }
    bool IsSessionBoard() const;
    // "Displaying %d of %d": the rows and the service's total of users.
    QString GetStatusText() const;

    // The query changed: reload it, take in exactly the users it accepts, and (the session's board
    // only) send it to the server.
    void OnQueryChanged();
    bool SendQuery();

    // The Action menu is opening: its Resume entry goes in before "&Talk..." (talkAction), a plain
    // "&Resume..." or the pop-up of resumable matches. Whatever was put in the last time is removed first.
    void UpdateResumeEntry(QMenu* menu, QAction* talkAction);
    bool IsResumePossible() const { return m_resumePossible; }

    // The status text of the Proposition entries (what they do, or why they are off).
    static QString PropositionStatusText(bool enabled);

    // Shows the legend, hides it when shown; made on first use.
    void ToggleLegend();
    CMatchBoardLegendDlg* GetLegend() const { return m_legend.data(); }

    // Watch: with the focus here and a watchable player selected he is watched; otherwise "Player to
    // watch:" is asked (repeated while the answer holds no letter or digit).
    void Watch();

    void LoadLayout() override;
    void SaveLayout() override;
    void OnInitialUpdate() override;
    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override;
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;
    QMenu* CreateContextMenu(int menuId) override;

protected:
    void FillColumnsPage(CUserListColumnsPage& page, const std::array<int, kColumns>& shown) override;
    void ReadColumnsPage(const CUserListColumnsPage& page, std::array<int, kColumns>& shown) override;
    void OnListDoubleClick() override;

private:
    bool focusHere() const;
    bool hasUnfinishedWithSelected() const;
    void statusChanged();

    CMatchBoardQuery m_query;
    bool m_queryLoaded = false;
    int m_acceptedGroups = kAlwaysShown;
    bool m_resumePossible = true;
    bool m_statusPending = false;
    QPointer<CMatchBoardLegendDlg> m_legend;
    QPointer<QAction> m_resumeEntry;
};

// The backgammon lobby's match board (pane "UserList").
class CBGMatchBoardView : public CMatchBoardView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBGMatchBoardView, CMatchBoardView)
public:
    using CMatchBoardView::CMatchBoardView;
};

// A second match board in a floating window of its own. It follows the query and the directory like
// the lobby's but is not the session's board.
class CMatchBoardListFrameWnd : public CKelderFrameWnd {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMatchBoardListFrameWnd, CKelderFrameWnd)
public:
    explicit CMatchBoardListFrameWnd(CSessionDoc* session, QWidget* owner = nullptr);
    CMatchBoardView* GetBoard() const { return m_board; }

private:
    CMatchBoardView* m_board = nullptr;
};
