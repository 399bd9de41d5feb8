#include "lobby/invite/InvitationManager.h"

#include "game/ClientGameFactory.h"
#include "game/RuleOptions.h"
#include "lobby/invite/InvitationDialog.h"
#include "lobby/invite/ResumeMatchReceiverDlg.h"
#include "lobby/invite/UnfinishedMatchesDlg.h"
#include "lobby/invite/WaitingForResumeMatchDlg.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "session/LobbyUserMap.h"
#include "session/UserInfo.h"
#include "net/TextFields.h"
#include "net/LoginPackets.h"
#include "support/SessionFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QDialog>
#include <QPointer>
#include <QTreeWidget>

using testenv::WaitFor;

namespace {

// The invitation dialog as the manager sees it: it records what it is given and, when closed after
// records were exchanged, tells the peer as the real dialog does.
class FakeInviteDialog : public QDialog, public CInvitationDialogInterface {
public:
    FakeInviteDialog(CInvitationManager* manager, const CInviteData& record, bool incoming)
        : m_manager(manager), record(record), incoming(incoming) {}

    QDialog* GetDialog() override { return this; }
    bool CreateDialogWindow(int id, QWidget*) override {
        templateId = id;
        return !failCreate;
    }
    QString GetServiceNameText() const override { return record.GetServiceName().GetText(); }
    int OfferPacket(int type, const QString& body) override {
        offered.append(QString::number(type) + ' ' + body);
        if (type != takeType)
            return 0;
        peerPresent = !peerGoneOnTake;
        return 1;
    }
    bool IsPeerPresent() const override { return peerPresent; }
    QString GetPeerName() const override {
        for (const QString& part : record.GetServiceName().GetPartList()) {
            if (part != m_manager->GetOwnNickname())
                return part;
        }
        return QString();
    }
    bool IsIncoming() const override { return incoming; }
    bool IsFromGame() const override { return record.IsFromGame(); }
    int GetGameKind() const override { return record.GetGameKind(); }
    bool HasExchangedRecords() const override { return exchanged; }
    void StartFromGame(const QString& text) override {
        startedFromGame = true;
        startText = text;
    }
    void ReceiveRecord(const QString& text) override {
        received.append(text);
        exchanged = true;
    }
    void CloseInvitation() override {
        ++closed;
        if (exchanged) {
            CInviteData message(record);
            message.SetMessage(incoming ? CInviteData::kDecline : CInviteData::kWithdraw,
                               m_manager->GetOwnNickname(), CInviteData::FormatLengthText("bye"));
            m_manager->SendInvitationRecord(GetPeerName(), message.Format(), false);
        }
        m_manager->RemoveInvitation(GetServiceNameText());
    }

    CInvitationManager* m_manager;
    CInviteData record;
    bool incoming;
    bool failCreate = false;
    bool exchanged = false;
    bool peerPresent = true;
    bool peerGoneOnTake = false;
    bool startedFromGame = false;
    QString startText;
    int takeType = 77;
    int templateId = 0;
    int closed = 0;
    QStringList received;
    QStringList offered;
};

class FakeRelations : public CRelationsQuery {
public:
    bool IsGagged(const QString& n) const override { return gagged.contains(n, Qt::CaseInsensitive); }
    bool IsAffinity(const QString&) const override { return false; }
    bool IsBlinded(const QString& n) const override { return blinded.contains(n, Qt::CaseInsensitive); }
    QStringList gagged;
    QStringList blinded;
};

// One lobby record of a user with that presence and activity.
QString User(const QString& nickname, int presence, int activity) {
    CUserInfo user(nickname);
    user.ClearChangeMask();
    user.SetPresence(presence);
    user.SetActivity(activity);
    user.SetLocation(".mb");
    return user.FormatUpdateText(0, UserField::OwnMask, true);
}

QString Record(int messageKind, const QString& service, const QString& sender, const QString& payload,
               bool fromGame = false) {
    CInviteData record(0, CServiceName(service), QString(), fromGame);
    record.SetMessage(messageKind, sender, payload);
    return record.Format();
}

class InvitationManagerTest : public testenv::SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        BeforeLogin();
        ASSERT_TRUE(Login("alice"));
        server->DropReceived();
        frame = std::make_unique<QWidget>();
        view->frame = frame.get();
        session->SetRelations(&relations);
        manager = std::make_unique<CInvitationManager>(session.get());
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(
            [this](int, CInvitationManager* m, CInviteData* record, bool incoming) -> QDialog* {
                auto* dialog = new FakeInviteDialog(m, *record, incoming);
                dialog->failCreate = failNextCreate;
                dialogs.push_back(dialog);
                return dialog;
            });
    }
    void TearDown() override {
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(nullptr);
        platform::ui(); // the scripted Ui stays installed
        testenv::scriptedUi().SetDialogHandler(nullptr);
        manager.reset();
        session->SetRelations(nullptr);
        SessionTest::TearDown();
    }

    virtual void BeforeLogin() {}
    // The next frame of that routed type to that player -> its text ("<none>" when none came).
    QString Sent(int type, const QString& to) {
        for (;;) {
            auto next = server->NextFrame();
            if (!next)
                return QStringLiteral("<none>");
            if (next->Type() == type && next->Destination() == to)
                return next->Text();
        }
    }
    // Drains what the client sent -> false when a frame of that type was among it.
    bool NoneSent(int type) {
        while (!server->NothingReceived()) {
            auto next = server->NextFrame();
            if (next && next->Type() == type)
                return false;
        }
        return true;
    }
    FakeInviteDialog* Last() { return dialogs.empty() ? nullptr : dialogs.back().data(); }
    // The server puts the user back in the lobby (the end of any transfer).
    void BackToLobby() { ServerSend('S', "\".mb\" 0"); }
    // Lets deferred opens run.
    void Settle() { WaitFor([] { return false; }, 50); }
    QStringList BoxTexts() const {
        QStringList texts;
        for (const auto& asked : testenv::scriptedUi().asked())
            if (asked.kind == platform::ScriptedUi::Asked::MessageBoxKind)
                texts << asked.text;
        return texts;
    }

    FakeRelations relations;
    std::unique_ptr<QWidget> frame;
    std::unique_ptr<CInvitationManager> manager;
    std::vector<QPointer<FakeInviteDialog>> dialogs;
    bool failNextCreate = false;
};

