#include "DevServer.h"
#include "board/MoneyInviteResponsePtr.h"
#include "game/LeagueInviteInfo.h"
#include "lobby/AffinityListView.h"
#include "lobby/BlindFrameWnd.h"
#include "lobby/UserListModel.h"
#include "lobby/invite/WagerAmount.h"
#include "mail/MessageHeader.h"
#include "mail/MessagingSubDocument.h"
#include "net/DatabaseTransaction.h"
#include "net/TransmittableObject.h"
#include "lobby/RelationsSubDoc.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/ResumeMatchReceiverDlg.h"
#include "lobby/invite/WaitingForResumeMatchDlg.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/TestEnvironment.h"
#include "prefs/ChangePswd.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SessionFixture.h"
#include "support/SettingsFixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

using testenv::RecordingChatLog;
using testenv::WaitFor;

namespace {

// One client of the development server: a real session with a chat log.
struct Client {
    Client(quint16 port, const QString& nickname, const QString& password = "any") {
        session.SetChatLog(&chat);
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { accepted = true; });
        QObject::connect(&session, &CSessionDoc::loginRefused, [this](const QString& r) { refused = r; });
        CClientNode::LoginRequest request;
        request.host = "127.0.0.1";
        request.port = port;
        request.nickname = nickname;
        request.password = password;
        request.clientVersionText = "1000 Norvale for Linux";
        session.Connect(request);
    }
    bool WaitIn() {
        return WaitFor([this] { return accepted || !refused.isEmpty(); }) && accepted;
    }
    bool HasLine(const QString& text) const {
        return std::any_of(chat.lines.begin(), chat.lines.end(),
                           [&](const auto& l) { return l.text == text; });
    }

    CSessionDoc session;
    RecordingChatLog chat;
    bool accepted = false;
    QString refused;
};

class DevServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    }
    CDevServer server{CDevServer::Options{}};
};

TEST_F(DevServerTest, TwoClientsSeeEachOtherArriveAndLeave) {
    Client alice(server.Port(), "alice");
    ASSERT_TRUE(alice.WaitIn());
    ASSERT_TRUE(WaitFor([&] { return alice.session.FindUser("alice"); }));
    EXPECT_EQ(alice.session.GetTotalUserCount(), 1);
    EXPECT_TRUE(WaitFor([&] { return alice.HasLine("Welcome to the Norvale development server, alice."); }));

    auto bob = std::make_unique<Client>(server.Port(), "Bob");
    ASSERT_TRUE(bob->WaitIn());
    ASSERT_TRUE(WaitFor([&] { return alice.session.FindUser("bob") && bob->session.FindUser("ALICE"); }));
    EXPECT_EQ(alice.session.GetTotalUserCount(), 2);
    const CClientUserInfo* seen = alice.session.FindUser("bob");
    EXPECT_EQ(seen->GetNickname(), "Bob");
    EXPECT_EQ(seen->GetLocationText(), "Backgammon Lobby");
    EXPECT_FLOAT_EQ(seen->GetRating(), 1500.0f);

    bob.reset();
    ASSERT_TRUE(WaitFor([&] { return !alice.session.FindUser("bob"); }));
    EXPECT_EQ(alice.session.GetTotalUserCount(), 1);
    EXPECT_EQ(server.UserCount(), 1);
}

TEST_F(DevServerTest, RefusesTakenAndInvalidNicknamesAndWrongPasswords) {
    Client first(server.Port(), "alice");
    ASSERT_TRUE(first.WaitIn());
    Client twin(server.Port(), "ALICE");
    EXPECT_FALSE(twin.WaitIn());
    EXPECT_EQ(twin.refused, "ALICE is already logged in.");
    Client odd(server.Port(), "no way");
    EXPECT_FALSE(odd.WaitIn());
    EXPECT_EQ(odd.refused, "A nickname has 1 to 24 letters and digits.");

    CDevServer strict(CDevServer::Options{.password = "right"});
    ASSERT_TRUE(strict.Listen(QHostAddress::LocalHost, 0));
    Client wrong(strict.Port(), "carol", "wrong");
    EXPECT_FALSE(wrong.WaitIn());
    Client right(strict.Port(), "carol", "right");
    EXPECT_TRUE(right.WaitIn());
}

