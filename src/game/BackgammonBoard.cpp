#include "game/BackgammonBoard.h"

#include <algorithm>

namespace {

int Other(int side) {
    return side == 1 ? 2 : 1;
}

bool IsSide(int side) {
    return side == 1 || side == 2;
}

// The starting position of a variant in the mover's view; the same for both sides.
BgSide StartingSide(int variant) {
    BgSide side;
    switch (variant) {
    case CBackgammonBoard::kNackgammon:
        side.c[24] = 2;
        side.c[23] = 2;
        side.c[13] = 4;
        side.c[8] = 3;
        side.c[6] = 4;
        break;
    case CBackgammonBoard::kHypergammon:
        side.c[24] = 1;
        side.c[23] = 1;
        side.c[22] = 1;
        break;
    default:
        side.c[24] = 2;
        side.c[13] = 5;
        side.c[8] = 3;
        side.c[6] = 5;
        break;
    }
    return side;
}

} // namespace

CBackgammonBoard::CBackgammonBoard() {
    m_names[0] = QStringLiteral("White");
    m_names[1] = QStringLiteral("Black");
    SetupPosition();
}

QString CBackgammonBoard::GetVariantName(int variant) {
    switch (variant) {
    case kBackgammon:
        return QStringLiteral("Backgammon");
    case kNackgammon:
        return QStringLiteral("Nackgammon");
    case kHypergammon:
        return QStringLiteral("Hypergammon");
    case kPropositions:
        return QStringLiteral("Propositions");
    default:
        return QString();
    }
}

// --- set-up ---------------------------------------------------------------------------------------

void CBackgammonBoard::SetupPosition() {
    m_start = Start();
    m_start.sides[0] = m_start.sides[1] = StartingSide(m_variant);
    ResetToStart();
    m_scores[0] = m_scores[1] = 0;
    m_gameNumber = 0;
    m_gameOpened = false;
    m_gameInProgress = false;
    m_autoDoubles = 0;
    m_crawfordGame = false;
    m_crawfordDone = false;
    m_matchOver = false;
    m_lastWinner = 0;
    m_lastPoints = 0;
    m_state = kStateAtRest;
    m_row = Row();
    m_log.clear();
}

bool CBackgammonBoard::SetVariant(int variant) {
    if (GetVariantName(variant).isEmpty())
        return false;
    m_variant = variant;
    SetupPosition();
    return true;
}

void CBackgammonBoard::SetRules(const Rules& rules) {
    m_rules = rules;
    m_rules.matchLength = std::clamp(rules.matchLength, 0, kMaxScore);
}

QString CBackgammonBoard::FormatGamesText(int games) {
    return games == 1 ? QStringLiteral("1 game") : QStringLiteral("%1 games").arg(games);
}

void CBackgammonBoard::MarkStartPosition() {
    m_start.sides[0] = m_sides[0];
    m_start.sides[1] = m_sides[1];
    m_start.cubeValue = m_cubeValue;
    m_start.cubeOwner = m_cubeOwner;
    m_start.sideOnRoll = m_sideOnRoll;
}

void CBackgammonBoard::ResetToStart() {
    m_sides[0] = m_start.sides[0];
    m_sides[1] = m_start.sides[1];
    m_cubeValue = m_start.cubeValue;
    m_cubeOwner = m_start.cubeOwner;
    m_sideOnRoll = m_start.sideOnRoll;
    ClearTurn();
}

void CBackgammonBoard::ClearTurn() {
    m_dice[0] = m_dice[1] = 0;
    m_turnDice[0] = m_turnDice[1] = 0;
    m_steps.clear();
    m_maxDice = 0;
    m_higherDie = 0;
    m_offeredValue = 0;
    m_beavered = false;
    m_doubler = 0;
    m_resignLevel = 0;
    m_resigner = 0;
}

