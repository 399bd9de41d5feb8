#include "lobby/invite/UnfinishedMatchesDlg.h"

#include "game/ClientGameFactory.h"
#include "lobby/invite/InvitationManager.h"
#include "platform/Win32Codes.h"
#include "session/LobbyUserMap.h"
#include "session/SessionDoc.h"
#include "support/PacketText.h"
#include "support/Utilities.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kColumnPlayers = 0;
constexpr int kColumnMatch = 1;
constexpr int kColumnStatus = 2;
} // namespace

CUnfinishedMatchesDlg::CUnfinishedMatchesDlg(QWidget* parent, CInvitationManager* manager,
                                             const std::vector<std::unique_ptr<TUnfinishedMatchInfo>>& matches)
    : CStickyDialog(kTemplateId, parent), m_manager(manager) {
    setWindowTitle(QStringLiteral("Unfinished Matches"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QTreeWidget(this);
    SetItemId(m_list, kIdList);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Players"), QStringLiteral("Match"), QStringLiteral("Status")});
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->setMinimumSize(460, 180);
    const CClientGameFactory& factory = CClientGameFactory::GetFactory();
    for (const auto& match : matches) {
        m_services.push_back(match->serviceName.GetText());
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(kColumnPlayers, JoinNameList(match->serviceName.GetPartList(), m_manager->GetOwnNickname()));
        item->setText(kColumnMatch, factory.DescribeUnfinishedScore(match->entry)); // as the resume questions show it
        item->setText(kColumnStatus, QStringLiteral("Not logged in"));
    }
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CUnfinishedMatchesDlg::updateButtons);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &CUnfinishedMatchesDlg::OnResume);
    layout->addWidget(m_list, 1);
    if (matches.empty()) {
        auto* none = new QLabel(QStringLiteral("You have no unfinished matches."), this);
        SetItemId(none, kIdNone);
        layout->addWidget(none);
    }
    auto* buttons = new QHBoxLayout;
    auto* resume = new QPushButton(QStringLiteral("&Resume"), this);
    SetItemId(resume, kIdResume);
    connect(resume, &QPushButton::clicked, this, &CUnfinishedMatchesDlg::OnResume);
    auto* info = new QPushButton(QStringLiteral("&Info"), this);
    SetItemId(info, kIdInfo);
    connect(info, &QPushButton::clicked, this, &CUnfinishedMatchesDlg::OnInfo);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    SetItemId(close, platform::IDCANCEL);
    buttons->addWidget(resume);
    buttons->addWidget(info);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    updateButtons();
}

bool CUnfinishedMatchesDlg::OnInitDialog() {
    CStickyDialog::OnInitDialog();
    QStringList everybody;
    for (int row = 0; row < GetRowCount(); ++row) {
        for (const QString& name : otherPlayers(row)) {
            if (!everybody.contains(name, Qt::CaseInsensitive))
                everybody.append(name);
        }
    }
    if (!everybody.isEmpty())
        m_manager->SendPacketText(kWatchRequest,
                                  QString::fromLatin1(CInvitationManager::kUnfinishedCookie) + QLatin1Char(' ') +
                                      everybody.join(QLatin1Char(' ')));
    if (GetRowCount() > 0)
        SelectRow(0);
    return true;
}

int CUnfinishedMatchesDlg::HandleReply(const QString& text) {
    QString rest = text;
    if (NextToken(rest, u" ") != QLatin1String(CInvitationManager::kUnfinishedCookie))
        return 0;
    for (;;) {
        const QString word = NextToken(rest, u" ");
        if (word.isEmpty())
            break;
        const qsizetype at = word.indexOf(QLatin1Char('@'));
        const QString name = at < 0 ? word : word.left(at);
        const QString service = at < 0 ? QString() : word.mid(at + 1);
        const QString status =
            service.isEmpty() ? QStringLiteral("Not logged in") : CServiceName(service).GetDisplayName();
        for (int row = 0; row < GetRowCount(); ++row) {
            const QStringList others = otherPlayers(row);
            const bool his = std::any_of(others.begin(), others.end(),
                                         [&](const QString& other) { return SameNickname(other, name); });
            if (his)
                m_list->topLevelItem(row)->setText(kColumnStatus, status);
        }
    }
    return 1;
}

void CUnfinishedMatchesDlg::RefreshStatus(const QString& eventText) {
    CPacketCursor cursor(eventText);
    QString name;
    if (!ReadPacketString(cursor, name))
        name = eventText.trimmed().section(QLatin1Char(' '), 0, 0);
    const CSessionDoc* session = m_manager->GetSession();
    if (name.isEmpty() || !session)
        return;
    const CClientUserInfo* user = session->FindUser(name);
    QString status = QStringLiteral("Not logged in");
    if (user) {
        const QString location = user->GetLocation().isEmpty() ? session->GetLobbyServiceName() : user->GetLocation();
        status = CServiceName(location).GetDisplayName();
    }
    for (int row = 0; row < GetRowCount(); ++row) {
        const QStringList others = otherPlayers(row);
        if (std::any_of(others.begin(), others.end(), [&](const QString& other) { return SameNickname(other, name); }))
            m_list->topLevelItem(row)->setText(kColumnStatus, status);
    }
}

QString CUnfinishedMatchesDlg::GetStatusText(int row) const {
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    return item ? item->text(kColumnStatus) : QString();
}

int CUnfinishedMatchesDlg::GetRowCount() const {
    return m_list->topLevelItemCount();
}

void CUnfinishedMatchesDlg::SelectRow(int row) {
    if (QTreeWidgetItem* item = m_list->topLevelItem(row))
        m_list->setCurrentItem(item);
}

QStringList CUnfinishedMatchesDlg::otherPlayers(int row) const {
    QStringList others;
    if (row < 0 || row >= int(m_services.size()))
        return others;
    for (const QString& part : CServiceName(m_services[size_t(row)]).GetPartList()) {
        if (!SameNickname(part, m_manager->GetOwnNickname()))
            others.append(part);
    }
    return others;
}

void CUnfinishedMatchesDlg::updateButtons() {
    const bool chosen = m_list->currentItem() != nullptr;
    EnableItem(kIdResume, chosen);
    EnableItem(kIdInfo, chosen);
}

void CUnfinishedMatchesDlg::OnResume() {
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row < 0 || row >= int(m_services.size()))
        return;
    // The window stays open beside the request's own waiting question and may be closed meanwhile.
    QPointer<CUnfinishedMatchesDlg> alive(this);
    if (m_manager->RequestResumeMatch(CServiceName(m_services[size_t(row)])) && alive)
        EndDialog(platform::IDOK);
}

void CUnfinishedMatchesDlg::OnInfo() {
    const QStringList others = otherPlayers(m_list->indexOfTopLevelItem(m_list->currentItem()));
    if (!others.isEmpty())
        m_manager->ShowPlayerInfo(others.front());
}
