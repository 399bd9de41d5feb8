#include "frame/MultiPaneFrame.h"
#include "frame/PaneLayout.h"
#include "chat/CommandLineView.h"
#include "lobby/UserListView.h"
#include "net/LoginPackets.h"
#include "platform/Ui.h"
#include "session/CommandHistory.h"
#include "support/SessionFixture.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using testenv::WaitFor;

namespace {

// A fake invitation manager that records what the command line asks of it.
class RecordingInviter : public CInvitationService {
public:
    void CloseDialogsForUser(const QString&) override {}
    void CloseAllInvitations() override {}
    void InvitePlayer(const QString& names, int gameKind, int extra, bool prompt) override {
        calls << QStringLiteral("%1|%2|%3|%4").arg(names).arg(gameKind).arg(extra).arg(prompt);
    }
    QStringList calls;
};

// A session logged in to the fake server with a service window of a chat and a command line.
class CommandLineTest : public testenv::SessionTest {
protected:
    static void SetUpTestSuite() { RegisterChatPanes(); }

    void LogInWithRights(quint32 rights) {
        server->Acceptance().rightsMask = rights;
        ASSERT_TRUE(Login("alice"));
        frame = std::make_unique<CMultiPaneFrame>(session.get());
        frame->Build(*CPaneLayout::Parse(QString("\x01vChat\x03") + "CommandLine\x02"));
        frame->resize(500, 300);
        frame->show();
        QApplication::setActiveWindow(frame.get());
        commandLine = qobject_cast<CCommandLineView*>(frame->FindPane("CommandLine"));
        ASSERT_TRUE(commandLine);
        server->DropReceived();
    }
    void TearDown() override {
        frame.reset();
        testenv::SessionTest::TearDown();
    }
    void Type(const QString& line) {
        QTest::keyClicks(commandLine->GetEdit(), line);
        QTest::keyClick(commandLine->GetEdit(), Qt::Key_Return);
    }
    QStringList SystemLines() const {
        QStringList lines;
        for (const auto& line : chat.lines) {
            if (line.kind == ChatKind::System)
                lines << line.text;
        }
        return lines;
    }

