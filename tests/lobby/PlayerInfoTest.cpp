#include "web/WebTestSupport.h"

#include "DevWebServer.h"
#include "lobby/RelationsSubDoc.h"
#include "net/LoginPackets.h"
#include "session/UserInfo.h"
#include "support/SessionFixture.h"
#include "support/SettingsStore.h"
#include "support/Utilities.h"
#include "lobby/PlayerInfoDlg.h"
#include "lobby/PlayerInfoSubDoc.h"
#include "web/WebAddress.h"

#include <QAction>
#include <QComboBox>
#include <QTabBar>
#include <QTextBrowser>

namespace {

using webtest::FakeBrowser;
using Location = CPlayerInfoSubDoc::Location;

constexpr char kPages[] = "http://w.example/players/";

TEST(PlayerLocationTest, RepliesBecomeTheLocationThePagesAreAskedWith) {
    struct Case {
        QString reply;
        QString name; // empty: the reply is not for the window
        QString text;
        QString room;
    } cases[] = {
        {"PlayerInfoSubDoc Ann Ann@", "Ann", "Not Logged In", ""},
        {"PlayerInfoSubDoc Ann@", "Ann", "Not Logged In", ""},
        {"PlayerInfoSubDoc Ann Ann", "Ann", "Not Logged In", ""},
        {"PlayerInfoSubDoc Ann", "Ann", "Unknown", ""},
        {"PlayerInfoSubDoc Ann Ann@.gb.Ann.Bob", "Ann", "Playing Backgammon with Bob", ".gb.Ann.Bob"},
        {"PlayerInfoSubDoc Ann@.gb.Bob.Carl", "Ann", "Watching Backgammon: Bob vs Carl", ".gb.Bob.Carl"},
        {"PlayerInfoSubDoc ann@.gb.Bob.ANN", "ann", "Playing Backgammon with Bob", ".gb.Bob.ANN"},
        {"PlayerInfoSubDoc Ann@.mb", "Ann", "Backgammon Lobby", ".mb"},
        {"PlayerInfoSubDoc Ann@.zz.Ann", "Ann", "Logged In", ".zz.Ann"},
        {"UFM_Cookie Ann@.gb.Ann.Bob", "", "", ""},
        {"PlayerInfoSubDoc", "", "", ""},
        {"PlayerInfoSubDoc @.mb", "", "", ""},
    };
    for (const Case& c : cases) {
        const std::optional<Location> location = CPlayerInfoSubDoc::ParseLocateReply(c.reply);
        ASSERT_EQ(location.has_value(), !c.name.isEmpty()) << c.reply.toStdString();
        if (!location)
            continue;
        EXPECT_EQ(location->name, c.name) << c.reply.toStdString();
        EXPECT_EQ(location->text, c.text) << c.reply.toStdString();
        EXPECT_EQ(location->service.GetText(), c.room) << c.reply.toStdString();
    }
    // As a query value the spaces become '+' and nothing else changes.
    EXPECT_EQ(FormEncodeValue("Watching Backgammon: Bob vs Carl"), "Watching+Backgammon:+Bob+vs+Carl");
    EXPECT_EQ(FormEncodeValue("Playing Backgammon with Bob, Cy"), "Playing+Backgammon+with+Bob,+Cy");
    EXPECT_EQ(FormEncodeValue("a&b=c+d#e%f"), "a%26b%3Dc%2Bd%23e%25f");
    EXPECT_EQ(FormEncodeValue(QString::fromUtf8("Zo\u00eb")), "Zo%C3%AB");
}

class PlayerInfoTest : public testenv::SessionTest {
protected:
    virtual CServiceSettings Settings() const {
        return {{"urlPlayerInfoDir", kPages},
                {"urlLeagues", "http://w.example/leagues/"},
                {"urlTallybankAccount", "http://w.example/bank/"}};
    }
    void SetUp() override {
        testenv::SessionTest::SetUp();
        server->Acceptance().settings = Settings();
        ASSERT_TRUE(Login(QStringLiteral("Bob")));
        relations = CRelationsSubDoc::Attach(*session);
        for (int type : {173, 199, 226})
            server->Expect(type);
        info = CPlayerInfoSubDoc::Attach(*session);
    }
    void TearDown() override {
        session->SetInvitationService(nullptr);
        testenv::SessionTest::TearDown();
        webtest::RunPosted();
    }

