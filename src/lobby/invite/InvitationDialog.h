#pragma once

#include <QString>

class QDialog;
class QWidget;

// What the invitation manager asks of an invitation dialog. The dialog family derives from a QDialog
// and from this interface; the game factory's invitation creator makes them (the manager takes a
// created QDialog that lacks this interface as a failed creation). The manager registers each dialog under its service name and
// destroys its window when it forgets it; the dialog never deletes itself.
class CInvitationDialogInterface {
public:
    virtual ~CInvitationDialogInterface() = default;

    // The dialog itself (the window the manager shows, focuses and finally destroys).
    virtual QDialog* GetDialog() = 0;
    // Creates the window from the template id with that parent -> false when that failed.
    virtual bool CreateDialogWindow(int templateId, QWidget* parent) = 0;
    // The match room (".gb.<inviter>.<invitee>"), as registered.
    virtual QString GetServiceNameText() const = 0;
    // A packet the manager could not place -> nonzero when the dialog took it.
    virtual int OfferPacket(int type, const QString& body) = 0;
    // False once the dialog has learnt that its peer is not logged in.
    virtual bool IsPeerPresent() const = 0;
    virtual QString GetPeerName() const = 0;
    // True for a dialog opened by another player's invitation.
    virtual bool IsIncoming() const = 0;
    // True when the dialog's record was raised from a finished game (play again).
    virtual bool IsFromGame() const = 0;
    // The game kind of the dialog's record (1 a proposition).
    virtual int GetGameKind() const = 0;
    // True once records were exchanged with the peer.
    virtual bool HasExchangedRecords() const = 0;
    // A play-again dialog starts (the text: the terms it starts with, usually empty).
    virtual void StartFromGame(const QString& startText) = 0;
    // A record for this dialog's room arrived (its text form).
    virtual void ReceiveRecord(const QString& recordText) = 0;
    // Closes the dialog: tells the peer (a decline when incoming, a withdrawal when outgoing) when
    // records were exchanged, then has the manager remove it (CInvitationManager::RemoveInvitation).
    virtual void CloseInvitation() = 0;
};
