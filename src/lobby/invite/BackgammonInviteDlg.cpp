#include "lobby/invite/BackgammonInviteDlg.h"

#include "board/MatchLengthExchange.h"
#include "game/BackgammonBoard.h"
#include "game/ClientGameFactory.h"
#include "game/LeagueInviteInfo.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/WagerEditControl.h"
#include "net/MessagePacket.h"
#include "platform/Win32Codes.h"
#include "session/SessionDoc.h"
#include "support/SettingsStore.h"
#include "support/controls/SpinButton.h"
#include "support/dialogs/DeferredMessageBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using namespace bginvite;

const QColor CBackgammonInviteDlg::kNameColour(0, 0, 102);

namespace {

const QColor kWarningBackground(255, 204, 153);
const QColor kPlainGroup(209, 217, 211);
const QColor kHighlightedGroup(182, 201, 209);
const QColor kAmountPlain(209, 217, 191);
const QColor kAmountWager(154, 219, 160);

void Colour(QWidget* widget, const QColor& background) {
    if (!widget)
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, Qt::black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

CBackgammonInviteDlg::CBackgammonInviteDlg(CInvitationManager* manager, QWidget* parent,
                                           const CInviteData& record, int templateId, bool received)
    : CLeagueInvitationDlg(manager, parent, record, templateId, received) {
    m_matchLength = -1;
    m_terms.matchLength = -1;
}

CBackgammonInviteDlg::~CBackgammonInviteDlg() = default;

// ---- Window ----------------------------------------------------------------------------------------

QWidget* CBackgammonInviteDlg::CreateTermsPane(QWidget* parent) {
    auto* pane = new QWidget(parent);
    auto* grid = new QGridLayout(pane);
    grid->setContentsMargins(0, 0, 0, 0);

    auto* match = new QGroupBox(pane);
    SetItemId(match, kIdGroupMatch);
    auto* matchLayout = new QGridLayout(match);
    auto* matchPlay = new QRadioButton(QStringLiteral("M&atch Play"), match);
    SetItemId(matchPlay, kIdMatchPlay);
    auto* length = new QLineEdit(match);
    length->setMaxLength(3);
    length->setFixedWidth(44);
    length->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), length));
    SetItemId(length, kIdLength);
    auto* spin = new CSpinButton(match);
    spin->SetBuddy(length);
    spin->SetRange(0, kMaxMatchLengthPoints);
    SetItemId(spin, kIdLengthSpin);
    auto* points = new QLabel(QStringLiteral("Poin&ts"), match);
    points->setBuddy(length);
    SetItemId(points, kIdPoints);
    auto* rated = new QCheckBox(QStringLiteral("&Rated"), match);
    SetItemId(rated, kIdRated);
    matchLayout->addWidget(matchPlay, 0, 0, 1, 4);
    matchLayout->addWidget(length, 1, 0);
    matchLayout->addWidget(spin, 1, 1);
    matchLayout->addWidget(points, 1, 2);
    matchLayout->addWidget(rated, 2, 0, 1, 4);
    matchLayout->setColumnStretch(3, 1);

    auto* money = new QGroupBox(pane);
    SetItemId(money, kIdGroupMoney);
    auto* moneyLayout = new QVBoxLayout(money);
    auto* moneyPlay = new QRadioButton(QStringLiteral("M&oney Play"), money);
    SetItemId(moneyPlay, kIdMoneyPlay);
    auto* autoDouble = new QCheckBox(QStringLiteral("One Auto&matic"), money);
    SetItemId(autoDouble, kIdAutoDouble);
    auto* beavers = new QCheckBox(QStringLiteral("&Beavers"), money);
    SetItemId(beavers, kIdBeavers);
    moneyLayout->addWidget(moneyPlay);
    moneyLayout->addWidget(autoDouble);
    moneyLayout->addWidget(beavers);
    moneyLayout->addStretch(1);

    auto* options = new QGroupBox(pane);
    SetItemId(options, kIdGroupOptions);
    auto* optionsLayout = new QVBoxLayout(options);
    auto* variant = new QComboBox(options);
    for (int v = 0; v < kVariantCount; ++v)
        variant->addItem(CBackgammonBoard::GetVariantName(v));
    SetItemId(variant, kIdVariant);
    auto* cube = new QCheckBox(QStringLiteral("&Doubling Cube"), options);
    SetItemId(cube, kIdCube);
    optionsLayout->addWidget(variant);
    optionsLayout->addWidget(cube);
    optionsLayout->addStretch(1);

    auto* wager = new QGroupBox(pane);
    SetItemId(wager, kIdGroupWager);
    auto* wagerLayout = new QVBoxLayout(wager);
    wagerLayout->addWidget(CreateWagerControls(wager));

    auto* warning = new QLabel(QString::fromLatin1(kWarningText), pane);
    warning->setTextFormat(Qt::PlainText);
    warning->setWordWrap(true);
    warning->setMargin(4);
    Colour(warning, kWarningBackground);
    SetItemId(warning, kIdWarning);

    grid->addWidget(match, 0, 0);
    grid->addWidget(money, 0, 1);
    grid->addWidget(options, 0, 2);
    grid->addWidget(wager, 0, 3);
    grid->addWidget(CreateLeagueBox(pane), 1, 2, 1, 2);
    grid->addWidget(warning, 2, 0, 1, 4);
    Colour(options, kPlainGroup);

    for (QCheckBox* box : {rated, autoDouble, beavers, cube})
        connect(box, &QCheckBox::clicked, this, [this] { OnOptionChanged(); });
    connect(variant, &QComboBox::activated, this, [this] { OnOptionChanged(); });
    // The two kinds of play sit in different frames: one group makes them a single choice.
    auto* kind = new QButtonGroup(pane);
    kind->setExclusive(true);
    kind->addButton(matchPlay);
    kind->addButton(moneyPlay);
    connect(matchPlay, &QRadioButton::clicked, this, [this] { OnMoneyOrMatchPlay(); });
    connect(moneyPlay, &QRadioButton::clicked, this, [this] { OnMoneyOrMatchPlay(); });
    // Each key changes the terms without touching the box; the box is put right when the user is done
    // with it (leaving it, Enter) and whenever the spin sets it.
    connect(length, &QLineEdit::textEdited, this, [this] { OnMatchLengthChanged(); });
    connect(length, &QLineEdit::editingFinished, this, [this, length] {
        // Only a box the user typed into (not one that lost the focus as it was disabled or filled).
        if (length->isModified())
            OnMatchLengthEntered();
    });
    connect(spin, &CSpinButton::stepped, this, [this] { OnMatchLengthEntered(); });
    return pane;
}

