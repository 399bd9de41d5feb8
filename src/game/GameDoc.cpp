#include "game/GameDoc.h"

#include "game/ClientGameFactory.h"
#include "game/ContinueSession.h"
#include "game/GameHints.h"
#include "game/GameSessionLink.h"
#include "platform/Archive.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/FileKind.h"
#include "support/PacketText.h"
#include "support/SettingsStore.h"
#include "support/Utilities.h"

#include <QDir>
#include <QPointer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <utility>

namespace {

// Packets of the room that belong in the match record besides the moves: system lines, whispers,
// said lines, emotes, tells and annotations.
bool IsRecordedChat(int type) {
    switch (type) {
    case 38:
    case 168:
    case 194:
    case 203:
    case 207:
    case 212:
        return true;
    default:
        return false;
    }
}

// The player parts of a room name: ".gb.Ann.Bob" -> {Ann, Bob}; a hidden tail (".$..." or ".#...")
// is not part of it.
QStringList RoomPlayers(const QString& serviceName) {
    QString base = serviceName;
    for (const char* tail : {".$", ".#"}) {
        const qsizetype at = base.indexOf(QLatin1String(tail));
        if (at >= 0)
            base.truncate(at);
    }
    if (!base.startsWith(QLatin1Char('.')))
        return {};
    QStringList pieces = base.mid(1).split(QLatin1Char('.'));
    if (pieces.isEmpty())
        return {};
    pieces.removeFirst(); // the service word
    pieces.removeAll(QString());
    return pieces;
}

} // namespace

CGameDoc::CGameDoc(CGameSessionLink* session, QObject* parent)
    : platform::Document(parent), m_session(session) {}

CGameDoc::~CGameDoc() {
    delete m_continueSession;
}

int CGameDoc::OnPacket(int type, const QString& text) {
    if (const int taken = OfferContinueSession(type, text))
        return taken;
    if (IsRecordedChat(type)) {
        CMatchRecordEntry entry;
        entry.type = type;
        entry.payload = text;
        entry.source = m_session ? m_session->CurrentPacketSource() : QString();
        // The opponent's whispers are meant for the watchers: the match record, and so every copy,
        // export, print and file of it, never holds them.
        if (!IsRoutedFromOpponent(entry))
            AddRecordEntry(std::move(entry));
    }
    return 0;
}

QString CGameDoc::FirstNickname(const QString& line) {
    CPacketCursor cursor(line);
    QString name;
    if (ReadPacketString(cursor, name))
        return name;
    // A departure may name the user plainly.
    return line.trimmed().section(QLatin1Char(' '), 0, 0);
}

bool CGameDoc::IsPlayer(const QString& nickname) const {
    for (const QString& player : m_players)
        if (SameNickname(player, nickname))
            return true;
    return false;
}

int CGameDoc::OnSessionEvent(int code, const QString& text) {
    if (code != kUserArrived && code != kUserLeft && code != kUserChanged)
        return OnPacket(code, text);
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString name = FirstNickname(line);
        if (name.isEmpty())
            continue;
        const auto it = std::find_if(m_watchers.begin(), m_watchers.end(),
                                     [&](const QString& watcher) { return SameNickname(watcher, name); });
        if (code == kUserLeft) {
            if (it != m_watchers.end())
                m_watchers.erase(it);
        } else if (it == m_watchers.end() && !IsPlayer(name)) {
            m_watchers.append(name);
        }
    }
    return 0;
}

// --- players --------------------------------------------------------------------------------------

void CGameDoc::SetPlayers(const QStringList& names, int ownSeat) {
    m_players = names;
    m_ownSeat = ownSeat >= 0 && ownSeat < names.size() ? ownSeat : -1;
    // A player is no watcher.
    m_watchers.erase(std::remove_if(m_watchers.begin(), m_watchers.end(),
                                    [&](const QString& watcher) { return IsPlayer(watcher); }),
                     m_watchers.end());
    OnPlayersChanged();
}

void CGameDoc::CopyPlayers(QStringList& names, int* ownSeat, int* watching) const {
    names = m_players;
    if (ownSeat)
        *ownSeat = m_ownSeat;
    if (watching)
        *watching = IsWatching() ? 1 : 0;
}

void CGameDoc::SetupPlayersFromService() {
    if (!m_session)
        return;
    const QStringList players = RoomPlayers(m_session->GetServiceName());
    const QString me = m_session->GetNickname();
    int seat = -1;
    for (int i = 0; i < players.size(); ++i)
        if (!me.isEmpty() && SameNickname(players[i], me))
            seat = i;
    SetPlayers(players, seat);
}

QString CGameDoc::GetOpponentName() const {
    if (m_ownSeat < 0 || m_players.size() != 2)
        return QString();
    return m_players[1 - m_ownSeat];
}

bool CGameDoc::IsRoutedFromOpponent(const CMatchRecordEntry& entry) const {
    const QString opponent = GetOpponentName();
    return entry.GetEffectiveType() == 194 && !opponent.isEmpty() && SameNickname(entry.GetSourceName(), opponent);
}

