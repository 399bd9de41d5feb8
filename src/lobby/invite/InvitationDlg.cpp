#include "lobby/invite/InvitationDlg.h"

#include "game/ClientGameFactory.h"
#include "lobby/invite/InvitationManager.h"
#include "net/TransmittableObject.h"
#include "platform/ScreenFit.h"
#include "session/SessionDoc.h"
#include "support/ApplicationTimer.h"
#include "support/PacketText.h"
#include "support/Utilities.h"
#include "support/controls/FittingScrollArea.h"
#include "version.h"
#include "web/PlayerImage.h"
#include "web/WebAddress.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace invite_detail {

// One text of the player panel: drawn with its baseline near the bottom edge, from the left edge or
// (right-aligned) up to the right edge, shortened with "..." when it does not fit.
class PanelText : public QWidget {
public:
    PanelText(QWidget* parent, int id, Qt::Alignment alignment) : QWidget(parent), m_alignment(alignment) {
        setObjectName(QString::number(id));
        setAttribute(Qt::WA_TranslucentBackground);
    }
    void setText(const QString& text) {
        if (text == m_text)
            return;
        m_text = text;
        update();
    }
    const QString& text() const { return m_text; }
    void setLook(const QFont& font, const QColor& colour) {
        setFont(font);
        m_colour = colour;
        setMinimumHeight(QFontMetrics(font).height() + 2);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(m_colour);
        const QFontMetrics metrics(font());
        const QString shown = CInvitationDlg::FitTextToWidth(m_text, metrics, width());
        const int baseline = height() - metrics.descent() - 1;
        const int x = (m_alignment & Qt::AlignRight) ? width() - metrics.horizontalAdvance(shown) : 0;
        painter.drawText(x, baseline, shown);
    }

private:
    QString m_text;
    QColor m_colour = Qt::black;
    Qt::Alignment m_alignment;
};

// Where a player's marker shows: terms changed (an amber circle with a mark) or accepted (a green
// circle with a tick).
class MarkerAnchor : public QWidget {
public:
    MarkerAnchor(QWidget* parent, int id) : QWidget(parent) {
        setObjectName(QString::number(id));
        setFixedSize(24, 24);
    }
    void setState(int state) {
        if (state == m_state)
            return;
        m_state = state;
        update();
    }
    int state() const { return m_state; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (m_state == CInvitationDlg::kMarkerNone)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF circle(2.5, 2.5, 19, 19);
        const bool accepted = m_state == CInvitationDlg::kMarkerAccepted;
        painter.setPen(QPen(accepted ? QColor(20, 110, 40) : QColor(160, 100, 0), 1.2));
        painter.setBrush(accepted ? QColor(60, 170, 80) : QColor(245, 180, 40));
        painter.drawEllipse(circle);
        painter.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (accepted) {
            QPainterPath tick;
            tick.moveTo(7.5, 12.5);
            tick.lineTo(10.5, 15.5);
            tick.lineTo(16.5, 8.5);
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(tick);
        } else {
            painter.drawLine(QPointF(12, 7), QPointF(12, 13.5));
            painter.drawPoint(QPointF(12, 17));
        }
    }

private:
    int m_state = CInvitationDlg::kMarkerNone;
};

} // namespace invite_detail

using invite_detail::MarkerAnchor;
using invite_detail::PanelText;

namespace {

constexpr int kPanelTextIds[] = {CInvitationDlg::kIdName0,      CInvitationDlg::kIdName1,
                                 CInvitationDlg::kIdRating0,    CInvitationDlg::kIdRating1,
                                 CInvitationDlg::kIdWinDelta0,  CInvitationDlg::kIdWinDelta1,
                                 CInvitationDlg::kIdLoseDelta0, CInvitationDlg::kIdLoseDelta1};

// The format with each "%s" replaced in one pass by the next value (inserted text is never read again).
QString fill(const char* format, std::initializer_list<QString> values) {
    const QString pattern = QString::fromLatin1(format);
    QString out;
    auto next = values.begin();
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) == QLatin1Char('%') && i + 1 < pattern.size() &&
            pattern.at(i + 1) == QLatin1Char('s') && next != values.end()) {
            out += *next++;
            ++i;
        } else {
            out += pattern.at(i);
        }
    }
    return out;
}

} // namespace

