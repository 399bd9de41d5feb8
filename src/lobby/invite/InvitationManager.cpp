#include "lobby/invite/InvitationManager.h"

#include "game/ClientGameFactory.h"
#include "game/PropRuleOptions.h"
#include "game/RuleOptions.h"
#include "lobby/invite/InvitationDialog.h"
#include "lobby/invite/PreInviteDialog.h"
#include "lobby/invite/ResumeMatchReceiverDlg.h"
#include "lobby/invite/UnfinishedMatchesDlg.h"
#include "lobby/invite/WaitingForResumeMatchDlg.h"
#include "platform/PostCall.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "prefs/PreInviteeDialog.h"
#include "session/DeferredMessageBox.h"
#include "session/SessionDoc.h"
#include "session/UserInfo.h"
#include "support/MainWindow.h"
#include "support/PacketText.h"
#include "support/SoundSettings.h"
#include "support/Utilities.h"

#include <QApplication>
#include <QDialog>

namespace {

QString fill(const char* format, const QString& value) {
    return CPreInviteeDialog::FillIn(QString::fromLatin1(format), value);
}

CClientGameFactory& factory() {
    return CClientGameFactory::GetFactory();
}

} // namespace

CInvitationManager::CInvitationManager(CSessionDoc* session)
    : CSubDocument(session), m_alive(std::make_shared<char>(0)) {
    if (!session)
        return;
    session->SetInvitationService(this);
    // Entering a room ends the questions about resuming (the session itself closes the invitations).
    m_serviceEntered = QObject::connect(session, &CSessionDoc::serviceEntered, session,
                                        [this](const QString&) { CloseAllResumeDialogs(); });
}

CInvitationManager::~CInvitationManager() {
    m_alive.reset();
    QObject::disconnect(m_serviceEntered);
    if (GetSession() && GetSession()->GetInvitationService() == this)
        GetSession()->SetInvitationService(nullptr);
    // The dialogs call back into the manager: none may outlive it.
    for (auto& [name, registered] : m_invitations)
        delete registered.window.data();
    for (auto& [name, dialog] : m_resumeDialogs)
        delete dialog.data();
    delete m_unfinishedDialog.data();
}

CInvitationManager* CInvitationManager::Attach(CSessionDoc& session) {
    if (CInvitationManager* existing = Find(&session))
        return existing;
    return static_cast<CInvitationManager*>(
        session.AdoptSubDocument(std::make_unique<CInvitationManager>(&session)));
}

CInvitationManager* CInvitationManager::Find(const CSessionDoc* session) {
    return session ? dynamic_cast<CInvitationManager*>(session->GetInvitationService()) : nullptr;
}

// ---- Packets ---------------------------------------------------------------------------------------

int CInvitationManager::OnPacket(int type, const QString& text) {
    switch (type) {
    case kPacketRefused:
        return m_waitingDialog ? m_waitingDialog->OnPacket(type, text) : 0;
    case kPacketResumeAnswer:
        // Only a player of the match being resumed answers for it.
        if (!m_waitingDialog || !m_waitingDialog->GetServiceName().HasPart(CurrentPacketSource()) ||
            isOwnNickname(CurrentPacketSource()))
            return 0;
        return m_waitingDialog->OnPacket(type, text);
    case kPacketStatusReply:
        return m_unfinishedDialog && fromServer() ? m_unfinishedDialog->HandleReply(text) : 0;
    case kPacketRecord:
        onRecord(text);
        return 1;
    case kPacketUnfinishedList:
        onUnfinishedList(text);
        return 1;
    case kPacketResumeRequest:
        onResumePacket(text);
        return 1;
    case kEventUserLeft:
        onUserLeft(text);
        if (m_unfinishedDialog)
            m_unfinishedDialog->RefreshStatus(text);
        return 0;
    case kEventUserArrived:
    case kEventUserChanged:
        // The list of unfinished matches follows its players in the lobby while it is open.
        if (m_unfinishedDialog)
            m_unfinishedDialog->RefreshStatus(text);
        return offerToDialogs(type, text);
    default:
        return offerToDialogs(type, text);
    }
}

bool CInvitationManager::OnCommand(int id) {
    if (id == kCmdUnfinishedMatches) {
        ShowUnfinishedMatches();
        return true;
    }
    if (id >= kCmdResumeFirst && id <= kCmdResumeLast) {
        OnResumeMenuCommand(id);
        return true;
    }
    return false;
}

int CInvitationManager::offerToDialogs(int type, const QString& text) {
    for (CInvitationDialogInterface* dialog : invitationSnapshot()) {
        if (!isRegistered(dialog))
            continue;
        const int taken = dialog->OfferPacket(type, text);
        if (!taken)
            continue;
        if (isRegistered(dialog) && !dialog->IsPeerPresent()) {
            const QString peer = dialog->GetPeerName();
            dialog->CloseInvitation();
            PostDeferredMessageBox(peer + QStringLiteral(" is not logged in."), platform::MB_ICONEXCLAMATION);
        }
        return taken;
    }
    return 0;
}

