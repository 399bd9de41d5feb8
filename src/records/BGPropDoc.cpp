#include "records/BGPropDoc.h"

#include "game/GameSessionLink.h"
#include "platform/Archive.h"
#include "support/FileKind.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// Proposition files are a few hundred bytes; anything far larger is not one.
constexpr qint64 kMaxPropositionFileSize = 64 << 10;
} // namespace

CBGPropDoc::CBGPropDoc(CGameSessionLink* session, QObject* parent) : CGameDoc(session, parent) {
    m_board.SetVariant(CBackgammonBoard::kPropositions);
    m_board.SetPlayers({QStringLiteral("White"), QStringLiteral("Black")}, -1, false);
    PrepareForEditing(m_board);
    if (session)
        SetupPlayersFromService();
}

CBGPropDoc::~CBGPropDoc() = default;

void CBGPropDoc::PrepareForEditing(CBackgammonBoard& board) {
    board.SetState(CBackgammonBoard::kStateEdit);
    board.SetEditingAllowed(true);
    board.SetUncheckedStep(true);
    board.ClearStepCount();
}

bool CBGPropDoc::IsCompletePosition(const CBackgammonBoard& board) {
    for (int side = 1; side <= 2; ++side) {
        if (board.GetTotalCheckers(side) != CBackgammonBoard::kMaxCheckers)
            return false;
        for (int position = -1; position <= 26; ++position)
            if (board.GetCheckers(side, position) < 0)
                return false;
    }
    return true;
}

bool CBGPropDoc::SetBoard(const CBackgammonBoard& board) {
    if (!IsCompletePosition(board))
        return false;
    const QStringList names = {m_board.GetPlayerName(1), m_board.GetPlayerName(2)};
    static_cast<CBackgammonBoard&>(m_board) = board;
    m_board.SetPlayers(names, -1, false);
    PrepareForEditing(m_board);
    m_modified = true;
    UpdateAllViews(nullptr, kHintPositionChanged);
    return true;
}

bool CBGPropDoc::ApplyEdit(const QString& command) {
    if (!command.startsWith(QLatin1String("c ")))
        return false;
    PrepareForEditing(m_board);
    if (!m_board.ApplyCommandWithSound(command))
        return false;
    m_board.ClearStepCount();
    m_modified = true;
    UpdateAllViews(nullptr, kHintPositionChanged);
    return true;
}

QString CBGPropDoc::GetServiceNameTemplate() const {
    return QString::fromLatin1(kServiceNameTemplate);
}

// Only propositions are offered: no reader of other position files exists.
QString CBGPropDoc::GetFileFilter() const {
    return QStringLiteral("Backgammon Proposition (*.bgp *.BGP)");
}

QString CBGPropDoc::GetDefaultExtension() const {
    return QString::fromLatin1(kExtension);
}

bool CBGPropDoc::SerializeGame(CGameArchive& archive) {
    if (archive.IsStoring()) {
        CGameDoc::SerializeGame(archive);
        archive.writer->WriteString(GetServiceNameTemplate());
        archive.writer->WriteString(m_board.GetSavedBoardText(1));
        return true;
    }
    // The room name in front was read by whoever chose this document for the file.
    QString text;
    if (!archive.reader->ReadString(text)) {
        m_loadError = QStringLiteral("is damaged or is not a proposition file");
        return false;
    }
    if (!text.startsWith(QLatin1String(CBackgammonBoard::kBoardTextVersion))) {
        m_loadError = QStringLiteral("holds a position of another version");
        return false;
    }
    CBackgammonBoard board = m_board;
    if (!board.ReadBoardText(text, 1) || !IsCompletePosition(board)) {
        m_loadError = QStringLiteral("does not hold a valid position");
        return false;
    }
    CGameDoc::SerializeGame(archive);
    static_cast<CBackgammonBoard&>(m_board) = board;
    PrepareForEditing(m_board);
    m_modified = false;
    UpdateAllViews(nullptr, kHintPositionChanged);
    return true;
}

bool CBGPropDoc::LoadPropositionFile(const QString& path, QString* error) {
    const QString name = QDir::toNativeSeparators(path);
    const auto refuse = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("The file \"%1\" %2.").arg(name, why);
        return false;
    };
    if (!IsOpenableFile(path, error))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("cannot be read"));
    if (file.size() > kMaxPropositionFileSize)
        return refuse(QStringLiteral("is too large to be a proposition file"));
    platform::ArchiveReader reader(file.read(kMaxPropositionFileSize));
    QString serviceName;
    if (!reader.ReadString(serviceName) || !serviceName.startsWith(QLatin1String(".gp.")))
        return refuse(QStringLiteral("is damaged or is not a proposition file"));
    CGameArchive archive{path, nullptr, &reader};
    if (!SerializeGame(archive))
        return refuse(m_loadError);
    return true;
}

bool CBGPropDoc::WriteFile(const QString& path) {
    if (!SaveMatchFile(path))
        return false;
    m_modified = false;
    return true;
}

bool CBGPropDoc::OnFileSave(bool saveAs) {
    return DoSaveMatch(CSaveMatchRequest{this, false, 1, saveAs});
}

QString CBGPropDoc::GetWindowLayout() const {
    // Online and not editing: the board with the service's settings above the room's talk.
    if (GetDisplayMode() != kEditMode && GetSession() && !GetSession()->GetServiceName().isEmpty())
        return QStringLiteral("\x01v"
                              "gp\x04nMaxMatchLength\x05"
                              "25"
                              "\x03"
                              "Chat\x03"
                              "CommandLine\x02");
    return QStringLiteral("gp");
}
