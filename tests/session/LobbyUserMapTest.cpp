#include "session/LobbyUserMap.h"
#include "session/GameModule.h"
#include "support/SessionFixture.h"

#include <gtest/gtest.h>

using testenv::RecordingTarget;
using testenv::RecordingView;
using testenv::SessionTest;

namespace {

// A directory packet body: the total, the record count, then the records.
QString Body(int total, const QStringList& records) {
    QString body = QStringLiteral("%1 %2\n").arg(total).arg(records.size());
    for (const QString& record : records)
        body += record;
    return body;
}

// "nick" group mask presence activity
QString Record(const QString& nick, int presence = 2, int activity = 2) {
    return QStringLiteral("\"%1\" 0 3 %2 %3 \n").arg(nick).arg(presence).arg(activity);
}

class LobbyUserMapTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        ASSERT_TRUE(Login());
        view->only = {4097, 4098, 4099, 4100};
        view->hints.clear();
        target = std::make_unique<RecordingTarget>(session.get());
    }
    void TearDown() override {
        target.reset();
        SessionTest::TearDown();
    }

    std::vector<int> HintNumbers() const {
        std::vector<int> numbers;
        for (const auto& h : view->hints)
            numbers.push_back(h.hint);
        return numbers;
    }

    std::unique_ptr<RecordingTarget> target;
};

TEST_F(LobbyUserMapTest, ArrivalsAreAddedAnnouncedAndFoundWithoutRegardToCase) {
    ServerSend(97, Body(12, {Record("bob"), Record("Carol", 8, 4)}));
    EXPECT_EQ(session->GetTotalUserCount(), 12);
    EXPECT_EQ(session->GetUserMap()->GetCount(), 2);
    CClientUserInfo* bob = session->FindUser("BOB");
    ASSERT_TRUE(bob);
    EXPECT_EQ(session->FindUser("carol")->GetNickname(), "Carol");
    EXPECT_EQ(HintNumbers(), (std::vector<int>{4097, 4097}));
    EXPECT_TRUE(view->hints[0].inDirectory);
    ASSERT_EQ(target->events.size(), 2u);
    EXPECT_EQ(target->events[0].first, 4353);
    // The new record written with its own change mask: activity differs from the default, presence not.
    EXPECT_EQ(target->events[0].second, QStringLiteral("\"bob\" 0 2            2  \n"));
    EXPECT_EQ(bob->GetChangeMask(), 0u); // zero between packets
    // Read, though left to others: not a packet that nobody knows.
    EXPECT_TRUE(session->GetClientNode()->Log().RecentLines().filter("Illegal packet").isEmpty());
}

TEST_F(LobbyUserMapTest, RepeatedArrivalDifferingOnlyInCaseUpdatesTheKnownRecord) {
    ServerSend(97, Body(1, {Record("bob", 2, 2)}));
    CClientUserInfo* bob = session->FindUser("bob");
    view->hints.clear();
    target->events.clear();

    ServerSend(97, Body(1, {Record("BOB", 8, 2)}));
    EXPECT_EQ(session->GetUserMap()->GetCount(), 1);
    EXPECT_EQ(session->FindUser("bob"), bob); // the same record, no second row
    ASSERT_EQ(HintNumbers(), (std::vector<int>{4099}));
    EXPECT_EQ(view->hints[0].changeMask, UserField::Presence); // still set during the hint
    EXPECT_EQ(bob->GetChangeMask(), 0u);                       // cleared after it
    EXPECT_EQ(bob->GetPresence(), 8);
    ASSERT_EQ(target->events.size(), 1u);
    EXPECT_EQ(target->events[0].first, 4355);
    // New state with all fields, a blank, old state with all fields; each ends in a line feed.
    const QStringList parts = target->events[0].second.split("\n");
    ASSERT_EQ(parts.size(), 3);
    EXPECT_TRUE(parts[0].startsWith("\"BOB\" 0 "));
    EXPECT_TRUE(parts[1].startsWith(" \"bob\" 0 "));
    EXPECT_TRUE(parts[2].isEmpty());
}

