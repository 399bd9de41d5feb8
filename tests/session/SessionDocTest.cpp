#include "net/ClientNode.h"
#include "platform/Sound.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "session/PacketTarget.h"
#include "session/UserInfo.h"
#include "support/ApplicationTimer.h"
#include "support/SessionFixture.h"
#include "support/SettingsStore.h"
#include "support/SoundSettings.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <stdexcept>

using testenv::RecordingTarget;
using testenv::SessionTest;
using testenv::WaitFor;

namespace {

class FakeInvitations : public CInvitationService {
public:
    void CloseDialogsForUser(const QString& nickname) override { closedFor.append(nickname); }
    void CloseAllInvitations() override { ++closedAll; }
    void InvitePlayer(const QString&, int, int, bool) override {}
    QStringList closedFor;
    int closedAll = 0;
};

class FakeRelations : public CRelationsQuery {
public:
    bool IsGagged(const QString& n) const override { return gagged.contains(n, Qt::CaseInsensitive); }
    bool IsAffinity(const QString&) const override { return false; }
    bool IsBlinded(const QString&) const override { return false; }
    QStringList gagged;
};

class FakeTalk : public CTalkSession {
public:
    explicit FakeTalk(QStringList p) : people(std::move(p)) {}
    void AddIncomingText(const QString& sender, const CTalkLine& line) override {
        lines.append(sender + ": " + line.display);
        kinds.append(line.kind);
        texts.append(line.text);
    }
    void Activate() override { ++activations; }
    QStringList people;
    QStringList lines;
    QList<int> kinds;
    QStringList texts;
    int activations = 0;
};

class SessionDocTest : public SessionTest {
protected:
    // The directory learns of these members, as the server announces them (packet 97).
    void Arrive(const QStringList& nicknames) {
        QString text = QStringLiteral("%1 %2\n").arg(nicknames.size() + 1).arg(nicknames.size());
        for (const QString& nickname : nicknames) {
            CUserInfo user(nickname);
            user.ClearChangeMask();
            user.SetPresence(2);
            user.SetActivity(2);
            text += user.FormatUpdateText(0, UserField::OwnMask, true);
        }
        ServerSend(97, text);
    }
};

// ---- Login

TEST_F(SessionDocTest, NicknameRightsAndAccountFlagsComeWithTheAcceptance) {
    EXPECT_TRUE(session->GetNickname().isEmpty());
    server->Acceptance().rightsMask = 4294967295u;
    server->Acceptance().accountFlags = 0; // bit 0 clear: mail barred
    ASSERT_TRUE(Login("Alice"));
    EXPECT_EQ(session->GetNickname(), "Alice");
    EXPECT_EQ(session->GetRightsMask(), 0xFFFFFFFFu);
    EXPECT_TRUE(session->IsMailBarred());
    EXPECT_EQ(session->GetServiceName().GetText(), ".mb");
    EXPECT_EQ(session->GetServiceActive(), 1);
    EXPECT_EQ(session->GetServiceSetting("urlHelp"), "http://127.0.0.1/help");
    EXPECT_EQ(GetSettingsStore().GetUser(), "Alice");
}

TEST_F(SessionDocTest, RefusedLoginReportsTheReasonAndLeavesNoNickname) {
    server->RefuseLogins("Unknown nickname.");
    QString reason;
    QObject::connect(session.get(), &CSessionDoc::loginRefused, [&](const QString& r) { reason = r; });
    session->Connect(server->LoginRequest("mallory"));
    ASSERT_TRUE(WaitFor([&] { return !reason.isEmpty(); }));
    EXPECT_EQ(reason, "Unknown nickname.");
    EXPECT_TRUE(session->GetNickname().isEmpty());
    EXPECT_FALSE(session->IsConnected());
}

TEST_F(SessionDocTest, MalformedFrameClosesTheSessionWithAProtocolError) {
    ASSERT_TRUE(Login());
    bool protocolError = false;
    QString reason;
    QObject::connect(session.get(), &CSessionDoc::connectionClosed, [&](const QString& r, bool p) {
        reason = r;
        protocolError = p;
    });
    server->SendRaw(QByteArray("\x00\x00", 2));
    ASSERT_TRUE(WaitFor([&] { return !reason.isEmpty(); }));
    EXPECT_TRUE(protocolError);
    EXPECT_FALSE(session->IsConnected());
    EXPECT_FALSE(session->Send(58, "PUBLIC "));
}

// ---- Dispatch

TEST_F(SessionDocTest, ChatPacketsReachTheChatLogWithTheSenderFromTheRoutedHeader) {
    platform::RecordingSoundPlayer sounds;
    platform::SoundPlayer* previous = platform::SetSoundPlayer(&sounds);
    const CSoundSettings switches = GetSoundSettings();
    GetSoundSettings().Set(CSoundSettings::kChat, true);
    ASSERT_TRUE(Login());
    ServerRoute(".", 250, "a packet nobody takes");
    EXPECT_TRUE(session->GetClientNode()->Log().RecentLines().last().startsWith(
        "Illegal packet: Session- '-' from (.)250"));
    ServerRoute("bob", 203, "hello all");
    ServerRoute("bob", 212, "just you");
    ServerRoute("carol", 207, "waves");
    ServerRoute("carol", 194, "psst");
    ServerRoute("dave", 200, "LOUD");
    ServerRoute(".", 168, "Server going down");
    // A payload that claims another sender changes nothing: the header's name counts.
    ServerRoute("mallory", 203, "bob: I am bob");
    ASSERT_EQ(chat.lines.size(), 7u);
    const std::vector<std::tuple<QString, int, QString>> expected{
        {"bob", 0, "hello all"},        {"bob", 1, "just you"}, {"carol", 4, "waves"},
        {"carol", 7, "psst"},           {"dave", 6, "LOUD"},    {"", 3, "Server going down"},
        {"mallory", 0, "bob: I am bob"}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(chat.lines[i].name, std::get<0>(expected[i])) << i;
        EXPECT_EQ(chat.lines[i].kind, std::get<1>(expected[i])) << i;
        EXPECT_EQ(chat.lines[i].text, std::get<2>(expected[i])) << i;
    }
    EXPECT_EQ(sounds.played().size(), 6); // every line but the system line
    EXPECT_EQ(sounds.played().value(0), "ChatFX");

    // The chat sound follows the user's switches.
    sounds.clear();
    GetSoundSettings().Set(CSoundSettings::kChat, false);
    ServerRoute("bob", 203, "quietly");
    GetSoundSettings().Set(CSoundSettings::kChat, true);
    GetSoundSettings().Set(CSoundSettings::kEnableSound, false);
    ServerRoute("bob", 203, "still quietly");
    EXPECT_TRUE(sounds.played().isEmpty());
    EXPECT_EQ(chat.lines.size(), 9u);
    GetSoundSettings() = switches;
    platform::SetSoundPlayer(previous);
}

TEST_F(SessionDocTest, ChatFiltersShoutsGaggedSendersAndOwnWhispersInAGame) {
    FakeRelations relations;
    relations.gagged = {"troll"};
    session->SetRelations(&relations);
    ASSERT_TRUE(Login());
    GetSettingsStore().WriteBool("CClientNode", "Ignore Shouts", true);
    ServerRoute("dave", 200, "LOUD");
    ServerRoute("alice", 200, "my own shout");
    ServerRoute("Troll", 203, "rude");
    ServerRoute("alice", 194, "own whisper in the lobby");
    server->Send('S', "\".gb.alice.bob\" 0");
    ASSERT_TRUE(WaitFor([&] { return session->GetServiceName().GetText() == ".gb.alice.bob"; }));
    // In a game the sender's chat shows his whisper once: when it is sent, not when it comes back.
    ASSERT_TRUE(session->SendChat("whispered in a game", ChatKind::Whisper));
    ServerRoute("alice", 194, "whispered in a game");
    ServerRoute("bob", 194, "his whisper");
    std::vector<QString> texts;
    for (const auto& line : chat.lines)
        texts.push_back(line.text);
    EXPECT_EQ(texts, (std::vector<QString>{"my own shout", "own whisper in the lobby", "whispered in a game",
                                           "his whisper"}));
    session->SetRelations(nullptr);
}

TEST_F(SessionDocTest, TargetsAreOfferedPacketsInOrderAndTheFirstTakerWins) {
    ASSERT_TRUE(Login());
    RecordingTarget first(session.get());
    RecordingTarget second(session.get());
    first.takeTypes = {227};
    view->takeTypes = {203};
    ServerRoute("bob", 227, "invitation");
    ServerRoute("bob", 203, "said");
    ServerRoute("bob", 212, "tell");
    ASSERT_EQ(first.packets.size(), 3u);
    EXPECT_EQ(first.sources[0], "bob");
    ASSERT_EQ(second.packets.size(), 2u); // 227 was taken before it
    EXPECT_EQ(second.packets[0].first, 203);
    ASSERT_EQ(view->packets.size(), 2u); // views come after the targets
    ASSERT_EQ(chat.lines.size(), 1u);    // the said line was taken by the view
    EXPECT_EQ(chat.lines[0].text, "tell");
}

TEST_F(SessionDocTest, FailingTargetIsLoggedAndTheSessionGoesOn) {
    ASSERT_TRUE(Login());
    struct Thrower : CPacketTarget {
        using CPacketTarget::CPacketTarget;
        int OnPacket(int type, const QString&) override {
            if (type == 227)
                throw std::runtime_error("bad invitation");
            return 0;
        }
    } thrower(session.get());
    server->Route("bob", 227, "x");
    ServerRoute("bob", 203, "still here");
    ASSERT_EQ(chat.lines.size(), 1u);
    EXPECT_EQ(chat.lines[0].text, "still here");
    const QStringList& log = session->GetClientNode()->Log().RecentLines();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const QString& l) {
        return l.startsWith("StateMan Exception - Class: [CClientNode], Message: [227]");
    }));
    EXPECT_TRUE(session->IsConnected());
    EXPECT_EQ(session->GetCurrentPacket(), nullptr);
}

