#include "DevServerCore.h"

#include "net/ClientNode.h"
#include "session/ServiceName.h"
#include "support/Utilities.h"

CDevServerCore::CDevServerCore(CDevServerOptions options, QObject* owner, std::function<void(const QString&)> log)
    : options(std::move(options)), owner(owner), m_log(std::move(log)) {}

QList<CDevClient*> CDevServerCore::LoggedIn() const {
    QList<CDevClient*> list;
    for (const auto& entry : users)
        list.append(entry.second);
    return list;
}

QList<CDevClient*> CDevServerCore::InRoom(const QString& service) const {
    QList<CDevClient*> list;
    for (const auto& entry : users) {
        if (CServiceName(entry.second->service).IsSameService(CServiceName(service)))
            list.append(entry.second);
    }
    return list;
}

CDevClient* CDevServerCore::FindUser(const QString& nickname) const {
    CDevClient* const* entry = users.Find(nickname);
    return entry ? *entry : nullptr;
}

void CDevServerCore::SystemLine(CDevClient* client, const QString& text) {
    client->connection->SendRouted(ChatPacket::System, QStringLiteral("."), text);
}

QString CDevServerPart::firstWord(const QString& text, QString* rest) {
    QString source = text.trimmed();
    const QString word = NextToken(source, u" ");
    if (rest)
        *rest = source;
    return word;
}

bool CDevServerCore::PlayersPresent(const QString& service) const {
    const QList<CDevClient*> present = InRoom(service);
    for (const QString& player : CServiceName(service).GetPartList()) {
        CDevClient* user = FindUser(player);
        if (!user || !present.contains(user))
            return false;
    }
    return true;
}
