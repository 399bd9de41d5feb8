#include "net/LoginPackets.h"

#include "net/TextFields.h"
#include "platform/Cp1252.h"
#include "support/PacketText.h"

#include <QCryptographicHash>

QString FormatSettingsText(const CServiceSettings& settings) {
    CTextFields fields;
    fields.Number(settings.size());
    for (const auto& [key, value] : settings)
        fields.Text(key).Text(value);
    return fields.str();
}

bool ReadSettingsText(CPacketCursor& cursor, CServiceSettings& settings) {
    settings.clear();
    int count = 0;
    if (!ReadPacketInt(cursor, count) || count < 0)
        return false;
    for (int i = 0; i < count; ++i) {
        QString key;
        QString value;
        if (!ReadPacketString(cursor, key) || !ReadPacketString(cursor, value))
            return false;
        settings.append({key, value});
    }
    return true;
}

QString FormatQuotedText(const QString& text) {
    return CTextFields().Text(text).str();
}

std::optional<QString> ParseQuotedText(const QString& body) {
    CPacketCursor cursor(body);
    QString text;
    if (!ReadPacketString(cursor, text))
        return std::nullopt;
    return text;
}

QString CLoginRefusedPacket::Format() const {
    CTextFields fields;
    fields.Text(reason);
    if (!updateAddress.isEmpty())
        fields.Text(updateAddress).Number(updateSize);
    return fields.str();
}

std::optional<CLoginRefusedPacket> CLoginRefusedPacket::Parse(const QString& text) {
    CLoginRefusedPacket packet;
    CPacketCursor cursor(text);
    if (!ReadPacketString(cursor, packet.reason))
        return std::nullopt;
    QString address;
    quint32 size = 0;
    if (ReadPacketString(cursor, address) && ReadPacketUnsigned(cursor, size) && !address.isEmpty()) {
        packet.updateAddress = address;
        packet.updateSize = size;
    }
    return packet;
}

QString CServerHello::Format() const {
    return CTextFields().Text(serverName).Number(protocolVersion).Text(nonce).str();
}

std::optional<CServerHello> CServerHello::Parse(const QString& text) {
    CServerHello hello;
    CPacketCursor cursor(text);
    if (!ReadPacketString(cursor, hello.serverName) || !ReadPacketInt(cursor, hello.protocolVersion) ||
        !ReadPacketString(cursor, hello.nonce))
        return std::nullopt;
    return hello;
}

QString CSecureLoginPacket::ComputeDigest(const QString& nonce, const QString& password) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(platform::cp1252::encode(nonce));
    hash.addData(platform::cp1252::encode(password));
    return QString::fromLatin1(hash.result().toBase64());
}

QString CSecureLoginPacket::Format() const {
    return CTextFields().Text(nickname).Text(digest).str();
}

std::optional<CSecureLoginPacket> CSecureLoginPacket::Parse(const QString& text) {
    CSecureLoginPacket packet;
    CPacketCursor cursor(text);
    if (!ReadPacketString(cursor, packet.nickname) || !ReadPacketString(cursor, packet.digest))
        return std::nullopt;
    return packet;
}

QString CLoginAcceptedPacket::Format() const {
    return CTextFields()
        .Number(rightsMask)
        .Number(accountFlags)
        .Text(lobbyService)
        .Raw(FormatSettingsText(settings))
        .str();
}

std::optional<CLoginAcceptedPacket> CLoginAcceptedPacket::Parse(const QString& text) {
    CLoginAcceptedPacket packet;
    CPacketCursor cursor(text);
    if (!ReadPacketUnsigned(cursor, packet.rightsMask) || !ReadPacketUnsigned(cursor, packet.accountFlags) ||
        !ReadPacketString(cursor, packet.lobbyService) || !ReadSettingsText(cursor, packet.settings))
        return std::nullopt;
    return packet;
}

QString CServiceEnteredPacket::Format() const {
    return CTextFields().Text(serviceName).Raw(FormatSettingsText(settings)).str();
}

std::optional<CServiceEnteredPacket> CServiceEnteredPacket::Parse(const QString& text) {
    CServiceEnteredPacket packet;
    CPacketCursor cursor(text);
    if (!ReadPacketString(cursor, packet.serviceName) || !ReadSettingsText(cursor, packet.settings))
        return std::nullopt;
    return packet;
}
