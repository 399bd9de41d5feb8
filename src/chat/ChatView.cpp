#include "chat/ChatView.h"

#include "frame/MultiPaneFrame.h"
#include "chat/ChatLog.h"
#include "chat/ChatWrap.h"
#include "platform/Clipboard.h"
#include "platform/Color.h"
#include "platform/Commands.h"
#include "platform/Ui.h"
#include "prefs/FontWindowKinds.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "support/SettingsStore.h"
#include "support/TextWindowStyle.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

namespace {

const QString kSection = QString::fromLatin1(CChatView::kClassName);

// A setting that reads as a nonzero integer: leading blanks, an optional sign and the digits that
// follow count, the rest is ignored.
bool ReadsAsNonzeroInteger(const QString& value) {
    const QString text = value.trimmed();
    qsizetype at = 0;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+'))
        ++at;
    for (; at < text.size() && text[at].isDigit(); ++at) {
        if (text[at] != u'0')
            return true;
    }
    return false;
}

platform::MessageId FontChangedMessage() {
    static const platform::MessageId id =
        platform::RegisterMessage(QStringLiteral("KELDERWICK_FONT_PROPERTIES_CHANGED"));
    return id;
}

platform::MessageId ViewChangedMessage() {
    static const platform::MessageId id =
        platform::RegisterMessage(QStringLiteral("KELDERWICK_VIEW_PROPERTIES_CHANGED"));
    return id;
}

// The width of the first count characters, as the line is drawn.
int PrefixWidth(const QFontMetrics& metrics, const QString& text, int count) {
    return count <= 0 ? 0 : metrics.horizontalAdvance(text.left(count));
}

// A font in points for a device of another resolution (a printer), keeping its size on paper as it
// is on the screen.
QFont FontForDevice(const QFont& font, int screenDpi) {
    QFont scaled(font);
    if (font.pixelSize() > 0)
        scaled.setPointSizeF(font.pixelSize() * 72.0 / std::max(1, screenDpi));
    return scaled;
}

} // namespace

CChatView::CChatView(QWidget* parent)
    : CGameView(parent), m_normalMetrics(font()), m_boldMetrics(font()),
      m_scrollBar(new QScrollBar(Qt::Vertical, this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::IBeamCursor);
    m_scrollBar->setObjectName(QStringLiteral("chatScrollBar"));
    m_scrollBar->setCursor(Qt::ArrowCursor);
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    // An opaque scroll bar repaints alone: its moving thumb never makes the chat repaint beneath it.
    m_scrollBar->setAutoFillBackground(true);
    m_scrollBarWidth = m_scrollBar->sizeHint().width();
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        if (value == m_scrollPos)
            return;
        setScrollPosition(value, true);
        recomputeScrolledBack();
    });
    m_autoScroll.setInterval(kAutoScrollInterval);
    connect(&m_autoScroll, &QTimer::timeout, this, &CChatView::OnAutoScrollTimer);
    loadPreferences();
    updateScrollBar();
}

CChatView::~CChatView() {
    m_autoScroll.stop();
}

// ---- Preferences

void CChatView::loadPreferences() {
    const CTextWindowColors colors = CTextWindowColors::Load(kSection);
    m_textColor = colors.text;
    m_backgroundColor = colors.background;
    m_selectedTextColor = colors.selectedText;
    m_selectedBackgroundColor = colors.selectedBackground;
    m_boldMoves = GetSettingsStore().GetBool(kSection, QString::fromLatin1(kBoldMovesName), true);

    m_font.DeleteObject();
    m_font.Load(kSection);
    m_normalFont = m_font.GetFont();
    // A bold chat font gets a normal-weight second font, so system lines always stand out.
    platform::LogFont bold = m_font.GetLogFont();
    bold.weight = bold.weight < 551 ? platform::FW_BOLD : platform::FW_NORMAL;
    m_boldFont = FontFromLogFont(bold);
    m_normalMetrics = QFontMetrics(m_normalFont, this);
    m_boldMetrics = QFontMetrics(m_boldFont, this);
    m_widthCache[0].clear();
    m_widthCache[1].clear();
    setFont(m_normalFont);
}

