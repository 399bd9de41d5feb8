#include "app/LobbySummaryView.h"

#include "session/LobbyUserMap.h"
#include "support/Utilities.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { NicknameColumn, StatusColumn, LocationColumn, ColumnCount };

// Rows sort by nickname without regard to the case of letters.
class UserRow : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return QString::compare(text(column), other.text(column), Qt::CaseInsensitive) < 0;
    }
};

} // namespace

CLobbySummaryView::CLobbySummaryView(QWidget* parent)
    : CGameView(parent), m_summary(new QLabel(this)), m_list(new QTreeWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_list->setObjectName(QStringLiteral("users"));
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels(
        {QStringLiteral("Nickname"), QStringLiteral("Status"), QStringLiteral("Location")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(NicknameColumn, Qt::AscendingOrder);
    m_list->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_list->setColumnWidth(NicknameColumn, 180);
    m_list->setColumnWidth(StatusColumn, 220);
    layout->addWidget(m_summary);
    layout->addWidget(m_list, 1);
}

QWidget* CLobbySummaryView::GetControl() {
    return m_list;
}

void CLobbySummaryView::addRow(const CUserInfo& user) {
    const auto* client = platform::object_cast<CClientUserInfo>(&user);
    auto* row = new UserRow;
    row->setText(NicknameColumn, user.GetNickname());
    row->setText(StatusColumn, client ? client->GetStatusText() : user.GetLongStatusText());
    row->setText(LocationColumn, client ? client->GetLocationText() : user.GetLocation());
    row->setData(NicknameColumn, Qt::UserRole, FoldNickname(user.GetNickname()));
    m_list->addTopLevelItem(row);
}

void CLobbySummaryView::removeRow(const QString& nickname) {
    const QString key = FoldNickname(nickname);
    for (int i = m_list->topLevelItemCount() - 1; i >= 0; --i) {
        if (m_list->topLevelItem(i)->data(NicknameColumn, Qt::UserRole).toString() == key)
            delete m_list->takeTopLevelItem(i);
    }
}

void CLobbySummaryView::refill() {
    m_list->clear();
    const CSessionDoc* session = GetSessionDoc();
    if (session && session->GetUserMap())
        session->GetUserMap()->ForEach([this](const CClientUserInfo* user) { addRow(*user); });
    m_summary->setText(SummaryText());
}

QString CLobbySummaryView::SummaryText() const {
    const CSessionDoc* session = GetSessionDoc();
    if (!session || !session->IsConnected())
        return QStringLiteral("Not connected.");
    const int total = session->GetTotalUserCount();
    const int listed = session->GetUserMap() ? session->GetUserMap()->GetCount() : 0;
    return QStringLiteral("%1 %2 in the service, %3 listed here")
        .arg(total)
        .arg(total == 1 ? QStringLiteral("user") : QStringLiteral("users"))
        .arg(listed);
}

QStringList CLobbySummaryView::ListedLines() const {
    QStringList lines;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_list->topLevelItem(i);
        lines.append(QStringLiteral("%1 - %2 - %3")
                         .arg(row->text(NicknameColumn), row->text(StatusColumn), row->text(LocationColumn)));
    }
    return lines;
}

void CLobbySummaryView::OnUpdate(platform::View*, int hint, platform::Object* object) {
    switch (hint) {
    case CSessionDoc::kHintUserArrived:
        if (auto* user = platform::object_cast<CUserInfo>(object))
            addRow(*user);
        break;
    case CSessionDoc::kHintUserLeft:
    case CSessionDoc::kHintUserChanged:
        if (auto* user = platform::object_cast<CUserInfo>(object)) {
            removeRow(user->GetNickname());
            if (hint == CSessionDoc::kHintUserChanged)
                addRow(*user);
        }
        break;
    case CSessionDoc::kHintUsersCleared:
        m_list->clear();
        break;
    case 0:
        refill();
        return;
    default:
        break;
    }
    m_summary->setText(SummaryText());
}