bool CInvitationManager::isAcceptableRecord(const CInviteData& record) const {
    // Kinds a dialog declines (a proposition, a newer client's) reach the open dialog of their room.
    if (!record.IsWellFormed(FindInvitation(record.GetServiceName().GetText()) != nullptr))
        return false;
    // The sender written in the record must be the member the server says sent it.
    const QString source = CurrentPacketSource();
    if (!SameNickname(source, record.GetPlayerName()))
        return false;
    const CServiceName& room = record.GetServiceName();
    const CServiceName rebuilt = rebuildRoom(room);
    return !rebuilt.IsEmpty() && rebuilt.GetText() == room.GetText() && room.HasPart(GetOwnNickname()) &&
           room.HasPart(record.GetPlayerName());
}

CServiceName CInvitationManager::rebuildRoom(const CServiceName& name) {
    const QStringList parts = name.GetPartList();
    const int kind = factory().GetDefaultGameKind();
    if (name.GetFirstPart() != factory().GetServiceWord() || parts.size() < factory().GetMinPlayers(kind) ||
        parts.size() > factory().GetMaxPlayers(kind))
        return CServiceName();
    for (const QString& part : parts) {
        if (!IsValidUserName(part))
            return CServiceName();
    }
    return CServiceName::ConstructFromList(factory().GetServiceWord(), parts);
}

void CInvitationManager::onRecord(const QString& text) {
    if (!m_lastRecord)
        m_lastRecord = std::make_unique<CInviteData>(text);
    else
        m_lastRecord->Parse(text);
    CInviteData& record = *m_lastRecord;
    if (!isAcceptableRecord(record))
        return;
    CSessionDoc* session = GetSession();
    const QString room = record.GetServiceName().GetText();
    const QString sender = record.GetPlayerName();
    const int kind = record.GetMessageKind();

    if (CInvitationDialogInterface* dialog = FindInvitation(room)) {
        if (!isInvitationOfAnotherKind(*dialog, record) || !reopenWaitingDialog(record))
            dialog->ReceiveRecord(record.Format());
        return;
    }
    if (record.IsFromGame() && !isRobotPlayer()) {
        CInvitationDialogInterface* ours = FindInvitation(m_fromGameService);
        if (ours && ours->HasExchangedRecords() && m_fromGameSide == 1)
            return;
        if (kind == CInviteData::kInvite)
            openIncoming(record);
        return;
    }
    if (kind == CInviteData::kInvite) {
        const QString refusal = GetRefusalText(sender);
        if (!refusal.isEmpty()) {
            record.SetMessage(CInviteData::kDecline, GetOwnNickname(), CInviteData::FormatLengthText(refusal));
            SendInvitationRecord(sender, record.Format(), false);
            return;
        }
    }
    if (isRobotPlayer()) {
        if (kind == CInviteData::kStart && session && !session->HasRight(CSessionDoc::kRightRobotInvite) &&
            record.GetGameKind() != CClientGameFactory::kPropositionKind) {
            // Only terms that read as rule options reach the game service, written anew.
            bool ok = false;
            const CBGRuleOptions terms = CBGRuleOptions::CBGRuleOptionsFromText(record.GetPayload(), &ok);
            const bool keyOk = !record.Replaces() || IsValidUserName(record.GetUnfinishedKey());
            if (ok && keyOk) {
                CInviteData start(record.GetGameKind(), rebuildRoom(record.GetServiceName()),
                                  record.Replaces() ? record.GetUnfinishedKey() : QString());
                start.SetMessage(CInviteData::kStart, sender, terms.FormatText());
                session->AttachToGameService(start.BuildTransferText(), 1);
            }
        }
        return;
    }
    if (kind == CInviteData::kDecline && session && isStartedRoom(session->GetServiceName(), record.GetServiceName())) {
        PostDeferredMessageBox(
            fill("%s cancelled the invitation just after you accepted. The game has been aborted", sender),
            platform::MB_ICONEXCLAMATION);
        session->DetachFromGameService();
        return;
    }
    if (kind == CInviteData::kInvite)
        openIncoming(record);
}

bool CInvitationManager::isStartedRoom(const CServiceName& current, const CServiceName& invitation) {
    // A proposition may be played in its invitation's room with the players the other way round.
    const QStringList players = invitation.GetPartList();
    const QString room = current.GetBaseName();
    return room == invitation.GetText() ||
           (players.size() == 2 &&
            room == CServiceName::ConstructFromList(invitation.GetFirstPart(), {players[1], players[0]}).GetText());
}

int CInvitationManager::GetIncomingCount() const {
    return int(std::count_if(m_invitations.begin(), m_invitations.end(), [](const auto& entry) {
        return entry.second.window && entry.second.dialog->IsIncoming();
    }));
}

