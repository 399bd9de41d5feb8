#include "Directory.h"

#include "support/PacketText.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <numeric>

void CDirectory::Register(CPacketRegistry& packets, Charge charge) {
    m_charge = std::move(charge);
    packets.Plain(LoginPacketType::Presence, CPacketRegistry::Member(), CPacketRegistry::Text(this, &CDirectory::OnPresence));
    packets.Plain(ServicePacket::Command, CPacketRegistry::Member(), CPacketRegistry::Text(this, &CDirectory::OnCommand));
    packets.Plain(ServicePacket::BoardQuery, CPacketRegistry::Member(), CPacketRegistry::Text(this, &CDirectory::OnBoardQuery));
    packets.Plain(ServicePacket::WatchRequest, CPacketRegistry::Member(), CPacketRegistry::Text(this, &CDirectory::OnWatchRequest));
    for (const RelationPacket::List list : RelationPacket::kAllLists)
        packets.Routed(CPacketRegistry::To::Database, RelationPacket::RequestType(list), CPacketRegistry::Member(),
                       [this](Client* client, const CMessagePacket& packet) {
                           OnRelationRequest(client, packet.GetEffectiveType(), packet.GetPayload());
                       });
}

void CDirectory::Arrived(Client* client) {
    m_ratings.clear();
    const QString nickname = client->record.GetNickname();
    // The newcomer learns of everybody; everybody else of the newcomer.
    QList<Client*> others = loggedIn();
    others.removeAll(client);
    SendDirectory(ServicePacket::UsersArrived, loggedIn(), {client});
    SendDirectory(ServicePacket::UsersArrived, {client}, others);
    systemLine(client, QStringLiteral("Welcome to the %1, %2.").arg(m_options.serverName, nickname));
    tellFriendsOf(client, QLatin1Char('+'));
}

void CDirectory::Departed(Client* client) {
    m_ratings.clear();
    SendDirectory(ServicePacket::UsersLeft, {client}, loggedIn());
    tellFriendsOf(client, QLatin1Char('-'));
}

void CDirectory::OnPresence(Client* client, const QString& text) {
    client->record.SetPresence(text.trimmed() == QLatin1String("1") ? CUserInfo::kPresenceAway
                                                                    : CUserInfo::kPresenceReady);
    AnnounceSoon(client);
}

void CDirectory::OnWatchRequest(Client* client, const QString& text) {
    QString rest;
    const QString cookie = firstWord(text, &rest);
    QString reply = cookie;
    for (const QString& name : rest.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const Client* user = findUser(name);
        reply += QStringLiteral(" %1@%2").arg(user ? user->record.GetNickname() : name,
                                              user ? user->service : QString());
    }
    client->connection->SendRouted(ServicePacket::WatchReply, QStringLiteral("."), reply);
}

std::vector<qint64> CDirectory::SendDirectory(int type, const QList<Client*>& about, const QList<Client*>& to,
                                              quint32 mask) {
    std::vector<qint64> sent(size_t(about.size()), 0);
    if (about.isEmpty())
        return sent;
    if (mask == 0)
        mask = type == ServicePacket::UsersChanged ? UserField::OwnMask : UserField::All;
    // Each user's entry is written once for each set of group flags readers see him with.
    std::vector<std::vector<std::pair<int, QString>>> entries(size_t(about.size()));
    const auto entry = [&](qsizetype index, int groups) -> const QString& {
        std::vector<std::pair<int, QString>>& written = entries[size_t(index)];
        for (const auto& text : written)
            if (text.first == groups)
                return text.second;
        written.emplace_back(groups, about[index]->record.FormatUpdateText(groups, mask == kGroupFlagsOnly ? 0 : mask, true));
        return written.back().second;
    };
    const QString header = QStringLiteral("%1 %2\n").arg(m_users.GetCount()).arg(about.size());
    for (Client* client : to) {
        // The group flags are the reader's own view of each user: his friends carry the friend flag.
        const QString reader = client->record.GetNickname();
        const bool hasFriends = !m_relations.Names(reader, CRelationStore::List::Friends).isEmpty();
        const bool hasUnfinished = m_unfinished.CountFor(reader) > 0;
        const bool inGame = inGameOf(client, client); // only then may others be in his game
        QString body = header;
        for (qsizetype index = 0; index < about.size(); ++index) {
            const Client* user = about[index];
            const bool friendOfReader =
                hasFriends && m_relations.Contains(reader, CRelationStore::List::Friends, user->record.GetNickname());
            // ... and those he has an unfinished match with the unfinished-match flag.
            const int groups = (friendOfReader ? UserGroup::Friend : 0) |
                               (hasUnfinished && user != client && m_unfinished.Between(reader, user->record.GetNickname())
                                    ? UserGroup::UnfinishedMatch
                                    : 0);
            const int board = onBoardOf(client, user) ? kBoardGroup : 0;
            const int sameGame = inGame && CDevServerCore::SameRoom(user->service, client->service) ? kInGameGroup : 0;
            const QString& text = entry(index, groups | board | sameGame);
            body += text;
            sent[size_t(index)] += text.size();
        }
        client->connection->SendPlain(quint8(type), body);
    }
    return sent;
}

