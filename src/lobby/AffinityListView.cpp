#include "lobby/AffinityListView.h"

#include "lobby/RelationList.h"
#include "lobby/UserListArt.h"
#include "lobby/UserListColumnsPage.h"
#include "lobby/UserListModel.h"
#include "net/MessagePacket.h"
#include "prefs/FontWindowKinds.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "session/RelationPackets.h"
#include "support/Utilities.h"
#include "support/dialogs/PromptDlg.h"
#include "platform/Win32Codes.h"

#include <QToolBar>

namespace {

using Match = CRelationRecords::Match;

// Where the packet being dispatched comes from (routed packets only).
QString packetSource(const CSessionDoc* session) {
    const CMessagePacket* packet = session ? session->GetCurrentPacket() : nullptr;
    return packet ? packet->GetSourceName() : QString();
}

int compareNumbers(int a, int b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

CAffinityListView::CAffinityListView(QWidget* parent) : CUserListView(parent) {
    setAccessibleName(QStringLiteral("Friends"));
}

QStringList CAffinityListView::FriendsColumnTitles() {
    QStringList titles;
    for (int column = 0; column < kColumns; ++column)
        titles.append(QString());
    titles[UserListColumn::Nickname] = QStringLiteral("Nickname");
    titles[UserListColumn::Status] = QStringLiteral("Status");
    return titles;
}

CUserListLayout CAffinityListView::FriendsDefaultLayout() {
    CUserListLayout layout;
    for (int column = 0; column < kColumns; ++column) {
        layout.order[column] = column;
        layout.ascending[column] = 1;
        layout.alignment[column] = UserListAlign::Left;
    }
    layout.shown[UserListColumn::Nickname] = 1;
    layout.shown[UserListColumn::Status] = 1;
    layout.width[UserListColumn::Nickname] = 100;
    layout.width[UserListColumn::Status] = 85;
    layout.width[UserListColumn::Location] = 100;
    layout.sortColumn = UserListColumn::Nickname;
    return layout;
}

std::vector<CUserListView::ToolBarButton> CAffinityListView::GetToolBarButtons() const {
    return {{12, kCmdAdd},      {13, kCmdRemove},   {22, kCmdInviteNow},
            {11, kCmdWatchOne}, {1, kCmdTalk},      {2, kCmdInfo}};
}

// The lobby's columns page is not this list's: its flags are neither filled nor taken.
void CAffinityListView::FillColumnsPage(CUserListColumnsPage&, const std::array<int, kColumns>&) {}

void CAffinityListView::ReadColumnsPage(const CUserListColumnsPage&, std::array<int, kColumns>& shown) {
    shown = GetLayout().shown;
}

int CAffinityListView::OnCreate() {
    const int result = CUserListView::OnCreate();
    // Six buttons side by side in a window of 250 pixels: no room between them.
    if (QToolBar* toolBar = GetToolBar()) {
        toolBar->setContentsMargins(0, 0, 0, 0);
        toolBar->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; padding: 0px; border: 0px; }"));
        LayoutControls();
    }
    return result;
}

void CAffinityListView::OnInitialUpdate() {
    CUserListView::OnInitialUpdate();
    ResetList();
}

void CAffinityListView::RecreateList() {
    CUserListView::RecreateList();
    ResetList();
}

bool CAffinityListView::OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) {
    const bool handled = CUserListView::OnMessage(id, wParam, lParam);
    if (id == platform::RegisterMessage(QString::fromLatin1(kViewChangedMessage)))
        ResetList();
    return handled;
}

void CAffinityListView::RefillRows() {
    if (!GetModel())
        return;
    GetModel()->BeginBatch();
    GetModel()->Clear();
    for (int i = 0; i < m_records.Count(); ++i)
        GetModel()->InsertSorted(m_records.At(i));
    GetModel()->EndBatch();
}

void CAffinityListView::ResetList() {
    RemoveAllUsers();
    m_records.Clear();
    if (CSessionDoc* session = GetSessionDoc())
        session->SendRelationChange(QStringLiteral("="));
}

// ---- Packets

