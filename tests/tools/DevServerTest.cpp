#include "DevServer.h"
#include "board/MoneyInviteResponsePtr.h"
#include "chat/TalkDoc.h"
#include "game/LeagueInviteInfo.h"
#include "lobby/AffinityListView.h"
#include "lobby/BlindFrameWnd.h"
#include "lobby/UserListModel.h"
#include "lobby/invite/WagerAmount.h"
#include "mail/MessageHeader.h"
#include "mail/MessagingSubDocument.h"
#include "mail/MailFolderDialogs.h"
#include "mail/MailFolderView.h"
#include "mail/MailWindowIds.h"
#include "mail/MessageMailboxWnd.h"
#include "mail/MessagingOleDocument.h"
#include "mail/MsgDisplayEditWnd.h"
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
#include "session/LobbyUserMap.h"
#include "session/PacketTarget.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SessionFixture.h"
#include "support/SettingsFixture.h"

#include "mail/MailPackets.h"
#include "net/FrameCodec.h"
#include "platform/CompoundFile.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

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
    ASSERT_TRUE(WaitFor([&] { return bob.HasLine("a word"); })); // no talk windows here: shown as a tell
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
}

// Kicks, notices (shown as the server's own lines), shouts, stop and go need their right; without it
// the sender alone hears why.
TEST_F(DevServerTest, ModeratorsPacketsNeedTheirRight) {
    struct Case {
        int type;
        const char* destination;
        const char* body;
        quint32 right;
        const char* refusal;
        const char* bobLine; // none for stop and go: his client shows no line for them
    };
    const Case cases[] = {
        {208, ".", "bob flooding", 0x40, "You may not kick players.", "You have been removed from the server by alice: flooding"},
        {193, "&", "Log in again.", 0x20, "You may not send notices.", "Log in again."},
        {200, "&", "hear me", 0x10000, "You may not shout.", "hear me"},
        {176, "bob", "Stop", 0x1000, "You may not stop players.", nullptr},
        {177, "bob", "Go", 0x2000, "You may not let players go.", nullptr},
    };
    for (const Case& c : cases) {
        for (const bool granted : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.type << (granted ? " granted" : " refused"));
            CDevServer moderated{CDevServer::Options{.rightsMask = 0x1 | (granted ? c.right : 0)}};
            ASSERT_TRUE(moderated.Listen(QHostAddress::LocalHost, 0));
            Client alice(moderated.Port(), "alice");
            Client bob(moderated.Port(), "bob");
            ASSERT_TRUE(alice.WaitIn() && bob.WaitIn());
            bool bobClosed = false, relayed = false;
            QObject::connect(&bob.session, &CSessionDoc::connectionClosed, [&] { bobClosed = true; });
            QObject::connect(&moderated, &CDevServer::packetRelayed,
                             [&](const QString&, const QString&, int type) { relayed = relayed || type == c.type; });
            alice.session.Send(c.type, c.body, -1, c.destination);
            alice.session.SendChat("next", ChatKind::Said); // comes after all that alice's packet sent
            ASSERT_TRUE(WaitFor([&] { return alice.HasLine("next") && (bob.HasLine("next") || bobClosed); }));
            EXPECT_EQ(alice.HasLine(c.refusal), !granted);
            EXPECT_EQ(bobClosed, granted && c.type == 208);
            if (granted && c.type == 208) { // she hears who was removed, and who was not here to be
                alice.session.Send(208, "nobody", -1, ".");
                EXPECT_TRUE(WaitFor([&] { return alice.HasLine("nobody is not connected to the server."); }));
                EXPECT_TRUE(alice.HasLine("bob has been removed from the server."));
            }
            EXPECT_EQ(c.bobLine ? bob.HasLine(c.bobLine) : relayed, granted);
            EXPECT_EQ(c.bobLine && alice.HasLine(c.bobLine), granted && (c.type == 193 || c.type == 200));
            // A notice, then "next": bob's client shows the notice as the server's own line.
            EXPECT_TRUE(!granted || c.type != 193 || bob.chat.lines.end()[-2].kind == ChatKind::System);
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

    // The server's one password is set by whoever started it: no member changes it for the others.
    alice.session.Send(251, CChangePswd::FormatRequest("right", "next"), -1, ".db");
    ASSERT_TRUE(WaitFor([&] {
        return alice.HasLine(
            "Your password was not changed: this server has one password for every member, set when it was started.");
    }));
    Client withOld(strict.Port(), "bob", "right");
    EXPECT_TRUE(withOld.WaitIn());
    Client withNew(strict.Port(), "carol", "next");
    EXPECT_FALSE(withNew.WaitIn());
    // Where any password is taken, the new one is too.
    Client dan(server.Port(), "dan");
    ASSERT_TRUE(dan.WaitIn());
    dan.session.Send(251, CChangePswd::FormatRequest("old", "next"), -1, ".db");
    EXPECT_TRUE(WaitFor([&] { return dan.HasLine("Your password has been changed."); }));
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

    // alice leaves another match unfinished, with cy: every list and flag keeps both, and only the
    // players of a match see each other flagged.
    Client cy(server.Port(), "cy");
    ASSERT_TRUE(cy.WaitIn());
    alice.session.AttachToGameService(".gb.cy.alice", 1);
    cy.session.AttachToGameService(".gb.cy.alice", 1);
    ASSERT_TRUE(WaitFor([&] { return aliceIn == ".gb.cy.alice" && server.FindMatch(".gb.cy.alice"); }));
    alice.session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] {
        return aliceIn == ".mb" && aliceInvites.GetUnfinishedMatches().size() == 2 &&
               bob.session.FindUser("alice")->GetUnfinishedMatches() == 2;
    }));
    const auto flagged = [](const Client& reader, const char* user) {
        return (reader.session.FindUser(user)->GetGroupFlags() & UserGroup::UnfinishedMatch) != 0;
    };
    EXPECT_TRUE(WaitFor([&] { return flagged(alice, "bob") && flagged(alice, "cy") && flagged(cy, "alice"); }));
    EXPECT_TRUE(flagged(bob, "alice"));
    EXPECT_FALSE(flagged(bob, "cy"));
    EXPECT_FALSE(flagged(cy, "bob"));

    // A key counts only for a match of the room's own players: neither cy, in a room of his own, nor
    // alice, in her room with cy, ends alice and bob's match by naming it.
    QString cyIn;
    QObject::connect(&cy.session, &CSessionDoc::serviceEntered, [&](const QString& s) { cyIn = s; });
    cy.session.AttachToGameService(".gb.cy.dan !M1 1 0 0 0 1 0 0 0 1 0 0 0 0! : \"\"", 1);
    ASSERT_TRUE(WaitFor([&] { return cyIn == ".gb.cy.dan"; }));
    alice.session.AttachToGameService(".gb.cy.alice ResumeMatch M1 @.gb.alice.bob 1 0 0", 1);
    ASSERT_TRUE(WaitFor([&] { return aliceIn == ".gb.cy.alice"; }));
    // Nor alice in a room that names her twice, which is no match room: no match against herself.
    alice.session.AttachToGameService(".gb.alice.alice !M1 1 0 0 0 1 0 0 0 1 0 0 0 0! : \"\"", 1);
    ASSERT_TRUE(WaitFor([&] { return aliceIn == ".gb.alice.alice"; }));
    EXPECT_EQ(server.MatchNumber(".gb.alice.alice"), 0);
    alice.session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return aliceIn == ".mb"; }));
    alice.session.SendChat("all handled", ChatKind::Tell, "bob"); // reaches bob after what came before
    ASSERT_TRUE(WaitFor([&] { return bob.HasLine("all handled"); }));
    EXPECT_TRUE(bobInvites.HasUnfinishedMatch(".gb.bob.alice"));
    EXPECT_EQ(aliceInvites.GetUnfinishedMatches().size(), 2u);

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
               aliceInvites.GetUnfinishedMatches().size() == 1 && bobInvites.GetUnfinishedMatches().empty();
    }));
    EXPECT_EQ(aliceInvites.GetUnfinishedMatches().front()->matchKey, "M2");
    EXPECT_TRUE(WaitFor([&] { return !flagged(alice, "bob") && !flagged(bob, "alice"); }));
    EXPECT_TRUE(flagged(alice, "cy"));
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

std::unique_ptr<CMessageHeader> letter(const QString& from, const QString& to, const QString& cc = QString(),
                                       const QString& sent = QStringLiteral("2026/12/07:1200")) {
    return std::make_unique<CMessageHeader>(QStringLiteral("Hi"), from, to, cc, sent, QString(), 0,
                                            kStatusReadyToSend, 0, 1);
}

} // namespace

