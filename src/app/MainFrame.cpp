#include "app/MainFrame.h"

#include "app/ClientApp.h"
#include "board/BackgammonPropertySheet.h"
#include "frame/MultiPaneFrame.h"
#include "frame/WindowPlacement.h"
#include "game/GameDoc.h"
#include "lobby/BlindFrameWnd.h"
#include "lobby/BlindSubDocument.h"
#include "lobby/MatchBoardView.h"
#include "lobby/RankingDlg.h"
#include "mail/MessagingSubDocument.h"
#include "platform/Color.h"
#include "platform/Paths.h"
#include "platform/PostCall.h"
#include "platform/Win32Codes.h"
#include "prefs/AboutNVDlg.h"
#include "prefs/ChangePswd.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "prefs/KWColorDlg.h"
#include "prefs/TipDlg.h"
#include "prefs/UpdateEmailDlg.h"
#include "records/BgMatchLogView.h"
#include "session/SessionDoc.h"
#include "support/MainWindow.h"
#include "support/SettingsStore.h"
#include "web/BrowserLauncher.h"
#include "web/HelpBDlg.h"
#include "web/WebAddress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QToolBar>
#include <QUrl>
#include <QWindow>

namespace {

QPointer<CMainFrame> g_mainFrame;

// The user's own browser, through the process's launcher.
bool OpenWithLauncher(const QUrl& url) { return GetBrowserLauncher().OpenUrl(url.toString(QUrl::FullyEncoded)); }

CMainFrame::BrowserOpener& browserOpener() {
    static CMainFrame::BrowserOpener opener = OpenWithLauncher;
    return opener;
}

// The picture of a mail button image; a missing file gives an empty icon. While the command is off
// the picture is faded rather than greyed, so that waiting mail stays recognisable.
QIcon mailButtonIcon(int image) {
    const QString file = image == CMainFrame::kMailImageWaiting ? QStringLiteral("bitmaps/mail-waiting.png")
                                                                 : QStringLiteral("bitmaps/mail-none.png");
    const QString path = platform::FindResourceFile(file);
    const QPixmap picture(path);
    if (path.isEmpty() || picture.isNull())
        return QIcon();
    QIcon icon(picture);
    QPixmap faded(picture.size());
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(0.5);
    painter.drawPixmap(0, 0, picture);
    painter.end();
    icon.addPixmap(faded, QIcon::Disabled);
    return icon;
}

// Passes the session's hint 4122 (the count of waiting messages changed) on to the mail button.
class MailCountView : public CSessionView {
public:
    explicit MailCountView(CMainFrame* frame) : m_frame(frame) {}
    void OnUpdate(platform::View*, int hint, platform::Object*) override {
        if (hint == CSessionDoc::kHintMailCount && m_frame)
            m_frame->UpdateMailButton();
    }
    QWidget* GetFrameWindow() const override { return m_frame; }

private:
    QPointer<CMainFrame> m_frame;
};

} // namespace

CMainFrame* GetMainFrame() {
    return g_mainFrame.data();
}

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent), m_workArea(new QMdiArea(this)), m_status(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Norvale"));
    setObjectName(QStringLiteral("CMainFrame"));
    SetWindowIcons(this, kMainIconId);
    m_workArea->setObjectName(QStringLiteral("workArea"));
    m_workArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Each window keeps its own state: activating one does not maximise it (see AddServiceFrame).
    m_workArea->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    m_workArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_workArea);
    m_status->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(m_status, 1);
    SetConnectionStatus(QStringLiteral("Not connected"));
    m_commands.AddTarget(this);
    buildMenus();
    UpdateMailButton();
    g_mainFrame = this;
    SetMainWindow(this, this); // what the lower layers see as the main window
    SetDeferredMessageBoxReceiver([](const CDeferredMessageBox& box) {
        CMainFrame* frame = GetMainFrame();
        return frame && frame->PostDeferredMessageBox(box);
    });
}

CMainFrame::~CMainFrame() {
    if (g_mainFrame == this) {
        g_mainFrame = nullptr;
        SetDeferredMessageBoxReceiver(nullptr);
    }
}

