#include "lobby/MatchBoardView.h"

#include "game/ClientGameFactory.h"
#include "lobby/MatchBoardLegendDlg.h"
#include "lobby/UserListColumnsPage.h"
#include "lobby/UserListModel.h"
#include "lobby/invite/InvitationManager.h"
#include "platform/PostCall.h"
#include "platform/Win32Codes.h"
#include "session/GameModule.h"
#include "session/ServiceName.h"
#include "support/SettingsStore.h"
#include "support/Utilities.h"
#include "support/dialogs/PromptDlg.h"

#include <QApplication>
#include <QHash>
#include <QMenu>
#include <QVBoxLayout>

namespace {

// The lobby's board of each session.
QHash<const CSessionDoc*, QPointer<CMatchBoardView>>& sessionBoards() {
    static QHash<const CSessionDoc*, QPointer<CMatchBoardView>> boards;
    return boards;
}

CMatchBoardView::StatusSink& statusSink() {
    static CMatchBoardView::StatusSink sink;
    return sink;
}

platform::MessageId QueryChangedId() {
    return platform::RegisterMessage(QString::fromLatin1(CMatchBoardView::kQueryChangedMessage));
}

} // namespace

CMatchBoardView::CMatchBoardView(QWidget* parent) : CLobbyUserListView(parent, kListControlId) {
    m_acceptedGroups = AcceptedGroupsOf(m_query);
}

CMatchBoardView::~CMatchBoardView() {
    if (m_legend)
        m_legend->OnCancel();
    // The Resume entry goes with the board: a plain one is ours; a pop-up is the invitation manager's
    // and outlives us, so it is taken out of the menus it stands in (the main frame's Action menu,
    // which puts in an entry of its own while no board is there).
    if (m_resumeEntry && !m_resumeEntry->menu()) {
        delete m_resumeEntry.data();
    } else if (m_resumeEntry) {
        for (QObject* holder : m_resumeEntry->associatedObjects())
            if (auto* widget = qobject_cast<QWidget*>(holder))
                widget->removeAction(m_resumeEntry);
    }
    bool wasSessionBoard = false;
    auto& boards = sessionBoards();
    for (auto it = boards.begin(); it != boards.end();) {
        wasSessionBoard = wasSessionBoard || it.value() == this;
        if (!it.value() || it.value() == this)
            it = boards.erase(it);
        else
            ++it;
    }
    if (wasSessionBoard && statusSink())
        statusSink()(QString());
}

int CMatchBoardView::AcceptedGroupsOf(const CMatchBoardQuery& query) {
    const bool all = query.trackAllGroups != 0;
    int groups = kAlwaysShown;
    const std::pair<int, int> flags[] = {
        {query.friends, 0x2},     {query.unfinishedMatch, 0x8}, {query.sysops, 0x10},
        {query.guides, 0x20},     {query.tournamentStaff, 0x40}, {query.support, 0x80},
        {query.memberHelp, 0x100}, {query.robots, 0x200},       {query.clubMembers, 0x800},
    };
    for (const auto& [flag, bit] : flags) {
        if (all || flag)
            groups |= bit;
    }
    return groups;
}

int CMatchBoardView::MaxQuerySizeOf(const QString& setting) {
    bool ok = false;
    const int size = setting.trimmed().toInt(&ok);
    return ok && size > 0 ? size : kDefaultMaxQuerySize;
}

CMatchBoardView* CMatchBoardView::SessionBoard(const CSessionDoc* session) {
    return session ? sessionBoards().value(session).data() : nullptr;
}

void CMatchBoardView::SetStatusSink(StatusSink sink) {
    statusSink() = std::move(sink);
}

bool CMatchBoardView::IsSessionBoard() const {
    const CSessionDoc* session = GetSessionDoc();
    return session && SessionBoard(session) == this;
}

QString CMatchBoardView::GetStatusText() const {
    const CSessionDoc* session = GetSessionDoc();
    return QStringLiteral("Displaying %1 of %2").arg(GetRowCount()).arg(session ? session->GetTotalUserCount() : 0);
}

