// Match (".cbg") and proposition (".bgp") files and the archive reader under them. A match that
// loads saves and loads again to the same match; a refused file leaves the document unchanged.

#include "FuzzTarget.h"

#include "game/BackgammonBoard.h"
#include "game/BackgammonDoc.h"
#include "platform/Archive.h"

namespace {

void archivePrimitives(fuzz::Input& input) {
    const QByteArray plan = input.TakeField();
    platform::ArchiveReader reader(input.TakeRest());
    const qint64 size = reader.remaining();
    bool failed = false;
    for (const char step : plan) {
        const qint64 before = reader.position();
        bool ok = false;
        switch (uchar(step) % 5) {
        case 0: { quint8 v = 0; ok = reader.ReadUInt8(v); break; }
        case 1: { quint32 v = 0; ok = reader.ReadUInt32(v); break; }
        case 2: { QString v; ok = reader.ReadString(v); fuzz::Check(!ok || v.size() <= size, "a string longer than its archive"); break; }
        case 3: {
            QStringList v;
            ok = reader.ReadStringList(v, uchar(step) >> 3);
            fuzz::Check(!ok || v.size() <= uchar(step) >> 3, "a list longer than its limit");
            break;
        }
        default: { QByteArray v; ok = reader.ReadBytes(uchar(step) >> 3, v); break; }
        }
        fuzz::Check(!failed || !ok, "a failed reader read on");
        failed = failed || !ok;
        fuzz::Check(ok == reader.ok() || !ok, "a good read on a failed reader");
        fuzz::Check(reader.position() >= before && reader.position() + reader.remaining() == size,
                    "the read position is inconsistent");
    }
}

} // namespace

NORVALE_FUZZ_TARGET(match_files)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const uint8_t mode = input.TakeByte();
    switch (mode % 3) {
    case 0: {
        const QString path = fuzz::WriteScratchFile(QStringLiteral("fuzz.cbg"), input.TakeRest());
        CBackgammonDoc doc;
        QString error;
        if (!doc.LoadMatchFile(path, &error)) {
            fuzz::Check(error.contains(QStringLiteral("fuzz.cbg")), "a refusal that does not name the file", error);
            fuzz::Check(doc.GetMatchRecord().GetCount() == 0 && doc.GetPathName().isEmpty(),
                        "a refused file changed the document");
            return;
        }
        const QString copy = fuzz::WriteScratchFile(QStringLiteral("copy.cbg"), QByteArray());
        fuzz::Check(doc.SaveMatchFile(copy), "a loaded match cannot be saved");
        CBackgammonDoc again;
        fuzz::Check(again.LoadMatchFile(copy, &error), "a saved match does not load", error);
        fuzz::Check(again.GetPlayers() == doc.GetPlayers(), "the players changed on saving");
        fuzz::Check(again.GetMatchRecord().GetCount() == doc.GetMatchRecord().GetCount(),
                    "the record changed on saving");
        fuzz::Check(again.GetRuleOptions().FormatText() == doc.GetRuleOptions().FormatText(),
                    "the rules changed on saving");
        return;
    }
    case 1: {
        const QString path = fuzz::WriteScratchFile(QStringLiteral("fuzz.bgp"), input.TakeRest());
        QString error;
        const QString text = LoadBoardFileText(path, &error);
        if (error.isEmpty()) {
            CBackgammonBoard board;
            (void)board.ReadBoardText(text, 1);
        } else {
            fuzz::Check(text.isEmpty() && error.contains(QStringLiteral("fuzz.bgp")),
                        "a refusal that does not name the file", error);
        }
        return;
    }
    default:
        archivePrimitives(input);
    }
}
