#pragma once

#include "platform/Commands.h"
#include "session/SessionDoc.h"

#include <QMap>
#include <QWidget>

#include <vector>

class CMultiPaneFrame;
class QKeyEvent;
class QMenu;

class CGameView;

// A window that holds a command line and can give it the focus (a service frame, a talk window).
class CCommandLineHost {
public:
    virtual ~CCommandLineHost() = default;
    virtual void ActivateCommandLine(bool makeActive) = 0;
    // The command-line pane of the window, null when it has none.
    virtual CGameView* GetCommandLinePane() const = 0;
};

// A document that belongs to a session without being it (a talk): its panes answer that session.
class CSessionPartDocument {
public:
    virtual ~CSessionPartDocument() = default;
    virtual CSessionDoc* GetOwningSession() const = 0;
};

// The hint object of 4108 (displayed move) and 4109 (highlighted move).
class CMoveHint : public platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CMoveHint, platform::Object)
public:
    int moveIndex = -1;
    int firstRecord = -1;
    int lastRecord = -1;
};

// The base view of every pane of a service window: the session's settings for the service, packets the
// session offers to its views, keys, the context menu, and the links to its frame and command line.
// A pane is made by its tag (CMultiPaneFrame::RegisterPane), then Create attaches it to the session.
class CGameView : public QWidget, public CSessionView, public platform::CommandTarget {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CGameView, CSessionView)
public:
    static constexpr int kDefaultContextMenu = 227;
    static constexpr int kHintDisplayedMove = 4108;
    static constexpr int kHintHighlightedMove = 4109;
    static constexpr int kMsgCommandLineHeight = 0x1032;

    explicit CGameView(QWidget* parent = nullptr);
    ~CGameView() override;

    // Attaches the view to the session, loads the service's settings and runs OnCreate -> its answer
    // (-1 when the view could not be made; it is then detached again).
    int Create(CSessionDoc* session);
    // The same for a pane of another document of the session (a talk's): the pane is that
    // document's view and takes the session's service settings.
    int Create(platform::Document* document, CSessionDoc* session);
    // What a pane does once it is attached; -1 refuses.
    virtual int OnCreate() { return 0; }

    // The service setting of that key ("urlLegend"), empty when absent or not loaded yet. A setting
    // the window layout gives this pane ("shout" for a pane of shouts) stands before the service's.
    QString GetServiceSetting(const QString& key) const;
    // The pane's own settings from the window layout; set before Create.
    void SetPaneSettings(const QList<QPair<QString, QString>>& settings);
    bool HasServiceSettings() const { return m_settingsLoaded; }
    // The session this pane belongs to (a talk pane answers its talk's session).
    virtual CSessionDoc* GetSessionDoc() const;
    // The session's current game document, null when none (the game layer casts it to its CGameDoc).
    platform::Document* GetGameDocument() const;
    // The service frame holding the pane, null when it is elsewhere.
    CMultiPaneFrame* GetMultiPaneFrame() const;
    QWidget* GetFrameWindow() const override;

    // Asks the frame holding the pane to give the focus to its command line.
    void ActivateCommandLine(bool makeActive);
    // Keys the pane takes itself: the base takes Shift, Control, Alt, Pause and Caps Lock (16-20).
    virtual bool WantsKey(int virtualKey) const;
    // The virtual-key code of a key press (letters and digits their upper-case character codes, other
    // printable characters 186, the punctuation keys' first code) -> 0 for keys without one.
    static int VirtualKeyOf(const QKeyEvent& event);
    // A key typed in pane that the pane does not take goes to the first of candidates that is
    // enabled, shown and wants it: that pane's control gets the focus and the key. -> the pane that
    // took it, null when the key stays where it was typed (keys with Control, Alt or Meta always do).
    static CGameView* ForwardKey(CGameView* pane, const QKeyEvent& key, const std::vector<CGameView*>& candidates);
    // The control that takes the keyboard in this pane.
    virtual QWidget* GetControl() { return this; }
    virtual bool CanUndo() const { return false; }
    virtual void Undo() {}

    // The pane's context menu at (x, y) in pane coordinates; (-1, -1) is the client origin plus 5.
    void ShowContextMenu(int x, int y);
    virtual int GetContextMenuId() const { return kDefaultContextMenu; }
    // Builds the menu of that id (the caller owns it); null when the pane has none.
    virtual QMenu* CreateContextMenu(int menuId) {
        (void)menuId;
        return nullptr;
    }

    // A command-line pane answers the height it wants (0 when it shows nothing); other panes -1.
    virtual int GetIdealHeight() const { return -1; }
    // Tells the splitter above the pane that the ideal height changed (message 0x1032).
    void NotifyHeightChanged();

    // Shows the position of that move (-1: the current one) in every game view of the frame.
    void SetDisplayedMove(int moveIndex);
    // Highlights a match-log entry and its records in every game view of the frame.
    void SetHighlightedMove(int moveIndex, int firstRecord, int lastRecord);

    // The frame made this pane the active one (or not): the base takes the keyboard focus when its
    // window is the active one.
    virtual void OnActivateView(bool activate);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QMap<QString, QString> m_settings;
    QList<QPair<QString, QString>> m_paneSettings;
    bool m_settingsLoaded = false;
};
