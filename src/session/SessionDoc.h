#pragma once

#include "net/ClientNode.h"
#include "net/ServicePackets.h"
#include "session/CommandHistory.h"
#include "platform/Document.h"
#include "session/LobbyUserMap.h"
#include "session/ServiceName.h"
#include "session/SessionServices.h"
#include "session/StateDoc.h"

#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <map>
#include <set>
#include <memory>
#include <optional>
#include <vector>

class CPacketTarget;
class CStateDoc;
class CSubDocument;
class QWidget;

// A view of the session that takes packets and session notifications: the panes of a service window
// (CGameView) are such views.
class CSessionView : public platform::View {
    NV_DECLARE_RUNTIME_CLASS(CSessionView, platform::View)
public:
    // A packet nobody before took -> true when this view takes it.
    virtual bool HandlePacket(int type, const QString& text) {
        (void)type;
        (void)text;
        return false;
    }
    // The frame window that hosts the view.
    virtual QWidget* GetFrameWindow() const = 0;
    // A notification between the game views of one frame (4110: the match log's selection changed).
    virtual void OnGameViewNotify(int code, qintptr data) {
        (void)code;
        (void)data;
    }
};

// The session: one per connection. It owns the client node and the lobby user directory, holds the
// user's nickname, rights and away state, dispatches every packet of the connection (to the watch
// handling, the packet targets, the session's views, then its own cases), adds chat lines and sends
// packets. Services of later layers (chat log, invitations, relations, talk) plug in through the
// interfaces of SessionServices.h.
//
// GUI thread only. Message boxes never open inside packet dispatch: the session's user messages go
// through the deferred message box.
class CSessionDoc : public platform::Document, private CClientNode::Listener {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CSessionDoc, platform::Document)
public:
    // Update hints of the session's views.
    static constexpr int kHintUserArrived = 4097;
    static constexpr int kHintUserLeft = 4098;
    static constexpr int kHintUserChanged = 4099;
    static constexpr int kHintUsersCleared = 4100;
    static constexpr int kHintServiceEntered = 4101; // the service name or its settings changed
    static constexpr int kHintTotalUsers = 4102;     // the total number of users changed
    static constexpr int kHintAwayChanged = 4103;    // the user's away state changed
    static constexpr int kHintColumnsChanged = 4105;
    static constexpr int kHintChatLine = 4111;
    static constexpr int kHintChatScroll = 4112;
    static constexpr int kHintMailCount = 4122;

    // Rights mask bits.
    static constexpr quint32 kRightPropositions = MemberRight::Propositions;
    static constexpr quint32 kRightShout = MemberRight::Shout;
    static constexpr quint32 kRightRobotInvite = MemberRight::RobotInvite;

    // Packets the session handles itself.
    static constexpr int kPacketWatchReply = ServicePacket::WatchReply;
    static constexpr int kPacketUndeliverable = ServicePacket::Undeliverable;
    static constexpr int kPacketRoutedMessage = 243;
    static constexpr int kPacketWatchRequest = ServicePacket::WatchRequest;
    static constexpr int kPacketDatabase = ServicePacket::Database;
    static constexpr int kSubDocEventRelationList = 500;

    static constexpr int kMaxTalkPeople = 5;
    // Talk windows that other people's packets may have open at once; a talk beyond them is refused
    // with the busy answer (to each sender at most once in kBusyAnswerSeconds).
    static constexpr int kMaxPacketTalks = 10;
    // ... and of them the packets of one sender at most this many: others' talks still arrive.
    static constexpr int kMaxPacketTalksPerSender = 3;
    static constexpr int kBusyAnswerSeconds = 120;
    static constexpr char kBusyAnswer[] = " is busy and cannot talk now";
    static constexpr int kWatchTimeoutSeconds = 10;
    static constexpr int kAwayCheckSeconds = 5;
    static constexpr int kIdleAwaySeconds = 900;
    static constexpr int kBackFromIdleSeconds = 6;

    explicit CSessionDoc(QObject* parent = nullptr);
    ~CSessionDoc() override;

    // The session the application works with (the latest one made and not yet destroyed).
    static CSessionDoc* GetCurrent();
    static void SetCurrent(CSessionDoc* session);

    // ---- Connection and login
    // Connects and logs in; loginAccepted() or loginRefused() follows, or connectionClosed().
    void Connect(const CClientNode::LoginRequest& request);
    void Disconnect();
    bool IsConnected() const;
    // The last refusal of a login (with the update the server offers, if any).
    const CLoginRefusedPacket& GetLoginRefusal() const { return m_loginRefusal; }
    CClientNode* GetClientNode() const { return m_node; }

    // A copy of the user's own nickname (empty before login).
    QString GetNickname() const { return m_nickname; }
    quint32 GetRightsMask() const { return m_rightsMask; }
    bool HasRight(quint32 bit) const { return (m_rightsMask & bit) != 0; }
    quint32 GetAccountFlags() const { return m_accountFlags; }
    // Set each time the account flags arrive: barred when their bit 0 is clear.
    bool IsMailBarred() const { return m_mailBarred; }
    const QString& GetLobbyServiceName() const { return m_lobbyService; }

    // ---- Sending
    // Sends one text packet. length -1 sends the whole text, a longer length than the text is cut to it.
    // Target: empty for the lobby connection, "." the server, ".db" the database service, ".rt" the
    // ranking service, "&" the current room, or a nickname. -> false (and the log says why) when nothing
    // was sent: not connected, a body too long to frame, or a plain type with a target.
    bool Send(int type, const QString& text, int length = -1, const QString& target = QString());
    // Said text (0), a tell (1, to the recipient), an emote (4) or a whisper (7); every kind but a tell
    // also clears the user's away state.
    bool SendChat(const QString& text, int kind, const QString& recipient = QString());
    // A shout to the room, when the user holds right 0x10000.
    bool Shout(const QString& text);
    // Packet 193 to the room.
    bool Notify(const QString& text);
    // Packet 243 with the text to that user.
    bool SendRoutedMessage(const QString& nickname, const QString& text);
    // A request about one of the user's relation lists (RelationPacket::GagRequest, FriendsRequest or
    // BlindRequest) to the database service: "~ <own nickname> <text>", the text being "=" or a sign
    // ("+", "-") and blank-separated nicknames. Words that are not nicknames are left out -> false when
    // nothing was sent (no nickname left, another text, not connected).
    bool SendRelationRequest(int type, const QString& text);
    // The friends list's request ("=", or "+"/"-" and nicknames) as SendRelationRequest sends it.
    bool SendRelationChange(const QString& text);
    // The change of e-mail address to the database service.
    bool SendEmailChallengeResponse(const QString& firstText, const QString& newAddress);
    // What the user is told of something that could not go out because the connection is down:
    // "Not connected: the <what> was not sent."
    static QString NotSentText(const QString& what);
    // That text as a system line of the session's chat.
    void TellNotSent(const QString& what);

    // ---- Services and rooms
    // Leaves the current game service for the one the transfer text names (its first word).
    void AttachToGameService(const QString& transferText, int flag);
    // Back to the lobby.
    void DetachFromGameService();
    bool IsTransferPending() const { return m_transferPending; }
    int GetAttachFlag() const { return m_attachFlag; }
    // The last transfer asked for starts a match on terms its players have just agreed on (flag 1,
    // not the resumption of an unfinished match, nor watching or rejoining one).
    bool IsAttachingToAgreedMatch() const { return m_attachFlag == 1 && !m_attachResumes; }
    // 0 until the user has entered a service.
    int GetServiceActive() const { return m_serviceActive; }
    const CServiceName& GetServiceName() const { return m_serviceName; }
    const CServiceSettings& GetServiceSettings() const { return m_serviceSettings; }
    QString GetServiceSetting(const QString& key) const;
    // A setting of the lobby service (its web addresses among them), kept while the user is in a
    // match room, whose settings carry only the room's own.
    QString GetLobbySetting(const QString& key) const;
    // Examines (watches) a match: the transfer text for the service, its players and a " ~" marker.
    void ExamineMatch(const QString& serviceName, const QString& playerToWatch);
    // Resumes a stored match from an unfinished-match entry ("<key> <service> <details>").
    void ResumeMatch(const QString& serviceName, const QString& entry);
    void SetExamineArgs(const QStringList& args) { m_examineArgs = args; }
    const QStringList& GetExamineArgs() const { return m_examineArgs; }
    // Packet 112 "<cookie> <players>"; each nickname is awaited for 10 seconds.
    void SendWatchRequest(const QString& players, const QString& cookie);
    // Packet 112 "<cookie> <players>" for a requester that reads the reply (184) itself: nothing is
    // awaited, so a watch the user asked for stays pending -> false when nothing was sent.
    bool SendStatusQuery(const QString& players, const QString& cookie);
    // Watches that player's match: through his location when he is known, else by a watch request.
    void WatchPlayer(const QString& players);
    bool IsWatchPending() const { return !m_awaitedWatch.isEmpty(); }
    // The watch request's time-out (run by its application timer).
    void OnWatchTimeout();

    // ---- Chat
    // Adds a line to the chat log (see AddChatLine's rules in the source): drops lines of gagged
    // senders and the user's own whispers inside a game room; answers tells while away.
    void AddChatLine(const QString& sender, const QString& text, int kind);
    void SetChatLog(CChatSink* chatLog) { m_chatLog = chatLog; }
    // The lines typed into the session's command lines, shared by all of them.
    CCommandHistory& GetCommandHistory() { return m_commandHistory; }
    CChatSink* GetChatLog() const { return m_chatLog; }

    // ---- Talk
    // With no text (null) ends the talk of these people; with a text delivers it to every person of the
    // talk (routed 213) and to this client. More than five names: a message box (deferred) and the
    // names beyond five dropped.
    // An empty text opens or reuses the window and sends nothing.
    void OpenTalk(const QString* text, QStringList names);
    // Delivers one line of the user's to every person of the talk and to this client: the shown text
    // travels with the line's kind and plain text, so that receivers never have to take the shown
    // text apart. -> false, and the talk shows nothing, when the line did not go out.
    bool SendTalkLine(QStringList names, const CTalkLine& line);
    // The body of a talk packet (213) carrying the line to the people (their names joined by blanks).
    static QString FormatTalkPacket(const QStringList& people, const CTalkLine& line);
    // Reads a talk packet from sender -> the people of the talk, the sender first (not yet cut to a
    // talk's size), and the line; nothing without a sender, the list or a shown text. A kind other
    // than said text, emote or whisper leaves the line as shown text only.
    struct IncomingTalk {
        QStringList people;
        CTalkLine line;
    };
    static std::optional<IncomingTalk> ParseTalkPacket(const QString& sender, const QString& text);
    // Opens (or brings up) the talk window of these people without sending anything.
    void OpenTalkWindow(QStringList names);
    // Asks "Talk to:" with the names, then opens the talk window.
    void PromptAndOpenTalk(const QString& names);
    void SetTalkFactory(TalkFactory factory) { m_talkFactory = std::move(factory); }
    // Whether talk windows can be opened (a talk factory is registered).
    bool CanOpenTalks() const { return bool(m_talkFactory); }
    CTalkSession* FindTalk(const QStringList& people) const;
    int GetTalkCount() const { return int(m_talks.size()); }
    // Open talks that a packet opened and the user has not taken up.
    int GetPacketTalkCount() const { return int(m_packetTalks.size()); }

    // ---- Away state
    void SetAwayState(bool manualAway, bool idleAway);
    bool IsAway() const { return m_manualAway || m_idleAway; }
    bool IsManualAway() const { return m_manualAway; }
    bool IsIdleAway() const { return m_idleAway; }
    // The 5-second check: away after 900 seconds without input, back when input is newer than 6.
    void CheckIdleAway(qint64 secondsSinceInput);
    // Connected, no transfer pending, not away, and the own record, when in the current service, has
    // activity 2.
    bool IsIdleForMatch() const;
    // False while not connected or while a transfer is pending; true without a game document; else the
    // game document's answer.
    bool CanInvite() const;

    // ---- Lobby directory
    CLobbyUserMap* GetUserMap() const { return m_userMap.get(); }
    CClientUserInfo* FindUser(const QString& nickname) const;
    int GetTotalUserCount() const { return m_totalUsers; }
    void SetTotalUserCount(int total);
    // Hint 4099 with every user, for views that need to fill themselves again.
    void RefreshUserViews();

    // ---- Packet targets and sub-documents
    // Called by CPacketTarget and CSubDocument themselves when they are made and destroyed.
    void RegisterTarget(CPacketTarget* target);
    void UnregisterTarget(CPacketTarget* target);
    void RegisterSubDocument(CSubDocument* subDocument);
    void UnregisterSubDocument(CSubDocument* subDocument);
    bool HasPacketTargets() const;
    // Offers a session event to the packet targets in turn until one takes it -> the taker's answer.
    int NotifyTargets(int code, const QString& text);
    // Offers a sub-document event to the sub-documents in order of creation until one answers nonzero.
    int BroadcastSubDocEvent(int code, const QVariant& argument = QVariant());
    // True as soon as a sub-document answers the query with yes.
    bool QuerySubDocuments(int code, const QVariant& data = QVariant());
    // Routes a menu command to the sub-documents -> true when one handled it.
    bool RouteCommandToSubDocuments(int id);
    // The first attached sub-document of that runtime class (or derived from it), null when none.
    CSubDocument* FindSubDocument(std::string_view className) const;
    // The session keeps the sub-document until it ends (or until ReleaseSubDocument).
    CSubDocument* AdoptSubDocument(std::unique_ptr<CSubDocument> subDocument);
    void ReleaseSubDocument(CSubDocument* subDocument);
    // The packet being dispatched now (null outside dispatch).
    const CMessagePacket* GetCurrentPacket() const { return m_currentPacket; }
    // A receiver that reads the packet being dispatched but leaves it to the others says so; such a
    // packet is not logged as one that nobody takes.
    void MarkPacketRead() { m_packetRead = true; }

    // Runs a packet of the connection through the dispatch (the node calls it; tests may too).
    void DispatchPacket(const CMessagePacket& packet);
    // The only sender a routed packet of that type is taken from ("." the server, ".db", ".rt"), or
    // empty when members send it too. A plain frame comes from the server and always passes.
    static QString RequiredSender(int type);

    // ---- Questions asked of a service
    // A reply of that type and key counts only while a question is open for it: the asker opens one
    // per question sent, the receiver takes one per reply it shows. At most kMaxOpenQuestions stay
    // open per key (the oldest are forgotten); all are forgotten when the connection ends.
    static constexpr int kMaxOpenQuestions = 8;
    void OpenQuestion(int replyType, const QString& key);
    // -> true (and one question fewer) when one was open.
    bool TakeAnswer(int replyType, const QString& key);
    bool IsQuestionOpen(int replyType, const QString& key) const;

    // ---- Game document and windows
    // The game document attached to the session (a match, a proposition); null when none. A document
    // that is a CStateDoc answers CanInvite and may name its window set.
    void SetGameDocument(platform::Document* document);
    platform::Document* GetGameDocument() const { return m_gameDoc.data(); }
    // The frame of the view routing the current command, else of the first view; null without views.
    QWidget* GetServiceFrame() const;
    void SetCommandView(CSessionView* view) { m_commandView = view; }
    // Calls the game-view notification of every view in the sender's frame.
    void NotifyGameViewsInFrame(CSessionView* sender, int code, qintptr data);

    // ---- Later services (each optional)
    void SetInvitationService(CInvitationService* service) { m_invitations = service; }
    CInvitationService* GetInvitationService() const { return m_invitations; }
    void SetRelations(CRelationsQuery* relations) { m_relations = relations; }
    CRelationsQuery* GetRelations() const { return m_relations; }
    // The friends frame sees every packet nobody took (while no robot player runs).
    void SetAffinityFrame(CPacketRelay* frame) { m_affinityFrame = frame; }
    void ForgetAffinityFrame() { m_affinityFrame = nullptr; }
    CPacketRelay* GetAffinityFrame() const { return m_affinityFrame; }
    void SetPlayerInfoHandler(std::function<void(const QString&)> handler) {
        m_playerInfo = std::move(handler);
    }
    // Opens the player-information page for the nickname (nothing until that service is registered).
    void ShowPlayerInfo(const QString& nickname);
    // Whether a player-information service is registered.
    bool CanShowPlayerInfo() const { return bool(m_playerInfo); }
    // Takes the answers of an e-mail change (192, or a refusal 70) while the dialog is open.
    void SetEmailChangeHandler(std::function<bool(int type, const QString& text)> handler) {
        m_emailChange = std::move(handler);
    }
    // The robot player runs when "bRobotPlayer" of section "Login" was set at login.
    bool IsRobotPlayer() const { return m_robotPlayer; }

