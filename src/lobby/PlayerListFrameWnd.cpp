#include "lobby/PlayerListFrameWnd.h"

#include "frame/WindowPlacement.h"
#include "prefs/FontWindowKinds.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "session/LobbyUserMap.h"
#include "support/Cascade.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <utility>

CPlayerListView::CPlayerListView(QWidget* parent) : CUserListView(parent, kListControlId) {}

QStringList CPlayerListView::GetColumnTitles() const {
    QStringList titles{QStringLiteral("Nickname"), QStringLiteral("Status"), QString(), QString(),
                       QStringLiteral("Rating"), QStringLiteral("Exp.")};
    while (titles.size() < kColumns)
        titles.append(QString());
    return titles;
}

void CPlayerListView::GetDefaultLayout(CUserListLayout& layout) const {
    layout = CUserListLayout();
    layout.shown = {1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    layout.width = {100, 18, 0, 0, 60, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    layout.alignment = {0, 0, 0, 0, 0, 2, 2, 2, 0, 0, 0, 2, 0, 2, 0};
    layout.ascending.fill(1);
    layout.sortColumn = UserListColumn::Nickname;
}

std::vector<CUserListView::ToolBarButton> CPlayerListView::GetToolBarButtons() const {
    return {{5, kCmdFriendTool, true}, {6, kCmdGaggedTool, true}, {22, kCmdInviteNow}, {1, kCmdTalk}, {2, kCmdInfo}};
}

void CPlayerListView::FillColumnsPage(CUserListColumnsPage&, const std::array<int, kColumns>&) {}

void CPlayerListView::ReadColumnsPage(const CUserListColumnsPage&, std::array<int, kColumns>& shown) {
    shown = GetLayout().shown;
}

QString CPlayerListView::TitleFor(int rows) {
    return rows >= 3 ? QStringLiteral("%1 Players and Watchers").arg(rows) : QStringLiteral("Players");
}

void CPlayerListView::retitle() {
    if (QWidget* frame = window(); frame && frame != this)
        frame->setWindowTitle(TitleFor(GetRowCount()));
}

void CPlayerListView::OnInitialUpdate() {
    CUserListView::OnInitialUpdate();
    RefillRows();
    SortRows();
    retitle();
}

void CPlayerListView::OnUpdate(platform::View* sender, int hint, platform::Object* object) {
    CUserListView::OnUpdate(sender, hint, object);
    if (!GetSessionDoc())
        return;
    const auto inGame = [](const CClientUserInfo& user) { return (user.GetGroupFlags() & kInGameGroup) != 0; };
    if (FollowDirectory(hint, platform::object_cast<CClientUserInfo>(object), inGame))
        retitle();
}

bool CPlayerListView::OnUpdateCommand(int id, platform::CommandState& state) {
    if (id == kCmdProperties) {
        state.enabled = true;
        return true;
    }
    return CUserListView::OnUpdateCommand(id, state);
}

bool CPlayerListView::OnCommand(int id) {
    if (id == kCmdProperties) {
        ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kFontPage, kFontKindPlayerList);
        return true;
    }
    return CUserListView::OnCommand(id);
}

// ---------------------------------------------------------------------------------------------------

CPlayerListFrameWnd::CPlayerListFrameWnd(CSessionDoc* session, std::function<void(bool)> onClosed, QWidget* owner)
    : CKelderFrameWnd(owner), m_session(session), m_onClosed(std::move(onClosed)) {
    SetFrameId(kFrameId);
    setWindowTitle(CPlayerListView::TitleFor(0));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new CPlayerListView(this);
    layout->addWidget(view);
    m_view = view;
    if (session) {
        connect(session, &QObject::destroyed, this, [this] {
            m_session = nullptr;
            CloseForGame();
        });
        view->Create(session);
    }
    LoadWindowPlacement(this, this, parentWidget(),
                        platform::Rect{kDefaultLeft, kDefaultTop, kDefaultRight, kDefaultBottom});
    CascadeWindow(parentWidget(), parentWidget(), this);
    m_placed = true;
}

CPlayerListFrameWnd::~CPlayerListFrameWnd() {
    if (m_savePlacement)
        SavePlacement();
    report(false);
}

void CPlayerListFrameWnd::report(bool closedByUser) {
    if (m_reported)
        return;
    m_reported = true;
    if (m_onClosed)
        m_onClosed(closedByUser);
}

void CPlayerListFrameWnd::closeEvent(QCloseEvent* event) {
    // The close box (or a close of the window alone) is the user's; the game going or the program
    // ending is not.
    m_userClosing = !m_closingForGame && !QCoreApplication::closingDown();
    CKelderFrameWnd::closeEvent(event);
}

void CPlayerListFrameWnd::OnClose() {
    report(m_userClosing);
}

void CPlayerListFrameWnd::CloseForGame() {
    m_closingForGame = true;
    // Its place is written now: the next match's list may open before this window is gone.
    if (std::exchange(m_savePlacement, false))
        SavePlacement();
    report(false);
    close();
}

void CPlayerListFrameWnd::moveEvent(QMoveEvent* event) {
    // Only the user (through the window system) moves it once it is placed.
    if (m_placed && event->spontaneous() && isVisible() && event->oldPos() != event->pos())
        m_savePlacement = true;
    CKelderFrameWnd::moveEvent(event);
}

void CPlayerListFrameWnd::resizeEvent(QResizeEvent* event) {
    if (m_placed && event->spontaneous() && isVisible() && event->oldSize().isValid() &&
        event->oldSize() != event->size())
        m_savePlacement = true;
    CKelderFrameWnd::resizeEvent(event);
}
