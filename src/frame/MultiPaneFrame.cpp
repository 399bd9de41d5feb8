#include "frame/MultiPaneFrame.h"

#include "session/SessionDoc.h"

#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QMenuBar>
#include <QVBoxLayout>

namespace {

QHash<QString, CMultiPaneFrame::PaneFactory>& paneFactories() {
    static QHash<QString, CMultiPaneFrame::PaneFactory> factories;
    return factories;
}

} // namespace

CCommandSplitterWnd::CCommandSplitterWnd(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent) {
    setChildrenCollapsible(false);
}

bool CCommandSplitterWnd::OnMessage(platform::MessageId id, qintptr, platform::Object*) {
    if (id != CGameView::kMsgCommandLineHeight)
        return false;
    RecalcLayout();
    return true;
}

void CCommandSplitterWnd::RecalcLayout() {
    if (orientation() != Qt::Vertical || count() < 2)
        return;
    QList<int> current = sizes();
    int total = 0;
    for (int size : current)
        total += size;
    if (total <= 0)
        total = height();
    QList<int> wanted(count(), -1);
    int fixed = 0;
    for (int i = 0; i < count(); ++i) {
        auto* view = qobject_cast<CGameView*>(widget(i));
        const int ideal = view ? view->GetIdealHeight() : -1;
        if (ideal >= 0) {
            wanted[i] = ideal;
            fixed += ideal;
        }
    }
    if (fixed == 0 && std::all_of(wanted.begin(), wanted.end(), [](int w) { return w < 0; }))
        return;
    int flexibleBefore = 0;
    for (int i = 0; i < count(); ++i)
        flexibleBefore += wanted[i] < 0 ? current[i] : 0;
    const int rest = qMax(0, total - fixed);
    QList<int> next = wanted;
    int flexibleCount = int(std::count(wanted.begin(), wanted.end(), -1));
    for (int i = 0; i < count(); ++i) {
        if (wanted[i] >= 0)
            continue;
        next[i] = flexibleBefore > 0 ? int(qint64(rest) * current[i] / flexibleBefore)
                                     : rest / qMax(1, flexibleCount);
    }
    setSizes(next);
}

void CCommandSplitterWnd::resizeEvent(QResizeEvent* event) {
    QSplitter::resizeEvent(event);
    RecalcLayout();
}

void CMultiPaneFrame::RegisterPane(const QString& tag, PaneFactory factory) {
    paneFactories().insert(tag, std::move(factory));
}

bool CMultiPaneFrame::IsPaneRegistered(const QString& tag) {
    return paneFactories().contains(tag);
}

CPaneLayout CMultiPaneFrame::DefaultLobbyLayout() {
    return CPaneLayout::MakeSplit(false, {CPaneLayout::MakeLeaf(QStringLiteral("Advert")),
                                          CPaneLayout::MakeLeaf(QStringLiteral("UserList")),
                                          CPaneLayout::MakeLeaf(QStringLiteral("Chat")),
                                          CPaneLayout::MakeLeaf(QString::fromLatin1(kCommandLineTag))});
}

CMultiPaneFrame::CMultiPaneFrame(CSessionDoc* session, QWidget* parent)
    : QWidget(parent), m_session(session) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_commands.AddTarget(this);
    UpdateTitle();
}

QMenuBar* CMultiPaneFrame::GetMenuBar() const {
    return m_menuBar.data();
}

void CMultiPaneFrame::SetMenuBar(QMenuBar* bar) {
    delete m_menuBar.data();
    m_menuBar = bar;
    layout()->setMenuBar(bar);
}

bool CMultiPaneFrame::OnCommand(int id) {
    if (id == kCmdLeaveRoom) {
        platform::CommandState state;
        OnUpdateCommand(id, state);
        if (state.enabled)
            m_session->DetachFromGameService();
        return true;
    }
    // The menu's commands belong to the panes (the match log's, the board's) wherever the focus is.
    for (CGameView* pane : GameViews()) {
        platform::CommandState state;
        if (pane->OnUpdateCommand(id, state))
            return state.enabled && pane->OnCommand(id);
    }
    return false;
}