int CAffinityListView::OnRelayedPacket(int type, const QString& text) {
    const QString source = packetSource(GetSessionDoc());
    if (type == kPacketFriendsList && source == QLatin1String(".db"))
        readList(text);
    else if (type == kPacketFriendChange && source == QLatin1String("."))
        readChange(text);
    else if (type == CSessionDoc::kPacketWatchReply && source == QLatin1String("."))
        readStatusReply(text);
    return 0;
}

void CAffinityListView::readList(const QString& text) {
    RemoveAllUsers();
    m_records.Clear();
    QString nicknames;
    for (const CRelationEntry& entry : ParseRelationList(text))
        nicknames += entry.nickname + QLatin1Char(' ');
    if (!nicknames.isEmpty())
        sendStatusQuery(nicknames);
}

void CAffinityListView::sendStatusQuery(const QString& nicknames) {
    if (CSessionDoc* session = GetSessionDoc())
        session->SendStatusQuery(nicknames, QString::fromLatin1(kStatusCookie));
}

void CAffinityListView::readStatusReply(const QString& text) {
    QString rest = text;
    rest.remove(QLatin1Char('\r'));
    if (rest.endsWith(QLatin1Char('\n')))
        rest.chop(1);
    rest.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (NextToken(rest, u" ") != QLatin1String(kStatusCookie))
        return;
    while (!rest.isEmpty()) {
        QString word = NextToken(rest, u" ");
        const QString nickname = NextToken(word, u"@");
        if (nickname.isEmpty())
            break;
        if (IsValidUserName(nickname))
            SetFriendStatus(nickname, word);
    }
}

void CAffinityListView::readChange(const QString& text) {
    QString rest = text.trimmed();
    NextToken(rest, u" ");
    const QString sign = NextToken(rest, u" ");
    const QString nickname = NextToken(rest, u" \n");
    if (!IsValidUserName(nickname))
        return;
    if (sign.startsWith(QLatin1Char('+'))) {
        sendStatusQuery(nickname);
        return;
    }
    if (CClientUserInfo* record = m_records.Find(nickname, Match::IgnoringCase)) {
        record->SetLocation(QString());
        record->SetActivity(1);
        record->SetPresence(1);
        refresh(record);
    }
}

void CAffinityListView::SetFriendStatus(const QString& nickname, const QString& location) {
    const int activity = location.isEmpty() ? 1 : kActivityConnected;
    // A friend is one entry whatever the case of the letters each answer spells him with.
    CClientUserInfo* record = m_records.Find(nickname, Match::IgnoringCase);
    if (record) {
        record->SetActivity(activity);
        record->SetPresence(1);
        record->SetLocation(QString());
    } else {
        record = m_records.Append(nickname);
        record->SetLocation(location);
        record->SetPresence(1);
        record->SetActivity(activity);
    }
    if (const CClientUserInfo* lobby = lobbyRecord(*record)) {
        record->SetActivity(lobby->GetActivity());
        record->SetPresence(lobby->GetPresence());
        record->SetLocation(lobby->GetLocation());
    }
    refresh(record);
}

void CAffinityListView::refresh(CClientUserInfo* record) {
    record->UpdateDisplayTexts();
    record->ClearChangeMask();
    AddUser(record);
    SortRows();
}

CClientUserInfo* CAffinityListView::lobbyRecord(const CClientUserInfo& user) const {
    const CSessionDoc* session = GetSessionDoc();
    return session ? session->FindUser(user.GetNickname()) : nullptr;
}

// ---- The lobby's changes

void CAffinityListView::OnUpdate(platform::View* sender, int hint, platform::Object* object) {
    CUserListView::OnUpdate(sender, hint, object);
    if (hint == CSessionDoc::kHintUsersCleared) {
        RemoveAllUsers();
        m_records.Clear();
        return;
    }
    const auto* user = platform::object_cast<CClientUserInfo>(object);
    if (!user)
        return;
    CClientUserInfo* record = m_records.Find(user->GetNickname(), Match::IgnoringCase);
    if (!record)
        return;
    switch (hint) {
    case CSessionDoc::kHintUserArrived:
    case CSessionDoc::kHintUserChanged:
        record->SetPresence(user->GetPresence());
        record->SetActivity(user->GetActivity());
        record->SetLocation(user->GetLocation());
        refresh(record);
        break;
    case CSessionDoc::kHintUserLeft:
        record->SetPresence(1);
        record->SetActivity(1);
        record->SetLocation(QString());
        refresh(record);
        // He may have gone to another room rather than away: the server knows.
        sendStatusQuery(record->GetNickname());
        break;
    default:
        break;
    }
}

