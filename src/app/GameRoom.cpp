#include "app/GameRoom.h"

#include "app/SessionGameLink.h"
#include "game/BackgammonDoc.h"
#include "game/RuleOptions.h"
#include "lobby/PlayerListFrameWnd.h"
#include "session/ServiceName.h"
#include "session/SessionDoc.h"
#include "support/SettingsStore.h"

#include <QtDebug>

CGameRoom::CGameRoom(CSessionDoc* session, QObject* parent) : QObject(parent), m_session(session) {
    // The match stays on show once the connection has ended; its board no longer plays.
    if (session)
        connect(session, &CSessionDoc::connectionClosed, this, [this] {
            if (m_doc)
                m_doc->OnConnectionClosed();
        });
}

CGameRoom::~CGameRoom() {
    closeDocument();
}

bool CGameRoom::IsMatchRoom(const QString& serviceName) {
    const CServiceName name(serviceName);
    return name.GetFirstPart().compare(QLatin1String("gb"), Qt::CaseInsensitive) == 0 &&
           name.CountParts() == 2;
}

void CGameRoom::closeDocument() {
    if (m_playerList)
        m_playerList->CloseForGame();
    m_playerList = nullptr;
    if (m_doc)
        m_doc->OnMatchLeft();
    if (m_session && m_doc && m_session->GetGameDocument() == m_doc.get())
        m_session->SetGameDocument(nullptr);
    m_link.reset();
    m_doc.reset();
    m_room.clear();
    m_match.clear();
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
    const QString rules = m_session->GetServiceSetting(QString::fromLatin1(kRulesSetting));
    const QString match = m_session->GetServiceSetting(QString::fromLatin1(kMatchSetting));
    const bool sameRoom = m_doc && CServiceName(serviceName).IsSameService(CServiceName(m_room));
    if (sameRoom) {
        if (rules.isEmpty() || match == m_match)
            return; // the same match, or the next one not agreed yet: the window stays as it is
        if (m_doc->GetMatchRecord().GetMoveCount() == 0) {
            // The window waited for the match its players have now agreed on: it starts there.
            m_match = match;
            startMatch(serviceName, rules);
            return;
        }
    }
    closeDocument();
    // The lines of the lobby or of the last room are not this room's.
    if (!sameRoom && m_session->GetChatLog())
        m_session->GetChatLog()->Clear();
    m_room = serviceName;
    m_match = match;
    m_doc = std::make_unique<CBackgammonDoc>();
    m_link = std::make_unique<CSessionGameLink>(m_session.data(), m_doc.get());
    m_doc->SetupPlayersFromService();
    if (m_session->IsAttachingToAgreedMatch())
        forgetClosedPlayerList();
    if (!rules.isEmpty())
        startMatch(serviceName, rules);
    m_session->SetGameDocument(m_doc.get());
    emit windowSetChanged();
    openPlayerList();
}

QString CGameRoom::matchKey() const {
    return CServiceName(m_room).GetText().toLower() + QLatin1Char(' ') + m_match;
}

void CGameRoom::forgetClosedPlayerList() {
    // A match its players have just agreed on is a new one, whatever number the server gives it (a new
    // room's matches are numbered from 1 again): a list closed in this room before stays closed no more.
    const QString section = QLatin1String(m_doc->RuntimeClassName());
    const QString closedIn = GetSettingsStore().GetString(section, QLatin1String(kPlayerListClosedIn));
    if (closedIn.section(QLatin1Char(' '), 0, 0) == CServiceName(m_room).GetText().toLower())
        GetSettingsStore().DeleteValue(section, QLatin1String(kPlayerListClosedIn));
}

void CGameRoom::openPlayerList() {
    if (!m_doc || !m_session || m_playerList)
        return;
    // Closed by the user in this very match, before he dropped and came back: it stays closed. The
    // room's next match forgets it.
    const QString section = QLatin1String(m_doc->RuntimeClassName());
    const QString closedIn = GetSettingsStore().GetString(section, QLatin1String(kPlayerListClosedIn));
    const QString key = matchKey();
    if (!m_match.isEmpty() && closedIn == key)
        m_doc->OnPlayerListClosed(true);
    else if (!m_match.isEmpty() && closedIn.section(QLatin1Char(' '), 0, 0) == key.section(QLatin1Char(' '), 0, 0))
        GetSettingsStore().DeleteValue(section, QLatin1String(kPlayerListClosedIn));
    if (!m_doc->WantsPlayerList())
        return;
    QPointer<CBackgammonDoc> doc = m_doc.get();
    QPointer<CGameRoom> room = this;
    auto* frame = new CPlayerListFrameWnd(m_session.data(), [doc, room, section](bool closedByUser) {
        if (doc)
            doc->OnPlayerListClosed(closedByUser);
        if (closedByUser && room && !room->m_match.isEmpty())
            GetSettingsStore().WriteString(section, QLatin1String(kPlayerListClosedIn), room->matchKey());
    });
    m_playerList = frame;
    // A window the room opens does not take the keyboard from what the user is typing.
    frame->setAttribute(Qt::WA_ShowWithoutActivating);
    frame->show();
}

void CGameRoom::startMatch(const QString& serviceName, const QString& rules) {
    // The room tells the rules of its match; the moves made so far follow as moves of the server.
    if (!m_doc->StartMatchFromRules(rules))
        qWarning("The room %s gave no usable rules: \"%s\"", qPrintable(serviceName), qPrintable(rules));
}