QFont CBackgammonInviteDlg::GetNameFont() const {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(24);
    return font;
}

QFont CBackgammonInviteDlg::GetRatingFont() const {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(18);
    return font;
}

QFont CBackgammonInviteDlg::GetDeltaFont() const {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    return font;
}

bool CBackgammonInviteDlg::OnInitDialog() {
    CLeagueInvitationDlg::OnInitDialog();
    showWarning();
    paintGroups();
    return true;
}

void CBackgammonInviteDlg::paintGroups() {
    const bool money = m_terms.money;
    Colour(Item(kIdGroupMatch), money ? kPlainGroup : kHighlightedGroup);
    Colour(Item(kIdGroupMoney), money ? kHighlightedGroup : kPlainGroup);
    Colour(Item(kIdGroupWager), IsWagerAsked() && IsWagerAgreed() ? kAmountWager : kAmountPlain);
}

// ---- Data exchange ---------------------------------------------------------------------------------

void CBackgammonInviteDlg::DoDataExchange(platform::DataExchange& dx) {
    CLeagueInvitationDlg::DoDataExchange(dx);
    int kind = m_terms.money ? 0 : 1;
    dx.Radio({kIdMoneyPlay, kIdMatchPlay}, kind);
    if (dx.saving() && kind >= 0)
        m_terms.money = kind == 0;
    exchangeLength(dx);
    dx.ComboIndex(kIdVariant, m_terms.variant);
    if (m_terms.variant < 0)
        m_terms.variant = 0;
    dx.Check(kIdCube, m_terms.cube);
    dx.Check(kIdAutoDouble, m_terms.autoDoubles);
    dx.Check(kIdBeavers, m_terms.beavers);
    dx.Check(kIdRated, m_terms.rated);
    m_terms.matchLength = m_matchLength;
    if (GetStakeControl())
        GetStakeControl()->SetMultiplier(m_matchLength);
    if (GetReserveControl())
        GetReserveControl()->SetMultiplier(m_matchLength);
}