    CPlayerInfoDlg* Dialog() const { return info->GetDialog(); }
    FakeBrowser* Browser() const { return engines.Last(); }

    // Shows the player and expects the look-up of his location.
    void Show(const QString& name, int page, const QString& asked) {
        if (page < 0)
            session->ShowPlayerInfo(name); // as the lists and the command line do
        else
            info->ShowPlayerInfo(name, page);
        const auto frame = server->Expect(112);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->Text(), QStringLiteral("PlayerInfoSubDoc ") + asked);
    }
    void EnterService(const QString& name) {
        ServerSend(LoginPacketType::ServiceEntered, CServiceEnteredPacket{name, {}}.Format());
    }
    // The working page arrives -> the address loaded next (empty when none).
    QString AfterWorkingPage() {
        FakeBrowser* browser = Browser();
        const size_t before = browser->navigations.size();
        EXPECT_EQ(browser->loading.toString(), Dialog()->WorkingPageAddress());
        browser->FinishLoad();
        return browser->navigations.size() > before ? browser->navigations.back().url : QString();
    }
    bool Enabled(int command) const { return Dialog()->CommandAction(command)->isEnabled(); }
    bool Checked(int command) const { return Dialog()->CommandAction(command)->isChecked(); }

    webtest::FakeBrowserFactory engines;
    CRelationsSubDoc* relations = nullptr;
    CPlayerInfoSubDoc* info = nullptr;
};

TEST_F(PlayerInfoTest, EachPageLoadsAfterTheWorkingPageWithItsAddressAndTitle) {
    Show(QStringLiteral("Ann!"), 2, QStringLiteral("Ann"));
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_STREQ(Dialog()->RuntimeClassName(), "CPlayerInfoDlgOriginal");
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(Dialog()->NicknameBox()->currentText(), QStringLiteral("Ann"));
    EXPECT_EQ(Dialog()->Tabs()->count(), 7);
    struct Case {
        int page;
        QString address;
        QString title;
    } cases[] = {
        {1, "http://w.example/players/info-picture/Ann/?name=Bob&resp=blah", "Picture for Ann"},
        {2, "http://w.example/players/finished/Ann/?name=Bob&resp=blah", "Finished Matches for Ann"},
        {3, "http://w.example/players/unfinished/Ann/?name=Bob&resp=blah", "Unfinished Matches for Ann"},
        {4, "http://w.example/players/unlimited/Ann/?name=Bob&resp=blah", "Unlimited Matches for Ann"},
        {5, "http://w.example/players/statistics/Ann/?name=Bob&resp=blah", "Statistics for Ann"},
        {6, "http://w.example/leagues/Ann/?name=Bob&resp=blah", "League Info for Ann"},
    };
    for (const Case& c : cases) {
        Dialog()->Tabs()->setCurrentIndex(c.page);
        EXPECT_EQ(Dialog()->GetCurrentPage(), c.page);
        EXPECT_EQ(Dialog()->windowTitle(), c.title);
        EXPECT_EQ(AfterWorkingPage(), c.address) << c.page;
        EXPECT_EQ(Browser()->navigations.back().flags, navNoReadFromCache);
    }
    // Any later page that completes gives the nickname box the focus; nothing more is loaded.
    const size_t count = Browser()->navigations.size();
    Browser()->FinishLoad();
    EXPECT_EQ(Browser()->navigations.size(), count);
}