void CChatView::reloadPreferences() {
    loadPreferences();
    if (CChatLog* log = GetChatLog())
        log->ReloadLimit();
    rebuild();
}

bool CChatView::OnMessage(platform::MessageId id, qintptr, platform::Object*) {
    if (id != FontChangedMessage() && id != ViewChangedMessage())
        return false;
    reloadPreferences();
    return true;
}

// ---- Pane

int CChatView::OnCreate() {
    m_shoutView = ReadsAsNonzeroInteger(GetServiceSetting(QString::fromLatin1(kShoutSetting)));
    return 0;
}

void CChatView::OnInitialUpdate() {
    // A view made while the session already talks shows what was said so far.
    rebuild();
}

CChatLog* CChatView::GetChatLog() const {
    return FindChatLog(GetDocument());
}

bool CChatView::TakesKind(int kind) const {
    if (m_shoutView)
        return kind == ChatKind::Shout;
    // Shouts go to the shout pane; where the windows have none, the chat shows them.
    return kind != ChatKind::Shout || !hasShoutPane();
}

bool CChatView::hasShoutPane() const {
    const platform::Document* document = GetDocument();
    if (!document)
        return false;
    for (platform::View* view : document->Views()) {
        const auto* chat = dynamic_cast<const CChatView*>(view);
        if (chat && chat->m_shoutView)
            return true;
    }
    return false;
}

void CChatView::OnUpdate(platform::View*, int hint, platform::Object* object) {
    switch (hint) {
    case CChatLog::kHintChatLine:
        if (const auto* element = platform::object_cast<CLogElement>(object))
            addChatLine(*element, true);
        break;
    case CSessionDoc::kHintChatScroll:
        ScrollToNewest();
        break;
    default:
        break;
    }
}

bool CChatView::WantsKey(int virtualKey) const {
    // Escape, and the keys that scroll the chat (page up and down, up and down arrows); everything
    // else typed here goes to the command line.
    switch (virtualKey) {
    case 27:
    case 33:
    case 34:
    case 38:
    case 40:
        return true;
    default:
        return CGameView::WantsKey(virtualKey);
    }
}

QSize CChatView::sizeHint() const {
    return QSize(40 * m_normalMetrics.averageCharWidth() + m_scrollBarWidth, 12 * m_normalMetrics.height());
}

QSize CChatView::minimumSizeHint() const {
    return QSize(8 * m_normalMetrics.averageCharWidth() + m_scrollBarWidth, 2 * m_normalMetrics.height());
}

// ---- Display lines

QRect CChatView::ClientRect() const {
    return QRect(0, 0, std::max(0, width() - m_scrollBarWidth), height());
}

int CChatView::textWidth(const QString& text, bool bold) {
    constexpr qsizetype kLongestRemembered = 40;
    constexpr qsizetype kMostRemembered = 8192;
    const QFontMetrics& metrics = bold ? m_boldMetrics : m_normalMetrics;
    if (text.size() > kLongestRemembered)
        return metrics.horizontalAdvance(text);
    QHash<QString, int>& cache = m_widthCache[bold ? 1 : 0];
    if (const auto it = cache.constFind(text); it != cache.constEnd())
        return *it;
    if (cache.size() >= kMostRemembered)
        cache.clear();
    const int width = metrics.horizontalAdvance(text);
    cache.insert(text, width);
    return width;
}

const QFont& CChatView::fontOf(const CLineBufferData& line) const {
    return line.bold && m_boldMoves ? m_boldFont : m_normalFont;
}

const QFontMetrics& CChatView::metricsOf(const CLineBufferData& line) const {
    return line.bold && m_boldMoves ? m_boldMetrics : m_normalMetrics;
}

int CChatView::maxScrollPosition() const {
    return std::max(0, m_totalHeight - ClientRect().height());
}

