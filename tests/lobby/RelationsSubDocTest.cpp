#include "lobby/RelationsSubDoc.h"
#include "lobby/RelationList.h"
#include "session/RelationPackets.h"
#include "support/SessionFixture.h"

#include <gtest/gtest.h>

using testenv::RecordingTarget;
using testenv::SessionTest;

namespace {

using List = CRelationsSubDoc::List;

QStringList nicknames(const QList<CRelationEntry>& entries) {
    QStringList names;
    for (const CRelationEntry& entry : entries)
        names << entry.nickname;
    return names;
}

// ---- Reading a list body

TEST(RelationListTest, WordFormListsTheWordsAfterTheThreeHeaderWords) {
    EXPECT_EQ(nicknames(ParseRelationList("~ alice = bob Carol dave")),
              QStringList({"bob", "Carol", "dave"}));
    const auto entries = ParseRelationList("~ alice = bob");
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].text, "bob");
    // Two adjacent blanks end the list; so does the end of the line.
    EXPECT_EQ(nicknames(ParseRelationList("~ alice = bob  carol")), QStringList({"bob"}));
    EXPECT_EQ(nicknames(ParseRelationList("~ alice = bob carol\r\n")), QStringList({"bob", "carol"}));
    // Nothing, or not even the header: an empty list.
    EXPECT_TRUE(ParseRelationList("~ alice =").isEmpty());
    EXPECT_TRUE(ParseRelationList("~ alice").isEmpty());
    EXPECT_TRUE(ParseRelationList("").isEmpty());
}

TEST(RelationListTest, LineFormKeysEachLineByItsFirstWord) {
    auto entries = ParseRelationList("~ alice = @\nbob since March\r\nCarol \ndave\n");
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].nickname, "bob");
    EXPECT_EQ(entries[0].text, "since March");
    EXPECT_EQ(entries[1].nickname, "Carol");
    EXPECT_EQ(entries[1].text, "");
    EXPECT_EQ(entries[2].nickname, "dave");

    // The rest of the "@" line is the first entry; a blank rest is passed over.
    EXPECT_EQ(nicknames(ParseRelationList("~ alice = @ bob one\ncarol two")), QStringList({"bob", "carol"}));
    EXPECT_EQ(nicknames(ParseRelationList("~ alice = @ \nbob one")), QStringList({"bob"}));
    // A line that starts with a blank or is empty ends the list.
    EXPECT_EQ(nicknames(ParseRelationList("~ alice = @\nbob\n\ncarol")), QStringList({"bob"}));
    EXPECT_EQ(nicknames(ParseRelationList("~ alice = @\nbob\n carol")), QStringList({"bob"}));
}

TEST(RelationListTest, WordsThatCannotBeNicknamesAreLeftOut) {
    // A line feed straight after the fourth word is a word end, not part of a key.
    EXPECT_EQ(nicknames(ParseRelationList("~ alice =\n@\nbob x")), QStringList({"bob"}));
    EXPECT_EQ(nicknames(ParseRelationList("~ alice = bob b@d =x " + QString(25, 'z') + " carol")),
              QStringList({"bob", "carol"}));
    EXPECT_EQ(nicknames(ParseRelationList("~ alice = @\nbob\nb/d text\ncarol")),
              QStringList({"bob", "carol"}));
}

// ---- The sub-document in a session

class RelationsSubDocTest : public SessionTest {
protected:
    // Logs in and attaches the sub-document; the three requests it sends are checked by the first test
    // and dropped here.
    CRelationsSubDoc* LoginWithRelations(bool dropRequests = true) {
        EXPECT_TRUE(Login());
        CRelationsSubDoc* relations = CRelationsSubDoc::Attach(*session);
        if (dropRequests) {
            for (int type : {173, 199, 226})
                server->Expect(type);
        }
        return relations;
    }
    void DatabaseSends(int type, const QString& text) { ServerRoute(".db", type, text); }
    QStringList IllegalPackets() const {
        return session->GetClientNode()->Log().RecentLines().filter("Illegal packet");
    }
};

// A sub-document that records the events it is offered and, for event 500, what the relation
// lists answered at that moment.
class EventRecorder : public CSubDocument {
public:
    explicit EventRecorder(CSessionDoc* session) : CSubDocument(session) {}
    int OnEvent(int code, const QVariant& argument) override {
        events.emplace_back(code, argument.toInt());
        if (auto* relations = CRelationsSubDoc::Find(GetSession()))
            friendBobSeen.push_back(relations->IsAffinity("bob"));
        return 0;
    }
    std::vector<std::pair<int, int>> events;
    std::vector<bool> friendBobSeen;
};

TEST_F(RelationsSubDocTest, AsksForTheThreeListsOnceWhenAttached) {
    CRelationsSubDoc* relations = LoginWithRelations(false);
    ASSERT_NE(relations, nullptr);
    for (int type : {173, 199, 226}) {
        auto frame = server->Expect(type);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->Destination(), ".db");
        EXPECT_EQ(frame->Text(), "~ alice =");
    }
    EXPECT_EQ(CRelationsSubDoc::Attach(*session), relations);
    EXPECT_EQ(CRelationsSubDoc::Find(session.get()), relations);
    EXPECT_TRUE(server->NothingReceived());
    EXPECT_FALSE(relations->HasReceived(List::Gag));
    EXPECT_FALSE(relations->HasReceivedAll());
}

