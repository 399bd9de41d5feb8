#include "game/RuleOptions.h"

#include "support/PacketText.h"

CBGBaseRuleOptions::CBGBaseRuleOptions(int matchLength, bool unlimited, bool rated, bool jacoby, bool crawford,
                                       bool autoDoubles, bool beavers, bool raccoons, bool cube, int variant,
                                       bool wager, int stake, int reserve, const QString& text)
    : m_matchLength(matchLength), m_unlimited(unlimited), m_rated(rated), m_jacoby(jacoby), m_crawford(crawford),
      m_autoDoubles(autoDoubles), m_beavers(beavers), m_raccoons(raccoons), m_cube(cube), m_variant(variant),
      m_wager(wager), m_stake(stake), m_reserve(reserve), m_text(text) {}

bool CBGBaseRuleOptions::IsValid() const {
    if (m_matchLength < 0 || m_matchLength > kMaxMatchLength || m_unlimited != (m_matchLength == 0))
        return false;
    if (CBackgammonBoard::GetVariantName(m_variant).isEmpty())
        return false;
    if (m_stake < 0 || m_stake > kMaxCents || m_reserve < 0 || m_reserve > kMaxCents)
        return false;
    return !m_wager || (m_stake > 0 && m_reserve >= m_stake);
}

bool CBGBaseRuleOptions::ParseBase(CPacketCursor& cursor) {
    int v[kNumberCount];
    for (int& value : v)
        if (!ReadPacketInt(cursor, value))
            return false;
    cursor.skipWhiteSpace();
    if (cursor.atEnd() || cursor.text().at(cursor.pos()) != u'!')
        return false;
    cursor.setPos(cursor.pos() + 1);
    QString text;
    cursor.skipWhiteSpace();
    if (!cursor.atEnd() && cursor.text().at(cursor.pos()) == u':') {
        cursor.setPos(cursor.pos() + 1);
        if (!ReadPacketString(cursor, text))
            return false;
    }
    const int flags[] = {1, 2, 3, 4, 5, 6, 7, 8, 10};
    for (int i : flags)
        if (v[i] != 0 && v[i] != 1)
            return false;
    m_matchLength = v[0];
    m_unlimited = v[1];
    m_rated = v[2];
    m_jacoby = v[3];
    m_crawford = v[4];
    m_autoDoubles = v[5];
    m_beavers = v[6];
    m_raccoons = v[7];
    m_cube = v[8];
    m_variant = v[9];
    m_wager = v[10];
    m_stake = v[11];
    m_reserve = v[12];
    m_text = text;
    return true;
}

bool CBGBaseRuleOptions::ParseText(const QString& text) {
    CPacketCursor cursor(text);
    return ParseBase(cursor);
}

QString CBGBaseRuleOptions::FormatText() const {
    const int v[kNumberCount] = {m_matchLength, m_unlimited, m_rated, m_jacoby, m_crawford, m_autoDoubles,
                                 m_beavers, m_raccoons, m_cube, m_variant, m_wager, m_stake, m_reserve};
    QString out;
    for (int i = 0; i < kNumberCount; ++i) {
        if (i > 0)
            out += u' ';
        WritePacketInt(out, v[i]);
    }
    out += QStringLiteral("! : ");
    WritePacketCString(out, m_text);
    return out;
}

bool CBGBaseRuleOptions::IsEqual(const CBGBaseRuleOptions& other) const {
    if (!IsValid() || !other.IsValid())
        return false;
    return m_matchLength == other.m_matchLength && m_unlimited == other.m_unlimited && m_rated == other.m_rated &&
           m_jacoby == other.m_jacoby && m_crawford == other.m_crawford && m_autoDoubles == other.m_autoDoubles &&
           m_beavers == other.m_beavers && m_raccoons == other.m_raccoons && m_cube == other.m_cube &&
           m_variant == other.m_variant && m_wager == other.m_wager && m_stake == other.m_stake &&
           m_reserve == other.m_reserve;
}

CBackgammonBoard::Rules CBGBaseRuleOptions::GetBoardRules() const {
    CBackgammonBoard::Rules rules;
    rules.matchLength = m_unlimited ? 0 : m_matchLength;
    rules.cube = m_cube;
    rules.crawford = m_crawford;
    rules.jacoby = m_jacoby;
    rules.autoDoubles = m_autoDoubles;
    rules.beavers = m_beavers;
    rules.raccoons = m_raccoons;
    return rules;
}

QString CBGBaseRuleOptions::FormatMatchStartCommand() const {
    const CBackgammonBoard::Rules r = GetBoardRules();
    return QStringLiteral("s %1 %2 %3 %4 %5 %6 %7 %8")
        .arg(r.matchLength)
        .arg(m_variant)
        .arg(int(r.cube))
        .arg(int(r.crawford))
        .arg(int(r.jacoby))
        .arg(int(r.autoDoubles))
        .arg(int(r.beavers))
        .arg(int(r.raccoons));
}

CBGRuleOptions::CBGRuleOptions(const Values& v)
    : CBGBaseRuleOptions(v.matchLength, v.unlimited, v.rated, v.jacoby, v.crawford, v.autoDoubles, v.beavers,
                         v.raccoons, v.cube, v.variant, v.wager, v.stake, v.reserve, v.text) {}

CBGRuleOptions CBGRuleOptions::CBGRuleOptionsFromText(const QString& text, bool* ok) {
    CBGRuleOptions options;
    const bool parsed = options.ParseText(text);
    if (ok)
        *ok = parsed && options.IsValid();
    return options;
}

bool CBGRuleOptions::IsValid() const {
    return CBGBaseRuleOptions::IsValid() && m_matchLength <= kMaxInvitedMatchLength &&
           m_variant != CBackgammonBoard::kPropositions;
}

CBGRuleOptions::Values CBGRuleOptions::GetValues() const {
    Values v;
    v.matchLength = m_matchLength;
    v.unlimited = m_unlimited;
    v.rated = m_rated;
    v.jacoby = m_jacoby;
    v.crawford = m_crawford;
    v.autoDoubles = m_autoDoubles;
    v.beavers = m_beavers;
    v.raccoons = m_raccoons;
    v.cube = m_cube;
    v.variant = m_variant;
    v.wager = m_wager;
    v.stake = m_stake;
    v.reserve = m_reserve;
    v.text = m_text;
    return v;
}

void CBGRuleOptions::SetMatchLength(int length) {
    m_matchLength = length;
    m_unlimited = length == 0;
}
