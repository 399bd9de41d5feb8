// Invitation records (packet 227) and unfinished-match entries (packet 233) as other members and the
// server send them. A record reads as far as it goes; one that is well formed writes back to a text
// that reads to the same record, and the texts taken from it stay inside what was sent.

#include "FuzzTarget.h"

#include "lobby/invite/InviteData.h"

NORVALE_FUZZ_TARGET(invite_record)(const uint8_t* data, size_t size) {
    const QString text = QString::fromLatin1(fuzz::Bytes(data, size));

    const CInviteData record(text);
    fuzz::Check(!record.GetUnfinishedKey().isEmpty(), "empty unfinished key", text);
    fuzz::Check(record.IsReceived() && !record.IsComposed(), "a read record is not marked received", text);
    if (record.IsWellFormed()) {
        const QString written = record.Format();
        const CInviteData again(written);
        fuzz::Check(again.IsWellFormed() && again.Format() == written, "record does not read back", written);
        fuzz::Check(record.BuildTransferText().startsWith(record.GetServiceName().GetText()),
                    "transfer text does not start with the room", text);
    }
    const QString message = CInviteData::ParseLengthText(record.GetPayload());
    fuzz::Check(message.size() <= record.GetPayload().size(), "length text longer than its payload", text);
    fuzz::Check(CInviteData::ParseLengthText(CInviteData::FormatLengthText(message)) == message,
                "length text does not read back", message);

    for (const QString& piece : text.split(QLatin1Char('\t'))) {
        const TUnfinishedMatchInfo entry(piece);
        fuzz::Check(entry.entry == piece, "entry text changed", piece);
        fuzz::Check(!entry.matchKey.contains(QLatin1Char(' ')) && !entry.serviceName.GetText().contains(QLatin1Char(' ')),
                    "key or room holds a blank", piece);
    }
}
