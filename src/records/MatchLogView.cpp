#include "records/MatchLogView.h"

#include "frame/MultiPaneFrame.h"
#include "game/GameDoc.h"
#include "game/GameHints.h"
#include "platform/Color.h"
#include "platform/Commands.h"
#include "prefs/FontWindowKinds.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "support/SettingsStore.h"
#include "support/TextWindowStyle.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>

namespace {

platform::MessageId FontChangedMessage() {
    static const platform::MessageId id =
        platform::RegisterMessage(QStringLiteral("KELDERWICK_FONT_PROPERTIES_CHANGED"));
    return id;
}

} // namespace

// Hands the game document's hints to the log: the log is a view of the session, the record's hints
// come from the session's game document.
class CMatchLogView::DocumentLink : public platform::View {
public:
    explicit DocumentLink(CMatchLogView* owner) : m_owner(owner) {}
    void OnUpdate(platform::View*, int hint, platform::Object* hintObject) override {
        m_owner->OnGameDocUpdate(hint, hintObject);
    }

private:
    CMatchLogView* m_owner;
};

CMatchLogView::CMatchLogView(QWidget* parent)
    : CGameView(parent), m_scrollBar(new QScrollBar(Qt::Vertical, this)), m_link(std::make_unique<DocumentLink>(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_scrollBar->setObjectName(QStringLiteral("matchLogScrollBar"));
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->setAutoFillBackground(true);
    m_scrollBarWidth = m_scrollBar->sizeHint().width();
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        if (value != m_scrollPos)
            ScrollTo(value);
    });
    m_titles = {QString(), QString()};
}

CMatchLogView::~CMatchLogView() {
    if (CMultiPaneFrame* frame = GetMultiPaneFrame())
        frame->ClearMatchLogView(this);
}

QString CMatchLogView::GetSettingsSection() const {
    return GetFontWindowKind(kFontKindMatchLog).section;
}

CGameDoc* CMatchLogView::GetGameDoc() const {
    return platform::object_cast<CGameDoc>(GetGameDocument());
}

bool CMatchLogView::IsOnline() const {
    const CSessionDoc* session = GetSessionDoc();
    return session && session->GetServiceActive() != 0;
}

bool CMatchLogView::InEditMode() const {
    const CGameDoc* document = GetGameDoc();
    return document && document->GetDisplayMode() == CGameDoc::kEditMode;
}

void CMatchLogView::LinkGameDocument() {
    platform::Document* document = GetGameDoc();
    if (m_link->GetDocument() == document)
        return;
    if (document)
        document->AddView(m_link.get());
    else
        m_link->GetDocument()->RemoveView(m_link.get());
}

// ---- Creation and settings

int CMatchLogView::OnCreate() {
    m_layout.SetShowMarks(GetSettingsStore().GetBool(GetSettingsSection(), QString::fromLatin1(kShowMarksName), false));
    if (CMultiPaneFrame* frame = GetMultiPaneFrame())
        frame->SetMatchLogView(this);
    return 0;
}

void CMatchLogView::OnInitialUpdate() {
    LoadColours();
    LinkGameDocument();
    m_layout.ResetListHeight();
    const CGameDoc* document = GetGameDoc();
    m_displayMode = document ? document->GetDisplayMode() : CGameDoc::kFullDisplay;
    RemoveItemsFrom(0);
    UpdateScrollBar();
    if (document && !IsOnline() && document->GetMatchRecord().GetCount() > 0)
        AppendEntries(document->GetMatchRecord().GetCount() - 1);
    if (InEditMode())
        SetFollowLive(true);
    else
        OnNavigateKey(CMatchLogLayout::kKeyHome, false);
}

