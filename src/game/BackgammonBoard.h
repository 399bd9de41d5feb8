#pragma once

#include "game/BgMoves.h"
#include "game/GameLogRecord.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <vector>

// The complete state of a backgammon match as a copyable value, with the rules and the interpreter of
// the game-command language (see docs/game-commands.md).
//
// Board positions: -1 side 1's borne-off tray, 1..24 the points, 25 side 1's bar, 0 side 2's bar,
// 26 side 2's borne-off tray. Side 1 moves from 24 towards 1 and bears off into -1; side 2 moves from 1
// towards 24 and bears off into 26. A side's own view of a point (its "mover's view") is the position
// itself for side 1 and 25 - position for side 2.
class CBackgammonBoard {
public:
    enum Variant { kBackgammon = 0, kNackgammon = 1, kHypergammon = 2, kPropositions = 3 };

    enum State {
        kStateAtRest = 1,        // no turn under way: before a game, between games, after the match
        kStateAwaitingRoll = 2,  // the side on roll may roll, double or offer to resign
        kStateEdit = 4,          // the position is being set up; checkers move freely
        kStateMoving = 9,        // the side on roll has rolled and moves checkers
        kStateCubeOffered = 10,  // a double (or a beaver) waits for the answer
        kStateResignOffered = 11 // a resignation waits for the answer
    };

    enum Position { kTray1 = -1, kBar2 = 0, kBar1 = 25, kTray2 = 26 };

    enum CommandError { kNoError, kSyntaxError, kIllegal };
    enum CommandFlag { kCheckOnly = 1 }; // ApplyCommand: test the command, change nothing

    static constexpr int kMaxCheckers = 15;
    // A match start of a set-up proposition ends with the start position: the 28 counts of the board
    // text, the cube value, its owner and the side on roll, seen from side 1.
    static constexpr int kStartPositionFields = 31;
    static constexpr int kMaxCubeValue = 4096;
    static constexpr int kMaxScore = 99999;
    static constexpr char kBoardTextVersion[] = "1.0 ";

    struct Rules {
        int matchLength = 0; // 0: money play, no match end
        bool cube = true;
        bool crawford = false;
        bool jacoby = false;
        bool autoDoubles = false; // one automatic double per game on an opening tie
        bool beavers = false;
        bool raccoons = false;
        bool operator==(const Rules&) const = default;
    };

    CBackgammonBoard();

    // "Backgammon", "Nackgammon", "Hypergammon", "Propositions"; empty for other numbers.
    static QString GetVariantName(int variant);

    // --- set-up ---------------------------------------------------------------------------------
    // Resets the board to its variant's starting position: scores, games and turn cleared, the cube
    // centred at 1, no dice, at rest. The players, rules, variant and switches stay; the log is emptied.
    void SetupPosition();
    // Changes the variant (0..3) and sets its starting position up.
    bool SetVariant(int variant);
    int GetVariant() const { return m_variant; }
    void SetRules(const Rules& rules);
    const Rules& GetRules() const { return m_rules; }
    int GetMatchLength() const { return m_rules.matchLength; }
    // Takes the current position, cube and side on roll as the start of every further game (set-up
    // propositions); SetupPosition and SetVariant go back to the variant's own start.
    void MarkStartPosition();
    // A proposition with a contract is played for that many games (the match length), whatever the
    // score; gammons count as in money play (Jacoby).
    bool IsPlayedForGames() const { return m_variant == kPropositions && m_rules.matchLength > 0; }
    // "1 game", "5 games".
    static QString FormatGamesText(int games);

    // Names in seat order (side 1 first), the local player's index in it (-1 none), whether watching.
    void SetPlayers(const QStringList& names, int localIndex, bool watching);
    QString GetPlayerName(int side) const;
    int GetLocalSide() const { return m_localSide; }
    bool IsWatching() const { return m_watching; }
    // "%s vs. %s" with side 1's name first.
    QString FormatPlayersTitle() const;
    // The title of the current game, e.g. "Game 3: Ann 2, Bob 0 (5 point match)".
    QString FormatGameHeader() const;

    // --- commands -------------------------------------------------------------------------------
    // Applies one game command. Returns 1 when it was applied (or, with kCheckOnly, would be), 0 when
    // it could not be parsed or is not allowed now; GetLastCommandError tells which.
    int ApplyCommand(const QString& text, int flags = 0);
    CommandError GetLastCommandError() const { return m_lastError; }

