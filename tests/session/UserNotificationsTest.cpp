#include "DevServer.h"
#include "game/RuleOptions.h"
#include "session/LobbyUserMap.h"
#include "session/SessionDoc.h"
#include "session/UserNotifications.h"
#include "support/SessionFixture.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "platform/Ui.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using testenv::WaitFor;

namespace {

struct Member {
    Member(quint16 port, const QString& nickname) {
        session.SetChatLog(&chat);
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { in = true; });
        QObject::connect(&session, &CSessionDoc::serviceEntered, [this](const QString& s) { room = s; });
        session.Connect({"127.0.0.1", port, nickname, "pw", "1000 Norvale for Linux"});
    }
    ~Member() { session.SetChatLog(nullptr); }
    bool Said(const QString& text) const {
        for (const auto& line : chat.lines)
            if (line.kind == 3 && line.text == text)
                return true;
        return false;
    }
    CSessionDoc session;
    testenv::RecordingChatLog chat;
    bool in = false;
    QString room;
};

void Choose(UserNotification::Event event, int choice) {
    GetSettingsStore().WriteInt(QStringLiteral("General Preferences"),
                                QString::fromLatin1(UserNotification::ValueName(event)), choice);
}

// The directory the server really sends tells each player of his friends coming and going, of watchers
// of his match and of the opponent leaving it, each as the Notification page chose.
TEST(UserNotifications, TheDirectoryTellsOfFriendsWatchersAndTheOpponent) {
    testenv::ResetSettings();
    testenv::scriptedUi().clear();
    CDevServer server{CDevServer::Options{}};
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    Member alice(server.Port(), "alice");
    Member bob(server.Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return alice.in && bob.in; }));

    // A friend who logs in is announced in the chat log; his leaving in a box, as chosen.
    ASSERT_TRUE(alice.session.SendRelationChange("+ dave"));
    ASSERT_TRUE(WaitFor([&] { return alice.session.FindUser("bob") != nullptr; }));
    QTest::qWait(200);
    auto dave = std::make_unique<Member>(server.Port(), "dave");
    ASSERT_TRUE(WaitFor([&] { return alice.Said("Your friend dave has arrived."); }));
    EXPECT_FALSE(bob.Said("Your friend dave has arrived.")) << "not bob's friend";
    Choose(UserNotification::kAffinityDeparture, UserNotification::kMessageBox);
    dave.reset();
    ASSERT_TRUE(WaitFor([&] { return !testenv::scriptedUi().asked().empty(); }));
    EXPECT_EQ(testenv::scriptedUi().asked().back().text, "Your friend dave has left.");
    EXPECT_FALSE(alice.Said("Your friend dave has left."));

    // A match room: a watcher comes and goes; then the opponent leaves.
    CBGRuleOptions options;
    options.SetMatchLength(3);
    alice.session.AttachToGameService(".gb.alice.bob " + options.FormatText(), 1);
    ASSERT_TRUE(WaitFor([&] { return alice.room == ".gb.alice.bob"; }));
    // Both players enter with the terms they agreed, so the room sets their match up.
    bob.session.AttachToGameService(".gb.alice.bob " + options.FormatText(), 1);
    ASSERT_TRUE(WaitFor([&] { return bob.room == ".gb.alice.bob"; }));
    EXPECT_FALSE(alice.Said("bob is now watching the game.")) << "a player is no watcher";
    Member cy(server.Port(), "cy");
    ASSERT_TRUE(WaitFor([&] { return cy.in; }));
    cy.session.AttachToGameService(".gb.alice.bob", 0);
    ASSERT_TRUE(WaitFor([&] { return alice.Said("cy is now watching the game."); }));
    ASSERT_TRUE(WaitFor([&] { return bob.Said("cy is now watching the game."); }));
    Choose(UserNotification::kWatcherDeparture, UserNotification::kNone);
    cy.session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return cy.room != ".gb.alice.bob" && !cy.room.isEmpty(); }));
    QTest::qWait(200);
    EXPECT_FALSE(alice.Said("cy has stopped watching the game.")) << "the user chose none";
    bob.session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return alice.Said("bob has left the game."); }));
    EXPECT_FALSE(alice.Said("bob is now watching the game."));

    // He left the match unfinished: his coming and going is the interrupted match's.
    ASSERT_TRUE(WaitFor([&] {
        const CClientUserInfo* user = alice.session.FindUser("bob");
        return user && (user->GetGroupFlags() & UserGroup::UnfinishedMatch);
    }));
    Choose(UserNotification::kInterruptDeparture, UserNotification::kChatLog);
    bob.session.Disconnect();
    ASSERT_TRUE(WaitFor([&] { return alice.Said("bob, with whom you have an unfinished match, has left."); }));
    Member again(server.Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return alice.Said("bob, with whom you have an unfinished match, has arrived."); }));
}

} // namespace
