#include "net/DatabaseTransaction.h"
#include "net/LoginPackets.h"
#include "net/RankingQuery.h"
#include "net/TransmittableObject.h"
#include "support/PacketText.h"
#include "support/SettingsFixture.h"

#include <gtest/gtest.h>

namespace {

TEST(TransmittableObject, WritesClassIdThenEveryFieldFollowedByABlank) {
    const CLeagueInviteInfoRequest request("alice", "Invite.gb.alice.bob", "alice \"bob\"");
    const QString text = request.WriteText();
    EXPECT_EQ(text, "205 \"alice\" \"Invite.gb.alice.bob\" \"alice \\\"bob\\\"\" ");

    const auto read = CTransmittableObject::CreateFromText(text);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->GetClassId(), 205);
    const auto* back = static_cast<const CLeagueInviteInfoRequest*>(read.get());
    EXPECT_EQ(back->GetPlayers(), "alice \"bob\"");
    EXPECT_FALSE(CTransmittableObject::CreateFromText("205 \"alice\" \"cookie\"")); // a field missing
    EXPECT_FALSE(CTransmittableObject::CreateFromText("999 \"x\""));                // unknown class
    EXPECT_FALSE(CTransmittableObject::CreateFromText("nonsense"));
}

TEST(DatabaseTransaction, MoneyInviteRequestTextAndTheFactory) {
    const CUserMoneyInviteRequest request("alice", "bob", ".gb.alice.bob", 500, -1, "USD");
    const QString text = request.FormatRequest();
    EXPECT_EQ(text, "70 \"alice\" \"bob\" \".gb.alice.bob\" 500 -1 \"USD\"");
    const auto back = CreateDatabaseTransaction(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetCode(), 70);
    EXPECT_EQ(static_cast<CUserMoneyInviteRequest*>(back.get())->GetSecondNumber(), -1);

    const auto response =
        CreateDatabaseTransaction("71 \"alice\" \"0\" \"25.50\" \"100\" \"2\" \"1 1 5 5 10 10\"");
    ASSERT_TRUE(response);
    auto* money = static_cast<CUserMoneyInviteResponse*>(response.get());
    EXPECT_EQ(money->m_userName, "alice");
    EXPECT_EQ(money->m_firstAmount, "25.50");
    EXPECT_EQ(money->m_increments, "1 1 5 5 10 10");
    EXPECT_EQ(CreateDatabaseTransaction(money->FormatRequest())->GetCode(), 71);

    const auto unfinished =
        CreateDatabaseTransaction("126 \"alice\" 2 \"K1 .gb.alice.bob 7\" \"K2 .gb.alice.carol 5\"");
    ASSERT_TRUE(unfinished);
    EXPECT_EQ(static_cast<CUnfinishedMatchesResponse*>(unfinished.get())->m_entries.size(), 2);

    EXPECT_FALSE(CreateDatabaseTransaction("72 \"x\""));
    EXPECT_FALSE(CreateDatabaseTransaction("71 \"alice\""));                     // cut short
    EXPECT_FALSE(CreateDatabaseTransaction("126 \"alice\" 2147483647 \"one\"")); // count beyond the entries
}

TEST(RankingQuery, LoadSaveAndRequestText) {
    testenv::ResetSettings();
    CRankingQuery query;
    query.Load("CBGDisplayRankingDialog");
    EXPECT_EQ(query.FormatRequest(), "10 0 0 0 \"UserName\"");
    query.nEntries = 25;
    query.nRankingOption = 3;
    query.nFixedRanking = 101;
    query.strNamedRanking = "bob";
    query.further = {"gb"};
    query.Save("CBGDisplayRankingDialog");
    CRankingQuery loaded;
    loaded.Load("CBGDisplayRankingDialog");
    EXPECT_EQ(loaded.FormatRequest(), "25 3 0 101 \"bob\"");
    EXPECT_EQ(query.FormatRequest(), "25 3 0 101 \"bob\" \"gb\"");
}

TEST(LoginPackets, RoundTripsAndMalformedTexts) {
    CLoginAcceptedPacket accepted;
    accepted.rightsMask = 4294967295u;
    accepted.accountFlags = 1;
    accepted.lobbyService = ".mb";
    accepted.settings = {{"urlHelp", "http://h/\"x\""}, {"shout", "1"}};
    const auto back = CLoginAcceptedPacket::Parse(accepted.Format());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rightsMask, 4294967295u);
    EXPECT_EQ(back->settings, accepted.settings);

    EXPECT_FALSE(CLoginAcceptedPacket::Parse("1 1 \".mb\" 3 \"a\" \"b\"")); // fewer pairs than the count
    EXPECT_FALSE(CLoginAcceptedPacket::Parse("1 1 \".mb\" 2147483647"));    // a huge count stops at once
    EXPECT_FALSE(CServerHello::Parse("\"name\" x \"nonce\""));
    EXPECT_FALSE(CSecureLoginPacket::Parse("\"alice\""));

    // The digest: Base64 of SHA-256 over the nonce's bytes, then the password's.
    EXPECT_EQ(CSecureLoginPacket::ComputeDigest("abc", "def"),
              "vvV+x/U6bUC+tkCngKY5yDvCmsipgW8fxsXG3Nk8RyE=");
    EXPECT_NE(CSecureLoginPacket::ComputeDigest("abc", "dEf"),
              CSecureLoginPacket::ComputeDigest("abc", "def"));
}

TEST(LoginPackets, RefusalsCarryAnUpdateOnlyWhenItIsWhole) {
    const struct {
        const char* text;
        const char* address;
        quint32 size;
    } cases[] = {
        {"\"Too old\"", "", 0},
        {"\"Too old\" \"https://h/NorvaleSetup.run\" 4294967295", "https://h/NorvaleSetup.run", 4294967295u},
        {"\"Too old\" \"https://h/s.run\"", "", 0}, // no size: no update
        {"\"Too old\" \"https://h/s.run\" -5", "", 0},
        {"\"Too old\" \"https://h/s.run\" 4294967296", "", 0},
        {"\"Too old\" \"\" 100", "", 0},
    };
    for (const auto& c : cases) {
        const auto refusal = CLoginRefusedPacket::Parse(QString::fromLatin1(c.text));
        ASSERT_TRUE(refusal) << c.text;
        EXPECT_EQ(refusal->reason, "Too old");
        EXPECT_EQ(refusal->updateAddress, c.address) << c.text;
        EXPECT_EQ(refusal->updateSize, c.size) << c.text;
        EXPECT_EQ(CLoginRefusedPacket::Parse(refusal->Format())->updateSize, c.size) << c.text;
    }
    EXPECT_FALSE(CLoginRefusedPacket::Parse("unquoted"));
}

} // namespace
