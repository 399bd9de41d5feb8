#include "records/BGPropositionDlg.h"

#include "board/BackgammonBoardCtl.h"
#include "board/BgClientView.h"
#include "game/ClientGameFactory.h"
#include "game/PropRuleOptions.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/WagerEditControl.h"
#include "net/MessagePacket.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "records/BGPropDoc.h"
#include "records/BGPropSetupDlgs.h"
#include "records/BGPropositionView.h"
#include "session/ServiceName.h"
#include "session/SessionDoc.h"
#include "support/FileKind.h"
#include "support/SettingsStore.h"
#include "support/controls/Edit100ths.h"
#include "support/controls/SpinButton.h"
#include "support/dialogs/DeferredMessageBox.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>


namespace {

const QString kPathSection = QStringLiteral("PathNames");
const QString kPathKey = QStringLiteral("PropositionDir");
constexpr int kMaxSpinHundredths = 9990;
constexpr int kMaxReserveStakes = 16;
constexpr int kPreviewWidth = 400;
constexpr int kDefaultStake = 1000;
constexpr int kDefaultReserve = 16000;

enum Radio { kPlayW, kPlayB, kPayW, kPayB, kOwnW, kOwnB, kRollW, kRollB };

QString Section() {
    return QString::fromLatin1(CBGPropositionDlg::kSection);
}

void Tell(const QString& text) {
    PostDeferredMessageBox(text, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

} // namespace

CBGPropositionDlg::CBGPropositionDlg(CInvitationManager* manager, QWidget* parent, const CInviteData& record,
                                     bool received)
    : CWagerInviteDlg(manager, parent, record, kTemplateId, received) {
    m_board.SetupPosition();
    CBGPropDoc::PrepareForEditing(m_board);
    m_position = m_board.GetSavedBoardText(1);
    m_folder = GetPropositionDir();
}

CBGPropositionDlg::~CBGPropositionDlg() {
    // Hiding the window on its way out takes the focus from a field, which would end its editing with
    // this dialog's members already gone.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

// ---- Files -------------------------------------------------------------------------------------------

QString CBGPropositionDlg::GetPropositionDir() {
    QString folder = GetSettingsStore().GetString(kPathSection, kPathKey);
    if (folder.trimmed().isEmpty())
        folder = GetSettingsStore().GetPathName(QStringLiteral("SaveGame"), QStringLiteral("SaveGame"));
    folder = QDir::fromNativeSeparators(folder);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString CBGPropositionDlg::PropositionPath(const QString& folder, const QString& name) {
    QString file = CPropRuleOptions::SafeName(name).trimmed();
    if (file.isEmpty() || file == QLatin1String(".") || file == QLatin1String(".."))
        return QString();
    if (!file.endsWith(QLatin1String(".bgp"), Qt::CaseInsensitive))
        file += QLatin1String(".bgp");
    return QDir(folder).filePath(file);
}

QStringList CBGPropositionDlg::ListPropositions(const QString& folder, const QString& wanted) {
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder))
        return {};
    const auto list = [&dir] {
        return dir.entryList({QStringLiteral("*.bgp")}, QDir::Files | QDir::Readable,
                             QDir::Name | QDir::IgnoreCase);
    };
    QStringList names = list();
    const auto has = [&names](const QString& name) {
        return std::any_of(names.begin(), names.end(),
                           [&name](const QString& n) { return n.compare(name, Qt::CaseInsensitive) == 0; });
    };
    const QString want = CPropRuleOptions::SafeName(wanted);
    if (names.isEmpty() || want.isEmpty() || !has(want)) {
        if (!has(QString::fromLatin1(kDefaultFile))) {
            CBackgammonBoard opening;
            opening.SetupPosition();
            if (!opening.SaveToFile(dir.filePath(QString::fromLatin1(kDefaultFile))))
                return names;
            names = list();
        }
    }
    return names;
}

int CBGPropositionDlg::ReserveForStake(int stake, int reserve) {
    if (stake <= 0)
        return reserve;
    const int stakes = std::clamp(reserve / stake, 1, kMaxReserveStakes);
    return stake * stakes;
}

int CBGPropositionDlg::ParseConsideration(const QString& text) {
    bool ok = false;
    const double points = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(points) || points <= 0)
        return 0;
    if (points >= CPropRuleOptions::kMaxConsiderationHundredths / 100.0)
        return CPropRuleOptions::kMaxConsiderationHundredths;
    return int(std::lround(points * 100));
}

int CBGPropositionDlg::StepConsideration(int hundredths, int delta) {
    return std::clamp(hundredths + (delta > 0 ? 1 : -1), 0, kMaxSpinHundredths);
}

// ---- Window --------------------------------------------------------------------------------------------

QWidget* CBGPropositionDlg::CreateTermsPane(QWidget* parent) {
    auto* pane = new QWidget(parent);
    auto* outer = new QHBoxLayout(pane);
    outer->setContentsMargins(0, 0, 0, 0);

    auto* left = new QVBoxLayout;
    outer->addLayout(left);

    // The proposition: a list of the folder's files (offering side) or its name as text.
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("Proposition:"), pane));
    m_nameList = new QComboBox(pane);
    m_nameList->setEditable(true);
    m_nameList->lineEdit()->setMaxLength(CPropRuleOptions::kMaxNameLength);
    m_nameList->setMinimumContentsLength(20);
    SetItemId(m_nameList, kIdNameList);
    m_browse = new QPushButton(QStringLiteral("&..."), pane);
    m_browse->setFixedWidth(32);
    SetItemId(m_browse, kIdBrowse);
    m_nameText = new QLabel(pane);
    m_nameText->setTextFormat(Qt::PlainText);
    SetItemId(m_nameText, kIdNameText);
    nameRow->addWidget(m_nameList, 1);
    nameRow->addWidget(m_nameText, 1);
    nameRow->addWidget(m_browse);
    left->addLayout(nameRow);
    connect(m_nameList, &QComboBox::textActivated, this, [this](const QString& name) { OnPropositionSelected(name); });
    connect(m_browse, &QPushButton::clicked, this, [this] { OnBrowse(); });

    // The terms, a line each: a label, then its two sides (or its value). Lines rather than framed
    // groups, so that the dialog fits a small screen.
    auto* terms = new QGridLayout;
    terms->setColumnStretch(2, 1);
    left->addLayout(terms);
    const auto pair = [this, pane](int first, int idW, int idB) {
        // Each pair in a box of its own: the two buttons of a pair exclude each other, and only them.
        auto* box = new QWidget(pane);
        auto* layout = new QHBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        for (int i = 0; i < 2; ++i) {
            auto* radio = new QRadioButton(i == 0 ? QStringLiteral("White") : QStringLiteral("Black"), box);
            SetItemId(radio, i == 0 ? idW : idB);
            m_radios[first + i] = radio;
            layout->addWidget(radio);
        }
        return box;
    };
    const auto line = [terms, pane](int row, const QString& text, QWidget* value) {
        auto* label = new QLabel(text, pane);
        terms->addWidget(label, row, 0);
        terms->addWidget(value, row, 1);
        return label;
    };

    // The consideration and who gets it.
    auto* pay = new QWidget(pane);
    auto* payLayout = new QHBoxLayout(pay);
    payLayout->setContentsMargins(0, 0, 0, 0);
    auto* payLabel = new QLabel(QStringLiteral("&Pay"), pay);
    m_considerationEdit = new CEdit100ths(3, pay);
    m_considerationEdit->setFixedWidth(60);
    SetItemId(m_considerationEdit, kIdConsideration);
    payLabel->setBuddy(m_considerationEdit);
    auto* spin = new QWidget(pay);
    auto* spinLayout = new QVBoxLayout(spin);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    for (const bool up : {true, false}) {
        auto* button = new QToolButton(spin);
        button->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFixedSize(18, 11);
        button->setObjectName(up ? QStringLiteral("up") : QStringLiteral("down"));
        connect(button, &QToolButton::clicked, this, [this, up] {
            m_consideration = StepConsideration(ParseConsideration(m_considerationEdit->text()), up ? 1 : -1);
            m_considerationEdit->setText(QString::asprintf("%.2f", m_consideration / 100.0));
            OnOptionChanged();
        });
        spinLayout->addWidget(button);
    }
    SetItemId(spin, kIdConsiderationSpin);
    // A box the user only passed through changes no terms (nor the peer's acceptance).
    connect(m_considerationEdit, &QLineEdit::editingFinished, this, [this] {
        if (!m_considerationEdit->isModified())
            return;
        m_considerationEdit->setModified(false);
        m_consideration = ParseConsideration(m_considerationEdit->text());
        m_considerationEdit->setText(QString::asprintf("%.2f", m_consideration / 100.0));
        OnOptionChanged();
    });
    auto* toLabel = new QLabel(QStringLiteral("points &to:"), pay);
    payLayout->addWidget(payLabel);
    payLayout->addWidget(m_considerationEdit);
    payLayout->addWidget(spin);
    payLayout->addWidget(toLabel);
    terms->addWidget(pay, 0, 0);
    terms->addWidget(pair(kPayW, kIdPayeeWhite, kIdPayeeBlack), 0, 1);
    toLabel->setBuddy(m_radios[kPayW]);

    line(1, QStringLiteral("&You are playing:"), pair(kPlayW, kIdPlayingWhite, kIdPlayingBlack))
        ->setBuddy(m_radios[kPlayW]);

    auto* cubeBox = new QWidget(pane);
    auto* cubeRow = new QHBoxLayout(cubeBox);
    cubeRow->setContentsMargins(0, 0, 0, 0);
    auto* cube = new QLineEdit(cubeBox);
    cube->setFixedWidth(40);
    cube->setMaxLength(2);
    SetItemId(cube, kIdCubeValue);
    cubeRow->addWidget(cube);
    cubeRow->addWidget(MakeCubeSpin(this, kIdCubeSpin, kIdCubeValue, [this] { ApplyControlsToBoard(); }));
    cubeRow->addStretch(1);
    line(2, QStringLiteral("C&ube:"), cubeBox)->setBuddy(cube);
    connect(cube, &QLineEdit::editingFinished, this, [this, cube] {
        if (!cube->isModified())
            return;
        cube->setModified(false);
        if (checkCubeText())
            ApplyControlsToBoard();
    });
    line(3, QStringLiteral("&Owner:"), pair(kOwnW, kIdOwnerWhite, kIdOwnerBlack))->setBuddy(m_radios[kOwnW]);
    line(4, QStringLiteral("Player on &roll:"), pair(kRollW, kIdRollWhite, kIdRollBlack))->setBuddy(m_radios[kRollW]);
    for (int i : {kPlayW, kPlayB, kOwnW, kOwnB, kRollW, kRollB})
        connect(m_radios[i], &QRadioButton::clicked, this, [this] { ApplyControlsToBoard(); });
    for (int i : {kPayW, kPayB})
        connect(m_radios[i], &QRadioButton::clicked, this, [this] { OnOptionChanged(); });

    auto* gamesBox = new QWidget(pane);
    auto* gamesRow = new QHBoxLayout(gamesBox);
    gamesRow->setContentsMargins(0, 0, 0, 0);
    m_games = new QLineEdit(gamesBox);
    m_games->setMaxLength(3);
    m_games->setFixedWidth(44);
    m_games->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), m_games));
    SetItemId(m_games, kIdGames);
    auto* gamesSpin = new CSpinButton(gamesBox);
    gamesSpin->SetBuddy(m_games);
    gamesSpin->SetRange(1, CPropRuleOptions::kMaxContractLength);
    SetItemId(gamesSpin, kIdGamesSpin);
    gamesRow->addWidget(m_games);
    gamesRow->addWidget(gamesSpin);
    gamesRow->addStretch(1);
    line(5, QStringLiteral("&Number of games to play:"), gamesBox)->setBuddy(m_games);
    // Each key changes the terms without touching the box; the box is put right when the user is done
    // with it (leaving it, Enter) and whenever its arrows set it.
    connect(m_games, &QLineEdit::textEdited, this, [this] { OnGamesTyped(); });
    connect(m_games, &QLineEdit::editingFinished, this, [this] {
        if (m_games->isModified())
            OnGamesEntered();
    });
    connect(gamesSpin, &CSpinButton::stepped, this, [this] { OnGamesEntered(); });

    auto* buttons = new QHBoxLayout;
    m_save = new QPushButton(QStringLiteral("&Save"), pane);
    SetItemId(m_save, kIdSave);
    connect(m_save, &QPushButton::clicked, this, [this] { OnSave(); });
    m_bearoff = new QPushButton(QStringLiteral("&Bearoff Equity..."), pane);
    SetItemId(m_bearoff, kIdBearoff);
    connect(m_bearoff, &QPushButton::clicked, this, [this] { OnBearoffEquity(); });
    // Enter in a field of the terms never saves, asks the server or opens the file chooser.
    for (QPushButton* button : {m_browse, m_save, m_bearoff})
        button->setAutoDefault(false);
    buttons->addWidget(m_save);
    buttons->addWidget(m_bearoff);
    buttons->addStretch(1);
    left->addLayout(buttons);
    left->addStretch(1);

    // The preview board.
    auto* right = new QVBoxLayout;
    outer->addLayout(right, 1);
    m_hint = new QLabel(QStringLiteral("Drag checkers to change proposition"), pane);
    SetItemId(m_hint, kIdDragHint);
    // Hidden after the first drag, the hint keeps its room: the board must not move under the mouse.
    QSizePolicy hintPolicy = m_hint->sizePolicy();
    hintPolicy.setRetainSizeWhenHidden(true);
    m_hint->setSizePolicy(hintPolicy);
    right->addWidget(m_hint);
    m_preview = new CBackgammonBoardCtl(pane);
    m_preview->setObjectName(QStringLiteral("BgBoard"));
    SetItemId(m_preview, kIdBoard);
    applyPreviewScheme();
    // The board's own proportions (its usual size scaled down): no bands of background around it.
    const QSize natural = m_preview->sizeHint();
    m_preview->setFixedSize(kPreviewWidth, kPreviewWidth * natural.height() / natural.width());
    right->addWidget(m_preview);
    right->addStretch(1);
    return pane;
}