    std::unique_ptr<CMultiPaneFrame> frame;
    CCommandLineView* commandLine = nullptr;
};

// What one typed line must send: a packet (type, body, destination; type 0 for none) or a system line.
struct LineCase {
    const char* typed;
    quint32 right; // the right the command needs (0: none)
    int type;
    const char* body;
    const char* destination;
    const char* systemLine; // empty: none
};

const LineCase kCommandCases[] = {
    // Said text and the shortcuts.
    {"hello all", 0, 203, "hello all", "&", ""},
    {",waves", 0, 207, "waves", "&", ""},
    {"-psst", 0, 194, "psst", "&", ""},
    {"*bob hi there", 0, 212, "hi there", "bob", ""},
    // The keyword table: a typed word matches the first keyword it occurs in.
    {"/emote waves", 0, 207, "waves", "&", ""},
    {"/t waves", 0, 207, "waves", "&", ""},
    {"/ waves", 0, 207, "waves", "&", ""},
    {"/W psst", 0, 194, "psst", "&", ""},
    {"/whisper psst", 0, 194, "psst", "&", ""},
    {"/tell bob hi", 0, 212, "hi", "bob", ""},
    {"/shout HEAR", 0x10000, 200, "HEAR", "&", ""},
    {"/notify Maintenance at noon", 0x20, 193, "Maintenance at noon", "&", ""},
    {"/kick bob spamming", 0x40, 208, "bob spamming", ".", ""},
    {"/kill bob", 0x40, 208, "bob", ".", ""},
    {"/watch bob", 0, 112, "Watch_Player_Cookie bob", "", ""},
    {"/whereis bob carol", 0, 112, "CMDWhereisCookie bob carol", "", ""},
    {"/disable bob now", 0x1000, 176, "Stop", "bob", ""},
    {"/enable bob", 0x2000, 177, "Go", "bob", ""},
    {"/disable_account bob", 0x80, 181, "N bob", ".db", ""},
    {"/enable_account bob", 0x100, 181, "Y bob", ".db", ""},
    {"/disable_machine bob", 0x200, 181, "Z bob", ".db", ""},
    {"/enable_machine bob", 0x400, 181, "A bob", ".db", ""},
    {"/client_version bob", 0, 182, "CMDCVCookie bob", ".", ""},
    {"/client_version", 0, 182, "CMDCVCookie alice", ".", ""},
    {"/private", 0, 58, "PRIVATE ", "", ""},
    {"/Public", 0, 58, "PUBLIC ", "", ""},
    {"/foo bar baz", 0, 58, "FOO bar baz", "", ""},
    {"/examine bob carol", 0x10, 'J', ".gb.bob.carol", "", ""},
    {"/examine bob carol carol 77", 0x10, 'J', ".gb.CONTEST_ID.77", "", ""},
    {"/examine bob", 0x10, 0, "", "", "ERROR - Syntax: /examine Player0 Player1 [PlayerToWatch] [ContestID]"},
    {"/help", 0, 0, "", "", "Commands:\r\n /client_version Nickname"},
    {"/?", 0, 0, "", "", "Commands:\r\n /client_version Nickname"},
    {"/talk bob", 0, 0, "", "", "Talk windows are not available."},
    {"/invite bob", 0, 0, "", "", "Invitations are not available."},
    {"/prop bob", 0x1, 0, "", "", "Invitations are not available."},
    {"*bob", 0, 0, "", "", "ERROR - Syntax: /tell Nickname message"},
    // Commands that need a name or a text and get none do nothing.
    {"/shout", 0x10000, 0, "", "", ""},
    {"/notify", 0x20, 0, "", "", ""},
    {"/kick", 0x40, 0, "", "", ""},
    {"/watch ", 0, 0, "", "", ""},
    {"/whereis", 0, 0, "", "", ""},
    {"/disable", 0x1000, 0, "", "", ""},
    {"/enable_account", 0x100, 0, "", "", ""},
    {"/exit", 0, 0, "", "", ""},
    {"*a&b hi", 0, 0, "", "", ""},
};

void ExpectLine(CommandLineTest* test, testenv::FakeServer& server, const LineCase& c, const QStringList& system,
                bool granted) {
    SCOPED_TRACE(c.typed);
    const bool refused = c.right != 0 && !granted;
    if (refused || c.type == 0) {
        EXPECT_TRUE(server.NothingReceived());
    } else {
        const auto frame = server.Expect(c.type);
        ASSERT_TRUE(frame);
        if (c.type == 'J')
            EXPECT_TRUE(frame->Text().contains(QString::fromLatin1(c.body))) << frame->Text().toStdString();
        else
            EXPECT_EQ(frame->Text(), QString::fromLatin1(c.body));
        EXPECT_EQ(frame->Destination(), QString::fromLatin1(c.destination));
    }
    (void)test;
    if (refused) {
        ASSERT_EQ(system.size(), 1);
        EXPECT_TRUE(system[0].startsWith("ERROR - unrecognized command - ")) << system[0].toStdString();
    } else if (*c.systemLine) {
        ASSERT_EQ(system.size(), 1);
        EXPECT_TRUE(system[0].startsWith(QString::fromLatin1(c.systemLine))) << system[0].toStdString();
    } else {
        EXPECT_TRUE(system.isEmpty()) << system.join('|').toStdString();
    }
}

TEST_F(CommandLineTest, EveryCommandSendsItsPacketWithItsRight) {
    LogInWithRights(0xFFFFFFFFu & ~0x40000u);
    for (const LineCase& c : kCommandCases) {
        chat.lines.clear();
        Type(QString::fromLatin1(c.typed));
        if (c.type == 112)
            session->OnWatchTimeout(); // the next watch request may go out at once
        QStringList system = SystemLines();
        system.removeAll("ERROR - No answer to the watch request.");
        ExpectLine(this, *server, c, system, true);
    }
    // A line too long for one frame is not sent, and the user learns why.
    for (const QString prefix : {"", ",", "/foo "}) {
        chat.lines.clear();
        commandLine->GetEdit()->setText(prefix + QString(70000, 'x'), false);
        QTest::keyClick(commandLine->GetEdit(), Qt::Key_Return);
        EXPECT_TRUE(server->NothingReceived());
        ASSERT_EQ(SystemLines().size(), 1);
        EXPECT_TRUE(SystemLines()[0].endsWith("is too long to send.")) << SystemLines()[0].toStdString();
    }
}

TEST_F(CommandLineTest, CommandsWithoutTheirRightAreUnrecognizedAndSendNothing) {
    LogInWithRights(0);
    for (const LineCase& c : kCommandCases) {
        if (c.right == 0)
            continue;
        chat.lines.clear();
        Type(QString::fromLatin1(c.typed));
        ExpectLine(this, *server, c, SystemLines(), false);
    }
    chat.lines.clear();
    Type("/enable_account bob");
    EXPECT_EQ(SystemLines(), QStringList({"ERROR - unrecognized command - ENABLE_ACCOUNT"}));
}

TEST_F(CommandLineTest, TellsGoToEveryNamedRecipientAndShowAsSentTells) {
    LogInWithRights(0);
    struct Case {
        const char* typed;
        QStringList recipients;
        const char* message;
    };
    const Case cases[] = {
        {"*bob, carol, dave hello", {"bob", "carol", "dave"}, "hello"},
        {"/tell bob, carol hi you", {"bob", "carol"}, "hi you"},
        {"* bob hi", {"bob"}, "hi"},
        {"*bob,carol hi", {"bob,carol"}, "hi"},
        {"*bob, x&y, carol yo", {"bob", "carol"}, "yo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        chat.lines.clear();
        Type(c.typed);
        QStringList shown;
        for (const QString& recipient : c.recipients) {
            const auto frame = server->Expect(212);
            ASSERT_TRUE(frame);
            EXPECT_EQ(frame->Destination(), recipient);
            EXPECT_EQ(frame->Text(), c.message);
        }
        EXPECT_TRUE(server->NothingReceived());
        ASSERT_EQ(chat.lines.size(), size_t(c.recipients.size()));
        for (size_t i = 0; i < chat.lines.size(); ++i) {
            EXPECT_EQ(chat.lines[i].kind, ChatKind::SentTell);
            EXPECT_EQ(chat.lines[i].name, c.recipients[qsizetype(i)]);
            EXPECT_EQ(chat.lines[i].text, c.message);
        }
    }
}

TEST_F(CommandLineTest, RepliesAreReadDefensively) {
    LogInWithRights(0);
    struct Case {
        int type;
        const char* body;
        QStringList lines;
    };
    const Case cases[] = {
        {183, "CMDCVCookie bob >1000 Norvale for Linux", {"bob client version: 1000 Norvale for Linux"}},
        {183, "CMDCVCookie bob 2.1", {"bob client version: 2.1"}},
        {183, "CMDCVCookie", {}},
        {184, "CMDWhereisCookie bob@.gb.bob.carol carol@ dave", {"bob is in bob vs. carol",
                                                                  "carol is not connected to the server.",
                                                                  "dave is not connected to the server."}},
        {184, "CMDWhereisCookie @x   ", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        chat.lines.clear();
        session->OpenQuestion(c.type, c.type == 183 ? "CMDCVCookie" : "CMDWhereisCookie");
        ServerRoute(".", c.type, c.body);
        EXPECT_EQ(SystemLines(), c.lines);
    }
    // A reply nobody asked for, a second reply to one question, or a member's forgery shows nothing.
    chat.lines.clear();
    ServerRoute(".", 183, "CMDCVCookie bob 9.9");
    Type("/whereis bob");
    ServerRoute("bob", 184, "CMDWhereisCookie bob@.gb.bob.carol");
    EXPECT_TRUE(SystemLines().isEmpty());
    ServerRoute(".", 184, "CMDWhereisCookie bob@");
    ServerRoute(".", 184, "CMDWhereisCookie bob@.mb");
    EXPECT_EQ(SystemLines(), QStringList{"bob is not connected to the server."});
    // Replies with another cookie are left to the others.
    view->packets.clear();
    ServerRoute(".", 183, "OtherCookie bob 1.0");
    ServerRoute(".", 184, "OtherCookie bob@");
    EXPECT_EQ(view->packets.size(), 2u);
}

TEST_F(CommandLineTest, TheHistoryKeepsOneCopyOfEachLineAndRecallsWithTheArrows) {
    CCommandHistory history;
    for (int i = 0; i < 30; ++i)
        history.Add(QStringLiteral("line %1").arg(i));
    EXPECT_EQ(history.GetCount(), CCommandHistory::kMaxLines);
    EXPECT_EQ(history.GetLines().first(), "line 1");
    history.Add("line 5");
    EXPECT_EQ(history.GetCount(), CCommandHistory::kMaxLines);
    EXPECT_EQ(history.GetLines().last(), "line 5");
    EXPECT_EQ(history.GetLines().count("line 5"), 1);
    EXPECT_EQ(history.Next(), "");
    EXPECT_EQ(history.Previous(), "line 5");
    EXPECT_EQ(history.Previous(), "line 29");
    EXPECT_EQ(history.Next(), "line 5");
    EXPECT_EQ(history.Next(), "");
    EXPECT_EQ(history.GetPosition(), history.GetCount());

    // In the command line: the session's one history, the arrows recall while the text is selected.
    LogInWithRights(0);
    EXPECT_EQ(commandLine->GetHistory(), &session->GetCommandHistory());
    Type("first");
    Type("second");
    Type("first");
    EXPECT_EQ(session->GetCommandHistory().GetLines(), QStringList({"second", "first"}));
    CCommandEdit* edit = commandLine->GetEdit();
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), "first");
    EXPECT_TRUE(edit->IsWholeTextSelected());
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), "second");
    // With the caret inside the text the arrow moves the caret instead.
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), "second");
    // Escape empties the line and returns to the end of the history.
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(session->GetCommandHistory().GetPosition(), 2);
}

