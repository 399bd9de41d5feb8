#include "game/PropRuleOptions.h"

#include "game/BgMoves.h"
#include "support/PacketText.h"

#include <algorithm>
#include <cmath>

CPropRuleOptions::CPropRuleOptions() {
    m_v.variant = CBackgammonBoard::kPropositions;
    m_v.jacoby = true;
    m_v.cube = true;
}

CPropRuleOptions::CPropRuleOptions(const QString& first, const QString& name, const QString& position,
                                   int contractLength, int considerationHundredths, int controlSide,
                                   int payeeSide, bool wager, int stake, int reserve)
    : CBGBaseRuleOptions(contractLength, contractLength == 0, false, true, false, false, false, false, true,
                         CBackgammonBoard::kPropositions, wager, stake, reserve, QString()),
      m_terms{first, name, position, considerationHundredths, controlSide, payeeSide} {}

CPropRuleOptions CPropRuleOptions::FromText(const QString& text, bool* ok) {
    CPropRuleOptions options;
    const bool parsed = options.ParseText(text);
    if (ok)
        *ok = parsed && options.IsValid();
    return options;
}

bool CPropRuleOptions::IsValid() const {
    if (!CBGBaseRuleOptions::IsValid())
        return false;
    if (m_v.variant != CBackgammonBoard::kPropositions || m_v.unlimited || m_v.rated)
        return false;
    if (m_v.matchLength < 1 || m_v.matchLength > kMaxContractLength)
        return false;
    if (m_v.crawford || m_v.autoDoubles || m_v.beavers || m_v.raccoons || !m_v.cube || !m_v.jacoby)
        return false;
    if (m_terms.considerationHundredths < 0 || m_terms.considerationHundredths > kMaxConsiderationHundredths)
        return false;
    if ((m_terms.controlSide != 0 && m_terms.controlSide != 1) || (m_terms.payeeSide != 0 && m_terms.payeeSide != 1))
        return false;
    return m_terms.name.size() <= kMaxNameLength;
}

namespace {
// The consideration as a quoted text-packet decimal.
QString QuotedConsideration(int hundredths) {
    const int digits = hundredths < 1000 ? 3 : hundredths < 10000 ? 4 : 5;
    QString quoted;
    WritePacketFloat(quoted, hundredths / 100.0, digits);
    return quoted;
}
} // namespace

QString CPropRuleOptions::FormatConsideration(int hundredths) {
    const QString quoted = QuotedConsideration(hundredths);
    return quoted.mid(1, quoted.size() - 2);
}

bool CPropRuleOptions::ConsiderationToHundredths(double points, int& hundredths) {
    if (!std::isfinite(points) || points < 0 || points > kMaxConsiderationHundredths / 100.0)
        return false;
    hundredths = static_cast<int>(std::lround(points * 100));
    return true;
}

QString CPropRuleOptions::FormatText() const {
    QString out = CBGBaseRuleOptions::FormatText();
    for (const QString* text : {&m_terms.first, &m_terms.name, &m_terms.position}) {
        out += u' ';
        WritePacketCString(out, *text);
    }
    out += u' ';
    WritePacketInt(out, m_v.matchLength);
    out += u' ';
    out += QuotedConsideration(m_terms.considerationHundredths);
    out += u' ';
    WritePacketInt(out, m_terms.controlSide);
    out += u' ';
    WritePacketInt(out, m_terms.payeeSide);
    out += QStringLiteral(" 0");
    return out;
}

bool CPropRuleOptions::ParseText(const QString& text) {
    return ParseTextImpl(text, false, nullptr);
}