TEST_F(SessionDocTest, TargetsMayComeAndGoDuringTheDispatch) {
    ASSERT_TRUE(Login());
    auto victim = std::make_unique<RecordingTarget>(session.get());
    struct Killer : CPacketTarget {
        Killer(CSessionDoc* s, std::unique_ptr<RecordingTarget>& v) : CPacketTarget(s), victim(v) {}
        int OnPacket(int, const QString&) override {
            if (!late) {
                victim.reset();
                late = std::make_unique<RecordingTarget>(GetSession());
            }
            return 0;
        }
        std::unique_ptr<RecordingTarget>& victim;
        std::unique_ptr<RecordingTarget> late;
    };
    auto killer = std::make_unique<Killer>(session.get(), victim);
    // The killer was registered after the victim: remove the victim and re-add it after the killer.
    victim = std::make_unique<RecordingTarget>(session.get());
    ServerRoute("bob", 203, "one");
    EXPECT_FALSE(victim);
    ASSERT_TRUE(killer->late);
    EXPECT_TRUE(killer->late->packets.empty()); // registered during the walk: not offered this packet
    ServerRoute("bob", 203, "two");
    EXPECT_EQ(killer->late->packets.size(), 1u);
}

TEST_F(SessionDocTest, UndeliverableMessageClosesTheInvitationDialogsOfThatUser) {
    FakeInvitations invitations;
    session->SetInvitationService(&invitations);
    ASSERT_TRUE(Login());
    ServerRoute(".", 215, "Message to bob could not be delivered");
    ServerRoute(".", 215, "Message to " + QString(200, 'x') + " could not be delivered");
    EXPECT_EQ(invitations.closedFor, (QStringList{"bob"}));
    ASSERT_EQ(chat.lines.size(), 2u);
    EXPECT_EQ(chat.lines[0].kind, 3);
    session->SetInvitationService(nullptr);
}

