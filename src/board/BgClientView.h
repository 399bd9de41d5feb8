#pragma once

#include <optional>

#include "frame/GameView.h"
#include "board/BackgammonBoardCtl.h"
#include "board/BackgammonBoardWithSound.h"
#include "net/ServicePackets.h"
#include "platform/Messages.h"

#include <QPointer>

#include <memory>

class CBackgammonDoc;
class CGameDoc;
class QLabel;
class QPushButton;
class QTimer;

// The backgammon play options of section "Backgammon".
struct CBgPlaySettings {
    static constexpr char kSection[] = "Backgammon";

    bool singleClick = true;      // "bEnableSingleClick"
    int forcedMoveDelayMs = 20;   // "nForcedMoveDelayMilliseconds", 0..1000
    bool playForcedMoves = false; // "bPlayForcedMoves"
    int initialCubeValue = 0;     // "nInitialCubeValue": 0 shows 1, 1 shows 64
    int dieSize = 75;             // "nDieSize", per cent of a checker, 20..150
    bool confirmDoubles = true;   // "bConfirmDoubles"

    static CBgPlaySettings Load();
    CBoardDisplayOptions DisplayOptions() const;
};

// The game pane of a backgammon room: the board, the players' names, scores and pip counts, and the
// soft buttons. The user's checker steps stay on the pane's own copy of the board until the play is
// done; every other action goes to the match document, which checks it, records it and sends it.
// A watcher sees the match without buttons; while the match log shows an earlier move, so does the
// board.
class CBgClientView : public CGameView, public platform::MessageTarget {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBgClientView, CGameView)
public:
    static constexpr char kPaneTag[] = "BgBoard";
    // The bear-off equity request and its reply.
    static constexpr int kBearOffRequest = ServicePacket::BearOffRequest;
    static constexpr int kBearOffReply = ServicePacket::BearOffReply;

    static constexpr int kCmdBearOffEquity = 33030;
    static constexpr int kCmdBackgammonSettings = 33507; // the same command as the main window's

    enum Button { kRoll, kDouble, kTake, kPass, kResign, kUndo, kDone, kButtonCount };

    explicit CBgClientView(QWidget* parent = nullptr);
    ~CBgClientView() override;

    static void RegisterPane();

    CBackgammonDoc* GetBgDoc() const;
    CBackgammonBoardCtl* GetBoardCtl() const { return m_board; }
    // The board the user sees now: the live one with the user's pending steps, or a replayed one.
    const CBackgammonBoard& GetShownBoard() const { return m_board->GetBoard(); }
    QPushButton* GetButton(Button button) const { return m_buttons[button]; }
    QString GetPlayerLine(bool top) const;

    // A command from the board or a button: steps and take-backs stay here, the rest goes to the
    // document -> whether it was taken.
    bool DoCommand(const QString& command);
    bool PressButton(Button button);

    // Re-reads the document and shows its position (also after the match log chose a move).
    void Refresh();
    const CBgPlaySettings& GetPlayOptions() const { return m_options; }

    // CGameView
    int OnCreate() override;
    void OnInitialUpdate() override;
    void OnUpdate(platform::View* sender, int hint, platform::Object* hintObject) override;
    bool HandlePacket(int type, const QString& text) override;
    QWidget* GetControl() override;
    bool CanUndo() const override;
    void Undo() override;
    QMenu* CreateContextMenu(int menuId) override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;

    // "KELDERWICK_BG_PLAY_OPTIONS_CHANGED" and "KELDERWICK_BG_PROPERTIES_CHANGED" (lParam the scheme).
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;

private:
    class DocumentLink;
    void LinkDocument();
    void OnDocumentUpdate(int hint);
    void UpdateButtons();
    void UpdateLabels();
    void MaybePlayForcedMove();
    void PlayForcedMove();
    void ChooseResignation();
    // Plays the sounds of the moves the record gained since the last call.
    void FollowSounds(const CBackgammonDoc& doc);
    bool SendToDocument(const QString& command);

    CBackgammonBoardCtl* m_board;
    QLabel* m_top;
    QLabel* m_bottom;
    QPushButton* m_buttons[kButtonCount] = {};
    QTimer* m_forcedTimer;
    std::unique_ptr<DocumentLink> m_link;
    CBackgammonBoard m_local; // the live board with the user's pending steps
    int m_seenRevision = -1;  // the document's board revision m_local was taken at
    int m_displayedMove = -1; // the match log's chosen entry, -1 live
    CBgPlaySettings m_options;
    CBackgammonBoardWithSound m_sounds; // follows the record to play its moves' sounds
    int m_soundRecord = -1;             // record entries m_sounds has taken, -1 not yet in step
};

// Both sides have checkers left and all of them at home: a position the bear-off service answers.
bool IsBearOffPosition(const CBackgammonBoard& board);
// The bear-off equity request for a position: sent to the server on behalf of the room.
bool RequestBearOffEquity(CSessionDoc* session, const CBackgammonBoard& board, const QString& serviceName);
// Shows the reply when it is for that room -> whether it was shown.
bool ShowBearOffEquity(QWidget* parent, const QString& replyText, const QString& serviceName);
// The sentence of a bear-off reply for that room; nothing when the reply is damaged or another room's.
std::optional<QString> BearOffEquityText(const QString& replyText, const QString& serviceName);