void CInvitationManager::openIncoming(const CInviteData& record) {
    const QString sender = record.GetPlayerName();
    if (GetIncomingCount() >= kMaxIncomingInvitations) {
        CInviteData refusal = record;
        refusal.SetMessage(CInviteData::kDecline, GetOwnNickname(),
                           CInviteData::FormatLengthText(fill("%s cannot be invited at present.", GetOwnNickname())));
        SendInvitationRecord(sender, refusal.Format(), false);
        return;
    }
    // Crossing invitations: when this user has invited the same players, the invitation of the
    // nickname that sorts first (ignoring case) stands; the other is dropped without a word to the peer.
    for (CInvitationDialogInterface* dialog : invitationSnapshot()) {
        if (!isRegistered(dialog) || dialog->IsIncoming() ||
            !samePlayers(CServiceName(dialog->GetServiceNameText()), record.GetServiceName()))
            continue;
        if (QString::compare(sender, GetOwnNickname(), Qt::CaseInsensitive) > 0)
            return; // ours stands; the peer drops his
        RemoveInvitation(dialog->GetServiceNameText());
    }
    CInviteData copy = record;
    QDialog* created = factory().CreateInvitationDialog(record.GetGameKind(), this, &copy, true);
    auto* dialog = dynamic_cast<CInvitationDialogInterface*>(created);
    if (!dialog) {
        delete created;
        return;
    }
    postDialogOpen(record, dialog, false);
}

bool CInvitationManager::isInvitationOfAnotherKind(CInvitationDialogInterface& dialog,
                                                   const CInviteData& record) const {
    // The dialog waits for the other player's play-again invitation, and this one offers another kind
    // of game than the dialog shows (say a proposition to a player whose client restarted since it was
    // agreed, and who therefore waits with a match).
    const CServiceName& room = record.GetServiceName();
    return record.GetMessageKind() == CInviteData::kInvite && record.IsFromGame() && !isRobotPlayer() &&
           dialog.IsFromGame() && !dialog.HasExchangedRecords() &&
           dialog.GetGameKind() != record.GetGameKind() &&
           SameNickname(record.GetPlayerName(), room.GetPart(0)) && !isOwnNickname(room.GetPart(0)) &&
           factory().HasInvitationDialogCreator(record.GetGameKind());
}

bool CInvitationManager::reopenWaitingDialog(const CInviteData& invitation) {
    // The waiting dialog gives way, without a word to the peer, to one of the invitation's kind, which
    // waits as it did and then takes the invitation: both sides show the same kind of game.
    CInviteData record(invitation.GetGameKind(), invitation.GetServiceName(), QString(), true);
    QDialog* created = factory().CreateInvitationDialog(record.GetGameKind(), this, &record, false);
    auto* dialog = dynamic_cast<CInvitationDialogInterface*>(created);
    if (!dialog) {
        delete created;
        return false;
    }
    RemoveInvitation(invitation.GetServiceName().GetText());
    postDialogOpen(record, dialog, true, QString(), invitation.Format());
    ++m_outgoingCount;
    return true;
}

void CInvitationManager::postDialogOpen(const CInviteData& record, CInvitationDialogInterface* dialog,
                                        bool fromGame, const QString& startText,
                                        const QString& pendingRecord) {
    const QString room = record.GetServiceName().GetText();
    RegisterInvitation(room, dialog);
    QWidget* parent = GetMainWindow();
    const int templateId = factory().GetInviteDialogTemplate(record.GetGameKind());
    const QString recordText = fromGame ? pendingRecord : record.Format();
    std::weak_ptr<char> alive = m_alive;
    auto open = [this, alive, dialog, room, templateId, parent = QPointer<QWidget>(parent), recordText,
                 fromGame, startText] {
        if (alive.expired())
            return;
        onDeferredDialogOpen(dialog, room, templateId, parent, recordText, fromGame, startText);
    };
    if (CMainWindowServices* frame = GetMainWindowServices())
        frame->PostInvitationCall(nullptr, std::move(open));
    else
        platform::PostCall(GetSession() ? static_cast<QObject*>(GetSession()) : qApp, std::move(open));
}

void CInvitationManager::onDeferredDialogOpen(CInvitationDialogInterface* dialog, const QString& room,
                                              int templateId, QWidget* parent, const QString& recordText,
                                              bool fromGame, const QString& startText) {
    // The same dialog (not merely one under the same name) must still be waiting.
    const auto found = m_invitations.find(room);
    if (found == m_invitations.end() || found->second.dialog != dialog || !found->second.window)
        return;
    if (!dialog->CreateDialogWindow(templateId, parent)) {
        QDialog* window = found->second.window.data();
        if (!dialog->IsIncoming())
            --m_outgoingCount;
        m_invitations.erase(found);
        delete window;
        return;
    }
    if (fromGame) {
        dialog->StartFromGame(startText);
        if (!recordText.isEmpty() && isRegistered(dialog))
            dialog->ReceiveRecord(recordText);
    } else {
        PlayEventSound(CSoundSettings::kInvitations);
        dialog->ReceiveRecord(recordText);
    }
}

// ---- Starting invitations ----------------------------------------------------------------------------

