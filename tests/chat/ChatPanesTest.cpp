#include "DevServer.h"
#include "app/ClientApp.h"
#include "app/MainFrame.h"
#include "frame/MultiPaneFrame.h"
#include "frame/PaneLayout.h"
#include "chat/CommandLineView.h"
#include "chat/ChatLog.h"
#include "chat/ChatView.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using testenv::WaitFor;

namespace {

// A session with its chat log and a service window of chat panes, as the application makes them.
struct ChatClient {
    explicit ChatClient(const CPaneLayout& layout = CMultiPaneFrame::DefaultLobbyLayout()) {
        session.SetChatLog(&log);
        frame = std::make_unique<CMultiPaneFrame>(&session);
        frame->Build(layout);
        frame->resize(500, 300);
        frame->show();
    }
    ~ChatClient() {
        frame.reset();
        session.SetChatLog(nullptr);
    }
    bool LogIn(quint16 port, const QString& nickname) {
        bool accepted = false;
        QObject::connect(&session, &CSessionDoc::loginAccepted, [&accepted] { accepted = true; });
        CClientNode::LoginRequest request;
        request.host = "127.0.0.1";
        request.port = port;
        request.nickname = nickname;
        request.password = "any";
        request.clientVersionText = "1000 Norvale for Linux";
        session.Connect(request);
        return WaitFor([&] { return accepted; });
    }
    CChatView* Chat(int index = 0) const {
        int seen = 0;
        for (CGameView* view : frame->GameViews()) {
            if (auto* chat = qobject_cast<CChatView*>(view); chat && seen++ == index)
                return chat;
        }
        return nullptr;
    }
    CCommandLineView* Entry() const { return qobject_cast<CCommandLineView*>(frame->FindPane("CommandLine")); }
    QStringList ChatLines(int index = 0) const {
        QStringList lines;
        if (CChatView* chat = Chat(index)) {
            for (int i = 0; i < chat->GetLineCount(); ++i)
                lines << chat->GetLine(i).text;
        }
        return lines;
    }
    void Type(const QString& text) {
        QTest::keyClicks(Entry()->GetEdit(), text);
        QTest::keyClick(Entry()->GetEdit(), Qt::Key_Return);
    }

    CSessionDoc session;
    CChatLog log{&session};
    std::unique_ptr<CMultiPaneFrame> frame;
};

class ChatPanesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterChatPanes(); }
    void SetUp() override {
        testenv::ResetSettings();
        GetSettingsStore().WriteString("CChatView", "Font", "-13 400 0 0 1 2 2 0 \"DejaVu Sans\"");
    }
};

TEST_F(ChatPanesTest, TheLobbyLayoutHasAChatViewAndAnInputLineAndAShoutPaneWhenTheLayoutAsks) {
    ChatClient client(*CPaneLayout::Parse(QString("\x01vChat\x04shout\x05") + "1\x03" + "Chat\x03" + "CommandLine\x02"));
    ASSERT_EQ(client.frame->GameViews().size(), 3u);
    ASSERT_TRUE(client.Chat(0) && client.Chat(1) && client.Entry());
    EXPECT_TRUE(client.Chat(0)->IsShoutView());
    EXPECT_FALSE(client.Chat(1)->IsShoutView());
    client.session.AddChatLine("bob", "LOUD", ChatKind::Shout);
    client.session.AddChatLine("bob", "quiet", ChatKind::Said);
    EXPECT_EQ(client.ChatLines(0), QStringList({"bob shouts: LOUD"}));
    EXPECT_EQ(client.ChatLines(1), QStringList({"bob: quiet"}));
    EXPECT_GT(client.Entry()->GetIdealHeight(), 0);
}

TEST_F(ChatPanesTest, TheInputLineAnswersWhatItCannotSendWithSystemLines) {
    ChatClient client;
    client.Type("/foo");
    client.Type("hello");
    client.Type("");
    EXPECT_EQ(client.ChatLines(), QStringList({"Not connected: the command was not sent.",
                                               "Not connected: the line was not sent."}));
    EXPECT_TRUE(client.Chat()->GetLine(0).bold);
    EXPECT_TRUE(client.Entry()->GetEdit()->text().isEmpty());
}

