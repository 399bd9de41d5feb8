#pragma once

#include "net/ServicePackets.h"
#include "session/UserInfo.h"
#include "support/NoCaseStringMap.h"

#include <QString>

#include <memory>

class CSessionDoc;

// A lobby user with the three texts the lists show, recomputed whenever the record changes.
class CClientUserInfo : public CUserInfo {
    NV_DECLARE_RUNTIME_CLASS(CClientUserInfo, CUserInfo)
public:
    explicit CClientUserInfo(QString nickname = QString()) : CUserInfo(std::move(nickname)) {}

    // Location ("Private Match", the service's display name, or empty), long status and score texts.
    void UpdateDisplayTexts();

    QString GetLocationText() const { return m_locationText; }
    QString GetStatusText() const { return m_statusText; }
    QString GetScoreText() const { return m_scoreText; }

private:
    QString m_locationText;
    QString m_statusText;
    QString m_scoreText;
};

// The session's directory of the users present in the service, keyed by nickname without regard to
// case (a-z). Kept up to date by packets 97 (arrived), 98 (left) and 110 (changed); after each change
// it updates the session's views (hints 4097 arrived, 4098 left, 4099 changed, 4100 cleared, with
// the record as hint object) and tells the packet targets (session events 4353, 4354, 4355 with
// user-update texts).
//
// The views rely on the order: during hint 4099 the record's change mask still shows which fields
// changed; it is cleared right after. During hint 4098 the record is already out of the map.
class CLobbyUserMap {
public:
    static constexpr int kUsersArrived = ServicePacket::UsersArrived;
    static constexpr int kUsersLeft = ServicePacket::UsersLeft;
    static constexpr int kUsersChanged = ServicePacket::UsersChanged;
    static constexpr int kEventArrived = 4353;
    static constexpr int kEventLeft = 4354;
    static constexpr int kEventChanged = 4355;

    CLobbyUserMap(CSessionDoc* session, int arrivedHint, int leftHint, int changedHint, int clearedHint);
    // Hint 4100 first, while every record still exists; then the records go.
    ~CLobbyUserMap();
    CLobbyUserMap(const CLobbyUserMap&) = delete;
    CLobbyUserMap& operator=(const CLobbyUserMap&) = delete;

    // 97, 98, 110 update the directory; other types do nothing. Always 0: others see the packet too.
    int OnPacket(int type, const QString& text);

    CClientUserInfo* FindUser(const QString& nickname) const;
    int GetCount() const { return int(m_users.GetCount()); }
    // Hint 4099 for every record (in nickname order), for a view that opens late.
    void BroadcastAll();
    // Visits every record in nickname order.
    template <class Fn> void ForEach(Fn&& fn) const {
        for (const auto& entry : m_users)
            fn(entry.second.get());
    }

private:
    void onUsersArrived(CPacketCursor& cursor, int count);
    void onUsersLeft(CPacketCursor& cursor, int count);
    void onUsersChanged(CPacketCursor& cursor, int count);
    void update(int hint, CClientUserInfo* record);
    void notify(int code, const QString& text);
    bool anyTargets() const;

    CSessionDoc* m_session;
    int m_arrivedHint;
    int m_leftHint;
    int m_changedHint;
    int m_clearedHint;
    CNoCaseStringMap<std::unique_ptr<CClientUserInfo>> m_users;
};