TEST_F(DevServerTest, OutdatedClientsAreRefusedWithTheUpdate) {
    struct Case {
        const char* name;
        int minVersion;
        const char* updateAddress;
        bool accepted;
    };
    const Case cases[] = {
        {"no minimum", 0, "", true},
        {"at the minimum", 1000, "https://127.0.0.1:9/NorvaleSetup.run", true},
        {"below, with an update", 1001, "https://127.0.0.1:9/NorvaleSetup.run", false},
        {"below, nothing to offer", 1001, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDevServer versioned(CDevServer::Options{
            .minVersion = c.minVersion, .updateAddress = c.updateAddress, .updateSize = 4096});
        ASSERT_TRUE(versioned.Listen(QHostAddress::LocalHost, 0));
        Client client(versioned.Port(), "alice"); // version 1000
        EXPECT_EQ(client.WaitIn(), c.accepted);
        if (c.accepted)
            continue;
        EXPECT_EQ(client.refused, "This version of the Norvale client is no longer supported.");
        const CLoginRefusedPacket& refusal = client.session.GetLoginRefusal();
        EXPECT_EQ(refusal.updateAddress, c.updateAddress);
        EXPECT_EQ(refusal.updateSize, *c.updateAddress ? 4096u : 0u);
    }
}

TEST_F(DevServerTest, RelaysRoomChatAndRoutesTellsAndTalk) {
    Client alice(server.Port(), "alice");
    Client bob(server.Port(), "bob");
    ASSERT_TRUE(alice.WaitIn() && bob.WaitIn());
    alice.session.SendChat("hello room", ChatKind::Said);
    ASSERT_TRUE(WaitFor([&] { return bob.HasLine("hello room") && alice.HasLine("hello room"); }));
    EXPECT_EQ(bob.chat.lines.back().name, "alice");

    alice.session.SendChat("just you", ChatKind::Tell, "BOB");
    ASSERT_TRUE(WaitFor([&] { return bob.HasLine("just you"); }));
    EXPECT_EQ(bob.chat.lines.back().kind, ChatKind::Tell);
    EXPECT_FALSE(alice.HasLine("just you"));

    alice.session.SendChat("anyone?", ChatKind::Tell, "ghost");
    ASSERT_TRUE(WaitFor([&] { return alice.HasLine("Message to ghost could not be delivered"); }));

    const QString text = "alice: a word";
    alice.session.OpenTalk(&text, {"alice", "bob"});
    ASSERT_TRUE(WaitFor([&] { return bob.HasLine(text); })); // no talk windows here: shown as a tell
    EXPECT_EQ(bob.chat.lines.back().name, "alice");
}

TEST_F(DevServerTest, AwayStateAndRoomsReachTheOthersDirectory) {
    Client alice(server.Port(), "alice");
    Client bob(server.Port(), "bob");
    ASSERT_TRUE(alice.WaitIn() && bob.WaitIn());
    ASSERT_TRUE(WaitFor([&] { return bob.session.FindUser("alice"); }));

    alice.session.SetAwayState(true, false);
    ASSERT_TRUE(
        WaitFor([&] { return bob.session.FindUser("alice")->GetPresence() == CUserInfo::kPresenceAway; }));
    EXPECT_EQ(bob.session.FindUser("alice")->GetStatusText(), "Away");

    QString entered;
    QObject::connect(&alice.session, &CSessionDoc::serviceEntered, [&](const QString& s) { entered = s; });
    alice.session.AttachToGameService(".gb.alice.bob", 1);
    ASSERT_TRUE(WaitFor([&] { return entered == ".gb.alice.bob"; }));
    ASSERT_TRUE(
        WaitFor([&] { return bob.session.FindUser("alice")->GetActivity() == CUserInfo::kActivityPlaying; }));
    EXPECT_EQ(bob.session.FindUser("alice")->GetLocationText(), "alice vs. bob");

    // carol asks the server where alice is and follows her there as a watcher.
    Client carol(server.Port(), "carol");
    ASSERT_TRUE(carol.WaitIn());
    QString carolIn;
    QObject::connect(&carol.session, &CSessionDoc::serviceEntered, [&](const QString& s) { carolIn = s; });
    carol.session.SendWatchRequest("alice", "Watch_Player_Cookie");
    ASSERT_TRUE(WaitFor([&] { return carolIn == ".gb.alice.bob"; }));
    ASSERT_TRUE(WaitFor([&] {
        return bob.session.FindUser("carol") &&
               bob.session.FindUser("carol")->GetActivity() == CUserInfo::kActivityWatching;
    }));

    alice.session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return entered == ".mb"; }));
    ASSERT_TRUE(
        WaitFor([&] { return bob.session.FindUser("alice")->GetLocationText() == "Backgammon Lobby"; }));
}

