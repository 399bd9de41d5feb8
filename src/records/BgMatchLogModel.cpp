#include "records/BgMatchLogModel.h"

#include "game/BackgammonDoc.h"
#include "records/RtfWriter.h"

namespace {

constexpr int kAnnotationPacket = 38;
constexpr int kMaxSenderName = 512;

CBgLogItem ItemOf(const CGameLogRecord& record, int index) {
    CBgLogItem item;
    item.text = record.text;
    item.column = record.column;
    item.endsLine = record.endsLine;
    item.selectable = record.selectable;
    item.gameStart = record.gameStart;
    item.hasPosition = record.hasPosition;
    item.numberLabel = record.numberLabel;
    item.mark = record.mark;
    item.record = index;
    return item;
}

// A scratch board with the document's players that replays the record entry by entry.
class Replay {
public:
    explicit Replay(const CBackgammonDoc& doc) : m_doc(doc) {
        m_board.SetPlayers(doc.GetPlayers(), doc.GetOwnSeat(), doc.IsWatching());
    }
    // Applies the entries below the index not applied yet; single checker steps are left out.
    void ApplyBelow(int index) {
        QString command;
        for (; m_next < index && m_next < m_doc.GetMatchRecord().GetCount(); ++m_next)
            if (m_doc.GetMatchRecord().GetMoveText(m_next, command) && !command.startsWith(QLatin1Char('c')))
                m_board.ApplyCommand(command);
    }
    const CBackgammonBoard& Board() const { return m_board; }

private:
    const CBackgammonDoc& m_doc;
    CBackgammonBoard m_board;
    int m_next = 0;
};

int LeadingNumber(const QString& text) {
    int value = 0;
    for (QChar c : text.trimmed()) {
        if (!c.isDigit() || value > 100000)
            break;
        value = value * 10 + c.digitValue();
    }
    return value;
}

} // namespace

CBgMatchLogModel::CBgMatchLogModel(const CBackgammonDoc& doc) : m_doc(doc), m_items(BuildItems(doc)) {}

std::vector<CBgLogItem> CBgMatchLogModel::BuildItems(const CBackgammonDoc& doc, bool withStatus) {
    std::vector<CBgLogItem> items;
    CBackgammonBoard board;
    board.SetPlayers(doc.GetPlayers(), doc.GetOwnSeat(), doc.IsWatching());
    board.SetUncheckedStep(doc.GetUncheckedSteps() != 0);
    board.SetLogging(true);
    const CMatchRecord& record = doc.GetMatchRecord();
    QString command;
    for (int i = 0; i < record.GetCount(); ++i) {
        if (!record.GetMoveText(i, command))
            continue;
        board.ApplyCommand(command);
        while (auto logRecord = board.PopLogRecord())
            items.push_back(ItemOf(*logRecord, i));
    }
    if (withStatus)
        items.push_back(StatusItem(board, record.GetCount()));
    return items;
}

CBgLogItem CBgMatchLogModel::StatusItem(const CBackgammonBoard& board, int nextRecord) {
    CBgLogItem item;
    switch (board.GetState()) {
    case CBackgammonBoard::kStateAtRest:
    case CBackgammonBoard::kStateCubeOffered:
    case CBackgammonBoard::kStateResignOffered:
        break;
    case CBackgammonBoard::kStateMoving:
        item.text = board.GetStepCount() > 0 ? board.FormatPlayText() + QLatin1Char('?') : QStringLiteral("?");
        break;
    default:
        item.text = QStringLiteral("?");
        break;
    }
    item.column = board.GetSideOnRoll() == 2 ? 2 : 1;
    item.endsLine = true;
    item.selectable = true;
    item.record = nextRecord;
    return item;
}