void CBackgammonBoard::SetPlayers(const QStringList& names, int localIndex, bool watching) {
    for (int i = 0; i < 2; ++i)
        m_names[i] = i < names.size() ? names[i] : QString();
    m_localSide = localIndex == 0 || localIndex == 1 ? localIndex + 1 : 0;
    m_watching = watching;
}

QString CBackgammonBoard::GetPlayerName(int side) const {
    return IsSide(side) ? m_names[side - 1] : QString();
}

QString CBackgammonBoard::FormatPlayersTitle() const {
    return QStringLiteral("%1 vs. %2").arg(m_names[0], m_names[1]);
}

QString CBackgammonBoard::FormatGameHeader() const {
    QStringList terms;
    if (m_variant != kBackgammon)
        terms << GetVariantName(m_variant);
    if (IsPlayedForGames())
        terms << FormatGamesText(m_rules.matchLength);
    else if (m_rules.matchLength > 0)
        terms << QStringLiteral("%1 point match").arg(m_rules.matchLength);
    if (m_gameNumber == 0)
        return terms.isEmpty() ? GetVariantName(m_variant) : terms.join(QStringLiteral(", "));
    if (m_crawfordGame)
        terms << QStringLiteral("Crawford game");
    QString header = QStringLiteral("Game %1: %2 %3, %4 %5")
                         .arg(m_gameNumber)
                         .arg(m_names[0])
                         .arg(m_scores[0])
                         .arg(m_names[1])
                         .arg(m_scores[1]);
    if (!terms.isEmpty())
        header += QStringLiteral(" (") + terms.join(QStringLiteral(", ")) + QLatin1Char(')');
    return header;
}

// --- state and fields -----------------------------------------------------------------------------

bool CBackgammonBoard::SetState(int state) {
    switch (state) {
    case kStateAtRest:
    case kStateAwaitingRoll:
    case kStateEdit:
        if (m_state == kStateMoving || m_state == kStateCubeOffered || m_state == kStateResignOffered) {
            // Leaving a turn keeps the checkers where they are but forgets what could be taken back.
            ClearTurn();
        }
        m_state = state;
        return true;
    default:
        return false;
    }
}

void CBackgammonBoard::SetSideOnRoll(int side) {
    if (!IsSide(side) || m_state == kStateMoving || m_state == kStateCubeOffered ||
        m_state == kStateResignOffered)
        return;
    m_sideOnRoll = side;
}

int CBackgammonBoard::GetActingSide() const {
    switch (m_state) {
    case kStateCubeOffered:
        return m_beavered ? m_doubler : Other(m_doubler);
    case kStateResignOffered:
        return Other(m_resigner);
    default:
        return m_sideOnRoll;
    }
}

bool CBackgammonBoard::SetCube(int value, int owner) {
    if (value < 1 || value > kMaxCubeValue || (value & (value - 1)) != 0 || owner < 0 || owner > 2)
        return false;
    m_cubeValue = value;
    m_cubeOwner = owner;
    return true;
}

bool CBackgammonBoard::SetDice(int die1, int die2) {
    if (m_state == kStateMoving)
        return false;
    const bool none = die1 == 0 && die2 == 0;
    if (!none && (die1 < 1 || die1 > 6 || die2 < 1 || die2 > 6))
        return false;
    m_dice[0] = die1;
    m_dice[1] = die2;
    return true;
}

int CBackgammonBoard::GetScore(int side) const {
    return IsSide(side) ? m_scores[side - 1] : 0;
}

bool CBackgammonBoard::SetScore(int side, int score) {
    if (!IsSide(side) || score < 0 || score > kMaxScore)
        return false;
    m_scores[side - 1] = score;
    return true;
}

bool CBackgammonBoard::CanDouble() const {
    if (m_state != kStateAwaitingRoll || !m_gameInProgress || !m_rules.cube || m_crawfordGame)
        return false;
    if (m_cubeOwner != 0 && m_cubeOwner != m_sideOnRoll)
        return false;
    return m_cubeValue * 2 <= kMaxCubeValue;
}

