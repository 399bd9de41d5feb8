#include "app/ClientApp.h"
#include "frame/GameView.h"
#include "frame/KelderFrameWnd.h"
#include "app/LoginDlg.h"
#include "web/WebTestSupport.h"
#include "app/MainFrame.h"
#include "frame/MultiPaneFrame.h"
#include "frame/PaneLayout.h"
#include "frame/WindowPlacement.h"
#include "platform/Messages.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "session/DeferredMessageBox.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/WindowBroadcast.h"

#include <QApplication>
#include <QLineEdit>
#include <QStyle>
#include <QTest>
#include <QUrl>

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

using testenv::WaitFor;

namespace {

// Lets queued calls run without waiting for anything else.
void RunPosted() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// ---- Pane layouts

TEST(PaneLayout, ParsesFormatsAndRefusesMalformedTexts) {
    const QString text = QStringLiteral("\x01vUserList\x03\x01hChat\x04lines\x05"
                                        "500\x03Log\x02\x03"
                                        "CommandLine\x02");
    const auto layout = CPaneLayout::Parse(text);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->kind, CPaneLayout::Split);
    EXPECT_FALSE(layout->horizontal);
    EXPECT_EQ(layout->Tags(), (QStringList{"UserList", "Chat", "Log", "CommandLine"}));
    EXPECT_EQ(layout->children[1].children[0].Setting("lines"), "500");
    EXPECT_EQ(layout->Format(), text);
    EXPECT_EQ(CPaneLayout::Parse("Board")->tag, "Board");

    for (const QString& bad :
         {QString(), QStringLiteral("\x01vA\x03"), QStringLiteral("\x01xA\x02"), QStringLiteral("\x01v\x02"),
          QStringLiteral("A\x04name"), QStringLiteral("A\x02"), QString(40, QChar(1)) + "A"})
        EXPECT_FALSE(CPaneLayout::Parse(bad)) << bad.toStdString();
}

// ---- Views in a service frame

class TestPane : public CGameView {
public:
    using CGameView::CGameView;
    int OnCreate() override { return refuse ? -1 : 0; }
    int GetIdealHeight() const override { return ideal; }
    void OnUpdate(platform::View*, int hint, platform::Object* object) override {
        if (auto* move = platform::object_cast<CMoveHint>(object))
            moves.push_back({hint, move->moveIndex});
    }
    bool refuse = false;
    int ideal = -1;
    std::vector<std::pair<int, int>> moves;
};

class ServiceFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        CMultiPaneFrame::RegisterPane("Top", [this](QWidget* parent) { return top = new TestPane(parent); });
        CMultiPaneFrame::RegisterPane("Bottom",
                                      [this](QWidget* parent) { return bottom = new TestPane(parent); });
        CMultiPaneFrame::RegisterPane("Refusing", [](QWidget* parent) {
            auto* pane = new TestPane(parent);
            pane->refuse = true;
            return pane;
        });
        CMultiPaneFrame::RegisterPane(CMultiPaneFrame::kCommandLineTag,
                                      [this](QWidget* parent) { return line = new TestPane(parent); });
    }
    void TearDown() override {
        // The registry outlives the fixture: leave no factory behind that points into it.
        for (const QString& tag : {QString("Top"), QString("Bottom"), QString(CMultiPaneFrame::kCommandLineTag)})
            CMultiPaneFrame::RegisterPane(tag, [](QWidget*) -> CGameView* { return nullptr; });
    }

    CSessionDoc session;
    TestPane* top = nullptr;
    TestPane* bottom = nullptr;
    TestPane* line = nullptr;
};

