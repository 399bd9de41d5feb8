#pragma once

#include "DevServerCore.h"

#include <QTcpServer>
#include <QTimer>

#include <functional>

// The development server's limits on connections, so that no peer and no crowd keeps it from the
// others. It keeps each connection's output limit (a peer whose unsent output passes it is dropped)
// and its frames a turn, both counted by the connection's CServerConnection; each member's relay
// budget (what he has others sent, beyond it his frames wait); the output of all connections
// together (the largest backlogs go first) and backlogs that do not shrink; the time a connection
// has to log in; and the file limit: near it, the oldest connections that have not logged in make
// room for new ones, or the server stops accepting for a pause that grows while the limit holds.
// It answers no packet.
class CConnectionLimits : public CDevServerPart {
public:
    // acceptPending takes the connections that wait to be accepted (when accepting resumes).
    CConnectionLimits(CDevServerCore& core, QTcpServer& server, std::function<void()> acceptPending);

    // A new connection's limits: its output, its frames a turn, its time to log in.
    void Admit(Client* client);
    // After the server accepted connections: near the file limit it makes room.
    void Accepted();
    bool IsAccepting() const { return !m_acceptPaused; }
    // The server sent bytes to others on the sender's behalf: they come off his relay budget, and
    // when it is spent, his frames wait until it is refilled.
    void Relayed(Client* sender, qint64 bytes);

private:
    // The unsent output of all connections together, counted: past the budget, the largest
    // backlogs are dropped until it is within it again.
    void auditOutput();
    // Backlogs whose peer has taken nothing for staleOutputSeconds are dropped.
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
};
