#include "lobby/invite/MatchInviteDlg.h"

#include "game/ClientGameFactory.h"
#include "game/RuleOptions.h"
#include "lobby/invite/InvitationManager.h"
#include "net/LoginPackets.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/ApplicationTimer.h"
#include "support/SessionFixture.h"
#include "support/TestEnvironment.h"
#include "web/PlayerImage.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>

using testenv::WaitFor;

namespace {

QString Terms(int length, bool rated = true, bool cube = true) {
    CBGRuleOptions options;
    options.SetMatchLength(length);
    options.SetRated(rated);
    options.SetCube(cube);
    return options.FormatText();
}

QString Record(int kind, const QString& room, const QString& sender, const QString& payload) {
    CInviteData record(0, CServiceName(room));
    record.SetMessage(kind, sender, payload);
    return record.Format();
}

class InvitationDlgTest : public testenv::SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        ASSERT_TRUE(Login("alice"));
        server->DropReceived();
        frame = std::make_unique<QWidget>();
        view->frame = frame.get();
        qputenv("NORVALE_WEB_ENGINE", "none");
        qputenv("NORVALE_WEB_HOST", "http://127.0.0.1:9");
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(nullptr);
        RegisterInvitationDialogs();
        manager = std::make_unique<CInvitationManager>(session.get());
    }
    void TearDown() override {
        manager.reset();
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(nullptr);
        qunsetenv("NORVALE_WEB_ENGINE");
        qunsetenv("NORVALE_WEB_HOST");
        SessionTest::TearDown();
    }

    CInvitationDlg* Find(const QString& room) {
        return dynamic_cast<CInvitationDlg*>(manager->FindInvitation(room));
    }
    // Everything the client sent since the last call: "<type> <destination>|<text>".
    std::vector<testenv::FakeServer::Frame> Drain() {
        std::vector<testenv::FakeServer::Frame> frames;
        while (!server->NothingReceived()) {
            if (auto next = server->NextFrame())
                frames.push_back(*next);
        }
        return frames;
    }
    // The kinds of the records sent to that player since the last call.
    std::vector<int> RecordKinds(const QString& to = QStringLiteral("bob")) {
        std::vector<int> kinds;
        lastRecords.clear();
        for (const auto& frame : Drain()) {
            if (frame.Type() == 'J')
                transfers.append(ParseQuotedText(frame.Text()).value_or(QString()));
            if (frame.Type() == 227 && frame.Destination() == to) {
                lastRecords.push_back(CInviteData(frame.Text()));
                kinds.push_back(lastRecords.back().GetMessageKind());
            }
        }
        return kinds;
    }
    // The server's answers to the dialog's questions.
    void Answer(CInvitationDlg* dialog,
                const QString& versions = QStringLiteral("bob 1000 Norvale for Linux"),
                float bobRating = 1500.0f) {
        const QString cookie = dialog->GetCookie();
        const QString first = dialog->GetServiceName().GetPart(0);
        const QString second = dialog->GetServiceName().GetPart(1);
        ServerSend(93, QStringLiteral(
                           "%1 2\n%2 1500.000000 12 0 2.500000 -2.500000 0\n%3 %4 40 0 3.100000 -1.900000 0")
                           .arg(cookie, first, second)
                           .arg(double(first == "bob" ? 1500.0f : bobRating), 0, 'f', 6));
        ServerRoute(".", 183, cookie + QLatin1Char(' ') + versions);
    }
    // alice invites bob and the server has answered.
    CInvitationDlg* Invited() {
        manager->InvitePlayer("bob", 0, 0, false);
        CInvitationDlg* dialog = Find(".gb.alice.bob");
        if (!dialog)
            return nullptr;
        Answer(dialog);
        Drain();
        dialog->ItemAs<QPushButton>(CInvitationDlg::kIdInvite)->click();
        return dialog;
    }
    // bob invites alice with those terms; the dialog is open and the server has answered.
    CInvitationDlg* Received(const QString& terms) {
        ServerRoute("bob", 227, Record(0, ".gb.bob.alice", "bob", terms));
        CInvitationDlg* dialog = nullptr;
        WaitFor([&] { return (dialog = Find(".gb.bob.alice")) && dialog->IsLive(); });
        if (dialog)
            Answer(dialog);
        return dialog;
    }
    void Click(CInvitationDlg* dialog, int id) { dialog->ItemAs<QPushButton>(id)->click(); }
    QStringList ChatLines() const {
        QStringList lines;
        for (const auto& line : chat.lines)
            lines << QString::number(line.kind) + ' ' + line.text;
        return lines;
    }

    std::unique_ptr<QWidget> frame;
    std::unique_ptr<CInvitationManager> manager;
    std::vector<CInviteData> lastRecords;
    QStringList transfers;
};

