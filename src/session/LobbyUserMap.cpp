#include "session/LobbyUserMap.h"

#include "session/GameModule.h"
#include "session/ServiceName.h"
#include "session/SessionDoc.h"
#include "session/UserNotifications.h"
#include "support/PacketText.h"

void CClientUserInfo::UpdateDisplayTexts() {
    const CGameModuleInfo& module = GetGameModuleInfo();
    m_statusText = GetLongStatusText();
    if (GetMatchPrivacy() == 2 && module.HidesPrivateScore()) {
        m_locationText = QStringLiteral("Private Match");
        m_scoreText = QStringLiteral("-----");
    } else if (!GetLocation().isEmpty()) {
        m_locationText = CServiceName(GetLocation()).GetDisplayName();
        m_scoreText = module.GetScoreText(GetLocation(), GetGameDescriptor());
    } else {
        m_locationText.clear();
        m_scoreText.clear();
    }
}

CLobbyUserMap::CLobbyUserMap(CSessionDoc* session, int arrivedHint, int leftHint, int changedHint,
                             int clearedHint)
    : m_session(session), m_arrivedHint(arrivedHint), m_leftHint(leftHint), m_changedHint(changedHint),
      m_clearedHint(clearedHint) {}

CLobbyUserMap::~CLobbyUserMap() {
    update(m_clearedHint, nullptr);
    m_users.RemoveAll();
}

CClientUserInfo* CLobbyUserMap::FindUser(const QString& nickname) const {
    const auto* entry = m_users.Find(nickname);
    return entry ? entry->get() : nullptr;
}

void CLobbyUserMap::update(int hint, CClientUserInfo* record) {
    if (m_session)
        m_session->UpdateAllViews(nullptr, hint, record);
}

bool CLobbyUserMap::anyTargets() const {
    return m_session && m_session->HasPacketTargets();
}

void CLobbyUserMap::notify(int code, const QString& text) {
    if (m_session)
        m_session->NotifyTargets(code, text);
}

void CLobbyUserMap::BroadcastAll() {
    for (const auto& entry : m_users)
        update(m_changedHint, entry.second.get());
}

int CLobbyUserMap::OnPacket(int type, const QString& text) {
    if (type != kUsersArrived && type != kUsersLeft && type != kUsersChanged)
        return 0;
    if (m_session)
        m_session->MarkPacketRead();
    CPacketCursor cursor(text);
    int total = 0;
    if (!ReadPacketInt(cursor, total))
        return 0;
    if (m_session)
        m_session->SetTotalUserCount(total);
    int count = 0;
    if (!ReadPacketInt(cursor, count) || count < 1)
        return 0;
    switch (type) {
    case kUsersArrived:
        onUsersArrived(cursor, count);
        break;
    case kUsersLeft:
        onUsersLeft(cursor, count);
        break;
    default:
        onUsersChanged(cursor, count);
        break;
    }
    return 0;
}

// Each loop stops at the first record that cannot be read: the rest of the text cannot be trusted,
// and a count larger than the records present must not keep the loop going.

void CLobbyUserMap::onUsersArrived(CPacketCursor& cursor, int count) {
    // The first list (after login or a change of room) holds who was there already: nobody arrives.
    const bool announce = m_session && m_users.GetCount() > 0;
    for (int i = 0; i < count; ++i) {
        QString nickname;
        if (!ReadTokenFrom(cursor, nickname))
            return;
        auto record = std::make_unique<CClientUserInfo>(nickname);
        if (!record->ReadUpdate(cursor))
            return;
        CClientUserInfo* known = FindUser(record->GetNickname());
        if (known) {
            QString joined;
            const bool tell = anyTargets();
            if (tell)
                joined = record->FormatUpdateText(UserField::All, true) + QLatin1Char(' ') +
                         known->FormatUpdateText(UserField::All, true);
            known->ClearChangeMask();
            known->CopyFrom(record.get());
            known->UpdateDisplayTexts();
            if (tell)
                notify(kEventChanged, joined);
            update(m_changedHint, known);
            known->ClearChangeMask();
            continue;
        }
        record->UpdateDisplayTexts();
        CClientUserInfo* added = record.get();
        m_users.SetAt(added->GetNickname(), std::move(record));
        update(m_arrivedHint, added);
        if (anyTargets())
            notify(kEventArrived, added->FormatUpdateText(UserField::OwnMask, true));
        if (announce)
            UserNotification::UserArrived(*m_session, *added);
        else if (m_session)
            UserNotification::AlreadyThere(*m_session, *added);
        added->ClearChangeMask();
    }
}

void CLobbyUserMap::onUsersLeft(CPacketCursor& cursor, int count) {
    for (int i = 0; i < count; ++i) {
        CClientUserInfo scratch;
        if (!scratch.ReadUpdate(cursor))
            return;
        std::unique_ptr<CClientUserInfo> record = m_users.Take(scratch.GetNickname());
        if (!record)
            continue;
        update(m_leftHint, record.get());
        // That he left is told before what the room makes of it (the game's own line).
        if (m_session)
            UserNotification::UserLeft(*m_session, *record);
        if (anyTargets())
            notify(kEventLeft, record->FormatUpdateText(UserField::OwnMask, true));
    }
}

void CLobbyUserMap::onUsersChanged(CPacketCursor& cursor, int count) {
    for (int i = 0; i < count; ++i) {
        QString nickname;
        if (!ReadTokenFrom(cursor, nickname))
            return;
        CClientUserInfo* known = FindUser(nickname);
        if (!known) {
            CClientUserInfo scratch;
            if (!scratch.ReadUpdate(cursor))
                return;
            continue;
        }
        const bool tell = anyTargets();
        const QString oldText = tell ? known->FormatUpdateText(UserField::All, true) : QString();
        const QString oldLocation = known->GetLocation();
        bool ok = false;
        known->ApplyUpdateText(cursor, &ok);
        if (!ok)
            return;
        known->UpdateDisplayTexts();
        if (m_session && known->GetLocation() != oldLocation)
            UserNotification::UserMoved(*m_session, *known, oldLocation);
        if (tell)
            notify(kEventChanged,
                   known->FormatUpdateText(UserField::OwnMask, true) + QLatin1Char(' ') + oldText);
        update(m_changedHint, known);
        known->ClearChangeMask();
    }
}