TEST_F(PlayerInfoTest, TheProfileWaitsForTheLocationOfTheShownPlayer) {
    Show(QStringLiteral("Ann"), 0, QStringLiteral("Ann"));
    EXPECT_EQ(Dialog()->GetLocationText(), QStringLiteral("Searching..."));
    EXPECT_EQ(Dialog()->windowTitle(), QStringLiteral("Personal Info for Ann"));
    EXPECT_EQ(AfterWorkingPage(), QString()); // no profile address yet

    // Answers about somebody else, or for another requester, change nothing.
    ServerRoute(".", 184, "PlayerInfoSubDoc Carl@.mb");
    ServerRoute(".", 184, "UFM_Cookie Ann@.mb");
    EXPECT_FALSE(Dialog()->IsLocationKnown());

    ServerRoute(".", 184, "PlayerInfoSubDoc Ann@.gb.Ann.Carl");
    EXPECT_TRUE(Dialog()->IsLocationKnown());
    EXPECT_EQ(AfterWorkingPage(),
              QStringLiteral("http://w.example/players/profile/Ann/?name=Bob&resp=blah"
                             "&location=Playing+Backgammon+with+Carl"));
    // She plays: she can be watched; the look-up left the user's own watch command free.
    EXPECT_TRUE(Enabled(CPlayerInfoDlg::kCmdWatch));
    EXPECT_FALSE(session->IsWatchPending());

    // Another player: the location is looked up again and the profile waits once more.
    Show(QStringLiteral("Carl"), -1, QStringLiteral("Carl"));
    EXPECT_EQ(Dialog()->GetCurrentPage(), 0);
    EXPECT_EQ(AfterWorkingPage(), QString());
    ServerRoute(".", 184, "PlayerInfoSubDoc Carl@");
    EXPECT_EQ(AfterWorkingPage(),
              QStringLiteral("http://w.example/players/profile/Carl/?name=Bob&resp=blah&location=Not+Logged+In"));
    EXPECT_FALSE(Enabled(CPlayerInfoDlg::kCmdWatch));
    EXPECT_EQ(Dialog()->NicknameBox()->count(), 2);

    // The profile tab of a player whose location is still out loads nothing, not the last page's.
    Show(QStringLiteral("Dee"), 3, QStringLiteral("Dee"));
    AfterWorkingPage();
    Dialog()->Tabs()->setCurrentIndex(0);
    EXPECT_EQ(Dialog()->GetTargetAddress(), QString());
    // The connection ends before the answer: the profile waits no longer, the location unknown.
    server->Disconnect();
    ASSERT_TRUE(testenv::WaitFor([&] { return !session->IsConnected(); }));
    EXPECT_EQ(AfterWorkingPage(),
              QStringLiteral("http://w.example/players/profile/Dee/?name=Bob&resp=blah&location=Unknown"));
}

