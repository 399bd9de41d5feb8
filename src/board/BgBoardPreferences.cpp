#include "board/BgBoardPreferences.h"

#include "board/BackgammonBoardCtl.h"
#include "platform/PostCall.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/SettingsStore.h"
#include "support/WindowBroadcast.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString kCurrentName = QLatin1String(CBgColorScheme::kCurrent);
const QString kDefaultName = QLatin1String(CBgColorScheme::kDefault);
const QString kCurrentScheme = QStringLiteral("strCurrentScheme");
const QString kAccelerationName = QStringLiteral("bEnableHardwareAcceleration");

const char kItemNames[] = "Board Frame;Board;Points 1;Points 2;Checker Set 1;Checker Set 2;Dice 1;Dice 2;Pockets;"
                          "Label Font";

// The scheme element each item edits (the label font has none).
constexpr CBgColorScheme::Item kItemElements[] = {
    CBgColorScheme::kBoardFrame,   CBgColorScheme::kBoard,        CBgColorScheme::kPoints1,
    CBgColorScheme::kPoints2,      CBgColorScheme::kCheckerSet1,  CBgColorScheme::kCheckerSet2,
    CBgColorScheme::kDice1,        CBgColorScheme::kDice2,        CBgColorScheme::kPockets,
    CBgColorScheme::kItemCount,    CBgColorScheme::kBackground,
};

std::function<int()>& capabilityCheck() {
    static std::function<int()> check = Check3DCapability;
    return check;
}

bool isProtected(const QString& name) {
    return name.compare(kCurrentName, Qt::CaseInsensitive) == 0 ||
           name.compare(kDefaultName, Qt::CaseInsensitive) == 0;
}

// A position for the preview: the start, with a roll on the table so that the dice show too.
CBackgammonBoard previewBoard() {
    CBackgammonBoard board;
    board.SetupPosition();
    board.SetSideOnRoll(1);
    board.SetDice(6, 5);
    return board;
}

} // namespace

// Raises the busy counter while the page changes its own lists.
class CBgBoardPreferences::Busy {
public:
    explicit Busy(CBgBoardPreferences* page) : m_page(page) { ++m_page->m_busy; }
    ~Busy() { --m_page->m_busy; }

private:
    CBgBoardPreferences* m_page;
};

void CBgBoardPreferences::SetCapabilityCheck(std::function<int()> check) {
    capabilityCheck() = check ? std::move(check) : std::function<int()>(Check3DCapability);
}

CBgBoardPreferences::CBgBoardPreferences(bool printing, CBgColorScheme* scheme, QWidget* parent)
    : PropertyPage(printing ? tr("Printing") : tr("Display"), parent), m_scheme(scheme), m_printing(printing),
      m_style(scheme->m_style == 0 ? 0 : 2), m_schemes(new QComboBox(this)), m_items(new QComboBox(this)),
      m_paneArea(new QWidget(this)), m_preview(new CBackgammonBoardCtl(this)) {
    m_acceleration = GetSettingsStore().GetRecentInt(QLatin1String(kSection), kAccelerationName, 1) != 0;

    auto* styleLabel = new QLabel(tr("St&yle:"), this);
    auto* flat = new QRadioButton(tr("&2D"), this);
    auto* solid = new QRadioButton(tr("&3D"), this);
    styleLabel->setBuddy(flat);
    auto* acceleration = new QCheckBox(tr("&Enable Hardware Acceleration"), this);
    auto* saveAs = new QPushButton(tr("Save &As..."), this);
    auto* remove = new QPushButton(tr("&Delete"), this);
    SetItemId(styleLabel, IDC_STYLE_LABEL);
    SetItemId(flat, IDC_2D);
    SetItemId(solid, IDC_3D);
    SetItemId(acceleration, IDC_ACCELERATION);
    SetItemId(m_schemes, IDC_SCHEMES);
    SetItemId(saveAs, IDC_SAVE_AS);
    SetItemId(remove, IDC_DELETE);
    SetItemId(m_items, IDC_ITEMS);
    SetItemId(m_paneArea, IDC_PANE_AREA);
    SetItemId(m_preview, IDC_PREVIEW);
    auto* styles = new QButtonGroup(this);
    styles->addButton(flat, 0);
    styles->addButton(solid, 1);

    auto* schemeLabel = new QLabel(tr("&Scheme:"), this);
    schemeLabel->setBuddy(m_schemes);
    auto* itemLabel = new QLabel(tr("&Item:"), this);
    itemLabel->setBuddy(m_items);
    m_schemes->setMinimumContentsLength(14);
    m_schemes->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_items->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    // The column keeps its width whichever pane it shows, so the preview does not move.
    auto* column = new QWidget(this);
    column->setFixedWidth(230);
    auto* left = new QVBoxLayout(column);
    left->setContentsMargins(0, 0, 0, 0);
    auto* styleRow = new QHBoxLayout;
    styleRow->addWidget(styleLabel);
    styleRow->addWidget(flat);
    styleRow->addWidget(solid);
    styleRow->addStretch(1);
    left->addLayout(styleRow);
    left->addWidget(schemeLabel);
    left->addWidget(m_schemes);
    auto* schemeButtons = new QHBoxLayout;
    schemeButtons->addWidget(saveAs);
    schemeButtons->addWidget(remove);
    left->addLayout(schemeButtons);
    left->addSpacing(6);
    left->addWidget(itemLabel);
    left->addWidget(m_items);
    auto* paneLayout = new QVBoxLayout(m_paneArea);
    paneLayout->setContentsMargins(0, 4, 0, 0);
    m_paneArea->setMinimumHeight(150);
    left->addWidget(m_paneArea, 1);
    left->addWidget(acceleration);

    m_preview->setMinimumSize(300, 220);
    m_preview->setFocusPolicy(Qt::NoFocus);
    m_preview->SetBoard(previewBoard());
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(column, 0);
    layout->addWidget(m_preview, 1);

    connect(styles, &QButtonGroup::idClicked, this, [this] { OnStyleChanged(); });
    connect(acceleration, &QCheckBox::clicked, this, [this] { OnAccelerationClicked(); });
    connect(saveAs, &QPushButton::clicked, this, [this] { SaveSchemeAs(); });
    connect(remove, &QPushButton::clicked, this, [this] { DeleteScheme(); });
    connect(m_schemes, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_busy == 0 && index >= 0 && m_schemes->itemText(index) != m_currentName)
            SelectScheme(m_schemes->itemText(index));
    });
    connect(m_items, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_busy == 0)
            SelectItem(index);
    });
}

