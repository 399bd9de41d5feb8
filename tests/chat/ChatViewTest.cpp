#include "chat/ChatLog.h"
#include "chat/ChatView.h"
#include "platform/Color.h"
#include "platform/Messages.h"
#include "platform/Ui.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

const char kTestFont[] = "-13 400 0 0 1 2 2 0 \"DejaVu Sans\"";

// Gathers the regions a widget is asked to paint.
class PaintSpy : public QObject {
public:
    explicit PaintSpy(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    QRegion painted;
};

class ChatViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        GetSettingsStore().WriteString("CChatView", "Font", kTestFont);
        session = std::make_unique<CSessionDoc>();
        log = std::make_unique<CChatLog>(session.get());
        session->SetChatLog(log.get());
    }
    void TearDown() override {
        views.clear();
        session->SetChatLog(nullptr);
        log.reset();
        session.reset();
        testenv::scriptedUi().SetDialogHandler(nullptr);
    }

    // A chat view of the session whose client area is clientWidth x clientHeight, shown.
    CChatView* MakeView(int clientWidth, int clientHeight, bool shout = false) {
        auto view = std::make_unique<CChatView>();
        if (shout)
            view->SetPaneSettings({{"shout", "1"}});
        EXPECT_EQ(view->Create(session.get()), 0);
        view->resize(clientWidth + view->GetScrollBar()->sizeHint().width(), clientHeight);
        view->show();
        views.push_back(std::move(view));
        return views.back().get();
    }

    void Say(const QString& name, const QString& text, int kind = ChatKind::Said) {
        session->AddChatLine(name, text, kind);
    }
    // n short lines "bob: line i".
    void SayLines(int n, int from = 0) {
        for (int i = from; i < from + n; ++i)
            Say("bob", QStringLiteral("line %1").arg(i));
    }

    static QStringList Lines(const CChatView& view) {
        QStringList lines;
        for (int i = 0; i < view.GetLineCount(); ++i)
            lines << view.GetLine(i).text;
        return lines;
    }
    static int LineHeight(const CChatView& view) { return QFontMetrics(view.GetNormalFont()).height(); }
    // The point of the caret before character c of display line i (the view scrolled to the top).
    static QPoint At(const CChatView& view, int line, int character) {
        const CLineBufferData& data = view.GetLine(line);
        const QFontMetrics metrics(data.bold ? view.GetBoldFont() : view.GetNormalFont());
        int top = -view.GetScrollPosition();
        for (int i = 0; i < line; ++i)
            top += view.GetLine(i).height;
        return QPoint(metrics.horizontalAdvance(data.text.left(character)), top + data.height / 2);
    }

    static void Mouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::KeyboardModifiers modifiers = {}) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(pos), widget->mapToGlobal(QPointF(pos)), button, buttons, modifiers);
        QApplication::sendEvent(widget, &event);
    }
    static void Drag(QWidget* widget, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
        Mouse(widget, QEvent::MouseButtonPress, from, modifiers);
        Mouse(widget, QEvent::MouseMove, to, modifiers);
        Mouse(widget, QEvent::MouseButtonRelease, to, modifiers);
    }
    static void Key(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(widget, &press);
    }
    static bool Enabled(CChatView& view, int id) {
        platform::CommandState state;
        EXPECT_TRUE(view.OnUpdateCommand(id, state));
        return state.enabled;
    }

    std::unique_ptr<CSessionDoc> session;
    std::unique_ptr<CChatLog> log;
    std::vector<std::unique_ptr<CChatView>> views;
};

// ---- Wrapping

