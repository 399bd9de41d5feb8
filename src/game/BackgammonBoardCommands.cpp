#include "game/BackgammonBoard.h"

#include <algorithm>

// The command interpreter: checking and applying game-command texts.

namespace {

int Other(int side) {
    return side == 1 ? 2 : 1;
}

bool ParseInt(const QString& text, int& value) {
    bool ok = false;
    value = text.toInt(&ok, 10);
    return ok;
}

// "from/to" in board positions.
bool ParseStep(const QString& text, int& from, int& to) {
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (slash <= 0 || slash != text.lastIndexOf(QLatin1Char('/')))
        return false;
    return ParseInt(text.left(slash), from) && ParseInt(text.mid(slash + 1), to) && from >= -1 &&
           from <= 26 && to >= -1 && to <= 26;
}

CGameLogRecord MakeRecord(CGameLogRecord::Kind kind, const QString& text, int a = 0) {
    CGameLogRecord record;
    record.kind = kind;
    record.text = text;
    record.a = a;
    return record;
}

bool AllNumbers(const QStringList& args) {
    int value;
    return std::all_of(args.begin(), args.end(), [&](const QString& arg) { return ParseInt(arg, value); });
}

bool AllSteps(const QStringList& args) {
    int from, to;
    return std::all_of(args.begin(), args.end(),
                       [&](const QString& arg) { return ParseStep(arg, from, to); });
}

// Whether a command's arguments have the form its letter asks for; unknown letters have none.
bool IsWellFormed(char16_t letter, const QStringList& args) {
    const auto count = args.size();
    switch (letter) {
    case 's':
        return ((count >= 2 && count <= 8) || count == 8 + CBackgammonBoard::kStartPositionFields) &&
               AllNumbers(args);
    case 'n':
        return (count == 0 || count == 2) && AllNumbers(args);
    case 'r':
        return count == 2 && AllNumbers(args);
    case 'x':
        return count == 1 && AllNumbers(args);
    case 'c':
        return count == 1 && AllSteps(args);
    case 'm':
        return count <= 4 && AllSteps(args);
    case 'd':
    case 'a':
    case 'k':
    case 'y':
    case 'u':
    case 'z':
        return count == 0;
    default:
        return false;
    }
}

} // namespace

// --- commands -------------------------------------------------------------------------------------

int CBackgammonBoard::ApplyCommand(const QString& text, int flags) {
    if (flags & kCheckOnly) {
        CBackgammonBoard trial = TrialCopy();
        const int result = trial.ApplyCommand(text, 0);
        m_lastError = trial.m_lastError;
        return result;
    }

    const QStringList tokens = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    m_lastError = kSyntaxError;
    if (tokens.isEmpty() || tokens[0].size() != 1)
        return 0;
    const char16_t letter = tokens[0][0].unicode();
    const QStringList args = tokens.mid(1);
    if (!IsWellFormed(letter, args))
        return 0;
    m_lastError = kIllegal;
    bool applied = false;
    switch (letter) {
    case 's':
        applied = DoMatchStart(args);
        break;
    case 'n':
        applied = DoNewGame(args);
        break;
    case 'r':
        applied = DoRoll(args);
        break;
    case 'c':
        applied = DoStep(args[0]);
        break;
    case 'm':
        applied = DoPlay(args);
        break;
    case 'd':
        applied = DoDouble();
        break;
    case 'a':
        applied = DoTake();
        break;
    case 'k':
        applied = DoPass();
        break;
    case 'x':
        applied = DoResign(args);
        break;
    case 'y':
    case 'u':
        applied = DoAnswerResign(letter == 'y');
        break;
    case 'z':
        applied = DoUndo();
        break;
    }
    if (!applied)
        return 0;
    m_lastError = kNoError;
    return 1;
}

