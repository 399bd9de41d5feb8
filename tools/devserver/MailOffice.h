#pragma once

#include "Accounts.h"
#include "MailStore.h"
#include "PacketRegistry.h"

#include <QElapsedTimer>

#include <deque>

// The development server's mail office, over the letters its CMailStore keeps: it takes a member's
// letter for members it knows (or refuses it, with the reason in the log), tells each recipient how
// many letters wait for him (139: at login, as they come, after a hand-over), hands them over when
// his client asks (-120), takes his client's filing results, and tells the sender (now, or at his
// next login) once every recipient has his letter. It answers every mail packet (MailPacket::kType).
//
// An answer to a letter (135) or a receipt (138) may be lost with a connection that ends: the office
// watches each it writes, and one written to a connection that ends with it unsent, or within
// kAnswerWatchMs of the write (the peer may have gone without reading it), is handed over again at
// the sender's next login (at most kMaxKeptAnswers a sender, the oldest go). Each sender's answers
// are watched apart, at most kMaxWatchedAnswers of his (as many as could be kept for him; the oldest
// of his go), so one member's flood of answers never pushes out another's.
class CMailOffice : public CDevServerPart {
public:
    static constexpr qint64 kAnswerWatchMs = 10000;
    static constexpr int kMaxKeptAnswers = 1000;
    static constexpr size_t kMaxWatchedAnswers = kMaxKeptAnswers;

    CMailOffice(CDevServerCore& core, const CAccounts& accounts) : CDevServerPart(core), m_accounts(accounts) {
        m_clock.start();
    }

    void Register(CPacketRegistry& packets) {
        packets.Plain(MailPacket::kType, CPacketRegistry::Member(), CPacketRegistry::Text(this, &CMailOffice::OnMail));
    }
    void OnMail(Client* client, const QString& text);
    // At login: the answers and receipts kept for him and the count of his waiting letters.
    void LoggedIn(Client* client);
    // Letters handed to the connection and not filed go back to waiting; answers that may not have
    // reached him are kept for his next login.
    void ConnectionClosed(const Client* client);

private:
    // On his request (-120): hands the member every receipt and letter waiting for him (those his
    // client could not file before too), then the count still waiting.
    void deliverMail(Client* client);
    // The receipts kept for the member (at login, and before his letters).
    void sendReceipts(Client* client);
    // The count of letters waiting for him (139): at login, when one arrives, after a hand-over.
    void sendWaitingCount(Client* client);
    // Whether every name is that of a member who has logged in since the server started; else the
    // first that is not goes to unknown.
    bool allMembers(const QStringList& names, QString* unknown) const;
    void onFilingResult(Client* client, const MailPacket::FilingResult& result);
    // The letter's sender learns (now, or at his next login) once every recipient has it.
    void letterDelivered(quint64 mailId);
    // Writes an answer or receipt to the sender's connection and watches it (kept for his next login
    // when it cannot go now).
    void answer(Client* client, const QString& text);
    void keepAnswer(const QString& sender, const QString& text);
    struct Watched {
        CServerConnection* connection;
        QString text;
        qint64 writtenAt; // m_clock
        qint64 mark;      // the connection's BytesQueued() after it
    };
    // Stops watching what surely went out: written long enough ago and passed to the network.
    void forgetDelivered(std::deque<Watched>& watched) const;

    const CAccounts& m_accounts;
    CMailStore m_mail;
    QElapsedTimer m_clock;
    CNoCaseStringMap<std::deque<Watched>> m_watched; // by sender, oldest first
    CNoCaseStringMap<QStringList> m_keptAnswers; // by sender, oldest first
};
