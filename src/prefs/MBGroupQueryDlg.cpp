#include "prefs/MBGroupQueryDlg.h"

#include "prefs/BGMatchBoardProperties.h"
#include "prefs/KWColorDlg.h"
#include "prefs/MatchBoardQuery.h"
#include "support/WindowBroadcast.h"
#include "support/controls/ColorButton.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QVBoxLayout>

const std::array<CMBGroupQueryDlg::Group, CMBGroupQueryDlg::kGroupCount>& CMBGroupQueryDlg::Groups() {
    using Q = CMatchBoardQuery;
    using C = CMBColorSettings;
    static const std::array<Group, kGroupCount> groups = {{
        {1436, 1510, &Q::moneyPlayers, &C::moneyPlayers, QT_TR_NOOP("Show &Tallybank players")},
        {1437, 1503, &Q::friends, &C::friends, QT_TR_NOOP("Show &Friends")},
        {1438, 1508, &Q::guides, &C::guides, QT_TR_NOOP("Show &Guides")},
        {1439, 1511, &Q::memberHelp, &C::memberHelp, QT_TR_NOOP("Show &Membership Help")},
        {1440, 1505, &Q::robots, &C::robots, QT_TR_NOOP("Show &Robot players")},
        {1441, 1502, &Q::self, &C::self, QT_TR_NOOP("Show &Yourself")},
        {1442, 1507, &Q::sysops, &C::sysops, QT_TR_NOOP("Show &Sysops")},
        {1443, 1509, &Q::tournamentStaff, &C::tournamentStaff, QT_TR_NOOP("Show &Tournament Staff")},
        {1444, 1504, &Q::unfinishedMatch, &C::unfinishedMatch, QT_TR_NOOP("Show &Unfinished match opponents")},
        {1445, 1512, &Q::clubMembers, &C::clubMembers, QT_TR_NOOP("Show members of your &Club")},
    }};
    return groups;
}

CMBGroupQueryDlg::CMBGroupQueryDlg(CBGMatchBoardProperties* sheet, QWidget* parent)
    : platform::PropertyPage(tr("Groups"), parent), m_sheet(sheet) {
    auto* allGroups = new QCheckBox(tr("Show &All Groups"), this);
    auto* colorNames = new QCheckBox(tr("Color &Player names"), this);
    SetItemId(allGroups, kAllGroupsId);
    SetItemId(colorNames, kColorNamesId);
    connect(allGroups, &QCheckBox::clicked, this, [this] { onAllGroups(); });
    connect(colorNames, &QCheckBox::clicked, this, [this] { onColorNames(); });

    auto* grid = new QGridLayout;
    for (int i = 0; i < kGroupCount; ++i) {
        const Group& group = Groups()[size_t(i)];
        auto* box = new QCheckBox(tr(group.text), this);
        box->setTristate(true); // shows "all groups" as the indeterminate state
        auto* button = new CColorButton(this);
        SetItemId(box, group.boxId);
        SetItemId(button, group.buttonId);
        button->setAccessibleName(box->text().remove(u'&') + tr(" colour"));
        button->setFixedWidth(button->sizeHint().height() * 2);
        grid->addWidget(box, i, 0);
        grid->addWidget(button, i, 1);
        connect(box, &QCheckBox::clicked, this, [this, id = group.boxId] { onGroupBox(id); });
        connect(button, &QPushButton::clicked, this, [this, i] { onColorButton(i); });
    }
    grid->setColumnStretch(0, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(allGroups);
    layout->addLayout(grid);
    layout->addWidget(colorNames);
    layout->addStretch(1);
}

void CMBGroupQueryDlg::SetProperties(const CMatchBoardQuery* query) {
    if (!query)
        return;
    trackAllGroups = query->trackAllGroups != 0;
    for (int i = 0; i < kGroupCount; ++i)
        flags[size_t(i)] = query->*Groups()[size_t(i)].flag ? 1 : 0;
    if (IsInitialized()) {
        UpdateData(false);
        refreshGroupBoxes();
    }
}

void CMBGroupQueryDlg::GetProperties(CMatchBoardQuery* query) const {
    if (!query)
        return;
    query->trackAllGroups = trackAllGroups ? 1 : 0;
    for (int i = 0; i < kGroupCount; ++i)
        query->*Groups()[size_t(i)].flag = flags[size_t(i)];
    query->support = 0;
}

bool CMBGroupQueryDlg::OnInitDialog() {
    platform::PropertyPage::OnInitDialog();
    refreshGroupBoxes();
    for (const Group& group : Groups())
        if (auto* button = ItemAs<CColorButton>(group.buttonId))
            button->SetColor(m_colors.*group.color);
    enableColorButtons();
    return true;
}

void CMBGroupQueryDlg::DoDataExchange(platform::DataExchange& dx) {
    dx.Check(kAllGroupsId, trackAllGroups);
    dx.Check(kColorNamesId, m_colors.colorByGroup);
}

bool CMBGroupQueryDlg::OnApply() {
    for (const Group& group : Groups())
        if (auto* button = ItemAs<CColorButton>(group.buttonId))
            m_colors.*group.color = button->GetColor();
    m_colors.Save();
    if (m_sheet)
        m_sheet->ApplySettings();
    // The lists repaint the names in their new colours.
    BroadcastToApplicationWindows(QStringLiteral("KELDERWICK_FONT_PROPERTIES_CHANGED"));
    return platform::PropertyPage::OnApply();
}

int CMBGroupQueryDlg::groupIndex(int boxId) const {
    for (int i = 0; i < kGroupCount; ++i)
        if (Groups()[size_t(i)].boxId == boxId)
            return i;
    return -1;
}

void CMBGroupQueryDlg::refreshGroupBoxes() {
    for (int i = 0; i < kGroupCount; ++i) {
        if (auto* box = ItemAs<QCheckBox>(Groups()[size_t(i)].boxId))
            box->setCheckState(trackAllGroups ? Qt::PartiallyChecked : flags[size_t(i)] ? Qt::Checked : Qt::Unchecked);
    }
}

void CMBGroupQueryDlg::onGroupBox(int boxId) {
    const int index = groupIndex(boxId);
    if (index >= 0 && !trackAllGroups) {
        flags[size_t(index)] = flags[size_t(index)] ? 0 : 1;
        SetModified();
    }
    refreshGroupBoxes(); // the box shows its flag, whatever the click made of it
}

void CMBGroupQueryDlg::onAllGroups() {
    trackAllGroups = IsItemChecked(kAllGroupsId);
    refreshGroupBoxes();
    SetModified();
}

void CMBGroupQueryDlg::onColorNames() {
    m_colors.colorByGroup = IsItemChecked(kColorNamesId) ? 1 : 0;
    enableColorButtons();
    SetModified();
}

void CMBGroupQueryDlg::onColorButton(int index) {
    auto* button = ItemAs<CColorButton>(Groups()[size_t(index)].buttonId);
    if (!button)
        return;
    platform::COLORREF color = button->GetColor();
    if (!CKWColorDlg::ChooseColor(color, this))
        return;
    button->SetColor(color);
    SetModified();
}

void CMBGroupQueryDlg::enableColorButtons() {
    const bool enable = m_colors.colorByGroup != 0;
    for (const Group& group : Groups())
        EnableItem(group.buttonId, enable);
}
