#include "DevServerCore.h"

#include "net/ClientNode.h"
#include "session/ServiceName.h"
#include "support/Utilities.h"

#include <algorithm>

CDevServerCore::CDevServerCore(CDevServerOptions options, QObject* owner, std::function<void(const QString&)> log)
    : options(std::move(options)), owner(owner), m_log(std::move(log)) {}

QList<CDevClient*> CDevServerCore::LoggedIn() const {
    QList<CDevClient*> list;
    for (const auto& entry : users)
        list.append(entry.second);
    return list;
}

namespace {

// The service name without its hidden tail, as CServiceName::GetBaseName has it, without a copy.
QStringView baseOf(QStringView service) {
    for (qsizetype i = 0; i + 1 < service.size(); ++i)
        if (service[i] == u'.' && (service[i + 1] == u'$' || service[i + 1] == u'#'))
            return service.left(i);
    return service;
}

// Whether a member's room is the given base name (a-z without regard to case), without a copy: a
// room's members are looked for at every transfer.
bool inBase(const QString& service, QStringView base) {
    const QStringView own = baseOf(service);
    if (own.size() != base.size())
        return false;
    const auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; };
    for (qsizetype i = 0; i < own.size(); ++i)
        if (fold(own[i].unicode()) != fold(base[i].unicode()))
            return false;
    return true;
}

} // namespace

bool CDevServerCore::SameRoom(const QString& service, const QString& other) {
    return inBase(service, baseOf(other));
}

QList<CDevClient*> CDevServerCore::InRoom(const QString& service) const {
    const QStringView base = baseOf(service);
    QList<CDevClient*> list;
    for (const auto& entry : users) {
        if (inBase(entry.second->service, base))
            list.append(entry.second);
    }
    return list;
}

bool CDevServerCore::AnyoneIn(const QString& service) const {
    const QStringView base = baseOf(service);
    return std::any_of(users.begin(), users.end(),
                       [&](const auto& entry) { return inBase(entry.second->service, base); });
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
