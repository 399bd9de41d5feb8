#include "app/GameView.h"

#include "app/MultiPaneFrame.h"
#include "platform/Messages.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QSplitter>

CGameView::CGameView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

CGameView::~CGameView() {
    if (platform::Document* document = GetDocument())
        document->RemoveView(this);
}

int CGameView::Create(CSessionDoc* session) {
    if (!session)
        return -1;
    session->AddView(this);
    m_settings.clear();
    for (const auto& [key, value] : session->GetServiceSettings())
        m_settings.insert(key, value);
    for (const auto& [key, value] : m_paneSettings)
        m_settings.insert(key, value);
    m_settingsLoaded = true;
    const int result = OnCreate();
    if (result < 0) {
        session->RemoveView(this);
        m_settingsLoaded = false;
        return -1;
    }
    OnInitialUpdate();
    return 0;
}

void CGameView::SetPaneSettings(const QList<QPair<QString, QString>>& settings) {
    m_paneSettings = settings;
}

QString CGameView::GetServiceSetting(const QString& key) const {
    return m_settingsLoaded ? m_settings.value(key) : QString();
}

CSessionDoc* CGameView::GetSessionDoc() const {
    return platform::object_cast<CSessionDoc>(GetDocument());
}

platform::Document* CGameView::GetGameDocument() const {
    const CSessionDoc* session = GetSessionDoc();
    return session ? session->GetGameDocument() : nullptr;
}

CMultiPaneFrame* CGameView::GetMultiPaneFrame() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<CMultiPaneFrame*>(w))
            return frame;
    }
    return nullptr;
}

QWidget* CGameView::GetFrameWindow() const {
    if (CMultiPaneFrame* frame = GetMultiPaneFrame())
        return frame;
    return window();
}

void CGameView::ActivateCommandLine(bool makeActive) {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* host = dynamic_cast<CCommandLineHost*>(w)) {
            host->ActivateCommandLine(makeActive);
            return;
        }
    }
}

bool CGameView::WantsKey(int virtualKey) const {
    return virtualKey >= 16 && virtualKey <= 20;
}

void CGameView::ShowContextMenu(int x, int y) {
    std::unique_ptr<QMenu> menu(CreateContextMenu(GetContextMenuId()));
    if (!menu)
        return;
    const QPoint at = x == -1 && y == -1 ? QPoint(5, 5) : QPoint(x, y);
    menu->exec(mapToGlobal(at));
}

void CGameView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard)
        ShowContextMenu(-1, -1);
    else
        ShowContextMenu(event->pos().x(), event->pos().y());
}

void CGameView::NotifyHeightChanged() {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (qobject_cast<QSplitter*>(w) && platform::SendMessageTo(w, kMsgCommandLineHeight))
            return;
        if (w->isWindow())
            return;
    }
}

void CGameView::SetDisplayedMove(int moveIndex) {
    CMultiPaneFrame* frame = GetMultiPaneFrame();
    if (!frame)
        return;
    frame->SetDisplayedMove(moveIndex);
    CMoveHint hint;
    hint.moveIndex = moveIndex;
    frame->UpdateGameViews(this, kHintDisplayedMove, &hint);
}

void CGameView::SetHighlightedMove(int moveIndex, int firstRecord, int lastRecord) {
    CMultiPaneFrame* frame = GetMultiPaneFrame();
    if (!frame)
        return;
    frame->SetHighlightedMove(moveIndex, firstRecord, lastRecord);
    CMoveHint hint;
    hint.moveIndex = moveIndex;
    hint.firstRecord = firstRecord;
    hint.lastRecord = lastRecord;
    frame->UpdateGameViews(this, kHintHighlightedMove, &hint);
}

void CGameView::OnActivateView(bool activate) {
    if (activate && window() && window()->isActiveWindow())
        GetControl()->setFocus(Qt::OtherFocusReason);
}
