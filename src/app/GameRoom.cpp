#include "app/GameRoom.h"

#include "app/SessionGameLink.h"
#include "game/BackgammonDoc.h"
#include "game/RuleOptions.h"
#include "session/ServiceName.h"
#include "session/SessionDoc.h"

#include <QtDebug>

CGameRoom::CGameRoom(CSessionDoc* session, QObject* parent) : QObject(parent), m_session(session) {}

CGameRoom::~CGameRoom() {
    closeDocument();
}

bool CGameRoom::IsMatchRoom(const QString& serviceName) {
    const CServiceName name(serviceName);
    return name.GetFirstPart().compare(QLatin1String("gb"), Qt::CaseInsensitive) == 0 &&
           name.CountParts() == 2;
}

void CGameRoom::closeDocument() {
    if (m_doc)
        m_doc->OnMatchLeft();
    if (m_session && m_doc && m_session->GetGameDocument() == m_doc.get())
        m_session->SetGameDocument(nullptr);
    m_link.reset();
    m_doc.reset();
    m_room.clear();
}

void CGameRoom::OnServiceEntered(const QString& serviceName) {
    if (!m_session)
        return;
    if (!IsMatchRoom(serviceName)) {
        if (!m_doc)
            return; // lobby to lobby: its windows stay
        closeDocument();
        emit windowSetChanged();
        return;
    }
    if (m_doc && CServiceName(serviceName).IsSameService(CServiceName(m_room)))
        return;
    closeDocument();
    m_room = serviceName;
    m_doc = std::make_unique<CBackgammonDoc>();
    m_link = std::make_unique<CSessionGameLink>(m_session.data(), m_doc.get());
    m_doc->SetupPlayersFromService();
    // The room tells the rules of its match; the moves made so far follow as moves of the server.
    CBGRuleOptions options;
    const QString rules = m_session->GetServiceSetting(QString::fromLatin1(kRulesSetting));
    if (rules.isEmpty() || !options.ParseText(rules) || !m_doc->StartMatch(options))
        qWarning("The room %s gave no usable rules: \"%s\"", qPrintable(serviceName), qPrintable(rules));
    m_session->SetGameDocument(m_doc.get());
    emit windowSetChanged();
}