bool CPropRuleOptions::ParseTextImpl(const QString& text, bool clampConsideration, bool* clamped) {
    CPacketCursor cursor(text);
    if (!ParseBase(cursor))
        return false;
    Terms terms;
    int contract = 0; // the base part's match length is the one that counts
    double points = 0;
    if (!ReadPacketString(cursor, terms.first) || !ReadPacketString(cursor, terms.name) ||
        !ReadPacketString(cursor, terms.position) || !ReadPacketInt(cursor, contract) ||
        !ReadPacketFloat(cursor, points) || !ReadPacketInt(cursor, terms.controlSide) ||
        !ReadPacketInt(cursor, terms.payeeSide))
        return false;
    if (!ConsiderationToHundredths(points, terms.considerationHundredths)) {
        if (!clampConsideration || !std::isfinite(points))
            return false;
        terms.considerationHundredths = points < 0 ? 0 : kMaxConsiderationHundredths;
        if (clamped)
            *clamped = true;
    }
    m_terms = terms;
    return true;
}

bool CPropRuleOptions::IsEqual(const CPropRuleOptions& other) const {
    if (!IsValid() || !other.IsValid() || !CBGBaseRuleOptions::IsEqual(other))
        return false;
    const Terms& a = m_terms;
    const Terms& b = other.m_terms;
    return a.first == b.first && a.name == b.name && a.position == b.position &&
           a.considerationHundredths == b.considerationHundredths && a.controlSide == b.controlSide &&
           a.payeeSide == b.payeeSide;
}

QString CPropRuleOptions::SafeName(const QString& name) {
    const qsizetype cut = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    QString safe;
    for (const QChar c : name.mid(cut + 1))
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f)
            safe += c;
    safe = safe.trimmed().left(kMaxNameLength).trimmed();
    // ".." or "." alone would still name a folder.
    if (safe == QLatin1String(".") || safe == QLatin1String(".."))
        safe.clear();
    return safe;
}

bool CPropRuleOptions::IsCompletePosition(const QString& position) {
    CBackgammonBoard board;
    if (!board.ReadBoardText(position, 1))
        return false;
    return board.GetTotalCheckers(1) == CBackgammonBoard::kMaxCheckers &&
           board.GetTotalCheckers(2) == CBackgammonBoard::kMaxCheckers;
}

namespace {
// Whether the side has a legal move with any of the 21 rolls.
bool CanEverMove(const CBackgammonBoard& board, int side) {
    const BgSide& me = board.GetSide(side);
    const BgSide& opp = board.GetSide(side == 1 ? 2 : 1);
    for (int die1 = 1; die1 <= 6; ++die1)
        for (int die2 = die1; die2 <= 6; ++die2) {
            const int doubles[4] = {die1, die1, die1, die1};
            const int pair[2] = {die1, die2};
            if (bgmoves::MaxDiceUsable(me, opp, die1 == die2 ? doubles : pair, die1 == die2 ? 4 : 2) > 0)
                return true;
        }
    return false;
}
} // namespace

CPropRuleOptions::PositionFault CPropRuleOptions::CheckPosition(const QString& position) {
    CBackgammonBoard board;
    // Only the text the board itself writes: the match start is taken from it number by number.
    if (!board.ReadBoardText(position, 1) || board.GetSavedBoardText(1) != position ||
        board.GetTotalCheckers(1) != CBackgammonBoard::kMaxCheckers ||
        board.GetTotalCheckers(2) != CBackgammonBoard::kMaxCheckers)
        return PositionFault::kIncomplete;
    if (!IsValidCubeValue(board.GetCubeValue()) || (board.GetCubeValue() == 1 && board.GetCubeOwner() != 0))
        return PositionFault::kBadCube;
    if (board.GetSide(1).InPlay() == 0 || board.GetSide(2).InPlay() == 0)
        return PositionFault::kAlreadyWon;
    // Neither side moving leaves the position as it is, so nobody ever would.
    if (!CanEverMove(board, 1) && !CanEverMove(board, 2))
        return PositionFault::kNoMoves;
    return PositionFault::kNone;
}