int CBackgammonInviteDlg::typedLength(const QString& text) const {
    int length = 0;
    if (!ReadMatchLengthText(text, length))
        return m_matchLength;
    if (text.trimmed().isEmpty())
        return kNoLength;
    return IsGuestFree() ? length : std::min(length, kMaxGuestMatchLength);
}

void CBackgammonInviteDlg::exchangeLength(platform::DataExchange& dx) {
    QLineEdit* box = ItemAs<QLineEdit>(kIdLength);
    if (!box || dx.failed())
        return;
    if (!dx.saving()) {
        // The box the user is typing in keeps his text as long as it stands for the length held.
        if (!(box->hasFocus() && typedLength(box->text()) == m_matchLength))
            DDX_MatchLength(dx, kIdLength, m_matchLength);
        return;
    }
    // An empty box in match play is no length yet: nothing is written into it, and nothing can be sent.
    if (!m_terms.money && box->text().trimmed().isEmpty()) {
        m_matchLength = kNoLength;
        return;
    }
    DDX_MatchLength(dx, kIdLength, m_matchLength);
    if (!dx.failed() && !m_terms.money && !IsGuestFree() && m_matchLength > kMaxGuestMatchLength) {
        m_matchLength = kMaxGuestMatchLength;
        box->setText(MatchLengthText(m_matchLength));
    }
}

TBackgammonTerms CBackgammonInviteDlg::GetTerms() const {
    TBackgammonTerms t = m_terms;
    t.matchLength = m_matchLength;
    t.wager = IsWagerAsked();
    t.stake = GetStakeControl() ? GetStakeControl()->GetAmount() : m_terms.stake;
    t.reserve = GetReserveControl() ? GetReserveControl()->GetAmount() : m_terms.reserve;
    return t;
}

void CBackgammonInviteDlg::takeTerms(const TBackgammonTerms& terms) {
    m_terms = terms;
    m_matchLength = terms.matchLength;
    SetWagerAsked(terms.wager);
    if (GetStakeControl())
        GetStakeControl()->SetAmount(terms.stake);
    if (GetReserveControl())
        GetReserveControl()->SetAmount(terms.reserve);
}

// ---- Terms -----------------------------------------------------------------------------------------

CBGRuleOptions CBackgammonInviteDlg::BuildRuleOptions() const {
    return bginvite::BuildRuleOptions(GetTerms(), IsLeagueChosen() ? m_league.get() : nullptr);
}

QString CBackgammonInviteDlg::GetRulesText() {
    return BuildRuleOptions().FormatText();
}

QString CBackgammonInviteDlg::GetLeagueRulesText() {
    return bginvite::BuildRuleOptions(GetTerms(), m_league.get()).FormatText();
}

bool CBackgammonInviteDlg::AreRulesValid() const {
    const TBackgammonTerms t = GetTerms();
    return BuildRuleOptions().IsValid() && (t.money || t.matchLength >= 1);
}

bool CBackgammonInviteDlg::RulesEqual(const QString& a, const QString& b) const {
    bool okA = false;
    bool okB = false;
    const CBGRuleOptions first = CBGRuleOptions::CBGRuleOptionsFromText(a, &okA);
    const CBGRuleOptions second = CBGRuleOptions::CBGRuleOptionsFromText(b, &okB);
    return okA && okB && first.IsEqual(second) && first.GetText() == second.GetText();
}

