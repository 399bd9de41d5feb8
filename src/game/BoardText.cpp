#include "game/BackgammonBoard.h"

#include <array>

namespace {

constexpr int kPositions = 28; // -1 .. 26
constexpr int kFields = kPositions + 7;

// The position that side 2 sees where side 1 sees `position`.
int Mirror(int position) {
    if (position == CBackgammonBoard::kTray1)
        return CBackgammonBoard::kTray2;
    if (position == CBackgammonBoard::kTray2)
        return CBackgammonBoard::kTray1;
    return 25 - position;
}

int SwapSide(int side) {
    return side == 1 ? 2 : side == 2 ? 1 : side;
}

} // namespace

void CBackgammonBoard::WriteSavedBoardText(QString& out, int side) const {
    const bool swap = side == 2;
    QStringList fields;
    for (int position = -1; position <= 26; ++position)
        fields << QString::number(swap ? -GetCount(Mirror(position)) : GetCount(position));
    fields << QString::number(m_cubeValue) << QString::number(swap ? SwapSide(m_cubeOwner) : m_cubeOwner)
           << QString::number(swap ? SwapSide(m_sideOnRoll) : m_sideOnRoll) << QString::number(m_dice[0])
           << QString::number(m_dice[1]) << QString::number(m_scores[swap ? 1 : 0])
           << QString::number(m_scores[swap ? 0 : 1]);
    out = QLatin1String(kBoardTextVersion) + fields.join(QLatin1Char(' '));
}

QString CBackgammonBoard::GetSavedBoardText(int side) const {
    QString text;
    WriteSavedBoardText(text, side);
    return text;
}

bool CBackgammonBoard::ReadBoardText(const QString& text, int side) {
    if (!text.startsWith(QLatin1String(kBoardTextVersion))) {
        ClearBoardToTrays();
        ClearTurn();
        m_cubeValue = 1;
        m_cubeOwner = 0;
        if (m_state == kStateMoving || m_state == kStateCubeOffered || m_state == kStateResignOffered)
            m_state = kStateAtRest;
        return false;
    }
    const QStringList tokens =
        text.mid(qsizetype(sizeof(kBoardTextVersion) - 1)).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (tokens.size() != kFields)
        return false;
    std::array<int, kFields> v{};
    for (int i = 0; i < kFields; ++i) {
        bool ok = false;
        v[i] = tokens[i].trimmed().toInt(&ok);
        if (!ok)
            return false;
    }
    const bool swap = side == 2;
    // Counts by board position as this board sees them.
    std::array<int, kPositions> count{};
    for (int position = -1; position <= 26; ++position) {
        const int value = v[(swap ? Mirror(position) : position) + 1];
        count[position + 1] = swap ? -value : value;
    }
    BgSide sides[2];
    for (int position = -1; position <= 26; ++position) {
        const int n = count[position + 1];
        if (n < -kMaxCheckers || n > kMaxCheckers)
            return false;
        const int owner = n > 0 ? 1 : 2;
        const int view = ViewOf(owner, position);
        if (n != 0 && view < 0)
            return false; // a checker on the other side's bar or tray
        if (n != 0)
            sides[owner - 1].c[view] = static_cast<std::int8_t>(n > 0 ? n : -n);
    }
    for (const BgSide& s : sides)
        if (s.Total() < 1 || s.Total() > kMaxCheckers)
            return false;

    const int* tail = v.data() + kPositions;
    const int cube = tail[0];
    const int owner = swap ? SwapSide(tail[1]) : tail[1];
    const int onRoll = swap ? SwapSide(tail[2]) : tail[2];
    const int die1 = tail[3], die2 = tail[4];
    const int score1 = tail[swap ? 6 : 5], score2 = tail[swap ? 5 : 6];
    if (cube < 1 || cube > kMaxCubeValue || (cube & (cube - 1)) != 0 || owner < 0 || owner > 2)
        return false;
    if (onRoll != 1 && onRoll != 2)
        return false;
    if (!(die1 == 0 && die2 == 0) && (die1 < 1 || die1 > 6 || die2 < 1 || die2 > 6))
        return false;
    if (score1 < 0 || score1 > kMaxScore || score2 < 0 || score2 > kMaxScore)
        return false;

    ClearTurn();
    if (m_state == kStateMoving || m_state == kStateCubeOffered || m_state == kStateResignOffered)
        m_state = kStateAtRest;
    m_sides[0] = sides[0];
    m_sides[1] = sides[1];
    m_cubeValue = cube;
    m_cubeOwner = owner;
    m_sideOnRoll = onRoll;
    m_dice[0] = die1;
    m_dice[1] = die2;
    m_scores[0] = score1;
    m_scores[1] = score2;
    return true;
}