QWidget* CBGPropositionDlg::CreateFootPane(QWidget* parent) {
    // The wager, and why Invite or Play is off, stay in sight beside the buttons whatever scrolls:
    // Enter never takes a wager the user cannot see.
    auto* foot = new QWidget(parent);
    auto* row = new QHBoxLayout(foot);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(CreateWagerControls(foot));
    m_notice = new QLabel(foot);
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setWordWrap(true);
    m_notice->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetItemId(m_notice, kIdNotice);
    row->addSpacing(12);
    row->addWidget(m_notice, 1);
    return foot;
}

bool CBGPropositionDlg::OnInitDialog() {
    if (!CWagerInviteDlg::OnInitDialog())
        return false;
    setWindowTitle(GetGameName());
    showSide();
    m_preview->SetCommandHandler([this](const QString& command) { OnBoardCommand(command); });
    // Once the invitation is sent (or the terms taken) the dialog says that it waits (the base made its
    // own connections first).
    for (int id : {int(kIdInvite), int(kIdPlay)}) {
        if (auto* button = ItemAs<QAbstractButton>(id))
            connect(button, &QAbstractButton::clicked, this, [this] { UpdateButtons(); });
    }
    if (!IsReceived())
        loadPropositionList();
    writeControls();
    ApplyControlsToBoard();
    return true;
}