TEST_F(DevServerTest, ChatCommandsOfTheServer) {
    Client alice(server.Port(), "alice");
    Client bob(server.Port(), "bob");
    ASSERT_TRUE(alice.WaitIn() && bob.WaitIn());
    alice.session.Send(58, "PRIVATE ");
    ASSERT_TRUE(WaitFor([&] {
        return bob.session.FindUser("alice") && bob.session.FindUser("alice")->GetMatchPrivacy() == 2;
    }));
    EXPECT_EQ(bob.session.FindUser("alice")->GetLocationText(), "Private Match");
    alice.session.Send(58, "DANCE now");
    ASSERT_TRUE(WaitFor([&] { return alice.HasLine("ERROR - unrecognized command - DANCE"); }));
    alice.session.Notify("The tournament starts at eight.");
    ASSERT_TRUE(WaitFor([&] { return bob.HasLine("The tournament starts at eight."); }));
    EXPECT_EQ(bob.chat.lines.back().kind, ChatKind::System);
}

TEST_F(DevServerTest, KicksNeedTheRightAndEndTheKickedConnection) {
    struct Case {
        quint32 rights;
        const char* body;
        const char* kickerLine;
        bool bobStays;
    };
    const Case cases[] = {
        {0x10001, "bob", "You may not kick players.", true},
        {0x10041, "nobody", "nobody is not connected to the server.", true},
        {0x10041, "bob flooding", "bob has been removed from the server.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        CDevServer::Options options;
        options.rightsMask = c.rights;
        CDevServer kicking{options};
        ASSERT_TRUE(kicking.Listen(QHostAddress::LocalHost, 0));
        Client alice(kicking.Port(), "alice");
        Client bob(kicking.Port(), "bob");
        ASSERT_TRUE(alice.WaitIn() && bob.WaitIn());
        bool bobClosed = false;
        QObject::connect(&bob.session, &CSessionDoc::connectionClosed, [&] { bobClosed = true; });
        alice.session.Send(208, c.body, -1, ".");
        ASSERT_TRUE(WaitFor([&] { return alice.HasLine(c.kickerLine); }));
        if (!c.bobStays) {
            EXPECT_TRUE(WaitFor([&] { return bobClosed; }));
            EXPECT_TRUE(bob.HasLine("You have been removed from the server by alice: flooding"));
        } else {
            EXPECT_FALSE(bobClosed);
        }
    }
}

bool isFriendIn(const Client& viewer, const QString& nickname) {
    const CClientUserInfo* user = viewer.session.FindUser(nickname);
    return user && (user->GetGroupFlags() & UserGroup::Friend) != 0;
}

TEST_F(DevServerTest, MembersBefriendBlindAndGagEachOtherAndFindTheirListsAgain) {
    using List = CRelationsSubDoc::List;
    auto alice = std::make_unique<Client>(server.Port(), "alice");
    Client bob(server.Port(), "Bob");
    ASSERT_TRUE(alice->WaitIn() && bob.WaitIn());
    CRelationsSubDoc* relations = CRelationsSubDoc::Attach(alice->session);
    ASSERT_TRUE(WaitFor([&] { return relations->HasReceivedAll(); }));
    EXPECT_TRUE(relations->GetList(List::Friends).IsEmpty());
    ASSERT_TRUE(WaitFor([&] { return alice->session.FindUser("bob") && bob.session.FindUser("alice"); }));

    // Nobody befriends himself; a member who is not here can be listed.
    relations->ChangeAffinityList("bob carol alice", true);
    ASSERT_TRUE(WaitFor([&] { return relations->IsAffinity("BOB") && relations->IsAffinity("carol"); }));
    EXPECT_FALSE(relations->IsAffinity("alice"));
    EXPECT_EQ(server.Relations().Names("alice", CRelationStore::List::Friends),
              QStringList({"bob", "carol"}));
    // Her friends carry the friend flag in her own directory only.
    ASSERT_TRUE(WaitFor([&] { return isFriendIn(*alice, "bob"); }));
    EXPECT_FALSE(isFriendIn(bob, "alice"));

    relations->ChangeGagList("bob", true);
    ASSERT_TRUE(WaitFor([&] { return relations->IsGagged("bob"); }));
    bob.session.SendChat("can you hear me", ChatKind::Said);
    ASSERT_TRUE(WaitFor([&] { return bob.HasLine("can you hear me"); }));
    alice->session.SendChat("quiet here", ChatKind::Said);
    ASSERT_TRUE(WaitFor([&] { return alice->HasLine("quiet here"); }));
    EXPECT_FALSE(alice->HasLine("can you hear me"));

    relations->ChangeAffinityList("BOB", false);
    relations->ChangeBlindList("bob", true);
    ASSERT_TRUE(WaitFor([&] { return relations->IsBlinded("bob") && !relations->IsAffinity("bob"); }));
    ASSERT_TRUE(WaitFor([&] { return !isFriendIn(*alice, "bob"); }));
    relations->ChangeAffinityList("bob", true);
    ASSERT_TRUE(WaitFor([&] { return relations->IsAffinity("bob"); }));

    // Back after a new login, she finds all three lists as she left them, and bob as her friend.
    alice.reset();
    ASSERT_TRUE(WaitFor([&] { return !bob.session.FindUser("alice"); }));
    alice = std::make_unique<Client>(server.Port(), "alice");
    ASSERT_TRUE(alice->WaitIn());
    relations = CRelationsSubDoc::Attach(alice->session);
    ASSERT_TRUE(WaitFor([&] { return relations->HasReceivedAll(); }));
    EXPECT_TRUE(relations->IsGagged("bob"));
    EXPECT_TRUE(relations->IsBlinded("bob"));
    EXPECT_TRUE(relations->IsAffinity("carol"));
    EXPECT_TRUE(relations->IsAffinity("bob"));
    ASSERT_TRUE(WaitFor([&] { return isFriendIn(*alice, "bob"); }));
    // Bob's lists are his own.
    CRelationsSubDoc* bobs = CRelationsSubDoc::Attach(bob.session);
    ASSERT_TRUE(WaitFor([&] { return bobs->HasReceivedAll(); }));
    EXPECT_TRUE(bobs->GetList(List::Gag).IsEmpty());
    EXPECT_TRUE(bobs->GetList(List::Friends).IsEmpty());
}

TEST_F(DevServerTest, RelationRequestsChangeOnlyTheSendersOwnLists) {
    Client alice(server.Port(), "alice");
    Client bob(server.Port(), "bob");
    ASSERT_TRUE(alice.WaitIn() && bob.WaitIn());
    testenv::RecordingTarget received(&alice.session);
    // alice writes bob's name into the request: nothing changes, and no list comes back.
    alice.session.Send(199, "~ bob + alice", -1, ".db");
    alice.session.Send(173, "~ alice * bob", -1, ".db");
    alice.session.Send(173, "garbage", -1, ".db");
    CRelationsSubDoc* relations = CRelationsSubDoc::Attach(alice.session);
    ASSERT_TRUE(WaitFor([&] { return relations->HasReceivedAll(); }));
    EXPECT_TRUE(server.Relations().Names("bob", CRelationStore::List::Friends).isEmpty());
    EXPECT_TRUE(relations->GetList(CRelationsSubDoc::List::Gag).IsEmpty());
    std::vector<int> lists;
    for (const auto& [type, text] : received.packets) {
        if (type == 189 || type == 202 || type == 235)
            lists.push_back(type);
    }
    EXPECT_EQ(lists, (std::vector<int>{189, 202, 235})); // the answers to her own three requests only

    CRelationStore store;
    EXPECT_FALSE(store.Apply("bob", CRelationStore::List::Gag, "~ alice + carol"));
    EXPECT_TRUE(store.Apply("bob", CRelationStore::List::Gag, "~ BOB + carol Carol b@d"));
    EXPECT_EQ(store.FormatList("bob", CRelationStore::List::Gag), "~ bob = carol");
    EXPECT_TRUE(store.Apply("bob", CRelationStore::List::Gag, "~ bob - CAROL ghost"));
    EXPECT_EQ(store.FormatList("bob", CRelationStore::List::Gag), "~ bob =");
}

TEST_F(DevServerTest, TheFriendsWindowFollowsAFriendComingAndGoing) {
    Client alice(server.Port(), "alice");
    ASSERT_TRUE(alice.WaitIn());
    CRelationsSubDoc* relations = CRelationsSubDoc::Attach(alice.session);
    relations->ChangeAffinityList("bob", true);
    ASSERT_TRUE(WaitFor([&] { return relations->IsAffinity("bob"); }));
    testenv::RecordingTarget received(&alice.session);
    QPointer<CAffinityFrameWnd> frame = CAffinityFrameWnd::ShowFriends(alice.session);
    ASSERT_TRUE(frame);
    auto* view = dynamic_cast<CAffinityListView*>(frame->GetView());
    ASSERT_NE(view, nullptr);
    const auto statusOfBob = [&] {
        if (view->GetRowCount() != 1)
            return QStringLiteral("(rows: %1)").arg(view->GetRowCount());
        return view->GetModel()->data(view->GetModel()->index(0, 1)).toString();
    };
    ASSERT_TRUE(WaitFor([&] { return view->GetRowCount() == 1; }));
    EXPECT_EQ(statusOfBob(), ""); // not connected

    auto bob = std::make_unique<Client>(server.Port(), "bob");
    ASSERT_TRUE(bob->WaitIn());
    EXPECT_TRUE(WaitFor([&] { return statusOfBob() == "Ready"; })) << statusOfBob().toStdString();
    bob.reset();
    EXPECT_TRUE(WaitFor([&] { return statusOfBob() == ""; })) << statusOfBob().toStdString();
    std::vector<QString> notices;
    for (const auto& [type, text] : received.packets) {
        if (type == 206)
            notices.push_back(text);
    }
    EXPECT_EQ(notices, (std::vector<QString>{"alice + bob", "alice - bob"}));
    frame->close();
}

TEST_F(DevServerTest, MalformedFramesEndOnlyThatConnection) {
    Client alice(server.Port(), "alice");
    ASSERT_TRUE(alice.WaitIn());
    QTcpSocket raw;
    raw.connectToHost(QHostAddress::LocalHost, server.Port());
    ASSERT_TRUE(raw.waitForConnected(2000));
    raw.write(QByteArray("\x00\x00garbage", 9));
    raw.flush();
    ASSERT_TRUE(WaitFor([&] { return raw.state() == QAbstractSocket::UnconnectedState; }));
    alice.session.SendChat("still fine", ChatKind::Said);
    EXPECT_TRUE(WaitFor([&] { return alice.HasLine("still fine"); }));
}

TEST_F(DevServerTest, AccountChangesAreAnswered) {
    CDevServer strict(CDevServer::Options{.password = "right"});
    ASSERT_TRUE(strict.Listen(QHostAddress::LocalHost, 0));
    Client alice(strict.Port(), "alice", "right");
    ASSERT_TRUE(alice.WaitIn());
    std::vector<std::pair<int, QString>> answers;
    alice.session.SetEmailChangeHandler([&](int type, const QString& text) {
        answers.push_back({type, text});
        return true;
    });
    alice.session.SendEmailChallengeResponse("alice", "alice@example.org");
    ASSERT_TRUE(WaitFor([&] { return answers.size() == 1; }));
    EXPECT_EQ(answers[0], std::make_pair(192, QString("alice Y")));
    alice.session.SendEmailChallengeResponse("alice", "not-an-address");
    ASSERT_TRUE(WaitFor([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers[1].second, "alice N");

    alice.session.Send(251, CChangePswd::FormatRequest("wrong", "next"), -1, ".db");
    ASSERT_TRUE(WaitFor([&] { return alice.HasLine("Your password was not changed: the old password is not correct."); }));
    alice.session.Send(251, CChangePswd::FormatRequest("right", "next"), -1, ".db");
    ASSERT_TRUE(WaitFor([&] { return alice.HasLine("Your password has been changed."); }));
    Client withOld(strict.Port(), "bob", "right");
    EXPECT_FALSE(withOld.WaitIn());
    Client withNew(strict.Port(), "carol", "next");
    EXPECT_TRUE(withNew.WaitIn());
}

TEST_F(DevServerTest, AMatchLeftUnfinishedIsResumedByBothPlayers) {
    Client alice(server.Port(), "alice");
    Client bob(server.Port(), "bob");
    ASSERT_TRUE(alice.WaitIn() && bob.WaitIn());
    CInvitationManager aliceInvites(&alice.session);
    CInvitationManager bobInvites(&bob.session);
    QString aliceIn, bobIn;
    QObject::connect(&alice.session, &CSessionDoc::serviceEntered, [&](const QString& s) { aliceIn = s; });
    QObject::connect(&bob.session, &CSessionDoc::serviceEntered, [&](const QString& s) { bobIn = s; });

    // Both enter the match, alice leaves it: each of them now has it unfinished.
    alice.session.AttachToGameService(".gb.alice.bob", 1);
    bob.session.AttachToGameService(".gb.alice.bob", 1);
    ASSERT_TRUE(WaitFor([&] { return aliceIn == ".gb.alice.bob" && bobIn == ".gb.alice.bob"; }));
    alice.session.DetachFromGameService();
    bob.session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] {
        return aliceIn == ".mb" && bobIn == ".mb" && aliceInvites.HasUnfinishedMatch(".gb.alice.bob") &&
               bobInvites.HasUnfinishedMatch(".gb.bob.alice");
    }));
    EXPECT_EQ(aliceInvites.GetUnfinishedMatches().front()->matchKey, "M1");
    EXPECT_TRUE(WaitFor([&] { return bob.session.FindUser("alice")->GetUnfinishedMatches() == 1; }));

    // alice asks; bob says yes while she waits; both resume it, and the server forgets it.
    QString scoreLine;
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) -> int {
        auto* waiting = dynamic_cast<CWaitingForResumeMatchDlg*>(dialog);
        if (!waiting || !WaitFor([&] { return bobInvites.FindResumeDialog(".gb.alice.bob"); }))
            return platform::IDCANCEL;
        scoreLine = bobInvites.FindResumeDialog(".gb.alice.bob")->GetItemText(CResumeMatchReceiverDlg::kIdScore);
        bobInvites.FindResumeDialog(".gb.alice.bob")->OnResume();
        WaitFor([&] { return waiting->HasEnded(); });
        return waiting->result();
    });
    EXPECT_TRUE(aliceInvites.ResumeWithPlayers(QStringList{"alice", "bob"}));
    testenv::scriptedUi().SetDialogHandler(nullptr);
    // The question's score line holds the score of the match, not the game's name.
    EXPECT_TRUE(scoreLine.startsWith("Score: 0-0 of 1, left at ")) << scoreLine.toStdString();
    EXPECT_TRUE(WaitFor([&] {
        return aliceIn == ".gb.alice.bob" && bobIn == ".gb.alice.bob" &&
               aliceInvites.GetUnfinishedMatches().empty() && bobInvites.GetUnfinishedMatches().empty();
    }));
}

