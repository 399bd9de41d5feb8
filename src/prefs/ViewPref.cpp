#include "prefs/ViewPref.h"

#include "support/SettingsStore.h"
#include "support/WindowBroadcast.h"
#include "support/controls/SpinButton.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

const QString kChatLog = QStringLiteral("CChatLog");
const QString kChatViewLength = QStringLiteral("Chat View Length");
const QString kChatView = QStringLiteral("CChatView");
const QString kGameData = QStringLiteral("Game Data in Chat View");
const QString kBoldMoves = QStringLiteral("Bold Moves");
const QString kClientNode = QStringLiteral("CClientNode");
const QString kIgnoreShouts = QStringLiteral("Ignore Shouts");
const QString kMainFrame = QStringLiteral("CMainFrame");
const QString kQualityText = QStringLiteral("Connection Quality Text");
const QString kLogElement = QStringLiteral("CLogElement");
const QString kEmotePrefix = QStringLiteral("Emote Prefix");

} // namespace

CViewPref::CViewPref(QWidget* parent) : PropertyPage(tr("View"), parent) {
    const CSettingsStore& store = GetSettingsStore();
    chatViewLength = store.GetIntEx(kChatLog, kChatViewLength, 300);
    showGameData = store.GetIntEx(kChatView, kGameData, 0) != 0;
    boldNotifications = store.GetIntEx(kChatView, kBoldMoves, 1) != 0;
    showShouts = store.GetIntEx(kClientNode, kIgnoreShouts, 0) <= 0;
    showQualityCaption = store.GetIntEx(kMainFrame, kQualityText, 1) != 0;
    emotePrefix = store.GetString(kLogElement, kEmotePrefix, QStringLiteral("->"));

    auto* lines = new QLineEdit(this);
    m_spin = new CSpinButton(this);
    m_spin->SetBuddy(lines);
    auto* gameData = new QCheckBox(tr("Show &game data"), this);
    auto* bold = new QCheckBox(tr("Display &notifications in bold"), this);
    auto* shouts = new QCheckBox(tr("&Show shouts"), this);
    auto* quality = new QCheckBox(tr("&Show Network Quality Caption"), this);
    auto* emote = new QLineEdit(this);
    SetItemId(lines, IDC_LINES);
    SetItemId(m_spin, IDC_LINES_SPIN);
    SetItemId(gameData, IDC_SHOW_GAME_DATA);
    SetItemId(bold, IDC_BOLD_NOTIFICATIONS);
    SetItemId(shouts, IDC_SHOW_SHOUTS);
    SetItemId(quality, IDC_QUALITY_CAPTION);
    SetItemId(emote, IDC_EMOTE_PREFIX);

    auto* linesRow = new QHBoxLayout;
    lines->setMaximumWidth(80);
    linesRow->addWidget(lines);
    linesRow->addWidget(m_spin);
    linesRow->addStretch(1);
    auto* linesLabel = new QLabel(tr("Lines:"), this);
    linesLabel->setBuddy(lines);
    auto* emoteLabel = new QLabel(tr("&Emote prefix:"), this);
    emoteLabel->setBuddy(emote);
    auto* form = new QFormLayout;
    form->addRow(linesLabel, linesRow);
    form->addRow(emoteLabel, emote);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    for (QCheckBox* box : {gameData, bold, shouts, quality})
        layout->addWidget(box);
    layout->addStretch(1);

    // Only what the user does marks the page changed, not the loading of the controls.
    connect(gameData, &QCheckBox::clicked, this, [this](bool checked) {
        showGameData = checked;
        SetModified(true);
    });
    for (QCheckBox* box : {bold, shouts, quality})
        connect(box, &QCheckBox::clicked, this, [this] { SetModified(true); });
    for (QLineEdit* edit : {lines, emote})
        connect(edit, &QLineEdit::textEdited, this, [this] { SetModified(true); });
    connect(m_spin, &CSpinButton::stepped, this, [this] { SetModified(true); });
}

bool CViewPref::OnInitDialog() {
    m_spin->SetRange(kMinChatViewLength, kMaxChatViewLength);
    return PropertyPage::OnInitDialog();
}

void CViewPref::DoDataExchange(platform::DataExchange& dx) {
    dx.Text(IDC_LINES, chatViewLength);
    dx.MinMaxInt(IDC_LINES, chatViewLength, kMinChatViewLength, kMaxChatViewLength);
    dx.Check(IDC_SHOW_GAME_DATA, showGameData);
    dx.Check(IDC_BOLD_NOTIFICATIONS, boldNotifications);
    dx.Check(IDC_SHOW_SHOUTS, showShouts);
    dx.Check(IDC_QUALITY_CAPTION, showQualityCaption);
    dx.Text(IDC_EMOTE_PREFIX, emotePrefix);
    // Checked on saving only: limiting the edit while loading would cut a longer stored prefix
    // unseen instead of showing it for the user to shorten.
    if (dx.saving())
        dx.MaxChars(IDC_EMOTE_PREFIX, emotePrefix, kMaxEmotePrefixLength);
}

void CViewPref::OnOK() {
    CSettingsStore& store = GetSettingsStore();
    store.WriteInt(kChatLog, kChatViewLength, chatViewLength);
    store.WriteInt(kChatView, kGameData, showGameData ? 1 : 0);
    store.WriteInt(kChatView, kBoldMoves, boldNotifications ? 1 : 0);
    store.WriteInt(kClientNode, kIgnoreShouts, showShouts ? 0 : 1);
    store.WriteInt(kMainFrame, kQualityText, showQualityCaption ? 1 : 0);
    store.WriteString(kLogElement, kEmotePrefix, emotePrefix);
    BroadcastToApplicationWindows(QString::fromLatin1(kViewPropertiesChanged));
}
