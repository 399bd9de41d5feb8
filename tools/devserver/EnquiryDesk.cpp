#include "EnquiryDesk.h"

#include "game/LeagueInviteInfo.h"
#include "net/TransmittableObject.h"
#include "support/PacketText.h"

#include <algorithm>
#include <cmath>

void CEnquiryDesk::Register(CPacketRegistry& packets) {
    packets.Plain(ServicePacket::RatingRequest, CPacketRegistry::Member(), CPacketRegistry::Text(this, &CEnquiryDesk::OnRatingRequest));
    packets.Plain(ServicePacket::LeagueInfo, CPacketRegistry::Member(), CPacketRegistry::Text(this, &CEnquiryDesk::OnLeagueInfoRequest));
    packets.Routed(CPacketRegistry::To::Server, ServicePacket::BearOffRequest, CPacketRegistry::Member(),
                   CPacketRegistry::Text(this, &CEnquiryDesk::OnBearOffRequest));
}

void CEnquiryDesk::OnRatingRequest(Client* client, const QString& text) {
    // "<cookie>""<nickname>" 1 <count> "<players, each followed by a blank>" <match length>
    CPacketCursor cursor(text);
    QString cookie, nickname, players;
    int kind = 0, count = 0, length = 0;
    if (!ReadPacketString(cursor, cookie) || !ReadPacketString(cursor, nickname) ||
        !ReadPacketInt(cursor, kind) || !ReadPacketInt(cursor, count) || !ReadPacketString(cursor, players) ||
        !ReadPacketInt(cursor, length) || cookie.contains(QLatin1Char(' ')) ||
        cookie.contains(QLatin1Char('\n')) || length < 0) {
        log(QStringLiteral("rating request from %1 not understood").arg(client->record.GetNickname()));
        return;
    }
    const QStringList names = players.split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(0, 8);
    // Each player's rating is 1500 here; the estimates follow the usual formula against the first
    // other player: the winner gains 4 * sqrt(length) * (1 - P), the loser loses 4 * sqrt(length) * P.
    const auto rating = [this](const QString& name) {
        const Client* user = findUser(name);
        return user ? double(user->record.GetRating()) : 1500.0;
    };
    QString reply = QStringLiteral("%1 %2").arg(cookie).arg(names.size());
    for (int i = 0; i < names.size(); ++i) {
        const double own = rating(names.at(i));
        const double other = rating(names.value(i == 0 ? 1 : 0));
        const double weight = 4.0 * std::sqrt(double(std::max(1, std::min(length, 25))));
        const double chance =
            1.0 / (1.0 + std::pow(10.0, (other - own) * std::sqrt(double(std::max(1, length))) / 2000.0));
        const Client* user = findUser(names.at(i));
        reply += QStringLiteral("\n%1 %2 %3 %4 %5 %6 %7")
                     .arg(names.at(i))
                     .arg(own, 0, 'f', 6)
                     .arg(user ? user->record.GetExperience() : 0)
                     .arg(0)
                     .arg(weight * (1.0 - chance), 0, 'f', 6)
                     .arg(-weight * chance, 0, 'f', 6)
                     .arg(0.0, 0, 'f', 6);
    }
    client->connection->SendPlain(ServicePacket::RatingReply, reply);
}

void CEnquiryDesk::OnLeagueInfoRequest(Client* client, const QString& text) {
    // 205 "<nickname>" "<cookie>" "<players>": the server's one league, when it has one, answers
    // every invitation; its record goes back under the invitation's cookie.
    const std::unique_ptr<CTransmittableObject> parsed = CTransmittableObject::CreateFromText(text);
    const auto* request = dynamic_cast<const CLeagueInviteInfoRequest*>(parsed.get());
    if (!request) {
        log(QStringLiteral("league request from %1 not understood").arg(client->record.GetNickname()));
        return;
    }
    const Options::League& league = m_options.league;
    const CBackgammonLeagueInviteInfo info(request->GetCookie(), league.name, league.matchLength, league.rated,
                                           league.cube, league.variant, league.stake);
    client->connection->SendPlain(ServicePacket::LeagueInfo, info.WriteText());
}

void CEnquiryDesk::OnBearOffRequest(Client* client, const QString& text) {
    // "<room>" "<name of the side on roll>" <board text as that side sees it>
    //   -> "<room>" "<chance>" "<name of the side on roll>"
    CPacketCursor cursor(text);
    QString room, name;
    if (!ReadPacketString(cursor, room) || !ReadPacketString(cursor, name))
        return;
    CBackgammonBoard board;
    CBearOffTable::Home onRoll, other;
    if (!board.ReadBoardText(cursor.rest().trimmed().toString(), 1) ||
        !CBearOffTable::HomeOf(board.GetSide(1), onRoll) || !CBearOffTable::HomeOf(board.GetSide(2), other)) {
        systemLine(client, QStringLiteral("That is not a bear-off position."));
        log(QStringLiteral("bear-off request of %1 refused: %2").arg(client->record.GetNickname(), text));
        return;
    }
    QString reply;
    WritePacketCString(reply, room);
    reply += QLatin1Char(' ');
    WritePacketCString(reply, QString::number(m_bearOff.WinningChance(onRoll, other), 'f', 6));
    reply += QLatin1Char(' ');
    WritePacketCString(reply, name);
    client->connection->SendRouted(ServicePacket::BearOffReply, QStringLiteral("."), reply);
}