void CChatView::addChatLine(const CLogElement& element, bool scroll) {
    if (!TakesKind(element.GetKind()))
        return;
    // System lines are measured in the bold font even when they are drawn in the normal one, so
    // switching "Bold Moves" never makes a line overflow.
    const bool bold = element.GetKind() == ChatKind::System;
    const QFontMetrics& metrics = bold ? m_boldMetrics : m_normalMetrics;
    const QStringList pieces = WrapChatText(element.Format(), ClientRect().width(),
                                            [this, bold](const QString& text) { return textWidth(text, bold); });
    // While the user holds a selection or looks at older lines, nothing moves under him.
    const bool frozen = m_scrolledBack || HasSelection() || m_selecting;
    int dropped = 0;
    int addedHeight = 0;
    for (const QString& piece : pieces) {
        dropped += addDisplayLine(piece, metrics.height(), bold, !frozen);
        addedHeight += metrics.height();
    }
    if (!scroll)
        return;
    const int oldPos = m_scrollPos;
    if (frozen) {
        m_scrollPos = std::min(m_scrollPos, maxScrollPosition());
    } else {
        m_scrollPos = maxScrollPosition();
        m_pendingShift += oldPos - dropped - m_scrollPos;
    }
    m_pendingNewHeight += addedHeight;
    if (!m_flushPosted) {
        m_flushPosted = true;
        QMetaObject::invokeMethod(this, &CChatView::flushPendingPaint, Qt::QueuedConnection);
    }
    updateScrollBar();
    recomputeScrolledBack();
}

int CChatView::addDisplayLine(const QString& text, int height, bool bold, bool mayDrop) {
    int droppedHeight = 0;
    int droppedLines = 0;
    if (mayDrop) {
        const CChatLog* log = GetChatLog();
        const int limit = log ? log->GetLimit() : CChatLog::kDefaultLimit;
        const size_t kept = size_t(std::max(limit, 1));
        while (!m_lines.empty() && m_lines.size() >= kept) {
            droppedHeight += m_lines.front().height;
            m_lines.pop_front();
            ++droppedLines;
        }
    }
    if (droppedLines > 0) {
        // The anchor (kept for Shift-click) follows its line, or goes with it.
        m_anchorLine -= droppedLines;
        m_focusLine -= droppedLines;
        if (m_anchorLine < 0)
            m_anchorLine = m_anchorChar = -1;
        if (m_focusLine < 0)
            m_focusLine = m_focusChar = -1;
    }
    m_lines.push_back(CLineBufferData{text, height, bold});
    m_totalHeight += height - droppedHeight;
    return droppedHeight;
}

void CChatView::rebuild() {
    stopAutoScroll();
    m_selecting = false;
    m_scrolledBack = false;
    m_anchorLine = m_anchorChar = m_focusLine = m_focusChar = -1;
    m_selection = Selection();
    m_lines.clear();
    m_totalHeight = 0;
    if (const CChatLog* log = GetChatLog()) {
        for (const auto& element : log->Lines())
            addChatLine(*element, false);
    }
    ScrollToNewest();
}

// ---- Scrolling

void CChatView::updateScrollBar() {
    const QSignalBlocker blocker(m_scrollBar);
    const int maximum = maxScrollPosition();
    m_scrollBar->setRange(0, maximum);
    m_scrollBar->setPageStep(std::max(1, ClientRect().height()));
    const int average = m_lines.empty() ? 0 : m_totalHeight / int(m_lines.size());
    m_scrollBar->setSingleStep(std::max(1, average));
    m_scrollBar->setValue(m_scrollPos);
    m_scrollBar->setEnabled(maximum > 0);
}

void CChatView::recomputeScrolledBack() {
    const int clientHeight = ClientRect().height();
    m_scrolledBack =
        HasSelection() || (m_totalHeight > clientHeight && m_scrollPos != m_totalHeight - clientHeight);
}

void CChatView::setScrollPosition(int position, bool moveContents) {
    flushPendingPaint();
    const int delta = m_scrollPos - position;
    m_scrollPos = position;
    if (moveContents && delta != 0)
        QWidget::scroll(0, delta, ClientRect());
}