TEST_F(DevServerTest, MailReachesOnlineAndOfflineMembersAndTheSenderHearsOfIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + "/";
    {
        Client carol(server.Port(), "carol"); // known to the server from now on
        ASSERT_TRUE(carol.WaitIn());
    }
    MailClient alice(server.Port(), "alice", folder);
    MailClient bob(server.Port(), "bob", folder);
    ASSERT_TRUE(alice.mail && bob.mail);

    // bob is here: the message waits until his client asks for it; alice sees it sent and, once bob
    // has it, acknowledged.
    const QString body = QStringLiteral("Fancy a match?\r\n\"7 points\" \\ no doubling");
    ASSERT_TRUE(alice.mail->SendMail(letter("alice", "bob"), body));
    ASSERT_TRUE(WaitFor([&] { return alice.Folder("Outbox").front()->m_status == kStatusSent; }));
    EXPECT_TRUE(bob.Folder("Inbox").empty());
    ASSERT_TRUE(bob.mail->RequestPendingMessages());
    ASSERT_TRUE(WaitFor([&] { return bob.Folder("Inbox").size() == 1; }));
    EXPECT_EQ(bob.Body(bob.Folder("Inbox").front()), body);
    EXPECT_EQ(bob.Folder("Inbox").front()->GetFrom(), "alice");
    CMessageHeader* sent = alice.Folder("Outbox").front();
    EXPECT_TRUE(WaitFor([&] { return sent->m_status == kStatusAcknowledged; }));
    EXPECT_EQ(alice.Body(sent), body);

    // carol is away: her copy waits; the receipt comes when she logs in.
    ASSERT_TRUE(alice.mail->SendMail(letter("alice", "carol", "bob"), QStringLiteral("for later")));
    CMessageHeader* second = alice.Folder("Outbox").back();
    EXPECT_TRUE(WaitFor([&] { return second->m_status == kStatusSent; }));
    ASSERT_TRUE(bob.mail->RequestPendingMessages());
    ASSERT_TRUE(WaitFor([&] { return bob.Folder("Inbox").size() == 2; }));
    {
        MailClient carol(server.Port(), "carol", folder);
        ASSERT_TRUE(carol.mail);
        ASSERT_TRUE(carol.mail->RequestPendingMessages());
        ASSERT_TRUE(WaitFor([&] { return carol.Folder("Inbox").size() == 1; }));
        EXPECT_EQ(carol.Body(carol.Folder("Inbox").front()), "for later");
        EXPECT_EQ(carol.Folder("Inbox").front()->GetCc(), "bob");
        // The receipt follows once carol's client has told the server the message is on file.
        EXPECT_TRUE(WaitFor([&] { return second->m_status == kStatusAcknowledged; }));
    }
    EXPECT_EQ(second->m_status, kStatusAcknowledged);

    // alice deletes a letter to bob for good (Sent Items, then Deleted Items) and, in the same minute,
    // writes to bob and carol: the new letter has an id of its own, so bob's receipt for the deleted
    // one leaves it "Sent" until carol has it too.
    const QString minute = QStringLiteral("2026/12/07:1201");
    ASSERT_TRUE(alice.mail->SendMail(letter("alice", "bob", QString(), minute), QStringLiteral("regretted")));
    const QString deleted = alice.Folder("Outbox").back()->GetMessageId();
    ASSERT_TRUE(alice.mail->CreateFolder("Deleted Items"));
    ASSERT_EQ(alice.mail->MoveOrCopyMessages("Deleted Items", {{"Outbox", deleted}}, true), 1);
    ASSERT_EQ(alice.mail->DeleteMessages({{"Deleted Items", deleted}}), 1);
    ASSERT_TRUE(alice.mail->SendMail(letter("alice", "bob carol", QString(), minute), QStringLiteral("to both")));
    CMessageHeader* both = alice.Folder("Outbox").back();
    EXPECT_NE(both->GetMessageId(), deleted);
    ASSERT_TRUE(WaitFor([&] { return both->m_status == kStatusSent; }));
    ASSERT_TRUE(bob.mail->RequestPendingMessages());
    ASSERT_TRUE(WaitFor([&] { return bob.Folder("Inbox").size() == 4; }));
    EXPECT_FALSE(WaitFor([&] { return both->m_status == kStatusAcknowledged; }, 500));
    {
        MailClient carol(server.Port(), "carol", folder);
        ASSERT_TRUE(carol.mail->RequestPendingMessages());
        ASSERT_TRUE(WaitFor([&] { return carol.Folder("Inbox").size() == 2; }));
        EXPECT_TRUE(WaitFor([&] { return both->m_status == kStatusAcknowledged; }));
    }

    // A name that cannot be a member's, or of nobody who ever logged in: undeliverable, the status stays.
    for (const char* name : {"b@d", "nobody"}) {
        testenv::scriptedUi().clear();
        ASSERT_TRUE(alice.mail->SendMail(letter("alice", QString::fromLatin1(name)), QStringLiteral("x")));
        CMessageHeader* third = alice.Folder("Outbox").back();
        EXPECT_TRUE(WaitFor([] {
            for (const auto& asked : testenv::scriptedUi().asked())
                if (asked.text == QLatin1String(CMessagingSubDocument::kUndeliverable))
                    return true;
            return false;
        })) << name;
        EXPECT_EQ(third->m_status, kStatusReadyToSend);
    }
}

// Whether a message box starting with text and holding reason was shown.
bool toldBox(const char* text, const QString& reason) {
    for (const auto& asked : testenv::scriptedUi().asked())
        if (asked.text.startsWith(QLatin1String(text)) && asked.text.contains(reason))
            return true;
    return false;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A client that cannot file its mail (its store is held by another program, or its folder list is
// damaged or missing) leaves it on the server: the user is told why as he logs in, the store is left
// as it was, the senders' messages are not acknowledged, and the next login hands them over again.
TEST_F(DevServerTest, MailThatCannotBeFiledWaitsOnTheServerForTheNextLogin) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + "/";
    const QString store = folder + "bob.nvm";
    MailClient alice(server.Port(), "alice", folder);
    const std::vector<CMessageHeader*>& sent = alice.Folder("Outbox");
    QStringList bodies;
    for (const char* how : {"in use by another program", "damaged", "missing"}) {
        SCOPED_TRACE(how);
        // Another program holds the store; or a sound store gets a folder list whose count no reader
        // takes (the stream's size kept), or loses it.
        platform::CompoundFile image;
        QFile::remove(store);
        if (bodies.isEmpty()) {
            ASSERT_EQ(image.Create(store), platform::stg::S_OK);
        } else {
            ASSERT_TRUE(CMessagingOleDocument(folder, "bob").IsOpen());
            QByteArray list;
            ASSERT_EQ(image.Open(store), platform::stg::S_OK);
            ASSERT_EQ(image.ReadStream({"StorageFolders"}, list), platform::stg::S_OK);
            if (bodies.size() == 1)
                image.WriteStream({"StorageFolders"}, list.replace(0, 2, "\xff\xff"));
            else
                image.Remove({"StorageFolders"});
            ASSERT_EQ(image.Commit(), platform::stg::S_OK);
            image.Close();
        }
        const QByteArray before = fileBytes(store);
        testenv::scriptedUi().clear();
        auto bob = std::make_unique<MailClient>(server.Port(), "bob", folder);
        ASSERT_TRUE(bob->mail && !bob->mail->GetStore());
        EXPECT_TRUE(WaitFor([&] { return toldBox(CMessagingSubDocument::kStoreUnavailable, QString::fromLatin1(how)); }));
        bodies << QString::fromLatin1(how);
        ASSERT_TRUE(alice.mail->SendMail(letter("alice", "bob"), bodies.back()));
        ASSERT_TRUE(WaitFor([&] { return sent.size() == size_t(bodies.size()) && sent.back()->m_status == kStatusSent; }));
        ASSERT_TRUE(WaitFor([&] { return CMessagingSubDocument::GetPendingCount() == bodies.size(); }));
        ASSERT_TRUE(bob->mail->RequestPendingMessages());
        // bob's client said it could not file them: they stay, counted as waiting for him.
        ASSERT_TRUE(WaitFor([&] { return CMessagingSubDocument::GetPendingCount() == bodies.size(); }));
        EXPECT_FALSE(WaitFor([&] {
            return std::any_of(sent.begin(), sent.end(), [](const CMessageHeader* h) { return h->m_status != kStatusSent; });
        }, 300));
        bob.reset();
        EXPECT_EQ(fileBytes(store), before);
    }

    QFile::remove(store);
    auto bob = std::make_unique<MailClient>(server.Port(), "bob", folder);
    ASSERT_TRUE(bob->mail && bob->mail->GetStore());
    ASSERT_TRUE(WaitFor([&] { return CMessagingSubDocument::GetPendingCount() == bodies.size(); })); // told at login
    ASSERT_TRUE(bob->mail->RequestPendingMessages());
    ASSERT_TRUE(WaitFor([&] { return bob->Folder("Inbox").size() == size_t(bodies.size()); }));
    QStringList filed;
    for (const CMessageHeader* header : bob->Folder("Inbox"))
        filed.append(bob->Body(header));
    filed.sort();
    bodies.sort();
    EXPECT_EQ(filed, bodies);
    EXPECT_TRUE(WaitFor([&] {
        return std::all_of(sent.begin(), sent.end(), [](const CMessageHeader* h) { return h->m_status == kStatusAcknowledged; });
    }));
    EXPECT_TRUE(WaitFor([] { return CMessagingSubDocument::GetPendingCount() == 0; }));

    // Another server's delivery ids are new to bob's store: what it hands over is filed beside them.
    bob.reset();
    CDevServer other{CDevServer::Options{}};
    ASSERT_TRUE(other.Listen(QHostAddress::LocalHost, 0));
    MailClient carol(other.Port(), "carol", folder);
    bob = std::make_unique<MailClient>(other.Port(), "bob", folder);
    ASSERT_TRUE(carol.mail->SendMail(letter("carol", "bob"), QStringLiteral("third")));
    const CMessageHeader* third = carol.Folder("Outbox").back();
    ASSERT_TRUE(WaitFor([&] { return third->m_status == kStatusSent; }));
    ASSERT_TRUE(bob->mail->RequestPendingMessages());
    EXPECT_TRUE(WaitFor([&] { return bob->Folder("Inbox").size() == size_t(bodies.size()) + 1; }));
    EXPECT_TRUE(WaitFor([&] { return third->m_status == kStatusAcknowledged; }));
}

namespace {

// A bare connection with a small receive buffer: logs in (given a nickname), reads only when asked.
struct Deaf {
    // segment: the segment size he announces (0: the loopback's own).
    Deaf(quint16 port, const QString& nickname, int receiveBuffer = 4096, int segment = 0) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        if (segment > 0)
            ::setsockopt(fd, IPPROTO_TCP, TCP_MAXSEG, &segment, sizeof segment);
        const timeval patience{2, 0}; // a connect the server's queue has no room for gives up
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (!connected || nickname.isEmpty())
            return;
        QByteArray bytes, frame;
        EncodeFrame(LoginPacketType::Identification, "\"1000 Norvale for Linux\"", frame);
        bytes += frame;
        EncodeFrame(LoginPacketType::Login, CSecureLoginPacket{nickname, "x"}.Format().toLatin1(), frame);
        bytes += frame;
        connected = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    ~Deaf() { ::close(fd); }
    bool Write(quint8 type, const QByteArray& body) const {
        QByteArray frame;
        EncodeFrame(type, body, frame);
        return ::write(fd, frame.constData(), size_t(frame.size())) == frame.size();
    }
    // Reads and keeps at most so many bytes -> false once the server has ended the connection.
    bool Read(qint64 most) {
        char buffer[65536];
        ssize_t n = 1;
        while (most > 0 && (n = ::recv(fd, buffer, size_t(qMin<qint64>(most, sizeof buffer)), MSG_DONTWAIT)) > 0) {
            read.append(buffer, n);
            most -= n;
        }
        return n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR));
    }
    // Whether the server has ended the connection (what it sent before is read and thrown away).
    bool Ended() const {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                return true;
            if (n < 0)
                return false;
        }
    }
    int fd = -1;
    bool connected = false;
    QByteArray read;
};

