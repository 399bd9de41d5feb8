#pragma once

#include "board/BackgammonBoardCtl.h"
#include "frame/GameView.h"
#include "platform/Messages.h"

class CBGPropDoc;
class QToolBar;

// The pane of a proposition window: the board of the proposition document, on which the user sets a
// position up by dragging checkers of either side, with commands to clear the board, reset it to the
// opening position and set the cube and the side on roll.
class CBGPropositionView : public CGameView, public platform::MessageTarget {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBGPropositionView, CGameView)
public:
    static constexpr char kPaneTag[] = "gp";
    static constexpr int kBoardId = 216;
    static constexpr int kContextMenu = 339;
    static constexpr int kCmdClearBoard = 33002;
    static constexpr int kCmdSetCube = 33003;
    static constexpr int kCmdSetTurn = 33007;
    static constexpr int kCmdResetBoard = 33008;

    // The fixed line-art scheme of set-up boards.
    static const char* const kLineArtScheme;

    explicit CBGPropositionView(QWidget* parent = nullptr);
    ~CBGPropositionView() override;

    static void RegisterPane();
    // The status-bar text of a command, empty for others.
    static QString CommandPrompt(int id);

    CBGPropDoc* GetPropDoc() const;
    CBackgammonBoardCtl* GetBoardCtl() const { return m_board; }
    // "ToolbarBGProp": clear, reset, cube and turn.
    QToolBar* GetToolBar() const { return m_toolBar; }
    // The window title: "White vs. Black: " and the game header.
    QString FormatTitle() const;

    // A command of the board control -> whether the document took it.
    bool ApplyBoardCommand(const QString& command);
    void OnClearBoard();
    void OnSetCube();
    void OnSetTurn();
    // With reset the opening position; in any case the board back in edit state.
    void ResetEditBoard(bool reset);

    // CGameView
    int OnCreate() override;
    void OnInitialUpdate() override;
    void OnUpdate(platform::View* sender, int hint, platform::Object* hintObject) override;
    QWidget* GetControl() override { return m_board; }
    int GetContextMenuId() const override { return kContextMenu; }
    QMenu* CreateContextMenu(int menuId) override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;
    // "KELDERWICK_BG_PROPERTIES_CHANGED" (lParam the scheme, possibly none).
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class DocumentLink;
    void LinkDocument();
    void Refresh();
    // Gives the document a changed copy of its board.
    void Commit(const CBackgammonBoard& board);

    CBackgammonBoardCtl* m_board;
    QToolBar* m_toolBar;
    std::unique_ptr<DocumentLink> m_link;
};