void CInvitationManager::InvitePlayer(const QString& names, int gameKind, int offerResume, bool alwaysPrompt) {
    CSessionDoc* session = GetSession();
    if (!session || !CanInviteTo(gameKind))
        return;
    QString answer = names.trimmed();
    const bool own = isOwnNickname(answer);
    if (alwaysPrompt || answer.isEmpty() || own) {
        if (own)
            answer.clear();
        const QString question =
            fill("Player%sto invite:", factory().GetMaxPlayers(gameKind) > 2 ? QStringLiteral("s ") : QStringLiteral(" "));
        for (;;) {
            QString value = answer;
            if (!platform::ui().Prompt(session->GetServiceFrame(), factory().GetInviteTitle(gameKind), question, value,
                                       false))
                return;
            answer = value.trimmed();
            if (!answer.isEmpty() && !isOwnNickname(answer))
                break;
            answer.clear();
        }
    }
    const QStringList players = ParseInviteeNames(answer, gameKind);
    if (players.size() < factory().GetMinPlayers(gameKind))
        return;
    OpenInvitation(gameKind, players, offerResume != 0);
}

bool CInvitationManager::CanInviteTo(int gameKind) const {
    if (gameKind == CClientGameFactory::kPropositionKind &&
        (!GetSession() || !GetSession()->HasRight(CSessionDoc::kRightPropositions)))
        return false;
    return factory().HasInvitationDialogCreator(gameKind);
}

QStringList CInvitationManager::ParseInviteeNames(const QString& text, int gameKind) const {
    QStringList players{GetOwnNickname()};
    QString rest = text;
    const int maximum = factory().GetMaxPlayers(gameKind);
    while (!rest.isEmpty() && players.size() < maximum) {
        const QString word = NextToken(rest, u" ");
        if (word.isEmpty() || isOwnNickname(word) || !IsValidUserName(word))
            continue;
        const bool twice = std::any_of(players.begin(), players.end(),
                                       [&](const QString& player) { return SameNickname(player, word); });
        if (!twice)
            players.append(word);
    }
    return players;
}

void CInvitationManager::OpenInvitation(int gameKind, QStringList players, bool offerResume) {
    CSessionDoc* session = GetSession();
    if (!session)
        return;
    while (players.size() > factory().GetMaxPlayers(gameKind))
        players.removeLast();
    if (const CRelationsQuery* relations = session->GetRelations()) {
        for (const QString& player : players) {
            if (relations->IsBlinded(player)) {
                PostDeferredMessageBox(QStringLiteral("You cannot invite players you have blinded."),
                                       platform::MB_ICONEXCLAMATION);
                return;
            }
        }
    }
    if (!session->CanInvite() || players.size() < factory().GetMinPlayers(gameKind))
        return;
    const CServiceName room = CServiceName::ConstructFromList(factory().GetServiceWord(), players);
    QString key;
    if (const TUnfinishedMatchInfo* unfinished = FindUnfinishedMatch(room)) {
        key = unfinished->matchKey;
        const QString entry = unfinished->entry;
        const int answer = ConfirmNewMatch(1, room, entry, offerResume);
        if (answer == kResume) {
            RequestResumeMatch(room);
            return;
        }
        if (answer != kStartNew)
            return;
    }
    if (CInvitationDialogInterface* open = FindInvitation(room.GetText())) {
        if (QDialog* window = open->GetDialog()) {
            window->raise();
            window->activateWindow();
        }
        return;
    }
    openInvitationDialog(gameKind, room, key);
}

void CInvitationManager::openInvitationDialog(int gameKind, const CServiceName& room, const QString& key) {
    QWidget* frame = GetSession() ? GetSession()->GetServiceFrame() : nullptr;
    if (!frame)
        return;
    CInviteData record(gameKind, room, key);
    QDialog* created = factory().CreateInvitationDialog(gameKind, this, &record, false);
    auto* dialog = dynamic_cast<CInvitationDialogInterface*>(created);
    if (!dialog || !dialog->CreateDialogWindow(factory().GetInviteDialogTemplate(gameKind), frame)) {
        delete created;
        return;
    }
    RegisterInvitation(dialog->GetServiceNameText(), dialog);
    ++m_outgoingCount;
}

int CInvitationManager::ConfirmNewMatch(int selector, const CServiceName& room, const QString& entry,
                                        bool showChoice) {
    QStringList others;
    for (const QString& part : room.GetPartList()) {
        if (!isOwnNickname(part))
            others.append(part);
    }
    QWidget* parent = GetSession() ? GetSession()->GetServiceFrame() : nullptr;
    if (showChoice) {
        // "Game:" names the match, "Score:" its score.
        const QString score = factory().DescribeUnfinishedScore(entry);
        const QString names = others.join(QStringLiteral(", "));
        int answer = platform::IDCANCEL;
        if (selector == 1) {
            CPreInviteDialog dialog(names, room.GetDisplayName(), score, false, parent);
            answer = dialog.DoModal();
        } else {
            CPreInviteeDialog dialog(GetSession(), names, room.GetDisplayName(), score, parent);
            answer = dialog.DoModal();
        }
        if (answer != kStartNew)
            return answer;
    }
    const int confirmed = DoMessageBox(
        fill("Starting a new match with %s will delete the existing unfinished match.", JoinNameList(others)),
        platform::MB_OKCANCEL | platform::MB_ICONEXCLAMATION);
    return confirmed == platform::IDOK ? kStartNew : platform::IDCANCEL;
}