TEST_F(SessionDocTest, FriendsFrameSeesWhatNobodyTook) {
    struct Relay : CPacketRelay {
        void RelayPacket(int type, const QString&) override { types.push_back(type); }
        std::vector<int> types;
    } relay;
    ASSERT_TRUE(Login());
    session->SetAffinityFrame(&relay);
    view->takeTypes = {189};
    ServerRoute(".db", 189, "~ alice = troll");
    ServerRoute(".db", 202, "~ alice = bob");
    EXPECT_EQ(relay.types, (std::vector<int>{202}));
    session->ForgetAffinityFrame();
}

// ---- Sending

TEST_F(SessionDocTest, SendingRoutesByTarget) {
    ASSERT_TRUE(Login());
    EXPECT_TRUE(session->Notify("Tournament at 8"));
    EXPECT_TRUE(session->SendRoutedMessage("bob", "1 \"go on\""));
    EXPECT_TRUE(session->SendRelationChange("+ bob"));
    EXPECT_FALSE(session->SendRelationChange("* bob"));   // no such request
    EXPECT_FALSE(session->SendRelationChange("+ b@d ~")); // no nickname left
    EXPECT_TRUE(session->Send(58, "PRIVATE and more", 8));
    EXPECT_TRUE(session->SendEmailChallengeResponse("first", "a@b.org"));
    EXPECT_FALSE(session->Send(69, QString(70000, 'x')));

    auto notify = server->Expect(193);
    ASSERT_TRUE(notify);
    EXPECT_EQ(notify->Destination(), "&");
    auto routed = server->Expect(243);
    ASSERT_TRUE(routed);
    EXPECT_EQ(routed->Destination(), "bob");
    EXPECT_EQ(routed->Text(), "1 \"go on\"");
    auto friends = server->Expect(199);
    ASSERT_TRUE(friends);
    EXPECT_EQ(friends->Destination(), ".db");
    EXPECT_EQ(friends->Text(), "~ alice + bob");
    EXPECT_EQ(server->Expect(58)->Text(), "PRIVATE ");
    auto email = server->Expect(251);
    ASSERT_TRUE(email);
    EXPECT_EQ(email->Destination(), ".db");
    const QStringList words = email->Text().split(' ');
    ASSERT_EQ(words.size(), 4);
    EXPECT_FALSE(words[0].isEmpty()); // the machine identifier
    EXPECT_EQ(words.mid(1), (QStringList{"first", "DeprecatedEmailChallengeResponse", "a@b.org"}));
    EXPECT_TRUE(server->NothingReceived());
    EXPECT_TRUE(session->IsConnected());
}

