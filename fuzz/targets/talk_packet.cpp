// Talk packets (213) as another member sends them. What reads names the sender first, then people
// without blanks, and a line with a shown text; a line of a kind that travels in a talk (said text,
// emote, whisper) keeps its plain text, any other is kept as shown text only. What reads writes back
// to a body that reads to the same talk.

#include "FuzzTarget.h"

#include "net/ClientNode.h"
#include "session/SessionDoc.h"

NORVALE_FUZZ_TARGET(talk_packet)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const QString sender = QString::fromLatin1(input.TakeField());
    const QString text = QString::fromLatin1(input.TakeRest());

    const std::optional<CSessionDoc::IncomingTalk> talk = CSessionDoc::ParseTalkPacket(sender, text);
    if (!talk)
        return;
    fuzz::Check(!sender.isEmpty(), "a talk without a sender", text);
    fuzz::Check(!talk->people.isEmpty() && talk->people.front() == sender, "the sender is not first", text);
    for (qsizetype i = 1; i < talk->people.size(); ++i)
        fuzz::Check(!talk->people[i].isEmpty() && !talk->people[i].contains(QLatin1Char(' ')),
                    "a person with a blank", talk->people[i]);
    const CTalkLine& line = talk->line;
    fuzz::Check(!line.display.isEmpty(), "a line without a shown text", text);
    fuzz::Check(line.kind == -1 || line.kind == ChatKind::Said || line.kind == ChatKind::Emote ||
                    line.kind == ChatKind::Whisper,
                "a kind that does not travel in a talk", text);
    fuzz::Check(line.kind >= 0 || line.text.isEmpty(), "a plain text without its kind", text);
    fuzz::Check(line.display.size() + line.text.size() <= text.size(), "texts longer than the packet", text);

    const QString written = CSessionDoc::FormatTalkPacket(talk->people.mid(1), line);
    const std::optional<CSessionDoc::IncomingTalk> again = CSessionDoc::ParseTalkPacket(sender, written);
    fuzz::Check(again && again->people == talk->people && again->line.display == line.display &&
                    again->line.kind == line.kind && again->line.text == line.text,
                "the talk does not read back", written);
}
