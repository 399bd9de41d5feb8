#include "game/BackgammonBoard.h"
#include "game/GameLogRecord.h"
#include "records/MatchLogLayout.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Every character 10 pixels wide, lines 12 high: "M" is 10 wide, the gutter 30.
class FixedMetrics : public CMatchLogMetrics {
public:
    int TextWidth(const QString& text) const override { return 10 * static_cast<int>(text.size()); }
    int LineHeight() const override { return 12; }
};

struct Entry {
    int column;
    QString text;
    bool endsLine = false;
    bool selectable = false;
    bool gameStart = false;
    bool hasPosition = false;
    bool numberLabel = false;
};

void Fill(CMatchLogLayout& layout, const std::vector<Entry>& entries) {
    int record = 0;
    for (const Entry& e : entries) {
        auto item = std::make_unique<CMatchLogTextDisplayItem>(e.text);
        item->SetFlags(e.column, e.endsLine, e.selectable, e.gameStart, e.hasPosition, e.numberLabel, record++);
        layout.AppendItem(std::move(item));
    }
}

// Each piece as "x,y,text".
QStringList Pieces(const CMatchLogLayout& layout) {
    QStringList out;
    for (int i = 0; i < layout.GetCount(); ++i) {
        for (const CMatchLogDisplayItem* piece = layout.GetItem(i); piece; piece = piece->continuation.get()) {
            const auto* text = static_cast<const CMatchLogTextDisplayItem*>(piece);
            out << QStringLiteral("%1,%2,%3").arg(piece->rect.x()).arg(piece->rect.y()).arg(text->GetText());
        }
    }
    return out;
}

// The log of a short match as the board writes it, one item per record.
void FillFromGame(CMatchLogLayout& layout) {
    CBackgammonBoard board;
    board.SetPlayers({"Ann", "Bob"}, 0, false);
    board.SetLogging(true);
    for (const char* command : {"s 3 0", "n 5 2", "m 13/8 13/11", "r 6 4", "m 1/7 12/16", "d", "a", "r 3 1",
                                "m 8/5 6/5", "d", "k", "n 1 3", "m 12/15 1/2"})
        EXPECT_EQ(board.ApplyCommand(command), 1) << command;
    int record = 0;
    while (std::unique_ptr<CGameLogRecord> r = board.PopLogRecord()) {
        auto item = std::make_unique<CMatchLogTextDisplayItem>(r->text);
        item->SetFlags(r->column, r->endsLine, r->selectable, r->gameStart, r->hasPosition, r->numberLabel, record++);
        layout.AppendItem(std::move(item));
    }
}

} // namespace

TEST(MatchLogLayout, ColumnsShareTheWidthRightOfAGutterOfThreeEms) {
    const FixedMetrics metrics;
    struct Case {
        int width;
        int columns;
        std::vector<int> x;
    } cases[] = {
        {230, 2, {0, 30, 130, 230}},
        {231, 2, {0, 30, 130, 231}},
        {400, 2, {0, 30, 215, 400}},
        {400, 3, {0, 30, 153, 276, 400}},
        {20, 2, {0, 30, 25, 20}}, // narrower than the gutter: still no crash
    };
    for (const Case& c : cases) {
        CMatchLogLayout layout;
        layout.SetColumnCount(c.columns);
        layout.Layout(0, c.width, metrics);
        EXPECT_EQ(layout.GetColumnPositions(), c.x) << c.width << " " << c.columns;
        EXPECT_EQ(layout.GetHeaderHeight(), 13);
        EXPECT_EQ(layout.GetListHeight(), 0);
    }
}

