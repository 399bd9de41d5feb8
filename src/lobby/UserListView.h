#pragma once

#include "frame/GameView.h"
#include "lobby/PlayerFlyover.h"
#include "lobby/UserListColumns.h"
#include "lobby/UserListCtrl.h"
#include "lobby/UserListLayout.h"
#include "lobby/UserListPainting.h"
#include "platform/Commands.h"
#include "platform/Messages.h"
#include "prefs/MBListSettings.h"
#include "support/PersistentFont.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class CClientUserInfo;
class CUserListColumnsPage;
class CUserListModel;
class QPushButton;
class QToolBar;

// The invitation manager as the player lists call it. The session's invitation service offers it
// when it can invite; until then the invitation commands stay disabled.
class CPlayerInviter {
public:
    virtual ~CPlayerInviter() = default;
    // names: blank-separated; kind: the game kind (1 a proposition); prompt: ask for the names first.
    virtual void InvitePlayer(const QString& names, int gameKind, int extra, bool prompt) = 0;
    // Whether an unfinished match in that room (".gb.<user>.<player>") is known.
    virtual bool HasUnfinishedMatch(const QString& serviceName) const = 0;
    virtual void ResumeWithPlayers(const QString& names) = 0;
    // Whether invitations of that game kind can be made (a kind without its dialog cannot).
    virtual bool CanInviteTo(int gameKind) const = 0;
};

