#pragma once

#include "DevServerCore.h"

#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <unordered_map>

// The development server's limits on connections, so that no peer and no crowd keeps it from the
// others. It keeps each connection's output limit (a peer whose unsent output passes it and who reads
// nothing is dropped) and its frames a turn, both counted by the connection's CServerConnection; each
// member's allowance (what he has the server send to the others, charged before it is sent: beyond
// it his frames wait) and each reader's backlog (a room's chat skips a reader far behind, a packet
// for him alone waits while he reads); the output of all connections together (the largest backlogs
// go first) and backlogs that do not drain; the time a connection has to log in; and the file limit:
// near it, the oldest connections that have not logged in make room for new ones, or the server stops
// accepting for a pause that grows while the limit holds. It answers no packet.
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
    // the packet is being handled: whether it goes now. A room's chat (more than one recipient) leaves
    // out the readers who have more than readerBacklogBytes waiting; a packet for one reader who has
    // that much waiting and reads waits for him, kReaderWaitMs at most. All the copies left are
    // charged to the sender's allowance at once: while it does not cover them the packet waits, and
    // one that costs more than the whole allowance is refused and the sender told. A packet that waits
    // is put back (CServerConnection::Defer) and handled again later; the caller sends nothing now.
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
    static constexpr int kReaderWaitMs = 5000;
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
        // The bytes his socket had passed on to him when the limits last looked, when that last grew,
        // and since when it has not grown while output waited for him in the server.
        qint64 drained = 0;
        QElapsedTimer drainedAt;
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
    // Whether the reader's socket passed anything on to him in the last kReadingMs.
    bool reading(Client* reader);
    void noteDrained(Client* client, State& state);
    // The count of the refusals of a burst not logged yet.
    void logRefusals(State& member);
    static constexpr int kReadingMs = 2000;
    static constexpr int kReaderRetryMs = 50;
    // The unsent output of all connections together, counted: past the budget, the largest
    // backlogs are dropped until it is within it again.
    void auditOutput();
    // Backlogs whose peer's socket has passed nothing on to him for staleOutputSeconds are dropped.
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
