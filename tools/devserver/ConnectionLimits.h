#pragma once

#include "DevServerCore.h"

#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <unordered_map>

// The development server's limits on connections, so that no peer and no crowd keeps it from the
// others. It keeps each connection's output limit (past kHardOutputFactor times it, counted by the
// connection's CServerConnection, a peer is dropped at once) and its frames a turn; each member's
// allowance (what he has the server send to the others, charged before it is sent: beyond it his
// frames wait) and each reader's backlog (nothing a member has the server send is queued for a reader
// already behind: a room's chat skips him, a packet for him alone waits a little with its sender and
// is then refused); the output of all connections together (the largest backlogs go first) and
// backlogs that do not drain (the one judge of whether a member reads); the time a connection has to
// log in; and the file limit: near it, the oldest connections that have not logged in make room for
// new ones, or the server stops accepting for a pause that grows while the limit holds. It answers
// no packet.
class CConnectionLimits : public CDevServerPart {
public:
    // acceptPending takes the connections that wait to be accepted (when accepting resumes).
    CConnectionLimits(CDevServerCore& core, QTcpServer& server, std::function<void()> acceptPending);

    // A new connection's limits: its output, its frames a turn, its time to log in.
    void Admit(Client* client);
    // After the server accepted connections: near the file limit it makes room.
    void Accepted();
    bool IsAccepting() const { return !m_acceptPaused; }
    // Before the server sends the sender's packet to these recipients (frameBytes: one copy), while
    // the packet is being handled: whether it goes now. Nothing is queued for a reader who has more
    // than readerBacklogBytes waiting: a room's chat (more than one recipient) leaves him out; a packet
    // for him alone waits, with its sender, kReaderWaitMs at most for him to read, and is then refused
    // to the sender with a line (at once when the sender is away, whose answer is his client's own, or
    // has closed). All the copies left are charged to the sender's allowance at once: while it does
    // not cover them the packet waits, and one that costs more than the whole allowance is refused and
    // the sender told. A packet that waits is put back (CServerConnection::Defer) and handled again
    // later; the caller sends nothing now.
    bool MayRelay(Client* sender, QList<Client*>& recipients, qint64 frameBytes);
    // The server sent bytes to others on the member's behalf (the announcements of his changes): they
    // come off his allowance, and while it is below zero his frames wait.
    void Charge(Client* member, qint64 bytes);
    // The server refused a packet of the member's (frameBytes: its frame) and answered him alone: it
    // costs his allowance what one copy of it sent would, so that a stream of refused packets is slowed
    // as a stream of sent ones is (a member who has closed is not held for it). The refusal's log line
    // is written once a burst: the first at once, those after it within kRefusalBurstMs counted in one
    // line as the burst ends.
    void Refused(Client* sender, qint64 frameBytes, const QString& line);
    static constexpr int kReaderWaitMs = 3000;
    static constexpr int kHardOutputFactor = 4;
    static constexpr int kRefusalBurstMs = 1000;

private:
    // What the limits keep of each connection, from its admission until it is gone.
    struct State {
        // What the member may still have the server send to the others (bytes), as of allowanceClock;
        // below 0 while he pays for an announcement.
        qint64 allowance = 0;
        QElapsedTimer allowanceClock;
        // Since when his packet for one reader has waited for that reader to read (invalid: none waits).
        QElapsedTimer readerWait;
        // The bytes his socket had passed on to him when the limits last looked, and since when that
        // has not grown while output waited for him in the server.
        qint64 drained = 0;
        QElapsedTimer outputStill;
        // The backlog the connection last reported to the output budget.
        qint64 outputReported = 0;
        // The burst of his refusals being logged: since its first line (invalid: none), and how many
        // came after that line, under the name he had.
        QElapsedTimer refusalBurst;
        int refusalsUnlogged = 0;
        QString refused;
    };
    State& state(const Client* client) { return m_states[client->connection]; }
    void refill(State& member);
    // Whether more than readerBacklogBytes (half the output limit at most) wait in the server for
    // the reader.
    bool behind(const Client* reader) const;
    // A packet of the sender's not relayed: "That was not sent: <line>" to him, the reason in the log.
    void refuse(Client* sender, qint64 frameBytes, const QString& line, const QString& reason);
    // The count of the refusals of a burst not logged yet.
    void logRefusals(State& member);
    static constexpr int kReaderRetryMs = 50;
    // The unsent output of all connections together, counted: past the budget, the largest
    // backlogs are dropped until it is within it again.
    void auditOutput();
    // Backlogs whose peer's socket has passed nothing on to him for staleOutputSeconds are dropped:
    // whether a member reads is judged by what his socket passes on, however slowly, never by what
    // the system takes from the server (which, while a slow reader's window opens only in steps,
    // may be nothing for minutes).
    void sweepStale();
    static QString name(const Client* client);
    // At the file limit: close the oldest connections that never logged in and go on accepting; when
    // there are none (or accepting failed), stop accepting and try again after a pause that grows
    // while the limit holds.
    void backOff(bool acceptFailed = false);
    static qint64 openDescriptors();
    void resumeAccepting();
    bool nearFileLimit() const;

    QTcpServer& m_server;
    std::function<void()> m_acceptPending;
    bool m_acceptPaused = false;
    int m_backoffMs = 0;
    QTimer* m_backoffTimer = nullptr;
    QTimer* m_staleTimer = nullptr;
    qint64 m_outputEstimate = 0;
    std::unordered_map<const CServerConnection*, State> m_states;
};
