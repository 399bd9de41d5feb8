#pragma once

#include "lobby/UserListView.h"
#include "lobby/invite/InviteData.h"
#include "net/ServicePackets.h"
#include "session/PacketTarget.h"
#include "session/SessionServices.h"

#include <QMenu>
#include <QPointer>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class CInvitationDialogInterface;
class CResumeMatchReceiverDlg;
class CUnfinishedMatchesDlg;
class CWaitingForResumeMatchDlg;
class QDialog;

// The session's invitation manager: owns every open invitation dialog (one per match room) and every
// dialog asking whether to resume an unfinished match, keeps the server's list of the user's
// unfinished matches, answers the invitation and resume packets of other players (refusing them
// when the user cannot play), and hands an agreed match to the session.
//
// Dialogs are closed through snapshots of the maps: a dialog's close removes its own entry.
class CInvitationManager : public CSubDocument, public CInvitationService, public CPlayerInviter {
    NV_DECLARE_RUNTIME_CLASS(CInvitationManager, CSubDocument)
public:
    // Packets.
    static constexpr int kPacketRefused = 70;
    static constexpr int kPacketStatusReply = ServicePacket::WatchReply;
    static constexpr int kPacketUndeliverable = ServicePacket::Undeliverable;
    static constexpr int kPacketRecord = 227;
    static constexpr int kPacketUnfinishedList = ServicePacket::UnfinishedMatches;
    static constexpr int kPacketResumeRequest = 242;
    static constexpr int kPacketResumeAnswer = 246;
    static constexpr int kEventUserArrived = 0x1101;
    static constexpr int kEventUserLeft = 0x1102;
    static constexpr int kEventUserChanged = 0x1103;
    // Commands.
    static constexpr int kCmdUnfinishedMatches = 32888;
    static constexpr int kCmdResumeFirst = 33100;
    static constexpr int kCmdResumeLast = 33300;
    // Answers of the new-match question.
    // Invitations from others that may stand open at once; one more is refused as if the user could
    // not be invited at present.
    static constexpr int kMaxIncomingInvitations = 10;
    static constexpr int kStartNew = 1232;
    static constexpr int kResume = 1236;
    static constexpr int kTemplateResumeReceiver = 233;
    static constexpr char kUnfinishedCookie[] = "UFM_Cookie";

    // Registers with the session as its invitation service; the session keeps it (AdoptSubDocument)
    // or the caller does.
    explicit CInvitationManager(CSessionDoc* session);
    ~CInvitationManager() override;

    // The session's manager, made when the session has none yet.
    static CInvitationManager* Attach(CSessionDoc& session);
    static CInvitationManager* Find(const CSessionDoc* session);

    // ---- CPacketTarget / CSubDocument
    int OnPacket(int type, const QString& text) override;
    bool OnCommand(int id) override;

    // ---- Starting invitations
    // The invite entry: names blank-separated (may be empty), offerResume: ask first when an
    // unfinished match with these players exists, alwaysPrompt: ask for the names first.
    void InvitePlayer(const QString& names, int gameKind, int offerResume, bool alwaysPrompt) override;
    // Invitations of a kind whose dialog is registered; propositions also need the user's right to them.
    bool CanInviteTo(int gameKind) const override;
    // Play again after a finished game: the room, the local side (0 or 1) and the terms the room's
    // match was played by (empty when unknown: then those of the last match agreed here, if any).
    void OpenInvitationFromGame(const QString& serviceName, int localSide,
                                const QString& playedTerms = QString());
    // The own nickname first, then the valid names of text, at most the game's maximum in all.
    QStringList ParseInviteeNames(const QString& text, int gameKind) const;
    // The opener: checks, the new-match question, then one outgoing dialog per room.
    void OpenInvitation(int gameKind, QStringList players, bool offerResume);
    // The question asked when an unfinished match with these players exists: selector 1 on the
    // inviting side, 0 on the invited side -> kStartNew, kResume or IDCANCEL (2).
    int ConfirmNewMatch(int selector, const CServiceName& serviceName, const QString& entry, bool showChoice);

    // ---- Dialog registry
    // Registers a dialog under its room (closing older dialogs of the same players first).
    void RegisterInvitation(const QString& serviceName, CInvitationDialogInterface* dialog);
    // Forgets a dialog and destroys its window -> false when none was registered under that name.
    bool RemoveInvitation(const QString& serviceName);
    // The match of this dialog was agreed: every dialog closes and the session joins the room.
    void FinishInvitation(CInvitationDialogInterface* dialog, const QString& transferText);
    // Packet 227 with the record text to the peer; clearAway first ends the away state -> false when
    // nothing was sent.
    bool SendInvitationRecord(const QString& peer, const QString& recordText, bool clearAway);
    void CloseAllInvitations() override;
    void CloseAllResumeDialogs();
    bool CloseResumeDialog(const QString& serviceName);
    void CloseDialogsForUser(const QString& nickname) override;
    CInvitationDialogInterface* FindInvitation(const QString& serviceName) const;
    int GetInvitationCount() const { return int(m_invitations.size()); }
    int GetOutgoingCount() const { return m_outgoingCount; }
    int GetIncomingCount() const;
    CResumeMatchReceiverDlg* FindResumeDialog(const QString& serviceName) const;
    int GetResumeDialogCount() const { return int(m_resumeDialogs.size()); }

