#include "chat/ChatLog.h"
#include "chat/ChatView.h"
#include "chat/CommandLineView.h"
#include "chat/TalkDlg.h"
#include "chat/TalkDoc.h"
#include "session/SessionDoc.h"
#include "session/UserInfo.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "platform/Ui.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using testenv::WaitFor;

namespace {

// alice, logged in to a fake server that plays everybody else, with talk windows.
class TalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        GetSettingsStore().WriteString("CChatView", "Font", "-13 400 0 0 1 2 2 0 \"DejaVu Sans\"");
        CTalkDoc::SetClock([this] { return clock; });
        session = std::make_unique<CSessionDoc>();
        session->SetChatLog(&lobby);
        CTalkDoc::Attach(*session);
        bool accepted = false;
        QObject::connect(session.get(), &CSessionDoc::loginAccepted, [&accepted] { accepted = true; });
        session->Connect(server.LoginRequest("alice"));
        ASSERT_TRUE(WaitFor([&] { return accepted; }));
    }
    void TearDown() override {
        session.reset();
        CTalkDoc::SetClock(nullptr);
    }

    // A routed talk packet from a peer, and the wait until the session has handled it.
    void Arrive(const QString& from, const QString& payload) {
        const int before = talkLines();
        const int talks = session->GetTalkCount();
        server.Route(from, ChatPacket::Talk, payload);
        WaitFor([&] { return talkLines() != before || session->GetTalkCount() != talks; }, 1000);
    }
    // The directory learns of these members (a talk names only people it knows).
    void Known(const QStringList& nicknames) {
        QString text = QStringLiteral("%1 %2\n").arg(nicknames.size() + 1).arg(nicknames.size());
        for (const QString& nickname : nicknames) {
            CUserInfo user(nickname);
            text += user.FormatUpdateText(0, UserField::OwnMask, true);
        }
        server.Send(97, text);
        WaitFor([&] { return session->FindUser(nicknames.last()) != nullptr; }, 1000);
    }
    int talkLines() const {
        int count = 0;
        for (CTalkDoc* talk : {Talk({"alice", "bob", "carol"}), Talk({"alice", "bob"})})
            count += talk ? talk->GetChatLog()->GetCount() : 0;
        return count;
    }
    CTalkDoc* Talk(const QStringList& people) const {
        return dynamic_cast<CTalkDoc*>(session->FindTalk(people));
    }
    static QStringList Shown(const CTalkDoc* talk) {
        QStringList lines;
        const CChatView* chat = talk->GetChatView();
        for (int i = 0; chat && i < chat->GetLineCount(); ++i)
            lines << chat->GetLine(i).text;
        return lines;
    }
    static void Type(CTalkDoc* talk, const QString& text) {
        CCommandEdit* edit = talk->GetWindow()->GetCommandLine()->GetEdit();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    // Lets the deferred work (talks ended, windows deleted) run.
    static void Settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    testenv::FakeServer server;
    std::unique_ptr<CSessionDoc> session;
    CChatLog lobby{nullptr};
    qint64 clock = 1000000;
};

TEST_F(TalkTest, ThreePeopleTalkInOneWindow) {
    session->OpenTalkWindow({"bob", "carol"});
    CTalkDoc* talk = Talk({"carol", "BOB"});
    ASSERT_TRUE(talk && talk->GetWindow());
    EXPECT_EQ(session->GetTalkCount(), 1);
    EXPECT_EQ(talk->GetWindow()->windowTitle(), "Talking with 'bob carol'");
    EXPECT_TRUE(server.NothingReceived()); // opening sends nothing

    Type(talk, "hi both");
    for (const char* who : {"bob", "carol"}) {
        auto frame = server.Expect(ChatPacket::Talk);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->Destination(), who);
        EXPECT_EQ(frame->Text(), "\"alice bob carol\" \"alice: hi both\" 0 \"hi both\"");
    }
    Type(talk, ",waves");
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(server.Expect(ChatPacket::Talk)->Text(), "\"alice bob carol\" \"-> alice waves\" 4 \"waves\"");

    // The others answer into the same window, whatever order and case their lists have.
    Known({"bob", "carol"});
    Arrive("carol", "\"carol ALICE bob\" \"carol: hello\" 0 \"hello\"");
    Arrive("bob", "\"bob carol alice\" \"-> bob smiles: :)\" 4 \"smiles: :)\"");
    EXPECT_EQ(session->GetTalkCount(), 1);
    EXPECT_EQ(Shown(talk), QStringList({"alice: hi both", "-> alice waves", "carol: hello", "-> bob smiles: :)"}));
    EXPECT_TRUE(lobby.GetCount() == 0); // nothing of the talk in the lobby's chat
}