TEST_F(ServiceFrameTest, BuildsRegisteredPanesAndLeavesOthersOut) {
    CMultiPaneFrame frame(&session);
    const auto layout =
        CPaneLayout::MakeSplit(false, {CPaneLayout::MakeLeaf("Top"), CPaneLayout::MakeLeaf("Unknown"),
                                       CPaneLayout::MakeLeaf("Refusing"), CPaneLayout::MakeLeaf("Bottom")});
    EXPECT_EQ(frame.Build(layout), 2);
    EXPECT_EQ(frame.FindPane("Top"), top);
    EXPECT_EQ(frame.FindPane("Refusing"), nullptr);
    EXPECT_EQ(session.Views().size(), 2u); // the refusing pane left the session again
    EXPECT_EQ(top->GetMultiPaneFrame(), &frame);
    EXPECT_EQ(top->GetSessionDoc(), &session);
    EXPECT_EQ(session.GetServiceFrame(), &frame);
}

TEST_F(ServiceFrameTest, ViewsSeeTheServiceSettingsOnceCreated) {
    CMultiPaneFrame frame(&session);
    TestPane loose;
    EXPECT_EQ(loose.GetServiceSetting("urlLegend"), "");
    EXPECT_FALSE(loose.HasServiceSettings());
    EXPECT_TRUE(loose.WantsKey(16));
    EXPECT_TRUE(loose.WantsKey(20));
    EXPECT_FALSE(loose.WantsKey(21));
    EXPECT_FALSE(loose.WantsKey(65));
    EXPECT_EQ(loose.Create(nullptr), -1);
}

TEST_F(ServiceFrameTest, MoveHintsGoToTheOtherViewsOfTheFrame) {
    CMultiPaneFrame frame(&session);
    frame.Build(
        CPaneLayout::MakeSplit(true, {CPaneLayout::MakeLeaf("Top"), CPaneLayout::MakeLeaf("Bottom")}));
    top->SetDisplayedMove(7);
    top->SetHighlightedMove(3, 10, 12);
    EXPECT_TRUE(top->moves.empty());
    EXPECT_EQ(bottom->moves, (std::vector<std::pair<int, int>>{{4108, 7}, {4109, 3}}));
    EXPECT_EQ(frame.GetDisplayedMove(), 7);
    EXPECT_EQ(frame.GetHighlightFirst(), 10);
    EXPECT_EQ(frame.GetHighlightLast(), 12);
    frame.SetMatchLogView(bottom);
    frame.ClearMatchLogView(top);
    EXPECT_EQ(frame.GetMatchLogView(), bottom);
}

TEST_F(ServiceFrameTest, CommandLineTakesItsIdealHeightWhenItTellsTheSplitter) {
    CMultiPaneFrame frame(&session);
    frame.Build(CPaneLayout::MakeSplit(false, {CPaneLayout::MakeLeaf("Top"), CPaneLayout::MakeLeaf("Bottom"),
                                               CPaneLayout::MakeLeaf(CMultiPaneFrame::kCommandLineTag)}));
    frame.resize(400, 600);
    frame.show();
    line->ideal = 40;
    line->NotifyHeightChanged();
    auto* splitter = qobject_cast<QSplitter*>(line->parentWidget());
    ASSERT_TRUE(splitter);
    const QList<int> sizes = splitter->sizes();
    ASSERT_EQ(sizes.size(), 3);
    EXPECT_EQ(sizes[2], 40);
    EXPECT_NEAR(sizes[0], sizes[1], 2); // the others share the rest
    line->ideal = 100;
    EXPECT_TRUE(platform::SendMessageTo(splitter, CGameView::kMsgCommandLineHeight));
    EXPECT_EQ(splitter->sizes()[2], 100);
    frame.ActivateCommandLine(true);
    EXPECT_EQ(session.GetServiceFrame(), &frame);
}

// ---- Main frame: deferred work, broadcasts, the browser

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
    }
    CMainFrame frame;
};

TEST_F(MainFrameTest, DeferredBoxesShowAfterTheCurrentEvent) {
    EXPECT_EQ(GetMainFrame(), &frame);
    EXPECT_NE(PostDeferredMessageBox("Later, please.", platform::MB_OK | platform::MB_ICONEXCLAMATION, 7), 0);
    EXPECT_TRUE(testenv::scriptedUi().asked().empty());
    EXPECT_EQ(frame.PendingDeferredWork(), 1);
    RunPosted();
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text, "Later, please.");
    EXPECT_EQ(frame.PendingDeferredWork(), 0);
}