TEST_F(SessionDocTest, ShoutNeedsItsRight) {
    server->Acceptance().rightsMask = 0x1;
    ASSERT_TRUE(Login());
    EXPECT_FALSE(session->Shout("hear me"));
    EXPECT_TRUE(server->NothingReceived());
}

// ---- Away

TEST_F(SessionDocTest, TellsWhileAwayAreAnsweredOnce) {
    ASSERT_TRUE(Login());
    session->SetAwayState(true, false);
    ASSERT_EQ(server->Expect('P')->Text(), "1");
    ServerRoute("bob", 212, "are you there?");
    auto reply = server->Expect(212);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Destination(), "bob");
    EXPECT_EQ(reply->Text(), "I am currently away and unable to respond to tells.");
    // bob's client answers with the same text: no answer to the answer.
    ServerRoute("bob", 212, "I am currently away and unable to respond to tells.");
    EXPECT_TRUE(server->NothingReceived());
    EXPECT_EQ(chat.lines.size(), 2u);

    // A tell does not bring the user back; said text does.
    EXPECT_TRUE(session->SendChat("sorry", ChatKind::Tell, "bob"));
    EXPECT_TRUE(session->IsAway());
    EXPECT_TRUE(session->SendChat("back now", ChatKind::Said));
    EXPECT_FALSE(session->IsAway());
    EXPECT_EQ(server->Expect(212)->Text(), "sorry");
    EXPECT_EQ(server->Expect('P')->Text(), "0");
    EXPECT_EQ(server->Expect(203)->Text(), "back now");
}