void CBGPropositionDlg::showSide() {
    // The invited side (or the one waiting for play again) sees the name as text; choosing, saving
    // and dragging are the offering player's.
    const bool received = IsReceived();
    m_nameList->setVisible(!received);
    m_browse->setVisible(!received);
    m_nameList->setEnabled(!received);
    m_browse->setEnabled(!received);
    m_nameText->setVisible(received);
    m_nameText->setText(m_name);
    m_save->setEnabled(!received);
    m_preview->SetEditing(!received);
    // Only the offering player drags checkers.
    m_hint->setVisible(!received && !m_edited);
}

void CBGPropositionDlg::loadPropositionList() {
    m_filling = true;
    m_nameList->clear();
    const QStringList names = ListPropositions(m_folder, m_name);
    m_nameList->addItems(names);
    m_filling = false;
    if (names.isEmpty()) {
        Tell(QString::fromLatin1(kNoProposition));
        QMetaObject::invokeMethod(this, [this] { OnCancel(); }, Qt::QueuedConnection);
        return;
    }
    int index = -1;
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].compare(CPropRuleOptions::SafeName(m_name), Qt::CaseInsensitive) == 0)
            index = i;
    }
    if (index < 0)
        index = int(names.indexOf(QString::fromLatin1(kDefaultFile)));
    // Otherwise the first file whose name can be offered; a list of none keeps the position shown.
    for (int i = 0; index < 0 && i < names.size(); ++i)
        if (names[i].size() <= CPropRuleOptions::kMaxNameLength)
            index = i;
    if (index < 0) {
        Tell(QString::fromLatin1(kNameTooLong).arg(CPropRuleOptions::kMaxNameLength));
        restoreSelection();
        return;
    }
    m_nameList->setCurrentIndex(index);
    OnPropositionSelected(names[index]);
}

