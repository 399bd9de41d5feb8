#pragma once

#include "lobby/UserListView.h"

// A list of every user of the session's directory, with the lobby's fifteen
// columns (club behind country, sorted by rating, highest first), the player flyover, and the selection
// kept visible while the focus is elsewhere. The lobby shows the match board (CMatchBoardView), which
// narrows this list to the players of the user's query. A double click invites a player who is free to play,
// watches one who is watching or playing, and otherwise shows his information.
class CLobbyUserListView : public CUserListView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CLobbyUserListView, CUserListView)
public:
    // The pane tag of the lobby's window set.
    static constexpr char kPaneTag[] = "UserList";

    explicit CLobbyUserListView(QWidget* parent = nullptr, int listControlId = kDefaultListControlId);

    void OnInitialUpdate() override;
    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override;

    // Settings... opens the "Lobby Settings" sheet, Properties... the "General Properties" sheet on
    // the lobby's font kind.
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;

    bool HasFlyover() const override { return true; }
    QString GetFlyoverHtml(const CClientUserInfo& user) const override;

    // The column titles and default layout of the lobby's list.
    static QStringList LobbyColumnTitles();
    static CUserListLayout LobbyDefaultLayout();

protected:
    QStringList GetColumnTitles() const override { return LobbyColumnTitles(); }
    void GetDefaultLayout(CUserListLayout& layout) const override { layout = LobbyDefaultLayout(); }
    void FillColumnsPage(CUserListColumnsPage& page, const std::array<int, kColumns>& shown) override;
    void ReadColumnsPage(const CUserListColumnsPage& page, std::array<int, kColumns>& shown) override;
    bool ShowsSelectionWithoutFocus() const override { return true; }
    void OnListDoubleClick() override;
};
