#include "board/BgClientView.h"
#include "platform/Messages.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"

#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// The preference broadcasts reach the game window's board: play options re-read from "Backgammon",
// a scheme applied; anything that is not a scheme reloads the user's current one.
TEST(BgClientView, PreferenceMessagesChangeTheBoard) {
    testenv::ResetSettings();
    CBgClientView view;
    const platform::MessageId playOptions = platform::RegisterMessage("KELDERWICK_BG_PLAY_OPTIONS_CHANGED");
    const platform::MessageId properties = platform::RegisterMessage("KELDERWICK_BG_PROPERTIES_CHANGED");
    EXPECT_EQ(view.GetBoardCtl()->GetDisplayOptions(), CBoardDisplayOptions());

    struct Case {
        int singleClick, initialCube, dieSize;
        CBoardDisplayOptions expected;
    };
    const Case cases[] = {
        {0, 1, 120, {true, 120, false}},
        {1, 0, 5, {false, 20, true}},    // the die size is kept within 20..150 %
        {1, 7, 400, {false, 150, true}}, // an unknown cube choice shows 1
    };
    for (const Case& c : cases) {
        CSettingsStore& store = GetSettingsStore();
        store.WriteInt("Backgammon", "bEnableSingleClick", c.singleClick);
        store.WriteInt("Backgammon", "nInitialCubeValue", c.initialCube);
        store.WriteInt("Backgammon", "nDieSize", c.dieSize);
        EXPECT_TRUE(platform::SendMessageTo(&view, playOptions));
        EXPECT_EQ(view.GetBoardCtl()->GetDisplayOptions(), c.expected) << c.dieSize;
    }

    CBgSchemeObject scheme(CBgColorScheme(0, BuiltInSchemeText(0, "Blackwood")));
    ASSERT_TRUE(platform::SendMessageTo(&view, properties, 0, &scheme));
    EXPECT_TRUE(view.GetBoardCtl()->GetScheme().IsEqual(scheme.scheme));
    platform::Object notAScheme;
    ASSERT_TRUE(platform::SendMessageTo(&view, properties, 0, &notAScheme));
    EXPECT_TRUE(view.GetBoardCtl()->GetScheme().IsEqual(CBgColorScheme(-1)));
}

} // namespace

namespace {
// The board pane may narrow to its button texts: seven buttons of the style's usual width held it near
// 600 pixels, wider than a game window leaves it, which pushed the match log beside it out of sight.
TEST(BgClientView, TheButtonRowLetsThePaneNarrowToItsTexts) {
    CBgClientView view;
    EXPECT_LE(view.minimumSizeHint().width(), 420);
    for (int b = 0; b < CBgClientView::kButtonCount; ++b) {
        const QPushButton* button = view.GetButton(CBgClientView::Button(b));
        EXPECT_GE(button->minimumWidth(), button->fontMetrics().horizontalAdvance(button->text().remove('&')));
    }
}
} // namespace
