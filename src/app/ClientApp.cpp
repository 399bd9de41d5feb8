#include "app/ClientApp.h"

#include "app/GameRoom.h"
#include "app/KelderDocManager.h"
#include "app/LoginDlg.h"
#include "app/MainFrame.h"
#include "frame/MultiPaneFrame.h"
#include "app/SessionGameLink.h"
#include "frame/TwoPlayerGameDocTemplate.h"
#include "frame/WindowPlacement.h"
#include "game/BackgammonDoc.h"
#include "board/BgClientView.h"
#include "chat/CommandLineView.h"
#include "chat/ChatLog.h"
#include "chat/TalkDoc.h"
#include "lobby/BlindSubDocument.h"
#include "lobby/MatchBoardView.h"
#include "lobby/RelationsSubDoc.h"
#include "lobby/invite/BackgammonInviteDlg.h"
#include "lobby/invite/ContinueSessionController.h"
#include "lobby/invite/MatchInviteDlg.h"
#include "lobby/invite/InvitationManager.h"
#include "mail/MessageMailboxWnd.h"
#include "mail/MessagingSubDocument.h"
#include "platform/Paths.h"
#include "platform/PostCall.h"
#include "platform/Registry.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "prefs/BgColorScheme.h"
#include "prefs/IconManager.h"
#include "prefs/TipDlg.h"
#include "board/BackgammonPropertySheet.h"
#include "records/BgMatchLogPrintOptsPage.h"
#include "records/BGPropDoc.h"
#include "records/BGPropositionDlg.h"
#include "records/BGPropositionDocTemplate.h"
#include "records/BGPropositionView.h"
#include "records/BgMatchLogView.h"
#include "records/MatchExports.h"
#include "session/InputActivityMonitor.h"
#include "session/SessionDoc.h"
#include "game/GameDoc.h"
#include "session/StateDoc.h"
#include "support/SettingsStore.h"
#include "support/Utilities.h"
#include "support/VersionInfo.h"
#include "support/WindowBroadcast.h"
#include "support/dialogs/QtDialogFit.h"

#include "web/BrowserLauncher.h"
#include "web/MessOfTheDayBDlg.h"
#include "lobby/PlayerInfoSubDoc.h"
#include "web/WebAddress.h"
#include "web/WebPanes.h"

#include "version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>

namespace {

CClientApp* g_app = nullptr;

CClientApp::DocumentOpener& documentOpener() {
    static CClientApp::DocumentOpener opener;
    return opener;
}

} // namespace

CClientApp* GetClientApp() {
    return g_app;
}

CMultiPaneFrame* LoadServiceUI(CSessionDoc* session, int flags) {
    return g_app ? g_app->LoadServiceUI(session, flags) : nullptr;
}

