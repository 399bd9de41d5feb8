#pragma once

#include <QObject>
#include <QString>

// The agreement between two games of a money session, as the game document sees it: the document
// hands it the server's offer (37), the peer's messages (243) and the database's money answers (253)
// and deletes it once the next game was started. The controller that does the work lives with the
// invitation dialogs (it shows a wager edit); the document only holds this interface.
class CContinueSession : public QObject {
public:
    // The peer's first message of a pause: his dialog is open.
    static constexpr int kPeerOpened = 1;

    using QObject::QObject;
    ~CContinueSession() override = default;

    // Shows the dialog (unless automatic), asks the database for the limits and tells the peer.
    virtual void OpenDialog() = 0;
    // Packet 37 from the server: "<stake cents> <limit cents>".
    virtual void OnLimitsPacket(const QString& text) = 0;
    // Packet 243 from the peer: "<code> \"<text>\"".
    virtual void OnSessionPacket(const QString& text) = 0;
    // The database's answer (routed 253 from ".db") -> 1 when it was the one for this session.
    virtual int OnMoneyInviteResponse(const QString& text) = 0;
    // Either player chose "End Session": the session is over, nothing of it is owed.
    virtual bool IsSessionEnded() const = 0;
    // The connection to the server ended: nothing of the pause can be answered any more.
    virtual void OnConnectionClosed() {}

    // The first integer of a peer message when it is a continuation code (1 to 6), else 0.
    static int PeekContinueSessionCode(const QString& text) {
        const QString word = text.trimmed().section(QLatin1Char(' '), 0, 0);
        bool ok = false;
        const int code = word.toInt(&ok);
        return ok && code >= 1 && code <= 6 ? code : 0;
    }
};