// The base of every list of players (the lobby's list, the players of a game, friends, blinded and
// gagged players): a pane with a list control of one row per user record and up to fifteen columns.
//
// Per kind of list (the settings section is the class name) it keeps which columns are shown, in
// which order, how wide, aligned and sorted, the five list colours and the watermark switch. It paints
// every row itself (icons, group colours, a selection look that follows the focus), keeps the rows
// in sorted place as users come, change and go, shows a flyover for the row the mouse rests on, and
// carries the player commands (talk, information, invite, proposition, resume, watch, friend,
// gagged, blinded) for the selected rows.
//
// A subclass gives the titles, the default layout and the columns-page exchange, and decides which
// of the session's users it lists (its OnUpdate calls AddUser, UpdateUser and RemoveUser).
class CUserListView : public CGameView, public platform::MessageTarget, protected CUserListCtrlOwner {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CUserListView, CGameView)
public:
    static constexpr int kColumns = UserListColumn::kCount;
    static constexpr int kDefaultListControlId = 4096;

    // Commands.
    static constexpr int kCmdTalkButton = 32797;
    static constexpr int kCmdTalk = 32779;
    static constexpr int kCmdInfoButton = 33064;
    static constexpr int kCmdInfo = 32786;
    static constexpr int kCmdInvite = 33097;
    static constexpr int kCmdInviteNow = 32778;
    static constexpr int kCmdProposition = 33099;
    static constexpr int kCmdResume = 33089;
    static constexpr int kCmdWatch = 33300;
    static constexpr int kCmdWatchOne = 32780;
    static constexpr int kCmdFriend = 33074;
    static constexpr int kCmdFriendTool = 32781;
    static constexpr int kCmdGagged = 33075;
    static constexpr int kCmdGaggedTool = 32782;
    static constexpr int kCmdBlinded = 33076;
    static constexpr int kCmdBlindedTool = 32783;
    // Entries of the context menu that the lobby's list answers.
    static constexpr int kCmdLegend = 33009;
    static constexpr int kCmdSettings = 32929;
    static constexpr int kCmdProperties = 32831;

    // Messages the lists take.
    static constexpr char kRestoreDefaultColumnsMessage[] = "KELDERWICK_RESTORE_DEFAULT_COLUMN_SETTINGS";
    static constexpr char kColumnsReorderedMessage[] = "KELDERWICK_COLUMNS_REORDERD";
    static constexpr char kFontChangedMessage[] = "KELDERWICK_FONT_PROPERTIES_CHANGED";
    static constexpr char kFlyoverChangedMessage[] = "KELDERWICK_FLYOVER_PROPERTIES_CHANGED";
    static constexpr char kViewChangedMessage[] = "KELDERWICK_VIEW_PROPERTIES_CHANGED";
    static constexpr char kViewInitMessage[] = "KELDERWICK_VIEW_PROPERTIES_INIT";
    static constexpr char kUpdateIconMessage[] = "KELDERWICK_UPDATE_ICON";

    // A button of the list's tool bar: its picture in the tool bar strip and its command.
    struct ToolBarButton {
        int image;
        int command;
        bool checkable = false;
    };

    explicit CUserListView(QWidget* parent = nullptr, int listControlId = kDefaultListControlId);
    ~CUserListView() override;

    // ---- Rows (the subclasses' update handlers call these with directory records)
    // Refreshes the user's row, or inserts one at his sorted place.
    void AddUser(CClientUserInfo* user);
    // Inserts a row when the user has none; else repaints it and, when the change mask holds a field
    // of the sort column's key, moves it to its sorted place.
    void UpdateUser(CClientUserInfo* user);
    void RemoveUser(CClientUserInfo* user);
    void RemoveAllUsers();
    // Follows one change of the directory (a user's arrival, departure or change, or the clearing of
    // every user) in a list that shows the users accepts takes (a changed user it no longer takes
    // loses his row) -> whether the hint was one of those.
    bool FollowDirectory(int hint, CClientUserInfo* user, const std::function<bool(const CClientUserInfo&)>& accepts);
    int GetRowCount() const;
    CClientUserInfo* GetUserAt(int row) const;
    int FindRow(const CClientUserInfo* user) const;

    // ---- Layout
    const CUserListLayout& GetLayout() const { return m_layout; }
    const QStringList& GetTitles() const { return m_titles; }
    // Shows the columns whose flag is set; when anything differs the layout is saved and the other
    // lists of this kind are told (hint 4105).
    void SetVisibleColumns(const std::array<int, kColumns>& shown);
    // The sort column toggles its direction; another column becomes the sort column in its own.
    void SetSortColumn(int column);
    // Sorts the rows by the layout (after a change of sort column or direction).
    void SortRows();
    virtual void LoadLayout();
    virtual void SaveLayout();
    // Back to the subclass's defaults: saved, the other lists told, the list rebuilt and, when a
    // columns page asked, the page filled again.
    void RestoreDefaultColumnSettings(platform::Object* page);
    // After a header drag: the new order of the shown columns goes into the display order.
    void OnColumnsReordered();
    // Reads a columns page's flags and shows the columns.
    void ApplyColumnsPage(CUserListColumnsPage& page);
    // Builds the list again from the settings and the session's users.
    virtual void RecreateList();
    // Font, colours and flyover settings from the settings.
    void ApplyFontAndColours();

    const CUserListColours& GetColours() const { return m_colours; }
    bool IsWatermarkShown() const { return m_showWatermark; }
    platform::COLORREF GetWatermarkColour() const;
    const CMBColorSettings& GetGroupColours() const { return m_groupColours; }
    const CMBFlyoverSettings& GetFlyoverSettings() const { return m_flyoverSettings; }
    QFont GetListFont() const { return m_listFont.GetFont(); }

    // The subclass's default layout, each shown column wide enough for its title.
    CUserListLayout DefaultLayout() const;

    // ---- Order
    // Three-way comparison by the sort column, negated when the column sorts descending.
    virtual int CompareUsers(const CClientUserInfo& a, const CClientUserInfo& b) const;
    // The key this base order (CompareUsers as it stands here) sorts by, when the column has one: a
    // list that keeps the base order may hand it to the model.
    std::optional<UserSortKey> ColumnSortKey(const CClientUserInfo& user) const;

    // ---- Selection and commands
    std::vector<CClientUserInfo*> GetSelectedUsers() const;
    CClientUserInfo* GetFirstSelectedUser() const;
    // The selected nicknames joined by blanks.
    QString GetSelectedNames() const;
    void SelectUser(const CClientUserInfo* user, bool add = false);

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;
    // A selected row that is not the user himself.
    virtual bool HasOtherSelected() const;
    // Whether the session is connected: the commands that reach other players are off without it.
    bool IsConnected() const;
    bool CanTalk() const;
    bool CanInviteSelected() const;
    bool CanWatch() const;
    // Whether the first selected user is in a room named after the user (his own game).
    bool IsOwnGame() const;
    // The tool tip of a tool bar command: the first line of its text, or the second for a checked
    // Friend, Gagged or Blinded button, with "%s" replaced by the selected names or "a player".
    virtual QString GetToolTipText(int command) const;
    // Brings the tool bar and the two buttons up to date with the selection and the relation lists.
    void UpdateCommandUi();

    // ---- Flyover
    virtual bool HasFlyover() const { return false; }
    virtual QString GetFlyoverHtml(const CClientUserInfo& user) const;
    // Shows the flyover of the row at point (list viewport coordinates).
    void ShowFlyover(const QPoint& point) override;
    void HideFlyover() override;
    bool IsFlyoverEnabled() const override { return m_flyoverEnabled; }
    CFlyoverWindow* GetFlyoverWindow() const { return m_flyover.get(); }
    // Where flyover windows come from (the match board's pop-up unless a test sets another).
    static void SetFlyoverWindowFactory(FlyoverWindowFactory factory);

    // ---- Pane
    CUserListCtrl* GetListCtrl() const { return m_list; }
    CUserListModel* GetModel() const { return m_model; }
    QToolBar* GetToolBar() const { return m_toolBar; }
    QPushButton* GetTalkButton() const { return m_talkButton; }
    QPushButton* GetInfoButton() const { return m_infoButton; }
    int GetListControlId() const { return m_listControlId; }

    int OnCreate() override;
    void OnInitialUpdate() override;
    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override;
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;
    QWidget* GetControl() override;
    bool WantsKey(int virtualKey) const override;
    int GetContextMenuId() const override;
    QMenu* CreateContextMenu(int menuId) override;

    // Room for the shown columns and about fifteen rows; at least the header and two rows, of any
    // width down to a narrow strip (the columns scroll).
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Paints a row of the list (the background is painted already). Public for tests.
    void DrawListItem(QPainter& painter, const CUserListItemPaint& item) override;