std::optional<CClientApp::Options> CClientApp::ParseCommandLine(const QStringList& arguments,
                                                                QString* error) {
    QCommandLineParser parser;
    const QCommandLineOption server(QStringLiteral("server"), QStringLiteral("Server to log in to."),
                                    QStringLiteral("host:port"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("Nickname to log in with."),
                                  QStringLiteral("nickname"));
    parser.addOption(server);
    parser.addOption(user);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A match or proposition file to open."));
    auto fail = [&](const QString& why) -> std::optional<Options> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    Options options;
    if (parser.isSet(server) && !ParseServerAddress(parser.value(server), options.host, options.port))
        return fail(QStringLiteral("--server needs host:port, not \"%1\".").arg(parser.value(server)));
    options.nickname = parser.value(user);
    if (parser.isSet(user) && !IsValidUserName(options.nickname))
        return fail(QStringLiteral("A nickname has 1 to 24 letters and digits."));
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return fail(QStringLiteral("Only one file can be opened."));
    options.file = files.value(0);
    return options;
}

CClientApp::CClientApp(QObject* parent) : QObject(parent), m_docManager(std::make_unique<CKelderDocManager>()) {
    Q_ASSERT(!g_app);
    g_app = this;
}

CClientApp::~CClientApp() {
    m_docManager.reset();
    SetWindowBroadcaster(nullptr);
    endSession();
    delete m_mainFrame.data();
    if (m_soundPlayer)
        platform::SetSoundPlayer(m_previousSoundPlayer);
    if (m_gameModule && &GetGameModuleInfo() == m_gameModule.get())
        SetGameModuleInfo(nullptr);
    if (g_app == this)
        g_app = nullptr;
}

void CClientApp::registerBuiltInPanes() {
    // The lobby's players: the match board.
    CMultiPaneFrame::RegisterPane(QString::fromLatin1(CLobbyUserListView::kPaneTag),
                                  [](QWidget* parent) { return new CBGMatchBoardView(parent); });
    RegisterChatPanes();
    RegisterWebPanes();
    // The panes of a game room.
    CBgClientView::RegisterPane();
    CBgMatchLogView::RegisterPane();
    RegisterMatchExports();
    // The match log's print options are a page of the backgammon settings.
    CBackgammonPropertySheet::SetPrintOptionsPageFactory(
        [] { return std::make_unique<CBgMatchLogPrintOptsPage>(); });
    CBGPropositionView::RegisterPane();
    RegisterMatchWindowTemplate();
}

void RegisterMatchWindowTemplate() {
    using Item = CTwoPlayerGameDocTemplate::MenuItem;
    CTwoPlayerGameDocTemplate::RegisterMenu(
        kMatchWindowMenu,
        {{QStringLiteral("&Game"),
          {Item{CMultiPaneFrame::kCmdLeaveRoom, QStringLiteral("&Leave Match"),
                QStringLiteral("Leave this game room and go back to the lobby")},
           Item{},
           Item{CBgClientView::kCmdBearOffEquity, QStringLiteral("&Bear-off Equity..."),
                QStringLiteral("Ask the server for the chance to bear off first")}}},
         {QStringLiteral("&Match Log"),
          {Item{CMatchLogView::kCmdNextMove, QStringLiteral("&Next Move"), QStringLiteral("Go to the next move")},
           Item{CMatchLogView::kCmdPreviousMove, QStringLiteral("&Previous Move"),
                QStringLiteral("Go to the previous move")},
           Item{CMatchLogView::kCmdCurrentMove, QStringLiteral("&Current Move"),
                QStringLiteral("Go to the current move")},
           Item{},
           Item{CMatchLogView::kCmdGameStart, QStringLiteral("&Start of Game"),
                QStringLiteral("Go to the start of the game")},
           Item{CMatchLogView::kCmdNextGame, QStringLiteral("Next &Game"),
                QStringLiteral("Go to the first move in the next game")},
           Item{},
           Item{CBgMatchLogView::kCmdCopyMatch, QStringLiteral("Copy &Match"),
                QStringLiteral("Copy the match to the clipboard")},
           Item{CBgMatchLogView::kCmdExport, QStringLiteral("&Export..."),
                QStringLiteral("Save the match as a Rich Text Format file")},
           Item{},
           Item{CBgMatchLogView::kCmdPrint, QStringLiteral("&Print..."),
                QStringLiteral("Print the match or the current position")},
           Item{CBgMatchLogView::kCmdPrintPreview, QStringLiteral("Print Pre&view"),
                QStringLiteral("Show the printed match on screen")},
           Item{CMatchLogView::kCmdPrintedPositions, QStringLiteral("Printed Boar&d Positions"),
                QStringLiteral("View board positions that will be printed in the Match Log View")},
           Item{},
           Item{CMatchLogView::kCmdProperties, QStringLiteral("P&roperties..."),
                QStringLiteral("Change the match log's font and colours")}}}});
    CTwoPlayerGameDocTemplate::Register(CTwoPlayerGameDocTemplate(
        kMatchWindowMenu, QStringLiteral("Backgammon"), QString::fromLatin1(CBackgammonDoc::kClassName)));
    // The proposition window: its file and its board's set-up commands.
    CBGPropositionDocTemplate::Register();
}

void CClientApp::registerSessionFeatures() {
    RegisterSessionFeature([](CSessionDoc& session) { CRelationsSubDoc::Attach(session); });
    // The owners of the blinded and gagged players' windows, in that order.
    RegisterSessionFeature([](CSessionDoc& session) { CBlindSubDocument::Attach(session); });
    RegisterSessionFeature([](CSessionDoc& session) { CGagSubDocument::Attach(session); });
    RegisterSessionFeature([](CSessionDoc& session) { CMOTDSubDocument::Attach(session); });
    RegisterSessionFeature([](CSessionDoc& session) { CInvitationManager::Attach(session); });
    RegisterSessionFeature([](CSessionDoc& session) { CTalkDoc::Attach(session); });
    RegisterSessionFeature([](CSessionDoc& session) { CPlayerInfoSubDoc::Attach(session); });
    // Backgammon invitations have their own dialog; the plain match dialog stays for other kinds.
    RegisterBackgammonInviteDialog();
    RegisterInvitationDialogs();
    // Propositions are invitations of their own kind, with the proposition dialog on both sides.
    RegisterPropositionDialog();
    // Money sessions agree on each next game and its limit.
    RegisterContinueSession();
    // Mail: the store opens for the user who logged in; the main window's mail button follows the count
    // of messages waiting on the server.
    CMessageMailboxWnd::Register();
    RegisterSessionFeature([this](CSessionDoc& session) {
        CMessagingSubDocument::Attach(session);
        if (m_mainFrame)
            m_mainFrame->WatchMailCount(&session);
    });
    // User icons come from the service's web host; until it is known the lists show none.
    RegisterSessionFeature([](CSessionDoc&) { GetIconManager().SetWebHost(ServiceWebHost()); });
}

void CClientApp::RegisterSessionFeature(SessionFeature feature) {
    if (feature)
        m_sessionFeatures.push_back(std::move(feature));
}

bool CClientApp::InitInstance(const Options& options) {
    m_startTime = QDateTime::currentDateTime();
    QApplication::setApplicationDisplayName(QStringLiteral("Norvale"));
    GetSettingsStore(); // made now, so that a broken settings file is noticed before any window
    KeepQtDialogsOnScreen(); // Qt's print, page and file dialogs fit the screen as the program's own do
    InitColorSchemeStore(); // the board schemes, before any board is shown
    m_soundPlayer = platform::CreateSoundPlayer();
    m_previousSoundPlayer = platform::SetSoundPlayer(m_soundPlayer.get());
    registerBuiltInPanes();
    registerSessionFeatures();
    m_gameModule = std::make_unique<CFactoryGameModuleInfo>();
    SetGameModuleInfo(m_gameModule.get());

    m_mainFrame = new CMainFrame;
    m_mainFrame->Commands().AddTarget(this);
    // The preference pages tell the windows through here.
    SetWindowBroadcaster([this](platform::MessageId id, qintptr wParam, platform::Object* lParam) {
        BroadcastToWindows(id, wParam, lParam);
    });
    connect(m_mainFrame, &CMainFrame::loginRequested, this, [this] { ShowLoginDialog(); });
    connect(m_mainFrame, &CMainFrame::logoutRequested, this, &CClientApp::LogOut);
    connect(m_mainFrame, &CMainFrame::fileOpenRequested, this, &CClientApp::OnFileOpen);
    LoadWindowPlacement(m_mainFrame, m_mainFrame, nullptr, platform::Rect{40, 40, 1000, 720});
    m_mainFrame->show();
    noticeDamagedSettings();
    // Settings too large for their file are not written; the user hears of it once.
    GetSettingsStore().SetSaveRefusedHandler([frame = QPointer<CMainFrame>(m_mainFrame)](const QString& text) {
        platform::PostCall(frame, [text] {
            ::DoMessageBox(text, platform::MB_OK | platform::MB_ICONEXCLAMATION, 0);
        });
    });
    CInputActivityMonitor::Instance().Install();
    // The tip of the day comes first, once the main window shows, unless the user turned it off. It
    // holds up no other window: the news and an invitation that open above it take the user's first
    // click, where a modal tip behind them would take it only to come to the front.
    if (options.file.isEmpty() && CTipDlg::ShowAtStartUp())
        platform::PostCall(m_mainFrame, [this] {
            m_startUpTip = new CTipDlg(m_mainFrame);
            connect(m_startUpTip, &QDialog::finished, m_startUpTip, &QObject::deleteLater);
            m_startUpTip->show();
        });

    if (!options.file.isEmpty()) {
        const QString path = options.file;
        platform::PostCall(m_mainFrame, [this, path] {
            if (documentOpener()) {
                if (!documentOpener()(path))
                    DoMessageBox(QStringLiteral("Cannot open %1: no part of the program reads this kind of file.")
                                     .arg(QFileInfo(path).fileName()),
                                 platform::MB_OK | platform::MB_ICONEXCLAMATION, 0);
                return;
            }
            QString error;
            if (!m_docManager || !m_docManager->OpenDocumentFile(path, &error))
                DoMessageBox(error, platform::MB_OK | platform::MB_ICONEXCLAMATION, 0);
        });
        return true;
    }
    if (!options.host.isEmpty() && !options.nickname.isEmpty()) {
        QString password = qEnvironmentVariable(kPasswordVariable);
        if (password.isEmpty() &&
            !platform::ui().Prompt(m_mainFrame, QStringLiteral("Log In"),
                                   QStringLiteral("Password for %1:").arg(options.nickname), password, true))
            return true; // the user can still log in through the File menu
        LogIn(options.host, options.port, options.nickname, password);
        return true;
    }
    // After the main window has shown itself.
    platform::PostCall(m_mainFrame, [this] { ShowLoginDialog(); });
    return true;
}

int CClientApp::ExitInstance() {
    CInputActivityMonitor::Instance().Remove();
    delete m_startUpTip.data(); // a tip left open keeps its place in the tips file, saved below
    m_docManager.reset();
    endSession();
    if (m_mainFrame)
        SaveWindowPlacement(m_mainFrame, m_mainFrame, nullptr, true);
    GetSettingsStore().Save();
    GetSettingsStore().SetSaveRefusedHandler(nullptr);
    DeleteBrowserLauncher();
    return 0;
}

void CClientApp::ShowLoginDialog(const QString& message) {
    CLoginDlg dialog(m_mainFrame);
    dialog.SetMessage(message);
    if (dialog.DoModal() != platform::IDOK)
        return;
    LogIn(dialog.m_host, dialog.m_port, dialog.m_nickname, dialog.m_password);
}

void CClientApp::closeSessionFrames(CSessionDoc* session) {
    if (!m_mainFrame)
        return;
    for (CMultiPaneFrame* frame : m_mainFrame->GetServiceFrames()) {
        if (frame->GetSession() != session)
            continue;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(frame->parentWidget()))
            delete sub;
        else
            delete frame;
    }
}