TEST_F(DevServerTest, RanksTheMembersForEachKindOfRankingRequest) {
    Client alice(server.Port(), "alice");
    Client bob(server.Port(), "Bob");
    Client carl(server.Port(), "carl");
    ASSERT_TRUE(alice.WaitIn() && bob.WaitIn() && carl.WaitIn());
    testenv::RecordingTarget answers(&alice.session);
    const QString a = "\"alice\" \"1500.000\" 0", b = "\"Bob\" \"1500.000\" 0", c = "\"carl\" \"1500.000\" 0";
    struct Case {
        QString request;
        QString answer;
    } cases[] = {
        {"Q 2 0 0 0 \"x\"", "Q 2 0 " + a + " 1 " + b},
        {"Q 2 0 0 2 \"x\"", "Q 1 2 " + c},
        {"Q 10 1 0 2147483647 \"x\"", "Q 3 0 " + a + " 1 " + b + " 2 " + c},
        {"Q 2 1 0 2147483647 \"x\"", "Q 2 1 " + b + " 2 " + c},
        {"Q 1 2 1 0 \"BOB\"", "Q 1 1 " + b},
        {"Q 3 2 1 0 \"carl\"", "Q 3 0 " + a + " 1 " + b + " 2 " + c},
        {"Q 3 2 1 0 \"nobody\"", "Q 0"},
        {"Q 5 0 0 7 \"x\"", "Q 0"},
        {"Q nonsense", "Q 0"},
    };
    std::vector<QString> replies;
    const auto collect = [&] {
        replies.clear();
        for (size_t i = 0; i < answers.packets.size(); ++i) {
            if (answers.packets[i].first == 240 && answers.sources[i] == ".rt")
                replies.push_back(answers.packets[i].second);
        }
        return replies.size();
    };
    for (const Case& item : cases) {
        const size_t before = collect();
        ASSERT_TRUE(alice.session.Send(239, item.request, -1, ".rt"));
        ASSERT_TRUE(WaitFor([&] { return collect() > before; })) << item.request.toStdString();
        EXPECT_EQ(replies.back(), item.answer) << item.request.toStdString();
    }
}

} // namespace