bool CBackgammonInviteDlg::ApplyRulesText(const QString& text) {
    bool parsed = false;
    const CBGRuleOptions options = CBGRuleOptions::CBGRuleOptionsFromText(text, &parsed);
    // Terms that are no valid invitation are never shown: the own terms go back instead.
    if (!IsAcceptableRuleOptions(options, parsed)) {
        showWarning();
        return false;
    }
    TBackgammonTerms t = m_terms;
    TakeRuleOptions(t, options);
    t.wager = options.IsWager();
    t.stake = options.GetStake();
    t.reserve = options.GetReserve();
    bool changed = CorrectReceivedTerms(t, IsGuestFree(), options.HasRaccoons(), options.IsJacoby(),
                                        options.IsCrawford());
    m_terms = t;
    m_matchLength = t.matchLength;
    if (SetStakeAndReserve(t.wager, t.stake, t.reserve))
        changed = true;
    // A match's reserve is its stake.
    if (!t.money && t.wager && t.reserve != t.stake) {
        if (GetReserveControl())
            GetReserveControl()->SetAmount(t.stake);
        changed = true;
    }
    const bool league = !options.GetText().isEmpty();
    SetLeagueChosen(league);
    // A league other than the one the server named here is not played (until the server's answer
    // arrives the league is taken as sent).
    if (league && m_league && m_league->GetRuleOptionsText() != options.GetText())
        changed = true;
    if (m_controlsCreated)
        UpdateData(false);
    showWarning();
    return !changed;
}

void CBackgammonInviteDlg::OnTermsChanged(bool send) {
    if (IsReady() && m_controlsCreated) {
        if (IsLeagueChosen())
            ApplyLeagueRules();
        m_terms.matchLength = m_matchLength;
        MakeConsistent(m_terms);
        if (m_terms.money)
            m_matchLength = 0;
        UpdateData(false);
        UpdateLeagueControls();
        showWarning();
        paintGroups();
    }
    CLeagueInvitationDlg::OnTermsChanged(send);
}

void CBackgammonInviteDlg::UpdateLeagueControls() {
    CLeagueInvitationDlg::UpdateLeagueControls();
    const bool league = IsLeagueChosen();
    const bool money = m_terms.money;
    const bool guestFree = IsGuestFree();
    EnableItem(kIdRated, guestFree && !money && !LeagueFixes(CBackgammonLeagueInviteInfo::kOptionRating));
    EnableItem(kIdMatchPlay, !league);
    EnableItem(kIdMoneyPlay, guestFree && !league);
    for (int id : {kIdLength, kIdLengthSpin, kIdPoints})
        EnableItem(id, !league && !money);
    EnableItem(kIdVariant, !LeagueFixes(CBackgammonLeagueInviteInfo::kOptionVariant));
    EnableItem(kIdCube, !LeagueFixes(CBackgammonLeagueInviteInfo::kOptionCube));
    EnableItem(kIdAutoDouble, money && m_terms.cube);
    EnableItem(kIdBeavers, money && m_terms.cube);
    SetWagerLocked(LeagueFixes(CBackgammonLeagueInviteInfo::kOptionWager));
    RefreshWagerControls();
}

QString CBackgammonInviteDlg::GetWarningText() const {
    const QString problem = GetWagerProblemText();
    return problem.isEmpty() ? DescribeRules(GetTerms()) : problem;
}

void CBackgammonInviteDlg::showWarning() {
    if (!m_controlsCreated)
        return;
    const QString text = GetWarningText();
    SetItemText(kIdWarning, text);
    ShowItem(kIdWarning, !text.isEmpty());
}

void CBackgammonInviteDlg::OnMatchLengthChanged() {
    if (IsClosed() || !m_controlsCreated)
        return;
    const QString text = GetItemText(kIdLength).trimmed();
    m_matchLength = typedLength(text);
    m_terms.money = false;
    if (!IsReady())
        return;
    // The peer hears of a length the box shows as it stands; one the box will correct (0, 30, or 7 in
    // a guest match) goes when the box shows the correction.
    OnTermsChanged(m_matchLength > 0 && MatchLengthText(m_matchLength) == text);
    UpdateButtons();
}