TEST(InvitationDlgTexts, RatingsDeltasVersionsAndPeerTexts) {
    const std::pair<float, const char*> ratings[] = {
        {99.9f, "Guest"}, {100.0f, " 100"}, {1500.4f, "1500"}, {-1.0f, "Guest"}};
    for (const auto& [rating, text] : ratings)
        EXPECT_EQ(CInvitationDlg::FormatRating(rating), text) << rating;
    EXPECT_EQ(CInvitationDlg::FormatDelta(2.45f, true), "+2.5");
    EXPECT_EQ(CInvitationDlg::FormatDelta(-1.9f, true), "-1.9");
    EXPECT_EQ(CInvitationDlg::FormatDelta(3.0f, false), "       ");

    const QStringList players = {"alice", "bob"};
    const std::pair<const char*, int> versions[] = {
        {"812 799", 799},
        {"", CInvitationDlg::kNoVersion},
        {"x 812 abc 799", 799},
        {"bob 1000 Norvale for Linux", 1000},
        {"BOB 1000", 1000},
        {"bob >812 Norvale", 812},
        {"bob (not connected)", CInvitationDlg::kNoVersion},
        {"bob 2 Norvale", 2},
        {"0", 0},
    };
    for (const auto& [text, lowest] : versions)
        EXPECT_EQ(CInvitationDlg::ParseLowestVersion(text, players), lowest) << text;

    EXPECT_EQ(CInvitationDlg::SanitizePeerText("no\nmore\r\tlines"), "no more  lines");
    EXPECT_EQ(CInvitationDlg::SanitizePeerText(QString(600, 'x')).size(), 512);

    const QFontMetrics metrics{QFont()};
    const QString name = "averyveryverylongnickname";
    const QString fitted =
        CInvitationDlg::FitTextToWidth(name, metrics, metrics.horizontalAdvance("avery..."));
    EXPECT_TRUE(fitted.endsWith("...")) << fitted.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(fitted), metrics.horizontalAdvance("avery..."));
    EXPECT_EQ(CInvitationDlg::FitTextToWidth("bob", metrics, 500), "bob");

    EXPECT_EQ(CPlayerImage::InvitationPictureAddress("http://h", "bob"),
              "http://h/client/invitation-picture/bob/");
    EXPECT_EQ(CPlayerImage::InvitationPictureAddress("http://h", "../x"), "");
}