void CBGPropositionDlg::restoreSelection() {
    const bool filling = m_filling;
    m_filling = true;
    const int index = m_nameList->findText(m_name, Qt::MatchFixedString);
    if (index >= 0)
        m_nameList->setCurrentIndex(index);
    else
        m_nameList->setEditText(m_name);
    m_filling = filling;
}

bool CBGPropositionDlg::checkCubeText() {
    bool ok = false;
    const int cube = GetItemText(kIdCubeValue).trimmed().toInt(&ok);
    if (ok && IsValidPropCubeValue(cube))
        return true;
    // What the box shows is what is offered.
    Tell(QString::fromLatin1(kBadCube));
    SetItemText(kIdCubeValue, QString::number(m_cubeValue));
    return false;
}

void CBGPropositionDlg::OnPropositionSelected(const QString& name) {
    if (m_filling || IsReceived())
        return;
    // A name that cannot be taken leaves the previous proposition chosen: the name offered always
    // belongs to the position offered.
    if (name.size() > CPropRuleOptions::kMaxNameLength) {
        Tell(QString::fromLatin1(kNameTooLong).arg(CPropRuleOptions::kMaxNameLength));
        restoreSelection();
        return;
    }
    const QString chosen = CPropRuleOptions::SafeName(name);
    const QString path = PropositionPath(m_folder, chosen);
    if (!QFileInfo::exists(path)) {
        m_name = chosen; // a new name typed in: Save makes it
        m_nameFromPeer = false;
        return;
    }
    const QString text = readPropositionFile(path);
    if (text.isEmpty()) {
        restoreSelection();
        return;
    }
    m_name = chosen;
    m_nameFromPeer = false;
    showPosition(text);
    // Another position may be one that can or cannot be offered.
    ApplyControlsToBoard();
    UpdateButtons();
}

bool CBGPropositionDlg::OpenPropositionFile(const QString& path) {
    if (IsReceived())
        return false;
    const QFileInfo info(path);
    if (!info.exists()) {
        Tell(QString::fromLatin1(kUnableToOpen).arg(path));
        return false;
    }
    if (info.fileName().size() > CPropRuleOptions::kMaxNameLength) {
        Tell(QString::fromLatin1(kNameTooLong).arg(CPropRuleOptions::kMaxNameLength));
        return false;
    }
    // Nothing changes for a file that cannot be read.
    if (readPropositionFile(path).isEmpty())
        return false;
    m_folder = info.absolutePath() + QLatin1Char('/');
    m_name = info.fileName();
    loadPropositionList();
    return true;
}

QString CBGPropositionDlg::readPropositionFile(const QString& path) {
    QString error;
    const QString text = LoadBoardFileText(path, &error);
    if (!text.isEmpty() &&
        CPropRuleOptions::CheckPosition(CPropRuleOptions::CorrectPosition(text)) != CPropRuleOptions::PositionFault::kIncomplete)
        return text;
    if (error.isEmpty())
        error = QStringLiteral("The file \"%1\" does not hold a whole position of this version (fifteen checkers "
                               "of each side).")
                    .arg(QDir::toNativeSeparators(path));
    Tell(error);
    return QString();
}