void CMatchLogView::LoadColours() {
    const QString section = GetSettingsSection();
    const CTextWindowColors colors = CTextWindowColors::Load(section);
    m_colors.text = platform::ToQColor(colors.text);
    m_colors.background = platform::ToQColor(colors.background);
    m_colors.selectedText = platform::ToQColor(colors.selectedText);
    m_colors.selectedBackground = platform::ToQColor(colors.selectedBackground);
    m_font.DeleteObject();
    m_font.Load(section);
    m_viewFont = m_font.GetFont();
    setFont(m_viewFont);
    m_metrics = std::make_unique<CFontLogMetrics>(m_viewFont, this);
}

bool CMatchLogView::OnMessage(platform::MessageId id, qintptr, platform::Object*) {
    if (id != FontChangedMessage())
        return false;
    LoadColours();
    update();
    LayoutFrom(0, true);
    EnsureSelectionVisible();
    return true;
}

QSize CMatchLogView::sizeHint() const {
    const QFontMetrics metrics(m_viewFont);
    return QSize(36 * metrics.averageCharWidth() + m_scrollBarWidth, 16 * metrics.height());
}

// ---- Hints

void CMatchLogView::OnUpdate(platform::View* sender, int hint, platform::Object* hintObject) {
    CGameView::OnUpdate(sender, hint, hintObject);
    // The session may have taken another game document meanwhile.
    LinkGameDocument();
}

void CMatchLogView::OnGameDocUpdate(int hint, platform::Object* hintObject) {
    const CGameHint* data = platform::object_cast<CGameHint>(hintObject);
    const int value = data ? data->GetData() : 0;
    switch (hint) {
    case gamehint::kNewRecordEntries:
        AppendEntries(value);
        break;
    case gamehint::kDisplayModeChanged: {
        SetFollowLive(InEditMode());
        const CGameDoc* document = GetGameDoc();
        const int mode = document ? document->GetDisplayMode() : CGameDoc::kFullDisplay;
        if (mode != m_displayMode) {
            m_displayMode = mode;
            LayoutFrom(0, true);
            update();
            EnsureSelectionVisible();
        }
        break;
    }
    case gamehint::kReannounceSelection:
        ReannounceSelection();
        break;
    case gamehint::kMoveMarkChanged:
        if (GetShowMarks()) {
            for (int i = 0; i < GetItemCount(); ++i) {
                if (m_layout.GetItem(i)->recordIndex == value)
                    update(GetMarkerRect(i));
            }
        }
        break;
    case gamehint::kClearLog:
        RemoveItemsFrom(0);
        m_selection = 0;
        UpdateScrollBar();
        break;
    default:
        break;
    }
}

// ---- Items

void CMatchLogView::AppendItem(std::unique_ptr<CMatchLogDisplayItem> item, bool mark, bool notify) {
    if (!item)
        return;
    if (item->hasPosition) {
        if (CGameDoc* document = GetGameDoc())
            document->AppendMoveMark(item->recordIndex, mark ? 1 : 0);
    }
    const int index = GetItemCount();
    m_layout.AppendItem(std::move(item));
    LayoutFrom(index, notify);
    const QRect newItem = m_layout.GetItem(index)->rect;
    const int top = m_layout.GetHeaderHeight() - m_scrollPos + newItem.y();
    update(QRect(0, std::max(0, top), ClientRect().width(), height()));
    if (m_followLive && notify)
        SetFollowLive(true);
}

void CMatchLogView::RemoveItemsFrom(int index) {
    index = std::max(0, index);
    if (const CMatchLogDisplayItem* item = m_layout.GetItem(index)) {
        const int top = m_layout.GetHeaderHeight() - m_scrollPos + item->rect.y();
        update(QRect(0, std::max(0, top), ClientRect().width(), height()));
    }
    m_layout.RemoveItemsFrom(index);
}

void CMatchLogView::SetColumnTitles(const QStringList& titles) {
    m_titles = titles;
    update(QRect(0, 0, ClientRect().width(), std::max(1, m_layout.GetHeaderHeight())));
}