TEST_F(ChatPanesTest, EscapeInTheChatReturnsToTheNewestLineAndHandsTheKeyboardToTheInputLine) {
    ChatClient client;
    QApplication::setActiveWindow(client.frame.get());
    for (int i = 0; i < 40; ++i)
        client.session.AddChatLine("bob", QStringLiteral("line %1").arg(i), ChatKind::Said);
    CChatView* chat = client.Chat();
    chat->setFocus();
    chat->ScrollTo(0);
    ASSERT_TRUE(chat->IsScrolledBack());
    QTest::keyClick(chat, Qt::Key_Escape);
    EXPECT_FALSE(chat->IsScrolledBack());
    EXPECT_EQ(client.frame->focusWidget(), client.Entry()->GetEdit());

    // Entering a line shows the newest line in every chat view of the session.
    chat->ScrollTo(0);
    client.Type("/x");
    EXPECT_FALSE(chat->IsScrolledBack());
    EXPECT_EQ(chat->GetScrollPosition(), chat->GetTotalHeight() - chat->ClientRect().height());
}

TEST_F(ChatPanesTest, KeysTheChatDoesNotTakeAreTypedIntoTheCommandLine) {
    ChatClient client;
    QApplication::setActiveWindow(client.frame.get());
    CChatView* chat = client.Chat();
    CCommandEdit* edit = client.Entry()->GetEdit();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
        bool toCommandLine;
    };
    const Case cases[] = {
        {Qt::Key_H, Qt::NoModifier, "h", true},
        {Qt::Key_Space, Qt::NoModifier, " ", true},
        {Qt::Key_Question, Qt::ShiftModifier, "?", true},
        {Qt::Key_PageUp, Qt::NoModifier, "", false},
        {Qt::Key_Up, Qt::NoModifier, "", false},
        {Qt::Key_C, Qt::ControlModifier, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        edit->clear();
        chat->setFocus();
        QTest::keyClick(chat, c.key, c.modifiers);
        EXPECT_EQ(edit->text(), c.text);
        EXPECT_EQ(client.frame->focusWidget() == edit, c.toCommandLine);
    }
    // Typing on from there goes on in the command line.
    edit->clear();
    chat->setFocus();
    QTest::keyClicks(chat, "hi all");
    EXPECT_EQ(edit->text(), "hi all");

    struct KeyWish {
        int virtualKey;
        bool empty;  // wanted by an empty line
        bool filled; // wanted while the line holds text
    };
    const KeyWish wishes[] = {{'A', true, true}, {'7', true, true}, {186, true, true}, {13, true, true},
                              {27, true, true},  {32, true, true},  {38, true, true},  {45, true, true},
                              {36, false, true}, {37, false, true}, {8, false, false}, {112, false, false}};
    for (const KeyWish& w : wishes) {
        edit->clear();
        EXPECT_EQ(client.Entry()->WantsKey(w.virtualKey), w.empty) << w.virtualKey;
        edit->setText("x", false);
        EXPECT_EQ(client.Entry()->WantsKey(w.virtualKey), w.filled) << w.virtualKey;
    }
}