TEST_F(InvitationManagerTest, AnInvitationOpensOneOutgoingDialogPerRoom) {
    manager->InvitePlayer("bob", 0, 0, false);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_FALSE(Last()->incoming);
    EXPECT_EQ(Last()->templateId, 148);
    EXPECT_EQ(Last()->GetServiceNameText(), ".gb.alice.bob");
    EXPECT_EQ(manager->GetOutgoingCount(), 1);
    // Inviting him again brings up the same dialog.
    manager->InvitePlayer("bob", 0, 0, false);
    EXPECT_EQ(dialogs.size(), 1u);
    // Several words: the own name and bad names are skipped, at most the game's players kept.
    EXPECT_EQ(manager->ParseInviteeNames("ALICE b@d cy dan", 0), QStringList({"alice", "cy"}));
    // A proposition has no dialog here.
    EXPECT_FALSE(manager->CanInviteTo(CClientGameFactory::kPropositionKind));
    manager->InvitePlayer("cy", CClientGameFactory::kPropositionKind, 0, false);
    EXPECT_EQ(dialogs.size(), 1u);
    // A dialog whose window cannot be made is not kept.
    failNextCreate = true;
    manager->InvitePlayer("cy", 0, 0, false);
    EXPECT_EQ(manager->GetInvitationCount(), 1);
    EXPECT_EQ(manager->GetOutgoingCount(), 1);
}

TEST_F(InvitationManagerTest, ThePromptAsksAgainUntilItHasAnotherPlayer) {
    auto& ui = testenv::scriptedUi();
    ui.QueuePromptAnswer("");
    ui.QueuePromptAnswer("Alice");
    ui.QueuePromptAnswer("bob");
    manager->InvitePlayer("alice", 0, 0, false);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(Last()->GetServiceNameText(), ".gb.alice.bob");
    int prompts = 0;
    for (const auto& asked : ui.asked()) {
        if (asked.kind == platform::ScriptedUi::Asked::PromptKind) {
            ++prompts;
            EXPECT_EQ(asked.text, "Player to invite:");
            EXPECT_EQ(asked.caption, "Backgammon Invite");
        }
    }
    EXPECT_EQ(prompts, 3);
    // Cancelling the prompt ends it.
    manager->InvitePlayer("", 0, 0, true);
    EXPECT_EQ(dialogs.size(), 1u);
}

TEST_F(InvitationManagerTest, BlindedPlayersCannotBeInvited) {
    relations.blinded << "BOB";
    manager->InvitePlayer("bob", 0, 0, false);
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(BoxTexts(), QStringList({"You cannot invite players you have blinded."}));
    EXPECT_TRUE(server->NothingReceived());
}