TEST(MatchLogLayout, ItemsFlowAlongTheirColumnsAndWrapAtBlanks) {
    struct Case {
        const char* name;
        int width;
        bool marks;
        std::vector<Entry> entries;
        QStringList pieces;
        int listHeight;
    } cases[] = {
        {"a line that fits", 230, false, {{0, "1"}, {1, "52:"}}, {"0,0,1", "30,0,52:"}, 12},
        {"a long first column pushes the second to the next line and the play wraps at a blank", 230, false,
         {{0, "1"}, {1, "52:"}, {1, " 13/8 13/11"}, {2, "64:"}, {2, " 24/18 13/9", true}},
         {"0,0,1", "30,0,52:", "60,0, 13/8 13/11", "130,12,64:", "160,12, 24/18 ", "140,24,13/9"}, 36},
        {"a word wider than the column is cut after the word, never inside", 130, false,
         {{0, "1"}, {1, "abcdefghijkl mn"}}, {"0,0,1", "40,12,abcdefghijkl ", "40,24,mn"}, 36},
        {"an entry that ends its line sends the next of its column down", 230, false,
         {{1, "a", true}, {1, "b"}}, {"30,0,a", "30,12,b"}, 24},
        {"a lower column starts a new line", 230, false, {{2, "a"}, {1, "b"}}, {"130,0,a", "30,12,b"}, 24},
        {"an empty text takes a line and no width", 230, false, {{0, "1"}, {1, ""}}, {"0,0,1", "30,0,"}, 12},
        {"shown marks move an entry with a position right by a line height", 230, true,
         {{0, "1"}, {1, "52:"}, {1, " 8/5", false, true, false, true}}, {"0,0,1", "30,0,52:", "72,0, 8/5"}, 12},
        {"hidden marks leave it in place", 230, false,
         {{0, "1"}, {1, "52:"}, {1, " 8/5", false, true, false, true}}, {"0,0,1", "30,0,52:", "60,0, 8/5"}, 12},
    };
    const FixedMetrics metrics;
    for (const Case& c : cases) {
        CMatchLogLayout layout;
        layout.SetShowMarks(c.marks);
        Fill(layout, c.entries);
        layout.Layout(0, c.width, metrics);
        EXPECT_EQ(Pieces(layout), c.pieces) << c.name;
        EXPECT_EQ(layout.GetListHeight(), c.listHeight) << c.name;
        EXPECT_EQ(layout.GetItem(0)->rect.height(), 12) << c.name;
    }
}

TEST(MatchLogLayout, SplittingAndJoiningAgainGivesBackTheTextWithItsBlanks) {
    const QStringList texts = {" 24/18 13/9", "Game 12: Ann 11, Bob 10 (25 point match, Crawford game)",
                               "two  blanks   and three ", " Offers to resign a backgammon", "nobreakatallinthisword",
                               " "};
    const FixedMetrics metrics;
    for (int width : {40, 90, 150, 233, 410}) {
        CMatchLogLayout layout;
        Fill(layout, {{0, "1"}});
        for (const QString& text : texts)
            Fill(layout, {{1, text, true, true}});
        layout.Layout(0, width, metrics);
        for (int i = 1; i < layout.GetCount(); ++i) {
            const auto* item = static_cast<const CMatchLogTextDisplayItem*>(layout.GetItem(i));
            EXPECT_EQ(item->GetFullText(), texts[i - 1]) << width;
            // Only the last piece ends the line; every piece keeps the item's column and record.
            for (const CMatchLogDisplayItem* piece = item; piece; piece = piece->continuation.get()) {
                EXPECT_EQ(piece->endsLine, piece->continuation == nullptr) << width;
                EXPECT_EQ(piece->column, 1);
                EXPECT_EQ(piece->recordIndex, item->recordIndex);
            }
        }
        // A wider layout joins the pieces back.
        layout.Layout(0, 5000, metrics);
        for (int i = 1; i < layout.GetCount(); ++i) {
            const auto* item = static_cast<const CMatchLogTextDisplayItem*>(layout.GetItem(i));
            EXPECT_EQ(item->continuation, nullptr);
            EXPECT_EQ(item->GetText(), texts[i - 1]);
            EXPECT_TRUE(item->endsLine);
        }
    }
}