bool CMultiPaneFrame::OnUpdateCommand(int id, platform::CommandState& state) {
    if (id == kCmdLeaveRoom) {
        const QString word = m_session ? m_session->GetServiceName().GetFirstPart() : QString();
        const bool room = (word == QLatin1String("gb") || word == QLatin1String("gp")) &&
                          m_session->GetServiceName().CountParts() >= 2;
        state.enabled = room && m_session->IsConnected() && !m_session->IsTransferPending();
        // A watcher leaves no match.
        state.text = room && !m_session->GetServiceName().HasPart(m_session->GetNickname())
                         ? QStringLiteral("Stop &Watching")
                         : QStringLiteral("&Leave Match");
        return true;
    }
    for (CGameView* pane : GameViews())
        if (pane->OnUpdateCommand(id, state))
            return true;
    return false;
}

CMultiPaneFrame::~CMultiPaneFrame() {
    // The panes leave the session before the widgets go, so no hint reaches a half-destroyed pane.
    for (const QPointer<CGameView>& pane : m_panes) {
        if (pane && pane->GetDocument())
            pane->GetDocument()->RemoveView(pane.data());
    }
}

int CMultiPaneFrame::Build(const CPaneLayout& layout) {
    if (QWidget* root = buildPane(layout, this))
        this->layout()->addWidget(root);
    for (CCommandSplitterWnd* splitter : findChildren<CCommandSplitterWnd*>())
        splitter->RecalcLayout();
    return int(GameViews().size());
}

QWidget* CMultiPaneFrame::buildPane(const CPaneLayout& layout, QWidget* parent) {
    if (layout.kind == CPaneLayout::Leaf) {
        const auto it = paneFactories().constFind(layout.tag);
        if (it == paneFactories().constEnd() || !m_session)
            return nullptr;
        CGameView* view = (*it)(parent);
        if (!view)
            return nullptr;
        view->setObjectName(layout.tag);
        view->SetPaneSettings(layout.settings);
        if (view->Create(m_session.data()) < 0) {
            delete view;
            return nullptr;
        }
        m_panes.emplace_back(view);
        m_tags.push_back(layout.tag);
        view->installEventFilter(this);
        if (QWidget* control = view->GetControl(); control && control != view)
            control->installEventFilter(this);
        return view;
    }
    std::vector<QWidget*> children;
    auto* splitter = new CCommandSplitterWnd(layout.horizontal ? Qt::Horizontal : Qt::Vertical, parent);
    for (const CPaneLayout& child : layout.children) {
        if (QWidget* pane = buildPane(child, splitter))
            children.push_back(pane);
    }
    if (children.empty()) {
        delete splitter;
        return nullptr;
    }
    for (QWidget* child : children)
        splitter->addWidget(child);
    return splitter;
}

std::vector<CGameView*> CMultiPaneFrame::GameViews() const {
    std::vector<CGameView*> views;
    for (const QPointer<CGameView>& pane : m_panes) {
        if (pane)
            views.push_back(pane.data());
    }
    return views;
}

CGameView* CMultiPaneFrame::FindPane(const QString& tag) const {
    for (size_t i = 0; i < m_panes.size(); ++i) {
        if (m_tags[i] == tag && m_panes[i])
            return m_panes[i].data();
    }
    return nullptr;
}

void CMultiPaneFrame::UpdateGameViews(CGameView* sender, int hint, platform::Object* object) {
    for (CGameView* view : GameViews()) {
        if (view != sender)
            view->OnUpdate(sender, hint, object);
    }
}

void CMultiPaneFrame::ActivateCommandLine(bool makeActive) {
    CGameView* commandLine = FindPane(QString::fromLatin1(kCommandLineTag));
    if (!commandLine)
        return;
    if (makeActive && m_session)
        m_session->SetCommandView(commandLine);
    commandLine->GetControl()->setFocus(Qt::OtherFocusReason);
}

CGameView* CMultiPaneFrame::paneOf(QObject* watched) const {
    for (CGameView* view : GameViews()) {
        if (watched == view || watched == view->GetControl())
            return view;
    }
    return nullptr;
}

bool CMultiPaneFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    // The command line first, then the other panes in layout order.
    CGameView* commandLine = GetCommandLinePane();
    std::vector<CGameView*> candidates{commandLine};
    for (CGameView* view : GameViews())
        candidates.push_back(view);
    CGameView* taker = CGameView::ForwardKey(paneOf(watched), *static_cast<QKeyEvent*>(event), candidates);
    if (taker && m_session && taker == commandLine)
        m_session->SetCommandView(taker);
    return taker != nullptr;
}

void CMultiPaneFrame::UpdateTitle() {
    const QString title = m_session ? m_session->GetServiceName().GetDisplayName() : QString();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Norvale") : title);
}