// --- record and display ---------------------------------------------------------------------------

int CGameDoc::AddRecordEntry(CMatchRecordEntry entry) {
    const int index = m_record.Add(std::move(entry));
    CGameHint hint(index);
    UpdateAllViews(nullptr, gamehint::kNewRecordEntries, &hint);
    return index;
}

void CGameDoc::SetMoveMark(int index, int mark) {
    if (!m_record.SetMoveMark(index, mark))
        return;
    CGameHint hint(index);
    UpdateAllViews(nullptr, gamehint::kMoveMarkChanged, &hint);
}

void CGameDoc::AppendMoveMark(int index, int mark) {
    if (!m_record.AppendMoveMark(index, mark))
        return;
    CGameHint hint(index);
    UpdateAllViews(nullptr, gamehint::kMoveMarkChanged, &hint);
}

void CGameDoc::SetDisplayMode(int mode) {
    if (mode < kFullDisplay || mode > kServerStepped)
        return;
    m_displayMode = mode;
    CGameHint hint(mode);
    UpdateAllViews(nullptr, gamehint::kDisplayModeChanged, &hint);
}

void CGameDoc::SetSubtitle(int which, const QString& text) {
    (which == 1 ? m_subtitle2 : m_subtitle1) = text;
}

// --- settings -------------------------------------------------------------------------------------

bool CGameDoc::GetAutoPlayAgain() {
    return GetSettingsStore().GetBool(QStringLiteral("CGameDoc"), QStringLiteral("bAutoPlayAgain"), false);
}

void CGameDoc::SetAutoPlayAgain(bool on) {
    GetSettingsStore().WriteBool(QStringLiteral("CGameDoc"), QStringLiteral("bAutoPlayAgain"), on);
}

void CGameDoc::OnPlayerListClosed(bool closedByUser) {
    // Not stored: nothing would ever open the list again.
    if (closedByUser)
        m_playerListClosed = true;
}

bool CGameDoc::WantsPlayerList() const {
    return !m_playerListClosed &&
           GetSettingsStore().GetIntEx(QLatin1String(RuntimeClassName()), QStringLiteral("Show Player List"), 1) != 0;
}

void CGameDoc::SetOpponentAway(bool away) {
    if (away == m_opponentAway)
        return;
    m_opponentAway = away;
    UpdateAllViews(nullptr, gamehint::kOpponentPresence, nullptr);
}

void CGameDoc::OnConnectionClosed() {
    if (m_continueSession)
        m_continueSession->OnConnectionClosed();
    UpdateAllViews(nullptr, gamehint::kConnectionClosed, nullptr);
}

bool CGameDoc::IsOffline() const {
    return m_session && !m_session->IsConnected();
}

// --- files ----------------------------------------------------------------------------------------

QString CGameDoc::GetServiceNameTemplate() const {
    return QStringLiteral(".gb.Black.White");
}

QString CGameDoc::GetFileFilter() const {
    return QStringLiteral("Backgammon Match (*.cbg)");
}

QString CGameDoc::GetDefaultExtension() const {
    return QStringLiteral("cbg");
}

bool CGameDoc::SerializeGame(CGameArchive& archive) {
    m_pathName = archive.path;
    return true;
}

bool CGameDoc::SaveMatchFile(const QString& path) {
    platform::ArchiveWriter writer;
    CGameArchive archive{path, &writer, nullptr};
    if (!SerializeGame(archive))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(writer.data()) != writer.data().size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool CGameDoc::CheckMatchFileSize(const QString& path, QString* error) {
    if (!IsOpenableFile(path, error))
        return false;
    const qint64 size = QFileInfo(path).size();
    if (size <= kMaxMatchFileSize)
        return true;
    if (error)
        *error = QStringLiteral("The file \"%1\" is too large to be a match file (%2 bytes; at most %3).")
                     .arg(QDir::toNativeSeparators(path))
                     .arg(size)
                     .arg(kMaxMatchFileSize);
    return false;
}

bool CGameDoc::LoadMatchFile(const QString& path, QString* error) {
    const QString name = QDir::toNativeSeparators(path);
    const auto refuse = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!CheckMatchFileSize(path, error))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("The match file \"%1\" cannot be read.").arg(name));
    platform::ArchiveReader reader(file.read(kMaxMatchFileSize));
    QString serviceName;
    CGameArchive archive{path, nullptr, &reader};
    if (!reader.ReadString(serviceName) || !SerializeGame(archive))
        return refuse(QStringLiteral("The file \"%1\" is damaged or is not a backgammon match.").arg(name));
    return true;
}

QStringList CGameDoc::GetWritableExtensions() const {
    return {GetDefaultExtension()};
}