void CMainFrame::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* open = platform::MakeAction(kCmdFileOpen, QStringLiteral("&Open..."), this);
    open->setShortcut(QKeySequence::Open);
    file->addAction(open);
    QAction* save = platform::MakeAction(kCmdFileSave, QStringLiteral("&Save"), this);
    save->setShortcut(QKeySequence::Save);
    file->addAction(save);
    file->addAction(platform::MakeAction(kCmdFileSaveAs, QStringLiteral("Save &As..."), this));
    file->addAction(platform::MakeAction(CBgMatchLogView::kCmdExport, QStringLiteral("&Export..."), this));
    file->addSeparator();
    QAction* print = platform::MakeAction(CBgMatchLogView::kCmdPrint, QStringLiteral("&Print..."), this);
    print->setShortcut(QKeySequence::Print);
    file->addAction(print);
    file->addAction(platform::MakeAction(CBgMatchLogView::kCmdPrintPosition,
                                         QStringLiteral("Print current &board position"), this));
    file->addAction(platform::MakeAction(CBgMatchLogView::kCmdPrintPreview, QStringLiteral("Print Pre&view"), this));
    file->addSeparator();
    file->addAction(platform::MakeAction(kCmdLogin, QStringLiteral("&Log In..."), this));
    file->addAction(platform::MakeAction(kCmdLogout, QStringLiteral("Log Ou&t"), this));
    file->addSeparator();
    file->addAction(platform::MakeAction(kCmdChangePassword, QStringLiteral("Change Pass&word..."), this));
    file->addAction(platform::MakeAction(kCmdChangeEmail, QStringLiteral("Change E&mail Address..."), this));
    file->addSeparator();
    QAction* exit = platform::MakeAction(kCmdExit, QStringLiteral("E&xit"), this);
    exit->setShortcut(QKeySequence::Quit);
    file->addAction(exit);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(platform::MakeAction(CBgMatchLogView::kCmdCopyMatch, QStringLiteral("Copy &Match"), this));
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(platform::MakeAction(kCmdStatusBar, QStringLiteral("&Status Bar"), this));
    view->addAction(platform::MakeAction(kCmdNews, QStringLiteral("&News"), this));
    view->addAction(platform::MakeAction(kCmdUnfinishedMatches, QStringLiteral("&Unfinished Matches..."), this));
    m_mailAction = platform::MakeAction(kCmdMail, QStringLiteral("Quorl &Messages..."), this);
    m_mailAction->setStatusTip(QStringLiteral("View, compose and send messages"));
    m_mailAction->setToolTip(QStringLiteral("Read and write Quorl Messages"));
    m_mailAction->setCheckable(true);
    view->addAction(m_mailAction);
    view->addAction(platform::MakeAction(kCmdRankings, QStringLiteral("&Rankings..."), this));
    view->addAction(platform::MakeAction(kCmdPlayerInfo, QStringLiteral("&Player Info..."), this));
    view->addAction(platform::MakeAction(kCmdTallybankAccount, QStringLiteral("&Tallybank Account..."), this));
    view->addSeparator();
    view->addAction(platform::MakeAction(kCmdFriends, QStringLiteral("&Friends..."), this));
    view->addAction(platform::MakeAction(kCmdBlindedPlayers, QStringLiteral("&Blinded Players..."), this));
    view->addAction(platform::MakeAction(kCmdGaggedPlayers, QStringLiteral("&Gagged Players..."), this));
    view->addSeparator();
    view->addAction(platform::MakeAction(kCmdProperties, QStringLiteral("General Pr&operties..."), this));
    view->addAction(platform::MakeAction(kCmdEditMacros, QStringLiteral("E&dit Macros..."), this));
    view->addAction(platform::MakeAction(kCmdCustomColors, QStringLiteral("Custom &Colors..."), this));
    buildActionMenu();
    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->addAction(platform::MakeAction(kCmdPersonalInfo, QStringLiteral("Personal &Info..."), this));
    options->addAction(platform::MakeAction(kCmdBackgammonSettings, QStringLiteral("&Backgammon Settings..."), this));
    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->addAction(platform::MakeAction(kCmdCascade, QStringLiteral("&Cascade"), this));
    window->addAction(platform::MakeAction(kCmdTile, QStringLiteral("&Tile"), this));
    // Below them the open windows, so that one hidden behind a maximised window can be reached.
    connect(window, &QMenu::aboutToShow, this, [this, window] { fillWindowList(window); });
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* helpTopics = platform::MakeAction(kCmdHelp, QStringLiteral("&Help Topics"), this);
    helpTopics->setShortcut(QKeySequence::HelpContents);
    help->addAction(helpTopics);
    help->addAction(platform::MakeAction(kCmdTipOfTheDay, QStringLiteral("&Tip of the Day..."), this));
    help->addSeparator();
    help->addAction(platform::MakeAction(kCmdAbout, QStringLiteral("&About Norvale..."), this));
    for (QMenu* menu : {file, edit, view, m_actionMenu, options, window, help})
        m_commands.AttachMenu(menu);
    // Shortcuts work while the menus are closed too.
    m_commands.ConnectAction(exit);
    addAction(exit);
    for (QAction* action : {open, save, print}) {
        m_commands.ConnectAction(action);
        addAction(action);
    }
    m_commands.ConnectAction(helpTopics);
    addAction(helpTopics);
    m_toolBar = addToolBar(QStringLiteral("Main"));
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setIconSize(QSize(32, 32));
    m_toolBar->setMovable(false);
    m_toolBar->addAction(m_mailAction);
    m_commands.ConnectAction(m_mailAction);
}

