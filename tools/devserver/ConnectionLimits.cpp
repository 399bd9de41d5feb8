#include "ConnectionLimits.h"

#include <algorithm>

#include <dirent.h>
#include <sys/resource.h>

CConnectionLimits::CConnectionLimits(CDevServerCore& core, QTcpServer& server, std::function<void()> acceptPending)
    : CDevServerPart(core), m_server(server), m_acceptPending(std::move(acceptPending)) {
    m_backoffTimer = new QTimer(core.owner);
    m_backoffTimer->setSingleShot(true);
    QObject::connect(m_backoffTimer, &QTimer::timeout, core.owner, [this] { resumeAccepting(); });
    // Out of descriptors (or another resource): no busy loop on the listening socket, a pause instead.
    QObject::connect(&m_server, &QTcpServer::acceptError, core.owner, [this](QAbstractSocket::SocketError) {
        log(QStringLiteral("cannot accept a connection: %1").arg(m_server.errorString()));
        backOff(true);
    });
    m_staleTimer = new QTimer(core.owner);
    m_staleTimer->setInterval(qBound(10, m_options.staleOutputSeconds * 250, 1000));
    QObject::connect(m_staleTimer, &QTimer::timeout, core.owner, [this] { sweepStale(); });
    m_staleTimer->start();
}

QString CConnectionLimits::name(const Client* client) {
    return client->loggedIn ? client->record.GetNickname() : client->connection->PeerText();
}

void CConnectionLimits::Admit(Client* client) {
    client->connection->SetHardOutputLimit(m_options.outputLimitBytes * kHardOutputFactor);
    client->connection->SetFramesPerTurn(m_options.framesPerTurn);
    QObject::connect(client->connection, &CServerConnection::outputOverflow, m_core.owner, [this, client](qint64 backlog) {
        log(QStringLiteral("%1 dropped: %2 bytes sent to it wait unread").arg(name(client)).arg(backlog));
    });
    // What waits for all connections is estimated from the backlog each reported last (what a
    // connection has sent since is not subtracted, backlogs under 64 KiB are not reported): once
    // the estimate passes the budget, at once, before anything more is written, they are counted.
    QObject::connect(client->connection, &CServerConnection::outputWaiting, m_core.owner, [this, client](qint64 backlog) {
        State& own = state(client);
        m_outputEstimate += backlog - own.outputReported;
        own.outputReported = backlog;
        if (m_options.outputBudgetBytes > 0 && m_outputEstimate > m_options.outputBudgetBytes)
            auditOutput();
    });
    const CServerConnection* connection = client->connection;
    QObject::connect(client->connection, &QObject::destroyed, m_core.owner, [this, connection] {
        if (const auto gone = m_states.find(connection); gone != m_states.end()) {
            logRefusals(gone->second);
            m_states.erase(gone);
        }
    });
    State& own = state(client);
    own.allowance = m_options.relayBurstBytes;
    own.allowanceClock.start();
    own.outputStill.start();
    if (m_options.loginTimeoutSeconds > 0) {
        QTimer::singleShot(m_options.loginTimeoutSeconds * 1000, client->connection, [this, client] {
            if (client->loggedIn)
                return;
            log(QStringLiteral("%1 did not log in in time").arg(client->connection->PeerText()));
            client->connection->Drop();
        });
    }
}

void CConnectionLimits::Accepted() {
    if (!m_acceptPaused && nearFileLimit())
        backOff();
}

bool CConnectionLimits::nearFileLimit() const {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return false;
    // Counting the open descriptors costs a directory listing: only worth it once the connections
    // alone use a good part of a large limit.
    if (limit.rlim_cur > 1024 && m_clients.size() < limit.rlim_cur / 2)
        return false;
    return openDescriptors() + m_options.fileReserve >= qint64(limit.rlim_cur);
}

qint64 CConnectionLimits::openDescriptors() {
    // Counted by name only: a listing that looked at each entry would cost a call per connection.
    DIR* directory = ::opendir("/proc/self/fd");
    if (!directory)
        return 0;
    qint64 open = 0;
    while (const dirent* entry = ::readdir(directory))
        if (entry->d_name[0] != '.')
            ++open;
    ::closedir(directory);
    return open - 1; // the listing's own
}

