#include "frame/GameView.h"

#include "frame/MultiPaneFrame.h"
#include "platform/Messages.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
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
    return Create(session, session);
}

int CGameView::Create(platform::Document* document, CSessionDoc* session) {
    if (!session || !document)
        return -1;
    document->AddView(this);
    m_settings.clear();
    for (const auto& [key, value] : session->GetServiceSettings())
        m_settings.insert(key, value);
    for (const auto& [key, value] : m_paneSettings)
        m_settings.insert(key, value);
    m_settingsLoaded = true;
    const int result = OnCreate();
    if (result < 0) {
        document->RemoveView(this);
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
    platform::Document* document = GetDocument();
    if (auto* part = dynamic_cast<CSessionPartDocument*>(document))
        return part->GetOwningSession();
    return platform::object_cast<CSessionDoc>(document);
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

int CGameView::VirtualKeyOf(const QKeyEvent& event) {
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Space)
        return key; // Qt's codes of these keys are the character codes
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    // Any other key that types a character is one of the punctuation keys.
    const QString text = event.text();
    if (!text.isEmpty() && text.at(0).isPrint())
        return 186;
    return 0;
}

CGameView* CGameView::ForwardKey(CGameView* pane, const QKeyEvent& key, const std::vector<CGameView*>& candidates) {
    // Keys with Control or Alt are shortcuts of the pane or the window, never typing.
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return nullptr;
    const int virtualKey = VirtualKeyOf(key);
    if (!pane || virtualKey == 0 || pane->WantsKey(virtualKey))
        return nullptr;
    for (CGameView* view : candidates) {
        if (!view || view == pane || !view->isEnabled() || !view->isVisible() || !view->WantsKey(virtualKey))
            continue;
        QWidget* control = view->GetControl();
        control->setFocus(Qt::OtherFocusReason);
        QKeyEvent again(key.type(), key.key(), key.modifiers(), key.nativeScanCode(), key.nativeVirtualKey(),
                        key.nativeModifiers(), key.text(), key.isAutoRepeat(), key.count());
        QCoreApplication::sendEvent(control, &again);
        return view;
    }
    return nullptr;
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
        if (w->isWindow()) {
            // A window that lays its panes out itself (a talk window).
            platform::SendMessageTo(w, kMsgCommandLineHeight);
            return;
        }
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