void CClientApp::OnFileOpen() {
    if (!m_docManager)
        return;
    const QString path = platform::ui().OpenFileName(m_mainFrame, QStringLiteral("Open"),
                                                     GetSettingsStore().GetPathName(QStringLiteral("SaveGame"),
                                                                                    QStringLiteral("SaveGame")),
                                                     CKelderDocManager::FileFilter());
    if (path.isEmpty())
        return;
    QString error;
    if (!m_docManager->OpenDocumentFile(path, &error))
        DoMessageBox(error, platform::MB_OK | platform::MB_ICONEXCLAMATION, 0);
}

void CClientApp::endSession() {
    if (m_session)
        closeSessionFrames(m_session.get());
    m_gameRoom.reset();
    if (m_session) {
        m_session->disconnect(this);
        m_session->Disconnect();
        m_session->SetChatLog(nullptr);
        m_chatLog.reset();
        if (CSessionDoc::GetCurrent() == m_session.get())
            CSessionDoc::SetCurrent(nullptr);
        m_session.reset();
    }
    m_wasLoggedIn = false;
    if (m_mainFrame)
        m_mainFrame->UpdateMailButton();
}

void CClientApp::LogIn(const QString& host, quint16 port, const QString& nickname, const QString& password) {
    endSession();
    // File > Log In offers the last session's server and nickname, however that one was started.
    const QString address = host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2").arg(host).arg(port)
                                                            : QStringLiteral("%1:%2").arg(host).arg(port);
    GetSettingsStore().WriteRecentString(QStringLiteral("Login"), QStringLiteral("strServer"), address);
    GetSettingsStore().WriteRecentString(QStringLiteral("Login"), QStringLiteral("strNickname"), nickname);
    m_session = std::make_unique<CSessionDoc>();
    CSessionDoc::SetCurrent(m_session.get());
    m_chatLog = std::make_unique<CChatLog>(m_session.get());
    m_session->SetChatLog(m_chatLog.get());
    m_session->GetClientNode()->Log().SetFilePath(platform::UserDataDir() + QStringLiteral("Norvale.syslog"));
    connect(m_session.get(), &CSessionDoc::loginAccepted, this, &CClientApp::onLoginAccepted);
    connect(m_session.get(), &CSessionDoc::loginRefused, this, &CClientApp::onLoginRefused);
    connect(m_session.get(), &CSessionDoc::connectionClosed, this, &CClientApp::onConnectionClosed);
    connect(m_session.get(), &CSessionDoc::serviceEntered, this, &CClientApp::onServiceEntered);
    m_gameRoom = std::make_unique<CGameRoom>(m_session.get());
    connect(m_gameRoom.get(), &CGameRoom::windowSetChanged, this, [this] {
        // Not inside the dispatch of the packet that changed the room.
        CSessionDoc* session = m_session.get();
        platform::PostCall(session, [this, session] {
            closeSessionFrames(session);
            LoadServiceUI(session, 0);
        });
    });
    connect(m_session.get(), &CSessionDoc::awayStateChanged, this, [this] { showConnectedStatus(); });
    m_server = QStringLiteral("%1:%2").arg(host).arg(port);
    CClientNode::LoginRequest request;
    request.host = host;
    request.port = port;
    request.nickname = nickname;
    request.password = password;
    request.clientVersionText = GetClientVersion();
    if (m_mainFrame)
        m_mainFrame->SetConnectionStatus(QStringLiteral("Connecting to %1...").arg(m_server));
    m_session->Connect(request);
}

