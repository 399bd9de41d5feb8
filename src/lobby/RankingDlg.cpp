#include "lobby/RankingDlg.h"

#include "game/ClientGameFactory.h"
#include "platform/Win32Codes.h"
#include "session/SessionDoc.h"
#include "support/PacketText.h"
#include "support/SettingsStore.h"
#include "support/Utilities.h"
#include "support/controls/HistoryEdit.h"
#include "support/controls/SpinButton.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <climits>

namespace {

QPointer<CBGDisplayRankingDlg> g_openRankings;

const QString kSelectSection = QStringLiteral("CBGSelectRankingDlg");
const QString kNamesHistory = QStringLiteral("CBGSelectRankingDlg.Names");
const QString kPlacesHistory = QStringLiteral("CBGSelectRankingDlg.Rankings");

constexpr int kColumnNickname = 0;
constexpr int kColumnRating = 1;
constexpr int kColumnExperience = 2;
constexpr int kColumnRanking = 3;
// Item data of a row that names a player (the message rows have none).
constexpr int kPlayerRole = Qt::UserRole + 1;

} // namespace

// ---- The filter

const QList<int>& CBGSelectRankingDlg::ShowOptionIds() {
    static const QList<int> ids{kIdHighest, kIdLowest, kIdClosestToMe, kIdClosestTo, kIdStartingAt};
    return ids;
}

CBGSelectRankingDlg::CBGSelectRankingDlg(const QString& ownNickname, QWidget* parent)
    : CPersistentDlg(kTemplateId, parent), m_ownNickname(ownNickname) {
    setObjectName(QStringLiteral("CBGSelectRankingDlg"));
    setWindowTitle(QStringLiteral("Ranking List Filter"));
    auto* layout = new QVBoxLayout(this);

    auto* count = new QHBoxLayout;
    auto* countLabel = new QLabel(QStringLiteral("&Number of players to show:"), this);
    count->addWidget(countLabel);
    auto* entries = new QLineEdit(this);
    countLabel->setBuddy(entries);
    entries->setMaxLength(3);
    entries->setFixedWidth(48);
    SetItemId(entries, kIdEntries);
    auto* spin = new CSpinButton(this);
    SetItemId(spin, kIdSpin);
    spin->SetBuddy(entries);
    count->addWidget(entries);
    count->addWidget(spin);
    count->addStretch(1);
    layout->addLayout(count);

    auto* group = new QGroupBox(QStringLiteral("Show"), this);
    auto* grid = new QGridLayout(group);
    auto* buttons = new QButtonGroup(this);
    const QStringList labels{QStringLiteral("&Highest Ranked Players"), QStringLiteral("&Lowest Ranked Players"),
                             QStringLiteral("Players Closest to &Me"), QStringLiteral("Players &Closest to:"),
                             QStringLiteral("Players &Starting At:")};
    for (int option = 0; option < labels.size(); ++option) {
        auto* radio = new QRadioButton(labels[option], group);
        SetItemId(radio, ShowOptionIds()[option]);
        buttons->addButton(radio, option);
        grid->addWidget(radio, option, 0);
    }
    auto* names = new CHistoryEdit(group);
    SetItemId(names, kIdNames);
    names->lineEdit()->setMaxLength(kMaxNameLength);
    names->setMinimumContentsLength(14);
    grid->addWidget(names, kClosestTo, 1);
    auto* places = new CHistoryEdit(group);
    SetItemId(places, kIdPlaces);
    places->setMinimumContentsLength(14);
    grid->addWidget(places, kStartingAt, 1);
    grid->setColumnStretch(1, 1);
    layout->addWidget(group);
    connect(buttons, &QButtonGroup::idClicked, this, [this] { onShowOptionChosen(); });

    layout->addWidget(CreateButtonBox());
    LoadSettings();
}

void CBGSelectRankingDlg::LoadSettings() {
    const CSettingsStore& store = GetSettingsStore();
    m_nEntries = store.GetIntEx(kSelectSection, QStringLiteral("nEntries"), 10);
    m_nNumberedRanking = store.GetIntEx(kSelectSection, QStringLiteral("nNumberedRanking"), 1);
    m_nShowOption = store.GetIntEx(kSelectSection, QStringLiteral("nShowOption"), kHighest);
    m_strNamedRanking = store.GetString(kSelectSection, QStringLiteral("strNamedRanking"), QStringLiteral("UserName"));
}

void CBGSelectRankingDlg::SaveSettings() const {
    CSettingsStore& store = GetSettingsStore();
    store.WriteInt(kSelectSection, QStringLiteral("nEntries"), m_nEntries);
    store.WriteInt(kSelectSection, QStringLiteral("nNumberedRanking"), m_nNumberedRanking);
    store.WriteInt(kSelectSection, QStringLiteral("nShowOption"), m_nShowOption);
    store.WriteString(kSelectSection, QStringLiteral("strNamedRanking"), m_strNamedRanking);
}