TEST_F(SessionDocTest, IdleAwayAfter900SecondsAndBackOnFreshInput) {
    ASSERT_TRUE(Login());
    session->CheckIdleAway(899);
    EXPECT_FALSE(session->IsAway());
    session->CheckIdleAway(900);
    EXPECT_TRUE(session->IsIdleAway());
    EXPECT_FALSE(session->IsManualAway());
    EXPECT_EQ(server->Expect('P')->Text(), "1");
    session->CheckIdleAway(6);
    EXPECT_TRUE(session->IsAway()); // input 6 seconds old is not fresh enough
    session->CheckIdleAway(5);
    EXPECT_FALSE(session->IsAway());
    EXPECT_EQ(server->Expect('P')->Text(), "0");
    // Manual away stays through idle changes.
    session->SetAwayState(true, false);
    session->CheckIdleAway(2000);
    session->CheckIdleAway(0);
    EXPECT_TRUE(session->IsManualAway());
}

TEST_F(SessionDocTest, IdleForMatchAndCanInvite) {
    EXPECT_FALSE(session->IsIdleForMatch());
    ASSERT_TRUE(Login());
    EXPECT_TRUE(session->IsIdleForMatch()); // not yet in the directory
    ServerSend(97, "1 1\n\"alice\" 0 2 8 \n");
    EXPECT_FALSE(session->IsIdleForMatch()); // playing
    ServerSend(110, "1 1\n\"alice\" 0 2 2 \n");
    EXPECT_TRUE(session->IsIdleForMatch());
    session->SetAwayState(false, true);
    EXPECT_FALSE(session->IsIdleForMatch());
    session->SetAwayState(false, false);

    EXPECT_TRUE(session->CanInvite());
    struct Busy : CStateDoc {
        using CStateDoc::CStateDoc;
        bool CanInvite() const override { return false; }
    };
    auto game = std::make_unique<Busy>(session.get());
    session->SetGameDocument(game.get());
    EXPECT_FALSE(session->CanInvite());
    game.reset();
    EXPECT_TRUE(session->CanInvite()); // the game document is gone
    platform::Document plain;          // a document that has no say
    session->SetGameDocument(&plain);
    EXPECT_TRUE(session->CanInvite());
    session->SetGameDocument(nullptr);
    session->AttachToGameService(".gb.alice.bob", 1);
    EXPECT_TRUE(session->IsTransferPending());
    EXPECT_FALSE(session->CanInvite());
    EXPECT_FALSE(session->IsIdleForMatch());
}

// ---- Services

TEST_F(SessionDocTest, TransfersAndServiceEntry) {
    FakeInvitations invitations;
    session->SetInvitationService(&invitations);
    ASSERT_TRUE(Login());
    QStringList entered;
    QObject::connect(session.get(), &CSessionDoc::serviceEntered,
                     [&](const QString& s) { entered.append(s); });

    session->ExamineMatch(".gb.bob.carol", "carol");
    auto examine = server->Expect('J');
    ASSERT_TRUE(examine);
    EXPECT_EQ(examine->Text(), "\".gb.bob.carol bob carol ~ carol\"");
    EXPECT_EQ(session->GetAttachFlag(), 0);

    session->ResumeMatch(".gb.alice.bob", "K17 .gb.alice.bob 7 points, 3-2");
    EXPECT_EQ(server->Expect('J')->Text(), "\".gb.alice.bob ResumeMatch K17 @.gb.alice.bob 7 points, 3-2\"");
    EXPECT_EQ(session->GetAttachFlag(), 1);

    server->Send('S', "\".gb.bob.carol\" 1 \"urlLegend\" \"http://x/legend\"");
    ASSERT_TRUE(WaitFor([&] { return !entered.isEmpty(); }));
    EXPECT_EQ(entered, (QStringList{".gb.bob.carol"}));
    EXPECT_FALSE(session->IsTransferPending());
    EXPECT_EQ(session->GetServiceSetting("urlLegend"), "http://x/legend");
    EXPECT_EQ(session->GetServiceSetting("urlHelp"), "");
    EXPECT_EQ(invitations.closedAll, 1);

    session->DetachFromGameService();
    EXPECT_EQ(server->Expect('J')->Text(), "\".mb\"");
    session->SetInvitationService(nullptr);
}

