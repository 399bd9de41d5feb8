#pragma once

#include "lobby/PlayerListFrameWnd.h"

#include <QObject>
#include <QPointer>

#include <memory>

class CBackgammonDoc;
class CSessionDoc;
class CSessionGameLink;

// The game room of a session: when the session enters a backgammon room (".gb.Ann.Bob") it makes the
// room's match document, ties it to the session and opens the room's window set (board, match log,
// chat and command line); when the session goes back to the lobby it closes them and opens the
// lobby's again. A player of the room plays, anybody else watches.
class CGameRoom : public QObject {
    Q_OBJECT
public:
    // The room's settings: the rules of its match, in the rule options' text form.
    static constexpr char kRulesSetting[] = "rules";

    explicit CGameRoom(CSessionDoc* session, QObject* parent = nullptr);
    ~CGameRoom() override;

    // Whether a service name is a backgammon room with two players.
    static bool IsMatchRoom(const QString& serviceName);

    CBackgammonDoc* GetDocument() const { return m_doc.get(); }
    // The players and watchers of the room, while that window is open.
    CPlayerListFrameWnd* GetPlayerList() const { return m_playerList.data(); }
    // The session entered a service: the room's document and windows follow.
    void OnServiceEntered(const QString& serviceName);

signals:
    // The window set must be made again for the session's current service.
    void windowSetChanged();

private:
    void closeDocument();
    // Opens the room's player list unless the user closed it for this kind of game.
    void openPlayerList();

    QPointer<CSessionDoc> m_session;
    std::unique_ptr<CBackgammonDoc> m_doc;
    std::unique_ptr<CSessionGameLink> m_link;
    QString m_room;
    QPointer<CPlayerListFrameWnd> m_playerList;
};
