#include "chat/ChatLog.h"
#include "platform/Document.h"
#include "session/SessionDoc.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class ChatLogTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::ResetSettings(); }
    static void StoreLength(int length) { GetSettingsStore().WriteInt("CChatLog", "Chat View Length", length); }
    static QStringList Texts(const CChatLog& log) {
        QStringList texts;
        for (const auto& line : log.Lines())
            texts << line->GetText();
        return texts;
    }
};

// A view that runs a callback on each chat line it is told about.
class LineView : public platform::View {
public:
    void OnUpdate(platform::View*, int hint, platform::Object* object) override {
        if (hint != CChatLog::kHintChatLine)
            return;
        const auto* element = platform::object_cast<CLogElement>(object);
        ASSERT_NE(element, nullptr);
        seen << element->Format();
        if (onLine)
            onLine(*element);
    }
    QStringList seen;
    std::function<void(const CLogElement&)> onLine;
};

TEST_F(ChatLogTest, EachKindHasItsDisplayText) {
    EXPECT_EQ(CLogElement(ChatKind::Said, "bob", "hi").Format(), "bob: hi");
    EXPECT_EQ(CLogElement(ChatKind::Tell, "bob", "hi").Format(), "bob tells you: hi");
    EXPECT_EQ(CLogElement(ChatKind::SentTell, "bob", "hi").Format(), "You tell bob: hi");
    EXPECT_EQ(CLogElement(ChatKind::Shout, "bob", "hi").Format(), "bob shouts: hi");
    EXPECT_EQ(CLogElement(ChatKind::Whisper, "bob", "hi").Format(), "bob whispers: hi");
    EXPECT_EQ(CLogElement(9, "bob", "hi").Format(), "bob: hi");
    EXPECT_EQ(CLogElement(-1, "bob", "hi").Format(), "bob: hi");
    // Markers in what people type are text, not placeholders.
    EXPECT_EQ(CLogElement(ChatKind::Said, "%2", "%1 100%").Format(), "%2: %1 100%");

    const CLogElement yell(ChatKind::Yell, "bob", "help me");
    EXPECT_EQ(yell.GetText(), "HELP ME");
    EXPECT_EQ(yell.Format(), "bob yells: HELP ME");

    const CLogElement system(ChatKind::System, "bob", "Server going down");
    EXPECT_TRUE(system.GetName().isEmpty());
    EXPECT_EQ(system.Format(), "Server going down");
}

TEST_F(ChatLogTest, EmotesTakeThePrefixAsItIsStoredWhenTheyAreShown) {
    const CLogElement emote(ChatKind::Emote, "bob", "waves");
    EXPECT_EQ(emote.Format(), "-> bob waves");
    GetSettingsStore().WriteString("CLogElement", "Emote Prefix", "**");
    EXPECT_EQ(emote.Format(), "** bob waves");
}

TEST_F(ChatLogTest, TheLimitIsRaisedToTwentyOnlyWhenTheLogIsMade) {
    {
        CChatLog log(nullptr);
        EXPECT_EQ(log.GetLimit(), 300);
    }
    StoreLength(5);
    CChatLog log(nullptr);
    EXPECT_EQ(log.GetLimit(), 20);
    for (int i = 0; i < 25; ++i)
        log.AddElement("bob", ChatKind::Said, QString::number(i));
    EXPECT_EQ(log.GetCount(), 20);
    EXPECT_EQ(log.Lines().front()->GetText(), "5");

    log.ReloadLimit();
    EXPECT_EQ(log.GetLimit(), 5);
    EXPECT_EQ(Texts(log), QStringList({"20", "21", "22", "23", "24"}));
}

TEST_F(ChatLogTest, AFullLogDropsItsOldestLineForEachNewOne) {
    CChatLog log(nullptr);
    for (int i = 0; i < 300; ++i)
        log.AddElement("bob", ChatKind::Said, QString::number(i));
    log.AddElement("bob", ChatKind::Said, "new");
    EXPECT_EQ(log.GetCount(), 300);
    EXPECT_EQ(log.Lines().front()->GetText(), "1");
    EXPECT_EQ(log.Lines().back()->GetText(), "new");

    // A log above a lowered limit shrinks by one line per addition until it is reloaded.
    StoreLength(298);
    log.AddElement("bob", ChatKind::Said, "newer");
    EXPECT_EQ(log.GetCount(), 300);
    log.ReloadLimit();
    EXPECT_EQ(log.GetCount(), 298);
}

