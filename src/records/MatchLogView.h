#pragma once

#include "frame/GameView.h"
#include "net/ServicePackets.h"
#include "platform/Messages.h"
#include "records/MatchLogLayout.h"
#include "support/PersistentFont.h"

#include <QPointer>
#include <QStringList>

#include <memory>

class CGameDoc;
class QScrollBar;

// The pane of a game window that lists the course of a match: move numbers in a narrow gutter, the
// players' actions in text columns under a row of titles. The user moves a selection with the mouse,
// the keys and the navigation commands, and the other panes of the frame show the position of the
// selected entry; while a match is played or watched online the log follows its live end. Entries that
// stand for a position carry a box that marks them for printing.
//
// The log knows display items, not a game: a game's log view derives from it and fills it from the
// match record (AppendEntries). It listens to the session like every pane and to the session's game
// document for the record's hints.
class CMatchLogView : public CGameView, public platform::MessageTarget {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMatchLogView, CGameView)
public:
    static constexpr int kContextMenu = 196;
    static constexpr int kCmdNextMove = 32816;
    static constexpr int kCmdPreviousMove = 32817;
    static constexpr int kCmdCurrentMove = 32818;
    static constexpr int kCmdNextGame = 32822;
    static constexpr int kCmdGameStart = 32824;
    static constexpr int kCmdPrintedPositions = 32866;
    static constexpr int kCmdProperties = 32793;
    // The server lets the user step a server-stepped match (packet 58 "NEXT" and "SKIP").
    static constexpr quint32 kStepPermission = 0x80000;
    static constexpr int kStepPacket = ServicePacket::Command;
    static constexpr char kShowMarksName[] = "bDisplayPrintedBoardPositions";

    explicit CMatchLogView(QWidget* parent = nullptr);
    ~CMatchLogView() override;

    // The settings section of the log's font, colours and switches.
    virtual QString GetSettingsSection() const;
    CGameDoc* GetGameDoc() const;
    const CMatchLogLayout& GetLayout() const { return m_layout; }

    // ---- items
    // Takes the item and adds it at the end; an item with a position records its print mark in the
    // game document. With notify the scroll bar is brought up to date and a following log moves on.
    void AppendItem(std::unique_ptr<CMatchLogDisplayItem> item, bool mark, bool notify);
    void RemoveItemsFrom(int index);
    int GetItemCount() const { return m_layout.GetCount(); }
    // The record index of an item; -1 out of range.
    int GetLineMoveIndex(int index) const { return m_layout.GetLineMoveIndex(index); }
    // Title i stands over text column i + 1.
    void SetColumnTitles(const QStringList& titles);
    const QStringList& GetColumnTitles() const { return m_titles; }

    // ---- geometry (client coordinates)
    int HitTest(int x, int y) const;
    QRect GetMarkerRect(int index) const;
    QRect ClientRect() const;
    int GetScrollPosition() const { return m_scrollPos; }
    void ScrollTo(int y);
    void EnsureSelectionVisible();

    // ---- selection
    int GetSelection() const { return m_selection; }
    bool IsFollowingLive() const { return m_followLive; }
    bool GetShowMarks() const { return m_layout.GetShowMarks(); }
    void SetSelection(int index);
    void SelectItem(int index);
    void SetFollowLive(bool on);
    void OnNavigateKey(int virtualKey, bool jump);
    // The match-record entries the item stands for (-1: the last item), clamped to the record.
    void GetRecordRange(int index, int& first, int& last) const;
    // Shows the position in which the item's move was made (any other index: the current position).
    virtual void GoToItem(int index);

    // ---- what a game's log adds
    virtual void GoToCurrentItem() { GoToItem(-1); }
    // The record's entries up to that index are new: add their items.
    virtual void AppendEntries(int lastRecordIndex) = 0;
    virtual bool PreparePrinting() { return true; }
    // Tells the frame's panes the selection again (hint 4110, then the highlighted move).
    virtual void ReannounceSelection();

    // ---- CGameView
    bool WantsKey(int virtualKey) const override;
    int GetContextMenuId() const override { return kContextMenu; }
    QMenu* CreateContextMenu(int menuId) override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;
    int OnCreate() override;
    void OnInitialUpdate() override;
    void OnUpdate(platform::View* sender, int hint, platform::Object* hintObject) override;
    void OnActivateView(bool activate) override;
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;

    // A hint of the game document.
    virtual void OnGameDocUpdate(int hint, platform::Object* hintObject);
    // Reads the colours and the font of the settings section.
    void LoadColours();
    const CMatchLogColors& GetColors() const { return m_colors; }
    QFont GetViewFont() const { return m_viewFont; }

    QSize sizeHint() const override;

protected:
    // The session is in a service (a match played or watched online).
    bool IsOnline() const;
    bool InEditMode() const;
    // Lays out from start on; the scroll bar follows with notify.
    void LayoutFrom(int start, bool notify);
    void UpdateScrollBar();
    int PageHeight() const;
    void RepaintItem(int index);
    void ToggleShowMarks();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    class DocumentLink;
    // Listens to the session's current game document (again when it changed).
    void LinkGameDocument();
    static int VirtualKeyOf(int qtKey);

    CMatchLogLayout m_layout;
    std::unique_ptr<CFontLogMetrics> m_metrics;
    CPersistentFont m_font;
    QFont m_viewFont;
    CMatchLogColors m_colors;
    QStringList m_titles;
    QScrollBar* m_scrollBar;
    int m_scrollBarWidth = 0;
    int m_selection = 0;
    int m_scrollPos = 0;
    bool m_followLive = true;
    int m_displayMode = 0;
    std::unique_ptr<DocumentLink> m_link;
};
