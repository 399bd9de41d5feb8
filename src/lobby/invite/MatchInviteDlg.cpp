#include "lobby/invite/MatchInviteDlg.h"

#include "game/ClientGameFactory.h"
#include "game/RuleOptions.h"
#include "lobby/invite/InvitationManager.h"
#include "session/SessionDoc.h"
#include "support/SettingsStore.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

CMatchInviteDlg::CMatchInviteDlg(CInvitationManager* manager, QWidget* parent, const CInviteData& record,
                                 int templateId, bool received)
    : CInvitationDlg(manager, parent, record, templateId, received) {
    m_matchLength = kDefaultLength;
}

QWidget* CMatchInviteDlg::CreateTermsPane(QWidget* parent) {
    auto* pane = new QGroupBox(QStringLiteral("Terms"), parent);
    auto* layout = new QVBoxLayout(pane);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Match &length:"), pane);
    auto* length = new QSpinBox(pane);
    length->setRange(1, CBGRuleOptions::kMaxInvitedMatchLength);
    length->setSuffix(QStringLiteral(" points"));
    label->setBuddy(length);
    SetItemId(length, kIdLength);
    row->addWidget(label);
    row->addWidget(length);
    row->addSpacing(16);
    auto* rated = new QCheckBox(QStringLiteral("&Rated"), pane);
    SetItemId(rated, kIdRated);
    row->addWidget(rated);
    auto* cube = new QCheckBox(QStringLiteral("&Doubling cube"), pane);
    SetItemId(cube, kIdCube);
    row->addWidget(cube);
    row->addStretch(1);
    layout->addLayout(row);
    auto* rules = new QLabel(pane);
    rules->setTextFormat(Qt::PlainText);
    SetItemId(rules, kIdRules);
    layout->addWidget(rules);
    connect(length, &QSpinBox::valueChanged, this, [this] {
        OnOptionChanged();
        refreshRules();
    });
    connect(rated, &QCheckBox::toggled, this, [this] {
        OnOptionChanged();
        refreshRules();
    });
    connect(cube, &QCheckBox::toggled, this, [this] {
        OnOptionChanged();
        refreshRules();
    });
    return pane;
}

void CMatchInviteDlg::DoDataExchange(platform::DataExchange& dx) {
    dx.Text(kIdLength, m_matchLength);
    dx.MinMaxInt(kIdLength, m_matchLength, 1, CBGRuleOptions::kMaxInvitedMatchLength);
    dx.Check(kIdRated, m_rated);
    dx.Check(kIdCube, m_cube);
    if (!dx.saving())
        refreshRules();
}

void CMatchInviteDlg::refreshRules() {
    if (!m_controlsCreated)
        return;
    auto* length = ItemAs<QSpinBox>(kIdLength);
    SetItemText(kIdRules, DescribeTerms(length ? length->value() : m_matchLength, IsItemChecked(kIdRated),
                                        IsItemChecked(kIdCube)));
}

QString CMatchInviteDlg::DescribeTerms(int length, bool rated, bool cube) {
    return QStringLiteral("A %1%2-point match %3.")
        .arg(rated ? QStringLiteral("rated ") : QStringLiteral("friendly "), QString::number(length),
             cube ? QStringLiteral("with the doubling cube") : QStringLiteral("without the doubling cube"));
}

void CMatchInviteDlg::SaveDefaults() {
    CSettingsStore& store = GetSettingsStore();
    const QString section = QString::fromLatin1(kClassName);
    store.WriteInt(section, QStringLiteral("Match Length"), m_matchLength);
    store.WriteInt(section, QStringLiteral("Rated"), m_rated ? 1 : 0);
    store.WriteInt(section, QStringLiteral("UseDoublingCube"), m_cube ? 1 : 0);
}

void CMatchInviteDlg::LoadDefaults() {
    const CSettingsStore& store = GetSettingsStore();
    const QString section = QString::fromLatin1(kClassName);
    m_matchLength = std::clamp(store.GetIntEx(section, QStringLiteral("Match Length"), kDefaultLength), 1,
                               int(CBGRuleOptions::kMaxInvitedMatchLength));
    m_rated = store.GetIntEx(section, QStringLiteral("Rated"), 1) != 0;
    m_cube = store.GetIntEx(section, QStringLiteral("UseDoublingCube"), 1) != 0;
}

QString CMatchInviteDlg::GetRulesText() {
    CBGRuleOptions options;
    options.SetMatchLength(m_matchLength);
    options.SetRated(m_rated && m_noGuest);
    options.SetCube(m_cube);
    return options.FormatText();
}

bool CMatchInviteDlg::ApplyRulesText(const QString& text) {
    bool ok = false;
    const CBGRuleOptions options = CBGRuleOptions::CBGRuleOptionsFromText(text, &ok);
    if (!ok)
        return false;
    m_matchLength = std::clamp(options.GetMatchLength(), 1, int(CBGRuleOptions::kMaxInvitedMatchLength));
    m_rated = options.IsRated() && m_noGuest;
    m_cube = options.UsesCube();
    // Only terms this dialog can show come through unchanged.
    CBGRuleOptions shown;
    shown.SetMatchLength(m_matchLength);
    shown.SetRated(m_rated);
    shown.SetCube(m_cube);
    return shown.IsEqual(options) && shown.GetText() == options.GetText();
}

bool CMatchInviteDlg::RulesEqual(const QString& a, const QString& b) const {
    bool okA = false;
    bool okB = false;
    const CBGRuleOptions first = CBGRuleOptions::CBGRuleOptionsFromText(a, &okA);
    const CBGRuleOptions second = CBGRuleOptions::CBGRuleOptionsFromText(b, &okB);
    return okA && okB && first.IsEqual(second) && first.GetText() == second.GetText();
}

bool CMatchInviteDlg::AreRulesValid() const {
    return m_matchLength >= 1 && m_matchLength <= CBGRuleOptions::kMaxInvitedMatchLength;
}

void CMatchInviteDlg::OnGuestMatchFound() {
    m_noGuest = false;
    m_rated = false;
    if (m_controlsCreated) {
        CheckItem(kIdRated, false);
        EnableItem(kIdRated, false);
    }
}

// ---- Registration -------------------------------------------------------------------------------

void RegisterInvitationDialogs() {
    CClientGameFactory& factory = CClientGameFactory::GetFactory();
    if (factory.HasInvitationDialogCreator())
        return;
    factory.SetInvitationDialogCreator([](int kind, CInvitationManager* manager, CInviteData* record,
                                          bool incoming) -> QDialog* {
        if (kind == CClientGameFactory::kPropositionKind || !record)
            return nullptr;
        QWidget* parent =
            manager && manager->GetSession() ? manager->GetSession()->GetServiceFrame() : nullptr;
        return new CMatchInviteDlg(manager, parent, *record,
                                   CClientGameFactory::GetFactory().GetInviteDialogTemplate(kind), incoming);
    });
}
