#include "lobby/PlayerInfoDlg.h"

#include "game/ClientGameFactory.h"
#include "lobby/RelationsSubDoc.h"
#include "lobby/UserListArt.h"
#include "platform/Paths.h"
#include "session/SessionDoc.h"
#include "session/UserInfo.h"
#include "support/MainWindow.h"
#include "support/SettingsStore.h"
#include "support/Utilities.h"
#include "web/WebAddress.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString kDefaultResponse = QStringLiteral("blah");
// Wide enough for all nine tabs of the user's own pages in the usual fonts.
constexpr platform::Rect kDefaultRect{100, 100, 850, 580};

struct PageInfo {
    const char* tab;
    const char* title;
};
// By page number.
constexpr PageInfo kPages[CPlayerInfoDlgOriginal::kPageCount] = {
    {"Personal", "Personal Info"},
    {"Picture", "Picture"},
    {"Finished", "Finished Matches"},
    {"Unfinished", "Unfinished Matches"},
    {"Unlimited", "Unlimited Matches"},
    {"Statistics", "Statistics"},
    {"Leagues", "League Info"},
    {"Tallybanks", "Tallybank Account "},
    {"Edit Personal", "Update Personal Information"},
};

struct ToolButton {
    int image; // in the "TBMatchBoard" strip
    int command;
    bool checkable;
};
constexpr ToolButton kToolButtons[] = {
    {5, CPlayerInfoDlg::kCmdFriend, true},  {6, CPlayerInfoDlg::kCmdGag, true},
    {7, CPlayerInfoDlg::kCmdBlind, true},   {22, CPlayerInfoDlg::kCmdInvite, false},
    {11, CPlayerInfoDlg::kCmdWatch, false}, {1, CPlayerInfoDlg::kCmdTalk, false},
};
constexpr int kToolButtonSize = 40;

// Activities in which a player can be invited: between matches, watching, and 32.
bool IsInvitableActivity(int activity) {
    return activity == CUserInfo::kActivityFinished || activity == CUserInfo::kActivityWatching || activity == 32;
}

QString LocalPageAddress(const QString& file) {
    const QString path = platform::FindResourceFile(QStringLiteral("html/") + file);
    return path.isEmpty() ? QStringLiteral("about:blank") : QUrl::fromLocalFile(path).toString();
}

} // namespace

QString FormatGameLocation(const CServiceName& service, const QString& gameName, const QString& user) {
    const QStringList players = service.GetPartList();
    if (!service.HasPart(user)) {
        QString text = QStringLiteral("Watching ") + gameName + QStringLiteral(": ") + players.value(0);
        for (int i = 1; i < players.size(); ++i)
            text += QStringLiteral(" vs ") + players[i];
        return text;
    }
    QStringList others;
    for (const QString& player : players) {
        if (!SameNickname(player, user))
            others.append(player);
    }
    return QStringLiteral("Playing ") + gameName + QStringLiteral(" with ") + others.join(QStringLiteral(", "));
}

// ---- CPlayerInfoDlg

