// The invitation dialog's picture of the other player, in a client started as the README starts it
// (server and nickname on the command line, no web host of its own): the picture comes from the
// service's own web host, the one its news and help addresses name.
#include "AppTestSupport.h"
#include "DevServer.h"
#include "InviteClients.h"
#include "app/ClientApp.h"
#include "lobby/invite/InvitationDlg.h"
#include "lobby/invite/InvitationManager.h"
#include "web/PlayerImage.h"
#include "web/WebAddress.h"
#include "web/WebTestSupport.h"

#include <gtest/gtest.h>

using testenv::WaitFor;

namespace {

TEST(InvitationPicture, ComesFromTheWebHostTheServerNames) {
    apptest::Prepare();
    qunsetenv("NORVALE_WEB_HOST");
    const QString web = QStringLiteral("http://127.0.0.1:9");
    CDevServer::Options serverOptions;
    serverOptions.webHost = web;
    CDevServer server(serverOptions);
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    webtest::FakeBrowserFactory pages;
    ASSERT_NE(ServiceWebHost(), web) << "the client knows no web host of its own";

    auto app = std::make_unique<CClientApp>();
    CClientApp::Options options;
    options.host = "127.0.0.1";
    options.port = server.Port();
    options.nickname = "alice";
    ASSERT_TRUE(app->InitInstance(options));
    CInvitationManager* alice = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        alice = CInvitationManager::Find(app->GetSession());
        return alice && !app->GetSession()->GetLobbySetting("urlNews").isEmpty();
    }));

    {
        testenv::InviteClient<CInvitationDlg> bob(server.Port(), "bob");
        ASSERT_TRUE(WaitFor([&] { return bob.in && app->GetSession()->FindUser("bob"); }));
        bob.manager->InvitePlayer("alice", 0, 0, false);
        const QString room = ".gb.bob.alice";
        ASSERT_TRUE(WaitFor([&] { return bob.Enabled(CInvitationDlg::kIdInvite, room); }));
        bob.Click(CInvitationDlg::kIdInvite, room);
        CInvitationDlg* invitation = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            invitation = dynamic_cast<CInvitationDlg*>(alice->FindInvitation(room));
            return invitation && invitation->GetPicture();
        }));

        // Both dialogs show the other player's picture from the service's host, and the page asked for
        // is that address.
        for (const auto& [dialog, peer] : {std::pair{invitation, "bob"}, std::pair{bob.Dialog(room), "alice"}}) {
            CPlayerImage* picture = dialog->GetPicture();
            ASSERT_NE(picture, nullptr);
            EXPECT_TRUE(picture->IsShowingPicture()) << peer;
            EXPECT_EQ(picture->GetAddress(), web + "/client/invitation-picture/" + peer + "/");
            const auto* control = dynamic_cast<webtest::FakeBrowser*>(picture->Host().GetControl());
            ASSERT_NE(control, nullptr);
            ASSERT_FALSE(control->navigations.empty());
            EXPECT_EQ(control->navigations.back().url, picture->GetAddress());
        }
        // A picture page that cannot be had leaves "No valid picture", not the engine's error page.
        auto* control = dynamic_cast<webtest::FakeBrowser*>(invitation->GetPicture()->Host().GetControl());
        control->FailLoad();
        EXPECT_FALSE(invitation->GetPicture()->IsShowingPicture());
        EXPECT_TRUE(invitation->GetPicture()->GetAddress().isEmpty());
    }
    apptest::ShutDown(app);
}

} // namespace