TEST_F(InvitationDlgTest, TheInviterAsksTheServerAndInvitesOnceEverythingIsKnown) {
    manager->InvitePlayer("bob", 0, 0, false);
    CInvitationDlg* dialog = Find(".gb.alice.bob");
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->IsIncoming());
    EXPECT_EQ(dialog->GetPeerName(), "bob");
    // From the host of the server's help address ("urlHelp" http://127.0.0.1/help).
    EXPECT_EQ(dialog->GetPicture()->GetAddress(), "http://127.0.0.1/client/invitation-picture/bob/");
    const auto asked = Drain();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].Type(), 91);
    EXPECT_EQ(asked[0].Text(), "\"Invite.gb.alice.bob\"\"alice\" 1 2 \"alice bob \" 3");
    EXPECT_EQ(asked[1].Type(), 182);
    EXPECT_EQ(asked[1].Destination(), ".");
    EXPECT_EQ(asked[1].Text(), "Invite.gb.alice.bob bob");
    EXPECT_EQ(asked[2].Type(), 77);
    EXPECT_EQ(asked[2].Text(), "205 \"alice\" \"Invite.gb.alice.bob\" \"alice bob \" ");

    auto* invite = dialog->ItemAs<QPushButton>(CInvitationDlg::kIdInvite);
    EXPECT_FALSE(invite->isEnabled());
    ServerSend(93, "Invite.gb.alice.bob 2\nalice 1500 12 0 2.5 -2.5 0\nbob 1620.4 40 0 3.1 -1.9");
    EXPECT_FALSE(invite->isEnabled()); // the version is not known yet
    ServerRoute(".", 183, "Invite.gb.alice.bob bob 1000 Norvale for Linux");
    EXPECT_TRUE(invite->isEnabled());
    EXPECT_EQ(dialog->GetLowestPeerVersion(), 1000);
    EXPECT_EQ(dialog->GetPanelText(CInvitationDlg::kIdName0), "alice");
    EXPECT_EQ(dialog->GetPanelText(CInvitationDlg::kIdRating1), "1620");
    EXPECT_EQ(dialog->GetPanelText(CInvitationDlg::kIdWinDelta0), "+2.5");
    EXPECT_EQ(dialog->GetPanelText(CInvitationDlg::kIdLoseDelta1), "-1.9");
    // Replies for another invitation are left alone.
    EXPECT_EQ(dialog->OnPacket(93, "Invite.gb.alice.cy 1\ncy 1 1 1 1 1 1"), 0);

    invite->click();
    EXPECT_EQ(RecordKinds(), std::vector<int>{CInviteData::kInvite});
    EXPECT_EQ(lastRecords[0].GetPayload(), Terms(3));
    EXPECT_EQ(lastRecords[0].GetPlayerName(), "alice");
    EXPECT_TRUE(dialog->IsLive());
    EXPECT_TRUE(invite->isHidden());
    EXPECT_FALSE(dialog->Item(CInvitationDlg::kIdPlay)->isHidden());
    EXPECT_FALSE(dialog->Item(CInvitationDlg::kIdPlay)->isEnabled());
    EXPECT_EQ(dialog->GetItemText(CInvitationDlg::kIdCancel), "&No Thanks");
    EXPECT_EQ(dialog->GetMarker(0), CInvitationDlg::kMarkerAccepted);
}

