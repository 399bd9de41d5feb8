#include "lobby/BlindListView.h"

#include "lobby/BlindSubDocument.h"
#include "lobby/RelationList.h"
#include "net/MessagePacket.h"
#include "prefs/FontWindowKinds.h"
#include "session/RelationPackets.h"

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

CBlindListView::CBlindListView(QWidget* parent) : CRelationListView(parent) {}

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

void CBlindListView::ResetList() {
    CRelationListView::ResetList();
    OnListSelectionChanged();
}

int CBlindListView::OnRelayedPacket(int type, const QString& text) {
    const CSessionDoc* session = GetSessionDoc();
    const CMessagePacket* packet = session ? session->GetCurrentPacket() : nullptr;
    if (type != ListPacketType() || !packet || packet->GetSourceName() != QLatin1String(".db"))
        return 0;
    ClearList();
    for (const CRelationEntry& entry : ParseRelationList(text))
        AddName(entry.nickname);
    OnListSelectionChanged();
    return 0;
}

void CBlindListView::AddName(const QString& nickname) {
    if (nickname.isEmpty() || Records().Find(nickname, Match::IgnoringCase))
        return;
    CClientUserInfo* record = Records().Append(nickname);
    record->SetPresence(1);
    record->SetActivity(1);
    record->UpdateDisplayTexts();
    record->ClearChangeMask();
    AddUser(record);
}

void CBlindListView::OnListSelectionChanged() {
    CUserListView::OnListSelectionChanged();
    const auto follow = [this](QPushButton* button, int id) {
        platform::CommandState state;
        OnUpdateCommand(id, state);
        if (button)
            button->setEnabled(state.enabled);
    };
    follow(m_addButton, AddButtonId());
    follow(m_removeButton, RemoveButtonId());
    follow(GetInfoButton(), kCmdInfoButton);
}

bool CBlindListView::OnUpdateCommand(int id, platform::CommandState& state) {
    if (id == kCmdInfoButton || id == kCmdInfo) {
        // Off until the program can show player information, and for nobody chosen.
        const CSessionDoc* session = GetSessionDoc();
        state.enabled = session && session->CanShowPlayerInfo() && !GetSelectedUsers().empty();
        return true;
    }
    return CRelationListView::OnUpdateCommand(id, state);
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