TEST_F(RelationsSubDocTest, EachListReplacesItsOwnAndRaisesEvent500Once) {
    CRelationsSubDoc* relations = LoginWithRelations();
    EventRecorder recorder(session.get());
    RecordingTarget later(session.get());

    DatabaseSends(202, "~ alice = bob Carol");
    EXPECT_EQ(recorder.events, (std::vector<std::pair<int, int>>{{500, 0}}));
    EXPECT_EQ(recorder.friendBobSeen, std::vector<bool>{true}); // the list is in place before the event
    EXPECT_TRUE(relations->IsAffinity("BOB"));
    EXPECT_TRUE(relations->IsAffinity("carol"));
    EXPECT_FALSE(relations->IsGagged("bob"));
    EXPECT_FALSE(relations->IsBlinded("bob"));
    EXPECT_TRUE(relations->HasReceived(List::Friends));
    EXPECT_FALSE(relations->HasReceivedAll());
    ASSERT_EQ(later.packets.size(), 1u); // not taken: the list windows see it as well
    EXPECT_EQ(later.packets[0].first, 202);

    DatabaseSends(202, "~ alice = @\ndave met at the club\nCAROL\n");
    EXPECT_EQ(recorder.events.size(), 2u);
    EXPECT_FALSE(relations->IsAffinity("bob"));
    EXPECT_TRUE(relations->IsAffinity("Dave"));
    EXPECT_EQ(*relations->GetList(List::Friends).Find(u"dave"), "met at the club");

    DatabaseSends(189, "~ alice = troll");
    DatabaseSends(235, "~ alice = pest");
    EXPECT_EQ(recorder.events.size(), 4u);
    EXPECT_TRUE(relations->IsGagged("TROLL"));
    EXPECT_TRUE(relations->IsBlinded("Pest"));
    EXPECT_TRUE(relations->IsAffinity("dave")); // the others stay as they were
    EXPECT_TRUE(relations->HasReceivedAll());

    DatabaseSends(189, "~ alice =");
    EXPECT_FALSE(relations->IsGagged("troll"));
    EXPECT_EQ(recorder.events.size(), 5u);
    EXPECT_TRUE(IllegalPackets().isEmpty()); // read, though left to the others
}

TEST_F(RelationsSubDocTest, NicknamesDifferingOnlyInCaseAreOneEntry) {
    CRelationsSubDoc* relations = LoginWithRelations();
    DatabaseSends(235, "~ alice = @\nBob first\nbOB second\n");
    EXPECT_EQ(relations->GetList(List::Blind).GetCount(), 1);
    EXPECT_EQ(*relations->GetList(List::Blind).Find(u"BOB"), "second");
}

TEST_F(RelationsSubDocTest, ListsFromAnyoneButTheDatabaseServiceAreIgnored) {
    CRelationsSubDoc* relations = LoginWithRelations();
    EventRecorder recorder(session.get());
    DatabaseSends(189, "~ alice = troll");
    ServerRoute("troll", 189, "~ alice = nobody");
    ServerRoute("troll", 235, "~ alice = bob");
    EXPECT_TRUE(relations->IsGagged("troll"));
    EXPECT_FALSE(relations->IsBlinded("bob"));
    EXPECT_FALSE(relations->HasReceived(List::Blind));
    EXPECT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(IllegalPackets().size(), 2);
}

TEST_F(RelationsSubDocTest, ChangesGoToTheDatabaseServiceAndWaitForItsList) {
    CRelationsSubDoc* relations = LoginWithRelations();
    EXPECT_TRUE(relations->ChangeAffinityList("bob", !relations->IsAffinity("bob")));
    EXPECT_TRUE(relations->ChangeGagList("troll  pest", true));
    EXPECT_TRUE(relations->ChangeBlindList("carol", false));
    // Nothing that could change the request's meaning gets through.
    EXPECT_TRUE(relations->ChangeBlindList("dave =\nx ~", true));
    EXPECT_FALSE(relations->ChangeGagList(" \n", true));

    const std::vector<std::pair<int, QString>> expected{{199, "~ alice + bob"},
                                                        {173, "~ alice + troll pest"},
                                                        {226, "~ alice - carol"},
                                                        {226, "~ alice + dave x"}};
    for (const auto& [type, text] : expected) {
        auto frame = server->Expect(type);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->Destination(), ".db");
        EXPECT_EQ(frame->Text(), text);
    }
    EXPECT_TRUE(server->NothingReceived());
    EXPECT_FALSE(relations->IsAffinity("bob")); // until the service sends the list again
    DatabaseSends(202, "~ alice = bob");
    EXPECT_TRUE(relations->IsAffinity("bob"));
}

TEST_F(RelationsSubDocTest, GaggedSendersLeaveNoLineInTheChat) {
    LoginWithRelations();
    DatabaseSends(189, "~ alice = Troll");
    ServerRoute("troll", 203, "rude words");
    ServerRoute("TROLL", 212, "a rude tell");
    ServerRoute("bob", 203, "hello");
    ASSERT_EQ(chat.lines.size(), 1u);
    EXPECT_EQ(chat.lines[0].text, "hello");
}

TEST_F(RelationsSubDocTest, LeavesTheSessionWithoutADanglingList) {
    ASSERT_TRUE(Login());
    {
        CRelationsSubDoc relations(session.get());
        EXPECT_EQ(session->GetRelations(), &relations);
    }
    EXPECT_EQ(session->GetRelations(), nullptr);
    EXPECT_EQ(CRelationsSubDoc::Find(session.get()), nullptr);
    // The session ending first leaves the sub-document detached and harmless.
    auto relations = std::make_unique<CRelationsSubDoc>(session.get());
    session.reset();
    EXPECT_EQ(relations->GetSession(), nullptr);
    EXPECT_FALSE(relations->ChangeGagList("troll", true));
    EXPECT_FALSE(relations->RequestList(List::Gag));
}

} // namespace