void CInvitationManager::OpenInvitationFromGame(const QString& serviceName, int localSide,
                                                const QString& playedTerms) {
    for (CInvitationDialogInterface* dialog : invitationSnapshot()) {
        if (dialog->IsFromGame())
            return;
    }
    const CServiceName room = rebuildRoom(CServiceName(serviceName));
    if (room.IsEmpty() || !room.HasPart(GetOwnNickname()))
        return;
    m_fromGameSide = localSide;
    m_fromGameService = room.GetText();
    // The terms the room played by, else those agreed here (a client started since the match was
    // agreed knows only the room's).
    m_fromGameStartText = !playedTerms.trimmed().isEmpty()                   ? playedTerms.trimmed()
                          : samePlayers(CServiceName(m_agreedService), room) ? m_agreedRules
                                                                             : QString();
    // A proposition just played is offered again as a proposition.
    bool proposition = false;
    CPropRuleOptions::FromText(m_fromGameStartText, &proposition);
    const int kind = proposition && factory().HasInvitationDialogCreator(CClientGameFactory::kPropositionKind)
                         ? int(CClientGameFactory::kPropositionKind)
                         : factory().GetDefaultGameKind();
    CInviteData record(kind, room, QString(), true);
    QDialog* created = factory().CreateInvitationDialog(kind, this, &record, false);
    auto* dialog = dynamic_cast<CInvitationDialogInterface*>(created);
    if (!dialog) {
        delete created;
        return;
    }
    postDialogOpen(record, dialog, true, m_fromGameStartText);
    ++m_outgoingCount;
}

// ---- Dialog registry ---------------------------------------------------------------------------------

bool CInvitationManager::samePlayers(const CServiceName& a, const CServiceName& b) {
    const QStringList parts = a.GetPartList();
    if (parts.size() != b.CountParts())
        return false;
    return std::all_of(parts.begin(), parts.end(), [&](const QString& part) { return b.HasPart(part); });
}

std::vector<CInvitationDialogInterface*> CInvitationManager::invitationSnapshot() const {
    std::vector<CInvitationDialogInterface*> dialogs;
    for (const auto& [name, registered] : m_invitations)
        dialogs.push_back(registered.dialog);
    return dialogs;
}

bool CInvitationManager::isRegistered(const CInvitationDialogInterface* dialog) const {
    return std::any_of(m_invitations.begin(), m_invitations.end(), [&](const auto& entry) {
        return entry.second.dialog == dialog && entry.second.window;
    });
}

void CInvitationManager::RegisterInvitation(const QString& serviceName, CInvitationDialogInterface* dialog) {
    const CServiceName room(serviceName);
    for (CInvitationDialogInterface* older : invitationSnapshot()) {
        if (older != dialog && isRegistered(older) && samePlayers(CServiceName(older->GetServiceNameText()), room))
            older->CloseInvitation();
    }
    // A dialog that did not close itself properly must not linger unreachable.
    const auto same = m_invitations.find(serviceName);
    if (same != m_invitations.end() && same->second.dialog != dialog)
        RemoveInvitation(serviceName);
    m_invitations[serviceName] = Registered{dialog, QPointer<QDialog>(dialog->GetDialog())};
}

bool CInvitationManager::RemoveInvitation(const QString& serviceName) {
    const auto found = m_invitations.find(serviceName);
    if (found == m_invitations.end())
        return false;
    CInvitationDialogInterface* dialog = found->second.dialog;
    QPointer<QDialog> window = found->second.window;
    if (window && !dialog->IsIncoming())
        --m_outgoingCount;
    m_invitations.erase(found);
    if (window) {
        window->hide();
        window->deleteLater();
    }
    return true;
}

CInvitationDialogInterface* CInvitationManager::FindInvitation(const QString& serviceName) const {
    const auto found = m_invitations.find(serviceName);
    return found != m_invitations.end() && found->second.window ? found->second.dialog : nullptr;
}

void CInvitationManager::FinishInvitation(CInvitationDialogInterface* dialog, const QString& transferText) {
    if (!dialog || !isRegistered(dialog))
        return;
    // Keep the agreed terms: a play-again invitation from this match offers them again.
    QStringList words = transferText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    m_agreedService = words.isEmpty() ? QString() : words.takeFirst();
    if (!words.isEmpty() && words.first().startsWith(QLatin1Char('!')))
        words.removeFirst();
    m_agreedRules = words.join(QLatin1Char(' '));
    RemoveInvitation(dialog->GetServiceNameText());
    CloseAllInvitations();
    CloseAllResumeDialogs();
    if (GetSession())
        GetSession()->AttachToGameService(transferText, 1);
}