// Two clients of the development server chat through their lobby windows.
TEST_F(ChatPanesTest, TwoClientsChatInTheLobby) {
    CDevServer server{CDevServer::Options{}};
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    ChatClient alice;
    ChatClient bob;
    ASSERT_TRUE(alice.LogIn(server.Port(), "alice"));
    ASSERT_TRUE(bob.LogIn(server.Port(), "bob"));
    alice.Type("hello bob");
    ASSERT_TRUE(WaitFor([&] { return bob.ChatLines().contains("alice: hello bob"); }));
    ASSERT_TRUE(WaitFor([&] { return alice.ChatLines().contains("alice: hello bob"); }));
    bob.Type("hi alice, how are you today?");
    ASSERT_TRUE(WaitFor([&] { return alice.ChatLines().contains("bob: hi alice, how are you today?"); }));
    EXPECT_EQ(alice.ChatLines().first(), "Welcome to the Norvale development server, alice.");
    EXPECT_TRUE(alice.Chat()->GetLine(0).bold);

    // Tells, emotes, whispers and shouts typed in one command line reach the other client.
    struct Case {
        const char* typed;
        const char* atBob;   // what bob's chat shows
        const char* atAlice; // what alice's own chat shows
    };
    const Case cases[] = {
        {"*bob psst, bob", "alice tells you: psst, bob", "You tell bob: psst, bob"},
        {"/tell bob hello again", "alice tells you: hello again", "You tell bob: hello again"},
        {",waves", "-> alice waves", "-> alice waves"},
        {"/whisper between us", "alice whispers: between us", "alice whispers: between us"},
        {"/shout Everybody listen", "alice shouts: Everybody listen", "alice shouts: Everybody listen"},
    };
    // What reached each chat log.
    auto logged = [](const ChatClient& client) {
        QStringList lines;
        for (const auto& element : client.log.Lines())
            lines << element->Format();
        return lines;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        alice.Type(c.typed);
        EXPECT_TRUE(WaitFor([&] { return logged(bob).contains(c.atBob); })) << logged(bob).join('|').toStdString();
        if (*c.atAlice) {
            EXPECT_TRUE(WaitFor([&] { return logged(alice).contains(c.atAlice); }));
        }
    }
    // Without a shout pane the chat panes show the shout, on both sides.
    EXPECT_TRUE(bob.ChatLines().contains("alice shouts: Everybody listen"));
    EXPECT_TRUE(alice.ChatLines().contains("alice shouts: Everybody listen"));
}

// The application's lobby window: the chat shows what was said before it opened and what is said
// after, and its input line talks to the room.
TEST_F(ChatPanesTest, TheApplicationsLobbyWindowShowsTheSessionsChat) {
    CDevServer server{CDevServer::Options{}};
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    qputenv(CClientApp::kPasswordVariable, "any");
    auto app = std::make_unique<CClientApp>();
    CClientApp::Options options;
    options.host = "127.0.0.1";
    options.port = server.Port();
    options.nickname = "alice";
    ASSERT_TRUE(app->InitInstance(options));
    auto pane = [&](const char* tag) -> CGameView* {
        CMultiPaneFrame* frame = app->GetMainFrame() ? app->GetMainFrame()->GetActiveServiceFrame() : nullptr;
        return frame ? frame->FindPane(tag) : nullptr;
    };
    ASSERT_TRUE(WaitFor([&] { return qobject_cast<CChatView*>(pane("Chat")) != nullptr; }));
    auto* chat = qobject_cast<CChatView*>(pane("Chat"));
    auto lines = [chat] {
        QStringList texts;
        for (int i = 0; i < chat->GetLineCount(); ++i)
            texts << chat->GetLine(i).text;
        return texts;
    };
    ASSERT_TRUE(WaitFor([&] { return lines().contains("Welcome to the Norvale development server, alice."); }));

    ChatClient bob;
    ASSERT_TRUE(bob.LogIn(server.Port(), "bob"));
    bob.Type("hi alice");
    ASSERT_TRUE(WaitFor([&] { return lines().contains("bob: hi alice"); }));
    auto* entry = qobject_cast<CCommandLineView*>(pane("CommandLine"));
    ASSERT_TRUE(entry);
    QTest::keyClicks(entry->GetEdit(), "hello bob");
    QTest::keyClick(entry->GetEdit(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return bob.ChatLines().contains("alice: hello bob"); }));
    // The lobby lies within the main window, the ">>" button at the command line's end included: the
    // player list's columns scroll rather than widen the lobby.
    CMainFrame* main = app->GetMainFrame();
    const QWidget* macros = entry->findChild<QPushButton*>("macroButton");
    ASSERT_TRUE(macros && macros->isVisible());
    EXPECT_TRUE(main->rect().contains(QRect(macros->mapTo(main, QPoint()), macros->size()))) << main->width();

    // A new login starts a new chat.
    app->ExitInstance();
    app.reset();
    qunsetenv(CClientApp::kPasswordVariable);
}

} // namespace