bool CBackgammonBoard::DoMatchStart(const QStringList& args) {
    std::vector<int> v;
    for (const QString& arg : args)
        v.push_back(arg.toInt());
    const int length = v[0];
    const int variant = v[1];
    if (length < 0 || length > kMaxScore || GetVariantName(variant).isEmpty())
        return false;
    for (std::size_t i = 2; i < v.size() && i < 8; ++i)
        if (v[i] != 0 && v[i] != 1)
            return false;
    // The six flags; a set-up position may follow them.
    const auto flag = [&](std::size_t i, bool byDefault) { return i < v.size() ? v[i] == 1 : byDefault; };
    Rules rules;
    rules.matchLength = length;
    rules.cube = flag(2, true);
    rules.crawford = flag(3, length > 0);
    rules.jacoby = flag(4, false);
    rules.autoDoubles = flag(5, false);
    rules.beavers = flag(6, false);
    rules.raccoons = flag(7, false);
    if (m_state == kStateEdit)
        return false;
    // A proposition may start from a position of its own: it must be a whole one, fifteen checkers a
    // side (borne-off ones included), with a valid cube and side on roll.
    CBackgammonBoard setUp;
    if (v.size() > 8) {
        if (variant != kPropositions)
            return false;
        QStringList fields = args.mid(8);
        fields << QStringLiteral("0 0 0 0"); // no dice, no scores
        if (!setUp.ReadBoardText(QStringLiteral("1.0 ") + fields.join(QLatin1Char(' ')), 1) ||
            setUp.m_sides[0].Total() != kMaxCheckers || setUp.m_sides[1].Total() != kMaxCheckers)
            return false;
    }

    m_rules = rules;
    m_variant = variant;
    std::deque<CGameLogRecord> log;
    log.swap(m_log);
    SetupPosition();
    log.swap(m_log);
    if (v.size() > 8) {
        m_sides[0] = setUp.m_sides[0];
        m_sides[1] = setUp.m_sides[1];
        m_cubeValue = setUp.m_cubeValue;
        m_cubeOwner = setUp.m_cubeOwner;
        m_sideOnRoll = setUp.m_sideOnRoll;
        MarkStartPosition();
    }

    CGameLogRecord record;
    record.kind = CGameLogRecord::kMatchStart;
    record.a = length;
    record.b = variant;
    QStringList terms;
    if (variant != kBackgammon)
        terms << GetVariantName(variant);
    if (variant == kPropositions && length > 0)
        terms << FormatGamesText(length);
    else
        terms << (length > 0 ? QStringLiteral("%1 point match").arg(length) : QStringLiteral("Money session"));
    record.text = terms.join(QStringLiteral(", "));
    record.column = 0;
    record.endsLine = true;
    Log(std::move(record));
    return true;
}

bool CBackgammonBoard::DoNewGame(const QStringList& args) {
    if (m_state != kStateAtRest || m_matchOver)
        return false;
    int dice[2] = {0, 0};
    if (!args.isEmpty()) {
        dice[0] = args[0].toInt();
        dice[1] = args[1].toInt();
        if (dice[0] < 1 || dice[0] > 6 || dice[1] < 1 || dice[1] > 6)
            return false;
    }

    if (!m_gameOpened) {
        ResetToStart();
        m_autoDoubles = 0;
        const int length = m_rules.matchLength;
        // The game after a player first comes within one point of the match: a match that starts
        // there (one point long) has none.
        m_crawfordGame = length > 0 && m_rules.crawford && !m_crawfordDone && m_gameNumber > 0 &&
                         (m_scores[0] == length - 1 || m_scores[1] == length - 1);
        m_gameOpened = true;
    }
    if (dice[0] != 0 && dice[0] == dice[1]) {
        // An opening tie is rolled again; with automatic doubles the first one turns the cube.
        if (m_rules.autoDoubles && m_rules.cube && !m_crawfordGame && m_autoDoubles < 1 &&
            m_cubeValue * 2 <= kMaxCubeValue) {
            ++m_autoDoubles;
            m_cubeValue *= 2;
        }
        return true;
    }

    if (m_crawfordGame)
        m_crawfordDone = true;
    const int starter = dice[0] == 0 ? m_sideOnRoll : (dice[0] > dice[1] ? 1 : 2);
    m_sideOnRoll = starter;
    ++m_gameNumber;
    m_gameOpened = false;
    m_gameInProgress = true;
    m_lastWinner = 0;
    m_lastPoints = 0;

    CGameLogRecord header;
    header.kind = CGameLogRecord::kGameStart;
    header.text = FormatGameHeader();
    header.side = starter;
    header.a = m_scores[0];
    header.b = m_scores[1];
    header.c = starter;
    header.endsLine = true;
    Log(std::move(header));
    if (m_autoDoubles > 0) {
        CGameLogRecord autoDouble;
        autoDouble.kind = CGameLogRecord::kAutoDouble;
        autoDouble.text = QStringLiteral("Automatic double => %1").arg(m_cubeValue);
        autoDouble.a = m_cubeValue;
        autoDouble.endsLine = true;
        Log(std::move(autoDouble));
    }
    m_row.gameStartPending = true;
    m_row.moveNumber = 0;
    // A set-up position may start with a side that has nothing left to bear off: it has won.
    if (FinishWonGame())
        return true;

    if (dice[0] == 0) {
        m_state = kStateAwaitingRoll;
        return true;
    }
    StartTurn(dice[0], dice[1]);
    return true;
}