void CMatchBoardView::statusChanged() {
    // Once per turn of the event loop, however many users changed in it.
    if (m_statusPending || !IsSessionBoard())
        return;
    m_statusPending = true;
    platform::PostCall(this, [this] {
        m_statusPending = false;
        if (IsSessionBoard() && statusSink())
            statusSink()(GetStatusText());
    });
}

// ---------------------------------------------------------------------------------------------------
// Layout and query

void CMatchBoardView::LoadLayout() {
    CLobbyUserListView::LoadLayout();
    m_query.Load(true);
    m_queryLoaded = true;
    m_acceptedGroups = AcceptedGroupsOf(m_query);
}

void CMatchBoardView::SaveLayout() {
    CLobbyUserListView::SaveLayout();
    // A query that was never read is not the user's: it must not replace his.
    if (m_queryLoaded)
        m_query.Save();
}

void CMatchBoardView::OnInitialUpdate() {
    CSessionDoc* session = GetSessionDoc();
    GetSettingsStore().WriteInt(QString::fromLatin1(CMatchBoardQuery::kSection), QStringLiteral("nMaxQuerySize"),
                                MaxQuerySizeOf(GetServiceSetting(QStringLiteral("nMaxQuerySize"))));
    if (session && !qobject_cast<CMatchBoardListFrameWnd*>(window()))
        sessionBoards().insert(session, this);
    CLobbyUserListView::OnInitialUpdate(); // the layout, the query, and the rows it takes in
    // A busy lobby changes many rows a second: they are shown once per turn of the event loop.
    if (CUserListModel* model = GetModel()) {
        model->SetGathering(true);
        // The board keeps the base order: a burst is placed on keys taken once per user.
        model->SetSortKey([this](const CClientUserInfo& user) { return ColumnSortKey(user); });
    }
    if (IsSessionBoard())
        SendQuery();
    statusChanged();
}

bool CMatchBoardView::SendQuery() {
    CSessionDoc* session = GetSessionDoc();
    return session && session->IsConnected() && session->Send(kPacketQuery, m_query.ToText(), -1, QString());
}

void CMatchBoardView::OnQueryChanged() {
    m_query.Load(true);
    m_queryLoaded = true;
    m_acceptedGroups = AcceptedGroupsOf(m_query);
    // The rows shown follow the new query at once, not at each user's next change.
    RefillRows();
    SortRows();
    if (IsSessionBoard())
        SendQuery();
    statusChanged();
}

void CMatchBoardView::OnUpdate(platform::View* sender, int hint, platform::Object* object) {
    CUserListView::OnUpdate(sender, hint, object);
    if (!GetSessionDoc())
        return;
    const bool followed = FollowDirectory(hint, platform::object_cast<CClientUserInfo>(object),
                                          [this](const CClientUserInfo& user) { return Accepts(user); });
    if (followed || hint == CSessionDoc::kHintTotalUsers)
        statusChanged();
}

bool CMatchBoardView::OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) {
    if (id == QueryChangedId()) {
        OnQueryChanged();
        return true;
    }
    return CLobbyUserListView::OnMessage(id, wParam, lParam);
}

void CMatchBoardView::FillColumnsPage(CUserListColumnsPage& page, const std::array<int, kColumns>& shown) {
    for (int column = 0; column < kColumns; ++column)
        page.SetColumnChecked(column, shown[column] != 0);
}

void CMatchBoardView::ReadColumnsPage(const CUserListColumnsPage& page, std::array<int, kColumns>& shown) {
    for (int column = 0; column < kColumns; ++column)
        shown[column] = page.IsColumnChecked(column) ? 1 : 0;
    shown[UserListColumn::Nickname] = 1;
    shown[UserListColumn::Spare] = 0;
}

// ---------------------------------------------------------------------------------------------------
// Commands

bool CMatchBoardView::focusHere() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