TEST_F(LobbyUserMapTest, LeavingUsersAreRemovedBeforeTheHintAndUnknownOnesIgnored) {
    ServerSend(97, Body(2, {Record("bob"), Record("carol")}));
    view->hints.clear();
    target->events.clear();
    ServerSend(98, Body(1, {Record("nobody"), Record("BOB")}));
    EXPECT_EQ(session->GetTotalUserCount(), 1);
    EXPECT_FALSE(session->FindUser("bob"));
    EXPECT_TRUE(session->FindUser("carol"));
    ASSERT_EQ(HintNumbers(), (std::vector<int>{4098}));
    EXPECT_EQ(view->hints[0].nickname, "bob");
    EXPECT_FALSE(view->hints[0].inDirectory);
    ASSERT_EQ(target->events.size(), 1u);
    EXPECT_EQ(target->events[0].first, 4354);
    EXPECT_TRUE(target->events[0].second.startsWith("\"bob\""));
}

TEST_F(LobbyUserMapTest, ChangesApplyToKnownUsersOnlyAndKeepTheMaskDuringTheHint) {
    ServerSend(97, Body(1, {Record("bob", 2, 2)}));
    view->hints.clear();
    target->events.clear();

    // Unknown user: only the total changes.
    ServerSend(110, Body(40, {Record("stranger", 8, 8)}));
    EXPECT_EQ(session->GetTotalUserCount(), 40);
    EXPECT_TRUE(view->hints.empty());
    EXPECT_TRUE(target->events.empty());
    EXPECT_FALSE(session->FindUser("stranger"));

    ServerSend(110, Body(40, {QStringLiteral("\"bob\" 0 18 8 \".gb.bob.carol\"\n")}));
    CClientUserInfo* bob = session->FindUser("bob");
    ASSERT_EQ(HintNumbers(), (std::vector<int>{4099}));
    EXPECT_EQ(view->hints[0].changeMask, UserField::Activity | UserField::Location);
    EXPECT_EQ(bob->GetChangeMask(), 0u);
    EXPECT_EQ(bob->GetLocationText(), "bob vs. carol");
    EXPECT_EQ(bob->GetStatusText(), "Playing");
    ASSERT_EQ(target->events.size(), 1u);
    EXPECT_EQ(target->events[0].first, 4355);
    EXPECT_TRUE(
        target->events[0].second.startsWith("\"bob\" 0 18           8 \".gb.bob.carol\" \n \"bob\" 0 "));
}

TEST_F(LobbyUserMapTest, ChangeWithTheSameValuesStillAnnouncesWithAnEmptyMask) {
    ServerSend(97, Body(1, {Record("bob", 2, 2)}));
    view->hints.clear();
    target->events.clear();
    ServerSend(110, Body(1, {Record("bob", 2, 2)}));
    ASSERT_EQ(HintNumbers(), (std::vector<int>{4099}));
    EXPECT_EQ(view->hints[0].changeMask, 0u);
    ASSERT_EQ(target->events.size(), 1u);
    EXPECT_EQ(target->events[0].first, 4355);
}

TEST_F(LobbyUserMapTest, ChangeAfterLeavingIsSkipped) {
    ServerSend(97, Body(1, {Record("bob")}));
    ServerSend(98, Body(0, {Record("bob")}));
    view->hints.clear();
    ServerSend(110, Body(0, {Record("bob", 8, 8), Record("carol")}));
    EXPECT_TRUE(view->hints.empty());
    EXPECT_FALSE(session->FindUser("bob"));
}

TEST_F(LobbyUserMapTest, CountBelowOneOrMissingChangesNothingButTheTotal) {
    ServerSend(97, Body(5, {}) + Record("bob")); // count 0 with a record after it
    EXPECT_EQ(session->GetTotalUserCount(), 5);
    EXPECT_EQ(session->GetUserMap()->GetCount(), 0);
    ServerSend(97, "7");
    EXPECT_EQ(session->GetTotalUserCount(), 7);
    ServerSend(97, "");
    EXPECT_EQ(session->GetTotalUserCount(), 7);
    EXPECT_TRUE(view->hints.empty());
}