bool CBackgammonBoard::DoRoll(const QStringList& args) {
    const int die1 = args[0].toInt();
    const int die2 = args[1].toInt();
    if (m_state != kStateAwaitingRoll || die1 < 1 || die1 > 6 || die2 < 1 || die2 > 6)
        return false;
    StartTurn(die1, die2);
    return true;
}

void CBackgammonBoard::StartTurn(int die1, int die2) {
    ClearTurn();
    m_dice[0] = m_turnDice[0] = die1;
    m_dice[1] = m_turnDice[1] = die2;
    m_turnStart[0] = m_sides[0];
    m_turnStart[1] = m_sides[1];
    m_state = kStateMoving;

    CGameLogRecord roll;
    roll.kind = CGameLogRecord::kRoll;
    roll.a = die1;
    roll.b = die2;
    roll.text = QStringLiteral("%1%2:").arg(die1).arg(die2);
    LogCell(std::move(roll), m_sideOnRoll, false, false, false);

    const std::vector<int> dice = RemainingDice();
    m_maxDice = bgmoves::MaxDiceUsable(Me(), Opp(), dice.data(), static_cast<int>(dice.size()));
    if (m_maxDice == 1 && die1 != die2) {
        const int higher = std::max(die1, die2);
        for (int from = 1; from <= 25 && m_higherDie == 0; ++from)
            if (bgmoves::CanStep(Me(), Opp(), from, higher))
                m_higherDie = higher;
    }
    if (m_maxDice == 0) {
        // A side that cannot move is passed, unless the game is already won.
        if (FinishWonGame())
            return;
        LogCell(MakeRecord(CGameLogRecord::kPlay, QStringLiteral(" Cannot move")), m_sideOnRoll,
                m_sideOnRoll == 2, true, true);
        EndTurn();
    }
}

void CBackgammonBoard::EndTurn() {
    ClearTurn();
    m_sideOnRoll = Other(m_sideOnRoll);
    m_state = kStateAwaitingRoll;
}

std::vector<int> CBackgammonBoard::RemainingDice() const {
    std::vector<int> dice;
    if (m_turnDice[0] == 0)
        return dice;
    if (m_turnDice[0] == m_turnDice[1])
        dice.assign(4, m_turnDice[0]);
    else
        dice = {m_turnDice[0], m_turnDice[1]};
    for (const Step& step : m_steps) {
        auto it = std::find(dice.begin(), dice.end(), step.die);
        if (step.die != 0 && it != dice.end())
            dice.erase(it);
    }
    return dice;
}

bool CBackgammonBoard::DoStep(const QString& arg) {
    int from, to;
    ParseStep(arg, from, to);
    if (m_state == kStateEdit)
        return m_editingAllowed && EditStep(from, to);
    if (m_state != kStateMoving)
        return false;
    const int fromView = ViewOf(m_sideOnRoll, from);
    const int toView = ViewOf(m_sideOnRoll, to);
    if (fromView < 0 || toView < 0)
        return false;
    return m_unchecked ? UncheckedStep(m_sideOnRoll, fromView, toView) : CheckedStep(fromView, toView);
}

