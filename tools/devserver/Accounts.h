#pragma once

#include "DevServerCore.h"
#include "PacketRegistry.h"

// The development server's accounts: who may log in (the client's version, a valid nickname not
// logged in already, the password) and every member who has logged in since the server started.
// It answers the login ("L") with its refusal or acceptance, the ranking requests (239 to ".rt") from
// the members it knows, the e-mail and password changes and an invitation's money limits (routed
// 251 to ".db"), the client version query (182) and kicks (208).
class CAccounts : public CDevServerPart {
public:
    explicit CAccounts(CDevServerCore& core) : CDevServerPart(core) {}

    // The packets it answers; loggedIn is called for each member once he is in.
    void Register(CPacketRegistry& packets, std::function<void(Client*)> loggedIn);

    // Login: refused with the reason, or the member is in (logged in, a member from now on) and told
    // so -> whether he is.
    bool LogIn(Client* client, const QString& text);
    // Whether the member has logged in since the server started.
    bool IsMember(const QString& nickname) const;
    // A ranking request (239 to ".rt") -> the page of the ranking list it asks for.
    QString RankingReply(const QString& text) const;
    // Routed 251 to ".db": an invitation's money limits, an e-mail or a password change.
    void OnAccountRequest(Client* client, const QString& text);
    // Routed 182: "<cookie> <nickname>", answered with 183 and the version his client gave.
    void OnVersionQuery(Client* client, const QString& text);
    // Routed 208: "<nickname> <reason>", from a member with the right to kick.
    void OnKick(Client* client, const QString& text);

private:
    // Routed 251 with transaction 70: the money limits of an invitation, answered with routed 253.
    void onMoneyInviteRequest(Client* client, const QString& text);

    // Every member who logged in since the server started, for the ranking list.
    struct Member {
        QString nickname;
        float rating = 0;
        int experience = 0;
    };
    CNoCaseStringMap<Member> m_members;
};