QString CPropRuleOptions::DescribeFault(PositionFault fault) {
    switch (fault) {
    case PositionFault::kNone:
        return QString();
    case PositionFault::kIncomplete:
        return QStringLiteral("The position is not a whole board of this version (fifteen checkers of each side).");
    case PositionFault::kBadCube:
        return QStringLiteral("Cube value must be between 1 and 32 and be a power of 2.");
    case PositionFault::kAlreadyWon:
        return QStringLiteral("A side has borne off all its checkers: the game would be over before it began.");
    case PositionFault::kNoMoves:
        return QStringLiteral("Neither side can ever move in this position: the game could never end.");
    }
    return QString();
}

QString CPropRuleOptions::CorrectPosition(const QString& position) {
    // The board refuses a cube that is no power of two, so the cube is put right in the text first:
    // its value and owner are the 29th and 30th numbers after the version, as the board counts them.
    const QLatin1String version(CBackgammonBoard::kBoardTextVersion);
    if (!position.startsWith(version))
        return position;
    QStringList tokens = position.mid(version.size()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    constexpr int kCubeToken = 28;
    constexpr int kOwnerToken = 29;
    if (tokens.size() <= kOwnerToken)
        return position;
    bool valueRead = false;
    bool ownerRead = false;
    const qint64 given = tokens[kCubeToken].trimmed().toLongLong(&valueRead);
    const int owner = tokens[kOwnerToken].trimmed().toInt(&ownerRead);
    if (valueRead && ownerRead) {
        int value = int(std::clamp<qint64>(given, 1, kMaxCubeValue));
        while (!IsValidCubeValue(value))
            value &= value - 1; // the highest power of two below
        tokens[kCubeToken] = QString::number(value);
        tokens[kOwnerToken] = QString::number(value == 1 ? 0 : owner);
    }
    CBackgammonBoard board;
    if (!board.ReadBoardText(version + tokens.join(QLatin1Char(' ')), 1))
        return position;
    return board.GetSavedBoardText(1);
}

bool CPropRuleOptions::CorrectPeerText(const QString& text, CPropRuleOptions& out, bool* corrected) {
    CPropRuleOptions options;
    bool changed = false;
    if (!options.ParseTextImpl(text, true, &changed))
        return false;
    Values& v = options.m_v;
    const auto fix = [&changed](auto& value, auto good) {
        if (value != good) {
            value = good;
            changed = true;
        }
    };
    fix(v.matchLength, std::clamp(v.matchLength, 1, kMaxContractLength));
    fix(v.variant, int(CBackgammonBoard::kPropositions));
    fix(v.unlimited, false);
    fix(v.rated, false);
    fix(v.crawford, false);
    fix(v.autoDoubles, false);
    fix(v.beavers, false);
    fix(v.raccoons, false);
    fix(v.cube, true);
    fix(v.jacoby, true);
    Terms& t = options.m_terms;
    if (t.controlSide != 0 && t.controlSide != 1)
        fix(t.controlSide, 0);
    if (t.payeeSide != 0 && t.payeeSide != 1)
        fix(t.payeeSide, 0);
    fix(t.name, SafeName(t.name));
    fix(t.position, CorrectPosition(t.position));
    if (!options.IsValid() || CheckPosition(t.position) != PositionFault::kNone)
        return false;
    out = options;
    if (corrected)
        *corrected = changed;
    return true;
}

QString CPropRuleOptions::FormatPropositionStartCommand() const {
    if (!IsValid() || !IsCompletePosition(m_terms.position))
        return QString();
    const QStringList fields = m_terms.position.mid(qsizetype(sizeof(CBackgammonBoard::kBoardTextVersion) - 1))
                                   .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return FormatMatchStartCommand() + QLatin1Char(' ') +
           fields.mid(0, CBackgammonBoard::kStartPositionFields).join(QLatin1Char(' '));
}

QString MatchStartOfRoomRules(const QString& rules) {
    bool ok = false;
    const CBGRuleOptions match = CBGRuleOptions::CBGRuleOptionsFromText(rules, &ok);
    if (ok)
        return match.FormatMatchStartCommand();
    const CPropRuleOptions proposition = CPropRuleOptions::FromText(rules, &ok);
    return ok ? proposition.FormatPropositionStartCommand() : QString();
}