TEST_F(InvitationManagerTest, AnIncomingInvitationOpensLaterAndGetsItsRecord) {
    const QString invite = Record(0, ".gb.bob.alice", "bob", "terms");
    ServerRoute("bob", 227, invite);
    ASSERT_EQ(dialogs.size(), 1u);
    FakeInviteDialog* dialog = Last();
    EXPECT_TRUE(dialog->incoming);
    // Registered at once, opened after the dispatch.
    EXPECT_EQ(manager->FindInvitation(".gb.bob.alice"), dialog);
    EXPECT_EQ(dialog->templateId, 0);
    EXPECT_TRUE(WaitFor([&] { return !dialog->received.isEmpty(); }));
    EXPECT_EQ(dialog->templateId, 148);
    EXPECT_EQ(dialog->received, QStringList({invite}));
    EXPECT_EQ(manager->GetOutgoingCount(), 0);
    // Later records of that room go straight to the dialog.
    const QString text = Record(7, ".gb.bob.alice", "bob", CInviteData::FormatLengthText("hi"));
    ServerRoute("bob", 227, text);
    EXPECT_EQ(dialog->received.last(), text);
}

TEST_F(InvitationManagerTest, RecordsThatDoNotHoldUpAreDropped) {
    const std::pair<const char*, QString> cases[] = {
        {"sender is not the source", Record(0, ".gb.cy.alice", "cy", "terms")},
        {"not about this user", Record(0, ".gb.bob.cy", "bob", "terms")},
        {"sender not in the room", Record(0, ".gb.cy.alice", "bob", "terms")},
        {"another game", Record(0, ".zz.bob.alice", "bob", "terms")},
        {"bad part", Record(0, ".gb.bob.alice.x!y", "bob", "terms")},
        {"not well formed", Record(0, ".gb.bob.alice", "bob", "")},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        ServerRoute("bob", 227, text);
        Settle();
        EXPECT_TRUE(dialogs.empty());
        EXPECT_TRUE(server->NothingReceived());
    }
}

TEST_F(InvitationManagerTest, InvitationsAreRefusedWhenTheUserCannotPlay) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        const char* reason;
    };
    const Case cases[] = {
        {"gagged", [&] { relations.gagged << "bob"; }, "You have been gagged by alice."},
        {"blinded", [&] { relations.blinded << "bob"; }, "You have been blinded by alice."},
        {"away", [&] { session->SetAwayState(true, false); }, "alice is away and cannot be invited."},
        {"busy", [&] { session->AttachToGameService(".gb.alice.cy", 1); }, "alice cannot be invited at present."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        server->DropReceived();
        EXPECT_EQ(manager->GetRefusalText("bob"), c.reason);
        ServerRoute("bob", 227, Record(0, ".gb.bob.alice", "bob", "terms"));
        const CInviteData answer(Sent(227, "bob"));
        EXPECT_EQ(answer.GetMessageKind(), CInviteData::kDecline);
        EXPECT_EQ(answer.GetPlayerName(), "alice");
        EXPECT_EQ(answer.GetServiceName().GetText(), ".gb.bob.alice");
        EXPECT_EQ(CInviteData::ParseLengthText(answer.GetPayload()), c.reason);
        // Other kinds are never answered with a refusal.
        ServerRoute("bob", 227, Record(7, ".gb.bob.alice", "bob", "2 hi"));
        EXPECT_TRUE(server->NothingReceived());
        Settle();
        EXPECT_TRUE(dialogs.empty());
        // Next case from a clean state.
        relations.gagged.clear();
        relations.blinded.clear();
        session->SetAwayState(false, false);
    }
    // Going back to the lobby ends the pending transfer of the last case only when the server says so;
    // a user who is free gets no refusal.
}

TEST_F(InvitationManagerTest, OnlyTenInvitationsFromOthersStandOpenAtOnce) {
    // Each from another account: ten dialogs, then the automatic refusal and no dialog.
    for (int i = 0; i < 12; ++i) {
        const QString sender = QStringLiteral("p%1").arg(i);
        ServerRoute(sender, 227, Record(0, ".gb." + sender + ".alice", sender, "terms"));
    }
    Settle();
    EXPECT_EQ(manager->GetIncomingCount(), CInvitationManager::kMaxIncomingInvitations);
    EXPECT_EQ(dialogs.size(), size_t(CInvitationManager::kMaxIncomingInvitations));
    for (const char* refused : {"p10", "p11"}) {
        const CInviteData answer(Sent(227, refused));
        EXPECT_EQ(answer.GetMessageKind(), CInviteData::kDecline) << refused;
        EXPECT_EQ(CInviteData::ParseLengthText(answer.GetPayload()), "alice cannot be invited at present.");
    }
    // The user's own invitations do not count, and a closed one makes room.
    manager->InvitePlayer("zed", 0, 0, false);
    EXPECT_EQ(manager->GetIncomingCount(), CInvitationManager::kMaxIncomingInvitations);
    dialogs[0]->CloseInvitation();
    ServerRoute("p11", 227, Record(0, ".gb.p11.alice", "p11", "terms"));
    Settle();
    EXPECT_NE(manager->FindInvitation(".gb.p11.alice"), nullptr);
}