void CConnectionLimits::backOff(bool acceptFailed) {
    // Room is made first from connections that never logged in, the oldest first.
    std::vector<Client*> waiting;
    for (const auto& entry : m_clients)
        if (!entry.second->loggedIn && entry.second->connection->IsOpen())
            waiting.push_back(entry.second.get());
    std::sort(waiting.begin(), waiting.end(), [](Client* a, Client* b) { return a->serial < b->serial; });
    const size_t dropped = std::min<size_t>(waiting.size(), size_t(qMax(1, m_options.fileReserve / 4)));
    for (size_t i = 0; i < dropped; ++i)
        waiting[i]->connection->Drop();
    if (dropped > 0 && !m_acceptPaused && !acceptFailed) {
        // The room is made: accepting goes on, so a member who connects now is not kept waiting
        // behind the connections queued up meanwhile.
        log(QStringLiteral("near the file limit: %1 connections, %2 not logged in closed")
                .arg(m_clients.size())
                .arg(dropped));
        return;
    }
    m_server.pauseAccepting();
    m_acceptPaused = true;
    m_backoffMs = m_backoffMs == 0 ? 50 : qMin(2000, m_backoffMs * 2);
    if (!m_backoffTimer->isActive())
        m_backoffTimer->start(m_backoffMs);
    log(QStringLiteral("near the file limit: %1 connections, %2 not logged in closed, accepting again in %3 ms")
            .arg(m_clients.size())
            .arg(dropped)
            .arg(m_backoffMs));
}

void CConnectionLimits::resumeAccepting() {
    m_acceptPaused = false;
    if (!nearFileLimit())
        m_backoffMs = 0;
    else if (backOff(); m_acceptPaused)
        return;
    m_server.resumeAccepting();
    m_acceptPending(); // any accepted while paused
}