TEST_F(MainFrameTest, DeferredCallsRunUnlessTheirObjectIsGone) {
    auto captured = std::make_shared<int>(0);
    std::weak_ptr<int> watch = captured;
    int ran = 0;
    auto alive = std::make_unique<QObject>();
    auto doomed = std::make_unique<QObject>();
    frame.PostInvitationCall(alive.get(), [&ran, captured] { ran += 1; });
    frame.PostInvitationCall(doomed.get(), [&ran, captured] { ran += 10; });
    frame.PostDeferredCall(nullptr, [&ran] { ran += 100; });
    captured.reset();
    doomed.reset();
    RunPosted();
    EXPECT_EQ(ran, 101);
    EXPECT_TRUE(watch.expired()); // the records were freed, run or not
    EXPECT_EQ(frame.PendingDeferredWork(), 0);
}

TEST_F(MainFrameTest, WithoutAMainFrameTheBoxShowsAtOnce) {
    // A second frame replaces the first as the main one; destroying it leaves none.
    auto other = std::make_unique<CMainFrame>();
    other.reset();
    EXPECT_EQ(GetMainFrame(), nullptr);
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDYES);
    EXPECT_EQ(PostDeferredMessageBox("Now.", platform::MB_YESNO), platform::IDYES);
    EXPECT_EQ(testenv::scriptedUi().asked().size(), 1u);
}

TEST_F(MainFrameTest, OnlyWebAndMailAddressesLeaveTheProgram) {
    QStringList opened;
    CMainFrame::SetBrowserOpener([&](const QUrl& url) {
        opened.append(url.toString());
        return true;
    });
    EXPECT_TRUE(frame.OpenInExternalBrowser("https://example.org/help?x=1"));
    EXPECT_TRUE(frame.OpenInExternalBrowser("mailto:someone@example.org"));
    EXPECT_TRUE(frame.OpenInExternalBrowser("example.org/news"));
    EXPECT_FALSE(frame.OpenInExternalBrowser("file:///etc/passwd"));
    EXPECT_FALSE(frame.OpenInExternalBrowser("javascript:alert(1)"));
    EXPECT_FALSE(frame.OpenInExternalBrowser("-n --evil"));
    EXPECT_EQ(opened, (QStringList{"https://example.org/help?x=1", "mailto:someone@example.org",
                                   "http://example.org/news"}));
    // By default the address goes to the browser launcher.
    CMainFrame::SetBrowserOpener(nullptr);
    webtest::RecordingLauncher launcher;
    EXPECT_TRUE(frame.OpenInExternalBrowser("https://example.org"));
    EXPECT_EQ(launcher.OpenedAddresses(), QStringList{"https://example.org"});
}

class Receiver : public QWidget, public platform::MessageTarget {
public:
    using QWidget::QWidget;
    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object*) override {
        got.push_back({id, wParam});
        return true;
    }
    std::vector<std::pair<platform::MessageId, qintptr>> got;
};

TEST(ClientAppBroadcast, ReachesTheMainWindowItsOwnedWindowsAndTheExtraWindow) {
    testenv::ResetSettings();
    testenv::scriptedUi().clear();
    CClientApp app;
    ASSERT_TRUE(app.InitInstance(CClientApp::Options{})); // the login dialog it offers is cancelled
    RunPosted();
    CMainFrame* frame = app.GetMainFrame();
    ASSERT_TRUE(frame);
    auto* child = new Receiver(frame->centralWidget());
    auto* owned = new Receiver(frame);
    owned->setWindowFlags(Qt::Tool);
    Receiver extra;
    Receiver stranger;
    app.SetExtraBroadcastWindow(&extra);
    const platform::MessageId id = platform::RegisterMessage("KELDERWICK_FONT_PROPERTIES_CHANGED");
    app.BroadcastToWindows(id, 3);
    ASSERT_EQ(child->got.size(), 1u);
    EXPECT_EQ(child->got[0], std::make_pair(id, qintptr(3)));
    EXPECT_EQ(owned->got.size(), 1u);
    EXPECT_EQ(extra.got.size(), 1u);
    EXPECT_TRUE(stranger.got.empty());
    app.SetExtraBroadcastWindow(nullptr);
    app.BroadcastToWindows(id, 4);
    EXPECT_EQ(extra.got.size(), 1u);
    // The preference pages, below the application, reach the same windows.
    BroadcastToApplicationWindows(QStringLiteral("KELDERWICK_FONT_PROPERTIES_CHANGED"), 5);
    ASSERT_EQ(child->got.size(), 3u);
    EXPECT_EQ(child->got[2], std::make_pair(id, qintptr(5)));
    EXPECT_TRUE(stranger.got.empty());
    app.ExitInstance();
}

