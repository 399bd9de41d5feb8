#include "game/BackgammonDoc.h"

#include "game/GameHints.h"
#include "game/GameSessionLink.h"
#include "platform/Archive.h"
#include "support/Utilities.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Limits for match files: far above any real match, low enough to refuse nonsense counts early.
constexpr quint32 kMaxRecordEntries = 1000000;

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
    return ApplyMove(options.FormatMatchStartCommand(), QString());
}

bool CBackgammonDoc::ApplyMove(const QString& command, const QString& source) {
    if (m_board.ApplyCommand(command) != 1)
        return false;
    CMatchRecordEntry entry;
    entry.type = kMovePacket;
    entry.payload = CMatchRecord::JoinMoveText(m_record.GetMoveCount() + 1, command.simplified());
    entry.source = source;
    AddRecordEntry(std::move(entry));
    CheckMatchEnd();
    return true;
}

void CBackgammonDoc::CheckMatchEnd() {
    if (!m_board.IsMatchOver() || m_invitedAgain || IsWatching() || !GetSession())
        return;
    m_invitedAgain = true;
    GetSession()->OpenInvitationFromGame(QStringLiteral(".gb.") + GetPlayers().join(QLatin1Char('.')),
                                         GetOwnSeat());
}

bool CBackgammonDoc::SendGameCommand(const QString& command) {
    const int side = GetLocalSide();
    const QString text = command.simplified();
    if (side == 0 || text.isEmpty())
        return false;
    const QChar letter = text.at(0);
    if (letter == u's')
        return false; // the match start is set up by both players, never sent
    // The player of side 1 opens each game; everything else is done by the side the board waits for.
    const int actor = letter == u'n' ? 1 : m_board.GetActingSide();
    if (actor != side)
        return false;
    const QString nickname = GetSession() ? GetSession()->GetNickname() : QString();
    if (!ApplyMove(text, nickname))
        return false;
    if (GetSession())
        GetSession()->Send(kMovePacket, m_record.GetPacket(m_record.GetCount() - 1)->payload,
                           QStringLiteral("&"));
    return true;
}

int CBackgammonDoc::RollDie() const {
    const int value = m_dice ? m_dice() : int(QRandomGenerator::global()->bounded(1, 7));
    return std::clamp(value, 1, 6);
}

bool CBackgammonDoc::RollDice() {
    if (m_board.GetState() != CBackgammonBoard::kStateAwaitingRoll)
        return false;
    const int die1 = RollDie();
    const int die2 = RollDie();
    return SendGameCommand(QStringLiteral("r %1 %2").arg(die1).arg(die2));
}

bool CBackgammonDoc::StartNextGame() {
    // Ties of the opening roll are rolled again; they are sent only when they turn the cube.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (m_board.GetState() != CBackgammonBoard::kStateAtRest || m_board.IsMatchOver())
            return false;
        const int die1 = RollDie();
        const int die2 = RollDie();
        if (die1 == die2 && !m_board.GetRules().autoDoubles)
            continue;
        if (!SendGameCommand(QStringLiteral("n %1 %2").arg(die1).arg(die2)))
            return false;
        if (m_board.IsGameInProgress())
            return true;
    }
    return false;
}

int CBackgammonDoc::OnPacket(int type, const QString& text) {
    if (type != kMovePacket)
        return CGameDoc::OnPacket(type, text);
    int sequence = 0;
    QString command;
    if (!CMatchRecord::SplitMoveText(text, sequence, command)) {
        qWarning("Dropped a malformed move: %s", qPrintable(text));
        return 1;
    }
    if (sequence != m_record.GetMoveCount() + 1) {
        // A repeat of a move already applied, or one that skipped some: either way not applicable now.
        qWarning("Dropped move %d, expected %d", sequence, m_record.GetMoveCount() + 1);
        return 1;
    }
    const QString source = GetSession() ? GetSession()->CurrentPacketSource() : QString();
    int senderSide = 0;
    for (int i = 0; i < GetPlayers().size() && i < 2; ++i)
        if (!source.isEmpty() && FoldNickname(GetPlayers()[i]) == FoldNickname(source))
            senderSide = i + 1;
    // Only the other player's moves come in; a watcher takes the moves of both players.
    if (senderSide == 0 || senderSide == GetLocalSide()) {
        qWarning("Dropped a move from %s", qPrintable(source));
        return 1;
    }
    const QChar letter = command.at(0);
    const int actor = letter == u'n' ? 1 : m_board.GetActingSide();
    if (letter == u's' || actor != senderSide || !ApplyMove(command, source))
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

QString CBackgammonDoc::GetFileFilter() const {
    QString filter = QStringLiteral("Backgammon Match (*.cbg)");
    for (const auto& [extension, exporter] : Exporters())
        filter += QStringLiteral(";;%1 (*.%2)").arg(extension.toUpper(), extension);
    return filter;
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
    UpdateAllViews(nullptr, 0, nullptr);
    return true;
}
