#pragma once

#include "game/GameDoc.h"
#include "game/GameSessionLink.h"
#include "session/GameModule.h"
#include "session/PacketTarget.h"

#include <QPointer>

class CGameDoc;

// Connects one game document to its session both ways: the session's packets and session events reach
// the document (as a packet target), and the document sends, asks for the nickname, the room and the
// sender of the packet in hand through the session.
class CSessionGameLink : public CPacketTarget, public CGameSessionLink {
public:
    CSessionGameLink(CSessionDoc* session, CGameDoc* document);
    ~CSessionGameLink() override;

    CGameDoc* GetDocument() const { return m_document.data(); }

    // CPacketTarget
    int OnPacket(int type, const QString& text) override;
    int OnSessionEvent(int code, const QString& text) override;

    // CGameSessionLink
    bool Send(int type, const QString& text, const QString& target) override;
    QString GetNickname() const override;
    QString GetServiceName() const override;
    bool IsConnected() const override;
    QString CurrentPacketSource() const override { return CPacketTarget::CurrentPacketSource(); }
    QString CurrentPacketDestination() const override;
    void RemoveTemporaryConnection() override;
    void AddSystemChatLine(const QString& text) override;
    void OpenInvitationFromGame(const QString& serviceName, int localSide) override;

    // The line the chat shows when the opponent leaves a match under way (that he left is told as the
    // Notification page chose).
    static QString OpponentLeftText(const QString& opponent);
    // The line the chat shows when he comes back into the room (by Rejoin Game or a resume).
    static QString OpponentBackText(const QString& opponent);

private:
    // Follows the opponent in and out of the room; when he goes while the match is under way the user
    // is told as the Notification page says (chat line, message box or nothing), once per departure,
    // and the document holds play until he is back, which the chat tells too.
    void checkOpponent();

    QPointer<CGameDoc> m_document;
    bool m_opponentSeen = false;
};

// The game module's answers for the session (service word, private scores, the lobby's score texts),
// taken from the backgammon module's factory.
class CFactoryGameModuleInfo : public CGameModuleInfo {
public:
    QString GetServiceWord() const override;
    QString GetGameName() const override;
    bool HidesPrivateScore() const override;
    QString GetScoreText(const QString& location, const QString& gameDescriptor) const override;
};
