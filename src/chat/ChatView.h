#pragma once

#include "frame/GameView.h"
#include "platform/Messages.h"
#include "platform/Win32Codes.h"
#include "support/PersistentFont.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QTimer>

#include <deque>

class CChatLog;
class CLogElement;
class QPrinter;
class QScrollBar;

// One display line of a chat view: a chat line, or a part of one that was wrapped.
struct CLineBufferData {
    QString text;
    int height = 0;
    bool bold = false; // made from a system line
};

// The pane that shows a chat log: the lobby's and the game window's chat of the session, and a
// talk's conversation. It wraps each chat line into display lines when the line arrives (or when the
// width changes), draws only what is visible in its own colours and two fonts, and lets the user
// select across lines with the mouse and copy the selection as plain text.
//
// A view whose pane setting "shout" is a nonzero number shows only shouts; every other chat view
// shows everything but shouts, so a window can give shouts a pane of their own.
//
// While a selection exists or the user has scrolled away from the newest line, new lines neither
// move the view nor clear the selection and nothing is dropped from the top; Escape (or scrolling
// back down) returns to the newest line.
class CChatView : public CGameView, public platform::MessageTarget {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CChatView, CGameView)
public:
    static constexpr int kContextMenu = 105;
    static constexpr int kHelpId = 222;
    static constexpr int kAutoScrollTimerId = 8192;
    static constexpr int kAutoScrollInterval = 150; // ms

    // Commands.
    static constexpr int kCmdCopy = 57634;
    static constexpr int kCmdClear = 57632;
    static constexpr int kCmdSelectAll = 32832;
    static constexpr int kCmdProperties = 32793;
    static constexpr int kCmdPrint = 57607;
    static constexpr int kCmdPrintPreview = 57609;
    // Carried out by the command line of the view's window.
    static constexpr int kCmdTell = 33020;
    static constexpr int kCmdWhisper = 33021;
    static constexpr int kCmdEmote = 33023;
    static constexpr int kCmdShout = 33061;

    // Settings of the section "CChatView".
    static constexpr char kBoldMovesName[] = "Bold Moves";
    static constexpr char kShoutSetting[] = "shout";

    explicit CChatView(QWidget* parent = nullptr);
    ~CChatView() override;

    // ---- Pane
    int OnCreate() override;
    void OnInitialUpdate() override;
    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override;
    bool WantsKey(int virtualKey) const override;
    // Room for a dozen lines; at least two.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int GetContextMenuId() const override { return kContextMenu; }
    QMenu* CreateContextMenu(int menuId) override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;
    // The font and view preference broadcasts: everything is loaded again and rewrapped.
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;

    // The chat log drawn from: the session's, or the talk's; null when the document has none.
    CChatLog* GetChatLog() const;
    bool IsShoutView() const { return m_shoutView; }
    // Whether this view shows lines of that kind.
    bool TakesKind(int kind) const;

    // ---- Display lines
    int GetLineCount() const { return int(m_lines.size()); }
    const CLineBufferData& GetLine(int index) const { return m_lines[size_t(index)]; }
    int GetTotalHeight() const { return m_totalHeight; }
    // The client area: the window without its scroll bar.
    QRect ClientRect() const;
    int GetScrollPosition() const { return m_scrollPos; }
    bool IsScrolledBack() const { return m_scrolledBack; }
    QScrollBar* GetScrollBar() const { return m_scrollBar; }
    // Scrolls to that position (limited to the content), as the scroll bar does.
    void ScrollTo(int position);
    // Shows the newest line; clears the selection.
    void ScrollToNewest();

    // ---- Selection (line and character positions; a character position is the caret position
    // before that character, the line's length being its end)
    struct Selection {
        int firstLine = -1;
        int firstChar = -1;
        int lastLine = -1;
        int lastChar = -1;
        bool operator==(const Selection&) const = default;
    };
    bool HasSelection() const { return m_selection.firstLine >= 0; }
    Selection GetSelection() const { return m_selection; }
    // Selection from (anchorLine, anchorChar) to (focusLine, focusChar); equal ends select nothing.
    void SetSelection(int anchorLine, int anchorChar, int focusLine, int focusChar);
    void ClearSelection();
    // The text Copy puts on the clipboard: display lines joined by "\r\n", and "\r\n" after a
    // selection that reaches the end of its last line.
    QString GetSelectedText() const;
    // The display line and caret position at a point of the client area -> false for an empty view.
    bool HitTest(const QPoint& point, int& line, int& character) const;
    bool IsSelecting() const { return m_selecting; }
    bool IsAutoScrolling() const { return m_autoScroll.isActive(); }
    // 0 up, 1 down.
    int GetAutoScrollDirection() const { return m_autoScrollDirection; }
    // One tick of the auto-scroll timer: a line further, and the pointer's last move again.
    void OnAutoScrollTimer();

    // ---- Commands
    void Copy();
    void Clear();
    void SelectAll();
    // Draws the whole chat log (as this view filters it) on the printer's pages, wrapped to the page
    // width, in the view's fonts -> the number of pages.
    int PrintTo(QPrinter* printer) const;

    // ---- Look
    const QFont& GetNormalFont() const { return m_normalFont; }
    const QFont& GetBoldFont() const { return m_boldFont; }
    bool GetBoldMoves() const { return m_boldMoves; }
    platform::COLORREF GetTextColor() const { return m_textColor; }
    platform::COLORREF GetBackgroundColor() const { return m_backgroundColor; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool hasShoutPane() const;
    void loadPreferences();
    void reloadPreferences();
    // Wraps one chat line into display lines; scroll: move the view as a new line does.
    void addChatLine(const CLogElement& element, bool scroll);
    // Adds one display line -> the height dropped from the top to make room.
    int addDisplayLine(const QString& text, int height, bool bold, bool mayDrop);
    void rebuild();
    void updateScrollBar();
    void recomputeScrolledBack();
    void setScrollPosition(int position, bool moveContents);
    void flushPendingPaint();
    void invalidateAll();
    int maxScrollPosition() const;
    const QFont& fontOf(const CLineBufferData& line) const;
    const QFontMetrics& metricsOf(const CLineBufferData& line) const;
    // The width of a text in the normal or the bold font; short texts (the words of the wrapping)
    // are remembered, as chat repeats its words.
    int textWidth(const QString& text, bool bold);
    void selectionMove(QPoint point);
    void stopAutoScroll();
    void routeToCommandLine(int id);
    CGameView* commandLinePane() const;

    // Display lines, top first.
    std::deque<CLineBufferData> m_lines;
    int m_totalHeight = 0;
    int m_scrollPos = 0;
    // Gathered for the next turn of the event loop: how far the pixels move, and the height of the
    // lines added at the bottom since.
    int m_pendingShift = 0;
    int m_pendingNewHeight = 0;
    bool m_flushPosted = false;

    int m_anchorLine = -1;
    int m_anchorChar = -1;
    int m_focusLine = -1;
    int m_focusChar = -1;
    Selection m_selection;
    bool m_selecting = false;

    platform::COLORREF m_textColor = 0;
    platform::COLORREF m_backgroundColor = 0;
    platform::COLORREF m_selectedTextColor = 0;
    platform::COLORREF m_selectedBackgroundColor = 0;
    CPersistentFont m_font;
    QFont m_normalFont;
    QFont m_boldFont;
    QFontMetrics m_normalMetrics;
    QFontMetrics m_boldMetrics;
    bool m_boldMoves = true;
    QHash<QString, int> m_widthCache[2]; // normal, bold
    int m_scrollBarWidth = 0;

    QTimer m_autoScroll;
    int m_autoScrollDirection = 0;
    QPoint m_lastMousePos;
    Qt::KeyboardModifiers m_lastMouseModifiers;

    int m_lastWidth = -1;
    int m_lastHeight = -1;
    bool m_scrolledBack = false;
    bool m_shoutView = false;
    QScrollBar* m_scrollBar;
};