TEST_F(InvitationManagerTest, CrossingInvitationsKeepTheOneOfTheLowerNickname) {
    manager->InvitePlayer("bob", 0, 0, false);
    ASSERT_EQ(dialogs.size(), 1u);
    // bob's invitation crosses ours; "alice" sorts first, so ours stands and his is dropped.
    ServerRoute("bob", 227, Record(0, ".gb.bob.alice", "bob", "terms"));
    Settle();
    EXPECT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(manager->GetInvitationCount(), 1);
    // Against "Aaron" ours gives way, without a withdrawal.
    manager->InvitePlayer("Aaron", 0, 0, false);
    ASSERT_EQ(dialogs.size(), 2u);
    QPointer<FakeInviteDialog> ours = Last();
    ours->exchanged = true;
    server->DropReceived();
    ServerRoute("Aaron", 227, Record(0, ".gb.Aaron.alice", "Aaron", "terms"));
    EXPECT_TRUE(!ours || ours->closed == 0);
    EXPECT_EQ(manager->FindInvitation(".gb.alice.Aaron"), nullptr);
    EXPECT_NE(manager->FindInvitation(".gb.Aaron.alice"), nullptr);
    EXPECT_EQ(manager->GetOutgoingCount(), 1);
    EXPECT_TRUE(server->NothingReceived());
}

TEST_F(InvitationManagerTest, ANewDialogForTheSamePlayersClosesTheOlderOne) {
    manager->InvitePlayer("bob", 0, 0, false);
    QPointer<FakeInviteDialog> first = Last();
    first->exchanged = true;
    first->incoming = true; // pretend it was bob's, so ours is not a crossing
    server->DropReceived();
    ServerRoute("bob", 227, Record(0, ".gb.bob.alice", "bob", "terms"));
    EXPECT_EQ(first ? first->closed : 1, 1);
    EXPECT_EQ(CInviteData(Sent(227, "bob")).GetMessageKind(), CInviteData::kDecline);
    EXPECT_EQ(manager->GetInvitationCount(), 1);
    EXPECT_NE(manager->FindInvitation(".gb.bob.alice"), nullptr);
}

TEST_F(InvitationManagerTest, AnAgreedMatchClosesEverythingAndTransfers) {
    manager->InvitePlayer("bob", 0, 0, false);
    manager->InvitePlayer("cy", 0, 0, false);
    ASSERT_EQ(manager->GetInvitationCount(), 2);
    FakeInviteDialog* agreed = dialogs[0];
    FakeInviteDialog* other = dialogs[1];
    other->exchanged = true;
    server->DropReceived();
    manager->FinishInvitation(agreed, ".gb.alice.bob 11 0 1");
    EXPECT_EQ(other->closed, 1);
    EXPECT_EQ(manager->GetInvitationCount(), 0);
    EXPECT_EQ(manager->GetOutgoingCount(), 0);
    EXPECT_EQ(CInviteData(Sent(227, "cy")).GetMessageKind(), CInviteData::kWithdraw);
    EXPECT_TRUE(session->IsTransferPending());
    EXPECT_EQ(session->GetAttachFlag(), 1);
}

TEST_F(InvitationManagerTest, APlayerWhoLeavesTakesHisDialogsAlong) {
    manager->InvitePlayer("bob", 0, 0, false);
    manager->InvitePlayer("cy", 0, 0, false);
    // The lobby says bob left, in the directory's own event text (his record, nickname quoted).
    ServerSend(97, "3 2\n" + User("bob", 2, 2) + User("cy", 2, 2));
    ServerSend(98, "2 1\n" + User("bob", 2, 2));
    Settle();
    EXPECT_EQ(manager->FindInvitation(".gb.alice.bob"), nullptr);
    EXPECT_NE(manager->FindInvitation(".gb.alice.cy"), nullptr);
    // The server could not deliver to cy.
    ServerSend(215, "Message to cy could not be delivered");
    EXPECT_EQ(manager->GetInvitationCount(), 0);
    EXPECT_EQ(manager->GetOutgoingCount(), 0);
}

