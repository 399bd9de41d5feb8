#include "net/LoginPackets.h"

#include "platform/Cp1252.h"
#include "support/PacketText.h"

#include <QCryptographicHash>

QString FormatSettingsText(const CServiceSettings& settings) {
    QString out;
    WritePacketInt(out, settings.size());
    for (const auto& [key, value] : settings) {
        out += QLatin1Char(' ');
        WritePacketCString(out, key);
        out += QLatin1Char(' ');
        WritePacketCString(out, value);
    }
    return out;
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
    QString out;
    WritePacketCString(out, text);
    return out;
}

std::optional<QString> ParseQuotedText(const QString& body) {
    CPacketCursor cursor(body);
    QString text;
    if (!ReadPacketString(cursor, text))
        return std::nullopt;
    return text;
}

QString CServerHello::Format() const {
    QString out;
    WritePacketCString(out, serverName);
    out += QLatin1Char(' ');
    WritePacketInt(out, protocolVersion);
    out += QLatin1Char(' ');
    WritePacketCString(out, nonce);
    return out;
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
    QString out;
    WritePacketCString(out, nickname);
    out += QLatin1Char(' ');
    WritePacketCString(out, digest);
    return out;
}

std::optional<CSecureLoginPacket> CSecureLoginPacket::Parse(const QString& text) {
    CSecureLoginPacket packet;
    CPacketCursor cursor(text);
    if (!ReadPacketString(cursor, packet.nickname) || !ReadPacketString(cursor, packet.digest))
        return std::nullopt;
    return packet;
}

QString CLoginAcceptedPacket::Format() const {
    QString out;
    WritePacketInt(out, rightsMask);
    out += QLatin1Char(' ');
    WritePacketInt(out, accountFlags);
    out += QLatin1Char(' ');
    WritePacketCString(out, lobbyService);
    out += QLatin1Char(' ');
    out += FormatSettingsText(settings);
    return out;
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
    QString out;
    WritePacketCString(out, serviceName);
    out += QLatin1Char(' ');
    out += FormatSettingsText(settings);
    return out;
}

std::optional<CServiceEnteredPacket> CServiceEnteredPacket::Parse(const QString& text) {
    CServiceEnteredPacket packet;
    CPacketCursor cursor(text);
    if (!ReadPacketString(cursor, packet.serviceName) || !ReadSettingsText(cursor, packet.settings))
        return std::nullopt;
    return packet;
}
