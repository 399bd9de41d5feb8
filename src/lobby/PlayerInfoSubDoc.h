#pragma once

#include "net/ServicePackets.h"
#include "session/PacketTarget.h"
#include "session/ServiceName.h"

#include <QPointer>

#include <optional>

class CPlayerInfoDlg;

// The session's player information: owns the player information window (made on first use, hidden by
// its close box, destroyed with the sub-document), answers the "Player Info" commands and hands the
// window the players' locations as the server reports them.
//
// GUI thread only.
class CPlayerInfoSubDoc : public CSubDocument {
    NV_DECLARE_RUNTIME_CLASS(CPlayerInfoSubDoc, CSubDocument)
public:
    static constexpr int kCmdPlayerInfo = 33064;   // the other player of the current game
    static constexpr int kCmdPersonalInfo = 33084; // the user's profile form
    static constexpr int kCmdAccount = 33087;      // the user's money account
    static constexpr int kPacketLocateReply = ServicePacket::WatchReply;

    // What a location reply says about one player: the name asked about, the location as the pages
    // take it ("Not Logged In", "Backgammon Lobby", "Playing Backgammon with Bob", ...) and the room.
    struct Location {
        QString name;
        QString text;
        CServiceName service;
    };
    // Reads a reply to the window's look-up: "PlayerInfoSubDoc <nick>@<service>" (the service empty
    // when he is not logged in), also with the name before the entry ("PlayerInfoSubDoc <nick>
    // <nick>@<service>"). Nothing for another cookie or without a name.
    static std::optional<Location> ParseLocateReply(const QString& text);

    // Registers with the session (the current one when null) and becomes its player-information
    // handler.
    explicit CPlayerInfoSubDoc(CSessionDoc* session = nullptr);
    ~CPlayerInfoSubDoc() override;

    // The session's player information, made and kept by the session on the first call.
    static CPlayerInfoSubDoc* Attach(CSessionDoc& session);
    static CPlayerInfoSubDoc* Find(const CSessionDoc* session);

    // Shows the player on the page (-1, or an invalid page, keeps the current one) and brings up the
    // window, made on first use; pages 7 and 8 first add the user's own tabs.
    void ShowPlayerInfo(const QString& nickname, int page);
    void DestroyDialog();
    CPlayerInfoDlg* GetDialog() const;

    int OnPacket(int type, const QString& text) override;
    // Session events bring the window's buttons up to date; never taken.
    int OnSessionEvent(int code, const QString& text) override;
    // Event 500 (a relation list arrived): the window reads the toggles again.
    int OnEvent(int code, const QVariant& argument) override;
    bool OnCommand(int id) override;

private:
    QPointer<CPlayerInfoDlg> m_dialog;
};