TEST_F(PlayerInfoTest, OwnPagesAddTheirTabsOnlyForTheExactNickname) {
    GetSettingsStore().WriteString("Settings", "Response", "k3y&x");
    Show(QStringLiteral("Bob"), CPlayerInfoDlg::kPageAccount, QStringLiteral("Bob"));
    EXPECT_TRUE(Dialog()->AreSelfTabsShown());
    EXPECT_EQ(Dialog()->Tabs()->count(), 9);
    EXPECT_EQ(Dialog()->Tabs()->tabText(8), QStringLiteral("Edit Personal"));
    EXPECT_EQ(Dialog()->GetCurrentPage(), CPlayerInfoDlg::kPageAccount);
    EXPECT_EQ(Dialog()->windowTitle(), QStringLiteral("Tallybank Account for Bob"));
    EXPECT_EQ(AfterWorkingPage(), QStringLiteral("http://w.example/bank/Bob/?name=Bob&resp=k3y%26x"));
    for (int command : {CPlayerInfoDlg::kCmdInvite, CPlayerInfoDlg::kCmdTalk, CPlayerInfoDlg::kCmdWatch,
                        CPlayerInfoDlg::kCmdFriend, CPlayerInfoDlg::kCmdGag, CPlayerInfoDlg::kCmdBlind})
        EXPECT_FALSE(Enabled(command)) << command;

    // Another player on an own page: back to the profile, the two tabs go.
    Show(QStringLiteral("Ann"), -1, QStringLiteral("Ann"));
    EXPECT_FALSE(Dialog()->AreSelfTabsShown());
    EXPECT_EQ(Dialog()->Tabs()->count(), 7);
    EXPECT_EQ(Dialog()->GetCurrentPage(), 0);
    EXPECT_EQ(Dialog()->Tabs()->currentIndex(), 0);

    // "bob" is the user for the commands, but not for his own pages or the response word.
    Show(QStringLiteral("bob"), 2, QStringLiteral("bob"));
    EXPECT_FALSE(Dialog()->AreSelfTabsShown());
    EXPECT_EQ(AfterWorkingPage(), QStringLiteral("http://w.example/players/finished/bob/?name=Bob&resp=blah"));
    EXPECT_FALSE(Enabled(CPlayerInfoDlg::kCmdFriend));

    // "Me" and the Options command show the user himself.
    Dialog()->OnMe();
    EXPECT_EQ(Dialog()->GetShownPlayer(), QStringLiteral("Bob"));
    EXPECT_TRUE(Dialog()->AreSelfTabsShown());
    EXPECT_TRUE(session->RouteCommandToSubDocuments(CPlayerInfoSubDoc::kCmdPersonalInfo));
    EXPECT_EQ(Dialog()->GetCurrentPage(), CPlayerInfoDlg::kPageEditPersonal);
    EXPECT_EQ(AfterWorkingPage(), QStringLiteral("http://w.example/players/edit-profile/Bob/?name=Bob&resp=k3y%26x"));

    // The close box only hides the window; it comes back as it was.
    Dialog()->close();
    EXPECT_FALSE(Dialog()->isVisible());
    info->ShowPlayerInfo(QStringLiteral("Bob"), -1);
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(Dialog()->GetCurrentPage(), CPlayerInfoDlg::kPageEditPersonal);
}

TEST_F(PlayerInfoTest, TogglesFollowEachShownPlayerAndSendTheChange) {
    ServerRoute(".db", 189, "~ Bob = Carl");
    ServerRoute(".db", 202, "~ Bob = Ann");
    ServerRoute(".db", 235, "~ Bob =");
    struct Case {
        QString player;
        bool isFriend, gagged, blinded;
    } cases[] = {
        {"Ann", true, false, false},
        {"Carl", false, true, false},
        {"Dee", false, false, false},
        {"ann", true, false, false},
    };
    for (const Case& c : cases) {
        Show(c.player, -1, c.player);
        EXPECT_EQ(Checked(CPlayerInfoDlg::kCmdFriend), c.isFriend) << c.player.toStdString();
        EXPECT_EQ(Checked(CPlayerInfoDlg::kCmdGag), c.gagged) << c.player.toStdString();
        EXPECT_EQ(Checked(CPlayerInfoDlg::kCmdBlind), c.blinded) << c.player.toStdString();
        EXPECT_TRUE(Enabled(CPlayerInfoDlg::kCmdFriend));
        EXPECT_EQ(Dialog()->CommandAction(CPlayerInfoDlg::kCmdFriend)->toolTip(),
                  (c.isFriend ? QStringLiteral("Remove %1 from your list of friends")
                              : QStringLiteral("Add %1 to your list of friends"))
                      .arg(NormalizeUserName(c.player)));
    }
    // Blinding Dee sends the change; the button shows it at once and the list's answer confirms it.
    Show(QStringLiteral("Dee"), -1, QStringLiteral("Dee"));
    Dialog()->CommandAction(CPlayerInfoDlg::kCmdBlind)->trigger();
    auto frame = server->Expect(226);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->Text(), QStringLiteral("~ Bob + Dee"));
    EXPECT_TRUE(Dialog()->IsBlinded());
    ServerRoute(".db", 235, "~ Bob =");
    EXPECT_FALSE(Checked(CPlayerInfoDlg::kCmdBlind)) << "the service's list has the last word";
    Dialog()->CommandAction(CPlayerInfoDlg::kCmdFriend)->trigger();
    frame = server->Expect(199);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->Text(), QStringLiteral("~ Bob + Dee"));
}