TEST_F(TalkTest, IncomingLinesAreTakenFromTheirFields) {
    GetSettingsStore().WriteString("CLogElement", "Emote Prefix", "**");
    struct Case {
        const char* payload;
        const char* shown; // nullptr: nothing arrives
    };
    const Case cases[] = {
        {"\"alice bob\" \"bob: hi\" 0 \"hi\"", "bob: hi"},
        // The local prefix, whatever the peer showed; a colon in an emote stays in the emote.
        {"\"alice bob\" \"-> bob grins :)\" 4 \"grins :)\"", "** bob grins :)"},
        {"\"alice bob\" \"bob whispers: psst\" 7 \"psst\"", "bob whispers: psst"},
        // Only the shown text, or a kind no talk sends: a member may not put words on the screen as
        // they stand.
        {"\"alice bob\" \"bob: old: style\"", nullptr},
        {"\"alice bob\" \"bob shouts: x\" 6 \"x\"", nullptr},
        {"\"alice bob\" \"\" 0 \"\"", nullptr},
        {"\"alice bob\"", nullptr},
        {"garbage", nullptr},
    };
    for (const Case& c : cases) {
        const int before = talkLines();
        Arrive("bob", c.payload);
        CTalkDoc* talk = Talk({"alice", "bob"});
        if (!c.shown) {
            EXPECT_EQ(talkLines(), before) << c.payload;
            continue;
        }
        ASSERT_TRUE(talk) << c.payload;
        ASSERT_FALSE(Shown(talk).isEmpty());
        EXPECT_EQ(Shown(talk).last(), c.shown) << c.payload;
    }
}

