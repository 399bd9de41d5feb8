#pragma once

#include "frame/KelderFrameWnd.h"
#include "session/SessionServices.h"

#include <QPointer>

#include <functional>

class CGameView;
class CSessionDoc;

// A list view that reads the packets its frame relays (the relation lists' views). It answers 0
// always: the session goes on offering the packet to the others.
class CRelayedPacketView {
public:
    virtual ~CRelayedPacketView() = default;
    virtual int OnRelayedPacket(int type, const QString& text) = 0;
};

// The floating window of one relation list (the blinded players; the friends' and gagged players'
// windows are made the same way): a mini frame holding one list view of the session, child id 59648.
// It passes the packets its owner hands it to the view, remembers whether the user moved or sized it,
// and keeps its place only then. Closing it tells the owner, which lets go of it, and destroys it.
class CBlindFrameWnd : public CKelderFrameWnd, public CPacketRelay {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBlindFrameWnd, CKelderFrameWnd)
public:
    static constexpr int kViewId = 59648;
    static constexpr int kDefaultFriendsRight = 350;

    // forget: what the owner does when the frame closes (clears its pointer to it).
    CBlindFrameWnd(CSessionDoc* session, std::function<void()> forget, QWidget* owner = nullptr);
    ~CBlindFrameWnd() override;

    // Puts the view in the frame (the frame owns it), attaches it to the session (its creation and
    // initial update run), places the frame from its saved placement and shows it -> false when the view
    // could not be made.
    bool OpenWithView(CGameView* view, const QString& title);

    // The view's packet operation; nothing without a view.
    void RelayPacket(int type, const QString& text) override;
    int RelayPacketResult(int type, const QString& text);

    CGameView* GetView() const { return m_view.data(); }
    CSessionDoc* GetSession() const { return m_session.data(); }
    // Set once the user starts moving or sizing the window.
    bool IsMoved() const { return m_moved; }
    void OnEnterSizeMove() { m_moved = true; }

    // Closes the frame without telling the owner (the owner is going away).
    void CloseForOwner();

protected:
    void OnClose() override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The default rectangle's right edge (400; the friends window's is 350).
    virtual int DefaultRight() const { return kDefaultRight; }

private:
    QPointer<CSessionDoc> m_session;
    QPointer<CGameView> m_view;
    std::function<void()> m_forget;
    bool m_moved = false;
    bool m_placed = false;
};

// The gagged players' window, owned by the gag sub-document.
class CGagFrameWnd : public CBlindFrameWnd {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CGagFrameWnd, CBlindFrameWnd)
public:
    using CBlindFrameWnd::CBlindFrameWnd;
};

// The friends' window, owned by the session: it sees every packet nobody else took. One per session;
// the session's friends command opens it or brings it to the front.
class CAffinityFrameWnd : public CBlindFrameWnd {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CAffinityFrameWnd, CBlindFrameWnd)
public:
    // The session's friends command: opens the window "Friends", or activates it when it is open.
    // -> the window, null when the session cannot have one now.
    static CAffinityFrameWnd* ShowFriends(CSessionDoc& session);
    // The session's friends window, null when none is open.
    static CAffinityFrameWnd* Find(const CSessionDoc* session);

    explicit CAffinityFrameWnd(CSessionDoc* session, QWidget* owner = nullptr);

protected:
    int DefaultRight() const override { return kDefaultFriendsRight; }
};
