#include "lobby/BlindListView.h"

#include "lobby/BlindSubDocument.h"
#include "lobby/RelationList.h"
#include "lobby/UserListColumnsPage.h"
#include "lobby/UserListModel.h"
#include "net/MessagePacket.h"
#include "platform/Win32Codes.h"
#include "prefs/FontWindowKinds.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "session/RelationPackets.h"
#include "support/dialogs/PromptDlg.h"

#include <QMenu>
#include <QPushButton>

#include <algorithm>

namespace {

using Match = CRelationRecords::Match;

constexpr int kButtonMargin = 6;
constexpr int kButtonGap = 4;
constexpr int kButtonExtraWidth = 20;
constexpr int kListGap = 12;

} // namespace

CBlindListView::CBlindListView(QWidget* parent) : CUserListView(parent) {}

QStringList CBlindListView::RelationColumnTitles() {
    QStringList titles;
    for (int column = 0; column < kColumns; ++column)
        titles.append(QString());
    titles[UserListColumn::Nickname] = QStringLiteral("Nickname");
    return titles;
}

CUserListLayout CBlindListView::RelationDefaultLayout() {
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
void CBlindListView::FillColumnsPage(CUserListColumnsPage&, const std::array<int, kColumns>&) {}

void CBlindListView::ReadColumnsPage(const CUserListColumnsPage&, std::array<int, kColumns>& shown) {
    shown = GetLayout().shown;
}

int CBlindListView::ListPacketType() const {
    return RelationPacket::BlindList;
}

int CBlindListView::FontKind() const {
    return kFontKindBlinded;
}

void CBlindListView::SendChange(const QString& text) {
    if (CSessionDoc* session = GetSessionDoc())
        session->BroadcastSubDocEvent(CBlindSubDocument::kEventBlindChanged, QVariant(text));
}

int CBlindListView::OnCreate() {
    const int result = CUserListView::OnCreate();
    if (result < 0)
        return result;
    m_addButton = new QPushButton(QStringLiteral("Add..."), this);
    m_addButton->setObjectName(QString::number(AddButtonId()));
    m_removeButton = new QPushButton(QStringLiteral("Remove"), this);
    m_removeButton->setObjectName(QString::number(RemoveButtonId()));
    m_removeButton->setEnabled(false);
    for (QPushButton* button : {GetTalkButton(), GetInfoButton(), m_addButton, m_removeButton}) {
        button->setFont(GetTalkButton()->font());
        button->show();
    }
    connect(m_addButton, &QPushButton::clicked, this, [this] { OnCommand(AddButtonId()); });
    connect(m_removeButton, &QPushButton::clicked, this, [this] { OnCommand(RemoveButtonId()); });
    OnListSelectionChanged();
    LayoutControls();
    return 0;
}

void CBlindListView::LayoutControls() {
    QPushButton* talk = GetTalkButton();
    QPushButton* info = GetInfoButton();
    if (!GetListCtrl() || !talk || !info) {
        CUserListView::LayoutControls();
        return;
    }
    const QFontMetrics metrics(talk->font());
    const int buttonWidth = std::max(metrics.horizontalAdvance(talk->text()),
                                     metrics.horizontalAdvance(info->text())) +
                            kButtonExtraWidth;
    const int buttonHeight = metrics.height() + kButtonMargin;
    const int left = width() - buttonWidth - kButtonMargin;
    int top = kButtonMargin;
    for (QPushButton* button : {talk, info, m_addButton, m_removeButton}) {
        if (button)
            button->setGeometry(left, top, buttonWidth, buttonHeight);
        top += buttonHeight + kButtonGap;
    }
    GetListCtrl()->setGeometry(0, 0, std::max(0, left - kListGap), height());
}

void CBlindListView::OnInitialUpdate() {
    CUserListView::OnInitialUpdate();
    ResetList();
}

void CBlindListView::RecreateList() {
    CUserListView::RecreateList();
    ResetList();
}

bool CBlindListView::OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) {
    const bool handled = CUserListView::OnMessage(id, wParam, lParam);
    if (id == platform::RegisterMessage(QString::fromLatin1(kViewChangedMessage)))
        ResetList();
    return handled;
}

void CBlindListView::RefillRows() {
    if (!GetModel())
        return;
    GetModel()->BeginBatch();
    GetModel()->Clear();
    for (int i = 0; i < m_records.Count(); ++i)
        GetModel()->InsertSorted(m_records.At(i));
    GetModel()->EndBatch();
}

void CBlindListView::ResetList() {
    RemoveAllUsers();
    m_records.Clear();
    SendChange(QStringLiteral("="));
    if (m_removeButton)
        m_removeButton->setEnabled(false);
}

