#include "session/SessionDoc.h"

#include "net/TextFields.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "session/DeferredMessageBox.h"
#include "session/InputActivityMonitor.h"
#include "support/Utilities.h"
#include "session/PacketTarget.h"
#include "session/RelationPackets.h"
#include "session/StateDoc.h"
#include "support/ApplicationTimer.h"
#include "support/PacketText.h"
#include "support/SettingsStore.h"
#include "support/SoundSettings.h"
#include "support/dialogs/PromptDlg.h"
#include "support/Utilities.h"

#include <QApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>

namespace {

CSessionDoc* g_current = nullptr;

const QString kWatchPlayerCookie = QStringLiteral("Watch_Player_Cookie");
const QString kAwayReply = QStringLiteral("I am currently away and unable to respond to tells.");

// The packet of the dispatch in progress, restored however the handling ends.
class DispatchScope {
public:
    DispatchScope(const CMessagePacket*& current, int& depth, const CMessagePacket* packet)
        : m_current(current), m_depth(depth), m_previous(current) {
        m_current = packet;
        ++m_depth;
    }
    ~DispatchScope() {
        m_current = m_previous;
        --m_depth;
    }

private:
    const CMessagePacket*& m_current;
    int& m_depth;
    const CMessagePacket* m_previous;
};

} // namespace

CSessionDoc::CSessionDoc(QObject* parent)
    : platform::Document(parent), m_node(new CClientNode(this, this)),
      m_userMap(std::make_unique<CLobbyUserMap>(this, kHintUserArrived, kHintUserLeft, kHintUserChanged,
                                                kHintUsersCleared)) {
    m_node->Log().SetLevel(GetSettingsStore().GetIntEx(QStringLiteral("Client"),
                                                       QStringLiteral("nSyslogLevel"), CSysLog::Errors));
    if (!g_current)
        g_current = this;
}

CSessionDoc::~CSessionDoc() {
    stopTimers();
    m_talks.clear();
    // Owned sub-documents unregister themselves as they go.
    while (!m_ownedSubDocs.empty()) {
        std::unique_ptr<CSubDocument> last = std::move(m_ownedSubDocs.back());
        m_ownedSubDocs.pop_back();
        last.reset();
    }
    // Targets that outlive the session are told by losing their session.
    for (CPacketTarget* target : m_targets) {
        if (target)
            target->m_session = nullptr;
    }
    m_targets.clear();
    m_subDocs.clear();
    // Hint 4100 while the views still exist.
    m_userMap.reset();
    if (m_node) {
        m_node->Disconnect();
        delete m_node.data();
    }
    if (g_current == this)
        g_current = nullptr;
}

CSessionDoc* CSessionDoc::GetCurrent() {
    return g_current;
}

void CSessionDoc::SetCurrent(CSessionDoc* session) {
    g_current = session;
}

// ---- Connection and login

void CSessionDoc::Connect(const CClientNode::LoginRequest& request) {
    m_pendingNickname = request.nickname;
    m_node->Connect(request);
}

void CSessionDoc::Disconnect() {
    stopTimers();
    m_node->Disconnect();
    m_serviceActive = 0;
    m_transferPending = false;
}

bool CSessionDoc::IsConnected() const {
    return m_node && m_node->IsLoggedIn();
}

void CSessionDoc::OnLoginAccepted(const CLoginAcceptedPacket& accepted) {
    m_nickname = m_pendingNickname;
    m_rightsMask = accepted.rightsMask;
    m_accountFlags = accepted.accountFlags;
    m_mailBarred = (accepted.accountFlags & 1u) == 0;
    m_lobbyService = accepted.lobbyService;
    m_serviceName = CServiceName(accepted.lobbyService);
    m_serviceSettings = accepted.settings;
    m_lobbySettings = accepted.settings;
    m_serviceActive = 1;
    m_transferPending = false;
    GetSettingsStore().SetUser(m_nickname);
    m_robotPlayer =
        GetSettingsStore().GetBool(QStringLiteral("Login"), QStringLiteral("bRobotPlayer"), false);
    CInputActivityMonitor::Instance().Install();
    armAwayCheck();
    emit loginAccepted();
    UpdateAllViews(nullptr, kHintServiceEntered);
    emit serviceEntered(m_serviceName.GetText());
}

void CSessionDoc::OnLoginRefused(const CLoginRefusedPacket& refusal) {
    m_loginRefusal = refusal;
    emit loginRefused(refusal.reason);
}

void CSessionDoc::OnNodeClosed(const QString& reason, bool protocolError) {
    stopTimers();
    m_openQuestions.clear();
    m_serviceActive = 0;
    m_transferPending = false;
    emit connectionClosed(reason, protocolError);
}