void CClientApp::LogOut() {
    endSession();
    if (m_mainFrame) {
        m_mainFrame->SetConnectionStatus(QStringLiteral("Not connected"));
        m_mainFrame->setWindowTitle(QStringLiteral("Norvale"));
    }
}

void CClientApp::onLoginAccepted() {
    m_wasLoggedIn = true;
    if (!m_session)
        return;
    for (const SessionFeature& feature : m_sessionFeatures)
        feature(*m_session);
    if (!m_mainFrame)
        return;
    showConnectedStatus();
    m_mainFrame->setWindowTitle(QStringLiteral("Norvale - %1").arg(m_session->GetNickname()));
    // The window set is made once the dispatch of the acceptance is over.
    CSessionDoc* session = m_session.get();
    platform::PostCall(session, [this, session] { LoadServiceUI(session, 0); });
}

void CClientApp::showConnectedStatus() {
    if (!m_mainFrame || !m_session || !m_session->IsConnected())
        return;
    QString status = QStringLiteral("Connected to %1 as %2").arg(m_server, m_session->GetNickname());
    if (m_session->IsAway())
        status += QStringLiteral(" (away)");
    m_mainFrame->SetConnectionStatus(status);
}

void CClientApp::onLoginRefused(const QString& reason) {
    if (m_mainFrame)
        m_mainFrame->SetConnectionStatus(QStringLiteral("Not connected"));
    CLoginRefusedPacket refusal;
    if (m_session)
        refusal = m_session->GetLoginRefusal();
    refusal.reason = reason;
    // Not inside the packet dispatch: the dialogs open once it is over.
    platform::PostCall(this, [this, refusal] {
        endSession();
        if (!refusal.updateAddress.isEmpty()) {
            LaunchAutoUpdate(refusal.updateAddress, refusal.updateSize);
            if (!m_mainFrame || !m_mainFrame->isVisible())
                return; // the client is ending
        }
        ShowLoginDialog(QStringLiteral("The server refused the login: %1").arg(refusal.reason));
    });
}