void CMainFrame::WatchMailCount(CSessionDoc* session) {
    if (!m_mailCountView)
        m_mailCountView = std::make_unique<MailCountView>(this);
    if (session)
        session->AddView(m_mailCountView.get());
    else if (platform::Document* watched = m_mailCountView->GetDocument())
        watched->RemoveView(m_mailCountView.get());
    UpdateMailButton();
}

void CMainFrame::UpdateMailButton() {
    const int image = CMessagingSubDocument::GetPendingCount() >= 1 ? kMailImageWaiting : kMailImageNone;
    if (image != m_mailImage) {
        m_mailImage = image;
        m_mailAction->setIcon(mailButtonIcon(image));
    }
    m_commands.UpdateAction(m_mailAction, this);
}

void CMainFrame::buildActionMenu() {
    m_actionMenu = menuBar()->addMenu(QStringLiteral("&Action"));
    m_actionMenu->setObjectName(QStringLiteral("actionMenu"));
    const auto add = [this](int id, const QString& text) {
        QAction* action = platform::MakeAction(id, text, this);
        m_actionMenu->addAction(action);
        return action;
    };
    add(CMatchBoardView::kCmdBoardInvite, QStringLiteral("&Invite..."));
    m_propositionAction = add(CMatchBoardView::kCmdBoardProposition, QStringLiteral("&Proposition..."));
    m_talkAction = add(CMatchBoardView::kCmdBoardTalk, QStringLiteral("&Talk..."));
    add(CMatchBoardView::kCmdBoardWatch, QStringLiteral("&Watch..."));
    m_actionMenu->addSeparator();
    add(CUserListView::kCmdLegend, QStringLiteral("&Legend"));
    add(CMatchBoardView::kCmdLobbySettings, QStringLiteral("Lobby &Settings..."));
    // Before the routing brings the entries up to date: the Resume entry is the board's to make.
    connect(m_actionMenu, &QMenu::aboutToShow, this, &CMainFrame::prepareActionMenu);
    connect(m_actionMenu, &QMenu::aboutToShow, this, [this] {
        m_propositionAction->setStatusTip(CMatchBoardView::PropositionStatusText(m_propositionAction->isEnabled()));
    });
    m_boardStatus = new QLabel(this);
    m_boardStatus->setObjectName(QStringLiteral("boardStatus"));
    m_boardStatus->setTextFormat(Qt::PlainText);
    // A pane of its own, wide enough for a busy lobby's count.
    m_boardStatus->setMinimumWidth(m_boardStatus->fontMetrics().horizontalAdvance(QStringLiteral("Displaying 9999 of 99999")) + 8);
    statusBar()->addPermanentWidget(m_boardStatus);
    CMatchBoardView::SetStatusSink([frame = QPointer<CMainFrame>(this)](const QString& text) {
        if (frame)
            frame->m_boardStatus->setText(text);
    });
}

