#include "board/BgPlayOptions.h"

#include "board/BackgammonBoardCtl.h"
#include "support/SettingsStore.h"
#include "support/SoundSettings.h"
#include "support/WindowBroadcast.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kBackgammon = QStringLiteral("Backgammon");
const QString kSounds = QLatin1String(CSoundSettings::kSection);

QSlider* makeSlider(QWidget* parent, int low, int high, int page, int line, int tick) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(low, high);
    slider->setPageStep(page);
    slider->setSingleStep(line);
    slider->setTickInterval(tick);
    slider->setTickPosition(QSlider::TicksBelow);
    return slider;
}

// A slider between its two end labels.
QHBoxLayout* sliderRow(QWidget* parent, const QString& low, QSlider* slider, const QString& high) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(low, parent));
    row->addWidget(slider, 1);
    row->addWidget(new QLabel(high, parent));
    return row;
}

} // namespace

CBgPlayOptions::CBgPlayOptions(const CBgColorScheme* screenScheme, QWidget* parent)
    : PropertyPage(tr("Play Options"), parent), m_screenScheme(screenScheme) {
    const CSettingsStore& store = GetSettingsStore();
    mouseAction = store.GetIntEx(kBackgammon, QStringLiteral("bEnableSingleClick"), 1) != 0 ? 0 : 1;
    forcedMoveDelay = std::clamp(store.GetIntEx(kBackgammon, QStringLiteral("nForcedMoveDelayMilliseconds"), 20), 0, 1000);
    playForcedMoves = store.GetIntEx(kBackgammon, QStringLiteral("bPlayForcedMoves"), 0) != 0;
    initialCubeValue = store.GetIntEx(kBackgammon, QStringLiteral("nInitialCubeValue"), 0) == 1 ? 1 : 0;
    dieSize = std::clamp(store.GetIntEx(kBackgammon, QStringLiteral("nDieSize"), 75), 20, 150);
    confirmDoubles = store.GetIntEx(kBackgammon, QStringLiteral("bConfirmDoubles"), 1) != 0;
    enableSound = store.GetIntEx(kSounds, QStringLiteral("bEnableSound"), 1) != 0;
    rollOrDouble = store.GetIntEx(kSounds, QStringLiteral("bRollOrDouble"), 0) != 0;
    gameEvents = store.GetIntEx(kSounds, QStringLiteral("bGameEvents"), 1) != 0;
    dance = store.GetIntEx(kSounds, QStringLiteral("bDance"), 0) != 0;

    auto* single = new QRadioButton(tr("Single-click to move checkers"), this);
    auto* twice = new QRadioButton(tr("Double-click to move checkers"), this);
    auto* delay = makeSlider(this, 0, 1000, 100, 20, 100);
    auto* playForced = new QCheckBox(tr("Automatically Play Forced Moves"), this);
    auto* cube1 = new QRadioButton(tr("1"), this);
    auto* cube64 = new QRadioButton(tr("64"), this);
    auto* die = makeSlider(this, 20, 150, 10, 2, 10);
    auto* confirm = new QCheckBox(tr("Always Confirm Doubling"), this);
    auto* enable = new QCheckBox(tr("&Enable"), this);
    auto* roll = new QCheckBox(tr("My Turn to &Roll or Double"), this);
    auto* events = new QCheckBox(tr("&Game Events"), this);
    auto* danceBox = new QCheckBox(tr("&Dancing on Bar"), this);
    const std::pair<QWidget*, int> ids[] = {
        {single, IDC_SINGLE_CLICK}, {twice, IDC_DOUBLE_CLICK},    {delay, IDC_FORCED_DELAY},
        {playForced, IDC_PLAY_FORCED}, {cube1, IDC_CUBE_1},       {cube64, IDC_CUBE_64},
        {die, IDC_DIE_SIZE},        {confirm, IDC_CONFIRM_DOUBLES}, {enable, IDC_ENABLE_SOUND},
        {roll, IDC_ROLL_OR_DOUBLE}, {events, IDC_GAME_EVENTS},    {danceBox, IDC_DANCE},
    };
    for (const auto& [widget, id] : ids)
        SetItemId(widget, id);
    auto* mouseGroup = new QButtonGroup(this);
    mouseGroup->addButton(single, 0);
    mouseGroup->addButton(twice, 1);
    auto* cubeGroup = new QButtonGroup(this);
    cubeGroup->addButton(cube1, 0);
    cubeGroup->addButton(cube64, 1);

    auto* moving = new QGroupBox(tr("Moving Checkers"), this);
    auto* movingLayout = new QVBoxLayout(moving);
    movingLayout->addWidget(single);
    movingLayout->addWidget(twice);
    movingLayout->addWidget(playForced);
    movingLayout->addWidget(new QLabel(tr("Forced Move Delay:"), moving));
    movingLayout->addLayout(sliderRow(moving, tr("No Delay"), delay, tr("One Second")));

    auto* board = new QGroupBox(tr("Board"), this);
    auto* boardLayout = new QVBoxLayout(board);
    auto* cubeRow = new QHBoxLayout;
    cubeRow->addWidget(new QLabel(tr("Initial Cube Value:"), board));
    cubeRow->addWidget(cube1);
    cubeRow->addWidget(cube64);
    cubeRow->addStretch(1);
    boardLayout->addLayout(cubeRow);
    boardLayout->addWidget(new QLabel(tr("Die Size Relative to Checkers"), board));
    boardLayout->addLayout(sliderRow(board, tr("20%"), die, tr("150%")));
    boardLayout->addWidget(confirm);

    auto* sounds = new QGroupBox(tr("Sounds"), this);
    auto* soundLayout = new QGridLayout(sounds);
    soundLayout->addWidget(enable, 0, 0, 1, 2);
    soundLayout->setColumnMinimumWidth(0, 16);
    soundLayout->addWidget(roll, 1, 1);
    soundLayout->addWidget(events, 2, 1);
    soundLayout->addWidget(danceBox, 3, 1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(moving, 0, 0);
    layout->addWidget(board, 0, 1);
    layout->addWidget(sounds, 1, 0, 1, 2);
    layout->setRowStretch(2, 1);

    connect(mouseGroup, &QButtonGroup::idClicked, this, [this] { PlayChanged(); });
    connect(confirm, &QCheckBox::clicked, this, [this] { PlayChanged(); });
    connect(playForced, &QCheckBox::clicked, this, [this] { PlayChanged(); });
    // Loading the controls moves the sliders too: only the user's moves count.
    connect(delay, &QSlider::valueChanged, this, [this] {
        if (!m_loading)
            PlayChanged();
    });
    connect(cubeGroup, &QButtonGroup::idClicked, this, [this] { BoardChanged(); });
    connect(die, &QSlider::valueChanged, this, [this] {
        if (!m_loading)
            BoardChanged();
    });
    connect(enable, &QCheckBox::clicked, this, [this] {
        EnableSoundBoxes();
        SetModified(true);
    });
    for (QCheckBox* box : {roll, events, danceBox})
        connect(box, &QCheckBox::clicked, this, [this] { SetModified(true); });
}

void CBgPlayOptions::DoDataExchange(platform::DataExchange& dx) {
    m_loading = !dx.saving();
    dx.Radio({IDC_SINGLE_CLICK, IDC_DOUBLE_CLICK}, mouseAction);
    dx.Slider(IDC_FORCED_DELAY, forcedMoveDelay);
    dx.Check(IDC_PLAY_FORCED, playForcedMoves);
    dx.Radio({IDC_CUBE_1, IDC_CUBE_64}, initialCubeValue);
    dx.Slider(IDC_DIE_SIZE, dieSize);
    dx.Check(IDC_CONFIRM_DOUBLES, confirmDoubles);
    dx.Check(IDC_ENABLE_SOUND, enableSound);
    dx.Check(IDC_ROLL_OR_DOUBLE, rollOrDouble);
    dx.Check(IDC_GAME_EVENTS, gameEvents);
    dx.Check(IDC_DANCE, dance);
    m_loading = false;
}

bool CBgPlayOptions::OnInitDialog() {
    PropertyPage::OnInitDialog();
    EnableSoundBoxes();
    SetModified(false);
    return true;
}

void CBgPlayOptions::EnableSoundBoxes() {
    const bool on = IsItemChecked(IDC_ENABLE_SOUND);
    for (int id : {IDC_ROLL_OR_DOUBLE, IDC_GAME_EVENTS, IDC_DANCE})
        EnableItem(id, on); // a disabled box keeps its value, and it is written
}

void CBgPlayOptions::PlayChanged() {
    m_playChanged = true;
    SetModified(true);
}

void CBgPlayOptions::BoardChanged() {
    m_boardChanged = true;
    SetModified(true);
}

bool CBgPlayOptions::OnApply() {
    if (!IsModified())
        return true;
    UpdateData(true);
    CSettingsStore& store = GetSettingsStore();
    store.WriteInt(kBackgammon, QStringLiteral("bEnableSingleClick"), mouseAction == 0 ? 1 : 0);
    store.WriteInt(kBackgammon, QStringLiteral("nForcedMoveDelayMilliseconds"), forcedMoveDelay);
    store.WriteInt(kBackgammon, QStringLiteral("bPlayForcedMoves"), playForcedMoves ? 1 : 0);
    store.WriteInt(kBackgammon, QStringLiteral("nInitialCubeValue"), initialCubeValue);
    store.WriteInt(kBackgammon, QStringLiteral("nDieSize"), dieSize);
    store.WriteInt(kBackgammon, QStringLiteral("bConfirmDoubles"), confirmDoubles ? 1 : 0);
    store.WriteInt(kSounds, QStringLiteral("bEnableSound"), enableSound ? 1 : 0);
    store.WriteInt(kSounds, QStringLiteral("bRollOrDouble"), rollOrDouble ? 1 : 0);
    store.WriteInt(kSounds, QStringLiteral("bGameEvents"), gameEvents ? 1 : 0);
    store.WriteInt(kSounds, QStringLiteral("bDance"), dance ? 1 : 0);
    GetSoundSettings().Load();
    if (m_boardChanged) {
        CBgSchemeObject scheme(m_screenScheme ? *m_screenScheme : CBgColorScheme(-1));
        SendToMainWindowDescendants(QLatin1String(kPropertiesChanged), 0, &scheme);
        m_boardChanged = false;
    }
    if (m_playChanged) {
        SendToMainWindowDescendants(QLatin1String(kPlayOptionsChanged));
        m_playChanged = false;
    }
    return true;
}