void CSessionDoc::OnNodePacket(const CMessagePacket& packet) {
    DispatchPacket(packet);
}

// ---- Sending

bool CSessionDoc::Send(int type, const QString& text, int length, const QString& target) {
    if (!IsConnected())
        return false;
    const QString body = length >= 0 && length < text.size() ? text.left(length) : text;
    QString error;
    return m_node->SendText(type, body, target, &error);
}

bool CSessionDoc::SendChat(const QString& text, int kind, const QString& recipient) {
    if (kind != ChatKind::Tell && IsAway())
        SetAwayState(false, false);
    if (!IsConnected() || !m_node->SendChat(text, kind, recipient))
        return false;
    // In a match room the server's echo of one's own whisper is left out (see AddChatLine): the
    // sender's chat shows it here, once.
    if (kind == ChatKind::Whisper && recipient.isEmpty() && m_serviceName.CountParts() > 0 && m_chatLog)
        m_chatLog->AddElement(m_nickname, kind, text);
    return true;
}

QString CSessionDoc::NotSentText(const QString& what) {
    return QStringLiteral("Not connected: the %1 was not sent.").arg(what);
}

void CSessionDoc::TellNotSent(const QString& what) {
    AddChatLine(QString(), NotSentText(what), ChatKind::System);
}

bool CSessionDoc::Shout(const QString& text) {
    if (!HasRight(kRightShout) || !IsConnected())
        return false;
    return m_node->SendChat(text, ChatKind::Shout, QString());
}

bool CSessionDoc::Notify(const QString& text) {
    return Send(ChatPacket::Notify, text, -1, QStringLiteral("&"));
}

bool CSessionDoc::SendRoutedMessage(const QString& nickname, const QString& text) {
    return Send(kPacketRoutedMessage, text, -1, nickname);
}

bool CSessionDoc::SendRelationRequest(int type, const QString& text) {
    // The text becomes part of a request line whose words the service reads one by one: a word that is
    // not a nickname could change its meaning, so it is left out.
    QStringList words;
    SplitToStringList(words, text, u" \t\r\n");
    const QString sign = words.isEmpty() ? QString() : words.takeFirst();
    QString request;
    if (sign == QLatin1String("=")) {
        request = sign;
    } else if (sign == QLatin1String("+") || sign == QLatin1String("-")) {
        words.removeIf([](const QString& word) { return !IsValidUserName(word); });
        if (words.isEmpty())
            return false;
        request = sign + QLatin1Char(' ') + words.join(QLatin1Char(' '));
    } else {
        return false;
    }
    return Send(type, RelationPacket::FormatRequest(m_nickname, request), -1, QStringLiteral(".db"));
}

bool CSessionDoc::SendRelationChange(const QString& text) {
    // All three lists travel the same way, so the friends list too goes to the database service.
    return SendRelationRequest(RelationPacket::FriendsRequest, text);
}

QString CSessionDoc::machineId() const {
    // A random identifier made once for this installation: the system's own id never leaves the machine.
    CSettingsStore& store = GetSettingsStore();
    QString id = store.GetAppProfileString(QStringLiteral("Client"), QStringLiteral("MachineId"), QString());
    if (id.isEmpty()) {
        id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        store.WriteAppProfileString(QStringLiteral("Client"), QStringLiteral("MachineId"), id);
    }
    return id;
}

bool CSessionDoc::SendEmailChallengeResponse(const QString& firstText, const QString& newAddress) {
    const QString text = machineId() + QLatin1Char(' ') + firstText +
                         QStringLiteral(" DeprecatedEmailChallengeResponse ") + newAddress;
    return Send(kPacketDatabase, text, -1, QStringLiteral(".db"));
}

// ---- Services and rooms

void CSessionDoc::AttachToGameService(const QString& transferText, int flag) {
    m_attachFlag = flag;
    m_attachResumes = false;
    if (!IsConnected())
        return;
    QString error;
    m_transferPending =
        m_node->SendText(LoginPacketType::Transfer, FormatQuotedText(transferText), QString(), &error);
}

void CSessionDoc::DetachFromGameService() {
    AttachToGameService(m_lobbyService, 0);
}

namespace {
QString FindSetting(const CServiceSettings& settings, const QString& key) {
    for (const auto& [name, value] : settings) {
        if (name == key)
            return value;
    }
    return QString();
}
} // namespace

QString CSessionDoc::GetServiceSetting(const QString& key) const {
    return FindSetting(m_serviceSettings, key);
}

QString CSessionDoc::GetLobbySetting(const QString& key) const {
    return FindSetting(m_lobbySettings, key);
}