void CBlindListView::OnUpdate(platform::View* sender, int hint, platform::Object* object) {
    CUserListView::OnUpdate(sender, hint, object);
    if (hint == CSessionDoc::kHintUsersCleared) {
        RemoveAllUsers();
        m_records.Clear();
    }
}

int CBlindListView::OnRelayedPacket(int type, const QString& text) {
    const CSessionDoc* session = GetSessionDoc();
    const CMessagePacket* packet = session ? session->GetCurrentPacket() : nullptr;
    if (type != ListPacketType() || !packet || packet->GetSourceName() != QLatin1String(".db"))
        return 0;
    RemoveAllUsers();
    m_records.Clear();
    for (const CRelationEntry& entry : ParseRelationList(text))
        AddName(entry.nickname);
    OnListSelectionChanged();
    return 0;
}

void CBlindListView::AddName(const QString& nickname) {
    if (nickname.isEmpty() || m_records.Find(nickname, Match::IgnoringCase))
        return;
    CClientUserInfo* record = m_records.Append(nickname);
    record->SetPresence(1);
    record->SetActivity(1);
    record->UpdateDisplayTexts();
    record->ClearChangeMask();
    AddUser(record);
}

void CBlindListView::OnListSelectionChanged() {
    CUserListView::OnListSelectionChanged();
    if (m_removeButton)
        m_removeButton->setEnabled(!GetSelectedUsers().empty());
    platform::CommandState info;
    OnUpdateCommand(kCmdInfoButton, info);
    if (GetInfoButton())
        GetInfoButton()->setEnabled(info.enabled);
}

bool CBlindListView::OnUpdateCommand(int id, platform::CommandState& state) {
    if (id == AddButtonId() || id == kCmdProperties) {
        state.enabled = true;
        return true;
    }
    if (id == RemoveButtonId()) {
        state.enabled = !GetSelectedUsers().empty();
        return true;
    }
    if (id == kCmdInfoButton || id == kCmdInfo) {
        // Off until the program can show player information.
        const CSessionDoc* session = GetSessionDoc();
        state.enabled = session && session->CanShowPlayerInfo();
        return true;
    }
    return CUserListView::OnUpdateCommand(id, state);
}

bool CBlindListView::OnCommand(int id) {
    if (id == AddButtonId()) {
        addNames();
        return true;
    }
    if (id == RemoveButtonId()) {
        removeSelected();
        return true;
    }
    if (id == kCmdProperties) {
        ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kFontPage, FontKind());
        return true;
    }
    return CUserListView::OnCommand(id);
}

void CBlindListView::addNames() {
    CPromptDlg prompt(QStringLiteral("Add"), QStringLiteral("Nicknames:"), this);
    if (prompt.DoModal() != platform::IDOK)
        return;
    // The names appear when the service sends the list again.
    const QString text = m_records.ChangeText(QStringLiteral("+"), prompt.GetAnswer(), Match::IgnoringCase);
    if (!text.isEmpty())
        SendChange(text);
}

void CBlindListView::removeSelected() {
    QString text = QStringLiteral("- ");
    bool taken = false;
    for (const CClientUserInfo* user : GetSelectedUsers()) {
        text += user->GetNickname() + QLatin1Char(' ');
        taken = true;
    }
    // The rows go when the service sends the list again, so the window never shows what the service
    // did not do.
    if (taken)
        SendChange(text.trimmed());
}

// ---- Gagged players

CGagListView::CGagListView(QWidget* parent) : CBlindListView(parent) {}

int CGagListView::ListPacketType() const {
    return RelationPacket::GagList;
}

int CGagListView::FontKind() const {
    return kFontKindGagged;
}

void CGagListView::SendChange(const QString& text) {
    if (CSessionDoc* session = GetSessionDoc())
        session->BroadcastSubDocEvent(CGagSubDocument::kEventGagChanged, QVariant(text));
}

QMenu* CGagListView::CreateContextMenu(int menuId) {
    if (menuId != kContextMenu)
        return nullptr;
    auto* menu = new QMenu(this);
    platform::CommandRouter* router = new platform::CommandRouter(menu);
    const auto add = [&](int id, const QString& text) {
        QAction* action = platform::MakeAction(id, text, menu);
        router->UpdateAction(action, this);
        connect(action, &QAction::triggered, this, [router, this, id] { router->Route(id, this); });
        menu->addAction(action);
    };
    add(kCmdInfoButton, QStringLiteral("Player &Info..."));
    add(RemoveButtonId(), QStringLiteral("&Remove"));
    menu->addSeparator();
    add(kCmdProperties, QStringLiteral("P&roperties..."));
    return menu;
}
