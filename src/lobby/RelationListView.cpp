#include "lobby/RelationListView.h"

#include "lobby/UserListColumnsPage.h"
#include "lobby/UserListModel.h"
#include "platform/Win32Codes.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "support/dialogs/PromptDlg.h"

CRelationListView::CRelationListView(QWidget* parent) : CUserListView(parent) {}

QStringList CRelationListView::RelationColumnTitles() {
    QStringList titles;
    for (int column = 0; column < kColumns; ++column)
        titles.append(QString());
    titles[UserListColumn::Nickname] = QStringLiteral("Nickname");
    return titles;
}

CUserListLayout CRelationListView::RelationDefaultLayout() {
    CUserListLayout layout;
    for (int column = 0; column < kColumns; ++column) {
        layout.order[column] = column;
        layout.ascending[column] = 1;
        layout.alignment[column] = UserListAlign::Left;
    }
    layout.shown[UserListColumn::Nickname] = 1;
    layout.width[UserListColumn::Nickname] = 100;
    layout.width[UserListColumn::Status] = 85;
    layout.sortColumn = UserListColumn::Nickname;
    return layout;
}

// The lobby's columns page is not this list's: its flags are neither filled nor taken.
void CRelationListView::FillColumnsPage(CUserListColumnsPage&, const std::array<int, kColumns>&) {}

void CRelationListView::ReadColumnsPage(const CUserListColumnsPage&, std::array<int, kColumns>& shown) {
    shown = GetLayout().shown;
}

void CRelationListView::OnInitialUpdate() {
    CUserListView::OnInitialUpdate();
    ResetList();
}

void CRelationListView::RecreateList() {
    CUserListView::RecreateList();
    ResetList();
}

bool CRelationListView::OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) {
    const bool handled = CUserListView::OnMessage(id, wParam, lParam);
    if (id == platform::RegisterMessage(QString::fromLatin1(kViewChangedMessage)))
        ResetList();
    return handled;
}

void CRelationListView::OnUpdate(platform::View* sender, int hint, platform::Object* object) {
    CUserListView::OnUpdate(sender, hint, object);
    if (hint == CSessionDoc::kHintUsersCleared)
        ClearList();
}

void CRelationListView::RefillRows() {
    if (!GetModel())
        return;
    GetModel()->BeginBatch();
    GetModel()->Clear();
    for (int i = 0; i < m_records.Count(); ++i)
        GetModel()->InsertSorted(m_records.At(i));
    GetModel()->EndBatch();
}

void CRelationListView::ClearList() {
    RemoveAllUsers();
    m_records.Clear();
}

void CRelationListView::ResetList() {
    ClearList();
    SendChange(QStringLiteral("="));
}

bool CRelationListView::OnUpdateCommand(int id, platform::CommandState& state) {
    // Add and Remove change the list the service keeps: they wait for the connection.
    if (id == AddButtonId()) {
        state.enabled = IsConnected();
        return true;
    }
    if (id == kCmdProperties) {
        state.enabled = true;
        return true;
    }
    if (id == RemoveButtonId()) {
        state.enabled = IsConnected() && !GetSelectedUsers().empty();
        return true;
    }
    return CUserListView::OnUpdateCommand(id, state);
}

bool CRelationListView::OnCommand(int id) {
    if (id == AddButtonId() || id == RemoveButtonId()) {
        platform::CommandState state;
        OnUpdateCommand(id, state);
        if (state.enabled && id == AddButtonId())
            addNames();
        else if (state.enabled)
            removeSelected();
        return true;
    }
    if (id == kCmdProperties) {
        ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kFontPage, FontKind());
        return true;
    }
    return CUserListView::OnCommand(id);
}

void CRelationListView::addNames() {
    CPromptDlg prompt(QStringLiteral("Add"), QStringLiteral("Nicknames:"), this);
    if (prompt.DoModal() != platform::IDOK)
        return;
    const QString text = m_records.ChangeText(QStringLiteral("+"), prompt.GetAnswer(), AddMatch());
    if (text.isEmpty())
        return;
    // The connection may have ended while the user typed the names.
    if (CSessionDoc* session = GetSessionDoc(); session && !session->IsConnected())
        session->TellNotSent(QStringLiteral("change of your list"));
    else
        SendChange(text);
}

void CRelationListView::removeSelected() {
    QString text = QStringLiteral("- ");
    bool taken = false;
    for (const CClientUserInfo* user : GetSelectedUsers()) {
        text += user->GetNickname() + QLatin1Char(' ');
        taken = true;
    }
    if (taken)
        SendChange(text.trimmed());
}