TEST_F(ChatViewTest, LongLinesWrapAtWordsWithIndentedContinuationsMeasuredInTheChatFont) {
    CChatView* view = MakeView(220, 200);
    EXPECT_EQ(view->GetNormalFont().family(), "DejaVu Sans");
    const QString text = "the quick brown fox jumps over the lazy dog and keeps on running far away";
    Say("bob", text);
    const QStringList lines = Lines(*view);
    ASSERT_GT(lines.size(), 2);
    const QFontMetrics metrics(view->GetNormalFont());
    QString joined;
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            EXPECT_TRUE(lines[i].startsWith("   ")) << lines[i].toStdString();
            EXPECT_NE(lines[i][3], ' ');
        }
        if (i + 1 < lines.size()) {
            EXPECT_TRUE(lines[i].endsWith(' ')) << "words keep their trailing blank";
            // The next word would not have fitted.
            const QString next = lines[i + 1].mid(3).section(' ', 0, 0);
            EXPECT_GT(metrics.horizontalAdvance(lines[i] + next), 220);
        }
        EXPECT_LE(metrics.horizontalAdvance(lines[i].trimmed()), 220);
        joined += i > 0 ? lines[i].mid(3) : lines[i];
    }
    EXPECT_EQ(joined, "bob: " + text);
    EXPECT_EQ(view->GetTotalHeight(), lines.size() * LineHeight(*view));

    Say("bob", "short");
    EXPECT_EQ(Lines(*view).last(), "bob: short");
}

TEST_F(ChatViewTest, LineBreaksWrapEvenANarrowLine) {
    CChatView* view = MakeView(400, 200);
    Say("bob", "one\r\ntwo");
    EXPECT_EQ(Lines(*view), QStringList({"bob: one", "   two"}));
}

TEST_F(ChatViewTest, AShoutPaneShowsOnlyShoutsAndTheOtherPaneEverythingElse) {
    CChatView* chat = MakeView(400, 200);
    CChatView* shouts = MakeView(400, 200, true);
    EXPECT_FALSE(chat->IsShoutView());
    EXPECT_TRUE(shouts->IsShoutView());
    Say("bob", "hi", ChatKind::Shout);
    Say("bob", "hello");
    Say("", "Welcome", ChatKind::System);
    EXPECT_EQ(Lines(*shouts), QStringList({"bob shouts: hi"}));
    EXPECT_EQ(Lines(*chat), QStringList({"bob: hello", "Welcome"}));
    EXPECT_TRUE(chat->GetLine(1).bold);

    // Pane settings read as whole numbers; "0" and words are not a shout pane.
    for (const char* value : {"0", "no", "", " +0"}) {
        CChatView plain;
        plain.SetPaneSettings({{"shout", value}});
        plain.Create(session.get());
        EXPECT_FALSE(plain.IsShoutView()) << value;
    }
    CChatView loud;
    loud.SetPaneSettings({{"shout", " 2 panes"}});
    loud.Create(session.get());
    EXPECT_TRUE(loud.IsShoutView());
}

TEST_F(ChatViewTest, SystemLinesAreWrappedToTheBoldWidthAndDrawnInTheNormalFontWithoutBoldMoves) {
    GetSettingsStore().WriteBool("CChatView", "Bold Moves", false);
    const QString text = "Server going down for maintenance soon";
    CChatView* probe = MakeView(1000, 100);
    const int normal = QFontMetrics(probe->GetNormalFont()).horizontalAdvance(text);
    const int bold = QFontMetrics(probe->GetBoldFont()).horizontalAdvance(text);
    ASSERT_GT(bold, normal + 10);
    EXPECT_EQ(probe->GetBoldFont().weight(), QFont::Bold);
    EXPECT_FALSE(probe->GetBoldMoves());

    CChatView* view = MakeView((normal + bold) / 2, 100);
    Say("", text, ChatKind::System);
    ASSERT_EQ(view->GetLineCount(), 2); // it would fit in the normal font
    EXPECT_EQ(view->GetLine(0).height, QFontMetrics(view->GetBoldFont()).height());

    // Drawn in the normal font: the ink of the line ends where the normal font ends it.
    ASSERT_EQ(probe->GetLineCount(), 1);
    const QImage image = probe->grab().toImage();
    const QColor background = platform::ToQColor(probe->GetBackgroundColor());
    int inkRight = 0;
    for (int y = 0; y < probe->GetLine(0).height; ++y) {
        for (int x = 0; x < probe->ClientRect().width(); ++x) {
            if (image.pixelColor(x, y) != background)
                inkRight = std::max(inkRight, x);
        }
    }
    EXPECT_LT(std::abs(inkRight - normal), std::abs(inkRight - bold));

    // A bold chat font gets a normal-weight second font.
    GetSettingsStore().WriteString("CChatView", "Font", "-13 700 0 0 1 2 2 0 \"DejaVu Sans\"");
    CChatView boldChat;
    EXPECT_EQ(boldChat.GetNormalFont().weight(), QFont::Bold);
    EXPECT_EQ(boldChat.GetBoldFont().weight(), QFont::Normal);
}