void CBGPropositionDlg::OnBrowse() {
    const QString path = platform::ui().OpenFileName(this, QString(), m_folder,
                                                     QStringLiteral("Backgammon Proposition (*.bgp *.BGP)"));
    if (!path.isEmpty())
        OpenPropositionFile(path);
}

bool CBGPropositionDlg::OnSave() {
    if (IsReceived())
        return false;
    readControls();
    // A name the other player gave is his: the user saves under a name of his own choosing.
    if (m_nameFromPeer && m_nameList->currentText() == m_name) {
        Tell(QString::fromLatin1(kNameNotYours));
        return false;
    }
    if (!m_nameList->currentText().trimmed().isEmpty())
        m_name = CPropRuleOptions::SafeName(m_nameList->currentText());
    m_nameFromPeer = false;
    const QString path = PropositionPath(m_folder, m_name);
    // The file holds the proposition as White sees it, whichever side the user plays.
    CBackgammonBoard own;
    const bool read = own.ReadBoardText(m_position, 1);
    if (path.isEmpty() || !read || !QDir().mkpath(m_folder) || !own.SaveToFile(path)) {
        Tell(QString::fromLatin1(kUnableToOpen).arg(path.isEmpty() ? m_name : path));
        return false;
    }
    m_name = QFileInfo(path).fileName();
    SaveDefaults();
    loadPropositionList();
    return true;
}

// ---- Board -----------------------------------------------------------------------------------------------

int CBGPropositionDlg::sideOfIndex(int index) const {
    return (index == 0) == (m_playing != 1) ? 1 : 2;
}

int CBGPropositionDlg::indexOfSide(int side) const {
    return (side == 1) == (m_playing != 1) ? 0 : 1;
}

void CBGPropositionDlg::showPosition(const QString& text) {
    if (text == m_position)
        return;
    CBackgammonBoard board;
    board.SetupPosition();
    const QString position = CPropRuleOptions::CorrectPosition(text);
    if (!board.ReadBoardText(position, viewSide()) || !CBGPropDoc::IsCompletePosition(board))
        return;
    m_position = position;
    m_board = board;
    CBGPropDoc::PrepareForEditing(m_board);
    m_cubeValue = std::max(1, m_board.GetCubeValue());
    if (m_board.GetCubeOwner() == 1 || m_board.GetCubeOwner() == 2)
        m_cubeOwner = indexOfSide(m_board.GetCubeOwner());
    if (m_board.GetSideOnRoll() == 1 || m_board.GetSideOnRoll() == 2)
        m_onRoll = indexOfSide(m_board.GetSideOnRoll());
    if (m_preview) {
        writeControls();
        m_preview->SetBoard(m_board);
    }
    refreshBearoff();
}

void CBGPropositionDlg::applyPreviewScheme() {
    // The user's side is the preview's side 1: its checkers take the colour he plays.
    CBgColorScheme scheme(CBgColorScheme::kSet2D, QString::fromLatin1(CBGPropositionView::kLineArtScheme));
    if (m_playing == 1) {
        std::swap(scheme.m_elements[CBgColorScheme::kCheckerSet1], scheme.m_elements[CBgColorScheme::kCheckerSet2]);
        std::swap(scheme.m_elements[CBgColorScheme::kDice1], scheme.m_elements[CBgColorScheme::kDice2]);
    }
    if (m_preview && !m_preview->GetScheme().IsEqual(scheme))
        m_preview->SetScheme(scheme);
}

void CBGPropositionDlg::ApplyControlsToBoard() {
    if (m_filling || !m_preview)
        return;
    const int oldView = viewSide();
    const QString position = m_board.GetSavedBoardText(oldView);
    readControls();
    CBackgammonBoard board;
    board.SetupPosition();
    if (!board.ReadBoardText(position, viewSide()))
        board = m_board;
    CBGPropDoc::PrepareForEditing(board);
    board.SetCube(m_cubeValue, m_cubeValue == 1 ? 0 : sideOfIndex(m_cubeOwner));
    board.SetSideOnRoll(sideOfIndex(m_onRoll));
    m_board = board;
    m_position = m_board.GetSavedBoardText(viewSide());
    // A cube value the board cannot take (typed "3") goes back to the one the preview shows.
    if (GetItemText(kIdCubeValue).trimmed() != QString::number(m_cubeValue))
        SetItemText(kIdCubeValue, QString::number(m_cubeValue));
    for (int i : {kOwnW, kOwnB})
        m_radios[i]->setEnabled(m_cubeValue != 1);
    applyPreviewScheme();
    m_preview->SetBoard(m_board);
    m_preview->update();
    refreshBearoff();
    OnOptionChanged();
}

bool CBGPropositionDlg::OnBoardCommand(const QString& command) {
    if (IsReceived() || !command.startsWith(QLatin1String("c ")))
        return false;
    CBGPropDoc::PrepareForEditing(m_board);
    if (!m_board.ApplyCommand(command))
        return false;
    m_board.ClearStepCount();
    m_position = m_board.GetSavedBoardText(viewSide());
    m_edited = true;
    m_hint->hide();
    m_preview->SetBoard(m_board);
    refreshBearoff();
    OnOptionChanged();
    return true;
}