// ---- Order and cells

int CAffinityListView::CompareUsers(const CClientUserInfo& a, const CClientUserInfo& b) const {
    const CUserListLayout& layout = GetLayout();
    if (layout.sortColumn != UserListColumn::Status)
        return CUserListView::CompareUsers(a, b);
    // Higher presence first, then higher activity.
    int order = compareNumbers(b.GetPresence(), a.GetPresence());
    if (order == 0)
        order = compareNumbers(b.GetActivity(), a.GetActivity());
    return layout.ascending[UserListColumn::Status] ? order : -order;
}

QString CAffinityListView::CellText(const CClientUserInfo& user, int column) const {
    if (column != UserListColumn::Status)
        return CUserListView::CellText(user, column);
    if (const CClientUserInfo* lobby = lobbyRecord(user))
        return lobby->GetShortStatusText();
    return user.GetActivity() == kActivityConnected ? QStringLiteral("Connected") : QString();
}

void CAffinityListView::DrawCell(QPainter& painter, const QRect& cell, const CClientUserInfo& user, int column,
                                 bool selectedLook) {
    if (column != UserListColumn::Status) {
        CUserListView::DrawCell(painter, cell, user, column, selectedLook);
        return;
    }
    using namespace UserListPaint;
    QPixmap icon;
    if (const CClientUserInfo* lobby = lobbyRecord(user))
        icon = UserListArt::StatusIcon(StatusIconId(*lobby));
    else if (user.GetActivity() != kActivityConnected)
        return;
    if (icon.isNull())
        icon = UserListArt::StatusIcon(UserListArt::kIconConnected);
    DrawCellIcon(painter, cell, kStatusIconLeft, icon);
    DrawCellText(painter, cell, CellText(user, column), UserListAlign::Left, kStatusTextLeft);
}

// ---- Commands

bool CAffinityListView::OnUpdateCommand(int id, platform::CommandState& state) {
    switch (id) {
    case kCmdAdd:
    case kCmdProperties:
        state.enabled = true;
        return true;
    case kCmdRemove:
        state.enabled = !GetSelectedUsers().empty();
        return true;
    case kCmdInfo:
    case kCmdInfoButton: {
        // Off until the program can show player information.
        const CSessionDoc* session = GetSessionDoc();
        state.enabled = session && session->CanShowPlayerInfo() && !GetSelectedUsers().empty();
        return true;
    }
    default:
        return CUserListView::OnUpdateCommand(id, state);
    }
}

bool CAffinityListView::OnCommand(int id) {
    switch (id) {
    case kCmdAdd:
        addFriends();
        return true;
    case kCmdRemove:
        removeSelected();
        return true;
    case kCmdProperties:
        ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kFontPage, kFontKindFriends);
        return true;
    default:
        return CUserListView::OnCommand(id);
    }
}

void CAffinityListView::addFriends() {
    CPromptDlg prompt(QStringLiteral("Add"), QStringLiteral("Nicknames:"), this);
    if (prompt.DoModal() != platform::IDOK)
        return;
    // The names appear when the service sends the list again.
    const QString text = m_records.ChangeText(QStringLiteral("+"), prompt.GetAnswer(), Match::Exactly);
    CSessionDoc* session = GetSessionDoc();
    if (!text.isEmpty() && session)
        session->SendRelationChange(text);
}

void CAffinityListView::removeSelected() {
    QString text = QStringLiteral("- ");
    bool taken = false;
    for (const CClientUserInfo* user : GetSelectedUsers()) {
        text += user->GetNickname() + QLatin1Char(' ');
        taken = true;
    }
    CSessionDoc* session = GetSessionDoc();
    // The rows go when the service sends the list again, so the window never shows what the service
    // did not do.
    if (taken && session)
        session->SendRelationChange(text.trimmed());
}