CRankingQuery CBGSelectRankingDlg::MakeQuery() const {
    CRankingQuery query = CClientGameFactory::GetFactory().GetRankingQuery();
    query.nEntries = m_nEntries;
    query.strNamedRanking = m_strNamedRanking;
    switch (m_nShowOption) {
    case kHighest:
        query.nRankingOption = 0;
        query.nRankingOrigin = 0;
        query.nFixedRanking = 0;
        break;
    case kLowest:
        query.nRankingOption = 1;
        query.nRankingOrigin = 0;
        query.nFixedRanking = INT_MAX;
        break;
    case kClosestToMe:
        query.nRankingOption = 2;
        query.nRankingOrigin = 1;
        query.nFixedRanking = m_nNumberedRanking - 1;
        query.strNamedRanking = m_ownNickname;
        break;
    case kClosestTo:
        query.nRankingOption = 2;
        query.nRankingOrigin = 1;
        query.nFixedRanking = m_nNumberedRanking - 1;
        break;
    case kStartingAt:
    default:
        query.nRankingOption = 0;
        query.nRankingOrigin = 0;
        query.nFixedRanking = m_nNumberedRanking - 1;
        break;
    }
    return query;
}

bool CBGSelectRankingDlg::OnInitDialog() {
    CPersistentDlg::OnInitDialog();
    // The arrows step through the usual page sizes; a typed number up to kMaxEntries is accepted.
    if (auto* spin = ItemAs<CSpinButton>(kIdSpin))
        spin->SetRange(1, kSpinMaxEntries);
    enableCombos();
    return true;
}

void CBGSelectRankingDlg::DoDataExchange(platform::DataExchange& dx) {
    dx.Text(kIdEntries, m_nEntries);
    dx.MinMaxInt(kIdEntries, m_nEntries, 1, kMaxEntries);
    dx.Radio(ShowOptionIds(), m_nShowOption);
    ForwardToHistoryEdit(dx, kIdNames, m_strNamedRanking, kNamesHistory);
    dx.MaxChars(kIdNames, m_strNamedRanking, kMaxNameLength);
    if (dx.failed())
        return;
    QString place = QString::number(m_nNumberedRanking);
    ForwardToHistoryEdit(dx, kIdPlaces, place, kPlacesHistory);
    if (dx.saving() && !dx.failed()) {
        bool ok = false;
        const int number = place.trimmed().toInt(&ok, 10);
        if (!ok)
            return dx.Fail(kIdPlaces, QStringLiteral("Please enter a whole number between 1 and %1.").arg(kMaxPlace));
        m_nNumberedRanking = number;
    }
    dx.MinMaxInt(kIdPlaces, m_nNumberedRanking, 1, kMaxPlace);
}

void CBGSelectRankingDlg::onShowOptionChosen() {
    for (int option = 0; option < ShowOptionIds().size(); ++option) {
        if (IsItemChecked(ShowOptionIds()[option]))
            m_nShowOption = option;
    }
    enableCombos();
}

void CBGSelectRankingDlg::enableCombos() {
    EnableItem(kIdNames, m_nShowOption == kClosestTo);
    EnableItem(kIdPlaces, m_nShowOption == kStartingAt);
}

void CBGSelectRankingDlg::OnOK() {
    if (!UpdateData(true))
        return;
    SaveSettings();
    MakeQuery().Save(QString::fromLatin1(CBGDisplayRankingDlg::kQuerySection));
    EndDialog(platform::IDOK);
}

// ---- The rankings window

CBGDisplayRankingDlg* CBGDisplayRankingDlg::GetOpen() {
    return g_openRankings.data();
}

CBGDisplayRankingDlg* CBGDisplayRankingDlg::Open(CSessionDoc* session, QWidget* parent) {
    if (!session)
        return nullptr;
    if (CBGDisplayRankingDlg* open = g_openRankings.data()) {
        if (open->GetSession() == session) {
            open->showNormal();
            open->raise();
            open->activateWindow();
            return open;
        }
        open->OnCancel(); // a window of an earlier session
    }
    if (GetSettingsStore().GetIntEx(QStringLiteral("CBGDisplayRankingDlg"), QStringLiteral("Items"), 0) != 0)
        return nullptr;
    {
        CBGSelectRankingDlg filter(session->GetNickname(), parent);
        if (filter.DoModal() != platform::IDOK)
            return nullptr;
    }
    auto* window = new CBGDisplayRankingDlg(session, parent);
    window->show();
    return window;
}