TEST_F(InvitationManagerTest, ADialogWhosePeerIsGoneClosesWithAMessage) {
    manager->InvitePlayer("bob", 0, 0, false);
    Last()->peerGoneOnTake = true;
    ServerSend(77, "version reply");
    EXPECT_EQ(manager->GetInvitationCount(), 0);
    EXPECT_EQ(BoxTexts(), QStringList({"bob is not logged in."}));
}

TEST_F(InvitationManagerTest, UnfinishedMatchesAreListedFromTheServer) {
    ServerSend(233, "~ alice = K1 .gb.alice.bob 7 3 2\tK2 .gb.cy.alice 5 0 0\t\tK3 .gb.alice.dan 1 0 0");
    const auto& list = manager->GetUnfinishedMatches();
    ASSERT_EQ(list.size(), 2u); // the empty piece ends the list
    EXPECT_EQ(list[0]->matchKey, "K1");
    EXPECT_EQ(list[1]->serviceName.GetText(), ".gb.cy.alice");
    EXPECT_TRUE(manager->HasUnfinishedMatch(".gb.bob.alice")); // any order
    EXPECT_TRUE(manager->HasUnfinishedMatch(".gb.alice.CY"));
    EXPECT_FALSE(manager->HasUnfinishedMatch(".gb.alice.bob.cy"));
    // Another member cannot replace the list.
    ServerRoute("bob", 233, "~ alice = ");
    EXPECT_EQ(manager->GetUnfinishedMatches().size(), 2u);
    ServerSend(233, "~ alice = ");
    EXPECT_TRUE(manager->GetUnfinishedMatches().empty());
}

TEST_F(InvitationManagerTest, InvitingAPlayerOfAnUnfinishedMatchWarnsFirst) {
    ServerSend(233, "~ alice = K1 .gb.alice.bob 7 3 2");
    auto& ui = testenv::scriptedUi();
    ui.QueueMessageBoxAnswer(platform::IDCANCEL);
    manager->InvitePlayer("bob", 0, 0, false);
    EXPECT_TRUE(dialogs.empty());
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_EQ(BoxTexts()[0], "Starting a new match with bob will delete the existing unfinished match.");
    ui.QueueMessageBoxAnswer(platform::IDOK);
    manager->InvitePlayer("bob", 0, 0, false);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_TRUE(Last()->record.Replaces());
    EXPECT_EQ(Last()->record.GetUnfinishedKey(), "K1");
    // With the choice offered, "Resume" asks bob instead.
    ui.SetDialogHandler([](QDialog* dialog) {
        return dialog->windowTitle() == "Match Invitation" ? 1236 : int(platform::IDCANCEL);
    });
    manager->CloseAllInvitations();
    server->DropReceived();
    manager->InvitePlayer("bob", 0, 1, false);
    EXPECT_EQ(Sent(242, "bob"), "alice Y K1 .gb.alice.bob 7 3 2");
}

TEST_F(InvitationManagerTest, AResumeRequestWaitsForTheAnswer) {
    ServerSend(233, "~ alice = K1 .gb.alice.bob 7 3 2");
    struct Case {
        const char* what;
        QString answer; // 246 from bob; empty: the user cancels
        bool resumed;
        const char* then; // the 242 sent afterwards, "<none>" for none
        const char* box;
    };
    const Case cases[] = {
        {"agreed", "Y", true, "<none>", nullptr},
        {"refused", "N bob is away and cannot be invited.", false, "<none>", "bob is away and cannot be invited."},
        {"declined", "N", false, "<none>", nullptr},
        {"cancelled", QString(), false, "alice Q K1 .gb.alice.bob 7 3 2", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testenv::scriptedUi().clear();
        BackToLobby();
        server->DropReceived();
        testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) -> int {
            auto* waiting = dynamic_cast<CWaitingForResumeMatchDlg*>(dialog);
            if (!waiting)
                return platform::IDCANCEL;
            EXPECT_EQ(Sent(242, "bob"), "alice Y K1 .gb.alice.bob 7 3 2");
            if (c.answer.isEmpty())
                return platform::IDCANCEL;
            server->Route("cy", 246, "Y"); // not his to answer
            server->Route("bob", 246, c.answer);
            WaitFor([&] { return waiting->HasEnded(); });
            return waiting->result();
        });
        EXPECT_EQ(manager->ResumeWithPlayers(QStringList{"bob", "alice"}), c.resumed);
        if (QString::fromLatin1(c.then) == "<none>") {
            EXPECT_TRUE(NoneSent(242));
        } else {
            EXPECT_EQ(Sent(242, "bob"), c.then);
        }
        if (c.resumed) {
            EXPECT_TRUE(session->IsTransferPending());
        }
        EXPECT_EQ(BoxTexts(), c.box ? QStringList({c.box}) : QStringList());
    }
    // Without an unfinished match nothing is asked.
    EXPECT_FALSE(manager->ResumeWithPlayers(QStringList{"cy", "alice"}));
}