QString CGameDoc::FormatExtensionChoice(const QStringList& extensions) {
    QStringList dotted;
    for (const QString& extension : extensions)
        dotted << QLatin1Char('.') + extension;
    if (dotted.size() < 2)
        return dotted.value(0);
    const QString last = dotted.takeLast();
    return dotted.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

bool CGameDoc::CanWriteFileType(const QString& extension) const {
    return extension.compare(GetDefaultExtension(), Qt::CaseInsensitive) == 0;
}

QString CGameDoc::GetWriteRefusal(const QString& extension) const {
    if (CanWriteFileType(extension))
        return QString();
    return QStringLiteral("Norvale cannot write a .%1 file: save the match as a %2 file.")
        .arg(extension, FormatExtensionChoice(GetWritableExtensions()));
}

bool CGameDoc::WriteFile(const QString& path) {
    return SaveMatchFile(path);
}

bool CGameDoc::WriteCopy(const QString& path) {
    const QString own = m_pathName;
    const bool written = WriteFile(path);
    m_pathName = own;
    return written;
}

bool CGameDoc::DoSaveMatch(const CSaveMatchRequest& request) {
    QString path = m_pathName;
    if (request.saveAs || request.prompt || path.isEmpty()) {
        QString suggestion = path;
        if (suggestion.isEmpty()) {
            QString name = m_players.join(QStringLiteral(" vs "));
            if (name.isEmpty())
                name = QStringLiteral("Match");
            suggestion =
                GetSettingsStore().GetPathName(QStringLiteral("SaveGame"), QStringLiteral("SaveGame")) +
                name + QLatin1Char('.') + GetDefaultExtension();
        }
        path = platform::ui().SaveFileName(
            nullptr, request.saveAs ? QStringLiteral("Save As") : QStringLiteral("Save"), suggestion,
            GetFileFilter());
        if (path.isEmpty())
            return false;
        if (QFileInfo(path).suffix().isEmpty())
            path += QLatin1Char('.') + GetDefaultExtension();
    }
    const QString extension = QFileInfo(path).suffix();
    if (const QString refusal = GetWriteRefusal(extension); !refusal.isEmpty()) {
        platform::ui().MessageBox(nullptr, refusal, QStringLiteral("Norvale"),
                                  platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return false;
    }
    if (!WriteFile(path)) {
        platform::ui().MessageBox(nullptr, QStringLiteral("Unable to write to file %1.").arg(path),
                                  QStringLiteral("Norvale"), platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

int CGameDoc::OfferContinueSession(int type, const QString& text) {
    if (!m_session || type == 253) {
        // The database's answers reach the controller only through the session, which lets 253
        // through from ".db" alone.
        return m_continueSession && m_session ? m_continueSession->OnMoneyInviteResponse(text) : 0;
    }
    const QString source = m_session->CurrentPacketSource();
    if (type == 37) {
        // The offer comes from the game service (a plain packet) and only to a player of a money
        // session; the first one of a pause between games makes the controller.
        if (!(source.isEmpty() || source == QLatin1String(".")) || !IsMoneySession() || IsWatching())
            return 0;
        const bool made = !m_continueSession;
        if (made) {
            m_continueSession =
                CClientGameFactory::GetFactory().CreateContinueSession(this, nullptr, IsAutomaticContinue());
            if (!m_continueSession)
                return 0;
        }
        QPointer<CContinueSession> controller = m_continueSession;
        // The peer's dialog may have opened before this offer came: his word of it counts now.
        if (made && std::exchange(m_peerOpenedEarly, false))
            controller->OnSessionPacket(QStringLiteral("%1 \"\"").arg(CContinueSession::kPeerOpened));
        if (controller)
            controller->OnLimitsPacket(text);
        if (made && controller)
            controller->OpenDialog();
        // The board's next game waits for the agreement.
        if (made)
            UpdateAllViews(nullptr, gamehint::kBoardChanged, nullptr);
        return 1;
    }
    if (type == 243) {
        // Only the other player of this room, writing to the user himself, speaks for the session.
        const QString opponent = GetOpponentName();
        const int code = CContinueSession::PeekContinueSessionCode(text);
        if (opponent.isEmpty() || !SameNickname(source, opponent) ||
            m_session->CurrentPacketDestination() == QLatin1String("&") || code == 0)
            return 0;
        if (!m_continueSession) {
            // The server's offer to this side may come after the peer's: his open dialog is kept.
            if (code != CContinueSession::kPeerOpened || !IsMoneySession() || IsWatching())
                return 0;
            m_peerOpenedEarly = true;
            return 1;
        }
        m_continueSession->OnSessionPacket(text);
        return 1;
    }
    return 0;
}

bool CGameDoc::IsMoneySessionEnded() const {
    return m_continueSession && m_continueSession->IsSessionEnded();
}

void CGameDoc::DeleteContinueSession() {
    if (CContinueSession* controller = std::exchange(m_continueSession, nullptr)) {
        controller->deleteLater();
        UpdateAllViews(nullptr, gamehint::kBoardChanged, nullptr);
    }
}

void CGameDoc::RemoveTemporaryConnection() {
    if (m_session)
        m_session->RemoveTemporaryConnection();
}