void CClientApp::LaunchAutoUpdate(const QString& address, quint32 expectedSize) {
    autoupdate::Hooks hooks = m_autoUpdateHooks;
    if (hooks.webDomain.isEmpty())
        hooks.webDomain = ServiceWebDomain();
    if (autoupdate::Launch(m_mainFrame, address, expectedSize, hooks) != autoupdate::Outcome::Started)
        return;
    // The setup program replaces the client: end as the Exit command does.
    if (m_mainFrame)
        m_mainFrame->close();
}

void CClientApp::onConnectionClosed(const QString& reason, bool protocolError) {
    if (m_mainFrame) {
        m_mainFrame->SetConnectionStatus(QStringLiteral("Not connected"));
        m_mainFrame->UpdateMailButton();
    }
    const QString text = protocolError
                             ? QStringLiteral("The connection to the server was closed: %1.").arg(reason)
                             : QStringLiteral("The connection to the server ended: %1.").arg(reason);
    if (m_wasLoggedIn) {
        m_wasLoggedIn = false;
        PostDeferredMessageBox(text, platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return;
    }
    const QString server = m_server;
    platform::PostCall(this, [this, server, reason] {
        endSession();
        ShowLoginDialog(QStringLiteral("Could not log in to %1: %2.").arg(server, reason));
    });
}

void CClientApp::onServiceEntered(const QString& serviceName) {
    if (m_gameRoom)
        m_gameRoom->OnServiceEntered(serviceName);
    if (!m_mainFrame)
        return;
    // Only the windows of the session that moved: a match or proposition read from a file keeps its
    // own title.
    for (CMultiPaneFrame* frame : m_mainFrame->GetServiceFrames())
        if (frame->GetSession() == m_session.get())
            frame->UpdateTitle();
}

CMultiPaneFrame* CClientApp::LoadServiceUI(CSessionDoc* session, int flags) {
    Q_UNUSED(flags);
    if (!session || !m_mainFrame)
        return nullptr;
    std::optional<CPaneLayout> layout;
    if (const auto* document = platform::object_cast<CStateDoc>(session->GetGameDocument()))
        layout = CPaneLayout::Parse(document->GetWindowLayout());
    else if (const auto* game = platform::object_cast<CGameDoc>(session->GetGameDocument()))
        layout = CPaneLayout::Parse(game->GetWindowLayout());
    if (!layout)
        layout = CMultiPaneFrame::DefaultLobbyLayout();
    auto* frame = new CMultiPaneFrame(session);
    frame->Build(*layout);
    if (const CTwoPlayerGameDocTemplate* game = CTwoPlayerGameDocTemplate::FindFor(session->GetGameDocument()))
        game->LoadMenu(frame);
    QMdiSubWindow* sub = m_mainFrame->AddServiceFrame(
        frame, session->GetGameDocument() ? QStringLiteral("Game") : QStringLiteral("Lobby"));
    if (sub && session->GetGameDocument())
        sub->installEventFilter(new GameWindowCloser(session, sub));
    frame->ActivateCommandLine(true);
    return frame;
}

GameWindowCloser::GameWindowCloser(CSessionDoc* session, QObject* parent) : QObject(parent), m_session(session) {}

bool GameWindowCloser::eventFilter(QObject* watched, QEvent* event) {
    // The user closed a game room's window, playing or watching: he leaves the room for the lobby,
    // whose window comes back once the server has him there.
    if (event->type() == QEvent::Close && m_session && m_session->GetGameDocument() && m_session->IsConnected() &&
        !m_session->IsTransferPending())
        m_session->DetachFromGameService();
    return QObject::eventFilter(watched, event);
}

void CClientApp::BroadcastToWindows(platform::MessageId id, qintptr wParam, platform::Object* lParam) {
    QList<QWidget*> roots;
    if (m_mainFrame)
        roots.append(m_mainFrame.data());
    if (m_extraWindow)
        roots.append(m_extraWindow.data());
    platform::BroadcastMessage(roots, id, wParam, lParam);
}

void CClientApp::noticeDamagedSettings() {
    const platform::Registry& registry = GetSettingsStore().GetRegistry();
    const QString file = QDir::toNativeSeparators(registry.FilePath());
    QString text;
    switch (registry.LastLoadDamage()) {
    case platform::Registry::Damage::None: return;
    case platform::Registry::Damage::Lines:
        text = QStringLiteral("Some of your settings could not be read: the settings file \"%1\" is damaged. "
                              "The settings that could be read are in use; the file as it was is kept as "
                              "\"%1.damaged\".")
                   .arg(file);
        break;
    case platform::Registry::Damage::WholeFile:
        text = QStringLiteral("The settings file \"%1\" is far larger than a settings file can be and was not "
                              "read; the program starts with its default settings. The file is kept as "
                              "\"%1.damaged\".")
                   .arg(file);
        break;
    }
    platform::PostCall(m_mainFrame, [this, text] {
        DoMessageBox(text, platform::MB_OK | platform::MB_ICONEXCLAMATION, 0);
    });
}

int CClientApp::DoMessageBox(const QString& text, unsigned type, unsigned helpId) {
    return ::DoMessageBox(text, type, helpId);
}

void CClientApp::GetVersionStrings(QString& productVersion, QString& specialBuild, QString& privateBuild,
                                   QString& legalNotice) const {
    ::GetVersionStrings(productVersion, specialBuild, privateBuild, legalNotice);
}

QString CClientApp::GetClientVersion() const {
    return QStringLiteral("%1 Norvale for Linux").arg(NORVALE_CLIENT_VERSION_NUMBER);
}

bool CClientApp::IsColorDisplay() const {
    if (m_colorDisplay < 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        m_colorDisplay = screen && screen->depth() >= 8 ? 1 : 0;
    }
    return m_colorDisplay == 1;
}

void CClientApp::SetDocumentOpener(DocumentOpener opener) {
    documentOpener() = std::move(opener);
}

bool CClientApp::OnCommand(int id) {
    Q_UNUSED(id);
    return false;
}