TEST_F(ChatViewTest, HostileLinesStayBoundedAndSelectable) {
    CChatView* view = MakeView(300, 100);
    Say("troll", QString(65000, 'w'));
    ASSERT_EQ(view->GetLineCount(), 2); // the name, then the word alone on its line
    EXPECT_EQ(view->GetLine(1).text.size(), 65003);
    Drag(view, At(*view, 1, 0), QPoint(200, At(*view, 1, 0).y()));
    EXPECT_GT(view->GetSelectedText().size(), 5);
    Key(view, Qt::Key_Escape);

    QString words;
    for (int i = 0; i < 20000; ++i)
        words += "ab ";
    Say("troll", words + "END");
    EXPECT_EQ(view->GetLineCount(), 300) << "display lines are bounded by the limit";
    EXPECT_TRUE(view->GetLine(299).text.endsWith("END"));
    Say("troll", QString("\r\r\n\n\r\n") + QChar(0x202E) + QChar(0) + "x");
    EXPECT_EQ(view->GetLine(view->GetLineCount() - 1).text.left(3), "   ");
}

// ---- Scrolling

TEST_F(ChatViewTest, NewLinesFollowTheNewestLineAndDropTheOldestAtTheLimit) {
    GetSettingsStore().WriteInt("CChatLog", "Chat View Length", 20);
    log->ReloadLimit();
    CChatView* view = MakeView(300, 100);
    view->resize(view->width(), 5 * LineHeight(*view));
    SayLines(30);
    EXPECT_EQ(view->GetLineCount(), 20);
    EXPECT_EQ(view->GetLine(0).text, "bob: line 10");
    EXPECT_EQ(view->GetTotalHeight(), 20 * LineHeight(*view));
    EXPECT_EQ(view->GetScrollPosition(), view->GetTotalHeight() - view->ClientRect().height());
    EXPECT_FALSE(view->IsScrolledBack());
    QScrollBar* bar = view->GetScrollBar();
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->maximum(), view->GetScrollPosition());
    EXPECT_EQ(bar->value(), view->GetScrollPosition());
    EXPECT_EQ(bar->pageStep(), view->ClientRect().height());
    EXPECT_EQ(bar->singleStep(), LineHeight(*view));
}