// ---- Construction -------------------------------------------------------------------------------

CInvitationDlg::CInvitationDlg(CInvitationManager* manager, QWidget* parent, const CInviteData& record,
                               int templateId, bool received)
    // An invitation that arrives comes up without taking the keyboard from what the user is typing.
    : CStickyDialog(templateId, parent, !received, true), m_manager(manager), m_record(record),
      m_received(received), m_constructedReceived(received) {
    m_ownNickname = manager ? manager->GetOwnNickname() : QString();
    m_serviceName = m_record.GetServiceName();
    m_players = m_serviceName.GetPartList();
    m_cookie = QStringLiteral("Invite") + m_serviceName.GetText();
    m_ownVersion = NORVALE_CLIENT_VERSION_NUMBER;
    m_discard = m_record.Replaces();
    m_discardText = m_discard ? m_record.GetUnfinishedKey() : QString();
    if (received && m_discard) {
        // A peer may name only the unfinished match this user has with these players.
        const TUnfinishedMatchInfo* ours = manager ? manager->FindUnfinishedMatch(m_serviceName) : nullptr;
        if (!ours || ours->matchKey != m_discardText) {
            m_discard = false;
            m_discardText.clear();
        }
    }
    // The peer: the inviter on the invited side, else the first player who is not this user.
    if (received) {
        m_peer = m_serviceName.GetPart(0);
    } else {
        for (const QString& part : m_players) {
            if (!SameNickname(part, m_ownNickname)) {
                m_peer = part;
                break;
            }
        }
    }
    setAttribute(Qt::WA_DeleteOnClose, false);
}

CInvitationDlg::~CInvitationDlg() {
    m_closed = true;
    m_initialised = false;
    KillApplicationTimersOf(this);
}

bool CInvitationDlg::CreateDialogWindow(int templateId, QWidget* parent) {
    (void)templateId;
    if (m_window)
        return true;
    if (parent && parent != parentWidget())
        setParent(parent, windowFlags() | Qt::Dialog);
    buildWindow();
    // All of it where the screen has room (QWidget's own first size stops at two thirds of the
    // screen); showing keeps it on the screen, where its body scrolls when it must.
    resize(sizeHint().expandedTo(minimumSizeHint()));
    EnsureInitialized();
    show();
    return true;
}

QString CInvitationDlg::caption() const {
    return QStringLiteral("Norvale %1 Invitation").arg(GetGameName());
}