void CMatchLogView::LayoutFrom(int start, bool notify) {
    if (!m_metrics)
        m_metrics = std::make_unique<CFontLogMetrics>(m_viewFont, this);
    m_layout.Layout(start, ClientRect().width(), *m_metrics);
    if (notify)
        UpdateScrollBar();
}

// ---- Geometry

QRect CMatchLogView::ClientRect() const {
    return QRect(0, 0, std::max(0, width() - m_scrollBarWidth), height());
}

int CMatchLogView::PageHeight() const {
    return std::max(0, height() - std::max(0, m_layout.GetHeaderHeight()));
}

void CMatchLogView::UpdateScrollBar() {
    const int page = PageHeight();
    const int listHeight = std::max(0, m_layout.GetListHeight());
    const QSignalBlocker block(m_scrollBar);
    m_scrollBar->setRange(0, std::max(0, listHeight - page));
    m_scrollBar->setPageStep(std::max(1, page));
    m_scrollBar->setSingleStep(std::max(1, m_layout.GetLineHeight()));
    m_scrollBar->setValue(m_scrollPos);
}

void CMatchLogView::ScrollTo(int y) {
    const int most = std::max(0, m_layout.GetListHeight() - PageHeight());
    y = std::clamp(y, 0, most);
    if (y == m_scrollPos)
        return;
    const int dy = m_scrollPos - y;
    m_scrollPos = y;
    const int header = std::max(0, m_layout.GetHeaderHeight());
    const QRect band(0, header, ClientRect().width(), std::max(0, height() - header));
    if (std::abs(dy) < band.height())
        scroll(0, dy, band);
    else
        update(band);
    const QSignalBlocker block(m_scrollBar);
    m_scrollBar->setValue(m_scrollPos);
}

void CMatchLogView::EnsureSelectionVisible() {
    const CMatchLogDisplayItem* item = m_layout.GetItem(m_selection);
    if (!item)
        return;
    const int page = PageHeight();
    const int top = item->rect.y();
    const int bottom = item->Bottom();
    int position = m_scrollPos;
    if (bottom > position + page)
        position = bottom - page;
    if (top < position)
        position = top;
    ScrollTo(std::min(position, std::max(0, m_layout.GetListHeight() - page)));
}

int CMatchLogView::HitTest(int x, int y) const {
    return m_layout.HitTest(x, y + m_scrollPos - m_layout.GetHeaderHeight());
}

QRect CMatchLogView::GetMarkerRect(int index) const {
    const QRect box = m_layout.GetMarkerRect(index);
    return box.isNull() ? box : box.translated(0, m_layout.GetHeaderHeight() - m_scrollPos);
}

void CMatchLogView::RepaintItem(int index) {
    const CMatchLogDisplayItem* item = m_layout.GetItem(index);
    if (!item)
        return;
    const int dy = m_layout.GetHeaderHeight() - m_scrollPos;
    QRect area = item->rect;
    for (const CMatchLogDisplayItem* piece = item->continuation.get(); piece; piece = piece->continuation.get())
        area = area.united(piece->rect);
    update(area.translated(0, dy));
}

// ---- Selection

void CMatchLogView::GetRecordRange(int index, int& first, int& last) const {
    const int count = GetItemCount();
    if (index == -1)
        index = count - 1;
    first = last = -1;
    const CGameDoc* document = GetGameDoc();
    if (!document || index < 0 || index >= count)
        return;
    const CMatchRecord& record = document->GetMatchRecord();
    const int lastEntry = std::max(0, record.GetCount() - 1);
    auto toEntry = [&](int item) {
        return std::clamp(record.GetMoveEntryIndex(GetLineMoveIndex(item)), 0, lastEntry);
    };
    last = toEntry(index);
    first = toEntry(m_layout.RangeStartItem(index));
}