TEST_F(TalkTest, ATalkOfMoreThanFivePeopleIsTrimmedQuietly) {
    Known({"a", "b", "c", "d", "e", "f", "g"});
    Arrive("mallory", "\"a b c d e f g\" \"-> mallory waves\" 4 \"waves\"");
    ASSERT_EQ(session->GetTalkCount(), 1);
    CTalkDoc* talk = Talk({"mallory", "alice", "a", "b", "c"});
    ASSERT_TRUE(talk);
    EXPECT_EQ(talk->GetPeople().size(), 5);
    EXPECT_EQ(talk->GetWindow()->windowTitle(), "Talking with 'mallory a b c'");
    EXPECT_TRUE(testenv::scriptedUi().asked().empty());
    // Opened by incoming text: the window does not take the keyboard.
    EXPECT_TRUE(talk->GetWindow()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(server.NothingReceived());
}

TEST_F(TalkTest, EscapeAndCloseEndTheTalkAndItOpensAgainEmpty) {
    for (const bool byEscape : {true, false}) {
        session->OpenTalkWindow({"bob"});
        CTalkDoc* talk = Talk({"bob"});
        ASSERT_TRUE(talk);
        Arrive("bob", "\"alice bob\" \"bob: hi\" 0 \"hi\"");
        CCommandEdit* edit = talk->GetWindow()->GetCommandLine()->GetEdit();
        QPointer<CTalkDlg> window = talk->GetWindow();
        if (byEscape) {
            QTest::keyClicks(edit, "half a line");
            QTest::keyClick(edit, Qt::Key_Escape); // only empties the line
            Settle();
            ASSERT_EQ(session->GetTalkCount(), 1);
            EXPECT_TRUE(edit->text().isEmpty());
            QTest::keyClick(edit, Qt::Key_Escape);
        } else {
            window->close();
        }
        Settle();
        EXPECT_EQ(session->GetTalkCount(), 0) << byEscape;
        EXPECT_TRUE(window.isNull()) << byEscape;
        EXPECT_TRUE(server.NothingReceived()); // ending a talk tells nobody

        session->OpenTalkWindow({"bob"});
        ASSERT_TRUE(Talk({"bob"}));
        EXPECT_EQ(Talk({"bob"})->GetChatLog()->GetCount(), 0);
        Talk({"bob"})->Close();
        Settle();
    }
}

TEST_F(TalkTest, TheWindowKeepsItsSizeAndThePlaceTheUserGaveIt) {
    session->OpenTalkWindow({"bob"});
    CTalkDlg* window = Talk({"bob"})->GetWindow();
    // Opened and closed without the user moving it: no place is kept, the size is.
    window->close();
    Settle();
    EXPECT_TRUE(GetSettingsStore().GetString("CTalkDlg", "Normal Rect").isEmpty());

    session->OpenTalkWindow({"bob"});
    window = Talk({"bob"})->GetWindow();
    const platform::Rect size = GetSettingsStore().GetObjectRect(window, "Size", {});
    EXPECT_EQ(size.Width(), CTalkDlg::kDefaultWidth);
    const QRect chosen(window->x() + 37, window->y() + 21, 333, 277);
    window->setGeometry(chosen); // as the user drags it
    EXPECT_TRUE(window->WasMovedOrSized());
    // The command line sits at the bottom at its ideal height plus 4, the chat fills the rest.
    CCommandLineView* line = window->GetCommandLine();
    EXPECT_EQ(line->height(), line->GetIdealHeight() + 4);
    EXPECT_EQ(line->geometry().bottom(), window->height() - 1);
    EXPECT_EQ(window->GetChatView()->height(), window->height() - line->height());
    EXPECT_EQ(line->GetEdit()->height(), line->height()); // the edit fills its pane
    window->close();
    Settle();

    session->OpenTalkWindow({"bob"});
    window = Talk({"bob"})->GetWindow();
    EXPECT_EQ(window->geometry(), chosen);
    // A second talk opening meanwhile does not cover the first.
    session->OpenTalkWindow({"carol"});
    CTalkDlg* second = Talk({"carol"})->GetWindow();
    EXPECT_NE(second->pos(), window->pos());
    EXPECT_EQ(second->size(), chosen.size());
}

TEST_F(TalkTest, WhileAwayEachIncomingLineIsAnsweredAtMostEveryTwoMinutes) {
    session->SetAwayState(true, false);
    ASSERT_TRUE(server.Expect('P')); // the away state, told to the server
    struct Step {
        int secondsLater;
        const char* from;
        bool noticeSent;
    };
    const Step steps[] = {
        {0, "bob", true},     // the first at once
        {60, "bob", false},   // within two minutes
        {61, "bob", true},    // 121 seconds after the first
        {0, "alice", false},  // the user's own lines never
        {500, "alice", false},
    };
    for (const Step& step : steps) {
        clock += step.secondsLater;
        Arrive(step.from, QStringLiteral("\"alice bob\" \"%1: ping\" 0 \"ping\"").arg(step.from));
        if (step.noticeSent) {
            auto frame = server.Expect(ChatPacket::Talk);
            ASSERT_TRUE(frame);
            EXPECT_EQ(frame->Destination(), "bob");
            EXPECT_EQ(frame->Text(), QString("\"bob alice\" \"-> alice  is away\" 4 \" is away\""));
        }
        EXPECT_TRUE(server.NothingReceived()) << step.secondsLater;
    }
    EXPECT_TRUE(session->IsAway()); // answering does not end the away state
}

TEST_F(TalkTest, LettersTypedInTheConversationLandInTheCommandLine) {
    session->OpenTalkWindow({"bob"});
    CTalkDlg* window = Talk({"bob"})->GetWindow();
    QApplication::setActiveWindow(window);
    CChatView* chat = window->GetChatView();
    chat->setFocus();
    QTest::keyClicks(chat, "hey");
    CCommandEdit* edit = window->GetCommandLine()->GetEdit();
    EXPECT_EQ(edit->text(), "hey");
    EXPECT_EQ(window->focusWidget(), edit);
    // Undo takes back the typing, also with the focus in the conversation.
    platform::CommandState state;
    ASSERT_TRUE(window->OnUpdateCommand(CTalkDlg::kCmdUndo, state));
    EXPECT_TRUE(state.enabled);
    chat->setFocus();
    ASSERT_TRUE(window->OnCommand(CTalkDlg::kCmdUndo));
    EXPECT_NE(edit->text(), "hey");
    // A command's reply shows in the talk, not in the lobby.
    edit->clear();
    QTest::keyClicks(edit, "/help");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(Shown(Talk({"bob"})).contains("Commands:"));
    EXPECT_EQ(lobby.GetCount(), 0);
}

} // namespace