CPlayerInfoDlg::CPlayerInfoDlg(CSessionDoc* session, QWidget* parent)
    : platform::Dialog(parent), m_session(session), m_host(CBrowserHost::LinkPolicy::KeepInside) {
    setObjectName(QStringLiteral("CPlayerInfoDlg"));
    setModal(false);
    setSizeGripEnabled(true);
    if (parent)
        setWindowIcon(parent->windowIcon());
    if (session) {
        m_ownNickname = session->GetNickname();
        readBaseAddresses();
        connect(session, &CSessionDoc::connectionClosed, this, &CPlayerInfoDlg::onConnectionClosed);
    }
    setMinimumSize(300, 300);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 4);
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QString::number(kIdToolBar));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(UserListArt::kToolBarImageSize, UserListArt::kToolBarImageSize));
    layout->addWidget(m_toolBar);

    auto* row = new QHBoxLayout;
    m_nicknameLabel = new QLabel(QStringLiteral("Nickname:"), this);
    SetItemId(m_nicknameLabel, kIdNicknameLabel);
    m_nickname = new QComboBox(this);
    m_nickname->setEditable(true);
    m_nickname->setInsertPolicy(QComboBox::NoInsert);
    m_nickname->lineEdit()->setMaxLength(int(kMaxUserNameLength));
    m_nickname->setMinimumContentsLength(16);
    SetItemId(m_nickname, kIdNickname);
    m_go = new QPushButton(QStringLiteral("Go"), this);
    SetItemId(m_go, kIdGo);
    m_go->setDefault(true);
    m_me = new QPushButton(QStringLiteral("Me"), this);
    SetItemId(m_me, kIdMe);
    m_me->setAutoDefault(false);
    row->addWidget(m_nicknameLabel);
    row->addWidget(m_nickname, 1);
    row->addWidget(m_go);
    row->addWidget(m_me);
    layout->addLayout(row);

    auto* tabControl = new QWidget(this);
    SetItemId(tabControl, kIdTabs);
    auto* tabLayout = new QVBoxLayout(tabControl);
    tabLayout->setContentsMargins(0, 0, 0, 0);
    tabLayout->setSpacing(0);
    m_tabs = new QTabBar(tabControl);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(true);
    tabLayout->addWidget(m_tabs);
    m_page = new QWidget(tabControl);
    m_page->setObjectName(QStringLiteral("page"));
    auto* pageLayout = new QVBoxLayout(m_page);
    pageLayout->setContentsMargins(2, 2, 2, 2);
    tabLayout->addWidget(m_page, 1);
    layout->addWidget(tabControl, 1);

    connect(m_go, &QPushButton::clicked, this, [this] { OnGo(); });
    connect(m_me, &QPushButton::clicked, this, [this] { OnMe(); });
    connect(m_nickname, &QComboBox::activated, this, [this](int index) {
        // A name chosen from the history (Enter in the box is "Go", the default button).
        const QString chosen = m_nickname->itemText(index);
        if (NormalizeUserName(chosen) != m_shownPlayer)
            ShowPlayer(chosen, -1);
    });
    connect(m_tabs, &QTabBar::currentChanged, this, [this] { RefreshPage(); });

    m_host.onNavigateComplete = [this](const QUrl&) { onNavigateComplete(); };
}

CPlayerInfoDlg::~CPlayerInfoDlg() {
    m_host.DestroyBrowser();
}

void CPlayerInfoDlg::SaveWindowRect() {
    if (!IsInitialized())
        return;
    const QRect frame = geometry();
    GetSettingsStore().WriteObjectRect(this, QStringLiteral("rSize"),
                                       {frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1});
}

bool CPlayerInfoDlg::OnInitDialog() {
    platform::Dialog::OnInitDialog();
    AddCommonTabs();
    if (m_host.CreateBrowser(m_page, kIdBrowser, WS_CHILD | WS_VISIBLE, HtmlEngineMessageKind::PlayerInfo, true))
        m_page->layout()->addWidget(m_host.GetWidget());
    const platform::Rect rect =
        GetSettingsStore().GetObjectRect(this, QStringLiteral("rSize"), kDefaultRect);
    setGeometry(rect.left, rect.top, qMax(rect.Width(), 300), qMax(rect.Height(), 300));
    buildToolBar();
    m_currentPage = 0;
    RefreshPage();
    return true;
}

void CPlayerInfoDlg::buildToolBar() {
    const std::vector<QIcon> icons = UserListArt::ListToolBarIcons();
    for (const ToolButton& button : kToolButtons) {
        const QIcon icon = button.image < int(icons.size()) ? icons[size_t(button.image)] : QIcon();
        QAction* action = platform::MakeAction(button.command, toolTipFor(button.command, false), m_toolBar);
        action->setIcon(icon);
        action->setCheckable(button.checkable);
        const int command = button.command;
        connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
        m_toolBar->addAction(action);
        if (QWidget* widget = m_toolBar->widgetForAction(action)) {
            widget->setObjectName(QString::number(command));
            widget->setFixedSize(kToolButtonSize, kToolButtonSize);
        }
        m_actions.insert(command, action);
    }
    UpdateCommandStates();
}

void CPlayerInfoDlg::OnCancel() {
    SaveWindowRect();
    hide();
}

void CPlayerInfoDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnCancel();
}

void CPlayerInfoDlg::resizeEvent(QResizeEvent* event) {
    platform::Dialog::resizeEvent(event);
    if (QWidget* browser = m_host.GetWidget(); browser && browser->isHidden())
        browser->show();
}

QString CPlayerInfoDlg::WorkingPageAddress() const {
    return LocalPageAddress(QStringLiteral("working.html"));
}

QString CPlayerInfoDlg::HelpPageAddress() const {
    return LocalPageAddress(QStringLiteral("playerdlghelp.html"));
}

bool CPlayerInfoDlg::isSelfIgnoringCase() const {
    return !m_shownPlayer.isEmpty() && SameNickname(m_shownPlayer, m_ownNickname);
}

bool CPlayerInfoDlg::isSelfExactly() const {
    return !m_shownPlayer.isEmpty() && m_shownPlayer == m_ownNickname;
}