void CMatchLogView::ReannounceSelection() {
    if (CSessionDoc* session = GetSessionDoc())
        session->NotifyGameViewsInFrame(this, gamehint::kSelectionChanged, 0);
    int first = -1;
    int last = -1;
    GetRecordRange(m_selection, first, last);
    SetHighlightedMove(GetLineMoveIndex(m_selection), first, last);
}

void CMatchLogView::SetSelection(int index) {
    if (GetItemCount() > 0)
        index = std::clamp(index, 0, GetItemCount() - 1);
    else
        index = 0;
    if (index != m_selection) {
        RepaintItem(m_selection);
        RepaintItem(index);
        m_selection = index;
        ReannounceSelection();
    }
    EnsureSelectionVisible();
}

void CMatchLogView::SelectItem(int index) {
    if (index < 0 || index >= GetItemCount())
        return;
    if (CGameDoc* document = GetGameDoc(); document && document->GetDisplayMode() == CGameDoc::kEditMode) {
        if (index == GetItemCount() - 1)
            return;
        document->OnViewFullDisplayMode();
    }
    if (m_followLive) {
        m_followLive = false;
        RepaintItem(m_selection);
    }
    SetSelection(index);
    GoToItem(index);
}

void CMatchLogView::GoToItem(int index) {
    const int shown = m_layout.DisplayedItemFor(index);
    SetDisplayedMove(shown < 0 ? -1 : GetLineMoveIndex(shown));
}

void CMatchLogView::SetFollowLive(bool on) {
    if (!IsOnline() && !InEditMode())
        return;
    const bool turnedOn = on && !m_followLive;
    m_followLive = on;
    if (on) {
        RepaintItem(m_selection);
        m_selection = std::max(0, GetItemCount() - 1);
        RepaintItem(m_selection);
        EnsureSelectionVisible();
        SetDisplayedMove(-1);
        if (turnedOn)
            GoToCurrentItem();
    }
}

void CMatchLogView::OnNavigateKey(int virtualKey, bool jump) {
    if ((virtualKey == CMatchLogLayout::kKeyEscape || virtualKey == CMatchLogLayout::kKeyEnd) && IsOnline()) {
        SetFollowLive(true);
        return;
    }
    const int line = std::max(1, m_layout.GetLineHeight());
    const int page = std::max(line, height() - line - std::max(0, m_layout.GetHeaderHeight()));
    const int target = m_layout.NavigateTarget(virtualKey, jump, m_selection, page);
    if (target == m_selection || GetItemCount() == 0)
        EnsureSelectionVisible();
    else
        SelectItem(target);
    repaint();
}

// ---- Commands

bool CMatchLogView::WantsKey(int virtualKey) const {
    return virtualKey == 13 || virtualKey == 16 || virtualKey == 17 || virtualKey == 27 ||
           (virtualKey >= 32 && virtualKey <= 40) || CGameView::WantsKey(virtualKey);
}

QMenu* CMatchLogView::CreateContextMenu(int menuId) {
    if (menuId != kContextMenu)
        return nullptr;
    auto* menu = new QMenu(this);
    auto add = [this, menu](int id, const QString& text, const QString& tip) {
        QAction* action = platform::MakeAction(id, text, menu);
        action->setStatusTip(tip);
        platform::CommandState state;
        OnUpdateCommand(id, state);
        action->setEnabled(state.enabled);
        action->setCheckable(state.checkable);
        action->setChecked(state.checked);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        menu->addAction(action);
    };
    add(kCmdNextMove, QStringLiteral("&Next Move"), QStringLiteral("Go to the next move"));
    add(kCmdPreviousMove, QStringLiteral("&Previous Move"), QStringLiteral("Go to the previous move"));
    add(kCmdCurrentMove, QStringLiteral("&Current Move"), QStringLiteral("Go to the current move"));
    menu->addSeparator();
    add(kCmdGameStart, QStringLiteral("&Start of Game"), QStringLiteral("Go to the start of the game"));
    add(kCmdNextGame, QStringLiteral("Next &Game"), QStringLiteral("Go to the first move in the next game"));
    menu->addSeparator();
    add(kCmdPrintedPositions, QStringLiteral("Printed Boar&d Positions"),
        QStringLiteral("View board positions that will be printed in the Match Log View"));
    menu->addSeparator();
    add(kCmdProperties, QStringLiteral("P&roperties..."), QStringLiteral("Change the match log's font and colours"));
    return menu;
}