TEST_F(ChatViewTest, ScrolledBackOrSelectingTheViewStaysStillUntilEscape) {
    CChatView* view = MakeView(300, 100);
    const int h = LineHeight(*view);
    GetSettingsStore().WriteInt("CChatLog", "Chat View Length", 20);
    log->ReloadLimit();
    SayLines(20);

    // Scrolled back: nothing moves and nothing is dropped.
    view->GetScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    const int position = view->GetScrollPosition();
    EXPECT_EQ(position, 20 * h - view->ClientRect().height() - view->ClientRect().height());
    EXPECT_TRUE(view->IsScrolledBack());
    SayLines(15, 20);
    EXPECT_EQ(view->GetScrollPosition(), position);
    EXPECT_EQ(view->GetLineCount(), 35);
    EXPECT_EQ(view->GetLine(0).text, "bob: line 0");

    // Scrolling to the bottom by hand follows the newest line again.
    view->ScrollTo(1 << 20);
    EXPECT_FALSE(view->IsScrolledBack());
    Say("bob", "line 35");
    EXPECT_EQ(view->GetLineCount(), 20);
    EXPECT_EQ(view->GetScrollPosition(), view->GetTotalHeight() - view->ClientRect().height());

    // A selection at the bottom holds the view too, and survives new lines.
    Drag(view, At(*view, 17, 0), At(*view, 18, 4));
    ASSERT_TRUE(view->HasSelection());
    const CChatView::Selection selection = view->GetSelection();
    const QString selected = view->GetSelectedText();
    const int bottom = view->GetScrollPosition();
    SayLines(5, 36);
    EXPECT_EQ(view->GetSelection(), selection);
    EXPECT_EQ(view->GetSelectedText(), selected);
    EXPECT_EQ(view->GetScrollPosition(), bottom);
    EXPECT_EQ(view->GetLineCount(), 25);

    Key(view, Qt::Key_Escape);
    EXPECT_FALSE(view->HasSelection());
    EXPECT_FALSE(view->IsScrolledBack());
    EXPECT_EQ(view->GetScrollPosition(), view->GetTotalHeight() - view->ClientRect().height());
    Say("bob", "after escape");
    EXPECT_EQ(view->GetLineCount(), 20);
    EXPECT_EQ(view->GetLine(19).text, "bob: after escape");
}

TEST_F(ChatViewTest, TheCommandLinesScrollHintShowsTheNewestLine) {
    CChatView* view = MakeView(300, 60);
    SayLines(20);
    view->ScrollTo(0);
    view->SelectAll();
    session->UpdateAllViews(nullptr, CSessionDoc::kHintChatScroll);
    EXPECT_FALSE(view->HasSelection());
    EXPECT_EQ(view->GetScrollPosition(), view->GetTotalHeight() - view->ClientRect().height());
}

TEST_F(ChatViewTest, WideningRewrapsFromTheLogAndShowsTheNewestLine) {
    CChatView* view = MakeView(120, 60);
    for (int i = 0; i < 10; ++i)
        Say("bob", QStringLiteral("message %1 with several words in it").arg(i));
    const int narrowLines = view->GetLineCount();
    ASSERT_GT(narrowLines, 15);
    view->ScrollTo(0);
    Drag(view, At(*view, 0, 0), At(*view, 1, 2));
    view->resize(view->width() + 400, view->height());
    EXPECT_EQ(view->GetLineCount(), 10);
    EXPECT_EQ(view->GetLine(9).text, "bob: message 9 with several words in it");
    EXPECT_FALSE(view->HasSelection());
    EXPECT_FALSE(view->IsScrolledBack());
    EXPECT_EQ(view->GetScrollPosition(), view->GetTotalHeight() - view->ClientRect().height());
}

TEST_F(ChatViewTest, ChangingOnlyTheHeightKeepsTheBottomLineInPlace) {
    CChatView* view = MakeView(300, 100);
    SayLines(30);
    view->ScrollTo(view->GetScrollPosition() - 40);
    const int bottomContentY = view->GetScrollPosition() + view->ClientRect().height();
    view->resize(view->width(), 160);
    EXPECT_EQ(view->GetScrollPosition() + view->ClientRect().height(), bottomContentY);
    EXPECT_EQ(view->GetLineCount(), 30);
    // Taller than the content: the top of the content is at the top.
    view->resize(view->width(), 100 * LineHeight(*view));
    EXPECT_EQ(view->GetScrollPosition(), 0);
    EXPECT_FALSE(view->GetScrollBar()->isEnabled());
}