TEST_F(SessionDocTest, WatchPlayerGoesThroughTheLocationOrAWatchRequest) {
    CApplicationTimer::ManualClock clock;
    ASSERT_TRUE(Login());
    ServerSend(97, "2 2\n\"bob\" 0 18 8 \".gb.bob.carol\"\n\"dave\" 0 18 2 \".mb\"\n");
    session->WatchPlayer("BOB");
    EXPECT_EQ(server->Expect('J')->Text(), "\".gb.bob.carol bob carol ~ bob\"");

    // dave is in the lobby: ask the server where he is.
    session->WatchPlayer("dave");
    EXPECT_EQ(server->Expect(112)->Text(), "Watch_Player_Cookie dave");
    EXPECT_TRUE(session->IsWatchPending());
    session->WatchPlayer("erin");
    ASSERT_FALSE(chat.lines.empty());
    EXPECT_EQ(chat.lines.back().text,
              "ERROR - Unable to issue watch request.  You are already waiting to watch a game");
    EXPECT_TRUE(server->NothingReceived());

    server->Route(".", 184, "Watch_Player_Cookie dave@.gb.dave.erin");
    auto transfer = server->Expect('J');
    ASSERT_TRUE(transfer);
    EXPECT_EQ(transfer->Text(), "\".gb.dave.erin dave erin ~ dave\"");
    EXPECT_FALSE(session->IsWatchPending());

    session->WatchPlayer("ghost");
    server->Expect(112);
    server->Route(".", 184, "Watch_Player_Cookie ghost@");
    ASSERT_TRUE(WaitFor([&] { return !session->IsWatchPending(); }));
    EXPECT_EQ(chat.lines.back().text, "ghost is not connected to the server.");

    session->WatchPlayer("slow");
    server->Expect(112);
    clock.Tick(10);
    EXPECT_TRUE(session->IsWatchPending());
    clock.Tick(1); // ten seconds and one tick
    EXPECT_FALSE(session->IsWatchPending());
    EXPECT_EQ(chat.lines.back().kind, 3);
}

TEST_F(SessionDocTest, OtherCookiesRepliesAreLeftToTheirRequester) {
    ASSERT_TRUE(Login());
    RecordingTarget whereis(session.get());
    session->SendWatchRequest("bob", "CMDWhereisCookie");
    EXPECT_EQ(server->Expect(112)->Text(), "CMDWhereisCookie bob");
    ServerRoute(".", 184, "CMDWhereisCookie bob@.mb");
    ASSERT_EQ(whereis.packets.size(), 1u);
    EXPECT_EQ(whereis.packets[0].second, "CMDWhereisCookie bob@.mb");
    EXPECT_FALSE(session->IsWatchPending());
}

// ---- Talk

TEST_F(SessionDocTest, TalkTextGoesToEveryPersonAndOpensOneTalk) {
    std::vector<FakeTalk*> made;
    session->SetTalkFactory([&](CSessionDoc&, const QStringList& people, bool) {
        auto talk = std::make_unique<FakeTalk>(people);
        made.push_back(talk.get());
        return talk;
    });
    ASSERT_TRUE(Login());
    const QString text = "alice: hi both";
    session->OpenTalk(&text, {"alice", "bob", "carol"});
    for (const char* who : {"bob", "carol"}) {
        auto frame = server->Expect(213);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->Destination(), who);
        EXPECT_EQ(frame->Text(), "\"alice bob carol\" \"alice: hi both\" 0 \"hi both\"");
    }
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0]->lines, (QStringList{"alice: alice: hi both"}));

    // carol answers: the same talk, whatever the case of the names.
    Arrive({"bob", "carol"});
    ServerRoute("carol", 213, "\"Carol ALICE bob\" \"carol: hello\" 0 \"hello\"");
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0]->lines.last(), "carol: carol: hello");
    EXPECT_EQ(session->FindTalk({"bob", "carol", "alice"}), made[0]);
    // The line carried its kind and plain text; asking for the talk again brings it up, lines do not.
    ServerRoute("bob", 213, "\"alice bob carol\" \"-> bob nods: yes\" 4 \"nods: yes\"");
    EXPECT_EQ(made[0]->kinds.last(), 4);
    EXPECT_EQ(made[0]->texts.last(), "nods: yes");
    EXPECT_EQ(made[0]->activations, 0);
    session->OpenTalkWindow({"carol", "bob"});
    EXPECT_EQ(made[0]->activations, 1);
    ASSERT_EQ(made.size(), 1u);

    session->OpenTalk(nullptr, {"alice", "bob", "carol"});
    EXPECT_EQ(session->GetTalkCount(), 0);
}

