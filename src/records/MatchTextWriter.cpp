#include "records/MatchTextWriter.h"

#include "game/BackgammonDoc.h"

#include <optional>

namespace {

// Pads by characters, as printf's "%-Ns" does for single-byte text.
QString PadRight(const QString& text, int width) {
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

QString Number3(int n) {
    return QString::number(n).rightJustified(3, QLatin1Char(' '));
}

} // namespace

CMatchTextWriter::CMatchTextWriter(int matchLength, const QString& name1, double rating1, const QString& name2,
                                   double rating2) {
    if (rating1 > 100.0 && rating2 > 100.0) {
        m_labels[0] = QStringLiteral("%1,%2").arg(name1).arg(int(rating1 + 0.5));
        m_labels[1] = QStringLiteral("%1,%2").arg(name2).arg(int(rating2 + 0.5));
    } else {
        m_labels[0] = name1;
        m_labels[1] = name2;
    }
    m_text = QStringLiteral(" %1 point match\r\n").arg(matchLength);
}

void CMatchTextWriter::BeginGame(int score1, int score2, int startingColumn) {
    ++m_game;
    m_text += QStringLiteral("\r\n Game %1\r\n").arg(m_game);
    m_text += PadRight(QStringLiteral(" %1 : %2").arg(m_labels[0]).arg(score1), 34) +
              QStringLiteral("%1 : %2\r\n").arg(m_labels[1]).arg(score2);
    m_move = 1;
    m_column = startingColumn == 1 ? 1 : 0;
    m_firstLine = true;
}

void CMatchTextWriter::Roll(int die1, int die2) {
    if (m_column == 0) {
        m_text += QStringLiteral("%1) %2%3: ").arg(Number3(m_move)).arg(die1).arg(die2);
    } else {
        if (m_move == 1 && m_firstLine)
            m_text += QStringLiteral("  1)") + QString(28, QLatin1Char(' '));
        m_text += QStringLiteral(" %1%2: ").arg(die1).arg(die2);
    }
    m_firstLine = false;
}

void CMatchTextWriter::Cell(const QString& text) {
    if (m_column == 0) {
        m_text += PadRight(text, 23);
    } else {
        m_text += text + QStringLiteral("\r\n");
        ++m_move;
    }
    m_column = 1 - m_column;
}

void CMatchTextWriter::Move(const std::vector<std::pair<int, int>>& steps) {
    QStringList pairs;
    for (const auto& [from, to] : steps)
        pairs << QStringLiteral("%1/%2").arg(from).arg(to < 0 ? 0 : to);
    Cell(pairs.join(QLatin1Char(' ')));
}

void CMatchTextWriter::Text(const QString& text) {
    Cell(text);
}

void CMatchTextWriter::CubeAction(const QString& text) {
    if (m_column == 0) {
        m_text += QStringLiteral("%1) ").arg(Number3(m_move)) + PadRight(text, 27);
    } else {
        if (m_move == 1 && m_firstLine)
            m_text += QStringLiteral("  1)") + QString(28, QLatin1Char(' '));
        m_text += QStringLiteral(" %1\r\n").arg(text);
        ++m_move;
    }
    m_firstLine = false;
    m_column = 1 - m_column;
}

void CMatchTextWriter::Double(int cubeValue) {
    CubeAction(QStringLiteral(" Doubles => %1").arg(cubeValue));
}

void CMatchTextWriter::Take() {
    CubeAction(QStringLiteral(" Takes"));
}

void CMatchTextWriter::Drop() {
    CubeAction(QStringLiteral(" Drops"));
}

void CMatchTextWriter::Win(int winnerColumn, int points, bool endsMatch) {
    QString text = QStringLiteral(" Wins %1 point").arg(points);
    if (points > 1)
        text += QLatin1Char('s');
    if (endsMatch)
        text += QStringLiteral(" and the match");
    if (winnerColumn != m_column)
        m_text += winnerColumn == 1 ? PadRight(QStringLiteral(" "), 32) + QStringLiteral(" %1\r\n").arg(text)
                                    : QStringLiteral("\r\n     %1\r\n").arg(text);
    else
        m_text += winnerColumn == 1 ? QStringLiteral(" %1\r\n").arg(text) : QStringLiteral("     %1\r\n").arg(text);
}

QString BuildMatchText(const CBackgammonDoc& doc) {
    std::optional<CMatchTextWriter> writer;
    const CBackgammonBoard& board = doc.GetBoard();
    bool rollOpen = false;   // a roll is written and its play not yet
    bool beaverOpen = false; // the last cube action was a beaver: its acceptance is the take
    doc.ReplayLog([&](const CGameLogRecord& record, int) {
        if (record.kind == CGameLogRecord::kMatchStart) {
            writer.emplace(record.a, board.GetPlayerName(1), doc.GetPlayerRating(1), board.GetPlayerName(2),
                           doc.GetPlayerRating(2));
            return;
        }
        if (!writer)
            return;
        switch (record.kind) {
        case CGameLogRecord::kGameStart:
            writer->BeginGame(record.a, record.b, record.c == 2 ? 1 : 0);
            rollOpen = beaverOpen = false;
            break;
        case CGameLogRecord::kRoll:
            writer->Roll(record.a, record.b);
            rollOpen = true;
            break;
        case CGameLogRecord::kPlay:
            writer->Move(record.steps);
            rollOpen = false;
            break;
        case CGameLogRecord::kDouble:
            writer->Double(record.a);
            beaverOpen = false;
            break;
        case CGameLogRecord::kBeaver:
            writer->Text(QStringLiteral(" Beavers => %1").arg(record.a));
            beaverOpen = true;
            break;
        case CGameLogRecord::kRaccoon:
            writer->Text(QStringLiteral(" Raccoons => %1").arg(record.a));
            break;
        case CGameLogRecord::kTake:
            writer->Take();
            break;
        case CGameLogRecord::kAccept:
            if (beaverOpen)
                writer->Take();
            beaverOpen = false;
            break;
        case CGameLogRecord::kDrop:
            writer->Drop();
            break;
        case CGameLogRecord::kWin:
            // A resignation during a turn leaves the roll's cell open: it is closed empty.
            if (rollOpen)
                writer->Text(QString());
            rollOpen = false;
            writer->Win(record.side == 2 ? 1 : 0, record.a, record.b != 0);
            break;
        default: // the game headers, numbers, automatic doubles and resignations are not written
            break;
        }
    });
    return writer ? writer->GetText() : QString();
}