// ---- Placement and cascading

class PlacementOwner : public platform::Object {
public:
    const char* RuntimeClassName() const override { return "CPlacementOwner"; }
};

TEST(WindowPlacement, RoundTripsRelativeToAnotherWindowAndFallsBackToTheDefault) {
    testenv::ResetSettings();
    PlacementOwner owner;
    QWidget anchor;
    anchor.setGeometry(50, 60, 300, 200);
    QWidget window;
    EXPECT_FALSE(LoadWindowPlacement(&owner, &window, &anchor, platform::Rect{10, 20, 110, 90}));
    EXPECT_EQ(window.geometry(), QRect(anchor.mapToGlobal(QPoint(10, 20)), QSize(100, 70)));

    window.setGeometry(anchor.mapToGlobal(QPoint(30, 40)).x(), anchor.mapToGlobal(QPoint(30, 40)).y(), 200,
                       150);
    SaveWindowPlacement(&owner, &window, &anchor, true);
    EXPECT_EQ(GetSettingsStore().GetString("CPlacementOwner", "Normal Rect"), "30 230 40 190");
    EXPECT_EQ(GetSettingsStore().GetIntEx("CPlacementOwner", "Window State", 0), ShowCommand::Normal);

    QWidget again;
    EXPECT_TRUE(LoadWindowPlacement(&owner, &again, &anchor, platform::Rect{0, 0, 10, 10}));
    EXPECT_EQ(again.geometry(), QRect(anchor.mapToGlobal(QPoint(30, 40)), QSize(200, 150)));

    // A rectangle far off every screen is not used.
    GetSettingsStore().WriteString("CPlacementOwner", "Normal Rect", "90000 90200 90000 90100");
    QWidget lost;
    EXPECT_FALSE(LoadWindowPlacement(&owner, &lost, nullptr, platform::Rect{10, 300, 110, 400}));
    EXPECT_EQ(lost.geometry(), QRect(10, 300, 100, 100));
}

// A window lies on its screen frame and all, made smaller when it must: placed from pixels meant for
// scale 1 on a scale-2 screen, or from a place stored on a taller screen than this one.
TEST(WindowPlacement, AWindowLiesOnItsScreenFrameAndAll) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const bool stored : {false, true}) {
        testenv::ResetSettings();
        PlacementOwner owner;
        const platform::Rect rect =
            stored ? platform::Rect{area.left() + 20, area.bottom() - 100, area.left() + 320, area.bottom() + 200}
                   : platform::Rect{area.left() + 100, area.top() + 100, area.left() + 100 + 2 * area.width(),
                                    area.top() + 2 * area.height()};
        if (stored)
            GetSettingsStore().WriteObjectRect(&owner, "Normal Rect", rect);
        QWidget window;
        EXPECT_EQ(LoadWindowPlacement(&owner, &window, nullptr, rect), stored);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_TRUE(area.contains(window.frameGeometry())) << stored << " " << window.frameGeometry().bottom();
        EXPECT_GT(window.frameGeometry().height(), window.height()) << "the frame counts";
    }
}