// The mail packets a session receives.
struct MailPackets : CPacketTarget {
    explicit MailPackets(CSessionDoc* session) : CPacketTarget(session) {}
    int OnPacket(int type, const QString& text) override {
        if (type != MailPacket::kType)
            return 0;
        texts.append(text);
        return 1;
    }
    QStringList texts;
};

} // namespace

// The server holds under a member who never reads, connections that never log in, and letters
// piling up for a member who is away; it still answers a fresh login.
TEST(DevServerLimits, EachLimitHasItsClearAnswer) {
    testenv::ResetSettings();
    CDevServer::Options options;
    options.outputLimitBytes = 256 * 1024;
    options.loginTimeoutSeconds = 1;
    options.relayBytesPerSecond = options.relayBurstBytes = 64 * 1024 * 1024; // alice writes as fast as she can
    CDevServer server(options);
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    Client alice(server.Port(), "alice");
    ASSERT_TRUE(alice.WaitIn());

    // A member who asks for more than the hard bound (four times the limit) and reads nothing is
    // dropped at once: 40 letters, 2.4 MB, beyond what the systems' buffers hold. The others stay.
    Deaf deaf(server.Port(), "deaf");
    ASSERT_TRUE(deaf.connected);
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 2; }));
    {
        MailPackets answers(&alice.session);
        for (int i = 0; i < 40; ++i) {
            CMessageHeader header("s", "alice", "deaf", QString(), QString(), QString(), 0, kStatusReadyToSend, 0, 1);
            header.SetMessageId(QStringLiteral("deaf%1").arg(i));
            alice.session.Send(MailPacket::kType, MailPacket::FormatSend(header, QString(60000, u'm')));
        }
        ASSERT_TRUE(WaitFor([&] { return answers.texts.size() == 40; }));
    }
    ASSERT_TRUE(deaf.Write(MailPacket::kType, MailPacket::FormatRequest("deaf").toLatin1()));
    EXPECT_TRUE(WaitFor([&] { return server.UserCount() == 1; }, 10000));
    EXPECT_TRUE(WaitFor([&] { return deaf.Ended(); }));

    // A connection that never logs in is closed after the time-out.
    Deaf silent(server.Port(), QString());
    ASSERT_TRUE(silent.connected);
    EXPECT_FALSE(WaitFor([&] { return silent.Ended(); }, 500));
    EXPECT_TRUE(WaitFor([&] { return silent.Ended(); }, 3000));

    // Letters for a member who is away fill his mailbox; beyond it the sender hears they cannot be
    // delivered, and nothing more is kept.
    {
        Client carol(server.Port(), "carol");
        ASSERT_TRUE(carol.WaitIn());
    }
    MailPackets replies(&alice.session);
    MailPacket::Message letter;
    letter.from = "alice";
    letter.to = "carol";
    letter.kind = "1";
    letter.body = QString(60000, u'm');
    const int letters = int(CMailStore::kMailboxBytes / CMailStore::Size(letter)) + 5;
    for (int i = 0; i < letters; ++i) {
        letter.messageId = QStringLiteral("carol%1").arg(i);
        CMessageHeader header("s", "alice", "carol", QString(), QString(), QString(), 0, kStatusReadyToSend, 0, 1);
        header.SetMessageId(letter.messageId);
        alice.session.Send(MailPacket::kType, MailPacket::FormatSend(header, letter.body));
    }
    ASSERT_TRUE(WaitFor([&] { return replies.texts.size() == letters; }));
    int delivered = 0, refused = 0;
    for (const QString& text : replies.texts) {
        MailPacket::Incoming reply;
        ASSERT_EQ(MailPacket::ParseIncoming(text, reply), MailPacket::ParseResult::Ok);
        (reply.delivered ? delivered : refused) += 1;
        EXPECT_EQ(reply.delivered, refused == 0) << "once full, the mailbox takes nothing";
    }
    EXPECT_GE(refused, 4);
    EXPECT_LE(refused, 6);

    // Through all of it a fresh login is answered.
    Client bob(server.Port(), "bob");
    EXPECT_TRUE(bob.WaitIn());
}

namespace {

// Processor time (user and system, seconds) a process has used so far.
double cpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? double(fields[11].toLongLong() + fields[12].toLongLong()) / double(::sysconf(_SC_CLK_TCK))
                              : -1;
}

} // namespace

// The server runs at a low file limit and is handed more connections than it may hold: it neither
// spins nor stops taking logins; once the connections that never logged in are gone, a member gets in.
TEST(DevServerLimits, AtTheFileLimitTheServerBacksOffAndStillTakesALogin) {
    const QString binary = QCoreApplication::applicationDirPath() + QStringLiteral("/../norvale-devserver");
    const QString prlimit = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
    if (!QFileInfo::exists(binary) || prlimit.isEmpty())
        GTEST_SKIP() << "needs the built norvale-devserver and prlimit";
    testenv::ResetSettings();
    QProcess server;
    server.start(prlimit, {QStringLiteral("--nofile=64:64"), binary, QStringLiteral("--port"), QStringLiteral("0"),
                           QStringLiteral("--no-web"), QStringLiteral("--quiet"), QStringLiteral("--login-timeout"),
                           QStringLiteral("2")});
    ASSERT_TRUE(server.waitForStarted());
    quint16 port = 0;
    ASSERT_TRUE(WaitFor([&] {
        const QByteArray line = server.readAllStandardOutput();
        const int at = line.indexOf("listening on 127.0.0.1:");
        if (at >= 0)
            port = quint16(line.mid(at + 23).trimmed().split('\n').front().toUInt());
        return port != 0;
    }));
    std::vector<std::unique_ptr<Deaf>> idle;
    for (int i = 0; i < 45; ++i)
        idle.push_back(std::make_unique<Deaf>(port, QString()));
    WaitFor([] { return false; }, 300);
    const double before = cpuSeconds(server.processId());
    WaitFor([] { return false; }, 1500);
    const double used = cpuSeconds(server.processId()) - before;
    EXPECT_GE(used, 0);
    EXPECT_LT(used, 0.5) << "the server spins at its file limit";

    Client member(port, "member");
    EXPECT_TRUE(WaitFor([&] { return member.accepted || !member.refused.isEmpty(); }, 10000));
    EXPECT_TRUE(member.accepted);
    server.kill();
    server.waitForFinished();
}

namespace {

// The mailbox window the mail service of a client opened, made by the application's own factory.
CMessageMailboxWnd* OpenMailbox(MailClient& client) {
    client.mail->ToggleMailbox();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* mailbox = qobject_cast<CMessageMailboxWnd*>(widget);
        if (mailbox && &mailbox->GetMail() == client.mail.get())
            return mailbox;
    }
    return nullptr;
}

// Writes, in a message window, what the window's Send command then sends.
void WriteAndSend(CMsgDisplayEditWnd* window, const QString& to, const QString& subject, const QString& text) {
    if (!to.isEmpty())
        window->ComposeForm()->ToEdit()->setText(to);
    if (!subject.isEmpty())
        window->ComposeForm()->SubjectEdit()->setText(subject);
    window->Body()->moveCursor(QTextCursor::Start);
    window->Body()->insertPlainText(text);
    window->RunCommand(MailCommand::kSend);
}

// Files the newest message of "Inbox" in a new folder, through the new-folder and move dialogs.
void FileInNewFolder(CMessageMailboxWnd* mailbox, const QString& folder) {
    mailbox->RunCommand(MailCommand::kNewFolder);
    ASSERT_TRUE(mailbox->NewFolderDialog());
    mailbox->NewFolderDialog()->NameEdit()->setText(folder);
    mailbox->NewFolderDialog()->accept();
    ASSERT_TRUE(mailbox->FolderView()->SelectFolder("Inbox"));
    mailbox->HeaderView()->SelectRow(0);
    ASSERT_TRUE(WaitFor([&] { return !mailbox->MoveDialog(); }));
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kMove));
    ASSERT_TRUE(mailbox->MoveDialog());
    mailbox->MoveDialog()->Folders()->setCurrentText(folder);
    mailbox->MoveDialog()->accept();
}

