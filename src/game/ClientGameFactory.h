#pragma once

#include "net/RankingQuery.h"

#include <QString>

#include <functional>

class QDialog;
class QWidget;
class CInvitationManager;
class CInviteData;
class CContinueSessionController;
class CContinueSession;
class CGameDoc;

// The game module: what the generic client asks of the backgammon game. One instance per process.
// Dialogs of other parts of the client are made by creators those parts register here; until one is
// registered, asking for it gives null.
class CClientGameFactory {
public:
    enum GameKind { kBackgammonKind = 0, kPropositionKind = 1 };

    static CClientGameFactory& GetFactory();

    QString GetServiceWord() const { return QStringLiteral("gb"); }
    QString GetGameName() const { return QStringLiteral("Backgammon"); }
    // Pages of the service's web-application host (host given with its scheme, no trailing slash).
    QString GetHelpAddress(const QString& host) const;
    QString GetNewsAddress(const QString& host) const;

    // A ranking filter of this game, with the fields the game adds to its requests (none here).
    CRankingQuery GetRankingQuery() const { return CRankingQuery(); }

    int GetDefaultGameKind() const { return kBackgammonKind; }
    int GetMinPlayers(int kind) const;
    int GetMaxPlayers(int kind) const;
    // "Proposition Invite" for propositions, else "Backgammon Invite".
    QString GetInviteTitle(int kind) const;
    // Dialog template 322 for propositions, else 148.
    int GetInviteDialogTemplate(int kind) const;

    // The description of an unfinished match from its entry ("<key> <room name> <details>").
    QString DescribeUnfinishedMatch(const QString& entry) const;
    // The score of an unfinished match from its entry: details that read as a game descriptor
    // ("<length> <score> <score>") give the lobby's score text, other details stand as they are.
    QString DescribeUnfinishedScore(const QString& entry) const;
    bool HidesPrivateScore() const { return true; }
    // The lobby's score text for a player in a room: a descriptor "<match length> <score> <score>"
    // gives "<score>-<score> of <length>", or "<score>-<score>" for an unlimited session; else empty.
    QString GetScoreText(const QString& location, const QString& gameDescriptor) const;

    int GetUserListContextMenuId() const { return kUserListContextMenu; }
    QString GetUserListToolBarBitmap(bool disabledVariant) const;
    QString GetToolBarBitmap(bool disabledVariant) const;
    int GetMatchBoardWatermarkBitmap() const { return kMatchBoardWatermark; }
    QString GetTipsFileName() const { return QStringLiteral("Tips.txt"); }
    QString GetMatchBoardViewClass() const { return QStringLiteral("CBGMatchBoardView"); }
    QString GetMatchLogViewClass() const { return QStringLiteral("CBGMatchLogView"); }

    // The continue-session dialog's texts and picture.
    static QString FormatOpponentRolledText(const QString& peer);
    static QString ClickOnDiceText() { return QStringLiteral("Click on dice to continue."); }
    static QString RollingDiceText() { return QStringLiteral("Rolling dice..."); }
    static constexpr int kContinueSessionBitmap = 463;

    // --- dialogs of other parts -------------------------------------------------------------------
    using InvitationDialogCreator =
        std::function<QDialog*(int kind, CInvitationManager* manager, CInviteData* record, bool incoming)>;
    using PlayerInfoDialogCreator = std::function<QDialog*(QObject* session)>;
    using ContinueSessionDialogCreator =
        std::function<QDialog*(CContinueSessionController* controller, QWidget* parent)>;

    void SetInvitationDialogCreator(InvitationDialogCreator creator) { m_invitation = std::move(creator); }
    // The proposition dialog's own creator: invitations of kind 1 go to it alone once it is set.
    void SetPropositionDialogCreator(InvitationDialogCreator creator) { m_proposition = std::move(creator); }
    void SetPlayerInfoDialogCreator(PlayerInfoDialogCreator creator) { m_playerInfo = std::move(creator); }
    void SetContinueSessionDialogCreator(ContinueSessionDialogCreator creator) {
        m_continueSession = std::move(creator);
    }
    // The controller of a money session's continuation for a game document (the dialog's parent,
    // automatic: no dialog until one is needed); the document owns it.
    using ContinueSessionCreator =
        std::function<CContinueSession*(CGameDoc* document, QWidget* parent, bool automatic)>;
    void SetContinueSessionCreator(ContinueSessionCreator creator) { m_continueController = std::move(creator); }
    CContinueSession* CreateContinueSession(CGameDoc* document, QWidget* parent, bool automatic) const {
        return m_continueController ? m_continueController(document, parent, automatic) : nullptr;
    }
    bool HasPlayerInfoDialogCreator() const { return bool(m_playerInfo); }
    bool HasInvitationDialogCreator() const { return bool(m_invitation); }
    // Whether invitations of that kind can be made: propositions need their own dialog.
    bool HasInvitationDialogCreator(int kind) const {
        return kind == kPropositionKind ? bool(m_proposition) : bool(m_invitation);
    }
    // A proposition invitation for kind 1, else a backgammon invitation; the caller owns it.
    QDialog* CreateInvitationDialog(int kind, CInvitationManager* manager, CInviteData* record,
                                    bool incoming) const;
    // A player-information dialog of the module's class, not yet shown.
    QDialog* CreatePlayerInfoDialog(QObject* session) const;
    QDialog* CreateContinueSessionDialog(CContinueSessionController* controller, QWidget* parent) const;

private:
    CClientGameFactory() = default;

    static constexpr int kUserListContextMenu = 2000;
    static constexpr int kMatchBoardWatermark = 464;

    InvitationDialogCreator m_invitation;
    InvitationDialogCreator m_proposition;
    PlayerInfoDialogCreator m_playerInfo;
    ContinueSessionDialogCreator m_continueSession;
    ContinueSessionCreator m_continueController;
};
