#include "game/RuleOptions.h"

#include "support/PacketText.h"

CBGBaseRuleOptions::CBGBaseRuleOptions(int matchLength, bool unlimited, bool rated, bool jacoby,
                                       bool crawford, bool autoDoubles, bool beavers, bool raccoons,
                                       bool cube, int variant, bool wager, int stake, int reserve,
                                       const QString& text)
    : m_v{matchLength, unlimited, rated,   jacoby, crawford, autoDoubles, beavers,
          raccoons,    cube,      variant, wager,  stake,    reserve,     text} {}

std::array<int, CBGBaseRuleOptions::kNumberCount> CBGBaseRuleOptions::Numbers() const {
    return {m_v.matchLength, m_v.unlimited, m_v.rated,    m_v.jacoby, m_v.crawford,
            m_v.autoDoubles, m_v.beavers,   m_v.raccoons, m_v.cube,   m_v.variant,
            m_v.wager,       m_v.stake,     m_v.reserve};
}

bool CBGBaseRuleOptions::IsValid() const {
    if (m_v.matchLength < 0 || m_v.matchLength > kMaxMatchLength || m_v.unlimited != (m_v.matchLength == 0))
        return false;
    if (CBackgammonBoard::GetVariantName(m_v.variant).isEmpty())
        return false;
    if (m_v.stake < 0 || m_v.stake > kMaxCents || m_v.reserve < 0 || m_v.reserve > kMaxCents)
        return false;
    return !m_v.wager || (m_v.stake > 0 && m_v.reserve >= m_v.stake);
}

bool CBGBaseRuleOptions::ParseBase(CPacketCursor& cursor) {
    std::array<int, kNumberCount> v{};
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
    // Everything but the length, the variant and the amounts is a flag.
    for (int i : {1, 2, 3, 4, 5, 6, 7, 8, 10})
        if (v[i] != 0 && v[i] != 1)
            return false;
    m_v = {v[0],      v[1] != 0, v[2] != 0, v[3] != 0,  v[4] != 0, v[5] != 0, v[6] != 0,
           v[7] != 0, v[8] != 0, v[9],      v[10] != 0, v[11],     v[12],     text};
    return true;
}

bool CBGBaseRuleOptions::ParseText(const QString& text) {
    CPacketCursor cursor(text);
    return ParseBase(cursor);
}

QString CBGBaseRuleOptions::FormatText() const {
    QString out;
    for (int value : Numbers()) {
        if (!out.isEmpty())
            out += u' ';
        WritePacketInt(out, value);
    }
    out += QStringLiteral("! : ");
    WritePacketCString(out, m_v.text);
    return out;
}

bool CBGBaseRuleOptions::IsEqual(const CBGBaseRuleOptions& other) const {
    return IsValid() && other.IsValid() && Numbers() == other.Numbers();
}

CBackgammonBoard::Rules CBGBaseRuleOptions::GetBoardRules() const {
    CBackgammonBoard::Rules rules;
    rules.matchLength = m_v.unlimited ? 0 : m_v.matchLength;
    rules.cube = m_v.cube;
    rules.crawford = m_v.crawford;
    rules.jacoby = m_v.jacoby;
    rules.autoDoubles = m_v.autoDoubles;
    rules.beavers = m_v.beavers;
    rules.raccoons = m_v.raccoons;
    return rules;
}

QString CBGBaseRuleOptions::FormatMatchStartCommand() const {
    const CBackgammonBoard::Rules r = GetBoardRules();
    QString command = QStringLiteral("s %1 %2").arg(r.matchLength).arg(m_v.variant);
    for (bool flag : {r.cube, r.crawford, r.jacoby, r.autoDoubles, r.beavers, r.raccoons})
        command += flag ? QStringLiteral(" 1") : QStringLiteral(" 0");
    return command;
}

CBGRuleOptions CBGRuleOptions::CBGRuleOptionsFromText(const QString& text, bool* ok) {
    CBGRuleOptions options;
    const bool parsed = options.ParseText(text);
    if (ok)
        *ok = parsed && options.IsValid();
    return options;
}

bool CBGRuleOptions::IsValid() const {
    return CBGBaseRuleOptions::IsValid() && m_v.matchLength <= kMaxInvitedMatchLength &&
           m_v.variant != CBackgammonBoard::kPropositions;
}
