#include "game/BackgammonDoc.h"

#include "game/BgSaveSettings.h"
#include "game/GameHints.h"
#include "game/GameSessionLink.h"
#include "game/PropRuleOptions.h"
#include "platform/Archive.h"
#include "platform/Win32Codes.h"
#include "support/Utilities.h"
#include "support/dialogs/DeferredMessageBox.h"

#include <QDateTime>
#include <QDir>

#include <QFileInfo>
#include <QSaveFile>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Limits for match files: far above any real match, low enough to refuse nonsense counts early.
constexpr quint32 kMaxRecordEntries = 1000000;

constexpr char kMatchTextExtension[] = "txt";

std::map<QString, CBackgammonDoc::Exporter>& Exporters() {
    static std::map<QString, CBackgammonDoc::Exporter> exporters;
    return exporters;
}

QString YesNo(bool on) {
    return on ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString Dollars(int cents) {
    return QStringLiteral("$%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0'));
}

} // namespace

CBackgammonDoc::CBackgammonDoc(CGameSessionLink* session, QObject* parent) : CGameDoc(session, parent) {}

CBackgammonDoc::~CBackgammonDoc() = default;

void CBackgammonDoc::OnPlayersChanged() {
    m_board.SetPlayers(GetPlayers(), GetOwnSeat(), IsWatching());
}

// --- the match ------------------------------------------------------------------------------------

bool CBackgammonDoc::StartMatch(const CBGRuleOptions& options) {
    if (!options.IsValid())
        return false;
    m_options = options;
    m_invitedAgain = false;
    m_pending.reset();
    m_autoSaved = false;
    return ApplyMove(options.FormatMatchStartCommand(), QString());
}

bool CBackgammonDoc::StartMatchFromRules(const QString& rules) {
    CBGRuleOptions options;
    if (options.ParseText(rules) && options.IsValid())
        return StartMatch(options);
    const QString start = MatchStartOfRoomRules(rules);
    if (start.isEmpty())
        return false;
    // The base part of a proposition's terms: what the match file and the contest texts show.
    m_options = CBGRuleOptions(CPropRuleOptions::FromText(rules).GetValues());
    m_invitedAgain = false;
    m_pending.reset();
    m_autoSaved = false;
    return ApplyMove(start, QString());
}

bool CBackgammonDoc::ApplyMove(const QString& command, const QString& source) {
    if (m_board.ApplyCommand(command) != 1)
        return false;
    RecordMove(command, source);
    return true;
}

void CBackgammonDoc::RecordMove(const QString& command, const QString& source) {
    ++m_boardRevision;
    CMatchRecordEntry entry;
    entry.type = kMovePacket;
    entry.payload = CMatchRecord::JoinMoveText(m_record.GetMoveCount() + 1, command.simplified());
    entry.source = source;
    AddRecordEntry(std::move(entry));
    CheckMatchEnd();
}

void CBackgammonDoc::BoardChanged() {
    ++m_boardRevision;
    UpdateAllViews(nullptr, gamehint::kBoardChanged, nullptr);
}

void CBackgammonDoc::DropPending() {
    const bool shown = m_pending && m_pending->shown;
    m_pending.reset();
    if (shown) {
        BuildBoardAt(-1, m_board);
        BoardChanged();
    } else {
        UpdateAllViews(nullptr, gamehint::kBoardChanged, nullptr);
    }
}

void CBackgammonDoc::CheckMatchEnd() {
    if (m_board.IsMatchOver() && !m_autoSaved) {
        m_autoSaved = true;
        AutoSaveMatch();
    }
    if (!m_board.IsMatchOver() || m_invitedAgain || IsWatching() || !GetSession())
        return;
    m_invitedAgain = true;
    GetSession()->OpenInvitationFromGame(QStringLiteral(".gb.") + GetPlayers().join(QLatin1Char('.')),
                                         GetOwnSeat());
}

bool CBackgammonDoc::SendGameCommand(const QString& command) {
    const int side = GetLocalSide();
    const QString text = command.simplified();
    if (side == 0 || text.isEmpty() || m_pending || IsOpponentAway())
        return false;
    const QChar letter = text.at(0);
    // The match start is set up by both players and never sent; dice come from the server; single
    // steps and their take-backs stay in the game window until the whole play is made.
    if (letter == u's' || letter == u'r' || letter == u'n' || letter == u'c' || letter == u'z')
        return false;
    if (m_board.GetActingSide() != side)
        return false;
    if (!GetSession())
        return ApplyMove(text, QString());
    CBackgammonBoard shown = m_board;
    if (shown.ApplyCommand(text) != 1)
        return false;
    const int sequence = m_record.GetMoveCount() + 1;
    if (!GetSession()->Send(kMovePacket, CMatchRecord::JoinMoveText(sequence, text), QStringLiteral("&")))
        return false;
    m_pending = Pending{sequence, text, true};
    m_board = shown;
    BoardChanged();
    return true;
}

bool CBackgammonDoc::RequestRoll(const QString& letter) {
    if (!GetSession() || m_pending || IsOpponentAway())
        return false;
    const int sequence = m_record.GetMoveCount() + 1;
    if (!GetSession()->Send(kMovePacket, CMatchRecord::JoinMoveText(sequence, letter), QStringLiteral("&")))
        return false;
    m_pending = Pending{sequence, letter, false};
    UpdateAllViews(nullptr, gamehint::kBoardChanged, nullptr);
    return true;
}

bool CBackgammonDoc::RollDice() {
    const int side = GetLocalSide();
    if (side == 0 || m_board.GetState() != CBackgammonBoard::kStateAwaitingRoll || m_board.GetSideOnRoll() != side)
        return false;
    return RequestRoll(QStringLiteral("r"));
}

bool CBackgammonDoc::StartNextGame() {
    if (GetLocalSide() != 1 || m_board.GetState() != CBackgammonBoard::kStateAtRest || m_board.IsMatchOver() ||
        m_record.GetMoveCount() == 0)
        return false;
    if (IsNextGameByAgreement())
        return false;
    return RequestRoll(QStringLiteral("n"));
}

int CBackgammonDoc::OnPacket(int type, const QString& text) {
    if (type != kMovePacket && type != kMoveRefusedPacket)
        return CGameDoc::OnPacket(type, text);
    // Moves and refusals count only from the room, through its referee; never person to person.
    if (GetSession() && GetSession()->CurrentPacketDestination() != QLatin1String("&")) {
        qWarning("Dropped a move not routed to the room: %s", qPrintable(text.left(80)));
        return 1;
    }
    return type == kMovePacket ? OnMove(text) : OnMoveRefused(text);
}

int CBackgammonDoc::OnMoveRefused(const QString& text) {
    const QString source = GetSession() ? GetSession()->CurrentPacketSource() : QString();
    const QString trimmed = text.trimmed();
    bool numeric = false;
    const int sequence = trimmed.section(QLatin1Char(' '), 0, 0).toInt(&numeric);
    if (source != QLatin1String(".") || !numeric) {
        qWarning("Dropped a refusal from %s: %s", qPrintable(source), qPrintable(trimmed.left(80)));
        return 1;
    }
    if (m_pending && m_pending->sequence == sequence) {
        qWarning("The referee refused \"%s\": %s", qPrintable(m_pending->command),
                 qPrintable(trimmed.section(QLatin1Char(' '), 1)));
        DropPending();
    }
    return 1;
}

int CBackgammonDoc::OnMove(const QString& text) {
    int sequence = 0;
    QString command;
    if (!CMatchRecord::SplitMoveText(text, sequence, command)) {
        qWarning("Dropped a malformed move: %s", qPrintable(text));
        return 1;
    }
    const QString source = GetSession() ? GetSession()->CurrentPacketSource() : QString();
    const QString own = GetSession() ? GetSession()->GetNickname() : QString();
    if (sequence <= m_record.GetMoveCount()) {
        // The match so far, sent again to a player who re-entered his room: already here.
        bool repeated = false;
        for (int i = m_record.GetCount() - 1; i >= 0 && !repeated; --i) {
            const CMatchRecordEntry* entry = m_record.GetPacket(i);
            int recorded = 0;
            QString recordedCommand;
            if (entry->IsMove() && CMatchRecord::SplitMoveText(entry->payload, recorded, recordedCommand) &&
                recorded == sequence)
                repeated = recordedCommand == command.simplified();
        }
        if (!repeated)
            qWarning("Dropped move %d, expected %d", sequence, m_record.GetMoveCount() + 1);
        return 1;
    }
    if (sequence != m_record.GetMoveCount() + 1) {
        qWarning("Dropped move %d, expected %d", sequence, m_record.GetMoveCount() + 1);
        return 1;
    }
    if (m_pending && m_pending->sequence == sequence) {
        // The referee's answer to the user's command: its own copy confirms it; anything else under
        // that number means it was not taken.
        if (m_pending->shown && !own.isEmpty() && SameNickname(source, own) &&
            command.simplified() == m_pending->command) {
            m_pending.reset();
            RecordMove(command, source);
            return 1;
        }
        DropPending();
    }
    const QChar letter = command.at(0);
    if (source == QLatin1String(".")) {
        // The server referees the room: its moves are the rolls and, for a user who comes into the
        // room late, the match so far.
        if (letter == u's' || !ApplyMove(command, source))
            qWarning("Refused the move \"%s\" from the server", qPrintable(command));
        return 1;
    }
    int senderSide = 0;
    for (int i = 0; i < GetPlayers().size() && i < 2; ++i)
        if (!source.isEmpty() && FoldNickname(GetPlayers()[i]) == FoldNickname(source))
            senderSide = i + 1;
    // Whatever the room's referee hands out counts, the user's own moves too (made elsewhere, they
    // never were on this board); a watcher takes the moves of both players.
    if (senderSide == 0) {
        qWarning("Dropped a move from %s", qPrintable(source));
        return 1;
    }
    // Only the server's moves carry dice.
    if (letter == u's' || letter == u'r' || letter == u'n' || m_board.GetActingSide() != senderSide ||
        !ApplyMove(command, source))
        qWarning("Refused the move \"%s\" from %s", qPrintable(command), qPrintable(source));
    return 1;
}

// --- display and replay ---------------------------------------------------------------------------

bool CBackgammonDoc::BuildBoardAt(int index, CBackgammonBoard& board) const {
    if (index >= m_record.GetCount())
        return false;
    const int last = index < 0 ? m_record.GetCount() - 1 : index;
    board = CBackgammonBoard();
    board.SetPlayers(GetPlayers(), GetOwnSeat(), IsWatching());
    QString command;
    for (int i = 0; i <= last; ++i)
        if (m_record.GetMoveText(i, command))
            board.ApplyCommand(command);
    return true;
}

void CBackgammonDoc::ReplayLog(const std::function<void(const CGameLogRecord&, int index)>& visitor) const {
    CBackgammonBoard board;
    board.SetPlayers(GetPlayers(), GetOwnSeat(), IsWatching());
    board.SetLogging(true);
    QString command;
    for (int i = 0; i < m_record.GetCount(); ++i) {
        if (!m_record.GetMoveText(i, command))
            continue;
        board.ApplyCommand(command);
        while (auto record = board.PopLogRecord())
            visitor(*record, i);
    }
}

void CBackgammonDoc::SetUncheckedSteps(int value) {
    m_uncheckedSteps = value;
    CGameHint hint(value);
    UpdateAllViews(nullptr, gamehint::kScratchUnchecked, &hint);
}

void CBackgammonDoc::NotifyUncheckedStep(int value) {
    CGameHint hint(value);
    UpdateAllViews(nullptr, gamehint::kScratchUncheckedStep, &hint);
}

void CBackgammonDoc::ClearLogViews() {
    UpdateAllViews(nullptr, gamehint::kClearLog, nullptr);
}

// --- texts ----------------------------------------------------------------------------------------

void CBackgammonDoc::SetPlayerRating(int side, double rating) {
    if ((side == 1 || side == 2) && std::isfinite(rating))
        m_ratings[side - 1] = rating;
}

double CBackgammonDoc::GetPlayerRating(int side) const {
    return side == 1 || side == 2 ? m_ratings[side - 1] : 0.0;
}

QString CBackgammonDoc::FormatContestConditions() const {
    const CBGRuleOptions& o = m_options;
    QStringList lines;
    lines << QStringLiteral("Conditions of Contest");
    // The server line: the Snowie export puts the service's own name here.
    lines << QStringLiteral("Server: Norvale");
    lines << QStringLiteral("Game: %1").arg(CBackgammonBoard::GetVariantName(o.GetVariant()));
    lines << (o.IsUnlimited() ? QStringLiteral("Match Length: Unlimited")
                              : QStringLiteral("Match Length: %1").arg(o.GetMatchLength()));
    lines << QStringLiteral("Rated: %1").arg(YesNo(o.IsRated()));
    for (int side = 1; side <= 2; ++side)
        if (m_ratings[side - 1] > 0.0)
            lines << QStringLiteral("%1 Rating: %2")
                         .arg(m_board.GetPlayerName(side))
                         .arg(QString::number(m_ratings[side - 1], 'f', 2));
    lines << QStringLiteral("Doubling Cube: %1").arg(YesNo(o.UsesCube()));
    lines << QStringLiteral("Crawford Rule: %1").arg(YesNo(o.IsCrawford()));
    lines << QStringLiteral("Jacoby Rule: %1").arg(YesNo(o.IsJacoby()));
    lines << QStringLiteral("Automatic Doubles: %1").arg(YesNo(o.HasAutoDoubles()));
    lines << QStringLiteral("Beavers: %1").arg(YesNo(o.HasBeavers()));
    lines << (o.IsWager() ? QStringLiteral("Wager: Yes, %1 stake, %2 reserve")
                                .arg(Dollars(o.GetStake()), Dollars(o.GetReserve()))
                          : QStringLiteral("Wager: No"));
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n");
}

// --- files ----------------------------------------------------------------------------------------

QString CBackgammonDoc::GetWindowLayout() const {
    // Control bytes are written apart from the tags: "\x03B" would read as one escape.
    return QStringLiteral("\x01" "v" "\x01" "h" "BgBoard" "\x03" "BgMatchLog" "\x02" "\x03" "Chat" "\x03" "CommandLine" "\x02");
}

QString CBackgammonDoc::GetFileFilter() const {
    QString filter = QStringLiteral("Backgammon Match (*.cbg)");
    for (const auto& [extension, exporter] : Exporters())
        if (extension != QLatin1String(kMatchTextExtension) || CanWriteMatchText())
            filter += QStringLiteral(";;%1 (*.%2)").arg(extension.toUpper(), extension);
    return filter;
}

bool CBackgammonDoc::CanWriteMatchText() const {
    return m_board.GetVariant() != CBackgammonBoard::kPropositions;
}

bool CBackgammonDoc::CanWriteFileType(const QString& extension) const {
    if (extension.compare(QLatin1String(kMatchTextExtension), Qt::CaseInsensitive) == 0 && !CanWriteMatchText())
        return false;
    return CGameDoc::CanWriteFileType(extension) || Exporters().count(extension.toLower()) > 0;
}

QStringList CBackgammonDoc::GetWritableExtensions() const {
    QStringList extensions = CGameDoc::GetWritableExtensions();
    for (const auto& [extension, exporter] : Exporters())
        if (exporter && CanWriteFileType(extension))
            extensions << extension;
    return extensions;
}

QString CBackgammonDoc::GetWriteRefusal(const QString& extension) const {
    if (extension.compare(QLatin1String(kMatchTextExtension), Qt::CaseInsensitive) == 0 && !CanWriteMatchText())
        return QStringLiteral("A proposition cannot be saved as a .txt file: the plain match text has no starting "
                              "position. Save it as a %1 file.")
            .arg(FormatExtensionChoice(GetWritableExtensions()));
    return CGameDoc::GetWriteRefusal(extension);
}

bool CBackgammonDoc::HasExporter(const QString& extension) {
    const auto it = Exporters().find(extension.toLower());
    return it != Exporters().end() && it->second;
}

QStringList CBackgammonDoc::AutoSaveMatch() {
    QStringList written;
    if (m_record.GetCount() == 0 || GetPlayers().size() != 2)
        return written;
    if (IsWatching() ? !CBgSaveSettings::GetSaveWhileWatching() : !CBgSaveSettings::GetSaveWhilePlaying())
        return written;
    QStringList extensions;
    if (CBgSaveSettings::GetAutoSaveFolderCbg())
        extensions << GetDefaultExtension();
    if (CBgSaveSettings::GetAutoSaveFormatTxt() && HasExporter(QLatin1String(kMatchTextExtension))) {
        if (CanWriteMatchText())
            extensions << QLatin1String(kMatchTextExtension);
        else
            qWarning("A proposition has no plain match text: its automatic save writes no .txt file");
    }
    if (CBgSaveSettings::GetAutoSaveFolderSnv() && HasExporter(QStringLiteral("snv")))
        extensions << QStringLiteral("snv");
    if (extensions.isEmpty())
        return written;
    const QString folder = CBgSaveSettings::GetSaveFolder();
    QString base = QStringLiteral("%1 vs %2 %3")
                       .arg(GetPlayers()[0], GetPlayers()[1],
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")));
    // Nicknames come from the server: nothing in them may lead out of the folder.
    for (QChar& c : base)
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 0x20)
            c = u'_';
    QStringList failed;
    if (!QDir().mkpath(folder)) {
        failed << folder;
    } else {
        // A name in use (another save of the same second) gets a number: nothing saved is overwritten.
        QString name = base;
        for (int n = 2; n < 100; ++n) {
            bool used = false;
            for (const QString& extension : extensions)
                used = used || QFileInfo::exists(QDir(folder).filePath(name + QLatin1Char('.') + extension));
            if (!used)
                break;
            name = QStringLiteral("%1 (%2)").arg(base).arg(n);
        }
        for (const QString& extension : extensions) {
            const QString path = QDir(folder).filePath(name + QLatin1Char('.') + extension);
            if (WriteCopy(path))
                written << path;
            else
                failed << QDir::toNativeSeparators(path);
        }
    }
    if (!failed.isEmpty())
        PostDeferredMessageBox(QStringLiteral("The match could not be saved automatically: unable to write to %1.")
                                   .arg(failed.join(QStringLiteral(", "))),
                               platform::MB_OK | platform::MB_ICONEXCLAMATION);
    return written;
}

void CBackgammonDoc::OnMatchLeft() {
    // The match start alone is no match to keep; a match read from a file is kept already.
    if (m_autoSaved || !GetSession() || m_record.GetMoveCount() < 2)
        return;
    m_autoSaved = true;
    AutoSaveMatch();
}

void CBackgammonDoc::RegisterExporter(const QString& extension, Exporter exporter) {
    Exporters()[extension.toLower()] = std::move(exporter);
}

bool CBackgammonDoc::WriteFile(const QString& path) {
    const auto it = Exporters().find(QFileInfo(path).suffix().toLower());
    if (it == Exporters().end() || !it->second)
        return CGameDoc::WriteFile(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !it->second(*this, file)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool CBackgammonDoc::SerializeGame(CGameArchive& archive) {
    if (archive.IsStoring()) {
        CGameDoc::SerializeGame(archive);
        platform::ArchiveWriter& w = *archive.writer;
        const QStringList players = GetPlayers();
        w.WriteString(players.size() == 2 ? QStringLiteral(".gb.") + players.join(QLatin1Char('.'))
                                          : GetServiceNameTemplate());
        w.WriteString(QLatin1String(kFileTag));
        w.WriteString(m_options.FormatText());
        w.WriteStringList(players);
        w.WriteInt32(GetOwnSeat());
        w.WriteString(GetSubtitle(0));
        w.WriteString(GetSubtitle(1));
        w.WriteString(QString::number(m_ratings[0], 'f', 2));
        w.WriteString(QString::number(m_ratings[1], 'f', 2));
        w.WriteUInt32(quint32(m_record.GetCount()));
        for (int i = 0; i < m_record.GetCount(); ++i) {
            const CMatchRecordEntry* entry = m_record.GetPacket(i);
            w.WriteUInt16(quint16(entry->type));
            w.WriteString(entry->payload);
            w.WriteString(entry->source);
        }
        w.WriteUInt32(quint32(m_record.GetMarkCount()));
        for (int i = 0; i < m_record.GetMarkCount(); ++i)
            w.WriteUInt8(quint8(std::clamp(m_record.GetMoveMark(i), 0, 255)));
        return true;
    }

    // Everything is read and checked before anything of the document changes.
    platform::ArchiveReader& r = *archive.reader;
    QString tag, optionsText, subtitle1, subtitle2, rating1, rating2;
    QStringList players;
    qint32 seat = -1;
    quint32 count = 0;
    if (!r.ReadString(tag) || tag != QLatin1String(kFileTag) || !r.ReadString(optionsText) ||
        !r.ReadStringList(players, 2) || !r.ReadInt32(seat) || !r.ReadString(subtitle1) ||
        !r.ReadString(subtitle2) || !r.ReadString(rating1) || !r.ReadString(rating2) || !r.ReadUInt32(count))
        return false;
    CBGRuleOptions options;
    if (!options.ParseText(optionsText) || players.size() > 2 || seat < -1 || seat >= players.size())
        return false;
    // Each entry takes at least four bytes: a count the file cannot hold is refused at once.
    if (count > kMaxRecordEntries || qint64(count) * 4 > r.remaining())
        return false;
    CMatchRecord record;
    record.Reserve(int(count));
    for (quint32 i = 0; i < count; ++i) {
        quint16 type = 0;
        CMatchRecordEntry entry;
        if (!r.ReadUInt16(type) || !r.ReadString(entry.payload) || !r.ReadString(entry.source))
            return false;
        entry.type = type;
        record.Add(std::move(entry));
    }
    quint32 marks = 0;
    if (!r.ReadUInt32(marks) || marks > count)
        return false;
    for (quint32 i = 0; i < marks; ++i) {
        quint8 mark = 0;
        if (!r.ReadUInt8(mark))
            return false;
        record.SetMoveMark(int(i), mark);
    }

    CGameDoc::SerializeGame(archive);
    m_options = options;
    m_record = std::move(record);
    SetSubtitle(0, subtitle1);
    SetSubtitle(1, subtitle2);
    m_ratings[0] = m_ratings[1] = 0.0;
    SetPlayerRating(1, rating1.toDouble());
    SetPlayerRating(2, rating2.toDouble());
    SetPlayers(players, seat);
    BuildBoardAt(-1, m_board);
    m_invitedAgain = m_board.IsMatchOver();
    m_autoSaved = m_board.IsMatchOver();
    UpdateAllViews(nullptr, 0, nullptr);
    return true;
}