TEST(WindowPlacement, CascadeMovesOffAnOccupiedCornerAndGivesUpAfterTwoWraps) {
    QWidget parent;
    parent.resize(400, 300);
    auto* first = new QWidget(&parent);
    first->setGeometry(20, 20, 100, 80);
    auto* second = new QWidget(&parent);
    second->setGeometry(20, 20, 100, 80);
    parent.show();
    const int step = second->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, second) * 5 / 4;
    ASSERT_GT(step, 0);
    EXPECT_TRUE(CascadeWindow(&parent, &parent, second));
    EXPECT_EQ(second->pos(), QPoint(20 + step, 20 + step));
    auto* third = new QWidget(&parent);
    third->setGeometry(20, 20, 100, 80);
    third->show();
    EXPECT_TRUE(CascadeWindow(&parent, &parent, third));
    EXPECT_EQ(third->pos(), QPoint(20 + 2 * step, 20 + 2 * step));

    // Every corner the walk can reach is taken: after two wraps it gives up and stays.
    QWidget crowded;
    crowded.resize(50 + 3 * step, 50 + 3 * step);
    for (int k = 0; k <= 3; ++k) {
        auto* blocker = new QWidget(&crowded);
        blocker->setGeometry(k * step, k * step, 50, 50);
    }
    auto* late = new QWidget(&crowded);
    late->setGeometry(0, 0, 50, 50);
    crowded.show();
    EXPECT_FALSE(CascadeWindow(&crowded, &crowded, late));
    EXPECT_EQ(late->pos(), QPoint(0, 0));
}

TEST(KelderFrameWnd, OpensAtItsDefaultPlaceAndClosingDestroysIt) {
    testenv::ResetSettings();
    CMainFrame main;
    main.setGeometry(0, 0, 800, 600);
    QPointer<CKelderFrameWnd> floating = new CKelderFrameWnd;
    EXPECT_EQ(floating->parentWidget(), &main);
    floating->InitialUpdateAndPlace(nullptr, true);
    EXPECT_EQ(floating->geometry().size(), QSize(300, 275));
    EXPECT_EQ(floating->geometry().topLeft(), main.mapToGlobal(QPoint(100, 100)));
    floating->SavePlacement();
    EXPECT_EQ(GetSettingsStore().GetString("CKelderFrameWnd", "Normal Rect"), "100 400 100 375");
    floating->close();
    RunPosted();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(floating.isNull());
}

// ---- Login dialog

TEST(LoginDialog, ChecksItsFieldsAndRemembersAllButThePassword) {
    testenv::ResetSettings();
    testenv::scriptedUi().clear();
    CLoginDlg dialog;
    dialog.EnsureInitialized();
    EXPECT_EQ(dialog.GetItemText(CLoginDlg::kServerId), "127.0.0.1:4114");
    dialog.SetItemText(CLoginDlg::kNicknameId, "no good");
    dialog.SetItemText(CLoginDlg::kPasswordId, "pw");
    EXPECT_EQ(dialog.Press(platform::IDOK), 0);
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text, "A nickname has 1 to 24 letters and digits.");

    dialog.SetItemText(CLoginDlg::kServerId, "example.org");
    dialog.SetItemText(CLoginDlg::kNicknameId, "alice");
    EXPECT_EQ(dialog.Press(platform::IDOK), 0);
    dialog.SetItemText(CLoginDlg::kServerId, "example.org:4000");
    EXPECT_EQ(dialog.Press(platform::IDOK), platform::IDOK);
    EXPECT_EQ(dialog.m_host, "example.org");
    EXPECT_EQ(dialog.m_port, 4000);
    EXPECT_EQ(dialog.m_password, "pw");

    CLoginDlg next;
    next.EnsureInitialized();
    EXPECT_EQ(next.GetItemText(CLoginDlg::kServerId), "example.org:4000");
    EXPECT_EQ(next.GetItemText(CLoginDlg::kNicknameId), "alice");
    EXPECT_EQ(next.GetItemText(CLoginDlg::kPasswordId), "");
    EXPECT_FALSE(GetSettingsStore().GetString("Login", "strPassword").contains("pw"));
}

} // namespace
