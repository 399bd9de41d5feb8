#include "DevServer.h"
#include "InviteClients.h"
#include "game/RuleOptions.h"
#include "game/ClientGameFactory.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/MatchInviteDlg.h"
#include "support/dialogs/DeferredMessageBox.h"
#include "support/SettingsFixture.h"
#include "web/MessOfTheDayBDlg.h"

#include <QApplication>
#include <QMessageBox>

#include <gtest/gtest.h>

using testenv::WaitFor;

namespace {

using Client = testenv::InviteClient<CInvitationDlg>;

// Windows that the network opens come up beside what the user is typing into and leave it the
// keyboard. The test platform activates every window it shows, so what is checked is the request
// made of the window system: shown without activation, and not modal.
class NetworkWindowsFocusTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        qputenv("NORVALE_WEB_ENGINE", "none");
        qputenv("NORVALE_WEB_HOST", "http://127.0.0.1:9");
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(nullptr);
        RegisterInvitationDialogs();
        ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
        alice = std::make_unique<Client>(server.Port(), "alice");
        bob = std::make_unique<Client>(server.Port(), "bob");
        ASSERT_TRUE(WaitFor([&] { return alice->in && bob->in; }));
    }
    void TearDown() override {
        alice.reset();
        bob.reset();
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(nullptr);
        qunsetenv("NORVALE_WEB_ENGINE");
        qunsetenv("NORVALE_WEB_HOST");
    }

    CDevServer server{CDevServer::Options{}};
    std::unique_ptr<Client> alice;
    std::unique_ptr<Client> bob;
};

TEST_F(NetworkWindowsFocusTest, WindowsOpenedByPacketsDoNotTakeTheKeyboard) {
    CMOTDSubDocument* news = CMOTDSubDocument::Attach(bob->session);
    const std::pair<const char*, std::function<QWidget*()>> cases[] = {
        {"an invitation",
         [&]() -> QWidget* {
             CBGRuleOptions terms;
             terms.SetMatchLength(3);
             CInviteData record(0, CServiceName(".gb.alice.bob"));
             record.SetMessage(CInviteData::kInvite, "alice", terms.FormatText());
             alice->session.Send(227, record.Format(), -1, "bob");
             WaitFor([&] { return bob->Dialog() && bob->Dialog()->IsLive() && bob->Dialog()->isVisible(); });
             return bob->Dialog();
         }},
        {"a message box from a packet", [&]() -> QWidget* { return ShowNoticeBox("bob is not logged in.", 0x30); }},
        {"the news after an entry",
         [&]() -> QWidget* {
             news->OnNewsTimer();
             return news->GetDialog();
         }},
    };
    for (const auto& [what, open] : cases) {
        SCOPED_TRACE(what);
        QWidget* opened = open();
        ASSERT_NE(opened, nullptr);
        EXPECT_TRUE(opened->isVisible());
        EXPECT_TRUE(opened->testAttribute(Qt::WA_ShowWithoutActivating));
        EXPECT_FALSE(opened->isModal());
        opened->close();
    }
    // The news the user asks for comes up to be read.
    if (QWidget* shown = news->GetDialog())
        shown->deleteLater();
    ASSERT_TRUE(WaitFor([&] { return news->GetDialog() == nullptr; }));
    news->ShowNews(true);
    ASSERT_NE(news->GetDialog(), nullptr);
    EXPECT_FALSE(news->GetDialog()->testAttribute(Qt::WA_ShowWithoutActivating));
}

} // namespace