bool CBackgammonBoard::CheckedStep(int fromView, int toView) {
    if (fromView < 1 || toView > 24 || static_cast<int>(m_steps.size()) >= m_maxDice)
        return false;
    std::vector<int> dice = RemainingDice();
    std::sort(dice.begin(), dice.end());
    dice.erase(std::unique(dice.begin(), dice.end()), dice.end());
    // The exact die first; bearing off with a larger die only when no exact one fits.
    std::stable_sort(dice.begin(), dice.end(),
                     [&](int a, int b) { return (fromView - a == toView) > (fromView - b == toView); });
    for (int die : dice) {
        if (bgmoves::Target(fromView, die) != toView || !bgmoves::CanStep(Me(), Opp(), fromView, die))
            continue;
        if (m_higherDie != 0 && die != m_higherDie)
            continue;
        BgSide me = Me(), opp = Opp();
        const BgStep step = bgmoves::ApplyStep(me, opp, fromView, die);
        std::vector<int> rest = RemainingDice();
        rest.erase(std::find(rest.begin(), rest.end(), die));
        const int more = bgmoves::MaxDiceUsable(me, opp, rest.data(), static_cast<int>(rest.size()));
        if (static_cast<int>(m_steps.size()) + 1 + more != m_maxDice)
            continue;
        Me() = me;
        Opp() = opp;
        m_steps.push_back({m_sideOnRoll, fromView, toView, die, step.hit});
        return true;
    }
    return false;
}

bool CBackgammonBoard::UncheckedStep(int side, int fromView, int toView) {
    BgSide& me = m_sides[side - 1];
    BgSide& opp = m_sides[2 - side];
    if (fromView == toView || me.c[fromView] <= 0)
        return false;
    bool hit = false;
    if (toView >= 1 && toView <= 24) {
        const int blockers = opp.c[25 - toView];
        if (blockers >= 2)
            return false;
        hit = blockers == 1;
    }
    --me.c[fromView];
    ++me.c[toView];
    if (hit) {
        opp.c[25 - toView] = 0;
        ++opp.c[BgSide::kBar];
    }
    m_steps.push_back({side, fromView, toView, 0, hit});
    return true;
}

bool CBackgammonBoard::EditStep(int fromPosition, int toPosition) {
    int side = 0;
    if (GetCheckers(1, fromPosition) > 0)
        side = 1;
    else if (GetCheckers(2, fromPosition) > 0)
        side = 2;
    if (side == 0)
        return false;
    const int fromView = ViewOf(side, fromPosition);
    const int toView = ViewOf(side, toPosition);
    if (toView < 0 || toView == fromView)
        return false;
    if (toPosition >= 1 && toPosition <= 24 && GetCheckers(Other(side), toPosition) > 0)
        return false;
    return UncheckedStep(side, fromView, toView);
}

bool CBackgammonBoard::DoPlay(const QStringList& args) {
    if (m_state != kStateMoving)
        return false;
    const BgSide saved[2] = {m_sides[0], m_sides[1]};
    const std::vector<Step> savedSteps = m_steps;
    // The play is given whole from the start of the turn, whatever steps were shown so far.
    m_sides[0] = m_turnStart[0];
    m_sides[1] = m_turnStart[1];
    m_steps.clear();
    bool ok = true;
    for (const QString& arg : args) {
        int from, to;
        ParseStep(arg, from, to);
        const int fromView = ViewOf(m_sideOnRoll, from);
        const int toView = ViewOf(m_sideOnRoll, to);
        ok = fromView >= 0 && toView >= 0 &&
             (m_unchecked ? UncheckedStep(m_sideOnRoll, fromView, toView) : CheckedStep(fromView, toView));
        if (!ok)
            break;
    }
    if (ok && !m_unchecked && static_cast<int>(m_steps.size()) != m_maxDice)
        ok = false;
    if (!ok) {
        m_sides[0] = saved[0];
        m_sides[1] = saved[1];
        m_steps = savedSteps;
        return false;
    }

    const int mover = m_sideOnRoll;
    const bool won = Me().InPlay() == 0;
    CGameLogRecord play;
    play.kind = CGameLogRecord::kPlay;
    play.text = FormatSteps(m_steps, &play.steps);
    if (play.text.isEmpty())
        play.text = QStringLiteral(" Cannot move");
    LogCell(std::move(play), mover, mover == 2 || won, true, true);
    if (won) {
        FinishGame(mover, GameValue(mover));
        return true;
    }
    EndTurn();
    return true;
}

