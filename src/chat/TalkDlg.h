#pragma once

#include "frame/GameView.h"
#include "frame/KelderFrameWnd.h"
#include "platform/Geometry.h"
#include "platform/Commands.h"
#include "platform/Messages.h"

#include <QPointer>
#include <QStringList>

class CChatView;
class CCommandLineView;
class CTalkDoc;

// The window of a talk: the conversation (a chat view) above a command line that sends to the talk.
// Its size is kept in "Size" of the section "CTalkDlg" after every layout; its place only once the
// user has moved or sized it. Keys typed in the conversation that it does not take go to the command
// line, so typing anywhere in the window lands in the line.
class CTalkDlg : public CKelderFrameWnd,
                 public CCommandLineHost,
                 public platform::MessageTarget,
                 public platform::CommandTarget {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CTalkDlg, CKelderFrameWnd)
public:
    static constexpr int kHelpId = 218;
    static constexpr int kCmdUndo = 57643;
    static constexpr char kSizeName[] = "Size";
    static constexpr int kDefaultWidth = 400;
    static constexpr int kDefaultHeight = 400;
    // Where a talk window opens when the user has never placed one (relative to the main window).
    static constexpr int kDefaultLeft = 10;
    static constexpr int kDefaultTop = 10;

    // Made by the talk document: the window rectangle from "Size", then the panes, the placement,
    // the title and the focus. activate false: shown without taking the keyboard.
    CTalkDlg(CTalkDoc* document, const QStringList& people, bool activate, QWidget* owner = nullptr);
    ~CTalkDlg() override;

    // "Talking with '...'": the others, blank-separated; the user alone when nobody else is left.
    static QString Title(const QStringList& people, const QString& ownNickname);

    CChatView* GetChatView() const;
    CCommandLineView* GetCommandLine() const;
    CTalkDoc* GetTalkDoc() const { return m_document; }
    bool WasMovedOrSized() const { return m_movedOrSized; }
    // The document is going first: the window no longer tells it anything.
    void DetachDocument() { m_document = nullptr; }

    void ActivateCommandLine(bool makeActive) override;
    CGameView* GetCommandLinePane() const override;
    // The command line's height changed (0x1032): the panes are laid out again.
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;
    // Chat above, command line at the bottom at its ideal height plus 4; then "Size" is written.
    void RecalcLayout();
    // The title from the people of the talk.
    void UpdateTitle();
    // Undo (also Ctrl+Z anywhere in the window): undoes in the active pane, when it can.
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;

protected:
    void OnClose() override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CGameView* paneOf(QObject* watched) const;
    // The pane with the focus when it can undo, else the command line.
    CGameView* activePane() const;
    std::vector<CGameView*> panes() const;
    void noteGeometry();
    void noteUserGeometry();

    CTalkDoc* m_document;
    QStringList m_people;
    int m_sideMargin = 0;
    int m_topMargin = 0;
    int m_gap = 0;
    bool m_movedOrSized = false;
    // The geometry this window gave itself last: a move or resize to anything else is the user's.
    QRect m_ownGeometry;
    bool m_placed = false;
    bool m_inLayout = false;
    bool m_layoutAgain = false;
    bool m_layoutPosted = false;
    QPointer<CChatView> m_chatView;
    QPointer<CCommandLineView> m_commandLine;
};