QString CPlayerInfoDlg::ResponseWord() const {
    if (!isSelfExactly())
        return kDefaultResponse;
    return GetSettingsStore().GetString(QStringLiteral("Settings"), QStringLiteral("Response"), kDefaultResponse);
}

QString CPlayerInfoDlg::EncodedOwnNickname() const {
    return FormEncodeValue(m_ownNickname);
}

void CPlayerInfoDlg::selectTab(int tab) {
    const QSignalBlocker blocker(m_tabs);
    if (tab >= 0 && tab < m_tabs->count())
        m_tabs->setCurrentIndex(tab);
}

void CPlayerInfoDlg::EnsureSelfTabs() {
    if (m_selfTabsShown)
        return;
    const QSignalBlocker blocker(m_tabs);
    AddSelfTabs();
    m_selfTabsShown = true;
}

void CPlayerInfoDlg::ShowPlayer(const QString& name, int page) {
    const QString nickname = NormalizeUserName(name);
    if (!nickname.isEmpty()) {
        int index = -1;
        for (int i = 0; i < m_nickname->count() && index < 0; ++i) {
            if (m_nickname->itemText(i).compare(nickname, Qt::CaseInsensitive) == 0)
                index = i;
        }
        if (index < 0) {
            m_nickname->addItem(nickname);
            index = m_nickname->count() - 1;
        }
        {
            const QSignalBlocker blocker(m_nickname);
            m_nickname->setCurrentIndex(index);
            m_nickname->setEditText(nickname);
        }
        const bool changed = nickname != m_shownPlayer;
        m_shownPlayer = nickname;
        m_locationKnown = false;
        m_locationText = QStringLiteral("Searching...");
        m_locationService = CServiceName();
        // Asked directly, not through the session's watch request: a pending look-up must never
        // stand in the way of the user's own watch command, nor its reply be taken for one. Without
        // the connection nothing is awaited: the pages load with the location unknown.
        if (m_session &&
            !m_session->Send(kPacketLocate, QString::fromLatin1(kLocateCookie) + QLatin1Char(' ') + nickname)) {
            m_session->TellNotSent(QStringLiteral("request for %1's location").arg(nickname));
            m_locationText = QString::fromLatin1(kUnknownLocation);
            m_locationKnown = true;
        }
        if (changed) {
            // The toggles must show this player's state, not the one shown before.
            m_friend = m_gag = m_blind = 0;
            ReadRelations();
        }
        if (IsValidPage(page))
            selectTab(PageToTab(page));
    }
    RefreshPage();
}

void CPlayerInfoDlg::readBaseAddresses() {
    // The lobby's addresses: the dialog lives with the session, across match rooms whose settings
    // carry none of them.
    m_playerPagesBase = m_session->GetLobbySetting(QStringLiteral("urlPlayerInfoDir"));
    m_leaguesBase = m_session->GetLobbySetting(QStringLiteral("urlLeagues"));
    m_accountBase = m_session->GetLobbySetting(QStringLiteral("urlTallybankAccount"));
}

void CPlayerInfoDlg::RefreshPage() {
    if (m_session)
        readBaseAddresses();
    m_currentPage = TabToPage(m_tabs->currentIndex());
    if (isSelfExactly()) {
        EnsureSelfTabs();
    } else if (m_selfTabsShown) {
        if (m_currentPage == kPageAccount || m_currentPage == kPageEditPersonal) {
            m_currentPage = kPagePersonal;
            selectTab(PageToTab(kPagePersonal));
        }
        {
            const QSignalBlocker blocker(m_tabs);
            RemoveSelfTabs();
        }
        m_selfTabsShown = false;
        ReadRelations();
        m_targetAddress.clear();
    }
    // The profile needs the location: until it is known there is no address to load.
    m_targetAddress = m_currentPage == kPagePersonal && !m_locationKnown ? QString() : PageAddress(m_currentPage);
    // One blank before "for", whatever the page's title ends with.
    QString title = PageTitle(m_currentPage).trimmed();
    if (!m_shownPlayer.isEmpty())
        title += QStringLiteral(" for ") + m_shownPlayer;
    setWindowTitle(title);
    m_workingPagePending = true;
    m_host.Navigate(m_shownPlayer.isEmpty() ? HelpPageAddress() : WorkingPageAddress());
    UpdateCommandStates();
}

void CPlayerInfoDlg::onNavigateComplete() {
    if (m_workingPagePending) {
        m_workingPagePending = false;
        if (!m_targetAddress.isEmpty() && !m_shownPlayer.isEmpty())
            m_host.Navigate(m_targetAddress);
        return;
    }
    m_nickname->setFocus();
}