TEST_F(LobbyUserMapTest, TruncatedPacketsAndHugeCountsStopCleanly) {
    // A count far beyond the records present, and a record cut short in the middle.
    ServerSend(97, QStringLiteral("3 2147483647\n") + Record("bob") + QStringLiteral("\"carol\" 0 3 2\n") +
                       Record("dave"));
    EXPECT_EQ(session->GetUserMap()->GetCount(), 1);
    EXPECT_TRUE(session->FindUser("bob"));
    EXPECT_FALSE(session->FindUser("carol"));
    EXPECT_FALSE(session->FindUser(""));
    ServerSend(110, QStringLiteral("3 5\n\"bob\" 0 3 8"));
    EXPECT_EQ(session->FindUser("bob")->GetPresence(), 2); // the cut record changed nothing
    ServerSend(98, QStringLiteral("3 9\n\"bob"));
    EXPECT_TRUE(session->FindUser("bob"));
    EXPECT_TRUE(session->IsConnected());
}

TEST_F(LobbyUserMapTest, DisplayTextsFollowTheRecord) {
    struct Module : CBuiltInGameModuleInfo {
        QString GetScoreText(const QString&, const QString& descriptor) const override {
            return descriptor.isEmpty() ? QString() : "score " + descriptor;
        }
    } module;
    SetGameModuleInfo(&module);
    ServerSend(97, Body(3, {QStringLiteral("\"bob\" 0 2322 8 \".gb.bob.carol\" \"7 2 3\" 0\n"),
                            QStringLiteral("\"carol\" 0 2322 8 \".gb.bob.carol\" \"7 2 3\" 2\n"),
                            QStringLiteral("\"dave\" 0 16 \".mb\"\n"), Record("eve", 0, 128)}));
    ASSERT_EQ(session->GetUserMap()->GetCount(), 4);
    const CClientUserInfo* bob = session->FindUser("bob");
    EXPECT_EQ(bob->GetLocationText(), "bob vs. carol");
    EXPECT_EQ(bob->GetScoreText(), "score 7 2 3");
    const CClientUserInfo* carol = session->FindUser("carol");
    EXPECT_EQ(carol->GetLocationText(), "Private Match");
    EXPECT_EQ(carol->GetScoreText(), "-----");
    EXPECT_EQ(session->FindUser("dave")->GetLocationText(), "Backgammon Lobby");
    EXPECT_EQ(session->FindUser("dave")->GetScoreText(), "");
    const CClientUserInfo* eve = session->FindUser("eve");
    EXPECT_EQ(eve->GetLocationText(), "");
    EXPECT_EQ(eve->GetStatusText(), "Connected");
    SetGameModuleInfo(nullptr);
}

TEST_F(LobbyUserMapTest, RefreshAnnouncesEveryUserAndDestructionClearsFirst) {
    ServerSend(97, Body(2, {Record("bob"), Record("carol")}));
    view->hints.clear();
    session->RefreshUserViews();
    EXPECT_EQ(HintNumbers(), (std::vector<int>{4099, 4099}));

    // Destroying the directory: 4100 first, while the records the views hold are still valid.
    struct ClearingView : RecordingView {
        void OnUpdate(platform::View* s, int hint, platform::Object* o) override {
            if (auto* user = platform::object_cast<CUserInfo>(o))
                held.push_back(user);
            if (hint == 4100)
                for (const CUserInfo* user : held)
                    namesAtClear.append(user->GetNickname());
            RecordingView::OnUpdate(s, hint, o);
        }
        std::vector<const CUserInfo*> held;
        QStringList namesAtClear;
    } clearing;
    clearing.only = {4100};
    session->AddView(&clearing);
    session->RefreshUserViews();
    target.reset();
    session.reset();
    ASSERT_EQ(clearing.hints.size(), 1u);
    EXPECT_EQ(clearing.namesAtClear, (QStringList{"bob", "carol"}));
}

} // namespace