// The subjects of a folder of a member's store as the file on disk holds them.
QStringList SubjectsOnDisk(const MailClient& client, const QString& nickname, const QString& folder) {
    EXPECT_TRUE(WaitFor([&] { return !client.mail->IsCommandCommitPending(); }));
    QTemporaryDir copy;
    const QString path = copy.path() + "/" + nickname + ".nvm";
    EXPECT_TRUE(QFile::copy(client.mail->GetStore()->GetPath(), path));
    CMessagingOleDocument store(copy.path() + "/", nickname);
    QStringList subjects;
    if (std::unique_ptr<CMsgFolderObject> object = store.LoadFolder(folder))
        for (const CMessageHeader* header : object->Headers())
            subjects << header->GetSubject();
    return subjects;
}

} // namespace

TEST_F(DevServerTest, TwoMembersWriteToEachOtherAndFileTheMailThroughTheMailWindows) {
    CMessageMailboxWnd::Register();
    struct Unregister {
        ~Unregister() { CMessagingSubDocument::SetMailboxFactory(nullptr); }
    } unregister;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    MailClient alice(server.Port(), "alice", dir.path() + "/");
    MailClient bob(server.Port(), "bob", dir.path() + "/");
    ASSERT_TRUE(alice.mail && bob.mail);
    CMessageMailboxWnd* aliceBox = OpenMailbox(alice);
    CMessageMailboxWnd* bobBox = OpenMailbox(bob);
    ASSERT_TRUE(aliceBox && bobBox);

    // alice writes; bob's mailbox shows the message once it has arrived, and he reads it.
    ASSERT_TRUE(aliceBox->RunCommand(MailCommand::kNew));
    WriteAndSend(aliceBox->MessageWindows().back(), "bob", "Rematch?", "Same time tomorrow?\n7 points");
    ASSERT_TRUE(WaitFor([&] { return bobBox->HeaderView()->Model()->rowCount() == 1; }));
    bobBox->HeaderView()->SelectRow(0);
    ASSERT_TRUE(bobBox->RunCommand(MailCommand::kView));
    CMsgDisplayEditWnd* read = bobBox->MessageWindows().back();
    EXPECT_EQ(read->DisplayForm()->Field(0)->text(), "alice");
    EXPECT_EQ(read->Body()->StoredText(), "Same time tomorrow?\r\n7 points");

    // bob answers from the read window; alice has the answer, and her message is acknowledged.
    ASSERT_TRUE(read->RunCommand(MailCommand::kReply));
    WriteAndSend(bobBox->MessageWindows().back(), QString(), QString(), "Yes!");
    ASSERT_TRUE(WaitFor([&] { return alice.Folder("Inbox").size() == 1; }));
    const CMessageHeader* answer = alice.Folder("Inbox").front();
    EXPECT_EQ(answer->GetFrom(), "bob");
    EXPECT_EQ(answer->GetSubject(), "re: Rematch?");
    EXPECT_TRUE(alice.Body(answer).startsWith("Yes!\r\n--- Original message ---\r\nFrom: alice\r\n"));
    EXPECT_TRUE(WaitFor([&] { return alice.Folder("Outbox").front()->m_status == kStatusAcknowledged; }));
    EXPECT_TRUE(WaitFor([&] { return bob.Folder("Outbox").size() == 1 &&
                                     bob.Folder("Outbox").front()->m_status == kStatusAcknowledged; }));
    ASSERT_TRUE(WaitFor([&] { return aliceBox->HeaderView()->Model()->rowCount() == 1; }));

    // Both file what they received in a folder of their own, and the files on disk say so.
    FileInNewFolder(aliceBox, "Rematches");
    FileInNewFolder(bobBox, "Rematches");
    for (auto [client, nickname, subject] : {std::tuple{&alice, "alice", "re: Rematch?"}, std::tuple{&bob, "bob", "Rematch?"}}) {
        EXPECT_EQ(SubjectsOnDisk(*client, nickname, "Rematches"), QStringList({subject})) << nickname;
        EXPECT_EQ(SubjectsOnDisk(*client, nickname, "Inbox"), QStringList()) << nickname;
    }
}

namespace {

// A member who speaks in raw frames: what he sends goes out as one burst, and what the server sends
// him is read and thrown away except for the last bytes, where a marker's answer is looked for.
struct RawMember {
    RawMember(quint16 port, const QString& nickname, int receiveBuffer = 0) {
        if (receiveBuffer > 0)
            socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, receiveBuffer);
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            const QByteArray bytes = socket.readAll();
            tail = (tail + bytes).right(4096);
            decoder.Feed(bytes);
            quint8 type = 0;
            QByteArray body;
            while (decoder.Next(type, body) == FrameDecoder::Frame)
                frames.emplace_back(type, body);
        });
        socket.connectToHost(QHostAddress::LocalHost, port); // what is written meanwhile waits for it
        QByteArray frame;
        EncodeFrame(LoginPacketType::Identification, "\"1000 Norvale for Linux\"", frame);
        socket.write(frame);
        EncodeFrame(LoginPacketType::Login, CSecureLoginPacket{nickname, "x"}.Format().toLatin1(), frame);
        socket.write(frame);
    }
    void Add(quint8 type, const QByteArray& body) {
        QByteArray frame;
        EncodeFrame(type, body, frame);
        burst += frame;
    }
    void AddRouted(int type, const QString& destination, const QByteArray& payload) {
        Add(CMessagePacket::kRoutedType, CMessagePacket::RoutedBody(type, destination, QString(), payload));
    }
    // The frames of a type received so far whose body holds text.
    int Count(quint8 type, const QByteArray& text) const {
        return int(std::count_if(frames.begin(), frames.end(),
                                 [&](const auto& f) { return f.first == type && f.second.contains(text); }));
    }
    // Sends the burst, then a watch request, and waits for its answer (the server has handled all) or
    // the end of the connection -> whether the answer came.
    bool SendAndWait(int timeoutMs) {
        const QByteArray cookie = "Marker" + QByteArray::number(++markers);
        Add(112, cookie + " nobody");
        socket.write(burst);
        burst.clear();
        WaitFor([&] { return tail.contains(cookie) || socket.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
        return tail.contains(cookie);
    }
    QTcpSocket socket;
    QByteArray burst;
    QByteArray tail;
    int markers = 0;
    FrameDecoder decoder;
    std::vector<std::pair<quint8, QByteArray>> frames;
};

} // namespace

// Before its login a connection may send the login alone: any other packet, of any type and to any
// destination, closes it unhandled. After the login the login's packets are ignored: a member cannot
// log in again under another name.
TEST_F(DevServerTest, BeforeTheLoginOnlyTheLoginCountsAndAfterItNeverAgain) {
    std::vector<std::pair<quint8, QByteArray>> packets; // frame type and body
    for (int type = 0; type < 128; ++type)
        if (type != LoginPacketType::Identification && type != LoginPacketType::Login &&
            type != CMessagePacket::kRoutedType)
            packets.emplace_back(quint8(type), "1 0");
    for (const char* destination : {"&", ".", ".db", ".rt", "bob", ".gb.bob.carol"})
        for (int type = 128; type < 256; ++type)
            packets.emplace_back(CMessagePacket::kRoutedType,
                                 CMessagePacket::RoutedBody(type, destination, QString(), "1 0"));
    for (size_t first = 0; first < packets.size(); first += 32) {
        std::vector<std::unique_ptr<Deaf>> batch;
        for (size_t i = first; i < std::min(packets.size(), first + 32); ++i) {
            batch.push_back(std::make_unique<Deaf>(server.Port(), QString()));
            ASSERT_TRUE(batch.back()->connected && batch.back()->Write(packets[i].first, packets[i].second));
        }
        for (size_t i = 0; i < batch.size(); ++i)
            EXPECT_TRUE(WaitFor([&] { return batch[i]->Ended(); }, 3000))
                << "type " << int(packets[first + i].first) << " " << packets[first + i].second.toHex().toStdString();
    }
    EXPECT_EQ(server.UserCount(), 0);

    RawMember mallory(server.Port(), "mallory");
    ASSERT_TRUE(mallory.SendAndWait(5000));
    mallory.Add(LoginPacketType::Identification, "\"1000 Norvale for Linux\"");
    mallory.Add(LoginPacketType::Login, CSecureLoginPacket{"other", "x"}.Format().toLatin1());
    ASSERT_TRUE(mallory.SendAndWait(5000));
    EXPECT_EQ(mallory.Count(LoginPacketType::Accepted, ""), 1);
    EXPECT_EQ(server.UserCount(), 1);
}

// A member's burst of presence toggles costs the others one directory change a turn: nobody else is
// dropped, and his last state is what they see.
TEST(DevServerLimits, ABurstOfPresenceTogglesLeavesTheOthersConnected) {
    testenv::ResetSettings();
    CDevServer server{CDevServer::Options{}};
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    Client alice(server.Port(), "alice");
    Client bob(server.Port(), "bob");
    ASSERT_TRUE(alice.WaitIn() && bob.WaitIn());
    RawMember mallory(server.Port(), "mallory");
    ASSERT_TRUE(WaitFor([&] { return alice.session.FindUser("mallory") && bob.session.FindUser("mallory"); }));

    for (int toggle = 0; mallory.burst.size() < 1200 * 1000; ++toggle)
        mallory.Add(LoginPacketType::Presence, toggle % 2 ? "0" : "1");
    mallory.Add(LoginPacketType::Presence, "1");
    // The member who floods may be dropped; the others never are.
    const bool answered = mallory.SendAndWait(120000);
    EXPECT_EQ(server.UserCount(), answered ? 3 : 2);
    if (answered) {
        EXPECT_TRUE(WaitFor([&] {
            return alice.session.FindUser("mallory")->GetPresence() == CUserInfo::kPresenceAway &&
                   bob.session.FindUser("mallory")->GetPresence() == CUserInfo::kPresenceAway;
        }));
    }
    alice.session.SendChat("still here", ChatKind::Said);
    EXPECT_TRUE(WaitFor([&] { return bob.HasLine("still here"); }));
}

