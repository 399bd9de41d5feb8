#pragma once

#include "records/BgMatchLogModel.h"

#include <QByteArray>
#include <QString>

class CBackgammonDoc;
class QIODevice;

// The match exports the backgammon document writes by extension: ".txt" the plain match text,
// ".snv" the Snowie text, ".rtf" the match as RTF. Registered once at start-up.
void RegisterMatchExports();

// The board picture of prints and exports: the print scheme's "(Current)" board, "Printed Image
// Width" twips wide, rendered at the resolution given.
CBgMatchLogModel::PictureMaker MakeBoardPictureMaker(int dotsPerInch = 150);

// The texts of the three exports as the files hold them.
QByteArray MatchTextFileBytes(const CBackgammonDoc& doc);
QByteArray SnvFileBytes(const CBackgammonDoc& doc);
QByteArray MatchRtfBytes(const CBackgammonDoc& doc, const CBgMatchLogModel::PictureMaker& pictures);
QByteArray PositionRtfBytes(const CBackgammonDoc& doc, const CBackgammonBoard& board,
                            const CBgMatchLogModel::PictureMaker& pictures);
// The Snowie text with the server line rewritten.
QString BuildSnvExportText(const CBackgammonDoc& doc);

// Writes all of the bytes -> false on a short or failed write.
bool WriteAll(QIODevice& device, const QByteArray& bytes);