bool CMatchBoardView::hasUnfinishedWithSelected() const {
    const CSessionDoc* session = GetSessionDoc();
    const CClientUserInfo* first = GetFirstSelectedUser();
    const CPlayerInviter* invitations = inviter();
    if (!session || !first || !invitations)
        return false;
    const CServiceName room = CServiceName::ConstructFromList(GetGameModuleInfo().GetServiceWord(),
                                                              {session->GetNickname(), first->GetNickname()});
    return invitations->HasUnfinishedMatch(room.GetText());
}

bool CMatchBoardView::OnUpdateCommand(int id, platform::CommandState& state) {
    const CSessionDoc* session = GetSessionDoc();
    const CPlayerInviter* invitations = inviter();
    const int kind = CClientGameFactory::GetFactory().GetDefaultGameKind();
    switch (id) {
    case kCmdBoardInvite:
    case kCmdBoardInviteNow:
        state.enabled = invitations && invitations->CanInviteTo(kind);
        return true;
    case kCmdBoardProposition:
    case kCmdProposition:
        // Offered once propositions can be made and the user holds the right to offer them.
        state.enabled = invitations && invitations->CanInviteTo(CClientGameFactory::kPropositionKind) &&
                        session->HasRight(CSessionDoc::kRightPropositions) &&
                        (id == kCmdBoardProposition || CanInviteSelected());
        return true;
    case kCmdBoardResume:
        state.enabled = invitations && CanInviteSelected() && m_resumePossible;
        return true;
    case kCmdBoardWatch:
    case kCmdBoardWatch2:
        state.enabled = session != nullptr;
        state.text = IsOwnGame() ? QStringLiteral("Rejoin Game") : QStringLiteral("Watch...");
        return true;
    case kCmdBoardTalk:
        state.enabled = session && session->CanOpenTalks();
        return true;
    case kCmdLobbySettings:
    case kCmdStatusPane:
        state.enabled = true;
        if (id == kCmdStatusPane)
            state.text = GetStatusText();
        return true;
    case kCmdLegend:
        state.enabled = true;
        state.checkable = true;
        state.checked = m_legend && m_legend->isVisible();
        return true;
    default:
        return CLobbyUserListView::OnUpdateCommand(id, state);
    }
}

bool CMatchBoardView::OnCommand(int id) {
    platform::CommandState state;
    if (!OnUpdateCommand(id, state))
        return false;
    if (!state.enabled)
        return true;
    CSessionDoc* session = GetSessionDoc();
    switch (id) {
    case kCmdBoardInvite:
        invite(CClientGameFactory::GetFactory().GetDefaultGameKind(), 0, !focusHere());
        return true;
    case kCmdBoardInviteNow:
        invite(CClientGameFactory::GetFactory().GetDefaultGameKind(), 1, !focusHere());
        return true;
    case kCmdBoardProposition:
        invite(CClientGameFactory::kPropositionKind, 0, !focusHere());
        return true;
    case kCmdBoardResume:
        return CLobbyUserListView::OnCommand(kCmdResume);
    case kCmdBoardWatch:
    case kCmdBoardWatch2:
        Watch();
        return true;
    case kCmdBoardTalk:
        if (session)
            session->PromptAndOpenTalk(GetSelectedNames());
        return true;
    case kCmdLobbySettings:
        return CLobbyUserListView::OnCommand(kCmdSettings);
    case kCmdLegend:
        ToggleLegend();
        return true;
    case kCmdStatusPane:
        return true;
    default:
        return CLobbyUserListView::OnCommand(id);
    }
}

void CMatchBoardView::Watch() {
    CSessionDoc* session = GetSessionDoc();
    if (!session)
        return;
    if (focusHere() && CanWatch()) {
        session->WatchPlayer(GetSelectedNames());
        return;
    }
    QString answer = GetSelectedNames();
    for (;;) {
        CPromptDlg prompt(QStringLiteral("Watch"), QStringLiteral("Player to watch:"), session->GetServiceFrame());
        prompt.SetAnswer(answer);
        if (prompt.DoModal() != platform::IDOK)
            return;
        answer = NormalizeUserName(prompt.GetAnswer());
        if (!answer.isEmpty())
            break;
    }
    // The dialog ran its own event loop: the session may have gone meanwhile.
    if (GetSessionDoc() == session)
        session->WatchPlayer(answer);
}