bool CInvitationManager::SendInvitationRecord(const QString& peer, const QString& recordText, bool clearAway) {
    CSessionDoc* session = GetSession();
    if (!session)
        return false;
    if (clearAway && session->IsAway())
        session->SetAwayState(false, false);
    return session->Send(kPacketRecord, recordText, -1, peer);
}

void CInvitationManager::CloseAllInvitations() {
    for (CInvitationDialogInterface* dialog : invitationSnapshot()) {
        if (isRegistered(dialog))
            dialog->CloseInvitation();
    }
    // Whatever did not take itself out goes now.
    while (!m_invitations.empty())
        RemoveInvitation(m_invitations.begin()->first);
    m_outgoingCount = 0;
}

void CInvitationManager::CloseAllResumeDialogs() {
    std::vector<QPointer<CResumeMatchReceiverDlg>> dialogs;
    for (const auto& [name, dialog] : m_resumeDialogs)
        dialogs.push_back(dialog);
    for (const QPointer<CResumeMatchReceiverDlg>& dialog : dialogs) {
        if (dialog)
            dialog->OnNoThanks();
    }
    while (!m_resumeDialogs.empty())
        CloseResumeDialog(m_resumeDialogs.begin()->first);
}

bool CInvitationManager::CloseResumeDialog(const QString& serviceName) {
    const auto found = m_resumeDialogs.find(serviceName);
    if (found == m_resumeDialogs.end())
        return false;
    QPointer<CResumeMatchReceiverDlg> dialog = found->second;
    m_resumeDialogs.erase(found);
    if (dialog) {
        dialog->hide();
        dialog->deleteLater();
    }
    return true;
}

CResumeMatchReceiverDlg* CInvitationManager::FindResumeDialog(const QString& serviceName) const {
    const auto found = m_resumeDialogs.find(serviceName);
    return found != m_resumeDialogs.end() ? found->second.data() : nullptr;
}

void CInvitationManager::CloseDialogsForUser(const QString& nickname) {
    const auto concerns = [&](const QString& serviceName) {
        return SameNickname(serviceName, nickname) || CServiceName(serviceName).HasPart(nickname);
    };
    for (CInvitationDialogInterface* dialog : invitationSnapshot()) {
        if (isRegistered(dialog) && concerns(dialog->GetServiceNameText()))
            dialog->CloseInvitation();
    }
    std::vector<QPointer<CResumeMatchReceiverDlg>> resume;
    for (const auto& [name, dialog] : m_resumeDialogs) {
        if (concerns(name))
            resume.push_back(dialog);
    }
    for (const QPointer<CResumeMatchReceiverDlg>& dialog : resume) {
        if (dialog)
            dialog->OnNoThanks();
    }
    if (m_waitingDialog && concerns(m_waitingDialog->GetServiceName().GetText()))
        m_waitingDialog->OnPacket(kPacketRefused, QString());
}

void CInvitationManager::onUserLeft(const QString& text) {
    // The directory's event is the user's update record: his nickname comes quoted.
    QString nickname;
    CPacketCursor cursor(text);
    if (!ReadPacketString(cursor, nickname) || !IsValidUserName(nickname))
        return;
    for (CInvitationDialogInterface* dialog : invitationSnapshot()) {
        if (isRegistered(dialog) && CServiceName(dialog->GetServiceNameText()).HasPart(nickname))
            dialog->CloseInvitation();
    }
}

// ---- Refusals ----------------------------------------------------------------------------------------

QString CInvitationManager::GetResumeRefusalText(const QString& nickname, const CServiceName& match) const {
    const QString refusal = GetRefusalText(nickname);
    const CSessionDoc* session = GetSession();
    if (refusal.isEmpty() || !session || !session->IsConnected() || session->IsAway() ||
        session->IsTransferPending())
        return refusal;
    const CRelationsQuery* relations = session->GetRelations();
    if (relations && (relations->IsGagged(nickname) || relations->IsBlinded(nickname)))
        return refusal;
    const CServiceName here(session->GetServiceName().GetBaseName());
    return here.GetFirstPart() == match.GetFirstPart() && samePlayers(here, match) ? QString() : refusal;
}

QString CInvitationManager::GetRefusalText(const QString& nickname) const {
    const CSessionDoc* session = GetSession();
    if (!session)
        return QStringLiteral("Sorry, I cannot play you now.");
    const QString own = session->GetNickname();
    const CRelationsQuery* relations = session->GetRelations();
    if (relations && relations->IsGagged(nickname))
        return isRobotPlayer() ? QStringLiteral("Sorry, I cannot play you now.")
                               : fill("You have been gagged by %s.", own);
    if (relations && relations->IsBlinded(nickname))
        return fill("You have been blinded by %s.", own);
    if (session->IsAway())
        return fill("%s is away and cannot be invited.", own);
    if (session->IsIdleForMatch())
        return QString();
    return fill("%s cannot be invited at present.", own);
}

