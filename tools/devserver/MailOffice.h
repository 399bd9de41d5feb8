#pragma once

#include "Accounts.h"
#include "MailStore.h"

// The development server's mail office, over the letters its CMailStore keeps: it takes a member's
// letter for members it knows (or refuses it, with the reason in the log), tells each recipient how
// many letters wait for him (139: at login, as they come, after a hand-over), hands them over when
// his client asks (-120), takes his client's filing results, and tells the sender (now, or at his
// next login) once every recipient has his letter. It answers every mail packet (MailPacket::kType).
class CMailOffice : public CDevServerPart {
public:
    CMailOffice(CDevServerCore& core, const CAccounts& accounts) : CDevServerPart(core), m_accounts(accounts) {}

    void OnMail(Client* client, const QString& text);
    // At login: the receipts kept for him and the count of his waiting letters.
    void LoggedIn(Client* client);
    // Letters handed to the connection and not filed go back to waiting.
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

    const CAccounts& m_accounts;
    CMailStore m_mail;
};