// A member's allowance pays for every copy of what is sent on his behalf: his lines, his presence
// toggles and his walks between rooms; not for what others bring about. It saves no more than its
// burst, however long he was quiet.
TEST(DevServerLimits, AMembersAllowancePaysForEveryCopyOfHisAnnouncementsAndLines) {
    testenv::ResetSettings();
    CDevServer server(CDevServer::Options{.relayBytesPerSecond = 512, .relayBurstBytes = 256});
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    Client alice(server.Port(), "alice");
    Client bob(server.Port(), "bob");
    Client mallory(server.Port(), "mallory");
    ASSERT_TRUE(alice.WaitIn() && bob.WaitIn() && mallory.WaitIn());
    ASSERT_TRUE(WaitFor([&] { return bob.session.FindUser("mallory"); }));
    const auto seen = [&] { return bob.session.FindUser("mallory"); };
    // Copies are paid for before they go: a line dearer than the whole allowance is refused, and of two
    // lines of 250 bytes the second waits for the allowance, though she has been quiet for a second.
    WaitFor([] { return false; }, 1000);
    QElapsedTimer clock;
    clock.start();
    mallory.session.SendChat(QString(100, u'x'), ChatKind::Said); // three copies: 340 bytes
    mallory.session.SendChat(QString(68, u'y'), ChatKind::Said);
    mallory.session.SendChat(QString(69, u'y'), ChatKind::Said);
    ASSERT_TRUE(WaitFor([&] { return bob.HasLine(QString(69, u'y')); }));
    EXPECT_GE(clock.restart(), 300) << "lines";
    EXPECT_FALSE(bob.HasLine(QString(100, u'x')));
    EXPECT_TRUE(mallory.HasLine("That was not sent: it is too long for 3 readers."));
    // A toggle costs about 80 bytes (three readers), a transfer 200 with the view he is sent: 16 toggles
    // take over 2 s of allowance, 8 transfers over 2.7 s (1.6 s without the view).
    for (int i = 0; i < 16; ++i) {
        mallory.session.Send(LoginPacketType::Presence, i % 2 ? "0" : "1");
        ASSERT_TRUE(WaitFor([&] { return (seen()->GetPresence() == CUserInfo::kPresenceAway) == (i % 2 == 0); }));
    }
    EXPECT_GE(clock.restart(), 1000) << "toggles";
    for (int i = 0; i < 8; ++i) {
        const QString room = i % 2 ? ".mb" : ".gb.x.y";
        mallory.session.Send(LoginPacketType::Transfer, '"' + room + '"');
        ASSERT_TRUE(WaitFor([&] { return seen()->GetLocation() == room; }));
    }
    EXPECT_GE(clock.elapsed(), 2000) << "transfers";

    // rival leaving their match and coming back changes mallory's activity and unfinished matches,
    // for everybody, 24 times: that is rival's doing, and her tell goes at once after it.
    mallory.session.Send(LoginPacketType::Transfer, "\".gb.mallory.rival\"");
    for (int i = 0; i <= 12; ++i) {
        RawMember rival(server.Port(), "rival");
        rival.Add(LoginPacketType::Transfer, i == 0 ? "\".gb.mallory.rival\"" : "\".gb.mallory.rival ~\"");
        ASSERT_TRUE(rival.SendAndWait(5000));
        ASSERT_TRUE(WaitFor([&] { return server.FindMatch(".gb.mallory.rival"); }));
        rival.socket.disconnectFromHost();
        ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 3; }));
    }
    EXPECT_TRUE(server.HoldsUnfinishedMatch(".gb.mallory.rival"));
    mallory.session.SendChat("rival's doing", ChatKind::Tell, "bob");
    EXPECT_TRUE(WaitFor([&] { return bob.HasLine("rival's doing"); }, 3000)) << "mallory paid for rival's changes";
}

// A refused packet costs its sender what one copy sent would: a member streaming lines too long for
// the room, tells to a nickname not connected, or packets that are not his to send is slowed to his
// allowance's pace. He hears of each refusal that has an answer; the log has a line a burst and the
// count of the rest.
TEST(DevServerLimits, RefusedPacketsCostTheirSenderAndAreLoggedOnceABurst) {
    testenv::ResetSettings();
    CDevServer server(CDevServer::Options{
        .rightsMask = 0x1, .relayBytesPerSecond = 256 * 1024, .relayBurstBytes = 64 * 1024});
    QStringList lines;
    QObject::connect(&server, &CDevServer::logLine, [&](const QString& line) { lines << line; });
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    std::vector<std::unique_ptr<RawMember>> room; // mallory, bob and three more: a line of 20 KB costs 100 KB
    for (const char* name : {"mallory", "bob", "carol", "dave", "eve"})
        room.push_back(std::make_unique<RawMember>(server.Port(), name));
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 5; }));
    RawMember& mallory = *room[0];
    const struct {
        int type;
        const char* destination;
        const char* answer;
    } cases[] = {
        {ChatPacket::Said, "&", "That was not sent: it is too long for 5 readers."},
        {ChatPacket::Tell, "ghost", "Message to ghost could not be delivered"},
        {ChatPacket::Notify, "&", "You may not send notices."},
        {217, "bob", nullptr},
        {150, ".rt", nullptr},
    };
    const QRegularExpression more(QStringLiteral("^mallory: (\\d+) more packets refused$"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        WaitFor([] { return false; }, 300); // her allowance whole again
        lines.clear();
        const int answers = c.answer ? mallory.Count(CMessagePacket::kRoutedType, c.answer) : 0;
        for (int i = 0; i < 12; ++i)
            mallory.AddRouted(c.type, c.destination, QByteArray(20000, 'r'));
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(mallory.SendAndWait(10000));
        EXPECT_GE(clock.elapsed(), 400) << "not slowed";
        if (c.answer) {
            EXPECT_EQ(mallory.Count(CMessagePacket::kRoutedType, c.answer) - answers, 12);
        }
        // Every refusal is in the log, most of them counted.
        const auto logged = [&] {
            int count = 0;
            for (const QString& line : lines) {
                const QRegularExpressionMatch summary = more.match(line);
                count += summary.hasMatch() ? summary.captured(1).toInt() : 1;
            }
            return count;
        };
        EXPECT_TRUE(WaitFor([&] { return logged() == 12; }, 3000)) << lines.join('\n').toStdString();
        EXPECT_LE(lines.size(), 4) << lines.join('\n').toStdString();
    }
    for (const auto& member : room)
        EXPECT_EQ(member->Count(CMessagePacket::kRoutedType, "rrrr"), 0);
}

// Members who change at the same moment reach the others a few at a time, none of them lost, each
// with his last state.
TEST_F(DevServerTest, ManyMembersChangingAtOnceAllReachTheDirectory) {
    Client alice(server.Port(), "alice");
    ASSERT_TRUE(alice.WaitIn());
    std::vector<std::unique_ptr<RawMember>> crowd;
    for (int i = 0; i < 80; ++i)
        crowd.push_back(std::make_unique<RawMember>(server.Port(), QStringLiteral("member%1").arg(i)));
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 81; }));
    for (int i = 0; i < 80; ++i) {
        // The odd ones end where they began.
        crowd[size_t(i)]->Add(LoginPacketType::Presence, "1");
        if (i % 2)
            crowd[size_t(i)]->Add(LoginPacketType::Presence, "0");
        crowd[size_t(i)]->socket.write(crowd[size_t(i)]->burst);
    }
    const auto awayAsExpected = [&] {
        for (int i = 0; i < 80; ++i) {
            const CClientUserInfo* user = alice.session.FindUser(QStringLiteral("member%1").arg(i));
            if (!user || (user->GetPresence() == CUserInfo::kPresenceAway) != (i % 2 == 0))
                return false;
        }
        return true;
    };
    EXPECT_TRUE(WaitFor(awayAsExpected, 20000));
}

// A member walking through rooms costs each other member one directory entry a turn, and himself one
// view of them: counted for 41 transfers in one write.
TEST_F(DevServerTest, TransfersInOneWriteReachTheDirectoryOnceATurn) {
    Client alice(server.Port(), "alice");
    Client bob(server.Port(), "bob");
    ASSERT_TRUE(alice.WaitIn() && bob.WaitIn());
    // The directory entries (110) a reader gets about one member.
    struct Entries : CPacketTarget {
        Entries(CSessionDoc* session, const QString& about) : CPacketTarget(session), prefix('"' + about + "\" ") {}
        int OnSessionEvent(int code, const QString& text) override {
            count += code == CLobbyUserMap::kEventChanged && text.startsWith(prefix);
            return 0;
        }
        QString prefix;
        int count = 0;
    } aboutBob(&alice.session, "bob"), aboutAlice(&bob.session, "alice");
    for (int i = 0; i < 20; ++i) {
        bob.session.Send(LoginPacketType::Transfer, "\".gb.x.y\"");
        bob.session.Send(LoginPacketType::Transfer, "\".mb\"");
    }
    bob.session.Send(LoginPacketType::Transfer, "\".gb.x.y\"");
    bob.session.Send(58, "MARK");
    ASSERT_TRUE(WaitFor([&] { return bob.HasLine("ERROR - unrecognized command - MARK"); }));
    alice.session.Send(58, "MARK");
    ASSERT_TRUE(WaitFor([&] { return alice.HasLine("ERROR - unrecognized command - MARK"); }));
    EXPECT_EQ(alice.session.FindUser("bob")->GetLocation(), ".gb.x.y");
    // (One write may reach the server in two reads.)
    EXPECT_GE(aboutBob.count, 1);
    EXPECT_LE(aboutBob.count, 2);
    EXPECT_LE(aboutAlice.count, 2);
}

