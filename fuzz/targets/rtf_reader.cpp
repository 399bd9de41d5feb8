// RTF from annotations and files: the template parser merging and copying it in every mode, the match
// writer taking it as an annotation, and the reader turning it into a document.

#include "FuzzTarget.h"

#include "platform/Paths.h"
#include "platform/RtfReader.h"
#include "game/MatchRecord.h"
#include "records/BgMatchLogModel.h"
#include "records/RTFParser.h"
#include "records/RtfWriter.h"

#include <QFile>
#include <QTextDocument>

namespace {

const QByteArray& styleTemplate() {
    static const QByteArray text = [] {
        QFile file(platform::FindResourceFile(QStringLiteral("bgstyle.rtf")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return text;
}

// Whether the braces of an RTF text pair up, escapes aside.
bool balanced(const QByteArray& rtf) {
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\')
            ++i;
        else if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}' && --depth < 0)
            return false;
    }
    return depth == 0;
}

} // namespace

NORVALE_FUZZ_TARGET(rtf_reader)(const uint8_t* data, size_t size) {
    const QByteArray rtf = fuzz::Bytes(data, size);

    // As the match writer uses it: the template and the text read for their tables, the header
    // written, the text appended twice as an annotation body.
    CRTFParser parser;
    parser.ParseRtf(styleTemplate(), CRTFParser::kReadTemplate, nullptr);
    parser.ParseRtf(rtf, CRTFParser::kReadTemplate, nullptr);
    fuzz::Check(parser.Fonts().size() <= CRTFParser::kMaxTableSize, "font table not bounded");
    fuzz::Check(parser.Colors().size() <= CRTFParser::kMaxTableSize, "colour table not bounded");
    fuzz::Check(parser.Styles().size() <= CRTFParser::kMaxTableSize, "style sheet not bounded");
    QByteArray document = "{";
    parser.ParseRtf(styleTemplate(), CRTFParser::kCopyHeader, &document);
    for (int mode : {CRTFParser::kFirstBody, CRTFParser::kAppendBody}) {
        document += parser.GetStyleText(QStringLiteral("MatchAnnotation"));
        QByteArray body;
        parser.ParseRtf(rtf, mode, &body);
        fuzz::Check(balanced("{" + body + "}"), "a copied body unbalances the document",
                    QString::fromLatin1(body.left(200)));
        fuzz::Check(body.size() <= 2 * rtf.size() + 4096, "a copied body grew out of bounds");
        document += body;
        document += "\\par\n";
    }
    document += "}";
    fuzz::Check(balanced(document), "the merged document is unbalanced");

    // As an annotation packet of a match export: whatever it holds, the export stays one balanced
    // document without fields or objects.
    CRtfWriter writer(true);
    writer.ReadTemplate(rtf);
    writer.Open();
    CBgMatchLogModel::WriteChatPacketRtf(writer, CMatchRecordEntry{38, QString::fromLatin1(rtf), QString()});
    writer.Close();
    fuzz::Check(CRtfWriter::IsBalanced(writer.GetText()), "an annotation unbalances the export");
    fuzz::Check(!writer.GetText().contains("\\field") && !writer.GetText().contains("\\object"),
                "an annotation put a field or an object into the export");

    // The text itself as a document, and the merged document, which must read to its end.
    QTextDocument doc;
    platform::RtfReader().Read(rtf, doc);
    platform::RtfReader reader;
    fuzz::Check(reader.Read(document, doc), "the merged document does not read", reader.ErrorString());
}