TEST_F(InvitationDlgTest, TheInviterStartsOnlyWhenEveryoneAcceptedTheSameTerms) {
    struct Case {
        const char* what;
        std::function<void(CInvitationDlg*)> act;
        std::vector<int> sent;
        bool started;
    };
    const auto accept = [&](const QString& terms) {
        return [this, terms](CInvitationDlg*) {
            ServerRoute("bob", 227, Record(2, ".gb.alice.bob", "bob", terms));
        };
    };
    const Case cases[] = {
        {"bob accepts the terms", accept(Terms(3)), {CInviteData::kStart}, true},
        {"bob accepts other terms", accept(Terms(5)), {CInviteData::kNewTerms}, false},
        {"alice changed the terms, bob accepts the new ones twice",
         [&](CInvitationDlg* dialog) {
             dialog->ItemAs<QSpinBox>(CMatchInviteDlg::kIdLength)->setValue(7);
             accept(Terms(7))(dialog);
             accept(Terms(7))(dialog);
         },
         {CInviteData::kNewTerms},
         false},
        {"then alice plays",
         [&](CInvitationDlg* dialog) {
             dialog->ItemAs<QSpinBox>(CMatchInviteDlg::kIdLength)->setValue(7);
             accept(Terms(7))(dialog);
             Click(dialog, CInvitationDlg::kIdPlay);
         },
         {CInviteData::kNewTerms, CInviteData::kStart},
         true},
        {"a stale accept after new terms",
         [&](CInvitationDlg* dialog) {
             dialog->ItemAs<QSpinBox>(CMatchInviteDlg::kIdLength)->setValue(7);
             accept(Terms(3))(dialog);
             Click(dialog, CInvitationDlg::kIdPlay);
         },
         {CInviteData::kNewTerms, CInviteData::kNewTerms, CInviteData::kAccept},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CInvitationDlg* dialog = Invited();
        ASSERT_NE(dialog, nullptr);
        RecordKinds();
        transfers.clear();
        c.act(dialog);
        EXPECT_EQ(RecordKinds(), c.sent);
        EXPECT_EQ(!transfers.isEmpty(), c.started);
        if (c.started) {
            EXPECT_EQ(transfers.first(), ".gb.alice.bob " + lastRecords.back().GetPayload());
            EXPECT_EQ(manager->GetInvitationCount(), 0);
        }
        // Back to a clean lobby for the next case.
        manager->CloseAllInvitations();
        ServerSend('S', "\".mb\" 0");
        Drain();
    }
}

TEST_F(InvitationDlgTest, TheInvitedSideAcceptsAndStartsOnlyOnTheTermsItAccepted) {
    struct Case {
        const char* what;
        bool play;
        QString startTerms;
        std::vector<int> sent; // after Play
        bool started;
    };
    const Case cases[] = {
        {"start on the accepted terms", true, Terms(5), {CInviteData::kAccept}, true},
        {"start on other terms", true, Terms(9), {CInviteData::kAccept, CInviteData::kDecline}, false},
        {"start before Play", false, Terms(5), {CInviteData::kDecline}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CInvitationDlg* dialog = Received(Terms(5));
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->windowTitle().endsWith(" from bob"));
        // It came with a packet: shown without taking the keyboard from what the user is typing.
        EXPECT_TRUE(dialog->testAttribute(Qt::WA_ShowWithoutActivating));
        EXPECT_FALSE(dialog->Item(CInvitationDlg::kIdNoThanks)->isHidden());
        EXPECT_EQ(dialog->GetMarker(1), CInvitationDlg::kMarkerAccepted);
        RecordKinds();
        transfers.clear();
        QPointer<CInvitationDlg> alive(dialog);
        if (c.play) {
            EXPECT_TRUE(dialog->Item(CInvitationDlg::kIdPlay)->isEnabled());
            Click(dialog, CInvitationDlg::kIdPlay);
            EXPECT_FALSE(dialog->Item(CInvitationDlg::kIdNoThanks)->isEnabled());
        }
        ServerRoute("bob", 227, Record(5, ".gb.bob.alice", "bob", c.startTerms));
        EXPECT_EQ(RecordKinds(), c.sent);
        EXPECT_EQ(!transfers.isEmpty(), c.started);
        if (c.started) {
            EXPECT_EQ(transfers.first(), ".gb.bob.alice " + Terms(5));
        } else {
            EXPECT_EQ(CInviteData::ParseLengthText(lastRecords.back().GetPayload()),
                      "alice has declined the invitation.");
        }
        EXPECT_EQ(manager->GetInvitationCount(), 0);
        ServerSend('S', "\".mb\" 0");
        Drain();
    }
}

TEST_F(InvitationDlgTest, TermsTheDialogCannotShowAreAnsweredWithItsOwn) {
    CBGRuleOptions money;
    money.SetMatchLength(0);
    money.SetWager(true, 500);
    money.SetReserve(5000);
    const std::pair<const char*, QString> cases[] = {{"money play", money.FormatText()},
                                                     {"not terms at all", QStringLiteral("junk")}};
    for (const auto& [what, terms] : cases) {
        SCOPED_TRACE(what);
        CInvitationDlg* dialog = Received(terms);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(RecordKinds(), std::vector<int>{CInviteData::kNewTerms});
        EXPECT_TRUE(CBGRuleOptions::CBGRuleOptionsFromText(lastRecords[0].GetPayload()).IsValid());
        EXPECT_EQ(dialog->GetMarker(1), CInvitationDlg::kMarkerChanged);
        dialog->CloseInvitation();
        EXPECT_EQ(RecordKinds(), std::vector<int>{CInviteData::kDecline});
    }
}

TEST_F(InvitationDlgTest, DeclinesAndWithdrawalsEndTheDialogWithAChatLine) {
    const std::pair<QString, QString> cases[] = {
        {Record(3, ".gb.alice.bob", "bob", "12 Not now, ok? trailing"), "3 Not now, ok?"},
        {Record(3, ".gb.alice.bob", "bob", "99 short"), "3 99 short"},
        {Record(3, ".gb.alice.bob", "bob", "-2 sneaky"), "3 -2 sneaky"},
        {Record(3, ".gb.alice.bob", "bob", "9 two\nlines"), "3 two lines"},
        {Record(4, ".gb.alice.bob", "bob", "x"), "3 bob has cancelled the Backgammon invitation."},
    };
    for (const auto& [record, line] : cases) {
        SCOPED_TRACE(line.toStdString());
        chat.lines.clear();
        QPointer<CInvitationDlg> dialog = Invited();
        ASSERT_TRUE(dialog);
        RecordKinds();
        ServerRoute("bob", 227, record);
        EXPECT_EQ(ChatLines(), QStringList{line});
        EXPECT_EQ(manager->GetInvitationCount(), 0);
        EXPECT_TRUE(RecordKinds().empty());
        // The window goes; records that come later find nothing.
        EXPECT_TRUE(WaitFor([&] { return dialog.isNull(); }));
        ServerRoute("bob", 227, Record(2, ".gb.alice.bob", "bob", Terms(3)));
        EXPECT_TRUE(RecordKinds().empty());
    }
}

TEST_F(InvitationDlgTest, KindsThisClientDoesNotKnowAreDeclinedWithAReason) {
    // A proposition this client cannot play, and kinds of a newer client: the peer is told why, so his
    // dialog does not wait for ever; a text (7) is passed over.
    const std::pair<int, QString> cases[] = {
        {6, "You must upgrade your client to play propositions."},
        {8, "alice has an older version of the client and cannot accept this invitation."},
        {12, "alice has an older version of the client and cannot accept this invitation."},
    };
    for (const auto& [kind, text] : cases) {
        SCOPED_TRACE(kind);
        QPointer<CInvitationDlg> dialog = Invited();
        ASSERT_TRUE(dialog);
        RecordKinds();
        ServerRoute("bob", 227, Record(kind, ".gb.alice.bob", "bob", Terms(3)));
        ASSERT_EQ(RecordKinds(), std::vector<int>{CInviteData::kDecline});
        EXPECT_EQ(CInviteData::ParseLengthText(lastRecords[0].GetPayload()), text);
        EXPECT_EQ(manager->GetInvitationCount(), 0);
        EXPECT_TRUE(WaitFor([&] { return dialog.isNull(); }));
    }
    // Without a dialog of its room such a record opens nothing and is not answered.
    ServerRoute("bob", 227, Record(6, ".gb.bob.alice", "bob", Terms(3)));
    EXPECT_TRUE(RecordKinds().empty());
    EXPECT_EQ(manager->GetInvitationCount(), 0);
}

TEST_F(InvitationDlgTest, ClosingTellsThePeerOnlyWhenTheInvitationIsLive) {
    struct Case {
        const char* what;
        bool received;
        bool invite;
        int button; // 0: Esc
        std::vector<int> sent;
    };
    const Case cases[] = {
        {"inviter cancels before inviting", false, false, CInvitationDlg::kIdCancel, {}},
        {"inviter presses Esc before inviting", false, false, 0, {}},
        {"inviter withdraws", false, true, CInvitationDlg::kIdCancel, {CInviteData::kWithdraw}},
        {"inviter presses Esc", false, true, 0, {CInviteData::kWithdraw}},
        {"invited player says no thanks", true, false, CInvitationDlg::kIdNoThanks, {CInviteData::kDecline}},
        {"invited player presses Esc", true, false, 0, {CInviteData::kDecline}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CInvitationDlg* dialog = nullptr;
        if (c.received) {
            dialog = Received(Terms(3));
        } else if (c.invite) {
            dialog = Invited();
        } else {
            manager->InvitePlayer("bob", 0, 0, false);
            dialog = Find(".gb.alice.bob");
        }
        ASSERT_NE(dialog, nullptr);
        RecordKinds();
        if (c.button)
            Click(dialog, c.button);
        else
            dialog->reject();
        EXPECT_EQ(RecordKinds(), c.sent);
        if (c.received && !c.sent.empty()) {
            EXPECT_EQ(CInviteData::ParseLengthText(lastRecords[0].GetPayload()),
                      "alice has declined the invitation.");
        }
        EXPECT_EQ(manager->GetInvitationCount(), 0);
        EXPECT_EQ(manager->GetOutgoingCount(), 0);
    }
}

TEST_F(InvitationDlgTest, APeerWhoIsNotConnectedEndsTheDialogWithAMessage) {
    manager->InvitePlayer("bob", 0, 0, false);
    CInvitationDlg* dialog = Find(".gb.alice.bob");
    ASSERT_NE(dialog, nullptr);
    QPointer<CInvitationDlg> alive(dialog);
    Answer(dialog, "bob (not connected)");
    // The manager ends the dialog at once.
    EXPECT_TRUE(alive.isNull() || !alive->IsPeerVersionValid());
    EXPECT_EQ(manager->GetInvitationCount(), 0);
    EXPECT_TRUE(WaitFor([] {
        for (const auto& asked : testenv::scriptedUi().asked())
            if (asked.text == "bob is not logged in.")
                return true;
        return false;
    }));
}

TEST_F(InvitationDlgTest, ThePollAsksAgainForANewLengthAndDiesWithTheDialog) {
    CApplicationTimer::ManualClock clock;
    manager->InvitePlayer("bob", 0, 0, false);
    QPointer<CInvitationDlg> dialog = Find(".gb.alice.bob");
    ASSERT_TRUE(dialog);
    Answer(dialog);
    Drain();
    dialog->ItemAs<QSpinBox>(CMatchInviteDlg::kIdLength)->setValue(11);
    clock.Tick(2);
    auto frames = Drain();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Type(), 91);
    EXPECT_TRUE(frames[0].Text().endsWith("\" 11"));
    // Once per length.
    clock.Tick(2);
    EXPECT_TRUE(Drain().empty());
    // Later replies refresh the texts.
    dialog->OnPacket(93, "Invite.gb.alice.bob 2\nalice 1500 1 0 2.5 -2.5 0\nbob 90 0 0 3 -3 0");
    EXPECT_EQ(dialog->GetPanelText(CInvitationDlg::kIdRating1), "Guest");
    EXPECT_TRUE(dialog->IsGuestFree()); // only the first reply decides
    Click(dialog, CInvitationDlg::kIdCancel);
    EXPECT_TRUE(WaitFor([&] { return dialog.isNull(); }));
    const int pending = CApplicationTimer::Instance().PendingCount();
    clock.Tick(3);
    EXPECT_TRUE(Drain().empty());
    EXPECT_LE(CApplicationTimer::Instance().PendingCount(), pending);
}

TEST_F(InvitationDlgTest, AGuestFoundInTheFirstReplyMakesTheMatchUnrated) {
    manager->InvitePlayer("bob", 0, 0, false);
    CInvitationDlg* dialog = Find(".gb.alice.bob");
    ASSERT_NE(dialog, nullptr);
    Answer(dialog, "bob 1000", 100.0f);
    EXPECT_FALSE(dialog->IsGuestFree());
    EXPECT_EQ(dialog->GetPanelText(CInvitationDlg::kIdRating1), " 100"); // exactly 100 is still a number
    EXPECT_EQ(dialog->GetPanelText(CInvitationDlg::kIdWinDelta0), "       ");
    EXPECT_FALSE(dialog->ItemAs<QCheckBox>(CMatchInviteDlg::kIdRated)->isChecked());
    Drain();
    Click(dialog, CInvitationDlg::kIdInvite);
    RecordKinds();
    EXPECT_EQ(lastRecords.at(0).GetPayload(), Terms(3, false));
}

TEST_F(InvitationDlgTest, AnInvitationOverAnUnfinishedMatchAsksTheInvitedPlayerFirst) {
    struct Case {
        const char* what;
        int answer;              // of the question
        bool withdrawnMeanwhile; // bob withdraws while the question is open
        std::vector<int> sent;
        bool open;
    };
    const Case cases[] = {
        {"a new match", 1232, false, {}, true},
        {"no new match", platform::IDCANCEL, false, {CInviteData::kDecline}, false},
        {"withdrawn during the question", 1232, true, {}, false},
    };
    auto& ui = testenv::scriptedUi();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ServerSend(233, "~ alice = K1 .gb.bob.alice 7 3 2");
        ui.SetDialogHandler([&](QDialog*) {
            if (c.withdrawnMeanwhile)
                ServerRoute("bob", 227, Record(4, ".gb.bob.alice", "bob", "x"));
            return c.answer;
        });
        ui.QueueMessageBoxAnswer(platform::IDOK);
        ServerRoute("bob", 227, Record(0, ".gb.bob.alice", "bob", Terms(3)));
        WaitFor([&] {
            return manager->GetInvitationCount() == 0 ||
                   (Find(".gb.bob.alice") && Find(".gb.bob.alice")->IsLive());
        });
        WaitFor([] { return false; }, 50);
        EXPECT_EQ(RecordKinds(), c.sent);
        CInvitationDlg* dialog = Find(".gb.bob.alice");
        ASSERT_EQ(dialog != nullptr, c.open);
        if (dialog) {
            EXPECT_TRUE(dialog->HasDiscard());
            EXPECT_EQ(dialog->GetDiscardText(), "K1");
            Answer(dialog);
            Click(dialog, CInvitationDlg::kIdPlay);
            RecordKinds();
            ASSERT_EQ(lastRecords.size(), 1u);
            EXPECT_TRUE(lastRecords[0].Replaces());
            EXPECT_EQ(lastRecords[0].GetUnfinishedKey(), "K1");
            dialog->CloseInvitation();
            RecordKinds();
        }
        ui.SetDialogHandler(nullptr);
    }
    // A key the user does not have with these players is not taken from the peer.
    ServerSend(233, "~ alice = ");
    CInviteData foreign(0, CServiceName(".gb.bob.alice"), "K9");
    foreign.SetMessage(0, "bob", Terms(3));
    ServerRoute("bob", 227, foreign.Format());
    ASSERT_TRUE(WaitFor([&] { return Find(".gb.bob.alice") && Find(".gb.bob.alice")->IsLive(); }));
    EXPECT_FALSE(Find(".gb.bob.alice")->HasDiscard());
}