bool CMatchLogView::OnUpdateCommand(int id, platform::CommandState& state) {
    const CSessionDoc* session = GetSessionDoc();
    const bool mayStep = session && session->IsConnected() && session->HasRight(kStepPermission);
    const CGameDoc* document = GetGameDoc();
    const bool serverStepped = document && document->GetDisplayMode() == CGameDoc::kServerStepped;
    switch (id) {
    case kCmdNextMove:
        state.enabled = (!m_followLive && m_selection < GetItemCount() - 1) || (serverStepped && mayStep);
        return true;
    case kCmdPreviousMove:
    case kCmdGameStart:
        state.enabled = GetItemCount() > 0;
        return true;
    case kCmdCurrentMove:
        state.enabled = IsOnline() || InEditMode();
        state.checkable = true;
        state.checked = m_followLive;
        return true;
    case kCmdNextGame:
        state.enabled = InEditMode() || (!m_followLive && GetItemCount() > 0) || (serverStepped && mayStep);
        return true;
    case kCmdPrintedPositions:
        state.enabled = true;
        state.checkable = true;
        state.checked = GetShowMarks();
        return true;
    case kCmdProperties:
        state.enabled = true;
        return true;
    default:
        return false;
    }
}

bool CMatchLogView::OnCommand(int id) {
    CSessionDoc* session = GetSessionDoc();
    const bool mayStep = session && session->IsConnected() && session->HasRight(kStepPermission);
    const CGameDoc* document = GetGameDoc();
    const bool serverStepped = document && document->GetDisplayMode() == CGameDoc::kServerStepped;
    switch (id) {
    case kCmdNextMove:
        if (!m_followLive)
            OnNavigateKey(CMatchLogLayout::kKeyRight, false);
        else if (serverStepped && mayStep)
            session->Send(kStepPacket, QStringLiteral("NEXT"));
        return true;
    case kCmdPreviousMove:
        OnNavigateKey(CMatchLogLayout::kKeyLeft, false);
        return true;
    case kCmdCurrentMove:
        SetFollowLive(true);
        return true;
    case kCmdNextGame:
        if (InEditMode())
            SetFollowLive(true);
        else if (!m_followLive)
            OnNavigateKey(CMatchLogLayout::kKeyPageDown, true);
        else if (serverStepped && mayStep)
            session->Send(kStepPacket, QStringLiteral("SKIP"));
        return true;
    case kCmdGameStart:
        OnNavigateKey(CMatchLogLayout::kKeyPageUp, true);
        return true;
    case kCmdPrintedPositions:
        ToggleShowMarks();
        return true;
    case kCmdProperties:
        ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kFontPage, kFontKindMatchLog);
        return true;
    default:
        return false;
    }
}

void CMatchLogView::ToggleShowMarks() {
    m_layout.SetShowMarks(!m_layout.GetShowMarks());
    GetSettingsStore().WriteBool(GetSettingsSection(), QString::fromLatin1(kShowMarksName), m_layout.GetShowMarks());
    LayoutFrom(0, false);
    update();
    EnsureSelectionVisible();
    UpdateScrollBar();
}

// ---- Events

