#include "prefs/BGMatchBoardProperties.h"

#include "prefs/MBFlyoverPropertyPage.h"
#include "prefs/MBGroupQueryDlg.h"
#include "prefs/MatchBoardQueryDlg.h"
#include "support/SettingsStore.h"
#include "support/WindowBroadcast.h"

namespace {
const QString kOptionsPage = QStringLiteral("nOptionsPage");
}

CBGMatchBoardProperties::CBGMatchBoardProperties(QWidget* parent,
                                                 std::unique_ptr<platform::PropertyPage> columnsPage)
    : platform::PropertySheet(tr("Lobby Settings"), parent), m_columns(std::move(columnsPage)) {
    m_filter = std::make_unique<CMatchBoardQueryDlg>(this);
    m_groups = std::make_unique<CMBGroupQueryDlg>(this);
    m_flyover = std::make_unique<CMBFlyoverPropertyPage>();
    AddPage(m_filter.get());
    AddPage(m_groups.get());
    if (m_columns)
        AddPage(m_columns.get());
    AddPage(m_flyover.get());
    const int index = SlotToIndex(GetSettingsStore().GetObjectInt(this, kOptionsPage, kFilterSlot));
    SetStartPage(index >= 0 ? index : 0);
}

CBGMatchBoardProperties::~CBGMatchBoardProperties() = default;

int CBGMatchBoardProperties::SlotToIndex(int slot) const {
    if (slot < kFilterSlot || slot > kFlyoverSlot || (slot == kColumnsSlot && !m_columns))
        return -1;
    return slot == kFlyoverSlot && !m_columns ? slot - 1 : slot;
}

int CBGMatchBoardProperties::IndexToSlot(int index) const {
    for (int slot = kFilterSlot; slot <= kFlyoverSlot; ++slot)
        if (index >= 0 && SlotToIndex(slot) == index)
            return slot;
    return -1;
}

bool CBGMatchBoardProperties::OnInitDialog() {
    // The pages take the record before the first of them loads its controls.
    m_query.Load(true);
    m_filter->SetProperties(&m_query);
    m_groups->SetProperties(&m_query);
    return platform::PropertySheet::OnInitDialog();
}

template <class Run> auto CBGMatchBoardProperties::applyRound(Run run) {
    struct Round {
        CBGMatchBoardProperties& sheet;
        explicit Round(CBGMatchBoardProperties& s) : sheet(s) {
            sheet.m_applying = true;
            sheet.m_queryApplied = false;
        }
        ~Round() { sheet.m_applying = false; }
    } round(*this);
    return run();
}

void CBGMatchBoardProperties::ApplySettings() {
    if (m_applying && m_queryApplied)
        return;
    m_queryApplied = m_applying;
    m_filter->GetProperties(&m_query);
    m_groups->GetProperties(&m_query);
    m_query.Save();
    BroadcastToApplicationWindows(QString::fromLatin1(kQueryChangedMessage), 1, nullptr);
}

void CBGMatchBoardProperties::OnOK() {
    applyRound([this] { platform::PropertySheet::OnOK(); });
}

int CBGMatchBoardProperties::Press(int buttonId) {
    if (buttonId == platform::ID_APPLY_NOW)
        return applyRound([&] { return platform::PropertySheet::Press(buttonId); });
    return platform::PropertySheet::Press(buttonId);
}

void CBGMatchBoardProperties::done(int code) {
    if (const int slot = IndexToSlot(GetActiveIndex()); slot >= 0)
        GetSettingsStore().WriteObjectInt(this, kOptionsPage, slot);
    platform::PropertySheet::done(code);
}