TEST(MatchLogLayout, TheBreakFallsAfterTheLastBlankThatFits) {
    const FixedMetrics metrics;
    struct Case {
        QString text;
        int width;
        int at;
    } cases[] = {
        {"ab cd ef", 50, 6},   // "ab cd" is exactly 50 wide: the break follows the blank after it
        {"ab cd ef", 49, 3},   // "ab " fits, "ab cd" does not
        {"ab cd ef", 80, 8},   // everything fits: no break
        {"abcdef gh", 20, 7},  // the first word does not fit: cut after it
        {" 13/8 13/11", 60, 6}, // a leading blank is no break
        {"abc", 10, 3},        // one word: no break
        {"", 10, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CMatchLogTextDisplayItem::FindBreak(c.text, metrics, c.width), c.at) << c.text.toStdString() << " "
                                                                                          << c.width;
}

TEST(MatchLogLayout, HitTestFindsTheSelectableEntryAtAPointAndNothingBelowTheList) {
    const FixedMetrics metrics;
    CMatchLogLayout layout;
    Fill(layout, {{0, "1", false, false, false, false, true},
                  {1, "52:"},
                  {1, " 13/8 13/11", false, true, true, true},
                  {2, "64:"},
                  {2, " 24/18 13/9", true, true, false, true}});
    EXPECT_EQ(layout.HitTest(10, 10), -1) << "nothing laid out yet";
    layout.Layout(0, 230, metrics);
    struct Case {
        int x, y, hit;
    } cases[] = {
        {35, 5, 2},   // on the roll: on to the play
        {65, 5, 2},   {165, 5, 2}, // right of the play on its line
        {135, 14, 4}, // on the second column's roll
        {235, 30, 4}, // on the wrapped rest of the play
        {5, 36, -1},  // below the last entry
        {5, 500, -1}, {5, -1, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(layout.HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;

    CMatchLogLayout empty;
    empty.Layout(0, 230, metrics);
    EXPECT_EQ(empty.HitTest(0, 0), -1);
}

TEST(MatchLogLayout, NavigationKeysOverAGameLog) {
    const FixedMetrics metrics;
    CMatchLogLayout layout;
    FillFromGame(layout);
    ASSERT_EQ(layout.GetCount(), 21);
    layout.Layout(0, 600, metrics);
    ASSERT_EQ(layout.GetListHeight(), 96);
    using L = CMatchLogLayout;
    struct Case {
        int key;
        bool jump;
        int from;
        int page;
        int to;
    } cases[] = {
        {L::kKeyRight, false, 4, 24, 6},   {L::kKeyEnter, false, 6, 24, 8},
        {L::kKeySpace, true, 20, 24, 20},  // nothing after the last entry
        {L::kKeyLeft, false, 8, 24, 6},    {L::kKeyLeft, false, 4, 24, 4},
        {L::kKeyUp, false, 12, 24, 8},     {L::kKeyUp, false, 4, 24, 4},
        {L::kKeyDown, false, 4, 24, 8},    {L::kKeyDown, false, 15, 24, 20},
        {L::kKeyHome, false, 12, 24, 4},   {L::kKeyEnd, false, 4, 24, 20},
        {L::kKeyPageDown, true, 6, 24, 20},  // the next game's first move
        {L::kKeyPageDown, true, 20, 24, 20}, // no next game
        {L::kKeyPageUp, true, 16, 24, 4},    // this game's start
        {L::kKeyPageUp, true, 20, 24, 4},    // from a game's start to the one before
        {L::kKeyPageDown, false, 4, 24, 15}, {L::kKeyPageUp, false, 15, 24, 8},
        {L::kKeyPageUp, false, 4, 100, 4},   // above the list: the first entry
        {L::kKeyPageDown, false, 16, 100, 16}, // below the list: where it was
        {L::kKeyEscape, false, 9, 24, 9},   {99, false, 9, 24, 9},
        {L::kKeyRight, false, 500, 24, 20},  // a selection out of range is taken as the last entry
    };
    for (const Case& c : cases)
        EXPECT_EQ(layout.NavigateTarget(c.key, c.jump, c.from, c.page), c.to)
            << "key " << c.key << " jump " << c.jump << " from " << c.from;

    CMatchLogLayout empty;
    empty.Layout(0, 400, metrics);
    for (int key : {L::kKeyHome, L::kKeyEnd, L::kKeyLeft, L::kKeyRight, L::kKeyUp, L::kKeyDown, L::kKeyPageUp})
        EXPECT_EQ(empty.NavigateTarget(key, false, 0, 24), 0);
}

TEST(MatchLogLayout, RangesAndDisplayedEntriesStayInsideTheList) {
    CMatchLogLayout layout;
    FillFromGame(layout);
    struct Case {
        int index, displayed, rangeStart;
    } cases[] = {
        {-1, -1, 0}, {0, -1, 0}, {1, 0, 0},
        {4, 3, 0},   // a play shows the position after the roll before it
        {8, 6, 6},   // after a number label: back over it to the play before
        {20, 19, 16}, {21, -1, 20}, {500, -1, 20},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(layout.DisplayedItemFor(c.index), c.displayed) << c.index;
        EXPECT_EQ(layout.RangeStartItem(c.index), c.rangeStart) << c.index;
    }
    EXPECT_EQ(layout.GetLineMoveIndex(-1), -1);
    EXPECT_EQ(layout.GetLineMoveIndex(21), -1);
    EXPECT_EQ(layout.GetLineMoveIndex(4), 4);

    layout.RemoveItemsFrom(10);
    EXPECT_EQ(layout.GetCount(), 10);
    layout.RemoveItemsFrom(-3);
    EXPECT_EQ(layout.GetCount(), 0);
    EXPECT_EQ(layout.GetListHeight(), 0);
}

TEST(MatchLogLayout, MarkerBoxesOnlyWhileMarksAreShown) {
    const FixedMetrics metrics;
    CMatchLogLayout layout;
    Fill(layout, {{0, "1"}, {1, "52:"}, {1, " 8/5", false, true, false, true}});
    layout.Layout(0, 230, metrics);
    EXPECT_TRUE(layout.GetMarkerRect(2).isNull());
    layout.SetShowMarks(true);
    layout.Layout(0, 230, metrics);
    EXPECT_EQ(layout.GetMarkerRect(2), QRect(60, 0, 12, 12));
    EXPECT_TRUE(layout.GetMarkerRect(1).isNull());
    EXPECT_TRUE(layout.GetMarkerRect(3).isNull());
    EXPECT_TRUE(layout.GetMarkerRect(-1).isNull());
}