void CBgMatchLogModel::GetRecordRange(int index, int& first, int& last) const {
    const int count = m_doc.GetMatchRecord().GetCount();
    first = 1;
    last = 0;
    if (index < 0 || index >= int(m_items.size()) || count == 0)
        return;
    int before = 0;
    for (int k = index - 1; k >= 1; --k)
        if (m_items[k].selectable) {
            before = k;
            break;
        }
    first = std::clamp(m_items[before].record, 0, count - 1);
    last = std::clamp(m_items[index].record, 0, count - 1);
}

bool CBgMatchLogModel::IsMarked(int index) const {
    if (index < 0 || index >= int(m_items.size()))
        return false;
    const CBgLogItem& item = m_items[index];
    return item.selectable && item.hasPosition && m_doc.GetMatchRecord().GetMoveMark(item.record) != 0;
}

bool CBgMatchLogModel::IsLeftOut(const CMatchRecordEntry& entry) const {
    return m_doc.IsRoutedFromOpponent(entry);
}

// --- chat lines -----------------------------------------------------------------------------------

QString CBgMatchLogModel::FormatChatPacketText(const CMatchRecordEntry& entry) {
    const QString sender = entry.GetSourceName().left(kMaxSenderName);
    const QString& payload = entry.GetPayload();
    QString line;
    switch (entry.GetEffectiveType()) {
    case 168:
        line = payload;
        break;
    case 194:
        line = sender + QStringLiteral(" whispers: ") + payload;
        break;
    case 203:
        line = sender + QStringLiteral(": ") + payload;
        break;
    case 207:
        line = sender + QLatin1Char(' ') + payload;
        break;
    case 212:
        line = sender + QStringLiteral(" tells you: ") + payload;
        break;
    default:
        return QString();
    }
    line = line.trimmed();
    // One entry makes one line of the text.
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.isEmpty() ? line : line + QStringLiteral("\r\n");
}

void CBgMatchLogModel::WriteChatPacketRtf(CRtfWriter& writer, const CMatchRecordEntry& entry) {
    const int type = entry.GetEffectiveType();
    if (type == kAnnotationPacket) {
        writer.SetStyle(QStringLiteral("MatchAnnotation"));
        writer.AppendRtf(CRtfWriter::AnnotationBytes(entry.GetPayload()));
        writer.EndParagraph();
        return;
    }
    if (type != 194 && type != 203 && type != 207 && type != 212)
        return;
    writer.SetStyle(QStringLiteral("MatchChat"));
    writer.WriteText(FormatChatPacketText(entry).trimmed());
    writer.EndParagraph();
}

// --- the match text -------------------------------------------------------------------------------