    // --- game log -------------------------------------------------------------------------------
    void SetLogging(bool on) { m_logging = on; }
    bool IsLogging() const { return m_logging; }
    // The oldest record not yet taken, or null; the caller owns it.
    std::unique_ptr<CGameLogRecord> PopLogRecord();
    int GetLogRecordCount() const { return static_cast<int>(m_log.size()); }
    // The checker steps of the turn so far in log notation (" 13/8 13/11"), empty when none.
    QString FormatPlayText() const;
    // The steps of the turn so far as the whole-play command that ends it, in board positions
    // ("m 13/8 13/11"; "m" alone when no step was taken); empty when no turn is being moved.
    QString FormatPendingPlayCommand() const;
    // How many dice the turn under way must play (0 when not moving).
    int GetDiceToPlay() const { return m_state == kStateMoving ? m_maxDice : 0; }

    // --- state ----------------------------------------------------------------------------------
    int GetState() const { return m_state; }
    // Enters or leaves a resting state: 1 at rest, 2 awaiting the roll of the side on roll, 4 edit.
    // Other states are reached only through commands; they are refused here.
    bool SetState(int state);
    int GetSideOnRoll() const { return m_sideOnRoll; }
    void SetSideOnRoll(int side);
    // The side whose answer or action the board waits for: the side on roll, the side a double or
    // resignation was offered to, or the doubler after a beaver that may be raccooned.
    int GetActingSide() const;
    int GetCubeValue() const { return m_cubeValue; }
    int GetCubeOwner() const { return m_cubeOwner; }
    // Power of two 1..kMaxCubeValue and owner 0 (centred), 1 or 2; false (nothing changed) otherwise.
    bool SetCube(int value, int owner);
    int GetOfferedCubeValue() const { return m_state == kStateCubeOffered ? m_offeredValue : 0; }
    int GetResignLevel() const { return m_state == kStateResignOffered ? m_resignLevel : 0; }
    int GetDie(int index) const { return index >= 0 && index < 2 ? m_dice[index] : 0; }
    // Shows dice (each 1..6, or both 0 for none) without starting a turn.
    bool SetDice(int die1, int die2);
    int GetScore(int side) const;
    bool SetScore(int side, int score);
    int GetGameNumber() const { return m_gameNumber; }
    bool IsGameInProgress() const { return m_gameInProgress; }
    bool IsCrawfordGame() const { return m_crawfordGame; }
    bool IsMatchOver() const { return m_matchOver; }
    // The winner (1, 2) and points of the last finished game; 0 while none has finished.
    int GetLastWinner() const { return m_lastWinner; }
    int GetLastPoints() const { return m_lastPoints; }
    bool CanDouble() const;
    // With a cube offered, the acting side may answer it with a double ("d"): a beaver when the rules
    // allow beavers, or the doubler's raccoon of a beaver when they allow raccoons.
    bool CanBeaver() const;

    // --- checkers -------------------------------------------------------------------------------
    // Checkers on a position: positive for side 1, negative for side 2.
    int GetCount(int position) const;
    int GetCheckers(int side, int position) const;
    int GetTotalCheckers(int side) const;
    int GetPipCount(int side) const;
    // The side's own view of its checkers (see BgSide).
    const BgSide& GetSide(int side) const { return m_sides[side == 2 ? 1 : 0]; }
    // Adds one checker of the side; refused on a position that is not the side's, on a point the
    // other side holds, or when the side already has fifteen.
    bool AddChecker(int side, int position);
    // Removes one checker from the position, whoever owns it; false when there is none.
    bool RemoveChecker(int position);

    // Moving checkers without the rules (set-up and scratch boards).
    void SetUncheckedStep(bool on) { m_unchecked = on; }
    bool IsUncheckedStep() const { return m_unchecked; }
    // Steps taken in the current turn or edit that can be taken back.
    int GetStepCount() const { return static_cast<int>(m_steps.size()); }
    void ClearStepCount() { m_steps.clear(); }
    void SetEditingAllowed(bool on) { m_editingAllowed = on; }
    bool IsEditingAllowed() const { return m_editingAllowed; }

    // The legal plays of the current turn from its start, in the mover's view; empty when not moving.
    void GetLegalPlays(std::vector<BgPlay>& plays) const;
    // The board positions a checker on `from` may step to now (checked rules, or in edit state and
    // unchecked mode every position it may be put on).
    std::vector<int> GetLegalDestinations(int from) const;