TEST_F(ChatViewTest, OnlyTheNewLinesAreRepainted) {
    CChatView* view = MakeView(300, 100);
    PaintSpy spy(view);
    QRegion& painted = spy.painted;
    QApplication::processEvents();
    const int h = LineHeight(*view);
    for (int i = 0; i < 25; ++i) { // the view fills, then scrolls
        painted = QRegion();
        Say("bob", QStringLiteral("line %1").arg(i));
        QApplication::processEvents(); // the view hands its changes to the window
        QApplication::processEvents(); // the window paints
        const int newTop = std::min(i * h, view->GetTotalHeight() - h - view->GetScrollPosition());
        EXPECT_EQ(painted.boundingRect(), QRect(0, newTop, view->ClientRect().width(), h)) << i;
    }
}

// ---- Selection

// What the window shows (its backing store) is what the view would draw afresh, however lines,
// bursts and scrolling interleave.
TEST_F(ChatViewTest, TheScreenMatchesAFreshDrawingAfterBurstsAndScrolling) {
    CChatView* view = MakeView(300, 100);
    auto settle = [] {
        QApplication::processEvents();
        QApplication::processEvents();
    };
    auto shown = [&] {
        settle();
        return view->screen()->grabWindow(view->winId()).toImage().copy(view->ClientRect());
    };
    auto drawn = [&] { return view->grab(view->ClientRect()).toImage(); };
    settle();
    for (int burst : {1, 3, 2, 7, 1, 12}) {
        SayLines(burst, view->GetLineCount());
        EXPECT_EQ(shown(), drawn()) << burst;
    }
    PaintSpy spy(view);
    QRegion& painted = spy.painted;
    SayLines(3, 100);
    view->GetScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    SayLines(2, 200);
    EXPECT_EQ(shown(), drawn());
    view->ScrollTo(view->GetTotalHeight());
    EXPECT_EQ(shown(), drawn());
    // A burst moves the pixels once and paints only the lines it brought.
    painted = QRegion();
    SayLines(4, 300);
    const QImage screen = shown();
    const int h = LineHeight(*view);
    const QRect client = view->ClientRect();
    EXPECT_EQ(painted.boundingRect(), QRect(0, client.height() - 4 * h, client.width(), 4 * h));
    EXPECT_EQ(screen, drawn());
}

TEST_F(ChatViewTest, SelectAllCopiesEveryDisplayLineJoinedByCrLf) {
    CChatView* view = MakeView(150, 200);
    EXPECT_FALSE(Enabled(*view, CChatView::kCmdSelectAll));
    Say("bob", "first line that is long enough to wrap around");
    Say("", "system", ChatKind::System);
    EXPECT_TRUE(Enabled(*view, CChatView::kCmdSelectAll));
    EXPECT_FALSE(Enabled(*view, CChatView::kCmdCopy));
    ASSERT_TRUE(view->OnCommand(CChatView::kCmdSelectAll));
    EXPECT_TRUE(Enabled(*view, CChatView::kCmdCopy));
    ASSERT_TRUE(view->OnCommand(CChatView::kCmdCopy));
    EXPECT_EQ(QApplication::clipboard()->text(), Lines(*view).join("\r\n") + "\r\n");
    EXPECT_TRUE(Lines(*view).join("\r\n").contains("\r\n   "));
}

TEST_F(ChatViewTest, DoubleClickSelectsTheDisplayLineUnderThePointer) {
    CChatView* view = MakeView(300, 200);
    SayLines(3);
    Mouse(view, QEvent::MouseButtonPress, At(*view, 1, 3));
    Mouse(view, QEvent::MouseButtonRelease, At(*view, 1, 3));
    Mouse(view, QEvent::MouseButtonDblClick, At(*view, 1, 3));
    Mouse(view, QEvent::MouseButtonRelease, At(*view, 1, 3));
    EXPECT_EQ(view->GetSelectedText(), "bob: line 1\r\n");
    view->Copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "bob: line 1\r\n");
}