bool CDirectory::inGameOf(const Client* reader, const Client* user) const {
    const CServiceName room(reader->service);
    const QString word = room.GetFirstPart();
    return (word == QLatin1String("gb") || word == QLatin1String("gp")) &&
           CDevServerCore::SameRoom(user->service, reader->service);
}

bool CDevClient::Query::Admits(const CUserInfo& member) const {
    if ((statusMask & 0x8000) || (actionMask & 0x8000))
        return true;
    const std::pair<bool, QLatin1String> boxes[] = {{(statusMask & 0x8) != 0, QLatin1String("Away")},
                                                    {(statusMask & 0x2) != 0, QLatin1String("Ready")},
                                                    {(actionMask & 0x4) != 0, QLatin1String("Watching")},
                                                    {(actionMask & 0xA) != 0, QLatin1String("Playing")}};
    if (std::none_of(std::begin(boxes), std::end(boxes), [](const auto& box) { return box.first; }))
        return true;
    // The word the board shows in its Status column for him.
    const QString word = member.GetShortStatusText();
    return std::any_of(std::begin(boxes), std::end(boxes),
                       [&](const auto& box) { return box.first && word == box.second; });
}

bool CDirectory::onBoardOf(const Client* reader, const Client* user) const {
    if (!reader->query)
        return false;
    const Client::Query& query = *reader->query;
    if (user == reader)
        return query.self;
    const CUserInfo& record = user->record;
    if (!query.Admits(record))
        return false;
    // The size players closest to the centre (the reader's own rating, or the query's).
    const double centre = query.origin == 1 ? query.centre : reader->record.GetRating();
    const double distance = std::abs(record.GetRating() - centre);
    return ratedCloser(centre, distance, user, reader) < query.size;
}

int CDirectory::ratedCloser(double centre, double distance, const Client* user, const Client* reader) const {
    if (m_ratings.empty()) {
        for (const auto& entry : m_users)
            m_ratings.push_back(entry.second->record.GetRating());
        std::sort(m_ratings.begin(), m_ratings.end());
    }
    // The ratings nearer than distance lie together in the ordered list.
    const auto nearer = [&](float rating) { return std::abs(double(rating) - centre) < distance; };
    const auto first = std::partition_point(m_ratings.begin(), m_ratings.end(),
                                            [&](float rating) { return rating < centre && !nearer(rating); });
    const auto last = std::partition_point(first, m_ratings.end(),
                                           [&](float rating) { return rating < centre || nearer(rating); });
    int closer = int(last - first);
    for (const Client* own : {user, reader})
        if (own->loggedIn && nearer(own->record.GetRating())) // (those are the ones in the list)
            --closer;
    return closer;
}

void CDirectory::OnBoardQuery(Client* client, const QString& text) {
    // "<centre>" size origin status action, then the group words.
    CPacketCursor cursor(text);
    QString centre;
    int size = 0, origin = 0, status = 0, action = 0;
    if (!ReadPacketString(cursor, centre) || !ReadPacketInt(cursor, size) || !ReadPacketInt(cursor, origin) ||
        !ReadPacketInt(cursor, status) || !ReadPacketInt(cursor, action) || size < 0) {
        log(QStringLiteral("query from %1 refused: %2").arg(client->record.GetNickname(), text.left(80)));
        return;
    }
    int words[14] = {};
    for (int& word : words) {
        if (!ReadPacketInt(cursor, word))
            break;
    }
    Client::Query query;
    query.size = size;
    query.origin = origin;
    query.centre = centre.toDouble();
    query.statusMask = quint32(status);
    query.actionMask = quint32(action);
    query.self = words[9] != 0;
    client->query = query;
    // The reader's view of everyone changes with it.
    SendDirectory(ServicePacket::UsersChanged, loggedIn(), {client}, kGroupFlagsOnly);
}

void CDirectory::AnnounceChange(Client* client) {
    if (client->record.GetChangeMask() == 0)
        return;
    SendDirectory(ServicePacket::UsersChanged, {client}, loggedIn());
    client->record.ClearChangeMask();
}

void CDirectory::AnnounceSoon(Client* client) {
    queue(client);
}

void CDirectory::SendViewSoon(Client* client) {
    client->viewQueued = true;
    queue(client);
}

void CDirectory::queue(Client* client) {
    if (client->connection->IsHandling())
        client->ownChangeQueued = true;
    if (client->announceQueued)
        return;
    client->announceQueued = true;
    m_announcing.push_back(client->connection);
    if (m_announcing.size() == 1)
        QTimer::singleShot(0, m_core.owner, [this] { announceQueued(); });
}

