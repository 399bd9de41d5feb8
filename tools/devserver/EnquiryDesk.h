#pragma once

#include "BearOff.h"
#include "DevServerCore.h"
#include "PacketRegistry.h"

// The questions the development server answers from what it knows, keeping nothing of them: the
// rating estimates of an invitation's players (91, answered with 93), the league an invitation may
// be played in (77 with a 205 request, answered with 77 carrying a 301 record), and the chance of
// the side on roll in a bear-off position (routed to ".", answered with the bear-off reply).
class CEnquiryDesk : public CDevServerPart {
public:
    explicit CEnquiryDesk(CDevServerCore& core) : CDevServerPart(core) {}
    void Register(CPacketRegistry& packets);

    void OnRatingRequest(Client* client, const QString& text);
    void OnLeagueInfoRequest(Client* client, const QString& text);
    void OnBearOffRequest(Client* client, const QString& text);

private:
    CBearOffTable m_bearOff; // its distributions, worked out once
};
