#include "lobby/invite/ContinueSessionDlg.h"

#include "game/ClientGameFactory.h"
#include "lobby/invite/ContinueSessionController.h"
#include "lobby/invite/WagerEditControl.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QTimerEvent>

namespace {

// Longest nickname the status line names before it says "opponent".
constexpr int kMaxAwaitedName = 8;
// Longest nickname a sentence starts with before it says "Your opponent".
constexpr int kMaxLeadingName = 13;

// One die face of the "Next Game" picture.
void DrawDie(QPainter& painter, const QRectF& box, int pips) {
    painter.setPen(QPen(Qt::black, 1.2));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(box, 3, 3);
    painter.setBrush(Qt::black);
    const qreal r = box.width() / 10.0;
    const auto pip = [&](qreal fx, qreal fy) {
        painter.drawEllipse(QPointF(box.left() + fx * box.width(), box.top() + fy * box.height()), r, r);
    };
    if (pips % 2 == 1)
        pip(0.5, 0.5);
    if (pips >= 2) {
        pip(0.25, 0.25);
        pip(0.75, 0.75);
    }
    if (pips >= 4) {
        pip(0.75, 0.25);
        pip(0.25, 0.75);
    }
}

} // namespace

CContinueSessionDlg::CContinueSessionDlg(CContinueSessionController* controller, QWidget* parent)
    : CStickyDialog(kTemplateId, parent, false, true), m_controller(controller) {
    setWindowTitle(QStringLiteral("Continue Session"));
    setModal(false);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

CContinueSessionDlg::~CContinueSessionDlg() {
    m_closing = true;
    if (m_timerId)
        killTimer(m_timerId);
}

void CContinueSessionDlg::build() {
    if (m_built)
        return;
    m_built = true;
    auto* grid = new QGridLayout(this);
    m_status = new QLabel(ClickToContinueText(), this);
    SetItemId(m_status, kIdStatus);
    grid->addWidget(m_status, 0, 0, 1, 3);

    // The limit edit sits where the template keeps room for it (1540), the stake beside it.
    auto* place = new QWidget(this);
    SetItemId(place, kIdLimitPlace);
    auto* placeLayout = new QHBoxLayout(place);
    placeLayout->setContentsMargins(0, 0, 0, 0);
    m_limit = new CWagerEditControl(CWagerAmount::kReserve, QStringLiteral("US$ Limit Next Game"), place);
    placeLayout->addWidget(m_limit);
    m_stakeLabel = new QLabel(this);
    SetItemId(m_stakeLabel, kIdStake);
    grid->addWidget(place, 1, 0, 1, 2);
    grid->addWidget(m_stakeLabel, 1, 2);
    connect(m_limit, &CWagerEditControl::amountChanged, this, [this](CWagerEditControl* control) {
        if (!m_closing)
            m_controller->OnLimitChanged(control->GetAmount());
    });

    const auto button = [this, grid](int id, const QString& text, const QIcon& icon, int column) {
        auto* push = new QPushButton(icon, text, this);
        push->setIconSize(QSize(32, 32));
        push->setAutoDefault(false);
        SetItemId(push, id);
        grid->addWidget(push, 2, column);
        return push;
    };
    connect(button(kIdNextGame, QStringLiteral("&Next Game"), NextGamePicture(), 0), &QPushButton::clicked,
            this, [this] { m_controller->OnNextGame(); });
    connect(button(kIdPlayLater, QStringLiteral("Play &Later"),
                   style()->standardIcon(QStyle::SP_BrowserReload), 1),
            &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(button(kIdEndSession, QStringLiteral("&End Session"),
                   style()->standardIcon(QStyle::SP_DialogCloseButton), 2),
            &QPushButton::clicked, this, [this] {
                m_controller->OnEndSession();
                hide();
            });
}

bool CContinueSessionDlg::OnInitDialog() {
    build();
    return CStickyDialog::OnInitDialog();
}

void CContinueSessionDlg::OpenWindow() {
    EnsureInitialized();
    Refresh();
    if (!isVisible())
        show();
}

bool CContinueSessionDlg::AcceptLimits(const CMoneyInviteResponsePtr& response, int limit) {
    build();
    if (!m_limit->LoadLimits(response))
        return false;
    m_limit->SetAmount(limit);
    return true;
}

void CContinueSessionDlg::SetOffer(int stake, int limit) {
    build();
    m_limit->SetAmount(limit);
    m_limit->SetStep(stake);
    m_stakeLabel->setText(CContinueSessionController::FormatStakeText(stake));
}

void CContinueSessionDlg::ShowPeerLimit(int limit) {
    build();
    m_limit->SetAmount(limit);
    m_limit->EnableAll(true);
    if (!m_closing && !m_timerId)
        m_timerId = startTimer(kRefreshMs);
}

bool CContinueSessionDlg::GetValidLimit(int& cents) const {
    if (!m_limit || !m_limit->IsInRange())
        return false;
    cents = m_limit->GetAmount();
    return true;
}

void CContinueSessionDlg::EnableLimitEdit(bool enable) {
    if (m_limit)
        m_limit->EnableAll(enable);
}

QString CContinueSessionDlg::StatusText() const {
    const QString& peer = m_controller->GetPeer();
    // Once the session stopped, the line says why: nothing here can start the next game any more.
    if (m_controller->IsRefused())
        return QStringLiteral("The money limits of the next game could not be had.");
    if (const int stop = m_controller->GetPeerStop()) {
        const QString who = peer.size() > kMaxLeadingName ? QStringLiteral("Your opponent") : peer;
        return who + (stop == CContinueSessionController::kEndSession ? QStringLiteral(" has ended this session.")
                                                                      : QStringLiteral(" will play later."));
    }
    if (m_controller->IsAnswered() && !m_controller->IsPeerConfirmed())
        return QStringLiteral("Awaiting %1's click.")
            .arg(peer.size() > kMaxAwaitedName ? QStringLiteral("opponent") : peer);
    if (m_controller->IsAnswered())
        return RollingText();
    if (!m_controller->IsPeerConfirmed())
        return ClickToContinueText();
    return OpponentRolledText(peer);
}

void CContinueSessionDlg::Refresh() {
    build();
    m_limit->EnableAll(m_controller->CanAnswer() && !m_controller->IsWithoutWager());
    m_status->setText(StatusText());
    // Play Later stays: leaving is what the end of the connection did anyway.
    const bool connected = m_controller->IsConnected();
    EnableItem(kIdNextGame, !m_controller->IsStopped() && connected);
    EnableItem(kIdPlayLater, !m_controller->HasLeft());
    EnableItem(kIdEndSession, !m_controller->HasLeft() && connected);
}

void CContinueSessionDlg::OnCancel() {
    // "Play Later", Escape and the close box: this side stops; the window goes either way.
    m_controller->OnPlayLater();
    hide();
}

void CContinueSessionDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnCancel();
}

void CContinueSessionDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timerId) {
        CStickyDialog::timerEvent(event);
        return;
    }
    killTimer(m_timerId);
    m_timerId = 0;
    Refresh();
}

QString CContinueSessionDlg::OpponentRolledText(const QString& peer) const {
    return peer + QStringLiteral(" has rolled.");
}

QString CContinueSessionDlg::ClickToContinueText() const {
    return QStringLiteral("Click on dice to continue.");
}

QString CContinueSessionDlg::RollingText() const {
    return QStringLiteral("Rolling dice...");
}

QIcon CContinueSessionDlg::NextGamePicture() const {
    return QIcon();
}

QString CBGContinueSessionDlg::OpponentRolledText(const QString& peer) const {
    return CClientGameFactory::FormatOpponentRolledText(peer);
}

QString CBGContinueSessionDlg::ClickToContinueText() const {
    return CClientGameFactory::ClickOnDiceText();
}

QString CBGContinueSessionDlg::RollingText() const {
    return CClientGameFactory::RollingDiceText();
}

QIcon CBGContinueSessionDlg::NextGamePicture() const {
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawDie(painter, QRectF(1.5, 1.5, 17, 17), 5);
    DrawDie(painter, QRectF(13.5, 13.5, 17, 17), 3);
    return QIcon(picture);
}