bool CBackgammonBoard::FinishWonGame() {
    for (const int side : {m_sideOnRoll, Other(m_sideOnRoll)})
        if (m_sides[side - 1].InPlay() == 0) {
            FinishGame(side, GameValue(side));
            return true;
        }
    return false;
}

int CBackgammonBoard::GameValue(int winner) const {
    const BgSide& loser = m_sides[2 - winner];
    int multiple = 1;
    if (loser.c[BgSide::kOff] == 0) {
        multiple = 2;
        for (int p = 19; p <= 25; ++p)
            if (loser.c[p] > 0)
                multiple = 3;
    }
    // Jacoby: gammons count in money play only once the cube has been turned, which leaves it with the
    // taker; a cube still in the middle (also after an automatic double) has not been turned.
    if (m_rules.jacoby && (m_rules.matchLength == 0 || IsPlayedForGames()) && m_cubeOwner == 0)
        multiple = 1;
    return multiple * m_cubeValue;
}

void CBackgammonBoard::FinishGame(int winner, int points) {
    m_scores[winner - 1] = std::min(kMaxScore, m_scores[winner - 1] + points);
    m_lastWinner = winner;
    m_lastPoints = points;
    m_gameInProgress = false;
    m_gameOpened = false;
    // A proposition is played for a number of games, a match up to a number of points.
    if (IsPlayedForGames())
        m_matchOver = m_gameNumber >= m_rules.matchLength;
    else
        m_matchOver = m_rules.matchLength > 0 && m_scores[winner - 1] >= m_rules.matchLength;
    ClearTurn();
    m_state = kStateAtRest;

    CGameLogRecord win;
    win.kind = CGameLogRecord::kWin;
    win.side = winner;
    win.a = points;
    // The last game of a contract of games wins the match only for the side ahead on the total: a
    // contract that ends level has no winner.
    const bool winsMatch = m_matchOver && m_scores[winner - 1] > m_scores[2 - winner];
    win.b = winsMatch ? 1 : 0;
    win.text = QStringLiteral(" Wins %1 point").arg(points);
    if (points > 1)
        win.text += QLatin1Char('s');
    if (winsMatch)
        win.text += QStringLiteral(" and the match");
    win.column = winner;
    win.endsLine = true;
    win.selectable = true;
    win.hasPosition = true;
    Log(std::move(win));
    m_row.lastColumn = winner;
    m_row.lastEnds = true;
}

bool CBackgammonBoard::DoDouble() {
    if (m_state == kStateAwaitingRoll) {
        if (!CanDouble())
            return false;
        m_doubler = m_sideOnRoll;
        m_offeredValue = m_cubeValue * 2;
        m_beavered = false;
        m_state = kStateCubeOffered;
        LogCell(MakeRecord(CGameLogRecord::kDouble, QStringLiteral(" Doubles => %1").arg(m_offeredValue),
                           m_offeredValue),
                m_doubler, m_doubler == 2, true, true);
        return true;
    }
    if (m_state != kStateCubeOffered)
        return false;
    if (!m_beavered) {
        // A beaver: the doubled side takes and redoubles at once, keeping the cube.
        const int taker = Other(m_doubler);
        if (!m_rules.beavers || m_offeredValue * 2 > kMaxCubeValue)
            return false;
        m_cubeValue = m_offeredValue * 2;
        m_cubeOwner = taker;
        LogCell(MakeRecord(CGameLogRecord::kBeaver, QStringLiteral(" Beavers => %1").arg(m_cubeValue),
                           m_cubeValue),
                taker, taker == 2, true, false);
        if (m_rules.raccoons && m_cubeValue * 2 <= kMaxCubeValue) {
            m_beavered = true;
            m_offeredValue = m_cubeValue;
        } else {
            m_state = kStateAwaitingRoll;
            m_offeredValue = 0;
        }
        return true;
    }
    // A raccoon: the doubler redoubles the beaver and takes the cube back.
    if (!m_rules.raccoons || m_cubeValue * 2 > kMaxCubeValue)
        return false;
    m_cubeValue *= 2;
    m_cubeOwner = m_doubler;
    m_state = kStateAwaitingRoll;
    m_beavered = false;
    m_offeredValue = 0;
    LogCell(
        MakeRecord(CGameLogRecord::kRaccoon, QStringLiteral(" Raccoons => %1").arg(m_cubeValue), m_cubeValue),
        m_doubler, m_doubler == 2, true, false);
    return true;
}