// The limits on one member's burst, each seen in what the others get: his frames are handled a few
// dozen a turn, so another member's line, sent once the burst has begun, comes before its end; his
// presence toggles of one turn reach the others as one change; all he sent before closing is handled.
TEST_F(DevServerTest, ABurstIsHandledAFewFramesATurnWholeEvenWhenItsSenderCloses) {
    Client alice(server.Port(), "alice");
    ASSERT_TRUE(alice.WaitIn());
    RawMember mallory(server.Port(), "mallory");
    RawMember bob(server.Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return alice.session.FindUser("mallory") && alice.session.FindUser("bob"); }));
    const auto tellsFrom = [&](const QString& name) {
        return int(std::count_if(alice.chat.lines.begin(), alice.chat.lines.end(),
                                 [&](const auto& l) { return l.kind == ChatKind::Tell && l.name == name; }));
    };

    for (int i = 0; i < 300; ++i)
        mallory.AddRouted(ChatPacket::Tell, "alice", "burst " + QByteArray::number(i));
    QObject::connect(&server, &CDevServer::packetRelayed, &bob.socket, [&](const QString& from) {
        if (from != "mallory" || bob.socket.property("sent").toBool())
            return;
        bob.socket.setProperty("sent", true);
        bob.AddRouted(ChatPacket::Tell, "alice", "between");
        bob.socket.write(bob.burst);
        bob.socket.flush();
    });
    mallory.socket.write(mallory.burst);
    mallory.burst.clear();
    ASSERT_TRUE(WaitFor([&] { return tellsFrom("mallory") == 300 && alice.HasLine("between"); }));
    int before = 0;
    for (const auto& line : alice.chat.lines) {
        if (line.text == "between")
            break;
        before += line.name == "mallory" ? 1 : 0;
    }
    EXPECT_LT(before, 300) << "the burst was handled in one turn";

    // 41 toggles in one write: bob's directory has one change of mallory's, the last state.
    ASSERT_TRUE(bob.SendAndWait(5000));
    const int changes = bob.Count(110, "\"mallory\"");
    for (int toggle = 0; toggle < 41; ++toggle)
        mallory.Add(LoginPacketType::Presence, toggle % 2 ? "0" : "1");
    ASSERT_TRUE(mallory.SendAndWait(5000));
    ASSERT_TRUE(bob.SendAndWait(5000)); // the change went out in the turn after the toggles
    EXPECT_EQ(bob.Count(110, "\"mallory\"") - changes, 1);
    EXPECT_TRUE(WaitFor([&] { return alice.session.FindUser("mallory")->GetPresence() == CUserInfo::kPresenceAway; }));

    // 300 tells in one write, then the connection ends with what the server sent unread: all 300
    // reach alice.
    {
        Deaf carol(server.Port(), "carol");
        ASSERT_TRUE(WaitFor([&] { return alice.session.FindUser("carol"); }));
        QByteArray burst;
        for (int i = 0; i < 300; ++i)
            EncodeFrame(CMessagePacket::kRoutedType,
                        CMessagePacket::RoutedBody(ChatPacket::Tell, "alice", QString(), "last " + QByteArray::number(i)),
                        burst);
        ASSERT_EQ(::write(carol.fd, burst.constData(), size_t(burst.size())), burst.size());
    }
    ASSERT_TRUE(WaitFor([&] { return !alice.session.FindUser("carol"); }));
    EXPECT_EQ(tellsFrom("carol"), 300);
    EXPECT_TRUE(alice.HasLine("last 299"));

    // A client that closes at once after 300 letters, their answers unread, closes without a reset:
    // every letter is taken.
    {
        Client dave(server.Port(), "dave");
        ASSERT_TRUE(dave.WaitIn());
        for (int i = 0; i < 300; ++i) {
            CMessageHeader header("s", "dave", "bob", QString(), QString(), QString(), 0, kStatusReadyToSend, 0, 1);
            header.SetMessageId(QStringLiteral("bob%1").arg(i));
            dave.session.Send(MailPacket::kType, MailPacket::FormatSend(header, QString(1000, u'd')));
        }
        dave.session.Disconnect();
    }
    EXPECT_TRUE(WaitFor([&] { return bob.tail.contains(MailPacket::FormatPendingCount("bob", 300).toLatin1()); }));
}

// A member who reads is not dropped for what one turn sent him beyond the output limit (the letters
// of his mailbox), nor for a flood of another member's chat he reads slower than it comes: the
// flooder waits instead.
TEST(DevServerLimits, AMemberWhoReadsIsNotDroppedForABurstOrAFlood) {
    testenv::ResetSettings();
    CDevServer::Options options;
    options.outputLimitBytes = 256 * 1024;
    options.sendBufferBytes = 64 * 1024;
    options.relayBytesPerSecond = 96 * 1024;
    CDevServer server(options);
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    Client alice(server.Port(), "alice");
    ASSERT_TRUE(alice.WaitIn());
    RawMember bob(server.Port(), "bob", 4096);
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 2; }));

    // 720 KB of letters, handed over in one turn.
    MailPacket::Message letter;
    letter.body = QString(60000, u'm');
    for (int i = 0; i < 12; ++i) {
        CMessageHeader header("s", "alice", "bob", QString(), QString(), QString(), 0, kStatusReadyToSend, 0, 1);
        header.SetMessageId(QStringLiteral("bob%1").arg(i));
        alice.session.Send(MailPacket::kType, MailPacket::FormatSend(header, letter.body));
    }
    ASSERT_TRUE(WaitFor([&] { return bob.tail.contains(MailPacket::FormatPendingCount("bob", 12).toLatin1()); }));
    bob.Add(MailPacket::kType, MailPacket::FormatRequest("bob").toLatin1());
    EXPECT_TRUE(bob.SendAndWait(10000));
    EXPECT_EQ(bob.Count(MailPacket::kType, "mmmm"), 12);

    // mallory floods the lobby with long lines; carol reads 16 KiB at a time.
    RawMember mallory(server.Port(), "mallory");
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 3; }));
    Deaf carol(server.Port(), "carol");
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 4; }));
    const QByteArray line(8000, 'f');
    for (int i = 0; i < 1500; ++i)
        mallory.AddRouted(ChatPacket::Said, "&", line);
    mallory.socket.write(mallory.burst);
    QElapsedTimer flood;
    flood.start();
    bool carolEnded = false;
    WaitFor([&] {
        char buffer[16384];
        const ssize_t n = ::recv(carol.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        carolEnded = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
        return carolEnded || flood.elapsed() > 2000;
    }, 3000);
    EXPECT_FALSE(carolEnded);
    EXPECT_EQ(server.UserCount(), 4) << "a reader or the flooder was dropped";
    const int seen = int(std::count_if(alice.chat.lines.begin(), alice.chat.lines.end(),
                                       [&](const auto& l) { return l.name == "mallory"; }));
    EXPECT_GT(seen, 0);
    EXPECT_LT(seen, 1500) << "the flooder was not slowed";
}

// Steady readers keep their seats while others write as fast as the server takes it: chatter tells
// fast (200 KB/s) and speaks in the room he shares with slow (1 KB/s), teller tells slow. chatter is
// slowed by his allowance, teller's tells wait a little for slow and are then refused, and slow misses
// the room's chat once far behind (half his output limit: 32 KiB); slow's socket passes on a trickle
// though the system takes nothing.
TEST(DevServerLimits, SteadyReadersKeepTheirSeatsWhileOthersWriteAsFastAsTheyMay) {
    testenv::ResetSettings();
    CDevServer server(CDevServer::Options{
        .outputLimitBytes = 64 * 1024, .staleOutputSeconds = 3, .sendBufferBytes = 32 * 1024});
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    Deaf fast(server.Port(), "fast", 16 * 1024);
    Deaf slow(server.Port(), "slow", 1024);
    RawMember chatter(server.Port(), "chatter");
    RawMember teller(server.Port(), "teller");
    Client away(server.Port(), "away");
    ASSERT_TRUE(away.WaitIn());
    away.session.SetAwayState(true, false);
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 5; }));
    const QByteArray line(1994, 'w');
    for (int i = 0; i < 6000; ++i) {
        chatter.AddRouted(ChatPacket::Tell, "fast", line + "<tell>");
        chatter.AddRouted(ChatPacket::Said, "&", line + "<said>");
        teller.AddRouted(ChatPacket::Tell, "slow", line + "<tell>");
    }
    chatter.socket.write(chatter.burst);
    teller.socket.write(teller.burst);
    QElapsedTimer flood;
    flood.start();
    const auto readOn = [&] { // what their pace allows, whatever the event loop's delays
        return fast.Read(200 * flood.elapsed() - fast.read.size()) && slow.Read(flood.elapsed() - slow.read.size());
    };
    WaitFor([&] { return !readOn() || flood.elapsed() > 25000; }, 40000);
    EXPECT_EQ(server.UserCount(), 5);
    EXPECT_GT(chatter.socket.bytesToWrite(), 0) << "chatter was not slowed";
    EXPECT_GT(teller.socket.bytesToWrite(), 0) << "teller was not slowed";
    EXPECT_GT(teller.Count(CMessagePacket::kRoutedType, "slow has not yet read"), 0) << "teller's tells were queued";

    // slow tells the away member; his client's automatic answer to slow, who is behind, is refused at
    // once: nothing of his (his game's moves) waits behind it.
    QElapsedTimer answer;
    answer.start();
    ASSERT_TRUE(
        slow.Write(CMessagePacket::kRoutedType, CMessagePacket::RoutedBody(ChatPacket::Tell, "away", QString(), "there?")));
    const QString refused = "That was not sent: slow has not yet read what was sent to him before.";
    EXPECT_TRUE(WaitFor([&] { return !readOn() || away.HasLine(refused); }, 10000));
    EXPECT_LT(answer.elapsed(), CConnectionLimits::kReaderWaitMs / 2) << "the away member waited for slow";

    // The writers stop; once the server has handled what they sent, the readers read all of it.
    chatter.socket.abort();
    teller.socket.abort();
    ASSERT_TRUE(WaitFor([&] { return !readOn() || server.UserCount() == 3; }, 20000));
    for (Deaf* reader : {&fast, &slow}) {
        ASSERT_TRUE(reader->Write(112, "Drained nobody"));
        EXPECT_TRUE(WaitFor([&] { return !reader->Read(1 << 30) || reader->read.contains("Drained"); }, 10000));
    }
    // chatter's tells came at his allowance's pace, far below fast's; teller's waited for slow, and
    // were refused; slow got a part of the room's chat.
    EXPECT_GT(fast.read.count("<tell>"), 20);
    EXPECT_LT(fast.read.count("<tell>"), 1000);
    EXPECT_LT(slow.read.count("<tell>"), 150);
    EXPECT_GT(slow.read.count("<said>"), 0);
    EXPECT_LT(slow.read.count("<said>"), fast.read.count("<said>"));
}

