#pragma once

#include "MatchReferee.h"
#include "net/LoginPackets.h"
#include "net/ServicePackets.h"

#include <QString>

// How a development server is set up: its name and lobby, the rights and password of its members,
// the client versions it takes, its dice, the money limits and league of invitations, and the
// limits on connections.
struct CDevServerOptions {
    QString serverName = QStringLiteral("Norvale development server");
    QString lobbyService = QStringLiteral(".mb");
    quint32 rightsMask = MemberRight::Propositions | MemberRight::Shout;
    quint32 accountFlags = 1;     // mail allowed
    QString webHost{};            // the service's web pages ("http://127.0.0.1:4115"); empty: none
    int advertRefreshSeconds = 120;
    QString password{};           // empty: any password is accepted
    // Clients whose version number (the first word of their identification) is below this are
    // refused, and told of updateAddress and updateSize when an address is given. 0: any version.
    int minVersion = 0;
    QString updateAddress{};
    quint32 updateSize = 0;
    CMatchReferee::DiceSource dice{}; // the dice of every room; empty: random
    // The money limits of every member (dollars as decimal texts): per match, funds, the factor
    // that gives the per-point limit, and the spin steps as "<from> <step>" pairs.
    QString moneyPerMatch = QStringLiteral("100");
    QString moneyFunds = QStringLiteral("1000");
    QString moneyPerPointFactor = QStringLiteral("0.5");
    QString moneyIncrements = QStringLiteral("0.25 0.25 10 1");
    // The league every invitation may be played in (an empty name offers none); -1 leaves an
    // option to the players.
    struct League {
        QString name = QStringLiteral("Loopback");
        int matchLength = 5;
        int rated = 1;
        int cube = -1;
        int variant = -1;
        int stake = -1;
    } league{};
    // Limits: a member whose unsent output passes four times outputLimitBytes is dropped at once; a
    // connection that has not logged in after loginTimeoutSeconds is closed;
    // while fewer than fileReserve descriptors are left, the oldest connections that have not logged
    // in make room for new ones (with none of them, the server stops accepting and tries again
    // later). A connection's frames beyond framesPerTurn wait for the next turn of the event loop.
    // What a member has the server send to the others (chat, shouts, notices, tells, his room's
    // packets, the announcements of his presence and his moves between rooms: their bytes once for
    // each recipient) comes off an allowance refilled at relayBytesPerSecond, up to relayBurstBytes:
    // a packet waits until the allowance covers all its copies (one that costs more than
    // relayBurstBytes is refused). Nothing of it is queued for a reader who has more than
    // readerBacklogBytes (half outputLimitBytes at most) waiting in the server: he gets no more of a
    // room's chat until he has read it down, and a packet for him alone waits a few seconds with its
    // sender, then is refused. The unsent output of all connections together stays
    // within outputBudgetBytes (the largest backlogs are dropped first), and a member whose socket
    // passes nothing on to him for staleOutputSeconds while more waits in the server is dropped. The
    // system keeps at most about twice sendBufferBytes of a connection's output in its own buffers
    // (0: as much as it likes), so that these limits count nearly all that waits for a member.
    qint64 outputLimitBytes = 4 * 1024 * 1024;
    int loginTimeoutSeconds = 30;
    int fileReserve = 32;
    int framesPerTurn = 64;
    qint64 relayBytesPerSecond = 32 * 1024;
    qint64 relayBurstBytes = 256 * 1024;
    qint64 readerBacklogBytes = 512 * 1024;
    qint64 outputBudgetBytes = 256 * 1024 * 1024;
    int staleOutputSeconds = 180;
    int sendBufferBytes = 256 * 1024;
};

// The settings of the lobby service: limits, and the addresses of the web pages when there are any.
CServiceSettings LobbySettings(const CDevServerOptions& options);