class RecordingInvitations : public CInvitationService {
public:
    void CloseDialogsForUser(const QString&) override {}
    void CloseAllInvitations() override {}
    void InvitePlayer(const QString& names, int kind, int offerResume, bool alwaysPrompt) override {
        invited << QStringLiteral("%1 %2 %3 %4").arg(names).arg(kind).arg(offerResume).arg(alwaysPrompt);
    }
    QStringList invited;
};

TEST_F(PlayerInfoTest, InviteWatchAndTalkFollowThePlayersStateAndLocation) {
    RecordingInvitations invitations;
    session->SetInvitationService(&invitations);
    const auto arrive = [&](const QString& name, int presence, int activity) {
        CUserInfo record(name);
        record.SetPresence(presence);
        record.SetActivity(activity);
        ServerSend(97, QStringLiteral("3 1\n") + record.FormatUpdateText(0, UserField::All, true));
    };
    arrive("Ann", CUserInfo::kPresenceReady, CUserInfo::kActivityFinished);
    arrive("Carl", CUserInfo::kPresenceAway, CUserInfo::kActivityFinished);
    arrive("Dee", CUserInfo::kPresenceReady, CUserInfo::kActivityPlaying);
    struct Case {
        QString player;
        QString location;
        bool invite, watch, talk;
    } cases[] = {
        {"Ann", "PlayerInfoSubDoc Ann@.mb", true, false, true},
        {"Carl", "PlayerInfoSubDoc Carl@.mb", false, false, true},
        {"Dee", "PlayerInfoSubDoc Dee@.gb.Dee.Eve", false, true, true},
        {"Fay", "PlayerInfoSubDoc Fay@", false, false, false},
        {"Gus", "", false, false, false},
    };
    struct Talk : CTalkSession {
        void AddIncomingText(const QString&, const CTalkLine&) override {}
    };
    QList<QStringList> talks;
    session->SetTalkFactory([&](CSessionDoc&, const QStringList& people, bool) {
        talks.append(people);
        return std::make_unique<Talk>();
    });
    for (const Case& c : cases) {
        Show(c.player, -1, c.player);
        if (!c.location.isEmpty())
            ServerRoute(".", 184, c.location);
        EXPECT_EQ(Enabled(CPlayerInfoDlg::kCmdInvite), c.invite) << c.player.toStdString();
        EXPECT_EQ(Enabled(CPlayerInfoDlg::kCmdWatch), c.watch) << c.player.toStdString();
        EXPECT_EQ(Enabled(CPlayerInfoDlg::kCmdTalk), c.talk) << c.player.toStdString();
    }
    Show(QStringLiteral("Ann"), -1, QStringLiteral("Ann"));
    ServerRoute(".", 184, "PlayerInfoSubDoc Ann@.mb");
    EXPECT_TRUE(Dialog()->RunCommand(CPlayerInfoDlg::kCmdInvite));
    EXPECT_EQ(invitations.invited, QStringList{"Ann 0 1 0"});
    EXPECT_EQ(Dialog()->CommandAction(CPlayerInfoDlg::kCmdInvite)->toolTip(), QStringLiteral("Invite Ann to a game"));
    Dialog()->CommandAction(CPlayerInfoDlg::kCmdTalk)->trigger();
    EXPECT_EQ(talks, (QList<QStringList>{{"Bob", "Ann"}}));
    EXPECT_TRUE(server->NothingReceived()) << "opening a talk sends nothing";

    // Watching a player in a match goes to his room.
    Show(QStringLiteral("Dee"), -1, QStringLiteral("Dee"));
    ServerRoute(".", 184, "PlayerInfoSubDoc Dee@.gb.Dee.Eve");
    EXPECT_TRUE(Dialog()->RunCommand(CPlayerInfoDlg::kCmdWatch));
    const auto frame = server->NextFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->Type(), 112) << "Dee is not in the directory's room list: the session asks where he is";
    EXPECT_TRUE(session->IsWatchPending());

    // The connection ends: watching and talking go off with it.
    ASSERT_TRUE(Enabled(CPlayerInfoDlg::kCmdTalk));
    server->Disconnect();
    ASSERT_TRUE(testenv::WaitFor([&] { return !session->IsConnected(); }));
    EXPECT_FALSE(Enabled(CPlayerInfoDlg::kCmdWatch));
    EXPECT_FALSE(Enabled(CPlayerInfoDlg::kCmdTalk));
}