// Lines arrive faster than the screen shows them: their scrolling and their rectangles are gathered
// and handed to the window once per turn of the event loop, so a burst moves the pixels once.
void CChatView::flushPendingPaint() {
    m_flushPosted = false;
    const QRect client = ClientRect();
    const int shift = std::exchange(m_pendingShift, 0);
    const int newHeight = std::min(std::exchange(m_pendingNewHeight, 0), m_totalHeight);
    if (std::abs(shift) >= client.height()) {
        update(client);
        return;
    }
    if (shift != 0)
        QWidget::scroll(0, shift, client);
    if (newHeight > 0)
        update(QRect(0, m_totalHeight - newHeight - m_scrollPos, client.width(), newHeight) & client);
}

void CChatView::invalidateAll() {
    m_pendingShift = 0;
    m_pendingNewHeight = 0;
    update(ClientRect());
}

void CChatView::ScrollTo(int position) {
    position = std::clamp(position, 0, maxScrollPosition());
    setScrollPosition(position, true);
    updateScrollBar();
    recomputeScrolledBack();
}

void CChatView::ScrollToNewest() {
    ClearSelection();
    m_scrollPos = maxScrollPosition();
    updateScrollBar();
    recomputeScrolledBack();
    invalidateAll();
}

void CChatView::resizeEvent(QResizeEvent* event) {
    CGameView::resizeEvent(event);
    m_scrollBarWidth = m_scrollBar->sizeHint().width();
    m_scrollBar->setGeometry(width() - m_scrollBarWidth, 0, m_scrollBarWidth, height());
    const QRect client = ClientRect();
    if (client.width() != m_lastWidth) {
        m_lastWidth = client.width();
        m_lastHeight = client.height();
        rebuild();
        return;
    }
    if (client.height() != m_lastHeight) {
        // The bottom line stays where it is.
        const int position = std::max(0, m_scrollPos + m_lastHeight - client.height());
        m_lastHeight = client.height();
        m_scrollPos = std::min(position, maxScrollPosition());
        updateScrollBar();
        recomputeScrolledBack();
        invalidateAll();
    }
}

void CChatView::wheelEvent(QWheelEvent* event) {
    QCoreApplication::sendEvent(m_scrollBar, event);
}

// ---- Drawing

void CChatView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect client = ClientRect();
    const QRect dirty = event->rect() & client;
    if (dirty.isEmpty())
        return;
    const QColor background = m_backgroundColor == platform::kNoColor ? palette().color(QPalette::Base)
                                                                      : platform::ToQColor(m_backgroundColor);
    painter.fillRect(dirty, background);
    painter.setClipRect(dirty);

    const int bandTop = m_scrollPos + dirty.top();
    const int bandBottom = m_scrollPos + dirty.bottom() + 1;
    int top = 0;
    for (size_t i = 0; i < m_lines.size() && top < bandBottom; ++i) {
        const CLineBufferData& line = m_lines[i];
        if (top + line.height > bandTop) {
            const QFontMetrics& metrics = metricsOf(line);
            painter.setFont(fontOf(line));
            const int y = top - m_scrollPos;
            const int baseline = y + metrics.ascent();
            const int length = int(line.text.size());
            int selStart = length;
            int selEnd = length;
            if (HasSelection() && int(i) >= m_selection.firstLine && int(i) <= m_selection.lastLine) {
                selStart = int(i) == m_selection.firstLine ? std::clamp(m_selection.firstChar, 0, length) : 0;
                selEnd = int(i) == m_selection.lastLine ? std::clamp(m_selection.lastChar, 0, length) : length;
                if (selEnd < selStart)
                    selEnd = selStart;
            }
            auto drawPiece = [&](int from, int to, platform::COLORREF textColor, platform::COLORREF fill) {
                if (to <= from)
                    return;
                const QString piece = line.text.mid(from, to - from);
                const int x = PrefixWidth(metrics, line.text, from);
                if (fill != platform::kNoColor) {
                    const int right = PrefixWidth(metrics, line.text, to);
                    painter.fillRect(QRect(x, y, right - x, line.height), platform::ToQColor(fill));
                }
                if (textColor == platform::kNoColor)
                    return;
                painter.setPen(platform::ToQColor(textColor));
                painter.drawText(QPoint(x, baseline), piece);
            };
            drawPiece(0, selStart, m_textColor, platform::kNoColor);
            drawPiece(selStart, selEnd, m_selectedTextColor, m_selectedBackgroundColor);
            drawPiece(selEnd, length, m_textColor, platform::kNoColor);
        }
        top += line.height;
    }
}