void CMatchBoardView::OnListDoubleClick() {
    if (CanInviteSelected()) {
        if (hasUnfinishedWithSelected())
            CLobbyUserListView::OnCommand(kCmdResume);
        else
            CLobbyUserListView::OnCommand(kCmdInvite);
    } else if (CanWatch()) {
        CLobbyUserListView::OnCommand(kCmdWatch);
    } else if (!GetSelectedUsers().empty()) {
        CLobbyUserListView::OnCommand(kCmdInfo);
    }
}

void CMatchBoardView::UpdateResumeEntry(QMenu* menu, QAction* talkAction) {
    if (!menu)
        return;
    if (m_resumeEntry) {
        menu->removeAction(m_resumeEntry);
        // A plain entry is ours; a pop-up belongs to the invitation manager.
        if (!m_resumeEntry->menu())
            delete m_resumeEntry.data();
    }
    m_resumeEntry = nullptr;
    m_resumePossible = true;
    CSessionDoc* session = GetSessionDoc();
    CInvitationManager* manager = CInvitationManager::Find(session);
    const auto plainEntry = [&] {
        // The menu's command routing carries it to the board.
        QAction* action = platform::MakeAction(kCmdBoardResume, QStringLiteral("&Resume..."), menu);
        platform::CommandState state;
        OnUpdateCommand(kCmdBoardResume, state);
        action->setEnabled(state.enabled);
        return action;
    };
    QAction* entry = nullptr;
    if (focusHere() && hasUnfinishedWithSelected()) {
        entry = plainEntry();
    } else {
        QMenu* matches = manager ? manager->BuildResumeMenu() : nullptr;
        if (!matches || matches->isEmpty()) {
            m_resumePossible = false;
            entry = plainEntry();
        } else {
            matches->setTitle(QStringLiteral("&Resume..."));
            connect(matches, &QMenu::triggered, this, [guard = QPointer<CSessionDoc>(session)](QAction* action) {
                if (CInvitationManager* owner = CInvitationManager::Find(guard))
                    owner->OnResumeMenuCommand(action->data().toInt());
            });
            entry = matches->menuAction();
        }
    }
    const bool talkInMenu = talkAction && menu->actions().contains(talkAction);
    menu->insertAction(talkInMenu ? talkAction : nullptr, entry);
    m_resumeEntry = entry;
}

void CMatchBoardView::ToggleLegend() {
    if (m_legend) {
        m_legend->setVisible(!m_legend->isVisible());
        return;
    }
    // A window of its own beside the board; it deletes itself when closed.
    auto* legend = new CMatchBoardLegendDlg(GetSessionDoc(), window());
    m_legend = legend;
    legend->show();
}

QString CMatchBoardView::PropositionStatusText(bool enabled) {
    return enabled ? QStringLiteral("Offer a player a proposition")
                   : QStringLiteral("Offering propositions needs the right to them and a player to invite");
}

QMenu* CMatchBoardView::CreateContextMenu(int menuId) {
    QMenu* menu = CLobbyUserListView::CreateContextMenu(menuId);
    if (!menu)
        return nullptr;
    for (QAction* action : menu->actions()) {
        if (platform::CommandId(action) == kCmdProposition)
            action->setStatusTip(PropositionStatusText(action->isEnabled()));
    }
    return menu;
}

// ---------------------------------------------------------------------------------------------------
// The second board's window

CMatchBoardListFrameWnd::CMatchBoardListFrameWnd(CSessionDoc* session, QWidget* owner) : CKelderFrameWnd(owner) {
    setWindowTitle(QStringLiteral("Match Board"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_board = new CBGMatchBoardView(this);
    layout->addWidget(m_board);
    if (session) {
        connect(session, &QObject::destroyed, this, &QWidget::close);
        m_board->Create(session);
    }
}