TEST_F(ChatViewTest, DraggingSelectsFromTheFirstCharacterAndShiftClickExtendsFromTheAnchor) {
    CChatView* view = MakeView(300, 200);
    SayLines(4);
    // From the very left edge: the first character is part of the selection.
    Drag(view, QPoint(0, At(*view, 0, 0).y()), At(*view, 0, 3));
    EXPECT_EQ(view->GetSelectedText(), "bob");
    // Within a character, the nearer edge counts.
    const QFontMetrics metrics(view->GetNormalFont());
    const int bobWidth = metrics.horizontalAdvance("bob");
    const int colonRight = metrics.horizontalAdvance("bob:");
    Drag(view, At(*view, 0, 0), QPoint(bobWidth + (colonRight - bobWidth) / 4, At(*view, 0, 0).y()));
    EXPECT_EQ(view->GetSelectedText(), "bob");

    // Backwards over several lines, then Shift-click extends from the first press.
    Drag(view, At(*view, 2, 5), At(*view, 1, 0));
    EXPECT_EQ(view->GetSelectedText(), "bob: line 1\r\nbob: ");
    Mouse(view, QEvent::MouseButtonPress, At(*view, 3, 4), Qt::ShiftModifier);
    Mouse(view, QEvent::MouseButtonRelease, At(*view, 3, 4), Qt::ShiftModifier);
    EXPECT_EQ(view->GetSelection(), (CChatView::Selection{2, 5, 3, 4}));
    EXPECT_EQ(view->GetSelectedText(), "line 2\r\nbob:");

    // A click without a drag selects nothing; Copy is then disabled and leaves the clipboard alone.
    QApplication::clipboard()->setText("kept");
    Drag(view, At(*view, 1, 2), At(*view, 1, 2));
    EXPECT_FALSE(view->HasSelection());
    EXPECT_FALSE(Enabled(*view, CChatView::kCmdCopy));
    view->Copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "kept");

    // Below the last line is the last line.
    Drag(view, At(*view, 3, 0), QPoint(2000, 190));
    EXPECT_EQ(view->GetSelectedText(), "bob: line 3\r\n");
}

TEST_F(ChatViewTest, DraggingOutsideTheViewScrollsALineEachTickUntilThePointerReturns) {
    CChatView* view = MakeView(300, 100);
    const int h = LineHeight(*view);
    SayLines(40);
    view->ScrollTo(0);
    Mouse(view, QEvent::MouseButtonPress, At(*view, 0, 2));
    Mouse(view, QEvent::MouseMove, QPoint(10, view->height() + 30));
    ASSERT_TRUE(view->IsAutoScrolling());
    EXPECT_EQ(view->GetAutoScrollDirection(), 1);
    for (int tick = 1; tick <= 3; ++tick) {
        view->OnAutoScrollTimer();
        EXPECT_EQ(view->GetScrollPosition(), tick * h);
    }
    // The selection follows to the bottom edge of what is visible now.
    int line = -1;
    int character = -1;
    ASSERT_TRUE(view->HitTest(QPoint(10, view->ClientRect().height() - 1), line, character));
    EXPECT_EQ(view->GetSelection().lastLine, line);

    Mouse(view, QEvent::MouseMove, QPoint(10, 40));
    EXPECT_FALSE(view->IsAutoScrolling());
    Mouse(view, QEvent::MouseMove, QPoint(10, -5));
    EXPECT_TRUE(view->IsAutoScrolling());
    EXPECT_EQ(view->GetAutoScrollDirection(), 0);
    view->OnAutoScrollTimer();
    EXPECT_EQ(view->GetScrollPosition(), 2 * h);
    EXPECT_EQ(view->GetSelection().firstLine, 0);
    Mouse(view, QEvent::MouseButtonRelease, QPoint(10, -5));
    EXPECT_FALSE(view->IsAutoScrolling());
    EXPECT_FALSE(view->IsSelecting());
    EXPECT_TRUE(view->IsScrolledBack());
}

