// The tips file: any file gives tips that are tip lines of bounded length, and the search ends.

#include "FuzzTarget.h"

#include "prefs/TipsFile.h"

NORVALE_FUZZ_TARGET(tips_file)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const uint8_t start = input.TakeByte();
    const QByteArray bytes = input.TakeRest();
    (void)CTipsFile::DecodeLine(bytes);

    CTipsFile tips;
    if (!tips.Open(fuzz::WriteScratchFile(QStringLiteral("tips.txt"), bytes)))
        return;
    // The dialog keeps the offset of a line start; begin at the start of the line the byte picks.
    qsizetype offset = qsizetype(start) * bytes.size() / 256;
    offset = offset > 0 ? bytes.lastIndexOf('\n', offset - 1) + 1 : 0;
    fuzz::Check(tips.Seek(offset), "seek inside the file refused");
    // Going round the file twice at most: every line is read at most twice per round.
    for (int i = 0; i < 8; ++i) {
        QString tip;
        const CTipsFile::Result result = tips.NextTip(tip);
        if (result != CTipsFile::Result::Tip) {
            fuzz::Check(result == CTipsFile::Result::NoTips, "reading a file in memory failed");
            fuzz::Check(i == 0, "tips found once and then no more");
            return;
        }
        fuzz::Check(CTipsFile::IsTipLine(tip), "a tip that is not a tip line", tip);
        fuzz::Check(tip.size() <= CTipsFile::kMaxLineLength, "a tip longer than a line may be", tip);
        fuzz::Check(tips.Pos() >= 0 && tips.Pos() <= bytes.size(), "a position outside the file");
    }
}