signals:
    void loginAccepted();
    void loginRefused(const QString& reason);
    // The connection ended; protocolError when the server sent something malformed.
    void connectionClosed(const QString& reason, bool protocolError);
    void serviceEntered(const QString& serviceName);
    void awayStateChanged(bool away);
    // A packet was dropped before dispatch: it came from another sender than the one its type names.
    void packetRefused(int type, const QString& source);

private:
    // CClientNode::Listener
    void OnLoginAccepted(const CLoginAcceptedPacket& accepted) override;
    void OnLoginRefused(const CLoginRefusedPacket& refusal) override;
    void OnNodePacket(const CMessagePacket& packet) override;
    void OnNodeClosed(const QString& reason, bool protocolError) override;

    bool handleWatchReply(int type, const QString& text);
    void handleUndeliverable(const QString& text);
    bool offerToTargets(int type, const QString& text);
    bool offerToViews(int type, const QString& text);
    void handleOwnPacket(const CMessagePacket& packet, int type, const QString& text);
    void handleServiceEntered(const QString& text);
    void handleIncomingTalk(const QString& sender, const QString& text);
    void deliverTalk(const QStringList& people, const QString& sender, const CTalkLine& line, bool activate);
    // Beyond kMaxPacketTalks: tells the user once (when tellUser) and answers the sender that the user
    // is busy.
    void refuseTalk(const QString& sender, bool tellUser = true);
    void sendPresence();
    void armAwayCheck();
    void stopTimers();
    void compactTargets();
    // Offers something to each entry of list in turn until one answers (nonzero) -> that answer.
    template <class T, class Ask> auto offerInTurn(const std::vector<T*>& list, Ask ask);
    static QString talkKey(const QStringList& people);
    QStringList limitTalkPeople(QStringList names, bool tellUser) const;
    QString machineId() const;

    QPointer<CClientNode> m_node;
    std::unique_ptr<CLobbyUserMap> m_userMap;
    QString m_nickname;
    QString m_pendingNickname;
    quint32 m_rightsMask = 0;
    quint32 m_accountFlags = 0;
    bool m_mailBarred = false;
    QString m_lobbyService;
    int m_totalUsers = 0;

    CServiceName m_serviceName;
    CServiceSettings m_serviceSettings;
    CServiceSettings m_lobbySettings;
    int m_serviceActive = 0;
    bool m_transferPending = false;
    int m_attachFlag = 0;
    bool m_attachResumes = false;
    QStringList m_examineArgs;

    bool m_manualAway = false;
    bool m_idleAway = false;
    bool m_robotPlayer = false;
    CLoginRefusedPacket m_loginRefusal;

    std::map<std::pair<int, QString>, int> m_openQuestions; // (reply type, key) -> questions open
    QSet<QString> m_awaitedWatch; // folded nicknames
    QString m_watchCookie;
    int m_watchTimer = 0; // application timer ids
    int m_awayTimer = 0;

    std::vector<CPacketTarget*> m_targets; // registration order; null for removed entries
    std::vector<CSubDocument*> m_subDocs;  // creation order; null for removed entries
    std::vector<std::unique_ptr<CSubDocument>> m_ownedSubDocs;
    int m_dispatchDepth = 0;
    const CMessagePacket* m_currentPacket = nullptr;
    bool m_packetRead = false; // of the packet being dispatched

    QPointer<platform::Document> m_gameDoc;
    CSessionView* m_commandView = nullptr;

    CChatSink* m_chatLog = nullptr;
    CCommandHistory m_commandHistory;
    CInvitationService* m_invitations = nullptr;
    CRelationsQuery* m_relations = nullptr;
    CPacketRelay* m_affinityFrame = nullptr;
    std::function<void(const QString&)> m_playerInfo;
    std::function<bool(int, const QString&)> m_emailChange;
    TalkFactory m_talkFactory;
    std::map<QString, std::unique_ptr<CTalkSession>> m_talks; // by talkKey
    std::vector<std::unique_ptr<CTalkSession>> m_endedTalks;
    std::map<QString, QString> m_packetTalks; // talkKeys of talks a packet opened -> folded sender
    std::map<QString, qint64> m_busyAnswered; // folded sender -> when he was last told
    bool m_talkRefusalShown = false;          // the user was told; again once the count drops
};