void CPlayerInfoDlg::OnLocation(const QString& name, const QString& locationText, const CServiceName& service) {
    if (m_shownPlayer.isEmpty() || name.compare(m_shownPlayer, Qt::CaseInsensitive) != 0)
        return;
    m_locationText = locationText;
    m_locationService = service;
    m_locationKnown = true;
    if (m_currentPage == kPagePersonal)
        RefreshPage();
    else
        UpdateCommandStates();
}

void CPlayerInfoDlg::onConnectionClosed() {
    if (!m_shownPlayer.isEmpty() && !m_locationKnown)
        OnLocation(m_shownPlayer, QString::fromLatin1(kUnknownLocation), CServiceName());
    UpdateCommandStates();
}

bool CPlayerInfoDlg::isConnected() const {
    return m_session && m_session->IsConnected();
}

void CPlayerInfoDlg::ReadRelations() {
    const CRelationsSubDoc* relations = CRelationsSubDoc::Find(m_session);
    if (!relations || !relations->HasReceivedAll() || m_shownPlayer.isEmpty())
        return;
    m_friend = relations->IsAffinity(m_shownPlayer) ? 1 : 0;
    m_gag = relations->IsGagged(m_shownPlayer) ? 1 : 0;
    m_blind = relations->IsBlinded(m_shownPlayer) ? 1 : 0;
    UpdateCommandStates();
}

void CPlayerInfoDlg::OnGo() {
    ShowPlayer(m_nickname->currentText(), -1);
}

void CPlayerInfoDlg::OnMe() {
    ShowPlayer(m_ownNickname, -1);
}

QString CPlayerInfoDlg::toolTipFor(int command, bool checked) const {
    const QString who = m_shownPlayer.isEmpty() ? QStringLiteral("a player") : m_shownPlayer;
    QString format;
    switch (command) {
    case kCmdFriend:
        format = checked ? QStringLiteral("Remove %1 from your list of friends")
                         : QStringLiteral("Add %1 to your list of friends");
        break;
    case kCmdGag:
        format = checked ? QStringLiteral("Remove %1 from your list of gagged players")
                         : QStringLiteral("Add %1 to your list of gagged players");
        break;
    case kCmdBlind:
        format = checked ? QStringLiteral("Remove %1 from your list of blinded players")
                         : QStringLiteral("Add %1 to your list of blinded players");
        break;
    case kCmdInvite:
        format = QStringLiteral("Invite %1 to a game");
        break;
    case kCmdWatch:
        format = QStringLiteral("Watch %1");
        break;
    case kCmdTalk:
        format = QStringLiteral("Open a talk dialog with %1");
        break;
    default:
        return QString();
    }
    return format.arg(who);
}

void CPlayerInfoDlg::commandState(int command, platform::CommandState& state) const {
    const bool other = !m_shownPlayer.isEmpty() && !isSelfIgnoringCase();
    state.enabled = false;
    switch (command) {
    case kCmdInvite: {
        const CClientUserInfo* user = other && m_session ? m_session->FindUser(m_shownPlayer) : nullptr;
        state.enabled = user && user->GetPresence() == CUserInfo::kPresenceReady &&
                        IsInvitableActivity(user->GetActivity()) && m_session->CanInvite() &&
                        m_session->GetInvitationService();
        break;
    }
    case kCmdTalk:
        state.enabled = other && !m_locationService.IsEmpty() && isConnected() && m_session->CanOpenTalks();
        break;
    case kCmdWatch:
        state.enabled = other && m_locationService.GetFirstPart().startsWith(QLatin1Char('g')) && isConnected();
        break;
    case kCmdFriend:
    case kCmdGag:
    case kCmdBlind:
        state.checkable = true;
        state.checked = (command == kCmdFriend ? m_friend : command == kCmdGag ? m_gag : m_blind) != 0;
        state.enabled = other && isConnected() && CRelationsSubDoc::Find(m_session);
        break;
    default:
        break;
    }
}

void CPlayerInfoDlg::UpdateCommandStates() {
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        platform::CommandState state;
        commandState(it.key(), state);
        QAction* action = it.value();
        const QSignalBlocker blocker(action);
        action->setEnabled(state.enabled);
        if (action->isCheckable())
            action->setChecked(state.checked);
        action->setToolTip(toolTipFor(it.key(), action->isCheckable() && state.checked));
    }
}

