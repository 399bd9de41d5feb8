#pragma once

#include "game/MatchRecord.h"
#include "platform/Document.h"

#include <QString>
#include <QStringList>

class CContinueSession;
class CGameSessionLink;
namespace platform {
class ArchiveReader;
class ArchiveWriter;
} // namespace platform

// The archive a game document is stored to or loaded from, with the file's path.
struct CGameArchive {
    QString path;
    platform::ArchiveWriter* writer = nullptr; // storing
    platform::ArchiveReader* reader = nullptr; // loading
    bool IsStoring() const { return writer != nullptr; }
};

class CGameDoc;
// What a save asks for: the document, whether to ask for a name, a flag kept for callers, Save As.
struct CSaveMatchRequest {
    CGameDoc* document = nullptr;
    bool prompt = false;
    int flag = 0;
    bool saveAs = false;
};

// The generic two-player game document: the players and watchers of the room, the match record with
// its print marks, the display mode, and the file it was saved to.
class CGameDoc : public platform::Document {
    NV_DECLARE_RUNTIME_CLASS(CGameDoc, platform::Document)
public:
    enum DisplayMode { kFullDisplay = 0, kEditMode = 1, kServerStepped = 2 };
    // Session events that carry user-update records of the room.
    enum SessionEvent { kUserArrived = 4353, kUserLeft = 4354, kUserChanged = 4355 };

    explicit CGameDoc(CGameSessionLink* session = nullptr, QObject* parent = nullptr);
    ~CGameDoc() override;

    void SetSession(CGameSessionLink* session) { m_session = session; }
    CGameSessionLink* GetSession() const { return m_session; }

    // A packet of the session: (effective type, payload) -> nonzero when taken. Chat and annotation
    // packets of the room are recorded (and left to others); the source is the session's current one.
    virtual int OnPacket(int type, const QString& text);
    // 4353-4355 keep the watcher list; never taken.
    virtual int OnSessionEvent(int code, const QString& text);

    // --- players ----------------------------------------------------------------------------------
    void SetPlayers(const QStringList& names, int ownSeat);
    // The players in seat order, the user's seat (-1 none) and whether the user only watches.
    void CopyPlayers(QStringList& names, int* ownSeat, int* watching) const;
    const QStringList& GetPlayers() const { return m_players; }
    int GetOwnSeat() const { return m_ownSeat; }
    bool IsWatching() const { return m_ownSeat < 0; }
    // The players from the session's room name (".gb.Ann.Bob"); the user's seat by nickname.
    void SetupPlayersFromService();
    // The other player when the user plays; empty when watching.
    QString GetOpponentName() const;
    // A match is under way in the room (started and not over).
    virtual bool IsMatchInProgress() const { return false; }
    // Users in the room who are not players.
    const QStringList& GetWatchers() const { return m_watchers; }
    // The opponent has gone from the room during the match: nothing is played until he is back.
    // A change tells the views (hint 4129).
    void SetOpponentAway(bool away);
    bool IsOpponentAway() const { return m_opponentAway; }
    // The session's connection to the server ended: nothing can be played, the views are told (hint 4130).
    void OnConnectionClosed();
    // The document belongs to a session whose connection has ended (a match read from a file has none).
    bool IsOffline() const;
    // A routed whisper (194) from the opponent of the user: kept out of the match record and its copies.
    bool IsRoutedFromOpponent(const CMatchRecordEntry& entry) const;

    // --- match record -----------------------------------------------------------------------------
    const CMatchRecord& GetMatchRecord() const { return m_record; }
    // Appends an entry and tells the views (hint 4096 with its index) -> the index.
    int AddRecordEntry(CMatchRecordEntry entry);
    // Sets a print mark and tells the views (hint 4118 with the index); out-of-range indexes are ignored.
    void SetMoveMark(int index, int mark);
    void AppendMoveMark(int index, int mark);

    // --- display ----------------------------------------------------------------------------------
    int GetDisplayMode() const { return m_displayMode; }
    // Changes the mode and sends hint 4113.
    void SetDisplayMode(int mode);
    void OnViewFullDisplayMode() { SetDisplayMode(kFullDisplay); }
    // Texts printed under the title of the match text and the match print (each when not empty).
    QString GetSubtitle(int which) const { return which == 1 ? m_subtitle2 : m_subtitle1; }
    void SetSubtitle(int which, const QString& text);

