#include "prefs/NotificationPrefs.h"

#include "support/SettingsStore.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString kSection = QStringLiteral("General Preferences");

// Where each event's choice stands on the page.
struct EventPlace {
    int firstButton;
    int group; // index into kGroups
    const char* label;
};

const EventPlace kEvents[CNotificationPrefs::kEventCount] = {
    {1348, 0, "Player Arrival:"},   {1350, 0, "Player Departure:"}, {1353, 1, "Opponent Leaves:"},
    {1358, 1, "Watcher Arrival:"},  {1359, 1, "Watcher Departure:"}, {1342, 2, "Player Arrival:"},
    {1344, 2, "Player Departure:"},
};
const char* const kGroups[] = {"Friends", "Game", "Interrupted Matches"};
const char* const kColumns[] = {"Chat Log", "Message Box", "None"};

QList<int> buttonIds(CNotificationPrefs::Event event) {
    const int first = CNotificationPrefs::FirstButtonId(event);
    return {first, first + CNotificationPrefs::kButtonStep, first + 2 * CNotificationPrefs::kButtonStep};
}

} // namespace

int CNotificationPrefs::FirstButtonId(Event event) { return kEvents[event].firstButton; }

CNotificationPrefs::CNotificationPrefs(QWidget* parent) : PropertyPage(tr("Notification"), parent) {
    for (int e = 0; e < kEventCount; ++e)
        choices[size_t(e)] = UserNotification::ReadChoice(Event(e));
    loaded = choices;

    auto* layout = new QVBoxLayout(this);
    for (int g = 0; g < int(std::size(kGroups)); ++g) {
        auto* box = new QGroupBox(tr(kGroups[g]), this);
        auto* grid = new QGridLayout(box);
        for (int c = 0; c < 3; ++c)
            grid->addWidget(new QLabel(tr(kColumns[c]), box), 0, c + 1, Qt::AlignCenter);
        int row = 1;
        for (int e = 0; e < kEventCount; ++e) {
            if (kEvents[e].group != g)
                continue;
            grid->addWidget(new QLabel(tr(kEvents[e].label), box), row, 0);
            auto* group = new QButtonGroup(box);
            const QList<int> ids = buttonIds(Event(e));
            for (int c = 0; c < 3; ++c) {
                auto* button = new QRadioButton(box);
                button->setAccessibleName(QStringLiteral("%1 %2").arg(tr(kEvents[e].label), tr(kColumns[c])));
                SetItemId(button, ids[c]);
                group->addButton(button, c);
                grid->addWidget(button, row, c + 1, Qt::AlignCenter);
                connect(button, &QRadioButton::clicked, this, [this] { OnRadioClicked(); });
            }
            ++row;
        }
        grid->setColumnStretch(0, 1);
        layout->addWidget(box);
    }
    layout->addStretch(1);
}

void CNotificationPrefs::DoDataExchange(platform::DataExchange& dx) {
    for (int e = 0; e < kEventCount; ++e)
        dx.Radio(buttonIds(Event(e)), choices[size_t(e)]);
}

void CNotificationPrefs::OnRadioClicked() {
    UpdateData(true);
    SetModified(choices != loaded);
}

void CNotificationPrefs::OnOK() {
    CSettingsStore& store = GetSettingsStore();
    for (int e = 0; e < kEventCount; ++e)
        store.WriteInt(kSection, UserNotification::ValueName(Event(e)), choices[size_t(e)]);
    // What is stored now is what a later change is measured against.
    loaded = choices;
}
