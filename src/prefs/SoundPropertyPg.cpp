#include "prefs/SoundPropertyPg.h"

#include "platform/Sound.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QStyle>
#include <QToolButton>

namespace {

const char* labelOf(int id) {
    switch (id) {
    case CSoundPropertyPg::IDC_CHAT: return "&Chat Messages";
    case CSoundPropertyPg::IDC_ENABLE_SOUND: return "&Enable Sounds";
    case CSoundPropertyPg::IDC_CLOSE_TALK: return "C&lose a Talk Window";
    case CSoundPropertyPg::IDC_INVITATIONS: return "&Invitations";
    case CSoundPropertyPg::IDC_OPEN_TALK: return "&Open a Talk Window";
    case CSoundPropertyPg::IDC_TALK_MESSAGES: return "&Talk Messages";
    case CSoundPropertyPg::IDC_WATCH: return "Watcher Joins Game";
    default: return "";
    }
}

} // namespace

const std::array<CSoundPropertyPg::Shown, 7>& CSoundPropertyPg::ShownSwitches() {
    static const std::array<Shown, 7> shown = {{
        {CSoundSettings::kChat, IDC_CHAT},
        {CSoundSettings::kEnableSound, IDC_ENABLE_SOUND},
        {CSoundSettings::kCloseTalk, IDC_CLOSE_TALK},
        {CSoundSettings::kInvitations, IDC_INVITATIONS},
        {CSoundSettings::kOpenTalk, IDC_OPEN_TALK},
        {CSoundSettings::kTalkMessages, IDC_TALK_MESSAGES},
        {CSoundSettings::kWatch, IDC_WATCH},
    }};
    return shown;
}

CSoundPropertyPg::CSoundPropertyPg(QWidget* parent) : PropertyPage(tr("Sound"), parent) {
    const CSoundSettings& settings = GetSoundSettings();
    const auto& shown = ShownSwitches();
    for (size_t i = 0; i < shown.size(); ++i)
        on[i] = settings.Get(shown[i].which);

    auto* enable = new QCheckBox(tr(labelOf(IDC_ENABLE_SOUND)), this);
    SetItemId(enable, IDC_ENABLE_SOUND);
    auto* grid = new QGridLayout(this);
    grid->addWidget(enable, 0, 0, 1, 2);
    int row = 1;
    for (const Shown& item : shown) {
        if (item.which == CSoundSettings::kEnableSound)
            continue;
        auto* box = new QCheckBox(tr(labelOf(item.id)), this);
        SetItemId(box, item.id);
        auto* play = new QToolButton(this);
        play->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
        play->setToolTip(tr("Play the sound"));
        play->setAccessibleName(tr("Play %1").arg(box->text().remove(u'&')));
        SetItemId(play, item.id + kPlayButtonOffset);
        const QString sound = CSoundSettings::SoundName(item.which);
        connect(play, &QToolButton::clicked, this, [sound] { platform::PlaySound(sound); });
        connect(box, &QCheckBox::clicked, this, [this] { SetModified(true); });
        grid->addWidget(box, row, 1);
        grid->addWidget(play, row, 2);
        ++row;
    }
    grid->setColumnMinimumWidth(0, 16);
    grid->setColumnStretch(3, 1); // the play buttons stay beside their boxes
    grid->setRowStretch(row, 1);
    connect(enable, &QCheckBox::clicked, this, [this] {
        EnableEventBoxes();
        SetModified(true);
    });
}

bool CSoundPropertyPg::Get(CSoundSettings::Switch which) const {
    const auto& shown = ShownSwitches();
    for (size_t i = 0; i < shown.size(); ++i)
        if (shown[i].which == which)
            return on[i];
    return GetSoundSettings().Get(which);
}

void CSoundPropertyPg::DoDataExchange(platform::DataExchange& dx) {
    const auto& shown = ShownSwitches();
    for (size_t i = 0; i < shown.size(); ++i)
        dx.Check(shown[i].id, on[i]);
}

bool CSoundPropertyPg::OnInitDialog() {
    PropertyPage::OnInitDialog();
    EnableEventBoxes();
    return true;
}

void CSoundPropertyPg::EnableEventBoxes() {
    const bool enabled = IsItemChecked(IDC_ENABLE_SOUND);
    for (const Shown& item : ShownSwitches()) {
        if (item.which == CSoundSettings::kEnableSound)
            continue;
        EnableItem(item.id, enabled);
        EnableItem(item.id + kPlayButtonOffset, enabled);
    }
}

void CSoundPropertyPg::OnOK() {
    CSoundSettings& settings = GetSoundSettings();
    const auto& shown = ShownSwitches();
    for (size_t i = 0; i < shown.size(); ++i)
        settings.Set(shown[i].which, on[i]);
    settings.Save();
}
