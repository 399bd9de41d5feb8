#include "board/BgSaveOptions.h"

#include "game/BgSaveSettings.h"
#include "platform/Ui.h"
#include "support/SettingsStore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kSection = QStringLiteral("Backgammon");

} // namespace

bool CBgSaveOptions::GetSaveWhilePlaying() { return CBgSaveSettings::GetSaveWhilePlaying(); }
bool CBgSaveOptions::GetSaveWhileWatching() { return CBgSaveSettings::GetSaveWhileWatching(); }
bool CBgSaveOptions::GetAutoSaveFormatTxt() { return CBgSaveSettings::GetAutoSaveFormatTxt(); }
bool CBgSaveOptions::GetAutoSaveFolderCbg() { return CBgSaveSettings::GetAutoSaveFolderCbg(); }
bool CBgSaveOptions::GetAutoSaveFolderSnv() { return CBgSaveSettings::GetAutoSaveFolderSnv(); }

QString CBgSaveOptions::GetSaveFolder() { return CBgSaveSettings::GetSaveFolder(); }

CBgSaveOptions::CBgSaveOptions(QWidget* parent) : PropertyPage(tr("AutoSave"), parent) {
    auto* playing = new QCheckBox(tr("Save games automatically when I'm playing"), this);
    auto* watching = new QCheckBox(tr("Save games automatically when I'm watching"), this);
    auto* txt = new QCheckBox(tr("Text (.txt)"), this);
    auto* cbg = new QCheckBox(tr("Norvale Backgammon (.cbg)"), this);
    auto* snv = new QCheckBox(tr("Snowie Norvale (.snv)"), this);
    auto* folderEdit = new QLineEdit(this);
    auto* browse = new QPushButton(tr("..."), this);
    browse->setToolTip(tr("Choose the folder"));
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    const std::pair<QWidget*, int> ids[] = {
        {playing, IDC_WHILE_PLAYING}, {watching, IDC_WHILE_WATCHING}, {txt, IDC_FORMAT_TXT},
        {cbg, IDC_FORMAT_CBG},        {snv, IDC_FORMAT_SNV},          {folderEdit, IDC_FOLDER},
        {browse, IDC_BROWSE},
    };
    for (const auto& [widget, id] : ids)
        SetItemId(widget, id);

    auto* formats = new QGroupBox(tr("Formats"), this);
    auto* formatLayout = new QVBoxLayout(formats);
    for (QCheckBox* box : {txt, cbg, snv})
        formatLayout->addWidget(box);
    auto* where = new QGroupBox(tr("Save Folder"), this);
    auto* whereLayout = new QGridLayout(where);
    whereLayout->addWidget(folderEdit, 0, 0);
    whereLayout->addWidget(browse, 0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(playing);
    layout->addWidget(watching);
    layout->addWidget(formats);
    layout->addWidget(where);
    layout->addStretch(1);

    for (QCheckBox* box : {playing, watching, txt, cbg, snv})
        connect(box, &QCheckBox::clicked, this, [this] { SetModified(true); });
    connect(folderEdit, &QLineEdit::textEdited, this, [this] { SetModified(true); });
    connect(browse, &QPushButton::clicked, this, [this] { ChooseFolder(); });
}

void CBgSaveOptions::DoDataExchange(platform::DataExchange& dx) {
    dx.Check(IDC_WHILE_PLAYING, saveWhilePlaying);
    dx.Check(IDC_WHILE_WATCHING, saveWhileWatching);
    dx.Check(IDC_FORMAT_TXT, formatTxt);
    dx.Check(IDC_FORMAT_CBG, formatCbg);
    dx.Check(IDC_FORMAT_SNV, formatSnv);
    dx.Text(IDC_FOLDER, folder);
}

bool CBgSaveOptions::OnInitDialog() {
    saveWhilePlaying = GetSaveWhilePlaying();
    saveWhileWatching = GetSaveWhileWatching();
    formatTxt = GetAutoSaveFormatTxt();
    formatCbg = GetAutoSaveFolderCbg();
    formatSnv = GetAutoSaveFolderSnv();
    folder = GetSaveFolder();
    PropertyPage::OnInitDialog();
    SetModified(false);
    return true;
}

void CBgSaveOptions::ChooseFolder() {
    const QString chosen = platform::ui().ExistingDirectory(this, tr("Save games Directory"), GetSaveFolder());
    if (chosen.isEmpty())
        return; // cancelled: nothing changes
    UpdateData(true);
    folder = chosen;
    UpdateData(false);
    SetModified(true);
}

bool CBgSaveOptions::OnApply() {
    if (!IsModified())
        return true;
    UpdateData(true);
    CSettingsStore& store = GetSettingsStore();
    store.WriteString(kSection, QStringLiteral("SaveFolder"), folder.trimmed());
    store.WriteInt(kSection, QStringLiteral("SaveWhilePlaying"), saveWhilePlaying ? 1 : 0);
    store.WriteInt(kSection, QStringLiteral("SaveWhileWatching"), saveWhileWatching ? 1 : 0);
    store.WriteInt(kSection, QStringLiteral("AutoSaveFormatTxt"), formatTxt ? 1 : 0);
    store.WriteInt(kSection, QStringLiteral("AutoSaveFolderCbg"), formatCbg ? 1 : 0);
    store.WriteInt(kSection, QStringLiteral("AutoSaveFolderSnv"), formatSnv ? 1 : 0);
    return true;
}