bool CPlayerInfoDlg::RunCommand(int command) {
    platform::CommandState state;
    commandState(command, state);
    if (!state.enabled || !m_session) {
        UpdateCommandStates();
        return false;
    }
    CSessionDoc* session = m_session;
    const QString player = m_shownPlayer;
    switch (command) {
    case kCmdInvite:
        if (CInvitationService* invitations = session->GetInvitationService())
            invitations->InvitePlayer(player, CClientGameFactory::GetFactory().GetDefaultGameKind(), 1, false);
        break;
    case kCmdTalk:
        session->OpenTalkWindow({m_ownNickname, player});
        break;
    case kCmdWatch:
        session->WatchPlayer(player);
        break;
    case kCmdFriend:
    case kCmdGag:
    case kCmdBlind: {
        CRelationsSubDoc* relations = CRelationsSubDoc::Find(session);
        if (!relations)
            break;
        int& stored = command == kCmdFriend ? m_friend : command == kCmdGag ? m_gag : m_blind;
        stored = stored ? 0 : 1;
        const bool add = stored != 0;
        if (command == kCmdFriend)
            relations->ChangeAffinityList(player, add);
        else if (command == kCmdGag)
            relations->ChangeGagList(player, add);
        else
            relations->ChangeBlindList(player, add);
        break;
    }
    default:
        return false;
    }
    UpdateCommandStates();
    return true;
}

// ---- CPlayerInfoDlgOriginal

CPlayerInfoDlgOriginal::CPlayerInfoDlgOriginal(CSessionDoc* session, QWidget* parent)
    : CPlayerInfoDlg(session, parent) {
    setObjectName(QStringLiteral("CPlayerInfoDlgOriginal"));
}

void CPlayerInfoDlgOriginal::AddCommonTabs() {
    for (int page = 0; page < kCommonPageCount; ++page)
        Tabs()->addTab(QString::fromLatin1(kPages[page].tab));
}

void CPlayerInfoDlgOriginal::AddSelfTabs() {
    Tabs()->addTab(QString::fromLatin1(kPages[kPageAccount].tab));
    Tabs()->addTab(QString::fromLatin1(kPages[kPageEditPersonal].tab));
}

void CPlayerInfoDlgOriginal::RemoveSelfTabs() {
    if (Tabs()->count() > kPageEditPersonal)
        Tabs()->removeTab(kPageEditPersonal);
    if (Tabs()->count() > kPageAccount)
        Tabs()->removeTab(kPageAccount);
}

QString CPlayerInfoDlgOriginal::PageTitle(int page) const {
    return IsValidPage(page) ? QString::fromLatin1(kPages[page].title) : QString();
}

QString CPlayerInfoDlgOriginal::PageAddress(int page) const {
    const QString player = FormEncodeValue(GetShownPlayer());
    const QString own = EncodedOwnNickname();
    const QString response = FormEncodeValue(ResponseWord());
    // Without the service's address of a page there is nothing to load.
    const QString& base = page == 6 ? LeaguesBase() : page == kPageAccount ? AccountBase() : PlayerPagesBase();
    if (base.isEmpty())
        return QString();
    switch (page) {
    case 0:
        return PlayerPagesBase() + QStringLiteral("profile/%1/?name=%2&resp=%3&location=%4")
                                       .arg(player, own, response, FormEncodeValue(LocationText()));
    case 1:
        return PlayerPagesBase() + QStringLiteral("info-picture/%1/?name=%2&resp=%3").arg(player, own, response);
    case 2:
        return PlayerPagesBase() + QStringLiteral("finished/%1/?name=%2&resp=%3").arg(player, own, response);
    case 3:
        return PlayerPagesBase() + QStringLiteral("unfinished/%1/?name=%2&resp=%3").arg(player, own, response);
    case 4:
        return PlayerPagesBase() + QStringLiteral("unlimited/%1/?name=%2&resp=%3").arg(player, own, response);
    case 5:
        return PlayerPagesBase() + QStringLiteral("statistics/%1/?name=%2&resp=%3").arg(player, own, response);
    case 6:
        return LeaguesBase() + QStringLiteral("%1/?name=%2&resp=%3").arg(player, own, response);
    case 7:
        return AccountBase() + QStringLiteral("%1/?name=%2&resp=%3").arg(player, own, response);
    case 8:
        return PlayerPagesBase() + QStringLiteral("edit-profile/%1/?name=%2&resp=%3").arg(player, own, response);
    default:
        return QString();
    }
}

void CPlayerInfoDlgOriginal::RegisterWithFactory() {
    CClientGameFactory& factory = CClientGameFactory::GetFactory();
    if (factory.HasPlayerInfoDialogCreator())
        return;
    factory.SetPlayerInfoDialogCreator([](QObject* session) -> QDialog* {
        return new CPlayerInfoDlgOriginal(qobject_cast<CSessionDoc*>(session), GetMainWindow());
    });
}