QString CBgMatchLogModel::BuildSnvText() const {
    QString out;
    if (m_items.empty())
        return out;
    const CMatchRecord& record = m_doc.GetMatchRecord();
    const int count = record.GetCount();
    Replay replay(m_doc);
    QString numberText;
    int number = 0;
    int p = 0; // the first item not written yet

    const auto writeChunk = [&](int from, int to) {
        const CBgLogItem& head = m_items[from];
        int prevColumn = 0;
        bool prevEnds = false;
        if (head.column == 1 || head.column == 2) {
            out += numberText + QLatin1Char('\t');
            if (head.column == 2)
                out += QLatin1Char('\t');
            prevColumn = head.column;
        }
        if (from > 0 && !m_items[from - 1].endsLine && m_items[from - 1].column == head.column)
            out += m_items[from - 1].text;
        for (int k = from; k <= to; ++k) {
            const CBgLogItem& item = m_items[k];
            if (item.numberLabel) {
                numberText = item.text;
                number = LeadingNumber(item.text);
            }
            switch (item.column) {
            case 0:
                if (prevEnds || prevColumn != 0)
                    out += QStringLiteral("\r\n");
                break;
            case 1:
                if (prevEnds || prevColumn != 1)
                    out += QLatin1Char('\t');
                break;
            default:
                if (prevColumn == 0)
                    out += QStringLiteral("\t\t");
                else if (prevColumn == 1)
                    out += QStringLiteral("\r\n%1\t\t").arg(number);
                else if (prevEnds)
                    out += QStringLiteral("\t\t"); // as in the RTF: the second player's column
                break;
            }
            out += item.text;
            if (item.endsLine)
                out += QStringLiteral("\r\n");
            prevColumn = item.column;
            prevEnds = item.endsLine;
        }
        out += QStringLiteral("\r\n");
    };

    for (int i = 0; i < int(m_items.size()); ++i) {
        const int r = m_items[i].record;
        if (r > count)
            break;
        replay.ApplyBelow(r);
        if (i == 0) {
            out += replay.Board().FormatPlayersTitle() + QStringLiteral("\r\n");
            for (int which = 0; which < 2; ++which)
                if (!m_doc.GetSubtitle(which).isEmpty())
                    out += m_doc.GetSubtitle(which) + QStringLiteral("\r\n");
            out += m_doc.FormatContestConditions();
        }
        int first = 1, last = 0;
        if (m_items[i].selectable)
            GetRecordRange(i, first, last);
        bool nonMove = false;
        for (int k = first; k <= last; ++k)
            nonMove = nonMove || record.IsNonMoveEntry(k);
        if ((nonMove || IsMarked(i) || r == count) && p <= i) {
            const bool held = replay.Board().GetState() != CBackgammonBoard::kStateAwaitingRoll && r != count;
            const int e = held ? i - 1 : i;
            if (e >= p)
                writeChunk(p, e);
            p = e + 1;
        }
        for (int k = first; k <= last; ++k)
            if (const CMatchRecordEntry* entry = record.GetPacket(k); entry && !IsLeftOut(*entry))
                out += FormatChatPacketText(*entry);
    }
    return out;
}

// --- RTF ------------------------------------------------------------------------------------------

namespace {

void WriteTitles(CRtfWriter& writer, const CBackgammonDoc& doc, const QString& title) {
    for (int k = 0; k < 3; ++k)
        writer.LineSpace();
    writer.SetStyle(QStringLiteral("MatchTitle"));
    writer.WriteText(title);
    writer.EndParagraph();
    for (int which = 0; which < 2; ++which)
        if (!doc.GetSubtitle(which).isEmpty()) {
            writer.SetStyle(QStringLiteral("MatchSubtitle"));
            writer.WriteText(doc.GetSubtitle(which));
            writer.EndParagraph();
        }
}

void WriteBoard(CRtfWriter& writer, const CBackgammonBoard& board, const CBgMatchLogModel::PictureMaker& pictures) {
    if (!pictures)
        return;
    const CBgMatchLogModel::Picture picture = pictures(board);
    if (picture.png.isEmpty())
        return;
    writer.SetStyle(QStringLiteral("MatchBoard"));
    writer.WritePicture(picture.png, picture.pixels, picture.twips);
    writer.EndParagraph();
}

} // namespace