CBGDisplayRankingDlg::CBGDisplayRankingDlg(CSessionDoc* session, QWidget* parent)
    : CStickyDialog(kTemplateId, parent), CPacketTarget(session) {
    setObjectName(QStringLiteral("CBGDisplayRankingDlg"));
    setModal(false);
    g_openRankings = this;
    if (session) {
        m_ownNickname = session->GetNickname();
        // The window belongs to its session.
        connect(session, &QObject::destroyed, this, [this] { OnCancel(); });
    }

    auto* layout = new QVBoxLayout(this);
    auto* description = new QLabel(this);
    SetItemId(description, kIdDescription);
    layout->addWidget(description);
    auto* row = new QHBoxLayout;
    m_list = new QTreeWidget(this);
    SetItemId(m_list, kIdList);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumSize(300, 220);
    row->addWidget(m_list, 1);
    auto* buttons = new QVBoxLayout;
    const auto addButton = [&](const QString& text, int id) {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);
        SetItemId(button, id);
        buttons->addWidget(button);
        return button;
    };
    connect(addButton(QStringLiteral("&Next %d"), kIdNext), &QPushButton::clicked, this, [this] { OnNext(); });
    connect(addButton(QStringLiteral("&Previous %d"), kIdPrevious), &QPushButton::clicked, this,
            [this] { OnPrevious(); });
    connect(addButton(QStringLiteral("&Refresh List"), kIdRefresh), &QPushButton::clicked, this,
            [this] { RequestList(); });
    connect(addButton(QStringLiteral("&Filter..."), kIdFilter), &QPushButton::clicked, this, [this] { OnFilter(); });
    connect(addButton(QStringLiteral("Player &Info..."), kIdPlayerInfo), &QPushButton::clicked, this,
            [this] { OnPlayerInfo(); });
    buttons->addStretch(1);
    addButton(QStringLiteral("&Close"), platform::IDCANCEL);
    row->addLayout(buttons);
    layout->addLayout(row, 1);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { updateInfoButton(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { OnPlayerInfo(); });
}

CBGDisplayRankingDlg::~CBGDisplayRankingDlg() = default;

bool CBGDisplayRankingDlg::OnInitDialog() {
    CStickyDialog::OnInitDialog();
    setWindowTitle(CClientGameFactory::GetFactory().GetGameName() + QStringLiteral(" Rankings"));
    m_previousFormat = GetItemText(kIdPrevious);
    m_nextFormat = GetItemText(kIdNext);
    m_list->setHeaderLabels(
        {QStringLiteral("Nickname"), QStringLiteral("Rating"), QStringLiteral("Exp."), QStringLiteral("Ranking")});
    const int widths[] = {100, 60, 60, 65};
    for (int column = 0; column < 4; ++column) {
        m_list->setColumnWidth(column, widths[column]);
        m_list->headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
    }
    DisableDlgItem(kIdPlayerInfo);
    EnableItem(kIdPrevious, false);
    RequestList();
    return true;
}

void CBGDisplayRankingDlg::OnCancel() {
    if (g_openRankings == this)
        g_openRankings = nullptr;
    CStickyDialog::OnCancel();
    deleteLater();
}

void CBGDisplayRankingDlg::showMessageRow(const QString& text) {
    m_list->clear();
    auto* item = new QTreeWidgetItem(m_list);
    item->setText(kColumnNickname, text);
    updateInfoButton();
}

void CBGDisplayRankingDlg::RequestList() {
    showMessageRow(QStringLiteral("Working..."));
    CRankingQuery query = CClientGameFactory::GetFactory().GetRankingQuery();
    query.Load(QString::fromLatin1(kQuerySection));
    SendPacketText(kPacketRequest, QString::fromLatin1(kCookie) + QLatin1Char(' ') + query.FormatRequest(), -1,
                   QString::fromLatin1(kRankingService));
    RefreshHeader();
}

void CBGDisplayRankingDlg::RefreshHeader() {
    CRankingQuery query;
    query.Load(QString::fromLatin1(kQuerySection));
    // The captions carry one number: the formats are the buttons' own texts.
    SetItemText(kIdPrevious, QString(m_previousFormat).replace(QLatin1String("%d"), QString::number(query.nEntries)));
    SetItemText(kIdNext, QString(m_nextFormat).replace(QLatin1String("%d"), QString::number(query.nEntries)));
    QString description;
    switch (query.nRankingOption) {
    case 0:
        description = query.nFixedRanking != 0
                          ? QStringLiteral("Showing the %1 players starting at %2")
                                .arg(query.nEntries)
                                .arg(qint64(query.nFixedRanking) + 1)
                          : QStringLiteral("Showing the %1 highest ranked players").arg(query.nEntries);
        break;
    case 1:
        description = QStringLiteral("Showing the %1 lowest ranked players").arg(query.nEntries);
        break;
    case 2:
        description = query.strNamedRanking != m_ownNickname
                          ? QStringLiteral("Showing the %1 players closest to %2").arg(QString::number(query.nEntries),
                                                                                       query.strNamedRanking)
                          : QStringLiteral("Showing the %1 players closest to my ranking").arg(query.nEntries);
        break;
    default:
        break;
    }
    SetItemText(kIdDescription, description);
}

