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
    // The room's settings: the rules of its match, in the rule options' text form, and the number of
    // the match; a new number in the same room is the next match of its players (played again).
    // Without rules the players have not agreed on the room's next match yet.
    static constexpr char kRulesSetting[] = "rules";
    static constexpr char kMatchSetting[] = "match";
    // The match ("<room> <match number>") whose player list the user closed, in the document's
    // section: it stays closed when he comes back to that match after a drop (by resume or rejoin);
    // a match started from agreed terms in that room clears it.
    static constexpr char kPlayerListClosedIn[] = "Player List Closed In";

    explicit CGameRoom(CSessionDoc* session, QObject* parent = nullptr);
    ~CGameRoom() override;

    // Whether a service name is a backgammon room with two players.
    static bool IsMatchRoom(const QString& serviceName);

    CBackgammonDoc* GetDocument() const { return m_doc.get(); }
    // The players and watchers of the room, while that window is open.
    CPlayerListFrameWnd* GetPlayerList() const { return m_playerList.data(); }
    // The session entered a service: the room's document and windows follow. Entering the room it is in
    // again keeps the match on show, unless the room names a new one: that starts afresh.
    void OnServiceEntered(const QString& serviceName);

signals:
    // The window set must be made again for the session's current service.
    void windowSetChanged();

private:
    void closeDocument();
    void startMatch(const QString& serviceName, const QString& rules);
    // Opens the room's player list unless the user closed it for this kind of game or for this match.
    void openPlayerList();
    // The room's match starts from agreed terms: the list closed in an earlier match of the room is
    // not this one's (a resume or a rejoin keeps the mark).
    void forgetClosedPlayerList();
    // "<room> <match number>".
    QString matchKey() const;

    QPointer<CSessionDoc> m_session;
    std::unique_ptr<CBackgammonDoc> m_doc;
    std::unique_ptr<CSessionGameLink> m_link;
    QString m_room;
    QString m_match;
    QPointer<CPlayerListFrameWnd> m_playerList;
};