CBgBoardPreferences::~CBgBoardPreferences() = default;

void CBgBoardPreferences::DoDataExchange(platform::DataExchange& dx) {
    dx.Check(IDC_ACCELERATION, m_acceleration);
    dx.ComboIndex(IDC_ITEMS, m_itemIndex);
    if (!dx.saving())
        m_styleChoice = m_style != 0 ? 1 : 0;
    dx.Radio({IDC_2D, IDC_3D}, m_styleChoice);
    if (dx.saving())
        m_style = m_styleChoice == 1 ? 2 : 0;
    if (m_itemIndex < 0)
        m_itemIndex = 0;
}

bool CBgBoardPreferences::OnInitDialog() {
    PropertyPage::OnInitDialog();
    // The printed board is always drawn flat: no style, no acceleration there.
    const bool no3D = m_printing || capabilityCheck()() == 3;
    if (no3D)
        m_style = 0;
    EnableItem(IDC_ACCELERATION, m_style != 0);
    m_preview->SetScheme(*m_scheme);
    m_filledSet = -1;
    FillSchemeList();
    FillItemList();
    UpdateData(false);
    PropertyPage::SetModified(false);
    if (no3D)
        for (int id : {IDC_STYLE_LABEL, IDC_2D, IDC_3D, IDC_ACCELERATION})
            ShowItem(id, false);
    OnSchemeChanged();
    return true;
}

void CBgBoardPreferences::FillSchemeList() {
    const int set = GetSchemeSet();
    if (set == m_filledSet)
        return;
    m_filledSet = set;
    CSettingsStore& store = GetSettingsStore();
    const QString directory = CBgColorScheme::DirectorySection(set);
    QString chosen;
    {
        Busy busy(this);
        m_schemes->clear();
        m_schemes->addItem(kCurrentName);
        const int count = store.GetRecentInt(directory, QStringLiteral("nItems"), 0);
        for (int i = 0; i < count && i < 10000; ++i) {
            const QString name = store.GetRecentString(directory, QString::number(i), QString());
            if (name != kCurrentName && !name.isEmpty() && FindScheme(name) < 0)
                m_schemes->addItem(name);
        }
        const QString current = store.GetString(directory, kCurrentScheme, kCurrentName);
        const int found = FindScheme(current);
        m_schemes->setCurrentIndex(found < 0 ? 0 : found);
        chosen = m_schemes->currentText();
    }
    SelectScheme(chosen);
}