void CMatchLogView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect client = ClientRect();
    painter.fillRect(event->rect().intersected(client), m_colors.background);
    painter.setFont(m_viewFont);
    const int header = std::max(0, m_layout.GetHeaderHeight());
    if (m_layout.GetHeaderHeight() >= 0 && event->rect().top() < header)
        m_layout.DrawHeader(painter, 0, client.width(), m_titles, m_colors.text);
    painter.setClipRect(QRect(0, header, client.width(), std::max(0, client.height() - header)).intersected(event->rect()));
    const int dy = header - m_scrollPos;
    const int clipTop = std::max(event->rect().top(), header) - dy;
    const int clipBottom = event->rect().bottom() + 1 - dy;
    const CGameDoc* document = GetGameDoc();
    const QFontMetrics metrics(m_viewFont, this);
    m_layout.DrawItems(painter, dy, clipTop, clipBottom, m_colors, m_followLive ? -1 : m_selection, metrics.ascent(),
                       [document](int record) { return document && document->GetMatchRecord().GetMoveMark(record) != 0; });
}

void CMatchLogView::resizeEvent(QResizeEvent* event) {
    CGameView::resizeEvent(event);
    m_scrollBar->setGeometry(width() - m_scrollBarWidth, 0, m_scrollBarWidth, height());
    m_scrollPos = 0;
    LayoutFrom(0, true);
    EnsureSelectionVisible();
    update();
}

void CMatchLogView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        CGameView::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    const int hit = HitTest(at.x(), at.y());
    if (CGameDoc* document = GetGameDoc(); document && GetShowMarks()) {
        for (int index : {hit + 1, hit}) {
            if (index >= 0 && index < GetItemCount() && GetMarkerRect(index).contains(at)) {
                const int record = GetLineMoveIndex(index);
                document->SetMoveMark(record, document->GetMatchRecord().GetMoveMark(record) ? 0 : 1);
                return;
            }
        }
    }
    if (hit >= 0)
        SelectItem(hit);
}

int CMatchLogView::VirtualKeyOf(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return CMatchLogLayout::kKeyEnter;
    case Qt::Key_Escape: return CMatchLogLayout::kKeyEscape;
    case Qt::Key_Space: return CMatchLogLayout::kKeySpace;
    case Qt::Key_PageUp: return CMatchLogLayout::kKeyPageUp;
    case Qt::Key_PageDown: return CMatchLogLayout::kKeyPageDown;
    case Qt::Key_End: return CMatchLogLayout::kKeyEnd;
    case Qt::Key_Home: return CMatchLogLayout::kKeyHome;
    case Qt::Key_Left: return CMatchLogLayout::kKeyLeft;
    case Qt::Key_Up: return CMatchLogLayout::kKeyUp;
    case Qt::Key_Right: return CMatchLogLayout::kKeyRight;
    case Qt::Key_Down: return CMatchLogLayout::kKeyDown;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    default: return 0;
    }
}

void CMatchLogView::keyPressEvent(QKeyEvent* event) {
    const int key = VirtualKeyOf(event->key());
    if (key == 0 || key == 16 || key == 17) {
        CGameView::keyPressEvent(event);
        return;
    }
    OnNavigateKey(key, (event->modifiers() & Qt::ShiftModifier) != 0);
    event->accept();
}

bool CMatchLogView::event(QEvent* event) {
    // Menu shortcuts must not take the keys the log moves with.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = VirtualKeyOf(keyEvent->key());
        if (key != 0 && WantsKey(key) && !(keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const int steps = wheel->angleDelta().y() / 40;
        ScrollTo(m_scrollPos - steps * std::max(1, m_layout.GetLineHeight()));
        return true;
    }
    return CGameView::event(event);
}

void CMatchLogView::OnActivateView(bool activate) {
    CGameView::OnActivateView(activate);
    if (!activate && !m_followLive && IsOnline())
        SetFollowLive(true);
}

void CMatchLogView::focusOutEvent(QFocusEvent* event) {
    CGameView::focusOutEvent(event);
    // Another pane of the window took the keyboard: back to the live end. A menu or another window
    // taking it leaves the log where it is.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    OnActivateView(false);
}