void CInvitationDlg::buildWindow() {
    setWindowTitle(caption());
    m_window = this;
    auto* outer = new QVBoxLayout(this);
    // The players and the terms scroll where the screen has no room for them (a small screen, a large
    // scale factor); the foot and the buttons stay in sight below them.
    m_body = new CFittingScrollArea(this);
    auto* content = new QWidget(m_body);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    column->addLayout(top);

    m_picture = new CPlayerImage(content, kIdPicture);
    m_picture->setFixedSize(120, 150);
    top->addWidget(m_picture, 0, Qt::AlignTop);

    auto* panel = new QWidget(content);
    SetItemId(panel, kIdPanel);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(10);
    const QFont headerFont = GetDeltaFont();
    const std::pair<int, const char*> headers[] = {{2, "Rating"}, {3, "Win"}, {4, "Lose"}};
    for (const auto& [column, text] : headers) {
        auto* label = new QLabel(QString::fromLatin1(text), panel);
        label->setFont(headerFont);
        label->setAlignment(Qt::AlignRight | Qt::AlignBottom);
        grid->addWidget(label, 0, column);
    }
    for (int slot = 0; slot < 2; ++slot) {
        auto* marker = new MarkerAnchor(panel, slot == 0 ? kIdMarker0 : kIdMarker1);
        grid->addWidget(marker, slot + 1, 0);
        auto* name = new PanelText(panel, slot == 0 ? kIdName0 : kIdName1, Qt::AlignLeft);
        name->setLook(GetNameFont(), GetNameColor());
        name->setMinimumWidth(110);
        grid->addWidget(name, slot + 1, 1);
        const std::pair<int, QFont> numbers[] = {{slot == 0 ? kIdRating0 : kIdRating1, GetRatingFont()},
                                                 {slot == 0 ? kIdWinDelta0 : kIdWinDelta1, GetDeltaFont()},
                                                 {slot == 0 ? kIdLoseDelta0 : kIdLoseDelta1, GetDeltaFont()}};
        int column = 2;
        for (const auto& [id, font] : numbers) {
            auto* text = new PanelText(panel, id, Qt::AlignRight);
            text->setLook(font, GetTextColor());
            text->setMinimumWidth(48);
            grid->addWidget(text, slot + 1, column++);
        }
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    top->addWidget(panel, 1);

    if (QWidget* terms = CreateTermsPane(content))
        column->addWidget(terms);
    column->addStretch(1);
    m_body->setWidget(content);
    // However small the dialog is made, its body can show the terms Enter accepts whole.
    if (QWidget* terms = GetTermsToSee(); terms && content->isAncestorOf(terms)) {
        const int bar = m_body->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_body);
        m_body->setMinimumSize(m_body->minimumSizeHint().expandedTo(terms->sizeHint() + QSize(bar, bar)));
    }
    outer->addWidget(m_body, 1);
    if (QWidget* foot = CreateFootPane(this))
        outer->addWidget(foot);

    auto* buttons = new QHBoxLayout;
    const std::pair<int, const char*> left[] = {{kIdPlayerInfo, "Player In&fo..."}, {kIdChat, "C&hat..."}};
    for (const auto& [id, text] : left) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setAutoDefault(false);
        SetItemId(button, id);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    const std::pair<int, const char*> right[] = {
        {kIdInvite, "&Invite"}, {kIdPlay, "&Play"}, {kIdNoThanks, "&No Thanks"}, {kIdCancel, "&Cancel"}};
    for (const auto& [id, text] : right) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setAutoDefault(false);
        button->hide();
        SetItemId(button, id);
        buttons->addWidget(button);
    }
    outer->addLayout(buttons);

    const std::pair<int, void (CInvitationDlg::*)()> handlers[] = {
        {kIdInvite, &CInvitationDlg::OnInvite},         {kIdPlay, &CInvitationDlg::OnPlay},
        {kIdNoThanks, &CInvitationDlg::OnNoThanks},     {kIdCancel, &CInvitationDlg::OnCancelInvitation},
        {kIdPlayerInfo, &CInvitationDlg::OnPlayerInfo}, {kIdChat, &CInvitationDlg::OnChat}};
    for (const auto& [id, handler] : handlers) {
        if (auto* button = ItemAs<QPushButton>(id))
            connect(button, &QPushButton::clicked, this, handler);
    }
    // Enter on Invite or Play themselves (the default button takes it there) is checked too.
    for (int id : {kIdInvite, kIdPlay})
        if (QWidget* button = Item(id))
            button->installEventFilter(this);
}

bool CInvitationDlg::bringTermsIntoSight() {
    QWidget* terms = GetTermsToSee();
    if (!m_body || !terms || !terms->isVisible() || m_body->IsWhollyInSight(terms))
        return false;
    m_body->ensureWidgetVisible(terms, 0, 0);
    return true;
}

namespace {
bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
} // namespace

void CInvitationDlg::showEvent(QShowEvent* event) {
    CStickyDialog::showEvent(event);
    // Cut short by the screen, the body scrolls up and down: the room of its scroll bar, where the
    // screen has it, spares scrolling sideways as well.
    if (!m_body)
        return;
    const QSize wanted = sizeHint();
    const int wider = wanted.width() + m_body->verticalScrollBar()->sizeHint().width();
    if (height() < wanted.height() && width() < wider) {
        resize(wider, height());
        platform::KeepOnScreen(*this);
    }
}