void CConnectionLimits::refill(State& member) {
    // For the time since, up to the whole allowance (and a minute at most, so that nothing overflows).
    const qint64 elapsed = qMin<qint64>(member.allowanceClock.nsecsElapsed(), 60'000'000'000);
    member.allowanceClock.restart();
    member.allowance =
        qMin(m_options.relayBurstBytes, member.allowance + elapsed * m_options.relayBytesPerSecond / 1'000'000'000);
}

bool CConnectionLimits::behind(const Client* reader) const {
    // Well within his own output limit, which would drop him.
    qint64 bound = m_options.readerBacklogBytes;
    if (m_options.outputLimitBytes > 0)
        bound = qMin(bound, m_options.outputLimitBytes / 2);
    return bound > 0 && reader->connection->BytesToWrite() > bound;
}

void CConnectionLimits::refuse(Client* sender, qint64 frameBytes, const QString& line, const QString& reason) {
    Refused(sender, frameBytes, QStringLiteral("%1 refused: %2").arg(name(sender), reason));
    systemLine(sender, QStringLiteral("That was not sent: %1").arg(line));
}

bool CConnectionLimits::MayRelay(Client* sender, QList<Client*>& recipients, qint64 frameBytes) {
    const qint64 rate = m_options.relayBytesPerSecond;
    if (rate <= 0)
        return true;
    // A member who has closed sent no more than the connection had read when it saw him close: that
    // goes at once, so that he does not stay on for minutes.
    const bool gone = sender->connection->IsPeerGone();
    State& own = state(sender);
    if (recipients.size() > 1) {
        // Holding a room's speakers for its slowest reader would let him silence the room: he misses
        // its chat instead until he has read what waits.
        recipients.removeIf([this](const Client* reader) { return behind(reader); });
    } else if (recipients.size() == 1 && recipients.front() != sender && behind(recipients.front())) {
        // Nothing more is queued for him: what all the senders together have waiting for him stays
        // bounded. His sender waits a little in case he catches up; one who is away (his client
        // answers for him, and his game must not wait on it) or gone does not.
        const bool waits = !gone && sender->record.GetPresence() != CUserInfo::kPresenceAway;
        if (waits && !own.readerWait.isValid())
            own.readerWait.start();
        if (waits && own.readerWait.elapsed() < kReaderWaitMs) {
            sender->connection->Defer(kReaderRetryMs);
            return false;
        }
        own.readerWait.invalidate();
        const Client* reader = recipients.front();
        refuse(sender, frameBytes,
               QStringLiteral("%1 has not yet read what was sent to him before.").arg(reader->record.GetNickname()),
               QStringLiteral("%1 bytes for %2, who has %3 waiting")
                   .arg(frameBytes)
                   .arg(reader->record.GetNickname())
                   .arg(reader->connection->BytesToWrite()));
        return false;
    }
    refill(own);
    const qint64 cost = frameBytes * recipients.size();
    if (cost > m_options.relayBurstBytes) {
        refuse(sender, frameBytes, QStringLiteral("it is too long for %1 readers.").arg(recipients.size()),
               QStringLiteral("%1 bytes for %2 readers").arg(frameBytes).arg(recipients.size()));
        return false;
    }
    if (cost > own.allowance && !gone) {
        sender->connection->Defer(int(qMin<qint64>((cost - own.allowance) * 1000 / rate + 1, 3600 * 1000)));
        return false;
    }
    own.allowance -= cost;
    own.readerWait.invalidate();
    return true;
}

void CConnectionLimits::Charge(Client* member, qint64 bytes) {
    const qint64 rate = m_options.relayBytesPerSecond;
    if (rate <= 0)
        return;
    State& own = state(member);
    refill(own);
    own.allowance -= bytes;
    if (own.allowance < 0)
        member->connection->Hold(int(qMin<qint64>(-own.allowance * 1000 / rate + 1, 3600 * 1000)));
}

void CConnectionLimits::Refused(Client* sender, qint64 frameBytes, const QString& line) {
    State& own = state(sender);
    if (own.refusalBurst.isValid() && own.refusalBurst.elapsed() < kRefusalBurstMs) {
        ++own.refusalsUnlogged;
    } else {
        logRefusals(own);
        log(line);
        own.refusalBurst.start();
        own.refused = name(sender);
        QTimer::singleShot(kRefusalBurstMs, sender->connection, [this, connection = sender->connection] {
            logRefusals(m_states[connection]);
        });
    }
    if (!sender->connection->IsPeerGone())
        Charge(sender, frameBytes);
}

void CConnectionLimits::logRefusals(State& member) {
    if (member.refusalsUnlogged > 0)
        log(QStringLiteral("%1: %2 more packets refused").arg(member.refused).arg(member.refusalsUnlogged));
    member.refusalsUnlogged = 0;
}

void CConnectionLimits::auditOutput() {
    // What the system takes now is not kept here.
    std::vector<std::pair<qint64, Client*>> backlogs;
    qint64 total = 0;
    for (const auto& entry : m_clients) {
        Client* client = entry.second.get();
        State& own = state(client);
        own.outputReported = 0;
        if (!entry.first->IsOpen())
            continue;
        entry.first->Flush();
        own.outputReported = entry.first->BytesToWrite();
        total += own.outputReported;
        if (own.outputReported > 0)
            backlogs.emplace_back(own.outputReported, client);
    }
    // Down to three quarters of the budget, so that the next count is a while away.
    const qint64 target = m_options.outputBudgetBytes / 4 * 3;
    std::sort(backlogs.begin(), backlogs.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [backlog, client] : backlogs) {
        if (total <= target)
            break;
        log(QStringLiteral("%1 dropped: %2 bytes sent to it wait unread, %3 for all connections")
                .arg(name(client))
                .arg(backlog)
                .arg(total));
        total -= backlog;
        state(client).outputReported = 0;
        client->connection->Drop();
    }
    m_outputEstimate = total;
}

void CConnectionLimits::sweepStale() {
    const qint64 staleMs = qint64(m_options.staleOutputSeconds) * 1000;
    std::vector<Client*> stale;
    for (const auto& entry : m_clients) {
        Client* client = entry.second.get();
        State& own = state(client);
        const qint64 drained = client->connection->BytesDrained();
        if (drained != own.drained) {
            own.drained = drained;
            own.outputStill.restart();
        }
        if (client->connection->BytesToWrite() == 0)
            own.outputStill.restart();
        else if (staleMs > 0 && own.outputStill.elapsed() >= staleMs && client->connection->IsOpen())
            stale.push_back(client);
    }
    for (Client* client : stale) {
        log(QStringLiteral("%1 dropped: %2 bytes sent to it have waited unread for %3 s")
                .arg(name(client))
                .arg(client->connection->BytesToWrite())
                .arg(m_options.staleOutputSeconds));
        client->connection->Drop();
    }
}