TEST_F(InvitationManagerTest, AResumeRequestFromAnotherPlayer) {
    ServerSend(233, "~ alice = K1 .gb.alice.bob 7 3 2");
    // Accepted: he hears yes and the match resumes.
    ServerRoute("bob", 242, "bob Y K1 .gb.alice.bob 7 3 2");
    CResumeMatchReceiverDlg* dialog = manager->FindResumeDialog(".gb.alice.bob");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetEntry(), "K1 .gb.alice.bob 7 3 2");
    dialog->OnResume();
    EXPECT_EQ(Sent(246, "bob"), "Y");
    EXPECT_TRUE(session->IsTransferPending());
    EXPECT_EQ(manager->GetResumeDialogCount(), 0);

    // Declined, and a repeated request replaces the open question.
    BackToLobby();
    ServerRoute("bob", 242, "bob Y K1 .gb.alice.bob 7 3 2");
    ServerRoute("bob", 242, "bob Y K1 .gb.alice.bob 7 3 2");
    EXPECT_EQ(manager->GetResumeDialogCount(), 1);
    server->DropReceived();
    manager->FindResumeDialog(".gb.alice.bob")->OnNoThanks();
    EXPECT_EQ(Sent(246, "bob"), "N");
    EXPECT_EQ(manager->GetResumeDialogCount(), 0);

    // Entering a room declines an open question.
    ServerRoute("bob", 242, "bob Y K1 .gb.alice.bob 7 3 2");
    server->DropReceived();
    BackToLobby();
    EXPECT_EQ(Sent(246, "bob"), "N");
    EXPECT_EQ(manager->GetResumeDialogCount(), 0);

    // Withdrawn by him.
    ServerRoute("bob", 242, "bob Y K1 .gb.alice.bob 7 3 2");
    ServerRoute("bob", 242, "bob Q K1 .gb.alice.bob 7 3 2");
    EXPECT_EQ(manager->GetResumeDialogCount(), 0);

    // A match the server does not list for us is refused; so is everything while away.
    server->DropReceived();
    ServerRoute("bob", 242, "bob Y K7 .gb.alice.bob 7 3 2");
    EXPECT_EQ(Sent(246, "bob"), "N");
    session->SetAwayState(true, false);
    ServerRoute("bob", 242, "bob Y K1 .gb.alice.bob 7 3 2");
    EXPECT_EQ(Sent(246, "bob"), "N alice is away and cannot be invited.");
    EXPECT_EQ(manager->GetResumeDialogCount(), 0);
    // A request in another member's name is ignored.
    session->SetAwayState(false, false);
    ServerRoute("cy", 242, "bob Y K1 .gb.alice.bob 7 3 2");
    EXPECT_EQ(manager->GetResumeDialogCount(), 0);
}