// ---- Selection

void CChatView::SetSelection(int anchorLine, int anchorChar, int focusLine, int focusChar) {
    m_anchorLine = anchorLine;
    m_anchorChar = anchorChar;
    m_focusLine = focusLine;
    m_focusChar = focusChar;
    Selection next;
    if (anchorLine != focusLine || anchorChar != focusChar) {
        const bool anchorFirst = anchorLine < focusLine || (anchorLine == focusLine && anchorChar < focusChar);
        next.firstLine = anchorFirst ? anchorLine : focusLine;
        next.firstChar = anchorFirst ? anchorChar : focusChar;
        next.lastLine = anchorFirst ? focusLine : anchorLine;
        next.lastChar = anchorFirst ? focusChar : anchorChar;
    }
    if (next == m_selection)
        return;
    m_selection = next;
    invalidateAll();
}

void CChatView::ClearSelection() {
    if (!HasSelection())
        return;
    m_selection = Selection();
    invalidateAll();
}

QString CChatView::GetSelectedText() const {
    if (!HasSelection())
        return QString();
    const QString crlf = QStringLiteral("\r\n");
    const QString& first = m_lines[size_t(m_selection.firstLine)].text;
    const QString& last = m_lines[size_t(m_selection.lastLine)].text;
    QString text;
    if (m_selection.firstLine == m_selection.lastLine) {
        text = first.mid(m_selection.firstChar, m_selection.lastChar - m_selection.firstChar);
    } else {
        text = first.mid(m_selection.firstChar);
        for (int i = m_selection.firstLine + 1; i < m_selection.lastLine; ++i)
            text += crlf + m_lines[size_t(i)].text;
        text += crlf + last.left(m_selection.lastChar);
    }
    if (m_selection.lastChar >= last.size())
        text += crlf;
    return text;
}

bool CChatView::HitTest(const QPoint& point, int& line, int& character) const {
    if (m_lines.empty())
        return false;
    const int y = point.y() + m_scrollPos;
    line = int(m_lines.size()) - 1;
    int bottom = 0;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        bottom += m_lines[i].height;
        if (bottom > y) {
            line = int(i);
            break;
        }
    }
    // The caret position nearest to x: the boundary left of a character's middle or right of it.
    const CLineBufferData& hit = m_lines[size_t(line)];
    const QFontMetrics& metrics = metricsOf(hit);
    const int length = int(hit.text.size());
    const int x = point.x();
    int low = 1;
    int high = length + 1; // the first prefix wider than x lies in [low, high); high: none is
    while (low < high) {
        const int middle = (low + high) / 2;
        if (PrefixWidth(metrics, hit.text, middle) > x)
            high = middle;
        else
            low = middle + 1;
    }
    if (x <= 0 || low > length) {
        character = x <= 0 ? 0 : length;
        return true;
    }
    const int left = PrefixWidth(metrics, hit.text, low - 1);
    const int right = PrefixWidth(metrics, hit.text, low);
    character = (x - left) * 2 < right - left ? low - 1 : low;
    return true;
}

void CChatView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        CGameView::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_selecting = true;
    m_lastMousePos = event->position().toPoint();
    m_lastMouseModifiers = event->modifiers();
    int line = -1;
    int character = -1;
    if (!HitTest(m_lastMousePos, line, character))
        return;
    if (event->modifiers().testFlag(Qt::ShiftModifier) && m_anchorLine >= 0)
        SetSelection(m_anchorLine, m_anchorChar, line, character);
    else
        SetSelection(line, character, line, character);
}