bool CBackgammonBoard::CanBeaver() const {
    if (m_state != kStateCubeOffered)
        return false;
    if (m_beavered)
        return m_rules.raccoons && m_cubeValue * 2 <= kMaxCubeValue;
    return m_rules.beavers && m_offeredValue * 2 <= kMaxCubeValue;
}

// --- checkers -------------------------------------------------------------------------------------

int CBackgammonBoard::ViewOf(int side, int position) {
    if (side == 1) {
        if (position == kTray1)
            return BgSide::kOff;
        return position >= 1 && position <= 25 ? position : -1;
    }
    if (side == 2) {
        if (position == kTray2)
            return BgSide::kOff;
        return position >= 0 && position <= 24 ? 25 - position : -1;
    }
    return -1;
}

int CBackgammonBoard::PositionOf(int side, int view) {
    if (view < 0 || view > 25 || !IsSide(side))
        return -2;
    if (view == BgSide::kOff)
        return side == 1 ? kTray1 : kTray2;
    return side == 1 ? view : 25 - view;
}

QString CBackgammonBoard::MoveCommand(int side, const BgPlay& play) {
    QString command = QStringLiteral("m");
    for (int i = 0; i < play.count; ++i)
        command += QStringLiteral(" %1/%2")
                       .arg(PositionOf(side, play.steps[i].from))
                       .arg(PositionOf(side, play.steps[i].to));
    return command;
}

int CBackgammonBoard::GetCheckers(int side, int position) const {
    const int view = ViewOf(side, position);
    return view < 0 ? 0 : m_sides[side - 1].c[view];
}

int CBackgammonBoard::GetCount(int position) const {
    return GetCheckers(1, position) - GetCheckers(2, position);
}

int CBackgammonBoard::GetTotalCheckers(int side) const {
    return IsSide(side) ? m_sides[side - 1].Total() : 0;
}

int CBackgammonBoard::GetPipCount(int side) const {
    if (!IsSide(side))
        return 0;
    int pips = 0;
    for (int p = 1; p <= 25; ++p)
        pips += p * m_sides[side - 1].c[p];
    return pips;
}

bool CBackgammonBoard::AddChecker(int side, int position) {
    const int view = ViewOf(side, position);
    if (view < 0 || m_sides[side - 1].Total() >= kMaxCheckers)
        return false;
    if (position >= 1 && position <= 24 && GetCheckers(Other(side), position) > 0)
        return false;
    ++m_sides[side - 1].c[view];
    return true;
}

bool CBackgammonBoard::RemoveChecker(int position) {
    for (int side = 1; side <= 2; ++side) {
        const int view = ViewOf(side, position);
        if (view >= 0 && m_sides[side - 1].c[view] > 0) {
            --m_sides[side - 1].c[view];
            return true;
        }
    }
    return false;
}

void CBackgammonBoard::ClearBoardToTrays() {
    for (auto& side : m_sides) {
        side.c[BgSide::kOff] = static_cast<std::int8_t>(side.Total());
        std::fill(side.c.begin() + 1, side.c.end(), 0);
    }
}

// --- legal plays for callers ----------------------------------------------------------------------

void CBackgammonBoard::GetLegalPlays(std::vector<BgPlay>& plays) const {
    plays.clear();
    if (m_state != kStateMoving)
        return;
    const int side = m_sideOnRoll;
    bgmoves::GenerateLegalPlays(m_turnStart[side - 1], m_turnStart[2 - side], m_turnDice[0], m_turnDice[1],
                                plays);
}

std::vector<int> CBackgammonBoard::GetLegalDestinations(int from) const {
    std::vector<int> result;
    if (m_state != kStateMoving && !(m_state == kStateEdit && m_editingAllowed))
        return result;
    const CBackgammonBoard base = TrialCopy();
    for (int to = -1; to <= 26; ++to) {
        if (to == from)
            continue;
        CBackgammonBoard trial = base;
        if (trial.DoStep(QStringLiteral("%1/%2").arg(from).arg(to)))
            result.push_back(to);
    }
    return result;
}

