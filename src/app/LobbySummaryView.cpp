#include "app/LobbySummaryView.h"

#include "session/LobbyUserMap.h"
#include "support/Utilities.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

CLobbySummaryView::CLobbySummaryView(QWidget* parent)
    : CGameView(parent), m_summary(new QLabel(this)), m_list(new QListWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_list->setObjectName(QStringLiteral("users"));
    m_list->setSortingEnabled(true);
    layout->addWidget(m_summary);
    layout->addWidget(m_list, 1);
}

QWidget* CLobbySummaryView::GetControl() { return m_list; }

void CLobbySummaryView::addLine(const CUserInfo& user) {
    auto* item = new QListWidgetItem(lineFor(user));
    item->setData(Qt::UserRole, FoldNickname(user.GetNickname()));
    m_list->addItem(item);
}

void CLobbySummaryView::removeLine(const QString& nickname) {
    const QString key = FoldNickname(nickname);
    for (int i = m_list->count() - 1; i >= 0; --i) {
        if (m_list->item(i)->data(Qt::UserRole).toString() == key)
            delete m_list->takeItem(i);
    }
}

QString CLobbySummaryView::lineFor(const CUserInfo& user) {
    const auto* client = platform::object_cast<CClientUserInfo>(&user);
    QString line = user.GetNickname() + QStringLiteral(" \u2014 ") + user.GetLongStatusText();
    if (client && !client->GetLocationText().isEmpty())
        line += QStringLiteral(" \u2014 ") + client->GetLocationText();
    return line;
}

void CLobbySummaryView::refill() {
    m_list->clear();
    const CSessionDoc* session = GetSessionDoc();
    if (session && session->GetUserMap())
        session->GetUserMap()->ForEach([this](const CClientUserInfo* user) { addLine(*user); });
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
    for (int i = 0; i < m_list->count(); ++i)
        lines.append(m_list->item(i)->text());
    return lines;
}

void CLobbySummaryView::OnUpdate(platform::View*, int hint, platform::Object* object) {
    switch (hint) {
    case CSessionDoc::kHintUserArrived:
        if (auto* user = platform::object_cast<CUserInfo>(object))
            addLine(*user);
        break;
    case CSessionDoc::kHintUserLeft:
    case CSessionDoc::kHintUserChanged:
        if (auto* user = platform::object_cast<CUserInfo>(object)) {
            removeLine(user->GetNickname());
            if (hint == CSessionDoc::kHintUserChanged)
                addLine(*user);
        }
        break;
    case CSessionDoc::kHintUsersCleared: m_list->clear(); break;
    case 0: refill(); return;
    default: break;
    }
    m_summary->setText(SummaryText());
}
