#include "chat/TalkDlg.h"

#include "frame/WindowPlacement.h"
#include "chat/ChatView.h"
#include "chat/CommandLineView.h"
#include "chat/TalkDoc.h"
#include "platform/PostCall.h"
#include "session/SessionDoc.h"
#include "support/Cascade.h"
#include "support/SettingsStore.h"
#include "support/Utilities.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>

#include <algorithm>

namespace {

// A stored size outside these bounds is not a size a user gave the window.
constexpr int kMinimumSide = 120;
constexpr int kMaximumSide = 8000;

int sane(int value, int fallback) {
    return value >= kMinimumSide && value <= kMaximumSide ? value : fallback;
}

} // namespace

CTalkDlg::CTalkDlg(CTalkDoc* document, const QStringList& people, bool activate, QWidget* owner)
    : CKelderFrameWnd(owner), m_document(document), m_people(people) {
    // A window of its own in the task bar, with minimise and maximise boxes, owned by the main window.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    const platform::Rect size = GetSettingsStore().GetObjectRect(
        this, QString::fromLatin1(kSizeName), platform::Rect{0, 0, kDefaultWidth, kDefaultHeight});
    const int width = sane(size.Width(), kDefaultWidth);
    const int height = sane(size.Height(), kDefaultHeight);
    resize(width, height);

    CSessionDoc* session = document ? document->GetOwningSession() : nullptr;
    auto* chat = new CChatView(this);
    auto* commandLine = new CCommandLineView(this);
    if (session && chat->Create(document, session) == 0)
        m_chatView = chat;
    else
        delete chat;
    if (session && commandLine->Create(document, session) == 0)
        m_commandLine = commandLine;
    else
        delete commandLine;
    if (m_commandLine) {
        QPointer<CTalkDoc> talk(document);
        m_commandLine->SetTalkHandlers(
            [talk](const QString& text, int kind) { return talk && talk->SendText(text, kind); },
            [talk] {
                if (talk)
                    talk->Close();
            });
    }
    // Undo by its key wherever the focus is in the window (the chat view forwards typing, not keys
    // with Ctrl).
    auto* undo = platform::MakeAction(kCmdUndo, QStringLiteral("&Undo"), this);
    undo->setShortcut(QKeySequence::Undo);
    undo->setShortcutContext(Qt::WindowShortcut);
    connect(undo, &QAction::triggered, this, [this] { OnCommand(kCmdUndo); });
    addAction(undo);
    for (CGameView* pane : panes()) {
        pane->installEventFilter(this);
        if (QWidget* control = pane->GetControl(); control && control != pane)
            control->installEventFilter(this);
    }

    // The user's place for talk windows, else near the main window's corner; then off any talk
    // window that opened at the same corner.
    LoadWindowPlacement(this, this, parentWidget(),
                        platform::Rect{kDefaultLeft, kDefaultTop, kDefaultLeft + width, kDefaultTop + height});
    UpdateTitle();
    RecalcLayout();

    if (!activate)
        setAttribute(Qt::WA_ShowWithoutActivating);
    show();
    // Shown first, so that its corner compares with the frames of the others.
    CascadeWindow(nullptr, parentWidget(), this);
    noteGeometry();
    if (m_commandLine)
        m_commandLine->GetControl()->setFocus(Qt::OtherFocusReason);
    if (activate) {
        raise();
        activateWindow();
    }
}

CTalkDlg::~CTalkDlg() {
    if (m_movedOrSized)
        SavePlacement();
    if (m_document)
        m_document->OnWindowDestroyed();
}

CChatView* CTalkDlg::GetChatView() const {
    return m_chatView.data();
}

CCommandLineView* CTalkDlg::GetCommandLine() const {
    return m_commandLine.data();
}

QString CTalkDlg::Title(const QStringList& people, const QString& ownNickname) {
    QStringList others;
    for (const QString& name : people) {
        if (!SameNickname(name, ownNickname))
            others.append(name);
    }
    const QString names = others.isEmpty() ? ownNickname : others.join(QLatin1Char(' '));
    return QStringLiteral("Talking with '%1'").arg(names);
}

void CTalkDlg::UpdateTitle() {
    const CSessionDoc* session = m_document ? m_document->GetOwningSession() : nullptr;
    setWindowTitle(Title(m_people, session ? session->GetNickname() : QString()));
}