// ---- Bear-off equity -------------------------------------------------------------------------------

void CBGPropositionDlg::refreshBearoff() {
    if (m_bearoff)
        m_bearoff->setEnabled(m_manager && m_manager->GetSession() && IsBearOffPosition(m_board));
}

bool CBGPropositionDlg::OnBearoffEquity() {
    CSessionDoc* session = m_manager ? m_manager->GetSession() : nullptr;
    // The preview's side 1 is the user's: the answer names the side on roll by its colour.
    CBackgammonBoard board = m_board;
    const QStringList colours{QStringLiteral("White"), QStringLiteral("Black")};
    board.SetPlayers(m_playing == 1 ? QStringList{colours[1], colours[0]} : colours, 0, false);
    return RequestBearOffEquity(session, board, GetServiceNameText());
}

int CBGPropositionDlg::OfferPacket(int type, const QString& body) {
    if (type == kPacketLeagueInfoRequest && !IsClosed()) {
        // The server's league answer to the dialog's question: propositions are never league games.
        CSessionDoc* session = m_manager ? m_manager->GetSession() : nullptr;
        const CMessagePacket* packet = session ? session->GetCurrentPacket() : nullptr;
        return packet && packet->IsRouted() ? 0 : 1;
    }
    if (type != CBgClientView::kBearOffReply || IsClosed())
        return CWagerInviteDlg::OfferPacket(type, body);
    CSessionDoc* session = m_manager ? m_manager->GetSession() : nullptr;
    const CMessagePacket* packet = session ? session->GetCurrentPacket() : nullptr;
    // Only the server answers; and only a question asked here opens a box.
    if (!session || (packet && packet->IsRouted() && packet->GetSourceName() != QLatin1String(".")))
        return 0;
    const std::optional<QString> message = BearOffEquityText(body, GetServiceNameText());
    if (!message)
        return 0;
    if (session->TakeAnswer(CBgClientView::kBearOffReply, GetServiceNameText().toLower()))
        PostDeferredMessageBox(*message, platform::MB_OK | platform::MB_ICONINFORMATION);
    return 1;
}

// ---- Controls ----------------------------------------------------------------------------------------------

void CBGPropositionDlg::readControls() {
    if (!m_games)
        return;
    const auto index = [this](int white) { return m_radios[white + 1]->isChecked() ? 1 : 0; };
    m_playing = index(kPlayW);
    m_payee = index(kPayW);
    m_cubeOwner = index(kOwnW);
    m_onRoll = index(kRollW);
    m_contract = TypedGames(m_games->text());
    m_consideration = ParseConsideration(m_considerationEdit->text());
    bool ok = false;
    const int cube = GetItemText(kIdCubeValue).trimmed().toInt(&ok);
    if (ok && IsValidPropCubeValue(cube))
        m_cubeValue = cube;
    else
        SetItemText(kIdCubeValue, QString::number(m_cubeValue));
}

void CBGPropositionDlg::writeControls() {
    if (!m_games)
        return;
    const bool filling = m_filling;
    m_filling = true;
    const auto set = [this](int white, int index) { m_radios[white + (index == 1 ? 1 : 0)]->setChecked(true); };
    set(kPlayW, m_playing);
    set(kPayW, m_payee);
    set(kOwnW, m_cubeOwner);
    set(kRollW, m_onRoll);
    // The box the user is typing in keeps his text as long as it stands for the number held.
    if (!(m_games->hasFocus() && TypedGames(m_games->text()) == m_contract))
        m_games->setText(m_contract > 0
                             ? QString::number(std::min(m_contract, CPropRuleOptions::kMaxContractLength))
                             : QString());
    m_considerationEdit->setText(QString::asprintf("%.2f", m_consideration / 100.0));
    SetItemText(kIdCubeValue, QString::number(m_cubeValue));
    m_nameText->setText(m_name);
    for (int i : {kOwnW, kOwnB})
        m_radios[i]->setEnabled(m_cubeValue != 1);
    m_filling = filling;
}

int CBGPropositionDlg::TypedGames(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return kNoGames;
    bool ok = false;
    const int games = digits.toInt(&ok);
    return ok ? std::clamp(games, 1, CPropRuleOptions::kMaxContractLength) : kNoGames;
}

void CBGPropositionDlg::OnGamesTyped() {
    if (IsClosed() || !m_games)
        return;
    const QString text = m_games->text().trimmed();
    m_contract = TypedGames(text);
    // A number the box shows as typed goes to the peer at once; one it will correct (0, 300, 007) goes once
    // the box shows the correction. An empty box is no number: Invite and Play wait for one.
    if (IsReady())
        OnTermsChanged(m_contract != kNoGames && QString::number(m_contract) == text);
    UpdateButtons();
}

void CBGPropositionDlg::OnGamesEntered() {
    if (IsClosed() || !m_games)
        return;
    m_games->setModified(false);
    if (!UpdateData(true))
        return;
    // Passing through the box changes nothing the peer has not seen already.
    if (IsReady())
        OnTermsChanged(!IsLive() || !RulesEqual(GetOwnRulesText(), GetRulesText()));
    UpdateButtons();
}