TEST_F(InvitationDlgTest, PlayAgainInvitesFromTheFirstPlayerOfTheRoom) {
    // alice was the second player: her dialog waits for bob's invitation.
    manager->OpenInvitationFromGame(".gb.bob.alice", 1);
    CInvitationDlg* waiting = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (waiting = Find(".gb.bob.alice")) && waiting->IsReceived(); }));
    EXPECT_TRUE(waiting->Item(CInvitationDlg::kIdInvite)->isHidden());
    EXPECT_FALSE(waiting->Item(CInvitationDlg::kIdPlay)->isHidden());
    EXPECT_FALSE(waiting->IsLive());
    Answer(waiting);
    EXPECT_FALSE(waiting->Item(CInvitationDlg::kIdPlay)->isEnabled());
    CInviteData again(0, CServiceName(".gb.bob.alice"), QString(), true);
    again.SetMessage(CInviteData::kInvite, "bob", Terms(7));
    ServerRoute("bob", 227, again.Format());
    EXPECT_TRUE(waiting->IsLive());
    EXPECT_EQ(waiting->windowTitle(), "Norvale Backgammon Invitation from bob");
    EXPECT_TRUE(waiting->Item(CInvitationDlg::kIdPlay)->isEnabled());
    EXPECT_EQ(waiting->ItemAs<QSpinBox>(CMatchInviteDlg::kIdLength)->value(), 7);
    manager->CloseAllInvitations();
    EXPECT_EQ(RecordKinds(), std::vector<int>{CInviteData::kDecline});

    // As the first player she invites.
    manager->OpenInvitationFromGame(".gb.alice.bob", 0);
    CInvitationDlg* inviting = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (inviting = Find(".gb.alice.bob")) != nullptr && inviting->IsInitialized(); }));
    EXPECT_FALSE(inviting->IsReceived());
    Answer(inviting);
    EXPECT_TRUE(inviting->Item(CInvitationDlg::kIdInvite)->isEnabled());
    Drain();
    Click(inviting, CInvitationDlg::kIdInvite);
    EXPECT_EQ(RecordKinds(), std::vector<int>{CInviteData::kInvite});
    EXPECT_TRUE(lastRecords[0].IsFromGame());
}

} // namespace
