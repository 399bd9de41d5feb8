#pragma once

#include "lobby/RelationListView.h"
#include "net/ServicePackets.h"

// The friends' list: one row per friend with his nickname and status. It fills itself from the
// friends list the database service sends (202), asks the server where each friend is (a status
// query, 112 with the cookie "AffListCookie", answered by 184), follows the lobby's arrivals,
// changes and departures, and the server's notices that a friend came or went (206). Add asks for
// nicknames and sends them; Remove sends the selected ones; the rows change when the service sends
// the list again.
class CAffinityListView : public CRelationListView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CAffinityListView, CRelationListView)
public:
    static constexpr int kCmdAdd = 32784;
    static constexpr int kCmdRemove = 32785;
    static constexpr int kPacketFriendsList = 202;
    static constexpr int kPacketFriendChange = ServicePacket::FriendChange;
    static constexpr int kActivityConnected = 128;
    static constexpr char kStatusCookie[] = "AffListCookie";

    explicit CAffinityListView(QWidget* parent = nullptr);

    int OnCreate() override;
    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override;
    bool OnUpdateCommand(int id, platform::CommandState& state) override;
    int CompareUsers(const CClientUserInfo& a, const CClientUserInfo& b) const override;

    // 202 (the whole list), 206 (a friend came or went) and 184 (where the friends are) -> 0.
    int OnRelayedPacket(int type, const QString& text) override;

    int AddButtonId() const override { return kCmdAdd; }
    int RemoveButtonId() const override { return kCmdRemove; }

    // Adds or updates the friend's record from a status reply (location empty: not connected).
    void SetFriendStatus(const QString& nickname, const QString& location);

    static QStringList FriendsColumnTitles();
    static CUserListLayout FriendsDefaultLayout();

protected:
    QStringList GetColumnTitles() const override { return FriendsColumnTitles(); }
    void GetDefaultLayout(CUserListLayout& layout) const override { layout = FriendsDefaultLayout(); }
    int FontKind() const override;
    CRelationRecords::Match AddMatch() const override { return CRelationRecords::Match::Exactly; }
    void SendChange(const QString& text) override;
    int GetToolBarButtonCount() const override { return 6; }
    std::vector<ToolBarButton> GetToolBarButtons() const override;
    void DrawCell(QPainter& painter, const QRect& cell, const CClientUserInfo& user, int column,
                  bool selectedLook) override;
    QString CellText(const CClientUserInfo& user, int column) const override;

private:
    void readList(const QString& text);
    void readStatusReply(const QString& text);
    void readChange(const QString& text);
    void sendStatusQuery(const QString& nicknames);
    void refresh(CClientUserInfo* record);
    // The lobby's record of a listed friend, null when the lobby does not know him.
    CClientUserInfo* lobbyRecord(const CClientUserInfo& user) const;
};
