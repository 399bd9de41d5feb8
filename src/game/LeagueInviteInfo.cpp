#include "game/LeagueInviteInfo.h"

#include "game/RuleOptions.h"
#include "support/PacketText.h"

QString CLeagueInviteInfo::WriteText() const {
    QString out;
    WritePacketInt(out, GetClassId());
    out += u' ';
    WriteFields(out);
    return out;
}

void CLeagueInviteInfo::WriteFields(QString& out) const {
    WritePacketCString(out, m_sender);
    out += u' ';
    WritePacketCString(out, m_rulesText);
    out += u' ';
}

bool CLeagueInviteInfo::ReadFields(CPacketCursor& cursor) {
    return ReadPacketString(cursor, m_sender) && ReadPacketString(cursor, m_rulesText);
}

CBackgammonLeagueInviteInfo::CBackgammonLeagueInviteInfo(const QString& sender, const QString& leagueName,
                                                         int matchLength, int rating, int cube, int variant,
                                                         int stake)
    : m_matchLength(matchLength), m_rating(rating), m_cube(cube), m_variant(variant), m_stake(stake) {
    m_sender = sender;
    m_rulesText = leagueName;
}

std::unique_ptr<CBackgammonLeagueInviteInfo> CBackgammonLeagueInviteInfo::FromText(const QString& text) {
    CPacketCursor cursor(text);
    int classId = 0;
    if (!ReadPacketInt(cursor, classId) || classId != kClassId)
        return nullptr;
    auto info = std::make_unique<CBackgammonLeagueInviteInfo>();
    if (!info->ReadFields(cursor))
        return nullptr;
    return info;
}

void CBackgammonLeagueInviteInfo::WriteFields(QString& out) const {
    CLeagueInviteInfo::WriteFields(out);
    for (int value : {m_matchLength, m_rating, m_cube, m_variant, m_stake}) {
        WritePacketInt(out, value);
        out += u' ';
    }
}

bool CBackgammonLeagueInviteInfo::ReadFields(CPacketCursor& cursor) {
    int v[5];
    if (!CLeagueInviteInfo::ReadFields(cursor))
        return false;
    for (int& value : v)
        if (!ReadPacketInt(cursor, value))
            return false;
    const auto inRange = [](int value, int high) { return value >= -1 && value <= high; };
    if (!inRange(v[0], CBGRuleOptions::kMaxInvitedMatchLength) || !inRange(v[1], 1) || !inRange(v[2], 1) ||
        !inRange(v[3], CBackgammonBoard::kHypergammon) || !inRange(v[4], CBGBaseRuleOptions::kMaxCents))
        return false;
    m_matchLength = v[0];
    m_rating = v[1];
    m_cube = v[2];
    m_variant = v[3];
    m_stake = v[4];
    return true;
}

bool CBackgammonLeagueInviteInfo::FixesOption(int option) const {
    switch (option) {
    case kOptionRating:
        return m_rating != -1;
    case kOptionVariant:
        return m_variant != -1;
    case kOptionMatchLength:
        return m_matchLength != -1;
    case kOptionWager:
        return m_stake != -1;
    case kOptionCube:
        return m_cube != -1;
    default:
        return false;
    }
}

void CBackgammonLeagueInviteInfo::ApplyTo(CBGRuleOptions& options) const {
    if (m_matchLength != -1)
        options.SetMatchLength(m_matchLength);
    if (m_rating != -1)
        options.SetRated(m_rating != 0);
    if (m_cube != -1)
        options.SetCube(m_cube != 0);
    if (m_variant != -1)
        options.SetVariant(m_variant);
    if (m_stake != -1) {
        options.SetWager(m_stake != 0, m_stake);
        // A wager needs a reserve of at least one stake.
        if (m_stake != 0 && options.GetReserve() < m_stake)
            options.SetReserve(m_stake);
    }
}