CMatchBoardView* CMainFrame::sessionBoard() const {
    CClientApp* app = GetClientApp();
    return CMatchBoardView::SessionBoard(app ? app->GetSession() : nullptr);
}

void CMainFrame::prepareActionMenu() {
    CMatchBoardView* board = sessionBoard();
    // Without a board the entry is there, off; a board puts in its own.
    if (board && m_spareResume) {
        m_actionMenu->removeAction(m_spareResume);
        delete m_spareResume;
        m_spareResume = nullptr;
    } else if (!board && !m_spareResume) {
        m_spareResume = platform::MakeAction(CMatchBoardView::kCmdBoardResume, QStringLiteral("&Resume..."), this);
        m_actionMenu->insertAction(m_talkAction, m_spareResume);
    }
    if (board)
        board->UpdateResumeEntry(m_actionMenu, m_talkAction);
}

QString CMainFrame::GetBoardStatusText() const {
    return m_boardStatus ? m_boardStatus->text() : QString();
}

bool CMainFrame::isBoardCommand(int id) {
    switch (id) {
    case CMatchBoardView::kCmdBoardInvite:
    case CMatchBoardView::kCmdBoardProposition:
    case CMatchBoardView::kCmdBoardResume:
    case CMatchBoardView::kCmdBoardWatch:
    case CMatchBoardView::kCmdBoardTalk:
    case CMatchBoardView::kCmdLobbySettings:
    case CUserListView::kCmdLegend:
        return true;
    default:
        return false;
    }
}

CGameDoc* CMainFrame::GetActiveGameDoc() const {
    const CMultiPaneFrame* frame = GetActiveServiceFrame();
    const CSessionDoc* session = frame ? frame->GetSession() : nullptr;
    return session ? platform::object_cast<CGameDoc>(session->GetGameDocument()) : nullptr;
}

bool CMainFrame::OnCommand(int id) {
    if (isBoardCommand(id)) {
        if (CMatchBoardView* board = sessionBoard())
            board->OnCommand(id);
        return true;
    }
    switch (id) {
    case kCmdFileOpen:
        emit fileOpenRequested();
        return true;
    case kCmdFileSave:
    case kCmdFileSaveAs:
        if (CGameDoc* doc = GetActiveGameDoc())
            doc->DoSaveMatch({doc, false, 0, id == kCmdFileSaveAs});
        return true;
    case CBgMatchLogView::kCmdCopyMatch:
    case CBgMatchLogView::kCmdExport:
    case CBgMatchLogView::kCmdPrint:
    case CBgMatchLogView::kCmdPrintPosition:
    case CBgMatchLogView::kCmdPrintPreview:
        if (CBgMatchLogView* log = activeMatchLog())
            log->OnCommand(id);
        return true;
    case kCmdLogin:
        if (mayEndSession()) // a new login ends the session there is
            emit loginRequested();
        return true;
    case kCmdLogout:
        if (mayEndSession())
            emit logoutRequested();
        return true;
    case kCmdExit:
        close();
        return true;
    case kCmdStatusBar:
        statusBar()->setVisible(!statusBar()->isVisible());
        return true;
    case kCmdCascade:
        m_workArea->cascadeSubWindows();
        return true;
    case kCmdTile:
        m_workArea->tileSubWindows();
        return true;
    case kCmdProperties:
        ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kFontPage, kFontKindChatView);
        return true;
    case kCmdEditMacros:
        ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kMacrosPage, kFontKindChatView);
        return true;
    case kCmdBackgammonSettings:
        ShowBackgammonSettings(this);
        return true;
    case kCmdAbout: {
        CAboutNVDlg about(this);
        about.DoModal();
        return true;
    }
    case kCmdTipOfTheDay: {
        // The tip shown at start-up may still be open: the user is taken to it rather than given two.
        for (CTipDlg* open : findChildren<CTipDlg*>(QString(), Qt::FindDirectChildrenOnly))
            if (open->isVisible()) {
                open->raise();
                open->activateWindow();
                return true;
            }
        CTipDlg tip(this);
        tip.DoModal();
        return true;
    }
    case kCmdCustomColors: {
        // The chooser on its own: what the user keeps is the set of custom colours.
        CKWColorDlg colors(platform::RGB(255, 255, 255), this);
        colors.setWindowTitle(QStringLiteral("Custom Colors"));
        colors.DoModal();
        return true;
    }
    case kCmdChangePassword:
        changePassword();
        return true;
    case kCmdHelp:
        showHelp();
        return true;
    case kCmdNews:
    case kCmdUnfinishedMatches:
    case kCmdPlayerInfo:
    case kCmdPersonalInfo:
    case kCmdTallybankAccount:
    case kCmdMail:
        if (CSessionDoc* session = connectedSession())
            session->RouteCommandToSubDocuments(id);
        return true;
    case kCmdRankings:
        if (CSessionDoc* session = connectedSession())
            CBGDisplayRankingDlg::Open(session, this);
        return true;
    case kCmdChangeEmail:
        if (CSessionDoc* session = connectedSession())
            CUpdateEmailDlg::Open(session, session->GetNickname(), QString(), this);
        return true;
    case kCmdFriends:
        if (CSessionDoc* session = connectedSession())
            CAffinityFrameWnd::ShowFriends(*session);
        return true;
    case kCmdBlindedPlayers:
    case kCmdGaggedPlayers:
        if (CRelationWindowOwner* owner = relationWindowOwner(id))
            owner->ToggleWindow();
        return true;
    default:
        return false;
    }
}

