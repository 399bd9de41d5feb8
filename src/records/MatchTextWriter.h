#pragma once

#include <QString>

#include <utility>
#include <vector>

class CBackgammonDoc;

// Builds the plain match text (".txt"): a header with the match length, then per game its number, the
// score line and the moves in two columns, one numbered line per move of both players:
//
//    5 point match
//
//    Game 1
//    Ann : 0                           Bob : 0
//     1) 52: 13/8 13/11            64: 24/18 13/9
//
// Lines end in "\r\n". The document's text export drives it in the order of the match.
class CMatchTextWriter {
public:
    // The labels carry the ratings ("Ann,1612") only when both ratings are above 100.
    CMatchTextWriter(int matchLength, const QString& name1, double rating1, const QString& name2, double rating2);

    // A new game with the scores before it; the starting column is 0 for the first player, 1 for the second.
    void BeginGame(int score1, int score2, int startingColumn);
    void Roll(int die1, int die2);
    // A play: the checker paths in the mover's own view, 25 the bar and 0 (or less) off.
    void Move(const std::vector<std::pair<int, int>>& steps);
    // Any text in the move cell of the current column.
    void Text(const QString& text);
    void Double(int cubeValue);
    void Take();
    void Drop();
    // The winner's column (0 first, 1 second), the points won and whether that ends the match.
    void Win(int winnerColumn, int points, bool endsMatch);

    QString GetText() const { return m_text; }
    int GetColumn() const { return m_column; }

private:
    void Cell(const QString& text);
    void CubeAction(const QString& text);

    QString m_text;
    QString m_labels[2];
    int m_game = 0;
    int m_column = 0;
    int m_move = 1;
    bool m_firstLine = false;
};

// The plain match text of the document's match, driven from its game log.
QString BuildMatchText(const CBackgammonDoc& doc);