// Readers on slow links, as a real reader's system has them: 1448-byte segments and a small receive
// buffer, whose window opens in steps (once a minute or so at 1 KB/s). Members tell them 64,000
// characters at a time, as fast as the server takes them: a 20 KB/s reader from four, a 2 KB/s and a
// 1 KB/s reader from one each, for three minutes. None is dropped; what waits for each in the server
// stays near his bound (512 KiB), whatever all his senders offer; what could not wait is refused to
// its sender with a line.
TEST(DevServerLimits, ReadersOnSlowLinksKeepTheirSeatsAgainstTellsAsFastAsTheServerTakesThem) {
    testenv::ResetSettings();
    CDevServer server{CDevServer::Options{}};
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    struct Road {
        QString reader;
        qint64 pace; // bytes a second
        int senders;
    };
    const std::vector<Road> roads{{"fast", 20000, 4}, {"slow", 2000, 1}, {"slowest", 1000, 1}};
    std::vector<std::unique_ptr<Deaf>> readers;
    std::vector<std::pair<std::unique_ptr<RawMember>, QString>> senders;
    for (const Road& road : roads) {
        readers.push_back(std::make_unique<Deaf>(server.Port(), road.reader, 64 * 1024, 1448));
        for (int i = 0; i < road.senders; ++i)
            senders.emplace_back(std::make_unique<RawMember>(server.Port(), QStringLiteral("%1%2").arg(road.reader).arg(i)),
                                 road.reader);
    }
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 9; }));
    const QByteArray tell = QByteArray(64000 - 6, 't') + "<tell>";
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> most(roads.size(), 0);
    bool allRead = true;
    WaitFor([&] {
        for (auto& [sender, reader] : senders) {
            if (sender->socket.bytesToWrite() < tell.size()) {
                sender->AddRouted(ChatPacket::Tell, reader, tell);
                sender->socket.write(sender->burst);
                sender->burst.clear();
            }
        }
        for (size_t i = 0; i < roads.size(); ++i) {
            allRead = readers[i]->Read(roads[i].pace * clock.elapsed() / 1000 - readers[i]->read.size()) && allRead;
            most[i] = qMax(most[i], server.OutputWaitingFor(roads[i].reader));
        }
        return !allRead || clock.elapsed() > 185 * 1000;
    }, 200 * 1000);
    EXPECT_TRUE(allRead) << "a reader was dropped after " << clock.elapsed() / 1000 << " s";
    EXPECT_EQ(server.UserCount(), 9);
    for (size_t i = 0; i < roads.size(); ++i) {
        SCOPED_TRACE(roads[i].reader.toStdString());
        EXPECT_LE(most[i], 512 * 1024 + roads[i].senders * tell.size() + 1024) << "bytes waited in the server";
        EXPECT_GT(readers[i]->read.count("<tell>"), 1) << "tells reached him";
    }
    for (auto& [sender, reader] : senders)
        EXPECT_GT(sender->Count(CMessagePacket::kRoutedType, reader.toLatin1() + " has not yet read"), 0);
}

// Members who never read: past the output budget of all connections, the largest backlog goes
// first; the backlogs that then wait, taking nothing, go once they are stale.
TEST(DevServerLimits, TheLargestBacklogsGoPastTheBudgetAndStaleOnesGoToo) {
    testenv::ResetSettings();
    CDevServer::Options options;
    options.outputBudgetBytes = 2560 * 1024;
    options.staleOutputSeconds = 1;
    options.relayBytesPerSecond = 0;
    CDevServer server(options);
    QStringList drops;
    QObject::connect(&server, &CDevServer::logLine, [&](const QString& line) {
        if (line.contains(" dropped: "))
            drops.append(line);
    });
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    Client alice(server.Port(), "alice");
    ASSERT_TRUE(alice.WaitIn());
    std::vector<std::unique_ptr<Deaf>> deaf;
    for (int i = 1; i <= 3; ++i)
        deaf.push_back(std::make_unique<Deaf>(server.Port(), QStringLiteral("deaf%1").arg(i)));
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 4; }));
    const QString tell(60000, u't');
    for (const auto& [name, tells] : {std::pair{"deaf1", 67}, {"deaf2", 20}, {"deaf3", 15}})
        for (int i = 0; i < tells; ++i)
            alice.session.Send(ChatPacket::Tell, tell, -1, name);
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 1; }, 10000));
    ASSERT_EQ(drops.size(), 3);
    EXPECT_TRUE(drops[0].startsWith("deaf1 dropped:") && drops[0].endsWith("for all connections")) << drops[0].toStdString();
    for (const QString& line : drops.mid(1))
        EXPECT_TRUE(line.endsWith("waited unread for 1 s")) << line.toStdString();
    alice.session.SendChat("still here", ChatKind::Said);
    EXPECT_TRUE(WaitFor([&] { return alice.HasLine("still here"); }));
}

// Rooms come and go with the people in them, however many a member walks through; one holding an
// unfinished match stays for its players.
TEST_F(DevServerTest, EmptyRoomsGoAndOneWithAnUnfinishedMatchStays) {
    {
        Client alice(server.Port(), "alice");
        Client bob(server.Port(), "bob");
        ASSERT_TRUE(alice.WaitIn() && bob.WaitIn());
        CInvitationManager aliceInvites(&alice.session);
        alice.session.AttachToGameService(".gb.alice.bob", 1);
        bob.session.AttachToGameService(".gb.alice.bob", 1);
        ASSERT_TRUE(WaitFor([&] { return server.FindMatch(".gb.alice.bob"); }));
        alice.session.DetachFromGameService();
        bob.session.DetachFromGameService();
        ASSERT_TRUE(WaitFor([&] { return aliceInvites.HasUnfinishedMatch(".gb.alice.bob"); }));
    }
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 0; }));
    const int before = server.RoomCount();
    EXPECT_EQ(before, 1);

    RawMember walker(server.Port(), "walker");
    for (int i = 0; i < 100000; ++i) {
        // As a player with terms, as a player coming back, and as a watcher.
        const QByteArray room = i % 3 == 0   ? "\".gb.walker.p" + QByteArray::number(i) + " 0 1 0\""
                                : i % 3 == 1 ? "\".gb.walker.p" + QByteArray::number(i) + " ResumeMatch M9\""
                                             : "\".gb.a" + QByteArray::number(i) + ".b\"";
        walker.Add(LoginPacketType::Transfer, room);
        if (walker.burst.size() > 256 * 1024) {
            ASSERT_TRUE(walker.SendAndWait(60000)) << i;
        }
    }
    walker.Add(LoginPacketType::Transfer, "\".mb\"");
    ASSERT_TRUE(walker.SendAndWait(60000));
    EXPECT_EQ(server.RoomCount(), before);
    EXPECT_NE(server.FindMatch(".gb.alice.bob"), nullptr);
}

// A sender who goes without reading the answer to his letter is handed it at his next login.
TEST_F(DevServerTest, ASenderWhoLeavesWithoutReadingGetsTheAnswerAtHisNextLogin) {
    Client bob(server.Port(), "bob");
    ASSERT_TRUE(bob.WaitIn());
    MailPackets bobHears(&bob.session);
    CMessageHeader header("s", "dave", "bob", QString(), QString(), QString(), 0, kStatusReadyToSend, 0, 1);
    header.SetMessageId("unread1");
    {
        RawMember dave(server.Port(), "dave");
        ASSERT_TRUE(dave.SendAndWait(5000));
        QObject::disconnect(&dave.socket, &QTcpSocket::readyRead, nullptr, nullptr);
        dave.Add(MailPacket::kType, MailPacket::FormatSend(header, "b").toLatin1());
        dave.socket.write(dave.burst);
        // bob is told of the letter: the server has taken it and answered dave, who leaves unread.
        ASSERT_TRUE(WaitFor([&] { return bobHears.texts.contains(MailPacket::FormatPendingCount("bob", 1)); }));
    }
    RawMember again(server.Port(), "dave");
    ASSERT_TRUE(again.SendAndWait(5000));
    EXPECT_TRUE(again.tail.contains(MailPacket::FormatDeliveryResult("dave", true, "unread1").toLatin1()));
}

