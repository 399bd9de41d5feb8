#pragma once

// Two real clients logged in to the development server, for the invitation tests: each a session with
// its window, chat log and invitation manager; the server's invitation records and transfers recorded.

#include "DevServer.h"
#include "app/GameRoom.h"
#include "lobby/invite/InvitationDlg.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/InviteData.h"
#include "session/SessionDoc.h"
#include "support/SessionFixture.h"

#include <QAbstractButton>

#include <map>

namespace testenv {

template <class Dlg>
struct InviteClient {
    InviteClient(quint16 port, const QString& nickname) {
        view.frame = &frame;
        session.AddView(&view);
        session.SetChatLog(&chat);
        manager = CInvitationManager::Attach(session);
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { in = true; });
        QObject::connect(&session, &CSessionDoc::serviceEntered, [this](const QString& s) {
            room = s;
            if (game)
                game->OnServiceEntered(s);
        });
        session.Connect(
            CClientNode::LoginRequest{"127.0.0.1", port, nickname, "pw", "1000 Norvale for Linux"});
    }
    ~InviteClient() { session.RemoveView(&view); }

    Dlg* Dialog(const QString& name = QStringLiteral(".gb.alice.bob")) const {
        return dynamic_cast<Dlg*>(manager->FindInvitation(name));
    }
    bool Enabled(int id, const QString& name = QStringLiteral(".gb.alice.bob")) const {
        Dlg* dialog = Dialog(name);
        return dialog && dialog->Item(id) && dialog->Item(id)->isEnabled() && !dialog->Item(id)->isHidden();
    }
    void Click(int id, const QString& name = QStringLiteral(".gb.alice.bob")) const {
        Dialog(name)->template ItemAs<QAbstractButton>(id)->click();
    }
    QStringList SystemLines() const {
        QStringList lines;
        for (const auto& line : chat.lines)
            if (line.kind == 3)
                lines << line.text;
        return lines;
    }

    CSessionDoc session;
    RecordingView view;
    QWidget frame;
    RecordingChatLog chat;
    CInvitationManager* manager = nullptr;
    bool in = false;
    QString room;
    // The game windows' document of the rooms entered, for the tests that play (made on demand).
    std::unique_ptr<CGameRoom> game;
};

// What crossed the server: "from>to kind" of every invitation record, and each player's transfer text.
struct InviteWire {
    void Watch(CDevServer& server) {
        QObject::connect(&server, &CDevServer::packetRelayed,
                         [this](const QString& from, const QString& to, int type, const QString& payload) {
                             if (type == 227)
                                 records.append(QStringLiteral("%1>%2 %3")
                                                    .arg(from, to)
                                                    .arg(CInviteData(payload).GetMessageKind()));
                         });
        QObject::connect(&server, &CDevServer::transferAsked,
                         [this](const QString& who, const QString& text) { transfers[who] = text; });
    }
    QStringList records;
    std::map<QString, QString> transfers;
};

} // namespace testenv