void CBackgammonInviteDlg::OnMatchLengthEntered() {
    if (IsClosed() || !IsReady() || !UpdateData(true))
        return;
    if (auto* box = ItemAs<QLineEdit>(kIdLength))
        box->setModified(false);
    if (m_matchLength != 0)
        m_terms.money = false;
    // Passing through the box changes nothing the peer has not seen already.
    OnTermsChanged(!IsLive() || !RulesEqual(GetOwnRulesText(), GetRulesText()));
    UpdateButtons();
}

void CBackgammonInviteDlg::OnMoneyOrMatchPlay() {
    if (IsClosed())
        return;
    const bool before = m_terms.money;
    if (!IsReady() || !UpdateData(true) || m_terms.money == before) {
        m_terms.money = before;
        UpdateData(false);
        return;
    }
    takeTerms(LoadRememberedTerms(GetSettingsStore(), m_terms.money, rememberContext()));
    UpdateData(false);
    OnTermsChanged(true);
    UpdateButtons();
}

// ---- Amounts ---------------------------------------------------------------------------------------

int CBackgammonInviteDlg::GetFixedReserve() const {
    return GetStakeControl() ? GetStakeControl()->GetAmount() : m_terms.stake;
}

int CBackgammonInviteDlg::GetReserveStep() const {
    return m_terms.money && GetStakeControl() ? GetStakeControl()->GetAmount() : 0;
}

QString CBackgammonInviteDlg::GetStakeLabel() const {
    return m_terms.money ? QStringLiteral("US&$/Point") : QStringLiteral("US&$/Match");
}

void CBackgammonInviteDlg::OnAmountEdited(CWagerEditControl* control) {
    if (control == GetStakeControl() && m_terms.money && GetReserveControl()) {
        const int stake = control->GetAmount();
        GetReserveControl()->SetAmount(ReserveForStake(stake, GetFunds(), GetReserveControl()->GetAmount()));
    }
    CLeagueInvitationDlg::OnAmountEdited(control);
    showWarning();
}

// ---- Remembered terms and guests -------------------------------------------------------------------

bginvite::TRememberContext CBackgammonInviteDlg::rememberContext() const {
    TRememberContext context;
    context.guestFree = IsGuestFree();
    context.hyperBot = IsHyperBot(GetServiceName());
    context.tutorBot = IsTutorBot(GetServiceName());
    context.robotForMoney = IsRobotOpponent();
    return context;
}

void CBackgammonInviteDlg::LoadDefaults() {
    const CSettingsStore& store = GetSettingsStore();
    takeTerms(LoadRememberedTerms(store, LoadRememberedKind(store), rememberContext()));
}

void CBackgammonInviteDlg::SaveDefaults() {
    SaveRememberedTerms(GetSettingsStore(), GetTerms(), rememberContext());
    // The league is a choice only where one was offered.
    if (IsLeagueAvailable() && IsGuestFree())
        GetSettingsStore().WriteBool(QString::fromLatin1(kSection), QString::fromLatin1(kLeagueSetting),
                                     IsLeagueChosen());
}

bool CBackgammonInviteDlg::IsLeagueWanted() const {
    if (IsFromGame() && !m_rematchTerms.isEmpty()) {
        bool ok = false;
        const CBGRuleOptions played = CBGRuleOptions::CBGRuleOptionsFromText(m_rematchTerms, &ok);
        return ok && !played.GetText().trimmed().isEmpty();
    }
    return GetSettingsStore().GetBool(QString::fromLatin1(kSection), QString::fromLatin1(kLeagueSetting), true);
}

void CBackgammonInviteDlg::OnGuestMatchFound() {
    if (!IsReceived())
        LoadDefaults();
    if (m_controlsCreated)
        UpdateData(false);
    const bool shortUnrated =
        !m_terms.money && !m_terms.rated && m_matchLength >= 1 && m_matchLength <= kMaxGuestMatchLength;
    if (!shortUnrated) {
        m_matchLength = std::clamp(m_matchLength, 1, kMaxGuestMatchLength);
        m_terms.rated = false;
        m_terms.money = false;
        if (m_controlsCreated)
            UpdateData(false);
        OnTermsChanged(false);
    }
    EnableItem(kIdRated, false);
}