TEST_F(ChatLogTest, ALimitOfZeroOrLessKeepsTheNewestLineWithoutHanging) {
    CChatLog log(nullptr);
    for (int i = 0; i < 30; ++i)
        log.AddElement("bob", ChatKind::Said, QString::number(i));
    for (int stored : {0, -7, INT_MIN}) {
        StoreLength(stored);
        log.ReloadLimit();
        EXPECT_EQ(Texts(log), QStringList({"29"})) << stored;
        log.AddElement("bob", ChatKind::Said, "more");
        log.AddElement("bob", ChatKind::Said, "29");
        EXPECT_EQ(log.GetCount(), 1) << stored;
    }
}

TEST_F(ChatLogTest, TheLimitIsWrittenBackWhenTheLogGoes) {
    StoreLength(7);
    { CChatLog log(nullptr); }
    EXPECT_EQ(GetSettingsStore().GetIntEx("CChatLog", "Chat View Length", 0), 20);
    EXPECT_EQ(GetSettingsStore().GetRecentInt("CChatLog", "Chat View Length", 0), 20);
}

TEST_F(ChatLogTest, TheOwnersViewsAreToldOfEachLineAndRemoveAllEmptiesTheLog) {
    platform::Document document;
    LineView first;
    LineView second;
    document.AddView(&first);
    document.AddView(&second);
    CChatLog log(&document);
    log.AddElement("bob", ChatKind::Tell, "hi");
    log.AddElement("", ChatKind::System, "Welcome");
    EXPECT_EQ(first.seen, QStringList({"bob tells you: hi", "Welcome"}));
    EXPECT_EQ(second.seen, first.seen);
    EXPECT_EQ(log.GetOwner(), &document);
    log.RemoveAll();
    EXPECT_EQ(log.GetCount(), 0);
    document.RemoveView(&first);
    document.RemoveView(&second);
}

// A view that empties the log (its Clear command) or adds a line while it is told of one leaves the
// line it was given alive for the views after it.
TEST_F(ChatLogTest, ViewsChangingTheLogWhileToldOfALineDoNotInvalidateIt) {
    StoreLength(20);
    platform::Document document;
    CChatLog log(&document);
    LineView clearing;
    LineView adding;
    LineView last;
    document.AddView(&clearing);
    document.AddView(&adding);
    document.AddView(&last);
    clearing.onLine = [&](const CLogElement& element) {
        if (element.GetText() == "clear")
            log.RemoveAll();
    };
    int nested = 0;
    adding.onLine = [&](const CLogElement& element) {
        if (element.GetText() == "echo" && nested++ == 0)
            log.AddElement("robot", ChatKind::Said, "echo");
    };
    log.AddElement("bob", ChatKind::Said, "clear");
    EXPECT_EQ(last.seen, QStringList({"bob: clear"}));
    EXPECT_EQ(log.GetCount(), 0);
    log.AddElement("bob", ChatKind::Said, "echo");
    EXPECT_EQ(last.seen, QStringList({"bob: clear", "robot: echo", "bob: echo"}));
    EXPECT_EQ(log.GetCount(), 2);
    for (LineView* view : {&clearing, &adding, &last})
        document.RemoveView(view);
}

TEST_F(ChatLogTest, TheSessionsChatLogIsFoundThroughItsDocument) {
    CSessionDoc session;
    EXPECT_EQ(FindChatLog(&session), nullptr);
    CChatLog log(&session);
    session.SetChatLog(&log);
    EXPECT_EQ(FindChatLog(&session), &log);
    session.AddChatLine("bob", "hi", ChatKind::Said);
    ASSERT_EQ(log.GetCount(), 1);
    EXPECT_EQ(log.Lines().front()->Format(), "bob: hi");
    session.SetChatLog(nullptr);

    class TalkDoc : public platform::Document, public CChatLogHolder {
    public:
        TalkDoc() : log(this) {}
        CChatLog* GetChatLog() const override { return const_cast<CChatLog*>(&log); }
        CChatLog log;
    } talk;
    EXPECT_EQ(FindChatLog(&talk), &talk.log);
    EXPECT_EQ(FindChatLog(nullptr), nullptr);
}

} // namespace
