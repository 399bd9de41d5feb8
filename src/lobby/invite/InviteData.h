#pragma once

#include "session/ServiceName.h"

#include <QString>

// The invitation record two clients exchange while they agree on a match (packet 227). Its text form
// has three lines; the first two end in "\n", the third does not:
//
//     _InviteData_ <version 1> <game kind> <message kind> <from-game flag>
//     <service name> <sender> <replaces flag> <unfinished key>
//     0 <payload>
//
// Records come from other players: act on one only after IsWellFormed().
class CInviteData {
public:
    static constexpr char kTag[] = "_InviteData_";
    static constexpr char kNoKey[] = "<unused>";
    static constexpr int kVersion = 1;

    // Message kinds.
    enum MessageKind {
        kInvite = 0,
        kNewTerms = 1,
        kAccept = 2,
        kDecline = 3,   // payload: a length-prefixed text
        kWithdraw = 4,  // the inviter takes the invitation back
        kStart = 5,
        kNotSupported = 6,
        kText = 7,      // payload: a length-prefixed text
        kUnset = 8,     // a fresh record
        kTermsRequest = 9,
    };

    // A fresh record: not received, not composed, message kind 8, empty sender and payload. The
    // replaces flag is set exactly when a key is given; an empty key is kept as "<unused>".
    CInviteData(int gameKind, const CServiceName& serviceName, const QString& unfinishedKey = QString(),
                bool fromGame = false);
    // A record read from its text form (see Parse).
    explicit CInviteData(const QString& text);

    // Reads the text form as far as it goes: missing words give empty fields, a missing fourth number
    // on the first line gives from-game 0, an empty key becomes "<unused>". Afterwards the record is
    // marked received and not composed.
    void Parse(const QString& text);
    QString Format() const;

    // Turns the record into a message of this side: composed, not received, version 1.
    void SetMessage(int messageKind, const QString& sender, const QString& payload);
    void SetUnfinishedKey(bool replaces, const QString& key);

    // With anyMessageKind, a kind this client does not act on (6, 8, a newer client's) passes too: the
    // open dialog of its room answers it with a decline.
    bool IsWellFormed(bool anyMessageKind = false) const;

    // The text that joins the match room directly: "<service>[ !<key>] <payload>".
    QString BuildTransferText() const;

    // "<n> <text>", n the number of characters of text.
    static QString FormatLengthText(const QString& text);
    // The first n characters after "<n> " when n fits; else the text as it stands.
    static QString ParseLengthText(const QString& text);

    bool IsReceived() const { return m_received == 1; }
    bool IsComposed() const { return m_composed == 1; }
    int GetGameKind() const { return m_gameKind; }
    const CServiceName& GetServiceName() const { return m_serviceName; }
    bool Replaces() const { return m_replaces == 1; }
    const QString& GetUnfinishedKey() const { return m_unfinishedKey; }
    bool IsFromGame() const { return m_fromGame == 1; }
    int GetVersion() const { return m_version; }
    const QString& GetPlayerName() const { return m_sender; }
    int GetMessageKind() const { return m_messageKind; }
    const QString& GetPayload() const { return m_payload; }

private:
    int m_received = 0;
    int m_composed = 0;
    int m_gameKind = 0;
    CServiceName m_serviceName;
    int m_replaces = 0;
    QString m_unfinishedKey = QString::fromLatin1(kNoKey);
    int m_fromGame = 0;
    int m_version = kVersion;
    QString m_sender;
    int m_messageKind = kUnset;
    QString m_payload;
};

// One unfinished match as the server lists it: "<match key> <service name> <details>".
struct TUnfinishedMatchInfo {
    explicit TUnfinishedMatchInfo(const QString& entryText);

    QString entry;
    QString matchKey;
    CServiceName serviceName;
    QString details;
};