TEST_F(SessionDocTest, TooManyTalkPeople) {
    std::vector<QStringList> made;
    session->SetTalkFactory([&](CSessionDoc&, const QStringList& people, bool) {
        made.push_back(people);
        return std::make_unique<FakeTalk>(people);
    });
    ASSERT_TRUE(Login());
    // From the wire: trimmed quietly, the sender kept, no box inside the dispatch.
    Arrive({"a", "b", "c", "d", "e", "f", "g"});
    ServerRoute("mallory", 213, "\"a b c d e f g\" \"mallory: hi\" 0 \"hi\"");
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].size(), 5);
    EXPECT_TRUE(made[0].contains("mallory"));
    EXPECT_TRUE(made[0].contains("alice"));
    EXPECT_TRUE(testenv::scriptedUi().asked().empty());

    // From the user: the box (deferred when there is a main frame), then the first five.
    server->DropReceived();
    const QString text = "hello";
    session->OpenTalk(&text, {"alice", "b", "c", "d", "e", "f", "g"});
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text, "Maximum of 5 people permitted in a Talk Dialog.");
    EXPECT_EQ(testenv::scriptedUi().asked()[0].type & platform::MB_ICONMASK, platform::MB_ICONEXCLAMATION);
    for (int i = 0; i < 4; ++i)
        server->Expect(213);
    EXPECT_TRUE(server->NothingReceived());
}

TEST_F(SessionDocTest, TalkPacketsOpenWindowsOnlyForKnownPeopleAndOnlyTenAtOnce) {
    std::vector<FakeTalk*> made;
    session->SetTalkFactory([&](CSessionDoc&, const QStringList& people, bool) {
        auto talk = std::make_unique<FakeTalk>(people);
        made.push_back(talk.get());
        return talk;
    });
    ASSERT_TRUE(Login());
    Arrive({"bob", "carol"});
    server->DropReceived();
    // A line without its kind would show as the sender wrote it: from a member it opens nothing.
    ServerRoute("bob", 213, "\"alice bob\" \"*** The server will restart now\"");
    EXPECT_TRUE(made.empty());
    // Made-up names are left out of the talk; the sender and known members stay.
    ServerRoute("bob", 213, "\"alice bob carol ghost1 ghost2\" \"bob: hi\" 0 \"hi\"");
    ASSERT_EQ(made.size(), 1u);
    QStringList people = made[0]->people;
    people.sort();
    EXPECT_EQ(people, QStringList({"alice", "bob", "carol"}));

    // Every member opening his own talk: ten windows, then the busy answer and one system line.
    QStringList members;
    for (int i = 0; i < 14; ++i)
        members << QStringLiteral("m%1").arg(i);
    Arrive(members);
    chat.lines.clear();
    for (const QString& member : members)
        ServerRoute(member, 213, QStringLiteral("\"alice %1\" \"%1: hi\" 0 \"hi\"").arg(member));
    EXPECT_EQ(session->GetTalkCount(), CSessionDoc::kMaxPacketTalks);
    int busy = 0;
    while (!server->NothingReceived()) {
        auto frame = server->NextFrame();
        if (!frame || frame->Type() != 213)
            continue;
        ++busy;
        EXPECT_EQ(frame->Text(), "\"alice " + frame->Destination() + "\" \"alice is busy and cannot talk now\" 4 "
                                 "\"is busy and cannot talk now\"");
    }
    EXPECT_EQ(busy, 5); // m9 .. m13
    ASSERT_EQ(chat.lines.size(), 1u);
    EXPECT_EQ(chat.lines[0].kind, ChatKind::System);
    // A refused member is answered once in a while, not at each line.
    ServerRoute("m13", 213, "\"alice m13\" \"m13: again\" 0 \"again\"");
    EXPECT_TRUE(server->NothingReceived());
    // Lines for talks already open still arrive; once one is closed a new one may open.
    ServerRoute("bob", 213, "\"alice bob carol\" \"bob: still here\" 0 \"still here\"");
    EXPECT_EQ(made[0]->lines.size(), 2);
    session->OpenTalk(nullptr, {"alice", "m0"});
    ServerRoute("m13", 213, "\"alice m13\" \"m13: now?\" 0 \"now?\"");
    EXPECT_EQ(session->GetTalkCount(), CSessionDoc::kMaxPacketTalks);
    EXPECT_NE(session->FindTalk({"alice", "m13"}), nullptr);
    // A talk the user opens himself is never refused.
    session->OpenTalkWindow({"carol"});
    EXPECT_NE(session->FindTalk({"alice", "carol"}), nullptr);
}