std::vector<CGameView*> CTalkDlg::panes() const {
    // The active pane (the command line) first.
    std::vector<CGameView*> result;
    if (m_commandLine)
        result.push_back(m_commandLine.data());
    if (m_chatView)
        result.push_back(m_chatView.data());
    return result;
}

CGameView* CTalkDlg::activePane() const {
    // The conversation hands what is typed to the command line, which stays the active pane.
    QWidget* focus = focusWidget();
    for (CGameView* pane : panes()) {
        if (focus && (focus == pane || pane->isAncestorOf(focus)) && pane->CanUndo())
            return pane;
    }
    return m_commandLine.data();
}

bool CTalkDlg::OnCommand(int id) {
    if (id != kCmdUndo)
        return false;
    if (CGameView* pane = activePane(); pane && pane->CanUndo())
        pane->Undo();
    return true;
}

bool CTalkDlg::OnUpdateCommand(int id, platform::CommandState& state) {
    if (id != kCmdUndo)
        return false;
    const CGameView* pane = activePane();
    state.enabled = pane && pane->CanUndo();
    return true;
}

CGameView* CTalkDlg::paneOf(QObject* watched) const {
    for (CGameView* pane : panes()) {
        if (watched == pane || watched == pane->GetControl())
            return pane;
    }
    return nullptr;
}

void CTalkDlg::ActivateCommandLine(bool makeActive) {
    if (!m_commandLine)
        return;
    if (makeActive)
        m_commandLine->OnActivateView(true);
    m_commandLine->GetControl()->setFocus(Qt::OtherFocusReason);
}

CGameView* CTalkDlg::GetCommandLinePane() const {
    return m_commandLine.data();
}

bool CTalkDlg::OnMessage(platform::MessageId id, qintptr, platform::Object*) {
    if (id != platform::MessageId(CGameView::kMsgCommandLineHeight))
        return false;
    // Laid out once the command line has finished with its own resize.
    if (!m_layoutPosted) {
        m_layoutPosted = true;
        platform::PostCall(this, [this] {
            m_layoutPosted = false;
            RecalcLayout();
        });
    }
    return true;
}

void CTalkDlg::RecalcLayout() {
    // Laying out resizes the command line, which may report a new height: lay out again then.
    if (m_inLayout) {
        m_layoutAgain = true;
        return;
    }
    m_inLayout = true;
    for (int pass = 0; pass < 3; ++pass) {
        m_layoutAgain = false;
        const int width = std::max(0, this->width() - 2 * m_sideMargin);
        int commandHeight = 0;
        if (m_commandLine) {
            commandHeight = std::clamp(m_commandLine->GetIdealHeight() + 4, 0, std::max(0, height()));
            m_commandLine->setGeometry(m_sideMargin, height() - commandHeight, width, commandHeight);
        }
        if (m_chatView)
            m_chatView->setGeometry(m_sideMargin, m_topMargin, width,
                                    std::max(0, height() - commandHeight - m_topMargin - m_gap));
        if (!m_layoutAgain)
            break;
    }
    m_inLayout = false;
    GetSettingsStore().WriteObjectRect(this, QString::fromLatin1(kSizeName), platform::Rect::FromQRect(geometry()));
}

void CTalkDlg::noteGeometry() {
    m_ownGeometry = geometry();
    m_placed = true;
}

void CTalkDlg::noteUserGeometry() {
    if (m_placed && geometry() != m_ownGeometry)
        m_movedOrSized = true;
}

void CTalkDlg::resizeEvent(QResizeEvent* event) {
    CKelderFrameWnd::resizeEvent(event);
    noteUserGeometry();
    RecalcLayout();
}

void CTalkDlg::moveEvent(QMoveEvent* event) {
    CKelderFrameWnd::moveEvent(event);
    noteUserGeometry();
}

void CTalkDlg::showEvent(QShowEvent* event) {
    CKelderFrameWnd::showEvent(event);
    RecalcLayout();
}

void CTalkDlg::OnClose() {
    if (m_document)
        m_document->Close();
}

bool CTalkDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return CKelderFrameWnd::eventFilter(watched, event);
    CGameView* pane = paneOf(watched);
    if (!pane)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
        // The focused pane's menu at its corner, as the context-menu key opens it.
        QWidget* control = qobject_cast<QWidget*>(watched);
        const QPoint at(5, 5);
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, control->mapToGlobal(at));
        QCoreApplication::sendEvent(control, &menu);
        return true;
    }
    return CGameView::ForwardKey(pane, *key, panes()) != nullptr;
}