void CInvitationDlg::keyPressEvent(QKeyEvent* event) {
    // Enter accepts only terms the user sees: while they are scrolled out of sight, it brings them in.
    if (isEnter(event) && bringTermsIntoSight()) {
        event->accept();
        return;
    }
    CStickyDialog::keyPressEvent(event);
}

bool CInvitationDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && isEnter(static_cast<QKeyEvent*>(event)) && bringTermsIntoSight())
        return true;
    return CStickyDialog::eventFilter(watched, event);
}

bool CInvitationDlg::OnInitDialog() {
    CStickyDialog::OnInitDialog();
    LoadDefaults();
    m_controlsCreated = true;
    loadControls();
    setPanelText(kIdName0, m_ownNickname);
    setPanelText(kIdName1, m_peer);
    refreshRatingTexts();
    refreshDeltas();
    if (m_received) {
        ShowItem(kIdPlay, true);
    } else {
        ShowItem(kIdCancel, true);
        ShowItem(kIdInvite, true);
    }
    ShowPicture();
    SendRatingRequest();
    SendVersionRequest();
    SendLeagueInfoRequest();
    EnableItem(kIdInvite, CanInvite());
    EnableItem(kIdPlay, CanPlay());
    EnableItem(kIdChat, canChat());
    EnableItem(kIdPlayerInfo,
               m_manager && m_manager->GetSession() && m_manager->GetSession()->CanShowPlayerInfo());
    armPoll();
    m_initialised = true;
    return true;
}

void CInvitationDlg::StartFromGame(const QString& startText) {
    if (m_closed)
        return;
    if (!SameNickname(m_serviceName.GetPart(0), m_ownNickname)) {
        // The other player invites again: this side waits for it as the invited side does.
        m_received = true;
        m_peer = m_serviceName.GetPart(0);
        setPanelText(kIdName1, m_peer);
        ShowItem(kIdInvite, false);
        ShowItem(kIdCancel, false);
        ShowItem(kIdPlay, true);
        ShowItem(kIdNoThanks, true);
        // Nothing has come from the peer yet: the title says so until his invitation does. Meanwhile
        // the dialog shows the terms just played, which he offers again.
        setWindowTitle(caption() + QStringLiteral(" - waiting for ") + m_peer);
        if (!startText.trimmed().isEmpty())
            ApplyRulesText(startText.trimmed());
        loadControls();
        refreshPlay();
        EnableItem(kIdChat, canChat());
        return;
    }
    if (!startText.trimmed().isEmpty() && ApplyRulesText(startText.trimmed()))
        loadControls();
    UpdateButtons();
}

// ---- Sending ------------------------------------------------------------------------------------

bool CInvitationDlg::send(int type, const QString& text, const QString& target) {
    return m_manager && m_manager->SendPacketText(type, text, -1, target);
}

bool CInvitationDlg::SendInvitationMessage(int kind) {
    // Before any record the peer hears only of an invitation, or of a play-again that ends: his dialog
    // is open for it already.
    const bool mayOpen = kind == CInviteData::kInvite ||
                         (IsFromGame() && (kind == CInviteData::kWithdraw || kind == CInviteData::kDecline));
    if (m_closed || !m_manager || (!m_live && !mayOpen) || !UpdateData(true))
        return false;
    // Terms go out only whole: what the controls show once they have taken what was typed.
    const bool offersTerms = kind == CInviteData::kInvite || kind == CInviteData::kNewTerms ||
                             kind == CInviteData::kAccept || kind == CInviteData::kStart;
    if (offersTerms && !AreRulesValid())
        return false;
    QString payload;
    if (kind == CInviteData::kDecline || kind == CInviteData::kText) {
        payload = CInviteData::FormatLengthText(m_messageText);
    } else {
        m_rulesText = GetRulesText();
        payload = m_rulesText;
    }
    m_record.SetUnfinishedKey(m_discard, m_discardText);
    m_record.SetMessage(kind, m_ownNickname, payload);
    if (!m_manager->SendInvitationRecord(m_peer, m_record.Format(), true)) {
        if (CSessionDoc* session = m_manager->GetSession(); session && !session->IsConnected())
            session->TellNotSent(RecordName(kind));
        return false;
    }
    if (kind == CInviteData::kNewTerms) {
        setMarker(0, kMarkerChanged);
        setMarker(1, kMarkerChanged);
        clearAcceptance();
        refreshPlay();
    }
    return true;
}