protected:
    // The session's invitation manager, null without one.
    CPlayerInviter* inviter() const;
    // Invites the selected players to a game of the kind; with prompt the invitation manager asks for
    // the names first.
    void invite(int kind, int extra, bool prompt = false);
    // ---- What a subclass gives
    // The fifteen column titles.
    virtual QStringList GetColumnTitles() const = 0;
    virtual void GetDefaultLayout(CUserListLayout& layout) const = 0;
    // The page's flags from the shown columns, and the shown columns from the page's flags.
    virtual void FillColumnsPage(CUserListColumnsPage& page, const std::array<int, kColumns>& shown) = 0;
    virtual void ReadColumnsPage(const CUserListColumnsPage& page, std::array<int, kColumns>& shown) = 0;
    virtual int GetToolBarButtonCount() const { return 0; }
    virtual std::vector<ToolBarButton> GetToolBarButtons() const { return {}; }
    // Fills the rows from the session's users (after a rebuild); the base offers every user of the
    // directory to OnUpdate as a change.
    virtual void RefillRows();
    // Whether the selection stays visible while the list has no focus (the lobby's list).
    virtual bool ShowsSelectionWithoutFocus() const;

    // Paints one cell; the base paints the fifteen columns.
    virtual void DrawCell(QPainter& painter, const QRect& cell, const CClientUserInfo& user, int column,
                          bool selectedLook);
    // The text of a cell (also what the column is measured by).
    virtual QString CellText(const CClientUserInfo& user, int column) const;
    // The width a cell needs.
    virtual int MeasureCell(const CClientUserInfo& user, int column, const QFontMetrics& metrics) const;
    // The icon of a user's icon number and version (the icon manager's).
    virtual QPixmap UserIcon(int number, int version) const;

    // Places the tool bar and the list (subclasses may place the two buttons too).
    virtual void LayoutControls();
    void resizeEvent(QResizeEvent* event) override;

    // CUserListCtrlOwner
    platform::COLORREF GetListBackgroundColour() const override { return m_colours.background; }
    bool ShowsWatermark() const override { return m_showWatermark; }
    platform::COLORREF GetWatermarkTint() const override { return GetWatermarkColour(); }
    int GetWatermarkBitmapId() const override;
    int GetListRowHeight() const override { return m_rowHeight; }
    int MeasureListColumn(int modelColumn) const override;
    void OnListSelectionChanged() override;
    void OnListColumnClick(int modelColumn) override;
    void OnListColumnsDragged() override;
    void MarkColumnsChanged() override { m_columnsChanged = true; }
    void OnListDoubleClick() override;
    int GetFlyoverDelay() const override { return m_flyoverSettings.delay; }

private:
    QSize sizeForRows(int rows) const;
    void insertColumns();
    void removeColumns();
    void readBackWidths();
    void applyModelOrder();
    void loadColours();
    void postRecreate();
    void buildToolBar();
    void toggleRelation(int command);
    bool isSelf(const QString& nickname) const;
    QString relationCheckedOf(int command, bool* known) const;

    int m_listControlId;
    CUserListCtrl* m_list = nullptr;
    CUserListModel* m_model = nullptr;
    QToolBar* m_toolBar = nullptr;
    QPushButton* m_talkButton = nullptr;
    QPushButton* m_infoButton = nullptr;
    std::map<int, QAction*> m_toolActions;
    platform::CommandRouter m_router;

    CUserListLayout m_layout;
    QStringList m_titles;
    CUserListColours m_colours;
    bool m_showWatermark = true;
    int m_watermarkSlot = -1;
    CPersistentFont m_listFont;
    CPersistentFont m_buttonFont;
    int m_rowHeight = UserListPaint::kMinRowHeight;
    CMBColorSettings m_groupColours;
    CMBFlyoverSettings m_flyoverSettings;
    bool m_flyoverEnabled = false;
    std::unique_ptr<CFlyoverWindow> m_flyover;
    const CClientUserInfo* m_flyoverUser = nullptr; // whose flyover is shown (compared, never read)
    bool m_columnsChanged = false;
    bool m_recreatePending = false;
    bool m_layoutLoaded = false;
};
