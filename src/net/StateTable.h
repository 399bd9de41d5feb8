#pragma once

#include <QString>

#include <functional>
#include <vector>

class CMessagePacket;

// Message ids that are not packet types: what the socket itself reports.
enum SocketEventId : int {
    kSocketConnected = 0x10001, // the connection is up
    kSocketClosed = 0x10002,    // the peer closed, or the connection failed
};

// One state of a connection: rows of (message id, handler, next table, flags). The first row whose id
// matches (or a row for kAnyMessage) runs; when it names a next table the connection switches to it.
class CStateTable {
public:
    using Handler = std::function<void(const CMessagePacket* packet)>;
    static constexpr int kAnyMessage = -1;

    struct Row {
        int messageId;
        Handler handler;
        const CStateTable* next; // null: stay in this table
    };

    explicit CStateTable(QString name) : m_name(std::move(name)) {}

    CStateTable& On(int messageId, Handler handler, const CStateTable* next = nullptr);
    const Row* Find(int messageId) const;
    const QString& name() const { return m_name; }

private:
    QString m_name;
    std::vector<Row> m_rows;
};

// Runs a connection through its state tables. A handler that throws is logged and the connection
// goes on with the next message; a message no row takes is logged as illegal.
class CStateMan {
public:
    using LogSink = std::function<void(const QString& line)>;

    explicit CStateMan(QString ownerClass) : m_ownerClass(std::move(ownerClass)) {}

    void SetTable(const CStateTable* table) { m_table = table; }
    const CStateTable* table() const { return m_table; }
    void SetLog(LogSink sink) { m_log = std::move(sink); }

    // Dispatches a packet (by its effective type) or a socket event (packet null) -> whether a row
    // took it. peer names the other end for the log.
    bool Dispatch(int messageId, const CMessagePacket* packet, const QString& peer);

    // The log lines, built here so that tests and the node agree on them.
    static QString IllegalPacketText(const QString& state, const CMessagePacket* packet, int messageId,
                                     const QString& peer);
    static QString ExceptionText(const QString& ownerClass, int messageId, const CMessagePacket* packet);

private:
    void log(const QString& line) const {
        if (m_log)
            m_log(line);
    }

    QString m_ownerClass;
    const CStateTable* m_table = nullptr;
    LogSink m_log;
};