QString CInvitationDlg::RecordName(int kind) {
    switch (kind) {
    case CInviteData::kInvite:
        return QStringLiteral("invitation");
    case CInviteData::kNewTerms:
        return QStringLiteral("change of terms");
    case CInviteData::kAccept:
        return QStringLiteral("acceptance");
    case CInviteData::kDecline:
        return QStringLiteral("refusal");
    case CInviteData::kWithdraw:
        return QStringLiteral("withdrawal");
    case CInviteData::kStart:
        return QStringLiteral("start of the match");
    default:
        return QStringLiteral("message to your opponent");
    }
}

// ---- Receiving ----------------------------------------------------------------------------------

void CInvitationDlg::OnInviteDataReceived(const QString& recordText) {
    if (m_closed || !m_window)
        return;
    CInviteData record(recordText);
    if (record.GetServiceName().GetText() != m_serviceName.GetText())
        return;
    const QString sender = record.GetPlayerName();
    const int senderIndex = playerIndex(sender);
    if (senderIndex < 0 || senderIndex == ownIndex())
        return;
    // A peer may name only the unfinished match this user has with these players.
    if (record.Replaces()) {
        const TUnfinishedMatchInfo* ours =
            m_manager ? m_manager->FindUnfinishedMatch(m_serviceName) : nullptr;
        if (ours && ours->matchKey == record.GetUnfinishedKey() && !m_discard) {
            m_discard = true;
            m_discardText = record.GetUnfinishedKey();
        }
    }
    const bool fromInviter = senderIndex == 0;
    QPointer<CInvitationDlg> alive(this);
    switch (record.GetMessageKind()) {
    case CInviteData::kInvite:
        if (m_received && !m_live && fromInviter)
            onReceivedInvitation(record);
        return;
    case CInviteData::kNewTerms: {
        if (!m_live)
            return;
        setMarker(0, kMarkerChanged);
        setMarker(1, kMarkerChanged);
        clearAcceptance();
        refreshPlay();
        const bool unchanged = ApplyRulesText(record.GetPayload());
        loadControls();
        m_rulesText = GetRulesText();
        OnTermsChanged(false);
        if (m_received)
            EnableItem(kIdNoThanks, true);
        // Terms this dialog had to change go back to the peer, so both show the same.
        if (!unchanged)
            SendInvitationMessage(CInviteData::kNewTerms);
        return;
    }
    case CInviteData::kAccept:
        if (!m_live)
            return;
        if (!RulesEqual(m_rulesText, record.GetPayload())) {
            // Stale or foreign terms are never taken as an acceptance.
            SendInvitationMessage(CInviteData::kNewTerms);
            return;
        }
        markAccepted(senderIndex);
        setMarker(1, kMarkerAccepted);
        if (!m_received && m_acceptedHere && everyoneAccepted()) {
            if (SendInvitationMessage(CInviteData::kStart) && alive)
                StartGame();
        }
        return;
    case CInviteData::kDecline:
        addChatLine(SanitizePeerText(CInviteData::ParseLengthText(record.GetPayload())));
        closeInvitation();
        return;
    case CInviteData::kWithdraw:
        addChatLine(fill("%s has cancelled the %s invitation.", {sender, GetGameName()}));
        closeInvitation();
        return;
    case CInviteData::kStart:
        if (!m_received || !fromInviter || !m_live)
            return;
        if (m_acceptedHere && RulesEqual(m_rulesText, record.GetPayload())) {
            m_record = record;
            StartGame();
        } else {
            OnCancel();
        }
        return;
    case CInviteData::kNotSupported:
        m_messageText = QStringLiteral("You must upgrade your client to play propositions.");
        declineAndClose(m_messageText);
        return;
    case CInviteData::kText:
        return;
    case CInviteData::kTermsRequest:
        SendInvitationMessage(CInviteData::kNewTerms);
        return;
    default:
        declineAndClose(fill("%s has an older version of the client and cannot accept this invitation.",
                             {m_ownNickname}));
        return;
    }
}

