#pragma once

// Another client in the same process for the application tests: a session with its game room, whose
// window set is made the way the application makes it.

#include "app/GameRoom.h"
#include "board/BgClientView.h"
#include "chat/ChatLog.h"
#include "frame/MultiPaneFrame.h"
#include "frame/PaneLayout.h"
#include "game/BackgammonDoc.h"
#include "lobby/invite/InvitationManager.h"
#include "records/BgMatchLogView.h"
#include "session/SessionDoc.h"

#include <memory>

namespace apptest {

struct OtherClient {
    OtherClient(quint16 port, const QString& nickname) : chat(&session), room(&session) {
        session.SetChatLog(&chat);
        invitations = CInvitationManager::Attach(session);
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { in = true; });
        QObject::connect(&session, &CSessionDoc::serviceEntered,
                         [this](const QString& name) { room.OnServiceEntered(name); });
        QObject::connect(&room, &CGameRoom::windowSetChanged, [this] {
            frame.reset();
            if (const CBackgammonDoc* doc = room.GetDocument()) {
                frame = std::make_unique<CMultiPaneFrame>(&session);
                frame->Build(*CPaneLayout::Parse(doc->GetWindowLayout()));
                frame->resize(900, 700);
                frame->show();
            }
        });
        session.Connect({"127.0.0.1", port, nickname, "any", "1000 Norvale for Linux"});
    }
    ~OtherClient() {
        frame.reset();
        session.SetChatLog(nullptr);
    }
    CBgClientView* Board() const {
        return frame ? qobject_cast<CBgClientView*>(frame->FindPane("BgBoard")) : nullptr;
    }
    CBgMatchLogView* Log() const {
        return frame ? qobject_cast<CBgMatchLogView*>(frame->FindPane("BgMatchLog")) : nullptr;
    }

    CSessionDoc session;
    CChatLog chat;
    CGameRoom room;
    std::unique_ptr<CMultiPaneFrame> frame;
    CInvitationManager* invitations = nullptr;
    bool in = false;
};

} // namespace apptest