CRelationWindowOwner* CMainFrame::relationWindowOwner(int command) const {
    CClientApp* app = GetClientApp();
    CSessionDoc* session = app ? app->GetSession() : nullptr;
    if (command == kCmdBlindedPlayers)
        return CBlindSubDocument::Find(session);
    if (command == kCmdGaggedPlayers)
        return CGagSubDocument::Find(session);
    return nullptr;
}

CBgMatchLogView* CMainFrame::activeMatchLog() const {
    const CMultiPaneFrame* frame = GetActiveServiceFrame();
    return frame ? qobject_cast<CBgMatchLogView*>(frame->GetMatchLogView()) : nullptr;
}

CSessionDoc* CMainFrame::connectedSession() const {
    CClientApp* app = GetClientApp();
    CSessionDoc* session = app ? app->GetSession() : nullptr;
    return session && session->IsConnected() ? session : nullptr;
}

void CMainFrame::showHelp() {
    if (m_help) {
        m_help->showNormal();
        m_help->raise();
        m_help->activateWindow();
        return;
    }
    // The help address is a setting of the service the user is in, when he is in one.
    CClientApp* app = GetClientApp();
    auto* help = new CHelpBDlg(app ? app->GetSession() : nullptr, this);
    m_help = help;
    help->show();
}

