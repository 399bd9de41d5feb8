#include "MatchReferee.h"

#include "game/MatchRecord.h"
#include "support/Utilities.h"

#include <QRandomGenerator>

#include <algorithm>

CMatchReferee::CMatchReferee(const QStringList& players, const CBGRuleOptions& options, DiceSource dice)
    : m_players(players), m_options(options), m_rulesText(options.FormatText()), m_dice(std::move(dice)) {
    m_board.SetPlayers(players, -1, true);
    m_board.ApplyCommand(options.FormatMatchStartCommand());
}

CMatchReferee::CMatchReferee(const QStringList& players, const CPropRuleOptions& proposition, DiceSource dice)
    : m_players(players), m_options(proposition.GetValues()), m_rulesText(proposition.FormatText()),
      m_dice(std::move(dice)) {
    m_board.SetPlayers(players, -1, true);
    m_board.ApplyCommand(proposition.FormatPropositionStartCommand());
}

int CMatchReferee::Seat(const QString& nickname) const {
    for (int i = 0; i < m_players.size() && i < 2; ++i)
        if (!nickname.isEmpty() && FoldNickname(m_players[i]) == FoldNickname(nickname))
            return i;
    return -1;
}

int CMatchReferee::Roll() {
    const int value = m_dice ? m_dice() : int(QRandomGenerator::global()->bounded(1, 7));
    return std::clamp(value, 1, 6);
}

bool CMatchReferee::Apply(const QString& command, bool fromServer, std::vector<Move>& out) {
    const int onRoll = m_board.GetSideOnRoll();
    if (m_board.ApplyCommand(command) != 1)
        return false;
    // The turn passed (a play, or a roll the side on roll cannot move with): new offers for both.
    if (m_board.GetSideOnRoll() != onRoll)
        m_resignOffers[0] = m_resignOffers[1] = 0;
    const QString text = CMatchRecord::JoinMoveText(MoveCount() + 1, command);
    m_history << text;
    out.push_back({text, fromServer});
    return true;
}

bool CMatchReferee::OpenGame(std::vector<Move>& out) {
    m_resignOffers[0] = m_resignOffers[1] = 0;
    // A proposition's game starts from its position with its own side on roll: no opening roll.
    if (m_board.GetVariant() == CBackgammonBoard::kPropositions)
        return Apply(QStringLiteral("n"), true, out);
    // A tie starts nothing; it is handed out only when it turns the cube (automatic doubles).
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int die1 = Roll();
        const int die2 = Roll();
        const QString command = QStringLiteral("n %1 %2").arg(die1).arg(die2);
        if (die1 == die2) {
            CBackgammonBoard trial = m_board;
            if (trial.ApplyCommand(command) == 1 && trial.GetCubeValue() != m_board.GetCubeValue())
                Apply(command, true, out);
            continue;
        }
        return Apply(command, true, out);
    }
    return false;
}

std::vector<CMatchReferee::Move> CMatchReferee::Take(const QString& sender, const QString& text,
                                                     QString* reason) {
    std::vector<Move> out;
    auto refuse = [&](const QString& why) {
        if (reason)
            *reason = why;
        return std::vector<Move>();
    };
    int sequence = 0;
    QString command;
    if (!CMatchRecord::SplitMoveText(text, sequence, command))
        return refuse(QStringLiteral("not a move"));
    const int seat = Seat(sender);
    if (seat < 0)
        return refuse(QStringLiteral("%1 does not play in this room").arg(sender));
    if (sequence != MoveCount() + 1)
        return refuse(QStringLiteral("move %1 where %2 is due").arg(sequence).arg(MoveCount() + 1));
    command = command.simplified();
    const QChar letter = command.at(0);
    const int actor = letter == u'n' ? 1 : m_board.GetActingSide();
    if (actor != seat + 1)
        return refuse(QStringLiteral("not %1's turn").arg(sender));
    switch (letter.unicode()) {
    case u'r':
        if (command != QLatin1String("r"))
            return refuse(QStringLiteral("dice are rolled by the server"));
        if (m_board.GetState() != CBackgammonBoard::kStateAwaitingRoll)
            return refuse(QStringLiteral("no roll is due"));
        Apply(QStringLiteral("r %1 %2").arg(Roll()).arg(Roll()), true, out);
        return out;
    case u'n':
        if (command != QLatin1String("n"))
            return refuse(QStringLiteral("dice are rolled by the server"));
        if (m_board.GetState() != CBackgammonBoard::kStateAtRest || m_board.IsMatchOver())
            return refuse(QStringLiteral("no game is due"));
        OpenGame(out);
        return out;
    case u's':
    case u'c':
    case u'z':
        // The match start comes from the room's rules; single steps stay with the player until the
        // whole play is made.
        return refuse(QStringLiteral("\"%1\" is not sent to the room").arg(command));
    case u'x':
        if (m_resignOffers[seat] >= kResignOffersPerTurn)
            return refuse(QStringLiteral("no more resignation offers this turn"));
        break;
    default:
        break;
    }
    if (!Apply(command, false, out))
        return refuse(QStringLiteral("\"%1\" is not allowed now").arg(command));
    if (letter == u'x')
        ++m_resignOffers[seat];
    return out;
}

std::vector<CMatchReferee::Move> CMatchReferee::StartNextGame() {
    std::vector<Move> out;
    // A game that is over as it opens (a side with nothing left in play) is followed by the next one:
    // the match never waits on a game nobody can play.
    for (int game = 0; game <= CPropRuleOptions::kMaxContractLength; ++game) {
        if (m_board.GetState() != CBackgammonBoard::kStateAtRest || m_board.IsMatchOver() || !OpenGame(out))
            break;
    }
    return out;
}

QString CMatchReferee::Descriptor(int seat) const {
    if (seat < 0 || seat > 1)
        return QString();
    return QStringLiteral("%1 %2 %3")
        .arg(m_board.GetMatchLength())
        .arg(m_board.GetScore(seat + 1))
        .arg(m_board.GetScore(2 - seat));
}