void CBgMatchLogModel::BuildMatchRtf(CRtfWriter& writer, const PictureMaker& pictures) const {
    const CMatchRecord& record = m_doc.GetMatchRecord();
    const int count = record.GetCount();
    for (int k = 0; k < count; ++k)
        if (const CMatchRecordEntry* entry = record.GetPacket(k);
            entry->GetEffectiveType() == kAnnotationPacket && !IsLeftOut(*entry))
            writer.ReadTemplate(CRtfWriter::AnnotationBytes(entry->GetPayload()));
    writer.Open();
    Replay replay(m_doc);
    QString numberText;
    int p = 0;
    const QString move = QStringLiteral("MatchMove");

    const auto writeChunk = [&](int from, int to, bool held) {
        const CBgLogItem& head = m_items[from];
        writer.SetStyle(move);
        int prevColumn = 0;
        bool prevEnds = false;
        if (head.column == 1 || head.column == 2) {
            writer.WriteText(numberText);
            writer.WriteRaw("\\tab ");
            if (head.column == 2)
                writer.WriteRaw("\\tab  ");
            prevColumn = head.column;
        }
        if (from > 0 && !m_items[from - 1].endsLine && m_items[from - 1].column == head.column)
            writer.WriteText(m_items[from - 1].text);
        for (int k = from; k <= to; ++k) {
            const CBgLogItem& item = m_items[k];
            if (item.numberLabel)
                numberText = item.text;
            const auto newLine = [&] {
                writer.EndParagraph();
                writer.SetStyle(move);
            };
            switch (item.column) {
            case 0:
                if (prevEnds || prevColumn != 0)
                    newLine();
                break;
            case 1:
                if (prevEnds || prevColumn == 2) {
                    newLine();
                    writer.WriteRaw("\\tab ");
                } else if (prevColumn == 0) {
                    writer.WriteRaw("\\tab ");
                }
                break;
            default:
                if (prevColumn == 0) {
                    writer.WriteRaw("\\tab ");
                    writer.WriteRaw("\\tab  ");
                } else if (prevColumn == 1) {
                    writer.WriteRaw("\\tab  ");
                } else if (prevEnds) {
                    newLine();
                    writer.WriteRaw("\\tab \\tab  ");
                }
                break;
            }
            writer.WriteText(held && k == to ? QStringLiteral("?") : item.text);
            prevColumn = item.column;
            prevEnds = item.endsLine;
        }
        writer.EndParagraph();
        writer.LineSpace();
    };

    for (int i = 0; i < int(m_items.size()); ++i) {
        const int r = m_items[i].record;
        if (r > count)
            break;
        replay.ApplyBelow(r);
        if (i == 0) {
            WriteTitles(writer, m_doc, replay.Board().FormatPlayersTitle());
            writer.LineSpace();
        }
        int first = 1, last = 0;
        if (m_items[i].selectable)
            GetRecordRange(i, first, last);
        bool nonMove = false;
        for (int k = first; k <= last; ++k)
            nonMove = nonMove || record.IsNonMoveEntry(k);
        const bool marked = IsMarked(i);
        if ((nonMove || marked || r == count) && p <= i) {
            // A chunk written before its last item is done shows "?" there and is written again.
            const bool held = replay.Board().GetState() != CBackgammonBoard::kStateAwaitingRoll && r != count;
            const int e = held ? i : i - 1;
            if (e >= p)
                writeChunk(p, e, held);
            p = i;
        }
        if (marked) {
            WriteBoard(writer, replay.Board(), pictures);
            writer.LineSpace();
        }
        for (int k = first; k <= last; ++k)
            if (const CMatchRecordEntry* entry = record.GetPacket(k); entry && !IsLeftOut(*entry))
                WriteChatPacketRtf(writer, *entry);
    }
    writer.Close();
}

void CBgMatchLogModel::BuildPositionRtf(CRtfWriter& writer, const CBackgammonBoard& board,
                                        const PictureMaker& pictures) const {
    writer.Open();
    Replay replay(m_doc);
    WriteTitles(writer, m_doc, replay.Board().FormatPlayersTitle());
    WriteBoard(writer, board, pictures);
    writer.Close();
}

// --- the server line ------------------------------------------------------------------------------

void ReplaceServerNameInHeader(QString& text, int headerLines) {
    static const QString kServer = QStringLiteral("Ludorum Games Server");
    static const QString kOwn = QStringLiteral("Norvale");
    if (text.contains(kServer))
        return;
    qsizetype start = 0;
    for (int line = 0; line < 10 && start < text.size(); ++line) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            return;
        if (line >= headerLines && text.mid(start, end - start).startsWith(QStringLiteral("Server: "))) {
            const qsizetype name = text.indexOf(kOwn, start);
            // The name runs to the line's carriage return.
            if (name < 0 || name >= end || text.at(end - 1) != QLatin1Char('\r'))
                return;
            text.replace(name, end - 1 - name, kServer);
            return;
        }
        start = end + 1;
    }
}
