#pragma once

#include "frame/GameView.h"
#include "frame/PaneLayout.h"
#include "platform/Commands.h"
#include "platform/Messages.h"

#include <QPointer>
#include <QSplitter>
#include <QWidget>

#include <functional>
#include <vector>

class CSessionDoc;
class QMenuBar;

// The splitter of a service window. When a command-line pane tells it that its ideal height changed
// (message 0x1032) it lays the panes out again: the command line gets the height it wants, the
// other panes share the rest in their current proportions.
class CCommandSplitterWnd : public QSplitter, public platform::MessageTarget {
    Q_OBJECT
public:
    explicit CCommandSplitterWnd(Qt::Orientation orientation, QWidget* parent = nullptr);

    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;
    void RecalcLayout();

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// A service's window set: panes made by their tags and laid out by a CPaneLayout in splitters. It keeps
// what the panes share: the displayed and highlighted moves and the match-log view.
class CMultiPaneFrame : public QWidget,
                        public platform::Object,
                        public platform::CommandTarget,
                        public CCommandLineHost {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMultiPaneFrame, platform::Object)
public:
    // Makes the pane of a tag (the frame attaches it to the session).
    using PaneFactory = std::function<CGameView*(QWidget* parent)>;
    // Registers (or replaces) the maker of a tag for every frame made afterwards.
    static void RegisterPane(const QString& tag, PaneFactory factory);
    static bool IsPaneRegistered(const QString& tag);
    // The command-line pane's tag: the frame hands it the focus.
    static constexpr char kCommandLineTag[] = "CommandLine";

    // The lobby's window set: the advert, the user list, the chat and the command line, stacked.
    static CPaneLayout DefaultLobbyLayout();

    explicit CMultiPaneFrame(CSessionDoc* session, QWidget* parent = nullptr);
    ~CMultiPaneFrame() override;

    // Makes the panes of the layout whose tags are registered (others are left out) -> how many.
    int Build(const CPaneLayout& layout);
    CSessionDoc* GetSession() const { return m_session.data(); }
    // The panes, in layout order (panes destroyed meanwhile are left out).
    std::vector<CGameView*> GameViews() const;
    CGameView* FindPane(const QString& tag) const;
    // The hint goes to every game view of the frame but the sender.
    void UpdateGameViews(CGameView* sender, int hint, platform::Object* object);

    void ActivateCommandLine(bool makeActive) override;
    CGameView* GetCommandLinePane() const override { return FindPane(QString::fromLatin1(kCommandLineTag)); }

    int GetDisplayedMove() const { return m_displayedMove; }
    void SetDisplayedMove(int moveIndex) { m_displayedMove = moveIndex; }
    int GetHighlightedMove() const { return m_highlightedMove; }
    int GetHighlightFirst() const { return m_highlightFirst; }
    int GetHighlightLast() const { return m_highlightLast; }
    void SetHighlightedMove(int moveIndex, int first, int last) {
        m_highlightedMove = moveIndex;
        m_highlightFirst = first;
        m_highlightLast = last;
    }
    // The match-log view of the frame: set by the match log when it is made, cleared when it goes.
    CGameView* GetMatchLogView() const { return m_matchLog.data(); }
    void SetMatchLogView(CGameView* view) { m_matchLog = view; }
    void ClearMatchLogView(CGameView* view) {
        if (m_matchLog == view)
            m_matchLog = nullptr;
    }

    // The title: the display name of the session's service.
    void UpdateTitle();

    // --- the window's own menu ---------------------------------------------------------------------
    // Leaves the game room for the lobby (a player's or a watcher's window alike).
    static constexpr int kCmdLeaveRoom = 33040;
    // The menu bar the window's document template gave it (null when none), above the panes.
    void SetMenuBar(QMenuBar* bar);
    QMenuBar* GetMenuBar() const;
    // Routes the menu bar's commands: the focus chain, then the frame, which offers them to its panes.
    platform::CommandRouter& Commands() { return m_commands; }
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;

protected:
    // A key typed in a pane that does not want it goes to the command line, or else to the first other
    // pane that wants it: letters typed while the chat has the focus land in the command line.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CGameView* paneOf(QObject* watched) const;
    QWidget* buildPane(const CPaneLayout& layout, QWidget* parent);

    QPointer<CSessionDoc> m_session;
    std::vector<QPointer<CGameView>> m_panes;
    std::vector<QString> m_tags;
    QPointer<CGameView> m_matchLog;
    QPointer<QMenuBar> m_menuBar;
    platform::CommandRouter m_commands;
    int m_displayedMove = -1;
    int m_highlightedMove = -1;
    int m_highlightFirst = -1;
    int m_highlightLast = -1;
};