namespace {

// Keeps the packets of some types that reach a session.
class PacketCatcher : public CSubDocument {
public:
    PacketCatcher(CSessionDoc* session, std::set<int> types) : CSubDocument(session), m_types(std::move(types)) {}
    int OnPacket(int type, const QString& text) override {
        if (!m_types.count(type))
            return 0;
        packets.push_back({type, text});
        return 1;
    }
    std::vector<std::pair<int, QString>> packets;

private:
    std::set<int> m_types;
};

TEST_F(DevServerTest, InvitationsLearnTheirMoneyLimitsAndLeague) {
    Client alice(server.Port(), "alice");
    ASSERT_TRUE(alice.WaitIn());
    PacketCatcher catcher(&alice.session, {77, 253});

    // Money limits: agreed while every player is logged in.
    const CUserMoneyInviteRequest both("alice", "alice", ".gb.alice.bob", 2, 5, "alice bob ");
    alice.session.Send(251, both.FormatRequest(), -1, ".db");
    ASSERT_TRUE(WaitFor([&] { return catcher.packets.size() == 1; }));
    EXPECT_EQ(catcher.packets[0].first, 253);
    CMoneyInviteResponsePtr refused;
    ASSERT_TRUE(refused.AttachIfFor(CreateDatabaseTransaction(catcher.packets[0].second), ".gb.alice.bob"));
    EXPECT_EQ(refused.GetResultCode(), 0); // bob is not here

    Client bob(server.Port(), "bob");
    ASSERT_TRUE(bob.WaitIn());
    alice.session.Send(251, both.FormatRequest(), -1, ".db");
    ASSERT_TRUE(WaitFor([&] { return catcher.packets.size() == 2; }));
    CMoneyInviteResponsePtr agreed;
    ASSERT_TRUE(agreed.AttachIfFor(CreateDatabaseTransaction(catcher.packets[1].second), ".gb.alice.bob"));
    EXPECT_EQ(agreed.GetResultCode(), 1);
    CWagerAmount stake(CWagerAmount::kStake);
    ASSERT_TRUE(stake.LoadLimits(agreed));
    EXPECT_EQ(stake.GetPerMatchMaximum(), 10000);
    EXPECT_EQ(stake.GetPerPointMaximum(), 5000);
    EXPECT_EQ(stake.GetFunds(), 100000);
    EXPECT_EQ(stake.GetMinimum(), 25);

    // The league answers under the invitation's cookie.
    const CLeagueInviteInfoRequest league("alice", "Invite.gb.alice.bob", "alice bob ");
    alice.session.Send(77, league.WriteText());
    ASSERT_TRUE(WaitFor([&] { return catcher.packets.size() == 3; }));
    EXPECT_EQ(catcher.packets[2].first, 77);
    const auto info = CBackgammonLeagueInviteInfo::FromText(catcher.packets[2].second);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->GetSenderNameText(), "Invite.gb.alice.bob");
    EXPECT_EQ(info->GetRuleOptionsText(), "Loopback");
    EXPECT_TRUE(info->FixesOption(CBackgammonLeagueInviteInfo::kOptionMatchLength));
    EXPECT_FALSE(info->FixesOption(CBackgammonLeagueInviteInfo::kOptionWager));
}

} // namespace