    // --- settings ---------------------------------------------------------------------------------
    // "bAutoPlayAgain" in section "CGameDoc".
    static bool GetAutoPlayAgain();
    static void SetAutoPlayAgain(bool on);
    // The player list window went away; closed by the user, it stays closed for this match (the next
    // match, in this room or another, opens it again).
    void OnPlayerListClosed(bool closedByUser);
    bool WantsPlayerList() const;

    // The panes of the room's window set (see CPaneLayout); empty: the service's default set.
    virtual QString GetWindowLayout() const { return QString(); }

    // --- files ------------------------------------------------------------------------------------
    // The room-name template written at the head of the file (".gb.Black.White" for matches).
    virtual QString GetServiceNameTemplate() const;
    // The file types, as a file-chooser filter.
    virtual QString GetFileFilter() const;
    virtual QString GetDefaultExtension() const;
    // Whether a file of that extension can be written ("cbg", or an export's).
    virtual bool CanWriteFileType(const QString& extension) const;
    // The extensions that can be written, the native one first.
    virtual QStringList GetWritableExtensions() const;
    // Why the match cannot be written as a file of that extension, for the user; empty when it can.
    virtual QString GetWriteRefusal(const QString& extension) const;
    // ".cbg, .rtf or .txt"
    static QString FormatExtensionChoice(const QStringList& extensions);
    // Stores or loads the document; the base records the archive's path as the document's file.
    // A stored file starts with the room-name string; when loading, the archive stands after it (the
    // code that opens files reads it to choose the document).
    virtual bool SerializeGame(CGameArchive& archive);
    bool SaveMatchFile(const QString& path);
    // -> false, with a message naming the file in *error, when the file cannot be read, is larger
    // than any match file can be or is not a match this program wrote; the document is then unchanged.
    bool LoadMatchFile(const QString& path, QString* error = nullptr);
    // The longest matches make files of a few hundred kilobytes; anything far larger is not one.
    static constexpr qint64 kMaxMatchFileSize = 4 << 20;
    // -> false, with a message naming the file in *error, when the file is too large to be a match or is
    // no regular file (a FIFO or a device would keep the reader waiting for ever).
    static bool CheckMatchFileSize(const QString& path, QString* error);
    // Asks for a file name when needed and saves -> false when cancelled or the file cannot be written.
    bool DoSaveMatch(const CSaveMatchRequest& request);
    QString GetPathName() const { return m_pathName; }
    // Writes the document to a file in the format of its extension, as a copy: the document keeps
    // its own file name. -> false when the file could not be written whole.
    bool WriteCopy(const QString& path);
    // Whether File > Save has something to write: a match once it has a record.
    virtual bool HasContentToSave() const { return m_record.GetCount() > 0; }

    // Asks the session to drop the game's temporary peer connection.
    void RemoveTemporaryConnection();

    // --- money sessions ---------------------------------------------------------------------------
    // A money session between two players, of whom the user is one: its games are continued by
    // agreement (the continuation controller, made on the server's offer 37).
    virtual bool IsMoneySession() const { return false; }
    // Whether the continuation chooses "Next Game" by itself ("bAutoPlayAgain").
    bool IsAutomaticContinue() const { return GetAutoPlayAgain(); }
    CContinueSession* GetContinueSession() const { return m_continueSession; }
    // A player chose "End Session" between two games: the session is over.
    bool IsMoneySessionEnded() const;
    // Lets the controller go; it is deleted once the call in hand has returned.
    void DeleteContinueSession();

protected:
    // Writes the document to a file of the path (the extension may choose another writer).
    virtual bool WriteFile(const QString& path);
    // Called after the players or the user's seat changed.
    virtual void OnPlayersChanged() {}
    // Packets 37, 243 and 253 of a money session -> nonzero when taken.
    int OfferContinueSession(int type, const QString& text);

    CMatchRecord m_record;

private:
    static QString FirstNickname(const QString& text);
    bool IsPlayer(const QString& nickname) const;

    CGameSessionLink* m_session = nullptr;
    QStringList m_players;
    int m_ownSeat = -1;
    QStringList m_watchers;
    bool m_opponentAway = false;
    bool m_playerListClosed = false;
    int m_displayMode = kFullDisplay;
    QString m_subtitle1;
    QString m_subtitle2;
    QString m_pathName;
    CContinueSession* m_continueSession = nullptr;
    // The peer said his continue dialog is open before the server's offer made the controller.
    bool m_peerOpenedEarly = false;
};