TEST_F(SessionDocTest, PacketsOnlyAServiceSendsCountOnlyFromIt) {
    ASSERT_TRUE(Login());
    RecordingTarget target(session.get());
    FakeInvitations invitations;
    session->SetInvitationService(&invitations);
    const struct {
        int type;
        const char* service;
        const char* text;
    } cases[] = {
        {168, ".", "Your account has been suspended."},
        {169, ".", "\".mb\" \"0.5\" \"bob\""},
        {183, ".", "CMDCVCookie bob 1000"},
        {184, ".", "CMDWhereisCookie bob@.mb"},
        {215, ".", "Message to bob could not be delivered"},
        {233, ".", "~ alice = K1 .gb.alice.bob 1 0 0"},
        {189, ".db", "~ alice = bob"},
        {253, ".db", "71 \"x\""},
        {240, ".rt", "BGRankingDialogCookie 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        target.packets.clear();
        chat.lines.clear();
        ServerRoute("mallory", c.type, c.text);
        EXPECT_TRUE(target.packets.empty());
        EXPECT_TRUE(chat.lines.empty());
        ServerRoute(c.service, c.type, c.text);
        EXPECT_EQ(target.packets.size(), 1u);
    }
    // A forged "could not be delivered" closed nothing; the server's did.
    EXPECT_EQ(invitations.closedFor, QStringList{"bob"});
    // Members' own packets still come from members.
    target.packets.clear();
    ServerRoute("bob", 203, "hello");
    EXPECT_EQ(target.packets.size(), 1u);
    session->SetInvitationService(nullptr);
}

TEST_F(SessionDocTest, WithoutTalkWindowsTalkTextArrivesAsATell) {
    ASSERT_TRUE(Login());
    ServerRoute("bob", 213, "\"alice bob\" \"bob: hi\" 0 \"hi\"");
    ASSERT_EQ(chat.lines.size(), 1u);
    EXPECT_EQ(chat.lines[0].name, "bob");
    EXPECT_EQ(chat.lines[0].kind, 1);
}

// ---- Sub-documents

TEST_F(SessionDocTest, SubDocumentEventsAndQueriesInCreationOrder) {
    ASSERT_TRUE(Login());
    struct Sub : CSubDocument {
        Sub(CSessionDoc* s, int answer, std::vector<int>& order, int id)
            : CSubDocument(s), answer(answer), order(order), id(id) {}
        int OnEvent(int, const QVariant&) override {
            order.push_back(id);
            return answer;
        }
        bool Query(int code, const QVariant& data) override {
            return code == 4128 && data.toString() == "/replay";
        }
        int answer;
        std::vector<int>& order;
        int id;
    };
    std::vector<int> order;
    Sub* first =
        static_cast<Sub*>(session->AdoptSubDocument(std::make_unique<Sub>(session.get(), 0, order, 1)));
    session->AdoptSubDocument(std::make_unique<Sub>(session.get(), 7, order, 2));
    session->AdoptSubDocument(std::make_unique<Sub>(session.get(), 0, order, 3));
    EXPECT_EQ(session->BroadcastSubDocEvent(500), 7);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_TRUE(session->QuerySubDocuments(4128, QString("/replay")));
    EXPECT_FALSE(session->QuerySubDocuments(4128, QString("/other")));
    EXPECT_EQ(first->GetSession(), session.get());

    // A target that outlives its session is detached, not left dangling.
    auto survivor = std::make_unique<RecordingTarget>(session.get());
    session.reset();
    EXPECT_EQ(survivor->GetSession(), nullptr);
    EXPECT_FALSE(survivor->SendPacketText(203, "nobody hears"));
}

} // namespace
