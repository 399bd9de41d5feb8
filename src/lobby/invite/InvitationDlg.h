#pragma once

#include "lobby/invite/InvitationDialog.h"
#include "lobby/invite/InviteData.h"
#include "net/ServicePackets.h"
#include "support/dialogs/StickyDialog.h"

#include <QFont>
#include <QPointer>
#include <QStringList>

#include <set>
#include <vector>

class CFittingScrollArea;
class CInvitationManager;
class CPlayerImage;
class QFontMetrics;
class QKeyEvent;
class QPushButton;

namespace invite_detail {
class PanelText;
class MarkerAnchor;
} // namespace invite_detail

// The dialog in which the players of one match room agree on its terms and start it. One exists per
// invitation on each side: the inviter proposes terms and presses Invite, the invited player gets his
// from the invitation manager when the invitation arrives. The dialogs talk through invitation records
// (packet 227): 0 invitation, 1 new terms, 2 accept, 3 decline, 4 withdrawal, 5 start, 6 not
// supported, 7 a text (ignored), 9 a request for terms. Beside its peer the dialog asks the server for
// rating estimates (91, reply 93), the peer's client version (182, reply 183) and league information
// (77; the league dialog takes the reply).
//
// The terms are an opaque text; a subclass keeps them in its controls (the pure virtual operations).
//
// Acceptance is kept per player. The inviter starts the match only when its own user has accepted the
// current terms and every other player has accepted those same terms; new terms from either side clear
// every acceptance. A dialog that has closed ignores every later record, and its poll dies with it.
class CInvitationDlg : public CStickyDialog, public CInvitationDialogInterface {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CInvitationDlg, CStickyDialog)
public:
    // Packets.
    static constexpr int kPacketLeagueInfoRequest = ServicePacket::LeagueInfo;
    static constexpr int kPacketRatingRequest = ServicePacket::RatingRequest;
    static constexpr int kPacketRatingReply = ServicePacket::RatingReply;
    static constexpr int kPacketVersionRequest = ServicePacket::VersionQuery;
    static constexpr int kPacketVersionReply = ServicePacket::VersionReply;
    // Estimates are not asked for longer matches.
    static constexpr int kMaxEstimatedLength = 500;
    // Lowest peer version before any is known; valid versions lie in 1..9999.
    static constexpr int kNoVersion = 10000;

    // Controls.
    static constexpr int kIdInvite = 1031;
    static constexpr int kIdPlay = 1068;
    static constexpr int kIdNoThanks = 1069;
    static constexpr int kIdCancel = 1070;
    static constexpr int kIdPlayerInfo = 1078;
    static constexpr int kIdChat = 1650;
    static constexpr int kIdPicture = 1370;
    static constexpr int kIdPanel = 1626;
    static constexpr int kIdMarker0 = 1631;
    static constexpr int kIdMarker1 = 1632;
    static constexpr int kIdRating0 = 1642;
    static constexpr int kIdRating1 = 1643;
    static constexpr int kIdName0 = 1644;
    static constexpr int kIdName1 = 1645;
    static constexpr int kIdWinDelta0 = 1652;
    static constexpr int kIdWinDelta1 = 1653;
    static constexpr int kIdLoseDelta0 = 1654;
    static constexpr int kIdLoseDelta1 = 1655;

    // Marker states (the own player's and the peer's).
    enum Marker { kMarkerNone = 0, kMarkerChanged = 1, kMarkerAccepted = 2 };

    // manager may be null (then nothing is sent); received: made for another player's invitation.
    CInvitationDlg(CInvitationManager* manager, QWidget* parent, const CInviteData& record, int templateId,
                   bool received);
    ~CInvitationDlg() override;

    // ---- What the invitation manager asks
    QDialog* GetDialog() override { return this; }
    // The part that scrolls: the players' panel and the terms.
    CFittingScrollArea* GetBody() const { return m_body; }
    bool CreateDialogWindow(int templateId, QWidget* parent) override;
    QString GetServiceNameText() const override { return m_serviceName.GetText(); }
    int OfferPacket(int type, const QString& body) override { return OnPacket(type, body); }
    // False once the version reply showed that the peer is not connected.
    bool IsPeerPresent() const override { return !m_versionReplied || m_versionValid; }
    QString GetPeerName() const override { return m_peer; }
    bool IsIncoming() const override { return m_constructedReceived; }
    bool IsFromGame() const override { return m_record.IsFromGame(); }
    int GetGameKind() const override { return m_record.GetGameKind(); }
    bool HasExchangedRecords() const override { return m_live; }
    // Play again: part 0 of the room invites (with the given terms, when any); part 1 waits for that
    // invitation as the invited side does.
    void StartFromGame(const QString& startText) override;
    void ReceiveRecord(const QString& recordText) override { OnInviteDataReceived(recordText); }
    void CloseInvitation() override;

    // ---- Operations
    bool OnInitDialog() override;
    // Esc and the close box: a live invitation is declined (invited side) or withdrawn (inviter).
    void OnCancel() override;
    // -> true when the record went out; while the connection is down the chat says it did not.
    bool SendInvitationMessage(int kind);
    // What a record of that kind is called when the user is told it was not sent.
    static QString RecordName(int kind);
    void OnInviteDataReceived(const QString& recordText);
    // A packet the manager offers -> nonzero when it was this dialog's.
    int OnPacket(int type, const QString& text);
    void StartGame();

    void OnInvite();
    void OnPlay();
    void OnNoThanks();
    void OnCancelInvitation();
    void OnPlayerInfo();
    void OnChat();
    // A rule control changed.
    void OnOptionChanged();
    // The one-second poll.
    void OnPollTimer();

    virtual bool IsReady() const;
    virtual bool CanInvite() const;
    virtual bool CanPlay() const;
    virtual QString GetGameName() const;
    virtual void OnTermsChanged(bool send);
    virtual void Refresh();
    virtual void UpdateButtons();

    // ---- State, for the subclasses and tests
    bool IsLive() const { return m_live; }
    bool IsReceived() const { return m_received; }
    bool IsAcceptedHere() const { return m_acceptedHere; }
    bool IsClosed() const { return m_closed; }
    int GetAcceptCount() const { return int(m_accepted.size()); }
    int GetMarker(int slot) const { return slot == 0 ? m_ownMarker : m_peerMarker; }
    const QString& GetCookie() const { return m_cookie; }
    const QString& GetOwnNickname() const { return m_ownNickname; }
    const CServiceName& GetServiceName() const { return m_serviceName; }
    int GetPlayerCount() const { return int(m_players.size()); }
    int GetMatchLength() const { return m_matchLength; }
    bool IsGuestFree() const { return m_guestFree; }
    bool HaveEstimates() const { return m_estimatesArrived; }
    bool HasVersionReply() const { return m_versionReplied; }
    int GetLowestPeerVersion() const { return m_lowestPeerVersion; }
    bool IsPeerVersionValid() const { return m_versionValid; }
    bool HasDiscard() const { return m_discard; }
    const QString& GetDiscardText() const { return m_discardText; }
    const QString& GetOwnRulesText() const { return m_rulesText; }
    // The display texts: ratings 0/1, then win deltas 0/1 and lose deltas 0/1 (own player first).
    QString GetPanelText(int controlId) const;
    CPlayerImage* GetPicture() const { return m_picture; }

    // ---- Text helpers
    // text shortened from the end, a character at a time, until it fits width with "..." appended.
    static QString FitTextToWidth(const QString& text, const QFontMetrics& metrics, int width);
    // "Guest" below 100, else the rating with four places and no decimals.
    static QString FormatRating(float rating);
    // "%+.1f" when rated, else seven blanks.
    static QString FormatDelta(float delta, bool rated);
    // The versions of a version reply for these players: the lowest one, kNoVersion when there is none.
    // Both reply forms are read: "<cookie> <version> ..." and "<cookie> <nickname> <version text>".
    static int ParseLowestVersion(const QString& textAfterCookie, const QStringList& players);
    // A peer's decline text as a chat line may show it: control characters become blanks, at most
    // 512 characters.
    static QString SanitizePeerText(const QString& text);