int CBgBoardPreferences::FindScheme(const QString& name) const {
    // Exactly the name: "Blue" must not find "Blue Sky".
    for (int i = 1; i < m_schemes->count(); ++i)
        if (m_schemes->itemText(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return m_schemes->count() > 0 && m_schemes->itemText(0).compare(name, Qt::CaseInsensitive) == 0 ? 0 : -1;
}

void CBgBoardPreferences::SelectScheme(const QString& name) {
    m_scheme->Load(GetSchemeSet(), name);
    // A text of another style (the built-in fallback of an empty set) is drawn in the page's style.
    m_scheme->m_style = m_style;
    m_edited = false;
    m_currentName = name;
    {
        Busy busy(this);
        const int index = FindScheme(name);
        m_schemes->setCurrentIndex(index < 0 ? 0 : index);
    }
    if (m_pane) {
        m_shownItem = -1;
        ShowItemPane();
    }
    UpdateData(false);
    UpdateDeleteButton();
    OnSchemeChanged();
    PropertyPage::SetModified(true);
}

void CBgBoardPreferences::FillItemList() {
    QStringList names = QString::fromLatin1(kItemNames).split(u';', Qt::SkipEmptyParts);
    if (m_style == 2)
        names << QStringLiteral("Background");
    {
        Busy busy(this);
        m_items->clear();
        m_items->addItems(names);
        m_items->setCurrentIndex(0);
    }
    m_itemIndex = 0;
    m_shownItem = -1;
    ShowItemPane();
}

void CBgBoardPreferences::SelectItem(int index) {
    m_itemIndex = index < 0 ? 0 : index;
    ShowItemPane();
}

void CBgBoardPreferences::ShowItemPane() {
    if (m_itemIndex == m_shownItem)
        return;
    m_shownItem = m_itemIndex;
    delete m_pane.data();
    QWidget* pane = nullptr;
    const int item = m_itemIndex;
    if (m_style == 0) {
        if (item >= kItemFrame && item <= kItemPockets) {
            CBgSchemeElement* element = &m_scheme->m_elements[kItemElements[item]];
            if (item == kItemDice1 || item == kItemDice2)
                pane = new CLineArtPane(3, element, this, CLineArtPane::kSpotColorLabel, m_paneArea);
            else {
                const bool checker = item == kItemCheckers1 || item == kItemCheckers2;
                pane = new C2DTexturePane(element, checker ? kCheckerTextures : kBoardTextures, checker, this,
                                          m_paneArea);
            }
        } else if (item == kItemLabelFont) {
            pane = new CFontPane(m_scheme, this, m_paneArea);
        }
    } else if ((item >= kItemFrame && item <= kItemPockets) || item == kItemBackground) {
        const int list = item == kItemDice1 || item == kItemDice2                 ? kDiceTextures
                         : item == kItemCheckers1 || item == kItemCheckers2 ? kCheckerTextures
                                                                              : kBoardTextures;
        pane = new CTexturePane(&m_scheme->m_elements[kItemElements[item]], list, this, m_paneArea);
    } else {
        pane = new CFontPane(m_scheme, this, m_paneArea);
    }
    m_pane = pane;
    if (pane) {
        m_paneArea->layout()->addWidget(pane);
        if (auto* dialog = qobject_cast<platform::Dialog*>(pane))
            dialog->EnsureInitialized();
        pane->show();
    }
}

void CBgBoardPreferences::SetModified(bool modified) {
    if (modified) {
        {
            Busy busy(this);
            m_schemes->setCurrentIndex(0);
        }
        m_currentName = kCurrentName;
        m_edited = true;
        UpdateDeleteButton();
    }
    PropertyPage::SetModified(modified);
}

void CBgBoardPreferences::OnSchemeChanged() {
    m_preview->SetScheme(*m_scheme);
    m_preview->repaint();
    // The page itself is repainted once the current event is done, however many edits it holds.
    if (!m_repaintPosted) {
        m_repaintPosted = true;
        platform::PostCall(this, [this] {
            m_repaintPosted = false;
            update();
        });
    }
}

void CBgBoardPreferences::OnStyleChanged() {
    if (m_busy != 0)
        return;
    Busy busy(this);
    UpdateData(true);
    EnableItem(IDC_ACCELERATION, m_style != 0);
    if (m_style != 0) {
        const int capability = capabilityCheck()();
        const char* refusal = nullptr;
        bool back = false;
        switch (capability) {
        case 1:
            refusal = "3D board displays require a 486DX processor or better.";
            break;
        case 2:
            back = platform::ui().MessageBox(
                       this,
                       tr("The recommended configuration for 3D board displays requires a 100 Mhz 486DX or "
                          "faster processor. Would you like to continue?"),
                       windowTitle(), platform::MB_YESNO | platform::MB_ICONQUESTION) == platform::IDNO;
            break;
        case 3:
            refusal = "3D board displays are only supported on Windows/95 and Windows/NT.";
            break;
        case 4:
            refusal = "3D board displays can not be displayed in 16-color video modes.";
            break;
        default:
            break;
        }
        if (refusal) {
            platform::ui().MessageBox(this, tr(refusal), windowTitle(), platform::MB_OK | platform::MB_ICONSTOP);
            back = true;
        }
        if (back) {
            m_style = 0;
            UpdateData(false);
            EnableItem(IDC_ACCELERATION, false);
        }
    }
    if (m_style != m_scheme->m_style) {
        PropertyPage::SetModified(true);
        m_scheme->m_style = m_style;
        FillSchemeList(); // the set changed: its current scheme is selected and loaded
    }
    FillItemList();
    m_itemIndex = 0;
    ShowItemPane();
}

void CBgBoardPreferences::OnAccelerationClicked() {
    m_acceleration = !m_acceleration;
    PropertyPage::SetModified(true);
    OnSchemeChanged();
}

void CBgBoardPreferences::SaveSchemeAs() {
    Busy busy(this);
    QString name;
    if (!platform::ui().Prompt(this, tr("Save Scheme As"), tr("&Name:"), name))
        return;
    name = name.trimmed();
    if (name.compare(kCurrentName, Qt::CaseInsensitive) == 0)
        name = kCurrentName; // the working copy, whatever the spelling
    if (name.isEmpty()) {
        platform::ui().MessageBox(this, tr("You must specify a name under which to save the current color scheme."),
                                  windowTitle(), platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return;
    }
    m_scheme->Save(GetSchemeSet(), name);
    int index = FindScheme(name);
    if (index < 0) {
        m_schemes->addItem(name);
        index = m_schemes->count() - 1;
    }
    m_schemes->setCurrentIndex(index);
    m_currentName = name;
    WriteDirectory();
    if (!m_edited)
        GetSettingsStore().WriteString(CBgColorScheme::DirectorySection(GetSchemeSet()), kCurrentScheme, name);
    UpdateDeleteButton();
}

void CBgBoardPreferences::DeleteScheme() {
    if (isProtected(m_currentName))
        return;
    Busy busy(this);
    const int index = FindScheme(m_currentName);
    if (index > 0)
        m_schemes->removeItem(index);
    m_schemes->setCurrentIndex(0);
    CBgColorScheme::DeleteNamed(GetSchemeSet(), m_currentName);
    m_currentName = kCurrentName;
    WriteDirectory();
    UpdateDeleteButton();
}

void CBgBoardPreferences::UpdateDeleteButton() {
    EnableItem(IDC_DELETE, !isProtected(m_currentName));
}

void CBgBoardPreferences::WriteDirectory() {
    CSettingsStore& store = GetSettingsStore();
    const QString directory = CBgColorScheme::DirectorySection(GetSchemeSet());
    const int count = m_schemes->count();
    // Names beyond the new end are left from a longer list: they go, so the directory holds the list.
    const int before = store.GetRecentInt(directory, QStringLiteral("nItems"), 0);
    store.WriteRecentInt(directory, QStringLiteral("nItems"), count);
    for (int i = 0; i < count; ++i)
        store.WriteRecentString(directory, QString::number(i), m_schemes->itemText(i));
    for (int i = count; i < before && i < 10000; ++i)
        store.DeleteValue(directory, QString::number(i));
}

bool CBgBoardPreferences::OnApply() {
    // A page the user did not change writes nothing: opening and closing the sheet leaves the
    // settings as they were.
    if (!IsModified())
        return true;
    UpdateData(true);
    CSettingsStore& store = GetSettingsStore();
    const int set = GetSchemeSet();
    m_scheme->Save(set, kCurrentName);
    if (!m_printing)
        store.WriteInt(QLatin1String(kSection), QStringLiteral("nStyle"), m_style);
    store.WriteString(CBgColorScheme::DirectorySection(set), kCurrentScheme, m_currentName);
    if (!m_printing) {
        // Only the screen page owns the switch: the printing page has no three-dimensional board.
        store.WriteRecentInt(QLatin1String(kSection), kAccelerationName, m_acceleration ? 1 : 0);
        CBgSchemeObject scheme(*m_scheme);
        SendToMainWindowDescendants(QLatin1String(kPropertiesChanged), 0, &scheme);
    }
    return true;
}