// A letter handed to a connection that ends before filing it waits again, and a filing report counts
// only for this run's letters: another run's delivery id with the same letter number files nothing.
TEST_F(DevServerTest, AHandedLetterWaitsAgainUntilThisRunsReportFilesIt) {
    CDevServer other{CDevServer::Options{}};
    ASSERT_TRUE(other.Listen(QHostAddress::LocalHost, 0));
    const auto mail = [](const RawMember& member, int subCode) {
        std::vector<MailPacket::Incoming> found;
        for (const auto& [type, body] : member.frames) {
            MailPacket::Incoming in;
            if (type == MailPacket::kType && MailPacket::ParseIncoming(QString::fromLatin1(body), in) ==
                                                 MailPacket::ParseResult::Ok && in.subCode == subCode)
                found.push_back(in);
        }
        return found;
    };
    CMessageHeader header("s", "carol", "bob", QString(), QString(), QString(), 0, kStatusReadyToSend, 0, 1);
    header.SetMessageId("handed1");
    std::vector<std::unique_ptr<RawMember>> carols;
    for (CDevServer* run : {&server, &other}) {
        ASSERT_TRUE(RawMember(run->Port(), "bob").SendAndWait(5000)); // known to the run from now on
        carols.push_back(std::make_unique<RawMember>(run->Port(), "carol"));
        carols.back()->Add(MailPacket::kType, MailPacket::FormatSend(header, "b").toLatin1());
        ASSERT_TRUE(carols.back()->SendAndWait(5000));
    }
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 1 && other.UserCount() == 1; }));
    RawMember there(other.Port(), "bob");
    there.Add(MailPacket::kType, MailPacket::FormatRequest("bob").toLatin1());
    ASSERT_TRUE(there.SendAndWait(5000));
    ASSERT_EQ(mail(there, MailPacket::kNewMessage).size(), 1u);
    const QString otherRuns = mail(there, MailPacket::kNewMessage)[0].message.deliveryId;

    // bob's client goes without a report, then with the other run's, then with this run's.
    for (int round = 0; round < 3; ++round) {
        RawMember bob(server.Port(), "bob");
        bob.Add(MailPacket::kType, MailPacket::FormatRequest("bob").toLatin1());
        ASSERT_TRUE(bob.SendAndWait(5000));
        ASSERT_FALSE(mail(bob, MailPacket::kPendingCount).empty());
        EXPECT_EQ(mail(bob, MailPacket::kPendingCount)[0].count, 1) << round;
        ASSERT_EQ(mail(bob, MailPacket::kNewMessage).size(), 1u);
        const QString id = mail(bob, MailPacket::kNewMessage)[0].message.deliveryId;
        ASSERT_TRUE(id.endsWith(otherRuns.mid(otherRuns.indexOf('.'))) && id != otherRuns);
        if (round > 0)
            bob.Add(MailPacket::kType, MailPacket::FormatFilingResult("bob", true, {round == 1 ? otherRuns : id}).toLatin1());
        ASSERT_TRUE(bob.SendAndWait(5000));
        ASSERT_TRUE(carols[0]->SendAndWait(5000));
        EXPECT_EQ(mail(*carols[0], MailPacket::kAcknowledged).size(), round == 2 ? 1u : 0u) << round;
        bob.socket.disconnectFromHost();
        ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 1; }));
    }
}

// Each sender's answers are watched apart: one whose answer is still unsent as he leaves is handed it
// at his next login, however many answers another member's flood of refused letters had meanwhile.
TEST(DevServerLimits, AFloodOfRefusedLettersTakesNoOtherMembersAnswerAway) {
    testenv::ResetSettings();
    CDevServer server(CDevServer::Options{.sendBufferBytes = 4096});
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    RawMember mallory(server.Port(), "mallory");
    ASSERT_TRUE(mallory.SendAndWait(5000));
    // dave never reads: what the server writes him after his tells to himself stays in its queue.
    auto dave = std::make_unique<Deaf>(server.Port(), "dave");
    const QByteArray tell = CMessagePacket::RoutedBody(ChatPacket::Tell, "dave", QString(), QByteArray(16000, 't'));
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(dave->Write(CMessagePacket::kRoutedType, tell));
    CMessageHeader header("s", "dave", "mallory", QString(), QString(), QString(), 0, kStatusReadyToSend, 0, 1);
    header.SetMessageId("kept1");
    ASSERT_TRUE(dave->Write(MailPacket::kType, MailPacket::FormatSend(header, "b").toLatin1()));
    ASSERT_TRUE(WaitFor([&] { return mallory.tail.contains(MailPacket::FormatPendingCount("mallory", 1).toLatin1()); }));

    CMessageHeader unknown("s", "mallory", "nobody", QString(), QString(), QString(), 0, kStatusReadyToSend, 0, 1);
    unknown.SetMessageId("refused1");
    const QByteArray refused = MailPacket::FormatSend(unknown, "b").toLatin1();
    for (int i = 0; i < 100001; ++i) // more than were once watched for all senders together
        mallory.Add(MailPacket::kType, refused);
    ASSERT_TRUE(mallory.SendAndWait(120000));
    dave.reset();
    ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 1; }));
    RawMember again(server.Port(), "dave");
    ASSERT_TRUE(again.SendAndWait(5000));
    EXPECT_TRUE(again.tail.contains(MailPacket::FormatDeliveryResult("dave", true, "kept1").toLatin1()));
}

// One member's letters stop at his quota, well before the office is full; another member's letter
// still arrives.
TEST_F(DevServerTest, AMembersLettersStopAtHisQuotaAndOthersMailStillArrives) {
    // Twenty members the server knows, whose mailboxes would hold more than the office does.
    {
        std::vector<std::unique_ptr<RawMember>> boxes;
        for (int i = 0; i < 20; ++i)
            boxes.push_back(std::make_unique<RawMember>(server.Port(), QStringLiteral("box%1").arg(i)));
        ASSERT_TRUE(WaitFor([&] { return server.UserCount() == 20; }));
    }
    Client mallory(server.Port(), "mallory");
    Client alice(server.Port(), "alice");
    Client bob(server.Port(), "bob");
    ASSERT_TRUE(mallory.WaitIn() && alice.WaitIn() && bob.WaitIn());
    MailPackets malloryReplies(&mallory.session), aliceReplies(&alice.session), bobReplies(&bob.session);
    const auto send = [](Client& from, const QString& to, const QString& id, const QString& body) {
        CMessageHeader header("s", from.session.GetNickname(), to, QString(), QString(), QString(), 0,
                              kStatusReadyToSend, 0, 1);
        header.SetMessageId(id);
        from.session.Send(MailPacket::kType, MailPacket::FormatSend(header, body));
    };
    // Enough to fill the whole office, were it not for his quota.
    MailPacket::Message letter;
    letter.from = "mallory";
    letter.to = "box10";
    letter.kind = "1";
    letter.body = QString(64000, u'm');
    letter.messageId = "x0000";
    const int quota = int(CMailStore::kSenderBytes / CMailStore::Size(letter));
    const int letters = int(CMailStore::kOfficeBytes / CMailStore::Size(letter)) + 2;
    for (int i = 0; i < letters; ++i)
        send(mallory, QStringLiteral("box%1").arg(i % 20), QStringLiteral("x%1").arg(i, 4, 10, QLatin1Char('0')),
             letter.body);
    ASSERT_TRUE(WaitFor([&] { return malloryReplies.texts.size() == letters; }, 60000));
    int delivered = 0;
    for (const QString& text : malloryReplies.texts) {
        MailPacket::Incoming reply;
        ASSERT_EQ(MailPacket::ParseIncoming(text, reply), MailPacket::ParseResult::Ok);
        delivered += reply.delivered ? 1 : 0;
    }
    EXPECT_EQ(delivered, quota);

    send(alice, "bob", "hello1", "Are you there?");
    ASSERT_TRUE(WaitFor([&] { return !aliceReplies.texts.isEmpty(); }));
    MailPacket::Incoming reply;
    ASSERT_EQ(MailPacket::ParseIncoming(aliceReplies.texts.front(), reply), MailPacket::ParseResult::Ok);
    EXPECT_TRUE(reply.delivered);
    bob.session.Send(MailPacket::kType, MailPacket::FormatRequest("bob"));
    EXPECT_TRUE(WaitFor([&] {
        return std::any_of(bobReplies.texts.begin(), bobReplies.texts.end(), [](const QString& text) {
            MailPacket::Incoming in;
            return MailPacket::ParseIncoming(text, in) == MailPacket::ParseResult::Ok &&
                   in.message.body == "Are you there?";
        });
    }));
}

// Talk windows opened by packets: one member gets a few of them, and the busy answer beyond; talks
// from others still open.
TEST_F(DevServerTest, OneMemberOpensOnlyAFewTalkWindows) {
    Client alice(server.Port(), "alice");
    CTalkDoc::Attach(alice.session);
    Client mallory(server.Port(), "mallory");
    Client bob(server.Port(), "bob");
    Client carol(server.Port(), "carol");
    ASSERT_TRUE(alice.WaitIn() && mallory.WaitIn() && bob.WaitIn() && carol.WaitIn());
    ASSERT_TRUE(WaitFor([&] { return alice.session.FindUser("carol") && mallory.session.FindUser("carol"); }));

    // Every group of known names makes a talk of its own.
    const QList<QStringList> groups = {{}, {"bob"}, {"carol"}, {"bob", "carol"}};
    for (const QStringList& others : groups) {
        const QString text = "mallory: let me in";
        mallory.session.OpenTalk(&text, QStringList{"mallory", "alice"} + others);
    }
    ASSERT_TRUE(WaitFor([&] { return mallory.HasLine("is busy and cannot talk now"); }));
    EXPECT_EQ(alice.session.GetTalkCount(), CSessionDoc::kMaxPacketTalksPerSender);
    EXPECT_EQ(alice.session.FindTalk({"alice", "mallory", "bob", "carol"}), nullptr);

    const QString text = "bob: hello";
    bob.session.OpenTalk(&text, {"bob", "alice"});
    ASSERT_TRUE(WaitFor([&] { return alice.session.FindTalk({"alice", "bob"}); }));
    EXPECT_EQ(alice.session.GetTalkCount(), CSessionDoc::kMaxPacketTalksPerSender + 1);
    EXPECT_FALSE(alice.HasLine(QStringLiteral("%1 talk windows opened by others are open: further talks are "
                                              "refused until you close some.")
                                   .arg(CSessionDoc::kMaxPacketTalks)));
}