TEST_F(CommandLineTest, MacrosFollowTheNumbersOfTheMacrosPage) {
    LogInWithRights(0);
    CSettingsStore& store = GetSettingsStore();
    store.WriteString("Macros", "Macro0", "page says Macro 1");
    store.WriteString("Macros", "Macro9", "page says Macro 10");
    store.WriteString("Macros", "Macro4", QString(40, 'x') + "&");
    struct Case {
        Qt::Key key;
        const char* text;
    };
    const Case keys[] = {{Qt::Key_1, "page says Macro 1"}, {Qt::Key_0, "page says Macro 10"}};
    for (const Case& c : keys) {
        commandLine->GetEdit()->setText("old", false);
        QTest::keyClick(commandLine->GetEdit(), c.key, Qt::ControlModifier);
        EXPECT_EQ(commandLine->GetEdit()->text(), c.text);
        EXPECT_TRUE(commandLine->GetEdit()->IsWholeTextSelected());
    }
    // An empty macro leaves the line alone; nothing is ever sent.
    QTest::keyClick(commandLine->GetEdit(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(commandLine->GetEdit()->text(), "page says Macro 10");
    EXPECT_TRUE(server->NothingReceived());

    std::unique_ptr<QMenu> menu(commandLine->CreateMacroMenu());
    QStringList entries;
    for (QAction* action : menu->actions())
        entries << (action->isSeparator() ? QString("-") : action->text());
    EXPECT_EQ(entries, QStringList({"page says Macro 1\tCtrl+1", QString(30, 'x') + "...\tCtrl+5",
                                    "page says Macro 10\tCtrl+0", "-", "Tell", "Emote", "Whisper", "-",
                                    "Show Shouts", "Edit Macros..."}));
    EXPECT_EQ(platform::CommandId(menu->actions()[1]), CCommandLineView::kCmdFirstMacro + 4);
    EXPECT_TRUE(menu->actions()[8]->isChecked());

    // The ">>" button opens the menu (through the seam) and Show Shouts flips the stored switch.
    testenv::scriptedUi().clear();
    commandLine->GetMacroButton()->click();
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].kind, platform::ScriptedUi::Asked::MenuKind);
    commandLine->OnCommand(CCommandLineView::kCmdShowShouts);
    EXPECT_EQ(store.GetIntEx("CClientNode", "Ignore Shouts", 0), 1);
}