void CChatView::selectionMove(QPoint point) {
    m_lastMousePos = point;
    const int clientHeight = ClientRect().height();
    if (point.y() <= 0) {
        point.setY(0);
        if (!m_autoScroll.isActive() || m_autoScrollDirection != 0) {
            m_autoScrollDirection = 0;
            m_autoScroll.start();
        }
    } else if (point.y() >= clientHeight - 1) {
        point.setY(std::max(0, clientHeight - 1));
        if (!m_autoScroll.isActive() || m_autoScrollDirection != 1) {
            m_autoScrollDirection = 1;
            m_autoScroll.start();
        }
    } else {
        stopAutoScroll();
    }
    int line = -1;
    int character = -1;
    if (m_anchorLine >= 0 && HitTest(point, line, character))
        SetSelection(m_anchorLine, m_anchorChar, line, character);
}

void CChatView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_selecting) {
        CGameView::mouseMoveEvent(event);
        return;
    }
    m_lastMouseModifiers = event->modifiers();
    selectionMove(event->position().toPoint());
}

void CChatView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_selecting) {
        CGameView::mouseReleaseEvent(event);
        return;
    }
    m_selecting = false;
    stopAutoScroll();
    recomputeScrolledBack();
    invalidateAll();
}

void CChatView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        CGameView::mouseDoubleClickEvent(event);
        return;
    }
    m_selecting = false;
    stopAutoScroll();
    int line = -1;
    int character = -1;
    if (HitTest(event->position().toPoint(), line, character))
        SetSelection(line, 0, line, int(m_lines[size_t(line)].text.size()));
    recomputeScrolledBack();
}

void CChatView::OnAutoScrollTimer() {
    const int step = std::max(1, m_scrollBar->singleStep());
    ScrollTo(m_scrollPos + (m_autoScrollDirection == 0 ? -step : step));
    if (m_selecting)
        selectionMove(m_lastMousePos);
    else
        stopAutoScroll();
}

void CChatView::stopAutoScroll() {
    m_autoScroll.stop();
}

void CChatView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        ScrollToNewest();
        ActivateCommandLine(true);
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        Copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    switch (event->key()) {
    case Qt::Key_PageUp:
        m_scrollBar->triggerAction(QAbstractSlider::SliderPageStepSub);
        return;
    case Qt::Key_PageDown:
        m_scrollBar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return;
    case Qt::Key_Up:
        m_scrollBar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return;
    case Qt::Key_Down:
        m_scrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return;
    default:
        CGameView::keyPressEvent(event);
    }
}

// ---- Commands

void CChatView::Copy() {
    if (HasSelection())
        platform::SetClipboardText(GetSelectedText());
}

void CChatView::Clear() {
    if (CChatLog* log = GetChatLog())
        log->RemoveAll();
    stopAutoScroll();
    m_lines.clear();
    m_scrolledBack = false;
    m_selecting = false;
    m_anchorLine = m_anchorChar = m_focusLine = m_focusChar = -1;
    m_selection = Selection();
    m_totalHeight = 0;
    m_scrollPos = 0;
    updateScrollBar();
    invalidateAll();
}

void CChatView::SelectAll() {
    if (m_lines.empty())
        return;
    const int last = int(m_lines.size()) - 1;
    SetSelection(0, 0, last, int(m_lines.back().text.size()));
    recomputeScrolledBack();
}

CGameView* CChatView::commandLinePane() const {
    // The service frame or the talk window that holds this view.
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* host = dynamic_cast<CCommandLineHost*>(w))
            return host->GetCommandLinePane();
    }
    return nullptr;
}

void CChatView::routeToCommandLine(int id) {
    if (CGameView* commandLine = commandLinePane()) {
        commandLine->OnCommand(id);
        ActivateCommandLine(true);
    }
}

