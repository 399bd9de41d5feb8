// The continuation of a money session against a scripted server: one real session with its game
// document, the server's offer, the peer's messages and the database's answers sent in the orders and
// with the results a server may choose, and what the client then sends checked frame by frame.

#include "../lobby/invite/MoneySessionTestUtil.h"
#include "app/SessionGameLink.h"
#include "game/BackgammonDoc.h"
#include "game/ClientGameFactory.h"
#include "lobby/invite/ContinueSessionController.h"
#include "lobby/invite/ContinueSessionDlg.h"
#include "lobby/invite/WagerEditControl.h"
#include "net/DatabaseTransaction.h"
#include "platform/Ui.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"
#include "support/controls/Edit100ths.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using testenv::WaitFor;

namespace {

const QString kRoom = QStringLiteral(".gb.alice.bob");

QString MoneyAnswer(const QString& result) {
    return moneytest::Answer(kRoom, result);
}

class ContinueSessionServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        RegisterContinueSession();
        // The login puts alice straight into the room of her money session with bob.
        server.Acceptance().lobbyService = kRoom;
        session.Connect(server.LoginRequest("alice"));
        ASSERT_TRUE(server.WaitForLogin());
        ASSERT_TRUE(WaitFor([&] { return session.GetServiceName().GetText() == kRoom; }));
        link = std::make_unique<CSessionGameLink>(&session, &doc);
        doc.SetupPlayersFromService();
        ASSERT_TRUE(doc.StartMatch(moneytest::SessionTerms()));
        ASSERT_TRUE(doc.IsMoneySession());
        server.DropReceived();
    }
    void TearDown() override {
        CGameDoc::SetAutoPlayAgain(false);
        link.reset();
        CClientGameFactory::GetFactory().SetContinueSessionCreator(nullptr);
        CClientGameFactory::GetFactory().SetContinueSessionDialogCreator(nullptr);
    }
    CContinueSessionController* Controller() const {
        return dynamic_cast<CContinueSessionController*>(doc.GetContinueSession());
    }
    CContinueSessionDlg* Dialog() const { return Controller() ? Controller()->GetDialog() : nullptr; }
    bool Enabled(int id) const { return Dialog() && Dialog()->Item(id)->isEnabled(); }
    void Click(int id) const { QTest::mouseClick(Dialog()->ItemAs<QPushButton>(id), Qt::LeftButton); }
    // The next frame the client sends: that type, to that target, with that text.
    void ExpectFrame(int type, const QString& target, const QString& text) {
        const auto frame = server.Expect(type);
        ASSERT_TRUE(frame.has_value()) << type;
        EXPECT_EQ(frame->Destination(), target) << type;
        if (!text.isNull()) {
            EXPECT_EQ(frame->Text(), text) << type;
        }
    }
    // The server's offer that opens a pause: the client asks the database and tells bob.
    void Offer() {
        server.Send(37, QStringLiteral("100 5000"));
        ASSERT_TRUE(WaitFor([&] { return Controller() != nullptr; }));
        ExpectFrame(251, QStringLiteral(".db"), QString());
        ExpectFrame(243, QStringLiteral("bob"), QStringLiteral("1 \"\""));
    }

    testenv::FakeServer server;
    CSessionDoc session;
    CBackgammonDoc doc;
    std::unique_ptr<CSessionGameLink> link;
};

TEST_F(ContinueSessionServerTest, APeerReadyBeforeTheOfferIsCounted) {
    // bob's dialog opened before the server's offer reached alice.
    server.Route("bob", 243, "1 \"\"");
    ASSERT_TRUE(server.NothingReceived());
    EXPECT_EQ(Controller(), nullptr);
    Offer();
    server.Route(".db", 253, MoneyAnswer("1"));
    ASSERT_TRUE(WaitFor([&] { return Controller()->CanAnswer(); })) << "bob's early word was lost";
    EXPECT_EQ(Dialog()->StatusText(), "Click on dice to continue.");

    Click(CContinueSessionDlg::kIdNextGame);
    ExpectFrame(243, "bob", "4 \"5000 5000\"");
    server.Route("bob", 243, "4 \"5000 5000\"");
    ExpectFrame(36, QString(), "1 5000 5000");

    // The same holds for the next pause, when the game document had let its controller go.
    ASSERT_TRUE(WaitFor([&] { return Controller() == nullptr; }));
    server.Route("bob", 243, "1 \"\"");
    Offer();
    server.Route(".db", 253, MoneyAnswer("1"));
    ASSERT_TRUE(WaitFor([&] { return Controller()->CanAnswer(); }));
}

TEST_F(ContinueSessionServerTest, ARefusedMoneyAnswerStopsThisSideButLeavesItsWayOut) {
    // With "play again" on, a refused answer must not let the session go on by itself either.
    CGameDoc::SetAutoPlayAgain(true);
    Offer();
    server.Route("bob", 243, "1 \"\"");
    server.Route(".db", 253, MoneyAnswer("0"));
    ASSERT_TRUE(WaitFor([&] { return Controller()->IsRefused(); }));
    ASSERT_NE(Dialog(), nullptr) << "the user is shown why nothing goes on";
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(Dialog()->StatusText(), "The money limits of the next game could not be had.");
    EXPECT_FALSE(Enabled(CContinueSessionDlg::kIdNextGame));
    EXPECT_FALSE(Dialog()->GetLimitEdit()->GetEdit()->isEnabled());
    EXPECT_TRUE(server.NothingReceived()) << "no Next Game of its own";

    // bob answers meanwhile: nothing starts on this side.
    server.Route("bob", 243, "4 \"5000 5000\"");
    EXPECT_TRUE(server.NothingReceived());

    // End Session still tells bob and the server, and the dialog goes.
    ASSERT_TRUE(Enabled(CContinueSessionDlg::kIdEndSession));
    Click(CContinueSessionDlg::kIdEndSession);
    ExpectFrame(243, "bob", "3 \"\"");
    ExpectFrame(36, QString(), "0 5000 5000");
    EXPECT_FALSE(Dialog()->isVisible());
}

} // namespace