TEST_F(CommandLineTest, TheShoutEntryNeedsItsRight) {
    LogInWithRights(0x10000);
    std::unique_ptr<QMenu> menu(commandLine->CreateMacroMenu());
    QStringList entries;
    for (QAction* action : menu->actions())
        entries << action->text();
    EXPECT_TRUE(entries.contains("Shout"));
    platform::CommandState state;
    ASSERT_TRUE(commandLine->OnUpdateCommand(CCommandLineView::kCmdShout, state));
    EXPECT_TRUE(state.enabled);
    commandLine->OnCommand(CCommandLineView::kCmdShout);
    EXPECT_EQ(commandLine->GetEdit()->text(), "/shout ");
}

TEST_F(CommandLineTest, InviteAndPropositionGoToTheInvitationManager) {
    LogInWithRights(0x1 | 0x10);
    RecordingInviter inviter;
    session->SetInvitationService(&inviter);
    Type("/invite bob 5");
    Type("/prop carol");
    EXPECT_EQ(inviter.calls, QStringList({"bob 5|0|1|0", "carol|1|1|0"}));
    // Once the connection has ended, these and the commands that would watch say nothing went out.
    server->Disconnect();
    ASSERT_TRUE(WaitFor([&] { return !session->IsConnected(); }));
    chat.lines.clear();
    const QStringList typed = {"/invite bob", "/prop carol", "/watch bob", "/examine bob carol"};
    for (const QString& line : typed)
        Type(line);
    session->SetInvitationService(nullptr);
    EXPECT_EQ(inviter.calls.size(), 2);
    EXPECT_EQ(SystemLines(), QStringList(typed.size(), "Not connected: the command was not sent."));
}

