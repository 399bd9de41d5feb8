#pragma once

#include "DevServerCore.h"
#include "net/MessagePacket.h"

#include <QHash>

#include <functional>
#include <vector>

// Which part of the development server answers each packet a connection sends, and who may send it:
// each part registers the packets it answers at start-up (its Register), and every packet read from a
// connection goes through Dispatch. docs/protocol.md lists them all with their rules.
//
// The registry holds the rule of who may send a packet: a connection before its login, every member,
// a member holding a right (anyone else is refused with the rule's line), or nobody. A member's packet
// acts for him alone: what the part answers goes to him, and what it changes is his own (his presence,
// his lists, his letters, the match of his room as its player); each part checks that of what it reads.
class CPacketRegistry {
public:
    enum class Sender {
        Connection,  // a connection that has not logged in yet; after the login, nobody
        Member,      // every member, for himself
        RightHolder, // a member whose rights hold the rule's right; the others get its line
        Nobody,      // only the server sends it: a member's is logged and dropped
    };
    struct Rule {
        Sender sender = Sender::Member;
        quint32 right = 0;
        QString refusal;
    };
    static Rule Connection() { return {Sender::Connection, 0, {}}; }
    static Rule Member() { return {Sender::Member, 0, {}}; }
    static Rule RightHolder(quint32 right, const QString& refusal) {
        return {Sender::RightHolder, right, refusal};
    }
    static Rule Nobody() { return {Sender::Nobody, 0, {}}; }

    // Where a packet goes: plain, or routed to one of the services or to a member.
    enum class To {
        Plain,
        Room,     // "&": the sender's room
        Server,   // "."
        Database, // ".db"
        Ranking,  // ".rt"
        Member,   // a nickname
        Elsewhere // any other service: nobody answers it
    };
    // The type of a registration that takes every type of its destination not registered by itself.
    static constexpr int kOtherTypes = -1;

    using Handler = std::function<void(CDevClient* sender, const CMessagePacket& packet)>;
    // A handler that reads the packet's text.
    template <class Part> static Handler Text(Part* part, void (Part::*method)(CDevClient*, const QString&)) {
        return [part, method](CDevClient* sender, const CMessagePacket& packet) {
            (part->*method)(sender, packet.GetPayload());
        };
    }

    // A packet refused or dropped: the sender, its frame's bytes and the line for the log.
    using Refusal = std::function<void(CDevClient* sender, qint64 frameBytes, const QString& line)>;
    explicit CPacketRegistry(Refusal refused) : m_refused(std::move(refused)) {}

    void Plain(int type, Rule rule, Handler handler) {
        add(To::Plain, type, std::move(rule), std::move(handler));
    }
    void Routed(To to, int type, Rule rule, Handler handler) {
        add(to, type, std::move(rule), std::move(handler));
    }

    // Hands the connection's packet to the part that answers it, when its sender may send it. Before
    // the login anything but a login packet closes the connection; after it, a packet nobody answers,
    // or one its sender may not send, is refused (the refusal hook charges him for it and logs it).
    void Dispatch(CDevClient* client, const CMessagePacket& packet) const;

private:
    struct Entry {
        To to;
        int type;
        Rule rule;
        Handler handler; // none for Nobody
    };
    static To destinationOf(const QString& destination);
    void add(To to, int type, Rule rule, Handler handler);
    const Entry* find(To to, int type) const;
    static quint64 keyOf(To to, int type) { return (quint64(to) << 32) | quint32(type); }

    Refusal m_refused;
    std::vector<Entry> m_entries;
    QHash<quint64, size_t> m_index; // by destination and type
};