QMenu* CChatView::CreateContextMenu(int menuId) {
    if (menuId != kContextMenu)
        return nullptr;
    auto* menu = new QMenu(this);
    auto add = [this, menu](int id, const QString& text) {
        QAction* action = platform::MakeAction(id, text, menu);
        platform::CommandState state;
        OnUpdateCommand(id, state);
        action->setEnabled(state.enabled);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        menu->addAction(action);
    };
    add(kCmdSelectAll, QStringLiteral("Select &All"));
    add(kCmdCopy, QStringLiteral("&Copy"));
    add(kCmdClear, QStringLiteral("C&lear"));
    menu->addSeparator();
    add(kCmdTell, QStringLiteral("&Tell"));
    add(kCmdWhisper, QStringLiteral("&Whisper"));
    add(kCmdEmote, QStringLiteral("&Emote"));
    add(kCmdShout, QStringLiteral("&Shout"));
    menu->addSeparator();
    add(kCmdProperties, QStringLiteral("&Properties..."));
    return menu;
}

bool CChatView::OnUpdateCommand(int id, platform::CommandState& state) {
    switch (id) {
    case kCmdCopy:
        state.enabled = HasSelection();
        return true;
    case kCmdClear:
    case kCmdSelectAll:
        state.enabled = !m_lines.empty();
        return true;
    case kCmdProperties:
    case kCmdPrint:
    case kCmdPrintPreview:
        state.enabled = true;
        return true;
    case kCmdTell:
    case kCmdWhisper:
    case kCmdEmote:
    case kCmdShout: {
        CGameView* commandLine = commandLinePane();
        if (!commandLine || !commandLine->OnUpdateCommand(id, state))
            state.enabled = false;
        return true;
    }
    default:
        return false;
    }
}

bool CChatView::OnCommand(int id) {
    switch (id) {
    case kCmdCopy:
        Copy();
        return true;
    case kCmdClear:
        Clear();
        return true;
    case kCmdSelectAll:
        SelectAll();
        return true;
    case kCmdProperties:
        ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kFontPage, kFontKindChatView);
        return true;
    case kCmdPrint: {
        QPrinter printer(QPrinter::HighResolution);
        QPrintDialog dialog(&printer, this);
        if (platform::ui().ExecDialog(&dialog) == platform::IDOK)
            PrintTo(&printer);
        return true;
    }
    case kCmdPrintPreview: {
        QPrinter printer(QPrinter::HighResolution);
        QPrintPreviewDialog preview(&printer, this);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) { PrintTo(target); });
        platform::ui().ExecDialog(&preview);
        return true;
    }
    case kCmdTell:
    case kCmdWhisper:
    case kCmdEmote:
    case kCmdShout:
        routeToCommandLine(id);
        return true;
    default:
        return false;
    }
}

// ---- Printing

int CChatView::PrintTo(QPrinter* printer) const {
    QPainter painter;
    if (!printer || !painter.begin(printer))
        return 0;
    const QRect page(QPoint(0, 0), printer->pageLayout().paintRectPixels(printer->resolution()).size());
    const QFont normal = FontForDevice(m_normalFont, logicalDpiY());
    const QFont bold = FontForDevice(m_boldFont, logicalDpiY());
    const QFontMetrics normalMetrics(normal, printer);
    const QFontMetrics boldMetrics(bold, printer);
    // Paper is white: the text is black whatever the screen colours are.
    painter.setPen(Qt::black);
    int pages = 1;
    int y = 0;
    if (const CChatLog* log = GetChatLog()) {
        for (const auto& element : log->Lines()) {
            if (!TakesKind(element->GetKind()))
                continue;
            const bool isSystem = element->GetKind() == ChatKind::System;
            const QFontMetrics& measure = isSystem ? boldMetrics : normalMetrics;
            const QFontMetrics& draw = isSystem && m_boldMoves ? boldMetrics : normalMetrics;
            painter.setFont(isSystem && m_boldMoves ? bold : normal);
            const QStringList pieces = WrapChatText(element->Format(), page.width(),
                                                    [&measure](const QString& text) { return measure.horizontalAdvance(text); });
            for (const QString& piece : pieces) {
                const int height = measure.height();
                if (y > 0 && y + height > page.height()) {
                    printer->newPage();
                    ++pages;
                    y = 0;
                }
                painter.drawText(QPoint(0, y + draw.ascent()), piece);
                y += height;
            }
        }
    }
    painter.end();
    return pages;
}