// ---- Packets and buttons ---------------------------------------------------------------------------

int CBackgammonInviteDlg::OfferPacket(int type, const QString& body) {
    if (type == kPacketLeagueInfoRequest && !IsClosed()) {
        // League records come from the server itself, never routed from a member.
        const CSessionDoc* session = m_manager ? m_manager->GetSession() : nullptr;
        const CMessagePacket* packet = session ? session->GetCurrentPacket() : nullptr;
        if (!(packet && packet->IsRouted()))
            return OnLeagueInfo(body);
        return 0;
    }
    return CLeagueInvitationDlg::OfferPacket(type, body);
}

int CBackgammonInviteDlg::OnLeagueInfo(const QString& text) {
    std::unique_ptr<CBackgammonLeagueInviteInfo> info = CBackgammonLeagueInviteInfo::FromText(text);
    if (!info || info->GetSenderNameText() != GetCookie())
        return 0;
    m_league = std::move(info);
    Refresh();
    return 1;
}

bool CBackgammonInviteDlg::PeerSupportsLeagues() const {
    return HasVersionReply() && IsPeerVersionValid() && GetLowestPeerVersion() >= kLeagueVersion;
}

void CBackgammonInviteDlg::StartFromGame(const QString& startText) {
    m_rematchTerms = startText.trimmed();
    CLeagueInvitationDlg::StartFromGame(startText);
}

void CBackgammonInviteDlg::UpdateButtons() {
    CLeagueInvitationDlg::UpdateButtons();
    if (IsClosed())
        return;
    // The rematch: the same terms as the match just played are accepted at once when the user asked
    // for it. The button is pressed after this handler, never inside it.
    if (IsFromGame() && !m_rematchPressed && !m_rematchTerms.isEmpty() &&
        GetSettingsStore().GetBool(QStringLiteral("CGameDoc"), QStringLiteral("bAutoPlayAgain"), false) &&
        RulesEqual(m_rematchTerms, GetRulesText()) && (CanInvite() || (IsReceived() && CanPlay()))) {
        m_rematchPressed = true;
        QPointer<CBackgammonInviteDlg> alive(this);
        QTimer::singleShot(0, this, [alive] {
            if (!alive || alive->IsClosed())
                return;
            if (alive->CanInvite())
                alive->OnInvite();
            else if (alive->IsReceived() && alive->CanPlay())
                alive->OnPlay();
        });
    }
    if (!IsRobotOpponent() || !IsMoneyStateReady())
        return;
    if (!IsWagerAgreed()) {
        if (m_robotRefused)
            return;
        m_robotRefused = true;
        PostDeferredMessageBox(GetPeerName() + QStringLiteral(" only plays Tallybank matches."),
                               platform::MB_OK | platform::MB_ICONEXCLAMATION);
        // Closing runs after this handler, never inside it.
        QPointer<CBackgammonInviteDlg> alive(this);
        QTimer::singleShot(0, this, [alive] {
            if (alive && !alive->IsClosed())
                alive->OnCancel();
        });
        return;
    }
    if (!IsWagerAsked()) {
        SetWagerAsked(true);
        CheckItem(kIdWager, true);
        OnTermsChanged(false);
    }
}

// ---- Registration ----------------------------------------------------------------------------------

void RegisterBackgammonInviteDialog() {
    CClientGameFactory::GetFactory().SetInvitationDialogCreator(
        [](int kind, CInvitationManager* manager, CInviteData* record, bool incoming) -> QDialog* {
            if (kind == CClientGameFactory::kPropositionKind || !record)
                return nullptr;
            QWidget* parent =
                manager && manager->GetSession() ? manager->GetSession()->GetServiceFrame() : nullptr;
            return new CBackgammonInviteDlg(manager, parent, *record,
                                            CClientGameFactory::GetFactory().GetInviteDialogTemplate(kind),
                                            incoming);
        });
}