void CInvitationDlg::onReceivedInvitation(const CInviteData& record) {
    m_live = true;
    const bool unchanged = ApplyRulesText(record.GetPayload());
    loadControls();
    m_rulesText = GetRulesText();
    if (unchanged) {
        markAccepted(0);
        setMarker(1, kMarkerAccepted);
    } else {
        setMarker(0, kMarkerChanged);
        setMarker(1, kMarkerChanged);
    }
    setWindowTitle(caption() + QStringLiteral(" from ") + m_serviceName.GetPart(0));
    ShowItem(kIdNoThanks, true);
    refreshPlay();
    const TUnfinishedMatchInfo* unfinished =
        m_manager ? m_manager->FindUnfinishedMatch(m_serviceName) : nullptr;
    if (m_manager && (unfinished || m_discard)) {
        update();
        const QString entry = unfinished ? unfinished->entry : m_discardText;
        QPointer<CInvitationDlg> alive(this);
        const int answer = m_manager->ConfirmNewMatch(0, m_serviceName, entry, true);
        // The question runs its own loop: the invitation may have ended meanwhile.
        if (!alive || m_closed)
            return;
        if (answer != CInvitationManager::kStartNew) {
            OnCancel();
            return;
        }
        m_discard = true;
        QString rest = entry;
        m_discardText = NextToken(rest, u" ");
        m_record.SetUnfinishedKey(true, m_discardText);
    }
    if (!unchanged)
        SendInvitationMessage(CInviteData::kNewTerms);
    // The buttons follow the arrived invitation (a rematch accepts itself here).
    Refresh();
}

int CInvitationDlg::OnPacket(int type, const QString& text) {
    if (m_closed)
        return 0;
    if (type == kPacketRatingReply)
        return onRatingReply(text);
    if (type == kPacketVersionReply) {
        const int taken = onVersionReply(text);
        if (taken)
            Refresh();
        return taken;
    }
    return 0;
}

// ---- Buttons and closing ------------------------------------------------------------------------

void CInvitationDlg::OnInvite() {
    if (m_live || m_received || !CanInvite())
        return;
    m_live = SendInvitationMessage(CInviteData::kInvite);
    EnableItem(kIdInvite, CanInvite());
    if (!m_live)
        return;
    setMarker(0, kMarkerAccepted);
    setMarker(1, kMarkerNone);
    clearAcceptance();
    markAccepted(ownIndex());
    m_acceptedHere = true;
    ShowItem(kIdInvite, false);
    ShowItem(kIdPlay, true);
    refreshPlay();
    SetItemText(kIdCancel, QStringLiteral("&No Thanks"));
    SaveDefaults();
}

void CInvitationDlg::OnPlay() {
    if (!CanPlay())
        return;
    // The inviter whose peers have all accepted starts the match; anybody else accepts. Nothing shows
    // accepted before it went out.
    std::set<int> accepted = m_accepted;
    accepted.insert(ownIndex());
    const bool starts = !m_received && !m_players.isEmpty() && int(accepted.size()) == int(m_players.size());
    QPointer<CInvitationDlg> alive(this);
    if (!SendInvitationMessage(starts ? CInviteData::kStart : CInviteData::kAccept) || !alive)
        return;
    m_acceptedHere = true;
    refreshPlay();
    setMarker(0, kMarkerAccepted);
    markAccepted(ownIndex());
    if (starts)
        StartGame();
    else if (m_received)
        EnableItem(kIdNoThanks, false);
}

void CInvitationDlg::OnNoThanks() {
    declineAndClose(fill("%s has declined the invitation.", {m_ownNickname}));
}

void CInvitationDlg::OnCancelInvitation() {
    if (m_live || IsFromGame())
        SendInvitationMessage(CInviteData::kWithdraw);
    closeInvitation();
}

void CInvitationDlg::OnCancel() {
    CloseInvitation();
}