TEST_F(PlayerInfoTest, TheViewMenuShowsTheOtherPlayerOfTheMatch) {
    EnterService(QStringLiteral(".gb.Ann.Bob"));
    ASSERT_TRUE(session->RouteCommandToSubDocuments(CPlayerInfoSubDoc::kCmdPlayerInfo));
    EXPECT_EQ(Dialog()->GetShownPlayer(), QStringLiteral("Ann"));
    info->DestroyDialog();
    EXPECT_EQ(Dialog(), nullptr);
    // With nobody to show the window explains itself.
    EnterService(QStringLiteral(".mb"));
    ASSERT_TRUE(session->RouteCommandToSubDocuments(CPlayerInfoSubDoc::kCmdPlayerInfo));
    EXPECT_EQ(Dialog()->GetShownPlayer(), QString());
    EXPECT_EQ(Browser()->loading.toString(), Dialog()->HelpPageAddress());
    EXPECT_EQ(Dialog()->windowTitle(), QStringLiteral("Personal Info"));
}

// The real built-in viewer against the development server's player pages.
class PlayerInfoViewerTest : public PlayerInfoTest {
protected:
    PlayerInfoViewerTest() { web.Listen(QHostAddress::LocalHost, 0); }
    CServiceSettings Settings() const override {
        return {{"urlPlayerInfoDir", web.BaseAddress() + QLatin1String(CDevWebServer::kPlayerPagesPath)}};
    }
    CDevWebServer web;
};

TEST_F(PlayerInfoViewerTest, TheBuiltInViewerShowsTheDevelopmentServersPages) {
    SetBrowserControlFactory([](const QString& classId) -> std::unique_ptr<CBrowserControl> {
        if (classId == QLatin1String(CWebBrowser::kClassId))
            return std::make_unique<CWebBrowser>();
        return nullptr;
    });
    Show(QStringLiteral("Ann"), 0, QStringLiteral("Ann"));
    ServerRoute(".", 184, "PlayerInfoSubDoc Ann@.gb.Ann.Bob");
    QWidget* window = Dialog()->Host().GetWidget();
    ASSERT_NE(window, nullptr);
    auto* viewer = qobject_cast<QTextBrowser*>(window);
    if (!viewer)
        viewer = window->findChild<QTextBrowser*>();
    ASSERT_NE(viewer, nullptr);
    const auto shows = [&](const char* text) {
        return testenv::WaitFor([&] { return viewer->toPlainText().contains(QLatin1String(text)); });
    };
    EXPECT_TRUE(shows("Location: Playing Backgammon with Bob")) << viewer->toPlainText().toStdString();
    EXPECT_TRUE(viewer->toPlainText().contains("Personal Information"));
    Dialog()->Tabs()->setCurrentIndex(5);
    EXPECT_TRUE(shows("Statistics"));
    EXPECT_TRUE(viewer->toPlainText().contains("Viewed by Bob."));
    info->DestroyDialog();
}

} // namespace