void CBGPropositionDlg::DoDataExchange(platform::DataExchange& dx) {
    CWagerInviteDlg::DoDataExchange(dx);
    if (!dx.saving() || !m_games)
        return;
    // The user is done with the games box: a number out of range shows corrected; an empty box stays
    // empty, no number.
    m_contract = TypedGames(m_games->text());
    if (m_contract != kNoGames && m_games->text() != QString::number(m_contract))
        m_games->setText(QString::number(m_contract));
}

// ---- Terms ---------------------------------------------------------------------------------------------

QString CBGPropositionDlg::GetRulesText() {
    readControls();
    const int control = m_playing ^ (IsReceived() ? 1 : 0);
    const auto* stake = GetStakeControl();
    const auto* reserve = GetReserveControl();
    const CPropRuleOptions options(m_first, CPropRuleOptions::SafeName(m_name), m_position, m_contract,
                                   m_consideration, control, m_payee, IsWagerAsked(),
                                   stake ? stake->GetAmount() : 0, reserve ? reserve->GetAmount() : 0);
    return options.FormatText();
}

bool CBGPropositionDlg::ApplyRulesText(const QString& text) {
    CPropRuleOptions options;
    bool corrected = false;
    if (!CPropRuleOptions::CorrectPeerText(text, options, &corrected))
        return false; // no terms, or not a whole position: ours stand and go back
    const auto& terms = options.GetTerms();
    m_first = terms.first;
    m_name = terms.name;
    m_contract = options.GetContractLength();
    m_consideration = terms.considerationHundredths;
    m_playing = (IsReceived() ? 1 : 0) ^ terms.controlSide;
    m_payee = terms.payeeSide;
    m_position.clear(); // read afresh from the you-are-playing side
    showPosition(terms.position);
    writeControls();
    applyPreviewScheme();
    if (m_nameList && !IsReceived())
        m_nameList->setEditText(m_name);
    if (m_preview)
        m_preview->SetBoard(m_board);
    const bool dropped = SetStakeAndReserve(options.IsWager(), options.GetStake(),
                                            ReserveForStake(options.GetStake(), options.GetReserve()));
    return !corrected && !dropped && RulesEqual(text, GetRulesText());
}

bool CBGPropositionDlg::RulesEqual(const QString& a, const QString& b) const {
    bool okA = false;
    bool okB = false;
    const CPropRuleOptions left = CPropRuleOptions::FromText(a, &okA);
    const CPropRuleOptions right = CPropRuleOptions::FromText(b, &okB);
    return okA && okB && left.IsEqual(right);
}

bool CBGPropositionDlg::AreRulesValid() const {
    return CPropRuleOptions::CheckPosition(m_position) == CPropRuleOptions::PositionFault::kNone && m_contract >= 1 &&
           m_contract <= CPropRuleOptions::kMaxContractLength;
}

bool CBGPropositionDlg::CanInvite() const {
    return IsWagerAsked() && CWagerInviteDlg::CanInvite();
}

bool CBGPropositionDlg::CanPlay() const {
    return IsWagerAsked() && CWagerInviteDlg::CanPlay();
}

void CBGPropositionDlg::UpdateButtons() {
    CWagerInviteDlg::UpdateButtons();
    if (m_notice)
        m_notice->setText(noticeText());
    if (m_nameList && IsLive()) {
        m_nameList->setEnabled(false);
        m_browse->setEnabled(false);
    }
}

void CBGPropositionDlg::ReceiveRecord(const QString& recordText) {
    QPointer<CBGPropositionDlg> alive(this);
    CWagerInviteDlg::ReceiveRecord(recordText);
    // An answer from the other player ends the wait.
    if (alive && !IsClosed() && m_notice)
        m_notice->setText(noticeText());
}

QString CBGPropositionDlg::noticeText() const {
    // Why Invite (or Play) stays off, when the user can tell nothing else from the dialog.
    const CPropRuleOptions::PositionFault fault = CPropRuleOptions::CheckPosition(m_position);
    if (fault != CPropRuleOptions::PositionFault::kNone)
        return CPropRuleOptions::DescribeFault(fault);
    if (!IsWagerAgreed())
        return QString::fromLatin1(kNeedAccounts);
    if (!IsWagerAsked() && !IsClosed())
        return QString::fromLatin1(kWagerNeeded);
    // The offering side waits while it has taken the terms and the other player has not answered them.
    if (!IsReceived() && IsLive() && !IsClosed() && IsAcceptedHere() && GetMarker(1) != kMarkerAccepted)
        return QString::fromLatin1(kWaiting).arg(GetPeerName());
    return QString();
}

void CBGPropositionDlg::OnAmountEdited(CWagerEditControl* control) {
    auto* stake = GetStakeControl();
    auto* reserve = GetReserveControl();
    if (stake && reserve && stake->GetAmount() > 0) {
        const int wanted = ReserveForStake(stake->GetAmount(), reserve->GetAmount());
        if (wanted != reserve->GetAmount())
            SetStakeAndReserve(IsWagerAsked(), stake->GetAmount(), wanted);
    }
    CWagerInviteDlg::OnAmountEdited(control);
}

