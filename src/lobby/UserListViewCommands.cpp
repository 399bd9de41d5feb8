#include "lobby/UserListView.h"

#include "game/ClientGameFactory.h"
#include "lobby/RelationsSubDoc.h"
#include "lobby/UserListArt.h"
#include "lobby/UserListColumnsPage.h"
#include "lobby/UserListModel.h"
#include "platform/Color.h"
#include "platform/PostCall.h"
#include "prefs/IconManager.h"
#include "session/GameModule.h"
#include "session/LobbyUserMap.h"
#include "session/ServiceName.h"
#include "support/SettingsStore.h"
#include "support/TextWindowStyle.h"
#include "support/SharedPalette.h"
#include "support/Utilities.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kMaxToolTipLength = 80;

bool ActivityIsOneOf(const CClientUserInfo& user, std::initializer_list<int> activities) {
    return std::find(activities.begin(), activities.end(), user.GetActivity()) != activities.end();
}

// The texts of the commands' tool tips: the first line, and for the relation buttons the line
// shown while the player is in that list.
QString CommandText(int command) {
    static const std::pair<int, const char*> texts[] = {
        {CUserListView::kCmdTalkButton, "Open a talk dialog with %s"},
        {CUserListView::kCmdTalk, "Open a talk dialog with %s"},
        {CUserListView::kCmdInfoButton, "View information for %s"},
        {CUserListView::kCmdInfo, "View information for %s"},
        {CUserListView::kCmdInvite, "Invite %s to a game"},
        {CUserListView::kCmdInviteNow, "Invite %s to a game"},
        {CUserListView::kCmdProposition, "Offer %s a proposition"},
        {CUserListView::kCmdResume, "Resume your unfinished match with %s"},
        {CUserListView::kCmdWatch, "Watch %s"},
        {CUserListView::kCmdWatchOne, "Watch %s"},
        {CUserListView::kCmdFriend, "Add %s to your list of friends\nRemove %s from your list of friends"},
        {CUserListView::kCmdFriendTool, "Add %s to your list of friends\nRemove %s from your list of friends"},
        {CUserListView::kCmdGagged, "Gag %s: hide what he says\nUngag %s: show what he says"},
        {CUserListView::kCmdGaggedTool, "Gag %s: hide what he says\nUngag %s: show what he says"},
        {CUserListView::kCmdBlinded, "Blind %s: hide him and his invitations\nUnblind %s"},
        {CUserListView::kCmdBlindedTool, "Blind %s: hide him and his invitations\nUnblind %s"},
        {32784, "Add players to your list of friends"},
        {32785, "Remove %s from your list of friends"},
    };
    for (const auto& [id, text] : texts) {
        if (id == command)
            return QString::fromLatin1(text);
    }
    return QString();
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Selection and commands

std::vector<CClientUserInfo*> CUserListView::GetSelectedUsers() const {
    return m_list ? m_list->GetSelectedUsers() : std::vector<CClientUserInfo*>();
}

CClientUserInfo* CUserListView::GetFirstSelectedUser() const {
    return m_list ? m_list->GetFirstSelectedUser() : nullptr;
}

QString CUserListView::GetSelectedNames() const {
    QStringList names;
    for (const CClientUserInfo* user : GetSelectedUsers())
        names.append(user->GetNickname());
    return names.join(QLatin1Char(' '));
}

void CUserListView::SelectUser(const CClientUserInfo* user, bool add) {
    if (!m_list || !m_model || !m_list->selectionModel())
        return;
    const int row = FindRow(user);
    if (row < 0)
        return;
    const QModelIndex index = m_model->index(row, 0);
    auto flags =
        QItemSelectionModel::Rows | (add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect);
    m_list->selectionModel()->select(index, flags);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

bool CUserListView::isSelf(const QString& nickname) const {
    const CSessionDoc* session = GetSessionDoc();
    return session && !session->GetNickname().isEmpty() &&
           FoldNickname(session->GetNickname()) == FoldNickname(nickname);
}

bool CUserListView::HasOtherSelected() const {
    const std::vector<CClientUserInfo*> users = GetSelectedUsers();
    return std::any_of(users.begin(), users.end(),
                       [this](const CClientUserInfo* user) { return !isSelf(user->GetNickname()); });
}

bool CUserListView::IsConnected() const {
    const CSessionDoc* session = GetSessionDoc();
    return session && session->IsConnected();
}

bool CUserListView::CanTalk() const {
    if (!IsConnected())
        return false;
    const std::vector<CClientUserInfo*> users = GetSelectedUsers();
    if (users.size() > 1)
        return true;
    if (users.empty())
        return false;
    const CClientUserInfo& user = *users.front();
    const CSessionDoc* session = GetSessionDoc();
    const CRelationsQuery* relations = session ? session->GetRelations() : nullptr;
    return !(user.GetActivity() & 64) && !(relations && relations->IsGagged(user.GetNickname())) &&
           !isSelf(user.GetNickname());
}

bool CUserListView::CanInviteSelected() const {
    const CClientUserInfo* user = GetFirstSelectedUser();
    const CSessionDoc* session = GetSessionDoc();
    return user && session && HasOtherSelected() &&
           ActivityIsOneOf(*user, {CUserInfo::kActivityWatching, 32, CUserInfo::kActivityFinished}) &&
           user->GetPresence() == CUserInfo::kPresenceReady && session->CanInvite();
}

bool CUserListView::CanWatch() const {
    const CClientUserInfo* user = GetFirstSelectedUser();
    const CSessionDoc* session = GetSessionDoc();
    if (!user || !IsConnected() || !HasOtherSelected() ||
        CServiceName(user->GetLocation()).IsSameService(session->GetServiceName()))
        return false;
    // A player waiting in his room for the other one can be watched there, or rejoined by that one.
    return ActivityIsOneOf(*user, {CUserInfo::kActivityWatching, CUserInfo::kActivityPlaying}) ||
           (user->GetActivity() == CUserInfo::kActivityWaiting && CServiceName(user->GetLocation()).CountParts() > 0);
}

bool CUserListView::IsOwnGame() const {
    const CClientUserInfo* user = GetFirstSelectedUser();
    const CSessionDoc* session = GetSessionDoc();
    return user && session && !session->GetNickname().isEmpty() &&
           CServiceName(user->GetLocation()).HasPart(session->GetNickname());
}

CPlayerInviter* CUserListView::inviter() const {
    const CSessionDoc* session = GetSessionDoc();
    return session ? dynamic_cast<CPlayerInviter*>(session->GetInvitationService()) : nullptr;
}

bool CUserListView::OnUpdateCommand(int id, platform::CommandState& state) {
    const std::vector<CClientUserInfo*> selected = GetSelectedUsers();
    const CClientUserInfo* first = selected.empty() ? nullptr : selected.front();
    const CSessionDoc* session = GetSessionDoc();
    CPlayerInviter* invitations = inviter();
    switch (id) {
    case kCmdTalkButton:
    case kCmdTalk:
        state.enabled = CanTalk();
        return true;
    case kCmdInfoButton:
    case kCmdInfo:
        state.enabled = true;
        return true;
    case kCmdInvite:
        state.enabled = invitations && invitations->CanInviteTo(CClientGameFactory::GetFactory().GetDefaultGameKind()) &&
                        CanInviteSelected();
        return true;
    case kCmdInviteNow:
        state.enabled = invitations && invitations->CanInviteTo(CClientGameFactory::GetFactory().GetDefaultGameKind()) &&
                        selected.size() == 1 && CanInviteSelected();
        return true;
    case kCmdProposition:
        state.enabled = invitations && invitations->CanInviteTo(CClientGameFactory::kPropositionKind) &&
                        CanInviteSelected() && session && session->HasRight(CSessionDoc::kRightPropositions);
        return true;
    case kCmdResume:
        state.enabled = invitations && CanInviteSelected() && session &&
                        invitations->HasUnfinishedMatch(
                            CServiceName::ConstructFromList(GetGameModuleInfo().GetServiceWord(),
                                                            {session->GetNickname(), first->GetNickname()})
                                .GetText());
        return true;
    case kCmdWatch:
        state.enabled = CanWatch();
        state.text = IsOwnGame() ? QStringLiteral("Rejoin Game") : QStringLiteral("Watch");
        return true;
    case kCmdWatchOne:
        state.enabled = selected.size() == 1 && IsConnected() &&
                        ActivityIsOneOf(*first, {CUserInfo::kActivityWatching, CUserInfo::kActivityPlaying,
                                                 CUserInfo::kActivityFinished});
        return true;
    case kCmdFriend:
    case kCmdFriendTool:
    case kCmdGagged:
    case kCmdGaggedTool:
    case kCmdBlinded:
    case kCmdBlindedTool: {
        bool known = false;
        const QString checked = relationCheckedOf(id, &known);
        state.checkable = true;
        state.enabled = known && selected.size() == 1 && !isSelf(first->GetNickname()) && IsConnected();
        state.checked = known && !checked.isEmpty();
        return true;
    }
    default:
        return false;
    }
}

// The first selected nickname when it is in the command's relation list, else empty; known tells
// whether the lists can be asked at all.
QString CUserListView::relationCheckedOf(int command, bool* known) const {
    const CSessionDoc* session = GetSessionDoc();
    const CRelationsQuery* relations = session ? session->GetRelations() : nullptr;
    const CClientUserInfo* first = GetFirstSelectedUser();
    *known = relations != nullptr;
    if (!relations || !first)
        return QString();
    const QString& nickname = first->GetNickname();
    bool in = false;
    if (command == kCmdFriend || command == kCmdFriendTool)
        in = relations->IsAffinity(nickname);
    else if (command == kCmdGagged || command == kCmdGaggedTool)
        in = relations->IsGagged(nickname);
    else
        in = relations->IsBlinded(nickname);
    return in ? nickname : QString();
}

bool CUserListView::OnCommand(int id) {
    platform::CommandState state;
    if (!OnUpdateCommand(id, state))
        return false;
    // A command that is not available now does nothing (the menu or button was stale).
    if (!state.enabled)
        return true;
    CSessionDoc* session = GetSessionDoc();
    const std::vector<CClientUserInfo*> selected = GetSelectedUsers();
    switch (id) {
    case kCmdTalkButton:
    case kCmdTalk: {
        QStringList names;
        for (const CClientUserInfo* user : selected) {
            if (!isSelf(user->GetNickname()))
                names.append(user->GetNickname());
        }
        if (session && !names.isEmpty())
            session->OpenTalkWindow(names);
        return true;
    }
    case kCmdInfoButton:
    case kCmdInfo:
        if (session && !selected.empty())
            session->ShowPlayerInfo(selected.front()->GetNickname());
        return true;
    case kCmdInvite:
        invite(CClientGameFactory::GetFactory().GetDefaultGameKind(), 0);
        return true;
    case kCmdInviteNow:
        invite(CClientGameFactory::GetFactory().GetDefaultGameKind(), 1);
        return true;
    case kCmdProposition:
        invite(CClientGameFactory::kPropositionKind, 0);
        return true;
    case kCmdResume:
        if (CPlayerInviter* invitations = inviter())
            invitations->ResumeWithPlayers(GetSelectedNames());
        return true;
    case kCmdWatch:
        if (session)
            session->WatchPlayer(GetSelectedNames());
        return true;
    case kCmdWatchOne:
        if (session && !selected.empty())
            session->WatchPlayer(selected.front()->GetNickname());
        return true;
    case kCmdFriend:
    case kCmdFriendTool:
    case kCmdGagged:
    case kCmdGaggedTool:
    case kCmdBlinded:
    case kCmdBlindedTool:
        toggleRelation(id);
        return true;
    default:
        return false;
    }
}

void CUserListView::invite(int kind, int extra, bool prompt) {
    if (CPlayerInviter* invitations = inviter())
        invitations->InvitePlayer(GetSelectedNames(), kind, extra, prompt);
}

void CUserListView::toggleRelation(int command) {
    bool known = false;
    const bool inList = !relationCheckedOf(command, &known).isEmpty();
    const CClientUserInfo* first = GetFirstSelectedUser();
    CRelationsSubDoc* relations = CRelationsSubDoc::Find(GetSessionDoc());
    if (!known || !first || !relations)
        return;
    // The check mark changes when the service sends the list back.
    const QString& nickname = first->GetNickname();
    if (command == kCmdFriend || command == kCmdFriendTool)
        relations->ChangeAffinityList(nickname, !inList);
    else if (command == kCmdGagged || command == kCmdGaggedTool)
        relations->ChangeGagList(nickname, !inList);
    else
        relations->ChangeBlindList(nickname, !inList);
}

void CUserListView::OnListSelectionChanged() {
    UpdateCommandUi();
}

void CUserListView::OnListDoubleClick() {
    OnCommand(kCmdInfo);
}

QString CUserListView::GetToolTipText(int command) const {
    QString text = CommandText(command);
    const std::vector<CClientUserInfo*> selected = GetSelectedUsers();
    QString line = text.section(QLatin1Char('\n'), 0, 0);
    const bool relationButton =
        command == kCmdFriendTool || command == kCmdGaggedTool || command == kCmdBlindedTool;
    if (relationButton && !selected.empty()) {
        bool known = false;
        if (!relationCheckedOf(command, &known).isEmpty() && text.contains(QLatin1Char('\n')))
            line = text.section(QLatin1Char('\n'), 1, 1);
    }
    QStringList names;
    for (const CClientUserInfo* user : selected)
        names.append(user->GetNickname());
    line.replace(QStringLiteral("%s"),
                 names.isEmpty() ? QStringLiteral("a player") : names.join(QStringLiteral(", ")));
    return line.left(kMaxToolTipLength);
}

void CUserListView::UpdateCommandUi() {
    for (const auto& [command, action] : m_toolActions) {
        m_router.UpdateAction(action, this);
        action->setToolTip(GetToolTipText(command));
    }
    if (m_talkButton)
        m_talkButton->setEnabled(CanTalk());
}

int CUserListView::GetContextMenuId() const {
    return CClientGameFactory::GetFactory().GetUserListContextMenuId();
}

QMenu* CUserListView::CreateContextMenu(int menuId) {
    if (menuId != GetContextMenuId())
        return nullptr;
    auto* menu = new QMenu(this);
    const auto add = [&](int id, const QString& text) {
        QAction* action = platform::MakeAction(id, text, menu);
        m_router.UpdateAction(action, this);
        connect(action, &QAction::triggered, this, [this, id] { m_router.Route(id, this); });
        menu->addAction(action);
    };
    add(kCmdTalkButton, QStringLiteral("&Talk..."));
    add(kCmdInfoButton, QStringLiteral("Player &Info..."));
    menu->addSeparator();
    add(kCmdInvite, QStringLiteral("&Invite..."));
    add(kCmdProposition, QStringLiteral("&Proposition..."));
    add(kCmdResume, QStringLiteral("&Resume..."));
    add(kCmdWatch, QStringLiteral("&Watch"));
    menu->addSeparator();
    add(kCmdFriend, QStringLiteral("&Friend"));
    add(kCmdGagged, QStringLiteral("&Gagged"));
    add(kCmdBlinded, QStringLiteral("&Blinded"));
    menu->addSeparator();
    add(kCmdLegend, QStringLiteral("&Legend"));
    add(kCmdSettings, QStringLiteral("&Settings..."));
    add(kCmdProperties, QStringLiteral("P&roperties..."));
    return menu;
}