protected:
    // ---- The terms (the subclass)
    // Builds the terms controls inside parent (called once, when the window is made). They scroll
    // with the players' panel where the screen has no room for the whole dialog.
    virtual QWidget* CreateTermsPane(QWidget* parent) = 0;
    // What stays in sight at the dialog's foot, above its buttons, however the rest scrolls; null
    // for nothing. Called once, after CreateTermsPane.
    virtual QWidget* CreateFootPane(QWidget* parent) {
        (void)parent;
        return nullptr;
    }
    // The controls whose values Invite and Play accept without a second look (a wager): Enter does
    // not press either while these are scrolled out of sight, it scrolls them into sight. Null: none.
    virtual QWidget* GetTermsToSee() const { return nullptr; }
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    virtual void SaveDefaults() = 0;
    virtual void LoadDefaults() = 0;
    virtual QString GetRulesText() = 0;
    // -> false when the dialog had to change the terms it was given.
    virtual bool ApplyRulesText(const QString& text) = 0;
    virtual bool RulesEqual(const QString& a, const QString& b) const = 0;
    virtual bool AreRulesValid() const = 0;
    virtual bool IsRated() const = 0;
    // The room the agreed game is played in (the invitation's own room unless the terms seat the
    // players the other way round).
    virtual QString GetStartRoom(const CServiceName& room) const { return room.GetText(); }
    // A rating reply showed a guest among the players.
    virtual void OnGuestMatchFound() = 0;

    // ---- Look
    virtual QFont GetNameFont() const;
    virtual QFont GetRatingFont() const;
    virtual QFont GetDeltaFont() const;
    virtual QColor GetNameColor() const { return Qt::black; }
    virtual QColor GetTextColor() const { return Qt::black; }
    virtual void ShowNoPicture();
    virtual void ShowPicture();

    void SendRatingRequest();
    void SendVersionRequest();
    void SendLeagueInfoRequest();

    int m_matchLength = 0;
    bool m_controlsCreated = false;
    bool m_initialised = false;
    CInvitationManager* m_manager = nullptr;