TEST_F(InvitationManagerTest, TheResumeMenuOffersMatchesWhosePlayersAreFree) {
    ServerSend(233, "~ alice = K1 .gb.alice.bob 7 3 2\tK2 .gb.cy.alice 5 0 0\tK3 .gb.alice.dan 1 0 0");
    // bob is free, cy plays, dan is away.
    const QStringList users = {User("bob", CUserInfo::kPresenceReady, CUserInfo::kActivityFinished),
                               User("cy", CUserInfo::kPresenceReady, CUserInfo::kActivityPlaying),
                               User("dan", CUserInfo::kPresenceAway, CUserInfo::kActivityFinished)};
    ServerSend(CLobbyUserMap::kUsersArrived, QStringLiteral("50 3\n") + users.join(QString()));
    ASSERT_NE(session->FindUser("dan"), nullptr);
    QMenu* menu = manager->BuildResumeMenu();
    QStringList labels;
    for (QAction* action : menu->actions())
        labels << action->text();
    EXPECT_EQ(labels, QStringList({"bob "}));
    testenv::scriptedUi().SetDialogHandler([](QDialog*) { return int(platform::IDCANCEL); });
    server->DropReceived();
    EXPECT_TRUE(manager->OnCommand(CInvitationManager::kCmdResumeFirst));
    EXPECT_EQ(Sent(242, "bob"), "alice Y K1 .gb.alice.bob 7 3 2");
    // Ids past the menu do nothing.
    server->DropReceived();
    EXPECT_TRUE(manager->OnCommand(CInvitationManager::kCmdResumeFirst + 5));
    EXPECT_FALSE(manager->OnCommand(CInvitationManager::kCmdResumeLast + 1));
    EXPECT_TRUE(server->NothingReceived());

    // Once the connection has ended the entry says so at once, and waits for no answer.
    server->Disconnect();
    ASSERT_TRUE(WaitFor([&] { return !session->IsConnected(); }));
    bool waited = false;
    testenv::scriptedUi().SetDialogHandler([&](QDialog*) {
        waited = true;
        return int(platform::IDCANCEL);
    });
    EXPECT_TRUE(manager->OnCommand(CInvitationManager::kCmdResumeFirst));
    EXPECT_FALSE(waited);
    ASSERT_FALSE(chat.lines.empty());
    EXPECT_EQ(chat.lines.back().text, "Not connected: the request to resume the match was not sent.");
}

TEST_F(InvitationManagerTest, TheUnfinishedMatchesDialogAsksWhoIsOnline) {
    ServerSend(233, "~ alice = K1 .gb.alice.bob 7 3 2\tK2 .gb.cy.alice 5 0 0");
    EXPECT_TRUE(manager->OnCommand(CInvitationManager::kCmdUnfinishedMatches));
    // A window beside the others: the main window stays usable.
    CUnfinishedMatchesDlg* list = manager->GetUnfinishedMatchesDialog();
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->isModal());
    // Scores read as the resume questions show them.
    EXPECT_EQ(list->ItemAs<QTreeWidget>(CUnfinishedMatchesDlg::kIdList)->topLevelItem(0)->text(1), "3-2 of 7");
    EXPECT_TRUE(manager->OnCommand(CInvitationManager::kCmdUnfinishedMatches));
    EXPECT_EQ(manager->GetUnfinishedMatchesDialog(), list) << "one at a time";
    EXPECT_EQ(server->Expect(112)->Text(), "UFM_Cookie bob cy");
    server->Route(".", 184, "UFM_Cookie bob@.mb cy@");
    ASSERT_TRUE(WaitFor([&] { return list->GetStatusText(1) != list->GetStatusText(0); }));
    EXPECT_NE(list->GetStatusText(0), "Not logged in");
    EXPECT_EQ(list->GetStatusText(1), "Not logged in");
    // The status follows the directory while the window is open: cy arrives, bob leaves.
    ServerSend(97, "3 2\n" + CUserInfo("cy").FormatUpdateText(0, UserField::All, true) +
                       CUserInfo("bob").FormatUpdateText(0, UserField::All, true));
    EXPECT_EQ(list->GetStatusText(1), "Backgammon Lobby");
    ServerSend(98, "2 1\n" + CUserInfo("bob").FormatUpdateText(0, UserField::All, true));
    EXPECT_EQ(list->GetStatusText(0), "Not logged in");
    EXPECT_EQ(list->GetStatusText(1), "Backgammon Lobby");
    list->close();
    EXPECT_TRUE(WaitFor([&] { return manager->GetUnfinishedMatchesDialog() == nullptr; }));
}

TEST_F(InvitationManagerTest, PlayAgainOpensOneFromGameDialog) {
    manager->InvitePlayer("bob", 0, 0, false);
    ASSERT_EQ(dialogs.size(), 1u);
    manager->FinishInvitation(dialogs[0], ".gb.bob.alice !k7 11 0 1");
    dialogs.clear();
    manager->OpenInvitationFromGame(".gb.alice.bob", 0);
    ASSERT_EQ(dialogs.size(), 1u);
    FakeInviteDialog* dialog = Last();
    EXPECT_TRUE(dialog->record.IsFromGame());
    EXPECT_TRUE(WaitFor([&] { return dialog->startedFromGame; }));
    // The terms of the match just agreed are offered again.
    EXPECT_EQ(dialog->startText, "11 0 1");
    EXPECT_TRUE(dialog->received.isEmpty());
    manager->OpenInvitationFromGame(".gb.alice.bob", 0);
    EXPECT_EQ(dialogs.size(), 1u);
    // A stale deferred open for a dialog that went meanwhile does nothing.
    manager->CloseAllInvitations();
    manager->OpenInvitationFromGame(".gb.alice.bob", 1);
    const QPointer<FakeInviteDialog> second(Last());
    manager->CloseAllInvitations();
    Settle();
    EXPECT_EQ(dialogs.size(), 2u);
    EXPECT_TRUE(second.isNull() || !second->startedFromGame);
}