void CMainFrame::changePassword() {
    if (!connectedSession())
        return;
    CChangePswd dialog(this);
    if (dialog.DoModal() != platform::IDOK)
        return;
    // The session may have ended while the dialog was open.
    if (!dialog.SendChange(connectedSession()))
        ::DoMessageBox(QStringLiteral("Your password could not be changed: the connection to the server is closed."),
                       platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

bool CMainFrame::OnUpdateCommand(int id, platform::CommandState& state) {
    const CClientApp* app = GetClientApp();
    const bool connected = app && app->GetSession() && app->GetSession()->IsConnected();
    if (isBoardCommand(id)) {
        CMatchBoardView* board = connected ? sessionBoard() : nullptr;
        state.enabled = false;
        if (board)
            board->OnUpdateCommand(id, state);
        return true;
    }
    switch (id) {
    case kCmdFileOpen:
        return true;
    case kCmdFileSave:
    case kCmdFileSaveAs: {
        const CGameDoc* doc = GetActiveGameDoc();
        state.enabled = doc && doc->HasContentToSave();
        return true;
    }
    case CBgMatchLogView::kCmdCopyMatch:
    case CBgMatchLogView::kCmdExport:
    case CBgMatchLogView::kCmdPrint:
    case CBgMatchLogView::kCmdPrintPosition:
    case CBgMatchLogView::kCmdPrintPreview:
        state.enabled = false;
        if (CBgMatchLogView* log = activeMatchLog())
            log->OnUpdateCommand(id, state);
        return true;
    case kCmdLogin:
        state.enabled = !connected;
        return true;
    case kCmdLogout:
        state.enabled = connected;
        return true;
    case kCmdCascade:
    case kCmdTile:
        state.enabled = !m_workArea->subWindowList().isEmpty();
        return true;
    case kCmdStatusBar:
        state.checkable = true;
        state.checked = statusBar()->isVisible();
        return true;
    case kCmdChangePassword:
    case kCmdChangeEmail:
    case kCmdNews:
    case kCmdUnfinishedMatches:
    case kCmdRankings:
    case kCmdPlayerInfo:
    case kCmdPersonalInfo:
    case kCmdTallybankAccount:
        state.enabled = connected;
        return true;
    case kCmdMail: {
        // The mailbox opens while the user is in a service and the mail windows can be made.
        CSessionDoc* session = connected ? app->GetSession() : nullptr;
        const CMessagingSubDocument* mail = CMessagingSubDocument::Find(session);
        state.enabled = session && session->GetServiceActive() != 0 && mail && mail->CanToggleMailbox();
        state.checkable = true;
        state.checked = mail && mail->IsMailboxVisible();
        return true;
    }
    case kCmdHelp:
        return true;
    case kCmdFriends:
        state.enabled = connected && (app->GetSession()->GetServiceActive() ||
                                      CAffinityFrameWnd::Find(app->GetSession()));
        return true;
    case kCmdBlindedPlayers:
    case kCmdGaggedPlayers: {
        const CRelationWindowOwner* owner = relationWindowOwner(id);
        state.checkable = true;
        state.checked = owner && owner->IsWindowOpen();
        state.enabled = owner && owner->CanToggleWindow();
        return true;
    }
    case kCmdExit:
    case kCmdAbout:
    case kCmdTipOfTheDay:
    case kCmdCustomColors:
    case kCmdProperties:
    case kCmdEditMacros:
    case kCmdBackgammonSettings:
        return true;
    default:
        return false;
    }
}

bool CMainFrame::OnMessage(platform::MessageId id, qintptr, platform::Object*) {
    // Palette messages have nothing to do on a true-colour display; they are taken and dropped.
    return id == kMsgPalette;
}

bool CMainFrame::PostDeferredMessageBox(const CDeferredMessageBox& box) {
    ++m_pending;
    platform::PostCall(this, [this, box] {
        --m_pending;
        OnDeferredMessageBox(box);
    });
    return true;
}

int CMainFrame::OnDeferredMessageBox(const CDeferredMessageBox& box) {
    ::OnDeferredMessageBox(box);
    return 0;
}

void CMainFrame::runDeferred(QObject* object, std::function<void()> function) {
    ++m_pending;
    const bool guarded = object != nullptr;
    QPointer<QObject> guard(object);
    platform::PostCall(this, [this, guarded, guard, function = std::move(function)] {
        --m_pending;
        if (!guarded || guard)
            function();
    });
}

void CMainFrame::PostDeferredCall(QObject* object, std::function<void()> function) {
    runDeferred(object, std::move(function));
}

void CMainFrame::PostInvitationCall(QObject* object, std::function<void()> function) {
    runDeferred(object, std::move(function));
}

bool CMainFrame::OpenInExternalBrowser(const QString& address) {
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    if (!IsExternallyOpenable(url))
        return false;
    return browserOpener() && browserOpener()(url);
}

void CMainFrame::SetBrowserOpener(BrowserOpener opener) {
    browserOpener() = opener ? std::move(opener) : BrowserOpener(OpenWithLauncher);
}

void CMainFrame::fillWindowList(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (action->property("windowList").toBool())
            delete action;
    }
    const QList<QMdiSubWindow*> windows = m_workArea->subWindowList();
    if (windows.isEmpty())
        return;
    QAction* separator = menu->addSeparator();
    separator->setProperty("windowList", true);
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* sub = windows[i];
        const QString title = sub->widget() ? sub->widget()->windowTitle() : sub->windowTitle();
        QAction* action = menu->addAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title) : title);
        action->setProperty("windowList", true);
        action->setCheckable(true);
        action->setChecked(sub == m_workArea->activeSubWindow());
        connect(action, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
            if (sub) {
                m_workArea->setActiveSubWindow(sub);
                sub->raise();
            }
        });
    }
}