// ---- Unfinished matches ------------------------------------------------------------------------------

void CInvitationManager::onUnfinishedList(const QString& text) {
    // Only the server speaks for the list, never another member.
    if (!fromServer())
        return;
    m_unfinished.clear();
    QString rest = text;
    for (int word = 0; word < 3; ++word)
        NextToken(rest, u" ");
    while (!rest.isEmpty()) {
        const qsizetype tab = rest.indexOf(QLatin1Char('\t'));
        const QString piece = tab < 0 ? rest : rest.left(tab);
        rest = tab < 0 ? QString() : rest.mid(tab + 1);
        if (piece.isEmpty())
            break;
        m_unfinished.push_back(std::make_unique<TUnfinishedMatchInfo>(piece));
    }
}

const TUnfinishedMatchInfo* CInvitationManager::FindUnfinishedMatch(const CServiceName& serviceName) const {
    if (serviceName.CountParts() < 1)
        return nullptr;
    for (const auto& match : m_unfinished) {
        if (match->serviceName.GetFirstPart() == serviceName.GetFirstPart() &&
            samePlayers(match->serviceName, serviceName))
            return match.get();
    }
    return nullptr;
}

bool CInvitationManager::HasUnfinishedMatch(const QString& serviceName) const {
    return FindUnfinishedMatch(CServiceName(serviceName)) != nullptr;
}

QMenu* CInvitationManager::BuildResumeMenu() {
    m_resumeMenu = std::make_unique<QMenu>();
    const CSessionDoc* session = GetSession();
    int id = kCmdResumeFirst;
    for (const auto& match : m_unfinished) {
        QString label;
        bool everyoneReady = true;
        for (const QString& part : match->serviceName.GetPartList()) {
            if (isOwnNickname(part))
                continue;
            label += part + QLatin1Char(' ');
            const CClientUserInfo* user = session ? session->FindUser(part) : nullptr;
            const int activity = user ? user->GetActivity() : 0;
            everyoneReady = everyoneReady && user && user->GetPresence() == CUserInfo::kPresenceReady &&
                            (activity == CUserInfo::kActivityFinished || activity == CUserInfo::kActivityWatching ||
                             activity == kActivityResumable);
        }
        if (match->serviceName.CountParts() > 0 && !everyoneReady)
            continue;
        QAction* action = m_resumeMenu->addAction(label);
        action->setData(id++);
    }
    return m_resumeMenu.get();
}

void CInvitationManager::OnResumeMenuCommand(int id) {
    if (!m_resumeMenu)
        return;
    const int item = id - kCmdResumeFirst;
    const QList<QAction*> actions = m_resumeMenu->actions();
    if (item < 0 || item >= actions.size())
        return;
    QString label = actions.at(item)->text().left(1024);
    QStringList players;
    for (;;) {
        const QString word = NextToken(label, u" ");
        if (word.isEmpty())
            break;
        players.append(word);
    }
    players.append(GetOwnNickname());
    ResumeWithPlayers(players);
}

bool CInvitationManager::ResumeWithPlayers(const QStringList& players) {
    const int kind = factory().GetDefaultGameKind();
    if (players.size() < factory().GetMinPlayers(kind) || players.size() > factory().GetMaxPlayers(kind))
        return false;
    return RequestResumeMatch(CServiceName::ConstructFromList(factory().GetServiceWord(), players));
}

void CInvitationManager::ResumeWithPlayers(const QString& names) {
    QStringList players{GetOwnNickname()};
    QString rest = names;
    for (;;) {
        const QString word = NextToken(rest, u" ");
        if (word.isEmpty())
            break;
        if (!isOwnNickname(word))
            players.append(word);
    }
    ResumeWithPlayers(players);
}

bool CInvitationManager::RequestResumeMatch(const CServiceName& serviceName) {
    const TUnfinishedMatchInfo* match = FindUnfinishedMatch(serviceName);
    if (!match || m_waitingDialog)
        return false;
    // The entry is copied: the list may be replaced while the request waits.
    const QString entry = match->entry;
    const CServiceName room = match->serviceName;
    const QString own = GetOwnNickname();
    // Without the connection nobody is asked, and nothing is waited for.
    if (CSessionDoc* session = GetSession(); session && !session->IsConnected()) {
        session->TellNotSent(QStringLiteral("request to resume the match"));
        return false;
    }
    SendToOtherPlayers(kPacketResumeRequest, own + QStringLiteral(" Y ") + entry, room);
    std::weak_ptr<char> alive = m_alive;
    QPointer<CWaitingForResumeMatchDlg> waiting =
        new CWaitingForResumeMatchDlg(room, GetSession() ? GetSession()->GetServiceFrame() : nullptr);
    m_waitingDialog = waiting;
    const int result = waiting->DoModal();
    delete waiting.data();
    if (alive.expired())
        return false;
    m_waitingDialog = nullptr;
    if (result == platform::IDOK) {
        StartResumedMatch(room, entry);
        return true;
    }
    if (result == platform::IDCANCEL)
        SendToOtherPlayers(kPacketResumeRequest, own + QStringLiteral(" Q ") + entry, room);
    return false;
}

