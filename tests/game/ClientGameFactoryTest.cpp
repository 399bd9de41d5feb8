#include "game/ClientGameFactory.h"

#include <QDialog>

#include <gtest/gtest.h>

TEST(ClientGameFactory, ConstantsOfTheBackgammonModule) {
    const CClientGameFactory& f = CClientGameFactory::GetFactory();
    EXPECT_EQ(&f, &CClientGameFactory::GetFactory());
    EXPECT_EQ(f.GetServiceWord(), "gb");
    EXPECT_EQ(f.GetGameName(), "Backgammon");
    EXPECT_EQ(f.GetHelpAddress("https://web.example"), "https://web.example/backgammon/help/default.asp");
    EXPECT_EQ(f.GetNewsAddress("https://web.example"),
              "https://web.example/web/apps/client/motd/default.asp");
    EXPECT_EQ(f.GetDefaultGameKind(), 0);
    EXPECT_EQ(f.GetMinPlayers(0), 2);
    EXPECT_EQ(f.GetMaxPlayers(1), 2);
    EXPECT_EQ(f.GetInviteTitle(1), "Proposition Invite");
    EXPECT_EQ(f.GetInviteTitle(0), "Backgammon Invite");
    EXPECT_EQ(f.GetInviteTitle(5), "Backgammon Invite");
    EXPECT_EQ(f.GetInviteDialogTemplate(1), 322);
    EXPECT_EQ(f.GetInviteDialogTemplate(0), 148);
    EXPECT_TRUE(f.HidesPrivateScore());
    EXPECT_EQ(f.GetToolBarBitmap(false), "TBBackgammon");
    EXPECT_EQ(f.GetToolBarBitmap(true), "TBBackgammonX");
    EXPECT_EQ(f.GetUserListToolBarBitmap(true), f.GetUserListToolBarBitmap(false) + "X");
    EXPECT_EQ(f.GetTipsFileName(), "Tips.txt");
    EXPECT_EQ(f.GetMatchBoardViewClass(), "CBGMatchBoardView");
    EXPECT_EQ(f.GetMatchLogViewClass(), "CBGMatchLogView");
}

TEST(ClientGameFactory, TextsOfTheModule) {
    const CClientGameFactory& f = CClientGameFactory::GetFactory();
    EXPECT_EQ(f.GetScoreText(".gb.Ann.Bob", "7 3 2"), "3-2 of 7");
    EXPECT_EQ(f.GetScoreText(".gb.Ann.Bob", "0 12 4"), "12-4");
    EXPECT_EQ(f.GetScoreText(".gb.Ann.Bob", "7 3"), "");
    EXPECT_EQ(f.GetScoreText(".gb.Ann.Bob", "7 x 2"), "");
    EXPECT_EQ(f.GetScoreText(".gb.Ann.Bob", "7 -3 2"), "");
    // Out of the room the last match's score is no longer his.
    EXPECT_EQ(f.GetScoreText(".mb", "3 0 3"), "");
    EXPECT_EQ(f.GetScoreText("", "3 0 3"), "");
    EXPECT_EQ(f.DescribeUnfinishedMatch("k1 .gb.Ann.Bob 7 point match, 3-2"),
              "Backgammon, 7 point match, 3-2");
    EXPECT_EQ(f.DescribeUnfinishedMatch("k1 .gb.Ann.Bob"), "Backgammon match");
    // The resume questions' "Score:" line.
    EXPECT_EQ(f.DescribeUnfinishedScore("M1 .gb.Ann.Bob 5 1 3 left at 20:10"), "1-3 of 5, left at 20:10");
    EXPECT_EQ(f.DescribeUnfinishedScore("k1 .gb.Ann.Bob 7 point match, 3-2"), "7 point match, 3-2");
    EXPECT_EQ(f.DescribeUnfinishedScore("k1 .gb.Ann.Bob"), "0-0");
    EXPECT_EQ(CClientGameFactory::FormatOpponentRolledText("Thirteenchars"), "Thirteenchars has rolled.");
    EXPECT_EQ(CClientGameFactory::FormatOpponentRolledText("Fourteen_chars"), "Your opponent has rolled.");
}

TEST(ClientGameFactory, DialogsComeFromRegisteredCreators) {
    CClientGameFactory& f = CClientGameFactory::GetFactory();
    EXPECT_EQ(f.CreateInvitationDialog(0, nullptr, nullptr, false), nullptr);
    EXPECT_EQ(f.CreatePlayerInfoDialog(nullptr), nullptr);
    int askedKind = -1;
    f.SetInvitationDialogCreator([&](int kind, CInvitationManager*, CInviteData*, bool incoming) {
        askedKind = kind + (incoming ? 10 : 0);
        return new QDialog;
    });
    std::unique_ptr<QDialog> dialog(f.CreateInvitationDialog(1, nullptr, nullptr, true));
    EXPECT_NE(dialog, nullptr);
    EXPECT_EQ(askedKind, 11);
    f.SetInvitationDialogCreator(nullptr);
}