QMdiSubWindow* CMainFrame::AddServiceFrame(CMultiPaneFrame* frame, const QString& kind) {
    const QString section = QStringLiteral("CMultiPaneFrame");
    const QString value = QStringLiteral("Maximized ") + kind;
    QMdiSubWindow* sub = m_workArea->addSubWindow(frame);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(windowIcon());
    if (GetSettingsStore().GetBool(section, value, true))
        sub->showMaximized();
    else
        sub->show();
    m_workArea->setActiveSubWindow(sub);
    // What the user makes of the window is how the next one of its kind opens.
    connect(sub, &QMdiSubWindow::windowStateChanged, this,
            [section, value](Qt::WindowStates, Qt::WindowStates now) {
                if (!(now & Qt::WindowMinimized))
                    GetSettingsStore().WriteBool(section, value, bool(now & Qt::WindowMaximized));
            });
    return sub;
}

CMultiPaneFrame* CMainFrame::GetActiveServiceFrame() const {
    if (QMdiSubWindow* active = m_workArea->activeSubWindow())
        return qobject_cast<CMultiPaneFrame*>(active->widget());
    const std::vector<CMultiPaneFrame*> frames = GetServiceFrames();
    return frames.empty() ? nullptr : frames.front();
}

std::vector<CMultiPaneFrame*> CMainFrame::GetServiceFrames() const {
    std::vector<CMultiPaneFrame*> frames;
    for (QMdiSubWindow* sub : m_workArea->subWindowList()) {
        if (auto* frame = qobject_cast<CMultiPaneFrame*>(sub->widget()))
            frames.push_back(frame);
    }
    return frames;
}

void CMainFrame::CloseServiceFrames() {
    for (QMdiSubWindow* sub : m_workArea->subWindowList()) {
        if (qobject_cast<CMultiPaneFrame*>(sub->widget())) {
            m_workArea->removeSubWindow(sub);
            delete sub;
        }
    }
}

void CMainFrame::SetConnectionStatus(const QString& text) {
    m_status->setText(text);
}

QString CMainFrame::GetConnectionStatus() const {
    return m_status->text();
}

bool CMainFrame::mayEndSession() const {
    // Messages the user is writing would go with the session: their windows ask first.
    CClientApp* app = GetClientApp();
    CMessagingSubDocument* mail = CMessagingSubDocument::Find(app ? app->GetSession() : nullptr);
    return !mail || mail->QueryCloseMailbox();
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::WinIdChange)
        platform::PostCall(this, [this] { keepDialogsInFront(); });
    return QMainWindow::event(event);
}

void CMainFrame::keepDialogsInFront() {
    // The first web page pane gives the window a new native window (one that can show the page). The
    // dialogs shown over the old one (the tip of the day at start-up) have lost it as their parent, and
    // the window system lays the new one over them. They get it again, and shown again (without taking
    // the keyboard from where the user types) they stand over it; a modal one, which hiding would end,
    // is raised.
    QWindow* own = windowHandle();
    if (!own)
        return;
    for (QDialog* dialog : findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly)) {
        QWindow* handle = dialog->windowHandle();
        if (!dialog->isWindow() || !dialog->isVisible() || !handle || handle->transientParent() == own)
            continue;
        handle->setTransientParent(own);
        if (dialog->isModal()) {
            dialog->raise();
        } else {
            const bool activates = !dialog->testAttribute(Qt::WA_ShowWithoutActivating);
            dialog->setAttribute(Qt::WA_ShowWithoutActivating);
            dialog->hide();
            dialog->show();
            dialog->setAttribute(Qt::WA_ShowWithoutActivating, !activates);
        }
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!mayEndSession()) {
        event->ignore();
        return;
    }
    SaveWindowPlacement(this, this, nullptr, true);
    QMainWindow::closeEvent(event);
}