void CSessionDoc::ExamineMatch(const QString& serviceName, const QString& playerToWatch) {
    QString transfer =
        serviceName + QLatin1Char(' ') + CServiceName(serviceName).GetPartsText() + QLatin1Char('~');
    if (!playerToWatch.isEmpty())
        transfer += QLatin1Char(' ') + playerToWatch;
    AttachToGameService(transfer, 0);
}

void CSessionDoc::ResumeMatch(const QString& serviceName, const QString& entry) {
    // "<match key> <service name> <details>"
    QString details = entry.trimmed();
    const QString key = NextToken(details, u" ");
    const QString service = NextToken(details, u" ");
    AttachToGameService(serviceName + QStringLiteral(" ResumeMatch ") +
                            QStringLiteral("%1 @%2 %3").arg(key, service, details),
                        1);
    m_attachResumes = true;
}

void CSessionDoc::SendWatchRequest(const QString& players, const QString& cookie) {
    if (!Send(kPacketWatchRequest, QStringLiteral("%1 %2").arg(cookie, players)))
        return;
    m_watchCookie = cookie;
    m_awaitedWatch.clear();
    for (const QString& name : players.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        m_awaitedWatch.insert(FoldNickname(name));
    KillApplicationTimer(&m_watchTimer);
    m_watchTimer = SetApplicationTimer(kWatchTimeoutSeconds, this, [this](QObject*, int, void*) {
        m_watchTimer = 0;
        OnWatchTimeout();
    });
}

bool CSessionDoc::SendStatusQuery(const QString& players, const QString& cookie) {
    return Send(kPacketWatchRequest, QStringLiteral("%1 %2").arg(cookie, players));
}

void CSessionDoc::WatchPlayer(const QString& players) {
    if (IsWatchPending()) {
        AddChatLine(
            QString(),
            QStringLiteral("ERROR - Unable to issue watch request.  You are already waiting to watch a game"),
            ChatKind::System);
        return;
    }
    QString names = players.trimmed();
    const CClientUserInfo* user = FindUser(NextToken(names, u" "));
    if (user && CServiceName(user->GetLocation()).CountParts() > 0) {
        ExamineMatch(user->GetLocation(), user->GetNickname());
        return;
    }
    SendWatchRequest(players.trimmed(), kWatchPlayerCookie);
}

void CSessionDoc::OnWatchTimeout() {
    KillApplicationTimer(&m_watchTimer);
    if (m_awaitedWatch.isEmpty())
        return;
    const bool ours = m_watchCookie == kWatchPlayerCookie;
    m_awaitedWatch.clear();
    if (ours)
        AddChatLine(QString(), QStringLiteral("ERROR - No answer to the watch request."), ChatKind::System);
}

bool CSessionDoc::handleWatchReply(int type, const QString& text) {
    if (type != kPacketWatchReply || m_awaitedWatch.isEmpty())
        return false;
    QString rest = text.trimmed();
    const QString cookie = NextToken(rest, u" ");
    if (cookie != m_watchCookie)
        return false;
    bool attached = false;
    for (const QString& entry : rest.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qsizetype at = entry.indexOf(QLatin1Char('@'));
        const QString nickname = at < 0 ? entry : entry.left(at);
        const QString service = at < 0 ? QString() : entry.mid(at + 1);
        m_awaitedWatch.remove(FoldNickname(nickname));
        if (cookie != kWatchPlayerCookie)
            continue; // another requester's reply: it reads the entries itself
        if (service.isEmpty())
            AddChatLine(QString(), QStringLiteral("%1 is not connected to the server.").arg(nickname),
                        ChatKind::System);
        else if (CServiceName(service).CountParts() == 0)
            AddChatLine(QString(), QStringLiteral("%1 is not in a match.").arg(nickname), ChatKind::System);
        else if (!attached) {
            attached = true;
            ExamineMatch(service, nickname);
        }
    }
    if (m_awaitedWatch.isEmpty())
        KillApplicationTimer(&m_watchTimer);
    return cookie == kWatchPlayerCookie;
}

// ---- Chat

void CSessionDoc::AddChatLine(const QString& sender, const QString& text, int kind) {
    if (!m_chatLog)
        return;
    if (!sender.isEmpty() && m_relations && m_relations->IsGagged(sender))
        return;
    const bool own = !sender.isEmpty() && SameNickname(sender, m_nickname);
    if (kind == ChatKind::Whisper && own && m_serviceName.CountParts() > 0)
        return; // shown when it was sent (SendChat)
    if (kind == ChatKind::Tell && IsAway() && !own && text != kAwayReply)
        m_node->SendChat(kAwayReply, ChatKind::Tell, sender);
    m_chatLog->AddElement(sender, kind, text);
    if (kind != ChatKind::System)
        PlayEventSound(CSoundSettings::kChat);
}

// ---- Talk

QString CSessionDoc::talkKey(const QStringList& people) {
    QStringList folded;
    for (const QString& name : people)
        folded.append(FoldNickname(name));
    folded.sort();
    folded.removeDuplicates();
    return folded.join(QLatin1Char(' '));
}

QStringList CSessionDoc::limitTalkPeople(QStringList names, bool tellUser) const {
    QStringList unique;
    for (const QString& name : names) {
        const QString trimmed = name.trimmed();
        if (trimmed.isEmpty())
            continue;
        const bool seen = std::any_of(unique.begin(), unique.end(),
                                      [&](const QString& other) { return SameNickname(other, trimmed); });
        if (!seen)
            unique.append(trimmed);
    }
    if (!m_nickname.isEmpty() && std::none_of(unique.begin(), unique.end(),
                                              [&](const QString& n) { return SameNickname(n, m_nickname); }))
        unique.prepend(m_nickname);
    if (unique.size() > kMaxTalkPeople) {
        if (tellUser)
            PostDeferredMessageBox(
                QStringLiteral("Maximum of %1 people permitted in a Talk Dialog.").arg(kMaxTalkPeople),
                platform::MB_OK | platform::MB_ICONEXCLAMATION);
        unique = unique.mid(0, kMaxTalkPeople);
    }
    return unique;
}

void CSessionDoc::OpenTalk(const QString* text, QStringList names) {
    if (text && !text->isEmpty()) {
        // The user's said line as shown ("alice: hi"); it travels with its kind and plain text, since
        // receivers show no line from a member without them.
        const QString prefix = m_nickname + QStringLiteral(": ");
        const QString plain = text->startsWith(prefix) ? text->mid(prefix.size()) : *text;
        SendTalkLine(std::move(names), CTalkLine{*text, ChatKind::Said, plain});
        return;
    }
    const QStringList people = limitTalkPeople(std::move(names), true);
    if (!text) {
        // The talk may be the caller (its window closing): it goes once the current call has returned.
        const QString key = talkKey(people);
        const auto it = m_talks.find(key);
        if (it != m_talks.end()) {
            if (m_packetTalks.erase(key) && int(m_packetTalks.size()) < kMaxPacketTalks)
                m_talkRefusalShown = false;
            m_endedTalks.push_back(std::move(it->second));
            m_talks.erase(it);
            QTimer::singleShot(0, this, [this] { m_endedTalks.clear(); });
        }
        return;
    }
    m_packetTalks.erase(talkKey(people));
    deliverTalk(people, QString(), CTalkLine{}, true);
}

bool CSessionDoc::SendTalkLine(QStringList names, const CTalkLine& line) {
    // Even to nobody but himself: while the connection is down no line shows as said.
    if (line.display.isEmpty() || !IsConnected())
        return false;
    const QStringList people = limitTalkPeople(std::move(names), true);
    const QString body = FormatTalkPacket(people, line);
    for (const QString& person : people) {
        if (!SameNickname(person, m_nickname) && !Send(ChatPacket::Talk, body, -1, person))
            return false;
    }
    m_packetTalks.erase(talkKey(people));
    deliverTalk(people, m_nickname, line, true);
    return true;
}

void CSessionDoc::OpenTalkWindow(QStringList names) {
    const QString empty;
    OpenTalk(&empty, std::move(names));
}

void CSessionDoc::PromptAndOpenTalk(const QString& names) {
    CPromptDlg prompt(QStringLiteral("Talk"), QStringLiteral("Talk to:"), QApplication::activeWindow());
    prompt.SetAnswer(names);
    if (prompt.DoModal() != platform::IDOK)
        return;
    const QString answer = prompt.GetAnswer();
    QStringList list;
    for (const QString& word : answer.split(QRegularExpression(QStringLiteral("[ ,;]+")), Qt::SkipEmptyParts))
        list.append(word);
    if (list.isEmpty())
        return;
    OpenTalkWindow(list);
}

CTalkSession* CSessionDoc::FindTalk(const QStringList& people) const {
    const auto it = m_talks.find(talkKey(limitTalkPeople(people, false)));
    return it == m_talks.end() ? nullptr : it->second.get();
}

QString CSessionDoc::FormatTalkPacket(const QStringList& people, const CTalkLine& line) {
    CTextFields fields;
    fields.Text(people.join(QLatin1Char(' '))).Text(line.display);
    if (line.kind >= 0)
        fields.Number(line.kind).Text(line.text);
    return fields.str();
}

std::optional<CSessionDoc::IncomingTalk> CSessionDoc::ParseTalkPacket(const QString& sender, const QString& text) {
    CPacketCursor cursor(text);
    QString peopleText;
    IncomingTalk talk;
    if (sender.isEmpty() || !ReadPacketString(cursor, peopleText) || !ReadPacketString(cursor, talk.line.display))
        return std::nullopt;
    // The kind and plain text follow the shown text; a sender that gave only the shown text is shown
    // as it wrote it. Only said text, emotes and whispers travel in a talk.
    int kind = -1;
    QString plain;
    if (ReadPacketInt(cursor, kind) && ReadPacketString(cursor, plain) &&
        (kind == ChatKind::Said || kind == ChatKind::Emote || kind == ChatKind::Whisper)) {
        talk.line.kind = kind;
        talk.line.text = plain;
    }
    if (talk.line.display.isEmpty())
        return std::nullopt;
    // The sender is the one the server names; he belongs to the talk whatever the list says.
    talk.people = peopleText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    talk.people.prepend(sender);
    return talk;
}

void CSessionDoc::handleIncomingTalk(const QString& sender, const QString& text) {
    std::optional<IncomingTalk> talk = ParseTalkPacket(sender, text);
    if (!talk)
        return;
    // A line without its kind would show as its sender wrote it: only the server may speak so.
    const bool fromServer = sender == QLatin1String(".");
    if (talk->line.kind < 0 && !fromServer)
        return;
    // The people are the sender, the user and members the directory knows; made-up names go.
    QStringList people;
    for (const QString& name : talk->people) {
        if (SameNickname(name, m_nickname) || (!fromServer && SameNickname(name, sender)) ||
            (IsValidUserName(name) && FindUser(name)))
            people.append(name);
    }
    // An incoming list longer than a talk allows is cut quietly: no box opens inside the dispatch.
    people = limitTalkPeople(std::move(people), false);
    const QString key = talkKey(people);
    if (m_talks.find(key) == m_talks.end() && m_talkFactory) {
        if (int(m_packetTalks.size()) >= kMaxPacketTalks) {
            refuseTalk(sender);
            return;
        }
        // One member cannot take them all: past his share he alone hears that the user is busy.
        const QString folded = FoldNickname(sender);
        if (!fromServer && std::count_if(m_packetTalks.begin(), m_packetTalks.end(), [&](const auto& talk) {
                return talk.second == folded;
            }) >= kMaxPacketTalksPerSender) {
            refuseTalk(sender, false);
            return;
        }
        m_packetTalks.emplace(key, folded);
    }
    deliverTalk(people, sender, talk->line, false);
    if (m_talks.find(key) == m_talks.end())
        m_packetTalks.erase(key);
}

void CSessionDoc::refuseTalk(const QString& sender, bool tellUser) {
    if (tellUser && !m_talkRefusalShown) {
        m_talkRefusalShown = true;
        AddChatLine(QString(),
                    QStringLiteral("%1 talk windows opened by others are open: further talks are refused "
                                   "until you close some.")
                        .arg(kMaxPacketTalks),
                    ChatKind::System);
    }
    if (!IsValidUserName(sender))
        return;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const QString folded = FoldNickname(sender);
    const auto last = m_busyAnswered.find(folded);
    if (last != m_busyAnswered.end() && now - last->second < kBusyAnswerSeconds)
        return;
    if (m_busyAnswered.size() >= 256)
        m_busyAnswered.clear();
    m_busyAnswered[folded] = now;
    const QString plain = QString::fromLatin1(kBusyAnswer).trimmed();
    const CTalkLine busy{m_nickname + QLatin1Char(' ') + plain, ChatKind::Emote, plain};
    Send(ChatPacket::Talk, FormatTalkPacket({m_nickname, sender}, busy), -1, sender);
}

void CSessionDoc::deliverTalk(const QStringList& people, const QString& sender, const CTalkLine& line,
                              bool activate) {
    const QString key = talkKey(people);
    auto it = m_talks.find(key);
    if (it != m_talks.end() && line.display.isEmpty() && activate) {
        it->second->Activate();
        return;
    }
    if (it == m_talks.end()) {
        if (!m_talkFactory) {
            // Without talk windows the line still reaches the user, as a tell.
            if (!line.display.isEmpty() && !SameNickname(sender, m_nickname))
                AddChatLine(sender, line.kind >= 0 ? line.text : line.display, ChatKind::Tell);
            return;
        }
        std::unique_ptr<CTalkSession> talk = m_talkFactory(*this, people, activate);
        if (!talk)
            return;
        it = m_talks.emplace(key, std::move(talk)).first;
    }
    if (!line.display.isEmpty())
        it->second->AddIncomingText(sender, line);
}

// ---- Away state

void CSessionDoc::SetAwayState(bool manualAway, bool idleAway) {
    const bool wasAway = IsAway();
    m_manualAway = manualAway;
    m_idleAway = idleAway;
    if (wasAway != IsAway())
        sendPresence();
    UpdateAllViews(nullptr, kHintAwayChanged);
    emit awayStateChanged(IsAway());
}

void CSessionDoc::sendPresence() {
    if (IsConnected())
        m_node->SendText(LoginPacketType::Presence, IsAway() ? QStringLiteral("1") : QStringLiteral("0"),
                         QString());
}

void CSessionDoc::armAwayCheck() {
    KillApplicationTimer(&m_awayTimer);
    m_awayTimer = SetApplicationTimer(kAwayCheckSeconds, this, [this](QObject*, int, void*) {
        m_awayTimer = 0;
        CheckIdleAway(CInputActivityMonitor::Instance().SecondsSinceInput());
        if (IsConnected())
            armAwayCheck();
    });
}

void CSessionDoc::stopTimers() {
    KillApplicationTimer(&m_watchTimer);
    KillApplicationTimer(&m_awayTimer);
}

void CSessionDoc::CheckIdleAway(qint64 secondsSinceInput) {
    if (!m_idleAway && secondsSinceInput >= kIdleAwaySeconds)
        SetAwayState(m_manualAway, true);
    else if (m_idleAway && secondsSinceInput < kBackFromIdleSeconds)
        SetAwayState(m_manualAway, false);
}

bool CSessionDoc::IsIdleForMatch() const {
    if (!IsConnected() || m_transferPending || IsAway())
        return false;
    const CClientUserInfo* own = FindUser(m_nickname);
    return !own || own->GetActivity() == CUserInfo::kActivityFinished;
}

bool CSessionDoc::CanInvite() const {
    if (!IsConnected() || m_transferPending)
        return false;
    const CStateDoc* state = platform::object_cast<CStateDoc>(m_gameDoc.data());
    return !state || state->CanInvite();
}

// ---- Lobby directory

CClientUserInfo* CSessionDoc::FindUser(const QString& nickname) const {
    return m_userMap ? m_userMap->FindUser(nickname) : nullptr;
}

void CSessionDoc::SetTotalUserCount(int total) {
    if (m_totalUsers == total)
        return;
    m_totalUsers = total;
    UpdateAllViews(nullptr, kHintTotalUsers);
}

void CSessionDoc::RefreshUserViews() {
    if (m_userMap)
        m_userMap->BroadcastAll();
}

// ---- Packet targets and sub-documents

void CSessionDoc::RegisterTarget(CPacketTarget* target) {
    if (!target || target->m_session == this)
        return;
    target->m_session = this;
    m_targets.push_back(target);
}

void CSessionDoc::UnregisterTarget(CPacketTarget* target) {
    for (CPacketTarget*& entry : m_targets) {
        if (entry == target)
            entry = nullptr;
    }
    if (target && target->m_session == this)
        target->m_session = nullptr;
    compactTargets();
}

void CSessionDoc::RegisterSubDocument(CSubDocument* subDocument) {
    if (subDocument && std::find(m_subDocs.begin(), m_subDocs.end(), subDocument) == m_subDocs.end())
        m_subDocs.push_back(subDocument);
}

void CSessionDoc::UnregisterSubDocument(CSubDocument* subDocument) {
    for (CSubDocument*& entry : m_subDocs) {
        if (entry == subDocument)
            entry = nullptr;
    }
    compactTargets();
}

void CSessionDoc::compactTargets() {
    // Entries removed during a dispatch stay as holes until the dispatch is over, so the walk in
    // progress keeps its place.
    if (m_dispatchDepth > 0)
        return;
    m_targets.erase(std::remove(m_targets.begin(), m_targets.end(), nullptr), m_targets.end());
    m_subDocs.erase(std::remove(m_subDocs.begin(), m_subDocs.end(), nullptr), m_subDocs.end());
}

bool CSessionDoc::HasPacketTargets() const {
    return std::any_of(m_targets.begin(), m_targets.end(), [](CPacketTarget* t) { return t != nullptr; });
}

template <class T, class Ask> auto CSessionDoc::offerInTurn(const std::vector<T*>& list, Ask ask) {
    ++m_dispatchDepth;
    decltype(ask(*list.front())) answer{};
    // Entries added meanwhile are not asked; removed ones are holes until the walk is over.
    const size_t count = list.size();
    for (size_t i = 0; i < count && !answer; ++i) {
        if (T* entry = list[i])
            answer = ask(*entry);
    }
    --m_dispatchDepth;
    compactTargets();
    return answer;
}

int CSessionDoc::NotifyTargets(int code, const QString& text) {
    return offerInTurn(m_targets, [&](CPacketTarget& target) { return target.OnSessionEvent(code, text); });
}

int CSessionDoc::BroadcastSubDocEvent(int code, const QVariant& argument) {
    return offerInTurn(m_subDocs, [&](CSubDocument& sub) { return sub.OnEvent(code, argument); });
}

bool CSessionDoc::QuerySubDocuments(int code, const QVariant& data) {
    return offerInTurn(m_subDocs, [&](CSubDocument& sub) { return sub.Query(code, data); });
}

bool CSessionDoc::RouteCommandToSubDocuments(int id) {
    return offerInTurn(m_subDocs, [&](CSubDocument& sub) { return sub.OnCommand(id); });
}

CSubDocument* CSessionDoc::FindSubDocument(std::string_view className) const {
    for (CSubDocument* sub : m_subDocs) {
        if (sub && sub->IsKindOf(className))
            return sub;
    }
    return nullptr;
}

CSubDocument* CSessionDoc::AdoptSubDocument(std::unique_ptr<CSubDocument> subDocument) {
    CSubDocument* raw = subDocument.get();
    if (raw)
        m_ownedSubDocs.push_back(std::move(subDocument));
    return raw;
}

void CSessionDoc::ReleaseSubDocument(CSubDocument* subDocument) {
    const auto it =
        std::find_if(m_ownedSubDocs.begin(), m_ownedSubDocs.end(),
                     [&](const std::unique_ptr<CSubDocument>& p) { return p.get() == subDocument; });
    if (it != m_ownedSubDocs.end())
        m_ownedSubDocs.erase(it);
}

// ---- Dispatch

QString CSessionDoc::RequiredSender(int type) {
    switch (type) {
    case ChatPacket::System: // system lines
    case 169:                // bear-off chances
    case 183:                // client versions
    case 184:                // where players are
    case 206:                // friends coming and going
    case kPacketUndeliverable:
    case 233: // unfinished matches
        return QStringLiteral(".");
    case 192: // e-mail change answer
    case 189: // relation lists
    case 202:
    case 235:
    case 253: // money limits
        return QStringLiteral(".db");
    case 240: // rankings
        return QStringLiteral(".rt");
    default:
        return QString();
    }
}

void CSessionDoc::OpenQuestion(int replyType, const QString& key) {
    int& open = m_openQuestions[{replyType, key}];
    open = std::min(open + 1, kMaxOpenQuestions);
}

bool CSessionDoc::TakeAnswer(int replyType, const QString& key) {
    const auto found = m_openQuestions.find({replyType, key});
    if (found == m_openQuestions.end())
        return false;
    if (--found->second <= 0)
        m_openQuestions.erase(found);
    return true;
}

bool CSessionDoc::IsQuestionOpen(int replyType, const QString& key) const {
    return m_openQuestions.count({replyType, key}) != 0;
}

void CSessionDoc::DispatchPacket(const CMessagePacket& packet) {
    const int type = packet.GetEffectiveType();
    const QString source = packet.GetSourceName();
    const QString required = RequiredSender(type);
    // Whatever a service answers, a member could route too: such a packet counts only from its sender.
    if (!required.isEmpty() && !source.isEmpty() && source != required) {
        // Logged as a packet nobody takes, since from that sender it is none the client knows.
        if (m_node)
            m_node->Log().Write(CSysLog::Errors, CStateMan::IllegalPacketText(QStringLiteral("Session"), &packet,
                                                                              type, m_node->PeerText()));
        emit packetRefused(type, source);
        return;
    }
    const QString text = packet.GetPayload();
    const bool outerRead = m_packetRead;
    m_packetRead = false;
    {
        DispatchScope scope(m_currentPacket, m_dispatchDepth, &packet);
        if (!handleWatchReply(type, text)) {
            if (type == kPacketUndeliverable)
                handleUndeliverable(text);
            if (m_userMap)
                m_userMap->OnPacket(type, text);
            if (!offerToTargets(type, text) && !offerToViews(type, text)) {
                if (m_affinityFrame && !m_robotPlayer)
                    m_affinityFrame->RelayPacket(type, text);
                handleOwnPacket(packet, type, text);
            }
        }
    }
    m_packetRead = outerRead;
    compactTargets();
}

void CSessionDoc::handleUndeliverable(const QString& text) {
    static const QString prefix = QStringLiteral("Message to ");
    static const QString suffix = QStringLiteral(" could not be delivered");
    if (text.size() >= 181 || !text.startsWith(prefix) || !text.endsWith(suffix))
        return;
    const QString nickname = text.mid(prefix.size(), text.size() - prefix.size() - suffix.size());
    if (m_invitations && !nickname.isEmpty())
        m_invitations->CloseDialogsForUser(nickname);
}

bool CSessionDoc::offerToTargets(int type, const QString& text) {
    return offerInTurn(m_targets, [&](CPacketTarget& target) { return target.OnPacket(type, text) != 0; });
}

bool CSessionDoc::offerToViews(int type, const QString& text) {
    const std::vector<platform::View*> snapshot = Views();
    for (platform::View* view : snapshot) {
        // A view removed by an earlier one is not offered the packet.
        const auto& now = Views();
        if (std::find(now.begin(), now.end(), view) == now.end())
            continue;
        if (auto* sessionView = platform::object_cast<CSessionView>(view)) {
            if (sessionView->HandlePacket(type, text))
                return true;
        }
    }
    return false;
}

void CSessionDoc::handleOwnPacket(const CMessagePacket& packet, int type, const QString& text) {
    const QString source = packet.GetSourceName();
    switch (type) {
    case LoginPacketType::ServiceEntered:
        handleServiceEntered(text);
        return;
    case ChatPacket::Said:
        AddChatLine(source, text, ChatKind::Said);
        return;
    case ChatPacket::Tell:
        AddChatLine(source, text, ChatKind::Tell);
        return;
    case ChatPacket::Emote:
        AddChatLine(source, text, ChatKind::Emote);
        return;
    case ChatPacket::Whisper:
        AddChatLine(source, text, ChatKind::Whisper);
        return;
    case ChatPacket::Shout:
        if (CClientNode::IsShoutShown(source, m_nickname))
            AddChatLine(source, text, ChatKind::Shout);
        return;
    case ChatPacket::System:
        AddChatLine(QString(), text, ChatKind::System);
        return;
    case ChatPacket::Talk:
        handleIncomingTalk(source, text);
        return;
    case kPacketUndeliverable:
        AddChatLine(QString(), text, ChatKind::System);
        return;
    case 70:
    case 192:
        if (m_emailChange)
            m_emailChange(type, text);
        return;
    default:
        if (m_packetRead)
            return;
        // Nobody took it: the log says so, as the dispatch tables do for what they do not know.
        m_node->Log().Write(CSysLog::Errors, CStateMan::IllegalPacketText(QStringLiteral("Session"), &packet,
                                                                          type, m_node->PeerText()));
        return;
    }
}

void CSessionDoc::handleServiceEntered(const QString& text) {
    const auto entered = CServiceEnteredPacket::Parse(text);
    if (!entered) {
        m_node->Log().Write(CSysLog::Errors,
                            QStringLiteral("A malformed service entry: %1").arg(text.left(120)));
        return;
    }
    // The room names its next match again with the same service: the user's invitations stay.
    const bool sameService = m_serviceName.IsSameService(CServiceName(entered->serviceName));
    m_serviceName = CServiceName(entered->serviceName);
    m_serviceSettings = entered->settings;
    if (m_serviceName.GetText() == m_lobbyService && !entered->settings.empty())
        m_lobbySettings = entered->settings;
    m_serviceActive = 1;
    m_transferPending = false;
    if (m_invitations && !sameService)
        m_invitations->CloseAllInvitations();
    UpdateAllViews(nullptr, kHintServiceEntered);
    emit serviceEntered(m_serviceName.GetText());
}

// ---- Windows

QWidget* CSessionDoc::GetServiceFrame() const {
    const auto& views = Views();
    if (m_commandView && std::find(views.begin(), views.end(), m_commandView) != views.end())
        return m_commandView->GetFrameWindow();
    for (platform::View* view : views) {
        if (auto* sessionView = platform::object_cast<CSessionView>(view))
            return sessionView->GetFrameWindow();
    }
    return nullptr;
}

void CSessionDoc::SetGameDocument(platform::Document* document) {
    m_gameDoc = document;
}

void CSessionDoc::NotifyGameViewsInFrame(CSessionView* sender, int code, qintptr data) {
    if (!sender)
        return;
    QWidget* frame = sender->GetFrameWindow();
    const std::vector<platform::View*> snapshot = Views();
    for (platform::View* view : snapshot) {
        auto* sessionView = platform::object_cast<CSessionView>(view);
        if (sessionView && sessionView->GetFrameWindow() == frame)
            sessionView->OnGameViewNotify(code, data);
    }
}

void CSessionDoc::ShowPlayerInfo(const QString& nickname) {
    if (m_playerInfo && !nickname.isEmpty())
        m_playerInfo(nickname);
}