void CInvitationDlg::CloseInvitation() {
    if (m_closed)
        return;
    // A play-again dialog is open on the other side from the start: it is told as well.
    if (m_live || IsFromGame()) {
        if (m_received) {
            m_messageText = fill("%s has declined the invitation.", {m_ownNickname});
            SendInvitationMessage(CInviteData::kDecline);
        } else {
            SendInvitationMessage(CInviteData::kWithdraw);
        }
    }
    closeInvitation();
}

void CInvitationDlg::declineAndClose(const QString& message) {
    m_messageText = message;
    SendInvitationMessage(CInviteData::kDecline);
    closeInvitation();
}

void CInvitationDlg::closeInvitation() {
    if (m_closed)
        return;
    m_closed = true;
    KillApplicationTimer(&m_pollTimer);
    SaveRectIfMoved();
    if (m_manager && m_manager->RemoveInvitation(m_serviceName.GetText()))
        return;
    hide();
    deleteLater();
}

void CInvitationDlg::OnPlayerInfo() {
    if (m_manager && !m_peer.isEmpty())
        m_manager->ShowPlayerInfo(m_peer);
}

bool CInvitationDlg::canChat() const {
    // The side that waits for the peer's invitation may talk to him meanwhile.
    const bool waiting = m_initialised && m_received && !m_live;
    return (IsReady() || waiting) && m_manager && m_manager->GetSession() &&
           m_manager->GetSession()->CanOpenTalks();
}

void CInvitationDlg::OnChat() {
    if (!canChat())
        return;
    QStringList others;
    for (const QString& player : m_players) {
        if (!SameNickname(player, m_ownNickname))
            others.append(player);
    }
    const QString title;
    m_manager->GetSession()->OpenTalk(&title, others);
}

void CInvitationDlg::loadControls() {
    // Controls report their changes while they are loaded: those are not the user's.
    const bool wasLoading = m_loadingControls;
    m_loadingControls = true;
    UpdateData(false);
    m_loadingControls = wasLoading;
}

void CInvitationDlg::OnOptionChanged() {
    if (m_closed || !m_controlsCreated || m_loadingControls)
        return;
    if (IsReady() && UpdateData(true))
        OnTermsChanged(true);
    refreshPlay();
    UpdateButtons();
}

void CInvitationDlg::OnTermsChanged(bool send) {
    // Terms not yet whole (a length still being typed) go out once they are.
    if (!m_initialised || !m_live || !send || !UpdateData(true) || !AreRulesValid())
        return;
    setMarker(0, kMarkerChanged);
    setMarker(1, kMarkerChanged);
    clearAcceptance();
    refreshPlay();
    if (m_received)
        EnableItem(kIdNoThanks, true);
    SendInvitationMessage(CInviteData::kNewTerms);
}

void CInvitationDlg::StartGame() {
    if (m_closed)
        return;
    QString text = GetStartRoom(m_record.GetServiceName().IsEmpty() ? m_serviceName : m_record.GetServiceName());
    if (m_discard && !m_discardText.isEmpty())
        text += QStringLiteral(" !") + m_discardText;
    text += QLatin1Char(' ') + m_record.GetPayload();
    m_closed = true;
    KillApplicationTimer(&m_pollTimer);
    SaveRectIfMoved();
    if (m_manager) {
        m_manager->FinishInvitation(this, text);
        return;
    }
    hide();
    deleteLater();
}

// ---- Readiness and buttons ----------------------------------------------------------------------

bool CInvitationDlg::IsReady() const {
    return m_initialised && m_estimatesArrived && m_versionReplied && !(m_received && !m_live);
}

bool CInvitationDlg::CanInvite() const {
    return IsReady() && AreRulesValid() && !m_live && !m_received;
}

bool CInvitationDlg::CanPlay() const {
    return IsReady() && AreRulesValid() && m_live && !m_acceptedHere;
}

QString CInvitationDlg::GetGameName() const {
    return CClientGameFactory::GetFactory().GetGameName();
}

void CInvitationDlg::Refresh() {
    if (IsReady())
        UpdateButtons();
}

