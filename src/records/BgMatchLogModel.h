#pragma once

#include "game/BackgammonBoard.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>
#include <vector>

class CBackgammonDoc;
class CRtfWriter;
struct CMatchRecordEntry;

// One entry of a backgammon match log: a piece of text with its place in the log's columns and the
// match-record entry that produced it.
struct CBgLogItem {
    QString text;
    int column = 0; // 0 the gutter, 1 and 2 the players' columns
    bool endsLine = false;
    bool selectable = false;
    bool gameStart = false;
    bool hasPosition = false;
    bool numberLabel = false;
    bool mark = false; // printed by default (from the game log)
    int record = 0;    // index in the match record
};

// The match log of a backgammon document without a window: the items the log pane shows (the match
// record replayed on a scratch board, then the status line of the position reached), and everything
// built from them: the match text of Copy Match and the Snowie export, and the match and position RTF
// of the RTF export, Copy Match and printing. Exports and automatic saves use it directly, so they do
// not need an open log pane.
class CBgMatchLogModel {
public:
    // Draws a board for the RTF: PNG bytes, the picture's pixel size and its size on paper in twips.
    struct Picture {
        QByteArray png;
        QSize pixels;
        QSize twips;
    };
    using PictureMaker = std::function<Picture(const CBackgammonBoard& board)>;

    explicit CBgMatchLogModel(const CBackgammonDoc& doc);

    // The items of the records replayed on a scratch board; with the status line appended, whose text
    // tells what the position waits for.
    static std::vector<CBgLogItem> BuildItems(const CBackgammonDoc& doc, bool withStatus = true);
    static CBgLogItem StatusItem(const CBackgammonBoard& board, int nextRecord);

    const std::vector<CBgLogItem>& Items() const { return m_items; }
    // The record entries an item stands for: from the record of the nearest selectable item before it
    // to its own, clamped to the entries that exist; empty (first > last) when there are none.
    void GetRecordRange(int index, int& first, int& last) const;
    // Selectable, with a position, and marked for printing in the match record.
    bool IsMarked(int index) const;

    // The match text: title, subtitles, conditions of contest, the moves by chunks and chat lines.
    QString BuildSnvText() const;
    // The whole match as RTF; pictures of the marked positions through the maker (none without one).
    void BuildMatchRtf(CRtfWriter& writer, const PictureMaker& pictures) const;
    // The title and subtitles and the board of the given position.
    void BuildPositionRtf(CRtfWriter& writer, const CBackgammonBoard& board, const PictureMaker& pictures) const;

    // A chat or annotation entry as one line of the match text ("\r\n" ended), empty for others.
    static QString FormatChatPacketText(const CMatchRecordEntry& entry);
    // Writes a chat line or an annotation in its style; other entries write nothing.
    static void WriteChatPacketRtf(CRtfWriter& writer, const CMatchRecordEntry& entry);

private:
    template <typename Writer>
    void WalkChunks(Writer& writer, bool rtf) const;
    bool IsLeftOut(const CMatchRecordEntry& entry) const;

    const CBackgammonDoc& m_doc;
    std::vector<CBgLogItem> m_items;
};

// Writes the server's name that analysis programs know into the server line of a Snowie text's
// conditions of contest: in the "Server: " line within the text's first ten lines (after the title and
// subtitle lines, which are never touched), "Norvale" up to the line's end becomes "Ludorum Games
// Server". A text that names that server already, or has no such line, is left as it is.
void ReplaceServerNameInHeader(QString& text, int headerLines = 1);
