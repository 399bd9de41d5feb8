// An annotation (packet 38) in the middle of a match, exported as RTF and read back by the program's
// own RTF reader, as printing does: whatever the annotation holds, every move after it and the end of
// the match are still in the document, and the export holds no field or object.

#include "FuzzTarget.h"

#include "game/BackgammonDoc.h"
#include "platform/RtfReader.h"
#include "records/BgMatchLogModel.h"
#include "records/MatchExports.h"

#include <QTextDocument>

#include <cctype>

namespace {

// A one-point match: Ann opens, the annotation, Bob answers, Ann plays and Bob resigns it.
constexpr const char* kBefore[] = {"s 1 0", "n 5 2", "m 13/8 13/11"};
constexpr const char* kAfter[] = {"r 6 4", "m 1/7 12/16", "r 3 1", "m 8/5 6/5", "x 1", "y"};

void AddMove(CBackgammonDoc& doc, const char* command) {
    doc.AddRecordEntry({CMatchRecord::kMovePacketType,
                        CMatchRecord::JoinMoveText(doc.GetMatchRecord().GetMoveCount() + 1, QString::fromLatin1(command)),
                        QString()});
}

// The control words of an RTF text, escaped backslashes aside.
QList<QByteArray> ControlWords(const QByteArray& rtf) {
    QList<QByteArray> words;
    for (qsizetype i = 0; i + 1 < rtf.size(); ++i) {
        if (rtf[i] != '\\')
            continue;
        qsizetype end = i + 1;
        while (end < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[end])))
            ++end;
        if (end > i + 1)
            words << rtf.mid(i + 1, end - i - 1);
        i = end > i + 1 ? end - 1 : i + 1; // a control symbol ("\\", "\{") takes its character along
    }
    return words;
}

} // namespace

NORVALE_FUZZ_TARGET(annotation_export)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    // The first byte picks how the packet's text was decoded: as Latin-1 bytes or as UTF-8.
    const bool utf8 = input.TakeByte() & 1;
    const QByteArray bytes = input.TakeRest();
    const QString annotation = utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);

    CBackgammonDoc doc;
    doc.SetPlayers({QStringLiteral("Ann"), QStringLiteral("Bob")}, -1);
    for (const char* command : kBefore)
        AddMove(doc, command);
    const int annotationIndex = doc.AddRecordEntry({38, annotation, QStringLiteral("Cy")});
    for (const char* command : kAfter)
        AddMove(doc, command);

    const QByteArray rtf = MatchRtfBytes(doc, {});
    for (const QByteArray& word : ControlWords(rtf))
        fuzz::Check(!word.startsWith("fld") && !word.startsWith("obj") && word != "field" && word != "result",
                    "an annotation put a field or an object into the export", QString::fromLatin1(word));

    QTextDocument read;
    platform::RtfReader reader;
    fuzz::Check(reader.Read(rtf, read), "the export does not read", reader.ErrorString());
    const QString text = read.toPlainText();
    qsizetype at = 0;
    const CBgMatchLogModel model(doc);
    for (const CBgLogItem& item : model.Items()) {
        const QString shown = item.text.trimmed();
        if (item.record <= annotationIndex || item.numberLabel || shown.isEmpty() || shown == QLatin1String("?"))
            continue;
        const qsizetype found = text.indexOf(shown, at);
        fuzz::Check(found >= 0, "the annotation hid a move that follows it", shown);
        at = found + shown.size();
    }
}