    // ---- Refusals
    // The reason this user cannot play that player now; empty when he can.
    QString GetRefusalText(const QString& nickname) const;
    // The same for a request to resume a match: a user still in the room of that very match (his
    // opponent's connection went) is not busy for it.
    QString GetResumeRefusalText(const QString& nickname, const CServiceName& match) const;

    // ---- Unfinished matches
    const std::vector<std::unique_ptr<TUnfinishedMatchInfo>>& GetUnfinishedMatches() const {
        return m_unfinished;
    }
    // The first unfinished match of the same service word and the same players; null when none.
    const TUnfinishedMatchInfo* FindUnfinishedMatch(const CServiceName& serviceName) const;
    bool HasUnfinishedMatch(const QString& serviceName) const override;
    // The popup menu of resumable matches (ids from 33100), rebuilt on every call; owned here.
    QMenu* BuildResumeMenu();
    void OnResumeMenuCommand(int id);
    // Resumes the unfinished match with exactly these players (own included) -> true when resumed.
    bool ResumeWithPlayers(const QStringList& players);
    // The lists' Resume: the selected names, the own nickname added.
    void ResumeWithPlayers(const QString& names) override;
    // Asks the other players to resume and waits for the answer -> true when the match resumed.
    bool RequestResumeMatch(const CServiceName& serviceName);
    // A resume was agreed: every dialog closes and the session resumes the match.
    void StartResumedMatch(const CServiceName& serviceName, const QString& entry);
    // The unfinished-matches dialog (command 32888).
    // The list of unfinished matches, a modeless window (one at a time).
    void ShowUnfinishedMatches();
    CUnfinishedMatchesDlg* GetUnfinishedMatchesDialog() const;

    // ---- Helpers for the dialogs
    void ShowPlayerInfo(const QString& nickname);
    QString GetOwnNickname() const;
    // The text to every part of the room but the own nickname.
    void SendToOtherPlayers(int type, const QString& text, const CServiceName& serviceName);

private:
    struct Registered {
        CInvitationDialogInterface* dialog = nullptr;
        QPointer<QDialog> window;
    };

    void onRecord(const QString& text);
    void onUnfinishedList(const QString& text);
    void onResumePacket(const QString& text);
    void onUserLeft(const QString& text);
    int offerToDialogs(int type, const QString& text);
    // Drops a record that is not well formed, not from the routed sender or not about this user.
    bool isAcceptableRecord(const CInviteData& record) const;
    void openInvitationDialog(int gameKind, const CServiceName& serviceName, const QString& key);
    // Registers the dialog and opens its window from the event loop: an incoming one is handed the
    // record; a play-again one starts from startText, then takes pendingRecord when there is one.
    void postDialogOpen(const CInviteData& record, CInvitationDialogInterface* dialog, bool fromGame,
                        const QString& startText = QString(), const QString& pendingRecord = QString());
    void onDeferredDialogOpen(CInvitationDialogInterface* dialog, const QString& room, int templateId,
                              QWidget* parent, const QString& recordText, bool fromGame,
                              const QString& startText);
    // A play-again invitation of another game kind than the dialog that waits for it.
    bool isInvitationOfAnotherKind(CInvitationDialogInterface& dialog, const CInviteData& record) const;
    // That dialog replaced by one of the invitation's kind, which then takes the invitation -> false
    // when no such dialog could be made (the waiting one stays).
    bool reopenWaitingDialog(const CInviteData& invitation);
    // An incoming dialog for a kind-0 record (crossing invitations settled first).
    void openIncoming(const CInviteData& record);
    bool isRegistered(const CInvitationDialogInterface* dialog) const;
    bool isOwnNickname(const QString& name) const;
    bool isRobotPlayer() const;
    // The packet in hand came from the server itself (not routed from a member).
    bool fromServer() const;
    // The room rebuilt from its validated parts; empty when a part is not a user name.
    static CServiceName rebuildRoom(const CServiceName& name);
    static bool samePlayers(const CServiceName& a, const CServiceName& b);
    // Whether the room the user is in is the one an invitation's game started in.
    static bool isStartedRoom(const CServiceName& current, const CServiceName& invitation);
    std::vector<CInvitationDialogInterface*> invitationSnapshot() const;

    // Activity of a user who waits to resume a match.
    static constexpr int kActivityResumable = 32;

    QMetaObject::Connection m_serviceEntered;
    std::shared_ptr<char> m_alive; // deferred calls and modal runs check that the manager still lives
    std::map<QString, Registered> m_invitations; // by service-name text
    int m_outgoingCount = 0;
    std::unique_ptr<CInviteData> m_lastRecord;
    std::map<QString, QPointer<CResumeMatchReceiverDlg>> m_resumeDialogs;
    std::unique_ptr<QMenu> m_resumeMenu;
    std::vector<std::unique_ptr<TUnfinishedMatchInfo>> m_unfinished;
    QPointer<CUnfinishedMatchesDlg> m_unfinishedDialog;
    QPointer<CWaitingForResumeMatchDlg> m_waitingDialog;
    int m_fromGameSide = -1;
    QString m_fromGameService;
    QString m_fromGameStartText;
    // The room and rules of the last match agreed through an invitation dialog.
    QString m_agreedService;
    QString m_agreedRules;
};
