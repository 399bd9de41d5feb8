#include "lobby/BGMatchBoardPropertyPage.h"

#include "support/WindowBroadcast.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

const std::array<CBGMatchBoardPropertyPage::Box, 13>& CBGMatchBoardPropertyPage::Boxes() {
    using namespace UserListColumn;
    static const std::array<Box, 13> boxes = {{
        {1158, "&Status", Status},
        {1254, "&Gender", Gender},
        {1255, "&Country", Country},
        {1159, "&Rating", Rating},
        {1160, "&Experience", Experience},
        {1541, "&Tallybank Account", Money},
        {1165, "&Unfinished Matches", Unfinished},
        {kPlayPreferencesId, "&Play Preferences", PlayPreferences},
        {1163, "Full &Name", FullName},
        {1164, "E&mail", Email},
        {1253, "Sco&re", Score},
        {1162, "&Location", Location},
        {1166, "Clu&b", Club},
    }};
    return boxes;
}

CBGMatchBoardPropertyPage::CBGMatchBoardPropertyPage(QWidget* parent) : CUserListColumnsPage(parent) {
    setObjectName(QString::number(kTemplateId));
    auto* group = new QGroupBox(tr("Columns to show"), this);
    auto* grid = new QGridLayout(group);
    const auto& boxes = Boxes();
    const int rows = int(boxes.size() + 1) / 2;
    for (int i = 0; i < int(boxes.size()); ++i) {
        const Box& box = boxes[size_t(i)];
        auto* check = new QCheckBox(tr(box.label), group);
        SetItemId(check, box.id);
        grid->addWidget(check, i % rows, i / rows);
        connect(check, &QCheckBox::clicked, this, [this, box] { onBoxClicked(box.column, box.id); });
    }
    auto* restore = new QPushButton(tr("Restore Default Column Settings"), this);
    SetItemId(restore, kRestoreDefaultId);
    connect(restore, &QPushButton::clicked, this, [this] { RestoreDefaults(); });
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(restore);
    buttonRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttonRow);
    layout->addStretch(1);

    BroadcastToApplicationWindows(QString::fromLatin1(kViewInitMessage), 0, this);
}

bool CBGMatchBoardPropertyPage::OnInitDialog() {
    CUserListColumnsPage::OnInitDialog();
    SetModified(false);
    return true;
}

void CBGMatchBoardPropertyPage::DoDataExchange(platform::DataExchange& dx) {
    for (const Box& box : Boxes())
        dx.Check(box.id, m_flags[size_t(box.column)]);
    EnableItem(kPlayPreferencesId, false);
}

void CBGMatchBoardPropertyPage::onBoxClicked(int column, int id) {
    if (IsItemChecked(id) != (m_flags[size_t(column)] != 0))
        SetModified();
}

void CBGMatchBoardPropertyPage::RestoreDefaults() {
    // Each board restores its defaults and fills the flags again.
    BroadcastToApplicationWindows(QString::fromLatin1(kRestoreDefaultMessage), 0, this);
    UpdateData(false);
}

void CBGMatchBoardPropertyPage::OnOK() {
    BroadcastToApplicationWindows(QString::fromLatin1(kViewChangedMessage), 0, this);
}