TEST_F(ChatViewTest, TheAutoScrollTimerTicksEvery150Milliseconds) {
    CChatView* view = MakeView(300, 100);
    SayLines(40);
    view->ScrollTo(0);
    Mouse(view, QEvent::MouseButtonPress, At(*view, 0, 2));
    Mouse(view, QEvent::MouseMove, QPoint(10, view->height() + 30));
    const int start = view->GetScrollPosition();
    ASSERT_TRUE(testenv::WaitFor([&] { return view->GetScrollPosition() > start; }, 2000));
    Mouse(view, QEvent::MouseButtonRelease, QPoint(10, 40));
    EXPECT_EQ(CChatView::kAutoScrollInterval, 150);
}

// ---- Commands

TEST_F(ChatViewTest, ClearEmptiesTheViewAndTheLog) {
    CChatView* view = MakeView(300, 100);
    EXPECT_FALSE(Enabled(*view, CChatView::kCmdClear));
    SayLines(10);
    view->SelectAll();
    EXPECT_TRUE(Enabled(*view, CChatView::kCmdClear));
    ASSERT_TRUE(view->OnCommand(CChatView::kCmdClear));
    EXPECT_EQ(view->GetLineCount(), 0);
    EXPECT_EQ(log->GetCount(), 0);
    EXPECT_EQ(view->GetTotalHeight(), 0);
    EXPECT_EQ(view->GetScrollPosition(), 0);
    EXPECT_FALSE(view->HasSelection());
    EXPECT_FALSE(view->IsScrolledBack());
    EXPECT_FALSE(view->GetScrollBar()->isEnabled());
    EXPECT_FALSE(Enabled(*view, CChatView::kCmdClear));
    EXPECT_FALSE(Enabled(*view, CChatView::kCmdCopy));
    Say("bob", "again");
    EXPECT_EQ(Lines(*view), QStringList({"bob: again"}));
}

TEST_F(ChatViewTest, TheContextMenuListsTheViewsCommandsAndTheCommandLines) {
    CChatView* view = MakeView(300, 100);
    SayLines(1);
    std::unique_ptr<QMenu> menu(view->CreateContextMenu(view->GetContextMenuId()));
    ASSERT_TRUE(menu);
    EXPECT_EQ(view->GetContextMenuId(), 105);
    QList<int> ids;
    QList<bool> enabled;
    for (QAction* action : menu->actions()) {
        ids << (action->isSeparator() ? 0 : platform::CommandId(action));
        enabled << action->isEnabled();
    }
    EXPECT_EQ(ids, (QList<int>{32832, 57634, 57632, 0, 33020, 33021, 33023, 33061, 0, 32793}));
    // Copy has no selection; the chat commands need a command line that takes them.
    EXPECT_EQ(enabled, (QList<bool>{true, false, true, true, false, false, false, false, true, true}));
    EXPECT_EQ(view->CreateContextMenu(227), nullptr);
    EXPECT_TRUE(view->WantsKey(27));
    EXPECT_TRUE(view->WantsKey(16));
    EXPECT_FALSE(view->WantsKey('A'));
}

TEST_F(ChatViewTest, PropertiesOpensTheFontPageOnTheChatView) {
    CChatView* view = MakeView(300, 100);
    int page = -1;
    int kind = -1;
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
        if (auto* sheet = qobject_cast<CGeneralPropertiesSheet*>(dialog)) {
            page = sheet->GetActiveIndex();
            kind = sheet->FontPage().GetSelectedKind();
        }
        return platform::IDCANCEL;
    });
    EXPECT_TRUE(Enabled(*view, CChatView::kCmdProperties));
    ASSERT_TRUE(view->OnCommand(CChatView::kCmdProperties));
    EXPECT_EQ(page, 0);
    EXPECT_EQ(kind, 0);
}

