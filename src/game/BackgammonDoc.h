#pragma once

#include "game/BackgammonBoard.h"
#include "game/GameDoc.h"
#include "game/RuleOptions.h"
#include "net/ServicePackets.h"

#include <functional>
#include <optional>

class QIODevice;

// The backgammon match document: the live board, the rules the match is played by, moves sent and
// received as packet 217 ("<sequence> <command>"), and the native match file.
class CBackgammonDoc : public CGameDoc {
    NV_DECLARE_RUNTIME_CLASS(CBackgammonDoc, CGameDoc)
public:
    static constexpr int kMovePacket = CMatchRecord::kMovePacketType;
    static constexpr char kFileTag[] = "Norvale match 1";

    explicit CBackgammonDoc(CGameSessionLink* session = nullptr, QObject* parent = nullptr);
    ~CBackgammonDoc() override;

    // --- the match --------------------------------------------------------------------------------
    // Starts a match by the options: the board is set up and the match-start command recorded as the
    // first move (both players do the same, so it is not sent).
    bool StartMatch(const CBGRuleOptions& options);
    // A match from its room's rules text: a backgammon match, or a proposition played from its agreed
    // position -> false when the text is neither.
    bool StartMatchFromRules(const QString& rules);
    const CBGRuleOptions& GetRuleOptions() const { return m_options; }
    const CBackgammonBoard& GetBoard() const { return m_board; }
    // A money session goes on until a player ends it.
    bool IsMatchInProgress() const override {
        return m_record.GetMoveCount() > 0 && !m_board.IsMatchOver() && !IsMoneySessionEnded();
    }
    // A started match without a length between the two players of the room.
    bool IsMoneySession() const override {
        return m_record.GetMoveCount() > 0 && m_options.GetMatchLength() == 0 && GetPlayers().size() == 2;
    }
    // After a game of a money session the next starts when both players agreed to it between the
    // games (the server starts it), never by a roll: until then, and after the session ended, there is
    // nothing to roll.
    bool IsNextGameByAgreement() const { return IsMoneySession() && m_board.GetGameNumber() > 0; }
    // The user's side (1 or 2), 0 when watching.
    int GetLocalSide() const { return IsWatching() ? 0 : GetOwnSeat() + 1; }

    // Sends a command of the user to the room and shows it on the live board at once -> false when it
    // is not the user's turn to act, the board refuses it, or an earlier command still awaits the
    // referee's answer. The referee's answer decides: its copy of the command (the same sequence
    // number, from the user) records it; a refusal (packet 218) or another move under that number
    // puts the board back to the referee's position. Dice are never chosen by a player: rolls go
    // through RollDice and StartNextGame. Without a session the command is recorded at once.
    bool SendGameCommand(const QString& command);
    // Asks the server for the user's roll ("r"), or for the opening roll of the next game ("n", which
    // the player of side 1 asks for). The server answers everybody in the room with the dice.
    // -> false when no such roll is due from the user, or a command awaits the referee's answer.
    bool RollDice();
    bool StartNextGame();
    // A command of the user was sent and the referee has not answered it yet: nothing more is sent.
    bool IsAwaitingAnswer() const { return m_pending.has_value(); }
    // Counts the changes of the live board (moves taken, the user's command shown or taken back).
    int GetBoardRevision() const { return m_boardRevision; }

    // Moves arrive as 217 routed to the room ("&"): the server's (which alone carry dice), the other
    // player's (a watcher takes both players'), and the user's own as the referee's confirmation.
    // Anything out of turn, out of sequence, routed elsewhere or against the rules is dropped.
    // 218 from the server refuses the user's command.
    int OnPacket(int type, const QString& text) override;
    static constexpr int kMoveRefusedPacket = ServicePacket::MoveRefused;

    // --- display and replay -----------------------------------------------------------------------
    // The board the game window shows (another position than the live one while replaying), or null.
    const CBackgammonBoard* GetDisplayBoard() const { return m_displayBoard; }
    void SetDisplayBoard(const CBackgammonBoard* board) { m_displayBoard = board; }
    // The position after the record's entries 0..index (-1: the live position) -> false past the end.
    bool BuildBoardAt(int index, CBackgammonBoard& board) const;
    // Replays the record on a scratch board with logging on and hands every game-log record, with the
    // index of the entry that produced it, to the visitor; exports are driven from this.
    void ReplayLog(const std::function<void(const CGameLogRecord&, int index)>& visitor) const;

    // The unchecked-steps value the match log copies into its scratch board; changing it sends hint
    // 4125 with the value, and hint 4126 goes out through NotifyUncheckedStep.
    int GetUncheckedSteps() const { return m_uncheckedSteps; }
    void SetUncheckedSteps(int value);
    void NotifyUncheckedStep(int value);
    void ClearLogViews();

    // --- texts ------------------------------------------------------------------------------------
    // Ratings of the players by side, when known (for the match texts).
    void SetPlayerRating(int side, double rating);
    double GetPlayerRating(int side) const;
    // The "Conditions of Contest" block that opens the match text after the titles.
    QString FormatContestConditions() const;

    // The board and the match log side by side over the chat and the command line.
    QString GetWindowLayout() const override;

    // --- files ------------------------------------------------------------------------------------
    bool SerializeGame(CGameArchive& archive) override;
    QString GetFileFilter() const override;
    bool CanWriteFileType(const QString& extension) const override;
    QStringList GetWritableExtensions() const override;
    QString GetWriteRefusal(const QString& extension) const override;
    // The plain match text (".txt") has no starting position and no contract of games: a proposition
    // cannot be written in it.
    bool CanWriteMatchText() const;
    // Other formats chosen by extension when saving ("txt", "snv", ...), registered by the exports.
    using Exporter = std::function<bool(const CBackgammonDoc&, QIODevice&)>;
    static void RegisterExporter(const QString& extension, Exporter exporter);
    static bool HasExporter(const QString& extension);

    // Saves the match into the automatic-save folder in the formats the save settings ask for, when
    // they ask for matches of the user's kind (played or watched). Each format goes to its own file
    // "<player> vs <player> <date and time>.<extension>"; the document keeps its own file name.
    // -> the files written; a file that cannot be written is reported to the user.
    QStringList AutoSaveMatch();
    // The user leaves the room: a match under way that was not saved yet is saved as it stands.
    void OnMatchLeft();

protected:
    bool WriteFile(const QString& path) override;
    void OnPlayersChanged() override;

private:
    // Applies and records a move; false when the board refuses it.
    bool ApplyMove(const QString& command, const QString& source);
    // Records a move already on the live board.
    void RecordMove(const QString& command, const QString& source);
    // The user's command was not taken: the live board goes back to the recorded match.
    void DropPending();
    void BoardChanged();
    int OnMove(const QString& text);
    int OnMoveRefused(const QString& text);
    void CheckMatchEnd();
    bool RequestRoll(const QString& letter);
    void SetUpBoardPlayers();

    CBackgammonBoard m_board;
    CBGRuleOptions m_options;
    const CBackgammonBoard* m_displayBoard = nullptr;
    // The user's command awaiting the referee's answer: its sequence number, its text, and whether it
    // is shown on the live board (a roll request is not).
    struct Pending {
        int sequence = 0;
        QString command;
        bool shown = false;
    };
    std::optional<Pending> m_pending;
    int m_boardRevision = 0;
    int m_uncheckedSteps = 0;
    double m_ratings[2] = {0.0, 0.0};
    bool m_invitedAgain = false;
    bool m_autoSaved = false;
};
