#include "lobby/LobbyUserListView.h"

#include "prefs/BGMatchBoardProperties.h"
#include "game/ClientGameFactory.h"
#include "lobby/BGMatchBoardPropertyPage.h"
#include "lobby/UserListColumnsPage.h"
#include "prefs/FontWindowKinds.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "session/LobbyUserMap.h"
#include "web/WebAddress.h"

CLobbyUserListView::CLobbyUserListView(QWidget* parent, int listControlId)
    : CUserListView(parent, listControlId) {}

QStringList CLobbyUserListView::LobbyColumnTitles() {
    return {QStringLiteral("Nickname"),
            QStringLiteral("Status"),
            QStringLiteral("Gender"),
            QStringLiteral("Country"),
            QStringLiteral("Rating"),
            QStringLiteral("Exp."),
            QStringLiteral("$"),
            QStringLiteral("Unfinished"),
            QStringLiteral("Play Preferences"),
            QStringLiteral("Full Name"),
            QStringLiteral("Email Address"),
            QStringLiteral("Score"),
            QStringLiteral("Location"),
            QString(),
            QStringLiteral("Club")};
}

CUserListLayout CLobbyUserListView::LobbyDefaultLayout() {
    CUserListLayout layout;
    layout.width = {100, 15, 47, 52, 55, 57, 20, 40, 160, 120, 130, 50, 140, 0, 100};
    layout.shown = {1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 1};
    layout.alignment = {0, 0, 0, 0, 0, 2, 2, 2, 0, 0, 0, 2, 0, 0, 0};
    layout.ascending = {1, 1, 1, 1, 0, 0, 1, 0, 1, 1, 1, 0, 1, 1, 1};
    layout.order = {0, 1, 2, 3, 14, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    layout.sortColumn = UserListColumn::Rating;
    return layout;
}

void CLobbyUserListView::OnInitialUpdate() {
    CUserListView::OnInitialUpdate();
    RefillRows();
    SortRows();
}

void CLobbyUserListView::OnUpdate(platform::View* sender, int hint, platform::Object* object) {
    CUserListView::OnUpdate(sender, hint, object);
    if (GetSessionDoc())
        FollowDirectory(hint, platform::object_cast<CClientUserInfo>(object), [](const CClientUserInfo&) { return true; });
}

QString CLobbyUserListView::GetFlyoverHtml(const CClientUserInfo& user) const {
    return PlayerFlyover::FormatHtml(user, SessionWebHost(GetSessionDoc()));
}

void CLobbyUserListView::FillColumnsPage(CUserListColumnsPage& page, const std::array<int, kColumns>& shown) {
    for (int column = 0; column < kColumns; ++column)
        page.SetColumnChecked(column, shown[column] != 0);
}

void CLobbyUserListView::ReadColumnsPage(const CUserListColumnsPage& page, std::array<int, kColumns>& shown) {
    for (int column = 0; column < kColumns; ++column)
        shown[column] = page.IsColumnChecked(column) ? 1 : 0;
    shown[UserListColumn::Nickname] = 1;
    shown[UserListColumn::Spare] = 0;
}

void CLobbyUserListView::OnListDoubleClick() {
    platform::CommandState invite;
    platform::CommandState resume;
    OnUpdateCommand(kCmdInvite, invite);
    OnUpdateCommand(kCmdResume, resume);
    if (invite.enabled) {
        OnCommand(resume.enabled ? kCmdResume : kCmdInvite);
    } else if (CanWatch()) {
        OnCommand(kCmdWatch);
    } else if (!GetSelectedUsers().empty()) {
        OnCommand(kCmdInfo);
    }
}

bool CLobbyUserListView::OnUpdateCommand(int id, platform::CommandState& state) {
    if (id == kCmdSettings || id == kCmdProperties) {
        state.enabled = true;
        return true;
    }
    return CUserListView::OnUpdateCommand(id, state);
}

bool CLobbyUserListView::OnCommand(int id) {
    if (id == kCmdSettings) {
        CBGMatchBoardProperties sheet(window(), std::make_unique<CBGMatchBoardPropertyPage>());
        sheet.DoModal();
        return true;
    }
    if (id == kCmdProperties) {
        ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kFontPage, kFontKindMatchBoard);
        return true;
    }
    return CUserListView::OnCommand(id);
}
