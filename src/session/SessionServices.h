#pragma once

// The services of later layers that the session reaches through these interfaces. Each is optional:
// the session works without it, and the layer that builds the service registers it with the session
// (CSessionDoc::SetChatLog, SetInvitationService, SetRelations, SetTalkFactory ...).

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class CSessionDoc;

// The session's chat log.
class CChatSink {
public:
    virtual ~CChatSink() = default;
    // Appends one line: name = the sender (empty for system lines), kind as in the chat log.
    virtual void AddElement(const QString& name, int kind, const QString& text) = 0;
    // Drops every line: a room the session enters starts with an empty chat.
    virtual void Clear() {}
};

// The invitation manager, as far as the session calls it.
class CInvitationService {
public:
    virtual ~CInvitationService() = default;
    // The server could not deliver a message to this user: close the dialogs with him.
    virtual void CloseDialogsForUser(const QString& nickname) = 0;
    // A service was entered: every open invitation ends.
    virtual void CloseAllInvitations() = 0;
    // Invites players (names blank-separated, may be empty): gameKind 0 backgammon, 1 a proposition;
    // offerResume: offer to resume an unfinished match with them first; alwaysPrompt: ask for the
    // names even when some are given.
    virtual void InvitePlayer(const QString& names, int gameKind, int offerResume, bool alwaysPrompt) = 0;
};

// The relation lists (friends, blinded, gagged).
class CRelationsQuery {
public:
    virtual ~CRelationsQuery() = default;
    virtual bool IsGagged(const QString& nickname) const = 0;
    virtual bool IsAffinity(const QString& nickname) const = 0;
    virtual bool IsBlinded(const QString& nickname) const = 0;
};

// One line of a talk as it travels: the text every client shows for it, and the line's kind (said,
// emote or whisper) with its plain text. kind is -1 when the sender gave only the shown text.
struct CTalkLine {
    QString display;
    int kind = -1;
    QString text;
};

// One talk (a private conversation of up to five people) as the session keeps it.
class CTalkSession {
public:
    virtual ~CTalkSession() = default;
    // A line that arrived for this talk (also the user's own lines, echoed locally).
    virtual void AddIncomingText(const QString& sender, const CTalkLine& line) = 0;
    // The user asked for this talk again: its window comes up and takes the keyboard.
    virtual void Activate() {}
};
// Makes the talk of these people (the user included); activate: whether the window may take the focus.
using TalkFactory = std::function<std::unique_ptr<CTalkSession>(CSessionDoc& session,
                                                                const QStringList& people, bool activate)>;

// A window that sees every packet nobody else took (the friends frame).
class CPacketRelay {
public:
    virtual ~CPacketRelay() = default;
    virtual void RelayPacket(int type, const QString& text) = 0;
};