    // --- text and files -------------------------------------------------------------------------
    // "1.0 " and the position, cube, turn, dice and scores, seen from the side (2 swaps the sides).
    void WriteSavedBoardText(QString& out, int side) const;
    QString GetSavedBoardText(int side) const;
    // A text of another version leaves a cleared board (every checker in its tray) and returns false; a
    // text of this version that fails validation is refused and the board kept.
    bool ReadBoardText(const QString& text, int side);
    // A proposition file: the service-name template ".gp.Black.White" and the board text from side 1.
    bool SaveToFile(const QString& path) const;

    // The mover's view of a board position for the side; -1 when the position is not one of its own.
    static int ViewOf(int side, int position);
    static int PositionOf(int side, int view);
    // The move command that makes the play of the side: "m 13/7 8/7" in board positions.
    static QString MoveCommand(int side, const BgPlay& play);

private:
    struct Step {
        int side = 0;
        int from = 0; // mover's view, 0 tray .. 25 bar
        int to = 0;
        int die = 0; // 0 for a step made without the rules
        bool hit = false;
    };
    struct Start {
        BgSide sides[2];
        int cubeValue = 1;
        int cubeOwner = 0;
        int sideOnRoll = 1;
    };
    struct Row {
        int moveNumber = 0;
        int lastColumn = 0;
        bool lastEnds = true;
        bool gameStartPending = false;
    };

    BgSide& Me() { return m_sides[m_sideOnRoll - 1]; }
    BgSide& Opp() { return m_sides[2 - m_sideOnRoll]; }

    // A copy to try commands on, without the log.
    CBackgammonBoard TrialCopy() const;
    void ClearTurn();
    void ResetToStart();
    void ClearBoardToTrays();
    void StartTurn(int die1, int die2);
    void EndTurn();
    void FinishGame(int winner, int points);
    // Ends the game in favour of a side with no checker left in play -> whether it did.
    bool FinishWonGame();
    int GameValue(int winner) const;

    bool DoMatchStart(const QStringList& args);
    bool DoNewGame(const QStringList& args);
    bool DoRoll(const QStringList& args);
    bool DoStep(const QString& arg);
    bool DoPlay(const QStringList& args);
    bool DoDouble();
    bool DoTake();
    bool DoPass();
    bool DoResign(const QStringList& args);
    bool DoAnswerResign(bool accept);
    bool DoUndo();

    // A rule-checked step of the side on roll; picks the die. False when illegal.
    bool CheckedStep(int fromView, int toView);
    bool UncheckedStep(int side, int fromView, int toView);
    bool EditStep(int fromPosition, int toPosition);
    std::vector<int> RemainingDice() const;

    void Log(CGameLogRecord record);
    void LogCell(CGameLogRecord record, int column, bool endsLine, bool selectable, bool hasPosition);
    QString FormatSteps(const std::vector<Step>& steps, std::vector<std::pair<int, int>>* paths) const;

    BgSide m_sides[2];
    Start m_start;
    int m_variant = kBackgammon;
    Rules m_rules;
    QString m_names[2];
    int m_localSide = 0;
    bool m_watching = false;

    int m_state = kStateAtRest;
    int m_sideOnRoll = 1;
    int m_dice[2] = {0, 0};
    int m_cubeValue = 1;
    int m_cubeOwner = 0;
    int m_scores[2] = {0, 0};

    // The turn under way.
    BgSide m_turnStart[2];
    std::vector<Step> m_steps;
    int m_turnDice[2] = {0, 0};
    int m_maxDice = 0;
    int m_higherDie = 0; // the die a lone step must use, 0 when free

    int m_offeredValue = 0;
    bool m_beavered = false; // the offer is a beaver that the doubler may raccoon
    int m_doubler = 0;
    int m_resignLevel = 0;
    int m_resigner = 0;
    int m_stateBeforeResign = kStateAwaitingRoll;

    int m_gameNumber = 0;
    bool m_gameOpened = false; // the next game's position is set up (after its first opening roll)
    bool m_gameInProgress = false;
    int m_autoDoubles = 0;
    bool m_crawfordGame = false;
    bool m_crawfordDone = false;
    bool m_matchOver = false;
    int m_lastWinner = 0;
    int m_lastPoints = 0;

    bool m_logging = false;
    bool m_unchecked = false;
    bool m_editingAllowed = false;
    CommandError m_lastError = kNoError;
    Row m_row;
    std::deque<CGameLogRecord> m_log;
};

// The board text of a proposition file (the second string of its archive); empty, with a message
// naming the file in *error, when the path is empty or the file cannot be read, is larger than any
// proposition file can be or is damaged.
QString LoadBoardFileText(const QString& path, QString* error = nullptr);
