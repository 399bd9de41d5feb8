#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QtGlobal>

#include <optional>

class CPacketCursor;

// Frame types of the login and of service transfers (plain packets below 128).
namespace LoginPacketType {
constexpr quint8 Hello = 'H';          // server -> client
constexpr quint8 Identification = 'I'; // client -> server
constexpr quint8 Login = 'L';          // client -> server
constexpr quint8 Accepted = 'A';       // server -> client
constexpr quint8 Refused = 'R';        // server -> client
constexpr quint8 Transfer = 'J';       // client -> server: enter a service
constexpr quint8 ServiceEntered = 'S'; // server -> client
constexpr quint8 Presence = 'P';       // client -> server: away or back
} // namespace LoginPacketType

constexpr int kProtocolVersion = 1;

// A service's settings as the server sends them: key and value pairs in the order received.
using CServiceSettings = QList<QPair<QString, QString>>;

// The settings text: a count, then that many quoted keys and values.
QString FormatSettingsText(const CServiceSettings& settings);
// -> false when the text is malformed (settings then holds what was read before the fault).
bool ReadSettingsText(CPacketCursor& cursor, CServiceSettings& settings);

struct CServerHello {
    QString serverName;
    int protocolVersion = kProtocolVersion;
    QString nonce;

    QString Format() const;
    static std::optional<CServerHello> Parse(const QString& text);
};

// The login request. The password never leaves the client: only a digest of the server's nonce
// and the password does.
struct CSecureLoginPacket {
    QString nickname;
    QString digest;

    static QString ComputeDigest(const QString& nonce, const QString& password);
    QString Format() const;
    static std::optional<CSecureLoginPacket> Parse(const QString& text);
};

struct CLoginAcceptedPacket {
    quint32 rightsMask = 0;
    quint32 accountFlags = 0;
    QString lobbyService;
    CServiceSettings settings;

    QString Format() const;
    static std::optional<CLoginAcceptedPacket> Parse(const QString& text);
};

// 'R': the login is refused. A client version the service no longer supports also learns where
// the new setup program is and how long it is.
struct CLoginRefusedPacket {
    QString reason;
    QString updateAddress; // empty: no update offered
    quint32 updateSize = 0;

    QString Format() const;
    // A refusal whose update part is damaged still refuses, without the update.
    static std::optional<CLoginRefusedPacket> Parse(const QString& text);
};

// 'S': the client is now in this service.
struct CServiceEnteredPacket {
    QString serviceName;
    CServiceSettings settings;

    QString Format() const;
    static std::optional<CServiceEnteredPacket> Parse(const QString& text);
};

// A body that is one quoted text ('I', 'J', 'R').
QString FormatQuotedText(const QString& text);
std::optional<QString> ParseQuotedText(const QString& body);