TEST_F(ChatViewTest, PreferenceBroadcastsReloadColoursFontsAndTheLimit) {
    CChatView* view = MakeView(300, 100);
    SayLines(30);
    GetSettingsStore().WriteInt("CChatView", "Text Colour", 0x0000FF);
    GetSettingsStore().WriteInt("CChatView", "Background Colour", 0x102030);
    GetSettingsStore().WriteString("CChatView", "Font", "-20 400 0 0 1 2 2 0 \"DejaVu Serif\"");
    GetSettingsStore().WriteInt("CChatLog", "Chat View Length", 5);
    EXPECT_FALSE(platform::SendMessageTo(view, platform::RegisterMessage("KELDERWICK_UPDATE_ICON")));
    ASSERT_TRUE(platform::SendMessageTo(view, platform::RegisterMessage("KELDERWICK_FONT_PROPERTIES_CHANGED")));
    EXPECT_EQ(view->GetTextColor(), 0x0000FFu);
    EXPECT_EQ(view->GetBackgroundColor(), 0x102030u);
    EXPECT_EQ(view->GetNormalFont().family(), "DejaVu Serif");
    EXPECT_EQ(log->GetLimit(), 5);
    EXPECT_EQ(log->GetCount(), 5);
    EXPECT_EQ(Lines(*view), QStringList({"bob: line 25", "bob: line 26", "bob: line 27", "bob: line 28", "bob: line 29"}));
    EXPECT_EQ(view->GetLine(0).height, QFontMetrics(view->GetNormalFont()).height());

    GetSettingsStore().WriteBool("CChatView", "Bold Moves", false);
    ASSERT_TRUE(platform::SendMessageTo(view, platform::RegisterMessage("KELDERWICK_VIEW_PROPERTIES_CHANGED")));
    EXPECT_FALSE(view->GetBoldMoves());
    const QImage image = view->grab().toImage();
    EXPECT_EQ(image.pixelColor(view->ClientRect().width() - 2, 2), platform::ToQColor(0x102030));
}

// ---- Printing

QString PdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", path, "-"});
    if (!pdftotext.waitForFinished(20000))
        return QString();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

TEST_F(ChatViewTest, PrintingPutsTheWholeLogOnPagesWrappedToThePaper) {
    CChatView* view = MakeView(120, 60);
    Say("", "Welcome to the lobby", ChatKind::System);
    Say("bob", "hello there", ChatKind::Tell);
    Say("carol", "LOUD", ChatKind::Shout);
    SayLines(150);
    QTemporaryDir dir;
    const QString path = dir.filePath("chat.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    const int pages = view->PrintTo(&printer);
    EXPECT_GT(pages, 1);
    const QString text = PdfText(path);
    EXPECT_EQ(text.count('\f'), pages);
    EXPECT_TRUE(text.contains("Welcome to the lobby"));
    EXPECT_TRUE(text.contains("bob tells you: hello there")) << "unwrapped on paper, though wrapped on screen";
    EXPECT_TRUE(text.contains("bob: line 0"));
    EXPECT_TRUE(text.contains("bob: line 149"));
    EXPECT_TRUE(text.contains("carol shouts: LOUD")) << "without a shout pane the chat shows shouts";
}

TEST_F(ChatViewTest, PrintAndPreviewCommandsGoThroughTheirDialogs) {
    CChatView* view = MakeView(300, 60);
    SayLines(3);
    QTemporaryDir dir;
    const QString path = dir.filePath("printed.pdf");
    int previewPages = -1;
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
        if (auto* print = qobject_cast<QPrintDialog*>(dialog)) {
            print->printer()->setOutputFormat(QPrinter::PdfFormat);
            print->printer()->setOutputFileName(path);
            return platform::IDOK;
        }
        if (auto* preview = dialog->findChild<QPrintPreviewWidget*>()) {
            preview->updatePreview();
            previewPages = preview->pageCount();
        }
        return platform::IDCANCEL;
    });
    EXPECT_TRUE(Enabled(*view, CChatView::kCmdPrint));
    ASSERT_TRUE(view->OnCommand(CChatView::kCmdPrint));
    EXPECT_TRUE(PdfText(path).contains("bob: line 2"));
    ASSERT_TRUE(view->OnCommand(CChatView::kCmdPrintPreview));
    EXPECT_EQ(previewPages, 1);
}

} // namespace