// ---- Settings ------------------------------------------------------------------------------------------

void CBGPropositionDlg::LoadDefaults() {
    auto& store = GetSettingsStore();
    const QString section = Section();
    m_playing = store.GetIntEx(section, QStringLiteral("nPlayerControlSide"), 0) == 1 ? 1 : 0;
    m_payee = store.GetIntEx(section, QStringLiteral("nPayeeSide"), 0) == 1 ? 1 : 0;
    m_contract = std::clamp(store.GetIntEx(section, QStringLiteral("nContractLength"), 25), 1,
                            CPropRuleOptions::kMaxContractLength);
    m_consideration = std::clamp(store.GetIntEx(section, QStringLiteral("fConsideration"), 100), 0,
                                 CPropRuleOptions::kMaxConsiderationHundredths);
    if (!IsReceived())
        m_name = CPropRuleOptions::SafeName(store.GetString(section, QStringLiteral("strPropositionName")));
    // The wager of the last proposition offered (a proposition is always played for money).
    const int stake = std::clamp(store.GetIntEx(section, QStringLiteral("nStakePennies"), kDefaultStake), 0,
                                 CBGBaseRuleOptions::kMaxCents);
    const int reserve = std::clamp(store.GetIntEx(section, QStringLiteral("nReservePennies"), kDefaultReserve), 0,
                                   CBGBaseRuleOptions::kMaxCents);
    SetStakeAndReserve(!IsReceived() && store.GetBool(section, QStringLiteral("bDoWager"), false), stake,
                       ReserveForStake(stake, reserve));
    writeControls();
}

void CBGPropositionDlg::SaveDefaults() {
    readControls();
    auto& store = GetSettingsStore();
    const QString section = Section();
    store.WriteInt(section, QStringLiteral("nPlayerControlSide"), m_playing);
    store.WriteInt(section, QStringLiteral("nPayeeSide"), m_payee);
    if (m_contract != kNoGames)
        store.WriteInt(section, QStringLiteral("nContractLength"), m_contract);
    store.WriteInt(section, QStringLiteral("fConsideration"), m_consideration);
    if (const auto* stake = GetStakeControl())
        store.WriteInt(section, QStringLiteral("nStakePennies"), stake->GetAmount());
    if (const auto* reserve = GetReserveControl())
        store.WriteInt(section, QStringLiteral("nReservePennies"), reserve->GetAmount());
    store.WriteBool(section, QStringLiteral("bDoWager"), IsWagerAsked());
    if (!IsReceived() && !m_nameFromPeer) {
        store.WriteString(section, QStringLiteral("strPropositionName"), CPropRuleOptions::SafeName(m_name));
        store.WriteString(kPathSection, kPathKey, m_folder);
    }
}

void CBGPropositionDlg::StartFromGame(const QString& startText) {
    // Play again: the player seated first in the room, who played White, offers the same proposition
    // and plays White again, so the terms become his (control side 0); the other player waits.
    bool ok = false;
    const CPropRuleOptions played = CPropRuleOptions::FromText(startText.trimmed(), &ok);
    QString text = startText;
    if (ok) {
        const CPropRuleOptions::Terms& t = played.GetTerms();
        text = CPropRuleOptions(t.first, t.name, t.position, played.GetContractLength(), t.considerationHundredths,
                                0, t.payeeSide, played.IsWager(), played.GetStake(), played.GetReserve())
                   .FormatText();
    }
    CWagerInviteDlg::StartFromGame(text);
    if (!IsReceived() && ok) {
        // The name may have come from the other player: it is offered as it stands, but is neither
        // remembered nor saved under here unless it names the user's own file of this very position.
        const QString path = PropositionPath(m_folder, m_name);
        m_nameFromPeer = path.isEmpty() || !IsOpenableFile(path) ||
                         CPropRuleOptions::CorrectPosition(LoadBoardFileText(path)) != m_position;
    }
    if (IsReceived() && m_nameList)
        showSide();
}

QString CBGPropositionDlg::GetStartRoom(const CServiceName& room) const {
    bool ok = false;
    const CPropRuleOptions agreed = CPropRuleOptions::FromText(GetOwnRulesText(), &ok);
    const QStringList players = room.GetPartList();
    if (!ok || agreed.GetTerms().controlSide != 1 || players.size() != 2)
        return room.GetText();
    return CServiceName::ConstructFromList(room.GetFirstPart(), {players[1], players[0]}).GetText();
}

// ---- Registration ----------------------------------------------------------------------------------

void RegisterPropositionDialog() {
    CClientGameFactory::GetFactory().SetPropositionDialogCreator(
        [](int kind, CInvitationManager* manager, CInviteData* record, bool incoming) -> QDialog* {
            if (kind != CClientGameFactory::kPropositionKind || !record)
                return nullptr;
            QWidget* parent =
                manager && manager->GetSession() ? manager->GetSession()->GetServiceFrame() : nullptr;
            return new CBGPropositionDlg(manager, parent, *record, incoming);
        });
}
