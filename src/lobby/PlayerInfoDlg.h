#pragma once

#include "net/ServicePackets.h"
#include "platform/Commands.h"
#include "platform/Dialog.h"
#include "session/ServiceName.h"
#include "web/BrowserHost.h"

#include <QMap>
#include <QPointer>

class CSessionDoc;
class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QTabBar;
class QToolBar;

// The location of a player in a game room, as the player-information pages take it: "Playing
// Backgammon with Bob" when the user is one of the room's players, else "Watching Backgammon: Ann vs
// Bob" (the players in the room's order).
QString FormatGameLocation(const CServiceName& service, const QString& gameName, const QString& user);

// The player information window: pages of the service's web site about one player, chosen with a
// tab, for the nickname in the box at the top ("Go" shows the typed name, "Me" the user himself), and
// a tool bar with the commands about that player (friend, gag and blind toggles, invite, watch,
// talk). The user's own pages add two tabs (his money account and his profile form).
//
// Each page loads in two steps: first the local working page (or, with nobody shown, the local help
// page), then the page's address. The profile page waits for the player's location, which the
// player-information sub-document asks the server for. The close box only hides the window.
class CPlayerInfoDlg : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CPlayerInfoDlg, platform::Dialog)
public:
    static constexpr int kTemplateId = 445;
    static constexpr int kIdNicknameLabel = 1566;
    static constexpr int kIdNickname = 1512;
    static constexpr int kIdMe = 1564;
    static constexpr int kIdGo = 1560;
    static constexpr int kIdTabs = 1559;
    static constexpr int kIdBrowser = 610;
    static constexpr int kIdToolBar = 59392;

    static constexpr int kCmdInvite = 33091;
    static constexpr int kCmdTalk = 33092;
    static constexpr int kCmdWatch = 33093;
    static constexpr int kCmdFriend = 33094;
    static constexpr int kCmdGag = 33095;
    static constexpr int kCmdBlind = 33096;

    static constexpr int kPagePersonal = 0;
    static constexpr int kPageAccount = 7;
    static constexpr int kPageEditPersonal = 8;

    static constexpr char kLocateCookie[] = "PlayerInfoSubDoc";
    static constexpr int kPacketLocate = ServicePacket::WatchRequest;
    // The location of a player the service could not place (or could not be asked about).
    static constexpr char kUnknownLocation[] = "Unknown";

    CPlayerInfoDlg(CSessionDoc* session, QWidget* parent);
    ~CPlayerInfoDlg() override;

    bool OnInitDialog() override;
    // Escape hides the window as the close box does.
    void OnCancel() override;
    // Writes the window's rectangle ("rSize" of the class's section); done when it hides and before
    // the window is destroyed.
    void SaveWindowRect();

    // Shows the player (reduced to his nickname's letters and digits) on the page (-1 or an invalid
    // page keeps the current one) and asks where he is.
    void ShowPlayer(const QString& name, int page);
    // Loads the page of the selected tab for the shown player.
    void RefreshPage();
    // The location of a player has arrived (ignored unless it is the shown player's).
    void OnLocation(const QString& name, const QString& locationText, const CServiceName& service);
    // Reads the friend, gag and blind states of the shown player, once all three lists have arrived.
    void ReadRelations();
    // Enables and checks the tool bar's buttons for the state of now.
    void UpdateCommandStates();
    // Adds the two tabs of the user's own pages.
    void EnsureSelfTabs();

    // ---- State, for the sub-document and tests
    const QString& GetShownPlayer() const { return m_shownPlayer; }
    int GetCurrentPage() const { return m_currentPage; }
    const QString& GetTargetAddress() const { return m_targetAddress; }
    const QString& GetLocationText() const { return m_locationText; }
    bool IsLocationKnown() const { return m_locationKnown; }
    bool AreSelfTabsShown() const { return m_selfTabsShown; }
    bool IsFriend() const { return m_friend != 0; }
    bool IsGagged() const { return m_gag != 0; }
    bool IsBlinded() const { return m_blind != 0; }
    QTabBar* Tabs() const { return m_tabs; }
    QComboBox* NicknameBox() const { return m_nickname; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QAction* CommandAction(int command) const { return m_actions.value(command); }
    CBrowserHost& Host() { return m_host; }
    // The local pages shown while a page loads and while nobody is shown.
    QString WorkingPageAddress() const;
    QString HelpPageAddress() const;
    // The response word the pages get for the shown player.
    QString ResponseWord() const;
    // "Go": the typed name on the current page; "Me": the user on the current page.
    void OnGo();
    void OnMe();
    // Runs a tool bar command as its button would.
    bool RunCommand(int command);

    // ---- The pages, as the concrete class fixes them
    virtual bool IsValidPage(int page) const = 0;
    virtual int PageToTab(int page) const = 0;
    virtual int TabToPage(int tab) const = 0;
    virtual void AddCommonTabs() = 0;
    virtual void AddSelfTabs() = 0;
    virtual void RemoveSelfTabs() = 0;
    // The window title of a page, and its address for the shown player (empty for an unknown page).
    virtual QString PageTitle(int page) const = 0;
    virtual QString PageAddress(int page) const = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // Values the concrete class builds its addresses from.
    QString EncodedOwnNickname() const;
    const QString& PlayerPagesBase() const { return m_playerPagesBase; }
    const QString& AccountBase() const { return m_accountBase; }
    const QString& LeaguesBase() const { return m_leaguesBase; }
    const QString& LocationText() const { return m_locationText; }

private:
    // Whether the command can run now, and the check state of a toggle.
    void commandState(int command, platform::CommandState& state) const;
    void buildToolBar();
    void selectTab(int tab);
    void onNavigateComplete();
    // The connection ended: a location still awaited will not come, and the commands go off.
    void onConnectionClosed();
    bool isConnected() const;
    bool isSelfIgnoringCase() const;
    bool isSelfExactly() const;
    QString toolTipFor(int command, bool checked) const;

    QPointer<CSessionDoc> m_session;
    QString m_ownNickname;
    QString m_shownPlayer;
    int m_blind = 0;
    int m_gag = 0;
    int m_friend = 0;
    bool m_selfTabsShown = false;
    bool m_locationKnown = false;
    int m_currentPage = 0;
    QString m_targetAddress;
    QString m_locationText;
    CServiceName m_locationService;
    void readBaseAddresses();
    QString m_playerPagesBase;
    QString m_accountBase;
    QString m_leaguesBase;
    bool m_workingPagePending = false;

    QLabel* m_nicknameLabel = nullptr;
    QComboBox* m_nickname = nullptr;
    QPushButton* m_me = nullptr;
    QPushButton* m_go = nullptr;
    QTabBar* m_tabs = nullptr;
    QWidget* m_page = nullptr; // the tab control's page area
    QToolBar* m_toolBar = nullptr;
    QMap<int, QAction*> m_actions;
    CBrowserHost m_host;
};

// The module's player information window with its nine pages: Personal, Picture, Finished,
// Unfinished, Unlimited, Statistics, Leagues, and for the user himself Tallybanks and Edit Personal.
class CPlayerInfoDlgOriginal : public CPlayerInfoDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CPlayerInfoDlgOriginal, CPlayerInfoDlg)
public:
    static constexpr int kPageCount = 9;
    static constexpr int kCommonPageCount = 7;

    CPlayerInfoDlgOriginal(CSessionDoc* session, QWidget* parent);

    bool IsValidPage(int page) const override { return page >= 0 && page < kPageCount; }
    int PageToTab(int page) const override { return page; }
    int TabToPage(int tab) const override { return tab >= 0 && tab < kPageCount ? tab : 0; }
    void AddCommonTabs() override;
    void AddSelfTabs() override;
    void RemoveSelfTabs() override;
    QString PageTitle(int page) const override;
    QString PageAddress(int page) const override;

    // Makes the game factory create this class for player information (unless something else is set).
    static void RegisterWithFactory();
};
