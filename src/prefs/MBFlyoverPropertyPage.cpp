#include "prefs/MBFlyoverPropertyPage.h"

#include "support/WindowBroadcast.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace {
constexpr int kDelayStep = 19;
}

CMBFlyoverPropertyPage::CMBFlyoverPropertyPage(QWidget* parent) : platform::PropertyPage(tr("Flyovers"), parent) {
    auto* flyover = new QCheckBox(tr("&Show player details when the pointer rests on a name"), this);
    SetItemId(flyover, kFlyoverId);
    connect(flyover, &QCheckBox::clicked, this, [this] { onFlyover(); });

    // The range is set before the first exchange, so a stored delay is not pulled into a default range.
    auto* delay = new QSlider(Qt::Horizontal, this);
    SetItemId(delay, kDelayId);
    delay->setRange(CMBFlyoverSettings::kMinDelay, CMBFlyoverSettings::kMaxDelay);
    delay->setPageStep(kDelayStep);
    delay->setSingleStep(2);
    delay->setTickInterval(kDelayStep);
    delay->setTickPosition(QSlider::TicksBelow);
    connect(delay, &QSlider::actionTriggered, this, [this] { SetModified(); });

    auto* delayLabel = new QLabel(tr("&Delay before the details show:"), this);
    delayLabel->setBuddy(delay);
    auto* sliderRow = new QGridLayout;
    sliderRow->addWidget(delayLabel, 0, 0, 1, 3);
    sliderRow->addWidget(new QLabel(tr("Short"), this), 1, 0);
    sliderRow->addWidget(delay, 1, 1);
    sliderRow->addWidget(new QLabel(tr("Long"), this), 1, 2);
    sliderRow->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(flyover);
    layout->addLayout(sliderRow);
    layout->addStretch(1);

    BroadcastToApplicationWindows(QString::fromLatin1(kViewPropertiesInitMessage), 0, this);
}

bool CMBFlyoverPropertyPage::OnInitDialog() {
    platform::PropertyPage::OnInitDialog();
    SetModified(false);
    EnableItem(kDelayId, m_settings.flyover != 0);
    return true;
}

void CMBFlyoverPropertyPage::DoDataExchange(platform::DataExchange& dx) {
    dx.Check(kFlyoverId, m_settings.flyover);
    dx.Slider(kDelayId, m_settings.delay);
}

void CMBFlyoverPropertyPage::OnOK() {
    m_settings.Save();
    BroadcastToApplicationWindows(QString::fromLatin1(kFlyoverChangedMessage));
}

void CMBFlyoverPropertyPage::onFlyover() {
    m_settings.flyover = IsItemChecked(kFlyoverId) ? 1 : 0;
    EnableItem(kDelayId, m_settings.flyover != 0);
    SetModified();
}