void CInvitationManager::StartResumedMatch(const CServiceName& serviceName, const QString& entry) {
    CloseResumeDialog(serviceName.GetText());
    CloseAllInvitations();
    CloseAllResumeDialogs();
    if (GetSession())
        GetSession()->ResumeMatch(serviceName.GetText(), entry);
}

void CInvitationManager::onResumePacket(const QString& text) {
    QString rest = text;
    const QString sender = NextToken(rest, u" ");
    const QString answer = NextToken(rest, u" ");
    const QString entry = rest.trimmed();
    const TUnfinishedMatchInfo received(entry);
    const QString room = received.serviceName.GetText();
    // The request must come from its sender and name a match of this user with him.
    if (!IsValidUserName(sender) || !SameNickname(sender, CurrentPacketSource()) ||
        !received.serviceName.HasPart(sender) || !received.serviceName.HasPart(GetOwnNickname()))
        return;
    if (answer == QLatin1String("Y")) {
        const QString refusal = GetResumeRefusalText(sender, received.serviceName);
        if (!refusal.isEmpty()) {
            SendPacketText(kPacketResumeAnswer, QStringLiteral("N ") + refusal, -1, sender);
            return;
        }
    }
    if (isRobotPlayer())
        return;
    if (answer == QLatin1String("Y")) {
        // Only a match the server lists for this user can be resumed, and in the server's words.
        const TUnfinishedMatchInfo* ours = FindUnfinishedMatch(received.serviceName);
        if (!ours || ours->matchKey != received.matchKey) {
            SendPacketText(kPacketResumeAnswer, QStringLiteral("N"), -1, sender);
            return;
        }
        const QString ourRoom = ours->serviceName.GetText();
        CloseResumeDialog(ourRoom); // a repeated request replaces the open question
        auto* dialog = new CResumeMatchReceiverDlg(this, sender, ours->serviceName.GetDisplayName(),
                                                   factory().DescribeUnfinishedScore(ours->entry), ourRoom,
                                                   ours->entry, GetSession() ? GetSession()->GetServiceFrame() : nullptr);
        m_resumeDialogs[ourRoom] = dialog;
        if (!dialog->Create())
            CloseResumeDialog(ourRoom);
        return;
    }
    if (answer == QLatin1String("Q")) {
        CSessionDoc* session = GetSession();
        // Only a user who has said yes is in the room for it; one still asked (his opponent left it
        // earlier) just loses the question.
        const bool stillAsked = std::any_of(m_resumeDialogs.begin(), m_resumeDialogs.end(), [&](const auto& open) {
            return samePlayers(CServiceName(open.first), received.serviceName);
        });
        if (session && !stillAsked && session->GetServiceName().GetBaseName() == room) {
            PostDeferredMessageBox(
                fill("%s cancelled the invitation just after you accepted. The game has been aborted", sender),
                platform::MB_ICONEXCLAMATION);
            session->DetachFromGameService();
        }
        for (const auto& [name, dialog] : m_resumeDialogs) {
            if (samePlayers(CServiceName(name), received.serviceName)) {
                CloseResumeDialog(name);
                break;
            }
        }
    }
}

CUnfinishedMatchesDlg* CInvitationManager::GetUnfinishedMatchesDialog() const {
    return m_unfinishedDialog.data();
}

void CInvitationManager::ShowUnfinishedMatches() {
    // A window beside the others, not a question that holds up the main window.
    if (m_unfinishedDialog) {
        m_unfinishedDialog->raise();
        m_unfinishedDialog->activateWindow();
        return;
    }
    auto* dialog =
        new CUnfinishedMatchesDlg(GetSession() ? GetSession()->GetServiceFrame() : nullptr, this, m_unfinished);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(false);
    m_unfinishedDialog = dialog;
    dialog->show();
}

// ---- Helpers -----------------------------------------------------------------------------------------

void CInvitationManager::ShowPlayerInfo(const QString& nickname) {
    if (GetSession())
        GetSession()->ShowPlayerInfo(nickname);
}

QString CInvitationManager::GetOwnNickname() const {
    return GetSession() ? GetSession()->GetNickname() : QString();
}

bool CInvitationManager::isOwnNickname(const QString& name) const {
    return !name.isEmpty() && SameNickname(name, GetOwnNickname());
}

bool CInvitationManager::fromServer() const {
    const QString source = CurrentPacketSource();
    return source.isEmpty() || source == QLatin1String(".");
}

bool CInvitationManager::isRobotPlayer() const {
    return GetSession() && GetSession()->IsRobotPlayer();
}

void CInvitationManager::SendToOtherPlayers(int type, const QString& text, const CServiceName& serviceName) {
    for (const QString& part : serviceName.GetPartList()) {
        if (!isOwnNickname(part))
            SendPacketText(type, text, -1, part);
    }
}