// --- game log -------------------------------------------------------------------------------------

std::unique_ptr<CGameLogRecord> CBackgammonBoard::PopLogRecord() {
    if (m_log.empty())
        return nullptr;
    auto record = std::make_unique<CGameLogRecord>(std::move(m_log.front()));
    m_log.pop_front();
    return record;
}

void CBackgammonBoard::Log(CGameLogRecord record) {
    if (record.column == 0 && !record.numberLabel) {
        m_row.lastColumn = 0;
        m_row.lastEnds = true;
    }
    if (record.selectable && m_row.gameStartPending) {
        record.gameStart = true;
        m_row.gameStartPending = false;
    }
    if (m_logging)
        m_log.push_back(std::move(record));
}

void CBackgammonBoard::LogCell(CGameLogRecord record, int column, bool endsLine, bool selectable,
                               bool hasPosition) {
    const bool newRow =
        m_row.lastColumn == 0 || column < m_row.lastColumn || (column == m_row.lastColumn && m_row.lastEnds);
    if (newRow) {
        ++m_row.moveNumber;
        CGameLogRecord number;
        number.kind = CGameLogRecord::kNumber;
        number.a = m_row.moveNumber;
        number.text = QString::number(m_row.moveNumber);
        number.numberLabel = true;
        Log(std::move(number));
    }
    record.column = column;
    record.side = column;
    record.endsLine = endsLine;
    record.selectable = selectable;
    record.hasPosition = hasPosition;
    m_row.lastColumn = column;
    m_row.lastEnds = endsLine;
    Log(std::move(record));
}

QString CBackgammonBoard::FormatPlayText() const {
    if (m_state != kStateMoving)
        return QString();
    return FormatSteps(m_steps, nullptr);
}

QString CBackgammonBoard::FormatPendingPlayCommand() const {
    if (m_state != kStateMoving)
        return QString();
    QString command = QStringLiteral("m");
    for (const Step& step : m_steps)
        command += QStringLiteral(" %1/%2").arg(PositionOf(step.side, step.from)).arg(PositionOf(step.side, step.to));
    return command;
}

QString CBackgammonBoard::FormatSteps(const std::vector<Step>& steps,
                                      std::vector<std::pair<int, int>>* paths) const {
    // Steps of one checker are joined into one path ("24/13"); a hit on the way stays visible
    // ("24/18*/13").
    struct Path {
        int from;
        std::vector<std::pair<int, bool>> points;
    };
    std::vector<Path> chain;
    for (const Step& step : steps) {
        auto it = std::find_if(chain.rbegin(), chain.rend(), [&](const Path& path) {
            const int end = path.points.back().first;
            return end == step.from && end != BgSide::kOff;
        });
        if (it != chain.rend())
            it->points.push_back({step.to, step.hit});
        else
            chain.push_back({step.from, {{step.to, step.hit}}});
    }
    const auto name = [](int view) {
        return view == BgSide::kBar   ? QStringLiteral("bar")
               : view == BgSide::kOff ? QStringLiteral("off")
                                      : QString::number(view);
    };
    QString text;
    for (const Path& path : chain) {
        text += QLatin1Char(' ') + name(path.from);
        for (std::size_t i = 0; i < path.points.size(); ++i) {
            const bool last = i + 1 == path.points.size();
            if (!last && !path.points[i].second)
                continue;
            text += QLatin1Char('/') + name(path.points[i].first);
            if (path.points[i].second)
                text += QLatin1Char('*');
        }
        if (paths) {
            // The plain pairs stop at every hit, so that a reader that takes the shortest route
            // between a pair's ends still makes the hit ("13/12*/8" is "13/12 12/8").
            int from = path.from;
            for (std::size_t i = 0; i < path.points.size(); ++i) {
                if (i + 1 < path.points.size() && !path.points[i].second)
                    continue;
                paths->push_back({from, path.points[i].first});
                from = path.points[i].first;
            }
        }
    }
    return text;
}