TEST_F(CommandLineTest, TheLineGrowsWithItsTextUpToTwoThirdsOfTheWindow) {
    LogInWithRights(0);
    const int oneLine = commandLine->GetIdealHeight();
    EXPECT_GT(oneLine, 0);
    commandLine->GetEdit()->setText(QString("word ").repeated(60), false);
    EXPECT_GT(commandLine->GetVisibleLineCount(), 1);
    EXPECT_GT(commandLine->GetIdealHeight(), oneLine);
    commandLine->GetEdit()->setText(QString("word ").repeated(2000), false);
    EXPECT_LE(commandLine->GetIdealHeight(), frame->height() * 2 / 3 + 20);
    commandLine->GetEdit()->clear();
    EXPECT_EQ(commandLine->GetIdealHeight(), oneLine);
}

TEST_F(CommandLineTest, InATalkLinesGoToTheTalkAndEscapeOnAnEmptyLineClosesIt) {
    LogInWithRights(0);
    QStringList sent;
    int closes = 0;
    commandLine->SetTalkHandlers(
        [&](const QString& text, int kind) {
            sent << QStringLiteral("%1:%2").arg(kind).arg(text);
            return true;
        },
        [&] { ++closes; });
    Type("hello");
    Type(",grins");
    Type("-quietly");
    EXPECT_EQ(sent, QStringList({"0:hello", "4:grins", "7:quietly"}));
    EXPECT_TRUE(server->NothingReceived());
    QTest::keyClicks(commandLine->GetEdit(), "draft");
    QTest::keyClick(commandLine->GetEdit(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(commandLine->GetEdit()->text(), "");
    QTest::keyClick(commandLine->GetEdit(), Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return closes == 1; }));
}

TEST(CommandLineAddresses, GroupAddressesAreExactlyOneCharacter) {
    struct Case {
        const char* name;
        bool dollar;
        bool star;
    };
    const Case cases[] = {{"$", true, false}, {"*", false, true}, {"$$", false, false},
                          {"*bob", false, false}, {"", false, false}, {" $", false, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(CCommandLineView::IsDollarAddress(c.name), c.dollar) << c.name;
        EXPECT_EQ(CCommandLineView::IsStarAddress(c.name), c.star) << c.name;
    }
}

} // namespace