void CDirectory::announceQueued() {
    // A few members a turn: a crowd changing at once cannot keep the server from a newcomer.
    const size_t taken = std::min(m_announcing.size(), size_t(kAnnouncementsPerTurn));
    const std::vector<CServerConnection*> turn(m_announcing.begin(), m_announcing.begin() + qsizetype(taken));
    m_announcing.erase(m_announcing.begin(), m_announcing.begin() + qsizetype(taken));
    if (!m_announcing.empty())
        QTimer::singleShot(0, m_core.owner, [this] { announceQueued(); });
    QList<Client*> changed, viewers;
    std::vector<Client*> ownDoing; // whose changes were their own doing
    for (CServerConnection* connection : turn) {
        const auto it = m_clients.find(connection);
        if (it == m_clients.end())
            continue;
        Client* client = it->second.get();
        client->announceQueued = false;
        if (client->ownChangeQueued)
            ownDoing.push_back(client);
        client->ownChangeQueued = false;
        if (client->loggedIn && client->record.GetChangeMask() != 0)
            changed.append(client);
        if (client->loggedIn && client->viewQueued)
            viewers.append(client);
        client->viewQueued = false;
    }
    // One directory packet to each member, with everybody who changed in the turn. A member whose
    // change was his own doing pays for it out of his allowance, his entry for every reader and the
    // view of everybody he is sent: one toggling his presence or walking through rooms is slowed as
    // one who chats is (a change another brought about, a player's activity say, costs him nothing).
    const auto own = [&](Client* client) { return std::find(ownDoing.begin(), ownDoing.end(), client) != ownDoing.end(); };
    const std::vector<qint64> sent = SendDirectory(ServicePacket::UsersChanged, changed, loggedIn());
    for (qsizetype i = 0; i < changed.size(); ++i) {
        changed[i]->record.ClearChangeMask();
        if (own(changed[i]))
            m_charge(changed[i], sent[size_t(i)]);
    }
    if (!viewers.isEmpty()) {
        const QList<Client*> everybody = loggedIn();
        for (Client* viewer : viewers) {
            const std::vector<qint64> view = SendDirectory(ServicePacket::UsersChanged, everybody, {viewer}, kGroupFlagsOnly);
            if (own(viewer))
                m_charge(viewer, std::accumulate(view.begin(), view.end(), qint64(0)));
        }
    }
}

void CDirectory::tellFriendsOf(const Client* client, QChar sign) {
    const QString nickname = client->record.GetNickname();
    for (Client* member : loggedIn()) {
        const QString owner = member->record.GetNickname();
        if (member != client && m_relations.Contains(owner, CRelationStore::List::Friends, nickname))
            member->connection->SendRouted(ServicePacket::FriendChange, QStringLiteral("."),
                                           QStringLiteral("%1 %2 %3").arg(owner, QString(sign), nickname));
    }
}

void CDirectory::OnRelationRequest(Client* client, int type, const QString& text) {
    const std::optional<CRelationStore::List> found = RelationPacket::ListOfRequest(type);
    if (!found) {
        log(QStringLiteral("database packet %1 from %2 ignored").arg(type).arg(client->record.GetNickname()));
        return;
    }
    const CRelationStore::List list = *found;
    const QString owner = client->record.GetNickname();
    const QStringList friendsBefore = m_relations.Names(owner, CRelationStore::List::Friends);
    QString reason;
    if (!m_relations.Apply(owner, list, text, &reason)) {
        log(QStringLiteral("relation request %1 from %2 refused: %3").arg(type).arg(owner, reason));
        return;
    }
    // Every request is answered with the whole list.
    client->connection->SendRouted(RelationPacket::ListType(list), QStringLiteral(".db"),
                                   m_relations.FormatList(owner, list));
    if (list != CRelationStore::List::Friends)
        return;
    // Those who became or stopped being his friends show so in his directory.
    QList<Client*> changed;
    for (const auto& entry : m_users) {
        const QString name = entry.second->record.GetNickname();
        if (friendsBefore.contains(name, Qt::CaseInsensitive) !=
            m_relations.Contains(owner, CRelationStore::List::Friends, name))
            changed.append(entry.second);
    }
    SendDirectory(ServicePacket::UsersChanged, changed, {client}, kGroupFlagsOnly);
}

void CDirectory::OnCommand(Client* client, const QString& text) {
    const QString word = firstWord(text);
    if (word == QLatin1String("PRIVATE"))
        client->record.SetMatchPrivacy(2);
    else if (word == QLatin1String("PUBLIC"))
        client->record.SetMatchPrivacy(0);
    else
        return systemLine(client, QStringLiteral("ERROR - unrecognized command - %1").arg(word));
    AnnounceSoon(client);
}