bool CBackgammonBoard::DoTake() {
    if (m_state != kStateCubeOffered)
        return false;
    const int answering = GetActingSide();
    CGameLogRecord record;
    if (m_beavered) {
        record.kind = CGameLogRecord::kAccept;
        record.text = QStringLiteral(" Accepts");
    } else {
        m_cubeValue = m_offeredValue;
        m_cubeOwner = answering;
        record.kind = CGameLogRecord::kTake;
        record.text = QStringLiteral(" Takes");
    }
    m_state = kStateAwaitingRoll;
    m_beavered = false;
    m_offeredValue = 0;
    LogCell(std::move(record), answering, answering == 2, true, false);
    return true;
}

bool CBackgammonBoard::DoPass() {
    if (m_state != kStateCubeOffered || m_beavered)
        return false;
    const int answering = Other(m_doubler);
    LogCell(MakeRecord(CGameLogRecord::kDrop, QStringLiteral(" Drops")), answering, answering == 2, true,
            false);
    FinishGame(m_doubler, m_cubeValue);
    return true;
}

bool CBackgammonBoard::DoResign(const QStringList& args) {
    const int level = args[0].toInt();
    if ((m_state != kStateAwaitingRoll && m_state != kStateMoving) || !m_gameInProgress || level < 1 ||
        level > 3)
        return false;
    m_resigner = m_sideOnRoll;
    m_resignLevel = level;
    m_stateBeforeResign = m_state;
    m_state = kStateResignOffered;
    static const char* const kWhat[] = {"a single game", "a gammon", "a backgammon"};
    LogCell(MakeRecord(CGameLogRecord::kResign,
                       QStringLiteral(" Offers to resign %1").arg(QLatin1String(kWhat[level - 1])), level),
            m_resigner, m_resigner == 2, true, false);
    return true;
}

bool CBackgammonBoard::DoAnswerResign(bool accept) {
    if (m_state != kStateResignOffered)
        return false;
    const int answering = Other(m_resigner);
    LogCell(accept ? MakeRecord(CGameLogRecord::kAccept, QStringLiteral(" Accepts"))
                   : MakeRecord(CGameLogRecord::kReject, QStringLiteral(" Rejects")),
            answering, accept || answering == 2, true, false);
    if (!accept) {
        m_state = m_stateBeforeResign;
        m_resigner = 0;
        m_resignLevel = 0;
        return true;
    }
    int level = m_resignLevel;
    if (m_rules.jacoby && (m_rules.matchLength == 0 || IsPlayedForGames()) && m_cubeOwner == 0)
        level = 1;
    FinishGame(answering, level * m_cubeValue);
    return true;
}

bool CBackgammonBoard::DoUndo() {
    if ((m_state != kStateMoving && m_state != kStateEdit) || m_steps.empty())
        return false;
    const Step step = m_steps.back();
    m_steps.pop_back();
    BgSide& me = m_sides[step.side - 1];
    BgSide& opp = m_sides[2 - step.side];
    --me.c[step.to];
    ++me.c[step.from];
    if (step.hit) {
        --opp.c[BgSide::kBar];
        opp.c[25 - step.to] = 1;
    }
    return true;
}

CBackgammonBoard CBackgammonBoard::TrialCopy() const {
    CBackgammonBoard trial = *this;
    trial.m_log.clear();
    trial.m_logging = false;
    return trial;
}
