#include "lobby/invite/ResumeMatchReceiverDlg.h"

#include "lobby/invite/InvitationManager.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CResumeMatchReceiverDlg::CResumeMatchReceiverDlg(CInvitationManager* manager, const QString& sender,
                                                 const QString& displayName, const QString& score,
                                                 const QString& serviceName, const QString& entry,
                                                 QWidget* parent)
    : CStickyDialog(kTemplateId, parent, false), m_manager(manager), m_sender(sender),
      m_serviceName(serviceName), m_entry(entry) {
    setWindowTitle(QStringLiteral("Resume Match"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    const std::pair<int, QString> lines[] = {
        {kIdAsking, sender + QStringLiteral(" would like to resume your unfinished match.")},
        {kIdGame, QStringLiteral("Game: ") + displayName},
        {kIdScore, QStringLiteral("Score: ") + score},
    };
    for (const auto& [id, text] : lines) {
        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText); // texts of another player
        label->setWordWrap(true);
        SetItemId(label, id);
        layout->addWidget(label);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* resume = new QPushButton(QStringLiteral("&Resume"), this);
    SetItemId(resume, kIdResume);
    resume->setDefault(true);
    connect(resume, &QPushButton::clicked, this, &CResumeMatchReceiverDlg::OnResume);
    auto* noThanks = new QPushButton(QStringLiteral("&No Thanks"), this);
    SetItemId(noThanks, kIdNoThanks);
    connect(noThanks, &QPushButton::clicked, this, &CResumeMatchReceiverDlg::OnNoThanks);
    buttons->addWidget(resume);
    buttons->addWidget(noThanks);
    layout->addLayout(buttons);
    setMinimumWidth(340);
}

bool CResumeMatchReceiverDlg::Create() {
    show();
    return true;
}

void CResumeMatchReceiverDlg::OnResume() {
    if (m_answered)
        return;
    m_answered = true;
    // The requester's waiting dialog ends only on this answer.
    m_manager->SendPacketText(CInvitationManager::kPacketResumeAnswer, QStringLiteral("Y"), -1, m_sender);
    m_manager->StartResumedMatch(CServiceName(m_serviceName), m_entry);
}

void CResumeMatchReceiverDlg::OnNoThanks() {
    if (m_answered)
        return;
    m_answered = true;
    m_manager->SendPacketText(CInvitationManager::kPacketResumeAnswer, QStringLiteral("N"), -1, m_sender);
    m_manager->CloseResumeDialog(m_serviceName);
}