namespace {

// A client of the development server with its mail service, all clients' stores in one folder.
struct MailClient : Client {
    // The mail service starts as the login is accepted, as the application starts it, so that mail
    // handed over at login finds it.
    MailClient(quint16 port, const QString& nickname, const QString& folder) : Client(port, nickname) {
        QObject::connect(&session, &CSessionDoc::loginAccepted,
                         [this, folder] { mail = std::make_unique<CMessagingSubDocument>(&session, folder); });
        WaitIn();
    }
    const std::vector<CMessageHeader*>& Folder(const char* name) const {
        return mail->FindFolder(QString::fromLatin1(name))->Headers();
    }
    QString Body(const CMessageHeader* header) const {
        CMessageHeader stored;
        QString body;
        mail->ReadMessage(stored, body, header->GetFolderName(), header->GetMessageId());
        return body;
    }
    std::unique_ptr<CMessagingSubDocument> mail;
};

std::unique_ptr<CMessageHeader> letter(const QString& from, const QString& to, const QString& cc = QString()) {
    return std::make_unique<CMessageHeader>(QStringLiteral("Hi"), from, to, cc, QStringLiteral("2026/12/07:1200"),
                                            QString(), 0, kStatusReadyToSend, 0, 1);
}

} // namespace

TEST_F(DevServerTest, MailReachesOnlineAndOfflineMembersAndTheSenderHearsOfIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + "/";
    MailClient alice(server.Port(), "alice", folder);
    MailClient bob(server.Port(), "bob", folder);
    ASSERT_TRUE(alice.mail && bob.mail);

    // bob is here: he has the message at once, alice sees it sent and then acknowledged.
    const QString body = QStringLiteral("Fancy a match?\r\n\"7 points\" \\ no doubling");
    ASSERT_TRUE(alice.mail->SendMail(letter("alice", "bob"), body));
    ASSERT_TRUE(WaitFor([&] { return bob.Folder("Inbox").size() == 1; }));
    EXPECT_EQ(bob.Body(bob.Folder("Inbox").front()), body);
    EXPECT_EQ(bob.Folder("Inbox").front()->GetFrom(), "alice");
    CMessageHeader* sent = alice.Folder("Outbox").front();
    EXPECT_TRUE(WaitFor([&] { return sent->m_status == kStatusAcknowledged; }));
    EXPECT_EQ(alice.Body(sent), body);

    // carol is away: her copy waits; the receipt comes when she logs in.
    ASSERT_TRUE(alice.mail->SendMail(letter("alice", "carol", "bob"), QStringLiteral("for later")));
    ASSERT_TRUE(WaitFor([&] { return bob.Folder("Inbox").size() == 2; }));
    CMessageHeader* second = alice.Folder("Outbox").back();
    EXPECT_TRUE(WaitFor([&] { return second->m_status == kStatusSent; }));
    {
        MailClient carol(server.Port(), "carol", folder);
        ASSERT_TRUE(carol.mail);
        ASSERT_TRUE(WaitFor([&] { return carol.Folder("Inbox").size() == 1; }));
        EXPECT_EQ(carol.Body(carol.Folder("Inbox").front()), "for later");
        EXPECT_EQ(carol.Folder("Inbox").front()->GetCc(), "bob");
    }
    EXPECT_TRUE(WaitFor([&] { return second->m_status == kStatusAcknowledged; }));

    // A name that cannot be a member's: undeliverable, the status stays.
    ASSERT_TRUE(alice.mail->SendMail(letter("alice", "b@d"), QStringLiteral("x")));
    CMessageHeader* third = alice.Folder("Outbox").back();
    EXPECT_TRUE(WaitFor([] {
        for (const auto& asked : testenv::scriptedUi().asked())
            if (asked.text == QLatin1String(CMessagingSubDocument::kUndeliverable))
                return true;
        return false;
    }));
    EXPECT_EQ(third->m_status, kStatusReadyToSend);
}