// Also when a proposition seated the players the other way round from its invitation's room.
TEST_F(InvitationManagerTest, ADeclineForTheRoomJustEnteredLeavesIt) {
    for (const char* invitation : {".gb.bob.alice", ".gb.alice.bob"}) {
        SCOPED_TRACE(invitation);
        ServerSend('S', "\".gb.bob.alice\" 0");
        server->DropReceived();
        testenv::scriptedUi().clear();
        ServerRoute("bob", 227, Record(3, invitation, "bob", CInviteData::FormatLengthText("no")));
        EXPECT_EQ(BoxTexts(),
                  QStringList({"bob cancelled the invitation just after you accepted. The game has been aborted"}));
        EXPECT_EQ(server->Expect('J')->Text(), "\".mb\"");
    }
}

// A user still in the room of the match his opponent's connection left is asked to resume it there;
// the opponent withdrawing the request only takes the question away.
TEST_F(InvitationManagerTest, AResumeRequestReachesTheUserStillInThatMatchsRoom) {
    ServerSend(233, "~ alice = K1 .gb.alice.bob 7 3 2");
    ServerSend('S', "\".gb.alice.bob\" 0");
    ServerSend(CLobbyUserMap::kUsersArrived,
               QStringLiteral("50 1\n") + User("alice", CUserInfo::kPresenceReady, CUserInfo::kActivityPlaying));
    server->DropReceived();
    EXPECT_EQ(manager->GetRefusalText("bob"), "alice cannot be invited at present.");
    ServerRoute("bob", 242, "bob Y K1 .gb.alice.bob 7 3 2");
    EXPECT_TRUE(NoneSent(246));
    ASSERT_NE(manager->FindResumeDialog(".gb.alice.bob"), nullptr);
    ServerRoute("bob", 242, "bob Q K1 .gb.alice.bob 7 3 2");
    EXPECT_EQ(manager->GetResumeDialogCount(), 0);
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_TRUE(server->NothingReceived()) << "he stays in the room";
    // In another match's room he is busy for this one.
    ServerSend('S', "\".gb.alice.cy\" 0");
    ServerRoute("bob", 242, "bob Y K1 .gb.alice.bob 7 3 2");
    EXPECT_EQ(Sent(246, "bob"), "N alice cannot be invited at present.");
}

class RobotInvitationTest : public InvitationManagerTest {
protected:
    void BeforeLogin() override {
        GetSettingsStore().SetUser("alice");
        GetSettingsStore().WriteBool("Login", "bRobotPlayer", true);
    }
};

TEST_F(RobotInvitationTest, ARobotStartsAgreedMatchesAtOnceAndOpensNothing) {
    ASSERT_TRUE(session->IsRobotPlayer());
    CBGRuleOptions rules;
    rules.SetMatchLength(5);
    bool ok = false;
    const QString terms = CBGRuleOptions::CBGRuleOptionsFromText(rules.FormatText(), &ok).FormatText();
    ASSERT_TRUE(ok);
    // Invitations and resume requests are consumed without a dialog.
    ServerRoute("bob", 227, Record(0, ".gb.bob.alice", "bob", terms));
    ServerRoute("bob", 242, "bob Y K1 .gb.alice.bob 7 3 2");
    Settle();
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(manager->GetResumeDialogCount(), 0);
    EXPECT_TRUE(server->NothingReceived());
    // A start whose terms do not read as rules goes nowhere; a good one enters the room.
    ServerRoute("bob", 227, Record(5, ".gb.bob.alice", "bob", "anything at all"));
    EXPECT_TRUE(server->NothingReceived());
    ServerRoute("bob", 227, Record(5, ".gb.bob.alice", "bob", terms));
    EXPECT_EQ(server->Expect('J')->Text().toStdString(), FormatQuotedText(".gb.bob.alice " + terms).toStdString());
    // A member it gags hears the robot's own words.
    BackToLobby();
    relations.gagged << "bob";
    server->DropReceived();
    ServerRoute("bob", 227, Record(0, ".gb.bob.alice", "bob", terms));
    EXPECT_EQ(CInviteData::ParseLengthText(CInviteData(Sent(227, "bob")).GetPayload()),
              "Sorry, I cannot play you now.");
}

} // namespace