std::optional<std::vector<CBGDisplayRankingDlg::Row>> CBGDisplayRankingDlg::ParseReply(const QString& text) {
    QString rest = text;
    if (NextToken(rest, u" ") != QLatin1String(kCookie))
        return std::nullopt;
    CPacketCursor cursor(rest);
    int count = 0;
    if (!ReadPacketInt(cursor, count))
        count = 0;
    std::vector<Row> rows;
    for (int index = 0; index < count; ++index) {
        Row row;
        // A damaged row ends the list: what came before it is kept.
        if (!ReadPacketInt(cursor, row.place) || !ReadPacketString(cursor, row.nickname) ||
            !ReadPacketString(cursor, row.rating) || !ReadPacketInt(cursor, row.experience))
            break;
        rows.push_back(std::move(row));
    }
    return rows;
}

QString CBGDisplayRankingDlg::FormatRating(const QString& rating) {
    return QString::asprintf("%4.2f", double(rating.trimmed().toFloat()));
}

int CBGDisplayRankingDlg::OnPacket(int type, const QString& text) {
    if (type != kPacketReply)
        return 0;
    const std::optional<std::vector<Row>> rows = ParseReply(text);
    if (!rows)
        return 0;
    m_list->clear();
    for (const Row& row : *rows) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(kColumnNickname, row.nickname);
        item->setText(kColumnRating, FormatRating(row.rating));
        item->setText(kColumnExperience, QString::number(row.experience));
        item->setText(kColumnRanking, QString::number(qint64(row.place) + 1));
        item->setData(kColumnNickname, kPlayerRole, true);
        if (&row == &rows->front()) {
            m_firstPlace = row.place;
            EnableItem(kIdPrevious, m_firstPlace != 0);
        }
    }
    // A short page is the last one: there is nothing after it.
    CRankingQuery query = CClientGameFactory::GetFactory().GetRankingQuery();
    query.Load(QString::fromLatin1(kQuerySection));
    EnableItem(kIdNext, int(rows->size()) >= query.nEntries);
    if (m_list->topLevelItemCount() == 0)
        showMessageRow(QStringLiteral("- No players in range -"));
    updateInfoButton();
    return 1;
}

void CBGDisplayRankingDlg::OnNext() {
    CRankingQuery query = CClientGameFactory::GetFactory().GetRankingQuery();
    query.Load(QString::fromLatin1(kQuerySection));
    query.nRankingOption = 0;
    query.nRankingOrigin = 0;
    query.nFixedRanking = int(qMin<qint64>(qint64(m_firstPlace) + query.nEntries, INT_MAX));
    query.Save(QString::fromLatin1(kQuerySection));
    RequestList();
}

void CBGDisplayRankingDlg::OnPrevious() {
    if (m_firstPlace < 1)
        return;
    CRankingQuery query = CClientGameFactory::GetFactory().GetRankingQuery();
    query.Load(QString::fromLatin1(kQuerySection));
    query.nRankingOption = 0;
    query.nRankingOrigin = 0;
    query.nFixedRanking = qMax(0, m_firstPlace - query.nEntries);
    query.Save(QString::fromLatin1(kQuerySection));
    RequestList();
}

void CBGDisplayRankingDlg::OnFilter() {
    CBGSelectRankingDlg filter(m_ownNickname, this);
    if (filter.DoModal() == platform::IDOK)
        RequestList();
}

void CBGDisplayRankingDlg::updateInfoButton() {
    const QTreeWidgetItem* item = m_list->currentItem();
    const bool player = item && item->isSelected() && item->data(kColumnNickname, kPlayerRole).toBool() &&
                        !item->text(kColumnNickname).contains(QLatin1String("- No players"));
    EnableItem(kIdPlayerInfo, player);
}

void CBGDisplayRankingDlg::OnPlayerInfo() {
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item || !item->data(kColumnNickname, kPlayerRole).toBool())
        return;
    if (CSessionDoc* session = GetSession())
        session->ShowPlayerInfo(item->text(kColumnNickname));
}

int CBGDisplayRankingDlg::RowCount() const {
    return m_list->topLevelItemCount();
}

QString CBGDisplayRankingDlg::CellText(int row, int column) const {
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    return item ? item->text(column) : QString();
}

void CBGDisplayRankingDlg::SelectRow(int row) {
    if (QTreeWidgetItem* item = m_list->topLevelItem(row)) {
        m_list->setCurrentItem(item);
        item->setSelected(true);
    }
}
