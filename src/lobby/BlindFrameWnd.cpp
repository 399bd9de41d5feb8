#include "lobby/BlindFrameWnd.h"

#include "frame/GameView.h"
#include "frame/WindowPlacement.h"
#include "lobby/AffinityListView.h"
#include "session/SessionDoc.h"

#include <QMoveEvent>
#include <QResizeEvent>
#include <QVBoxLayout>

CBlindFrameWnd::CBlindFrameWnd(CSessionDoc* session, std::function<void()> forget, QWidget* owner)
    : CKelderFrameWnd(owner), m_session(session), m_forget(std::move(forget)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (session) {
        // The session may end first (a log-out): the window goes with it.
        connect(session, &QObject::destroyed, this, [this] {
            m_session = nullptr;
            CloseForOwner();
        });
    }
}

CBlindFrameWnd::~CBlindFrameWnd() = default;

bool CBlindFrameWnd::OpenWithView(CGameView* view, const QString& title) {
    if (!view || !m_session)
        return false;
    setWindowTitle(title);
    view->setParent(this);
    view->setObjectName(QString::number(kViewId));
    layout()->addWidget(view);
    m_view = view;
    if (view->Create(m_session) < 0) {
        delete view;
        return false;
    }
    LoadWindowPlacement(this, this, parentWidget(),
                        platform::Rect{kDefaultLeft, kDefaultTop, DefaultRight(), kDefaultBottom});
    show();
    m_placed = true;
    view->setFocus(Qt::OtherFocusReason); // the active view
    return true;
}

void CBlindFrameWnd::RelayPacket(int type, const QString& text) {
    RelayPacketResult(type, text);
}

int CBlindFrameWnd::RelayPacketResult(int type, const QString& text) {
    auto* view = dynamic_cast<CRelayedPacketView*>(m_view.data());
    return view ? view->OnRelayedPacket(type, text) : 0;
}

void CBlindFrameWnd::moveEvent(QMoveEvent* event) {
    // The window system moves the window only when the user drags it (or a window manager places it
    // on request); our own placement is not a move of the user's.
    if (m_placed && event->spontaneous() && isVisible() && event->oldPos() != event->pos())
        OnEnterSizeMove();
    CKelderFrameWnd::moveEvent(event);
}

void CBlindFrameWnd::resizeEvent(QResizeEvent* event) {
    if (m_placed && event->spontaneous() && isVisible() && event->oldSize().isValid() &&
        event->oldSize() != event->size())
        OnEnterSizeMove();
    CKelderFrameWnd::resizeEvent(event);
}

void CBlindFrameWnd::OnClose() {
    if (m_moved)
        SavePlacement();
    m_moved = false;
    if (m_forget) {
        const std::function<void()> forget = std::move(m_forget);
        m_forget = nullptr;
        forget();
    }
}

void CBlindFrameWnd::CloseForOwner() {
    m_forget = nullptr;
    if (m_moved)
        SavePlacement();
    m_moved = false;
    hide();
    deleteLater();
}

// ---- The friends' window

CAffinityFrameWnd::CAffinityFrameWnd(CSessionDoc* session, QWidget* owner)
    : CBlindFrameWnd(
          session,
          [guard = QPointer<CSessionDoc>(session)] {
              if (guard)
                  guard->ForgetAffinityFrame();
          },
          owner) {}

CAffinityFrameWnd* CAffinityFrameWnd::Find(const CSessionDoc* session) {
    return session ? dynamic_cast<CAffinityFrameWnd*>(session->GetAffinityFrame()) : nullptr;
}

CAffinityFrameWnd* CAffinityFrameWnd::ShowFriends(CSessionDoc& session) {
    if (CAffinityFrameWnd* open = Find(&session)) {
        open->showNormal();
        open->raise();
        open->activateWindow();
        return open;
    }
    if (!session.IsConnected())
        return nullptr;
    auto* frame = new CAffinityFrameWnd(&session);
    session.SetAffinityFrame(frame);
    if (!frame->OpenWithView(new CAffinityListView, QStringLiteral("Friends"))) {
        session.ForgetAffinityFrame();
        frame->CloseForOwner();
        return nullptr;
    }
    return frame;
}