private:
    void buildWindow();
    // The terms to see were out of sight and are now scrolled into it -> whether they were.
    bool bringTermsIntoSight();
    QString caption() const;
    bool canChat() const;
    void loadControls();
    int onRatingReply(const QString& text);
    int onVersionReply(const QString& text);
    void refreshRatingTexts();
    void refreshDeltas();
    void setMarker(int slot, int state);
    void clearAcceptance();
    void markAccepted(int playerIndex);
    bool everyoneAccepted() const;
    void refreshPlay();
    void declineAndClose(const QString& message);
    // Takes the dialog out (through the manager) and ignores everything after.
    void closeInvitation();
    void armPoll();
    int playerIndex(const QString& name) const;
    int ownIndex() const { return playerIndex(m_ownNickname); }
    void addChatLine(const QString& text);
    bool send(int type, const QString& text, const QString& target);
    void setPanelText(int id, const QString& text);
    void onReceivedInvitation(const CInviteData& record);

    CInviteData m_record;
    QString m_ownNickname;
    QString m_peer;
    QString m_cookie;
    bool m_received = false;
    bool m_constructedReceived = false;
    bool m_guestFree = true;
    int m_ownVersion = 0;
    int m_lowestPeerVersion = -1;
    bool m_versionValid = true;
    bool m_discard = false;
    QString m_discardText;
    QString m_rulesText;
    QString m_messageText;
    bool m_versionReplied = false;
    bool m_live = false;
    bool m_acceptedHere = false;
    bool m_closed = false;
    bool m_loadingControls = false;
    std::set<int> m_accepted; // positions in the room of the players who accepted the current terms
    int m_ownMarker = kMarkerNone;
    int m_peerMarker = kMarkerNone;
    CServiceName m_serviceName;
    QStringList m_players;
    std::vector<float> m_ratings, m_winDeltas, m_loseDeltas, m_further;
    std::vector<int> m_firstInts, m_secondInts;
    bool m_estimatesArrived = false;
    int m_lastLengthAsked = -1;
    bool m_ratedShown = false;
    int m_pollTimer = 0;
    CPlayerImage* m_picture = nullptr;
    CFittingScrollArea* m_body = nullptr; // the players and the terms
    QWidget* m_window = nullptr;          // the built content, null until CreateDialogWindow
};
