#include "records/MatchExports.h"

#include "board/BackgammonBoardCtl.h"
#include "game/BackgammonDoc.h"
#include "platform/Cp1252.h"
#include "prefs/BgColorScheme.h"
#include "records/MatchTextWriter.h"
#include "records/RtfWriter.h"

#include <QIODevice>

bool WriteAll(QIODevice& device, const QByteArray& bytes) {
    return device.write(bytes) == bytes.size();
}

CBgMatchLogModel::PictureMaker MakeBoardPictureMaker(int dotsPerInch) {
    CBgColorScheme scheme(-1);
    scheme.Load(CBgColorScheme::kSetPrint, QLatin1String(CBgColorScheme::kCurrent));
    return [scheme, dotsPerInch](const CBackgammonBoard& board) {
        const CBoardPicture picture = CBackgammonBoardCtl::MakePicture(board, scheme, 1);
        CBgMatchLogModel::Picture out;
        out.png = picture.ToPng(dotsPerInch);
        out.twips = picture.sizeTwips;
        const int dpi = std::clamp(dotsPerInch, 24, 1200);
        out.pixels = QSize(std::max(1, picture.sizeTwips.width() * dpi / 1440),
                           std::max(1, picture.sizeTwips.height() * dpi / 1440));
        return out;
    };
}

QByteArray MatchTextFileBytes(const CBackgammonDoc& doc) {
    return platform::cp1252::encode(BuildMatchText(doc));
}

QString BuildSnvExportText(const CBackgammonDoc& doc) {
    QString text = CBgMatchLogModel(doc).BuildSnvText();
    int headerLines = 1;
    for (int which = 0; which < 2; ++which)
        if (!doc.GetSubtitle(which).isEmpty())
            ++headerLines;
    ReplaceServerNameInHeader(text, headerLines);
    return text;
}

QByteArray SnvFileBytes(const CBackgammonDoc& doc) {
    return platform::cp1252::encode(BuildSnvExportText(doc));
}

QByteArray MatchRtfBytes(const CBackgammonDoc& doc, const CBgMatchLogModel::PictureMaker& pictures) {
    CRtfWriter writer(true);
    CBgMatchLogModel(doc).BuildMatchRtf(writer, pictures);
    return writer.GetText();
}

QByteArray PositionRtfBytes(const CBackgammonDoc& doc, const CBackgammonBoard& board,
                            const CBgMatchLogModel::PictureMaker& pictures) {
    CRtfWriter writer(true);
    CBgMatchLogModel(doc).BuildPositionRtf(writer, board, pictures);
    return writer.GetText();
}

void RegisterMatchExports() {
    CBackgammonDoc::RegisterExporter(QStringLiteral("txt"), [](const CBackgammonDoc& doc, QIODevice& device) {
        return WriteAll(device, MatchTextFileBytes(doc));
    });
    CBackgammonDoc::RegisterExporter(QStringLiteral("snv"), [](const CBackgammonDoc& doc, QIODevice& device) {
        return WriteAll(device, SnvFileBytes(doc));
    });
    CBackgammonDoc::RegisterExporter(QStringLiteral("rtf"), [](const CBackgammonDoc& doc, QIODevice& device) {
        return WriteAll(device, MatchRtfBytes(doc, MakeBoardPictureMaker()));
    });
}