void CInvitationDlg::UpdateButtons() {
    if (m_closed || !m_window)
        return;
    EnableItem(kIdChat, canChat());
    // The invited side's Play follows the replies as well, or it would stay disabled.
    refreshPlay();
    if (m_received)
        return;
    const bool canInvite = CanInvite();
    EnableItem(kIdInvite, canInvite);
    if (canInvite) {
        if (auto* invite = ItemAs<QPushButton>(kIdInvite)) {
            invite->setDefault(true);
            // Not away from a box the user types in: each key there changes the terms (Enter still
            // invites, through the default button).
            const QWidget* focus = QApplication::focusWidget();
            const bool typing = focus && isAncestorOf(focus) &&
                                (qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus));
            if (!typing)
                invite->setFocus();
        }
    }
}

void CInvitationDlg::refreshPlay() {
    EnableItem(kIdPlay, CanPlay());
    if (CanPlay()) {
        if (auto* play = ItemAs<QPushButton>(kIdPlay))
            play->setDefault(true);
    }
}

// ---- Acceptance and markers ---------------------------------------------------------------------

int CInvitationDlg::playerIndex(const QString& name) const {
    return name.isEmpty() ? -1 : m_serviceName.FindPart(name);
}

void CInvitationDlg::clearAcceptance() {
    m_accepted.clear();
    m_acceptedHere = false;
}

void CInvitationDlg::markAccepted(int index) {
    if (index >= 0 && index < int(m_players.size()))
        m_accepted.insert(index);
}

bool CInvitationDlg::everyoneAccepted() const {
    return !m_players.isEmpty() && int(m_accepted.size()) == int(m_players.size());
}

void CInvitationDlg::setMarker(int slot, int state) {
    (slot == 0 ? m_ownMarker : m_peerMarker) = state;
    if (auto* marker = dynamic_cast<MarkerAnchor*>(Item(slot == 0 ? kIdMarker0 : kIdMarker1)))
        marker->setState(state);
}

// ---- Texts --------------------------------------------------------------------------------------

void CInvitationDlg::setPanelText(int id, const QString& text) {
    if (auto* panelText = dynamic_cast<PanelText*>(Item(id)))
        panelText->setText(text);
}

QString CInvitationDlg::GetPanelText(int controlId) const {
    auto* panelText = dynamic_cast<PanelText*>(Item(controlId));
    return panelText ? panelText->text() : QString();
}

void CInvitationDlg::addChatLine(const QString& text) {
    if (m_manager && m_manager->GetSession())
        m_manager->GetSession()->AddChatLine(QString(), text, 3);
}

QString CInvitationDlg::FitTextToWidth(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QString dots = QStringLiteral("...");
    QString shortened = text;
    while (!shortened.isEmpty()) {
        shortened.chop(1);
        if (metrics.horizontalAdvance(shortened + dots) <= width)
            return shortened + dots;
    }
    return dots;
}

QString CInvitationDlg::FormatRating(float rating) {
    if (rating < 100.0f)
        return QStringLiteral("Guest");
    return QString::asprintf("%4.0f", double(rating));
}

QString CInvitationDlg::FormatDelta(float delta, bool rated) {
    return rated ? QString::asprintf("%+.1f", double(delta)) : QString(7, QLatin1Char(' '));
}

QString CInvitationDlg::SanitizePeerText(const QString& text) {
    QString clean = text.left(512);
    for (QChar& c : clean) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return clean;
}

QFont CInvitationDlg::GetNameFont() const {
    QFont font = this->font();
    font.setBold(true);
    font.setPixelSize(15);
    return font;
}

QFont CInvitationDlg::GetRatingFont() const {
    QFont font = this->font();
    font.setPixelSize(14);
    return font;
}

QFont CInvitationDlg::GetDeltaFont() const {
    QFont font = this->font();
    font.setPixelSize(12);
    return font;
}

void CInvitationDlg::ShowNoPicture() {
    if (m_picture)
        m_picture->ShowNoPicture();
}

void CInvitationDlg::ShowPicture() {
    if (m_picture)
        m_picture->ShowInvitationPicture(SessionWebHost(m_manager ? m_manager->GetSession() : nullptr), m_peer);
}
